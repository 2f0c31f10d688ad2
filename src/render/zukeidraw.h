#pragma once
// Figures of an axis set (lines, rectangles, rounded rectangles, ellipses, axis-cut
// marks, polylines). BoxFrame::DrawZukei and BoxFrame::DrawArrowLine draw them through
// the output layer (model/boxframe.h); this header adds what the chart window
// draws directly on its device context while a polyline is being made.

#include "model/boxframe.h"
#include "model/zukei.h"
#include "platform/dc.h"

#include <memory>

// Corner size of a rounded-rectangle figure, twips.
constexpr int ZukeiRoundCorner = 400;

// The divisions per segment that a spline polyline of `nodes` usable nodes with
// the stored count m is sampled with: kv::DrawnSplineDivisions over its segments
// (numerics/splines.h); the stored value stays as it is.
int FigureSplineDivisions(int m, int nodes);

// The curve of a spline polyline (IsSpline 1), relative to the frame origin: the
// parametric spline through its nodes (closed when IsClosed is 1) with
// FigureSplineDivisions per segment. The figure keeps it until its nodes, its
// closing or its division count change, so painting, bounds and hit tests sample
// it once. With pollEscape the sampling polls the Escape check, and a curve cut
// short by it is handed back but not kept. Null without memory for it.
std::shared_ptr<const ZukeiCurve> FigureSplineCurve(const TZukei& figure, bool pollEscape);

// The thin inverting outline of a polyline figure: node to node, always straight
// (also for a spline figure), back to node 0 when the figure is closed and noClose
// is 0. Drawn with a black pen of width 0 and the given pen style (PS_SOLID while
// nodes are added, PS_DOT while they are dragged) in R2_NOTXORPEN, so drawing it
// twice gives back the picture; R2_COPYPEN afterwards, the pen stays selected.
// Figures of other kinds and polylines without nodes draw nothing.
void DrawPolylineOutline(const BoxFrame* set, TDC& dc, const TZukei* figure, int penStyle,
                         int noClose);
