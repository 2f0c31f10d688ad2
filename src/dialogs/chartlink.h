#pragma once
// How a dialog finds the chart window whose defaults its "ﾃﾞﾌｫﾙﾄ" button replaces:
// the chart window among the dialog's parents (the frame, base-size and options
// dialogs are its children), otherwise the client of the application's main
// window.

class QWidget;
class TChartWindow;

namespace kv {

// The first chart window among from and its parents; else the central widget of a
// top-level main window when it is a chart window; else null.
TChartWindow* FindChartWindow(const QWidget* from);

}  // namespace kv
