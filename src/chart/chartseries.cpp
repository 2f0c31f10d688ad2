// The commands of the series selected on the page: its style, reading its data
// file again, its place in the drawing order (the series references of the axis
// set's texts follow), delete, duplicate, the external editor, the information
// text and the mask of the picked row.
//
// The selection names the series by its number in the current axis set and the
// picked row; both were valid when the series was picked. Each command checks
// them again and does nothing when they no longer name a series or a row.

#include "chart/chartwindow.h"
#include "dialogs/datamanager.h"
#include "dialogs/dataread.h"
#include "dialogs/plotdialog.h"
#include "platform/cformat.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"
#include "render/textlayout.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr int kMemoryError = 17;       // memory allocation error
constexpr int kReadError = 35;         // the numeric data could not be read
constexpr int kDeleteQuestion = 36;    // delete the selected data?
constexpr int kMaskQuestion = 112;     // mask this data?
constexpr int kSeriesListFull = 1180;  // the axis set holds 999 series

void Stop(TChartWindow& w, int id) {
    kv::MessageBox(static_cast<QWidget*>(&w), kv::LoadString(id), nullptr, MB_OK | MB_ICONSTOP);
}

bool Confirm(TChartWindow& w, int id) {
    return kv::MessageBox(static_cast<QWidget*>(&w), kv::LoadString(id), "CAUTION",
                          MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

// A scratch series for a dialog that must not touch the document before OK.
std::unique_ptr<TPlot> MakeScratch(TChartWindow& w) {
    try {
        return std::make_unique<TPlot>();
    } catch (const std::bad_alloc&) {
        Stop(w, kMemoryError);
        return nullptr;
    }
}

}  // namespace

TPlot* TChartWindow::SelectedSeries() const {
    if (PlotSelected != 1 || !Document.Current) return nullptr;
    return Document.Current->PlotList.At(SelectedPlot);
}

void TChartWindow::CePlotSelected(kv::win::TCommandEnabler& ce) { ce.Enable(SelectedSeries() != nullptr); }

void TChartWindow::CeFileSeries(kv::win::TCommandEnabler& ce) {
    const TPlot* plot = SelectedSeries();
    ce.Enable(plot && plot->IsFileData == 1);
}

void TChartWindow::CeMemorySeries(kv::win::TCommandEnabler& ce) {
    const TPlot* plot = SelectedSeries();
    ce.Enable(plot && plot->IsFileData != 1);
}

void TChartWindow::CmPlotStyle() {
    TPlot* plot = SelectedSeries();
    if (!plot) return;
    // Several of the dialog's buttons change the style they are given at once;
    // a copy keeps Cancel from changing the series.
    std::unique_ptr<TPlot> scratch = MakeScratch(*this);
    if (!scratch) return;
    scratch->Style = plot->Style;
    std::memcpy(scratch->DataFileName, plot->DataFileName, sizeof plot->DataFileName);
    int answer;
    {
        TPlotDialog dialog(this, scratch.get(), SelectedPlot);
        answer = dialog.Execute();
    }
    if (answer != IDOK) return;
    // The data-cursor mark is erased with the reference axes it was drawn with.
    ClearFeedback();
    plot->Style = scratch->Style;
    plot->ApplyMask(plot->Style.MaskRows.c_str(), 0);
    Document.Modified = 1;
    Invalidate(true);
}

void TChartWindow::CmPlotReload() {
    TPlot* plot = SelectedSeries();
    if (!plot) return;
    std::unique_ptr<TPlot> scratch = MakeScratch(*this);
    if (!scratch) return;
    scratch->PlotFile = plot->PlotFile;
    std::memcpy(scratch->DataFileName, plot->DataFileName, sizeof plot->DataFileName);
    scratch->IsFileData = plot->IsFileData;
    int answer;
    {
        // The dialog refuses a series made in memory by itself.
        TDataReadDialog dialog(this, scratch.get());
        answer = dialog.Execute();
    }
    if (answer != IDOK) return;
    plot->PlotFile = scratch->PlotFile;
    std::memcpy(plot->DataFileName, scratch->DataFileName, sizeof plot->DataFileName);
    plot->DataFileName[MAX_PATH - 1] = '\0';
    // A file that fails to read part way must not leave the series empty: the
    // series keeps the values it had, under its new settings.
    if (!ReloadSeriesData(*plot)) Stop(*this, kReadError);
    plot->ApplyMask(plot->Style.MaskRows.c_str(), 0);
    Document.Modified = 1;
    ClearFeedback();
    // Texts that show a series' file name or path change size.
    LayoutFrameTexts(Document.Current);
    Invalidate(true);
}

namespace {

void MoveSelectedSeries(TChartWindow& w, int (BoxFrame::*op)(int)) {
    if (!w.SelectedSeries()) return;
    const int n = w.SelectedPlot;
    // Cleared while the data-cursor mark still belongs to the series it was
    // drawn for.
    w.ClearFeedback();
    if (!(w.Document.Current->*op)(n)) return;
    // Also when nothing moved (Up on the last series, Down on the first).
    w.Document.Current->RenumberAllTextRefs();
    LayoutFrameTexts(w.Document.Current);
    w.Document.Modified = 1;
    w.Invalidate(true);
}

}  // namespace

void TChartWindow::CmPlotToTop() { MoveSelectedSeries(*this, &BoxFrame::PlotToTop); }
void TChartWindow::CmPlotUp() { MoveSelectedSeries(*this, &BoxFrame::PlotUp); }
void TChartWindow::CmPlotDown() { MoveSelectedSeries(*this, &BoxFrame::PlotDown); }
void TChartWindow::CmPlotToBottom() { MoveSelectedSeries(*this, &BoxFrame::PlotToBottom); }

void TChartWindow::CmPlotDelete() {
    // Without a selected series the question would name nothing (the cleared
    // selection still says series 1).
    if (!SelectedSeries()) return;
    if (!Confirm(*this, kDeleteQuestion)) return;
    const int n = SelectedPlot;
    if (!Document.Current->PlotList.At(n)) return;
    ClearFeedback();  // while the series is still drawn
    Document.Current->DeletePlot(n);
    Document.Current->RenumberAllTextRefs();
    LayoutFrameTexts(Document.Current);
    Document.Modified = 1;
    Invalidate(true);
}

void TChartWindow::CmPlotDuplicate() {
    if (!SelectedSeries()) return;
    // A full list would drop the copy: say so instead of pretending it was made.
    if (Document.Current->PlotList.IsFull()) {
        Stop(*this, kSeriesListFull);
        return;
    }
    try {
        if (!Document.Current->DuplicatePlot(SelectedPlot)) return;
    } catch (const std::bad_alloc&) {
        Stop(*this, kMemoryError);
        return;
    }
    ClearFeedback();
    Document.Modified = 1;
    Invalidate(true);
}

void TChartWindow::CmPlotEditor() {
    if (const TPlot* plot = SelectedSeries())
        ::EditDataFile(static_cast<QWidget*>(this), Settings.Editor, plot);
}

void TChartWindow::CmPlotInfo() {
    if (TPlot* plot = SelectedSeries()) ShowSeriesInfo(plot);
}

namespace {

// Blanks are no part of a mask list: one of blanks only is an empty list.
bool IsBlankList(const std::string& list) {
    return list.find_first_not_of(' ') == std::string::npos;
}

}  // namespace

void TChartWindow::CmPlotMask() {
    TPlot* plot = SelectedSeries();
    if (!plot) return;
    // The row must still be one of the series' rows: a row beyond them would make
    // the whole list invalid from that item on.
    if (SelectedRow < 0 || SelectedRow >= plot->XData.GetItemsInContainer()) return;
    if (!Confirm(*this, kMaskQuestion)) return;
    const int row = SelectedRow + 1;
    std::string& list = plot->Style.MaskRows;
    if (IsBlankList(list))
        list = kv::Format("%d", row);
    else
        list += kv::Format(",%d", row);
    plot->ApplyMask(list.c_str(), 0);
    Document.Modified = 1;
    ClearFeedback();
    Invalidate(true);
}
