#include "dialogs/axisdialog.h"

#include "dialogs/controls/colorbutton.h"
#include "dialogs/controls/combopercent.h"
#include "dialogs/controls/selectcolor.h"
#include "dialogs/dialoghost.h"
#include "dialogs/fontchooser.h"
#include "dialogs/kit/controls.h"
#include "dialogs/kit/conventions.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/labelmore.h"
#include "model/boxframe.h"
#include "model/defaults.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"
#include "render/syncaxes.h"

#include <cfloat>
#include <cmath>

namespace {

// Group boxes the table does not number.
constexpr int kRangeGroup = -1001;
constexpr int kCrossGroup = -1002;
constexpr int kRegionGroup = -1003;
constexpr int kLabelGroup = -1004;
constexpr int kTickGroup = -1005;
constexpr int kMajorGridGroup = -1006;
constexpr int kMinorTickGroup = -1007;
constexpr int kMinorGridGroup = -1008;

constexpr PControlSpec kAxisRows[] = {
    {101, PKind::ListBox, "座標軸(&A):"},
    {103, PKind::CheckBox, "表示(&H)"},
    {104, PKind::CheckBox, "共通設定(&C)", 0, pf::SameRow},
    {kRangeGroup, PKind::GroupBox, "数値範囲"},
    {106, PKind::ComboList, "ｽｹｰﾘﾝｸﾞ(&L):", kRangeGroup},
    {107, PKind::Edit, "開始値(&S):", kRangeGroup},
    {108, PKind::Edit, "終了値(&E):", kRangeGroup},
    {109, PKind::Edit, "増分(&I):", kRangeGroup},
    {110, PKind::CheckBox, "軸の反転(&V)", kRangeGroup, pf::FullRow},
    {kLabelGroup, PKind::GroupBox, "数値ﾗﾍﾞﾙ(&B)", 0, pf::SameRow},
    {115, PKind::ComboList, "表示形式:", kLabelGroup},
    {116, PKind::PushButton, "ﾌｫﾝﾄ(&F)...", kLabelGroup},
    {117, PKind::PushButton, "詳細(&E)...", kLabelGroup, pf::SameRow},
    {kCrossGroup, PKind::GroupBox, "交点値(&P)"},
    {112, PKind::Edit, nullptr, kCrossGroup},
    {113, PKind::CheckBox, "自動(&T)", kCrossGroup, pf::SameRow},
    {kRegionGroup, PKind::GroupBox, "", 0, pf::SameRow},
    {118, PKind::Edit, "軸の制限(&R):", kRegionGroup},
    {IDC_STATIC, PKind::Static, "%  ->", kRegionGroup, pf::SameRow},
    {119, PKind::Edit, nullptr, kRegionGroup, pf::SameRow},
    {IDC_STATIC, PKind::Static, "%", kRegionGroup, pf::SameRow},
    {kTickGroup, PKind::GroupBox, "主目盛"},
    {IDC_STATIC, PKind::Static, "方向:", kTickGroup},
    {121, PKind::CheckBox, "I&n", kTickGroup, pf::SameRow},
    {122, PKind::CheckBox, "O&ut", kTickGroup, pf::SameRow},
    {IDC_STATIC, PKind::Static, "表示色:", kTickGroup},
    {135, PKind::OwnerDraw, "表示色:", kTickGroup, pf::SameRow},
    {123, PKind::ComboEdit, "長さ(&G):", kTickGroup},
    {124, PKind::ComboEdit, "幅(&W):", kTickGroup},
    {kMajorGridGroup, PKind::GroupBox, "主目盛線(&J)", 0, pf::SameRow},
    {126, PKind::ComboList, "ｽﾀｲﾙ:", kMajorGridGroup},
    {127, PKind::ComboEdit, "幅:", kMajorGridGroup},
    {IDC_STATIC, PKind::Static, "表示色:", kMajorGridGroup},
    {128, PKind::OwnerDraw, "表示色:", kMajorGridGroup, pf::SameRow},
    {kMinorTickGroup, PKind::GroupBox, "副目盛"},
    {130, PKind::Edit, "目盛分割数:", kMinorTickGroup},
    {kMinorGridGroup, PKind::GroupBox, "副目盛線(&M)", 0, pf::SameRow},
    {132, PKind::ComboList, "ｽﾀｲﾙ:", kMinorGridGroup},
    {133, PKind::ComboEdit, "幅:", kMinorGridGroup},
    {IDC_STATIC, PKind::Static, "表示色:", kMinorGridGroup},
    {134, PKind::OwnerDraw, "表示色:", kMinorGridGroup, pf::SameRow},
    {102, PKind::PushButton, "ﾃﾞﾌｫﾙﾄ"},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kAxisTemplate{1, "軸のｽﾀｲﾙ", kAxisRows};

constexpr const char* kScalingNames[] = {"Linear", "Log10", "Inverse", "Log10(L)", "Inverse(L)"};
constexpr const char* kLabelFormatNames[] = {"Null", "Decimal", "Exp"};
constexpr const char* kLineStyleNames[] = {"Null", "Solid", "Long Dash", "Dash", "Short Dash",
                                           "Dot", "Dash Dot Dash", "Dash Dot Dot Dash"};
constexpr const char* kAxisNames[] = {"X Axis", "Y Axis", "Top Axis", "Right Axis"};

// Enabling of the controls while the Y, top or right axis is shown.
enum Cell : unsigned char { Off, On, Star };  // Star: on unless the partner is common
struct EnableRow {
    int id;
    Cell yBox, yXY, otherBox, otherXY;
};
constexpr EnableRow kEnableTable[] = {
    {103, Off, Off, Off, Off},  {104, On, Off, Off, Off},   {106, On, On, Star, Off},
    {107, On, On, Star, Off},   {108, On, On, Star, Off},   {109, On, On, Star, Off},
    {110, On, On, Star, Off},   {112, On, On, Star, Off},   {113, On, On, Star, Off},
    {118, On, On, Star, Off},   {119, On, On, Star, Off},   {121, On, On, Star, Off},
    {122, On, On, Star, Off},   {130, On, On, Star, Off},   {115, On, On, On, Off},
    {116, Off, Off, Off, Off},  {117, On, On, On, Off},     {135, On, Off, Off, Off},
    {123, On, Off, Off, Off},   {124, On, Off, Off, Off},   {126, On, On, Off, Off},
    {127, On, Off, Off, Off},   {128, On, Off, Off, Off},   {132, On, On, Off, Off},
    {133, On, Off, Off, Off},   {134, On, Off, Off, Off},   {102, Off, Off, Off, Off},
};

AxisUnit& SetAxis(BoxFrame& set, int axisNo) {
    switch (axisNo) {
    case AxisNoY: return set.LeftAxis;
    case AxisNoTop: return set.TopAxis;
    case AxisNoRight: return set.RightAxis;
    default: return set.BottomAxis;
    }
}

template <size_t N>
void FillList(PComboBox* list, const char* const (&names)[N]) {
    for (const char* n : names) list->AddString(kv::U8(n));
}

void Refresh(TComboPercent* combo, int value) {
    combo->ClearList();
    combo->AddStandardPercents();
    combo->SetPercent(value);
}

// The conversion's value on overflow (HUGE_VAL), and the largest double typed out.
bool OutOfRange(double v, bool overflow) { return overflow || std::fabs(v) >= DBL_MAX; }

}  // namespace

TAxisDialog::TAxisDialog(QWidget* parent, BoxFrame* set, int axisNo)
    : PDialog(parent, kAxisTemplate),
      WorkFrame(std::make_unique<Frame>(set->Frame)),
      AxisSet(set),
      ShownAxisNo(axisNo >= AxisNoX && axisNo <= AxisNoRight ? axisNo : AxisNoX) {
    for (int n = AxisNoX; n <= AxisNoRight; ++n) WorkAxes[n - 1] = SetAxis(*set, n);

    TickLength = new TComboPercent(this, 123, 1);
    TickWidth = new TComboPercent(this, 124, 1);
    MajorGridWidth = new TComboPercent(this, 127, 1);
    MinorGridWidth = new TComboPercent(this, 133, 1);
    MajorGridColor = new TColorButton(this, 128, 0);
    MinorGridColor = new TColorButton(this, 134, 0);
    TickColor = new TColorButton(this, 135, 0);

    OnNotify(101, LBN_SELCHANGE, &TAxisDialog::EvAxisListSelChange);
    OnCommand(128, &TAxisDialog::CmMajorGridColor);
    OnCommand(134, &TAxisDialog::CmMinorGridColor);
    OnCommand(116, &TAxisDialog::CmLabelFont);
    OnCommand(135, &TAxisDialog::CmTickColor);
    OnCommand(117, &TAxisDialog::CmDetails);
    OnNotify(106, CBN_SELCHANGE, &TAxisDialog::EvScalingSelChange);
    OnCommand(102, &TAxisDialog::CmDefault);
    for (TComboPercent* combo : {TickLength, TickWidth, MajorGridWidth, MinorGridWidth})
        combo->AnswerDropDownAndKillFocus();
}

TAxisDialog::~TAxisDialog() = default;

void TAxisDialog::SetupWindow() {
    PDialog::SetupWindow();
    ShownAxis = WorkAxis(ShownAxisNo);
    FillList(Control<PComboBox>(106), kScalingNames);
    FillList(Control<PComboBox>(115), kLabelFormatNames);
    FillList(Control<PComboBox>(126), kLineStyleNames);
    FillList(Control<PComboBox>(132), kLineStyleNames);
    auto* axes = Control<PListBox>(101);
    for (const char* n : kAxisNames) axes->AddString(kv::U8(n));
    axes->setMaximumHeight(axes->sizeHintForRow(0) * 5 + 2 * axes->frameWidth());
    TransferAxisToControls();
    EnableControls();
}

void TAxisDialog::TransferAxisToControls() {
    const AxisUnit& a = *ShownAxis;
    auto tick = [&](int id, int field) { CheckItem(id, field == 1 ? BF_CHECKED : BF_UNCHECKED); };
    tick(103, a.IsVisible);
    tick(104, a.IsCommon);
    tick(110, a.ScaleInv);
    tick(113, a.AutoCrossPoint);
    tick(121, a.TickInside);
    tick(122, a.TickOutside);
    Control<PComboBox>(106)->SetSelIndex(a.Scaling);
    Control<PComboBox>(115)->SetSelIndex(a.LabelFormat);
    Refresh(TickLength, a.TickLength);
    Refresh(TickWidth, a.TickWidth);
    Control<PComboBox>(126)->SetSelIndex(a.MajorTickLineStyle);
    Refresh(MajorGridWidth, a.MajorTickLineWidth);
    Control<PComboBox>(132)->SetSelIndex(a.MinorTickLineStyle);
    Refresh(MinorGridWidth, a.MinorTickLineWidth);
    SetItemReal(107, a.RangeStart);
    SetItemReal(108, a.RangeEnd);
    SetItemReal(109, a.RangeInc);
    SetItemReal(112, a.CrossPointValue);
    SetItemInt(118, a.DispRegionStart);
    SetItemInt(119, a.DispRegionEnd);
    SetItemInt(130, a.MinorTickDivision);
    MajorGridColor->SetColor(a.MajorTickLineColor);
    MinorGridColor->SetColor(a.MinorTickLineColor);
    TickColor->SetColor(a.TickColor);
    Control<PListBox>(101)->SetSelIndex(ShownAxisNo - 1);
}

void TAxisDialog::TransferControlsToAxis() {
    AxisUnit& a = *ShownAxis;
    // A list without a selection (a value a damaged document put there) leaves its
    // field as it was.
    auto list = [&](int id, int& field) {
        const int i = Control<PComboBox>(id)->GetSelIndex();
        if (i != CB_ERR) field = i;
    };
    a.IsVisible = IsItemChecked(103);
    a.IsCommon = IsItemChecked(104);
    a.ScaleInv = IsItemChecked(110);
    a.AutoCrossPoint = IsItemChecked(113);
    a.TickInside = IsItemChecked(121);
    a.TickOutside = IsItemChecked(122);
    list(106, a.Scaling);
    list(115, a.LabelFormat);
    a.TickLength = TickLength->GetPercent();
    a.TickWidth = TickWidth->GetPercent();
    list(126, a.MajorTickLineStyle);
    a.MajorTickLineWidth = MajorGridWidth->GetPercent();
    list(132, a.MinorTickLineStyle);
    a.MinorTickLineWidth = MinorGridWidth->GetPercent();
    a.RangeStart = ItemReal(107);
    a.RangeEnd = ItemReal(108);
    a.RangeInc = ItemReal(109);
    const int scaling = Control<PComboBox>(106)->GetSelIndex();
    if (scaling == 1 || scaling == 2) a.RangeInc = 10.0;
    a.CrossPointValue = ItemReal(112);
    a.DispRegionStart = ItemInt(118);
    a.DispRegionEnd = ItemInt(119);
    a.MinorTickDivision = ItemInt(130);
    a.MajorTickLineColor = MajorGridColor->GetColor();
    a.MinorTickLineColor = MinorGridColor->GetColor();
    a.TickColor = TickColor->GetColor();
}

int TAxisDialog::Validate() {
    auto fail = [this](int stringId) {
        kv::MessageBox(this, kv::LoadString(stringId), nullptr, MB_OK);
        return 0;
    };
    bool o107 = false, o108 = false, o109 = false, o112 = false, o118 = false, o119 = false;
    const double start = ItemReal(107, &o107);
    const double end = ItemReal(108, &o108);
    const double inc = ItemReal(109, &o109);
    const double cross = ItemReal(112, &o112);
    const double regionStart = ItemReal(118, &o118);
    const double regionEnd = ItemReal(119, &o119);
    const double division = ItemReal(130);
    const int scaling = Control<PComboBox>(106)->GetSelIndex();

    if (OutOfRange(start, o107)) return fail(1);
    if (OutOfRange(end, o108)) return fail(2);
    if (OutOfRange(inc, o109)) return fail(3);
    if (OutOfRange(cross, o112)) return fail(4);
    if (o118 || std::fabs(std::trunc(regionStart)) >= 1000.0) return fail(5);
    if (o119 || std::fabs(std::trunc(regionEnd)) >= 1000.0) return fail(6);
    if (division > 20.0 || division < 1.0) return fail(12);
    const bool nonLinear = scaling >= 1 && scaling <= 4;
    if (nonLinear && start <= 0.0) return fail(7);
    if (nonLinear && end <= 0.0) return fail(8);
    if (inc <= 0.0) return fail(9);
    if (start >= end) return fail(10);
    // The region is also refused when the whole percents it keeps would leave it
    // empty (10.2 to 10.7 keeps 10 to 10).
    if (regionStart >= regionEnd || ItemInt(118) >= ItemInt(119)) return fail(11);
    if ((scaling == 0 || scaling == 3 || scaling == 4) && (end - start) / inc > 100.0) return fail(13);
    return 1;
}

void TAxisDialog::Synchronize() {
    SyncAxes(WorkFrame.get(), WorkAxis(AxisNoY), WorkAxis(AxisNoRight), WorkAxis(AxisNoTop),
             WorkAxis(AxisNoX));
}

void TAxisDialog::EnableControls() {
    int shown = Control<PListBox>(101)->GetSelIndex() + 1;
    if (shown < AxisNoX) shown = ShownAxisNo;
    if (shown == AxisNoX) {
        for (const EnableRow& r : kEnableTable) EnableControl(r.id, true);
        return;
    }
    EnableControl(102, false);
    const int type = WorkFrame->FrameType;
    if (type != 0 && type != 1) return;  // Independent: every axis is the user's
    const bool y = shown == AxisNoY;
    const AxisUnit& partner = *WorkAxis(shown == AxisNoTop ? AxisNoX : AxisNoY);
    const bool common = partner.IsCommon == 1;
    for (const EnableRow& r : kEnableTable) {
        const Cell c = type == 0 ? (y ? r.yBox : r.otherBox) : (y ? r.yXY : r.otherXY);
        EnableControl(r.id, c == On || (c == Star && !common));
    }
}

void TAxisDialog::EvAxisListSelChange() {
    auto* axes = Control<PListBox>(101);
    const int index = axes->GetSelIndex();
    if (index < 0 || index + 1 == ShownAxisNo) {
        axes->SetSelIndex(ShownAxisNo - 1);
        return;
    }
    if (!Validate()) {
        axes->SetSelIndex(ShownAxisNo - 1);
        return;
    }
    TransferControlsToAxis();
    ShownAxisNo = index + 1;
    Synchronize();
    ShownAxis = WorkAxis(ShownAxisNo);
    TransferAxisToControls();
    EnableControls();
}

void TAxisDialog::EvScalingSelChange() {
    const int scaling = Control<PComboBox>(106)->GetSelIndex();
    if (scaling == 1 || scaling == 2) SetItemText(109, QStringLiteral("10"));
}

void TAxisDialog::PickColor(TColorButton* button) {
    COLORREF c = button->GetColor();
    kv::RunColorPalette(this, &c, button);
    button->SetColor(c);
}

void TAxisDialog::CmMajorGridColor() { PickColor(MajorGridColor); }
void TAxisDialog::CmMinorGridColor() { PickColor(MinorGridColor); }
void TAxisDialog::CmTickColor() { PickColor(TickColor); }

void TAxisDialog::CmLabelFont() {
    TChooseFontData data = TChooseFontData::ForDocumentFont(ShownAxis->LabelFont, ShownAxis->LabelFontColor);
    if (kv::RunFontChooser(this, data) != IDOK) return;
    ShownAxis->LabelFont = data.DocumentFont();
    ShownAxis->LabelFontColor = data.Color;
}

void TAxisDialog::CmDetails() {
    TLabelMore details(this, ShownAxis);
    details.Execute();
}

void TAxisDialog::CmDefault() {
    if (!kv::ConfirmSaveAsDefault(this)) return;
    if (!Validate()) {
        kv::MessageBox(this, kv::LoadString(31), nullptr, MB_OKCANCEL | MB_ICONQUESTION);
        return;
    }
    TransferControlsToAxis();
    kv::DialogHost* host = kv::FindDialogHost(this);
    if (!host) return;
    // The default axes are kept bottom, left, top, right: the axis numbers' order.
    for (int n = AxisNoX; n <= AxisNoRight; ++n) host->HostDefaults().DefaultAxes[n - 1] = *WorkAxis(n);
}

void TAxisDialog::CmOk() {
    if (!Validate()) return;
    TransferControlsToAxis();
    Synchronize();
    for (int n = AxisNoX; n <= AxisNoRight; ++n) SetAxis(*AxisSet, n) = *WorkAxis(n);
    CloseWindow(IDOK);
}
