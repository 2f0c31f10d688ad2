#include "dialogs/datamanager.h"

#include "dialogs/controls/plotbutton.h"
#include "dialogs/dataread.h"
#include "dialogs/dialoghost.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/mesdialog.h"
#include "dialogs/plotdialog.h"
#include "dialogs/styleitems.h"
#include "model/boxframe.h"
#include "model/chartsettings.h"
#include "model/datafile.h"
#include "model/graphfile.h"
#include "model/plot.h"
#include "platform/cformat.h"
#include "platform/folderdialog.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/safefile.h"
#include "platform/stringtable.h"
#include "render/textlayout.h"

#include <QDir>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace {

constexpr int kOrderGroup = 109;

constexpr PControlSpec kManageRows[] = {
    {101, PKind::ListBox, "ﾃﾞｰﾀ一覧(&D):", 0,
     pf::FullRow | pf::ListExtended | pf::VScroll | pf::HScroll},
    {102, PKind::Edit, "ﾊﾟｽ:", 0, pf::ReadOnly},
    {116, PKind::PushButton, "Bro&wse...", 0, pf::SameRow | pf::InBody},
    {IDC_STATIC, PKind::Static, "ｲﾒｰｼﾞ:"},
    {104, PKind::OwnerDraw, "ｲﾒｰｼﾞ", 0, pf::SameRow},
    {114, PKind::PushButton, "ｴﾃﾞｨﾀ(&I)", 0, pf::InBody},
    {113, PKind::PushButton, "情報(&M)", 0, pf::SameRow | pf::InBody},
    {103, PKind::PushButton, "削除(&R)", 0, pf::SameRow | pf::InBody},
    {115, PKind::PushButton, "複製(&N)", 0, pf::SameRow | pf::InBody},
    {kOrderGroup, PKind::GroupBox, "表示順", 0, pf::FullRow},
    {105, PKind::PushButton, "最上位(&T)", kOrderGroup, pf::InBody},
    {106, PKind::PushButton, "上(&U)", kOrderGroup, pf::SameRow | pf::InBody},
    {107, PKind::PushButton, "下(&O)", kOrderGroup, pf::SameRow | pf::InBody},
    {108, PKind::PushButton, "最下位(&B)", kOrderGroup, pf::SameRow | pf::InBody},
    {111, PKind::PushButton, "全選択(&E)", 0, pf::InBody},
    {112, PKind::PushButton, "全解除(&A)", 0, pf::SameRow | pf::InBody},
    {1, PKind::DefPushButton, "ｽﾀｲﾙ(&S)..."},
    {110, PKind::PushButton, "再読込(&L)..."},
    {2, PKind::PushButton, "閉じる(&C)"},
};
const PDialogTemplate kManageTemplate{5, "ﾃﾞｰﾀﾏﾈｰｼﾞｬ", kManageRows};

// The selection is read as the list box reports it: ascending, at most 1000 lines
// (an axis set holds at most 999 series).
constexpr int kMaxSelection = 1000;

// The heading of the Browse command's report of files not found.
constexpr const char* kMissingHeading =
    "Cannot find following files!!\r\n------------------------------\r\n";

// Names of failed files shown in one message; the rest are counted.
constexpr std::size_t kMaxNamesShown = 10;

std::string StoredName(const TPlot& plot) {
    return std::string(plot.DataFileName, ::strnlen(plot.DataFileName, MAX_PATH));
}

void ShowStop(QWidget* owner, int stringId) {
    kv::MessageBox(owner, kv::LoadString(stringId), nullptr, MB_OK | MB_ICONSTOP);
}

kv::DetachedStarter& Starter() {
    static kv::DetachedStarter starter;
    return starter;
}

// A profile value is UTF-8 when it reads as such, else the document's code page.
QString ProfileText(const char* text) {
    const QByteArray bytes(text);
    const QString utf8 = QString::fromUtf8(bytes);
    if (!utf8.contains(QChar::ReplacementCharacter)) return utf8;
    return kv::FromDoc(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

}  // namespace

// ---------------------------------------------------------------------------
// Helpers

void CopyPlotStyleItems(const TPlotStyle& from, TPlotStyle& to, const BYTE* items) {
    using namespace PlotStyleItem;
    for (int i = 0; i < PlotStyleItemCount; ++i) {
        if (items[i] != 1) continue;
        switch (i) {
        case RefAxisX: to.RefAxisX = from.RefAxisX; break;
        case RefAxisY: to.RefAxisY = from.RefAxisY; break;
        case Clipping: to.Clipping = from.Clipping; break;
        case XFormula:
            to.IsXFormula = from.IsXFormula;
            to.XFormula = from.XFormula;
            break;
        case YFormula:
            to.IsYFormula = from.IsYFormula;
            to.YFormula = from.YFormula;
            break;
        case LineStyle: to.LineStyle = from.LineStyle; break;
        case LineWidth: to.LineWidth = from.LineWidth; break;
        case LineColor: to.LineColor = from.LineColor; break;
        case LineInterpolate: to.LineInterpolate = from.LineInterpolate; break;
        case MarkerStyle: to.MarkerStyle = from.MarkerStyle; break;
        case MarkerCenterDot: to.MarkerCenterDot = from.MarkerCenterDot; break;
        case MarkerInsidePaint: to.MarkerInsidePaint = from.MarkerInsidePaint; break;
        case MarkerSize: to.MarkerSize = from.MarkerSize; break;
        case MarkerEdgeColor: to.MarkerEdgeColor = from.MarkerEdgeColor; break;
        case MarkerInsideColor: to.MarkerInsideColor = from.MarkerInsideColor; break;
        case NullOutLine: to.NullOutLine = from.NullOutLine; break;
        case BaseValue: to.BaseValue = from.BaseValue; break;
        case OutLineWidth: to.OutLineWidth = from.OutLineWidth; break;
        case MaskRows: to.MaskRows = from.MaskRows; break;
        }
    }
}

void CopyReloadItems(const TPlotFile& from, TPlotFile& to, const BYTE* items) {
    using namespace ReloadItem;
    for (int i = 0; i < ReloadItemCount; ++i) {
        if (items[i] != 1) continue;
        switch (i) {
        case XColumn: to.XColumn = from.XColumn; break;
        case XErrorBar: to.IsXErrorBar = from.IsXErrorBar; break;
        case XMaxMin:
            to.XMaxColumn = from.XMaxColumn;
            to.XMinColumn = from.XMinColumn;
            break;
        case YColumn: to.YColumn = from.YColumn; break;
        case YErrorBar: to.IsYErrorBar = from.IsYErrorBar; break;
        case YMaxMin:
            to.YMaxColumn = from.YMaxColumn;
            to.YMinColumn = from.YMinColumn;
            break;
        case ParamColumns: to.ParamColumnSpec = from.ParamColumnSpec; break;
        case StartRow: to.StartRow = from.StartRow; break;
        case EndRow: to.EndRow = from.EndRow; break;
        case RowSkip: to.RowSkip = from.RowSkip; break;
        case CommentMode: to.CommentMode = from.CommentMode; break;
        case SearchMethod: to.SearchMethod = from.SearchMethod; break;
        }
    }
}

bool ReloadSeriesData(TPlot& plot) {
    if (plot.IsFileData != 1) return true;
    // The reader empties the columns before it fills them, and a file that fails
    // after that point (a column it lacks, a read error, no memory) would leave the
    // series empty: the file is read into a series of its own first.
    std::unique_ptr<TPlot> fresh;
    try {
        fresh = std::make_unique<TPlot>();
        fresh->PlotFile = plot.PlotFile;
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::memcpy(fresh->DataFileName, plot.DataFileName, sizeof plot.DataFileName);
    fresh->IsFileData = plot.IsFileData;
    if (fresh->ReadData() != 1) return false;

    std::swap(plot.XData, fresh->XData);
    std::swap(plot.XMinData, fresh->XMinData);
    std::swap(plot.XMaxData, fresh->XMaxData);
    std::swap(plot.YData, fresh->YData);
    std::swap(plot.YMinData, fresh->YMinData);
    std::swap(plot.YMaxData, fresh->YMaxData);
    for (int c = 0; c < ParamColumnCount; ++c) std::swap(plot.ParamData[c], fresh->ParamData[c]);
    // The switches the read derived from the parameter list and the file's columns.
    std::copy(std::begin(fresh->PlotFile.ParamColumns), std::end(fresh->PlotFile.ParamColumns),
              std::begin(plot.PlotFile.ParamColumns));
    plot.XMin = fresh->XMin;
    plot.XMax = fresh->XMax;
    plot.YMin = fresh->YMin;
    plot.YMax = fresh->YMax;
    return true;
}

namespace kv {

DetachedStarter SetDetachedStarter(DetachedStarter starter) {
    return std::exchange(Starter(), std::move(starter));
}

}  // namespace kv

void EditDataFile(QWidget* owner, const char* editor, const TPlot* plot) {
    if (!plot) return;
    if (plot->IsFileData != 1) {
        ShowStop(owner, 41);
        return;
    }
    const std::string path = DataFileLocalPath(plot->DataFileName, 0);
    {
        kv::UniqueFile file(kv::OpenRegularFile(path));
        if (!file) {
            ShowStop(owner, 27);
            return;
        }
    }
    QStringList args = QProcess::splitCommand(ProfileText(editor ? editor : ""));
    bool started = false;
    if (!args.isEmpty()) {
        const QString program = args.takeFirst();
        args << QString::fromStdString(path);
        started = Starter() ? Starter()(program, args) : QProcess::startDetached(program, args);
    }
    if (!started) ShowStop(owner, 1301);
}

// ---------------------------------------------------------------------------
// The dialog

TPlotManageDialog::TPlotManageDialog(QWidget* parent, BoxFrame* set, const char* editor)
    : PDialog(parent, kManageTemplate), Set(set) {
    if (editor) {
        Editor = editor;
    } else if (kv::DialogHost* host = kv::FindDialogHost(parent)) {
        const char* own = host->HostSettings().Editor;
        Editor.assign(own, ::strnlen(own, sizeof host->HostSettings().Editor));
    }
    List = Control<PListBox>(101);
    List->setMinimumSize(360, 240);
    Sample = new TPlotButton(this, 104, nullptr);
    Sample->setMinimumSize(160, 40);

    OnCommand(IDOK, &TPlotManageDialog::CmStyle);
    OnNotify(101, LBN_SELCHANGE, &TPlotManageDialog::EvListSelChange);
    OnCommand(103, &TPlotManageDialog::CmDelete);
    OnCommand(105, &TPlotManageDialog::CmToTop);
    OnCommand(106, &TPlotManageDialog::CmUp);
    OnCommand(107, &TPlotManageDialog::CmDown);
    OnCommand(108, &TPlotManageDialog::CmToBottom);
    OnCommand(110, &TPlotManageDialog::CmReload);
    OnCommand(111, &TPlotManageDialog::CmSelectAll);
    OnCommand(112, &TPlotManageDialog::CmClearAll);
    OnNotify(101, LBN_DBLCLK, &TPlotManageDialog::EvListDblClk);
    OnCommand(113, &TPlotManageDialog::CmInformation);
    OnCommand(114, &TPlotManageDialog::CmEditor);
    OnCommand(115, &TPlotManageDialog::CmDuplicate);
    OnCommand(116, &TPlotManageDialog::CmChangeDataPath);
}

void TPlotManageDialog::SetupWindow() {
    PDialog::SetupWindow();
    FillList();
    EvListSelChange();
}

TPlot* TPlotManageDialog::SeriesAt(int line) const {
    if (!Set || line < 0) return nullptr;
    return Set->PlotList.At(line + 1);
}

TPlot* TPlotManageDialog::SingleCaretSeries() const {
    const int caret = List->GetCaretIndex();
    if (caret >= List->GetCount() || List->GetSelCount() != 1) return nullptr;
    return SeriesAt(caret);
}

void TPlotManageDialog::FillList() {
    const int caret = List->GetCaretIndex();
    List->ClearList();
    const int count = Set ? Set->PlotList.GetItemsInContainer() : 0;
    for (int n = 1; n <= count; ++n) {
        const TPlot* plot = Set->PlotList[n];
        const std::string stored = StoredName(*plot);
        const std::string name = plot->IsFileData == 1 ? kv::FileNameWithExt(stored) : stored;
        List->AddString(QString::fromStdString(kv::Format("%03d : ", n)) + kv::FromDoc(name));
    }
    if (caret >= 0 && caret < List->GetCount()) {
        List->SetCaretIndex(caret);
        List->SetSel(caret, true);
    }
}

void TPlotManageDialog::EvListSelChange() {
    const int caret = List->GetCaretIndex();
    const TPlot* plot = caret < List->GetCount() ? SeriesAt(caret) : nullptr;
    if (!plot) {
        // Reload and Editor keep their state: there is nothing they could act on.
        SetItemText(102, QString());
        Sample->SetPlotStyle(nullptr);
        return;
    }
    if (plot->IsFileData == 1) {
        const kv::SplitPath parts = kv::SplitFilePathCp932(StoredName(*plot));
        SetItemDocText(102, parts.drive + parts.dir);
        EnableControl(110, true);
        EnableControl(114, true);
    } else {
        SetItemText(102, QString());
        EnableControl(110, false);
        EnableControl(114, false);
    }
    Sample->SetPlotStyle(&plot->Style);
}

// ---- Delete, duplicate, drawing order, selection

void TPlotManageDialog::CmDelete() {
    const std::vector<int> sel = List->GetSelIndexes(kMaxSelection);
    if (sel.empty() || !Set) return;
    if (kv::MessageBox(this, kv::LoadString(36), "CAUTION", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    // From the highest number down, so the numbers still to delete stay valid.
    for (auto it = sel.rbegin(); it != sel.rend(); ++it)
        if (Set->DeletePlot(*it + 1)) Set->RenumberAllTextRefs();
    LayoutFrameTexts(Set);
    FillList();
    EvListSelChange();
}

void TPlotManageDialog::MoveCaretSeries(int (BoxFrame::*op)(int), int (*newCaret)(int, int)) {
    if (!Set || List->GetSelCount() == 0) return;
    const int caret = List->GetCaretIndex();
    if (!(Set->*op)(caret + 1)) return;
    Set->RenumberAllTextRefs();
    LayoutFrameTexts(Set);
    // The list box refuses a caret past its last line and keeps the old one.
    List->SetCaretIndex(newCaret(Set->PlotList.GetItemsInContainer(), caret));
    FillList();
    EvListSelChange();
}

void TPlotManageDialog::CmToTop() {
    MoveCaretSeries(&BoxFrame::PlotToTop, [](int count, int) { return count - 1; });
}

void TPlotManageDialog::CmUp() {
    MoveCaretSeries(&BoxFrame::PlotUp, [](int, int caret) { return caret + 1; });
}

void TPlotManageDialog::CmDown() {
    MoveCaretSeries(&BoxFrame::PlotDown, [](int, int caret) { return caret > 0 ? caret - 1 : caret; });
}

void TPlotManageDialog::CmToBottom() {
    MoveCaretSeries(&BoxFrame::PlotToBottom, [](int, int) { return 0; });
}

void TPlotManageDialog::CmSelectAll() { List->SetSel(-1, true); }

void TPlotManageDialog::CmClearAll() { List->SetSel(-1, false); }

void TPlotManageDialog::CmDuplicate() {
    const std::vector<int> sel = List->GetSelIndexes(kMaxSelection);
    if (sel.empty() || !Set) return;
    bool refused = false;
    for (int line : sel) {
        if (!SeriesAt(line)) continue;
        if (!Set->DuplicatePlot(line + 1)) refused = true;  // the list is full
    }
    FillList();
    EvListSelChange();
    for (int line : sel)
        if (line < List->GetCount()) List->SetSel(line, true);
    if (refused) ShowStop(this, 1180);
}

void TPlotManageDialog::CmInformation() {
    if (TPlot* plot = SingleCaretSeries()) {
        TInfoDialog info(this, &plot->Info);
        info.Execute();
    }
}

void TPlotManageDialog::CmEditor() {
    if (TPlot* plot = SingleCaretSeries()) EditDataFile(this, Editor.c_str(), plot);
}

// ---- Style

void TPlotManageDialog::CmStyle() {
    std::unique_ptr<TPlot> scratch;
    try {
        scratch = std::make_unique<TPlot>();
    } catch (const std::bad_alloc&) {
        ShowStop(this, 17);
        return;
    }
    ApplyStyleToSelection(scratch.get());
}

void TPlotManageDialog::ApplyStyleToSelection(TPlot* scratch) {
    const std::vector<int> sel = List->GetSelIndexes(kMaxSelection);
    if (sel.empty()) return;
    const int first = sel.front();
    TPlot* source = SeriesAt(first);
    if (!source) return;
    scratch->Style = source->Style;
    std::memcpy(scratch->DataFileName, source->DataFileName, sizeof scratch->DataFileName);

    if (sel.size() == 1) {
        TPlotDialog dlg(this, scratch, first + 1);
        if (dlg.Execute() != IDOK) return;
        source->Style = scratch->Style;
        source->ApplyMask(source->Style.MaskRows.c_str(), 0);
        EvListSelChange();
        return;
    }

    TPlotStyleItemDialog items(this, PlotStyleItems);
    if (items.Execute() != IDOK) return;
    TPlotDialog dlg(this, scratch, first + 1, PlotStyleItems);
    if (dlg.Execute() != IDOK) return;
    for (int line : sel) {
        TPlot* plot = SeriesAt(line);
        if (!plot) continue;
        CopyPlotStyleItems(scratch->Style, plot->Style, PlotStyleItems);
        // A list naming rows beyond this series is refused part way; the others go on.
        if (PlotStyleItems[PlotStyleItem::MaskRows] == 1)
            plot->ApplyMask(plot->Style.MaskRows.c_str(), 0);
    }
    EvListSelChange();
}

void TPlotManageDialog::EvListDblClk() {
    std::unique_ptr<TPlot> scratch;
    try {
        scratch = std::make_unique<TPlot>();
    } catch (const std::bad_alloc&) {
        ShowStop(this, 17);
        return;
    }
    EditSeriesStyle(scratch.get());
}

void TPlotManageDialog::EditSeriesStyle(TPlot* scratch) {
    const int caret = List->GetCaretIndex();
    TPlot* plot = caret < List->GetCount() ? SeriesAt(caret) : nullptr;
    if (!plot) return;
    scratch->Style = plot->Style;
    std::memcpy(scratch->DataFileName, plot->DataFileName, sizeof scratch->DataFileName);
    TPlotDialog dlg(this, scratch, caret + 1);
    if (dlg.Execute() != IDOK) return;
    plot->Style = scratch->Style;
    plot->ApplyMask(plot->Style.MaskRows.c_str(), 0);
    EvListSelChange();
}

// ---- Reading the data files again

void TPlotManageDialog::Reload(TPlot* plot) {
    if (!ReloadSeriesData(*plot)) ReadFailures.push_back(StoredName(*plot));
    plot->ApplyMask(plot->Style.MaskRows.c_str(), 0);
}

void TPlotManageDialog::ReportReadFailures() {
    if (ReadFailures.empty()) return;
    std::string text = kv::LoadString(35);
    for (std::size_t i = 0; i < ReadFailures.size() && i < kMaxNamesShown; ++i)
        text += "\n" + kv::FromDoc(ReadFailures[i]).toStdString();
    if (ReadFailures.size() > kMaxNamesShown)
        text += kv::Format("\n... (+%d)", int(ReadFailures.size() - kMaxNamesShown));
    ReadFailures.clear();
    kv::MessageBox(this, text, nullptr, MB_OK | MB_ICONSTOP);
}

void TPlotManageDialog::CmReload() {
    std::unique_ptr<TPlot> scratch;
    try {
        scratch = std::make_unique<TPlot>();
    } catch (const std::bad_alloc&) {
        ShowStop(this, 17);
        return;
    }
    ReloadSelection(scratch.get());
}

void TPlotManageDialog::ReloadSelection(TPlot* scratch) {
    const std::vector<int> sel = List->GetSelIndexes(kMaxSelection);
    if (sel.empty()) return;
    const int first = sel.front();
    TPlot* source = SeriesAt(first);
    if (!source) return;
    // The first selected line decides: memory data cannot be read again.
    if (source->IsFileData != 1) {
        ShowStop(this, 69);
        return;
    }
    scratch->PlotFile = source->PlotFile;
    std::memcpy(scratch->DataFileName, source->DataFileName, sizeof scratch->DataFileName);
    scratch->IsFileData = source->IsFileData;

    if (sel.size() == 1) {
        TDataReadDialog dlg(this, scratch);
        if (dlg.Execute() != IDOK) return;
        source->PlotFile = scratch->PlotFile;
        std::memcpy(source->DataFileName, scratch->DataFileName, sizeof source->DataFileName);
        source->DataFileName[MAX_PATH - 1] = '\0';
        Reload(source);
    } else {
        TReloadItemDialog items(this, ReloadItems);
        if (items.Execute() != IDOK) return;
        TDataReadDialog dlg(this, scratch, ReloadItems);
        if (dlg.Execute() != IDOK) return;
        // Memory series of the selection have no file; they are passed over.
        for (int line : sel) {
            TPlot* plot = SeriesAt(line);
            if (!plot || plot->IsFileData != 1) continue;
            CopyReloadItems(scratch->PlotFile, plot->PlotFile, ReloadItems);
            Reload(plot);
        }
    }
    FillList();
    EvListSelChange();
    List->SetSel(first, true);
    if (Set) LayoutFrameTexts(Set);
    ReportReadFailures();
}

// ---- Moving the data files to another folder

void TPlotManageDialog::CmChangeDataPath() {
    const std::vector<int> sel = List->GetSelIndexes(kMaxSelection);
    if (sel.empty()) return;
    kv::FolderDialogRequest request;
    request.owner = this;
    request.title = "Change Data Path";
    request.flags = BIF_RETURNONLYFSDIRS;
    const kv::FolderDialogResult chosen = kv::RunFolderDialog(request);
    if (!chosen.chosen || chosen.folder.empty()) return;

    // The folder as the document stores names: the system's separators, CP932.
    std::string folder;
    if (!kv::ToDocExact(QDir::toNativeSeparators(QString::fromStdString(chosen.folder)), &folder)) {
        ShowStop(this, 1162);
        return;
    }
    // A folder that already ends in a separator (a drive's root) takes none more.
    const char last = folder.back();
    if (last != '/' && last != '\\') folder += QDir::separator().toLatin1();

    // Each file series' new name: the chosen folder with its file name and extension.
    auto candidate = [&](const TPlot& plot) {
        const kv::SplitPath parts = kv::SplitFilePathCp932(StoredName(plot));
        return folder + parts.name + parts.ext;
    };

    // Check pass: every file must be there, and its new name must fit the document.
    std::string missing;
    std::string tooLong;
    for (int line : sel) {
        const TPlot* plot = SeriesAt(line);
        if (!plot || plot->IsFileData != 1) continue;
        const std::string path = candidate(*plot);
        if (path.size() >= std::size_t(MAX_PATH))
            tooLong += StoredName(*plot) + "\r\n";
        else if (!kv::FileExists(DataFileLocalPath(path.c_str(), 0)))
            missing += StoredName(*plot) + "\r\n";
    }
    if (!missing.empty() || !tooLong.empty()) {
        std::string report;
        if (!missing.empty()) report = kMissingHeading + missing;
        if (!tooLong.empty()) {
            if (!report.empty()) report += "\r\n";
            report += kv::ToDoc(QString::fromStdString(kv::LoadString(1161))) + "\r\n" +
                      std::string(30, '-') + "\r\n" + tooLong;
        }
        TInfoDialog info(this, &report);
        info.Execute();
        return;
    }

    bool changed = false;
    for (int line : sel) {
        TPlot* plot = SeriesAt(line);
        if (!plot || plot->IsFileData != 1) continue;
        const std::string path = candidate(*plot);
        std::memcpy(plot->DataFileName, path.c_str(), path.size() + 1);
        Reload(plot);
        changed = true;
    }
    if (changed) {
        FillList();
        EvListSelChange();
    }
    if (Set) LayoutFrameTexts(Set);
    ReportReadFailures();
}

int RunDataManagerCommandDialog(kv::DialogHost& host, const std::function<void()>& clearFeedback) {
    if (clearFeedback) clearFeedback();
    GraphDocument& document = host.HostDocument();
    TPlotManageDialog dlg(host.HostWindow(), document.Current, host.HostSettings().Editor);
    const int answer = dlg.Execute();
    // Every command of the dialog changes the document at once.
    document.Modified = 1;
    host.HostRepaint();
    return answer;
}
