#pragma once
// Dashed and clipped lines: every series line, grid line, figure outline and line
// sample of the page. The dashes are drawn here as moves and lines (the pens of the
// output layer are always solid), scaled by the pen width and carried on from one
// segment of a polyline to the next; lines are clipped to a rectangle before they
// are dashed. Coordinates are page twips (doubles in, integers out), y downward.

#include "model/records.h"
#include "platform/dc.h"
#include "platform/geometry.h"

#include <cstdio>
#include <memory>

// Line styles, as stored in series, figures and grid lines.
constexpr int LineStyleNull = 0;
constexpr int LineStyleSolid = 1;
constexpr int LineStyleLongDash = 2;
constexpr int LineStyleDash = 3;
constexpr int LineStyleShortDash = 4;
constexpr int LineStyleDot = 5;
constexpr int LineStyleDashDotDash = 6;
constexpr int LineStyleDashDotDotDash = 7;

// The most elements a dash pattern has.
constexpr int MaxDashElements = 6;

// The dash unit of a pen width in twips: the width itself, or 20 twips for a pen of
// width 0. A negative width (only a damaged file has one) counts as 0, so that the
// dash loop always advances.
double DashUnit(int width);

// The dash pattern of a line style in units, elements alternating drawn and blank
// and starting with a drawn one; returns the element count, 0 for "Null" and for
// any value outside 0 to 7 (nothing is drawn).
int DashPattern(int style, double pattern[MaxDashElements]);

// The outcode of a point against a rectangle whose edges belong to it: 1 left of
// it, 2 right, 4 above, 8 below. DashClipOutCode serves ClipSegment,
// SegmentOutCode the single segments; both give the same bits.
int DashClipOutCode(const DoublePoint& p, const TRect& r);
int SegmentOutCode(const DoublePoint& p, const TRect& r);

// The element of the pattern in which a position along it falls: the first i whose
// running sum of elements 0..i exceeds the position; -1 beyond the end; always 0
// for "Solid".
int DashPatternIndex(const double* pattern, int count, double position, int style);
// The running sum of elements 0..i minus the position: the distance from the
// position to the end of element i. An index of -1 reads element 0.
double DashPatternRemainder(const double* pattern, int i, double position);

// Results of ClipSegment.
constexpr int ClipNotFinite = -1;  // a coordinate is not finite (or reaches DBL_MAX)
constexpr int ClipInside = 0;      // neither end moved
constexpr int ClipMovedFirst = 1;
constexpr int ClipMovedSecond = 2;
constexpr int ClipMovedBoth = 3;
constexpr int ClipOutside = 4;     // nothing of the segment lies in the rectangle

// Clips the segment p1-p2 in place to the rectangle (outcode clipping, edges
// inside). On results 0 to 3 both points are snapped to whole twips
// (trunc(v + 0.5)); on -1 and 4 nothing is to be drawn and the points are
// unspecified.
int ClipSegment(DoublePoint& p1, DoublePoint& p2, const TRect& clipRect);

// Draws the polyline through points[0..n] (n segments) in a line style with the
// pen the caller selected; width is that pen's width in twips (the dash unit, and
// what grows the extent). A nonzero clipOn clips to clipRect, otherwise to
// (-30000, -30000, 30000, 30000). Points that are not finite (NaN, infinities,
// magnitudes of DBL_MAX) break the line; the dash phase runs on across breaks.
// The caller brackets the call with OutBeginPath and OutEndPath/OutStrokePath;
// the path is restarted before it reaches 1000 points. Polls the Escape check
// every 100 segments and stops quietly on an abort.
//
// In OUT_DC mode on a raster display device (an image or a window), with a solid
// one-pixel pen and R2_COPYPEN, the moves and lines reach the device context
// reduced per device pixel column (first, lowest, highest and last point of each
// column that holds more than four points): the picture is the same pixel for
// pixel, and a series of a million points draws in milliseconds. Extents and kvx
// files always carry every point.
void DrawStyledPolyline(int mode, TDC& dc, const DoublePoint* points, int n, int style, int width,
                        int clipOn, const TRect* clipRect, FILE* file, TRect* extent);

// A page point of a line handed on a block at a time.
struct LinePoint {
    double x, y;
};

// DrawStyledPolyline with its points coming a block at a time (a series mapped as
// it is walked): the same drawing, polls included, as one call with all of them.
// points is how many there will be about, for the device's preparation.
class StyledPolylineStream {
public:
    StyledPolylineStream(int mode, TDC& dc, int style, int width, int clipOn, const TRect* clipRect,
                         FILE* file, TRect* extent, int points);
    ~StyledPolylineStream();
    StyledPolylineStream(const StyledPolylineStream&) = delete;
    StyledPolylineStream& operator=(const StyledPolylineStream&) = delete;
    // The next n points of the line; false once an Escape poll stopped it.
    bool Add(const LinePoint* points, int n);
    // The line is complete (also by the destructor).
    void End();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Switches the raster reduction of DrawStyledPolyline, and the drawing of series
// lines as they are walked, on or off (on at start); returns the previous setting.
// For comparisons in tests and benchmarks.
bool SetRasterLineReduction(bool on);
bool RasterLineReduction();
