// The sample of a series inside a legend text: a piece of its line in its own
// style, width and colour, with its marker (or, for bar, area and step series, a
// filled box) over it.

#include "model/boxframe.h"
#include "platform/winmath.h"
#include "render/markers.h"
#include "render/output.h"
#include "render/styledline.h"

namespace {

// The base-size percentages of a series style in twips.
int Scaled(int rate, int percent) { return TruncToIntSaturated(rate * double(percent) * 0.01); }

}  // namespace

void BoxFrame::DrawLegendSample(int mode, TDC& dc, int series, TRect box, FILE* file,
                                TRect* extent) {
    const double mid = (double(box.top) + box.bottom) * 0.5;
    const DoublePoint ends[2] = {DoublePoint(box.left, mid), DoublePoint(box.right, mid)};
    if (series < 1 || series > PlotList.GetItemsInContainer()) return;
    const TPlotStyle& st = PlotList[series]->Style;

    const int lw = Scaled(Frame.LineThickRate, st.LineWidth);
    const int ms = Scaled(Frame.MarkerSizeRate, st.MarkerSize);
    const int ow = Scaled(Frame.MarkerThickRate, st.OutLineWidth);

    OutSelectPen(mode, dc, TColor(st.LineColor), lw, file);
    if (st.LineStyle == LineStyleSolid) {
        OutBeginPath(mode, dc, file);
        OutMoveTo(mode, TPoint(TruncToIntSaturated(ends[0].X), TruncToIntSaturated(ends[0].Y)), dc,
                  file, extent, lw, true);
        OutLineTo(mode, TPoint(TruncToIntSaturated(ends[1].X), TruncToIntSaturated(ends[1].Y)), dc,
                  file, extent, lw);
        OutEndPath(mode, dc, file);
        OutStrokePath(mode, dc, file);
    } else if (st.LineStyle >= LineStyleLongDash && st.LineStyle <= LineStyleDashDotDotDash) {
        OutBeginPath(mode, dc, file);
        DrawStyledPolyline(mode, dc, ends, 1, st.LineStyle, lw, 0, nullptr, file, extent);
        OutEndPath(mode, dc, file);
        OutStrokePath(mode, dc, file);
    }
    OutRestorePen(mode, dc);

    if (st.NullOutLine != 0)
        OutSelectStockObject(mode, dc, NULL_PEN, file);
    else
        OutSelectPen(mode, dc, TColor(st.MarkerEdgeColor), ow, file);
    if (st.MarkerInsidePaint != 0)
        OutSelectStockObject(mode, dc, NULL_BRUSH, file);
    else
        OutSelectBrush(mode, dc, TColor(st.MarkerInsideColor), -1, file);

    const int code = st.MarkerStyle;
    if ((code >= MarkerNone && code <= MarkerCircle) || code == MarkerCross ||
        code == MarkerDiagCross) {
        DrawMarker(mode, dc, int(((long long)box.left + box.right) / 2),
                   int(((long long)box.top + box.bottom) / 2), code, ms,
                   st.MarkerCenterDot, file, extent, ow);
    } else if (code >= 6 && code <= 13) {
        // Bars, areas and steps show as the filled box itself.
        const TPoint corners[4] = {{box.left, box.top},
                                   {box.right, box.top},
                                   {box.right, box.bottom},
                                   {box.left, box.bottom}};
        OutBeginPath(mode, dc, file);
        OutPolygon(mode, corners, 4, dc, file, extent, lw, false);
        OutEndPath(mode, dc, file);
        OutStrokePath(mode, dc, file);
    }
    OutRestoreBrush(mode, dc);
    OutRestorePen(mode, dc);
}
