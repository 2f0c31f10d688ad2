#pragma once
// The bodies of the two fit commands: a series of an axis set goes through its X
// and Y processing formulas, its usable points are fitted, and the fitted curve
// joins the axis set as a new memory series whose information text is the fit's
// report, which is then shown. The chart window supplies what belongs to it
// through a FitHost.

#include "fitting/fitsettings.h"
#include "fitting/fitcolumns.h"

#include <functional>
#include <string>

class BoxFrame;
class TPlot;
class TPlotStyle;

// What a fit needs of the chart window.
struct FitHost {
    // Parent of the report window and of the failure messages.
    void* Owner = nullptr;
    // The default style of memory series (the chart window's
    // DefaultMemoryPlotStyle); null: a default-constructed style.
    const TPlotStyle* MemoryPlotStyle = nullptr;
    // The non-linear fit's work columns (the chart window's FitColumns); null: the
    // fit uses columns of its own.
    FitColumnSet* FitColumns = nullptr;
    // Shows the report modally (TMesDialog with resource 18); may be empty.
    std::function<void(void* owner, const std::string& report, const char* caption)> ShowReport;
};

// Captions of the report windows and the commands' failure messages.
inline constexpr const char* LinearFitReportCaption = "Linear Least Square Fit";
inline constexpr const char* NonLinearFitReportCaption = "Non-linear Least Square Fit";
inline constexpr const char* LinearFitFailureText = "Failure : Linear Least Square Method";
inline constexpr const char* NonLinearFitFailureText = "Failure : NonLinear Least Square Method";

// Why a fit answered 0, where it matters to the message.
enum class FitFailure {
    Other,           // the command's own failure text
    SeriesListFull,  // the axis set holds 999 series: no room for the curve
};

// The linear fit of series plot (number plotNo in set) with the settings: 1 when
// done (the result series appended and the report shown) or ended quietly (Escape
// while the rows were processed: nothing added, nothing shown); 0 when it failed
// (nothing added, nothing shown; *why, when given, says why). A row whose
// processing formula fails counts as unusable. An axis set that is already full
// fails at once; a curve that cannot be made or added fails the fit.
int LinearFit(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo,
              const LinearFitSettings& settings = CurrentLinearFitSettings, FitFailure* why = nullptr);

// The non-linear fit with the settings: converts and checks them
// (ConvertNonLinearFitSettings), loads the solver's working state and
// FitParameters, runs NlsqFitSeries and, when it is done, shows the report. 1 done
// or ended quietly, 0 failed. FitParameters keep the last accepted parameters
// whatever the outcome, except that a fit whose curve cannot join the axis set
// (full, or out of memory) leaves them as they were before the fit; a full axis
// set fails before anything is touched.
int NonLinearFit(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo,
                 const NonLinearFitSettings& settings = CurrentNonLinearFitSettings,
                 FitFailure* why = nullptr);

// The commands' step after a confirmed dialog: the fit, and when it answers 0 its
// failure message over host.Owner: the command's text (no caption, OK, no icon),
// or for a full axis set string 1180 (no caption, OK, stop icon). Returns the
// fit's answer; on 1 the chart window repaints.
int RunLinearFitCommand(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo);
int RunNonLinearFitCommand(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo);

// ---- The parts, for the commands' callers and tests.

// NotAdded: the solver succeeded but the curve could not be made or could not
// join the axis set (full, or out of memory); nothing was added.
enum class NlsqOutcome { Done, Failed, Quiet, NotAdded };

// Prepares the fit points of plot (rows fitStart .. fitEnd, -1 or beyond the rows:
// the last, through the processing formulas, unusable rows skipped), runs the
// solver from FitParameters with the working state, samples the curve, gives it
// the information text that makeInfo returns (called after the solver, when
// given) and appends the result series to set. *added receives the series.
NlsqOutcome NlsqFitSeries(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo, int rowCount,
                          double outStart, double outEnd, int divisions, int spacing,
                          int fitStart, int fitEnd, TPlot** added = nullptr,
                          const std::function<std::string()>& makeInfo = {});

// Report texts (document text, CR LF line ends).
std::string LinearFitReport(const char* sourceName, const LinearFitValues& v,
                            const double* coeff, double corr);
// Reads the fitted values from FitParameters and the Allowance from NlsqAllowance.
std::string NonLinearFitReport(const char* sourceName, const NonLinearFitSettings& s,
                               const NonLinearFitValues& v);

// The name of a result series: prefix + source name + " **", cut to 259 bytes.
std::string FitResultName(const char* prefix, const char* sourceName);
