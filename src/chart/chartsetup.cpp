// The page view's set-up: the printer's page, the document name, the first view
// centre, the kept device context, the application's bars, the settings of the
// profile sections "Window" and "Other", and the default styles of new objects.

#include "chart/chartwindow.h"
#include "model/datafile.h"
#include "platform/profile.h"
#include "render/syncaxes.h"

#include <cstring>

using kv::win::Application;

void TChartWindow::SetupWindow() {
    TWindow::SetupWindow();
    kv::win::TApplicationServices& app = Application();
    const std::string profile = app.ProfilePath();
    const char* path = profile.c_str();
    // Every key below and the default styles from one reading of the file.
    kv::ProfileBatch batch(profile);

    GetPageMetrics();
    FileName = UntitledGraphName;
    app.UpdateCaption(FileName.c_str());
    Document.Env->ViewCenterX = Document.Env->PrintableWidth / 2;
    Document.Env->ViewCenterY = Document.Env->PrintableHeight / 2;
    Dragging = 0;
    ButtonDown = 0;
    WindowDC = MakeClientDC();
    ToolBar = app.ToolPalette();
    StatusBar = app.StatusBar();
    InvalidateMargin = 7 * InvalidateMarginBase;

    Settings.HandleSizeSetting = int(GetPrivateProfileIntA("Window", "handlesize", 100, path));
    if (Settings.HandleSizeSetting > 30) Settings.HandleSizeSetting = 10;
    Settings.DataHitAlgorithm = int(GetPrivateProfileIntA("Window", "datahitalgorithm", 1, path));
    char drive[3] = "";
    GetPrivateProfileStringA("Window", "datadrive", "A:", drive, sizeof drive, path);
    SetDataDrive(drive);
    GetPrivateProfileStringA("Other", "editor", "", Settings.Editor, sizeof Settings.Editor, path);
    Settings.ReloadDataBeforePlot =
        int(GetPrivateProfileIntA("Other", "ReloadDataBeforePlot", 0, path));
    Settings.AutoScaleMargin = int(GetPrivateProfileIntA("Other", "AutoScaleMargin", 10, path));
    Settings.WMFMargin = int(GetPrivateProfileIntA("Other", "WMFMargin", 60, path));
    Settings.DataPrecision = int(GetPrivateProfileIntA("Other", "DataPrecision", 0, path));
    SetReadoutFormat();
    ManualRefresh = int(GetPrivateProfileIntA("Window", "ManualRefresh", 0, path));
    Settings.HeaderType = int(GetPrivateProfileIntA("Window", "HeaderType", 0, path));
    Settings.HeaderPosition = int(GetPrivateProfileIntA("Window", "HeaderPosition", 0, path));
    Settings.FooterType = int(GetPrivateProfileIntA("Window", "FooterType", 0, path));
    Settings.FooterPosition = int(GetPrivateProfileIntA("Window", "FooterPosition", 0, path));

    Defaults.ReadDefaultFrame(path);
    Defaults.ReadDefaultAxes(path);
    Defaults.ReadDefaultPlotStyle(path);
    Defaults.ReadDefaultMemoryPlotStyle(path);
    Defaults.ReadDefaultText(path);
    Defaults.ReadDefaultParts(path);

    // The first axis set gets the default frame and axes, synchronised, without
    // numeric labels on the top and right axes of a Box or X-Y frame.
    NewGraphHooks hooks;
    hooks.SyncAxes = [](Frame* frame, AxisUnit* left, AxisUnit* right, AxisUnit* top, AxisUnit* bottom) {
        ::SyncAxes(frame, left, right, top, bottom);
    };
    hooks.UpdateAxisLabels = [this](BoxFrame* set) { UpdateAxisLabels(set); };
    Defaults.PrepareNewAxisSet(Document.Current, hooks);

    app.CheckMenuItem(CM_GRIDNONE, true);
    app.CheckMenuItem(CM_MANUALREFRESH, ManualRefresh != 0);
    UpdateScrollBars();
}

void TChartWindow::SetDataDrive(const char* drive) {
    // Both copies hold a drive letter and a colon; a longer text is cut there.
    lstrcpynA(Settings.DataDrive, drive ? drive : "", sizeof Settings.DataDrive);
    ::SetDataDrive(Settings.DataDrive);
}

void TChartWindow::SetReadoutFormat() {
    if (Settings.DataPrecision == 0) {
        lstrcpynA(PlotReadoutFormat, "[ %s ] %%i=%d %%c=%d (%G, %G)", sizeof PlotReadoutFormat);
        lstrcpynA(WatchReadoutFormat, "X=%G Y=%G", sizeof WatchReadoutFormat);
    } else if (Settings.DataPrecision == 1) {
        lstrcpynA(PlotReadoutFormat, "[ %s ] %%i=%d %%c=%d (%.15lG, %.15lG)", sizeof PlotReadoutFormat);
        lstrcpynA(WatchReadoutFormat, "X=%.15lG Y=%.15lG", sizeof WatchReadoutFormat);
    }
}
