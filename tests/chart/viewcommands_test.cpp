// The view commands: grid, draft, zoom to the graph and to the paper, paper colour,
// manual refresh, redraw and help. None marks the graph modified.

#include "chart_fixture.h"

#include "platform/colordialog.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

namespace {

class HelpApp : public charttest::TestApp {
public:
    void OpenHelp(const std::string& file) override { opened.push_back(file); }
    std::vector<std::string> opened;
};

class ViewCommands : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        w = charttest::MakeChart(800, 600);
        router.SetTargets({w.get()});
    }
    bool Run(int id) { return router.Execute(id); }
    bool Checked(int id) const { return app.IsMenuItemChecked(id); }

    HelpApp app;
    std::unique_ptr<TChartWindow> w;
    kv::win::TCommandRouter router;
};

TEST_F(ViewCommands, GridItemsSetGridAndPitchWithOneCheckMark) {
    struct Case {
        int id;
        int isGrid;
        int pitch;
    };
    for (const Case c : {Case{CM_GRID5, 1, 100}, Case{CM_GRID15, 1, 300}, Case{CM_GRID20, 1, 400},
                         Case{CM_GRID10, 1, 200}, Case{CM_GRIDNONE, 0, 200}}) {
        ASSERT_TRUE(Run(c.id));
        EXPECT_EQ(w->Document.Env->IsGrid, c.isGrid) << c.id;
        EXPECT_EQ(w->Document.Env->GridPitch, c.pitch) << c.id;
        for (int id : {CM_GRIDNONE, CM_GRID5, CM_GRID10, CM_GRID15, CM_GRID20})
            EXPECT_EQ(Checked(id), id == c.id) << c.id << " item " << id;
    }
    EXPECT_EQ(w->Document.Modified, 0);
}

TEST_F(ViewCommands, DraftTogglesQualityAndItsCheckMark) {
    ASSERT_TRUE(Run(CM_DRAFT));
    EXPECT_EQ(w->Quality, 0);
    EXPECT_TRUE(Checked(CM_DRAFT));
    ASSERT_TRUE(Run(CM_DRAFT));
    EXPECT_EQ(w->Quality, 1);
    EXPECT_FALSE(Checked(CM_DRAFT));
}

TEST_F(ViewCommands, FitZoom) {
    // 96 dpi: 15 twips a pixel. 800 x 600 pixels show 12000 x 9000 twips at 100 %.
    EXPECT_EQ(w->CalcFitZoom(0, 0, 12000, 9000), 100);
    EXPECT_EQ(w->CalcFitZoom(0, 0, 6000, 9000), 100);   // the height limits
    EXPECT_EQ(w->CalcFitZoom(0, 0, 6000, 4500), 200);
    EXPECT_EQ(w->CalcFitZoom(100, 0, 100, 9000), 25);   // no width
    EXPECT_EQ(w->CalcFitZoom(0, 0, 1200000, 900000), 25);  // never below 25
    EXPECT_EQ(w->CalcFitZoom(0, 0, -12000, 9000), 25);
}

TEST_F(ViewCommands, FitPaperTakesNinetyFivePercentOfTheSheetsFit) {
    // A4: the sheet 11905 x 16837 twips; 600 pixels of height fit it at 53 %.
    ASSERT_TRUE(Run(CM_FITPAPER));
    EXPECT_EQ(w->Document.Env->Zoom, 50);  // 53 x 0.95 = 50.35
    EXPECT_EQ(app.StatusBar()->GetGadgetText(ZoomGadget), " 50%");
    // On a small window the fit is at its floor of 25, and 95 % of it below.
    w->SetClientSize(100, 100);
    ASSERT_TRUE(Run(CM_FITPAPER));
    EXPECT_EQ(w->Document.Env->Zoom, 23);
    EXPECT_EQ(app.StatusBar()->GetGadgetText(ZoomGadget), " 23%");
    EXPECT_EQ(w->Document.Modified, 0);
}

TEST_F(ViewCommands, FitGraphFitsEverySetOrTheCurrentOneAlone) {
    auto second = std::make_unique<BoxFrame>();
    second->Frame.OriginX = 6000;
    second->Frame.OriginY = 9000;
    w->Document.AxisSets.Add(second);
    ASSERT_TRUE(Run(CM_FITGRAPH));
    const TRect all = w->GetGraphExtent();
    EXPECT_EQ(w->Document.Env->Zoom, w->CalcFitZoom(all.left, all.top, all.right, all.bottom));
    const int allZoom = w->Document.Env->Zoom;

    w->CurrentOnly = 1;
    ASSERT_TRUE(Run(CM_FITGRAPH));
    const TRect one = w->GetCurrentFrameExtent();
    EXPECT_EQ(w->Document.Env->Zoom, w->CalcFitZoom(one.left, one.top, one.right, one.bottom));
    EXPECT_GT(w->Document.Env->Zoom, allZoom);
    // The view is centred on the set (the whole sheet does not fit at this zoom).
    EXPECT_EQ(w->Document.Env->ViewCenterX, (one.left + one.right) / 2);
    EXPECT_EQ(w->Document.Env->ViewCenterY, (one.top + one.bottom) / 2);
    EXPECT_EQ(w->Document.Modified, 0);
}

TEST_F(ViewCommands, PaperColourDialogKeepsItsCustomColoursForTheRun) {
    kv::ScriptedColorDialogs colors;
    const COLORREF before = w->Document.Env->PaperColor;
    colors.Cancel();
    ASSERT_TRUE(Run(CM_PAPERCOLOR));
    ASSERT_EQ(colors.Requests().size(), 1u);
    EXPECT_EQ(colors.Requests()[0].request.flags, CC_RGBINIT | CC_FULLOPEN);
    EXPECT_EQ(colors.Requests()[0].request.color, before);
    for (COLORREF c : colors.Requests()[0].customIn) EXPECT_EQ(c, RGB(255, 255, 255));
    EXPECT_EQ(w->Document.Env->PaperColor, before);

    EXPECT_EQ(w->Document.Modified, 0);

    // The graph file keeps the paper's colour: a new one marks the graph.
    colors.Choose(RGB(255, 255, 200), {{3, RGB(1, 2, 3)}});
    ASSERT_TRUE(Run(CM_PAPERCOLOR));
    EXPECT_EQ(w->Document.Env->PaperColor, RGB(255, 255, 200));
    EXPECT_EQ(w->Document.Modified, 1);
    colors.Cancel();
    ASSERT_TRUE(Run(CM_PAPERCOLOR));
    EXPECT_EQ(colors.Requests()[2].customIn[3], RGB(1, 2, 3));
    EXPECT_EQ(colors.Requests()[2].request.color, RGB(255, 255, 200));
}

TEST_F(ViewCommands, ManualRefreshAndRedraw) {
    ASSERT_TRUE(Run(CM_MANUALREFRESH));
    EXPECT_EQ(w->ManualRefresh, 1);
    EXPECT_TRUE(Checked(CM_MANUALREFRESH));
    // Redraw paints now (nothing left to paint) and keeps manual refresh on.
    ASSERT_TRUE(Run(CM_REDRAW));
    EXPECT_TRUE(w->GetInvalidRegion().isEmpty());
    EXPECT_EQ(w->ManualRefresh, 1);
    ASSERT_TRUE(Run(CM_MANUALREFRESH));
    EXPECT_EQ(w->ManualRefresh, 0);
    EXPECT_FALSE(Checked(CM_MANUALREFRESH));
}

TEST_F(ViewCommands, RedrawShowsTheSeriesUnderManualRefresh) {
    auto sample = kvtest::MakeSampleBoxFrame();
    ASSERT_TRUE(w->Document.AxisSets.Add(sample));
    w->ManualRefresh = 1;
    w->Invalidate(true);
    w->UpdateWindow();
    const QImage without = w->BackingImage().copy();
    ASSERT_TRUE(Run(CM_REDRAW));
    EXPECT_NE(w->BackingImage(), without);
    EXPECT_EQ(w->ManualRefresh, 1);
}

TEST_F(ViewCommands, HelpAsksForTheHelpFileBesideTheProgram) {
    ASSERT_TRUE(Run(CM_HELP));
    EXPECT_EQ(app.opened, std::vector<std::string>{"/opt/korvida/KORVIDA.HLP"});
}

}  // namespace
