#include "dialogs/controls/plotbutton.h"

#include "model/plot.h"
#include "model/records.h"
#include "platform/color.h"
#include "render/markers.h"
#include "render/output.h"
#include "render/styledline.h"

TPlotButton::TPlotButton(PDialog* parent, int id, const TPlotStyle* style)
    : POwnerDrawButton(parent, id), SampleStyle(std::make_unique<TPlotStyle>()) {
    if (style) {
        *SampleStyle = *style;
        HasStyle = 1;
    }
}

TPlotButton::~TPlotButton() = default;

void TPlotButton::SetPlotStyle(const TPlotStyle* style) {
    if (style) {
        HasStyle = 1;
        *SampleStyle = *style;
    } else {
        HasStyle = 0;
    }
    Invalidate();
}

void TPlotButton::ODADrawEntire(DRAWITEMSTRUCT& dis) {
    DrawPlotSample(*dis.hDC, dis.rcItem, HasStyle ? SampleStyle.get() : nullptr);
}

void DrawPlotSample(TDC& dc, const TRect& r, const TPlotStyle* style) {
    const int left = r.left, top = r.top, right = r.right, bottom = r.bottom;

    // White field, then the black one-pixel border over it.
    dc.SaveDC();
    dc.SelectObject(TBrush(RGB(255, 255, 255)));
    dc.Rectangle(left, top, right, bottom);
    dc.SelectObject(TPen(PALETTEINDEX(0), 1));
    dc.SelectObject(TBrush(RGB(255, 255, 255)));
    dc.Rectangle(left, top, right, bottom);
    dc.RestoreDC(-1);
    if (!style) return;

    const int cx = (left + right) / 2;
    const int cy = (top + bottom) / 2;
    const int s = (bottom - top) / 4;  // marker half-size
    const int h = s * 18 / 20;         // half-width of the triangles
    const int d = s * 10 / 14;         // half-size of the square and the diagonal cross
    const int s2 = s / 2;
    const int code = style->MarkerStyle;

    // The data line, for point markers only: bars, areas, steps and the crosses
    // show their form alone. The sample's dashes use a unit of two pixels whatever
    // the series' width.
    if (code <= MarkerCircle) {
        dc.SaveDC();
        dc.SelectObject(TPen(style->LineColor, 2));
        if (style->LineStyle == LineStyleSolid) {
            dc.MoveToEx(left + 4, cy);
            dc.LineTo(right - 4, cy);
        } else if (style->LineStyle >= LineStyleLongDash &&
                   style->LineStyle <= LineStyleDashDotDotDash) {
            const DoublePoint ends[2] = {DoublePoint(left + 4, cy), DoublePoint(right - 4, cy)};
            DrawStyledPolyline(OUT_DC, dc, ends, 1, style->LineStyle, 2, 0, nullptr, nullptr,
                               nullptr);
        }
        dc.RestoreDC(-1);
    }

    dc.SaveDC();
    if (style->NullOutLine == 0)
        dc.SelectObject(TPen(style->MarkerEdgeColor, 1));
    else
        dc.SelectStockObject(NULL_PEN);
    if (style->MarkerInsidePaint == 0)
        dc.SelectObject(TBrush(style->MarkerInsideColor));
    else
        dc.SelectStockObject(NULL_BRUSH);
    switch (code) {
    case MarkerRectangle: dc.Rectangle(cx - d, cy - d, cx + d, cy + d); break;
    case MarkerTriangle: {
        const TPoint p[3] = {{cx, cy - s}, {cx + h, cy + s2}, {cx - h, cy + s2}};
        dc.Polygon(p, 3);
        break;
    }
    case MarkerRevTriangle: {
        const TPoint p[3] = {{cx, cy + s}, {cx + h, cy - s2}, {cx - h, cy - s2}};
        dc.Polygon(p, 3);
        break;
    }
    case MarkerDiamond: {
        const TPoint p[4] = {{cx, cy - s}, {cx + s, cy}, {cx, cy + s}, {cx - s, cy}};
        dc.Polygon(p, 4);
        break;
    }
    case MarkerCircle: dc.Ellipse(cx - s, cy - s, cx + s, cy + s); break;
    case MarkerCross:
        // Each stroke out and back, so both ends are drawn.
        dc.MoveToEx(cx - s, cy);
        dc.LineTo(cx + s, cy);
        dc.LineTo(cx - s, cy);
        dc.MoveToEx(cx, cy - s);
        dc.LineTo(cx, cy + s);
        dc.LineTo(cx, cy - s);
        break;
    case MarkerDiagCross:
        dc.MoveToEx(cx - d, cy - d);
        dc.LineTo(cx + d, cy + d);
        dc.LineTo(cx - d, cy - d);
        dc.MoveToEx(cx - d, cy + d);
        dc.LineTo(cx + d, cy - d);
        dc.LineTo(cx - d, cy + d);
        break;
    default:
        // Areas, bars and steps: one wide box across the button.
        if (code >= 6 && code <= 13) dc.Rectangle(left + 4, cy - s, right - 4, cy + s);
        break;
    }
    dc.RestoreDC(-1);

    // The centre dot keeps the outline colour even when the outline is off.
    if (code >= MarkerRectangle && code <= MarkerCircle && style->MarkerCenterDot == 1) {
        dc.SaveDC();
        dc.SelectObject(TPen(style->MarkerEdgeColor, 1));
        dc.SelectObject(TBrush(style->MarkerEdgeColor));
        dc.Ellipse(cx - 1, cy - 1, cx + 1, cy + 1);
        dc.RestoreDC(-1);
    }
}
