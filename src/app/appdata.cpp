// The command line's data files: each would become a series of the current axis
// set through the data-reading and plot-style dialogs, which the chart view does
// not run yet. Until it does, the files are named to the user and nothing changes.

#include "app/app.h"

#include "chart/chartwindow.h"
#include "platform/messagebox.h"

#include <QWidget>

void korvidaApp::ProcessDataFileArguments(const std::vector<std::string>& args) {
    TChartWindow* w = Client();
    if (!w || args.empty()) return;
    std::string text = "Data files cannot be read from the command line yet:";
    for (const std::string& a : args) text += "\n" + a;
    kv::MessageBox(static_cast<QWidget*>(w), text, nullptr, MB_OK | MB_ICONEXCLAMATION);
}
