#include "fake_measure.h"
#include "model/boxframe.h"
#include "platform/cp932.h"
#include "platform/dc.h"
#include "render/markup.h"
#include "render/output.h"
#include "render/textlayout.h"
#include "support/helpers/recording_dc.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QRawFont>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

class ScratchFile {
public:
    ScratchFile() : f_(std::tmpfile()) {}
    ~ScratchFile() {
        if (f_) std::fclose(f_);
    }
    operator FILE*() const { return f_; }
    std::string Text() const {
        std::fflush(f_);
        std::string s;
        std::rewind(f_);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f_)) > 0) s.append(buf, n);
        return s;
    }

private:
    FILE* f_;
};

// An axis set whose frame origin is (2000, 3000), with one series.
std::unique_ptr<BoxFrame> MakeSet() {
    auto set = std::make_unique<BoxFrame>();
    set->Frame.OriginX = 2000;
    set->Frame.OriginY = 3000;
    auto p = std::make_unique<TPlot>();
    std::strcpy(p->DataFileName, "C:\\data\\run1.dat");
    set->PlotList.Add(p.release());
    return set;
}

// A text at (100, 200) laid out with the fake measure.
TText MakeText(const BoxFrame& set, const std::string& s, int lfHeight = -300) {
    TText t;
    t.String = s;
    t.Font.lfHeight = lfHeight;
    t.Position = TPoint(100, 200);
    LayoutText(&t, &set);
    return t;
}

struct DrawCase {
    const char* name;
    std::string string;
    int lfHeight = -300;
    int lineSpacing = 100;
    int escapement = 0;
    std::vector<std::string> textOuts;
};

TEST(TextDrawing, CharactersGoWhereTheStoredAdvancesSay) {
    FakeMeasure fake;
    auto set = MakeSet();
    // Height 300: ascent 240, so the first baseline starts at (2100, 3440); A is 210
    // wide, B 180, other characters 150. Height 250: ascent 200, A 175, B 150.
    const DrawCase cases[] = {
        {"first baseline", "AB", -300, 100, 0,
         {"TextOut(2100,3440,\"A\")", "TextOut(2310,3440,\"B\")"}},
        // The 2 is raised by A / 2 and is 100 wide in the two-thirds font.
        {"superscript", "x^2@y", -300, 100, 0,
         {"TextOut(2100,3440,\"x\")", "TextOut(2250,3320,\"2\")", "TextOut(2350,3440,\"y\")"}},
        // The %P unit itself advances by P too: A at +100, B at W(A) + 200.
        {"spacing", "%P+50AB", -250, 100, 0,
         {"TextOut(2200,3400,\"A\")", "TextOut(2475,3400,\"B\")"}},
        {"tab", "%TA", -250, 100, 0, {"TextOut(2500,3400,\"A\")"}},
        {"escaped", "%%A", -300, 100, 0, {"TextOut(2100,3440,\"%\")", "TextOut(2250,3440,\"A\")"}},
        {"line spacing", "a\r\nb", -300, 200, 0,
         {"TextOut(2100,3440,\"a\")", "TextOut(2100,4040,\"b\")"}},
        // Rotated 90 degrees: the line runs upward from the first baseline point.
        {"rotated", "AB", -300, 100, 900,
         {"TextOut(2100,3440,\"A\")", "TextOut(2100,3230,\"B\")"}},
        // A sample of a series the set lacks leaves its gap: 720 + 120.
        {"missing sample", "%p002A", -240, 100, 0, {"TextOut(2940,3392,\"A\")"}},
        {"double-byte", "\x93\xfa\x96\x7b", -300, 100, 0,
         {"TextOut(2100,3440,\"\x93\xfa\")", "TextOut(2400,3440,\"\x96\x7b\")"}},
    };
    for (const DrawCase& c : cases) {
        TText t;
        t.String = c.string;
        t.Font.lfHeight = c.lfHeight;
        t.Font.lfEscapement = c.escapement;
        t.LineSpacing = c.lineSpacing;
        t.Position = TPoint(100, 200);
        LayoutText(&t, set.get());
        RecordingDC dc;
        set->DrawText(OUT_DC, dc, &t, nullptr, nullptr);
        EXPECT_EQ(dc.Calls("TextOut"), c.textOuts) << c.name;
    }
}

TEST(TextDrawing, SubscriptDropsAQuarterAscentTruncatedTowardZero) {
    auto set = MakeSet();
    TText t;
    t.String = "a_i";
    t.Position = TPoint(100, 200);
    t.Ascent = 241;
    t.LineHeight = 300;
    t.CharMetrics.Add(TCharMetric(150, 300, 241));
    t.CharMetrics.Add(TCharMetric());
    t.CharMetrics.Add(TCharMetric(100, 200, 160));
    RecordingDC dc;
    set->DrawText(OUT_DC, dc, &t, nullptr, nullptr);
    EXPECT_EQ(dc.Calls("TextOut"),
              (std::vector<std::string>{"TextOut(2100,3441,\"a\")", "TextOut(2250,3501,\"i\")"}));
}

TEST(TextDrawing, MissingMetricsCountAsZeroAndTabsNeedAnAscent) {
    auto set = MakeSet();
    TText t;
    // Never laid out: no entries at all, and an ascent of 0, which leaves no tab
    // stops to jump to.
    t.String = "A%S150B%T%t%p001\r\nC";
    t.Position = TPoint(100, 200);
    RecordingDC dc;
    TRect extent;
    set->DrawText(OUT_DC, dc, &t, nullptr, nullptr);
    set->DrawText(OUT_EXTENT, dc, &t, nullptr, &extent);
    EXPECT_EQ(dc.Calls("TextOut"),
              (std::vector<std::string>{"TextOut(2100,3200,\"A\")", "TextOut(2100,3200,\"B\")",
                                        "TextOut(2100,3200,\"C\")"}));
    // Everything at one point; the sample's line of no length grows it by its pen.
    EXPECT_EQ(extent, TRect(2100 - 11, 3200 - 11, 2100 + 11, 3200 + 11));
}

TEST(TextDrawing, AttributesAndWhatIsLeftBehind) {
    FakeMeasure fake;
    auto set = MakeSet();
    TText t = MakeText(*set, "x^2@y");
    t.ForColor = RGB(255, 0, 0);
    t.BackColor = RGB(1, 2, 3);
    for (int back : {1, 0}) {
        t.BackPaint = back;
        RecordingDC dc;
        const TFont former = dc.GetFont();
        set->DrawText(OUT_DC, dc, &t, nullptr, nullptr);
        std::vector<std::string> expected = {"SetTextAlign(24)", "SelectFont(-300,0,400,0,0,\"Times New Roman\")"};
        if (back) {
            expected.push_back("SetBkMode(2)");
            expected.push_back("SetBkColor(#010203)");
        } else {
            expected.push_back("SetBkMode(1)");
        }
        expected.push_back("SetTextColor(#FF0000)");
        ASSERT_GE(dc.Calls().size(), expected.size());
        EXPECT_EQ(std::vector<std::string>(dc.Calls().begin(), dc.Calls().begin() + long(expected.size())),
                  expected);
        // Each font code puts the former font back before the next one.
        EXPECT_EQ(dc.Calls("SelectFont"),
                  (std::vector<std::string>{"SelectFont(-300,0,400,0,0,\"Times New Roman\")",
                                            "SelectFont(-200,0,400,0,0,\"Times New Roman\")",
                                            "SelectFont(-300,0,400,0,0,\"Times New Roman\")"}));
        EXPECT_EQ(dc.Calls("RestoreFont").size(), 3u);
        EXPECT_TRUE(dc.GetFont() == former);
        EXPECT_EQ(dc.GetBkMode(), OPAQUE);
        EXPECT_EQ(dc.GetBkColor(), 0xFFFFFFu);
        EXPECT_EQ(dc.GetTextColor(), 0u);
    }
}

TEST(TextDrawing, ExtentOfAnUnspacedTextIsItsLaidOutBox) {
    FakeMeasure fake;
    auto set = MakeSet();
    // (Raised or enlarged characters and the pens of legend samples may reach beyond it.)
    for (const char* s : {"AB", "A\r\nBBB", "%%B%BA%X-20x"}) {
        TText t = MakeText(*set, s);
        TDC dc;
        TRect extent;
        set->DrawText(OUT_EXTENT, dc, &t, nullptr, &extent);
        TRect box = t.BoundingBox;
        box.Offset(2100, 3200);
        EXPECT_EQ(extent, box) << s;
    }
}

TEST(TextDrawing, VectorRecordsOfARotatedText) {
    FakeMeasure fake;
    auto set = MakeSet();
    TText t;
    t.String = "A%GB";
    t.Font.lfEscapement = 900;
    t.ForColor = RGB(255, 0, 0);
    t.Position = TPoint(100, 200);
    LayoutText(&t, set.get());
    ASSERT_EQ(t.CharMetrics[1].Width, 210);

    ScratchFile f;
    TDC dc;
    OutPageInfo(12240, 15840, nullptr);  // flips y against 15840
    set->DrawText(OUT_VECTOR, dc, &t, f, nullptr);
    // A at (2100, 3440); B 210 further along the rotated line: up to y 3230.
    const std::string font = "-300\r\n0\r\n900\r\n0\r\n400\r\n0\r\n0\r\n0\r\n";
    EXPECT_EQ(f.Text(), "/SFT\r\n" + font + "0\r\n3\r\n2\r\n1\r\n18\r\nTimes New Roman\r\n"
                        "/SBM\r\n0\r\n"
                        "/TCR\r\n1,255,0,0\r\n"
                        "/TXO\r\n2100,12400\r\nA\r\n"
                        "/SFT\r\n" + font + "2\r\n3\r\n2\r\n1\r\n18\r\nSymbol\r\n"
                        "/TXO\r\n2100,12610\r\nB\r\n"
                        "/SBM\r\n1\r\n"
                        "/SBC\r\n1,255,255,255\r\n"
                        "/TCR\r\n1,0,0,0\r\n");
}

// ---- legend samples ----

std::string SampleRecords(BoxFrame& set, const TText& t) {
    ScratchFile f;
    TDC dc;
    OutPageInfo(12240, 15840, nullptr);
    TText copy = t;
    copy.Position = t.Position;
    set.DrawText(OUT_VECTOR, dc, &copy, f, nullptr);
    std::string s = f.Text();
    // Keep what lies between the text colour and the closing attributes.
    const std::size_t from = s.find("/TCR\r\n1,0,0,0\r\n") + 15;
    const std::size_t to = s.rfind("/SBM\r\n1\r\n");
    return s.substr(from, to - from);
}

TEST(LegendSample, LineAndMarkerRecords) {
    FakeMeasure fake;
    auto set = MakeSet();
    TPlotStyle& st = set->PlotList[1]->Style;
    st.LineStyle = 1;
    st.LineColor = RGB(0, 0, 255);
    st.MarkerStyle = 5;
    st.MarkerEdgeColor = RGB(0, 128, 0);
    st.MarkerInsideColor = RGB(255, 255, 0);
    // Height 240, ascent 192: the sample box is (2100, 3260, 2820, 3380), its middle
    // at y 3320; widths 20 (line, outline) and marker size 50 from the base sizes.
    TText t = MakeText(*set, "%p001", -240);

    ScratchFile marker;
    TDC dc;
    OutPageInfo(12240, 15840, nullptr);
    BoxFrame::DrawMarker(OUT_VECTOR, dc, 2460, 3320, 5, 50, 0, marker, nullptr, 20);
    const std::string markerRecords = marker.Text();
    ASSERT_FALSE(markerRecords.empty());

    EXPECT_EQ(SampleRecords(*set, t),
              "/PEN\r\n1,0,0,255\r\n20\r\n"
              "/BGP\r\n/MVT\r\n2100,12520\r\n/LNT\r\n2820,12520\r\n/EDP\r\n/SRP\r\n"
              "/PEN\r\n1,0,128,0\r\n20\r\n"
              "/BRS\r\n-1,255,255,0\r\n" +
                  markerRecords);

    // No line; a bar series shows as its box, neither outlined nor filled here.
    st.LineStyle = 0;
    st.MarkerStyle = 8;
    st.NullOutLine = 1;
    st.MarkerInsidePaint = 1;
    EXPECT_EQ(SampleRecords(*set, t),
              "/PEN\r\n1,0,0,255\r\n20\r\n"
              "/PEN\r\n-2,0,0,0\r\n0\r\n"
              "/BRS\r\n-2,0,0,0\r\n"
              "/BGP\r\n/PLY\r\n4\r\n2100,12580\r\n2820,12580\r\n2820,12460\r\n2100,12460\r\n"
              "/EDP\r\n/SRP\r\n");
}

TEST(LegendSample, DeviceContextFillsTheBoxAndRestoresPenAndBrush) {
    FakeMeasure fake;
    auto set = MakeSet();
    TPlotStyle& st = set->PlotList[1]->Style;
    st.LineStyle = 3;  // dashed: drawn through the styled polyline
    st.LineWidth = 100;
    st.MarkerStyle = 8;
    TText t = MakeText(*set, "%p001", -240);
    RecordingDC dc;
    const TPen pen = dc.GetPen();
    const TBrush brush = dc.GetBrush();
    set->DrawText(OUT_DC, dc, &t, nullptr, nullptr);
    // Several dashes (whole columns of dashes reach a raster display at once).
    EXPECT_GT(dc.Calls("LineTo").size() + dc.Calls("DeviceLine").size(), 2u);
    EXPECT_EQ(dc.Calls("Polygon"),
              (std::vector<std::string>{"Polygon(2100,3260;2820,3260;2820,3380;2100,3380)"}));
    EXPECT_TRUE(dc.GetPen() == pen);
    EXPECT_TRUE(dc.GetBrush() == brush);

    // Out of range: nothing at all.
    RecordingDC none;
    set->DrawLegendSample(OUT_DC, none, 2, TRect(0, 0, 100, 100), nullptr, nullptr);
    set->DrawLegendSample(OUT_DC, none, 0, TRect(0, 0, 100, 100), nullptr, nullptr);
    EXPECT_TRUE(none.Calls().empty());
}

// ---- real fonts ----

// Whether the face the platform resolves for each character of s in font lf has a
// glyph for it, and the advance it measures is not zero.
void ExpectRealGlyphs(const LOGFONT& lf, const std::string& s) {
    TFont font(lf);
    std::vector<kv::FontChar> chars;
    std::vector<int> advances;
    kv::MeasureChars(font, s.data(), int(s.size()), chars, &advances);
    ASSERT_FALSE(chars.empty());
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const kv::FontChar& c = chars[i];
        EXPECT_GT(advances[i], 0) << c.text.toStdString();
        QFont qf(font.Resolved().Family(c.face));
        QRawFont raw = QRawFont::fromFont(qf);
        ASSERT_TRUE(raw.isValid()) << font.Resolved().Family(c.face).toStdString();
        EXPECT_TRUE(raw.supportsCharacter(c.text.at(0)))
            << c.text.toStdString() << " in " << font.Resolved().Family(c.face).toStdString();
    }
}

// Dark pixels inside a rectangle of the image.
int InkIn(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = std::max(0, r.top()); y <= std::min(img.height() - 1, r.bottom()); ++y)
        for (int x = std::max(0, r.left()); x <= std::min(img.width() - 1, r.right()); ++x)
            if (qGray(img.pixel(x, y)) < 128) ++n;
    return n;
}

TEST(TextDrawingRealFonts, JapaneseAndSymbolTextsHaveEveryGlyph) {
    const auto japanese = kv::Utf8ToCp932("日本語のテキスト");
    const auto gothic = kv::Utf8ToCp932("ＭＳ ゴシック");
    ASSERT_TRUE(japanese && gothic);
    auto set = MakeSet();
    set->Frame.OriginX = 0;
    set->Frame.OriginY = 0;

    TText jp;
    jp.String = *japanese;
    lstrcpynA(jp.Font.lfFaceName, gothic->c_str(), LF_FACESIZE);
    jp.Font.lfCharSet = SHIFTJIS_CHARSET;
    jp.Font.lfHeight = -480;
    jp.Position = TPoint(200, 200);

    TText greek;
    greek.String = "%Gabgdp";  // alpha, beta, gamma, delta, pi
    greek.Font.lfHeight = -480;
    greek.Position = TPoint(200, 1200);

    QImage img(500, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    TDC dc(&img);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize(1440, 1440));
    dc.SetViewportExt(TSize(img.logicalDpiX(), img.logicalDpiY()));
    const double scale = img.logicalDpiX() / 1440.0;

    for (TText* t : {&jp, &greek}) {
        LayoutText(t, set.get(), kv::DeviceTextMeasure());
        set->DrawText(OUT_DC, dc, t, nullptr, nullptr);
    }
    dc.Flush();

    // Every character has an advance, and the resolved face draws a real glyph.
    ASSERT_EQ(jp.CharMetrics.GetItemsInContainer(), 8);
    LOGFONT symbol = greek.Font;
    lstrcpynA(symbol.lfFaceName, "Symbol", LF_FACESIZE);
    symbol.lfCharSet = SYMBOL_CHARSET;
    ExpectRealGlyphs(jp.Font, jp.String);
    ExpectRealGlyphs(symbol, "abgdp");
    ASSERT_EQ(greek.CharMetrics.GetItemsInContainer(), 7);
    for (int k = 3; k <= 7; ++k) EXPECT_GT(greek.CharMetrics[k].Width, 0) << k;
    EXPECT_EQ(kv::SymbolToUnicode('a'), u'\u03B1');

    // Each character left ink in its own cell on the image.
    for (TText* t : {&jp, &greek}) {
        int x = t->Position.x;
        const int baseline = t->Position.y + t->Ascent;
        for (int k = 1; k <= t->CharMetrics.GetItemsInContainer(); ++k) {
            const TCharMetric& m = t->CharMetrics[k];
            if (m.Width == 0) continue;
            const QRect cell(int(x * scale), int((baseline - m.Ascent) * scale),
                             std::max(1, int(m.Width * scale)), std::max(1, int(m.Height * scale)));
            EXPECT_GT(InkIn(img, cell), 0) << "character " << k << " of " << t->String;
            x += m.Width;
        }
    }
}

}  // namespace
