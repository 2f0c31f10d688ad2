// The page on the clipboard (a placeable metafile and an image of the widened
// drawing extent), numeric clipboard text pasted as a new series, the show/hide
// and option dialogs, and one series' information text and editor.

#include "chart_fixture.h"
#include "modal_script.h"

#include "chart/chartclip.h"
#include "dialogs/datamanager.h"
#include "dialogs/kit/controls.h"
#include "model/datafile.h"
#include "platform/cp932.h"
#include "platform/escape.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/metafile.h"
#include "platform/stringtable.h"
#include "render/graphdraw.h"
#include "render/output.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

using charttest::MakeChart;
using charttest::ModalScript;
using charttest::TestApp;

namespace {

constexpr int kReadDialog = 3;
constexpr int kStyleDialog = 4;

TEST(ClipboardPicture, ExtentWidenedByTheMarginAndSizedInHundredthsOfAMillimetre) {
    struct Case {
        TRect extent;
        int margin;
        TRect window;
        int xExt, yExt;
        bool fits;
    };
    const Case cases[] = {
        {TRect(0, 0, 400, 200), 60, TRect(-60, -60, 460, 260), 915, 563, true},
        {TRect(100, 50, 500, 250), 0, TRect(100, 50, 500, 250), 704, 352, true},
        {TRect(0, 0, 0, 0), 0, TRect(0, 0, 1, 1), 1, 1, true},
        {TRect(-20000, 0, 20000, 100), 60, TRect(-20060, -60, 20060, 160), 70611, 387, false},
        {TRect(0, 0, 32000, 100), 1000, TRect(-1000, -1000, 33000, 1100), 59840, 3696, false},
    };
    for (const Case& c : cases) {
        const ClipboardPictureGeometry g = ClipboardPictureFor(c.extent, c.margin);
        EXPECT_EQ(g.Window, c.window);
        EXPECT_EQ(g.XExt, c.xExt);
        EXPECT_EQ(g.YExt, c.yExt);
        EXPECT_EQ(g.FitsMetafile, c.fits);
    }
}

class ClipboardCommands : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        ASSERT_TRUE(dir.isValid());
        w = MakeChart();
        w->CmZoom50();
        w->UpdateWindow();
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override {
        AbortRequested = 0;
        QCoreApplication::processEvents();
    }
    std::string Path(const std::string& name) const {
        return QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString();
    }
    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void SetClipboardText(const QString& text) { QGuiApplication::clipboard()->setText(text); }
    // The text pasted into the file chosen as `path`; the data-reading and
    // plot-style dialogs answered with OK, or the reading dialog with Cancel.
    void Paste(const std::string& path, bool readOk = true) {
        kv::ScriptedFileDialogs files;
        files.Choose({path});
        ModalScript script;
        if (readOk) {
            script.Then(kReadDialog, ModalScript::Ok()).Then(kStyleDialog, ModalScript::Ok());
        } else {
            script.Then(kReadDialog, ModalScript::Cancel());
        }
        w->ProcessCommand(CM_PASTEDATA);
        ASSERT_EQ(files.Shown().size(), 1u);
        request = files.Shown()[0];
    }
    int Count() const { return w->Document.Current->PlotList.GetItemsInContainer(); }
    int FilesInDir() const { return int(QDir(dir.path()).entryList(QDir::Files).size()); }

    TestApp app;
    QTemporaryDir dir;
    std::unique_ptr<TChartWindow> w;
    kv::FileDialogRequest request;
};

TEST_F(ClipboardCommands, CopyPutsAMetafileOfTheWidenedExtentAndAnImage) {
    // Two axis sets apart; the picture holds both even while only one is shown.
    w->Document.AxisSets.Flush();
    w->Document.AxisSets.Add(kvtest::MakeSampleBoxFrame().release());
    auto far = kvtest::MakeSampleBoxFrame();
    far->Frame.OriginX += 6000;
    far->Frame.OriginY += 3000;
    w->Document.AxisSets.Add(far.release());
    w->Document.CurrentNo = 1;
    w->Document.Current = w->Document.AxisSets[1];
    w->CurrentOnly = 1;
    w->Settings.WMFMargin = 60;

    TRect extent(0, 0, 0, 0);
    TDC none;
    ::DrawGraph(w->Document.AxisSets, OUT_EXTENT, none, nullptr, &extent);
    ASSERT_GT(extent.right - extent.left, 6000);
    const ClipboardPictureGeometry g = ClipboardPictureFor(extent, 60);

    kv::ScriptedMessageBoxes boxes;
    EXPECT_TRUE(w->ProcessCommand(CM_COPYTOCLIPBOARD));
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(w->Document.Modified, 0);

    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    ASSERT_TRUE(mime->hasFormat(MetafileMimeType));
    const QByteArray wmf = mime->data(MetafileMimeType);
    kv::wmf::Metafile parsed;
    std::string error;
    ASSERT_TRUE(kv::wmf::ParseMetafile(wmf.constData(), std::size_t(wmf.size()), &parsed, &error)) << error;
    EXPECT_TRUE(parsed.placeable);
    EXPECT_EQ(parsed.box.unitsPerInch, 1440);
    EXPECT_EQ(parsed.box.right - parsed.box.left, g.Window.right - g.Window.left);
    EXPECT_EQ(parsed.box.bottom - parsed.box.top, g.Window.bottom - g.Window.top);
    bool ext = false, org = false;
    int drawing = 0;
    for (const kv::wmf::Record& r : parsed.records) {
        // Parameters are stored in the reverse order of the call's arguments.
        if (r.function == kv::wmf::META_SETWINDOWEXT) {
            ext = true;
            EXPECT_EQ(r.Int(1), g.Window.right - g.Window.left);
            EXPECT_EQ(r.Int(0), g.Window.bottom - g.Window.top);
        } else if (r.function == kv::wmf::META_SETWINDOWORG) {
            org = true;
            EXPECT_EQ(r.Int(1), g.Window.left);
            EXPECT_EQ(r.Int(0), g.Window.top);
        } else if (r.function == kv::wmf::META_POLYLINE || r.function == kv::wmf::META_LINETO ||
                   r.function == kv::wmf::META_EXTTEXTOUT || r.function == kv::wmf::META_TEXTOUT) {
            ++drawing;
        }
    }
    EXPECT_TRUE(ext);
    EXPECT_TRUE(org);
    EXPECT_GT(drawing, 10);

    ASSERT_TRUE(mime->hasImage());
    ASSERT_TRUE(mime->hasFormat("image/png"));
    QImage image;
    ASSERT_TRUE(image.loadFromData(mime->data("image/png"), "PNG"));
    // The image covers the picture at its resolution: its physical width is the
    // window's width in twips.
    const double inches = double(image.width()) / (image.dotsPerMeterX() * 0.0254);
    EXPECT_NEAR(inches * 1440, g.Window.right - g.Window.left, 20);
    int dark = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (qGray(image.pixel(x, y)) < 128) ++dark;
    EXPECT_GT(dark, 50);
}

TEST_F(ClipboardCommands, PictureBeyondTheMetafileGoesAsTheImageAloneWithAMessage) {
    w->Document.Current->Frame.OriginX = 40000;
    kv::ScriptedMessageBoxes boxes;
    w->CmCopyToClipboard();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(1404));
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_FALSE(mime->hasFormat(MetafileMimeType));
    EXPECT_TRUE(mime->hasImage());
}

TEST_F(ClipboardCommands, EscapeWaitingStopsTheCopyWithTheInterruptMessage) {
    w->show();
    QCoreApplication::processEvents();
    SetClipboardText("kept");
    QCoreApplication::postEvent(w->ClientWidget(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    kv::ScriptedMessageBoxes boxes;
    w->CmCopyToClipboard();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(108));
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
    // Nothing was drawn yet: the clipboard keeps what it held.
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
}

TEST_F(ClipboardCommands, PastedNumbersBecomeASeriesReadFromTheChosenFile) {
    const QString text = "1\t10\r\n2\t40\r\n3\t90\r\n";
    SetClipboardText(text);
    const std::string path = Path("pasted.dat");
    const double endBefore = w->Document.Current->LeftAxis.RangeEnd;
    Paste(path);

    EXPECT_EQ(request.kind, kv::FileDialogKind::Save);
    EXPECT_EQ(request.title, "Save Data from clipboard");
    ASSERT_EQ(request.filters.size(), 1u);
    EXPECT_EQ(request.filters[0].description, "(*.dat)");
    EXPECT_EQ(request.filters[0].pattern, "*.dat");
    EXPECT_EQ(request.defExt, "dat");
    EXPECT_TRUE(request.flags & OFN_OVERWRITEPROMPT);

    EXPECT_EQ(Contents(path), text.toStdString());
    ASSERT_EQ(Count(), 1);
    const TPlot& plot = *w->Document.Current->PlotList[1];
    EXPECT_EQ(std::string(plot.DataFileName), path);
    ASSERT_EQ(plot.YData.GetItemsInContainer(), 3);
    EXPECT_EQ(plot.YData[2].Value, 90);
    // The axis set had no series: it is scaled to the data.
    EXPECT_NE(w->Document.Current->LeftAxis.RangeEnd, endBefore);
    EXPECT_GE(w->Document.Current->LeftAxis.RangeEnd, 90);
    EXPECT_EQ(w->Document.Modified, 1);

    // Into a set that has series: no autoscale.
    w->Document.Current->LeftAxis.RangeEnd = 5;
    SetClipboardText("1 1000\n2 2000\n");
    Paste(Path("second.dat"));
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(w->Document.Current->LeftAxis.RangeEnd, 5);
}

TEST_F(ClipboardCommands, TextIsWrittenUpToItsFirstNulInTheDocumentsCodePage) {
    SetClipboardText(QString::fromUtf8("' 測定\n1 2\n3 4\n") + QChar(0) + "garbage\xff");
    const std::string path = Path("nul.dat");
    Paste(path);
    EXPECT_EQ(Contents(path), *kv::Utf8ToCp932("' 測定\n1 2\n3 4\n"));
    EXPECT_EQ(Count(), 1);

    // An empty text is still text: the file is made empty and goes to the reading
    // dialog, whose Cancel then takes it away again.
    SetClipboardText("");
    const std::string empty = Path("empty.dat");
    std::string seen = "not read";
    {
        kv::ScriptedFileDialogs files;
        files.Choose({empty});
        kv::ScriptedMessageBoxes boxes;
        ModalScript script;
        script.Then(kReadDialog, [&](PDialog& d) {
            seen = QFile::exists(QString::fromStdString(empty)) ? Contents(empty) : "missing";
            ModalScript::Cancel()(d);
        });
        w->PasteDataFromClipboard();
        EXPECT_TRUE(boxes.Shown().empty());
    }
    EXPECT_EQ(seen, "");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(empty)));
    EXPECT_EQ(Count(), 1);
}

TEST_F(ClipboardCommands, CancelledReadingDeletesTheNewFileAndRestoresAReplacedOne) {
    SetClipboardText("1 2\n");
    const std::string fresh = Path("fresh.dat");
    Paste(fresh, false);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(fresh)));
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(w->Document.Modified, 0);

    // A file the user chose to replace comes back as it was.
    const std::string old = Path("old.dat");
    std::ofstream(old) << "5 6\n7 8\n";
    Paste(old, false);
    EXPECT_EQ(Contents(old), "5 6\n7 8\n");
    EXPECT_EQ(FilesInDir(), 1);

    // Replaced for good once the series is in; nothing is left beside it.
    Paste(old, true);
    EXPECT_EQ(Contents(old), "1 2\n");
    EXPECT_EQ(FilesInDir(), 1);
    EXPECT_EQ(Count(), 1);
}

TEST_F(ClipboardCommands, FailuresAreToldAndWriteNothing) {
    struct Case {
        const char* what;
        std::function<void()> prepare;
        std::string path;
        int message;  // 0: none
    };
    const std::string longName = Path(std::string(300, 'a') + ".dat");
    const Case cases[] = {
        {"image only",
         [] {
             QImage img(4, 4, QImage::Format_RGB32);
             img.fill(Qt::red);
             QGuiApplication::clipboard()->setImage(img);
         },
         Path("img.dat"), 40},
        {"name beyond the document's path field", [] { SetClipboardText("1 2\n"); }, longName, 1161},
        {"folder that does not exist", [] { SetClipboardText("1 2\n"); }, Path("none/x.dat"), 26},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        kv::ScriptedFileDialogs files;
        files.Choose({c.path});
        kv::ScriptedMessageBoxes boxes;
        w->PasteDataFromClipboard();
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(c.message));
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
        EXPECT_EQ(FilesInDir(), 0);
        EXPECT_EQ(Count(), 0);
    }
    // A cancelled save dialog ends quietly.
    SetClipboardText("1 2\n");
    kv::ScriptedFileDialogs files;
    files.Cancel();
    kv::ScriptedMessageBoxes boxes;
    w->PasteDataFromClipboard();
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(FilesInDir(), 0);
}

TEST_F(ClipboardCommands, ShowHideAndOptionsDialogs) {
    w->Document.Current->PlotList.Add(kvtest::MakeSampleSeries(3).release());
    w->TextSelected = 1;
    {
        ModalScript script;
        script.Then(19, ModalScript::Cancel());
        w->ProcessCommand(CM_SHOWHIDE);
    }
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_EQ(w->TextSelected, 1);
    {
        ModalScript script;
        script.Then(19, ModalScript::Ok());
        w->ProcessCommand(CM_SHOWHIDE);
    }
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(w->TextSelected, 0);

    // Options belong to the profile, not the document; the handle size takes
    // effect at the present zoom, the drive in the data-file reader and the
    // precision in the read-out formats.
    w->Document.Modified = 0;
    w->Settings.DataPrecision = 1;
    w->SetReadoutFormat();
    w->UpdateWindow();
    const int before = w->HandleSize;
    {
        ModalScript script;
        script.Then(20, [](PDialog& d) {
            d.Control<PEdit>(101)->setText("30");
            d.Control<PComboBox>(102)->SetSelIndex(6);  // G:
            d.Control<PComboBox>(108)->SetSelIndex(0);  // short read-outs
            ModalScript::Ok()(d);
        });
        w->ProcessCommand(CM_OPTIONS);
    }
    EXPECT_EQ(w->Settings.HandleSizeSetting, 30);
    EXPECT_NE(w->HandleSize, before);
    EXPECT_STREQ(w->Settings.DataDrive, "G:");
    EXPECT_STREQ(GetDataDrive(), "G:");
    ::SetDataDrive("A:");
    EXPECT_STREQ(w->PlotReadoutFormat, "[ %s ] %%i=%d %%c=%d (%G, %G)");
    EXPECT_STREQ(w->WatchReadoutFormat, "X=%G Y=%G");
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_TRUE(w->GetInvalidRegion().contains(QRect(0, 0, 800, 600)));
}

TEST_F(ClipboardCommands, AnEditedInformationTextMarksTheGraph) {
    auto plot = kvtest::MakeSampleSeries(3);
    plot->Info = "old";
    {
        ModalScript script;
        script.Then(26, [](PDialog& d) {
            auto* edit = d.findChild<QPlainTextEdit*>();
            ASSERT_NE(edit, nullptr);
            edit->setPlainText("new note");
            ModalScript::Press(2)(d);
        });
        w->ShowSeriesInfo(plot.get());
    }
    EXPECT_EQ(plot->Info, "new note");
    EXPECT_EQ(w->Document.Modified, 1);

    // A memory series has no file for the editor.
    plot->IsFileData = 0;
    kv::ScriptedMessageBoxes boxes;
    w->EditDataFile(plot.get());
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(41));
}

}  // namespace
