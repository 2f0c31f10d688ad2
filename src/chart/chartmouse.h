#pragma once
// Pieces shared by the page view's mouse handlers (chartmouse.cpp) and the
// branches of the button release (chartrelease.cpp). Not part of the window's
// interface.
//
// Page points of a gesture are kept within PageLimit twips of the page origin:
// far beyond any sheet, yet inside the range where the drawing code still maps
// positions (it treats 32767 twips and more as off the page), and a multiple of
// every grid pitch, so a limited point stays on the grid. A drag cannot carry a
// frame, text or figure to where it could no longer be drawn or reached.

#include "chart/chartwindow.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace chartmouse {

constexpr int PageLimit = 32400;

inline int Sat(std::int64_t v) { return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); }
inline int Limit(std::int64_t v) { return int(std::clamp<std::int64_t>(v, -PageLimit, PageLimit)); }
inline TPoint Limit(TPoint p) { return TPoint(Limit(p.x), Limit(p.y)); }

// The frame origin of the current axis set, truncated toward zero.
TPoint Origin(const TChartWindow& w);
// A client pixel as a page point through WindowDC (the mapping of the last
// paint), limited to PageLimit.
TPoint ToPage(const TChartWindow& w, TPoint device);
// The same without the limit, for panning, which works on differences.
TPoint ToPageRaw(const TChartWindow& w, TPoint device);

// Solid black outline one unit wide without fill in NOT-XOR: the rubber band and
// the trimming rectangle. Leaves R2_COPYPEN and the former pen and brush.
void XorFrame(TDC& dc, const TRect& r);
// The polyline's rubber segment: a solid black line of width 0 in NOT-XOR.
void XorSegment(TDC& dc, TPoint a, TPoint b);

// The page point of node i of a figure placed at origin o.
TPoint NodePoint(TPoint o, const DoublePoint& node);

// The figure of the current axis set that the first entry of its selection's
// figure list names; null when there is none (a stale or empty list).
TZukei* SelectedFigure(const TChartWindow& w);

// True when the drag in progress has an anchor for the Shift rule: a drag of the
// shown selection or a new figure. Rubber bands, panning, trimming and the
// polyline's clicks are left unconstrained.
bool AnchoredDrag(const TChartWindow& w, int tool);
// The Shift rule: the move stays horizontal (ties included) or vertical from the
// anchor.
TPoint ShiftConstrained(const TChartWindow& w, UINT keys, int tool, TPoint lp);

// A square line from the drag's start: the height equals the width.
TPoint CtrlConstrained(const TChartWindow& w, TPoint lp);

// R0 moved by lp - DragStart with its top-left corner then put on the grid, kept
// within PageLimit (a box already beyond it may only come back).
TRect MovedBox(const TChartWindow& w, const TRect& r0, TPoint lp);

// The rectangle a box resize makes of r by the grabbed handle, with the snapped
// point s; r itself for a code that names no corner or edge.
TRect ResizedBox(TRect r, int hit, TPoint s);

// The pick square around a client pixel.
TRect PickSquare(const TChartWindow& w, TPoint device);

// Ends the polyline being entered when another tool presses: its rubber segment
// and outline go, and with two nodes or more it joins the current axis set's
// figures. The palette stays as the user set it.
void FinishPolylineEntry(TChartWindow& w);

}  // namespace chartmouse
