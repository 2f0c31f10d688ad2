#pragma once
// How a dialog finds the chart window whose defaults its "ﾃﾞﾌｫﾙﾄ" button replaces:
// the chart window among the dialog's parents (the frame, base-size and options
// dialogs are its children), otherwise the client of the application's main
// window.

class BoxFrame;
class QWidget;
class TChartWindow;

namespace kv {

// The first chart window among from and its parents; else the central widget of a
// top-level main window when it is a chart window; else null.
TChartWindow* FindChartWindow(const QWidget* from);

// For a dialog that has just changed an axis set's stored content on its own
// (the user constants and functions, which other dialogs open from their "C" and
// "F" buttons whatever their own outcome): marks modified the graph, found as
// above, when it holds that axis set.
void MarkAxisSetModified(const QWidget* from, const BoxFrame* set);

}  // namespace kv
