// The command line's data files: each becomes a series of the current axis set.

#include "app/app.h"

#include "app/frame.h"
#include "chart/chartwindow.h"
#include "model/plot.h"
#include "platform/cp932.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <QWidget>

#include <memory>
#include <new>
#include <optional>

namespace {

constexpr int IdsNoMemory = 17;
constexpr int IdsReadError = 35;
constexpr int IdsSeriesListFull = 1180;

void Tell(TChartWindow* w, int id, const std::string& file = {}) {
    std::string text = kv::LoadString(id);
    if (!file.empty()) text += "\n" + file;
    kv::MessageBox(static_cast<QWidget*>(w), text, nullptr, MB_OK | MB_ICONSTOP);
}

}  // namespace

void korvidaApp::ProcessDataFileArguments(const std::vector<std::string>& args) {
    TChartWindow* w = Client();
    if (!w || !w->Document.Current || args.empty()) return;
    if (w->OpenDataFile(args.front().c_str()) == 0) return;
    const int k = w->Document.Current->PlotList.GetItemsInContainer();

    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::optional<std::string> stored = w->StorableDataPath(args[i]);
        if (!stored) return;
        try {
            const TPlot* model = w->Document.Current->PlotList.At(k);
            if (!model) return;
            auto plot = std::make_unique<TPlot>();
            *plot = *model;
            lstrcpynA(plot->DataFileName, stored->c_str(), MAX_PATH);
            if (plot->ReadData() == 0) {
                Tell(w, IdsReadError, args[i]);
                return;
            }
            // A full series list would drop the series: it goes, and so does the rest.
            if (!w->Document.Current->PlotList.Add(plot)) {
                Tell(w, IdsSeriesListFull);
                return;
            }
        } catch (const std::bad_alloc&) {
            Tell(w, IdsNoMemory);
            return;
        }
    }

    w->Document.Current->AutoScale(1, 1, 1, 1, 1, w->Settings.AutoScaleMargin);
    w->Document.Modified = 1;
    w->ClearFeedback();
    w->UpdateAxisLabels(w->Document.Current);
}
