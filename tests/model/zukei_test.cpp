#include "model/zukei.h"

#include "stream_bytes.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kvtest;

namespace {

// The first 48 data bytes: the style fields, the kind and the rectangle.
std::string StyleFields(int kind, const TRect& r) {
    return Le32(RGB(1, 2, 3)) + Le32(150) + Le32(3) + Le32(2) + Le32(RGB(4, 5, 6)) +
           Le32(RGB(7, 8, 9)) + Le32(std::uint32_t(-1)) + Le32(std::uint32_t(kind)) +
           Le32(std::uint32_t(r.left)) + Le32(std::uint32_t(r.top)) + Le32(std::uint32_t(r.right)) +
           Le32(std::uint32_t(r.bottom));
}

TZukei Polyline(int nodes) {
    TZukei z;
    z.Kind = ZukeiPolyline;
    z.PenColor = RGB(10, 20, 30);
    z.PenWidth = 250;
    z.PenType = 4;
    z.Arrow = 3;
    z.ForeBrushColor = RGB(40, 50, 60);
    z.BackBrushColor = RGB(70, 80, 90);
    z.BrushType = 5;
    z.Bounds = TRect(-11, -22, 3000, 4000);
    z.IsSpline = 1;
    z.IsClosed = 1;
    z.InterPointNo = 37;
    for (int i = 0; i < nodes; ++i) z.Nodes.Add(DoublePoint(i * 12.345 - 10.7, std::sqrt(2.0) * i));
    return z;
}

}  // namespace

TEST(FigureRecord, Defaults) {
    TZukei z;
    EXPECT_EQ(z.Kind, 0);
    EXPECT_TRUE(z.Nodes.IsEmpty());
    EXPECT_EQ(z.Nodes.LowerBound(), 0);
    EXPECT_EQ(z.Bounds, TRect());
    EXPECT_EQ(z.PenColor, 0u);
    EXPECT_EQ(z.PenWidth, 100);
    EXPECT_EQ(z.PenType, 1);
    EXPECT_EQ(z.Arrow, 0);
    EXPECT_EQ(z.BackBrushColor, 0xFFFFFFu);
    EXPECT_EQ(z.BrushType, -2);
    EXPECT_EQ(z.InterPointNo, 100);
}

TEST(FigureRecord, Layout) {
    TZukei z;
    z.PenColor = RGB(1, 2, 3);
    z.PenWidth = 150;
    z.PenType = 3;
    z.Arrow = 2;
    z.ForeBrushColor = RGB(4, 5, 6);
    z.BackBrushColor = RGB(7, 8, 9);
    z.BrushType = -1;
    z.Kind = ZukeiLine;
    z.Bounds = TRect(500, 300, 100, 50);
    z.Nodes.Add(DoublePoint(500.9, 300.2));
    z.Nodes.Add(DoublePoint(100, 50));
    std::string expected = Head("TZukei", 2) + StyleFields(ZukeiLine, z.Bounds) + Le32(1) +
                           RecordOf(DoublePoint(500.9, 300.2)) + RecordOf(DoublePoint(100, 50)) +
                           Le32(0) + Le32(0) + Le32(100) + "]";
    EXPECT_EQ(RecordOf(z), expected);

    // Without nodes the stored last index is -1 and no node record follows.
    TZukei empty;
    std::string emptyRec = RecordOf(empty);
    EXPECT_EQ(emptyRec.substr(15 + 48, 4), Le32(0xFFFFFFFF));
    EXPECT_EQ(emptyRec.size(), 15u + 48 + 4 + 12 + 1);
    TZukei back = Polyline(3);
    ASSERT_TRUE(ReadInto(emptyRec, back).good());
    EXPECT_TRUE(back.Nodes.IsEmpty());
}

TEST(FigureRecord, WriteReadWriteIsIdentical) {
    TZukei z = Polyline(250);
    z.Nodes.Add(DoublePoint(-0.0, 1e-310));  // sign of zero and a subnormal survive
    TZukei back;
    ASSERT_TRUE(ReadInto(RecordOf(z), back).good());
    ASSERT_EQ(back.Nodes.GetItemsInContainer(), 251);
    EXPECT_TRUE(std::signbit(back.Nodes[250].X));
    EXPECT_EQ(back.InterPointNo, 37);
    EXPECT_EQ(RecordOf(back), RecordOf(z));
}

TEST(FigureRecord, VersionOneRectangleBecomesTwoNodes) {
    struct Case {
        int kind;
        TRect stored;
        TRect bounds;
    };
    const Case cases[] = {
        {ZukeiRectangle, TRect(100, 200, 50, 20), TRect(100, 200, 50, 20)},  // kept as stored
        {ZukeiLine, TRect(-5, 7, 9, -11), TRect(-5, 7, 9, -11)},
        {ZukeiPolyline, TRect(100, 200, 50, 20), TRect(50, 20, 100, 200)},   // the nodes' box
    };
    for (const Case& c : cases) {
        std::string rec = Head("TZukei", 1) + StyleFields(c.kind, c.stored) + "]";
        TZukei z;
        ASSERT_TRUE(ReadInto(rec, z).good()) << c.kind;
        ASSERT_EQ(z.Nodes.GetItemsInContainer(), 2);
        EXPECT_EQ(z.Nodes[0], DoublePoint(c.stored.left, c.stored.top));
        EXPECT_EQ(z.Nodes[1], DoublePoint(c.stored.right, c.stored.bottom));
        EXPECT_EQ(z.Bounds, c.bounds) << c.kind;
        EXPECT_EQ(z.PenWidth, 150);
        EXPECT_EQ(z.BrushType, -1);
        EXPECT_EQ(z.IsSpline, 0);
        EXPECT_EQ(z.IsClosed, 0);
        EXPECT_EQ(z.InterPointNo, 100);
    }
}

TEST(FigureRecord, DamagedNodeCounts) {
    const TRect r(10, 20, 30, 40);
    const std::string node = RecordOf(DoublePoint(1.5, 2.5));
    const std::string tail = Le32(0) + Le32(0) + Le32(100) + "]";
    struct Case {
        const char* what;
        int kind;
        std::string afterRect;
        bool fails;
        int nodes;
    };
    const Case cases[] = {
        {"count below -1", ZukeiPolyline, Le32(std::uint32_t(-2)) + tail, true, 0},
        {"most negative count", ZukeiPolyline, Le32(0x80000000u) + tail, true, 0},
        {"largest count", ZukeiPolyline, Le32(0x7FFFFFFF) + node + tail, true, 0},
        {"count beyond the stream", ZukeiPolyline, Le32(3) + node + node + tail, true, 0},
        {"nodes cut short", ZukeiPolyline, Le32(2) + node + node + node.substr(0, 20) + std::string(60, '\0'), true, 2},
        // A two-node kind stored without nodes gets them from its corners.
        {"line without nodes", ZukeiLine, Le32(std::uint32_t(-1)) + tail, false, 2},
        {"line with one node", ZukeiLine, Le32(0) + node + tail, false, 2},
    };
    for (const Case& c : cases) {
        TZukei z;
        ipstream is = ReadInto(Head("TZukei", 2) + StyleFields(c.kind, r) + c.afterRect, z);
        EXPECT_EQ(is.fail(), c.fails) << c.what;
        EXPECT_EQ(z.Nodes.GetItemsInContainer(), c.nodes) << c.what;
    }
    TZukei one;
    ASSERT_TRUE(ReadInto(Head("TZukei", 2) + StyleFields(ZukeiLine, r) + Le32(0) + node + tail, one).good());
    EXPECT_EQ(one.Nodes[0], DoublePoint(1.5, 2.5));
    EXPECT_EQ(one.Nodes[1], DoublePoint(30, 40));
}

TEST(FigureAssignment, DeepCopyOfEveryField) {
    TZukei src = Polyline(250);
    TZukei dst = Polyline(3);
    dst.Kind = ZukeiEllipse;
    dst = src;
    ASSERT_EQ(dst.Nodes.GetItemsInContainer(), 250);
    EXPECT_EQ(RecordOf(dst), RecordOf(src));

    src.Nodes[0].X = 1e9;
    src.Nodes.Detach(1);
    EXPECT_EQ(dst.Nodes.GetItemsInContainer(), 250);
    EXPECT_EQ(dst.Nodes[0].X, -10.7);

    TZukei copy(dst);
    EXPECT_EQ(RecordOf(copy), RecordOf(dst));
    TZukei& alias = copy;
    copy = alias;
    EXPECT_EQ(copy.Nodes.GetItemsInContainer(), 250);
}

TEST(FigureRecord, VersionZeroStreamKeepsNegativeWords) {
    // No header: 1-byte name length, 16-bit words, no class version (read as 0).
    std::string rec = Bytes({0x5B, 6}) + "TZukei" + Le32(RGB(1, 2, 3)) + Bytes({50, 0, 2, 0, 1, 0}) +
                      Le32(0) + Le32(0xFFFFFF) + Bytes({0xFE, 0xFF}) + Bytes({0xFE, 0x03}) +
                      Le32(10) + Le32(20) + Le32(std::uint32_t(-30)) + Le32(40) + "]";
    ipstream is(rec);
    is.readVersion();
    TZukei z;
    is >> z;
    ASSERT_TRUE(is.good());
    EXPECT_EQ(is.remaining(), 0u);
    EXPECT_EQ(z.PenWidth, 50);
    EXPECT_EQ(z.BrushType, -2);
    EXPECT_EQ(z.Kind, ZukeiRectangle);
    ASSERT_EQ(z.Nodes.GetItemsInContainer(), 2);
    EXPECT_EQ(z.Nodes[1], DoublePoint(-30, 40));
}
