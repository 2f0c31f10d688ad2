#pragma once
// Linear least squares: a polynomial of degree 0 to 10 or one of four
// two-parameter models (fitted through logarithms of x and/or y), free or forced
// through a fixed point, and the fitted curve sampled at chosen X positions. A
// free function of its arguments: no window, no message, no global state.

#include "numerics/division.h"  // DivisionMethod: how the fitted curve's X positions are spaced
#include "platform/containers.h"

#include <cstdint>

// The model of a linear fit.
enum FitModel : int {
    FitModelPolynomial = 1,   // y = A0 + A1 x + ... + An x^n
    FitModelExponential = 2,  // y = A exp(B x), fitted as ln y = a + B x
    FitModelLogarithmic = 3,  // y = A + B ln x
    FitModelGeometric = 4,    // y = A B^x, fitted as ln y = a + b x
    FitModelPower = 5,        // y = A x^B, fitted as ln y = a + B ln x
};

constexpr int LSQ_MAX_DEGREE = 10;
constexpr int LSQ_MAX_DIVISIONS = 30000;  // allowed itself
// Size of a coefficient array: the 11 coefficients of degree 10 and a spare.
constexpr int LSQ_COEFFICIENTS = LSQ_MAX_DEGREE + 2;

// The fits' point lists: doubles with lower bound 1, growing by 1000.
using FitPointList = TArrayAsVector<double>;
inline FitPointList MakeFitPointList() { return FitPointList(0, 1, 1000); }

// Fits `model` to the points at 1-based positions rangeStart .. rangeEnd (-1 or
// beyond count: the last) of x and y, skipping pairs with a value that is not
// finite. Degree is the polynomial's (0 to 10); the other models use 1 whatever is
// given. With fixed 1 the curve passes through (x0, y0).
//
// The fit is solved by Householder reflections in long double on the fitted
// variables centred and scaled to [-1, 1], and converted to the coefficients
// above. The curve is sampled from that basis, so it passes through the data
// even where the power form about x = 0 cancels huge terms. A coefficient that
// one rounding of the data could move to 0 is given as 0.
//
// On success (true): coeff[0..degree] hold A0..An (models 2 to 5: coeff[0] = A,
// coeff[1] = B); *corr holds the correlation coefficient, only for a free fit (a
// fixed-point fit leaves it alone; for models 2, 4 and 5 it is that of the
// linearised fit of ln y); outX and outY are emptied and hold divisions + 1 points
// of the curve from outStart to outEnd spaced by `spacing`.
//
// false, with nothing reported, when: divisions are outside 1..30000; no finite
// pair lies in the range; a degree-0 polynomial is to pass through a fixed
// point; a logarithm would be taken of a value that is not positive; the data
// do not determine a coefficient to 7 significant digits, that is one unit in
// the last place of every x and y (and of x0 and y0) can move it by more than
// 1e-7 of itself, unless its whole term is below 1e-7 of the data (this covers
// a singular system, such as fewer distinct X positions than coefficients); a
// coefficient or a curve value leaves the range of a double; the spacing cannot
// span the output range (Exponent and Inverse need two non-zero bounds of one
// sign); an output X is not finite; an argument is out of its range. coeff, corr
// and the output lists may then hold partial values. count is clipped to the
// lengths of x and y.
bool LinearLeastSquaresFit(const FitPointList* x, const FitPointList* y, FitPointList* outX,
                           FitPointList* outY, int count, int degree, int model, double outStart,
                           double outEnd, int divisions, double* coeff, double* corr, double x0,
                           double y0, std::int16_t fixed, int spacing, int rangeStart,
                           int rangeEnd);
