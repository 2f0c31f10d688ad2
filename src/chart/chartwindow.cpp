#include "chart/chartwindow.h"

#include "platform/cformat.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"
#include "platform/winmath.h"
#include "render/syncaxes.h"

#include <cmath>

using kv::win::Application;

TChartWindow::TChartWindow(QWidget* parent)
    : TWindow(parent),
      ScalingStore(std::make_unique<BoxFrame>()),
      ScratchZukei(std::make_unique<TZukei>()) {
    setObjectName(GetClassName());
}

TChartWindow::~TChartWindow() {
    // The client device context goes before the window it draws on.
    WindowDC.reset();
}

SCROLLINFO TChartWindow::InitialScrollInfo() {
    SCROLLINFO si;
    si.cbSize = 28;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    return si;
}

int TChartWindow::EffectiveZoom() const {
    return Document.Env && Document.Env->Zoom >= 1 ? Document.Env->Zoom : 100;
}

// ---- The close check.

bool TChartWindow::CanClose() {
    kv::win::TApplicationServices& app = Application();
    if (Document.Modified) {
        // The owner is the window as a widget, the form message boxes expect.
        const int answer = kv::MessageBox(static_cast<QWidget*>(this), kv::LoadString(32),
                                          kv::LoadString(33).c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL) return false;
        if (answer == IDYES) {
            // The graph closes only when it really was written: a save that
            // reports success while the document is still marked changed did not
            // write it.
            if (app.SaveGraph() == 0 || Document.Modified) return false;
        }
    }
    app.SaveSettings();
    app.CloseHelp(app.AppDirectory() + "KORVIDA.HLP");
    return true;
}

// ---- Small services.

void TChartWindow::ShowCurrentAxisSet() {
    if (StatusBar)
        StatusBar->SetGadgetText(AxisSetGadget, kv::Format("Axis %d", Document.CurrentNo));
}

void TChartWindow::SetOnlyParameterAll() { ::SetOnlyParameterAll(Document.AxisSets); }

int TChartWindow::HasMemoryData() const {
    for (BoxFrame* set : Document.AxisSets)
        if (set->HasMemoryData()) return 1;
    return 0;
}

NewGraphHooks TChartWindow::MakeNewGraphHooks() {
    NewGraphHooks hooks;
    hooks.SyncAxes = [](Frame* frame, AxisUnit* left, AxisUnit* right, AxisUnit* top, AxisUnit* bottom) {
        ::SyncAxes(frame, left, right, top, bottom);
    };
    hooks.UpdateAxisLabels = [this](BoxFrame* set) { UpdateAxisLabels(set); };
    hooks.ClearFeedback = [this] { ClearFeedback(); };
    hooks.UpdateCaption = [](const char* name) { Application().UpdateCaption(name); };
    return hooks;
}

GraphFileHooks TChartWindow::MakeGraphFileHooks() {
    GraphFileHooks hooks;
    hooks.Owner = static_cast<QWidget*>(this);
    hooks.ClearFeedback = [this] { ClearFeedback(); };
    hooks.SetGridMenu = [](int item) {
        for (int id : {GridMenuNone, GridMenu5, GridMenu10, GridMenu15, GridMenu20})
            Application().CheckMenuItem(id, id == item);
    };
    hooks.Repaint = [this] { Invalidate(true); };
    return hooks;
}

// ---- The page mapping.

bool ComputePageMapping(int w, int h, int lpx, int lpy, int zoom, TPoint viewCenter,
                        TPageMapping& out) {
    if (w <= 0 || h <= 0 || lpx <= 0 || lpy <= 0) return false;
    if (zoom < 1) zoom = 100;
    const double tx = 1440.0 / lpx;
    const double ty = 1440.0 / lpy;
    // A tenth of both extents: at zoom 100 one pixel covers tx twips.
    const int wx = TruncToIntSaturated(w * tx * 100 / zoom * 0.1);
    const int wy = TruncToIntSaturated(h * ty * 100 / zoom * 0.1);
    const int vx = TruncToIntSaturated(w * 0.1);
    const int vy = TruncToIntSaturated(h * 0.1);
    if (wx == 0 || wy == 0 || vx == 0 || vy == 0) return false;
    out.WindowOrg = viewCenter;
    out.WindowExt = TSize(wx, wy);
    out.ViewportOrg = TPoint(w / 2, h / 2);
    out.ViewportExt = TSize(vx, vy);
    return true;
}

void ApplyPageMapping(TDC& dc, const TPageMapping& m) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowOrg(m.WindowOrg);
    dc.SetWindowExt(m.WindowExt);
    dc.SetViewportOrg(m.ViewportOrg);
    dc.SetViewportExt(m.ViewportExt);
}
