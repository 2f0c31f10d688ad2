#include "dialogs/fitdialogs.h"

#include "dialogs/formuladialogs.h"
#include "dialogs/kit/dlgtext.h"
#include "fitting/fitsettings.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "platform/cformat.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <cstring>

namespace {

// ---- The linear fit dialog.

constexpr int kInputGroup = 103;
constexpr int kOutputGroup = 104;
constexpr int kSpacingGroup = 108;

constexpr PControlSpec kLinearRows[] = {
    {kInputGroup, PKind::GroupBox, "入力ﾃﾞｰﾀ", 0, pf::FullRow},
    {101, PKind::Edit, "ﾌｨｯﾃｨﾝｸﾞ範囲(&F):", kInputGroup},
    {102, PKind::Edit, "->", kInputGroup, pf::SameRow},
    {kOutputGroup, PKind::GroupBox, "出力ﾃﾞｰﾀ", 0, pf::FullRow},
    {105, PKind::Edit, "開始値(&S):", kOutputGroup},
    {106, PKind::Edit, "終了値(&E):", kOutputGroup, pf::SameRow},
    {107, PKind::Edit, "分割数(&D):", kOutputGroup},
    {kSpacingGroup, PKind::GroupBox, "分割の方法(&M)", kOutputGroup, pf::FullRow},
    {109, PKind::RadioButton, "線形(&L)", kSpacingGroup},
    {110, PKind::RadioButton, "指数(&P)", kSpacingGroup, pf::SameRow},
    {111, PKind::RadioButton, "逆数(&I)", kSpacingGroup, pf::SameRow},
    {112, PKind::ComboList, "ﾌｨｯﾃｨﾝｸﾞ曲線(&V):"},
    {113, PKind::CheckBox, "指定点の通過(&G)"},
    {114, PKind::Edit, "&X =", 0, pf::SameRow},
    {115, PKind::Edit, "&Y =", 0, pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kLinearTemplate{16, "線形最小2乗法", kLinearRows};

// ---- The non-linear fit dialog.

constexpr int kRangeGroup = -1001;
constexpr int kOutGroup = -1002;
constexpr int kDivisionGroup = -1003;
constexpr int kParamGroup = -1004;

#define KV_PARAM_ROW(k, letter, derivative)                                  \
    {113 + k, PKind::CheckBox, "&" letter, kParamGroup},                     \
        {122 + k, PKind::Edit, letter "o=", kParamGroup, pf::SameRow},       \
        {131 + k, PKind::Edit, derivative, kParamGroup, pf::SameRow}

constexpr PControlSpec kNonLinearRows[] = {
    {kRangeGroup, PKind::GroupBox, "ﾌｨｯﾃｨﾝｸﾞ範囲(&R)"},
    {102, PKind::Edit, "開始:", kRangeGroup},
    {103, PKind::Edit, "終了:", kRangeGroup, pf::SameRow},
    {kOutGroup, PKind::GroupBox, "出力データ(&U)", 0, pf::SameRow},
    {105, PKind::Edit, "開始:", kOutGroup},
    {106, PKind::Edit, "終了:", kOutGroup, pf::SameRow},
    {107, PKind::Edit, "分割数:", kOutGroup, pf::SameRow},
    {kDivisionGroup, PKind::GroupBox, "出力ﾃﾞｰﾀ分割方法", 0, pf::FullRow},
    {109, PKind::RadioButton, "線形(&L)", kDivisionGroup},
    {110, PKind::RadioButton, "指数(&X)", kDivisionGroup, pf::SameRow},
    {111, PKind::RadioButton, "逆数(&V)", kDivisionGroup, pf::SameRow},
    {112, PKind::Edit, "y = f(x) =", 0, pf::FullRow},
    {kParamGroup, PKind::GroupBox, "", 0, pf::FullRow},
    {IDC_STATIC, PKind::Static, "ﾊﾟﾗﾒｰﾀ", kParamGroup},
    {IDC_STATIC, PKind::Static, "初期値", kParamGroup, pf::SameRow},
    {IDC_STATIC, PKind::Static, "", kParamGroup, pf::SameRow},
    {IDC_STATIC, PKind::Static, "編微分式", kParamGroup, pf::SameRow},
    KV_PARAM_ROW(0, "A", "dy/dA="),
    KV_PARAM_ROW(1, "B", "dy/dB="),
    KV_PARAM_ROW(2, "C", "dy/dC="),
    KV_PARAM_ROW(3, "D", "dy/dD="),
    KV_PARAM_ROW(4, "E", "dy/dE="),
    KV_PARAM_ROW(5, "F", "dy/dF="),
    KV_PARAM_ROW(6, "G", "dy/dg="),
    KV_PARAM_ROW(7, "H", "dy/dH="),
    KV_PARAM_ROW(8, "I", "dy/dI="),
    {140, PKind::Edit, "許容誤差(&W) ="},
    {IDC_STATIC, PKind::Static, "%", 0, pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
    {143, PKind::PushButton, "L"},
    {144, PKind::PushButton, "S"},
    {141, PKind::PushButton, "C"},
    {142, PKind::PushButton, "F"},
};
#undef KV_PARAM_ROW
const PDialogTemplate kNonLinearTemplate{15, "非線型最小2乗法", kNonLinearRows};

constexpr int kInitialEdit = 122;     // + parameter index
constexpr int kDerivativeEdit = 131;  // + parameter index
constexpr int kParamCheck = 113;      // + parameter index

std::string CaptionOf(const TPlot* plot) {
    if (!plot) return std::string();
    return kv::FileNameWithExt(
        std::string_view(plot->DataFileName, ::strnlen(plot->DataFileName, MAX_PATH)));
}

}  // namespace

// ---- TLenearSQDialog ----

TLenearSQDialog::TLenearSQDialog(QWidget* parent, BoxFrame* axisSet, TPlot* plot)
    : PDialog(parent, kLinearTemplate),
      AxisSet(axisSet),
      Plot(plot),
      ModelList(Control<PComboBox>(112)) {}

void TLenearSQDialog::SetupWindow() {
    PDialog::SetupWindow();
    const LinearFitSettings& s = CurrentLinearFitSettings;
    CheckItem(113, s.FixedPoint == 1 ? BF_CHECKED : BF_UNCHECKED);
    ModelList->ClearList();
    for (const char* name : LinearFitModelNames) ModelList->AddString(kv::U8(name));
    ModelList->SetSelIndex(s.ModelIndex);
    SetItemDocText(101, s.FitStart);
    SetItemDocText(102, s.FitEnd);
    SetItemDocText(105, s.OutputStart);
    SetItemDocText(106, s.OutputEnd);
    SetItemDocText(107, s.Divisions);
    SetItemDocText(114, s.FixedX);
    SetItemDocText(115, s.FixedY);
    CheckItem(109, s.SpacingLinear == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(110, s.SpacingExponent == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(111, s.SpacingInverse == 1 ? BF_CHECKED : BF_UNCHECKED);
    SetCaptionDoc(CaptionOf(Plot));
}

LinearFitSettings TLenearSQDialog::SettingsFromControls() const {
    LinearFitSettings s = CurrentLinearFitSettings;
    s.FixedPoint = IsItemChecked(113) ? 1 : 0;
    // No line chosen leaves the stored model as it was.
    if (const int index = ModelList->GetSelIndex(); index != CB_ERR) s.ModelIndex = index;
    s.FitStart = CutFitText(ItemDocText(101));
    s.FitEnd = CutFitText(ItemDocText(102));
    s.OutputStart = CutFitText(ItemDocText(105));
    s.OutputEnd = CutFitText(ItemDocText(106));
    s.Divisions = CutFitText(ItemDocText(107));
    s.FixedX = CutFitText(ItemDocText(114));
    s.FixedY = CutFitText(ItemDocText(115));
    s.SpacingLinear = IsItemChecked(109) ? 1 : 0;
    s.SpacingExponent = IsItemChecked(110) ? 1 : 0;
    s.SpacingInverse = IsItemChecked(111) ? 1 : 0;
    return s;
}

int TLenearSQDialog::Validate() {
    const LinearFitSettings s = SettingsFromControls();
    // Without a series there are no rows: only an open-ended range can pass.
    const int rows = Plot ? Plot->XData.GetItemsInContainer() : 0;
    const char* error = LinearFitSettingsError(s, rows);
    if (!error) return 1;
    kv::MessageBox(this, error, nullptr, MB_OK);
    return 0;
}

void TLenearSQDialog::CmOk() {
    if (!Validate()) return;
    CurrentLinearFitSettings = SettingsFromControls();
    CloseWindow(IDOK);
}

// ---- TNonLenearSQDialog ----

TNonLenearSQDialog::TNonLenearSQDialog(QWidget* parent, BoxFrame* axisSet, TPlot* plot)
    : PDialog(parent, kNonLinearTemplate), AxisSet(axisSet), Plot(plot) {
    OnCommand(141, &TNonLenearSQDialog::CmUserConst);
    OnCommand(142, &TNonLenearSQDialog::CmUserFunction);
    OnCommand(143, &TNonLenearSQDialog::CmLoad);
    OnCommand(144, &TNonLenearSQDialog::CmSave);
}

void TNonLenearSQDialog::SetupWindow() {
    PDialog::SetupWindow();
    const NonLinearFitSettings& s = CurrentNonLinearFitSettings;
    for (int k = 0; k < NonLinearParamCount; ++k)
        CheckItem(kParamCheck + k, s.Enabled[k] == 1 ? BF_CHECKED : BF_UNCHECKED);
    SetItemDocText(102, s.FitStart);
    SetItemDocText(103, s.FitEnd);
    SetItemDocText(105, s.OutputStart);
    SetItemDocText(106, s.OutputEnd);
    SetItemDocText(107, s.Divisions);
    SetItemDocText(112, s.Function);
    for (int k = 0; k < NonLinearParamCount; ++k) SetItemDocText(kInitialEdit + k, s.InitialValues[k]);
    for (int k = 0; k < NonLinearParamCount; ++k) SetItemDocText(kDerivativeEdit + k, s.Derivatives[k]);
    SetItemDocText(140, s.Allowance);
    CheckItem(109, s.SpacingLinear == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(110, s.SpacingExponent == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(111, s.SpacingInverse == 1 ? BF_CHECKED : BF_UNCHECKED);
    SetCaptionDoc(CaptionOf(Plot));
}

NonLinearFitSettings TNonLenearSQDialog::SettingsFromControls() const {
    NonLinearFitSettings s;
    for (int k = 0; k < NonLinearParamCount; ++k) {
        s.Enabled[k] = IsItemChecked(kParamCheck + k) ? 1 : 0;
        s.InitialValues[k] = CutFitText(ItemDocText(kInitialEdit + k));
        s.Derivatives[k] = CutFitText(ItemDocText(kDerivativeEdit + k));
    }
    s.FitStart = CutFitText(ItemDocText(102));
    s.FitEnd = CutFitText(ItemDocText(103));
    s.OutputStart = CutFitText(ItemDocText(105));
    s.OutputEnd = CutFitText(ItemDocText(106));
    s.Divisions = CutFitText(ItemDocText(107));
    s.Function = CutFitText(ItemDocText(112));
    s.Allowance = CutFitText(ItemDocText(140));
    s.SpacingLinear = IsItemChecked(109) ? 1 : 0;
    s.SpacingExponent = IsItemChecked(110) ? 1 : 0;
    s.SpacingInverse = IsItemChecked(111) ? 1 : 0;
    return s;
}

int TNonLenearSQDialog::Validate() {
    return ValidateNonLinearFitSettings(this, AxisSet, Plot, SettingsFromControls());
}

void TNonLenearSQDialog::CmOk() {
    if (!Validate()) return;
    CurrentNonLinearFitSettings = SettingsFromControls();
    CloseWindow(IDOK);
}

bool TNonLenearSQDialog::GetNlsFileName(std::string* path, int mode) {
    const bool save = mode == 1;
    const kv::FileDialogRequest request{
        .kind = save ? kv::FileDialogKind::Save : kv::FileDialogKind::Open,
        .owner = this,
        .title = save ? NlsSaveTitle : NlsLoadTitle,
        .filters = {{NlsFileFilterName, NlsFileFilterPattern}},
        .filterIndex = 1,
        .initialDir = {},
        .fileName = {},
        .defExt = NlsDefaultExtension,
        .flags = save ? OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT
                      : OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
    };
    const kv::FileDialogResult r = kv::RunFileDialog(request);
    if (r.chosen && !r.files.empty() && !r.files.front().empty()) {
        *path = r.files.front();
        return true;
    }
    if (r.error)
        kv::MessageBox(this, kv::Format("Error No. #%ld", long(r.error)), "WARNING", MB_OK | MB_ICONSTOP);
    return false;
}

void TNonLenearSQDialog::ShowNls(const NlsFileData& d) {
    SetItemDocText(112, d.Function);
    for (int k = 0; k < NonLinearParamCount; ++k)
        CheckItem(kParamCheck + k, NlsCheckState(d.Parameters[k]) ? BF_CHECKED : BF_UNCHECKED);
    for (int k = 0; k < NonLinearParamCount; ++k) SetItemDocText(kInitialEdit + k, d.InitialValues[k]);
    for (int k = 0; k < NonLinearParamCount; ++k) SetItemDocText(kDerivativeEdit + k, d.Derivatives[k]);
}

void TNonLenearSQDialog::ReadNls(const std::string& path) { ShowNls(::ReadNls(path.c_str())); }

int TNonLenearSQDialog::WriteNls(const std::string& path) {
    const NlsFileData d = NlsFromSettings(SettingsFromControls());
    if (::WriteNls(path.c_str(), d)) return 1;
    // The settings were not kept: say so rather than let the user count on the file.
    kv::MessageBox(this, kv::LoadString(26), nullptr, MB_OK | MB_ICONSTOP);
    return 0;
}

void TNonLenearSQDialog::CmLoad() {
    std::string path;
    if (GetNlsFileName(&path, 0)) ReadNls(path);
}

void TNonLenearSQDialog::CmSave() {
    std::string path;
    if (GetNlsFileName(&path, 1)) WriteNls(path);
}

void TNonLenearSQDialog::CmUserConst() {
    TUserConst dlg(this, AxisSet);
    dlg.Execute();
}

void TNonLenearSQDialog::CmUserFunction() {
    TUserFunctionDialog dlg(this, AxisSet);
    dlg.Execute();
}
