#include "model/defaults.h"

#include "platform/profile.h"
#include "stream_bytes.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cfloat>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace kvtest;

namespace {

class DefaultStylesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    const char* Path() const { return path_.c_str(); }
    std::string FileText() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void WriteFile(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }
    std::string Value(const char* section, const char* key) const {
        return kv::GetProfileString(section, key, "<missing>", Path());
    }

    QTemporaryDir dir_;
    std::string path_ = dir_.path().toStdString() + "/user.korvida";
};

// The eight sections exactly as a user without a profile gets them written back:
// every key in its order, every value in its format.
const char kDefaultProfileText[] =
    "[Axis]\n"
    "FrameType=0\n"
    "OriginX=2000.000000000000000\n"
    "OriginY=3000.000000000000000\n"
    "FrameLengthX=7000.000000000000000\n"
    "FrameLengthY=7000.000000000000000\n"
    "FrameLineColor=0\n"
    "FrameBackPaint=0\n"
    "FrameBackColor=16777215\n"
    "AxisFrameThickRate=50\n"
    "TickThickRate=32\n"
    "TickLengthRate=160\n"
    "MarkerSizeRate=80\n"
    "MarkerThickRate=32\n"
    "LineThickRate=32\n"
    "ZukeiLineRate=32\n"
    "YasenLength=200\n"
    "IsOnlyParameter=0\n"
    "PaintOrder=1\n"
#define KV_AXIS_KEYS                      \
    "DispRegionStart=0\n"                 \
    "DispRegionEnd=100\n"                 \
    "Scaling=0\n"                         \
    "RangeStart=0\n"                      \
    "RangeEnd=10\n"                       \
    "RangeInc=2\n"                        \
    "ScaleInv=0\n"                        \
    "AutoCrossPoint=1\n"                  \
    "CrossPointValue=0.000000\n"          \
    "TickInside=1\n"                      \
    "TickOutside=0\n"                     \
    "TickColor=0\n"                       \
    "TickLength=100\n"                    \
    "TickWidth=100\n"                     \
    "MajorTickLineStyle=0\n"              \
    "MajorTickLineWidth=100\n"            \
    "MajorTickLineColor=0\n"              \
    "MinorTickDivision=2\n"               \
    "MinorTickLineStyle=0\n"              \
    "MinorTickLineWidth=100\n"            \
    "MinorTickLineColor=0\n"              \
    "LabelFormat=1\n"                     \
    "LabelFontColor=0\n"                  \
    "LabelAddPlus=0\n"                    \
    "LabelPositionAdjust=0\n"             \
    "LabelSkip=0\n"                       \
    "ZeroCommon=1\n"                      \
    "ManualNumPrecision=0\n"              \
    "IntPrecision=1\n"                    \
    "DecimalPrecision=-1\n"               \
    "LabelFontHeight=-360\n"              \
    "lfWidth=0\n"                         \
    "lfEscapement=0\n"                    \
    "lfOrientation=0\n"                   \
    "lfWeight=400\n"                      \
    "lfItalic=0\n"                        \
    "lfUnderline=0\n"                     \
    "lfStrikeOut=0\n"                     \
    "lfCharSet=0\n"                       \
    "lfOutPrecision=3\n"                  \
    "lfClipPrecision=2\n"                 \
    "lfQuality=1\n"                       \
    "lfPitchAndFamily=18\n"               \
    "LabelFontFaceName=Times New Roman\n"
    KV_AXIS_KEYS
    "[LAxis]\n" KV_AXIS_KEYS
    "[TAxis]\n" KV_AXIS_KEYS
    "[RAxis]\n" KV_AXIS_KEYS
#undef KV_AXIS_KEYS
#define KV_PLOT_STYLE_KEYS      \
    "LineStyle=1\n"             \
    "LineWidth=100\n"           \
    "LineColor=0\n"             \
    "LineInterpolate=0\n"       \
    "LineInterpolatePara=20\n"  \
    "MarkerStyle=0\n"           \
    "MarkerCenterDot=0\n"       \
    "MarkerSize=100\n"          \
    "MarkerEdgeColor=0\n"       \
    "MarkerInsideColor=16777215\n" \
    "MarkerInsidePaint=0\n"     \
    "Clipping=1\n"              \
    "RefAxisX=1\n"              \
    "RefAxisY=1\n"              \
    "NullOutLine=0\n"           \
    "BaseValue=0\n"             \
    "OutLineWidth=100\n"
    "[PlotStyle]\n" KV_PLOT_STYLE_KEYS
    "[MemoryPlotStyle]\n" KV_PLOT_STYLE_KEYS
#undef KV_PLOT_STYLE_KEYS
    "[Text]\n"
    "BackPaint=0\n"
    "LineSpacing=100\n"
    "ForColor=0\n"
    "BackColor=16777215\n"
    "LegendLength=100\n"
    "lfHeight=-360\n"
    "lfWidth=0\n"
    "lfEscapement=0\n"
    "lfOrientation=0\n"
    "lfWeight=400\n"
    "lfItalic=0\n"
    "lfUnderline=0\n"
    "lfStrikeOut=0\n"
    "lfCharSet=0\n"
    "lfOutPrecision=3\n"
    "lfClipPrecision=2\n"
    "lfQuality=1\n"
    "lfPitchAndFamily=18\n"
    "lfFaceName=Times New Roman\n"
    "[Parts]\n"
    "PenColor=0\n"
    "PenWidth=100\n"
    "PenType=1\n"
    "Arrow=0\n"
    "ForeBrushColor=0\n"
    "BackBrushColor=16777215\n"
    "BrushType=-2\n"
    "IsSpline=0\n"
    "IsClosed=0\n"
    "InterPointNo=100\n";

TEST_F(DefaultStylesTest, WithoutProfileTheProfileDefaultsHoldAndAreWrittenInTheirFormats) {
    DefaultStyles d;
    d.ReadAllDefaults(Path());

    // The profile defaults, which differ from the constructors'.
    EXPECT_EQ(d.DefaultFrame.OriginX, 2000.0);
    EXPECT_EQ(d.DefaultFrame.OriginY, 3000.0);
    EXPECT_EQ(d.DefaultFrame.FrameLengthX, 7000.0);
    EXPECT_EQ(d.DefaultFrame.FrameLengthY, 7000.0);
    EXPECT_EQ(d.DefaultFrame.ZukeiLineRate, 32);
    EXPECT_EQ(d.DefaultFrame.FrameBackColor, 0xFFFFFFu);
    EXPECT_EQ(d.DefaultIsOnlyParameter, 0);
    EXPECT_EQ(d.DefaultPaintOrder, 1);
    for (const AxisUnit& a : d.DefaultAxes) {
        EXPECT_EQ(a.RangeStart, 0.0);
        EXPECT_EQ(a.RangeEnd, 10.0);
        EXPECT_EQ(a.RangeInc, 2.0);
        EXPECT_EQ(a.MinorTickDivision, 2);
        EXPECT_EQ(a.DecimalPrecision, -1);
        EXPECT_EQ(a.LabelFont.lfHeight, -360);
        EXPECT_EQ(a.LabelFont.lfPitchAndFamily, 18);
        EXPECT_STREQ(a.LabelFont.lfFaceName, "Times New Roman");
    }
    EXPECT_EQ(d.DefaultPlotStyle.MarkerInsideColor, 0xFFFFFFu);
    EXPECT_EQ(d.DefaultMemoryPlotStyle.LineInterpolatePara, 20);
    EXPECT_EQ(d.DefaultText.Font.lfHeight, -360);
    EXPECT_STREQ(d.DefaultText.Font.lfFaceName, "Times New Roman");
    EXPECT_EQ(d.DefaultZukei.BrushType, -2);
    // Reading created nothing.
    EXPECT_FALSE(std::ifstream(path_).good());

    // Every other value of the tables, with its key and format, through the text
    // written back.
    d.WriteAllDefaults(Path());
    EXPECT_EQ(FileText(), kDefaultProfileText);

    // Writing again rewrites every key with the same text.
    d.WriteAllDefaults(Path());
    EXPECT_EQ(FileText(), kDefaultProfileText);
}

// Gives every key of every section a value away from its default; integers
// include negative ones and extremes.
void FillEveryKey(DefaultStyles& d) {
    Frame& f = d.DefaultFrame;
    f.FrameType = 2;
    f.OriginX = -1234.5;
    f.OriginY = 0.001;
    f.FrameLengthX = 98765.4321;
    f.FrameLengthY = 1e-9;  // "%.15f" keeps 0.000000001 exactly enough
    f.FrameLineColor = RGB(1, 2, 3);
    f.FrameBackPaint = 1;
    f.FrameBackColor = RGB(250, 251, 252);
    f.AxisFrameThickRate = -1;
    f.TickThickRate = 11;
    f.TickLengthRate = 12;
    f.MarkerSizeRate = 13;
    f.MarkerThickRate = 14;
    f.LineThickRate = 15;
    f.ZukeiLineRate = 16;
    f.YasenLength = 2147483647;
    d.DefaultIsOnlyParameter = 1;
    d.DefaultPaintOrder = 2;
    for (int i = 0; i < 4; ++i) {
        AxisUnit& a = d.DefaultAxes[i];
        a.DispRegionStart = 5 + i;
        a.DispRegionEnd = 95 - i;
        a.Scaling = 1 + i;
        // "%.15g" keeps fifteen digits: values that need no more come back exactly.
        const double starts[4] = {-2.5e-7, 0.125, -3.75, 1e-5};
        const double incs[4] = {0.1, 0.2, 0.3, 0.4};
        a.RangeStart = starts[i];
        a.RangeEnd = 123456789012345.0 + i;
        a.RangeInc = incs[i];
        a.ScaleInv = 1;
        a.AutoCrossPoint = 0;
        a.CrossPointValue = -7.25 - i;
        a.TickInside = 0;
        a.TickOutside = 1;
        a.TickColor = RGB(10, 20, 30 + i);
        a.TickLength = 150 + i;
        a.TickWidth = 75 + i;
        a.MajorTickLineStyle = 3;
        a.MajorTickLineWidth = 50 + i;
        a.MajorTickLineColor = RGB(4, 5, 6 + i);
        a.MinorTickDivision = 5 + i;
        a.MinorTickLineStyle = 7;
        a.MinorTickLineWidth = 25 + i;
        a.MinorTickLineColor = RGB(7, 8, 9 + i);
        a.LabelFormat = 2;
        a.LabelFontColor = RGB(11, 12, 13 + i);
        a.LabelAddPlus = 1;
        a.LabelPositionAdjust = -2;
        a.LabelSkip = 3 + i;
        a.ZeroCommon = 0;
        a.ManualNumPrecision = 1;
        a.IntPrecision = 4 + i;
        a.DecimalPrecision = -2 - i;
        LOGFONT& lf = a.LabelFont;
        lf.lfHeight = -240 - i;
        lf.lfWidth = 7;
        lf.lfEscapement = 900;
        lf.lfOrientation = -900;
        lf.lfWeight = 700;
        lf.lfItalic = 1;
        lf.lfUnderline = 1;
        lf.lfStrikeOut = 1;
        lf.lfCharSet = 128;
        lf.lfOutPrecision = 4;
        lf.lfClipPrecision = 5;
        lf.lfQuality = 255;
        lf.lfPitchAndFamily = 0x31;
        lstrcpynA(lf.lfFaceName, "\x82\x6c\x82\x72 Gothic", LF_FACESIZE);
    }
    int k = 0;
    for (TPlotStyle* s : {&d.DefaultPlotStyle, &d.DefaultMemoryPlotStyle}) {
        ++k;
        s->LineStyle = 3 + k;
        s->LineWidth = 250 + k;
        s->LineColor = RGB(200, 100, k);
        s->LineInterpolate = 4 + k;
        s->LineInterpolatePara = 50 + k;
        s->MarkerStyle = 14 + k;
        s->MarkerCenterDot = 1;
        s->MarkerSize = 300 + k;
        s->MarkerEdgeColor = RGB(1, 1, k);
        s->MarkerInsideColor = RGB(2, 2, k);
        s->MarkerInsidePaint = 1;
        s->Clipping = 0;
        s->RefAxisX = 0;
        s->RefAxisY = 0;
        s->NullOutLine = 1;
        s->BaseValue = k == 1 ? -3.14159265358979 : 2.5e-300;
        s->OutLineWidth = 40 + k;
    }
    TText& t = d.DefaultText;
    t.BackPaint = 1;
    t.LineSpacing = 150;
    t.ForColor = RGB(9, 8, 7);
    t.BackColor = RGB(6, 5, 4);
    t.LegendLength = 250;
    t.Font.lfHeight = -1;
    t.Font.lfWidth = 3;
    t.Font.lfEscapement = -450;
    t.Font.lfOrientation = 450;
    t.Font.lfWeight = 900;
    t.Font.lfItalic = 1;
    t.Font.lfUnderline = 1;
    t.Font.lfStrikeOut = 1;
    t.Font.lfCharSet = 2;
    t.Font.lfOutPrecision = 7;
    t.Font.lfClipPrecision = 8;
    t.Font.lfQuality = 4;
    t.Font.lfPitchAndFamily = 0x22;
    lstrcpynA(t.Font.lfFaceName, "Courier New", LF_FACESIZE);
    TZukei& z = d.DefaultZukei;
    z.PenColor = RGB(255, 0, 0);
    z.PenWidth = 400;
    z.PenType = 0;
    z.Arrow = 3;
    z.ForeBrushColor = RGB(0, 255, 0);
    z.BackBrushColor = RGB(0, 0, 255);
    z.BrushType = -1;
    z.IsSpline = 1;
    z.IsClosed = 1;
    z.InterPointNo = 7;
}

TEST_F(DefaultStylesTest, WritingThenReadingGivesEveryValueBack) {
    DefaultStyles written;
    FillEveryKey(written);
    written.WriteAllDefaults(Path());

    DefaultStyles read;
    read.ReadAllDefaults(Path());

    // Compared through their records: every field, including those no key holds
    // (which both keep from their constructors).
    EXPECT_EQ(RecordOf(read.DefaultFrame), RecordOf(written.DefaultFrame));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(RecordOf(read.DefaultAxes[i]), RecordOf(written.DefaultAxes[i])) << "axis " << i;
    EXPECT_EQ(RecordOf(read.DefaultPlotStyle), RecordOf(written.DefaultPlotStyle));
    EXPECT_EQ(RecordOf(read.DefaultMemoryPlotStyle), RecordOf(written.DefaultMemoryPlotStyle));
    EXPECT_EQ(RecordOf(read.DefaultText), RecordOf(written.DefaultText));
    EXPECT_EQ(RecordOf(read.DefaultZukei), RecordOf(written.DefaultZukei));
    EXPECT_EQ(read.DefaultIsOnlyParameter, 1);
    EXPECT_EQ(read.DefaultPaintOrder, 2);
    // Spot checks that the record comparison is not vacuous.
    EXPECT_EQ(read.DefaultAxes[DefaultRightAxis].DecimalPrecision, -5);
    EXPECT_EQ(read.DefaultAxes[DefaultTopAxis].RangeEnd, 123456789012347.0);
    EXPECT_EQ(read.DefaultText.Font.lfHeight, -1);
    EXPECT_EQ(read.DefaultZukei.BrushType, -1);
    EXPECT_EQ(read.DefaultFrame.AxisFrameThickRate, -1);
    EXPECT_EQ(read.DefaultMemoryPlotStyle.BaseValue, 2.5e-300);

    // A second save of what was read leaves the file as it was.
    std::string first = FileText();
    read.WriteAllDefaults(Path());
    EXPECT_EQ(FileText(), first);
}

TEST_F(DefaultStylesTest, ValuesAreWrittenInTheirKeysFormats) {
    DefaultStyles d;
    d.ReadAllDefaults(Path());
    d.DefaultFrame.OriginX = 2000.0;
    d.DefaultFrame.OriginY = 1.0 / 3.0;
    d.DefaultFrame.MarkerThickRate = 45;  // changed alone
    d.DefaultAxes[DefaultBottomAxis].RangeEnd = 10.0;
    d.DefaultAxes[DefaultBottomAxis].RangeInc = 1.0 / 3.0;
    d.DefaultAxes[DefaultBottomAxis].RangeStart = 1e-20;
    d.DefaultAxes[DefaultBottomAxis].CrossPointValue = 0.5;
    d.DefaultAxes[DefaultLeftAxis].CrossPointValue = 1.23456789;
    d.DefaultAxes[DefaultTopAxis].CrossPointValue = -0.0000004;
    d.DefaultPlotStyle.BaseValue = 0.0;
    d.DefaultMemoryPlotStyle.BaseValue = 2.5e-300;
    d.DefaultZukei.PenColor = 0xFFFFFFFF;
    d.WriteAllDefaults(Path());

    struct Case {
        const char* section;
        const char* key;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{
             {"Axis", "OriginX", "2000.000000000000000"},
             {"Axis", "OriginY", "0.333333333333333"},
             {"Axis", "MarkerThickRate", "45"},
             {"Axis", "LineThickRate", "32"},
             {"Axis", "RangeEnd", "10"},
             {"Axis", "RangeInc", "0.333333333333333"},
             {"Axis", "RangeStart", "1e-20"},
             {"Axis", "CrossPointValue", "0.500000"},
             {"LAxis", "CrossPointValue", "1.234568"},
             {"TAxis", "CrossPointValue", "-0.000000"},
             {"RAxis", "CrossPointValue", "0.000000"},
             {"PlotStyle", "BaseValue", "0"},
             {"MemoryPlotStyle", "BaseValue", "2.5e-300"},
             {"Parts", "PenColor", "-1"},
             {"Text", "BackColor", "16777215"},
             {"Text", "lfHeight", "-360"},
             {"LAxis", "LabelFontHeight", "-360"},
         })
        EXPECT_EQ(Value(c.section, c.key), c.text) << c.section << "/" << c.key;

    // Digits past the sixth decimal of the crossing value are lost at each save.
    DefaultStyles back;
    back.ReadAllDefaults(Path());
    EXPECT_EQ(back.DefaultAxes[DefaultLeftAxis].CrossPointValue, 1.234568);
    EXPECT_EQ(back.DefaultAxes[DefaultTopAxis].CrossPointValue, -0.0);
    EXPECT_EQ(back.DefaultFrame.LineThickRate, 32);
    EXPECT_EQ(back.DefaultFrame.MarkerThickRate, 45);
    EXPECT_EQ(back.DefaultZukei.PenColor, 0xFFFFFFFFu);
}

TEST_F(DefaultStylesTest, HandEditedValuesReadAsTheConversionsGiveThem) {
    const std::string face40(40, 'F');
    WriteFile("[Axis]\n"
              "OriginX=abc\n"
              "OriginY=  2.5e3xyz\n"
              "FrameLengthX=1d3\n"
              "FrameLineColor=12abc\n"
              "FrameBackColor=\n"
              "PaintOrder= -2\n"
              "ManualNumPrecision=5\n"
              "lfItalic=257\n"
              "lfUnderline=-1\n"
              "LabelFontFaceName=" + face40 + "\n"
              "RangeEnd=1,5\n"
              "[LAxis]\n"
              "ManualNumPrecision=-3\n"
              "DecimalPrecision=-1\n"
              "[TAxis]\n"
              "[RAxis]\n"
              "LabelFontFaceName=" + std::string(30, 'G') + "\x82\x6c\x82\x72\n"
              "[Text]\n"
              "lfFaceName=\"Arial\"\n"
              "lfEscapement=-900\n"
              "[Parts]\n"
              "BrushType=junk\n");
    DefaultStyles d;
    d.ReadAllDefaults(Path());
    const AxisUnit& bottom = d.DefaultAxes[DefaultBottomAxis];
    EXPECT_EQ(d.DefaultFrame.OriginX, 0.0);
    EXPECT_EQ(d.DefaultFrame.OriginY, 2500.0);
    EXPECT_EQ(d.DefaultFrame.FrameLengthX, 1.0);  // "d" is no exponent letter here
    EXPECT_EQ(d.DefaultFrame.FrameLineColor, 12u);
    EXPECT_EQ(d.DefaultFrame.FrameBackColor, 0u);  // an empty text is no number
    EXPECT_EQ(d.DefaultPaintOrder, -2);
    EXPECT_EQ(bottom.ManualNumPrecision, 1);
    EXPECT_EQ(bottom.LabelFont.lfItalic, 1);
    EXPECT_EQ(bottom.LabelFont.lfUnderline, 255);
    EXPECT_EQ(std::string(bottom.LabelFont.lfFaceName), face40.substr(0, 31));
    EXPECT_EQ(bottom.RangeEnd, 1.0);
    EXPECT_EQ(d.DefaultAxes[DefaultLeftAxis].ManualNumPrecision, 1);
    EXPECT_EQ(d.DefaultAxes[DefaultTopAxis].RangeEnd, 10.0);  // empty section: defaults
    // Cut before a double-byte character that would not fit whole.
    EXPECT_EQ(std::string(d.DefaultAxes[DefaultRightAxis].LabelFont.lfFaceName), std::string(30, 'G'));
    EXPECT_STREQ(d.DefaultText.Font.lfFaceName, "Arial");
    EXPECT_EQ(d.DefaultText.Font.lfEscapement, -900);
    EXPECT_EQ(d.DefaultZukei.BrushType, 0);  // no digits: 0, not the default

    // The flag is written back as read.
    d.WriteDefaultAxes(Path());
    EXPECT_EQ(Value("Axis", "ManualNumPrecision"), "1");
    EXPECT_EQ(Value("Axis", "lfItalic"), "1");
}

// Values that "%f" and "%.15f" spell in more than 254 characters are written whole
// and come back exactly, not cut to another number.
TEST_F(DefaultStylesTest, DoublesOfAnyMagnitudeAreWrittenWholeAndReadBack) {
    const double values[] = {1e300, -DBL_MAX, 1.23456789e258, 1e255};
    for (double v : values) {
        DefaultStyles d;
        d.DefaultFrame.OriginX = v;
        d.DefaultFrame.FrameLengthY = -v;
        d.DefaultAxes[DefaultRightAxis].CrossPointValue = v;
        d.WriteAllDefaults(Path());
        EXPECT_GT(Value("Axis", "OriginX").size(), 254u) << v;
        EXPECT_GT(Value("Axis", "FrameLengthY").size(), 254u) << v;
        EXPECT_GT(Value("RAxis", "CrossPointValue").size(), 254u) << v;

        DefaultStyles back;
        back.ReadAllDefaults(Path());
        EXPECT_EQ(back.DefaultFrame.OriginX, v);
        EXPECT_EQ(back.DefaultFrame.FrameLengthY, -v);
        EXPECT_EQ(back.DefaultAxes[DefaultRightAxis].CrossPointValue, v);
    }
}

TEST_F(DefaultStylesTest, OtherSectionsAndAnUnwritableProfileAreLeftAlone) {
    WriteFile("[Window]\nLeft=10\n\n[Axis]\nOriginX=5\nMyKey=kept\n\n[Other]\ndatadrive=C:\n");
    DefaultStyles d;
    d.ReadAllDefaults(Path());
    EXPECT_EQ(d.DefaultFrame.OriginX, 5.0);
    d.WriteAllDefaults(Path());
    std::string text = FileText();
    EXPECT_EQ(text.rfind("[Window]\nLeft=10\n\n[Axis]\nOriginX=5.000000000000000\n", 0), 0u) << text;
    EXPECT_NE(text.find("MyKey=kept\nFrameType=0\n"), std::string::npos);
    EXPECT_NE(text.find("[Other]\ndatadrive=C:\n[LAxis]\n"), std::string::npos);

    // A profile in a folder that does not exist: nothing written, nothing thrown,
    // and reading from it gives the defaults.
    std::string nowhere = dir_.path().toStdString() + "/missing/dir/user.korvida";
    d.WriteAllDefaults(nowhere.c_str());
    d.WriteAllDefaults(nullptr);
    DefaultStyles e;
    e.ReadAllDefaults(nowhere.c_str());
    EXPECT_EQ(e.DefaultFrame.OriginX, 2000.0);
    e.ReadAllDefaults(nullptr);
    EXPECT_EQ(e.DefaultFrame.FrameLengthX, 7000.0);
}

// ---- Applying the defaults to new objects

std::unique_ptr<TText> LabelText(const char* s) {
    auto t = std::make_unique<TText>();
    t->String = s;
    t->CharMetrics.Add(TCharMetric(90, 300, 240));
    return t;
}

TEST(DefaultStylesApply, FrameAndAxesTakeEveryFieldOfTheDefaults) {
    DefaultStyles d;
    FillEveryKey(d);
    d.DefaultFrame.FrameReserved = 7;
    AxisUnit& bottom = d.DefaultAxes[DefaultBottomAxis];
    bottom.IsVisible = 0;
    bottom.IsCommon = 0;
    bottom.IsAutoLabel = 0;
    auto label = LabelText("0.5");
    bottom.LabelTexts.Add(label);

    BoxFrame set;
    set.TopAxis.LabelTexts.Add(LabelText("old").release());
    d.ApplyDefaultFrame(&set.Frame);
    d.ApplyDefaultAxes(&set);

    EXPECT_EQ(RecordOf(set.Frame), RecordOf(d.DefaultFrame));
    EXPECT_EQ(set.Frame.FrameReserved, 7);
    EXPECT_EQ(set.IsOnlyParameter, 1);
    EXPECT_EQ(set.PaintOrder, 2);
    EXPECT_EQ(set.BottomAxis.IsVisible, 0);
    EXPECT_EQ(set.BottomAxis.IsAutoLabel, 0);
    // Each axis from its own default, by the axis assignment: the label font loses
    // its rotation, the label texts are copies.
    const AxisUnit* axes[4] = {&set.BottomAxis, &set.LeftAxis, &set.TopAxis, &set.RightAxis};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(axes[i]->MinorTickDivision, 5 + i) << i;
        EXPECT_EQ(axes[i]->DecimalPrecision, -2 - i) << i;
        EXPECT_EQ(axes[i]->LabelFont.lfHeight, -240 - i) << i;
        EXPECT_EQ(axes[i]->LabelFont.lfEscapement, 0) << i;
        EXPECT_EQ(axes[i]->LabelFont.lfOrientation, 0) << i;
    }
    ASSERT_EQ(set.BottomAxis.LabelTexts.GetItemsInContainer(), 1);
    EXPECT_NE(set.BottomAxis.LabelTexts[1], bottom.LabelTexts[1]);
    EXPECT_EQ(set.BottomAxis.LabelTexts[1]->String, "0.5");
    EXPECT_EQ(set.TopAxis.LabelTexts.GetItemsInContainer(), 0);
}

TEST(DefaultStylesApply, SeriesStylesAreCopiedWhole) {
    DefaultStyles d;
    FillEveryKey(d);
    d.DefaultPlotStyle.IsXFormula = 1;
    d.DefaultPlotStyle.XFormula = "x*2";
    d.DefaultPlotStyle.MaskRows = "1-3";
    d.DefaultMemoryPlotStyle.IsShown = 0;
    d.DefaultMemoryPlotStyle.YFormula = "log(y)";

    TPlotStyle fromFile;
    fromFile.YFormula = "replaced";
    d.ApplyDefaultPlotStyle(&fromFile);
    EXPECT_EQ(RecordOf(fromFile), RecordOf(d.DefaultPlotStyle));
    EXPECT_EQ(fromFile.YFormula, "");

    TPlotStyle inMemory;
    d.ApplyDefaultMemoryPlotStyle(&inMemory);
    EXPECT_EQ(RecordOf(inMemory), RecordOf(d.DefaultMemoryPlotStyle));
    EXPECT_EQ(inMemory.IsShown, 0);
    EXPECT_EQ(inMemory.LineStyle, 5);
}

TEST(DefaultStylesApply, TextsAndFiguresTakeOnlyTheirStyle) {
    DefaultStyles d;
    FillEveryKey(d);
    d.DefaultText.String = "default string";
    d.DefaultText.Position = TPoint(1, 2);
    d.DefaultZukei.Kind = ZukeiEllipse;

    TText text;
    text.String = "%d1 legend";
    text.Position = TPoint(500, 600);
    text.CharMetrics.Add(TCharMetric(90, 300, 240));
    text.LineHeight = 300;
    text.Ascent = 240;
    text.BoundingBox = TRect(0, 0, 900, 300);
    d.ApplyDefaultText(&text);
    EXPECT_EQ(text.Font, d.DefaultText.Font);
    EXPECT_EQ(text.Font.lfEscapement, -450);
    EXPECT_EQ(text.BackPaint, 1);
    EXPECT_EQ(text.LineSpacing, 150);
    EXPECT_EQ(text.ForColor, RGB(9, 8, 7));
    EXPECT_EQ(text.BackColor, RGB(6, 5, 4));
    EXPECT_EQ(text.LegendLength, 250);
    EXPECT_EQ(text.String, "%d1 legend");
    EXPECT_EQ(text.Position, TPoint(500, 600));
    EXPECT_EQ(text.CharMetrics.GetItemsInContainer(), 1);
    EXPECT_EQ(text.LineHeight, 300);
    EXPECT_EQ(text.Ascent, 240);
    EXPECT_EQ(text.BoundingBox, TRect(0, 0, 900, 300));

    TZukei figure;
    figure.Kind = ZukeiPolyline;
    figure.Bounds = TRect(1, 2, 3, 4);
    figure.Nodes.Add(DoublePoint(5, 6));
    figure.Nodes.Add(DoublePoint(7, 8));
    d.ApplyDefaultParts(&figure);
    TZukei expected = d.DefaultZukei;
    expected.Kind = ZukeiPolyline;
    expected.Bounds = TRect(1, 2, 3, 4);
    expected.Nodes = figure.Nodes;
    EXPECT_EQ(RecordOf(figure), RecordOf(expected));
    EXPECT_EQ(figure.InterPointNo, 7);
    EXPECT_EQ(figure.Nodes.GetItemsInContainer(), 2);
}

// ---- The new-graph reset

struct NewGraphFixture {
    TIArrayAsVector<BoxFrame> sets{1, 10};
    BoxFrame* current = nullptr;
    int currentNo = 0;
    int modified = 1;
    std::string fileName = "C:\\DATA\\old.kv3";
    NewGraphDocument Doc() { return {sets, current, currentNo, modified, fileName}; }
};

TEST(DefaultStylesNewGraph, ReplacesTheDocumentByOneAxisSetFromTheDefaults) {
    DefaultStyles d;
    d.ReadAllDefaults(nullptr);
    d.DefaultAxes[DefaultTopAxis].LabelFormat = 2;
    d.DefaultAxes[DefaultRightAxis].LabelFormat = 2;
    d.DefaultPaintOrder = 2;

    NewGraphFixture g;
    for (int i = 0; i < 3; ++i) g.sets.Add(new BoxFrame);
    g.sets[2]->PlotList.Add(new TPlot);
    g.current = g.sets[3];
    g.currentNo = 3;

    std::vector<std::string> calls;
    NewGraphHooks hooks;
    hooks.SyncAxes = [&](Frame* f, AxisUnit* l, AxisUnit* r, AxisUnit* t, AxisUnit* b) {
        ASSERT_EQ(g.sets.GetItemsInContainer(), 1);
        BoxFrame* s = g.sets[1];
        EXPECT_EQ(f, &s->Frame);
        EXPECT_EQ(l, &s->LeftAxis);
        EXPECT_EQ(r, &s->RightAxis);
        EXPECT_EQ(t, &s->TopAxis);
        EXPECT_EQ(b, &s->BottomAxis);
        // Runs on the applied defaults.
        EXPECT_EQ(f->FrameLengthX, 7000.0);
        EXPECT_EQ(t->LabelFormat, 2);
        calls.push_back("sync");
    };
    hooks.UpdateAxisLabels = [&](BoxFrame* s) {
        EXPECT_EQ(s, g.current);
        EXPECT_EQ(s->TopAxis.LabelFormat, 0);
        calls.push_back("labels");
    };
    hooks.ClearFeedback = [&] {
        EXPECT_EQ(g.modified, 0);
        calls.push_back("feedback");
    };
    hooks.UpdateCaption = [&](const char* name) { calls.push_back(std::string("caption ") + name); };

    d.NewGraph(g.Doc(), hooks);

    ASSERT_EQ(g.sets.GetItemsInContainer(), 1);
    EXPECT_EQ(g.current, g.sets[1]);
    EXPECT_EQ(g.currentNo, 1);
    EXPECT_EQ(g.modified, 0);
    EXPECT_EQ(g.fileName, "Untitled.kv3");
    EXPECT_EQ(calls, (std::vector<std::string>{"sync", "labels", "feedback", "caption Untitled.kv3"}));

    const BoxFrame& s = *g.current;
    EXPECT_EQ(RecordOf(s.Frame), RecordOf(d.DefaultFrame));
    EXPECT_EQ(s.Frame.OriginX, 2000.0);
    EXPECT_EQ(s.BottomAxis.RangeEnd, 10.0);
    EXPECT_EQ(s.LeftAxis.LabelFont.lfHeight, -360);
    EXPECT_EQ(s.PaintOrder, 2);
    EXPECT_EQ(s.PlotList.GetItemsInContainer(), 0);
    EXPECT_EQ(s.BottomAxis.LabelFormat, 1);
    EXPECT_EQ(s.LeftAxis.LabelFormat, 1);
    EXPECT_EQ(s.TopAxis.LabelFormat, 0);
    EXPECT_EQ(s.RightAxis.LabelFormat, 0);
}

TEST(DefaultStylesNewGraph, TopAndRightLabelsStayOnlyInAnIndependentFrame) {
    struct Case {
        int frameType;
        int topRightFormat;
    };
    for (Case c : {Case{0, 0}, Case{1, 0}, Case{2, 2}, Case{3, 2}}) {
        DefaultStyles d;
        d.DefaultFrame.FrameType = c.frameType;
        d.DefaultAxes[DefaultTopAxis].LabelFormat = 2;
        d.DefaultAxes[DefaultRightAxis].LabelFormat = 2;
        NewGraphFixture g;
        g.sets.Add(new BoxFrame);
        d.NewGraph(g.Doc(), {});  // no hooks: the model steps alone
        ASSERT_NE(g.current, nullptr);
        EXPECT_EQ(g.current->TopAxis.LabelFormat, c.topRightFormat) << c.frameType;
        EXPECT_EQ(g.current->RightAxis.LabelFormat, c.topRightFormat) << c.frameType;
        EXPECT_EQ(g.current->BottomAxis.LabelFormat, 1) << c.frameType;
        EXPECT_EQ(g.fileName, "Untitled.kv3");
    }
}

}  // namespace
