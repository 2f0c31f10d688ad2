// Picking on the page: the frame edge of an axis set, a text of the current axis
// set, and the part of the shown selection feedback under a point.

#include "chart_fixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>

using charttest::MakeChart;
using charttest::TestApp;

namespace {

constexpr int H = 10;

// The current axis set's frame is (1000, 2000) - (5000, 5000) with no labels.
class Picking : public ::testing::Test {
protected:
    void SetUp() override {
        w = MakeChart(800, 600, false);
        w->HandleSize = H;
        set = w->Document.Current;
        PlaceFrame(*set, 1000, 2000, 4000, 3000);
    }
    static void PlaceFrame(BoxFrame& s, double x, double y, double cx, double cy) {
        s.Frame.OriginX = x;
        s.Frame.OriginY = y;
        s.Frame.FrameLengthX = cx;
        s.Frame.FrameLengthY = cy;
        for (AxisUnit* a : {&s.BottomAxis, &s.LeftAxis, &s.TopAxis, &s.RightAxis})
            a->LabelTexts.Flush();
    }
    BoxFrame* AddSet() {
        auto s = std::make_unique<BoxFrame>();
        PlaceFrame(*s, 1000, 2000, 4000, 3000);
        BoxFrame* p = s.get();
        w->Document.AxisSets.Add(s.release());
        return p;
    }
    // A text whose page box is `page` in the set s.
    static int AddText(BoxFrame& s, TIArrayAsVector<TText>& list, TRect page) {
        auto t = std::make_unique<TText>();
        const int ox = int(s.Frame.OriginX), oy = int(s.Frame.OriginY);
        t->Position = TPoint(page.left - ox, page.top - oy);
        t->BoundingBox = TRect(0, 0, page.Width(), page.Height());
        list.Add(t.release());
        return list.UpperBound();
    }
    static int Selected(const BoxFrame& s) {
        const SelectedFlags& f = s.Selected;
        return f.AxisTexts1.GetItemsInContainer() + f.AxisTexts2.GetItemsInContainer() +
               f.AxisTexts3.GetItemsInContainer() + f.AxisTexts4.GetItemsInContainer() +
               f.Texts.GetItemsInContainer() + f.Zukeis.GetItemsInContainer();
    }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
};

// ---- Frame edges.

TEST_F(Picking, FrameEdgeBandsAndTheirCornerOrder) {
    // L 1000, T 2000, R 5000, B 5000: bands reach H into the frame and 3H out.
    struct Case {
        TPoint p;
        int axis;  // 0: no edge
    } cases[] = {
        {{1000, 5000 + 2 * H}, 1},     // below the bottom-left corner: bottom before left
        {{3000, 5000 - H}, 1},         // H inside the bottom edge
        {{3000, 5000 - H - 1}, 0},
        {{3000, 5000 + 3 * H - 1}, 1},
        {{3000, 5000 + 3 * H}, 0},     // the band's bottom edge is outside it
        {{5000 + 2 * H, 5000 + 2 * H}, 1},  // bottom-right corner
        {{1000 - 2 * H, 2000 - 2 * H}, 2},  // top-left corner: left before top
        {{1000 + H - 1, 3500}, 2},
        {{1000 + H, 3500}, 0},
        {{3000, 2000 + H - 1}, 3},
        {{5000 + 2 * H, 2000 - 2 * H}, 3},  // top-right corner: top before right
        {{5000 - H, 3500}, 4},
        {{5000 + 3 * H - 1, 3500}, 4},
        {{3000, 3500}, 0},             // inside the frame
        {{1000 - 3 * H - 1, 3500}, 0},
    };
    for (const Case& c : cases) {
        TRect rect(1, 2, 3, 4);
        int no = -1;
        w->SelectedAxis = 0;
        EXPECT_EQ(w->HitFrameEdge(c.p, rect, no), c.axis ? 1 : 0) << c.p.x << "," << c.p.y;
        if (c.axis) {
            EXPECT_EQ(w->SelectedAxis, c.axis) << c.p.x << "," << c.p.y;
            EXPECT_EQ(rect, TRect(1000, 2000, 5000, 5000));
            EXPECT_EQ(no, 1);
        } else {
            EXPECT_EQ(rect, TRect(1, 2, 3, 4));  // outputs untouched
            EXPECT_EQ(no, -1);
            EXPECT_EQ(w->SelectedAxis, 0);
        }
    }
}

TEST_F(Picking, FrameEdgeOfTheTopSetUnlessOnlyTheCurrentIsShown) {
    AddSet();
    set->Selected.Texts.Add(1);
    TRect rect;
    int no = 0;
    EXPECT_EQ(w->HitFrameEdge(TPoint(3000, 5000), rect, no), 1);
    EXPECT_EQ(no, 2);
    // The selection records are not touched.
    EXPECT_EQ(set->Selected.Texts.GetItemsInContainer(), 1);

    w->CurrentOnly = 1;
    EXPECT_EQ(w->HitFrameEdge(TPoint(3000, 5000), rect, no), 1);
    EXPECT_EQ(no, 1);
}

TEST_F(Picking, FrameEdgeNearTheEndOfTheIntRangeIsStillFound) {
    // A damaged document's frame at the far right of the int range: bands formed
    // in ints would wrap around and be empty.
    PlaceFrame(*set, 3e9, 2000, 10, 3000);
    ASSERT_EQ(w->GetFrameRect(set), TRect(INT_MAX, 2000, INT_MAX, 5000));
    TRect rect;
    int no = 0;
    EXPECT_EQ(w->HitFrameEdge(TPoint(INT_MAX - 1, 3000), rect, no), 1);
    EXPECT_EQ(w->SelectedAxis, 2);
    EXPECT_EQ(w->HitFrameEdge(TPoint(INT_MIN, 3000), rect, no), 0);
}

// ---- Texts.

TEST_F(Picking, TextsLabelsFirstThenTheTopmostFreeText) {
    BoxFrame* other = AddSet();
    other->Selected.Zukeis.Add(7);
    set->BottomAxis.IsVisible = 0;  // labels of a hidden axis are found too
    AddText(*set, set->TextList, TRect(1100, 2100, 1500, 2300));
    AddText(*set, set->TextList, TRect(1400, 2200, 1800, 2400));
    AddText(*set, set->BottomAxis.LabelTexts, TRect(1450, 2250, 1460, 2260));
    AddText(*set, set->RightAxis.LabelTexts, TRect(3000, 3000, 3100, 3100));
    // A text of another axis set is never found, even on top.
    AddText(*other, other->TextList, TRect(1100, 2100, 1500, 2300));

    TRect rect;
    // The label lies over both free texts.
    EXPECT_EQ(w->HitText(TPoint(1455, 2255), rect), 1);
    EXPECT_EQ(rect, TRect(1450, 2250, 1460, 2260));
    EXPECT_EQ(set->Selected.AxisTexts1.GetItemsInContainer(), 1);
    EXPECT_EQ(Selected(*set), 1);
    EXPECT_EQ(Selected(*other), 0);  // every record was emptied first

    // Where the free texts overlap, the later one.
    EXPECT_EQ(w->HitText(TPoint(1420, 2250), rect), 1);
    EXPECT_EQ(Selected(*set), 1);
    ASSERT_EQ(set->Selected.Texts.GetItemsInContainer(), 1);
    EXPECT_EQ(set->Selected.Texts[0], 2);

    EXPECT_EQ(w->HitText(TPoint(3050, 3050), rect), 1);
    EXPECT_EQ(set->Selected.AxisTexts4.GetItemsInContainer(), 1);

    EXPECT_EQ(w->HitText(TPoint(1100, 2100), rect), 1);
    EXPECT_EQ(set->Selected.Texts[0], 1);
}

TEST_F(Picking, TextMissLeavesEverythingAndEdgesAreOutside) {
    AddText(*set, set->TextList, TRect(1100, 2100, 1500, 2300));
    set->Selected.Zukeis.Add(3);
    TRect rect(1, 2, 3, 4);
    // The right and bottom edges of the box are not on the text.
    EXPECT_EQ(w->HitText(TPoint(1500, 2200), rect), 0);
    EXPECT_EQ(w->HitText(TPoint(1200, 2300), rect), 0);
    EXPECT_EQ(rect, TRect(1, 2, 3, 4));
    EXPECT_EQ(set->Selected.Zukeis.GetItemsInContainer(), 1);
    EXPECT_EQ(w->HitText(TPoint(1499, 2299), rect), 1);

    // A box stored reversed is normalised before the test.
    set->TextList[1]->BoundingBox = TRect(400, 200, 0, 0);
    EXPECT_EQ(w->HitText(TPoint(1300, 2200), rect), 1);
    EXPECT_EQ(rect, TRect(1500, 2300, 1100, 2100));
}

TEST_F(Picking, UnselectAllEmptiesEverySet) {
    BoxFrame* other = AddSet();
    set->Selected.Texts.Add(1);
    other->Selected.AxisTexts3.Add(2);
    other->Selected.Zukeis.Add(1);
    w->UnselectAll();
    EXPECT_EQ(Selected(*set), 0);
    EXPECT_EQ(Selected(*other), 0);
}

// ---- The shown feedback.

TEST_F(Picking, HandleBoxCodes) {
    w->HandlesShown = 1;
    const int L = 1000, T = 2000, R = 3000, B = 4000, mx = 2000, my = 3000;
    struct Case {
        TRect f;
        TPoint p;
        int code;
    } cases[] = {
        {{L, T, R, B}, {L - 2 * H, T - 2 * H}, HitTopLeft},
        {{L, T, R, B}, {R + 2 * H, T - 2 * H}, HitTopRight},
        {{L, T, R, B}, {R + 2 * H, B + 2 * H}, HitBottomRight},
        {{L, T, R, B}, {L - 2 * H, B + 2 * H}, HitBottomLeft},
        {{L, T, R, B}, {L - 2 * H, my}, HitLeft},
        {{L, T, R, B}, {mx, T - 2 * H}, HitTop},
        {{L, T, R, B}, {R + 2 * H, my}, HitRight},
        {{L, T, R, B}, {mx, B + 2 * H}, HitBottom},
        {{L, T, R, B}, {L - H / 2, my}, HitInside},
        {{L, T, R, B}, {mx, my}, HitInside},
        // The handles touch the grown box without overlapping it.
        {{L, T, R, B}, {L - H - 1, my}, HitLeft},
        {{L, T, R, B}, {L - H, my}, HitInside},
        {{L, T, R, B}, {R + H, my}, HitRight},
        {{L, T, R, B}, {R + H - 1, my}, HitInside},
        {{L, T, R, B}, {L - 3 * H - 1, my}, HitNone},
        {{L, T, R, B}, {L - 2 * H, my - 3 * H}, HitNone},
        // Stored reversed: handle 1 is 2H beyond F.left, away from the box.
        {{R, B, L, T}, {R + 2 * H, B + 2 * H}, HitTopLeft},
        {{R, B, L, T}, {L - 2 * H, T - 2 * H}, HitBottomRight},
        {{R, B, L, T}, {L - 2 * H, my}, HitRight},
        {{R, B, L, T}, {mx, my}, HitInside},
    };
    for (const Case& c : cases) {
        w->FeedbackRect = c.f;
        EXPECT_EQ(w->GetHitCode(c.p), c.code) << c.p.x << "," << c.p.y;
    }
}

TEST_F(Picking, HandlesNearTheEndOfTheIntRangeDoNotWrap) {
    w->HandlesShown = 1;
    // The right handles formed in ints would land at the far left of the range.
    w->FeedbackRect = TRect(INT_MAX - 100, 0, INT_MAX - 5, 100);
    EXPECT_EQ(w->GetHitCode(TPoint(INT_MIN + 5, 50)), HitNone);
    EXPECT_EQ(w->GetHitCode(TPoint(INT_MAX - 50, 50)), HitInside);
}

TEST_F(Picking, NodeHandlesBeforeTheBox) {
    auto z = std::make_unique<TZukei>();
    z->Kind = ZukeiPolyline;
    for (DoublePoint p : {DoublePoint(0, 0), DoublePoint(5, 5), DoublePoint(2000, 1000)})
        z->Nodes.Add(p);
    z->UpdateBounds();
    set->ZukeiList.Add(z.release());
    w->NodeHandlesShown = 1;
    w->FeedbackRect = w->GetFigureRect(set, set->ZukeiList[1]);
    ASSERT_EQ(w->FeedbackRect, TRect(1000, 2000, 3000, 3000));

    // Without a selected figure only the box counts.
    EXPECT_EQ(w->GetHitCode(TPoint(1002, 2002)), HitInside);
    set->Selected.Zukeis.Add(1);
    // Two overlapping node squares: the lower number.
    EXPECT_EQ(w->GetHitCode(TPoint(1002, 2002)), HitNode + 0);
    EXPECT_EQ(w->GetHitCode(TPoint(1014, 2014)), HitNode + 1);
    EXPECT_EQ(w->GetHitCode(TPoint(3000 + H - 1, 3000)), HitNode + 2);
    EXPECT_EQ(w->GetHitCode(TPoint(2000, 2500)), HitInside);
    EXPECT_EQ(w->GetHitCode(TPoint(1000 - 2 * H, 2000 - 2 * H)), HitTopLeft);

    // A number that names no figure: the box test alone.
    set->Selected.Zukeis[0] = 9;
    EXPECT_EQ(w->GetHitCode(TPoint(1000 - 2 * H, 2000 - 2 * H)), HitTopLeft);
    EXPECT_EQ(w->GetHitCode(TPoint(3000 + H - 1, 3000)), HitInside);
}

TEST_F(Picking, TextFrameLineEndsAndPrecedence) {
    w->FeedbackRect = TRect(1000, 2000, 3000, 4000);
    // Nothing shown: nothing is hit.
    EXPECT_EQ(w->GetHitCode(TPoint(2000, 3000)), HitNone);

    // The frame of a text is neither grown nor given handles.
    w->TextFrameShown = 1;
    EXPECT_EQ(w->GetHitCode(TPoint(1000, 2000)), HitInside);
    EXPECT_EQ(w->GetHitCode(TPoint(1000 - H, 3000)), HitNone);
    EXPECT_EQ(w->GetHitCode(TPoint(3000, 3000)), HitNone);
    EXPECT_EQ(w->GetHitCode(TPoint(1000 - 2 * H, 2000 - 2 * H)), HitNone);
    // Handles shown as well: the handle box wins.
    w->HandlesShown = 1;
    EXPECT_EQ(w->GetHitCode(TPoint(1000 - 2 * H, 2000 - 2 * H)), HitTopLeft);
    w->HandlesShown = 0;
    w->TextFrameShown = 0;

    // A selected line from (1000, 2000) to (3000, 4000).
    w->LineHandlesShown = 1;
    EXPECT_EQ(w->GetHitCode(TPoint(1000 + H - 1, 2000 - H)), HitTopLeft);
    EXPECT_EQ(w->GetHitCode(TPoint(3000 - H, 4000 + H - 1)), HitBottomRight);
    EXPECT_EQ(w->GetHitCode(TPoint(2000 + H / 2, 3000)), HitInside);
    EXPECT_EQ(w->GetHitCode(TPoint(2000 + H, 3000)), HitInside);  // the square's edge counts
    // 2H beside the 45-degree line the pick square's corner (2000 + H, 3000 + H)
    // lies on it: still a hit; one twip further off it is not.
    EXPECT_EQ(w->GetHitCode(TPoint(2000 + 2 * H, 3000)), HitInside);
    EXPECT_EQ(w->GetHitCode(TPoint(2000 + 2 * H + 1, 3000)), HitNone);
    EXPECT_EQ(w->GetHitCode(TPoint(1000 - 2 * H, 2000 - 2 * H)), HitNone);
    // A very short line: on both end squares the first end wins.
    w->FeedbackRect = TRect(1000, 2000, 1005, 2000);
    EXPECT_EQ(w->GetHitCode(TPoint(1002, 2000)), HitTopLeft);
}

}  // namespace
