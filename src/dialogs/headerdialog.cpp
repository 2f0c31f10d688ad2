#include "dialogs/headerdialog.h"

#include "dialogs/dialoghost.h"
#include "dialogs/kit/controls.h"
#include "dialogs/kit/dlgtext.h"
#include "model/chartsettings.h"

namespace {

constexpr PControlSpec kHeaderRows[] = {
    {103, PKind::ComboList, "ﾍｯﾀﾞ(&H):"},
    {104, PKind::ComboList, nullptr, 0, pf::SameRow},
    {101, PKind::ComboList, "ﾌｯﾀ(&F):"},
    {102, PKind::ComboList, nullptr, 0, pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kHeaderTemplate{21, "ﾍｯﾀﾞ/ﾌｯﾀ", kHeaderRows};

// In the order of the field values.
constexpr const char* kTypes[] = {"NULL", "Filename", "Date"};
constexpr const char* kPositions[] = {"Center", "Left", "Right"};

// A list filled with items and showing value; a value that names no item (an
// edited profile) leaves it without a selection.
void Fill(PComboBox* list, std::span<const char* const> items, int value) {
    for (const char* item : items) list->AddString(kv::U8(item));
    list->SetSelIndex(value >= 0 && value < list->GetCount() ? value : -1);
}

// The selected position; -1 for a list without a selection, which then names
// nothing to draw.
void Take(const PComboBox* list, int& field) { field = list->GetSelIndex(); }

}  // namespace

THeaderDialog::THeaderDialog(kv::DialogHost* host)
    : PDialog(host ? host->HostWindow() : nullptr, kHeaderTemplate), Host(host) {}

void THeaderDialog::SetupWindow() {
    PDialog::SetupWindow();
    if (!Host) {
        CloseWindow(IDCANCEL);
        return;
    }
    const ChartSettings& s = Host->HostSettings();
    Fill(Control<PComboBox>(101), kTypes, s.HeaderType);
    Fill(Control<PComboBox>(102), kPositions, s.HeaderPosition);
    Fill(Control<PComboBox>(103), kTypes, s.FooterType);
    Fill(Control<PComboBox>(104), kPositions, s.FooterPosition);
}

void THeaderDialog::CmOk() {
    if (Host) {
        ChartSettings& s = Host->HostSettings();
        Take(Control<PComboBox>(101), s.HeaderType);
        Take(Control<PComboBox>(102), s.HeaderPosition);
        Take(Control<PComboBox>(103), s.FooterType);
        Take(Control<PComboBox>(104), s.FooterPosition);
    }
    CloseWindow(IDOK);
}
