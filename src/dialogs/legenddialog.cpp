#include "dialogs/legenddialog.h"

#include "dialogs/controls/plotbutton.h"
#include "dialogs/dataselect.h"
#include "dialogs/kit/controls.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "model/text.h"
#include "platform/cformat.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

namespace {

// "データが選択されていません。"
constexpr int kNothingSelected = 54;

constexpr int kListGroup = 102;

constexpr PControlSpec kLegendRows[] = {
    {101, PKind::ListBox, "ﾃﾞｰﾀ一覧(&D):", 0, pf::ListMultiple | pf::VScroll},
    {IDC_STATIC, PKind::Static, "ｲﾒｰｼﾞ:"},
    {107, PKind::OwnerDraw, "ｲﾒｰｼﾞ", 0, pf::SameRow},
    {kListGroup, PKind::GroupBox, "ﾃﾞｰﾀ一覧の表示", 0, pf::FullRow},
    {103, PKind::RadioButton, "全ﾃﾞｰﾀ(&A)", kListGroup},
    {104, PKind::RadioButton, "異なるﾌﾟﾛｯﾄｽﾀｲﾙ(&P)", kListGroup, pf::SameRow},
    {105, PKind::PushButton, "全選択(&S)", 0, pf::InBody},
    {106, PKind::PushButton, "全解除(&C)", 0, pf::InBody | pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kLegendTemplate{8, "凡例の作成", kLegendRows};

}  // namespace

bool SamePlotStyle(const TPlotStyle& a, const TPlotStyle& b) {
    return a.IsShown == b.IsShown && a.IsXFormula == b.IsXFormula && a.XFormula == b.XFormula &&
           a.IsYFormula == b.IsYFormula && a.YFormula == b.YFormula &&
           a.LineStyle == b.LineStyle && a.LineWidth == b.LineWidth &&
           a.LineColor == b.LineColor && a.LineInterpolate == b.LineInterpolate &&
           a.LineInterpolatePara == b.LineInterpolatePara && a.MarkerStyle == b.MarkerStyle &&
           a.MarkerCenterDot == b.MarkerCenterDot && a.MarkerSize == b.MarkerSize &&
           a.MarkerEdgeColor == b.MarkerEdgeColor && a.MarkerInsideColor == b.MarkerInsideColor &&
           a.MarkerInsidePaint == b.MarkerInsidePaint && a.Clipping == b.Clipping &&
           a.RefAxisX == b.RefAxisX && a.RefAxisY == b.RefAxisY &&
           a.NullOutLine == b.NullOutLine && a.BaseValue == b.BaseValue &&
           a.OutLineWidth == b.OutLineWidth && a.MaskRows == b.MaskRows;
}

std::string MakeLegendString(const std::vector<int>& seriesNumbers) {
    std::string s;
    for (size_t i = 0; i < seriesNumbers.size(); ++i) {
        if (i > 0) s += "\r\n";
        s += kv::Format("%%p%03d%%d%03d", seriesNumbers[i], seriesNumbers[i]);
    }
    return s;
}

TLegendDialog::TLegendDialog(QWidget* parent, BoxFrame* axisSet, TText* legend)
    : PDialog(parent, kLegendTemplate), List(Control<PListBox>(101)), AxisSet(axisSet),
      Legend(legend) {
    Sample = new TPlotButton(this, 107, nullptr);
    Sample->setMinimumSize(160, 40);
    Sample->setFocusPolicy(Qt::NoFocus);
    OnCommand(105, [this] { List->SetSel(-1, true); });
    OnCommand(106, [this] { List->SetSel(-1, false); });
    OnCommand(103, &TLegendDialog::CmFillList);
    OnCommand(104, &TLegendDialog::CmFillList);
    OnNotify(101, LBN_SELCHANGE, &TLegendDialog::EvListSelChange);
}

void TLegendDialog::SetupWindow() {
    PDialog::SetupWindow();
    FillAllData();
    CheckItem(103, BF_CHECKED);
}

int TLegendDialog::ItemSeriesNumber(int index) const {
    return index >= 0 && size_t(index) < LineSeries.size() ? LineSeries[index] : 0;
}

void TLegendDialog::AddSeriesLine(int n) {
    List->AddString(SeriesLine(n, *AxisSet->PlotList[n]));
    LineSeries.push_back(n);
}

void TLegendDialog::FillAllData() {
    List->ClearList();
    LineSeries.clear();
    if (!AxisSet) return;
    const int count = AxisSet->PlotList.GetItemsInContainer();
    for (int i = 1; i <= count; ++i) AddSeriesLine(i);
}

void TLegendDialog::FillDistinctStyles() {
    List->ClearList();
    LineSeries.clear();
    if (!AxisSet) return;
    const int count = AxisSet->PlotList.GetItemsInContainer();
    for (int i = 1; i <= count; ++i) {
        bool seen = false;
        for (int j = 1; j < i && !seen; ++j)
            seen = SamePlotStyle(AxisSet->PlotList[j]->Style, AxisSet->PlotList[i]->Style);
        if (!seen) AddSeriesLine(i);
    }
}

void TLegendDialog::CmFillList() {
    if (IsItemChecked(103) == BF_CHECKED) FillAllData();
    else FillDistinctStyles();
}

void TLegendDialog::EvListSelChange() {
    const int n = ItemSeriesNumber(List->GetCaretIndex());
    if (n <= 0 || !AxisSet || n > AxisSet->PlotList.GetItemsInContainer()) {
        Sample->SetPlotStyle(nullptr);
        return;
    }
    Sample->SetPlotStyle(&AxisSet->PlotList[n]->Style);
}

void TLegendDialog::CmOk() {
    std::vector<int> numbers;
    for (int i = 0; i < List->GetCount(); ++i)
        if (List->GetSel(i)) numbers.push_back(ItemSeriesNumber(i));
    if (numbers.empty()) {
        kv::MessageBox(this, kv::LoadString(kNothingSelected), nullptr, MB_OK | MB_ICONSTOP);
        return;
    }
    Legend->String = MakeLegendString(numbers);
    CloseWindow(IDOK);
}
