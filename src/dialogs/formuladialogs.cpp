#include "dialogs/formuladialogs.h"

#include "dialogs/dialoghost.h"
#include "dialogs/kit/dlgtext.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "numerics/constfile.h"
#include "numerics/curvegen.h"
#include "platform/cformat.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <algorithm>

EvaluateDialogMemory TEvaluateDialogXfer;
DataGenDialogMemory TDataGenDialogXfer;

namespace {

// A formula or definition is read into a 256-byte buffer; what is kept between
// openings into a 255-byte one.
constexpr std::size_t kReadLimit = 255;
constexpr std::size_t kKeepLimit = 254;

void ShowStop(QWidget* owner, int stringId) {
    kv::MessageBox(owner, kv::LoadString(stringId), nullptr, MB_OK | MB_ICONSTOP);
}

constexpr PControlSpec kUserConstRows[] = {
    {101, PKind::Edit, "定義(&D):", 0, pf::FullRow},
    {TUserConst::ListId, PKind::ListBox, nullptr, 0, pf::FullRow | pf::VScroll | pf::HScroll},
    {102, PKind::PushButton, "追加(&A)", 0, pf::InBody},
    {103, PKind::PushButton, "削除(&R)", 0, pf::InBody | pf::SameRow},
    {104, PKind::PushButton, "読込(&I)", 0, pf::InBody | pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kUserConstTemplate{22, "ﾕｰｻﾞ定義定数", kUserConstRows};

constexpr PControlSpec kUserFunctionRows[] = {
    {101, PKind::Edit, "#1 =", 0, pf::FullRow},
    {102, PKind::Edit, "#2 =", 0, pf::FullRow},
    {103, PKind::Edit, "#3 =", 0, pf::FullRow},
    {104, PKind::Edit, "#4 =", 0, pf::FullRow},
    {105, PKind::Edit, "#5 =", 0, pf::FullRow},
    {106, PKind::PushButton, "C"},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kUserFunctionTemplate{23, "ﾕｰｻﾞ定義関数", kUserFunctionRows};

constexpr PControlSpec kEvaluateRows[] = {
    {101, PKind::Edit, "関数式(&F):", 0, pf::FullRow},
    {102, PKind::Static, "Value = ", 0, pf::FullRow},
    {1, PKind::DefPushButton, "計算"},
    {2, PKind::PushButton, "閉じる(&C)"},
    {103, PKind::PushButton, "C"},
    {104, PKind::PushButton, "F"},
};
const PDialogTemplate kEvaluateTemplate{25, "簡易評価", kEvaluateRows};

// The formula's label sits above the "y =" line; it is a static given the edit as
// its buddy (id 100 is not one of the dialog's controls).
constexpr int kFormulaLabel = 100;
constexpr int kSpacingGroup = -1001;
constexpr PControlSpec kDataGenRows[] = {
    {kFormulaLabel, PKind::Static, "関数式(&F):"},
    {IDC_STATIC, PKind::Static, "y ="},
    {101, PKind::Edit, nullptr, 0, pf::SameRow},
    {103, PKind::Edit, "開始値(&S):"},
    {104, PKind::Edit, "終了値(&E):"},
    {105, PKind::Edit, "分割数(&D):"},
    {kSpacingGroup, PKind::GroupBox, "分割方法", 0, pf::FullRow},
    {107, PKind::RadioButton, "線形(&L)", kSpacingGroup},
    {108, PKind::RadioButton, "指数(&X)", kSpacingGroup, pf::SameRow},
    {109, PKind::RadioButton, "逆数(&I)", kSpacingGroup, pf::SameRow},
    {110, PKind::PushButton, "C"},
    {111, PKind::PushButton, "F"},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kDataGenTemplate{24, "計算曲線の挿入", kDataGenRows};

}  // namespace

// ---- TUserConst ----

TUserConst::TUserConst(QWidget* parent, BoxFrame* axisSet)
    : PDialog(parent, kUserConstTemplate), AxisSet(axisSet), List(Control<PListBox>(ListId)) {
    OnCommand(102, &TUserConst::CmAdd);
    OnCommand(103, &TUserConst::CmRemove);
    OnCommand(104, &TUserConst::CmImport);
    OnNotify(ListId, LBN_SELCHANGE, &TUserConst::EvListSelChange);
    resize(420, 360);
}

void TUserConst::SetupWindow() {
    PDialog::SetupWindow();
    if (!AxisSet) return;
    const auto& consts = AxisSet->UserConsts;
    for (int i = consts.LowerBound(); i <= consts.UpperBound(); ++i)
        InsertLine(-1, ConstantListLine(consts[i]));
}

void TUserConst::InsertLine(int index, const std::string& line) {
    if (index < 0 || std::size_t(index) >= DefinitionLines.size()) {
        DefinitionLines.push_back(line);
        List->AddString(kv::FromDoc(line));
    } else {
        DefinitionLines.insert(DefinitionLines.begin() + index, line);
        List->InsertString(kv::FromDoc(line), index);
    }
}

void TUserConst::EvListSelChange() {
    const int index = List->GetSelIndex();
    if (index >= 0 && std::size_t(index) < DefinitionLines.size())
        SetItemDocText(101, DefinitionLines[std::size_t(index)]);
}

void TUserConst::CmAdd() {
    if (DefinitionLines.size() >= ConstListLimit) {
        ShowStop(this, 1181);
        return;
    }
    InsertLine(0, CutDocText(ItemDocText(101), kReadLimit));
}

void TUserConst::CmRemove() {
    const int index = List->GetSelIndex();
    if (index < 0 || std::size_t(index) >= DefinitionLines.size()) return;
    DefinitionLines.erase(DefinitionLines.begin() + index);
    List->DeleteString(index);
    List->SetSelIndex(index < List->GetCount() ? index : -1);
}

void TUserConst::CmImport() {
    const kv::FileDialogRequest request{
        .kind = kv::FileDialogKind::Open,
        .owner = this,
        .title = "Open User Constant Data",
        .filters = {{"User Constant Data(*.cst)", "*.cst"}},
        .filterIndex = 1,
        .initialDir = {},
        .fileName = {},
        .defExt = {},
        .flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER,
    };
    const kv::FileDialogResult r = kv::RunFileDialog(request);
    if (!r.chosen || r.files.empty()) {
        if (r.error)
            kv::MessageBox(this, kv::Format("Error No. #%ld", long(r.error)), "WARNING",
                           MB_OK | MB_ICONSTOP);
        return;
    }

    std::vector<std::string> read;
    const std::size_t room = ConstListLimit - std::min(ConstListLimit, DefinitionLines.size());
    const ConstFileStatus status = ReadConstantFile(r.files.front(), read, room);
    if (status == ConstFileStatus::OpenFailed) {
        ShowStop(this, 27);
        return;
    }
    List->setUpdatesEnabled(false);
    for (const std::string& line : read) InsertLine(-1, line);
    List->setUpdatesEnabled(true);
    if (status == ConstFileStatus::TooManyLines) ShowStop(this, 1181);
}

void TUserConst::CmOk() {
    if (AxisSet) {
        const TArrayAsVector<TUserConstElement> before = AxisSet->UserConsts;
        ApplyConstantLines(*AxisSet, DefinitionLines);
        if (before != AxisSet->UserConsts) kv::MarkAxisSetModified(this, AxisSet);
    }
    CloseWindow(IDOK);
}

// ---- TUserFunctionDialog ----

TUserFunctionDialog::TUserFunctionDialog(QWidget* parent, BoxFrame* axisSet)
    : PDialog(parent, kUserFunctionTemplate), AxisSet(axisSet) {
    OnCommand(106, &TUserFunctionDialog::CmUserConstants);
    resize(420, 0);
}

void TUserFunctionDialog::SetupWindow() {
    PDialog::SetupWindow();
    if (!AxisSet) return;
    for (int k = 0; k < 5; ++k)
        if (AxisSet->UserFunctions.IsValidIndex(k)) SetItemDocText(101 + k, AxisSet->UserFunctions[k]);
}

void TUserFunctionDialog::CmOk() {
    if (AxisSet) {
        const TArrayAsVector<std::string> before = AxisSet->UserFunctions;
        AxisSet->UserFunctions.Flush();
        for (int k = 0; k < 5; ++k)
            AxisSet->UserFunctions.Add(CutDocText(ItemDocText(101 + k), kReadLimit));
        if (before != AxisSet->UserFunctions) kv::MarkAxisSetModified(this, AxisSet);
    }
    CloseWindow(IDOK);
}

void TUserFunctionDialog::CmUserConstants() {
    TUserConst dlg(this, AxisSet);
    dlg.Execute();
}

// ---- TEvaluateDialog ----

TEvaluateDialog::TEvaluateDialog(QWidget* parent, BoxFrame* axisSet)
    : PDialog(parent, kEvaluateTemplate), AxisSet(axisSet) {
    OnCommand(IDOK, &TEvaluateDialog::CmCalculate);
    // Closing is done() for every way out (this button, Escape, the close box).
    OnCommand(IDCANCEL, [this] { CloseWindow(IDCANCEL); });
    OnCommand(103, &TEvaluateDialog::CmUserConstants);
    OnCommand(104, &TEvaluateDialog::CmUserFunctions);
    resize(420, 0);
}

void TEvaluateDialog::SetupWindow() {
    PDialog::SetupWindow();
    SetItemDocText(101, TEvaluateDialogXfer.Formula);
    SetItemDocText(102, TEvaluateDialogXfer.Result);
    Remembering = true;
}

void TEvaluateDialog::done(int code) {
    if (Remembering) {
        TEvaluateDialogXfer.Formula = CutDocText(ItemDocText(101), kKeepLimit);
        TEvaluateDialogXfer.Result = CutDocText(ItemDocText(102), kKeepLimit);
    }
    PDialog::done(code);
}

void TEvaluateDialog::CmCalculate() {
    const std::string formula = CutDocText(ItemDocText(101), kReadLimit);
    // A one-row series: the formula sees x = 1, y = 1 and row 0.
    TPlot row;
    row.AddX(TDataElement(1.0, 0));
    row.AddY(TDataElement(1.0, 0));
    double value = 0.0;
    const bool ok =
        AxisSet &&
        AxisSet->Evaluate(formula, value, BoxFrame::EvalCompile, &row, 0, -1,
                          BoxFrame::ComponentValue) == 1 &&
        AxisSet->Evaluate(formula, value, BoxFrame::EvalRow, &row, 0, -1, BoxFrame::ComponentValue) == 1;
    // Without a value the line says why rather than showing a number nothing gave.
    if (ok)
        SetItemDocText(102, kv::Format("Value = %.15lg", value));
    else
        SetItemText(102, kv::U8(kv::LoadString(42)));
}

void TEvaluateDialog::CmUserConstants() {
    TUserConst dlg(this, AxisSet);
    dlg.Execute();
}

void TEvaluateDialog::CmUserFunctions() {
    TUserFunctionDialog dlg(this, AxisSet);
    dlg.Execute();
}

// ---- TDataGenDialog ----

TDataGenDialog::TDataGenDialog(QWidget* parent, BoxFrame* axisSet, const TPlotStyle* memoryStyle)
    : PDialog(parent, kDataGenTemplate), AxisSet(axisSet), MemoryStyle(memoryStyle) {
    if (auto* label = Control<QLabel>(kFormulaLabel)) {
        label->setText(kv::U8("関数式(&F):"));
        label->setBuddy(ControlWidget(101));
    }
    OnCommand(110, &TDataGenDialog::CmUserConstants);
    OnCommand(111, &TDataGenDialog::CmUserFunctions);
}

void TDataGenDialog::SetupWindow() {
    PDialog::SetupWindow();
    const DataGenDialogMemory& m = TDataGenDialogXfer;
    SetItemDocText(101, m.Formula);
    SetItemDocText(103, m.Start);
    SetItemDocText(104, m.End);
    SetItemDocText(105, m.Divisions);
    CheckItem(107, m.Linear == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(108, m.Exponent == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(109, m.Inverse == 1 ? BF_CHECKED : BF_UNCHECKED);
}

void TDataGenDialog::Fail(int stringId) { ShowStop(this, stringId); }

int TDataGenDialog::CheckFormula() {
    if (!AxisSet) return 0;
    if (CheckCurveFormula(*AxisSet, CutDocText(ItemDocText(101), kReadLimit)) != CurveStatus::Done) {
        Fail(42);
        return 0;
    }
    return 1;
}

int TDataGenDialog::GenerateCurve() {
    if (!AxisSet) return 0;
    const std::string formula = CutDocText(ItemDocText(101), kReadLimit);
    CurveRequest r;
    r.Formula = formula;
    // A bound too large for a double reads as an infinity and is refused as such.
    r.Start = ItemReal(103);
    r.End = ItemReal(104);
    // A count beyond the int range saturates, so it is refused as too large or
    // not positive instead of wrapping round to a small count.
    r.Divisions = ItemInt(105);
    r.Method = IsItemChecked(107)   ? DivisionLinear
               : IsItemChecked(108) ? DivisionExponent
               : IsItemChecked(109) ? DivisionInverse
                                    : 0;
    r.MemoryStyle = MemoryStyle;
    switch (::GenerateCurve(*AxisSet, r)) {
    case CurveStatus::Done: return 1;
    case CurveStatus::BadFormula: Fail(42); return 0;
    case CurveStatus::EmptyFormula: Fail(43); return 0;
    case CurveStatus::DivisionsNotPositive: Fail(44); return 0;
    case CurveStatus::TooManyDivisions: Fail(45); return 0;
    case CurveStatus::NumberTooLarge: Fail(1152); return 0;
    case CurveStatus::NoMemory: Fail(17); return 0;
    case CurveStatus::ListFull: Fail(1180); return 0;
    case CurveStatus::BadSpacing: return 0;
    }
    return 0;
}

void TDataGenDialog::CmOk() {
    if (!CheckFormula()) return;
    if (!GenerateCurve()) return;
    DataGenDialogMemory& m = TDataGenDialogXfer;
    m.Formula = CutDocText(ItemDocText(101), kKeepLimit);
    m.Start = CutDocText(ItemDocText(103), kKeepLimit);
    m.End = CutDocText(ItemDocText(104), kKeepLimit);
    m.Divisions = CutDocText(ItemDocText(105), kKeepLimit);
    m.Linear = IsItemChecked(107) ? 1 : 0;
    m.Exponent = IsItemChecked(108) ? 1 : 0;
    m.Inverse = IsItemChecked(109) ? 1 : 0;
    CloseWindow(IDOK);
}

void TDataGenDialog::CmUserConstants() {
    TUserConst dlg(this, AxisSet);
    dlg.Execute();
}

void TDataGenDialog::CmUserFunctions() {
    TUserFunctionDialog dlg(this, AxisSet);
    dlg.Execute();
}
