// Zoom and scrolling: the seven zoom steps, the scroll bars in page twips with the
// view centre as their position, line, page and thumb scrolling, the size handler
// and the handle size that keeps handles the same on screen at every zoom.

#include "chart/chartwindow.h"
#include "platform/cformat.h"
#include "platform/winmath.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

int ClampToInt(std::int64_t v) { return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); }

}  // namespace

void TChartWindow::CmZoom25() { ZoomTo(25); }
void TChartWindow::CmZoom50() { ZoomTo(50); }
void TChartWindow::CmZoom75() { ZoomTo(75); }
void TChartWindow::CmZoom100() { ZoomTo(100); }
void TChartWindow::CmZoom150() { ZoomTo(150); }
void TChartWindow::CmZoom200() { ZoomTo(200); }
void TChartWindow::CmZoom400() { ZoomTo(400); }

void TChartWindow::ZoomTo(int percent) {
    Document.Env->Zoom = percent;
    UpdateScrollBars();
    if (StatusBar) StatusBar->SetGadgetText(ZoomGadget, kv::Format("%3d%%", percent));
    UpdateHandleSize();
    Invalidate(true);
}

void TChartWindow::UpdateScrollBars() {
    const TRect client = GetClientRect();
    LogPixelsX = WindowDC ? WindowDC->GetDeviceCaps(LOGPIXELSX) : GetLogPixelsX();
    LogPixelsY = WindowDC ? WindowDC->GetDeviceCaps(LOGPIXELSY) : GetLogPixelsY();
    const int zoom = EffectiveZoom();

    struct Axis {
        int bar;
        int pixels;
        int logPixels;
        int paper;
        int offset;
        int& center;
        SCROLLINFO& info;
    };
    Axis axes[2] = {
        {SB_HORZ, client.Width(), LogPixelsX, Document.Env->PaperWidth, Document.Env->PrintOffsetX,
         Document.Env->ViewCenterX, HScrollInfo},
        {SB_VERT, client.Height(), LogPixelsY, Document.Env->PaperHeight,
         Document.Env->PrintOffsetY, Document.Env->ViewCenterY, VScrollInfo},
    };
    for (Axis& a : axes) {
        const double t = 1440.0 / std::max(1, a.logPixels);
        const double view = a.pixels * t * 100 / zoom;
        const int vt = TruncToIntSaturated(view);
        const int half = TruncToIntSaturated(view * 0.5);
        if (vt >= a.paper) a.center = a.paper / 2 - a.offset;  // the whole sheet fits: centre it
        const int nMin = ClampToInt(std::int64_t(half) - a.offset);
        const int nMax = ClampToInt(std::int64_t(half) + a.paper - a.offset);
        const int nPage = std::max(0, vt < a.paper ? vt : a.paper);
        if (vt < a.paper) {
            const std::int64_t last = std::int64_t(nMax) - nPage;
            if (a.center < nMin) a.center = nMin;
            else if (a.center > last) a.center = ClampToInt(last);
        }
        a.info.nMin = nMin;
        a.info.nMax = nMax;
        a.info.nPage = UINT(nPage);
        a.info.nPos = a.center;
        a.info.nTrackPos = 0;
        SetScrollInfo(a.bar, a.info, true);
    }
}

void TChartWindow::UpdateHandleSize() {
    const int lpx = LogPixelsX > 0 ? LogPixelsX : GetLogPixelsX();
    // The handle stands for HandleSizeSetting x 0.4 screen pixels at every zoom.
    const std::int64_t twips =
        std::int64_t(Settings.HandleSizeSetting) * (1440 / lpx) * 400 / EffectiveZoom();
    HandleSize = TruncToIntSaturated(double(twips) * 0.1);
}

void TChartWindow::EvSize(UINT sizeType, const TSize& size) {
    TWindow::EvSize(sizeType, size);
    UpdateScrollBars();
    Invalidate(true);
}

void TChartWindow::EvHScroll(UINT code, int thumbPos) {
    TWindow::EvHScroll(code, thumbPos);
    Scroll(SB_HORZ, code, thumbPos);
}

void TChartWindow::EvVScroll(UINT code, int thumbPos) {
    TWindow::EvVScroll(code, thumbPos);
    Scroll(SB_VERT, code, thumbPos);
}

void TChartWindow::Scroll(int bar, UINT code, int thumbPos) {
    SCROLLINFO& info = bar == SB_HORZ ? HScrollInfo : VScrollInfo;
    int& center = bar == SB_HORZ ? Document.Env->ViewCenterX : Document.Env->ViewCenterY;
    const int lp = bar == SB_HORZ ? LogPixelsX : LogPixelsY;
    const double t = 1440.0 / (lp > 0 ? lp : (bar == SB_HORZ ? GetLogPixelsX() : GetLogPixelsY()));
    // Pixels that 100 twips take at the current zoom.
    const int p = TruncToIntSaturated(EffectiveZoom() / t);
    switch (code) {
    case SB_THUMBPOSITION:
        // The bar's own signed 32-bit position, not a 16-bit message word.
        center = thumbPos;
        info.nPos = center;
        SetScrollInfo(bar, info, true);
        break;
    case SB_THUMBTRACK:
        center = thumbPos;
        info.nPos = info.nTrackPos = center;
        SetScrollInfo(bar, info, true);
        break;
    case SB_ENDSCROLL:
        Scrolling = 0;
        info.nPos = center;
        SetScrollInfo(bar, info, false);
        Invalidate(true);
        break;
    case SB_LINEUP:
        Scrolling = 1;
        ScrollStep(bar, true, 100, p);
        break;
    case SB_PAGEUP:
        Scrolling = 1;
        ScrollStep(bar, true, 1000, 10 * p);
        break;
    case SB_LINEDOWN:
        Scrolling = 1;
        ScrollStep(bar, false, 100, p);
        break;
    case SB_PAGEDOWN:
        Scrolling = 1;
        ScrollStep(bar, false, 1000, 10 * p);
        break;
    default:
        break;
    }
}

void TChartWindow::ScrollStep(int bar, bool back, int step, int shift) {
    SCROLLINFO& info = bar == SB_HORZ ? HScrollInfo : VScrollInfo;
    int& center = bar == SB_HORZ ? Document.Env->ViewCenterX : Document.Env->ViewCenterY;
    const int lp = bar == SB_HORZ ? LogPixelsX : LogPixelsY;
    const double t = 1440.0 / (lp > 0 ? lp : (bar == SB_HORZ ? GetLogPixelsX() : GetLogPixelsY()));
    const std::int64_t v = center;
    const std::int64_t nMin = info.nMin;
    const std::int64_t last = std::int64_t(info.nMax) - std::int64_t(info.nPage);
    // The pixels of a remaining distance shorter than a whole step.
    auto partial = [&](std::int64_t d) { return TruncToIntSaturated(EffectiveZoom() / t * double(d) * 0.01); };

    std::int64_t moved;
    if (back) {
        if (v >= nMin + step) {
            moved = v - step;
        } else if (v >= nMin) {
            shift = partial(v - nMin);
            moved = nMin;
        } else {
            return;
        }
    } else {
        if (v >= nMin && v <= last - step) {
            moved = v + step;
        } else if (v >= nMin && v <= last) {
            shift = partial(last - v);
            moved = last;
        } else {
            return;
        }
    }
    center = ClampToInt(moved);
    info.nPos = center;
    SetScrollInfo(bar, info, true);

    // The pixels move the other way: a smaller view centre shows what lay left of
    // (above) the old view.
    TRect scroll = GetClientRect();
    const int d = back ? shift : -shift;
    if (bar == SB_HORZ) {
        if (back) scroll.right -= shift;
        else scroll.left += shift;
        ScrollWindow(d, 0, &scroll, nullptr);
    } else {
        if (back) scroll.bottom -= shift;
        else scroll.top += shift;
        ScrollWindow(0, d, &scroll, nullptr);
    }
}
