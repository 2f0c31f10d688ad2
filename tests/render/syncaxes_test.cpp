// Keeping the mirrored axes of "Box" and "X-Y" frames in step.
#include "render/syncaxes.h"

#include "model/boxframe.h"
#include "platform/objstrm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The stored bytes of the four axes: equal bytes, equal axes.
std::string AxesBytes(const BoxFrame& set) {
    opstream os;
    os << set.LeftAxis << set.RightAxis << set.TopAxis << set.BottomAxis;
    return os.buffer();
}

// Every axis different from the others in every field a rule might copy.
void MakeAxesDiffer(BoxFrame& set) {
    int n = 0;
    for (AxisUnit* a : {&set.LeftAxis, &set.RightAxis, &set.TopAxis, &set.BottomAxis}) {
        ++n;
        a->IsVisible = 1;
        a->IsCommon = 0;
        a->Scaling = n % 2;
        a->RangeStart = n;
        a->RangeEnd = 100 * n;
        a->RangeInc = 10 * n;
        a->ScaleInv = n == 2;
        a->AutoCrossPoint = n == 3;
        a->CrossPointValue = n + 0.5;
        a->DispRegionStart = n;
        a->DispRegionEnd = 90 + n;
        a->MinorTickDivision = n + 1;
        a->TickInside = n % 2;
        a->TickOutside = 1 - n % 2;
        a->TickColor = RGB(n, 0, 0);
        a->TickLength = 100 + n;
        a->TickWidth = 200 + n;
        a->MajorTickLineStyle = n;
        a->MajorTickLineWidth = 300 + n;
        a->MajorTickLineColor = RGB(0, n, 0);
        a->MinorTickDivision = n + 1;
        a->MinorTickLineStyle = n + 2;
        a->MinorTickLineWidth = 400 + n;
        a->MinorTickLineColor = RGB(0, 0, n);
        a->LabelFormat = n % 3;
        a->LabelFont.lfHeight = -100 * n;
        std::snprintf(a->LabelFont.lfFaceName, sizeof a->LabelFont.lfFaceName, "Face%d", n);
        a->LabelFontColor = RGB(n, n, 0);
    }
}

bool SameScale(const AxisUnit& a, const AxisUnit& b) {
    return a.Scaling == b.Scaling && a.RangeStart == b.RangeStart && a.RangeEnd == b.RangeEnd &&
           a.RangeInc == b.RangeInc && a.ScaleInv == b.ScaleInv &&
           a.AutoCrossPoint == b.AutoCrossPoint && a.CrossPointValue == b.CrossPointValue &&
           a.DispRegionStart == b.DispRegionStart && a.DispRegionEnd == b.DispRegionEnd &&
           a.MinorTickDivision == b.MinorTickDivision && a.TickInside == b.TickInside &&
           a.TickOutside == b.TickOutside;
}

bool SameLook(const AxisUnit& a, const AxisUnit& b) {
    return a.TickColor == b.TickColor && a.TickLength == b.TickLength &&
           a.TickWidth == b.TickWidth && a.MajorTickLineWidth == b.MajorTickLineWidth &&
           a.MajorTickLineColor == b.MajorTickLineColor &&
           a.MinorTickLineWidth == b.MinorTickLineWidth &&
           a.MinorTickLineColor == b.MinorTickLineColor;
}

bool SameFont(const AxisUnit& a, const AxisUnit& b) {
    return a.LabelFont.lfHeight == b.LabelFont.lfHeight &&
           std::strcmp(a.LabelFont.lfFaceName, b.LabelFont.lfFaceName) == 0 &&
           a.LabelFontColor == b.LabelFontColor;
}

TEST(SyncAxes, BoxMirrorsLookAndFontAndSharesScalesOnlyWhenCommon) {
    BoxFrame set;
    MakeAxesDiffer(set);
    set.Frame.FrameType = 0;
    BoxFrame before;
    before = set;
    SyncAxes(set);

    // All four take the bottom axis's visibility and font.
    for (const AxisUnit* a : {&set.LeftAxis, &set.RightAxis, &set.TopAxis}) {
        EXPECT_TRUE(SameFont(*a, set.BottomAxis));
        EXPECT_EQ(a->IsVisible, set.BottomAxis.IsVisible);
    }
    EXPECT_TRUE(SameLook(set.TopAxis, set.BottomAxis));
    EXPECT_TRUE(SameLook(set.RightAxis, set.LeftAxis));
    // Common switches off: the mirrors keep scales of their own.
    EXPECT_TRUE(SameScale(set.TopAxis, before.TopAxis));
    EXPECT_TRUE(SameScale(set.RightAxis, before.RightAxis));
    // The mirrors draw no grid lines; label formats and the left axis's own look
    // and scale are not touched.
    EXPECT_EQ(set.TopAxis.MajorTickLineStyle, 0);
    EXPECT_EQ(set.TopAxis.MinorTickLineStyle, 0);
    EXPECT_EQ(set.RightAxis.MajorTickLineStyle, 0);
    EXPECT_EQ(set.RightAxis.MinorTickLineStyle, 0);
    EXPECT_EQ(set.TopAxis.LabelFormat, before.TopAxis.LabelFormat);
    EXPECT_EQ(set.RightAxis.LabelFormat, before.RightAxis.LabelFormat);
    EXPECT_TRUE(SameLook(set.LeftAxis, before.LeftAxis));
    EXPECT_TRUE(SameScale(set.LeftAxis, before.LeftAxis));
    EXPECT_EQ(set.LeftAxis.MajorTickLineStyle, before.LeftAxis.MajorTickLineStyle);
    EXPECT_EQ(set.BottomAxis.MinorTickLineStyle, before.BottomAxis.MinorTickLineStyle);
    EXPECT_EQ(set.LeftAxis.IsCommon, 0);

    // Common switches on: the scales go across as well.
    set.BottomAxis.IsCommon = 1;
    set.LeftAxis.IsCommon = 1;
    SyncAxes(set);
    EXPECT_TRUE(SameScale(set.TopAxis, set.BottomAxis));
    EXPECT_TRUE(SameScale(set.RightAxis, set.LeftAxis));
    EXPECT_EQ(set.TopAxis.IsCommon, 1);
    EXPECT_EQ(set.RightAxis.IsCommon, 1);
}

TEST(SyncAxes, BoxWithTheBottomAxisHiddenHidesAllFour) {
    BoxFrame set;
    set.Frame.FrameType = 0;
    set.BottomAxis.IsVisible = 0;
    SyncAxes(set);
    for (const AxisUnit* a : {&set.LeftAxis, &set.RightAxis, &set.TopAxis, &set.BottomAxis})
        EXPECT_EQ(a->IsVisible, 0);
}

TEST(SyncAxes, XYMakesBottomAndLeftCommonAndHidesTheMirrors) {
    BoxFrame set;
    MakeAxesDiffer(set);
    set.Frame.FrameType = 1;
    BoxFrame before;
    before = set;
    SyncAxes(set);

    EXPECT_EQ(set.BottomAxis.IsCommon, 1);
    EXPECT_EQ(set.LeftAxis.IsCommon, 1);
    EXPECT_EQ(set.LeftAxis.IsVisible, set.BottomAxis.IsVisible);
    EXPECT_TRUE(SameLook(set.LeftAxis, set.BottomAxis));
    EXPECT_TRUE(SameFont(set.LeftAxis, set.BottomAxis));
    EXPECT_TRUE(SameScale(set.LeftAxis, before.LeftAxis));  // the left keeps its scale
    EXPECT_TRUE(SameScale(set.TopAxis, set.BottomAxis));
    EXPECT_TRUE(SameScale(set.RightAxis, set.LeftAxis));
    for (const AxisUnit* a : {&set.TopAxis, &set.RightAxis}) {
        EXPECT_EQ(a->IsVisible, 0);
        EXPECT_EQ(a->LabelFormat, 0);
    }
    // The hidden mirrors keep their own look and grid styles.
    EXPECT_TRUE(SameLook(set.TopAxis, before.TopAxis));
    EXPECT_EQ(set.TopAxis.MajorTickLineStyle, before.TopAxis.MajorTickLineStyle);
    EXPECT_EQ(set.RightAxis.MinorTickLineStyle, before.RightAxis.MinorTickLineStyle);
    EXPECT_TRUE(SameFont(set.TopAxis, before.TopAxis));
}

TEST(SyncAxes, IndependentAndUnknownFramesChangeNothing) {
    for (int type : {2, 3, -1}) {
        BoxFrame set;
        MakeAxesDiffer(set);
        set.Frame.FrameType = type;
        const std::string before = AxesBytes(set);
        SyncAxes(set);
        EXPECT_EQ(AxesBytes(set), before) << type;
    }
    // Null arguments are refused quietly.
    BoxFrame set;
    SyncAxes(nullptr, &set.LeftAxis, &set.RightAxis, &set.TopAxis, &set.BottomAxis);
    SyncAxes(&set.Frame, nullptr, &set.RightAxis, &set.TopAxis, &set.BottomAxis);
}

TEST(SyncAxes, IsIdempotentForEveryFrameType) {
    for (int type : {0, 1, 2}) {
        for (int common : {0, 1}) {
            BoxFrame set;
            MakeAxesDiffer(set);
            set.Frame.FrameType = type;
            set.BottomAxis.IsCommon = common;
            set.LeftAxis.IsCommon = 1 - common;
            SyncAxes(set);
            const std::string once = AxesBytes(set);
            SyncAxes(set);
            EXPECT_EQ(AxesBytes(set), once) << type << " " << common;
        }
    }
}

TEST(SyncAxes, WorksOnAxesOutsideAnAxisSet) {
    Frame frame;
    frame.FrameType = 1;
    AxisUnit left, right, top, bottom;
    bottom.RangeEnd = 42;
    SyncAxes(&frame, &left, &right, &top, &bottom);
    EXPECT_EQ(top.RangeEnd, 42);
    EXPECT_EQ(top.IsVisible, 0);
}

}  // namespace
