#pragma once
// Pieces of the axis drawing that the grid lines, the labels and the page view
// share with it.

class BoxFrame;
class AxisUnit;

// The axis of an axis number (BottomAxisNo .. RightAxisNo); null for another number.
const AxisUnit* AxisOfNumber(const BoxFrame& set, int axisNo);

// A page coordinate computed in doubles made whole twips: truncated toward zero and
// held within +-1e9, so that tick lengths and pen widths added to it never
// overflow; a coordinate that is not a number becomes the off-page value 32767.
int AxisCoord(double v);

// A base size of the frame (twips) times a stored percentage, in whole twips:
// formed in double, so no stored pair can overflow, and held within +-1e9 like
// AxisCoord.
int ScaledBaseSize(int rate, int percent);
