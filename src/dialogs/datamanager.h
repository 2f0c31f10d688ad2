#pragma once
// The data manager: every series of one axis set as a numbered list ("%03d : "
// and the file name), and the commands that work on a selection of them: delete,
// duplicate, drawing order, style (one series whole, several attribute by
// attribute), reading the data files again, moving the data files to another
// folder, the information text and the external editor.
//
// The dialog owns nothing of the document and never redraws the page; the chart
// window marks the graph modified and repaints when it closes, whatever its result.
// Command 1 (the default button, so also Enter) is the Style command: the dialog
// closes only with IDCANCEL.
//
// Every style and reading-settings dialog runs on a scratch series, so Cancel
// leaves the document as it was. A series whose data file cannot be read again
// keeps the data it had (and its new settings); the files that failed are named
// in one message after the command.

#include "dialogs/kit/controls.h"
#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class BoxFrame;
namespace kv {
class DialogHost;
}
class TPlot;
class TPlotButton;
class TPlotFile;
class TPlotStyle;

// ---- Helpers the data manager's commands are made of.

// Copies the fields of every chosen PlotStyleItems entry (items: 19 flags, 1 =
// chosen) from one style into another; IsShown and LineInterpolatePara never.
void CopyPlotStyleItems(const TPlotStyle& from, TPlotStyle& to, const BYTE* items);
// Copies the fields of every chosen ReloadItems entry (12 flags) from one set of
// reading settings into another; the data file path is not part of them.
void CopyReloadItems(const TPlotFile& from, TPlotFile& to, const BYTE* items);

// Reads a file series' data file again. The new columns replace the old ones only
// when the read succeeds, so a file that has gone, has too few columns or fails
// part way leaves the series' data as it was. Memory data gives true untouched.
bool ReloadSeriesData(TPlot& plot);

namespace kv {

// Starts a program without waiting for it (QProcess::startDetached); tests install
// a recorder. The previous starter is returned; null restores the real one.
using DetachedStarter = std::function<bool(const QString& program, const QStringList& args)>;
DetachedStarter SetDetachedStarter(DetachedStarter starter);

}  // namespace kv

// Opens a series' data file in the external editor: the editor command (program
// and its own arguments, split as a shell would) with the local path of the
// stored file name as one more argument. A memory series shows string 41, a file
// that does not open for reading string 27, an editor that does not start string
// 1301, each with the stop icon.
void EditDataFile(QWidget* owner, const char* editor, const TPlot* plot);

class TPlotManageDialog : public PDialog {
    Q_OBJECT
public:
    // set: the axis set whose series are managed (not owned). editor: the external
    // editor's command (the program settings' Editor); null takes it from the
    // dialog host that parent belongs to (kv::FindDialogHost).
    TPlotManageDialog(QWidget* parent, BoxFrame* set, const char* editor = nullptr);

    // Refill: one line per series, the caret put back and its line alone selected
    // (no line selected when the list has become shorter than the caret).
    void FillList();
    // Refresh of the caret line: the folder of its data file and its sample; Reload
    // and Editor enabled for file data only. Nothing shown without a caret line.
    void EvListSelChange();

    PListBox* List;
    TPlotButton* Sample;

protected:
    void SetupWindow() override;

private:
    void CmStyle();
    void EvListDblClk();
    void CmDelete();
    void CmToTop();
    void CmUp();
    void CmDown();
    void CmToBottom();
    void CmReload();
    void CmSelectAll();
    void CmClearAll();
    void CmInformation();
    void CmEditor();
    void CmDuplicate();
    void CmChangeDataPath();

    // The styling and reloading roads on a scratch series made by the command.
    void ApplyStyleToSelection(TPlot* scratch);
    void EditSeriesStyle(TPlot* scratch);
    void ReloadSelection(TPlot* scratch);
    // One drawing-order operation on the caret series (op gives 1 when done), then
    // the caret to newCaret(count, caret).
    void MoveCaretSeries(int (BoxFrame::*op)(int), int (*newCaret)(int count, int caret));
    // The series of list line `line`, or null when the axis set has no such series.
    TPlot* SeriesAt(int line) const;
    // The caret line when the list has one and exactly one line is selected.
    TPlot* SingleCaretSeries() const;
    // Reads a series again and notes the file when the read fails.
    void Reload(TPlot* plot);
    // The message naming the series whose files could not be read, then forgets them.
    void ReportReadFailures();

    BoxFrame* Set;
    std::string Editor;
    std::vector<std::string> ReadFailures;  // stored names of series not read again
};

// The page view's data-manager command (CM_DATAMANAGER, Ctrl+M): clearFeedback
// (the selection marks go), the data manager on the current axis set with the
// host's editor, then, whatever its result, the graph marked modified and the
// whole page repainted. Returns the dialog's result.
int RunDataManagerCommandDialog(kv::DialogHost& host, const std::function<void()>& clearFeedback = {});
