// The page view object: its fields after construction and after set-up, the
// settings it reads from the profile, its command table and its close check.

#include "chart_fixture.h"
#include "modal_script.h"

#include "model/datafile.h"
#include "model/graphfile.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/profile.h"
#include "platform/stringtable.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QTemporaryDir>

#include <cstring>
#include <fstream>

using charttest::MakeChart;
using charttest::TestApp;

namespace {

TEST(ChartWindowObject, ConstructsWithTheFieldTable) {
    TChartWindow w;
    EXPECT_STREQ(TChartWindow::GetClassName(), "ChartWindow");
    ASSERT_TRUE(w.Document.Env);
    EXPECT_EQ(w.Document.Env->Zoom, 100);
    ASSERT_EQ(w.Document.AxisSets.GetItemsInContainer(), 1);
    EXPECT_EQ(w.Document.CurrentNo, 1);
    EXPECT_EQ(w.Document.Current, w.Document.AxisSets[1]);
    EXPECT_EQ(w.CurrentOnly, 0);
    EXPECT_TRUE(w.FileName.empty());
    EXPECT_EQ(w.Settings.HandleSizeSetting, 100);
    EXPECT_EQ(w.HandleSize, 2);
    EXPECT_EQ(w.InvalidateMarginBase, 100);
    EXPECT_EQ(w.Settings.DataHitAlgorithm, 0);
    EXPECT_STREQ(w.Settings.DataDrive, "A:");
    EXPECT_STREQ(w.Settings.Editor, "");
    EXPECT_EQ(w.Settings.ReloadDataBeforePlot, 0);
    EXPECT_EQ(w.Settings.WMFMargin, 60);
    EXPECT_TRUE(w.ScalingStore);
    EXPECT_EQ(w.Document.Modified, 0);
    EXPECT_FALSE(w.DoubleClicked);
    EXPECT_FALSE(w.WindowDC);
    EXPECT_EQ(w.HandlesShown + w.TextFrameShown + w.LineHandlesShown + w.NodeHandlesShown, 0);
    EXPECT_EQ(w.AxisSelected + w.TextSelected + w.ZukeiSelected + w.MultiSelected + w.PlotSelected, 0);
    EXPECT_EQ(w.Scrolling, 0);
    EXPECT_EQ(w.NodeIndex, -1);
    EXPECT_EQ(w.Anchor, TPoint(0, 0));
    for (const SCROLLINFO* si : {&w.HScrollInfo, &w.VScrollInfo}) {
        EXPECT_EQ(si->cbSize, 28u);
        EXPECT_EQ(si->fMask, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL);
        EXPECT_EQ(si->nMin, 0);
        EXPECT_EQ(si->nMax, 0);
        EXPECT_EQ(si->nPage, 0u);
        EXPECT_EQ(si->nPos, 0);
        EXPECT_EQ(si->nTrackPos, 0);
    }
    EXPECT_EQ(w.Settings.HeaderType + w.Settings.HeaderPosition + w.Settings.FooterType +
                  w.Settings.FooterPosition,
              0);
    EXPECT_EQ(w.CurrentHit, 0);
    EXPECT_EQ(w.DragHit, 0);
    EXPECT_EQ(w.PickTolerance, 5);
    EXPECT_EQ(w.ToolBar, nullptr);
    EXPECT_EQ(w.StatusBar, nullptr);
    EXPECT_TRUE(w.ScratchZukei);
    EXPECT_EQ(w.WatchHidden, 1);
    EXPECT_EQ(w.PolylineActive, 0);
    EXPECT_EQ(w.Defaults.DefaultIsOnlyParameter, 0);
    EXPECT_EQ(w.Defaults.DefaultPaintOrder, 1);
    EXPECT_EQ(w.Quality, 1);
    EXPECT_EQ(w.ManualRefresh, 0);
    ASSERT_EQ(w.FitColumns.size(), 10u);
    for (const auto& c : w.FitColumns) {
        EXPECT_TRUE(c.IsEmpty());
        EXPECT_EQ(c.LowerBound(), 1);
        EXPECT_EQ(c.Delta(), 1000);
    }
    EXPECT_EQ(w.Settings.AutoScaleMargin, 10);
    EXPECT_STREQ(w.PlotReadoutFormat, "[ %s ] %%i=%d %%c=%d (%.15lG, %.15lG)");
    EXPECT_STREQ(w.WatchReadoutFormat, "X=%.15lG Y=%.15lG");
    EXPECT_EQ(w.Settings.DataPrecision, 0);
}

TEST(ChartWindowSetup, WithoutAProfileTakesTheDefaults) {
    TestApp app;
    auto w = MakeChart();
    EXPECT_EQ(w->FileName, "Untitled.kv3");
    EXPECT_EQ(app.Caption(), "Korvida - Untitled.kv3");
    EXPECT_EQ(w->InvalidateMargin, 700);
    EXPECT_EQ(w->Settings.HandleSizeSetting, 10);  // the default 100 is above 30
    EXPECT_EQ(w->HandleSize, 2);          // follows the first zoom change only
    EXPECT_EQ(w->Settings.DataHitAlgorithm, 1);
    EXPECT_STREQ(w->Settings.DataDrive, "A:");
    EXPECT_STREQ(GetDataDrive(), "A:");
    EXPECT_STREQ(w->Settings.Editor, "");
    EXPECT_EQ(w->Settings.ReloadDataBeforePlot, 0);
    EXPECT_EQ(w->Settings.AutoScaleMargin, 10);
    EXPECT_EQ(w->Settings.WMFMargin, 60);
    EXPECT_EQ(w->Settings.DataPrecision, 0);
    EXPECT_STREQ(w->PlotReadoutFormat, "[ %s ] %%i=%d %%c=%d (%G, %G)");
    EXPECT_STREQ(w->WatchReadoutFormat, "X=%G Y=%G");
    EXPECT_EQ(w->ManualRefresh, 0);
    EXPECT_EQ(w->Settings.HeaderType + w->Settings.HeaderPosition + w->Settings.FooterType +
                  w->Settings.FooterPosition,
              0);
    EXPECT_TRUE(app.IsMenuItemChecked(CM_GRIDNONE));
    EXPECT_FALSE(app.IsMenuItemChecked(CM_MANUALREFRESH));
    EXPECT_EQ(w->Document.Env->IsGrid, 0);
    EXPECT_TRUE(w->WindowDC);
    EXPECT_EQ(w->ToolBar, app.ToolPalette());
    EXPECT_EQ(w->StatusBar, app.StatusBar());
    EXPECT_EQ(w->Dragging, 0);
    EXPECT_EQ(w->ButtonDown, 0);
    // No printer: an A4 sheet.
    EXPECT_EQ(w->Document.Env->PrintableWidth, 11338);
    EXPECT_EQ(w->Document.Env->PrintableHeight, 16270);
    EXPECT_EQ(w->Document.Env->PaperWidth, 11905);
    EXPECT_EQ(w->Document.Env->PaperHeight, 16837);
    EXPECT_EQ(w->Document.Env->PrintOffsetX, 283);
    EXPECT_EQ(w->Document.Env->PrintOffsetY, 283);
}

struct ProfileCase {
    const char* lines;
    int handleSize;
    int precision;
    const char* plotFormat;
    int manualRefresh;
};

class ChartWindowProfile : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ChartWindowProfile, ReadsTheWindowAndOtherSections) {
    const ProfileCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TestApp app;
    app.profile = dir.filePath("user.korvida").toStdString();
    {
        std::ofstream f(app.profile);
        f << c.lines;
    }
    auto w = MakeChart();
    EXPECT_EQ(w->Settings.HandleSizeSetting, c.handleSize);
    EXPECT_EQ(w->Settings.DataPrecision, c.precision);
    EXPECT_STREQ(w->PlotReadoutFormat, c.plotFormat);
    EXPECT_EQ(w->ManualRefresh, c.manualRefresh);
    EXPECT_EQ(app.IsMenuItemChecked(CM_MANUALREFRESH), c.manualRefresh != 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChartWindowProfile,
    ::testing::Values(
        ProfileCase{"[Window]\nhandlesize=30\n", 30, 0, "[ %s ] %%i=%d %%c=%d (%G, %G)", 0},
        ProfileCase{"[Window]\nhandlesize=31\n", 10, 0, "[ %s ] %%i=%d %%c=%d (%G, %G)", 0},
        ProfileCase{"[Window]\nhandlesize=0\n", 0, 0, "[ %s ] %%i=%d %%c=%d (%G, %G)", 0},
        ProfileCase{"[Other]\nDataPrecision=1\n", 10, 1, "[ %s ] %%i=%d %%c=%d (%.15lG, %.15lG)", 0},
        // Any other precision keeps the constructor's formats.
        ProfileCase{"[Other]\nDataPrecision=2\n", 10, 2, "[ %s ] %%i=%d %%c=%d (%.15lG, %.15lG)", 0},
        ProfileCase{"[Window]\nManualRefresh=1\n", 10, 0, "[ %s ] %%i=%d %%c=%d (%G, %G)", 1}));

TEST(ChartWindowSetup, ReadsTheOtherKeysAndAppliesTheDefaultFrame) {
    QTemporaryDir dir;
    TestApp app;
    app.profile = dir.filePath("user.korvida").toStdString();
    {
        std::ofstream f(app.profile);
        f << "[Window]\ndatahitalgorithm=3\ndatadrive=D:\\data\nHeaderType=1\nHeaderPosition=2\n"
             "FooterType=2\nFooterPosition=1\n"
             "[Other]\neditor=/usr/bin/editor -x\nReloadDataBeforePlot=1\nAutoScaleMargin=5\nWMFMargin=120\n"
             "[Axis]\nFrameType=2\n[TAxis]\nLabelFormat=2\n";
    }
    auto w = MakeChart();
    EXPECT_EQ(w->Settings.DataHitAlgorithm, 3);
    EXPECT_STREQ(w->Settings.DataDrive, "D:");  // two characters of "D:\data"
    EXPECT_STREQ(GetDataDrive(), "D:");
    EXPECT_STREQ(w->Settings.Editor, "/usr/bin/editor -x");
    EXPECT_EQ(w->Settings.ReloadDataBeforePlot, 1);
    EXPECT_EQ(w->Settings.AutoScaleMargin, 5);
    EXPECT_EQ(w->Settings.WMFMargin, 120);
    EXPECT_EQ(w->Settings.HeaderType, 1);
    EXPECT_EQ(w->Settings.HeaderPosition, 2);
    EXPECT_EQ(w->Settings.FooterType, 2);
    EXPECT_EQ(w->Settings.FooterPosition, 1);
    // An Independent frame keeps the profile's label format of the top axis.
    EXPECT_EQ(w->Defaults.DefaultFrame.FrameType, 2);
    EXPECT_EQ(w->Document.Current->Frame.FrameType, 2);
    EXPECT_EQ(w->Document.Current->TopAxis.LabelFormat, 2);
    SetDataDrive("A:");
}

TEST(ChartWindowSetup, BoxFrameStartsWithoutTopAndRightLabels) {
    QTemporaryDir dir;
    TestApp app;
    app.profile = dir.filePath("user.korvida").toStdString();
    {
        std::ofstream f(app.profile);
        f << "[Axis]\nFrameType=0\n[TAxis]\nLabelFormat=2\n[RAxis]\nLabelFormat=1\n";
    }
    auto w = MakeChart();
    EXPECT_EQ(w->Document.Current->TopAxis.LabelFormat, 0);
    EXPECT_EQ(w->Document.Current->RightAxis.LabelFormat, 0);
    EXPECT_EQ(w->Defaults.DefaultAxes[DefaultTopAxis].LabelFormat, 2);
}

TEST(ChartWindowSetup, DataDriveKeepsAtMostTwoCharacters) {
    TChartWindow w;
    struct {
        const char* in;
        const char* out;
    } cases[] = {{"C:", "C:"}, {"E:\\long\\path", "E:"}, {"Z", "Z"}, {"", ""}, {nullptr, ""}};
    for (const auto& c : cases) {
        w.SetDataDrive(c.in);
        EXPECT_STREQ(w.Settings.DataDrive, c.out);
        EXPECT_STREQ(GetDataDrive(), c.out);
    }
    w.SetDataDrive("A:");
}

TEST(ChartWindowSetup, PrinterPageInTwips) {
    TestApp app;
    app.printer = std::make_unique<kv::win::TPrinterPage>();
    // 600 x 300 dpi; printable 4800 x 3000 pixels on a 5100 x 3300 sheet.
    *app.printer = {600, 300, 4800, 3000, 5100, 3300, 150, 151};
    TChartWindow w;
    w.GetPageMetrics();
    EXPECT_EQ(w.Document.Env->PrintableWidth, 11520);
    EXPECT_EQ(w.Document.Env->PrintableHeight, 14400);
    EXPECT_EQ(w.Document.Env->PaperWidth, 12240);
    EXPECT_EQ(w.Document.Env->PaperHeight, 15840);
    EXPECT_EQ(w.Document.Env->PrintOffsetX, 360);
    EXPECT_EQ(w.Document.Env->PrintOffsetY, 725);  // 151 x 1440 / 300 = 724.8, rounded
    // A printer that reports no resolution is no printer.
    *app.printer = {0, 0, 4800, 3000, 5100, 3300, 150, 150};
    w.GetPageMetrics();
    EXPECT_EQ(w.Document.Env->PaperWidth, A4PaperWidth);
    EXPECT_EQ(w.Document.Env->PrintOffsetY, A4PrintOffset);
}

TEST(ChartWindowSetup, PrinterPageFromAQtLayout) {
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 10, 5, 10),
                         QPageLayout::Millimeter);
    const kv::win::TPrinterPage page = kv::win::PrinterPageFromLayout(a4, 600);
    EXPECT_EQ(page.LogPixelsX, 600);
    // Qt sizes pages in points: 210 mm is 4958 pixels rather than 4961.
    EXPECT_NEAR(page.PhysicalWidth, 4961, 4);
    EXPECT_NEAR(page.PhysicalHeight, 7016, 4);
    EXPECT_NEAR(page.PrintOffsetX, 118, 2);  // 5 mm
    EXPECT_NEAR(page.PrintOffsetY, 236, 4);  // 10 mm
    EXPECT_NEAR(page.HorzRes, page.PhysicalWidth - 2 * page.PrintOffsetX, 1);
    EXPECT_NEAR(page.VertRes, page.PhysicalHeight - 2 * page.PrintOffsetY, 1);
}

TEST(ChartWindowServices, CurrentAxisSetAndMemoryData) {
    TestApp app;
    auto w = MakeChart();
    w->ShowCurrentAxisSet();
    EXPECT_EQ(app.StatusBar()->GetGadgetText(AxisSetGadget), "Axis 1");
    auto fileSeries = std::make_unique<TPlot>();
    fileSeries->IsFileData = 1;
    ASSERT_TRUE(w->Document.Current->PlotList.Add(fileSeries));
    EXPECT_EQ(w->HasMemoryData(), 0);
    auto second = std::make_unique<BoxFrame>();
    auto memory = std::make_unique<TPlot>();
    memory->IsFileData = 0;
    ASSERT_TRUE(second->PlotList.Add(memory));
    ASSERT_TRUE(w->Document.AxisSets.Add(second));
    EXPECT_EQ(w->HasMemoryData(), 1);
    w->Document.AxisSets[2]->IsOnlyParameter = 1;
    w->SetOnlyParameterAll();
    EXPECT_EQ(w->Document.AxisSets[2]->PlotList[1]->IsOnlyParameter, 1);
    EXPECT_EQ(w->Document.AxisSets[1]->PlotList[1]->IsOnlyParameter, 0);
}

// ---- Commands.

class FrameTarget : public kv::win::TCommandTarget {
public:
    bool ProcessCommand(int id) override {
        ran.push_back(id);
        return id == 999 || id == CM_ZOOM100;
    }
    bool ProcessCommandEnable(kv::win::TCommandEnabler& ce) override {
        if (ce.GetId() != 999 && ce.GetId() != CM_ZOOM100) return false;
        ce.Enable(true);
        return true;
    }
    std::vector<int> ran;
};

TEST(ChartWindowCommands, EveryTableEntryRunsItsHandlerOrIsDisabled) {
    TestApp app;
    auto w = MakeChart();
    kv::win::TCommandRouter router;
    router.SetTargets({w.get()});
    const auto& table = TChartWindow::CommandTable();
    ASSERT_EQ(table.Count(), 80);
    // Commands that open dialogs find a user who cancels them.
    charttest::CancelEveryDialog cancel;
    kv::ScriptedFileDialogs files;
    // ...and answer every question with its "no".
    auto previous = kv::SetMessageBoxHandler([](const kv::MessageBoxRequest& request) {
        switch (request.flags & MB_TYPEMASK) {
        case MB_OK: return IDOK;
        case MB_YESNO: return IDNO;
        default: return IDCANCEL;
        }
    });
    int enabled = 0;
    for (int i = 0; i < table.Count(); ++i) {
        const int id = table[i].Id;
        SCOPED_TRACE(id);
        // With nothing selected the commands of a selection are disabled; the
        // rest run whenever they have a handler.
        const bool expected = table[i].Handler != nullptr &&
                              (table[i].Enabler == nullptr || id == CM_CURRENTAXISSETONLY);
        EXPECT_EQ(router.IsEnabled(id), expected);
        const int modifiedBefore = w->Document.Modified;
        EXPECT_EQ(router.Execute(id), expected);
        // The data manager works on the document while it is open: it always
        // leaves the graph marked.
        if (id != CM_DATAMANAGER) {
            EXPECT_EQ(w->Document.Modified, modifiedBefore);
        }
        w->Document.Modified = modifiedBefore;
        enabled += expected;
    }
    kv::SetMessageBoxHandler(std::move(previous));
    EXPECT_EQ(enabled, 49);
}

TEST(ChartWindowCommands, RoutedChartWindowFirstThenFrame) {
    TestApp app;
    auto w = MakeChart();
    FrameTarget frame;
    kv::win::TCommandRouter router;
    router.SetTargets({w.get(), &frame, nullptr});
    EXPECT_TRUE(router.Execute(CM_ZOOM100));  // the chart window's
    EXPECT_TRUE(frame.ran.empty());
    EXPECT_TRUE(router.Execute(999));  // nobody before the frame answers it
    EXPECT_EQ(frame.ran, std::vector<int>{999});
    // A command the chart window lists but cannot run now stays with it: disabled.
    EXPECT_FALSE(router.IsEnabled(CM_PLOTSTYLE));
    EXPECT_FALSE(router.Execute(CM_PLOTSTYLE));
    EXPECT_FALSE(router.IsEnabled(12345));
}

TEST(ChartWindowCommands, BoundActionsFollowTheirCommandsState) {
    TestApp app;
    auto w = MakeChart();
    kv::win::TCommandRouter router;
    router.SetTargets({w.get()});
    QAction zoom("zoom"), frame("frame"), grid("grid");
    router.BindAction(&zoom, CM_ZOOM50);
    router.BindAction(&frame, CM_PLOTSTYLE);
    router.BindAction(&grid, CM_GRIDNONE);
    router.SetCheck(CM_GRIDNONE, true);
    router.UpdateActions();
    EXPECT_TRUE(zoom.isEnabled());
    EXPECT_FALSE(frame.isEnabled());
    EXPECT_TRUE(grid.isChecked());
    zoom.trigger();
    EXPECT_EQ(w->Document.Env->Zoom, 50);
}

// ---- The close check.

struct CloseCase {
    const char* name;
    int modified;
    std::vector<int> answers;
    int saveResult;          // what SaveGraph answers
    bool saveWrites;         // whether it really wrote (clears Modified)
    bool expected;
    int expectedSaveCalls;
};

class ChartWindowClose : public ::testing::TestWithParam<CloseCase> {};

TEST_P(ChartWindowClose, PassesOnlyWhenNothingIsLost) {
    const CloseCase& c = GetParam();
    TestApp app;
    auto w = MakeChart();
    w->Document.Modified = c.modified;
    app.save = [&] {
        if (c.saveWrites) w->Document.Modified = 0;
        return c.saveResult;
    };
    kv::ScriptedMessageBoxes boxes(c.answers);
    EXPECT_EQ(w->CanClose(), c.expected);
    EXPECT_EQ(app.saveGraphCalls, c.expectedSaveCalls);
    if (c.modified) {
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(32));
        EXPECT_EQ(boxes.Shown()[0].caption, kv::LoadString(33));
        EXPECT_EQ(boxes.Shown()[0].flags, MB_YESNOCANCEL | MB_ICONQUESTION);
    } else {
        EXPECT_TRUE(boxes.Shown().empty());
    }
    // The profile is written and the help closed exactly when the check passes.
    EXPECT_EQ(app.saveSettingsCalls, c.expected ? 1 : 0);
    if (c.expected) {
        ASSERT_EQ(app.closedHelp.size(), 1u);
        EXPECT_EQ(app.closedHelp[0], "/opt/korvida/KORVIDA.HLP");
    } else {
        EXPECT_TRUE(app.closedHelp.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Branches, ChartWindowClose,
    ::testing::Values(CloseCase{"Clean", 0, {}, 1, true, true, 0},
                      CloseCase{"No", 1, {IDNO}, 1, true, true, 0},
                      CloseCase{"Cancel", 1, {IDCANCEL}, 1, true, false, 0},
                      CloseCase{"YesSaved", 1, {IDYES}, 1, true, true, 1},
                      CloseCase{"YesDialogCancelled", 1, {IDYES}, 0, false, false, 1},
                      // A save that claims success without writing keeps the window.
                      CloseCase{"YesWriteFailedButReportedDone", 1, {IDYES}, 1, false, false, 1}),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

TEST(ChartWindowClose, YesWithAFailingWriteKeepsTheGraph) {
    QTemporaryDir dir;
    TestApp app;
    auto w = MakeChart();
    w->Document.Modified = 1;
    // The save writes the document as the File menu does, into a folder that does
    // not exist.
    const std::string target = dir.filePath("missing/graph.kv3").toStdString();
    app.save = [&] { return WriteGraphFile(w->Document, target, w->MakeGraphFileHooks()); };
    kv::ScriptedMessageBoxes boxes({IDYES, IDOK});
    EXPECT_FALSE(w->CanClose());
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(app.saveSettingsCalls, 0);
    EXPECT_GE(boxes.Shown().size(), 2u);  // the question and the write error

    // Into a folder that exists it works and the check passes.
    const std::string good = dir.filePath("graph.kv3").toStdString();
    app.save = [&] { return WriteGraphFile(w->Document, good, w->MakeGraphFileHooks()); };
    kv::ScriptedMessageBoxes again({IDYES});
    EXPECT_TRUE(w->CanClose());
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_EQ(app.saveSettingsCalls, 1);
}

TEST(ChartWindowClose, WithoutAnApplicationTheSaveReportsFailure) {
    auto w = MakeChart();
    w->Document.Modified = 1;
    kv::ScriptedMessageBoxes boxes({IDYES, IDOK});
    EXPECT_FALSE(w->CanClose());
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[1].text, kv::LoadString(26));
    EXPECT_EQ(boxes.Shown()[1].flags & MB_ICONMASK, MB_ICONSTOP);
}

}  // namespace
