#pragma once
// The higher functions behind the formula functions gamma, beta, erf, erfc, pnor,
// qnor, invq, invp, inverf and inverfc. Plain functions of doubles under the
// program's math-error policy (platform/mathpolicy.h): where a result cannot be
// formed it is +INF, the program's mark for a failed value.

namespace kv {

// ln Gamma(x). +INF for an argument that is not finite or lies below -1e7;
// minus infinity at 0 and at the other points where the product that raises x
// to 8 reaches 0 or changes sign (the logarithm's error gives +INF, subtracted).
double LogGamma(double x);

// Regularized incomplete gamma functions P(a, x) and Q(a, x) = 1 - P(a, x), g
// being ln Gamma(a). +INF when the series or continued fraction does not settle
// within 999 steps. Each hands the other the half of the range where it
// converges slowly.
double GammaP(double a, double x, double g);
double GammaQ(double a, double x, double g);

double Erf(double x);
double Erfc(double x);
// Lower and upper tail of the standard normal distribution.
double PNor(double x);
double QNor(double x);

// Gamma(x); by reflection for x < 0. Gamma(0) is 0 (exp of minus infinity).
// +INF for a non-finite argument.
double Gamma(double x);
// B(a, b) = exp(ln Gamma(a) + ln Gamma(b) - ln Gamma(a + b)). +INF for a
// non-finite argument.
double Beta(double a, double b);

// The z with QNor(z) = p: true and *z for 0 < p <= 1 (p == 1 gives 0, not minus
// infinity), false otherwise or when an iteration does not settle. The
// iterations run in extended precision so that every p strictly between 0 and 1
// settles, down to the smallest subnormal.
bool InverseNormalQ(double p, double* z);

// The steps of InverseNormalQ, exposed for testing. They work in long double.
// Series branch, on Q(z) = 1/2 - phi(z) S(z), S(z) = z + z^3/3 + z^5/(3*5) + ...
long double NormalQSeriesTerm(long double z, int k);
bool NormalQSeriesSum(long double z, long double* sum);
bool NormalQSeriesNewtonStep(long double z, long double a, long double* next);
bool NormalQSeriesInverse(double p, long double* z);
// Continued-fraction branch, on Q(z) = phi(z) R(z) with the Mills ratio R; for
// z above 2.
bool NormalMillsRatio(long double z, long double* r);
bool NormalQFractionNewtonStep(long double z, long double p, long double* next);
bool NormalQFractionInverse(double p, long double* z);

}  // namespace kv
