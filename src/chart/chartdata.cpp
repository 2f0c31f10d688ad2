// Numeric data files onto the page: the Data menu's open command, which turns one
// or several chosen files into new series of the current axis set, and the
// service that turns one named file into one series through the data-reading and
// plot-style dialogs (also used by the command line and the numeric paste).

#include "chart/chartwindow.h"
#include "dialogs/dataread.h"
#include "dialogs/dataselect.h"
#include "dialogs/plotdialog.h"
#include "platform/cformat.h"
#include "platform/cp932.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"
#include "platform/wintypes.h"

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

int DataFileFilterIndex = 0;

namespace {

// Messages of this file (the string table's ids).
constexpr int kMemoryError = 17;        // memory allocation error
constexpr int kReadError = 35;          // the numeric data could not be read
constexpr int kSeriesListFull = 1180;   // the axis set holds 999 series
constexpr int kPathTooLong = 1161;      // a name beyond the document's path field
constexpr int kPathNotStorable = 1162;  // a name the document's code page cannot hold

void Tell(TChartWindow& w, const std::string& text) {
    kv::MessageBox(static_cast<QWidget*>(&w), text, nullptr, MB_OK | MB_ICONSTOP);
}
void Tell(TChartWindow& w, int id) { Tell(w, kv::LoadString(id)); }
void Tell(TChartWindow& w, int id, const std::string& file) { Tell(w, kv::LoadString(id) + "\n" + file); }


// A series appended to the full list would be lost: refuse before anything is
// read or asked.
bool HasRoomForSeries(TChartWindow& w) {
    if (!w.Document.Current->PlotList.IsFull()) return true;
    Tell(w, kSeriesListFull);
    return false;
}

// A further file of a common-settings run: a copy of series `model` (style,
// reading settings and the rest) read from its own file, with its mask rows
// applied. No dialog. 1 when it was added.
int AddSeriesLike(TChartWindow& w, int model, const std::string& stored) {
    const TPlot* source = w.Document.Current->PlotList.At(model);
    if (!source || !HasRoomForSeries(w)) return 0;
    try {
        auto plot = std::make_unique<TPlot>();
        *plot = *source;
        lstrcpynA(plot->DataFileName, stored.c_str(), MAX_PATH);
        if (!plot->ReadData()) {
            Tell(w, kReadError);
            return 0;
        }
        TPlot* added = plot.get();
        if (!w.Document.Current->PlotList.Add(plot)) return 0;  // room was checked above
        w.Document.Modified = 1;
        added->ApplyMask(added->Style.MaskRows.c_str(), 0);
        return 1;
    } catch (const std::bad_alloc&) {
        Tell(w, kMemoryError);
        return 0;
    }
}

}  // namespace

std::optional<std::string> TChartWindow::StorableDataPath(const std::string& local) {
    std::optional<std::string> stored = kv::Utf8ToCp932(local);
    if (!stored) {
        Tell(*this, kPathNotStorable, local);
        return std::nullopt;
    }
    if (stored->size() >= std::size_t(MAX_PATH)) {
        Tell(*this, kPathTooLong, local);
        return std::nullopt;
    }
    return stored;
}

int TChartWindow::OpenDataFile(const char* path) {
    if (!Document.Current || !path) return 0;
    if (!HasRoomForSeries(*this)) return 0;
    const std::optional<std::string> stored = StorableDataPath(path);
    if (!stored) return 0;

    bool added = false;
    try {
        auto plot = std::make_unique<TPlot>();
        lstrcpynA(plot->DataFileName, stored->c_str(), MAX_PATH);
        Defaults.ApplyDefaultPlotStyle(&plot->Style);
        int answer;
        {
            TDataReadDialog dialog(this, plot.get());
            answer = dialog.Execute();
        }
        if (answer != IDOK) return 0;
        if (!plot->ReadData()) {
            Tell(*this, kReadError);
            return 0;
        }
        TPlot* series = plot.get();
        if (!Document.Current->PlotList.Add(plot)) {  // room was checked above; the dialog is modal
            Tell(*this, kSeriesListFull);
            return 0;
        }
        // The document changes only now that it really holds the new series.
        added = true;
        Document.Modified = 1;
        const int n = Document.Current->PlotList.GetItemsInContainer();
        {
            // Cancel keeps the default style.
            TPlotDialog dialog(this, series, n);
            dialog.Execute();
        }
        series->ApplyMask(series->Style.MaskRows.c_str(), 0);
        return 1;
    } catch (const std::bad_alloc&) {
        Tell(*this, kMemoryError);
        // A series already in the list stays there, and the caller must know.
        return added ? 1 : 0;
    }
}

void TChartWindow::CmDataFileOpen() {
    if (!Document.Current) return;
    const bool wasEmpty = Document.Current->PlotList.IsEmpty();

    const kv::FileDialogRequest request{
        .kind = kv::FileDialogKind::Open,
        .owner = static_cast<QWidget*>(this),
        .title = kv::LoadString(77),
        .filters = {{"(*.dat)", "*.dat"},
                    {"(*.*)", "*.*"},
                    {"(*.txt)", "*.txt"},
                    {"(*.csv)", "*.csv"},
                    {"(*.prn)", "*.prn"}},
        .filterIndex = DataFileFilterIndex,
        .initialDir = {},
        .fileName = {},
        .defExt = ".",
        .flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST |
                 OFN_EXPLORER,
    };
    const kv::FileDialogResult chosen = kv::RunFileDialog(request);
    if (!chosen.chosen) {
        if (chosen.error != 0)
            kv::MessageBox(static_cast<QWidget*>(this), kv::Format("Error No. #%ld", long(chosen.error)),
                           "WARNING", MB_OK | MB_ICONSTOP);
        return;
    }
    DataFileFilterIndex = chosen.filterIndex;
    if (chosen.files.empty()) return;

    // Every name must fit the document before anything is read.
    std::vector<std::string> stored;
    for (const std::string& file : chosen.files) {
        std::optional<std::string> s = StorableDataPath(file);
        if (!s) return;
        stored.push_back(std::move(*s));
    }

    int added = 0;
    if (chosen.files.size() == 1) {
        added = OpenDataFile(chosen.files.front().c_str());
    } else {
        int choice;
        {
            TMultiReadSetDialog dialog(this, int(chosen.files.size()));
            choice = dialog.Execute();
        }
        if (choice != MultiReadIndividual && choice != MultiReadCommon) return;
        int model = 0;
        for (std::size_t i = 0; i < chosen.files.size(); ++i) {
            const bool throughDialogs = choice == MultiReadIndividual || i == 0;
            const int ok = throughDialogs ? OpenDataFile(chosen.files[i].c_str())
                                          : AddSeriesLike(*this, model, stored[i]);
            if (!ok) break;  // the files after it are not tried
            ++added;
            if (i == 0) model = Document.Current->PlotList.GetItemsInContainer();
        }
    }
    // What was added stays and is shown, also when a later file stopped the run.
    if (added == 0) return;
    if (wasEmpty) {
        Document.Current->AutoScale(1, 1, 1, 1, 1, Settings.AutoScaleMargin);
        Document.Modified = 1;
        ClearFeedback();
        UpdateAxisLabels(Document.Current);
    }
    Invalidate(true);
}
