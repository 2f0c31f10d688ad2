#pragma once
// Figures of an axis set (lines, rectangles, rounded rectangles, ellipses, axis-cut
// marks, polylines). BoxFrame::DrawZukei and BoxFrame::DrawArrowLine draw them through
// the output layer (model/boxframe.h); this header adds what the chart window
// draws directly on its device context while a polyline is being made.

#include "model/boxframe.h"
#include "model/zukei.h"
#include "platform/dc.h"

// Corner size of a rounded-rectangle figure, twips.
constexpr int ZukeiRoundCorner = 400;

// The thin inverting outline of a polyline figure: node to node, always straight
// (also for a spline figure), back to node 0 when the figure is closed and noClose
// is 0. Drawn with a black pen of width 0 and the given pen style (PS_SOLID while
// nodes are added, PS_DOT while they are dragged) in R2_NOTXORPEN, so drawing it
// twice gives back the picture; R2_COPYPEN afterwards, the pen stays selected.
// Figures of other kinds and polylines without nodes draw nothing.
void DrawPolylineOutline(const BoxFrame* set, TDC& dc, const TZukei* figure, int penStyle,
                         int noClose);
