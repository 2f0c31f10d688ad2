#pragma once
// The bodies of the two fit commands: a series of an axis set goes through its X
// and Y processing formulas, its usable points are fitted, and the fitted curve
// joins the axis set as a new memory series whose information text is the fit's
// report, which is then shown. The chart window supplies what belongs to it
// through a FitHost.

#include "fitting/fitsettings.h"
#include "fitting/marquardt.h"

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

// The linear fit of series plot (number plotNo in set) with the settings: 1 when
// done (the result series appended and the report shown) or ended quietly (Escape
// while the rows were processed: nothing added, nothing shown); 0 when it failed
// (nothing added). A row whose processing formula fails counts as unusable. When
// the axis set is full (999 series) the result series is dropped and the report is
// still shown.
int LinearFit(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo,
              const LinearFitSettings& settings = CurrentLinearFitSettings);

// The non-linear fit with the settings: converts and checks them
// (ConvertNonLinearFitSettings), loads the solver's working state and
// FitParameters, runs NlsqFitSeries and, when it is done, shows the report. 1 done
// or ended quietly, 0 failed. FitParameters keep the last accepted parameters
// whatever the outcome.
int NonLinearFit(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo,
                 const NonLinearFitSettings& settings = CurrentNonLinearFitSettings);

// The commands' step after a confirmed dialog: the fit, and its failure message
// (no caption, OK, no icon) when it answers 0. Returns the fit's answer; on 1 the
// chart window repaints.
int RunLinearFitCommand(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo);
int RunNonLinearFitCommand(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo);

// ---- The parts, for the commands' callers and tests.

enum class NlsqOutcome { Done, Failed, Quiet };

// Prepares the fit points of plot (rows fitStart .. fitEnd, -1 or beyond the rows:
// the last, through the processing formulas, unusable rows skipped), runs the
// solver from FitParameters with the working state, samples the curve and appends
// the result series to set. *added receives the series, or null when the list was
// full and the series was dropped.
NlsqOutcome NlsqFitSeries(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo, int rowCount,
                          double outStart, double outEnd, int divisions, int spacing,
                          int fitStart, int fitEnd, TPlot** added = nullptr);

// Report texts (document text, CR LF line ends).
std::string LinearFitReport(const char* sourceName, const LinearFitValues& v,
                            const double* coeff, double corr);
// Reads the fitted values from FitParameters and the Allowance from NlsqAllowance.
std::string NonLinearFitReport(const char* sourceName, const NonLinearFitSettings& s,
                               const NonLinearFitValues& v);

// The name of a result series: prefix + source name + " **", cut to 259 bytes.
std::string FitResultName(const char* prefix, const char* sourceName);
