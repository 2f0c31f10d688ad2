// The commands of the selected series: style on a copy, reading the file again,
// drawing order with the texts' series references following, delete, duplicate,
// the editor and the information text, the mask of the picked row, and saving a
// memory series as a text file that reads back; with their enable rules and
// what they do with a selection that no longer names a series or a row.

#include "chart_fixture.h"
#include "modal_script.h"

#include "dialogs/datamanager.h"
#include "dialogs/kit/controls.h"
#include "support/helpers/sample_document.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using charttest::MakeChart;
using charttest::ModalScript;
using charttest::TestApp;

namespace {

constexpr int kReadDialog = 3;
constexpr int kStyleDialog = 4;
constexpr int kInfoDialog = 26;
const double kInf = std::numeric_limits<double>::infinity();

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class SeriesCommands : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        ASSERT_TRUE(dir.isValid());
        w = MakeChart();
        w->CmZoom50();
        set = w->Document.Current;
        for (int i = 1; i <= 3; ++i) {
            auto p = kvtest::MakeSampleSeries(6, i);
            p->Info = "series " + std::to_string(i);
            set->PlotList.Add(p.release());
        }
        auto legend = std::make_unique<TText>();
        legend->String = "%d001 %d002 %d003";
        set->TextList.Add(legend.release());
        w->UpdateWindow();
    }
    std::string Path(const std::string& name) const {
        return QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString();
    }
    void Select(int n, int row = 0) {
        w->PlotSelected = 1;
        w->SelectedPlot = n;
        w->SelectedRow = row;
    }
    TPlot& Series(int n) const { return *set->PlotList[n]; }
    int Count() const { return set->PlotList.GetItemsInContainer(); }
    const std::string& Legend() const { return set->TextList[1]->String; }
    bool Enabled(int id) {
        kv::win::TCommandEnabler ce(id);
        EXPECT_TRUE(w->ProcessCommandEnable(ce));
        return ce.IsEnabled();
    }
    bool Repaints() const { return w->GetInvalidRegion().contains(QRect(0, 0, 800, 600)); }
    // A memory series of three rows.
    TPlot& AddMemorySeries(const std::string& info) {
        auto p = std::make_unique<TPlot>();
        p->IsFileData = 0;
        std::strcpy(p->DataFileName, "Memory Data");
        const double xs[] = {0.1, 2, 3}, ys[] = {1, kInf, -4.5E-20};
        for (int i = 0; i < 3; ++i) {
            p->AddX(TDataElement(xs[i]));
            p->AddY(TDataElement(ys[i]));
        }
        p->Info = info;
        TPlot* raw = p.get();
        set->PlotList.Add(p.release());
        return *raw;
    }

    TestApp app;
    QTemporaryDir dir;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
};

TEST_F(SeriesCommands, EnableRulesFollowTheSelectedSeriesKind) {
    const int any[] = {CM_PLOTSTYLE, CM_PLOTTOTOP, CM_PLOTUP, CM_PLOTDOWN, CM_PLOTTOBOTTOM, CM_PLOTDELETE,
                       CM_PLOTDUPLICATE, CM_PLOTLINEARFIT, CM_PLOTNONLINEARFIT, CM_PLOTMASK, CM_PLOTINFO};
    const int fileOnly[] = {CM_PLOTRELOAD, CM_PLOTEDITOR};
    for (int id : any) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(CM_PLOTSAVETOFILE));

    Select(2);
    for (int id : any) EXPECT_TRUE(Enabled(id)) << id;
    for (int id : fileOnly) EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(CM_PLOTSAVETOFILE));

    Series(2).IsFileData = 0;
    for (int id : fileOnly) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(CM_PLOTSAVETOFILE));

    // A number beyond the list (the series went since it was picked).
    Select(7);
    for (int id : any) EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(SeriesCommands, DrawingOrderRenumbersTheSeriesReferences) {
    struct Case {
        int id, selected;
        const char* legend;
        int firstInfo;  // which series stands first afterwards
    };
    const Case cases[] = {
        {CM_PLOTTOTOP, 1, "%d003 %d001 %d002", 2},    {CM_PLOTUP, 1, "%d002 %d001 %d003", 2},
        {CM_PLOTDOWN, 3, "%d001 %d003 %d002", 1},     {CM_PLOTTOBOTTOM, 3, "%d002 %d003 %d001", 3},
        {CM_PLOTUP, 3, "%d001 %d002 %d003", 1},       {CM_PLOTDOWN, 1, "%d001 %d002 %d003", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " on " << c.selected);
        SetUp();
        Select(c.selected);
        EXPECT_TRUE(w->ProcessCommand(c.id));
        EXPECT_EQ(Legend(), c.legend);
        EXPECT_EQ(Series(1).Info, "series " + std::to_string(c.firstInfo));
        // Also when nothing moved.
        EXPECT_EQ(w->PlotSelected, 0);
        EXPECT_EQ(w->Document.Modified, 1);
        EXPECT_TRUE(Repaints());
    }
}

TEST_F(SeriesCommands, DeleteAsksThenRemovesAndMarksItsReferences) {
    Select(2);
    {
        kv::ScriptedMessageBoxes boxes({IDCANCEL});
        w->CmPlotDelete();
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(36));
        EXPECT_EQ(boxes.Shown()[0].caption, "CAUTION");
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL | MB_ICONQUESTION);
    }
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(w->PlotSelected, 1);
    EXPECT_EQ(w->Document.Modified, 0);
    {
        kv::ScriptedMessageBoxes boxes({IDOK});
        EXPECT_TRUE(w->ProcessCommand(CM_PLOTDELETE));
    }
    ASSERT_EQ(Count(), 2);
    EXPECT_EQ(Series(2).Info, "series 3");
    EXPECT_EQ(Legend(), "%d001 ***** %d002");
    EXPECT_EQ(w->PlotSelected, 0);
    EXPECT_EQ(w->Document.Modified, 1);

    // With no series selected the cleared selection still says series 1: no
    // question, nothing deleted.
    kv::ScriptedMessageBoxes boxes;
    w->CmPlotDelete();
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(Count(), 2);
}

TEST_F(SeriesCommands, DuplicateAppendsAFullCopyOrSaysTheListIsFull) {
    Select(2);
    w->CmPlotDuplicate();
    ASSERT_EQ(Count(), 4);
    EXPECT_EQ(Series(4).Info, "series 2");
    EXPECT_STREQ(Series(4).DataFileName, Series(2).DataFileName);
    EXPECT_EQ(Series(4).XData, Series(2).XData);
    EXPECT_EQ(Series(4).YData, Series(2).YData);
    EXPECT_EQ(Series(4).Style.LineColor, Series(2).Style.LineColor);
    EXPECT_EQ(Legend(), "%d001 %d002 %d003");
    EXPECT_EQ(w->PlotSelected, 0);
    EXPECT_EQ(w->Document.Modified, 1);

    while (!set->PlotList.IsFull()) set->PlotList.Add(new TPlot);
    w->Document.Modified = 0;
    Select(2);
    kv::ScriptedMessageBoxes boxes;
    w->CmPlotDuplicate();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(1180));
    EXPECT_EQ(Count(), MaxPlotCount);
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_EQ(w->PlotSelected, 1);
}

TEST_F(SeriesCommands, StyleWorksOnACopyAndAppliesTheMaskRowsOnOk) {
    Series(2).Style.MaskRows = "1";
    Series(2).ApplyMask("1", 0);
    Select(2);
    const TPlotStyle before = Series(2).Style;
    {
        ModalScript script;
        script.Then(kStyleDialog, [](PDialog& d) {
            ModalScript::Press(122)(d);  // hollow: changes the dialog's style at once
            ModalScript::Cancel()(d);
        });
        w->CmPlotStyle();
    }
    EXPECT_EQ(Series(2).Style.MarkerInsidePaint, before.MarkerInsidePaint);
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_EQ(w->PlotSelected, 1);

    {
        ModalScript script;
        script.Then(kStyleDialog, [](PDialog& d) {
            ModalScript::Press(122)(d);
            d.Control<PEdit>(101)->SetText("3-4");
            ModalScript::Ok()(d);
        });
        EXPECT_TRUE(w->ProcessCommand(CM_PLOTSTYLE));
    }
    EXPECT_NE(Series(2).Style.MarkerInsidePaint, before.MarkerInsidePaint);
    EXPECT_EQ(Series(2).Style.MaskRows, "3-4");
    const TDataColumn& x = Series(2).XData;
    EXPECT_EQ(x[0].Flag, 0);  // no longer listed
    EXPECT_EQ(x[2].Flag, DataFlagMasked);
    EXPECT_EQ(x[3].Flag, DataFlagMasked);
    EXPECT_EQ(x[4].Flag, 0);
    EXPECT_EQ(Series(2).XData.GetItemsInContainer(), 6);  // the data is not touched
    EXPECT_EQ(w->PlotSelected, 0);
    EXPECT_EQ(w->Document.Modified, 1);
}

TEST_F(SeriesCommands, ReloadReadsTheFileAgainAndKeepsTheDataWhenItFails) {
    const std::string file = Path("r.dat");
    std::ofstream(file) << "1 10\n2 20\n";
    auto p = std::make_unique<TPlot>();
    std::strcpy(p->DataFileName, file.c_str());
    ASSERT_EQ(p->ReadData(), 1);
    set->PlotList.Add(p.release());
    Select(4);

    std::ofstream(file) << "1 10\n2 20\n3 30\n";
    {
        ModalScript script;
        script.Then(kReadDialog, ModalScript::Ok());
        EXPECT_TRUE(w->ProcessCommand(CM_PLOTRELOAD));
    }
    EXPECT_EQ(Series(4).XData.GetItemsInContainer(), 3);
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(w->PlotSelected, 0);

    // The file has gone: the message, and the series keeps what it had.
    QFile::remove(QString::fromStdString(file));
    w->Document.Modified = 0;
    Select(4);
    kv::ScriptedMessageBoxes boxes;
    {
        ModalScript script;
        script.Then(kReadDialog, ModalScript::Ok());
        w->CmPlotReload();
    }
    ASSERT_FALSE(boxes.Shown().empty());
    EXPECT_EQ(boxes.Shown().back().text, kv::LoadString(35));
    EXPECT_EQ(Series(4).XData.GetItemsInContainer(), 3);
    EXPECT_EQ(Series(4).YData[2].Value, 30);
    EXPECT_EQ(w->Document.Modified, 1);

    // Cancel changes nothing.
    w->Document.Modified = 0;
    Select(4);
    {
        ModalScript script;
        script.Then(kReadDialog, ModalScript::Cancel());
        w->CmPlotReload();
    }
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_EQ(w->PlotSelected, 1);
}

TEST_F(SeriesCommands, MaskAppendsThePickedRowAndAppliesTheList) {
    Select(1, 4);
    {
        kv::ScriptedMessageBoxes boxes({IDCANCEL});
        w->CmPlotMask();
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(112));
        EXPECT_EQ(boxes.Shown()[0].caption, "CAUTION");
    }
    EXPECT_EQ(Series(1).Style.MaskRows, "");
    EXPECT_EQ(w->PlotSelected, 1);

    kv::ScriptedMessageBoxes boxes;  // OK from here on
    EXPECT_TRUE(w->ProcessCommand(CM_PLOTMASK));
    EXPECT_EQ(Series(1).Style.MaskRows, "5");
    EXPECT_EQ(Series(1).XData[4].Flag, DataFlagMasked);
    EXPECT_EQ(w->PlotSelected, 0);
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_TRUE(Repaints());

    Select(1, 1);
    w->CmPlotMask();
    Select(1, 1);
    w->CmPlotMask();
    EXPECT_EQ(Series(1).Style.MaskRows, "5,2,2");
    EXPECT_EQ(Series(1).XData[1].Flag, DataFlagMasked);
    EXPECT_EQ(Series(1).XData[4].Flag, DataFlagMasked);

    // A list of blanks is an empty list; a row already flagged "*" stays so.
    Series(2).Style.MaskRows = "  ";
    Series(2).XData[2].Flag = DataFlagStar;
    Select(2, 2);
    w->CmPlotMask();
    EXPECT_EQ(Series(2).Style.MaskRows, "3");
    EXPECT_EQ(Series(2).XData[2].Flag, DataFlagStar);

    // A row the series no longer has: no question, nothing appended.
    boxes.Clear();
    Select(3, 6);
    w->CmPlotMask();
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(Series(3).Style.MaskRows, "");
}

TEST_F(SeriesCommands, InformationAndEditor) {
    Select(1);
    {
        ModalScript script;
        script.Then(kInfoDialog, [](PDialog& d) {
            d.Control<PMultiEdit>(101)->SetText("new\r\ntext");
            ModalScript::Press(IDCANCEL)(d);
        });
        EXPECT_TRUE(w->ProcessCommand(CM_PLOTINFO));
    }
    EXPECT_EQ(Series(1).Info, "new\r\ntext");
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(w->PlotSelected, 1);
    w->Document.Modified = 0;

    const std::string file = Path("e.dat");
    std::ofstream(file) << "1 1\n";
    std::strcpy(Series(1).DataFileName, file.c_str());
    std::strcpy(w->Settings.Editor, "myeditor -n");
    QStringList started;
    auto before = kv::SetDetachedStarter([&](const QString& program, const QStringList& args) {
        started = QStringList{program} + args;
        return true;
    });
    EXPECT_TRUE(w->ProcessCommand(CM_PLOTEDITOR));
    kv::SetDetachedStarter(std::move(before));
    EXPECT_EQ(started, (QStringList{"myeditor", "-n", QString::fromStdString(file)}));
    EXPECT_EQ(w->Document.Modified, 0);
}

// ---- Saving a memory series as text

TEST_F(SeriesCommands, SaveAsTextWritesTheCommentBlockAndRowsThatReadBack) {
    TPlot& m = AddMemorySeries("a\r\nb");
    Select(4);
    const std::string file = Path("m.csv");
    kv::ScriptedFileDialogs dialogs;
    dialogs.Choose({file});
    EXPECT_TRUE(w->ProcessCommand(CM_PLOTSAVETOFILE));

    ASSERT_EQ(dialogs.Shown().size(), 1u);
    const kv::FileDialogRequest& r = dialogs.Shown()[0];
    EXPECT_EQ(r.kind, kv::FileDialogKind::Save);
    EXPECT_EQ(r.title, kv::LoadString(78));
    EXPECT_EQ(r.defExt, "csv");
    EXPECT_EQ(r.flags, 0x81806u);
    ASSERT_EQ(r.filters.size(), 4u);
    EXPECT_EQ(r.filters[0].pattern, "*.dat");

    EXPECT_EQ(ReadFile(file),
              "'  Created by Korvida \r\n"
              "'   \r\n"
              "'a \r\n"
              "'b \r\n"
              "  0.1 , 1   \r\n"
              "  2 , *   \r\n"
              "  3 , -4.5E-20   \r\n");
    EXPECT_EQ(m.IsFileData, 1);
    EXPECT_STREQ(m.DataFileName, file.c_str());
    EXPECT_EQ(m.Info, "");
    EXPECT_EQ(m.PlotFile.StartRow, 5);
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(w->PlotSelected, 1);  // the page does not change
    // Now a file series: the command is off, reloading is on.
    EXPECT_FALSE(Enabled(CM_PLOTSAVETOFILE));
    EXPECT_TRUE(Enabled(CM_PLOTRELOAD));

    // Reading it again gives the same values and a "*" field.
    ASSERT_EQ(m.ReadData(), 1);
    ASSERT_EQ(m.XData.GetItemsInContainer(), 3);
    EXPECT_EQ(m.XData[0].Value, 0.1);
    EXPECT_EQ(m.YData[0].Value, 1);
    EXPECT_EQ(m.YData[1].Flag, DataFlagStar);
    EXPECT_EQ(m.YData[2].Value, -4.5E-20);

    // The next save proposes the name chosen last.
    AddMemorySeries("");
    Select(5);
    dialogs.Cancel();
    w->CmPlotSaveToFile();
    EXPECT_EQ(dialogs.Shown().back().fileName, file);
}

TEST_F(SeriesCommands, SaveAsTextCommentLinesFollowTheInformationText) {
    struct Case {
        const char* info;
        int startRow;
        const char* tail;  // the comment lines after the first two
    };
    const Case cases[] = {{"", 4, "' \r\n"}, {"a\r\nb\r\n", 6, "'a \r\n'b \r\n' \r\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.info);
        SetUp();
        TPlot& m = AddMemorySeries(c.info);
        m.XData.Flush();
        m.YData.Flush();
        Select(4);
        const std::string file = Path("c.csv");
        kv::ScriptedFileDialogs dialogs;
        dialogs.Choose({file});
        w->CmPlotSaveToFile();
        EXPECT_EQ(ReadFile(file), std::string("'  Created by Korvida \r\n'   \r\n") + c.tail);
        EXPECT_EQ(m.PlotFile.StartRow, c.startRow);
        ASSERT_EQ(m.ReadData(), 1);
        EXPECT_EQ(m.XData.GetItemsInContainer(), 0);
    }
}

TEST_F(SeriesCommands, SaveAsTextFailuresLeaveTheSeriesAMemorySeries) {
    TPlot& m = AddMemorySeries("info");
    Select(4);
    {
        // Cancelled: nothing. A failing dialog: its error number.
        kv::ScriptedFileDialogs dialogs;
        kv::ScriptedMessageBoxes boxes;
        dialogs.Cancel();
        w->CmPlotSaveToFile();
        EXPECT_TRUE(boxes.Shown().empty());
        dialogs.Fail(FNERR_INVALIDFILENAME);
        w->CmPlotSaveToFile();
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, "Error No. #12290");
        EXPECT_EQ(boxes.Shown()[0].caption, "WARNING");
    }
    {
        // The file cannot be made.
        kv::ScriptedFileDialogs dialogs;
        kv::ScriptedMessageBoxes boxes;
        const std::string file = Path("no/such/dir/m.csv");
        dialogs.Choose({file});
        w->CmPlotSaveToFile();
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(26));
        EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));
    }
    EXPECT_EQ(m.IsFileData, 0);
    EXPECT_EQ(m.Info, "info");
    EXPECT_STREQ(m.DataFileName, "Memory Data");
    EXPECT_EQ(w->Document.Modified, 0);

    // A file series is its file already: no dialog.
    Select(1);
    kv::ScriptedFileDialogs dialogs;
    w->CmPlotSaveToFile();
    EXPECT_TRUE(dialogs.Shown().empty());
}

}  // namespace
