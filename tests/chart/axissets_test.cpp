// The commands on whole axis sets: add, delete, duplicate, drawing order, the
// current-only display, autoscale and base settings, the stored scaling, and the
// double click.

#include "chart_fixture.h"
#include "modal_script.h"

#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using charttest::MakeChart;
using charttest::ModalScript;
using charttest::TestApp;

namespace {

class AxisSets : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        w = MakeChart();
        w->UpdateWindow();
    }

    // n axis sets, set i marked by its frame origin 1000 * i; set c current.
    void MakeSets(int n, int c) {
        while (w->Document.AxisSets.GetItemsInContainer() < n)
            w->Document.AxisSets.Add(new BoxFrame);
        for (int i = 1; i <= n; ++i) w->Document.AxisSets[i]->Frame.OriginX = 1000.0 * i;
        w->Document.CurrentNo = c;
        w->Document.Current = w->Document.AxisSets[c];
        w->Document.Modified = 0;
    }
    // The marks of the axis sets in list order.
    std::vector<int> Order() const {
        std::vector<int> marks;
        for (BoxFrame* s : w->Document.AxisSets) marks.push_back(int(s->Frame.OriginX / 1000.0));
        return marks;
    }
    void Select() {
        w->TextSelected = 1;
        w->Document.Current->Selected.Texts.Add(1);
    }
    bool Repaints() const { return w->GetInvalidRegion().contains(QRect(0, 0, 800, 600)); }
    std::string AxisGadget() { return app.StatusBar()->GetGadgetText(AxisSetGadget); }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
};

TEST_F(AxisSets, EachCommandAsksItsQuestionAndCancelChangesNothing) {
    struct Case {
        int command;
        int text;
        const char* caption;
    };
    const Case cases[] = {
        {CM_ADDAXISSET, 34, "STOP"},          {CM_DELETEAXISSET, 15, "STOP"},
        {CM_DUPLICATEAXISSET, 148, "CAUTION"}, {CM_AXISSETTOTOP, 149, "CAUTION"},
        {CM_AXISSETUP, 150, "CAUTION"},        {CM_AXISSETDOWN, 151, "CAUTION"},
        {CM_AXISSETTOBOTTOM, 152, "CAUTION"},  {CM_COPYSCALING, 55531, "CAUTION"},
        {CM_PASTESCALING, 55532, "CAUTION"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        MakeSets(3, 2);
        w->Document.Current->BottomAxis.RangeEnd = 77;
        Select();
        w->UpdateWindow();
        kv::win::TCommandEnabler ce(c.command);
        ASSERT_TRUE(w->ProcessCommandEnable(ce));
        EXPECT_TRUE(ce.IsEnabled());
        kv::ScriptedMessageBoxes boxes({IDCANCEL});
        EXPECT_TRUE(w->ProcessCommand(c.command));
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(c.text));
        EXPECT_EQ(boxes.Shown()[0].caption, c.caption);
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL | MB_ICONQUESTION);
        EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3}));
        EXPECT_EQ(w->Document.CurrentNo, 2);
        EXPECT_EQ(w->Document.Current->BottomAxis.RangeEnd, 77);
        EXPECT_EQ(w->Document.Modified, 0);
        EXPECT_EQ(w->TextSelected, 1);
        EXPECT_FALSE(Repaints());
    }
}

TEST_F(AxisSets, AddAppendsADefaultSetAndKeepsTheCurrentOne) {
    MakeSets(2, 1);
    w->Defaults.DefaultFrame.OriginX = 5000;
    w->Defaults.DefaultAxes[0].RangeEnd = 42;
    w->ShowCurrentAxisSet();
    kv::ScriptedMessageBoxes boxes({IDOK});
    w->CmAddAxisSet();
    ASSERT_EQ(w->Document.AxisSets.GetItemsInContainer(), 3);
    EXPECT_EQ(w->Document.AxisSets[3]->Frame.OriginX, 5000);
    EXPECT_EQ(w->Document.AxisSets[3]->BottomAxis.RangeEnd, 42);
    // A box frame labels only the bottom and left axes; the labels are built.
    EXPECT_EQ(w->Document.AxisSets[3]->TopAxis.LabelFormat, 0);
    EXPECT_GT(w->Document.AxisSets[3]->BottomAxis.LabelTexts.GetItemsInContainer(), 0);
    EXPECT_EQ(w->Document.CurrentNo, 1);
    EXPECT_EQ(w->Document.Current, w->Document.AxisSets[1]);
    EXPECT_EQ(AxisGadget(), "Axis 1");
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_TRUE(Repaints());
}

TEST_F(AxisSets, DeleteMakesTheFirstSetCurrentAndNeverLeavesTheListEmpty) {
    MakeSets(4, 3);
    Select();
    {
        kv::ScriptedMessageBoxes boxes({IDOK});
        w->CmDeleteAxisSet();
    }
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(w->Document.CurrentNo, 1);
    EXPECT_EQ(w->Document.Current, w->Document.AxisSets[1]);
    EXPECT_EQ(w->TextSelected, 0);
    EXPECT_EQ(w->Document.Modified, 1);

    // The only set gives way to a fresh default one.
    w->Document.AxisSets.Flush();
    MakeSets(1, 1);
    w->UpdateWindow();
    w->Defaults.DefaultFrame.OriginX = 700;
    {
        kv::ScriptedMessageBoxes boxes({IDOK});
        w->CmDeleteAxisSet();
    }
    ASSERT_EQ(w->Document.AxisSets.GetItemsInContainer(), 1);
    EXPECT_EQ(w->Document.AxisSets[1]->Frame.OriginX, 700);
    EXPECT_EQ(w->Document.Current, w->Document.AxisSets[1]);
    EXPECT_EQ(w->Document.CurrentNo, 1);
    EXPECT_EQ(AxisGadget(), "Axis 1");
    EXPECT_TRUE(Repaints());
}

TEST_F(AxisSets, DuplicateAppendsADeepCopyAndTheOriginalStaysCurrent) {
    MakeSets(3, 2);
    BoxFrame* original = w->Document.Current;
    auto text = std::make_unique<TText>();
    text->String = "label";
    original->TextList.Add(text.release());
    original->LeftAxis.RangeEnd = 9;
    Select();
    kv::ScriptedMessageBoxes boxes({IDOK});
    w->CmDuplicateAxisSet();
    ASSERT_EQ(Order(), (std::vector<int>{1, 2, 3, 2}));
    BoxFrame* copy = w->Document.AxisSets[4];
    ASSERT_EQ(copy->TextList.GetItemsInContainer(), 1);
    EXPECT_NE(copy->TextList[1], original->TextList[1]);
    EXPECT_EQ(copy->TextList[1]->String, "label");
    EXPECT_EQ(copy->LeftAxis.RangeEnd, 9);
    EXPECT_TRUE(copy->Selected.Texts.IsEmpty());  // the selection is not copied
    EXPECT_EQ(w->Document.CurrentNo, 2);
    EXPECT_EQ(w->Document.Current, original);
    EXPECT_EQ(w->TextSelected, 0);
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(AxisGadget(), "Axis 2");
}

TEST_F(AxisSets, DrawingOrderMovesTheCurrentSetWhichStaysCurrent) {
    struct Case {
        int command;
        int n, c;
        std::vector<int> order;  // empty: nothing happens
        int current;
    };
    const Case cases[] = {
        {CM_AXISSETUP, 3, 2, {1, 3, 2}, 3},
        {CM_AXISSETUP, 3, 3, {}, 3},
        {CM_AXISSETDOWN, 3, 2, {2, 1, 3}, 1},
        {CM_AXISSETDOWN, 3, 1, {}, 1},
        {CM_AXISSETTOBOTTOM, 3, 3, {3, 1, 2}, 1},
        {CM_AXISSETTOTOP, 4, 1, {2, 3, 4, 1}, 4},
        {CM_AXISSETTOTOP, 1, 1, {1}, 1},
        {CM_AXISSETTOBOTTOM, 2, 1, {1, 2}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.command << " on " << c.c << " of " << c.n);
        w->Document.AxisSets.Flush();
        MakeSets(c.n, c.c);
        Select();
        w->UpdateWindow();
        kv::ScriptedMessageBoxes boxes({IDOK});
        w->ProcessCommand(c.command);
        if (c.order.empty()) {
            EXPECT_EQ(w->Document.Modified, 0);
            EXPECT_EQ(w->TextSelected, 1);
            EXPECT_FALSE(Repaints());
            EXPECT_EQ(w->Document.CurrentNo, c.current);
            continue;
        }
        EXPECT_EQ(Order(), c.order);
        EXPECT_EQ(w->Document.CurrentNo, c.current);
        EXPECT_EQ(w->Document.Current, w->Document.AxisSets[c.current]);
        EXPECT_EQ(int(w->Document.Current->Frame.OriginX / 1000), c.c);
        EXPECT_EQ(w->Document.Modified, 1);
        EXPECT_EQ(w->TextSelected, 0);
        EXPECT_TRUE(Repaints());
        EXPECT_EQ(AxisGadget(), "Axis " + std::to_string(c.current));
    }
}

TEST_F(AxisSets, CurrentOnlyTogglesWithItsCheckMarkAndClearsOnlyWhenSwitchedOn) {
    Select();
    w->ProcessCommand(CM_CURRENTAXISSETONLY);
    EXPECT_EQ(w->CurrentOnly, 1);
    EXPECT_EQ(w->TextSelected, 0);
    EXPECT_TRUE(app.IsMenuItemChecked(CM_CURRENTAXISSETONLY));
    kv::win::TCommandEnabler on(CM_CURRENTAXISSETONLY);
    w->ProcessCommandEnable(on);
    EXPECT_EQ(on.GetCheck(), kv::win::MF_CHECKED);

    Select();
    w->ProcessCommand(CM_CURRENTAXISSETONLY);
    EXPECT_EQ(w->CurrentOnly, 0);
    EXPECT_EQ(w->TextSelected, 1);
    EXPECT_FALSE(app.IsMenuItemChecked(CM_CURRENTAXISSETONLY));
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_TRUE(Repaints());
}

TEST_F(AxisSets, AutoscaleAndBaseDialogsChangeTheGraphOnlyOnOk) {
    const int commands[] = {CM_AUTOSCALE, CM_AXISBASE};
    const int dialogs[] = {10, 12};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(commands[i]);
        w->Document.Modified = 0;
        Select();
        w->UpdateWindow();
        {
            ModalScript script;
            script.Then(dialogs[i], ModalScript::Cancel());
            w->ProcessCommand(commands[i]);
        }
        EXPECT_EQ(w->Document.Modified, 0);
        EXPECT_EQ(w->TextSelected, 1);
        {
            ModalScript script;
            script.Then(dialogs[i], ModalScript::Ok());
            w->ProcessCommand(commands[i]);
        }
        EXPECT_EQ(w->Document.Modified, 1);
        EXPECT_EQ(w->TextSelected, 0);
        EXPECT_TRUE(Repaints());
    }
}

TEST_F(AxisSets, PasteBeforeAnyCopyGivesTheDefaultScaling) {
    BoxFrame* set = w->Document.Current;
    set->Frame.FrameType = 2;
    for (AxisUnit* a : {&set->LeftAxis, &set->RightAxis, &set->TopAxis, &set->BottomAxis}) {
        a->Scaling = 1;
        a->RangeStart = -3;
        a->RangeEnd = 100;
        a->RangeInc = 7;
        a->ScaleInv = 1;
        a->AutoCrossPoint = 0;
        a->CrossPointValue = 4;
        a->MinorTickDivision = 5;
        a->IsCommon = 0;
    }
    kv::ScriptedMessageBoxes boxes({IDOK});
    w->CmPasteScaling();
    EXPECT_EQ(set->Frame.FrameType, 0);
    for (AxisUnit* a : {&set->LeftAxis, &set->RightAxis, &set->TopAxis, &set->BottomAxis}) {
        EXPECT_EQ(a->Scaling, 0);
        EXPECT_EQ(a->RangeStart, 0);
        EXPECT_EQ(a->RangeEnd, 5);
        EXPECT_EQ(a->RangeInc, 1);
        EXPECT_EQ(a->ScaleInv, 0);
        EXPECT_EQ(a->AutoCrossPoint, 1);
        EXPECT_EQ(a->MinorTickDivision, 1);
        EXPECT_EQ(a->IsCommon, 1);
    }
    EXPECT_EQ(w->Document.Modified, 1);
}

TEST_F(AxisSets, CopiedScalingCarriesRangesButNotLooksOrPlace) {
    MakeSets(2, 1);
    BoxFrame* from = w->Document.AxisSets[1];
    BoxFrame* to = w->Document.AxisSets[2];
    from->Frame.FrameType = 2;
    from->Frame.FrameLengthX = 9999;
    from->BottomAxis.RangeEnd = 64;
    from->BottomAxis.Scaling = 1;
    from->LeftAxis.ScaleInv = 1;
    from->RightAxis.MinorTickDivision = 4;
    from->TopAxis.CrossPointValue = 2.5;
    from->TopAxis.AutoCrossPoint = 0;
    from->BottomAxis.LabelFontColor = RGB(255, 0, 0);
    const double lengthBefore = to->Frame.FrameLengthX;
    {
        kv::ScriptedMessageBoxes boxes({IDOK});
        w->CmCopyScaling();
    }
    EXPECT_EQ(w->Document.Modified, 0);
    // The store is the window's: a changed document does not reach it.
    from->BottomAxis.RangeEnd = 1;
    w->Document.CurrentNo = 2;
    w->Document.Current = to;
    {
        kv::ScriptedMessageBoxes boxes({IDOK});
        w->CmPasteScaling();
    }
    EXPECT_EQ(to->Frame.FrameType, 2);
    EXPECT_EQ(to->Frame.FrameLengthX, lengthBefore);
    EXPECT_EQ(to->BottomAxis.RangeEnd, 64);
    EXPECT_EQ(to->BottomAxis.Scaling, 1);
    EXPECT_EQ(to->LeftAxis.ScaleInv, 1);
    EXPECT_EQ(to->RightAxis.MinorTickDivision, 4);
    EXPECT_EQ(to->TopAxis.CrossPointValue, 2.5);
    EXPECT_EQ(to->TopAxis.AutoCrossPoint, 0);
    EXPECT_NE(to->BottomAxis.LabelFontColor, RGB(255, 0, 0));
    EXPECT_EQ(w->Document.Modified, 1);
}

TEST_F(AxisSets, DoubleClickCapturesUntilTheRelease) {
    w->EvLButtonDblClk(MK_LBUTTON, TPoint(10, 10));
    EXPECT_TRUE(w->DoubleClicked);
    EXPECT_TRUE(w->HasCapture());
    w->ReleaseCapture();
}

}  // namespace
