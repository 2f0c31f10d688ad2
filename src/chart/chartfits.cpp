// The Data menu's dialogs run from the page view: the data manager, the fits of
// chosen series and of the selected series, the user constants and functions,
// the calculated curve and the quick evaluation. The dialogs and the fits do the
// work (dialogs/datamanager.h, dialogs/datacommands.h); the page view hands them
// its current axis set and clears its selection marks where they do.

#include "chart/chartwindow.h"
#include "dialogs/datacommands.h"
#include "dialogs/datamanager.h"

void TChartWindow::CmDataManager() {
    if (!Document.Current) return;
    RunDataManagerCommandDialog(*this, [this] { ClearFeedback(); });
}

void TChartWindow::CmLinearFit() {
    if (Document.Current) RunLinearFitCommandDialog(*this);
}

void TChartWindow::CmNonLinearFit() {
    if (Document.Current) RunNonLinearFitCommandDialog(*this);
}

void TChartWindow::CmPlotLinearFit() {
    if (SelectedSeries()) RunPlotLinearFitCommandDialog(*this);
}

void TChartWindow::CmPlotNonLinearFit() {
    if (SelectedSeries()) RunPlotNonLinearFitCommandDialog(*this);
}

void TChartWindow::CmUserConst() {
    if (Document.Current) RunUserConstCommandDialog(*this);
}

void TChartWindow::CmUserFunction() {
    if (Document.Current) RunUserFunctionCommandDialog(*this);
}

void TChartWindow::CmCalcCurve() {
    if (Document.Current) RunCalcCurveCommandDialog(*this, [this] { ClearFeedback(); });
}

void TChartWindow::CmEvaluate() {
    if (Document.Current) RunEvaluateCommandDialog(*this);
}
