#pragma once
// The bodies of the page view's fit and formula commands: each runs its dialog on
// the current axis set with the host's window as parent and then does the host's
// part (the modified flag, the autoscale of an axis set that had no series, the
// repaint). The page view (a kv::DialogHost) calls these from its handlers:
//
//   CM_LINEARFIT (128)        RunLinearFitCommandDialog(*this)
//   CM_NONLINEARFIT (129)     RunNonLinearFitCommandDialog(*this)
//   CM_PLOTLINEARFIT (412)    RunPlotLinearFitCommandDialog(*this)
//   CM_PLOTNONLINEARFIT (413) RunPlotNonLinearFitCommandDialog(*this)
//   CM_USERCONST (141)        RunUserConstCommandDialog(*this)
//   CM_USERFUNCTION (143)     RunUserFunctionCommandDialog(*this)
//   CM_CALCCURVE (144)        RunCalcCurveCommandDialog(*this, [this] { ClearFeedback(); })
//   CM_EVALUATE (145)         RunEvaluateCommandDialog(*this)
//
// and the application calls InstallFormulaDialogRunners() once at start-up, so that
// the "C" and "F" buttons of the other dialogs open the user-constant and
// user-function dialogs of the host's current axis set.

#include "fitting/fitrun.h"

#include <functional>

class BoxFrame;
class QWidget;

namespace kv {
class DialogHost;
}

enum class FitCommandKind { Linear, NonLinear };

// What a fit needs of the host: the owner of its messages and report, the default
// style of memory series, the non-linear fit's work columns, and the report window
// (TMesDialog).
FitHost MakeFitHost(kv::DialogHost& host);

// One series: the fit dialog of its kind on series plotNo (from 1) of set, and on
// OK *modified = 1 (before the fit, so also when it fails) and the fit with its
// failure message. true when the fit answered 1 (the caller repaints). A number
// that names no series does nothing.
bool RunSeriesFitDialog(QWidget* parent, FitCommandKind kind, FitHost& host, BoxFrame* set,
                        int plotNo, int* modified);

// The Data menu's fits: the series selection dialog, then RunSeriesFitDialog for
// every chosen series in ascending order (a cancelled fit dialog skips its
// series); repaint runs after each fit that answered 1. Returns how many did.
int RunChosenSeriesFits(QWidget* parent, FitCommandKind kind, FitHost& host, BoxFrame* set,
                        int* modified, const std::function<void()>& repaint);

// ---- The page view's commands. The fit commands return how many fits
// answered 1; the dialog commands return the dialog's result.
int RunLinearFitCommandDialog(kv::DialogHost& host);
int RunNonLinearFitCommandDialog(kv::DialogHost& host);
// The series context menu: the host's selected series of the current axis set,
// when it names one.
int RunPlotLinearFitCommandDialog(kv::DialogHost& host);
int RunPlotNonLinearFitCommandDialog(kv::DialogHost& host);
// OK marks the graph modified and repaints, changed or not.
int RunUserConstCommandDialog(kv::DialogHost& host);
int RunUserFunctionCommandDialog(kv::DialogHost& host);
// OK: an axis set that had no series is autoscaled on all four axes with the
// margin, clearFeedback runs (the selection marks go) and its labels are rebuilt;
// then the graph is marked modified and repainted.
int RunCalcCurveCommandDialog(kv::DialogHost& host, const std::function<void()>& clearFeedback = {});
// Changes nothing in the document.
int RunEvaluateCommandDialog(kv::DialogHost& host);

// Installs the runners of kv::RunUserConstDialog and kv::RunUserFunctionDialog
// (dialogs/userdialogs.h): the dialogs of the current axis set of the host found
// from the parent (kv::FindDialogHost); nothing opens without one.
void InstallFormulaDialogRunners();
