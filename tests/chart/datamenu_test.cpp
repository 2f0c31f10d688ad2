// The Data menu's dialogs reached through the page view's command table: each
// command is enabled and opens its dialog on the current axis set; the series
// menu's fits need a selected series.

#include "chart_fixture.h"
#include "modal_script.h"

#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using charttest::MakeChart;
using charttest::ModalScript;
using charttest::TestApp;

namespace {

ModalScript::Action Close() {
    return [](PDialog& d) { d.CloseWindow(IDCANCEL); };
}

class DataMenu : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        w = MakeChart();
        w->Document.Current->PlotList.Add(kvtest::MakeSampleSeries(5).release());
    }
    bool Enabled(int id) {
        kv::win::TCommandEnabler ce(id);
        EXPECT_TRUE(w->ProcessCommandEnable(ce));
        return ce.IsEnabled();
    }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
};

TEST_F(DataMenu, EveryDialogCommandIsEnabledAndOpensItsDialog) {
    struct Case {
        int id, dialog;
    };
    const Case cases[] = {
        {CM_DATAMANAGER, 5},  {CM_LINEARFIT, 17}, {CM_NONLINEARFIT, 17}, {CM_USERCONST, 22},
        {CM_USERFUNCTION, 23}, {CM_CALCCURVE, 24}, {CM_EVALUATE, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_TRUE(Enabled(c.id));
        ModalScript script;
        script.Then(c.dialog, Close());
        EXPECT_TRUE(w->ProcessCommand(c.id));
        EXPECT_EQ(script.Seen(), std::vector<int>{c.dialog});
    }
}

TEST_F(DataMenu, SeriesFitsNeedASelectedSeries) {
    EXPECT_FALSE(Enabled(CM_PLOTLINEARFIT));
    EXPECT_FALSE(Enabled(CM_PLOTNONLINEARFIT));
    {
        ModalScript script;  // nothing may open
        w->CmPlotLinearFit();
        w->CmPlotNonLinearFit();
    }
    w->PlotSelected = 1;
    w->SelectedPlot = 1;
    const int ids[] = {CM_PLOTLINEARFIT, CM_PLOTNONLINEARFIT};
    const int dialogs[] = {16, 15};
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(Enabled(ids[i]));
        ModalScript script;
        script.Then(dialogs[i], Close());
        w->ProcessCommand(ids[i]);
    }
    EXPECT_EQ(w->Document.Current->PlotList.GetItemsInContainer(), 1);
}

TEST_F(DataMenu, UserConstantsOkMarksTheGraphButQuickEvaluationNever) {
    {
        ModalScript script;
        script.Then(25, Close());
        w->CmEvaluate();
    }
    EXPECT_EQ(w->Document.Modified, 0);
    {
        ModalScript script;
        script.Then(22, ModalScript::Ok());
        w->CmUserConst();
    }
    EXPECT_EQ(w->Document.Modified, 1);
}

}  // namespace
