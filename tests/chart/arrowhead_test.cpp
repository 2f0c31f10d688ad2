// Arrow heads of line and polyline figures: the triangle's vertices, its pen and
// brush, and the heads that are not drawn.

#include "model/boxframe.h"
#include "render/output.h"
#include "support/helpers/recording_dc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Triangle(TPoint a, TPoint b, TPoint c) {
    auto p = [](TPoint q) { return std::to_string(q.x) + "," + std::to_string(q.y); };
    return "Polygon(" + p(a) + ";" + p(b) + ";" + p(c) + ")";
}

class ArrowHead : public ::testing::Test {
protected:
    void SetUp() override {
        set.Frame.ZukeiLineRate = 30;
        set.Frame.YasenLength = 200;
        figure.Kind = ZukeiLine;
        figure.PenType = 3;  // a dashed line still gets a solid head outline
        figure.PenWidth = 250;
        figure.PenColor = RGB(0, 0, 255);
        figure.BrushType = -1;
        figure.ForeBrushColor = RGB(255, 0, 0);
        figure.BackBrushColor = RGB(0, 255, 0);
    }
    std::vector<std::string> Draw(TPoint from, TPoint to, int widthSwitch = 1) {
        dc.Clear();
        set.DrawArrowLine(OUT_DC, dc, &figure, from, to, widthSwitch, nullptr, nullptr);
        return dc.Calls("Polygon");
    }

    BoxFrame set;
    TZukei figure;
    RecordingDC dc;
};

TEST_F(ArrowHead, VerticesWithPiTakenAsThreePointOneFour) {
    struct Case {
        TPoint from, to;
        TPoint v1, v2;
    } cases[] = {
        {{0, 0}, {1000, 0}, {807, 52}, {807, -52}},
        {{1000, 0}, {0, 0}, {193, -52}, {193, 51}},
        {{0, 0}, {0, 1000}, {-52, 807}, {51, 807}},
        {{0, 1000}, {0, 0}, {52, 193}, {-51, 193}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Draw(c.from, c.to), std::vector<std::string>{Triangle(c.to, c.v1, c.v2)})
            << c.from.x << "," << c.from.y;

    set.Frame.YasenLength = 500;
    EXPECT_EQ(Draw({0, 0}, {1000, 0}),
              std::vector<std::string>{Triangle({1000, 0}, {518, 130}, {518, -130})});
}

TEST_F(ArrowHead, PenBrushAndBackgroundStaySelected) {
    Draw({0, 0}, {1000, 0});
    // Width: 30 x 250 %; solid whatever the line's dashes.
    EXPECT_EQ(dc.GetPen().GetStyle(), PS_SOLID);
    EXPECT_EQ(dc.GetPen().GetWidth(), 75);
    EXPECT_EQ(dc.GetPen().GetColor(), RGB(0, 0, 255));
    EXPECT_EQ(dc.GetBrush().GetStyle(), BS_SOLID);
    EXPECT_EQ(dc.GetBrush().GetColor(), RGB(255, 0, 0));
    EXPECT_EQ(dc.GetBkColor(), RGB(0, 255, 0));

    // Any other width switch: the thinnest outline even for a wide pen.
    Draw({0, 0}, {1000, 0}, 0);
    EXPECT_EQ(dc.GetPen().GetWidth(), 0);
    // A pen that rounds to nothing still draws one twip.
    figure.PenWidth = 1;
    Draw({0, 0}, {1000, 0});
    EXPECT_EQ(dc.GetPen().GetWidth(), 1);

    figure.BrushType = 2;
    Draw({0, 0}, {1000, 0});
    EXPECT_EQ(dc.GetBrush().GetStyle(), BS_HATCHED);
    EXPECT_EQ(dc.GetBrush().GetHatch(), 2);
}

TEST_F(ArrowHead, ShortSegmentDrawsNoHeadButSelects) {
    figure.PenType = 0;
    figure.BrushType = -2;
    EXPECT_TRUE(Draw({0, 0}, {0, 0}).empty());
    EXPECT_TRUE(Draw({10, 10}, {10, 10}).empty());
    EXPECT_TRUE(dc.GetPen().IsNull());
    EXPECT_TRUE(dc.GetBrush().IsNull());
    EXPECT_EQ(dc.GetBkColor(), RGB(0, 255, 0));
    // One twip is long enough.
    EXPECT_EQ(Draw({0, 0}, {1, 0}).size(), 1u);
}

TEST_F(ArrowHead, InvisibleHeadStillGrowsTheExtent) {
    figure.PenType = 0;
    figure.BrushType = -2;
    TDC measuring;
    TRect extent(32767, 32767, -32767, -32767);
    set.DrawArrowLine(OUT_EXTENT, measuring, &figure, {0, 0}, {1000, 0}, 1, nullptr, &extent);
    EXPECT_LE(extent.left, 807);
    EXPECT_GE(extent.right, 1000);
    EXPECT_LE(extent.top, -52);
    EXPECT_GE(extent.bottom, 52);
}

}  // namespace
