// Drawing a data series: its values through the X and Y processing formulas,
// mapped to the page by its reference axes, cut into runs at "*" rows, and each run
// drawn as filled form, connection line, error bars and markers, in that order.

#include "model/boxframe.h"
#include "numerics/splines.h"
#include "platform/escape.h"
#include "platform/winmath.h"
#include "render/markers.h"
#include "render/output.h"
#include "render/seriesrun.h"
#include "render/styledline.h"

#include <cmath>
#include <limits>
#include <new>
#include <string_view>

namespace seriesdraw {

int SideClamp(double coord) {
    if (std::fabs(coord) < kOffPage) return TruncToInt(coord);
    if (coord <= -kOffPage) return -32767;
    return 32767;  // beyond the bottom or right, infinities and NaN
}

}  // namespace seriesdraw

namespace {

using seriesdraw::SeriesContext;

constexpr double kInf = std::numeric_limits<double>::infinity();

// The processing formulas read at most this many characters, what the style
// dialog stores.
constexpr std::size_t kFormulaChars = 255;

// A base size in twips scaled by a style percentage, truncated; a negative result
// (only a damaged file has one) draws as the thinnest pen.
int Scaled(int rate, int percent) {
    const int v = TruncToIntSaturated(rate * double(percent) * 0.01);
    return v < 0 ? 0 : v;
}

// The marker codes that draw a shape of their own.
bool HasMarkerShape(int code) {
    return (code >= MarkerRectangle && code <= MarkerCircle) || code == MarkerCross ||
           code == MarkerDiagCross;
}

class SeriesDrawer {
public:
    SeriesDrawer(BoxFrame& set, int mode, int quality, TDC& dc, const TPlot& plot, int seriesNo,
                 FILE* file, TRect* extent)
        : c_(set, mode, dc, file, extent, plot), seriesNo_(seriesNo) {
        const TPlotStyle& st = plot.Style;
        const Frame& f = set.Frame;
        c_.xAxis = st.RefAxisX == 1 ? BottomAxisNo : TopAxisNo;
        c_.yAxis = st.RefAxisY == 1 ? LeftAxisNo : RightAxisNo;
        const AxisUnit& ax = st.RefAxisX == 1 ? set.BottomAxis : set.TopAxis;
        const AxisUnit& ay = st.RefAxisY == 1 ? set.LeftAxis : set.RightAxis;
        c_.display = TRect(TruncToIntSaturated(f.OriginX + 0.01 * ax.DispRegionStart * f.FrameLengthX),
                           TruncToIntSaturated(f.OriginY + 0.01 * ay.DispRegionStart * f.FrameLengthY),
                           TruncToIntSaturated(f.OriginX + 0.01 * ax.DispRegionEnd * f.FrameLengthX),
                           TruncToIntSaturated(f.OriginY + 0.01 * ay.DispRegionEnd * f.FrameLengthY));
        c_.lineWidth = quality == 1 ? Scaled(f.LineThickRate, st.LineWidth) : 0;
        c_.outlineWidth = quality == 1 ? Scaled(f.MarkerThickRate, st.OutLineWidth) : 0;
        c_.markerSize = Scaled(f.MarkerSizeRate, st.MarkerSize);
    }

    void Draw() {
        const TPlot& plot = c_.plot;
        const TPlotStyle& st = c_.style;
        const int rows = plot.XData.GetItemsInContainer();
        const bool xErrors = plot.PlotFile.IsXErrorBar == 1;
        const bool yErrors = plot.PlotFile.IsYErrorBar == 1;

        // Every working array is made before anything is drawn, with room for the
        // whole series, so that the walk never grows them.
        c_.x.resize(std::size_t(rows));
        c_.y.resize(std::size_t(rows));
        if (xErrors) {
            c_.xMax.resize(std::size_t(rows));
            c_.xMin.resize(std::size_t(rows));
        }
        if (yErrors) {
            c_.yMax.resize(std::size_t(rows));
            c_.yMin.resize(std::size_t(rows));
        }
        c_.run.reserve(std::size_t(rows) + 1);  // + 1: the closing point of a closed polyline
        c_.runRows.reserve(std::size_t(rows));

        const std::string_view xText = st.IsXFormula == 1 ? Cut(st.XFormula) : "x";
        const std::string_view yText = st.IsYFormula == 1 ? Cut(st.YFormula) : "y";
        if (!Pass(xText, BoxFrame::ComponentValue, &plot.XData, c_.x.data(), nullptr)) return;
        if (!Pass(yText, BoxFrame::ComponentValue, &plot.YData, c_.y.data(), nullptr)) return;
        if (xErrors) {
            if (!Pass(xText, BoxFrame::ComponentMaxError, nullptr, nullptr, c_.xMax.data())) return;
            if (!Pass(xText, BoxFrame::ComponentMinError, nullptr, nullptr, c_.xMin.data())) return;
        }
        if (yErrors) {
            if (!Pass(yText, BoxFrame::ComponentMaxError, nullptr, nullptr, c_.yMax.data())) return;
            if (!Pass(yText, BoxFrame::ComponentMinError, nullptr, nullptr, c_.yMin.data())) return;
        }

        // Only the flags cut the runs: a value that is not finite with flag 0 stays
        // in its run, and each step deals with its position.
        const TDataElement* px = c_.x.data();
        const TDataElement* py = c_.y.data();
        BoxFrame& set = c_.set;
        for (int i = 0; i < rows; ++i) {
            if (c_.Escaped(i)) return;
            const int flags = px[i].Flag | py[i].Flag;
            if (flags == 0) {
                c_.run.emplace_back(set.ValueToPage(px[i].Value, c_.xAxis),
                                    set.ValueToPage(py[i].Value, c_.yAxis));
                c_.runRows.push_back(i);
            } else if (flags & DataFlagStar) {
                if (!CloseRun()) return;
            }
            // "|" rows and masked rows are left out; the run goes on over them.
        }
        CloseRun();
    }

private:
    static std::string_view Cut(const std::string& text) {
        return std::string_view(text).substr(0, kFormulaChars);
    }

    // One processing pass: compiles text and evaluates it for every row into
    // values (with the flags of flagSource) or into bare. A formula that does not
    // compile, and a row whose evaluation fails, give +INF: such a row is missing,
    // never a copy of the row before it.
    bool Pass(std::string_view text, int component, const TDataColumn* flagSource,
              TDataElement* values, double* bare) {
        const TPlot& plot = c_.plot;
        BoxFrame& set = c_.set;
        const int rows = plot.XData.GetItemsInContainer();
        const int flagRows = flagSource ? flagSource->GetItemsInContainer() : 0;
        const TDataElement* flags = flagSource ? flagSource->data() : nullptr;
        double r = 0.0;
        const bool compiled = set.Evaluate(text, r, BoxFrame::EvalCompile, &plot, 0, seriesNo_,
                                           component) == 1;
        for (int i = 0; i < rows; ++i) {
            if (c_.Escaped(i)) return false;
            double v = kInf;
            if (compiled && set.Evaluate({}, v, BoxFrame::EvalRow, &plot, i, seriesNo_, component) != 1)
                v = kInf;
            if (values) {
                values[i].Value = v;
                // A row that its column lacks (only a damaged series) is left out.
                values[i].Flag = i < flagRows ? flags[i].Flag : DataFlagBar;
            } else {
                bare[i] = v;
            }
        }
        return true;
    }

    // The curve of the run by the connection method; an unknown method gives none.
    void BuildCurve() {
        const int n = int(c_.run.size());
        c_.curve = nullptr;
        c_.curveCount = 0;
        const int method = c_.style.LineInterpolate;
        if (method == 0 || method == 1) {
            if (method == 1) c_.run.push_back(c_.run.front());  // back to the run's first point
            c_.curve = c_.run.data();
            c_.curveCount = int(c_.run.size());
            return;
        }
        if (method < 2 || method > 6) return;

        kv::DoubleArray& inX = c_.splineInX;
        kv::DoubleArray& inY = c_.splineInY;
        inX.Flush();
        inY.Flush();
        inX.Reserve(std::size_t(n));
        inY.Reserve(std::size_t(n));
        for (const DoublePoint& p : c_.run) {
            inX.Add(p.X);
            inY.Add(p.Y);
        }
        c_.splineX.Flush();
        c_.splineY.Flush();
        const int divisions = c_.style.LineInterpolatePara;
        // Whatever a routine appended is drawn, also after a failure.
        switch (method) {
        case 2: kv::SplineCurve(inX, inY, c_.splineX, c_.splineY, divisions); break;
        case 3: kv::ParamSplineCurve(inX, inY, c_.splineX, c_.splineY, kv::kSplineOpen, divisions); break;
        case 4: kv::ParamSplineCurve(inX, inY, c_.splineX, c_.splineY, kv::kSplineClosed, divisions); break;
        case 5: kv::BSplineCurve(inX, inY, c_.splineX, c_.splineY, kv::kSplineOpen, divisions); break;
        case 6: kv::BSplineCurve(inX, inY, c_.splineX, c_.splineY, kv::kSplineClosed, divisions); break;
        default: break;
        }
        const int m = std::min(c_.splineX.GetItemsInContainer(), c_.splineY.GetItemsInContainer());
        c_.curveStore.clear();
        c_.curveStore.reserve(std::size_t(m));
        const double* sx = c_.splineX.data();
        const double* sy = c_.splineY.data();
        for (int k = 0; k < m; ++k) c_.curveStore.emplace_back(sx[k], sy[k]);
        c_.curve = c_.curveStore.data();
        c_.curveCount = m;
    }

    // Draws the run and empties the run lists; false when Escape ended the series.
    bool CloseRun() {
        const int n = int(c_.runRows.size());
        bool ok = true;
        // An empty run (a "*" first or twice in a row) has nothing to show.
        if (n > 0) ok = DrawRun(n);
        c_.run.clear();
        c_.runRows.clear();
        c_.curveStore.clear();
        c_.polygon.clear();
        c_.curve = nullptr;
        c_.curveCount = 0;
        return ok;
    }

    bool DrawRun(int n) {
        const TPlotStyle& st = c_.style;
        const int mode = c_.mode;
        TDC& dc = c_.dc;
        FILE* file = c_.file;

        BuildCurve();

        if (st.MarkerStyle >= 6 && st.MarkerStyle <= 13 && !seriesdraw::DrawFilledForm(c_))
            return false;

        OutSelectPen(mode, dc, TColor(st.LineColor), c_.lineWidth, file);
        if (st.LineStyle != LineStyleNull && c_.curveCount >= 2) {
            OutBeginPath(mode, dc, file);
            DrawStyledPolyline(mode, dc, c_.curve, c_.curveCount - 1, st.LineStyle, c_.lineWidth,
                               st.Clipping == 1 ? 1 : 0, &c_.display, file, c_.extent);
            OutEndPath(mode, dc, file);
            OutStrokePath(mode, dc, file);
        }
        OutRestorePen(mode, dc);

        if ((c_.plot.PlotFile.IsXErrorBar == 1 || c_.plot.PlotFile.IsYErrorBar == 1) &&
            !seriesdraw::DrawErrorBars(c_))
            return false;

        return DrawMarkers(n);
    }

    bool DrawMarkers(int n) {
        const TPlotStyle& st = c_.style;
        const int mode = c_.mode;
        TDC& dc = c_.dc;
        FILE* file = c_.file;
        if (st.NullOutLine == 0)
            OutSelectPen(mode, dc, TColor(st.MarkerEdgeColor), c_.outlineWidth, file);
        else
            OutSelectStockObject(mode, dc, NULL_PEN, file);
        if (st.MarkerInsidePaint == 0)
            OutSelectBrush(mode, dc, TColor(st.MarkerInsideColor), -1, file);
        else
            OutSelectStockObject(mode, dc, NULL_BRUSH, file);

        // Codes without a shape and without the centre dot draw nothing at any
        // point, so their points are not walked.
        const bool visible = HasMarkerShape(st.MarkerStyle) ||
                             (st.MarkerCenterDot == 1 && st.MarkerStyle != MarkerNone);
        bool ok = true;
        if (visible) {
            const TRect& d = c_.display;
            const bool clip = st.Clipping == 1;
            const DoublePoint* pts = c_.run.data();
            for (int k = 0; k < n; ++k) {
                if (c_.Escaped(k)) {
                    ok = false;
                    break;
                }
                const double fx = pts[k].X, fy = pts[k].Y;
                if (!(std::fabs(fx) < seriesdraw::kOffPage && std::fabs(fy) < seriesdraw::kOffPage))
                    continue;
                const int x = TruncToInt(fx), y = TruncToInt(fy);
                if (clip && !(d.left - 1 <= x && x < d.right + 1 && d.top - 1 <= y && y < d.bottom + 1))
                    continue;
                BoxFrame::DrawMarker(mode, dc, x, y, st.MarkerStyle, c_.markerSize, st.MarkerCenterDot,
                                     file, c_.extent, c_.outlineWidth);
            }
        }
        if (st.MarkerInsidePaint == 0) OutRestoreBrush(mode, dc);
        OutRestorePen(mode, dc);
        return ok;
    }

    SeriesContext c_;
    int seriesNo_;
};

}  // namespace

void BoxFrame::DrawPlot(int mode, int quality, TDC& dc, const TPlot* plot, int seriesNo, FILE* file,
                        TRect* extent) {
    if (!plot || plot->Style.IsShown == 0) return;
    try {
        SeriesDrawer drawer(*this, mode, quality, dc, *plot, seriesNo, file, extent);
        drawer.Draw();
    } catch (const std::bad_alloc&) {
        // A series too large for memory ends here: what was drawn stays, and the
        // device context gets back what the series selected (a clip of an area
        // is set up only after its polygon is complete).
        OutRestoreBrush(mode, dc);
        OutRestorePen(mode, dc);
    }
}
