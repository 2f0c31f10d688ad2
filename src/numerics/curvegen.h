#pragma once
// Calculated curves: a series y = f(x) made in memory from a formula, evaluated at
// divisions + 1 x values between a start and an end spaced by a DivisionMethod,
// and appended to an axis set. The formula is compiled once and every row is
// evaluated from the compiled list; there is no Escape poll (at most 30001 points).

#include "numerics/division.h"

#include <string>
#include <string_view>
#include <vector>

class BoxFrame;
class TPlot;
class TPlotStyle;

// Divisions from 1 to this; the curve has divisions + 1 points.
constexpr int CurveMaxDivisions = 30000;
// The formula is cut to this many bytes for the series' name and information.
constexpr int CurveNameFormulaLength = 219;

enum class CurveStatus {
    Done,                  // the series was appended
    BadFormula,            // the formula does not compile, reads y, or fails at every x
    EmptyFormula,          // no formula at all
    DivisionsNotPositive,  // divisions below 1
    TooManyDivisions,      // divisions above CurveMaxDivisions
    NumberTooLarge,        // a bound, or an x value made from them, is not finite
    BadSpacing,            // exponent or inverse spacing across or at zero
    NoMemory,              // the series could not be made
    ListFull,              // the axis set already holds its most series
};

// The x values, i = 0 .. divisions, each in the order the curve defines: linear
// i * h + start; exponent 10^(i * h) * start; inverse 1 / (i * h + 1 / start).
// Fails with BadSpacing (exponent or inverse with a zero bound or bounds of
// opposite signs), NumberTooLarge (a value not finite), DivisionsNotPositive or
// TooManyDivisions; out holds the values only on Done.
CurveStatus CurvePositions(double start, double end, int divisions, int method,
                           std::vector<double>& out);

// The formula check before a curve is made: compiles the formula on set without a
// series (so "%i", parameter columns and the range names fail). A formula that
// reads y is refused too: the column it would read is the one being built.
CurveStatus CheckCurveFormula(BoxFrame& set, std::string_view formula);

struct CurveRequest {
    std::string_view Formula;
    double Start = 0.0;
    double End = 10.0;
    int Divisions = 100;
    int Method = DivisionLinear;
    const TPlotStyle* MemoryStyle = nullptr;  // null: a default style
};

// Makes the curve and appends it to set. Checks, in order: an empty formula, the
// divisions, a full series list, the spacing and the bounds; then compiles the
// formula with the new series and evaluates every row. A row where the evaluation
// fails, and every non-finite value, is stored as +INF (a missing value); a
// formula that fails at every row is refused as BadFormula. The series is memory data named
// "** y = <formula> **" with
// the information "  y = <formula>" CR LF (the formula cut to 219 bytes, never
// inside a double-byte character). *added (when given) receives the series on Done.
// Nothing is added on any other answer.
CurveStatus GenerateCurve(BoxFrame& set, const CurveRequest& request, TPlot** added = nullptr);

// The text cut to at most limit bytes without splitting a double-byte character.
std::string CutDocText(std::string_view text, std::size_t limit);
