#include "dialogs/axisframe.h"

#include "dialogs/controls/colorbutton.h"
#include "dialogs/controls/selectcolor.h"
#include "dialogs/dialoghost.h"
#include "dialogs/kit/controls.h"
#include "dialogs/kit/conventions.h"
#include "dialogs/kit/dlgtext.h"
#include "model/boxframe.h"
#include "model/defaults.h"
#include "platform/cformat.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <climits>
#include <cmath>

namespace {

// "数値が大きすぎます。": a number the field cannot keep.
constexpr int kNumberTooLarge = 1152;

constexpr PControlSpec kFrameRows[] = {
    {101, PKind::ComboList, "形状(&F):"},
    {102, PKind::Edit, "X-原点(&X):"},
    {IDC_STATIC, PKind::Static, "mm", 0, pf::SameRow},
    {103, PKind::Edit, "Y-原点(&Y):"},
    {IDC_STATIC, PKind::Static, "mm", 0, pf::SameRow},
    {104, PKind::Edit, "X-軸長(&L):"},
    {IDC_STATIC, PKind::Static, "mm", 0, pf::SameRow},
    {105, PKind::Edit, "Y-軸長(&E):"},
    {IDC_STATIC, PKind::Static, "mm", 0, pf::SameRow},
    {108, PKind::CheckBox, "背景の塗りつぶし(&P)", 0, pf::FullRow},
    {IDC_STATIC, PKind::Static, "背景色:"},
    {109, PKind::OwnerDraw, "背景色:", 0, pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
    {107, PKind::PushButton, "ﾃﾞﾌｫﾙﾄ"},
};
const PDialogTemplate kFrameTemplate{2, "外枠のｽﾀｲﾙ", kFrameRows};

constexpr PControlSpec kBaseRows[] = {
    {102, PKind::Edit, "目盛の基準幅(&T):"},
    {IDC_STATIC, PKind::Static, "1/5 points", 0, pf::SameRow},
    {103, PKind::Edit, "目盛の基準長(&I):"},
    {IDC_STATIC, PKind::Static, "1/5 points", 0, pf::SameRow},
    {104, PKind::Edit, "ﾏｰｶの基準ｻｲｽﾞ(&M):"},
    {IDC_STATIC, PKind::Static, "1/5 points", 0, pf::SameRow},
    {105, PKind::Edit, "ﾏｰｶの輪郭幅(&O):"},
    {IDC_STATIC, PKind::Static, "1/5 points", 0, pf::SameRow},
    {106, PKind::Edit, "ﾃﾞｰﾀ線の基準幅(&L):"},
    {IDC_STATIC, PKind::Static, "1/5 points", 0, pf::SameRow},
    {107, PKind::Edit, "ﾍﾟﾝの基準幅(&P):"},
    {IDC_STATIC, PKind::Static, "1/5 points", 0, pf::SameRow},
    {108, PKind::Edit, "矢線の長さ(&R):"},
    {IDC_STATIC, PKind::Static, "1/5 points", 0, pf::SameRow},
    {110, PKind::CheckBox, "ｸﾞﾗﾌﾊﾟﾗﾒｰﾀのみ保存(&B)", 0, pf::FullRow},
    {-1001, PKind::GroupBox, "描画順", 0, pf::FullRow},
    {111, PKind::RadioButton, "ﾃﾞｰﾀ->座標軸(&D)", -1001},
    {112, PKind::RadioButton, "座標軸->ﾃﾞｰﾀ(&A)", -1001},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
    {109, PKind::PushButton, "ﾃﾞﾌｫﾙﾄ"},
};
const PDialogTemplate kBaseTemplate{12, "座標軸の基本設定", kBaseRows};

constexpr int kSizeFields[7] = {102, 103, 104, 105, 106, 107, 108};

int* SizeField(Frame& f, int i) {
    int* const fields[7] = {&f.TickThickRate, &f.TickLengthRate, &f.MarkerSizeRate,
                            &f.MarkerThickRate, &f.LineThickRate, &f.ZukeiLineRate,
                            &f.YasenLength};
    return fields[i];
}

void NumberTooLarge(PDialog* dlg) {
    kv::MessageBox(dlg, kv::LoadString(kNumberTooLarge), nullptr, MB_OK | MB_ICONSTOP);
}

}  // namespace

QString TwipsToMillimetreText(double twips) {
    const long double mm = static_cast<long double>(twips) * (1.0L / 1440.0L) * 25.4L;
    return QString::fromStdString(kv::Format("%4.1lf", static_cast<double>(mm)));
}

double MillimetreTextToTwips(const QString& text, bool* overflow) {
    return kv::ReadReal(text, overflow) * (1.0 / 25.4) * 1440.0;
}

// ---- TAxisFrameDialog ----

TAxisFrameDialog::TAxisFrameDialog(QWidget* parent, Frame* frame)
    : PDialog(parent, kFrameTemplate), Work(*frame), Target(frame) {
    BackColor = new TColorButton(this, 109, 0);
    OnCommand(109, &TAxisFrameDialog::CmBackColor);
    OnCommand(107, &TAxisFrameDialog::CmDefault);
}

void TAxisFrameDialog::SetupWindow() {
    PDialog::SetupWindow();
    CheckItem(108, Work.FrameBackPaint == 1 ? BF_CHECKED : BF_UNCHECKED);
    auto* type = Control<PComboBox>(101);
    for (const char* name : {"Box", "X-Y", "Independent"}) type->AddString(kv::U8(name));
    type->SetSelIndex(Work.FrameType);
    SetItemText(102, TwipsToMillimetreText(Work.OriginX));
    SetItemText(103, TwipsToMillimetreText(Work.OriginY));
    SetItemText(104, TwipsToMillimetreText(Work.FrameLengthX));
    SetItemText(105, TwipsToMillimetreText(Work.FrameLengthY));
    BackColor->SetColor(Work.FrameBackColor);
}

bool TAxisFrameDialog::TransferFromControls(Frame& frame) {
    double twips[4];
    for (int i = 0; i < 4; ++i) {
        bool overflow = false;
        twips[i] = MillimetreTextToTwips(ItemText(102 + i), &overflow);
        if (overflow || !std::isfinite(twips[i])) {
            NumberTooLarge(this);
            return false;
        }
    }
    frame.FrameBackPaint = IsItemChecked(108);
    const int type = Control<PComboBox>(101)->GetSelIndex();
    if (type != CB_ERR) frame.FrameType = type;
    frame.OriginX = twips[0];
    frame.OriginY = twips[1];
    frame.FrameLengthX = twips[2];
    frame.FrameLengthY = twips[3];
    frame.FrameBackColor = BackColor->GetColor();
    return true;
}

void TAxisFrameDialog::CmOk() {
    if (!TransferFromControls(Work)) return;
    *Target = Work;
    CloseWindow(IDOK);
}

void TAxisFrameDialog::CmBackColor() {
    COLORREF c = BackColor->GetColor();
    kv::RunColorPalette(this, &c, BackColor);
    BackColor->SetColor(c);
}

void TAxisFrameDialog::CmDefault() {
    Frame read = Work;
    if (!TransferFromControls(read)) return;
    if (!kv::ConfirmSaveAsDefault(this)) return;
    kv::DialogHost* host = kv::FindDialogHost(this);
    if (!host) return;
    Frame* d = &host->HostDefaults().DefaultFrame;
    d->FrameBackPaint = read.FrameBackPaint;
    d->FrameType = read.FrameType;
    d->OriginX = read.OriginX;
    d->OriginY = read.OriginY;
    d->FrameLengthX = read.FrameLengthX;
    d->FrameLengthY = read.FrameLengthY;
    d->FrameBackColor = read.FrameBackColor;
}

// ---- TAxisBaseDialog ----

TAxisBaseDialog::TAxisBaseDialog(QWidget* parent, BoxFrame* set)
    : PDialog(parent, kBaseTemplate), Set(set) {
    OnCommand(109, &TAxisBaseDialog::CmDefault);
}

void TAxisBaseDialog::SetupWindow() {
    PDialog::SetupWindow();
    for (int i = 0; i < 7; ++i) SetItemInt(kSizeFields[i], *SizeField(Set->Frame, i) / 4);
    CheckItem(110, Set->IsOnlyParameter == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(111, Set->PaintOrder == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(112, Set->PaintOrder == 2 ? BF_CHECKED : BF_UNCHECKED);
}

bool TAxisBaseDialog::ReadSizes(int sizes[7]) {
    for (int i = 0; i < 7; ++i) {
        bool overflow = false;
        const int n = ItemInt(kSizeFields[i], &overflow);
        if (overflow || n > INT_MAX / 4 || n < INT_MIN / 4) {
            NumberTooLarge(this);
            return false;
        }
        sizes[i] = n * 4;
    }
    return true;
}

bool TAxisBaseDialog::RefuseParameterOnly() {
    if (IsItemChecked(110) != BF_CHECKED || !Set->HasMemoryData()) return false;
    kv::MessageBox(this, kv::LoadString(29), nullptr, MB_OK | MB_ICONSTOP);
    return true;
}

void TAxisBaseDialog::CmOk() {
    if (RefuseParameterOnly()) return;
    int sizes[7];
    if (!ReadSizes(sizes)) return;
    for (int i = 0; i < 7; ++i) *SizeField(Set->Frame, i) = sizes[i];
    Set->SetParameterOnly(IsItemChecked(110));
    Set->PaintOrder = IsItemChecked(111) == BF_CHECKED ? 1 : 2;
    CloseWindow(IDOK);
}

void TAxisBaseDialog::CmDefault() {
    if (RefuseParameterOnly()) return;
    int sizes[7];
    if (!ReadSizes(sizes)) return;
    if (!kv::ConfirmSaveAsDefault(this)) return;
    kv::DialogHost* host = kv::FindDialogHost(this);
    if (!host) return;
    DefaultStyles& defaults = host->HostDefaults();
    for (int i = 0; i < 7; ++i) *SizeField(defaults.DefaultFrame, i) = sizes[i];
    defaults.DefaultIsOnlyParameter = IsItemChecked(110);
    defaults.DefaultPaintOrder = IsItemChecked(111) == BF_CHECKED ? 1 : 2;
}
