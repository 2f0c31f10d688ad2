#pragma once
// The formula dialogs of an axis set: its user constants (with ".cst" import), its
// five user functions, the quick evaluation of a formula and the calculated curve.
// Each acts on the axis set it is given (the chart window's current one) and owns
// nothing of the document. Formulas and definitions are document (CP932) text.

#include "dialogs/kit/controls.h"
#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

#include <string>
#include <vector>

class BoxFrame;
class TPlotStyle;

// ---------------------------------------------------------------------------
// User constants

// The definition lines as "name = value" texts: an edit field for a new line above
// the list (the list's id is TUserConst::ListId). Nothing is parsed until OK, which
// replaces the axis set's constants with every line that parses, in list order.
class TUserConst : public PDialog {
    Q_OBJECT
public:
    static constexpr int ListId = 1000;

    TUserConst(QWidget* parent, BoxFrame* axisSet);

    // The list's lines, top first (document text).
    const std::vector<std::string>& Lines() const { return DefinitionLines; }

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    void CmAdd();
    void CmRemove();
    void CmImport();
    void EvListSelChange();
    void InsertLine(int index, const std::string& line);  // -1 appends

    BoxFrame* AxisSet;
    PListBox* List;
    std::vector<std::string> DefinitionLines;  // mirrors List, exact bytes
};

// ---------------------------------------------------------------------------
// User functions

// The texts "#1" to "#5" insert into formulas. OK stores exactly five entries,
// empty ones included; texts are not checked here.
class TUserFunctionDialog : public PDialog {
    Q_OBJECT
public:
    TUserFunctionDialog(QWidget* parent, BoxFrame* axisSet);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    void CmUserConstants();
    BoxFrame* AxisSet;
};

// ---------------------------------------------------------------------------
// Quick evaluation

// The last formula and result line, kept for the run and updated at every close.
struct EvaluateDialogMemory {
    std::string Formula;  // document text
    std::string Result;   // document text of the result line
};
extern EvaluateDialogMemory TEvaluateDialogXfer;

// Compiles and evaluates one formula on the axis set at x = 1, y = 1, row 0 and
// shows "Value = %.15lg"; a formula that cannot be evaluated shows string 42
// instead. "計算" (command 1) keeps the dialog open; every way of closing it
// remembers the formula and the result line and ends with IDCANCEL.
class TEvaluateDialog : public PDialog {
    Q_OBJECT
public:
    TEvaluateDialog(QWidget* parent, BoxFrame* axisSet);

public slots:
    void done(int code) override;

protected:
    void SetupWindow() override;

private:
    void CmCalculate();
    void CmUserConstants();
    void CmUserFunctions();
    BoxFrame* AxisSet;
    bool Remembering = false;  // set once the controls hold the remembered texts
};

// ---------------------------------------------------------------------------
// Calculated curve

// The entries of the last successful generation, kept for the run.
struct DataGenDialogMemory {
    std::string Formula = "x";
    std::string Start = "0";
    std::string End = "10";
    std::string Divisions = "100";
    BYTE Linear = 1;
    BYTE Exponent = 0;
    BYTE Inverse = 0;
};
extern DataGenDialogMemory TDataGenDialogXfer;

// y = f(x) from start to end in divisions steps, appended to the axis set as a new
// memory series (numerics/curvegen.h). OK checks the formula, then generates; any
// failure shows its message (the spacing failure none) and the dialog stays open.
// Ends with IDOK after a generation, IDCANCEL otherwise.
class TDataGenDialog : public PDialog {
    Q_OBJECT
public:
    // memoryStyle: the style new memory series start from (null: the default).
    TDataGenDialog(QWidget* parent, BoxFrame* axisSet, const TPlotStyle* memoryStyle);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    int CheckFormula();
    int GenerateCurve();
    void CmUserConstants();
    void CmUserFunctions();
    void Fail(int stringId);

    BoxFrame* AxisSet;
    const TPlotStyle* MemoryStyle;
};
