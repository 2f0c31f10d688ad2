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
#include "render/valuemap.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace seriesdraw {

// Page coordinates at or beyond this magnitude are off the page.
constexpr double kOffPage = 32767.0;

// A page coordinate made an int that keeps its side of the page: truncated while
// on the page, -32767 or 32767 beyond it. Not finite (no position at all): 32767,
// the off-page value the integer mapping gives.
int SideClamp(double coord);

// A growable array of plain values that keeps its storage between uses and does
// not initialise what it grows by.
template <class T>
class ScratchArray {
public:
    // Room for n values; what was there is not kept.
    void Fit(std::size_t n) {
        if (n <= size_) return;
        data_.reset();  // the old block goes first, so the peak stays one block
        size_ = 0;
        data_.reset(new T[n]);
        size_ = n;
    }
    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }

private:
    std::unique_ptr<T[]> data_;
    std::size_t size_ = 0;
};

// The working storage of a series drawing. It is kept from one drawing to the
// next (one series is drawn at a time, on the one GUI thread), so that redrawing a
// large series touches memory that is already there instead of fresh pages.
struct SeriesScratch {
    // Processed columns, one element per row: the values after the processing
    // formulas, and the flags of the rows' X and Y elements or-ed together (only
    // they cut runs). The error columns keep only values.
    ScratchArray<double> x, y, xMax, xMin, yMax, yMin;
    ScratchArray<std::uint8_t> flags;
    // The run being drawn: page positions (elements kept, overwritten) and the row
    // each point came from.
    std::vector<DoublePoint> run;
    ScratchArray<int> runRows;
    // Spline input and output, and the curve when it is not the run itself.
    kv::DoubleArray splineInX{0, 0, 1000}, splineInY{0, 0, 1000};
    kv::DoubleArray splineX{0, 0, 1000}, splineY{0, 0, 1000};
    std::vector<DoublePoint> curve;
    std::vector<TPoint> polygon;
};

struct SeriesContext {
    SeriesContext(BoxFrame& set_, int mode_, TDC& dc_, FILE* file_, TRect* extent_,
                  const TPlot& plot_, SeriesScratch& scratch)
        : set(set_), mode(mode_), dc(dc_), file(file_), extent(extent_), plot(plot_),
          style(plot_.Style), s(scratch) {}

    BoxFrame& set;
    int mode;
    TDC& dc;
    FILE* file;
    TRect* extent;
    const TPlot& plot;
    const TPlotStyle& style;
    SeriesScratch& s;

    int xAxis = BottomAxisNo;
    int yAxis = LeftAxisNo;
    AxisValueMap mapX, mapY;  // ValueToPage on xAxis and yAxis
    TRect display;         // the series' clip rectangle
    int lineWidth = 0;     // connection line and error bars
    int outlineWidth = 0;  // markers and filled forms
    int markerSize = 0;    // markers, second-kind bars, error-bar caps

    // The run: s.run[0 .. runCount - 1], s.runRows likewise.
    int runCount = 0;
    // The connection curve of the run (the run itself, or s.curve).
    const DoublePoint* curve = nullptr;
    int curveCount = 0;

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
