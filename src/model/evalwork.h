#pragma once
// The formula evaluator's working storage, one per axis set: the compiler's
// operator stack, the compiled postfix list, the lexer's state and the value stack.
// It is plain data here; the lexer, compiler and evaluator that use it are member
// operations of BoxFrame defined with the formula language.
//
// Unlike a design with program-wide counters, the compiled list's length, the
// stack depth and whether the last compile succeeded belong to each axis set, so
// compiling a formula on one axis set never invalidates another's.

#include <cstdint>
#include <string>
#include <vector>

// What a token is. The numbers are part of the language's definition (5, 9 and 26
// are unused).
enum TokenKind : int {
    tkAdd = 0,
    tkSub = 1,
    tkMul = 2,
    tkDiv = 3,
    tkPow = 4,
    tkLParen = 6,
    tkRParen = 7,
    tkNumber = 8,
    tkFunction = 10,
    tkEnd = 11,
    tkError = 12,  // lexical error; never stored
    tkComma = 13,
    tkUnaryPlus = 14,
    tkUnaryMinus = 15,
    tkVariable = 16,
    tkRowIndex = 17,
    tkOr = 18,
    tkAnd = 19,
    tkEq = 20,
    tkNe = 21,
    tkLt = 22,
    tkLe = 23,
    tkGt = 24,
    tkGe = 25,
    tkParamColumn = 27,
};

// One token as the lexer produces it and the compiler and evaluator keep it.
struct FormulaToken {
    int Precedence = 0;  // binding strength; -1 only in the operator stack's bottom mark
    int Kind = tkEnd;    // a TokenKind
    double Value = 0.0;  // tkNumber: its value
    int FunctionId = 0;  // tkFunction: 1 to 50
    int VarIndex = 0;    // tkVariable: 0 x, 1 y; tkParamColumn: column number - 1
};

// Entries in each of the three token arrays; entry 0 of the operator stack is the
// bottom mark and entry 0 of the other two is unused, so at most 99 are usable.
constexpr int EvalStackSize = 100;

// The compiled formula in the form that computes a block of rows per
// instruction (built by the compiler beside PostfixList, run by
// BoxFrame::EvaluateRows): constant parts folded, each instruction reading and
// writing whole slots of EvalBlockRows values. Plain data here; the numerics
// library gives the codes their meaning.
constexpr int EvalBlockRows = 128;

struct EvalBlockOp {
    std::uint8_t Code = 0;
    std::int16_t Dst = -1;               // the slot written
    std::int16_t Arg[3] = {-1, -1, -1};  // operand slots; -1: the constant beside it
    double Const[3] = {0.0, 0.0, 0.0};
    int Id = 0;                          // function id, variable or parameter column
};

struct EvalBlockProgram {
    int Mode = 0;        // 0 every row fails, 1 run the instructions, 2 row by row
    int OpCount = 0;
    EvalBlockOp Ops[EvalStackSize];
    int ResultSlot = -1;         // -1: the result is ResultConst on every row
    double ResultConst = 0.0;
    int SlotCount = 0;
    bool MayFailPerRow = false;  // holds a function that fails on some values or rows
    bool ReadsSeriesColumns = false;  // dx, dy, nrx or nry: fails on every row without a series
    bool FailsAtDepthZero = false;    // mode 0: every row fails before it pushes a value
    std::vector<double> Slots;   // SlotCount * EvalBlockRows values, sized by the compiler
};

struct EvalWork {
    EvalWork() { OperatorStack[0].Precedence = -1; }
    // ScanCursor points into this object's own ExpandedText, so the storage is
    // never copied (an axis-set copy leaves it alone).
    EvalWork(const EvalWork&) = delete;
    EvalWork& operator=(const EvalWork&) = delete;

    FormulaToken OperatorStack[EvalStackSize];  // compiler stack, entries 1..StackDepth
    FormulaToken PostfixList[EvalStackSize];    // compiled formula, entries 1..PostfixLength
    FormulaToken CurrentToken;                  // the token the lexer produced last
    FormulaToken ValueStack[EvalStackSize];     // evaluation stack; entry 1 holds the result
    const char* ScanCursor = nullptr;           // the lexer's position in ExpandedText
    std::string ExpandedText;                   // "(" + the prepared formula + ")"

    int StackDepth = 0;     // operator stack while compiling, value stack while evaluating
    int PostfixLength = 0;  // items in PostfixList from the last compile on this axis set
    int IsCompiled = 0;     // 1 when the last compile on this axis set succeeded
    EvalBlockProgram Block;  // the same formula, for blocks of rows
};
