// Opening numeric data files onto the page: one file, several with shared or
// individual reading settings, cancelled and failing runs, the autoscale of an
// axis set that held no series with the profile's margin, and the refusals of
// names the document cannot hold and of a full series list. The file dialog and
// message boxes are scripted; the data-reading, multi-file and plot-style dialogs
// are the real ones, answered by a script.

#include "chart_fixture.h"
#include "modal_script.h"

#include "dialogs/dataselect.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using charttest::MakeChart;
using charttest::ModalScript;
using charttest::TestApp;

namespace {

constexpr int kReadDialog = 3;
constexpr int kStyleDialog = 4;
constexpr int kMultiDialog = 13;

// The multi-file dialog answered with individual (102) or common (103) settings.
ModalScript::Action Choose(int radio) {
    return [radio](PDialog& d) {
        ModalScript::Press(radio)(d);
        ModalScript::Ok()(d);
    };
}

struct AxisRange {
    double start, end, inc;
    bool operator==(const AxisRange&) const = default;
};
AxisRange RangeOf(const AxisUnit& a) { return {a.RangeStart, a.RangeEnd, a.RangeInc}; }

class DataFiles : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        DataFileFilterIndex = 0;
        ASSERT_TRUE(dir.isValid());
        // A file-data style and an autoscale margin of the user's own.
        app.profile = Write("user.korvida",
                            "[PlotStyle]\nLineColor=255\nMarkerStyle=3\nMarkerSize=150\n"
                            "[Other]\nAutoScaleMargin=25\n");
        w = MakeChart();
        w->CmZoom50();
        w->UpdateWindow();
        a = Write("a.dat", "1 10\n2 20\n3 30\n4 45\n");
        b = Write("b.dat", "0 -5\n5 5\n6 7\n");
        c = Write("c.dat", "10 100\n20 400\n30 900\n");
    }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path) << text;
        return path;
    }
    int Count() const { return w->Document.Current->PlotList.GetItemsInContainer(); }
    TPlot& Series(int n) const { return *w->Document.Current->PlotList[n]; }
    std::vector<double> Xs(int n) const {
        std::vector<double> v;
        const TDataColumn& x = Series(n).XData;
        for (int i = 0; i < x.GetItemsInContainer(); ++i) v.push_back(x[i].Value);
        return v;
    }
    bool Repaints() const { return w->GetInvalidRegion().contains(QRect(0, 0, 800, 600)); }
    int MaskedRows(int n) const {
        int masked = 0;
        const TDataColumn& x = Series(n).XData;
        for (int i = 0; i < x.GetItemsInContainer(); ++i) masked += (x[i].Flag & DataFlagMasked) ? 1 : 0;
        return masked;
    }
    // The axes an autoscale of the present series with marginPercent gives the
    // axis set as it was before (`before`).
    static void ScaleLike(BoxFrame& before, const BoxFrame& now, int marginPercent) {
        for (TPlot* p : now.PlotList) before.PlotList.Add(new TPlot(*p));
        before.AutoScale(1, 1, 1, 1, 1, marginPercent);
    }
    bool Shown(int id) const {
        for (const auto& m : boxes.Shown())
            if (m.text.rfind(kv::LoadString(id), 0) == 0) return true;
        return false;
    }

    QTemporaryDir dir;
    TestApp app;
    kv::ScriptedFileDialogs files;
    kv::ScriptedMessageBoxes boxes;
    std::unique_ptr<TChartWindow> w;
    std::string a, b, c;
};

TEST_F(DataFiles, OneFileThroughBothDialogsWithTheDefaultStyleAndTheProfileMargin) {
    BoxFrame expected(*w->Document.Current);
    files.Choose({a});
    {
        ModalScript script;
        script.Then(kReadDialog, ModalScript::Ok()).Then(kStyleDialog, ModalScript::Cancel());
        // Through the command table, as the menu, Ctrl+D and the bar button do.
        EXPECT_TRUE(w->ProcessCommand(CM_DATAFILEOPEN));
        EXPECT_EQ(script.Seen(), (std::vector<int>{kReadDialog, kStyleDialog}));
    }
    // The request: the Part's title, five filters, several files allowed.
    ASSERT_EQ(files.Shown().size(), 1u);
    const kv::FileDialogRequest& req = files.Shown()[0];
    EXPECT_EQ(req.title, kv::LoadString(77));
    ASSERT_EQ(req.filters.size(), 5u);
    EXPECT_EQ(req.filters[0].pattern, "*.dat");
    EXPECT_EQ(req.filters[4].pattern, "*.prn");
    EXPECT_EQ(req.filterIndex, 0);
    EXPECT_TRUE(req.flags & OFN_ALLOWMULTISELECT);
    EXPECT_TRUE(req.flags & OFN_FILEMUSTEXIST);

    ASSERT_EQ(Count(), 1);
    EXPECT_STREQ(Series(1).DataFileName, a.c_str());
    EXPECT_EQ(Xs(1), (std::vector<double>{1, 2, 3, 4}));
    // Cancel in the style dialog keeps the default style for file data.
    EXPECT_EQ(Series(1).Style.LineColor, COLORREF(255));
    EXPECT_EQ(Series(1).Style.MarkerStyle, 3);
    EXPECT_EQ(Series(1).Style.MarkerSize, 150);
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(Repaints());

    // The empty axis set was autoscaled on all four axes with the profile's 25 %.
    ASSERT_EQ(w->Settings.AutoScaleMargin, 25);
    BoxFrame tenPercent(expected);
    ScaleLike(expected, *w->Document.Current, 25);
    ScaleLike(tenPercent, *w->Document.Current, 10);
    EXPECT_EQ(RangeOf(w->Document.Current->BottomAxis), RangeOf(expected.BottomAxis));
    EXPECT_EQ(RangeOf(w->Document.Current->LeftAxis), RangeOf(expected.LeftAxis));
    EXPECT_EQ(RangeOf(w->Document.Current->TopAxis), RangeOf(expected.TopAxis));
    EXPECT_EQ(RangeOf(w->Document.Current->RightAxis), RangeOf(expected.RightAxis));
    EXPECT_NE(RangeOf(expected.LeftAxis), RangeOf(tenPercent.LeftAxis));
}

TEST_F(DataFiles, AnAxisSetThatHeldSeriesIsNotAutoscaled) {
    auto held = std::make_unique<TPlot>();
    held->IsFileData = 0;
    held->AddX(TDataElement(0.5));
    held->AddY(TDataElement(0.5));
    w->Document.Current->PlotList.Add(held);
    const AxisRange x = RangeOf(w->Document.Current->BottomAxis),
                    y = RangeOf(w->Document.Current->LeftAxis);
    files.Choose({c});
    {
        ModalScript script;
        script.Then(kReadDialog, ModalScript::Ok()).Then(kStyleDialog, ModalScript::Cancel());
        w->CmDataFileOpen();
    }
    ASSERT_EQ(Count(), 2);
    EXPECT_EQ(Xs(2), (std::vector<double>{10, 20, 30}));
    EXPECT_EQ(RangeOf(w->Document.Current->BottomAxis), x);
    EXPECT_EQ(RangeOf(w->Document.Current->LeftAxis), y);
    EXPECT_TRUE(Repaints());
}

TEST_F(DataFiles, ThreeFilesWithCommonSettingsShowTheDialogsOnceAndCopyTheFirstSeries) {
    w->Defaults.DefaultPlotStyle.MaskRows = "2";
    files.Choose({a, b, c});
    {
        ModalScript script;
        script.Then(kMultiDialog, Choose(103))
            .Then(kReadDialog,
                  [](PDialog& d) {
                      d.SetItemText(104, QStringLiteral("2"));  // first row to read
                      ModalScript::Ok()(d);
                  })
            .Then(kStyleDialog, ModalScript::Cancel());
        w->CmDataFileOpen();
        EXPECT_EQ(script.Seen(), (std::vector<int>{kMultiDialog, kReadDialog, kStyleDialog}));
    }
    EXPECT_EQ(MultiReadChoice[1], 1);
    ASSERT_EQ(Count(), 3);
    // Each read from its own file with the first one's reading settings.
    EXPECT_STREQ(Series(2).DataFileName, b.c_str());
    EXPECT_STREQ(Series(3).DataFileName, c.c_str());
    EXPECT_EQ(Xs(1), (std::vector<double>{2, 3, 4}));
    EXPECT_EQ(Xs(2), (std::vector<double>{5, 6}));
    EXPECT_EQ(Xs(3), (std::vector<double>{20, 30}));
    for (int n = 2; n <= 3; ++n) {
        EXPECT_EQ(Series(n).PlotFile.StartRow, 2);
        EXPECT_EQ(Series(n).Style.LineColor, COLORREF(255));
        EXPECT_EQ(Series(n).Style.MarkerStyle, 3);
    }
    // Every series had its mask rows applied.
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(MaskedRows(n), 1) << n;
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_TRUE(Repaints());
}

TEST_F(DataFiles, ThreeFilesWithIndividualSettingsRunBothDialogsForEach) {
    BoxFrame expected(*w->Document.Current);
    files.Choose({a, b, c});
    {
        ModalScript script;
        script.Then(kMultiDialog, Choose(102));
        for (int i = 0; i < 3; ++i)
            script.Then(kReadDialog, ModalScript::Ok()).Then(kStyleDialog, ModalScript::Cancel());
        w->CmDataFileOpen();
    }
    EXPECT_EQ(MultiReadChoice[0], 1);
    ASSERT_EQ(Count(), 3);
    EXPECT_EQ(Xs(1), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(Xs(2), (std::vector<double>{0, 5, 6}));
    EXPECT_EQ(Xs(3), (std::vector<double>{10, 20, 30}));
    // Autoscaled once, after all three files.
    ScaleLike(expected, *w->Document.Current, 25);
    EXPECT_EQ(RangeOf(w->Document.Current->BottomAxis), RangeOf(expected.BottomAxis));
    EXPECT_EQ(RangeOf(w->Document.Current->LeftAxis), RangeOf(expected.LeftAxis));
}

TEST_F(DataFiles, CancellingTheSecondFileStopsTheRunAndKeepsTheFirstShown) {
    BoxFrame expected(*w->Document.Current);
    files.Choose({a, b, c});
    {
        ModalScript script;
        script.Then(kMultiDialog, Choose(102))
            .Then(kReadDialog, ModalScript::Ok())
            .Then(kStyleDialog, ModalScript::Cancel())
            .Then(kReadDialog, ModalScript::Cancel());
        w->CmDataFileOpen();
        EXPECT_EQ(script.Seen().size(), 4u);  // nothing opened for the third file
    }
    ASSERT_EQ(Count(), 1);
    EXPECT_STREQ(Series(1).DataFileName, a.c_str());
    // The series that was added is scaled and shown.
    ScaleLike(expected, *w->Document.Current, 25);
    EXPECT_EQ(RangeOf(w->Document.Current->LeftAxis), RangeOf(expected.LeftAxis));
    EXPECT_TRUE(Repaints());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(DataFiles, AFileThatCannotBeReadIsReportedAndTheSeriesBeforeItAreStillShown) {
    BoxFrame expected(*w->Document.Current);
    const std::string gone = QDir(dir.path()).filePath("gone.dat").toStdString();
    files.Choose({a, gone, c});
    {
        ModalScript script;
        script.Then(kMultiDialog, Choose(103))
            .Then(kReadDialog, ModalScript::Ok())
            .Then(kStyleDialog, ModalScript::Cancel());
        w->CmDataFileOpen();
    }
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(35));
    EXPECT_TRUE(boxes.Shown()[0].flags & MB_ICONSTOP);
    ASSERT_EQ(Count(), 1);  // the third file is not tried
    ScaleLike(expected, *w->Document.Current, 25);
    EXPECT_EQ(RangeOf(w->Document.Current->BottomAxis), RangeOf(expected.BottomAxis));
    EXPECT_EQ(RangeOf(w->Document.Current->LeftAxis), RangeOf(expected.LeftAxis));
    EXPECT_TRUE(Repaints());
}

TEST_F(DataFiles, ASingleFileThatCannotBeReadLeavesTheDocumentUnmodified) {
    // The file goes away while the reading dialog is open.
    const std::string gone = Write("gone.dat", "1 2\n");
    const AxisRange y = RangeOf(w->Document.Current->LeftAxis);
    files.Choose({gone});
    {
        ModalScript script;
        script.Then(kReadDialog, [&](PDialog& d) {
            std::remove(gone.c_str());
            ModalScript::Ok()(d);
        });
        w->CmDataFileOpen();
    }
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(35));
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_EQ(RangeOf(w->Document.Current->LeftAxis), y);
    EXPECT_FALSE(Repaints());

    // The service the command line uses answers the same way (the reading
    // dialog's preview has its own message first).
    boxes.Clear();
    {
        ModalScript script;
        script.Then(kReadDialog, ModalScript::Ok());
        EXPECT_EQ(w->OpenDataFile(gone.c_str()), 0);
    }
    ASSERT_FALSE(boxes.Shown().empty());
    EXPECT_EQ(boxes.Shown().back().text, kv::LoadString(35));
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(w->Document.Modified, 0);
    // Cancelling the reading dialog adds nothing and says nothing.
    boxes.Clear();
    {
        ModalScript script;
        script.Then(kReadDialog, ModalScript::Cancel());
        EXPECT_EQ(w->OpenDataFile(a.c_str()), 0);
    }
    EXPECT_EQ(Count(), 0);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(DataFiles, ThousandthSeriesIsRefusedWithAMessage) {
    for (int i = 0; i < MaxPlotCount - 1; ++i) w->Document.Current->PlotList.Add(new TPlot);
    // Three files with common settings: the first fills the list, the second is
    // refused before it is read.
    files.Choose({a, b, c});
    {
        ModalScript script;
        script.Then(kMultiDialog, Choose(103))
            .Then(kReadDialog, ModalScript::Ok())
            .Then(kStyleDialog, ModalScript::Cancel());
        w->CmDataFileOpen();
    }
    EXPECT_EQ(Count(), MaxPlotCount);
    EXPECT_STREQ(Series(MaxPlotCount).DataFileName, a.c_str());
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(1180));
    EXPECT_TRUE(Repaints());

    // A full list opens no dialog at all.
    boxes.Clear();
    files.Choose({b});
    {
        ModalScript script;
        w->CmDataFileOpen();
        EXPECT_TRUE(script.Seen().empty());
    }
    EXPECT_EQ(Count(), MaxPlotCount);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(1180));
}

TEST_F(DataFiles, NamesTheDocumentCannotHoldAreRefusedBeforeAnythingIsRead) {
    const std::string longName = QDir(dir.path()).filePath(QString(250, 'x') + ".dat").toStdString();
    ASSERT_GE(longName.size(), 260u);
    const std::string emoji = QDir(dir.path()).filePath(QString::fromUtf8("\xF0\x9F\x98\x80.dat")).toStdString();
    struct Case {
        std::vector<std::string> chosen;
        int message;
    };
    const Case cases[] = {
        {{longName}, 1161},
        {{a, longName}, 1161},  // refused before the multi-file dialog
        {{emoji}, 1162},
    };
    for (const Case& k : cases) {
        boxes.Clear();
        files.Choose(k.chosen);
        {
            ModalScript script;
            w->CmDataFileOpen();
            EXPECT_TRUE(script.Seen().empty());
        }
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text.rfind(kv::LoadString(k.message), 0), 0u) << boxes.Shown()[0].text;
        EXPECT_EQ(Count(), 0);
        EXPECT_EQ(w->Document.Modified, 0);
    }
    // The service refuses a long name the same way.
    boxes.Clear();
    EXPECT_EQ(w->OpenDataFile(longName.c_str()), 0);
    EXPECT_TRUE(Shown(1161));
}

TEST_F(DataFiles, FileDialogCancelFailureAndTheFilterCarriedOver) {
    files.Cancel();
    w->CmDataFileOpen();
    EXPECT_TRUE(boxes.Shown().empty());

    files.Fail(FNERR_BUFFERTOOSMALL);
    w->CmDataFileOpen();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Error No. #12291");
    EXPECT_EQ(boxes.Shown()[0].caption, "WARNING");
    EXPECT_EQ(Count(), 0);

    // The filter the user ended with is preselected next time.
    files.Choose({a}, 4);
    {
        ModalScript script;
        script.Then(kReadDialog, ModalScript::Cancel());
        w->CmDataFileOpen();
    }
    files.Cancel();
    w->CmDataFileOpen();
    ASSERT_EQ(files.Shown().size(), 4u);
    EXPECT_EQ(files.Shown()[0].filterIndex, 0);
    EXPECT_EQ(files.Shown()[3].filterIndex, 4);
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_FALSE(Repaints());
}

TEST_F(DataFiles, OpenCommandIsEnabled) {
    kv::win::TCommandEnabler ce(CM_DATAFILEOPEN);
    ASSERT_TRUE(w->ProcessCommandEnable(ce));
    EXPECT_TRUE(ce.IsEnabled());
}

}  // namespace
