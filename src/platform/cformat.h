#pragma once
// printf-style formatting that never depends on the process locale: the decimal
// point is always '.', infinities print as "+INF" / "-INF" and NaN as "+INF"
// (formula results that are not numbers are delivered as +INF), and exponents
// have at least two digits.
//
// Supported conversions: %d %i %u %ld %lld %x %X %c %s %f %lf %e %E %g %G %lg %%,
// with the flags - + space 0 #, a width and a precision, each of which may be '*'.

#include <cstdarg>
#include <string>

namespace kv {

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string VFormat(const char* fmt, va_list ap);

// snprintf's contract: writes at most size-1 characters and a terminating zero,
// returns the length the whole result would have.
int SNPrintF(char* buf, std::size_t size, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));

}  // namespace kv
