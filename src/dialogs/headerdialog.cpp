#include "dialogs/headerdialog.h"

#include "chart/chartwindow.h"
#include "dialogs/kit/controls.h"
#include "dialogs/kit/dlgtext.h"

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

THeaderDialog::THeaderDialog(TChartWindow* parent) : PDialog(parent, kHeaderTemplate), Chart(parent) {}

void THeaderDialog::SetupWindow() {
    PDialog::SetupWindow();
    if (!Chart) {
        CloseWindow(IDCANCEL);
        return;
    }
    Fill(Control<PComboBox>(101), kTypes, Chart->HeaderType);
    Fill(Control<PComboBox>(102), kPositions, Chart->HeaderPosition);
    Fill(Control<PComboBox>(103), kTypes, Chart->FooterType);
    Fill(Control<PComboBox>(104), kPositions, Chart->FooterPosition);
}

void THeaderDialog::CmOk() {
    if (Chart) {
        Take(Control<PComboBox>(101), Chart->HeaderType);
        Take(Control<PComboBox>(102), Chart->HeaderPosition);
        Take(Control<PComboBox>(103), Chart->FooterType);
        Take(Control<PComboBox>(104), Chart->FooterPosition);
    }
    CloseWindow(IDOK);
}
