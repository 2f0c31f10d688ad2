#pragma once
// Marker codes of a series style (TPlotStyle::MarkerStyle) that BoxFrame::DrawMarker
// draws as point markers. Codes 6 to 13 are the filled series forms (bars, areas,
// steps); as markers they draw only the centre dot. Any other code draws nothing.

#include "platform/dc.h"

constexpr int MarkerNone = 0;
constexpr int MarkerRectangle = 1;
constexpr int MarkerTriangle = 2;
constexpr int MarkerRevTriangle = 3;
constexpr int MarkerDiamond = 4;
constexpr int MarkerCircle = 5;
constexpr int MarkerCross = 14;
constexpr int MarkerDiagCross = 15;

// Half the side of the centre dot, in twips, whatever the marker size.
constexpr int MarkerCenterDotHalf = 8;

// BoxFrame::DrawMarker in OUT_DC mode at each of the count centres (page
// twips) in turn, with the context's pen and brush: the same calls and pixels,
// the markers taken whole from stamps where the device allows it.
void DrawMarkersAt(TDC& dc, const TPoint* centres, int count, int code, int size, int centreDot);
