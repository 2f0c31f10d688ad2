#pragma once
// The program's math-error policy around the C library: an underflow gives 0;
// every other error (domain, pole, overflow, total loss of precision) gives
// +INF, also where the exact result would be negative infinity (ln 0,
// sinh(-800)). Nothing is reported and no error state is left behind.

namespace kv::math {

double Sin(double x);   // |x| >= 2^53 gives +INF
double Cos(double x);   // |x| >= 2^53 gives +INF
double Tan(double x);   // |x| >= 2^53 gives +INF
double ASin(double x);
double ACos(double x);
double ATan(double x);
double ATan2(double y, double x);
double SinH(double x);
double CosH(double x);
double TanH(double x);
double Sqrt(double x);
double Exp(double x);
double Log(double x);
double Log10(double x);
double Pow(double x, double y);
double Floor(double x);
double Ceil(double x);
double Fabs(double x);
double Fmod(double x, double y);

// Applies the policy to the result of an operation done elsewhere: a NaN or an
// infinity becomes +INF, a subnormal 0.
double Policy(double r);

}  // namespace kv::math
