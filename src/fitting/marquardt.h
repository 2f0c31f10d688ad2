#pragma once
// Non-linear least squares by the Levenberg-Marquardt method for a model y = f(x)
// written in the formula language with up to nine parameters A to I. Model values
// and derivatives come from compiling and evaluating formulas point by point on an
// axis set; a derivative without a formula is a forward difference. Parameter
// values reach the formulas through the program-wide FitParameters.

#include "fitting/fitcolumns.h"
#include "numerics/fitparams.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class BoxFrame;
class TPlot;

// Square matrices and vectors of the normal equations, 1-based: entries 1 to 9
// are used, so a system has at most nine equations.
constexpr int NlsqMaxParameters = FitParameterCount;
using NlsqMatrix = std::array<std::array<double, NlsqMaxParameters + 1>, NlsqMaxParameters + 1>;
using NlsqVector = std::array<double, NlsqMaxParameters + 1>;
using NlsqPermutation = std::array<int, NlsqMaxParameters + 1>;

// An iteration that has not converged by this count fails.
constexpr int NlsqMaxIterations = 100;
// Longest formula text of the fit (a 256-byte buffer).
constexpr int NlsqTextLimit = 255;

// ---- The fit's working state, filled by the run before it calls the solver.
extern std::string NlsqFunctionText;                            // the model
extern std::string NlsqDerivativeText[NlsqMaxParameters + 1];   // 1..9; empty: numeric
extern std::int16_t NlsqParamEnabled[NlsqMaxParameters + 1];    // 1..9; 1 = free
extern int NlsqFreeCount;                                       // m, 1 to 9
extern int NlsqFreeIndex[NlsqMaxParameters + 1];                // 1..m, ascending
extern double NlsqAllowance;                                    // percent, >= 0

// In-place LU decomposition with scaled partial pivoting of the n x n matrix a
// (1 <= n <= 9); rows are not moved, their order is recorded in p. 1 on success;
// 0 for a row without a non-zero entry, a zero pivot, an entry that is not finite
// or n out of range.
int LUDecompose(int n, NlsqMatrix& a, NlsqPermutation& p);
// The inverse of a into inv; a is destroyed. 1 or 0.
int InvertMatrix(int n, NlsqMatrix& a, NlsqMatrix& inv);
// Solves alpha d = beta (n <= 9); d replaces beta on success, beta keeps its values
// on failure; alpha is destroyed either way. 1 or 0.
int SolveNormalEquations(NlsqMatrix& alpha, int n, NlsqVector& beta);

// Optional record of a Marquardt run, for tests and diagnostics.
struct NlsqTrace {
    int Iterations = 0;           // loop iterations taken
    double Lambda = 0.0;          // lambda at the end
    double ChiSquare = 0.0;       // chi-square of the current parameters at the end
    std::vector<int> Accepted;    // per step (the first included): 1 accepted, 0 rejected
};

// Fills cols at the parameters P[1..9] for the n points of fitSeries (point r is
// row r - 1): the model values in column 0, then the derivative of each of the
// nine parameters, free or not, from its NlsqDerivativeText, or by a forward
// difference with the step h = P[k] * 1e-5 (1e-5 when that is 0), so that the
// step follows the sign of P[k]. Formulas are compiled and evaluated one at a
// time on `set` with series number -1. FitParameters hold P afterwards. 1, or 0
// when a formula does not compile or does not evaluate at a point. paramCount
// is 9.
int NlsqJacobian(BoxFrame* set, FitColumnSet& cols, int n, const double* P, int paramCount,
                 const TPlot* fitSeries);

// The normal equations at P: alpha (m x m) = J'J and beta (m) = J'(y - f) over the
// free parameters freeList[1..m], and the chi-square sum (y - f)^2. 1 or 0.
int NlsqNormalEquations(BoxFrame* set, FitColumnSet& cols, const TPlot* fitSeries, int n,
                        const double* P, int paramCount, const int* freeList, int m,
                        NlsqMatrix& alpha, NlsqVector& beta, double& chiSquare);

// Minimises the sum of squared residuals of the model over the n points of
// fitSeries, starting from P[1..9] and varying the parameters freeList[1..m], by
// Levenberg-Marquardt steps: the normal equations with their diagonal times
// (1 + lambda), lambda from 0.001, times 0.1 after a better trial and times 10
// after one that is not better. Succeeds only at a minimum within the tolerance:
// the last trial changed the chi-square by at most tolerance times the current
// chi-square, the undamped (Gauss-Newton) step from the current parameters is
// within tolerance / 10 of each parameter (asked no closer than a minimum found
// in double precision is known, and small enough anyway when its effect on the
// model values is below that), and the matrix of one more step can still be
// solved. Clears the Escape latch at its start and polls it before every
// iteration. Whenever it returns, P holds its current parameters (the last
// accepted ones): on success the fitted parameters. 0 on Escape, on the
// hundredth iteration, when a formula fails, when the damped equations are
// singular (a free parameter the model does not use), or when the starting
// parameters give no finite chi-square. A trial whose model values or
// derivatives are not finite is rejected like a worse one.
int NlsqMarquardt(BoxFrame* set, FitColumnSet& cols, const TPlot* fitSeries, int n, double* P,
                  const int* freeList, int m, double tolerance, NlsqTrace* trace = nullptr);
