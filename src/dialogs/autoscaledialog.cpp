#include "dialogs/autoscaledialog.h"

#include "dialogs/dialoghost.h"
#include "dialogs/kit/controls.h"
#include "model/boxframe.h"
#include "model/chartsettings.h"

#include <algorithm>

BYTE AutoscaleChoice[AutoscaleChoiceCount] = {1, 1, 1, 1, 1};
BYTE TrimmingSides[TrimmingSideCount] = {1, 1, 1, 1};

void ResetAxisChoices() {
    std::fill(std::begin(AutoscaleChoice), std::end(AutoscaleChoice), BYTE(1));
    std::fill(std::begin(TrimmingSides), std::end(TrimmingSides), BYTE(1));
}

namespace {

// The boxes stand where their axes are: top above, Y left, right right, X below.
constexpr PControlSpec kAutoscaleRows[] = {
    {IDC_STATIC, PKind::Static, ""},
    {103, PKind::CheckBox, "&Top", 0, pf::SameRow},
    {102, PKind::CheckBox, "&Y"},
    {IDC_STATIC, PKind::Static, "", 0, pf::SameRow},
    {104, PKind::CheckBox, "&Right", 0, pf::SameRow},
    {IDC_STATIC, PKind::Static, ""},
    {101, PKind::CheckBox, "&X", 0, pf::SameRow},
    {105, PKind::CheckBox, "余白の挿入(&I)", 0, pf::FullRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kAutoscaleTemplate{10, "ｵｰﾄｽｹｰﾘﾝｸﾞ", kAutoscaleRows};

constexpr PControlSpec kTrimmingRows[] = {
    {IDC_STATIC, PKind::Static, ""},
    {103, PKind::CheckBox, "&Top", 0, pf::SameRow},
    {102, PKind::CheckBox, "&Left"},
    {IDC_STATIC, PKind::Static, "", 0, pf::SameRow},
    {104, PKind::CheckBox, "&Right", 0, pf::SameRow},
    {IDC_STATIC, PKind::Static, ""},
    {101, PKind::CheckBox, "&Bottom", 0, pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kTrimmingTemplate{11, "トリミング", kTrimmingRows};

// Box ids in the order of the entries.
constexpr int kAutoscaleBoxes[AutoscaleChoiceCount] = {101, 102, 103, 104, 105};
constexpr int kTrimmingBoxes[TrimmingSideCount] = {101, 102, 103, 104};

}  // namespace

// ---- TAutoscaleDialog ----

TAutoscaleDialog::TAutoscaleDialog(QWidget* parent, BoxFrame* axisSet)
    : PDialog(parent, kAutoscaleTemplate), AxisSet(axisSet) {}

void TAutoscaleDialog::SetupWindow() {
    PDialog::SetupWindow();
    for (int i = 0; i < AutoscaleChoiceCount; ++i)
        CheckItem(kAutoscaleBoxes[i], AutoscaleChoice[i] ? BF_CHECKED : BF_UNCHECKED);
}

void TAutoscaleDialog::CmOk() {
    kv::DialogHost* host = kv::FindDialogHost(this);
    for (int i = 0; i < AutoscaleChoiceCount; ++i)
        AutoscaleChoice[i] = IsItemChecked(kAutoscaleBoxes[i]) == BF_CHECKED ? 1 : 0;
    using namespace AutoscaleEntry;
    if (AxisSet)
        AxisSet->AutoScale(AutoscaleChoice[X], AutoscaleChoice[Y], AutoscaleChoice[Top],
                           AutoscaleChoice[Right], AutoscaleChoice[Margin],
                           host ? host->HostSettings().AutoScaleMargin : FallbackAutoScaleMargin);
    CloseWindow(IDOK);
}

// ---- TTrimmingdialog ----

TTrimmingdialog::TTrimmingdialog(QWidget* parent) : PDialog(parent, kTrimmingTemplate) {}

void TTrimmingdialog::SetupWindow() {
    PDialog::SetupWindow();
    for (int i = 0; i < TrimmingSideCount; ++i)
        CheckItem(kTrimmingBoxes[i], TrimmingSides[i] ? BF_CHECKED : BF_UNCHECKED);
}

void TTrimmingdialog::CmOk() {
    for (int i = 0; i < TrimmingSideCount; ++i)
        TrimmingSides[i] = IsItemChecked(kTrimmingBoxes[i]) == BF_CHECKED ? 1 : 0;
    CloseWindow(IDOK);
}
