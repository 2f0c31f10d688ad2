#pragma once
// Marker codes of a series style (TPlotStyle::MarkerStyle) that BoxFrame::DrawMarker
// draws as point markers. Codes 6 to 13 are the filled series forms (bars, areas,
// steps); as markers they draw only the centre dot. Any other code draws nothing.

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
