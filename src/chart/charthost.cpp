// What the dialogs see of the page view: its document, default styles and
// settings, the selected series, the fit's work columns and the window steps a
// dialog's command ends with.

#include "chart/chartwindow.h"

QWidget* TChartWindow::HostWindow() { return this; }

GraphDocument& TChartWindow::HostDocument() { return Document; }

DefaultStyles& TChartWindow::HostDefaults() { return Defaults; }

ChartSettings& TChartWindow::HostSettings() { return Settings; }

int TChartWindow::HostSelectedSeries() const { return SelectedPlot; }

FitColumnSet& TChartWindow::HostFitColumns() { return FitColumns; }

void TChartWindow::HostSetDataDrive(const char* drive) { SetDataDrive(drive); }

void TChartWindow::HostSetReadoutFormat() { SetReadoutFormat(); }

void TChartWindow::HostUpdateAxisLabels(BoxFrame* set) { UpdateAxisLabels(set); }

void TChartWindow::HostRepaint() { Invalidate(true); }
