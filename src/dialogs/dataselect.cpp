#include "dialogs/dataselect.h"

#include "dialogs/kit/dlgtext.h"
#include "model/boxframe.h"
#include "platform/cformat.h"
#include "platform/stringtable.h"

#include <cstring>

TListBoxData TDataSlectDialogXfer;
BYTE MultiReadChoice[2] = {1, 0};

namespace {

void SelectAll(PListBox* list, bool on) {
    for (int i = 0; i < list->GetCount(); ++i) list->SetSel(i, on);
}

constexpr PControlSpec kSelectRows[] = {
    {101, PKind::ListBox, "ﾃﾞｰﾀ一覧(&D):", 0, pf::ListMultiple},
    {102, PKind::PushButton, "全選択(&S)", 0, pf::InBody},
    {103, PKind::PushButton, "全解除(&C)", 0, pf::InBody | pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kSelectTemplate{17, "ﾃﾞｰﾀの選択", kSelectRows};

constexpr PControlSpec kShowHideRows[] = {
    {101, PKind::ListBox, "ﾃﾞｰﾀ一覧(&D):", 0, pf::ListMultiple},
    {102, PKind::PushButton, "全選択(&S)", 0, pf::InBody},
    {103, PKind::PushButton, "全解除(&C)", 0, pf::InBody | pf::SameRow},
    {1, PKind::DefPushButton, "OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kShowHideTemplate{19, "ﾃﾞｰﾀの表示／非表示", kShowHideRows};

constexpr PControlSpec kMultiReadRows[] = {
    {104, PKind::Static, "Multi Files are selected"},
    {101, PKind::GroupBox, "設定方法"},
    {102, PKind::RadioButton, "個別の設定(&I)", 101},
    {103, PKind::RadioButton, "共通の設定(&C)", 101},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kMultiReadTemplate{13, "複数ﾌｧｲﾙの設定", kMultiReadRows};

}  // namespace

QString SeriesLine(int n, const TPlot& plot) {
    const std::string_view stored(plot.DataFileName, ::strnlen(plot.DataFileName, MAX_PATH));
    return QString::fromStdString(kv::Format("%03d : ", n)) +
           kv::FromDoc(kv::FileNameWithExt(stored));
}

// ---- TDataSlectDialog ----

TDataSlectDialog::TDataSlectDialog(QWidget* parent, BoxFrame* axisSet)
    : PDialog(parent, kSelectTemplate), AxisSet(axisSet), List(Control<PListBox>(101)) {
    OnCommand(102, [this] { SelectAll(List, true); });
    OnCommand(103, [this] { SelectAll(List, false); });
}

void TDataSlectDialog::SetupWindow() {
    PDialog::SetupWindow();
    TDataSlectDialogXfer.ToList(*List);  // the framework's transfer in
    FillPlotList();
}

void TDataSlectDialog::FillPlotList() {
    List->ClearList();
    if (!AxisSet) return;
    const int n = AxisSet->PlotList.GetItemsInContainer();
    for (int i = 1; i <= n; ++i) List->AddString(SeriesLine(i, *AxisSet->PlotList[i]));
}

void TDataSlectDialog::CmOk() {
    TDataSlectDialogXfer.FromList(*List);  // the framework's transfer out
    CloseWindow(IDOK);
}

// ---- TPlotShowHideDialog ----

TPlotShowHideDialog::TPlotShowHideDialog(QWidget* parent, BoxFrame* axisSet)
    : PDialog(parent, kShowHideTemplate), AxisSet(axisSet), List(Control<PListBox>(101)) {
    OnCommand(102, [this] { SelectAll(List, true); });
    OnCommand(103, [this] { SelectAll(List, false); });
}

void TPlotShowHideDialog::SetupWindow() {
    PDialog::SetupWindow();
    if (!AxisSet) return;
    const int n = AxisSet->PlotList.GetItemsInContainer();
    for (int i = 1; i <= n; ++i) {
        const TPlot& plot = *AxisSet->PlotList[i];
        List->AddString(SeriesLine(i, plot));
        List->SetSel(i - 1, plot.Style.IsShown == 1);
    }
}

void TPlotShowHideDialog::CmOk() {
    if (AxisSet) {
        const int n = AxisSet->PlotList.GetItemsInContainer();
        for (int i = 1; i <= n && i <= List->GetCount(); ++i)
            AxisSet->PlotList[i]->Style.IsShown = List->GetSel(i - 1) ? 1 : 0;
    }
    CloseWindow(IDOK);
}

// ---- TMultiReadSetDialog ----

TMultiReadSetDialog::TMultiReadSetDialog(QWidget* parent, int fileCount)
    : PDialog(parent, kMultiReadTemplate), FileCount(fileCount) {}

void TMultiReadSetDialog::SetupWindow() {
    PDialog::SetupWindow();
    SetItemText(104, QString::fromStdString(kv::Format(kv::LoadString(71).c_str(), FileCount)));
    CheckItem(102, MultiReadChoice[0] ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(103, MultiReadChoice[1] ? BF_CHECKED : BF_UNCHECKED);
}

void TMultiReadSetDialog::CmOk() {
    MultiReadChoice[0] = IsItemChecked(102) == BF_CHECKED;
    MultiReadChoice[1] = IsItemChecked(103) == BF_CHECKED;
    CloseWindow(MultiReadChoice[0] ? MultiReadIndividual : MultiReadCommon);
}
