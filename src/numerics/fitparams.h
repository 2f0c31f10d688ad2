#pragma once
// The nine fit parameters A to I, shared by the whole program: the non-linear fit
// writes its start values and its results here, and every formula compiled
// afterwards reads the letters a to i (either case) as these values. Never saved.

// Parameter count; entries 1 (A) to 9 (I) are used, entry 0 is not read.
constexpr int FitParameterCount = 9;

// All 0 at program start.
extern double FitParameters[FitParameterCount + 1];
