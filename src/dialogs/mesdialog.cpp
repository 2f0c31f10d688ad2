#include "dialogs/mesdialog.h"

namespace {

constexpr PControlSpec kMesRows[] = {
    {101, PKind::Edit, nullptr, 0, pf::Multiline | pf::ReadOnly | pf::VScroll | pf::HScroll, 2000},
    {2, PKind::DefPushButton, "&OK"},
};
const PDialogTemplate kMesTemplate{18, "ﾌｨｯﾃｨﾝｸﾞ結果", kMesRows};

constexpr PControlSpec kInfoRows[] = {
    {101, PKind::Edit, "情報(&I):", 0, pf::Multiline | pf::WantReturn | pf::VScroll | pf::HScroll,
     2000},
    {2, PKind::DefPushButton, "&OK"},
};
const PDialogTemplate kInfoTemplate{26, "情報", kInfoRows};

}  // namespace

TMesDialog::TMesDialog(QWidget* parent, const char* text, const char* caption)
    : PDialog(parent, kMesTemplate), MessageText(text), MessageCaption(caption) {
    resize(520, 400);
}

void TMesDialog::SetupWindow() {
    PDialog::SetupWindow();
    SetItemDocText(101, MessageText ? MessageText : "");
    SetCaptionDoc(MessageCaption ? MessageCaption : "");
}

TInfoDialog::TInfoDialog(QWidget* parent, std::string* text)
    : PDialog(parent, kInfoTemplate), InfoText(text) {
    resize(480, 360);
    OnCommand(IDCANCEL, &TInfoDialog::CmClose);
}

void TInfoDialog::SetupWindow() {
    PDialog::SetupWindow();
    SetItemDocText(101, InfoText ? *InfoText : std::string());
}

void TInfoDialog::CmClose() {
    if (InfoText) *InfoText = ItemDocText(101);
    CloseWindow(IDCANCEL);
}
