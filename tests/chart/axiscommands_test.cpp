// The frame and axis commands of the current axis set: OK synchronises (frame),
// clears the selection, rebuilds the labels of the axes that label themselves,
// marks the document and repaints; Cancel changes nothing.

#include "chart_fixture.h"
#include "modal_script.h"

#include "dialogs/axisdialog.h"
#include "dialogs/kit/controls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using charttest::MakeChart;
using charttest::ModalScript;
using charttest::TestApp;

namespace {

constexpr int kAxisDialog = 1;
constexpr int kFrameDialog = 2;

class AxisCommands : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        w = MakeChart();
        w->CmZoom50();
        set = w->Document.Current;
        // Labels the user wrote by hand on the left axis, none yet on the bottom.
        set->LeftAxis.IsAutoLabel = 0;
        set->LeftAxis.LabelTexts.Flush();
        auto own = std::make_unique<TText>();
        own->String = "hand";
        set->LeftAxis.LabelTexts.Add(own.release());
        set->BottomAxis.LabelTexts.Flush();
        w->TextSelected = 1;
        w->UpdateWindow();
    }
    bool Repaints() const { return w->GetInvalidRegion().contains(QRect(0, 0, 800, 600)); }
    void ExpectAccepted() {
        EXPECT_EQ(w->Document.Modified, 1);
        EXPECT_EQ(w->TextSelected, 0);
        EXPECT_GT(set->BottomAxis.LabelTexts.GetItemsInContainer(), 0);
        ASSERT_EQ(set->LeftAxis.LabelTexts.GetItemsInContainer(), 1);
        EXPECT_EQ(set->LeftAxis.LabelTexts[1]->String, "hand");
        EXPECT_TRUE(Repaints());
    }
    void ExpectUnchanged() {
        EXPECT_EQ(w->Document.Modified, 0);
        EXPECT_EQ(w->TextSelected, 1);
        EXPECT_EQ(set->BottomAxis.LabelTexts.GetItemsInContainer(), 0);
        EXPECT_FALSE(Repaints());
    }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
};

TEST_F(AxisCommands, FrameSwitchedToBoxSynchronisesTheAxesAtOnce) {
    set->Frame.FrameType = 2;  // Independent
    set->BottomAxis.IsCommon = 1;
    set->BottomAxis.RangeEnd = 40;
    set->TopAxis.RangeEnd = 77;
    {
        ModalScript script;
        script.Then(kFrameDialog, [](PDialog& d) {
            d.Control<PComboBox>(101)->SetSelIndex(0);  // Box
            ModalScript::Ok()(d);
        });
        EXPECT_TRUE(w->ProcessCommand(CM_AXISFRAME));
    }
    EXPECT_EQ(set->Frame.FrameType, 0);
    EXPECT_EQ(set->TopAxis.RangeEnd, 40);
    ExpectAccepted();
}

TEST_F(AxisCommands, CancelInEitherDialogChangesNothing) {
    set->Frame.FrameType = 2;
    {
        ModalScript script;
        script.Then(kFrameDialog, [](PDialog& d) {
            d.Control<PComboBox>(101)->SetSelIndex(0);
            ModalScript::Cancel()(d);
        });
        w->CmAxisFrame();
    }
    EXPECT_EQ(set->Frame.FrameType, 2);
    ExpectUnchanged();
    {
        ModalScript script;
        script.Then(kAxisDialog, ModalScript::Cancel());
        w->CmXAxis();
    }
    ExpectUnchanged();
}

TEST_F(AxisCommands, EachAxisCommandOpensItsAxisAndOkRebuildsTheLabels) {
    const int commands[] = {CM_XAXIS, CM_YAXIS, CM_TOPAXIS, CM_RIGHTAXIS};
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        SetUp();
        int shown = 0;
        {
            ModalScript script;
            script.Then(kAxisDialog, [&shown](PDialog& d) {
                shown = static_cast<TAxisDialog&>(d).GetShownAxisNo();
                ModalScript::Ok()(d);
            });
            kv::win::TCommandEnabler ce(commands[n - 1]);
            ASSERT_TRUE(w->ProcessCommandEnable(ce));
            EXPECT_TRUE(ce.IsEnabled());
            EXPECT_TRUE(w->ProcessCommand(commands[n - 1]));
        }
        EXPECT_EQ(shown, n);
        ExpectAccepted();
    }
}

}  // namespace
