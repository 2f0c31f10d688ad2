#pragma once
// Smooth curves through or steered by a polyline: the natural cubic spline
// y = f(x), the open and closed parametric cubic splines and the open (clamped)
// and closed uniform cubic B-splines. Each curve routine takes the points as two
// growable arrays of doubles (lower bound 0), appends the sampled curve to two
// output arrays (one value to outX, then one to outY, per point; what was there
// before stays in front) and returns 1 on success, 0 on failure. Callers draw
// whatever was appended, also after a failure. Sampling polls the Escape check
// (platform/escape.h) and stops with failure when it answers 1.
//
// A point takes part when neither |x| nor |y| reaches DBL_MAX: infinite values
// (missing data) and the failure mark are skipped.

#include "platform/containers.h"

namespace kv {

using DoubleArray = TArrayAsVector<double>;

// The failure mark of the spline evaluations.
constexpr double kSplineFail = 1.7976931348623157e308;  // DBL_MAX

// Largest number of samples one call produces; a division count that would give
// more (a damaged style or document) makes the call fail with nothing appended.
constexpr long long kSplineMaxSamples = 100000000;

// What the drawings sample a curve with, whatever division count is stored: at
// most this many divisions between two points, and at most this many points in
// the whole curve. Ten times the usual 100 divisions already lie far closer than
// a device pixel on any page; a count beyond these (only a damaged or hand-made
// file holds one) would make every repaint take seconds.
constexpr int kSplineMaxDivisions = 1000;
constexpr int kSplineMaxCurvePoints = 1 << 20;

// The divisions a curve of `segments` segments (from point to point; at least 1
// is assumed) is drawn with for the stored count m: m within the two limits above,
// at least 1; a count below 1 stays as it is (the routines refuse it).
int DrawnSplineDivisions(int m, long long segments);

// --- Natural cubic spline through y(x) -------------------------------------

// Samples the spline through the valid points at (n - 1) * m + 1 evenly spaced
// x from the smallest to the largest valid x. One or two valid points are
// copied as they are. Fails with nothing appended when there is no valid point,
// when a valid x is not a number, or when three or more valid x do not run
// strictly one way. m == 0 fails; m < 0 appends nothing and succeeds.
int SplineCurve(const DoubleArray& x, const DoubleArray& y, DoubleArray& outX, DoubleArray& outY,
                int m);

// Second derivatives / 6 of the natural cubic spline through (t[i], v[i]),
// i = 0 .. n - 1, t strictly increasing: z[0] = z[n - 1] = 0. 1, or 0 for a zero
// interval, a zero pivot or n < 2.
int SplineSolve(const double* t, const double* v, double* z, int n);

// Value at s of the spline solved by SplineSolve; the end cubics continue beyond
// t[0] and t[n - 1]. kSplineFail when the interval found has zero width or n < 2.
double SplineValue(double s, const double* t, const double* v, const double* z, int n);

// --- Parametric cubic splines -----------------------------------------------

constexpr int kSplineOpen = 1;
constexpr int kSplineClosed = 2;

// x(t), y(t) over a parameter growing by equal steps from point to point,
// sampled at (n - 1) * m + 1 evenly spaced t; mode 1 open (natural splines from
// the first to the last point), mode 2 closed (periodic splines through the
// points and back to the first). One or two valid points are copied as they
// are (no closing segment). With three or more valid points a division count
// below 1 or an unknown mode fails with nothing appended.
int ParamSplineCurve(const DoubleArray& x, const DoubleArray& y, DoubleArray& outX,
                     DoubleArray& outY, int mode, int m);

// T receives n parameters 0 .. 1; ZX and ZY the natural-spline solutions of X
// and Y over T.
int OpenParamSplineSetup(double* T, const double* X, const double* Y, double* ZX, double* ZY,
                         int n);
void OpenParamSplineValue(double t, double* x, double* y, const double* T, const double* X,
                          const double* Y, const double* ZX, const double* ZY, int n);
// X and Y hold n + 1 points, the last repeating the first; T receives n + 1
// parameters 0 .. 1, ZX and ZY the periodic-spline solutions.
int ClosedParamSplineSetup(double* T, const double* X, const double* Y, double* ZX, double* ZY,
                           int n);
void ClosedParamSplineValue(double t, double* x, double* y, const double* T, const double* X,
                            const double* Y, const double* ZX, const double* ZY, int n);

// Periodic cubic spline through the n + 1 points 0 .. n, v[n] == v[0]; z gets
// n + 1 values, z[n] == z[0]. 1, or 0 for a zero interval or pivot or n < 2.
int PeriodicSplineSolve(const double* t, const double* v, double* z, int n);
// Value at s, s first brought into [t[0], t[n]] by whole periods.
// kSplineFail when the interval found has zero width, or when s is infinite or
// the period is not positive while s lies outside it.
double PeriodicSplineValue(double s, const double* t, const double* v, const double* z, int n);

// --- Uniform cubic B-splines ------------------------------------------------

// Appends the B-spline whose control points are the valid points: mode 1 open
// (clamped: (n - 3) * m + 1 points from the first to the last point), mode 2
// closed (n * (m + 1) points, every segment end repeated as the next start).
// Fewer than 8 valid points, a division count below 1 or an unknown mode: failure
// with nothing appended.
int BSplineCurve(const DoubleArray& x, const DoubleArray& y, DoubleArray& outX, DoubleArray& outY,
                 int mode, int m);
// The curve of the n control points X[0 .. n - 1], Y[0 .. n - 1] with m samples
// per segment.
int BSplineGenerate(const double* X, const double* Y, DoubleArray& outX, DoubleArray& outY, int n,
                    int mode, int m);
// Blends the four control points px[0..3], py[0..3] with the weights of kind
// 0 (uniform), 1 (first segment), 2 (second), 3 (second to last) or 4 (last) at
// t in [0, 1].
void BSplineBlend(int kind, const double* px, const double* py, double* x, double* y, double t);

}  // namespace kv
