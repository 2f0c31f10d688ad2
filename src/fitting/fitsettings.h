#pragma once
// What the two fit dialogs edit and the fit runs read: the settings records that
// live for the whole run of the program (never in the document or the profile),
// their checks, their conversion into numbers, and the ".nls" files that keep the
// model part of the non-linear settings.

#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class BoxFrame;
class TPlot;

// Longest text of a settings field (an edit limited to 255 holds 254 typed
// characters).
constexpr int FitSettingsTextLimit = 254;
// Cuts a text to at most `limit` bytes without splitting a double-byte character.
std::string CutFitText(std::string_view text, std::size_t limit = FitSettingsTextLimit);

// ---------------------------------------------------------------------------
// Linear fit

// Lines of the linear fit dialog's model list; the index maps to a model and
// degree through LinearFitModelFromIndex.
constexpr int LinearFitModelCount = 15;
extern const char* const LinearFitModelNames[LinearFitModelCount];

struct LinearFitSettings {
    BYTE FixedPoint = 0;         // 1: the curve passes through (FixedX, FixedY)
    std::int32_t ModelIndex = 1; // line of the model list, 0 to 14
    std::string FitStart = "1";  // 1-based position among the usable points
    std::string FitEnd = "-1";   // -1: to the last usable point
    std::string OutputStart = "0";
    std::string OutputEnd = "10";
    std::string Divisions = "100";
    std::string FixedX = "0";
    std::string FixedY = "0";
    BYTE SpacingLinear = 1;      // the three radio buttons; 1 = chosen
    BYTE SpacingExponent = 0;
    BYTE SpacingInverse = 0;
};

// The settings the last confirmed linear fit dialog left; every opening starts
// from them.
extern LinearFitSettings CurrentLinearFitSettings;

// The dialog's checks of OK for a series of seriesRows rows: nullptr when the
// settings pass, else the message to show (the first failing check). Fit start, fit
// end and divisions are judged by their first 99 characters; output and fixed
// point are not checked here (the fit fails on them later).
const char* LinearFitSettingsError(const LinearFitSettings& s, int seriesRows);
// The same, showing the message over owner (no caption, OK, no icon): 1 valid, 0 not.
int ValidateLinearFitSettings(void* owner, const LinearFitSettings& s, const TPlot& series);

// Model list line -> FitModel and degree: 0 to 10 polynomials of that degree, 11
// to 14 the two-parameter models (degree 1). false for any other line.
bool LinearFitModelFromIndex(int index, int* model, int* degree);
// The DivisionMethod of the first radio byte that is 1; 0 when none is.
int FitSpacingFromRadios(BYTE linear, BYTE exponent, BYTE inverse);

// The settings as the run uses them. Texts convert by their leading number (0
// when there is none).
struct LinearFitValues {
    int Model = 0;
    int Degree = 0;
    int Fixed = 0;
    double OutputStart = 0;
    double OutputEnd = 0;
    int Divisions = 0;
    double FixedX = 0;
    double FixedY = 0;
    int Spacing = 0;
    int FitStart = 0;
    int FitEnd = 0;
};
// false when the model line or the spacing choice names nothing.
bool ConvertLinearFitSettings(const LinearFitSettings& s, LinearFitValues* out);

// ---------------------------------------------------------------------------
// Non-linear fit

constexpr int NonLinearParamCount = 9;  // A to I

struct NonLinearFitSettings {
    BYTE Enabled[NonLinearParamCount] = {};  // A to I; 1 = ticked (a free parameter)
    std::string FitStart = "1";              // first row of the series (1-based)
    std::string FitEnd = "-1";               // -1: to the last row
    std::string OutputStart = "0";
    std::string OutputEnd = "10";
    std::string Divisions = "100";
    std::string Function;                              // the model f(x)
    std::string InitialValues[NonLinearParamCount];    // A to I
    std::string Derivatives[NonLinearParamCount];      // dy/dA .. dy/dI; empty: numeric
    std::string Allowance = "0.1";                     // percent
    BYTE SpacingLinear = 1;
    BYTE SpacingExponent = 0;
    BYTE SpacingInverse = 0;
};

extern NonLinearFitSettings CurrentNonLinearFitSettings;

// The dialog's checks of OK: compiles the model and the derivative formula of each
// ticked parameter that has one on `set` (series plot, series number -1), each cut
// to 255 characters. 1 when all compile; otherwise shows the message of the first
// that fails over owner (string 55 for the model, 56 to 64 for dy/dA to dy/dI; no
// caption, stop icon) and answers 0. Numbers and rows are the run's to check.
int ValidateNonLinearFitSettings(void* owner, BoxFrame* set, const TPlot* plot,
                                 const NonLinearFitSettings& s);

// The run's conversion and checks. Initial values and the Allowance must convert to
// a number of magnitude below the largest double; the fit start is 1 to 32000; the
// fit end is -1 or start to 32000; divisions are 0 to 31999; at least one parameter
// is ticked and one spacing chosen. false on the first failing check.
constexpr int NlsqMaxRow = 32000;
constexpr int NlsqMaxDivisions = 31999;
struct NonLinearFitValues {
    double Initial[NonLinearParamCount + 1] = {};  // 1 to 9
    double Allowance = 0;                          // magnitude, percent
    int FitStart = 0;
    int FitEnd = 0;
    double OutputStart = 0;
    double OutputEnd = 0;
    int Divisions = 0;
    int Spacing = 0;
};
bool ConvertNonLinearFitSettings(const NonLinearFitSettings& s, NonLinearFitValues* out);

// ---------------------------------------------------------------------------
// ".nls" files: sections Function, Parameters, Initvalues, Derivative.

struct NlsFileData {
    std::string Function;
    int Parameters[NonLinearParamCount] = {};  // as the file gives them; 0 = clear
    std::string InitialValues[NonLinearParamCount];
    std::string Derivatives[NonLinearParamCount];
};

// The file dialog's filter, titles and default extension.
inline constexpr const char* NlsFileFilterName = "Non-linear Least Square Settings(*.nls)";
inline constexpr const char* NlsFileFilterPattern = "*.nls";
inline constexpr const char* NlsLoadTitle = "Load Non-linear Least Square Settings";
inline constexpr const char* NlsSaveTitle = "Save Non-linear Least Square Settings";
inline constexpr const char* NlsDefaultExtension = "nls";

// Reads a settings file (a local path): each value at most 255 characters; a
// missing file, section or key gives "" or 0. Never fails.
NlsFileData ReadNls(const char* path);
// Writes the four sections in order, keeping everything else in the file. 1 when
// every value was written, 0 when the file could not be written.
int WriteNls(const char* path, const NlsFileData& data);

// The check box state a Parameters value shows: any non-zero value ticks it.
inline int NlsCheckState(int value) { return value != 0 ? 1 : 0; }

// Between the dialog's settings and a file's contents. Loading sets only the model,
// the check boxes, the initial values and the derivatives (texts cut to 254).
NlsFileData NlsFromSettings(const NonLinearFitSettings& s);
void ApplyNlsToSettings(const NlsFileData& data, NonLinearFitSettings* s);
