#include "dialogs/labelmore.h"

#include "dialogs/kit/controls.h"
#include "dialogs/kit/dlgtext.h"
#include "model/axes.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <climits>

namespace {

// "数値が大きすぎます。": an adjustment whose twips an int cannot hold.
constexpr int kNumberTooLarge = 1152;

constexpr PControlSpec kLabelMoreRows[] = {
    {-1001, PKind::GroupBox, "表示精度(&C)", 0, pf::FullRow},
    {107, PKind::CheckBox, "手動(&M)", -1001},
    {108, PKind::Edit, "整数:", -1001},
    {109, PKind::Edit, "小数:", -1001, pf::SameRow},
    {101, PKind::CheckBox, "正値に\"+\"を付加する(&A)", 0, pf::FullRow},
    {105, PKind::CheckBox, "X軸とY軸の交点の\"0\"を共通化(&B)", 0, pf::FullRow},
    {104, PKind::CheckBox, "自動的に数値ﾗﾍﾞﾙを更新する(&U)", 0, pf::FullRow},
    {102, PKind::Edit, "ﾗﾍﾞﾙの位置調整(&P):"},
    {103, PKind::ComboList, "ﾗﾍﾞﾙのｽｷｯﾌﾟ(&S):"},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kLabelMoreTemplate{9, "詳細設定", kLabelMoreRows};

}  // namespace

TLabelMore::TLabelMore(QWidget* parent, AxisUnit* axis)
    : PDialog(parent, kLabelMoreTemplate), Axis(axis) {
    OnCommand(107, &TLabelMore::CmManual);
}

void TLabelMore::SetupWindow() {
    PDialog::SetupWindow();
    CheckItem(104, Axis->IsAutoLabel == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(101, Axis->LabelAddPlus == 1 ? BF_CHECKED : BF_UNCHECKED);
    SetItemInt(102, Axis->LabelPositionAdjust / 20);
    auto* skip = Control<PComboBox>(103);
    skip->AddString(QStringLiteral("Auto"));
    for (int i = 1; i <= 10; ++i) skip->AddString(QString::number(i));
    skip->SetSelIndex(Axis->LabelSkip);
    CheckItem(105, Axis->ZeroCommon == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(107, Axis->ManualNumPrecision == 1 ? BF_CHECKED : BF_UNCHECKED);
    SetItemInt(108, Axis->IntPrecision);
    SetItemInt(109, Axis->DecimalPrecision);
    if (Axis->ManualNumPrecision == 0) {
        EnableControl(108, false);
        EnableControl(109, false);
    }
}

void TLabelMore::CmManual() {
    const bool on = IsItemChecked(107) == BF_CHECKED;
    EnableControl(108, on);
    EnableControl(109, on);
}

void TLabelMore::CmOk() {
    bool overflow = false;
    const int points = ItemInt(102, &overflow);
    if (overflow || points > INT_MAX / 20 || points < INT_MIN / 20) {
        kv::MessageBox(this, kv::LoadString(kNumberTooLarge), nullptr, MB_OK | MB_ICONSTOP);
        return;
    }
    Axis->IsAutoLabel = IsItemChecked(104);
    Axis->LabelAddPlus = IsItemChecked(101);
    Axis->LabelPositionAdjust = points * 20;
    const int skip = Control<PComboBox>(103)->GetSelIndex();
    if (skip != CB_ERR) Axis->LabelSkip = skip;
    Axis->ZeroCommon = IsItemChecked(105);
    Axis->ManualNumPrecision = IsItemChecked(107) == BF_CHECKED ? 1 : 0;
    Axis->IntPrecision = ItemInt(108);
    Axis->DecimalPrecision = ItemInt(109);
    CloseWindow(IDOK);
}
