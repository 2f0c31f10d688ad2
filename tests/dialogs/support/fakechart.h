#pragma once
// A stand-in for the page view as the dialogs see it (kv::DialogHost): a widget
// with a document, the default styles and the program's settings, under the page
// view's own names, that counts what the dialogs asked of it.

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
    std::unique_ptr<TEnv>& Env = Document.Env;
    TIArrayAsVector<BoxFrame>& AxisSets = Document.AxisSets;
    BoxFrame*& Current = Document.Current;
    int& Modified = Document.Modified;
    int SelectedPlot = 0;

    ChartSettings Settings;
    int& HandleSizeSetting = Settings.HandleSizeSetting;
    int& DataHitAlgorithm = Settings.DataHitAlgorithm;
    char (&DataDrive)[3] = Settings.DataDrive;
    char (&Editor)[MAX_PATH] = Settings.Editor;
    int& ReloadDataBeforePlot = Settings.ReloadDataBeforePlot;
    int& WMFMargin = Settings.WMFMargin;
    int& AutoScaleMargin = Settings.AutoScaleMargin;
    int& DataPrecision = Settings.DataPrecision;
    int& HeaderType = Settings.HeaderType;
    int& HeaderPosition = Settings.HeaderPosition;
    int& FooterType = Settings.FooterType;
    int& FooterPosition = Settings.FooterPosition;

    DefaultStyles Defaults;
    Frame* const DefaultFrame = &Defaults.DefaultFrame;
    AxisUnit* const DefaultAxes[4] = {&Defaults.DefaultAxes[DefaultBottomAxis],
                                      &Defaults.DefaultAxes[DefaultLeftAxis],
                                      &Defaults.DefaultAxes[DefaultTopAxis],
                                      &Defaults.DefaultAxes[DefaultRightAxis]};
    TPlotStyle* const DefaultPlotStyle = &Defaults.DefaultPlotStyle;
    TPlotStyle* const DefaultMemoryPlotStyle = &Defaults.DefaultMemoryPlotStyle;
    TZukei* const DefaultZukei = &Defaults.DefaultZukei;
    TText* const DefaultText = &Defaults.DefaultText;
    int& DefaultIsOnlyParameter = Defaults.DefaultIsOnlyParameter;
    int& DefaultPaintOrder = Defaults.DefaultPaintOrder;

    FitColumnSet FitColumns = MakeFitColumnSet();

    // What the dialogs asked of it.
    int Repaints = 0;
    std::vector<BoxFrame*> LabelledSets;
    // The read-out precision each time the read-out formats were made again.
    std::vector<int> ReadoutPrecisions;

    // Into the settings and the data-file reader, as the page view does.
    void SetDataDrive(const char* drive) {
        lstrcpynA(DataDrive, drive ? drive : "", sizeof DataDrive);
        ::SetDataDrive(DataDrive);
    }
    // The page as the page view draws it.
    void DrawGraph(int mode, TDC& dc, FILE* file, TRect* extent) {
        ::DrawGraph(AxisSets, mode, dc, file, extent);
    }

    QWidget* HostWindow() override { return this; }
    GraphDocument& HostDocument() override { return Document; }
    DefaultStyles& HostDefaults() override { return Defaults; }
    ChartSettings& HostSettings() override { return Settings; }
    int HostSelectedSeries() const override { return SelectedPlot; }
    FitColumnSet& HostFitColumns() override { return FitColumns; }
    void HostSetDataDrive(const char* drive) override { SetDataDrive(drive); }
    void HostSetReadoutFormat() override { ReadoutPrecisions.push_back(DataPrecision); }
    void HostUpdateAxisLabels(BoxFrame* set) override { LabelledSets.push_back(set); }
    void HostRepaint() override { ++Repaints; }
};

}  // namespace kvtest
