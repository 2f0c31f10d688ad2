#include "model/axes.h"

#include "stream_bytes.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kvtest;

namespace {

std::unique_ptr<TText> Label(const char* s, int x) {
    auto t = std::make_unique<TText>();
    t->String = s;
    t->Position = TPoint(x, 40);
    t->CharMetrics.Add(TCharMetric(90, 300, 240));
    return t;
}

void SetLabels(AxisUnit& a, std::initializer_list<const char*> texts) {
    int x = 0;
    for (const char* s : texts) {
        auto t = Label(s, x += 500);
        a.LabelTexts.Add(t);
    }
}

// An axis with every field away from its default.
void FillAxis(AxisUnit& a) {
    a.IsVisible = 0;
    a.IsCommon = 0;
    a.DispRegionStart = 10;
    a.DispRegionEnd = 90;
    a.Scaling = 1;
    a.RangeStart = 0.001;
    a.RangeEnd = 1e5;
    a.RangeInc = 0.1;
    a.ScaleInv = 1;
    a.AutoCrossPoint = 0;
    a.CrossPointValue = -2.5;
    a.TickInside = 0;
    a.TickOutside = 1;
    a.TickColor = RGB(1, 2, 3);
    a.TickLength = 150;
    a.TickWidth = 75;
    a.MajorTickLineStyle = 3;
    a.MajorTickLineWidth = 50;
    a.MajorTickLineColor = RGB(4, 5, 6);
    a.MinorTickDivision = 5;
    a.MinorTickLineStyle = 5;
    a.MinorTickLineWidth = 25;
    a.MinorTickLineColor = RGB(7, 8, 9);
    a.LabelFormat = 2;
    a.LabelFont.lfHeight = -240;
    a.LabelFont.lfWidth = 7;
    a.LabelFont.lfEscapement = 900;
    a.LabelFont.lfOrientation = 900;
    a.LabelFont.lfWeight = FW_BOLD;
    a.LabelFont.lfItalic = 1;
    a.LabelFont.lfUnderline = 1;
    a.LabelFont.lfStrikeOut = 1;
    a.LabelFont.lfCharSet = SHIFTJIS_CHARSET;
    a.LabelFont.lfOutPrecision = 4;
    a.LabelFont.lfClipPrecision = 5;
    a.LabelFont.lfQuality = 2;
    a.LabelFont.lfPitchAndFamily = 0x31;
    lstrcpynA(a.LabelFont.lfFaceName, "\x82\x6c\x82\x72 Gothic", LF_FACESIZE);
    a.LabelFontColor = RGB(10, 11, 12);
    a.LabelAddPlus = 1;
    a.LabelPositionAdjust = 2;
    a.LabelSkip = 3;
    a.IsAutoLabel = 0;
    SetLabels(a, {"1", "10", "100"});
    a.ZeroCommon = 0;
    a.ManualNumPrecision = 1;
    a.IntPrecision = 4;
    a.DecimalPrecision = 2;
}

// The bytes of an axis record as an older version stored it: the class version
// patched and the fields that version lacked cut from the end.
std::string AsVersion(const AxisUnit& a, std::uint32_t version) {
    std::string rec = RecordOf(a);
    rec.replace(1 + 4 + 8, 4, Le32(version));
    std::size_t drop = version >= 3 ? 0 : version == 2 ? 12 : 16;
    rec.erase(rec.size() - 1 - drop, drop);
    return rec;
}

}  // namespace

TEST(FrameRecord, DefaultLayout) {
    std::string data = Le32(0) + Dbl(100.0) + Dbl(100.0) + Dbl(5000.0) + Dbl(5000.0) + Le32(100) +
                       Le32(0) + Le32(0) + Bytes({0xFF, 0xFF, 0xFF, 0});
    for (int v : {20, 20, 100, 50, 20, 20, 100, 500}) data += Le32(std::uint32_t(v));
    ASSERT_EQ(data.size(), 84u);
    EXPECT_EQ(RecordOf(Frame()), Head("Frame", 1) + data + "]");
}

TEST(AxisRecord, DefaultLayout) {
    auto words = [](std::initializer_list<int> v) {
        std::string s;
        for (int w : v) s += Le32(std::uint32_t(w));
        return s;
    };
    // IsVisible .. LabelFormat, the fields of a new axis.
    std::string data = words({1, 1, 0, 100, 0}) + Dbl(0.0) + Dbl(5.0) + Dbl(1.0) + words({0, 1}) + Dbl(0.0) +
                       words({1, 0, 0, 100, 100, 0, 100, 0, 1, 0, 100, 0, 1});
    // The label font: 15-point Times New Roman.
    data += words({-300, 0, 0, 0, 400}) + Bytes({0, 0, 0, 0, 3, 2, 1, 0x12}) + Name("Times New Roman");
    // LabelFontColor .. IsAutoLabel, no label texts, ZeroCommon, the manual precision.
    data += words({0, 0, 0, 0, 1, 0, 1, 0, 1, -1});
    EXPECT_EQ(RecordOf(AxisUnit()), Head("AxisUnit", 4) + data + "]");
}

TEST(FrameRecord, WriteReadWriteIsIdentical) {
    Frame f;
    f.FrameType = 2;
    f.OriginX = 1440.25;
    f.OriginY = -3.5;
    f.FrameLengthX = 7000.125;
    f.FrameLengthY = 1.0 / 3.0;
    f.FrameReserved = -9;
    f.FrameLineColor = RGB(1, 2, 3);
    f.FrameBackPaint = 1;
    f.FrameBackColor = RGB(4, 5, 6);
    f.AxisFrameThickRate = 1;
    f.TickThickRate = 2;
    f.TickLengthRate = 3;
    f.MarkerSizeRate = 4;
    f.MarkerThickRate = 5;
    f.LineThickRate = 6;
    f.ZukeiLineRate = 7;
    f.YasenLength = 8;
    Frame back;
    ASSERT_TRUE(ReadInto(RecordOf(f), back).good());
    EXPECT_EQ(back.FrameReserved, -9);
    EXPECT_EQ(RecordOf(back), RecordOf(f));
}

TEST(AxisRecord, WriteReadWriteIsIdentical) {
    AxisUnit a;
    FillAxis(a);
    AxisUnit back;
    SetLabels(back, {"old1", "old2", "old3", "old4", "old5"});
    ASSERT_TRUE(ReadInto(RecordOf(a), back).good());
    ASSERT_EQ(back.LabelTexts.GetItemsInContainer(), 3);
    EXPECT_EQ(back.LabelTexts[3]->String, "100");
    EXPECT_EQ(back.LabelFont, a.LabelFont);
    EXPECT_EQ(back.DecimalPrecision, 2);
    EXPECT_EQ(RecordOf(back), RecordOf(a));

    // The precision switch is stored as 0 or 1 and read as "any nonzero".
    std::string rec = RecordOf(a);
    rec.replace(rec.size() - 1 - 12, 4, Le32(7));
    AxisUnit seven;
    ASSERT_TRUE(ReadInto(rec, seven).good());
    EXPECT_EQ(seven.ManualNumPrecision, 1);
}

TEST(AxisRecord, OlderVersionsAreUpgraded) {
    struct Case {
        std::uint32_t version;
        int scaling;
        int minorStored;
        int minorRead;
    };
    const Case cases[] = {
        {3, 1, 2, 10}, {3, 2, 2, 10}, {3, 0, 2, 2},  {3, 3, 2, 2}, {4, 1, 2, 2},
        {1, 2, 5, 10}, {2, 1, 1, 1},  {3, 1, 1, 1},  {4, 0, 1, 1},
    };
    for (const Case& c : cases) {
        AxisUnit src;
        FillAxis(src);
        src.Scaling = c.scaling;
        src.MinorTickDivision = c.minorStored;
        AxisUnit a;
        ASSERT_TRUE(ReadInto(AsVersion(src, c.version), a).good()) << c.version;
        EXPECT_EQ(a.MinorTickDivision, c.minorRead) << c.version << " " << c.scaling;
        EXPECT_EQ(a.LabelTexts.GetItemsInContainer(), 3);
        EXPECT_EQ(a.IsAutoLabel, 0);
        // Fields the version lacks: ZeroCommon from version 2, the precision from 3.
        EXPECT_EQ(a.ZeroCommon, c.version >= 2 ? 0 : 1);
        EXPECT_EQ(a.ManualNumPrecision, 1);
        EXPECT_EQ(a.IntPrecision, c.version >= 3 ? 4 : 1);
        EXPECT_EQ(a.DecimalPrecision, c.version >= 3 ? 2 : -1);
    }
}

TEST(AxisRecord, DamagedLabelLists) {
    AxisUnit src;
    FillAxis(src);
    std::string rec = RecordOf(src);
    // The label count sits right before the first "TText" record.
    std::size_t first = rec.find(Head("TText", 3));
    ASSERT_NE(first, std::string::npos);
    std::size_t countAt = first - 4;

    std::string huge = rec;
    huge.replace(countAt, 4, Le32(0xFFFFFFFF));
    AxisUnit a;
    SetLabels(a, {"x"});
    EXPECT_TRUE(ReadInto(huge, a).fail());
    EXPECT_TRUE(a.LabelTexts.IsEmpty());

    // The second label's closing mark is damaged: only the first label is kept.
    std::size_t second = rec.find(Head("TText", 3), first + 1);
    std::string bad = rec;
    bad[rec.find(Head("TText", 3), second + 1) - 1] = 'X';
    AxisUnit b;
    EXPECT_TRUE(ReadInto(bad, b).fail());
    ASSERT_EQ(b.LabelTexts.GetItemsInContainer(), 1);
    EXPECT_EQ(b.LabelTexts[1]->String, "1");
}

TEST(AxisAssignment, DeepCopyWithoutRotation) {
    AxisUnit src;
    FillAxis(src);
    AxisUnit dst;
    SetLabels(dst, {"a", "b", "c", "d", "e"});
    dst.LabelFont.lfEscapement = 450;
    dst = src;

    EXPECT_EQ(dst.LabelFont.lfEscapement, 0);
    EXPECT_EQ(dst.LabelFont.lfOrientation, 0);
    LOGFONT expected = src.LabelFont;
    expected.lfEscapement = 0;
    expected.lfOrientation = 0;
    EXPECT_EQ(dst.LabelFont, expected);

    ASSERT_EQ(dst.LabelTexts.GetItemsInContainer(), 3);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_NE(dst.LabelTexts[i], src.LabelTexts[i]);
        EXPECT_EQ(RecordOf(*dst.LabelTexts[i]), RecordOf(*src.LabelTexts[i]));
    }
    // Apart from the rotation the two axes store the same record.
    src.LabelFont.lfEscapement = src.LabelFont.lfOrientation = 0;
    EXPECT_EQ(RecordOf(dst), RecordOf(src));

    // The copies share nothing with the source.
    src.LabelTexts[1]->String = "changed";
    src.LabelTexts[1]->CharMetrics.Flush();
    src.LabelTexts.Destroy(2);
    EXPECT_EQ(dst.LabelTexts[1]->String, "1");
    EXPECT_EQ(dst.LabelTexts[1]->CharMetrics.GetItemsInContainer(), 1);
    EXPECT_EQ(dst.LabelTexts[2]->String, "10");

    AxisUnit& alias = dst;
    dst = alias;
    EXPECT_EQ(dst.LabelTexts.GetItemsInContainer(), 3);
}
