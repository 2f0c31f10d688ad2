#include "model/records.h"

#include "stream_bytes.h"

#include <gtest/gtest.h>

using namespace kvtest;

TEST(EnvRecord, DefaultIsSixtyTwoBytes) {
    std::string expected = Head("TEnv", 3) + Le32(100) + Le32(0) + Le32(0);
    for (int i = 0; i < 6; ++i) expected += Bytes({0xE8, 0x03, 0, 0});
    expected += Le32(0) + Le32(100) + Bytes({0xFF, 0xFF, 0xFF, 0}) + "]";
    ASSERT_EQ(expected.size(), 62u);
    EXPECT_EQ(RecordOf(TEnv()), expected);
}

TEST(EnvRecord, OlderVersions) {
    std::string fields;
    for (int v : {150, -20, 30, 11000, 15000, 12000, 17000, 300, 400, 1, 200}) fields += Le32(std::uint32_t(v));
    fields += Bytes({0x10, 0x20, 0x30, 0});
    // Version 2 carries one more word, dropped; the next record still reads.
    const DoublePoint after(5.0, 6.0);
    for (std::uint32_t version : {1u, 2u, 3u}) {
        std::string rec = Head("TEnv", version) + fields + (version == 2 ? Le32(77) : "") + "]";
        ipstream is(kHeader + rec + RecordOf(after));
        is.readVersion();
        TEnv e;
        DoublePoint p;
        is >> e >> p;
        ASSERT_TRUE(is.good()) << version;
        EXPECT_EQ(e.Zoom, 150);
        EXPECT_EQ(e.ViewCenterX, -20);
        EXPECT_EQ(e.PrintOffsetY, 400);
        EXPECT_EQ(e.IsGrid, 1);
        EXPECT_EQ(e.GridPitch, 200);
        EXPECT_EQ(e.PaperColor, RGB(0x10, 0x20, 0x30));
        EXPECT_EQ(p, after);
        EXPECT_EQ(is.remaining(), 0u);
    }
}

TEST(SmallRecords, ExactBytes) {
    std::string point = Head("DoublePoint", 1) + Dbl(1.0) + Dbl(2.0) + "]";
    ASSERT_EQ(point.size(), 37u);
    EXPECT_EQ(RecordOf(DoublePoint(1.0, 2.0)), point);

    std::string constant = Head("TUserConstElement", 1) + Name("a") + Dbl(1.0) + "]";
    ASSERT_EQ(constant.size(), 40u);
    EXPECT_EQ(RecordOf(TUserConstElement("a", 1.0)), constant);
}

TEST(SmallRecords, WriteReadWriteIsIdentical) {
    TEnv env;
    env.Zoom = 250;
    env.ViewCenterX = -1234;
    env.ViewCenterY = 5678;
    env.PrintableWidth = 15000;
    env.PrintableHeight = 11000;
    env.PaperWidth = 16838;
    env.PaperHeight = 11906;
    env.PrintOffsetX = 250;
    env.PrintOffsetY = -3;
    env.IsGrid = 1;
    env.GridPitch = 300;
    env.PaperColor = RGB(1, 2, 3);
    TEnv envBack;
    EXPECT_TRUE(ReadInto(RecordOf(env), envBack).good());
    EXPECT_EQ(RecordOf(envBack), RecordOf(env));

    // Name in CP932 bytes ("定数"), a value that is not a short binary fraction.
    TUserConstElement c("\x92\xe8\x90\x94", -0.1);
    TUserConstElement cBack;
    EXPECT_TRUE(ReadInto(RecordOf(c), cBack).good());
    EXPECT_EQ(cBack, c);
    EXPECT_EQ(RecordOf(cBack), RecordOf(c));

    DoublePoint p(-10.7, 1e-300);
    DoublePoint pBack;
    EXPECT_TRUE(ReadInto(RecordOf(p), pBack).good());
    EXPECT_EQ(RecordOf(pBack), RecordOf(p));
}

TEST(SelectionState, AnySelectedAndClear) {
    SelectedFlags f;
    EXPECT_EQ(f.AnySelected(), 0);
    f.SelAxisTexts1.Add(2);
    f.SelAxisTexts4.Add(1);
    EXPECT_EQ(f.AnySelected(), 0);  // marked axis labels alone do not count
    f.State = 1;
    EXPECT_EQ(f.AnySelected(), 1);
    f.State = 0;
    f.Zukeis.Add(3);  // the other name of SelZukeis
    EXPECT_EQ(f.AnyZukeiSelected(), 1);
    EXPECT_EQ(f.SelZukeis.GetItemsInContainer(), 1);
    EXPECT_EQ(f.AnySelected(), 1);
    f.SelTexts.Add(1);
    EXPECT_EQ(f.AnyTextSelected(), 1);

    f.State = 1;
    f.Clear();
    EXPECT_EQ(f.GetState(), 0);
    for (const SelectedFlags::IndexList* l :
         {&f.AxisTexts1, &f.AxisTexts2, &f.AxisTexts3, &f.AxisTexts4, &f.Texts, &f.Zukeis})
        EXPECT_TRUE(l->IsEmpty());
    EXPECT_EQ(f.AnySelected(), 0);

    SelectedFlags onlyFrame;
    onlyFrame.State = 1;
    EXPECT_EQ(onlyFrame.AnySelected(), 1);
}
