#include "app/prevwindow.h"

#include "chart/chartwindow.h"
#include "platform/escape.h"
#include "platform/winmath.h"
#include "render/output.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {
constexpr int kMinimumZoom = 25;
}

TPrevWindow::TPrevWindow(TChartWindow* chart, const char* title)
    : kv::win::TWindow(chart), ChartWindow(chart) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(title ? title : ""));
    // No scroll bars: the whole sheet is shown at its fit.
    SCROLLINFO none;
    none.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    SetScrollInfo(SB_HORZ, none, false);
    SetScrollInfo(SB_VERT, none, false);
    const TRect d = DesktopRect();
    setGeometry(d.left, d.top, d.Width(), d.Height());
}

TPrevWindow::~TPrevWindow() = default;

TRect TPrevWindow::DesktopRect() const {
    QScreen* screen = ChartWindow ? ChartWindow->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect g = screen ? screen->geometry() : QRect(0, 0, 640, 480);
    return TRect(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
}

TRect TPrevWindow::SheetRect() const {
    if (!ChartWindow || !ChartWindow->Document.Env) return TRect(0, 0, 0, 0);
    const TEnv& env = *ChartWindow->Document.Env;
    return TRect(-env.PrintOffsetX, -env.PrintOffsetY, env.PaperWidth - env.PrintOffsetX,
                 env.PaperHeight - env.PrintOffsetY);
}

int TPrevWindow::FitZoom(int logPixelsX, int logPixelsY, int desktopWidth, int desktopHeight,
                         const TRect& sheet) {
    const double tx = 1440.0 / std::max(1, logPixelsX);
    const double ty = 1440.0 / std::max(1, logPixelsY);
    const double sw = double(sheet.right) - double(sheet.left);
    const double sh = double(sheet.bottom) - double(sheet.top);
    // A sheet without width or height (a damaged document) sets no limit.
    const int zx = sw > 0 ? TruncToIntSaturated(100.0 * (desktopWidth * tx) / sw) : INT_MAX;
    const int zy = sh > 0 ? TruncToIntSaturated(100.0 * (desktopHeight * ty) / sh) : INT_MAX;
    const int z = std::min(zx, zy);
    return z == INT_MAX ? 100 : std::max(z, kMinimumZoom);
}

int TPrevWindow::CalcFitZoom(TDC& dc, const TRect& sheet) const {
    const TRect d = DesktopRect();
    return FitZoom(dc.GetDeviceCaps(LOGPIXELSX), dc.GetDeviceCaps(LOGPIXELSY), d.Width(), d.Height(), sheet);
}

void TPrevWindow::Paint(TDC& dc, bool erase, const TRect& rect) {
    TWindow::Paint(dc, erase, rect);
    if (!ChartWindow || !ChartWindow->Document.Env) return;
    AbortRequested = 0;
    const TRect sheet = SheetRect();
    const int z = CalcFitZoom(dc, sheet);
    const int cx = int((std::int64_t(sheet.left) + sheet.right) / 2);
    const int cy = int((std::int64_t(sheet.top) + sheet.bottom) / 2);
    const double tx = 1440.0 / std::max(1, dc.GetDeviceCaps(LOGPIXELSX));
    const double ty = 1440.0 / std::max(1, dc.GetDeviceCaps(LOGPIXELSY));
    const TRect client = GetClientRect();
    const int w = client.Width();
    const int h = client.Height();

    const TSize windowExt(TruncToIntSaturated(w * tx * 100 / z * 0.1), TruncToIntSaturated(h * ty * 100 / z * 0.1));
    const TSize viewportExt(TruncToIntSaturated(w * 0.1), TruncToIntSaturated(h * 0.1));
    // A window too small for an extent of one unit shows nothing.
    if (windowExt.cx == 0 || windowExt.cy == 0 || viewportExt.cx == 0 || viewportExt.cy == 0) return;
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowOrg(TPoint(cx, cy));
    dc.SetWindowExt(windowExt);
    dc.SetViewportOrg(TPoint(w / 2, h / 2));
    dc.SetViewportExt(viewportExt);

    ChartWindow->DrawPaper(dc);
    ChartWindow->DrawGraph(OUT_DC, dc, nullptr, nullptr);
    ChartWindow->DrawHeaderFooter(dc);
}

void TPrevWindow::EvKeyDown(UINT key, UINT repeatCount, UINT flags) {
    TWindow::EvKeyDown(key, repeatCount, flags);
    if (key == UINT(VK_ESCAPE)) close();
}

void TPrevWindow::EvLButtonDown(UINT modKeys, const TPoint& point) {
    TWindow::EvLButtonDown(modKeys, point);
    close();
}

void TPrevWindow::EvRButtonDown(UINT modKeys, const TPoint& point) {
    TWindow::EvRButtonDown(modKeys, point);
    close();
}
