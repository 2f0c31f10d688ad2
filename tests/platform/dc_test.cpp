#include "platform/dc.h"

#include "support/helpers/recording_dc.h"

#include <gtest/gtest.h>

#include <climits>

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstring>
#include <numbers>

namespace {

QImage WhiteImage(int w, int h, int dpi = 96) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    const int dpm = int(dpi / 0.0254 + 0.5);
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    return img;
}

bool IsBlack(const QImage& img, int x, int y) { return img.pixel(x, y) == qRgb(0, 0, 0); }

// The twips mapping the chart window uses: window origin at the view centre,
// viewport origin at the client centre, 15 twips per pixel at 96 dpi.
void MapTwips(TDC& dc, TPoint viewCentre, TPoint clientCentre, TSize winExt, TSize vpExt) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowOrg(viewCentre);
    dc.SetWindowExt(winExt);
    dc.SetViewportOrg(clientCentre);
    dc.SetViewportExt(vpExt);
}

TEST(DeviceContextMapping, AnisotropicRoundsToNearest) {
    TDC dc;
    MapTwips(dc, {1000, 2000}, {480, 300}, {14400, 10800}, {960, 600});
    // x: 15 twips per pixel, y: 18 twips per pixel.
    struct Case {
        TPoint logical, device;
    } cases[] = {
        {{1000, 2000}, {480, 300}}, {{1007, 2008}, {480, 300}},  // 0.47, 0.44
        {{1008, 2010}, {481, 301}},                                 // 0.53, 0.56
        {{993, 1991}, {480, 300}},  {{992, 1990}, {479, 299}},    // -0.47 / -0.53
        {{1000 + 15 * 100, 2000 - 18 * 50}, {580, 250}},
        {{-2000000000, 2000000000}, {-133332920, 111111300}},
    };
    for (const Case& c : cases) {
        TPoint p = c.logical;
        dc.LPtoDP(&p);
        EXPECT_EQ(p, c.device) << c.logical.x << "," << c.logical.y;
    }
    // Back: each device pixel maps to the twip its centre stands for.
    TPoint d[3] = {{481, 301}, {479, 299}, {480, 300}};
    dc.DPtoLP(d, 3);
    EXPECT_EQ(d[0], TPoint(1015, 2018));
    EXPECT_EQ(d[1], TPoint(985, 1982));
    EXPECT_EQ(d[2], TPoint(1000, 2000));

    TRect r(1000, 2000, 1150, 2180);
    dc.LPtoDP(r);
    EXPECT_EQ(r, TRect(480, 300, 490, 310));
}

TEST(DeviceContextMapping, HalvesRoundUpwardAndNegativeExtentsFlip) {
    TDC dc;
    MapTwips(dc, {0, 0}, {0, 0}, {20, -20}, {10, 10});
    TPoint p[4] = {{1, 1}, {-1, -1}, {3, 3}, {-3, -3}};
    dc.LPtoDP(p, 4);
    EXPECT_EQ(p[0], TPoint(1, 0));   // 0.5 -> 1, -0.5 -> 0
    EXPECT_EQ(p[1], TPoint(0, 1));
    EXPECT_EQ(p[2], TPoint(2, -1));  // 1.5 -> 2, -1.5 -> -1
    EXPECT_EQ(p[3], TPoint(-1, 2));
}

// Any mapping, any value: the nearest device unit with halves upward, worked out
// here in wide integers, within the 27-bit device range.
TEST(DeviceContextMapping, EveryValueMapsToTheExactNearestUnit) {
    unsigned long long seed = 5;
    auto next = [&](long long lo, long long hi) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return lo + (long long)((seed >> 11) % (unsigned long long)(hi - lo + 1));
    };
    auto pick = [&](long long small) { return next(0, 3) == 0 ? next(INT_MIN + 1, INT_MAX) : next(-small, small); };
    for (int m = 0; m < 40; ++m) {
        TDC dc;
        const TPoint wo(int(pick(50000)), int(pick(50000))), vo(int(pick(2000)), int(pick(2000)));
        auto ext = [&](long long small) {
            long long e = pick(small);
            return int(e == 0 ? 7 : e);
        };
        const TSize we(ext(40000), ext(40000)), ve(ext(3000), ext(3000));
        MapTwips(dc, wo, vo, we, ve);
        for (int i = 0; i < 300; ++i) {
            TPoint p(int(pick(100000)), int(pick(100000)));
            const TPoint logical = p;
            dc.LPtoDP(&p);
            auto exact = [](long long v, long long o1, long long e1, long long e2, long long o2) {
                __int128 n = (__int128)(v - o1) * e2, d = e1;
                if (d < 0) n = -n, d = -d;
                const __int128 n2 = 2 * n + d, d2 = 2 * d;
                __int128 q = n2 / d2;
                if (n2 % d2 != 0 && n2 < 0) --q;
                q += o2;
                const __int128 limit = (1 << 27) - 1;
                return int(q > limit ? limit : q < -limit ? -limit : q);
            };
            EXPECT_EQ(p, TPoint(exact(logical.x, wo.x, we.cx, ve.cx, vo.x), exact(logical.y, wo.y, we.cy, ve.cy, vo.y)))
                << logical.x << "," << logical.y << " window " << we.cx << "," << we.cy << " viewport " << ve.cx
                << "," << ve.cy;
        }
    }
}

TEST(DeviceContextMapping, TextModeIgnoresExtentsAndZeroExtentsAreRefused) {
    TDC dc;
    EXPECT_TRUE(dc.SetWindowExt({100, 100}));
    dc.SetWindowOrg({10, 20});
    TPoint p[2] = {{15, 25}, {2000000000, -2000000000}};
    dc.LPtoDP(p, 2);
    EXPECT_EQ(p[0], TPoint(5, 5));
    // Device coordinates keep within GDI's 27-bit range.
    EXPECT_EQ(p[1], TPoint((1 << 27) - 1, -((1 << 27) - 1)));

    dc.SetMapMode(MM_ANISOTROPIC);
    EXPECT_FALSE(dc.SetWindowExt({0, 10}));
    EXPECT_FALSE(dc.SetViewportExt({10, 0}));
    EXPECT_EQ(dc.GetWindowExt(), TSize(1, 1));
    EXPECT_EQ(dc.SetMapMode(7), 0);  // unsupported mode left alone
    EXPECT_EQ(dc.GetMapMode(), MM_ANISOTROPIC);
}

TEST(DeviceContextObjects, InitialObjectsAreRememberedOncePerKindAndStockNever) {
    TDC dc;
    const TPen red(RGB(255, 0, 0), 100), blue(RGB(0, 0, 255), 50);
    dc.SelectObject(red);
    dc.SelectObject(blue);
    dc.RestorePen();
    EXPECT_EQ(dc.GetPen().GetStockId(), BLACK_PEN);
    dc.RestorePen();  // nothing remembered any more
    EXPECT_EQ(dc.GetPen().GetStockId(), BLACK_PEN);

    // A stock selection replaces without being remembered; the first made pen then
    // remembers the stock pen it replaces.
    dc.SelectStockObject(NULL_PEN);
    dc.SelectObject(red);
    dc.SelectStockObject(WHITE_PEN);
    dc.RestorePen();
    EXPECT_EQ(dc.GetPen().GetStockId(), NULL_PEN);

    dc.SelectObject(TBrush(RGB(1, 2, 3), HS_CROSS));
    LOGFONT lf{};
    lf.lfHeight = -300;
    dc.SelectObject(TFont(lf));
    dc.SelectStockObject(NULL_BRUSH);
    dc.RestoreObjects();
    EXPECT_EQ(dc.GetBrush().GetStockId(), WHITE_BRUSH);
    EXPECT_EQ(dc.GetFont().GetStockId(), SYSTEM_FONT);
}

TEST(DeviceContextObjects, RestoreDCBringsBackAttributesButNotTheInitialMemory) {
    TDC dc;
    dc.SelectObject(TPen(RGB(255, 0, 0), 3));
    EXPECT_EQ(dc.SaveDC(), 1);
    dc.SelectObject(TPen(RGB(0, 255, 0), 4));
    dc.SetBkColor(RGB(1, 2, 3));
    dc.SetBkMode(TRANSPARENT);
    dc.SetROP2(R2_NOTXORPEN);
    dc.IntersectClipRect(0, 0, 10, 10);
    EXPECT_EQ(dc.SaveDC(), 2);
    dc.MoveToEx(5, 6);
    EXPECT_TRUE(dc.RestoreDC(1));
    EXPECT_EQ(dc.GetPen().GetColor(), RGB(255, 0, 0));
    EXPECT_EQ(dc.GetBkColor(), 0xFFFFFFu);
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
    EXPECT_EQ(dc.GetDeviceClip(), nullptr);
    EXPECT_FALSE(dc.RestoreDC(-1));  // level 2 went with level 1
    dc.RestorePen();
    EXPECT_EQ(dc.GetPen().GetStockId(), BLACK_PEN);
}

TEST(DeviceContextObjects, AttributeSettersRefuseUnknownValues) {
    TDC dc;
    EXPECT_EQ(dc.SetBkMode(3), 0);
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
    EXPECT_EQ(dc.SetROP2(17), 0);
    EXPECT_EQ(dc.SetROP2(R2_NOTXORPEN), R2_COPYPEN);
    EXPECT_EQ(dc.SetTextAlign(TA_BASELINE | TA_LEFT), 0u);
    EXPECT_EQ(dc.GetTextAlign(), 24u);
}

TEST(DeviceContextRecording, CallsAreRecordedInOrderInLogicalUnits) {
    RecordingDC dc;
    MapTwips(dc, {0, 0}, {0, 0}, {1440, 1440}, {96, 96});
    dc.SelectObject(TPen(RGB(255, 0, 0), 100));
    dc.SelectStockObject(NULL_BRUSH);
    dc.MoveToEx(10, 20);
    dc.LineTo(30, 40);
    TPoint tri[3] = {{0, 0}, {10, 0}, {10, 10}};
    dc.Polygon(tri, 3);
    dc.TextOut(100, 200, "A,b", 3);
    EXPECT_EQ(dc.Calls("Select"),
              (std::vector<std::string>{"SelectPen(0,100,#FF0000)", "SelectStockObject(5)"}));
    EXPECT_EQ(dc.Calls("MoveToEx"), std::vector<std::string>{"MoveToEx(10,20)"});
    EXPECT_EQ(dc.Calls("LineTo"), std::vector<std::string>{"LineTo(30,40)"});
    EXPECT_EQ(dc.Calls("Polygon"), std::vector<std::string>{"Polygon(0,0;10,0;10,10)"});
    EXPECT_EQ(dc.Calls("TextOut"), std::vector<std::string>{"TextOut(100,200,\"A,b\")"});
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 96);
    EXPECT_EQ(dc.GetCurrentPosition(), TPoint(30, 40));
}

// ---- pixels ----

TEST(DeviceContextRaster, LinesAndRectanglesLeaveOutTheirEndsAsWindowsDoes) {
    QImage img = WhiteImage(20, 12);
    {
        TDC dc(&img);
        dc.MoveToEx(1, 1);
        dc.LineTo(6, 1);
        dc.SelectObject(TBrush(RGB(255, 0, 0)));
        dc.Rectangle(2, 3, 8, 9);
        dc.SelectStockObject(NULL_PEN);
        dc.Rectangle(10, 3, 14, 6);
        dc.SetPixel(18, 10, RGB(0, 0, 0));
    }
    for (int x = 1; x <= 5; ++x) EXPECT_TRUE(IsBlack(img, x, 1)) << x;
    EXPECT_FALSE(IsBlack(img, 6, 1));
    // Outline covers columns 2..7 and rows 3..8, the fill lies inside it.
    EXPECT_TRUE(IsBlack(img, 2, 3));
    EXPECT_TRUE(IsBlack(img, 7, 8));
    EXPECT_EQ(img.pixel(8, 8), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(3, 4), qRgb(255, 0, 0));
    // Without a pen the fill alone covers right and bottom exclusive.
    EXPECT_EQ(img.pixel(10, 3), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(13, 5), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(14, 5), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(13, 6), qRgb(255, 255, 255));
    EXPECT_TRUE(IsBlack(img, 18, 10));
}

TEST(DeviceContextRaster, ClipRectangleLimitsDrawingAndRestoreDCLiftsIt) {
    QImage img = WhiteImage(20, 4);
    {
        TDC dc(&img);
        dc.SaveDC();
        EXPECT_EQ(dc.IntersectClipRect(5, 0, 10, 4), SIMPLEREGION);
        dc.MoveToEx(0, 1);
        dc.LineTo(20, 1);
        dc.RestoreDC(-1);
        dc.MoveToEx(0, 2);
        dc.LineTo(20, 2);
    }
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(IsBlack(img, x, 1), x >= 5 && x < 10) << x;
        EXPECT_TRUE(IsBlack(img, x, 2) || x == 19) << x;
    }
}

TEST(DeviceContextRaster, NotXorDrawnTwiceGivesBackEveryPixel) {
    QImage img = WhiteImage(160, 120);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, qRgb(x * 3 % 256, y * 5 % 256, (x ^ y) & 0xFF));
    const QImage before = img.copy();

    auto feedback = [](TDC& dc) {
        MapTwips(dc, {0, 0}, {0, 0}, {1440, 1440}, {96, 96});
        dc.SetROP2(R2_NOTXORPEN);
        dc.SelectObject(TPen(RGB(0, 0, 0), 0, PS_DOT));
        dc.SelectStockObject(NULL_BRUSH);
        dc.Rectangle(150, 150, 1500, 1200);
        dc.Ellipse(300, 300, 2000, 1500);
        TPoint poly[5] = {{100, 1700}, {900, 200}, {1700, 1700}, {100, 700}, {1700, 700}};
        dc.Polyline(poly, 5);
        dc.SelectObject(TPen(RGB(255, 0, 0), 60));  // wide, red: keeps red, inverts the rest
        dc.MoveToEx(0, 0);
        dc.LineTo(2300, 1700);
        dc.SelectObject(TBrush(RGB(0, 128, 255)));
        dc.SelectStockObject(BLACK_PEN);
        dc.Polygon(poly, 3);
        dc.RoundRect(1200, 100, 2200, 900, 400, 400);
    };
    {
        TDC dc(&img);
        feedback(dc);
    }
    EXPECT_NE(img, before);
    {
        TDC dc(&img);
        feedback(dc);
    }
    EXPECT_EQ(img, before);
}

TEST(DeviceContextRaster, NotXorInvertsBlackPenAndKeepsWhite) {
    QImage img = WhiteImage(4, 1);
    img.setPixel(1, 0, qRgb(0, 0, 0));
    img.setPixel(2, 0, qRgb(10, 200, 30));
    TDC dc(&img);
    dc.SetROP2(R2_NOTXORPEN);
    dc.MoveToEx(0, 0);
    dc.LineTo(4, 0);
    dc.Flush();
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(2, 0), qRgb(245, 55, 225));
}

// Rows of a hatched area that hold hatch-coloured pixels in column x.
std::vector<int> HatchRows(const QImage& img, int x, QRgb colour) {
    std::vector<int> rows;
    for (int y = 0; y < img.height(); ++y)
        if (img.pixel(x, y) == colour) rows.push_back(y);
    return rows;
}

void DrawHatchedInch(TDC& dc, int hatch) {
    dc.SetBkColor(RGB(255, 0, 0));
    dc.SelectObject(TBrush(RGB(0, 0, 255), hatch));
    dc.SelectStockObject(NULL_PEN);
    MapTwips(dc, {0, 0}, {0, 0}, {1440, 1440},
             {dc.GetDeviceCaps(LOGPIXELSX), dc.GetDeviceCaps(LOGPIXELSY)});
    dc.Rectangle(0, 0, 1440, 1440);
}

TEST(DeviceContextHatch, TileScalesWithTheDeviceResolution) {
    EXPECT_EQ(kv::HatchPeriod(96), 8);
    EXPECT_EQ(kv::HatchThickness(96), 1);
    EXPECT_EQ(kv::HatchPeriod(1440), 120);
    EXPECT_EQ(kv::HatchThickness(1440), 15);
    EXPECT_EQ(kv::HatchPeriod(600), 50);
    // 8 x 8 tiles at 96 dpi: one line per row or column, diagonals one pixel wide.
    int on[6] = {};
    for (int h = 0; h < 6; ++h)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) on[h] += kv::HatchPixel(h, x, y, 8, 1);
    EXPECT_EQ(on[HS_HORIZONTAL], 8);
    EXPECT_EQ(on[HS_VERTICAL], 8);
    EXPECT_EQ(on[HS_FDIAGONAL], 8);
    EXPECT_EQ(on[HS_BDIAGONAL], 8);
    EXPECT_EQ(on[HS_CROSS], 15);
    EXPECT_EQ(on[HS_DIAGCROSS], 14);  // the diagonals cross twice per tile
    EXPECT_TRUE(kv::HatchPixel(HS_FDIAGONAL, 3, 3, 8, 1));  // top left to bottom right
    EXPECT_TRUE(kv::HatchPixel(HS_BDIAGONAL, 5, 3, 8, 1));  // bottom left to top right
}

TEST(DeviceContextHatch, OpaqueHatchHasTheSamePhysicalSpacingAt96And1440Dpi) {
    for (int dpi : {96, 1440}) {
        SCOPED_TRACE(dpi);
        QImage img = WhiteImage(dpi, dpi, dpi);
        {
            TDC dc(&img);
            DrawHatchedInch(dc, HS_HORIZONTAL);
        }
        const int scale = dpi / 96;
        std::vector<int> rows = HatchRows(img, dpi / 2, qRgb(0, 0, 255));
        ASSERT_EQ(rows.size(), size_t(12 * scale));  // 12 lines per inch, `scale` pixels each
        for (size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(rows[i], int(i / scale) * 8 * scale + int(i % scale));
        // Between the lines the background colour.
        EXPECT_EQ(img.pixel(dpi / 2, scale), qRgb(255, 0, 0));
    }
}

TEST(DeviceContextHatch, TransparentHatchLeavesTheGaps) {
    QImage img = WhiteImage(96, 96);
    {
        TDC dc(&img);
        dc.SetBkMode(TRANSPARENT);
        DrawHatchedInch(dc, HS_DIAGCROSS);
    }
    EXPECT_EQ(img.pixel(3, 3), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(5, 3), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(4, 3), qRgb(255, 255, 255));
}

TEST(DeviceContextHatch, PdfAt1440DpiHasTheScreensSpacing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath("hatch.pdf");
    {
        QPdfWriter writer(pdf);
        writer.setResolution(1440);
        writer.setPageLayout(QPageLayout(QPageSize(QSizeF(1, 1), QPageSize::Inch),
                                         QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        TDC dc(&writer);
        EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 1440);
        EXPECT_EQ(dc.GetDeviceCaps(TECHNOLOGY), DT_RASPRINTER);
        DrawHatchedInch(dc, HS_HORIZONTAL);
    }
    // Rendering the PDF needs poppler's pdftoppm, which the build does not require.
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftoppm.isEmpty()) GTEST_SKIP() << "pdftoppm not installed";
    QProcess p;
    p.start(pdftoppm, {"-r", "96", "-aa", "no", "-aaVector", "no", "-png", "-singlefile", pdf,
                       dir.filePath("hatch")});
    ASSERT_TRUE(p.waitForFinished(30000));
    QImage rendered(dir.filePath("hatch.png"));
    ASSERT_FALSE(rendered.isNull());
    rendered = rendered.convertToFormat(QImage::Format_RGB32);

    QImage screen = WhiteImage(96, 96);
    {
        TDC dc(&screen);
        DrawHatchedInch(dc, HS_HORIZONTAL);
    }
    // The renderer may shift the pattern's phase by a pixel; the spacing is the point.
    auto gaps = [](const QImage& img) {
        std::vector<int> rows, gaps;
        for (int y = 0; y < img.height(); ++y)
            if (qBlue(img.pixel(48, y)) > 128 && qRed(img.pixel(48, y)) < 128) rows.push_back(y);
        for (size_t i = 1; i < rows.size(); ++i) gaps.push_back(rows[i] - rows[i - 1]);
        return gaps;
    };
    EXPECT_EQ(gaps(screen), std::vector<int>(11, 8));
    EXPECT_EQ(gaps(rendered), gaps(screen));
}

TEST(DeviceContextDevice, PdfWriterReportsPageGeometry) {
    QTemporaryDir dir;
    QPdfWriter writer(dir.filePath("caps.pdf"));
    writer.setResolution(1440);
    writer.setPageLayout(QPageLayout(QPageSize(QSizeF(8, 10), QPageSize::Inch),
                                     QPageLayout::Portrait, QMarginsF(36, 72, 36, 72),
                                     QPageLayout::Point));
    TDC dc(&writer);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALWIDTH), 8 * 1440);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALHEIGHT), 10 * 1440);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALOFFSETX), 720);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALOFFSETY), 1440);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 7 * 1440);
    EXPECT_EQ(dc.GetDeviceCaps(VERTRES), 8 * 1440);

    TDeviceInfo printer;
    printer.logPixelsX = printer.logPixelsY = 600;
    printer.physicalOffsetX = 50;
    QImage img(10, 10, QImage::Format_RGB32);
    TDC given(&img, printer);
    EXPECT_EQ(given.GetDeviceCaps(LOGPIXELSY), 600);
    EXPECT_EQ(given.GetDeviceCaps(PHYSICALOFFSETX), 50);
    EXPECT_EQ(given.GetDeviceCaps(PHYSICALWIDTH), 10);

    TDC none;
    EXPECT_EQ(none.GetDeviceCaps(LOGPIXELSX), 1440);
    EXPECT_TRUE(none.LineTo(5, 5));  // no device: nothing drawn, position kept
    EXPECT_EQ(none.GetCurrentPosition(), TPoint(5, 5));
}

// ---- text ----

LOGFONT TimesFont(int height, int escapement = 0) {
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfEscapement = escapement;
    lf.lfWeight = FW_NORMAL;
    std::strcpy(lf.lfFaceName, "Times New Roman");
    return lf;
}

QRect InkBounds(const QImage& img) {
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255)) r |= QRect(x, y, 1, 1);
    return r;
}

TEST(DeviceContextText, CharactersPlacedOneByOneMatchAWholeString) {
    // A text layout stores each character's advance and places it itself; the
    // picture must equal the device context's own placement of the string.
    const char* text = "Wavy fig.";
    QImage whole = WhiteImage(400, 80), single = WhiteImage(400, 80);
    for (int esc : {0, 300}) {
        SCOPED_TRACE(esc);
        whole.fill(Qt::white);
        single.fill(Qt::white);
        {
            TDC dc(&whole);
            MapTwips(dc, {0, 0}, {0, 0}, {1440, 1440}, {96, 96});
            dc.SelectObject(TFont(TimesFont(-400, esc)));
            dc.SetTextAlign(TA_BASELINE | TA_LEFT);
            dc.SetBkMode(TRANSPARENT);
            dc.TextOut(150, 900, text);
        }
        {
            TDC dc(&single);
            MapTwips(dc, {0, 0}, {0, 0}, {1440, 1440}, {96, 96});
            dc.SelectObject(TFont(TimesFont(-400, esc)));
            dc.SetTextAlign(TA_BASELINE | TA_LEFT);
            dc.SetBkMode(TRANSPARENT);
            const double t = esc / 10.0 * std::numbers::pi / 180.0;
            int x = 0;
            for (const char* p = text; *p; ++p) {
                dc.TextOut(int(std::floor(150 + x * std::cos(t) + 0.5)),
                           int(std::floor(900 - x * std::sin(t) + 0.5)), p, 1);
                x += dc.GetTextExtent(p, 1).cx;
            }
        }
        EXPECT_EQ(whole, single);
        EXPECT_FALSE(InkBounds(whole).isEmpty());
    }
}

TEST(DeviceContextText, AlignmentAndEscapementPlaceTheCell) {
    QImage img = WhiteImage(200, 200);
    TDC dc(&img);
    dc.SelectObject(TFont(TimesFont(-60)));
    TEXTMETRIC tm;
    dc.GetTextMetrics(tm);

    dc.SetTextAlign(TA_BASELINE | TA_LEFT);
    dc.TextOut(20, 100, "H");
    dc.Flush();
    QRect h = InkBounds(img);
    EXPECT_EQ(h.bottom(), 99);  // sits on the baseline
    EXPECT_NEAR(h.left(), 21, 2);  // the H's left side bearing
    EXPECT_NEAR(h.height(), 0.66 * 60, 3);  // cap height of the serif face

    img.fill(Qt::white);
    dc.SetTextAlign(TA_TOP | TA_LEFT);
    dc.TextOut(20, 100, "H");
    dc.Flush();
    EXPECT_NEAR(InkBounds(img).top(), 100 + tm.tmAscent - h.height(), 2);

    // A quarter turn counter-clockwise: the letter runs upward from the point.
    img.fill(Qt::white);
    dc.SelectObject(TFont(TimesFont(-60, 900)));
    dc.SetTextAlign(TA_BASELINE | TA_LEFT);
    dc.TextOut(100, 150, "HH");
    dc.Flush();
    QRect up = InkBounds(img);
    EXPECT_EQ(up.right(), 99);
    EXPECT_LT(up.bottom(), 150);
    EXPECT_GT(up.height(), up.width());
}

// Blanks have no ink of their own, so whatever shows is the line the font asks for:
// below the baseline for an underline, above it for a strike-out.
TEST(DeviceContextText, UnderlineAndStrikeOutAreDrawn) {
    struct Case {
        BYTE underline, strikeOut;
        bool below, above;
    } const cases[] = {{0, 0, false, false}, {1, 0, true, false}, {0, 1, false, true}};
    for (const Case& c : cases) {
        QImage img = WhiteImage(200, 80);
        TDC dc(&img);
        LOGFONT lf = TimesFont(-40);
        lf.lfUnderline = c.underline;
        lf.lfStrikeOut = c.strikeOut;
        dc.SelectObject(TFont(lf));
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextAlign(TA_BASELINE | TA_LEFT);
        dc.TextOut(20, 50, "    ", 4);
        dc.Flush();
        const QRect ink = InkBounds(img);
        const int width = dc.GetTextExtent("    ", 4).cx;
        EXPECT_EQ(!ink.isEmpty() && ink.top() >= 50, c.below) << int(c.underline) << int(c.strikeOut);
        EXPECT_EQ(!ink.isEmpty() && ink.bottom() < 50, c.above) << int(c.underline) << int(c.strikeOut);
        if (!ink.isEmpty()) {
            EXPECT_GE(ink.width(), width - 2);
        }
    }
}

TEST(DeviceContextText, OpaqueModeFillsTheCellWithTheBackground) {
    QImage img = WhiteImage(100, 60);
    TDC dc(&img);
    dc.SelectObject(TFont(TimesFont(-40)));
    dc.SetBkColor(RGB(0, 255, 0));
    dc.SetTextColor(RGB(0, 0, 255));
    dc.SetTextAlign(TA_BASELINE);
    dc.TextOut(10, 40, "x", 1);
    dc.Flush();
    TEXTMETRIC tm;
    dc.GetTextMetrics(tm);
    const int adv = dc.GetTextExtent("x", 1).cx;
    EXPECT_EQ(img.pixel(10, 40 - tm.tmAscent + 1), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(10 + adv - 1, 40 + tm.tmDescent - 1), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(10 + adv + 1, 40), qRgb(255, 255, 255));
    bool blue = false;
    for (int y = 20; y < 40; ++y)
        for (int x = 10; x < 10 + adv; ++x) blue |= img.pixel(x, y) == qRgb(0, 0, 255);
    EXPECT_TRUE(blue);
}

}  // namespace
