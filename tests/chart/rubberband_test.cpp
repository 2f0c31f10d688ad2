// Rubber-band selection: the texts and figures of the current axis set that lie
// wholly inside the dragged rectangle, and the union of their boxes.

#include "chart_fixture.h"

#include <gtest/gtest.h>

#include <memory>

using charttest::MakeChart;
using charttest::TestApp;

namespace {

// Frame origin (1000, 2000). Page boxes: free text (1100, 2100) - (1500, 2300);
// label of the hidden bottom axis (1200, 5100) - (1400, 5200); a line from
// (1000, 2000) to (1500, 2500); a rectangle far away (8000, 9000) - (8500, 9300).
class RubberBand : public ::testing::Test {
protected:
    void SetUp() override {
        w = MakeChart(800, 600, false);
        w->HandleSize = 10;
        set = w->Document.Current;
        set->Frame.OriginX = 1000;
        set->Frame.OriginY = 2000;
        for (AxisUnit* a : {&set->BottomAxis, &set->LeftAxis, &set->TopAxis, &set->RightAxis})
            a->LabelTexts.Flush();
        set->BottomAxis.IsVisible = 0;
        AddText(*set, set->TextList, TRect(1100, 2100, 1500, 2300));
        AddText(*set, set->BottomAxis.LabelTexts, TRect(1200, 5100, 1400, 5200));
        AddFigure(*set, ZukeiLine, DoublePoint(0, 0), DoublePoint(500, 500));
        AddFigure(*set, ZukeiRectangle, DoublePoint(7500, 7300), DoublePoint(7000, 7000));
    }
    static void AddText(BoxFrame& s, TIArrayAsVector<TText>& list, TRect page) {
        auto t = std::make_unique<TText>();
        t->Position = TPoint(page.left - int(s.Frame.OriginX), page.top - int(s.Frame.OriginY));
        t->BoundingBox = TRect(0, 0, page.Width(), page.Height());
        list.Add(t.release());
    }
    static void AddFigure(BoxFrame& s, int kind, DoublePoint a, DoublePoint b) {
        auto z = std::make_unique<TZukei>();
        z->Kind = kind;
        z->Nodes.Add(a);
        z->Nodes.Add(b);
        z->UpdateBounds();
        s.ZukeiList.Add(z.release());
    }
    static int Count(const SelectedFlags::IndexList& l) { return l.GetItemsInContainer(); }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
};

TEST_F(RubberBand, EitherOrientationSelectsTheSameObjects) {
    for (TRect band : {TRect(900, 1900, 1600, 5300), TRect(1600, 5300, 900, 1900)}) {
        TRect out;
        EXPECT_EQ(w->SelectInRect(band, out), 1);
        EXPECT_EQ(out, TRect(1000, 2000, 1500, 5200));
        const SelectedFlags& sel = set->Selected;
        EXPECT_EQ(Count(sel.Texts), 1);
        ASSERT_EQ(Count(sel.AxisTexts1), 1);  // the hidden axis's label too
        EXPECT_EQ(sel.AxisTexts1[0], 1);
        ASSERT_EQ(Count(sel.Zukeis), 1);
        EXPECT_EQ(sel.Zukeis[0], 1);
        EXPECT_EQ(sel.State, 0);
    }
}

TEST_F(RubberBand, WholeBoxInsideWithEdgesCounting) {
    TRect out;
    // Exactly the text's box: selected, the union is the box itself.
    EXPECT_EQ(w->SelectInRect(TRect(1100, 2100, 1500, 2300), out), 1);
    EXPECT_EQ(out, TRect(1100, 2100, 1500, 2300));
    EXPECT_EQ(Count(set->Selected.Texts), 1);
    EXPECT_EQ(Count(set->Selected.Zukeis), 0);

    // One twip short: nothing, the previous selection gone all the same.
    TRect kept(1, 2, 3, 4);
    EXPECT_EQ(w->SelectInRect(TRect(1100, 2100, 1499, 2300), kept), 0);
    EXPECT_EQ(kept, TRect(1, 2, 3, 4));
    EXPECT_TRUE(set->Selected.Texts.IsEmpty());

    // A line only with both ends inside: its box spans them.
    EXPECT_EQ(w->SelectInRect(TRect(1000, 2000, 1499, 2500), out), 0);
    EXPECT_EQ(w->SelectInRect(TRect(1000, 2000, 1500, 2500), out), 1);
    EXPECT_EQ(Count(set->Selected.Zukeis), 1);
    EXPECT_EQ(Count(set->Selected.Texts), 1);
}

TEST_F(RubberBand, UnionSpansObjectsFarApart) {
    TRect out;
    EXPECT_EQ(w->SelectInRect(TRect(1050, 2050, 9000, 9500), out), 1);
    // The text and the reversed rectangle: their normalised boxes united.
    EXPECT_EQ(out, TRect(1100, 2100, 8500, 9300));
    EXPECT_EQ(Count(set->Selected.Texts), 1);
    ASSERT_EQ(Count(set->Selected.Zukeis), 1);
    EXPECT_EQ(set->Selected.Zukeis[0], 2);
}

TEST_F(RubberBand, OnlyTheCurrentSetIsExaminedAndCleared) {
    auto second = std::make_unique<BoxFrame>();
    second->Frame.OriginX = 1000;
    second->Frame.OriginY = 2000;
    BoxFrame* other = second.get();
    w->Document.AxisSets.Add(second.release());
    AddText(*other, other->TextList, TRect(3000, 3000, 3100, 3100));
    other->Selected.Zukeis.Add(4);

    TRect out(1, 2, 3, 4);
    EXPECT_EQ(w->SelectInRect(TRect(2900, 2900, 3200, 3200), out), 0);
    EXPECT_EQ(out, TRect(1, 2, 3, 4));
    EXPECT_TRUE(other->Selected.Texts.IsEmpty());
    EXPECT_EQ(Count(other->Selected.Zukeis), 1);  // left as it was
}

}  // namespace
