// The view commands of the Window and Help menus: the snapping grid, draft
// drawing, zoom to the whole graph or the whole paper, the paper colour, manual
// refresh, a forced redraw and the help file. None of them marks the graph
// modified, although grid, zoom, view centre and paper colour are stored with it.

#include "chart/chartwindow.h"
#include "platform/cformat.h"
#include "platform/colordialog.h"
#include "platform/winmath.h"

#include <algorithm>
#include <cstdint>

using kv::win::Application;

namespace {

// The colour dialog's custom colours, kept for the run of the program: white until
// the first opening, then whatever the user leaves in them.
kv::CustomColors& PaperCustomColors() {
    static kv::CustomColors colors = [] {
        kv::CustomColors c;
        c.fill(RGB(255, 255, 255));
        return c;
    }();
    return colors;
}

constexpr int kGridItems[] = {CM_GRIDNONE, CM_GRID5, CM_GRID10, CM_GRID15, CM_GRID20};

void SetGrid(TChartWindow& w, int item, int isGrid, int pitch) {
    w.Document.Env->IsGrid = isGrid;
    w.Document.Env->GridPitch = pitch;
    for (int id : kGridItems) Application().CheckMenuItem(id, id == item);
    w.Invalidate(true);
}

// A page coordinate halfway between two others, truncated toward zero as an int
// division would, without overflowing on the way.
int Middle(int a, int b) { return int((std::int64_t(a) + std::int64_t(b)) / 2); }

}  // namespace

void TChartWindow::CmGridNone() { SetGrid(*this, CM_GRIDNONE, 0, Document.Env->GridPitch); }
void TChartWindow::CmGrid5() { SetGrid(*this, CM_GRID5, 1, 100); }
void TChartWindow::CmGrid10() { SetGrid(*this, CM_GRID10, 1, 200); }
void TChartWindow::CmGrid15() { SetGrid(*this, CM_GRID15, 1, 300); }
void TChartWindow::CmGrid20() { SetGrid(*this, CM_GRID20, 1, 400); }

void TChartWindow::CmDraft() { ToggleDraft(); }

void TChartWindow::ToggleDraft() {
    Quality = Quality == 1 ? 0 : 1;
    Application().CheckMenuItem(CM_DRAFT, Quality == 0);
    Invalidate(true);
}

int TChartWindow::CalcFitZoom(int x1, int y1, int x2, int y2) {
    LogPixelsX = WindowDC ? WindowDC->GetDeviceCaps(LOGPIXELSX) : GetLogPixelsX();
    LogPixelsY = WindowDC ? WindowDC->GetDeviceCaps(LOGPIXELSY) : GetLogPixelsY();
    const double tx = 1440.0 / std::max(1, LogPixelsX);
    const double ty = 1440.0 / std::max(1, LogPixelsY);
    const TRect client = GetClientRect();
    const double dx = double(x2) - double(x1);
    const double dy = double(y2) - double(y1);
    if (dx == 0.0 || dy == 0.0) return 25;
    // A non-finite or out-of-range quotient truncates to INT_MIN and ends at 25.
    const int zx = TruncToInt(client.Width() * tx / dx * 100);
    const int zy = TruncToInt(client.Height() * ty / dy * 100);
    return std::max(std::min(zx, zy), 25);
}

void TChartWindow::CmFitGraph() {
    const TRect r = CurrentOnly == 1 ? GetCurrentFrameExtent() : GetGraphExtent();
    Document.Env->Zoom = CalcFitZoom(r.left, r.top, r.right, r.bottom);
    Document.Env->ViewCenterX = Middle(r.left, r.right);
    Document.Env->ViewCenterY = Middle(r.top, r.bottom);
    UpdateScrollBars();
    if (StatusBar) StatusBar->SetGadgetText(ZoomGadget, kv::Format("%3d%%", Document.Env->Zoom));
    UpdateHandleSize();
    Invalidate(true);
}

void TChartWindow::CmFitPaper() {
    const int x1 = -Document.Env->PrintOffsetX;
    const int y1 = -Document.Env->PrintOffsetY;
    const int x2 = int(std::clamp<std::int64_t>(
        std::int64_t(Document.Env->PaperWidth) - Document.Env->PrintOffsetX, INT32_MIN, INT32_MAX));
    const int y2 = int(std::clamp<std::int64_t>(std::int64_t(Document.Env->PaperHeight) -
                                                    Document.Env->PrintOffsetY,
                                                INT32_MIN, INT32_MAX));
    Document.Env->Zoom = TruncToInt(CalcFitZoom(x1, y1, x2, y2) * 0.95);
    // Half the printable size less the printing offset: the centre of the
    // printable area, not of the sheet.
    Document.Env->ViewCenterX = int(std::clamp<std::int64_t>(
        std::int64_t(Document.Env->PrintableWidth / 2) - Document.Env->PrintOffsetX, INT32_MIN,
        INT32_MAX));
    Document.Env->ViewCenterY = int(std::clamp<std::int64_t>(
        std::int64_t(Document.Env->PrintableHeight / 2) - Document.Env->PrintOffsetY, INT32_MIN,
        INT32_MAX));
    UpdateScrollBars();
    if (StatusBar) StatusBar->SetGadgetText(ZoomGadget, kv::Format("%3d%%", Document.Env->Zoom));
    UpdateHandleSize();
    Invalidate(true);
}

void TChartWindow::CmPaperColor() {
    kv::ColorDialogRequest request;
    request.owner = static_cast<QWidget*>(this);
    request.color = Document.Env->PaperColor;
    request.custom = &PaperCustomColors();
    request.flags = CC_RGBINIT | CC_FULLOPEN;
    const kv::ColorDialogResult result = kv::RunColorDialog(request);
    if (!result.chosen) return;
    // The paper's colour is printed and exported, and the graph file keeps it.
    if (Document.Env->PaperColor != result.color) Document.Modified = 1;
    Document.Env->PaperColor = result.color;
    Invalidate(true);
}

void TChartWindow::CmManualRefresh() {
    ManualRefresh = ManualRefresh == 1 ? 0 : 1;
    Application().CheckMenuItem(CM_MANUALREFRESH, ManualRefresh == 1);
}

void TChartWindow::CmRedraw() {
    // One full paint with the series, whatever manual refresh says; the next
    // ordinary paint follows the setting again.
    const int saved = ManualRefresh;
    ManualRefresh = 0;
    Invalidate(true);
    UpdateWindow();
    ManualRefresh = saved;
}

void TChartWindow::CmHelp() {
    kv::win::TApplicationServices& app = Application();
    app.OpenHelp(app.AppDirectory() + "KORVIDA.HLP");
}
