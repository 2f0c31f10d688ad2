#include "dialogs/zukeidialog.h"

#include "dialogs/controls/brushbutton.h"
#include "dialogs/controls/colorbutton.h"
#include "dialogs/controls/combopercent.h"
#include "dialogs/controls/selectcolor.h"
#include "dialogs/dialoghost.h"
#include "dialogs/kit/controls.h"
#include "dialogs/kit/conventions.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/styleitems.h"
#include "model/defaults.h"
#include "model/zukei.h"

#include <cstdint>

namespace {

constexpr int kPenGroup = -1001;
constexpr int kArrowGroup = -1002;
constexpr int kBrushGroup = -1003;

constexpr PControlSpec kZukeiRows[] = {
    {kPenGroup, PKind::GroupBox, "ﾍﾟﾝ", 0, pf::FullRow},
    {101, PKind::ComboList, "種類(&T):", kPenGroup},
    {103, PKind::ComboEdit, "幅(&W):", kPenGroup, pf::SameRow},
    {IDC_STATIC, PKind::Static, "色(&C):", kPenGroup, pf::SameRow},
    {104, PKind::OwnerDraw, "色", kPenGroup, pf::SameRow},
    {kArrowGroup, PKind::GroupBox, "矢印の表示", 0, pf::FullRow},
    {105, PKind::CheckBox, "開始点(&S)", kArrowGroup},
    {107, PKind::CheckBox, "終了点(&E)", kArrowGroup, pf::SameRow},
    {114, PKind::ComboList, "端点(&N):"},
    {115, PKind::ComboList, "補間(&I):", 0, pf::SameRow},
    {kBrushGroup, PKind::GroupBox, "ﾌﾞﾗｼ", 0, pf::FullRow},
    {109, PKind::ComboList, "種類(&P):", kBrushGroup},
    {IDC_STATIC, PKind::Static, "前景色(&L):", kBrushGroup, pf::SameRow},
    {110, PKind::OwnerDraw, "前景色", kBrushGroup, pf::SameRow},
    {IDC_STATIC, PKind::Static, "背景色(&B):", kBrushGroup, pf::SameRow},
    {113, PKind::OwnerDraw, "背景色", kBrushGroup, pf::SameRow},
    {IDC_STATIC, PKind::Static, "ｲﾒｰｼﾞ:", kBrushGroup},
    {111, PKind::OwnerDraw, "ｲﾒｰｼﾞ", kBrushGroup, pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
    {112, PKind::PushButton, "ﾃﾞﾌｫﾙﾄ"},
};
const PDialogTemplate kZukeiTemplate{6, "図形のｽﾀｲﾙ", kZukeiRows};

constexpr const char* kPenTypes[] = {"Null", "Solid",         "Long Dash",
                                     "Dash", "Short Dash",    "Dot",
                                     "Dash Dot Dash", "Dash Dot Dot Dash"};
constexpr const char* kBrushTypes[] = {"Null", "Solid", "Horizontal", "Vertical",
                                       "LeftTop-RightBottom", "LeftBottom-RightTop",
                                       "Cross", "Diagonal Cross"};
// The brush list shows BrushType + 2.
constexpr int kBrushOffset = 2;

// The controls each ZukeiStyleItems entry stands for (0 ends a row).
constexpr int kItemControls[ZukeiStyleItemCount][2] = {
    {101}, {103}, {104}, {105, 107}, {109}, {110}, {113}, {114}, {115},
};

// A stored value as a list index; values no line shows select nothing, also
// those a damaged file could hold at the ends of the int range.
int ListIndex(int value, int offset, int count) {
    const std::int64_t i = std::int64_t(value) + offset;
    return i >= 0 && i < count ? int(i) : -1;
}

}  // namespace

void CopyZukeiStyleItems(TZukei& figure, const TZukei& templ, const BYTE* items) {
    if (!items) return;
    using namespace ZukeiStyleItem;
    if (items[PenType] == 1) figure.PenType = templ.PenType;
    if (items[PenWidth] == 1) figure.PenWidth = templ.PenWidth;
    if (items[PenColor] == 1) figure.PenColor = templ.PenColor;
    if (items[Arrow] == 1) figure.Arrow = templ.Arrow;
    if (items[BrushType] == 1) figure.BrushType = templ.BrushType;
    if (items[ForeBrushColor] == 1) figure.ForeBrushColor = templ.ForeBrushColor;
    if (items[BackBrushColor] == 1) figure.BackBrushColor = templ.BackBrushColor;
    if (items[Closed] == 1) figure.IsClosed = templ.IsClosed;
    if (items[Spline] == 1) figure.IsSpline = templ.IsSpline;
}

TZukeiDialog::TZukeiDialog(QWidget* parent, TZukei* figure, TZukei* second, const BYTE* items)
    : PDialog(parent, kZukeiTemplate), Figure(figure), Second(second), Items(items) {
    PenWidth = new TComboPercent(this, 103, 1);
    PenColor = new TColorButton(this, 104, 0);
    ForeColor = new TColorButton(this, 110, 0);
    BackColor = new TColorButton(this, 113, 0xFFFFFF);
    BrushSample = new TBrushButton(this, 111, Figure->BrushType, Figure->ForeBrushColor,
                                   Figure->BackBrushColor);
    BrushSample->setMinimumSize(60, 30);
    BrushSample->setFocusPolicy(Qt::NoFocus);

    OnCommand(104, &TZukeiDialog::CmPenColor);
    OnCommand(110, &TZukeiDialog::CmBrushForeColor);
    OnNotify(109, CBN_SELCHANGE, &TZukeiDialog::EvBrushTypeChange);
    OnCommand(113, &TZukeiDialog::CmBrushBackColor);
    OnCommand(112, &TZukeiDialog::CmDefault);
    PenWidth->AnswerDropDownAndKillFocus();
}

void TZukeiDialog::SetupWindow() {
    PDialog::SetupWindow();
    const TZukei& z = *Figure;
    const bool start = z.Arrow == 1 || z.Arrow == 3;
    const bool end = z.Arrow == 2 || z.Arrow == 3;
    CheckItem(105, start ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(107, end ? BF_CHECKED : BF_UNCHECKED);

    auto* pen = Control<PComboBox>(101);
    for (const char* name : kPenTypes) pen->AddString(kv::U8(name));
    pen->SetSelIndex(ListIndex(z.PenType, 0, pen->GetCount()));

    PenWidth->AddStandardPercents();
    PenWidth->SetPercent(z.PenWidth);

    auto* brush = Control<PComboBox>(109);
    for (const char* name : kBrushTypes) brush->AddString(kv::U8(name));
    brush->SetSelIndex(ListIndex(z.BrushType, kBrushOffset, brush->GetCount()));

    PenColor->SetColor(z.PenColor);
    ForeColor->SetColor(z.ForeBrushColor);
    BackColor->SetColor(z.BackBrushColor);

    auto* closed = Control<PComboBox>(114);
    closed->AddString(QStringLiteral("Open"));
    closed->AddString(QStringLiteral("Closed"));
    closed->SetSelIndex(ListIndex(z.IsClosed, 0, 2));
    auto* spline = Control<PComboBox>(115);
    spline->AddString(QStringLiteral("Line"));
    spline->AddString(QStringLiteral("P-Spline"));
    spline->SetSelIndex(ListIndex(z.IsSpline, 0, 2));

    if (Items) {
        EnableControl(112, false);
        for (int i = 0; i < ZukeiStyleItemCount; ++i) {
            if (Items[i] == 1) continue;
            for (int id : kItemControls[i])
                if (id) EnableControl(id, false);
        }
    }
}

void TZukeiDialog::TransferTo(TZukei& target) const {
    const int start = IsItemChecked(105);
    const int end = IsItemChecked(107);
    target.Arrow = start && end ? 3 : start ? 1 : end ? 2 : 0;
    const int pen = Control<PComboBox>(101)->GetSelIndex();
    if (pen != CB_ERR) target.PenType = pen;
    target.PenWidth = PenWidth->GetPercent();
    const int brush = Control<PComboBox>(109)->GetSelIndex();
    if (brush != CB_ERR) target.BrushType = brush - kBrushOffset;
    target.PenColor = PenColor->GetColor();
    target.ForeBrushColor = ForeColor->GetColor();
    target.BackBrushColor = BackColor->GetColor();
    const int closed = Control<PComboBox>(114)->GetSelIndex();
    if (closed != CB_ERR) target.IsClosed = closed;
    const int spline = Control<PComboBox>(115)->GetSelIndex();
    if (spline != CB_ERR) target.IsSpline = spline;
}

void TZukeiDialog::CmOk() {
    TransferTo(*Figure);
    CloseWindow(IDOK);
}

void TZukeiDialog::CmPenColor() {
    COLORREF c = PenColor->GetColor();
    kv::RunColorPalette(this, &c, PenColor);
    PenColor->SetColor(c);
}

void TZukeiDialog::CmBrushForeColor() {
    COLORREF c = ForeColor->GetColor();
    kv::RunColorPalette(this, &c, ForeColor);
    ForeColor->SetColor(c);
    UpdateBrushSample();
}

void TZukeiDialog::CmBrushBackColor() {
    COLORREF c = BackColor->GetColor();
    kv::RunColorPalette(this, &c, BackColor);
    BackColor->SetColor(c);
    UpdateBrushSample();
}

void TZukeiDialog::EvBrushTypeChange() { UpdateBrushSample(); }

void TZukeiDialog::UpdateBrushSample() {
    const int sel = Control<PComboBox>(109)->GetSelIndex();
    const int style = sel != CB_ERR ? sel - kBrushOffset : BrushSample->BrushStyle;
    BrushSample->SetBrush(style, ForeColor->GetColor(), BackColor->GetColor());
}

void TZukeiDialog::CmDefault() {
    if (!kv::ConfirmSaveAsDefault(this)) return;
    kv::DialogHost* host = kv::FindDialogHost(this);
    if (!host) return;
    TransferTo(host->HostDefaults().DefaultZukei);
}
