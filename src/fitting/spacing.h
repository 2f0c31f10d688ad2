#pragma once
// The X positions at which both fits sample their fitted curves.

#include "fitting/linearfit.h"

// Empties out and appends divisions + 1 positions from start to end, spaced by
// `method` (a DivisionMethod). The linear fit steps through natural logarithms
// (decimalLog false), the non-linear fit through decimal ones; the positions
// agree up to rounding. Divisions 0 give the start alone.
//
// false (out may be partly filled) when the method is unknown, divisions are
// negative, Exponent or Inverse spacing is asked for with a zero bound or bounds of
// opposite signs, or a position comes out infinite or not a number.
bool FitOutputPositions(FitPointList* out, double start, double end, int divisions, int method,
                        bool decimalLog);
