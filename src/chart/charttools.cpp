// The active tool of the palette, the cursor that goes with it or with the
// selection feedback under the mouse, and snapping page points to the grid.

#include "chart/chartwindow.h"
#include "chart/winlayer/cursors.h"
#include "platform/winmath.h"

#include <cmath>

namespace {

// The buttons asked, in this order. The legend button only acts when pressed and
// never counts as the tool.
constexpr int kToolButtons[] = {ToolSelect,   ToolText,    ToolDragWindow, ToolTrimming,
                                ToolWatch,    ToolLine,    ToolRectangle,  ToolRoundRect,
                                ToolEllipse,  ToolAxisCut, ToolPolyline};

}  // namespace

int TChartWindow::GetCurrentTool() const {
    if (!ToolBar) return 0;
    for (int id : kToolButtons)
        if (ToolBar->IsButtonDown(id)) return id;
    return 0;
}

void TChartWindow::SetToolCursor() {
    int cursor = IDC_ARROW;
    switch (GetCurrentTool()) {
    case ToolDragWindow: cursor = ButtonDown == 1 ? IDC_HANDPRESSED : IDC_HAND; break;
    case ToolTrimming: cursor = IDC_DATAARROW; break;
    case ToolWatch: cursor = IDC_CROSS; break;
    case ToolLine:
    case ToolRectangle:
    case ToolRoundRect:
    case ToolEllipse:
    case ToolAxisCut:
    case ToolPolyline: cursor = IDC_PENCIL; break;
    default: break;  // the select tool, the text and legend buttons, none
    }
    SetCursor(cursor);
}

namespace {

// The cursor of a hit code: the tool's where no feedback is under the mouse.
void ShowHitCursor(TChartWindow& w, int code) {
    switch (code) {
    case HitNone: w.SetToolCursor(); break;
    case HitTopLeft:
    case HitBottomRight: w.SetCursor(IDC_SIZENWSE); break;
    case HitTopRight:
    case HitBottomLeft: w.SetCursor(IDC_SIZENESW); break;
    case HitInside: w.SetCursor(IDC_SIZEALL); break;
    case HitLeft:
    case HitRight: w.SetCursor(IDC_SIZEWE); break;
    case HitTop:
    case HitBottom: w.SetCursor(IDC_SIZENS); break;
    default:
        if (code >= HitNode) w.SetCursor(IDC_NODEARROW);
        break;
    }
}

}  // namespace

void TChartWindow::SetHitCursor(TPoint point) {
    CurrentHit = GetHitCode(point);
    ShowHitCursor(*this, CurrentHit);
}

void TChartWindow::UpdateHitCursor(TPoint point) {
    // Within one feedback zone the cursor is set once.
    const int code = GetHitCode(point);
    if (code == CurrentHit) return;
    CurrentHit = code;
    ShowHitCursor(*this, code);
}

TPoint TChartWindow::SnapToGrid(TPoint point) const {
    if (!Document.Env || Document.Env->IsGrid != 1) return point;
    // The grid commands set 100 to 400; a pitch of 0 or less can only come from a
    // damaged document and has no grid points to snap to.
    const double pitch = Document.Env->GridPitch;
    if (!(pitch > 0.0)) return point;
    // The nearest multiple of the pitch, halves upwards (also below zero).
    auto snap = [pitch](int c) {
        return TruncToIntSaturated(std::floor(double(c) / pitch + 0.5) * pitch);
    };
    return TPoint(snap(point.x), snap(point.y));
}
