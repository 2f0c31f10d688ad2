// Files dropped on the main frame: a single graph file is opened; numeric data
// files become series of the current axis set through the same dialogs as the
// Data menu's open command.

#include "app/app.h"

#include "app/history.h"
#include "chart/chartwindow.h"
#include "dialogs/dataselect.h"
#include "model/plot.h"
#include "platform/cp932.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <QWidget>

#include <algorithm>
#include <memory>
#include <new>
#include <optional>

namespace {

constexpr int IdsNoMemory = 17;
constexpr int IdsReadError = 35;
constexpr int IdsSeriesListFull = 1180;

void Tell(TChartWindow& w, int id, const std::string& file = {}) {
    std::string text = kv::LoadString(id);
    if (!file.empty()) text += "\n" + file;
    kv::MessageBox(static_cast<QWidget*>(&w), text, nullptr, MB_OK | MB_ICONSTOP);
}


// A further file of a common-settings drop: a copy of series `model` read from
// its own file, with its mask rows applied as the copied style says. 1 when the
// series was added.
int AddCopyOf(TChartWindow& w, int model, const std::string& local, const std::string& stored) {
    const TPlot* source = w.Document.Current->PlotList.At(model);
    if (!source) return 0;
    if (w.Document.Current->PlotList.IsFull()) {
        Tell(w, IdsSeriesListFull);
        return 0;
    }
    try {
        auto plot = std::make_unique<TPlot>();
        *plot = *source;
        lstrcpynA(plot->DataFileName, stored.c_str(), MAX_PATH);
        if (!plot->ReadData()) {
            Tell(w, IdsReadError, local);
            return 0;
        }
        TPlot* added = plot.get();
        if (!w.Document.Current->PlotList.Add(plot)) {
            Tell(w, IdsSeriesListFull);
            return 0;
        }
        w.Document.Modified = 1;
        added->ApplyMask(added->Style.MaskRows.c_str(), 0);
        return 1;
    } catch (const std::bad_alloc&) {
        Tell(w, IdsNoMemory);
        return 0;
    }
}

// The dropped data files into the current axis set: the number of series added.
int ReadDroppedData(TChartWindow& w, const std::vector<std::string>& names) {
    if (names.size() == 1) return w.OpenDataFile(names.front().c_str());

    // Every name must fit the document before anything is asked or read.
    std::vector<std::string> stored;
    for (const std::string& name : names) {
        std::optional<std::string> s = w.StorableDataPath(name);
        if (!s) return 0;
        stored.push_back(std::move(*s));
    }
    int choice;
    {
        TMultiReadSetDialog dialog(&w, int(names.size()));
        choice = dialog.Execute();
    }
    if (choice != MultiReadIndividual && choice != MultiReadCommon) return 0;

    int added = 0;
    int model = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool throughDialogs = choice == MultiReadIndividual || i == 0;
        const int ok = throughDialogs ? w.OpenDataFile(names[i].c_str()) : AddCopyOf(w, model, names[i], stored[i]);
        if (!ok) break;  // the files after it are not tried
        ++added;
        if (i == 0) model = w.Document.Current->PlotList.GetItemsInContainer();
    }
    return added;
}

}  // namespace

void korvidaApp::EvDropFiles(const std::vector<std::string>& names) {
    TChartWindow* w = Client();
    if (!w || names.empty()) return;

    if (std::any_of(names.begin(), names.end(), [](const std::string& n) { return kv::app::IsGraphFile(n); })) {
        // A graph file opens only alone; with anything else nothing is opened or read.
        if (names.size() == 1) OpenGraphFile(names.front().c_str());
    } else if (w->Document.Current) {
        const bool wasEmpty = w->Document.Current->PlotList.IsEmpty();
        // What was added stays and is shown, also when a later file stopped the rest.
        if (ReadDroppedData(*w, names) > 0 && wasEmpty) {
            w->Document.Current->AutoScale(1, 1, 1, 1, 1, w->Settings.AutoScaleMargin);
            w->Document.Modified = 1;
            w->ClearFeedback();
            w->UpdateAxisLabels(w->Document.Current);
        }
    }
    w->Invalidate(true);
}
