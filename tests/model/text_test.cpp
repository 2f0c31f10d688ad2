#include "model/text.h"

#include "stream_bytes.h"

#include <gtest/gtest.h>

using namespace kvtest;

namespace {

// The fields of a default text after its string, up to and including BackPaint.
std::string DefaultHeadFields() {
    return Le32(0) + Bytes({0xFF, 0xFF, 0xFF, 0}) + Bytes({0xD4, 0xFE, 0xFF, 0xFF}) +
           Le32(0) + Le32(0) + Le32(0) + Bytes({0x90, 0x01, 0, 0}) +
           Bytes({0, 0, 0, 0, 3, 2, 1, 0x12}) + Name("Times New Roman") + Le32(0);
}

// Position, LineSpacing, LineHeight, Ascent, Reserved and BoundingBox of a default text.
std::string DefaultTailFields() {
    return std::string(8, '\0') + Le32(100) + Le32(0) + Le32(0) + Le32(0) + std::string(16, '\0');
}

TText SampleText() {
    TText t;
    t.String = "x_{1}^{2} \x82\xa0";  // markup with a CP932 character
    t.ForColor = RGB(200, 10, 20);
    t.BackColor = RGB(1, 2, 3);
    t.Font.lfHeight = -420;
    t.Font.lfEscapement = 900;
    t.Font.lfOrientation = 900;
    t.Font.lfWeight = FW_BOLD;
    t.Font.lfItalic = 1;
    t.Font.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpynA(t.Font.lfFaceName, "Arial", LF_FACESIZE);
    t.BackPaint = 1;
    for (int i = 0; i < 12; ++i) t.CharMetrics.Add(TCharMetric(100 + i, 300, 240 - i));
    t.Position = TPoint(-150, 2000);
    t.LineSpacing = 120;
    t.LineHeight = 345;
    t.Ascent = 276;
    t.Reserved = -77;
    t.LegendLength = 250;
    t.BoundingBox = TRect(-10, -400, 1200, 30);
    return t;
}

}  // namespace

TEST(TextRecord, DefaultIsOneHundredTwentySixBytes) {
    std::string expected = Head("TText", 3) + Le32(0) + DefaultHeadFields() + Le32(0) +
                           DefaultTailFields() + Le32(100) + "]";
    ASSERT_EQ(expected.size(), 126u);
    EXPECT_EQ(RecordOf(TText()), expected);
}

TEST(TextRecord, WriteReadWriteIsIdentical) {
    TText t = SampleText();
    TText back;
    back.CharMetrics.Add(TCharMetric(1, 1, 1));  // replaced by the stored entries
    ipstream is = ReadInto(RecordOf(t), back);
    ASSERT_TRUE(is.good());
    EXPECT_EQ(back.CharMetrics.GetItemsInContainer(), 12);
    EXPECT_EQ(back.CharMetrics.LowerBound(), 1);
    EXPECT_EQ(back.CharMetrics[12], TCharMetric(111, 300, 229));
    EXPECT_EQ(back.Reserved, -77);
    EXPECT_EQ(back.Font, t.Font);
    EXPECT_EQ(back.String, t.String);
    EXPECT_EQ(RecordOf(back), RecordOf(t));
}

TEST(TextRecord, OlderVersions) {
    // Versions 0 and 1 store one word per metric: only the advance.
    const std::string words = Le32(3) + Le32(120) + Le32(0) + Le32(95);
    std::string v1 = Head("TText", 1) + Name("ab") + DefaultHeadFields() + words +
                     DefaultTailFields() + "]";
    TText t1;
    t1.LegendLength = 40;
    ASSERT_TRUE(ReadInto(v1, t1).good());
    ASSERT_EQ(t1.CharMetrics.GetItemsInContainer(), 3);
    EXPECT_EQ(t1.CharMetrics[1], TCharMetric(120, 0, 0));
    EXPECT_EQ(t1.CharMetrics[2], TCharMetric(0, 0, 0));
    EXPECT_EQ(t1.CharMetrics[3], TCharMetric(95, 0, 0));
    EXPECT_EQ(t1.String, "ab");
    EXPECT_EQ(t1.LegendLength, 40);  // not stored before version 3

    // Version 2 has metric records and ends after the bounding box.
    std::string v2 = Head("TText", 2) + Name("") + DefaultHeadFields() + Le32(1) +
                     RecordOf(TCharMetric(7, 8, 9)) + DefaultTailFields() + "]";
    TText t2;
    ASSERT_TRUE(ReadInto(v2, t2).good());
    ASSERT_EQ(t2.CharMetrics.GetItemsInContainer(), 1);
    EXPECT_EQ(t2.CharMetrics[1], TCharMetric(7, 8, 9));
    EXPECT_EQ(t2.LegendLength, 100);
}

TEST(TextRecord, DamagedMetricLists) {
    const std::string body = Head("TText", 3) + Le32(0) + DefaultHeadFields();
    const std::string tail = DefaultTailFields() + Le32(100) + "]";
    const std::string metric = RecordOf(TCharMetric(5, 6, 7));

    // A count far beyond what the stream holds fails at once, without entries.
    TText huge;
    huge.CharMetrics.Add(TCharMetric(1, 2, 3));
    EXPECT_TRUE(ReadInto(body + Le32(0x7FFFFFFF) + metric + tail, huge).fail());
    EXPECT_TRUE(huge.CharMetrics.IsEmpty());

    // A list cut short keeps only the entries read whole.
    std::string cut = body + Le32(3) + metric + metric + metric.substr(0, 20);
    TText shortList;
    EXPECT_TRUE(ReadInto(cut + std::string(40, '\0'), shortList).fail());
    EXPECT_EQ(shortList.CharMetrics.GetItemsInContainer(), 2);
}

TEST(TextRecord, OverlongFaceNameKeepsTheFaceAndTheStreamInStep) {
    std::string fields = Le32(0) + Le32(0) + Le32(0) + Bytes({0x90, 0x01, 0, 0}) +
                         Bytes({0, 0, 0, 0, 3, 2, 1, 0x12});
    std::string rec = Head("TText", 3) + Name("t") + Le32(0) + Le32(0xFFFFFF) +
                      Le32(std::uint32_t(-200)) + fields + Name(std::string(40, 'F')) + Le32(1) +
                      Le32(0) + DefaultTailFields() + Le32(100) + "]";
    TText t;
    ASSERT_TRUE(ReadInto(rec, t).good());
    EXPECT_STREQ(t.Font.lfFaceName, "Times New Roman");
    EXPECT_EQ(t.Font.lfHeight, -200);
    EXPECT_EQ(t.BackPaint, 1);
}

TEST(TextAssignment, DeepCopyKeepsRotation) {
    TText src = SampleText();
    TText dst;
    dst.CharMetrics.Add(TCharMetric(9, 9, 9));
    dst = src;
    EXPECT_EQ(RecordOf(dst), RecordOf(src));
    EXPECT_EQ(dst.Font.lfEscapement, 900);

    // Nothing is shared: changing the source's metrics leaves the copy alone.
    src.CharMetrics[1].Width = -1;
    src.CharMetrics.Add(TCharMetric());
    EXPECT_EQ(dst.CharMetrics.GetItemsInContainer(), 12);
    EXPECT_EQ(dst.CharMetrics[1].Width, 100);

    TText copy(dst);
    EXPECT_EQ(RecordOf(copy), RecordOf(dst));

    // Assigning a text to itself keeps its metrics.
    TText& alias = dst;
    dst = alias;
    EXPECT_EQ(dst.CharMetrics.GetItemsInContainer(), 12);
}
