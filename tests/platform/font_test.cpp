#include "platform/dc.h"
#include "platform/font.h"
#include "platform/measure.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

LOGFONT Font(const char* face, int height, BYTE charSet = DEFAULT_CHARSET, int weight = FW_NORMAL,
             BYTE italic = 0) {
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfCharSet = charSet;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

// Face names as documents store them (CP932).
const char kMsGothicJa[] = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";
const char kMsPGothicJa[] = "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
const char kMsMinchoJa[] = "\x82\x6C\x82\x72 \x96\xBE\x92\xA9";
const char kHiraganaA[] = "\x82\xA0";

TEST(FontFaces, WindowsFacesResolveToTheInstalledMetricTwins) {
    struct Case {
        const char* face;
        const char* family;
    } cases[] = {
        {"Times New Roman", "Liberation Serif"}, {"times new roman", "Liberation Serif"},
        {"Arial", "Liberation Sans"},            {"Courier New", "Liberation Mono"},
        {"MS Gothic", "IPAGothic"},              {kMsGothicJa, "IPAGothic"},
        {"MS PGothic", "IPAPGothic"},            {kMsPGothicJa, "IPAPGothic"},
        {"MS Mincho", "IPAMincho"},              {kMsMinchoJa, "IPAMincho"},
        {"MS PMincho", "IPAPMincho"},
    };
    for (const Case& c : cases) {
        auto r = kv::ResolvedFont::Get(Font(c.face, -300));
        EXPECT_EQ(r->Family(0).toStdString(), c.family) << c.face;
    }
    EXPECT_EQ(kv::MapFaceName("Unknown Face").toStdString(), "Unknown Face");
}

TEST(FontSymbol, SymbolBytesShowTheSymbolFontsCharacters) {
    struct Case {
        unsigned char byte;
        char16_t shown;
    } cases[] = {
        {'a', u'α'}, {'b', u'β'}, {'p', u'π'}, {'w', u'ω'}, {'z', u'ζ'}, {'A', u'Α'},
        {'D', u'Δ'}, {'S', u'Σ'}, {'W', u'Ω'}, {0xB4, u'×'}, {0xB1, u'±'}, {0xB0, u'°'},
        {0xA5, u'∞'}, {0xD6, u'√'}, {0xB9, u'≠'}, {0xA3, u'≤'}, {0xB3, u'≥'}, {0xB8, u'÷'},
        {0xE5, u'∑'}, {0xF2, u'∫'}, {0xB6, u'∂'}, {'1', u'1'}, {'-', u'−'}, {0xF0, u' '},
    };
    for (const Case& c : cases) EXPECT_EQ(kv::SymbolToUnicode(c.byte), c.shown) << int(c.byte);

    // The character set or the face name alone makes a Symbol font; it splits per
    // byte even where the bytes would form a double-byte character.
    for (const LOGFONT& lf : {Font("Times New Roman", -300, SYMBOL_CHARSET), Font("Symbol", -300)}) {
        std::vector<kv::FontChar> chars;
        kv::ResolvedFont::Get(lf)->Split("a\xB4\xE5\x40", 4, chars);
        ASSERT_EQ(chars.size(), 4u);
        EXPECT_EQ(chars[0].text, QString(QChar(u'α')));
        EXPECT_EQ(chars[1].text, QString(QChar(u'×')));
        EXPECT_EQ(chars[2].text, QString(QChar(u'∑')));
        EXPECT_EQ(chars[3].text, QString(QChar(u'≅')));
        for (const kv::FontChar& c : chars) EXPECT_GT(c.advance, 0.0);
    }
}

TEST(FontMetrics, HeightsFollowTheLogfontSignConvention) {
    // Character height 300: Liberation Serif carries Times New Roman's vertical
    // metrics (ascent 1825, descent 443 of 2048 units).
    TEXTMETRIC tm = kv::MeasureTextMetrics(TFont(Font("Times New Roman", -300)));
    EXPECT_EQ(tm.tmAscent, 267);
    EXPECT_EQ(tm.tmDescent, 65);
    EXPECT_EQ(tm.tmHeight, 332);
    EXPECT_EQ(tm.tmInternalLeading, 32);
    EXPECT_EQ(tm.tmExternalLeading, 13);
    EXPECT_EQ(tm.tmWeight, FW_NORMAL);
    EXPECT_GT(tm.tmAveCharWidth, 0);

    // Positive heights give the cell.
    for (int cell : {200, 332, 500, 1441}) {
        for (const char* face : {"Times New Roman", "Arial", kMsPGothicJa}) {
            TEXTMETRIC c = kv::MeasureTextMetrics(TFont(Font(face, cell)));
            EXPECT_NEAR(c.tmHeight, cell, 1) << face << " " << cell;
        }
    }
    // Zero takes the default character height.
    EXPECT_EQ(kv::MeasureTextMetrics(TFont(Font("Arial", 0))).tmHeight,
              kv::MeasureTextMetrics(TFont(Font("Arial", -kDefaultFontHeight))).tmHeight);
    TEXTMETRIC bold = kv::MeasureTextMetrics(TFont(Font("Arial", -300, 0, FW_BOLD, 1)));
    EXPECT_EQ(bold.tmWeight, FW_BOLD);
    EXPECT_EQ(bold.tmItalic, 1);

    // Heights of a damaged file near the int range: the sums stay within it.
    for (int height : {INT_MIN + 1, INT_MAX, -2000000000}) {
        TEXTMETRIC huge = kv::MeasureTextMetrics(TFont(Font("Times New Roman", height)));
        EXPECT_GT(huge.tmHeight, 1900000000) << height;
        EXPECT_GE(huge.tmInternalLeading, 0) << height;
    }
}

TEST(FontMetrics, AdvancesAreDesignWidthsScaledAndRoundedPerCharacter) {
    TDC& dc = kv::TextMeasuringDC();
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 1440);
    dc.SelectObject(TFont(Font("Times New Roman", -300)));
    // 'A' is 1479/2048 em wide in Times New Roman and its twin.
    EXPECT_EQ(dc.GetTextExtent("A", 1), TSize(217, 332));
    const int a = dc.GetTextExtent("A", 1).cx, b = dc.GetTextExtent("B", 1).cx;
    EXPECT_EQ(dc.GetTextExtent("AB", 2).cx, a + b);
    EXPECT_EQ(dc.GetTextExtent("AB", -1).cx, a + b);
    EXPECT_EQ(dc.GetTextExtent("", 0), TSize(0, 332));

    // Bold has its own widths.
    const int lower = dc.GetTextExtent("a", 1).cx;
    dc.SelectObject(TFont(Font("Times New Roman", -300, 0, FW_BOLD)));
    EXPECT_GT(dc.GetTextExtent("a", 1).cx, lower);

    // A double-byte character is one character; in a Latin face it comes from the
    // Japanese fallback of the same style.
    dc.SelectObject(TFont(Font("Times New Roman", -300, SHIFTJIS_CHARSET)));
    const int pair = dc.GetTextExtent(kHiraganaA, 2).cx;
    dc.SelectObject(TFont(Font("MS PMincho", -300, SHIFTJIS_CHARSET)));
    EXPECT_EQ(pair, dc.GetTextExtent(kHiraganaA, 2).cx);
    EXPECT_GT(pair, 0);
    dc.SelectObject(TFont(Font("MS Gothic", -300, SHIFTJIS_CHARSET)));
    EXPECT_EQ(dc.GetTextExtent(kHiraganaA, 2).cx, 300);  // full width, fixed pitch
    // A lead byte without its trail byte is a character of its own.
    std::vector<kv::FontChar> chars;
    std::vector<int> advances;
    kv::MeasureChars(dc.GetFont(), "x\x82", 2, chars, &advances);
    EXPECT_EQ(chars.size(), 2u);
    dc.RestoreFont();
}

TEST(FontMetrics, MeasuringIgnoresTheWindowMappingAndTheDevice) {
    const TFont font(Font("Arial", -250));
    const char* text = "Plot of y = f(x)";
    kv::TextMeasuringDC().SelectObject(font);
    const TSize expected = kv::TextMeasuringDC().GetTextExtent(text, -1);
    kv::TextMeasuringDC().RestoreFont();

    QImage img(300, 200, QImage::Format_RGB32);
    for (int zoom : {50, 100, 250}) {
        for (int clientWidth : {317, 1280}) {
            TDC dc(&img);
            dc.SetMapMode(MM_ANISOTROPIC);
            dc.SetWindowExt(TSize(int(clientWidth * 15.0 * 100 / zoom * 0.1), 1000));
            dc.SetViewportExt(TSize(int(clientWidth * 0.1), 67));
            dc.SelectObject(font);
            EXPECT_EQ(dc.GetTextExtent(text, -1), expected) << zoom << " " << clientWidth;
        }
    }
}

// The measurements compared between processes with different settings.
std::string MeasurementReport() {
    const LOGFONT fonts[] = {
        Font("Times New Roman", -300),          Font("Times New Roman", 241, 0, FW_BOLD, 1),
        Font("Arial", -137),                    Font("Courier New", -200),
        Font(kMsPGothicJa, -250, SHIFTJIS_CHARSET), Font("Symbol", -300, SYMBOL_CHARSET),
    };
    const char* texts[] = {"A", "W", "i", "Hello, World", "0.123456789", kHiraganaA, "a\xB4"};
    std::string out;
    for (const LOGFONT& lf : fonts) {
        TFont f(lf);
        TEXTMETRIC tm = kv::MeasureTextMetrics(f);
        out += std::to_string(tm.tmHeight) + " " + std::to_string(tm.tmAscent) + " " +
               std::to_string(tm.tmExternalLeading) + " " + std::to_string(tm.tmAveCharWidth) + ":";
        for (const char* t : texts) out += " " + std::to_string(kv::MeasureTextExtent(f, t, -1).cx);
        out += "\n";
    }
    return out;
}

// Runs in a child process started by the test below.
TEST(FontMeasureChild, Report) {
    const char* path = std::getenv("KORVIDA_MEASURE_REPORT");
    if (!path) GTEST_SKIP() << "only runs as the child of MeasuringIsTheSameUnderOtherSettings";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromStdString(MeasurementReport()));
}

TEST(FontMeasure, MeasuringIsTheSameUnderOtherPlatformsAndHintingSettings) {
    const std::string here = MeasurementReport();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A user configuration that forces full hinting with the autohinter, which
    // changes hinted advances of small sizes.
    const QString conf = dir.filePath("fonts.conf");
    {
        QFile f(conf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="font">
    <edit name="hinting" mode="assign"><bool>true</bool></edit>
    <edit name="hintstyle" mode="assign"><const>hintfull</const></edit>
    <edit name="autohint" mode="assign"><bool>true</bool></edit>
  </match>
</fontconfig>
)");
    }
    struct Variant {
        const char* platform;
        bool hinting;
        const char* fontDpi;
    } variants[] = {{"offscreen", true, nullptr}, {"offscreen", false, "144"}, {"linuxfb", true, "120"}};
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.platform);
        const QString report = dir.filePath(QString("report-%1-%2").arg(v.platform).arg(v.hinting));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KORVIDA_MEASURE_REPORT", report);
        env.insert("QT_QPA_PLATFORM", v.platform);
        if (v.hinting) env.insert("FONTCONFIG_FILE", conf);
        if (v.fontDpi) env.insert("QT_FONT_DPI", v.fontDpi);
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=FontMeasureChild.Report"});
        ASSERT_TRUE(child.waitForFinished(60000));
        QFile f(report);
        if (!f.open(QIODevice::ReadOnly)) {
            // linuxfb cannot start on every machine; the other variants must run.
            if (std::string(v.platform) == "linuxfb") continue;
            FAIL() << "child wrote no report: " << child.readAllStandardError().toStdString();
        }
        EXPECT_EQ(f.readAll().toStdString(), here);
    }
}

// Without a font database there are no design metrics to share, but texts must
// still measure (with rough proportions) instead of bringing the program down.
TEST(FontMeasure, WithoutAFontDatabaseTextsStillMeasure) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString report = dir.filePath("report-minimal");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KORVIDA_MEASURE_REPORT", report);
    env.insert("QT_QPA_PLATFORM", "minimal");
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=FontMeasureChild.Report"});
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitStatus(), QProcess::NormalExit) << child.readAllStandardError().toStdString();
    QFile f(report);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << child.readAllStandardError().toStdString();
    const QStringList lines = QString::fromLatin1(f.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    for (const QString& line : lines) {
        SCOPED_TRACE(line.toStdString());
        const QStringList extents = line.section(':', 1).split(' ', Qt::SkipEmptyParts);
        ASSERT_EQ(extents.size(), 7);
        for (const QString& e : extents) EXPECT_GT(e.toInt(), 0);
    }
}

}  // namespace
