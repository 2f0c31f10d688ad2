#include "render/textlayout.h"

#include "fake_measure.h"
#include "model/boxframe.h"
#include "model/graphfile.h"
#include "platform/dc.h"
#include "render/markup.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Entry = std::array<int, 3>;  // width, height, ascent
constexpr Entry Z{0, 0, 0};

std::vector<Entry> Entries(const TText& t) {
    std::vector<Entry> out;
    for (int i = 1; i <= t.CharMetrics.UpperBound(); ++i) {
        const TCharMetric& m = t.CharMetrics[i];
        out.push_back({m.Width, m.Height, m.Ascent});
    }
    return out;
}

TText MakeText(const std::string& s, int lfHeight = -250) {
    TText t;
    t.String = s;
    t.Font.lfHeight = lfHeight;
    return t;
}

std::unique_ptr<TPlot> Series(const char* path) {
    auto p = std::make_unique<TPlot>();
    std::strcpy(p->DataFileName, path);
    return p;
}

// A base font of height 250: ascent 200; A 175, B 150, other characters 125.
struct LayoutCase {
    const char* name;
    std::string string;
    std::vector<Entry> entries;
    int right;  // box (0, 0, right, 250)
};

TEST(TextLayout, MarkupExamples) {
    FakeMeasure fake;
    const Entry A{175, 250, 200}, B{150, 250, 200}, c{125, 250, 200};
    const LayoutCase cases[] = {
        {"two letters", "AB", {A, B}, 325},
        // The superscript runs at MulDiv(-250, 2, 3) = -167: advance 83, ascent 133.
        {"superscript", "x^2@y", {c, Z, {83, 167, 133}, Z, c}, 333},
        {"subscript", "x_2@y", {c, Z, {83, 167, 133}, Z, c}, 333},
        {"escaped percent", "%%", {c, Z}, 125},
        {"escaped markup", "%@%^%_", {c, Z, c, Z, c, Z}, 375},
        {"size", "%S150AB", {Z, Z, Z, Z, Z, {262, 375, 300}, {225, 375, 300}}, 487},
        // %S000 asks for height 0, which the font maps to its default height.
        {"size zero", "%S000A", {Z, Z, Z, Z, Z, {168, 240, 192}}, 168},
        // P = 100 after each text character, not after the code or escapes.
        {"spacing", "%P+50AB", {Z, Z, Z, Z, Z, A, B}, 525},
        {"spacing skips escapes", "%P+50%%A", {Z, Z, Z, Z, Z, c, Z, A}, 400},
        {"spacing ends at @", "%P+50A@B", {Z, Z, Z, Z, Z, A, Z, B}, 425},
        {"tab", "%TA", {Z, Z, A}, 575},
        {"tab from a stop", "%T%TA", {Z, Z, Z, Z, A}, 975},
        {"small tab", "A%tB", {A, Z, Z, B}, 350},
        {"move back", "A%X-20B", {A, Z, Z, Z, Z, Z, B}, 285},
        {"move before the start", "%X-50A", {Z, Z, Z, Z, Z, A}, 75},
        {"move alone widens nothing", "A%X+50", {A, Z, Z, Z, Z, Z}, 175},
        {"shift does not move", "%Y+50A", {Z, Z, Z, Z, Z, A}, 175},
        {"bold and back", "%BA%NA", {Z, Z, {200, 250, 200}, Z, Z, A}, 375},
        {"symbol and back", "%Ga%Fa", {Z, Z, {225, 250, 200}, Z, Z, c}, 350},
        {"no code", "%Q", {Z, c}, 125},
        {"percent at the end", "A%", {A, Z}, 175},
        {"short digits", "%S15A", {Z, c, c, c, A}, 550},
        {"bad sign", "%P50A", {Z, c, c, c, A}, 550},
        {"sample without digits", "%p1", {Z, c, c}, 250},
        {"lone CR and LF", "a\rb\nc", {c, Z, c, Z, c}, 375},
        {"double-byte", "\x93\xfa\x96\x7b", {{250, 250, 200}, {250, 250, 200}}, 500},
        {"empty", "", {}, 0},
    };
    for (const LayoutCase& k : cases) {
        TText t = MakeText(k.string);
        LayoutText(&t, nullptr);
        EXPECT_EQ(Entries(t), k.entries) << k.name;
        EXPECT_EQ(t.BoundingBox, TRect(0, 0, k.right, 250)) << k.name;
        EXPECT_EQ(t.LineHeight, 250) << k.name;
        EXPECT_EQ(t.Ascent, 200) << k.name;
    }
    EXPECT_EQ(fake.begun, fake.ended);
}

TEST(TextLayout, FontCodesChangeTheRunFontOnly) {
    FakeMeasure fake;
    TText t = MakeText("%O%Gx%F%S200y@z");
    std::strcpy(t.Font.lfFaceName, "Arial");
    t.Font.lfEscapement = 450;  // measured unrotated
    t.Font.lfOrientation = 450;
    LayoutText(&t, nullptr);
    ASSERT_EQ(fake.selected.size(), 6u);
    for (const LOGFONT& lf : fake.selected) {
        EXPECT_EQ(lf.lfEscapement, 0);
        EXPECT_EQ(lf.lfOrientation, 0);
    }
    EXPECT_STREQ(fake.selected[0].lfFaceName, "Arial");
    EXPECT_EQ(fake.selected[1].lfWeight, 700);
    EXPECT_EQ(fake.selected[1].lfItalic, 1);
    EXPECT_STREQ(fake.selected[2].lfFaceName, "Symbol");
    EXPECT_EQ(fake.selected[2].lfCharSet, SYMBOL_CHARSET);
    EXPECT_STREQ(fake.selected[3].lfFaceName, "Arial");
    EXPECT_EQ(fake.selected[3].lfCharSet, 0);
    EXPECT_EQ(fake.selected[4].lfHeight, -500);
    // "@" restores the height only: weight and slant stay.
    EXPECT_EQ(fake.selected[5].lfHeight, -250);
    EXPECT_EQ(fake.selected[5].lfWeight, 700);
    EXPECT_EQ(fake.selected[5].lfItalic, 1);
    EXPECT_EQ(fake.measured, (std::vector<std::string>{"x", "y", "z"}));
}

TEST(TextLayout, LinesAndSpacing) {
    FakeMeasure fake;
    TText t = MakeText("a\r\nBB", -300);
    t.LineSpacing = 150;
    LayoutText(&t, nullptr);
    // 450 between the baselines plus one line height; the widest line counts.
    EXPECT_EQ(t.BoundingBox, TRect(0, 0, 360, 750));
    EXPECT_EQ(Entries(t).size(), 5u);

    t.String = "a\nb";  // an LF alone breaks no line
    LayoutText(&t, nullptr);
    EXPECT_EQ(t.BoundingBox, TRect(0, 0, 300, 300));

    t.String = "\r\n\r\n";
    t.LineSpacing = 100;
    LayoutText(&t, nullptr);
    EXPECT_EQ(t.BoundingBox, TRect(0, 0, 0, 900));
}

TEST(TextLayout, RotatedBoxTurnsAboutTheFirstBaseline) {
    FakeMeasure fake;
    TText t = MakeText("AB");
    t.Font.lfEscapement = 900;
    LayoutText(&t, nullptr);
    // The unrotated box (0, 0, 325, 250) turned about (0, 200); the constant
    // 3.1415926 leaves sin(90) a hair below 1, so some corners truncate inward.
    EXPECT_EQ(t.BoundingBox, TRect(-199, -125, 50, 200));
    EXPECT_EQ(Entries(t)[0], (Entry{175, 250, 200}));  // advances stay unrotated

    t.Font.lfEscapement = 300;
    LayoutText(&t, nullptr);
    EXPECT_EQ(t.BoundingBox, TRect(-99, -135, 306, 243));
}

TEST(TextLayout, SeriesReferences) {
    FakeMeasure fake;
    BoxFrame set;
    set.PlotList.Add(Series("C:\\data\\run1.dat").release());
    set.PlotList.Add(Series("D:\\x\\a_b%.dat").release());
    set.PlotList.Add(Series("").release());

    struct Case {
        std::string string, expanded;
        int entries;
    } cases[] = {
        {"%D001", "C:\\data\\run1.dat", 16},
        {"%d001", "run1.dat", 8},
        // The file name's markup characters are escaped and show literally.
        {"%d002", "a%_b%%.dat", 10},
        {"%d003", "", 0},
        // Out of range or short: the "%" goes, the rest is text.
        {"%D005", "D005", 4},
        {"%d000", "d000", 4},
        {"%d01", "d01", 3},
        // A copied "%" does not protect the next one.
        {"%%D001", "%C:\\data\\run1.dat", 17},
        {"x%D001y", "xC:\\data\\run1.daty", 18},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kv::ExpandSeriesRefs(c.string, &set), c.expanded) << c.string;
        TText t = MakeText(c.string);
        LayoutText(&t, &set);
        EXPECT_EQ(t.CharMetrics.GetItemsInContainer(), c.entries) << c.string;
    }
    // The escaped name shows as a_b%.dat: a, _, b, %, ., d, a, t.
    TText t = MakeText("%d002");
    fake.measured.clear();
    LayoutText(&t, &set);
    EXPECT_EQ(fake.measured, (std::vector<std::string>{"a", "_", "b", "%", ".", "d", "a", "t"}));
    EXPECT_EQ(t.BoundingBox.right, 8 * 125);
    // Without an axis set no reference names a series.
    EXPECT_EQ(kv::ExpandSeriesRefs("%d001", nullptr), "d001");
}

TEST(TextLayout, LegendSamples) {
    FakeMeasure fake;
    BoxFrame set;
    set.PlotList.Add(Series("a.dat").release());

    TText t = MakeText("%p001", -240);  // LineHeight 240, ascent 192
    LayoutText(&t, &set);
    EXPECT_EQ(Entries(t), (std::vector<Entry>{Z, Z, Z, Z, {840, 240, 192}}));
    EXPECT_EQ(t.BoundingBox, TRect(0, 0, 840, 240));

    // A sample of a series the set lacks still takes its width.
    t.String = "%p005A";
    LayoutText(&t, &set);
    EXPECT_EQ(t.BoundingBox.right, 840 + 168);

    // trunc(240 x 0.5 x 3.0 x 0.01) ... = 360, plus 120.
    t.String = "%p001";
    t.LegendLength = 50;
    LayoutText(&t, &set);
    EXPECT_EQ(Entries(t).back(), (Entry{480, 240, 192}));
}

TEST(TextLayout, TabsDoNothingWithoutAscent) {
    FakeMeasure fake;
    fake.zeroAscent = true;
    TText t = MakeText("A%TB%tA");
    LayoutText(&t, nullptr);
    EXPECT_EQ(t.Ascent, 0);
    EXPECT_EQ(t.BoundingBox, TRect(0, 0, 500, 250));
}

TEST(TextLayout, HugeStoredValuesSaturate) {
    FakeMeasure fake;
    TText t = MakeText("%p001%p001\r\n\r\n");
    t.LegendLength = 2000000000;
    t.LineSpacing = 2000000000;
    BoxFrame set;
    set.PlotList.Add(Series("a.dat").release());
    LayoutText(&t, &set);
    EXPECT_EQ(t.BoundingBox.right, INT_MAX);
    EXPECT_EQ(t.BoundingBox.bottom, INT_MAX);
}

TEST(TextLayout, RelayoutHookLaysOutEveryTextOfTheSet) {
    FakeMeasure fake;
    kv::InstallTextLayout();
    auto set = kvtest::MakeSampleBoxFrame();
    for (AxisUnit* axis : {&set->LeftAxis, &set->BottomAxis, &set->TopAxis, &set->RightAxis})
        for (TText* t : axis->LabelTexts) t->CharMetrics.Flush();
    for (TText* t : set->TextList) t->CharMetrics.Flush();

    RelayoutTexts(*set);
    int texts = 0;
    for (TText* t : set->TextList) {
        EXPECT_GT(t->CharMetrics.GetItemsInContainer(), 0);
        ++texts;
    }
    for (AxisUnit* axis : {&set->LeftAxis, &set->BottomAxis, &set->TopAxis, &set->RightAxis})
        for (TText* t : axis->LabelTexts) {
            EXPECT_EQ(t->CharMetrics.GetItemsInContainer(), int(t->String.size())) << t->String;
            EXPECT_EQ(t->LineHeight, FakeMeasure::Em(t->Font));
            ++texts;
        }
    EXPECT_GT(texts, 4);

    // Deleting series 1 renumbers "%d003" to "%d002" and lays it out with the
    // file name of the series that is now second.
    auto text = std::make_unique<TText>();
    text->String = "%d003";
    TText* legend = text.get();
    set->TextList.Add(text.release());
    ASSERT_EQ(set->PlotList.GetItemsInContainer(), 3);
    char name[MAX_PATH];
    GetFileNameExt(set->PlotList[3]->DataFileName, name);
    ASSERT_GT(std::strlen(name), 0u);
    std::string shown;
    EscapeMarkup(name, shown);
    set->DeletePlot(1);
    set->RenumberAllTextRefs();
    EXPECT_EQ(legend->String, "%d002");
    TText expected = MakeText(shown);
    expected.Font = legend->Font;
    LayoutText(&expected, nullptr);
    EXPECT_EQ(legend->BoundingBox, expected.BoundingBox);
    EXPECT_EQ(legend->CharMetrics.GetItemsInContainer(),
              expected.CharMetrics.GetItemsInContainer());
    SetTextRelayoutHook(nullptr);
}

TEST(TextLayout, OpeningAGraphFileLaysOutItsTextsAddingOneKeepsThem) {
    FakeMeasure fake;
    kv::InstallTextLayout();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath("texts.kv3").toStdString();

    // Stored metrics that no layout would give.
    GraphDocument written;
    BoxFrame& set = *written.AxisSets[1];
    auto text = std::make_unique<TText>();
    text->String = "AB";
    text->Font.lfHeight = -250;
    text->CharMetrics.Add(TCharMetric(1, 2, 3));
    text->BoundingBox = TRect(0, 0, 1, 1);
    set.TextList.Add(text.release());
    auto label = std::make_unique<TText>();
    label->String = "10";
    set.LeftAxis.LabelTexts.Add(label.release());
    ASSERT_EQ(WriteGraphFile(written, path), 1);

    GraphDocument opened;
    ASSERT_EQ(ReadGraphFile(opened, path), 1);
    const BoxFrame& read = *opened.AxisSets[1];
    EXPECT_EQ(Entries(*read.TextList[1]), (std::vector<Entry>{{175, 250, 200}, {150, 250, 200}}));
    EXPECT_EQ(read.TextList[1]->BoundingBox, TRect(0, 0, 325, 250));
    EXPECT_EQ(read.LeftAxis.LabelTexts[1]->BoundingBox, TRect(0, 0, 300, 300));

    ASSERT_EQ(AddGraphFile(opened, path), 1);
    const BoxFrame& added = *opened.AxisSets[2];
    EXPECT_EQ(Entries(*added.TextList[1]), (std::vector<Entry>{{1, 2, 3}}));
    SetTextRelayoutHook(nullptr);
}

TEST(TextLayout, DeviceMeasureLeavesTheMeasuringDeviceAsFound) {
    TDC& dc = kv::TextMeasuringDC();
    const LOGFONT before = dc.GetFont().GetLogFont();
    TText t = MakeText("A%BB%GC");
    std::strcpy(t.Font.lfFaceName, "Arial");
    LayoutText(&t, nullptr, kv::DeviceTextMeasure());
    EXPECT_TRUE(dc.GetFont().GetLogFont() == before);
    ASSERT_EQ(t.CharMetrics.GetItemsInContainer(), 7);
    for (int i : {1, 4, 7}) EXPECT_GT(t.CharMetrics[i].Width, 0) << i;
    // A twips measure of a 250-twip Arial: the ascent is a little below the height.
    EXPECT_GT(t.Ascent, 150);
    EXPECT_LT(t.Ascent, t.LineHeight);
}

struct PathCase {
    const char* path;
    const char* nameExt;
    const char* driveDir;
};

TEST(MarkupHelpers, PathSplitting) {
    const PathCase cases[] = {
        {"D:\\data\\run1.dat", "run1.dat", "D:\\data\\"},
        {"run1.dat", "run1.dat", ""},
        {"D:\\data\\", "", "D:\\data\\"},
        {"D:\\a\\b.c.txt", "b.c.txt", "D:\\a\\"},
        {"E:x.txt", "x.txt", "E:"},
        {"/home/u/x.dat", "x.dat", "/home/u/"},
        {"D:\\a\\..", "", "D:\\a\\.."},
        // "表" is 0x95 0x5C: its second byte is no separator.
        {"C:\\\x95\x5C.dat", "\x95\x5C.dat", "C:\\"},
    };
    for (const PathCase& c : cases) {
        char name[MAX_PATH], dir[MAX_PATH];
        GetFileNameExt(c.path, name);
        GetDriveDir(c.path, dir);
        EXPECT_STREQ(name, c.nameExt) << c.path;
        EXPECT_STREQ(dir, c.driveDir) << c.path;
    }
    // Long paths: only 260 bytes count, and the results stay in their buffers.
    std::string longPath = "C:\\" + std::string(250, 'd') + "\\" + std::string(300, 'n') + ".dat";
    char name[MAX_PATH + 16], dir[MAX_PATH + 16];
    std::memset(name, 'x', sizeof name);
    std::memset(dir, 'x', sizeof dir);
    GetFileNameExt(longPath.c_str(), name);
    GetDriveDir(longPath.c_str(), dir);
    EXPECT_LT(std::strlen(name), std::size_t(MAX_PATH));
    EXPECT_EQ(std::string(dir), "C:\\" + std::string(250, 'd') + "\\");
    EXPECT_EQ(name[MAX_PATH], 'x');
}

TEST(MarkupHelpers, EscapeMarkup) {
    std::string out;
    EscapeMarkup("a%b@c^d_e", out);
    EXPECT_EQ(out, "a%%b%@c%^d%_e");
    // Trail bytes 0x5F ("_") and 0x40 ("@") of double-byte characters stay; so do
    // CR and LF.
    EscapeMarkup("\x83\x5F\x81\x40\r\n%", out);
    EXPECT_EQ(out, "\x83\x5F\x81\x40\r\n%%");
    std::string same = "x_y";
    EscapeMarkup(same, same);
    EXPECT_EQ(same, "x%_y");
}

TEST(MarkupHelpers, RotatePoint) {
    TPoint p;
    EXPECT_EQ(RotatePoint(p, 123, -45, 7, 9, 0.0), TPoint(123, -45));
    // Counter-clockwise on a page whose y grows downward: right turns to up.
    EXPECT_EQ(RotatePoint(p, 1000, 0, 0, 0, 90.0), TPoint(0, -999));
    EXPECT_EQ(RotatePoint(p, 10, 0, 0, 0, 90.0), TPoint(0, -9));
    EXPECT_EQ(RotatePoint(p, 110, 50, 100, 50, 180.0), TPoint(90, 49));
}

}  // namespace
