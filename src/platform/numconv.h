#pragma once
// Locale-independent decimal conversion with the C runtime's atof/atoi/strtod
// meaning: leading white space is skipped, the longest decimal prefix converted,
// and 0 given when there is none. "inf", "nan" and hexadecimal forms are not
// numbers here, whatever the process locale.

#include <cstddef>

namespace kv {

// Like strtod: *end (when given) points after the converted prefix, or at s when
// nothing converted. *overflow (when given) is set true when the magnitude is out
// of range (the result is then +-HUGE_VAL, or 0 on underflow with *overflow set).
// A value below the normal range (a subnormal) counts as an underflow.
double StrToD(const char* s, const char** end = nullptr, bool* overflow = nullptr);
double AtoF(const char* s);
// atoi/atol: optional sign and decimal digits after leading white space; values
// beyond the int range saturate.
int AtoI(const char* s);
long long AtoLL(const char* s);

}  // namespace kv
