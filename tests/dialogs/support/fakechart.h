#pragma once
// A stand-in for the page view as the dialogs see it (kv::DialogHost): a widget
// with a document, the default styles and the program's settings, under the page
// view's member names (Document, Defaults, Settings), that counts what the dialogs
// asked of it.

#include "dialogs/dialoghost.h"
#include "model/chartsettings.h"
#include "model/datafile.h"
#include "model/defaults.h"
#include "model/graphfile.h"
#include "render/graphdraw.h"

#include <QWidget>

#include <cstdio>
#include <vector>

namespace kvtest {

class FakeChart : public QWidget, public kv::DialogHost {
public:
    FakeChart() = default;

    GraphDocument Document;
    int SelectedPlot = 0;
    ChartSettings Settings;
    DefaultStyles Defaults;

    FitColumnSet FitColumns = MakeFitColumnSet();

    // What the dialogs asked of it.
    int Repaints = 0;
    std::vector<BoxFrame*> LabelledSets;
    // The read-out precision each time the read-out formats were made again.
    std::vector<int> ReadoutPrecisions;

    // Into the settings and the data-file reader, as the page view does.
    void SetDataDrive(const char* drive) {
        lstrcpynA(Settings.DataDrive, drive ? drive : "", sizeof Settings.DataDrive);
        ::SetDataDrive(Settings.DataDrive);
    }
    // The page as the page view draws it.
    void DrawGraph(int mode, TDC& dc, FILE* file, TRect* extent) {
        ::DrawGraph(Document.AxisSets, mode, dc, file, extent);
    }

    QWidget* HostWindow() override { return this; }
    GraphDocument& HostDocument() override { return Document; }
    DefaultStyles& HostDefaults() override { return Defaults; }
    ChartSettings& HostSettings() override { return Settings; }
    int HostSelectedSeries() const override { return SelectedPlot; }
    FitColumnSet& HostFitColumns() override { return FitColumns; }
    void HostSetDataDrive(const char* drive) override { SetDataDrive(drive); }
    void HostSetReadoutFormat() override { ReadoutPrecisions.push_back(Settings.DataPrecision); }
    void HostUpdateAxisLabels(BoxFrame* set) override { LabelledSets.push_back(set); }
    void HostRepaint() override { ++Repaints; }
};

}  // namespace kvtest
