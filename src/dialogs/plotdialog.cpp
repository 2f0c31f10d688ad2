#include "dialogs/plotdialog.h"

#include "dialogs/controls/colorbutton.h"
#include "dialogs/controls/combopercent.h"
#include "dialogs/controls/plotbutton.h"
#include "dialogs/controls/selectcolor.h"
#include "dialogs/dialoghost.h"
#include "dialogs/interset.h"
#include "dialogs/kit/controls.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/userdialogs.h"
#include "model/boxframe.h"
#include "model/defaults.h"
#include "model/graphfile.h"
#include "model/plot.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kProcessGroup = -1001;
constexpr int kLineGroup = -1002;
constexpr int kConnectionGroup = -1003;
constexpr int kMarkerGroup = -1004;

constexpr PControlSpec kPlotRows[] = {
    {IDC_STATIC, PKind::Static, "&X-参照軸:"},
    {102, PKind::RadioButton, "X Axis", 0, pf::SameRow},
    {104, PKind::RadioButton, "Top Axis", 0, pf::SameRow},
    {125, PKind::CheckBox, "座標軸内にｸﾘｯﾌﾟ(&C)", 0, pf::SameRow},
    {IDC_STATIC, PKind::Static, "&Y-参照軸:"},
    {103, PKind::RadioButton, "Y Axis", 0, pf::SameRow | pf::GroupStart},
    {105, PKind::RadioButton, "Right Axis", 0, pf::SameRow},

    {kProcessGroup, PKind::GroupBox, "数値処理(&D)", 0, pf::FullRow},
    {126, PKind::CheckBox, "Xﾃﾞｰﾀ(&A)", kProcessGroup},
    {109, PKind::Edit, nullptr, kProcessGroup, pf::SameRow},
    {130, PKind::PushButton, "C", kProcessGroup, pf::SameRow},
    {127, PKind::CheckBox, "Yﾃﾞｰﾀ(&I)", kProcessGroup},
    {110, PKind::Edit, nullptr, kProcessGroup, pf::SameRow},
    {131, PKind::PushButton, "F", kProcessGroup, pf::SameRow},
    {101, PKind::Edit, "ﾏｽｸ行(&K):", 0, pf::FullRow},

    {kLineGroup, PKind::GroupBox, "ﾃﾞｰﾀ線(&L)", 0, pf::FullRow},
    {113, PKind::ComboList, "ｽﾀｲﾙ:", kLineGroup},
    {114, PKind::ComboEdit, "幅:", kLineGroup, pf::SameRow},
    {IDC_STATIC, PKind::Static, "線色:", kLineGroup, pf::SameRow},
    {115, PKind::OwnerDraw, "線色", kLineGroup, pf::SameRow},

    {kConnectionGroup, PKind::GroupBox, "ﾃﾞｰﾀ間の接続", 0, pf::FullRow},
    {117, PKind::ComboList, "接続方法:", kConnectionGroup},
    {124, PKind::PushButton, "設定(&S)...", kConnectionGroup, pf::SameRow},

    {kMarkerGroup, PKind::GroupBox, "ﾏｰｶ(&M)", 0, pf::FullRow},
    {118, PKind::ComboList, "ｽﾀｲﾙ:", kMarkerGroup},
    {119, PKind::ComboEdit, "ｻｲｽﾞ:", kMarkerGroup, pf::SameRow},
    {134, PKind::ComboEdit, "輪郭幅:", kMarkerGroup, pf::SameRow},
    {123, PKind::CheckBox, "中心ドット(&D)", kMarkerGroup},
    {122, PKind::CheckBox, "中空(&H)", kMarkerGroup, pf::SameRow},
    {133, PKind::CheckBox, "輪郭なし(&N)", kMarkerGroup, pf::SameRow},
    {IDC_STATIC, PKind::Static, "輪郭:", kMarkerGroup},
    {120, PKind::OwnerDraw, "輪郭", kMarkerGroup, pf::SameRow},
    {IDC_STATIC, PKind::Static, "内部:", kMarkerGroup, pf::SameRow},
    {121, PKind::OwnerDraw, "内部", kMarkerGroup, pf::SameRow},
    {132, PKind::Edit, "ﾍﾞｰｽ値:", kMarkerGroup, pf::SameRow},

    {IDC_STATIC, PKind::Static, "ｲﾒｰｼﾞ:"},
    {128, PKind::OwnerDraw, "ｲﾒｰｼﾞ", 0, pf::SameRow},

    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
    {129, PKind::PushButton, "ﾃﾞﾌｫﾙﾄ"},
};
const PDialogTemplate kPlotTemplate{4, "ﾌﾟﾛｯﾄｽﾀｲﾙ", kPlotRows};

constexpr const char* kLineStyles[] = {"Null",  "Solid",         "Long Dash",
                                       "Dash",  "Short Dash",    "Dot",
                                       "Dash Dot Dash", "Dash Dot Dot Dash"};
constexpr const char* kConnections[] = {"Polyline",        "Closed Polyline", "Spline",
                                        "P-Spline",        "Closed P-Spline", "BSpline",
                                        "Closed BSpline"};
constexpr const char* kMarkerTexts[PlotDialogMarkerCount] = {
    "NULL",   "Rectangle", "Triangle", "Rev. Triangle", "Diamond", "Circle",
    "Cross",  "Diag. Cross", "V-Area", "H-Area",        "V-Bar1",  "H-Bar1",
    "V-Bar2", "H-Bar2",    "V-Step",   "H-Step"};
constexpr int kMarkerCodes[PlotDialogMarkerCount] = {0, 1, 2,  3,  4,  5,  14, 15,
                                                     6, 7, 8, 9, 12, 13, 10, 11};

// The controls each PlotStyleItems entry stands for.
constexpr int kItemControls[19][2] = {
    {102, 104}, {103, 105}, {125}, {126, 109}, {127, 110}, {113}, {114}, {115}, {117},
    {118},      {123},      {122}, {119},      {120},      {121}, {133}, {132}, {134},
    {101},
};

bool IsCurvedConnection(int index) { return index >= 1 && index <= 6; }

}  // namespace

int PlotDialogMarkerCode(int index) {
    return index >= 0 && index < PlotDialogMarkerCount ? kMarkerCodes[index] : -1;
}

int PlotDialogMarkerIndex(int code) {
    for (int i = 0; i < PlotDialogMarkerCount; ++i)
        if (kMarkerCodes[i] == code) return i;
    return -1;
}

TPlotDialog::TPlotDialog(QWidget* parent, TPlot* plot, int plotNo, const BYTE* items)
    : PDialog(parent, kPlotTemplate), Plot(plot), PlotNo(plotNo), Items(items),
      LineStyleList(Control<PComboBox>(113)), ConnectionList(Control<PComboBox>(117)),
      MarkerList(Control<PComboBox>(118)) {
    LineWidth = new TComboPercent(this, 114, 1);
    MarkerSize = new TComboPercent(this, 119, 1);
    OutlineWidth = new TComboPercent(this, 134, 1);
    LineColor = new TColorButton(this, 115, 0);
    EdgeColor = new TColorButton(this, 120, 0);
    FillColor = new TColorButton(this, 121, 0xFFFFFF);
    Sample = new TPlotButton(this, 128, nullptr);
    Sample->setMinimumSize(160, 40);
    // The sample only draws: it takes neither the focus nor a click of its own.
    Sample->setFocusPolicy(Qt::NoFocus);

    OnCommand(115, &TPlotDialog::CmLineColor);
    OnCommand(120, &TPlotDialog::CmOutlineColor);
    OnCommand(121, &TPlotDialog::CmFillColor);
    OnCommand(123, &TPlotDialog::CmCenterDot);
    OnCommand(122, &TPlotDialog::CmHollow);
    OnCommand(133, &TPlotDialog::CmNoOutline);
    OnNotify(113, CBN_SELCHANGE, &TPlotDialog::EvLineStyleChange);
    OnNotify(118, CBN_SELCHANGE, &TPlotDialog::EvMarkerChange);
    OnNotify(117, CBN_SELCHANGE, &TPlotDialog::EvConnectionChange);
    OnCommand(124, &TPlotDialog::CmConnectionSettings);
    OnCommand(129, &TPlotDialog::CmDefault);
    OnCommand(130, &TPlotDialog::CmUserConstants);
    OnCommand(131, &TPlotDialog::CmUserFunctions);
    LineWidth->AnswerDropDownAndKillFocus();
    MarkerSize->AnswerDropDownAndKillFocus();
    OutlineWidth->AnswerDropDownAndKillFocus();
}

void TPlotDialog::SetupWindow() {
    PDialog::SetupWindow();
    if (!Plot) {
        CloseWindow(IDCANCEL);
        return;
    }
    for (const char* s : kLineStyles) LineStyleList->AddString(QString::fromLatin1(s));
    LineWidth->AddStandardPercents();
    for (const char* s : kConnections) ConnectionList->AddString(QString::fromLatin1(s));
    for (const char* s : kMarkerTexts) MarkerList->AddString(QString::fromLatin1(s));
    MarkerSize->AddStandardPercents();
    OutlineWidth->AddStandardPercents();
    SetCaptionDoc(kv::FileNameWithExt(
        std::string_view(Plot->DataFileName, ::strnlen(Plot->DataFileName, MAX_PATH))));
    SetControls();
}

void TPlotDialog::SetControls() {
    const TPlotStyle& st = Plot->Style;
    auto tick = [](int field) { return field != 0 ? BF_CHECKED : BF_UNCHECKED; };
    CheckItem(125, tick(st.Clipping));
    CheckItem(126, tick(st.IsXFormula));
    CheckItem(127, tick(st.IsYFormula));
    CheckItem(122, tick(st.MarkerInsidePaint));
    CheckItem(123, tick(st.MarkerCenterDot));
    LineStyleList->SetSelIndex(st.LineStyle);
    LineWidth->SetPercent(st.LineWidth);
    ConnectionList->SetSelIndex(st.LineInterpolate);
    EnableControl(124, IsCurvedConnection(st.LineInterpolate));
    MarkerList->SetSelIndex(PlotDialogMarkerIndex(st.MarkerStyle));
    MarkerSize->SetPercent(st.MarkerSize);
    SetItemDocText(109, st.XFormula);
    SetItemDocText(110, st.YFormula);
    SetItemDocText(101, st.MaskRows);
    EdgeColor->SetColor(st.MarkerEdgeColor);
    FillColor->SetColor(st.MarkerInsideColor);
    LineColor->SetColor(st.LineColor);
    CheckItem(102, st.RefAxisX == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(104, st.RefAxisX == 1 ? BF_UNCHECKED : BF_CHECKED);
    CheckItem(103, st.RefAxisY == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(105, st.RefAxisY == 1 ? BF_UNCHECKED : BF_CHECKED);
    CheckItem(133, tick(st.NullOutLine));
    SetItemReal(132, st.BaseValue);
    OutlineWidth->SetPercent(st.OutLineWidth);
    Sample->SetPlotStyle(&st);

    if (Items) {
        // Items 0-4, the mask rows, then 5-17, as a multiple selection lists them.
        const int order[19] = {0, 1, 2, 3, 4, 18, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
        for (int item : order)
            if (!Items[item])
                for (int id : kItemControls[item])
                    if (id) EnableControl(id, false);
        EnableControl(129, false);
        EnableControl(124, false);
    }
}

void TPlotDialog::GetControls() {
    TPlotStyle& st = Plot->Style;
    st.Clipping = IsItemChecked(125);
    st.IsXFormula = IsItemChecked(126);
    st.IsYFormula = IsItemChecked(127);
    st.MarkerInsidePaint = IsItemChecked(122);
    st.MarkerCenterDot = IsItemChecked(123);
    // A list without a selection (a code the list does not have) keeps its field.
    if (const int i = LineStyleList->GetSelIndex(); i != CB_ERR) st.LineStyle = i;
    st.LineWidth = LineWidth->GetPercent();
    if (const int i = ConnectionList->GetSelIndex(); i != CB_ERR) st.LineInterpolate = i;
    if (const int code = PlotDialogMarkerCode(MarkerList->GetSelIndex()); code >= 0)
        st.MarkerStyle = code;
    st.MarkerSize = MarkerSize->GetPercent();
    // Texts come back whole: the edit limit restricts typing only.
    st.XFormula = ItemDocText(109);
    st.YFormula = ItemDocText(110);
    st.MaskRows = ItemDocText(101);
    st.MarkerEdgeColor = EdgeColor->GetColor();
    st.MarkerInsideColor = FillColor->GetColor();
    st.LineColor = LineColor->GetColor();
    st.RefAxisX = IsItemChecked(102) == BF_CHECKED ? 1 : 0;
    st.RefAxisY = IsItemChecked(103) == BF_CHECKED ? 1 : 0;
    st.NullOutLine = IsItemChecked(133);
    // A number too large for a double would become an infinite bar base: the
    // field keeps its value instead.
    bool overflow = false;
    const double base = ItemReal(132, &overflow);
    if (!overflow) st.BaseValue = base;
    st.OutLineWidth = OutlineWidth->GetPercent();
}

bool TPlotDialog::CheckFormula(int editId, int stringId) {
    kv::DialogHost* host = kv::FindDialogHost(this);
    std::unique_ptr<BoxFrame> scratch;
    BoxFrame* set = host ? host->HostDocument().Current : nullptr;
    if (!set) {
        scratch = std::make_unique<BoxFrame>();
        set = scratch.get();
    }
    double result = 0.0;
    if (set->Evaluate(ItemDocText(editId), result, BoxFrame::EvalCompile, Plot, 1, PlotNo,
                      BoxFrame::ComponentValue))
        return true;
    kv::MessageBox(this, kv::LoadString(stringId), nullptr, MB_OK | MB_ICONSTOP);
    return false;
}

bool TPlotDialog::Validate() {
    if (IsItemChecked(126) == BF_CHECKED && !CheckFormula(109, 67)) return false;
    if (IsItemChecked(127) == BF_CHECKED && !CheckFormula(110, 68)) return false;
    if (!Plot->ApplyMask(ItemDocText(101).c_str(), 1)) {
        kv::MessageBox(this, kv::LoadString(111), nullptr, MB_OK | MB_ICONSTOP);
        return false;
    }
    return true;
}

void TPlotDialog::CmOk() {
    if (!Validate()) return;
    GetControls();
    CloseWindow(IDOK);
}

void TPlotDialog::RefreshSample() { Sample->SetPlotStyle(&Plot->Style); }

void TPlotDialog::RunColor(TColorButton* button, COLORREF* field) {
    // The palette writes the chosen colour straight into the style.
    kv::RunColorPalette(this, field, button);
    button->SetColor(*field);
    RefreshSample();
}

void TPlotDialog::CmLineColor() { RunColor(LineColor, &Plot->Style.LineColor); }
void TPlotDialog::CmOutlineColor() { RunColor(EdgeColor, &Plot->Style.MarkerEdgeColor); }
void TPlotDialog::CmFillColor() { RunColor(FillColor, &Plot->Style.MarkerInsideColor); }

void TPlotDialog::CmCenterDot() {
    Plot->Style.MarkerCenterDot = IsItemChecked(123);
    RefreshSample();
}

void TPlotDialog::CmHollow() {
    Plot->Style.MarkerInsidePaint = IsItemChecked(122);
    RefreshSample();
}

void TPlotDialog::CmNoOutline() {
    Plot->Style.NullOutLine = IsItemChecked(133);
    RefreshSample();
}

void TPlotDialog::EvLineStyleChange() {
    if (const int i = LineStyleList->GetSelIndex(); i != CB_ERR) Plot->Style.LineStyle = i;
    RefreshSample();
}

void TPlotDialog::EvMarkerChange() {
    if (const int code = PlotDialogMarkerCode(MarkerList->GetSelIndex()); code >= 0)
        Plot->Style.MarkerStyle = code;
    RefreshSample();
}

void TPlotDialog::EvConnectionChange() {
    // The method itself is stored at OK; only the divisions button follows it.
    EnableControl(124, IsCurvedConnection(ConnectionList->GetSelIndex()));
}

void TPlotDialog::CmConnectionSettings() {
    TInterSetDialog dlg(this, &Plot->Style);
    dlg.Execute();
}

void TPlotDialog::CmDefault() {
    const int choice = TSelectDefaultDataType(this).Execute();
    // The controls reach the edited style whatever the choice, unchecked.
    GetControls();
    kv::DialogHost* host = kv::FindDialogHost(this);
    if (!host) return;
    if (choice == DefaultTypeDiskFile)
        host->HostDefaults().DefaultPlotStyle = Plot->Style;
    else if (choice == DefaultTypeMemory)
        host->HostDefaults().DefaultMemoryPlotStyle = Plot->Style;
}

void TPlotDialog::CmUserConstants() { kv::RunUserConstDialog(this); }
void TPlotDialog::CmUserFunctions() { kv::RunUserFunctionDialog(this); }
