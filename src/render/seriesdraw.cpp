// Drawing a data series: its values through the X and Y processing formulas,
// mapped to the page by its reference axes, cut into runs at "*" rows, and each run
// drawn as filled form, connection line, error bars and markers, in that order.

#include "model/boxframe.h"
#include "numerics/splines.h"
#include "platform/escape.h"
#include "platform/winmath.h"
#include "render/graphdraw.h"
#include "render/markers.h"
#include "render/output.h"
#include "render/seriesrun.h"
#include "render/styledline.h"

#include <cmath>
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <optional>
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

// The page points of m rows on two linear axes, a value that is not finite
// mapped as +INF (no position), as the walk maps it. Returns the rows' flags
// or-ed together, gathered in the same pass.
unsigned MapLinearBlock(const LinearPointMap& map, const TDataElement* xs, const TDataElement* ys,
                        const TDataElement* xFlags, const TDataElement* yFlags, int m, LinePoint* out) {
    unsigned any = 0;
    unsigned allFinite = 1;
    for (int k = 0; k < m; ++k) {
        any |= xFlags[k].Flag | yFlags[k].Flag;
        allFinite &= map.MapIfFinite(xs[k].Value, ys[k].Value, out[k]) ? 1u : 0u;
    }
    // Rarely: the block again, values that are not finite as +INF.
    if (!allFinite) [[unlikely]] {
        auto finite = [](double v) { return std::fabs(v) <= std::numeric_limits<double>::max() ? v : kInf; };
        for (int k = 0; k < m; ++k) map(finite(xs[k].Value), finite(ys[k].Value), out[k]);
    }
    return any;
}

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
                 FILE* file, TRect* extent, seriesdraw::SeriesScratch& scratch)
        : c_(set, mode, dc, file, extent, plot, scratch), s_(scratch), seriesNo_(seriesNo) {
        const TPlotStyle& st = plot.Style;
        const Frame& f = set.Frame;
        c_.xAxis = st.RefAxisX == 1 ? BottomAxisNo : TopAxisNo;
        c_.yAxis = st.RefAxisY == 1 ? LeftAxisNo : RightAxisNo;
        c_.mapX = AxisValueMap(set, c_.xAxis);
        c_.mapY = AxisValueMap(set, c_.yAxis);
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

        // Every working array has room for the whole series before anything is
        // drawn, so that the walk never grows them.
        const std::size_t n = std::size_t(rows);
        s_.x.Fit(n);
        s_.y.Fit(n);
        s_.flags.Fit(n);
        if (xErrors) {
            s_.xMax.Fit(n);
            s_.xMin.Fit(n);
        }
        if (yErrors) {
            s_.yMax.Fit(n);
            s_.yMin.Fit(n);
        }

        const std::string_view xText = st.IsXFormula == 1 ? Cut(st.XFormula) : "x";
        const std::string_view yText = st.IsYFormula == 1 ? Cut(st.YFormula) : "y";
        // The error columns go first: they only fill arrays, and the walk over the
        // values that follows may then be the single pass below.
        if (xErrors) {
            if (!Pass(xText, BoxFrame::ComponentMaxError, s_.xMax.data())) return;
            if (!Pass(xText, BoxFrame::ComponentMinError, s_.xMin.data())) return;
        }
        if (yErrors) {
            if (!Pass(yText, BoxFrame::ComponentMaxError, s_.yMax.data())) return;
            if (!Pass(yText, BoxFrame::ComponentMinError, s_.yMin.data())) return;
        }
        if (WalkPlainColumns(xText, yText)) return;

        FitRun();
        std::uint8_t* flags = s_.flags.data();
        if (!Pass(xText, BoxFrame::ComponentValue, s_.x.data())) return;
        CopyFlags(plot.XData, flags, false);
        if (!Pass(yText, BoxFrame::ComponentValue, s_.y.data())) return;
        CopyFlags(plot.YData, flags, true);

        // Only the flags cut the runs: a value that is not finite with flag 0 stays
        // in its run, and each step deals with its position.
        const double* px = s_.x.data();
        const double* py = s_.y.data();
        DoublePoint* run = s_.run.data();
        int* runRows = s_.runRows.data();
        const AxisValueMap mapX = c_.mapX, mapY = c_.mapY;
        c_.runCount = 0;
        for (int i = 0; i < rows; ++i) {
            if (c_.Escaped(i)) return;
            if (flags[i] == 0) {
                DoublePoint& p = run[c_.runCount];
                p.X = mapX(px[i]);
                p.Y = mapY(py[i]);
                runRows[c_.runCount++] = i;
            } else if (flags[i] & DataFlagStar) {
                if (!CloseRun()) return;
            }
            // "|" rows and masked rows are left out; the run goes on over them.
        }
        CloseRun();
    }

private:
    // Room in the run arrays for the whole series (a series drawn as it is walked
    // needs none).
    void FitRun() {
        const std::size_t n = std::size_t(c_.plot.XData.GetItemsInContainer());
        // + 1: the closing point of a closed polyline.
        if (s_.run.size() < n + 1) s_.run.resize(n + 1);
        s_.runRows.Fit(n);
    }

    // When both processing formulas are a plain column and every column has all
    // the rows (what a series read from a file has), the values are mapped straight
    // from the columns into the runs: the same points as the passes and the walk
    // below give, without their working arrays, which a large series spends most
    // of its drawing time filling and reading back. Answers whether it drew.
    bool WalkPlainColumns(std::string_view xText, std::string_view yText) {
        const TPlot& plot = c_.plot;
        BoxFrame& set = c_.set;
        double r = 0.0;
        if (set.Evaluate(xText, r, BoxFrame::EvalCompile, &plot, 0, seriesNo_,
                         BoxFrame::ComponentValue) != 1)
            return false;
        const TDataColumn* xColumn = set.CompiledPlainColumn(plot, BoxFrame::ComponentValue);
        if (!xColumn ||
            set.Evaluate(yText, r, BoxFrame::EvalCompile, &plot, 0, seriesNo_, BoxFrame::ComponentValue) != 1)
            return false;
        const TDataColumn* yColumn = set.CompiledPlainColumn(plot, BoxFrame::ComponentValue);
        const int rows = plot.XData.GetItemsInContainer();
        if (!yColumn || xColumn->GetItemsInContainer() < rows || yColumn->GetItemsInContainer() < rows ||
            plot.YData.GetItemsInContainer() < rows)
            return false;

        if (c_.mapX.IsLinear() && c_.mapY.IsLinear() && Streams()) {
            StreamLinearColumns(*xColumn, *yColumn);
            return true;
        }
        FitRun();
        if (c_.mapX.IsLinear() && c_.mapY.IsLinear())
            WalkLinearColumns(*xColumn, *yColumn);
        else
            WalkColumns(*xColumn, *yColumn, c_.mapX, c_.mapY);
        return true;
    }

    // WalkColumns for two linear axes, a block of rows at a time: each point is
    // mapped whole (both coordinates in one vector), and a block without flags
    // joins the run whole.
    void WalkLinearColumns(const TDataColumn& xColumn, const TDataColumn& yColumn) {
        constexpr int kBlock = 100;  // a multiple of the Escape poll's interval
        const TPlot& plot = c_.plot;
        const int rows = plot.XData.GetItemsInContainer();
        const TDataElement* xs = xColumn.data();
        const TDataElement* ys = yColumn.data();
        const TDataElement* xFlags = plot.XData.data();
        const TDataElement* yFlags = plot.YData.data();
        DoublePoint* run = s_.run.data();
        int* runRows = s_.runRows.data();
        const LinearPointMap map(c_.mapX, c_.mapY);
        LinePoint pts[kBlock];
        int count = 0;
        for (int first = 0; first < rows; first += kBlock) {
            if (c_.Escaped(first)) return;
            const int m = std::min(kBlock, rows - first);
            if (MapLinearBlock(map, xs + first, ys + first, xFlags + first, yFlags + first, m, pts) == 0)
                [[likely]] {
                for (int k = 0; k < m; ++k) {
                    run[count + k].X = pts[k].x;
                    run[count + k].Y = pts[k].y;
                    runRows[count + k] = first + k;
                }
                count += m;
                continue;
            }
            for (int k = 0; k < m; ++k) {
                const unsigned flag = xFlags[first + k].Flag | yFlags[first + k].Flag;
                if (flag == 0) {
                    run[count].X = pts[k].x;
                    run[count].Y = pts[k].y;
                    runRows[count++] = first + k;
                } else if (flag & DataFlagStar) {
                    c_.runCount = count;
                    count = 0;
                    if (!CloseRun()) return;
                }
            }
        }
        c_.runCount = count;
        CloseRun();
    }

    // Whether each run may be drawn while it is walked, without being kept: on a
    // device context, a polyline and nothing else of the series that reads the run
    // again (filled forms, error bars, markers).
    bool Streams() const {
        const TPlotStyle& st = c_.style;
        return c_.mode == OUT_DC && RasterLineReduction() && st.LineStyle != LineStyleNull &&
               st.LineInterpolate == 0 &&
               !(st.MarkerStyle >= 6 && st.MarkerStyle <= 13) && !MarkersVisible() &&
               c_.plot.PlotFile.IsXErrorBar != 1 && c_.plot.PlotFile.IsYErrorBar != 1;
    }

    // WalkLinearColumns for a series whose runs are only lines: each block of
    // mapped values goes straight on to the line, so no run is kept and a large
    // series draws through a few kilobytes. The same drawing and polls as closing
    // each run with its points.
    void StreamLinearColumns(const TDataColumn& xColumn, const TDataColumn& yColumn) {
        constexpr int kBlock = 100;  // a multiple of the Escape poll's interval
        const TPlot& plot = c_.plot;
        const TPlotStyle& st = c_.style;
        const int mode = c_.mode;
        TDC& dc = c_.dc;
        const int rows = plot.XData.GetItemsInContainer();
        const TDataElement* xs = xColumn.data();
        const TDataElement* ys = yColumn.data();
        const TDataElement* xFlags = plot.XData.data();
        const TDataElement* yFlags = plot.YData.data();
        const AxisValueMap& mapX = c_.mapX;
        const AxisValueMap& mapY = c_.mapY;
        std::optional<StyledPolylineStream> line;
        auto add = [&](const LinePoint* points, int n) {
            if (n <= 0) return true;
            if (!line) {
                OutSelectPen(mode, dc, TColor(st.LineColor), c_.lineWidth, c_.file);
                OutBeginPath(mode, dc, c_.file);
                line.emplace(mode, dc, st.LineStyle, c_.lineWidth, st.Clipping == 1 ? 1 : 0, &c_.display,
                             c_.file, c_.extent, rows);
            }
            return line->Add(points, n);
        };
        auto close = [&] {
            if (!line) return;
            line->End();
            line.reset();
            OutEndPath(mode, dc, c_.file);
            OutStrokePath(mode, dc, c_.file);
            OutRestorePen(mode, dc);
        };
        const LinearPointMap map(mapX, mapY);
        LinePoint pts[kBlock];
        for (int first = 0; first < rows; first += kBlock) {
            if (c_.Escaped(first)) break;
            const int m = std::min(kBlock, rows - first);
            const TDataElement* fx = xFlags + first;
            const TDataElement* fy = yFlags + first;
            // The flags are only or-ed together here; a rare block that has some
            // reads them again.
            const unsigned any = MapLinearBlock(map, xs + first, ys + first, fx, fy, m, pts);
            if (any == 0) [[likely]] {
                if (!add(pts, m)) break;
                continue;
            }
            // Rows with flags: the points before a "*" row end their run there.
            int kept = 0;
            bool stopped = false;
            for (int k = 0; k < m && !stopped; ++k) {
                const unsigned flag = fx[k].Flag | fy[k].Flag;
                if (flag == 0) {
                    pts[kept++] = pts[k];
                } else if (flag & DataFlagStar) {
                    stopped = !add(pts, kept);
                    kept = 0;
                    close();
                }
            }
            if (stopped || !add(pts, kept)) break;
        }
        close();
    }

    template <class MapX, class MapY>
    void WalkColumns(const TDataColumn& xColumn, const TDataColumn& yColumn, const MapX& mapX,
                     const MapY& mapY) {
        const TPlot& plot = c_.plot;
        const int rows = plot.XData.GetItemsInContainer();
        const TDataElement* xs = xColumn.data();
        const TDataElement* ys = yColumn.data();
        const TDataElement* xFlags = plot.XData.data();
        const TDataElement* yFlags = plot.YData.data();
        DoublePoint* run = s_.run.data();
        int* runRows = s_.runRows.data();
        int count = 0;
        for (int i = 0; i < rows; ++i) {
            if (c_.Escaped(i)) return;
            const std::uint8_t flag = xFlags[i].Flag | yFlags[i].Flag;
            if (flag == 0) [[likely]] {
                const double vx = xs[i].Value, vy = ys[i].Value;
                DoublePoint& p = run[count];
                p.X = mapX(std::isfinite(vx) ? vx : kInf);
                p.Y = mapY(std::isfinite(vy) ? vy : kInf);
                runRows[count++] = i;
            } else if (flag & DataFlagStar) {
                c_.runCount = count;
                count = 0;
                if (!CloseRun()) return;
            }
        }
        c_.runCount = count;
        CloseRun();
    }

    static std::string_view Cut(const std::string& text) {
        return std::string_view(text).substr(0, kFormulaChars);
    }

    // The flags of a column for every row (or-ed into flags when add is set); a
    // row that the column lacks (only a damaged series has one) is left out.
    void CopyFlags(const TDataColumn& column, std::uint8_t* flags, bool add) const {
        const int rows = c_.plot.XData.GetItemsInContainer();
        const int have = std::min(rows, column.GetItemsInContainer());
        const TDataElement* e = column.data();
        for (int i = 0; i < have; ++i) flags[i] = std::uint8_t((add ? flags[i] : 0) | e[i].Flag);
        for (int i = have; i < rows; ++i) flags[i] = DataFlagBar;
    }

    // One processing pass: compiles text and evaluates it for every row. A
    // formula that does not compile, and a row whose evaluation fails, give +INF:
    // such a row is missing, never a copy of the row before it.
    bool Pass(std::string_view text, int component, double* out) {
        const TPlot& plot = c_.plot;
        BoxFrame& set = c_.set;
        const int rows = plot.XData.GetItemsInContainer();
        double r = 0.0;
        const bool compiled = set.Evaluate(text, r, BoxFrame::EvalCompile, &plot, 0, seriesNo_,
                                           component) == 1;
        if (const TDataColumn* column = compiled ? set.CompiledPlainColumn(plot, component) : nullptr) {
            const int have = std::min(rows, column->GetItemsInContainer());
            const TDataElement* e = column->data();
            for (int i = 0; i < rows; ++i) {
                if (c_.Escaped(i)) return false;
                out[i] = i < have && std::isfinite(e[i].Value) ? e[i].Value : kInf;
            }
            return true;
        }
        // The rows between two Escape polls are evaluated as one block.
        for (int first = 0; first < rows; first += 100) {
            if (c_.Escaped(first)) return false;
            const int n = std::min(100, rows - first);
            std::fill(out + first, out + first + n, kInf);
            if (compiled) set.EvaluateRows(&plot, first, n, out + first, nullptr, component);
        }
        return true;
    }

    // The curve of the run by the connection method; an unknown method gives none.
    void BuildCurve() {
        const int n = c_.runCount;
        const DoublePoint* run = s_.run.data();
        c_.curve = nullptr;
        c_.curveCount = 0;
        const int method = c_.style.LineInterpolate;
        if (method == 0 || method == 1) {
            c_.curve = run;
            c_.curveCount = n;
            if (method == 1) s_.run[std::size_t(c_.curveCount++)] = run[0];  // back to the start
            return;
        }
        if (method < 2 || method > 6) return;

        kv::DoubleArray& inX = s_.splineInX;
        kv::DoubleArray& inY = s_.splineInY;
        inX.Flush();
        inY.Flush();
        inX.Reserve(std::size_t(n));
        inY.Reserve(std::size_t(n));
        for (int k = 0; k < n; ++k) {
            inX.Add(run[k].X);
            inY.Add(run[k].Y);
        }
        s_.splineX.Flush();
        s_.splineY.Flush();
        // The stored count, drawn within the limits every sampled curve keeps to
        // (the closed curves have a segment more, back to the first point).
        const bool closed = method == 4 || method == 6;
        const int divisions = kv::DrawnSplineDivisions(c_.style.LineInterpolatePara, closed ? n : n - 1);
        // Whatever a routine appended is drawn, also after a failure.
        switch (method) {
        case 2: kv::SplineCurve(inX, inY, s_.splineX, s_.splineY, divisions); break;
        case 3: kv::ParamSplineCurve(inX, inY, s_.splineX, s_.splineY, kv::kSplineOpen, divisions); break;
        case 4: kv::ParamSplineCurve(inX, inY, s_.splineX, s_.splineY, kv::kSplineClosed, divisions); break;
        case 5: kv::BSplineCurve(inX, inY, s_.splineX, s_.splineY, kv::kSplineOpen, divisions); break;
        case 6: kv::BSplineCurve(inX, inY, s_.splineX, s_.splineY, kv::kSplineClosed, divisions); break;
        default: break;
        }
        const int m = std::min(s_.splineX.GetItemsInContainer(), s_.splineY.GetItemsInContainer());
        if (s_.curve.size() < std::size_t(m)) s_.curve.resize(std::size_t(m));
        const double* sx = s_.splineX.data();
        const double* sy = s_.splineY.data();
        DoublePoint* curve = s_.curve.data();
        for (int k = 0; k < m; ++k) {
            curve[k].X = sx[k];
            curve[k].Y = sy[k];
        }
        c_.curve = curve;
        c_.curveCount = m;
    }

    // Draws the run and empties it; false when Escape ended the series.
    bool CloseRun() {
        bool ok = true;
        // An empty run (a "*" first or twice in a row) has nothing to show.
        if (c_.runCount > 0) ok = DrawRun();
        c_.runCount = 0;
        c_.curve = nullptr;
        c_.curveCount = 0;
        s_.polygon.clear();
        return ok;
    }

    bool DrawRun() {
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

        return DrawMarkers();
    }

    bool MarkersVisible() const {
        const TPlotStyle& st = c_.style;
        return HasMarkerShape(st.MarkerStyle) || (st.MarkerCenterDot == 1 && st.MarkerStyle != MarkerNone);
    }

    bool DrawMarkers() {
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
        const bool visible = MarkersVisible();
        bool ok = true;
        if (visible) {
            const TRect& d = c_.display;
            const bool clip = st.Clipping == 1;
            const DoublePoint* pts = s_.run.data();
            const int n = c_.runCount;
            // On a device context the markers between two Escape polls go
            // together (those before a poll are drawn before it).
            std::array<TPoint, 100> batch;
            std::size_t held = 0;
            auto flush = [&] {
                DrawMarkersAt(dc, batch.data(), int(held), st.MarkerStyle, c_.markerSize, st.MarkerCenterDot);
                held = 0;
            };
            for (int k = 0; k < n; ++k) {
                if (held == batch.size() || (held > 0 && k % 100 == 0)) flush();
                if (c_.Escaped(k)) {
                    ok = false;
                    break;
                }
                const double fx = pts[k].X, fy = pts[k].Y;
                if (!(std::fabs(fx) < seriesdraw::kOffPage && std::fabs(fy) < seriesdraw::kOffPage))
                    continue;
                const int x = TruncToInt(fx), y = TruncToInt(fy);
                // The region's edges saturate for a damaged frame: compared in 64 bits.
                if (clip && !(d.left - 1LL <= x && x < d.right + 1LL && d.top - 1LL <= y && y < d.bottom + 1LL))
                    continue;
                if (mode == OUT_DC)
                    batch[held++] = TPoint(x, y);
                else
                    BoxFrame::DrawMarker(mode, dc, x, y, st.MarkerStyle, c_.markerSize, st.MarkerCenterDot,
                                         file, c_.extent, c_.outlineWidth);
            }
            if (held > 0) flush();
        }
        if (st.MarkerInsidePaint == 0) OutRestoreBrush(mode, dc);
        OutRestorePen(mode, dc);
        return ok;
    }

    SeriesContext c_;
    seriesdraw::SeriesScratch& s_;
    int seriesNo_;
};

// The kept working storage; a drawing that starts while another runs (none
// does today) gets storage of its own.
class ScratchLease {
public:
    ScratchLease() {
        if (!inUse_) {
            inUse_ = true;
            held_ = true;
        } else {
            own_ = std::make_unique<seriesdraw::SeriesScratch>();
        }
    }
    ~ScratchLease() {
        if (held_) inUse_ = false;
    }
    ScratchLease(const ScratchLease&) = delete;
    ScratchLease& operator=(const ScratchLease&) = delete;
    seriesdraw::SeriesScratch& Get() { return own_ ? *own_ : Shared(); }
    static void Release() {
        if (!inUse_) Shared() = seriesdraw::SeriesScratch();
    }

private:
    static seriesdraw::SeriesScratch& Shared() {
        static seriesdraw::SeriesScratch scratch;
        return scratch;
    }
    static inline bool inUse_ = false;
    bool held_ = false;
    std::unique_ptr<seriesdraw::SeriesScratch> own_;
};

}  // namespace

void ReleaseSeriesScratch() { ScratchLease::Release(); }

void BoxFrame::DrawPlot(int mode, int quality, TDC& dc, const TPlot* plot, int seriesNo, FILE* file,
                        TRect* extent) {
    if (!plot || plot->Style.IsShown == 0) return;
    try {
        ScratchLease scratch;
        SeriesDrawer drawer(*this, mode, quality, dc, *plot, seriesNo, file, extent, scratch.Get());
        drawer.Draw();
    } catch (const std::bad_alloc&) {
        // A series too large for memory ends here: what was drawn stays, and the
        // device context gets back what the series selected (the clip of an area
        // is set only after its polygon is complete).
        OutRestoreBrush(mode, dc);
        OutRestorePen(mode, dc);
    }
}
