#pragma once
// What lies under the mouse: the region code of a point against a rectangle, the
// test whether a segment meets a rectangle, the search for the data series (and its
// row) at a page position, and the dotted mark of a selected axis set. The chart
// window forwards its own HitPlot and DrawFrameSelection here with its current
// axis set, handle size and search mode (inside its members, call these as
// ::HitPlot and ::DrawFrameSelection). Page positions are twips, y downward.

#include "model/boxframe.h"
#include "platform/dc.h"
#include "platform/geometry.h"

// The search modes of the series hit test (the chart window's DataHitAlgorithm).
constexpr int DataHitStandard = 0;  // every row: the polyline near the click, nearest row
constexpr int DataHitQuick = 1;     // a window found by binary search on X, then every row
constexpr int DataHitBinary = 2;    // only the window found by binary search on X
constexpr int DataHitNone = 3;      // series are never hit

// Region code of (x, y): 1 left of rect, 2 right of it, 4 above, 8 below; a point on
// an edge is inside.
int HitOutCode(double x, double y, const TRect& rect);

// 1 when some point of the segment (ends included) lies inside or on rect, else 0.
short SegmentMeetsRect(int x1, int y1, int x2, int y2, TRect rect);

// The series of set under page position point, searched by `algorithm` (one of
// DataHit*; any other value finds nothing) with a pick square of point plus and
// minus handleSize. The last series of the list is tried first; hidden series and
// series without rows are passed over, and a point outside the set's frame finds
// nothing. X and Y go through the series' processing formulas and map through its
// reference axes. On a hit returns 1 with the series number (from 1), the point's
// X and Y as the series shows them and its row (from 0); otherwise 0 and the
// results untouched. Clears the Escape latch first; an Escape during the search,
// a formula that does not compile or a row whose evaluation fails ends the whole
// search without a hit.
short HitPlot(BoxFrame* set, TPoint point, int handleSize, int algorithm, int* series,
              double* x, double* y, int* row);

// Toggles the selection mark of set on dc: its frame grown by handleSize on every
// side, a dotted red rectangle of width 0 in R2_NOTXORPEN with no fill. Drawing it
// twice at the same place removes it. The former pen and brush are selected again
// and R2_COPYPEN is left.
void DrawFrameSelection(TDC& dc, const BoxFrame* set, int handleSize);
