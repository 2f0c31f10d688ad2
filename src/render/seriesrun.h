#pragma once
// What the steps of drawing one data series share (render/seriesdraw.cpp,
// render/seriesforms.cpp): the processed columns, the run being closed with its
// curve, the display rectangle, the widths and the Escape state. Not a public
// interface: BoxFrame::DrawPlot is.

#include "model/boxframe.h"
#include "model/plot.h"
#include "numerics/splines.h"
#include "platform/dc.h"
#include "platform/escape.h"
#include "platform/geometry.h"

#include <cstdio>
#include <vector>

namespace seriesdraw {

// Page coordinates at or beyond this magnitude are off the page.
constexpr double kOffPage = 32767.0;

// A page coordinate made an int that keeps its side of the page: truncated while
// on the page, -32767 or 32767 beyond it. Not finite (no position at all): 32767,
// the off-page value the integer mapping gives.
int SideClamp(double coord);

struct SeriesContext {
    SeriesContext(BoxFrame& s, int m, TDC& d, FILE* f, TRect* e, const TPlot& p)
        : set(s), mode(m), dc(d), file(f), extent(e), plot(p), style(p.Style) {}

    BoxFrame& set;
    int mode;
    TDC& dc;
    FILE* file;
    TRect* extent;
    const TPlot& plot;
    const TPlotStyle& style;

    int xAxis = BottomAxisNo;
    int yAxis = LeftAxisNo;
    TRect display;         // the series' clip rectangle
    int lineWidth = 0;     // connection line and error bars
    int outlineWidth = 0;  // markers and filled forms
    int markerSize = 0;    // markers, second-kind bars, error-bar caps

    // Processed columns, one element per row: the value after the processing
    // formula with the flag of the row's source element. The error columns keep
    // only values (their flags are never looked at).
    std::vector<TDataElement> x, y;
    std::vector<double> xMax, xMin, yMax, yMin;

    // The run being drawn: page positions and the row each point came from.
    std::vector<DoublePoint> run;
    std::vector<int> runRows;
    // Spline input and output, and the curve when it is not the run itself.
    kv::DoubleArray splineInX{0, 0, 1000}, splineInY{0, 0, 1000};
    kv::DoubleArray splineX{0, 0, 1000}, splineY{0, 0, 1000};
    std::vector<DoublePoint> curveStore;
    const DoublePoint* curve = nullptr;
    int curveCount = 0;
    std::vector<TPoint> polygon;

    // Set once an Escape poll answered 1: everything unwinds without drawing more.
    bool aborted = false;
    // The loop poll: index 0, 100, 200, ... ask the Escape check.
    bool Escaped(long long index) {
        if (!aborted && index % 100 == 0 && CheckEscapeAbort() == 1) aborted = true;
        return aborted;
    }
};

// The filled form of the run (MarkerStyle 6 to 13). false when Escape ended it.
bool DrawFilledForm(SeriesContext& c);
// The X and then the Y error bars of the run, as the series' switches say. false
// when Escape ended them.
bool DrawErrorBars(SeriesContext& c);

}  // namespace seriesdraw
