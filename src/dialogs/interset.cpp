#include "dialogs/interset.h"

#include "dialogs/kit/controls.h"

#include "model/plot.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

BYTE DefaultDataTypeChoice[2] = {1, 0};

namespace {

constexpr PControlSpec kInterRows[] = {
    {101, PKind::Edit, "ﾃﾞｰﾀ間分割数(&N):"},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kInterTemplate{14, "ﾃﾞｰﾀ線の接続", kInterRows};

constexpr PControlSpec kDefaultTypeRows[] = {
    {-1001, PKind::GroupBox, "ﾃﾞﾌｫﾙﾄｽﾀｲﾙの選択"},
    {101, PKind::RadioButton, "ﾃﾞｨｽｸﾌｧｲﾙﾃﾞｰﾀ", -1001},
    {102, PKind::RadioButton, "ﾒﾓﾘﾃﾞｰﾀ", -1001},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kDefaultTypeTemplate{29, "ﾃﾞﾌｫﾙﾄｽﾀｲﾙの保存", kDefaultTypeRows};

}  // namespace

TInterSetDialog::TInterSetDialog(QWidget* parent, TPlotStyle* style)
    : PDialog(parent, kInterTemplate), Style(style) {}

void TInterSetDialog::SetupWindow() {
    PDialog::SetupWindow();
    SetItemInt(101, Style ? Style->LineInterpolatePara : 0);
}

void TInterSetDialog::CmOk() {
    bool overflow = false;
    const int n = ItemInt(101, &overflow);
    if (overflow || n < 2 || n > 100) {
        kv::MessageBox(this, kv::LoadString(53), nullptr, MB_OK | MB_ICONSTOP);
        return;
    }
    if (Style) Style->LineInterpolatePara = n;
    CloseWindow(IDOK);
}

TSelectDefaultDataType::TSelectDefaultDataType(QWidget* parent)
    : PDialog(parent, kDefaultTypeTemplate) {}

void TSelectDefaultDataType::SetupWindow() {
    PDialog::SetupWindow();
    CheckItem(101, DefaultDataTypeChoice[0] ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(102, DefaultDataTypeChoice[1] ? BF_CHECKED : BF_UNCHECKED);
}

void TSelectDefaultDataType::CmOk() {
    DefaultDataTypeChoice[0] = IsItemChecked(101) == BF_CHECKED;
    DefaultDataTypeChoice[1] = IsItemChecked(102) == BF_CHECKED;
    CloseWindow(DefaultDataTypeChoice[0] ? DefaultTypeDiskFile : DefaultTypeMemory);
}
