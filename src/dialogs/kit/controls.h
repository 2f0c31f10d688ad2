#pragma once
// The kit's controls: Qt widgets with the Win32 controls' operations and
// notifications. The dialog makes one for each row of its table; a control class of
// its own (an owner-drawn button, the percent combo box) attaches itself to a row
// by id with the (PDialog*, id) constructor.
//
// Programmatic changes never notify: only the user's clicks, typing and choosing
// reach the response table.

#include "dialogs/kit/pdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <string>
#include <string_view>
#include <vector>

constexpr int LB_ERR = -1;
constexpr int CB_ERR = -1;
constexpr int BF_UNCHECKED = 0;
constexpr int BF_CHECKED = 1;

// Edits made by the dialogs take the framework's default text limit.
constexpr int DefaultTextLimit = 255;

class PButton : public QPushButton, public PControl {
    Q_OBJECT
public:
    explicit PButton(QWidget* parent = nullptr);
    void ApplySpec(const PControlSpec& spec) override;
};

class PCheckBox : public QCheckBox, public PControl {
    Q_OBJECT
public:
    explicit PCheckBox(QWidget* parent = nullptr);
    void ApplySpec(const PControlSpec& spec) override;
    int GetCheck() const { return isChecked() ? BF_CHECKED : BF_UNCHECKED; }
    void SetCheck(int state) { setChecked(state == BF_CHECKED); }
};

// An automatic radio button. Its group (the QButtonGroup the dialog made) may show
// none ticked: SetCheck(BF_UNCHECKED) clears even the ticked one.
class PRadioButton : public QRadioButton, public PControl {
    Q_OBJECT
public:
    explicit PRadioButton(QWidget* parent = nullptr);
    void ApplySpec(const PControlSpec& spec) override;
    int GetCheck() const { return isChecked() ? BF_CHECKED : BF_UNCHECKED; }
    void SetCheck(int state);
};

class PStatic : public QLabel, public PControl {
    Q_OBJECT
public:
    explicit PStatic(QWidget* parent = nullptr);
    void ApplySpec(const PControlSpec& spec) override;
};

class PGroupBox : public QGroupBox, public PControl {
    Q_OBJECT
public:
    explicit PGroupBox(QWidget* parent = nullptr);
    void ApplySpec(const PControlSpec& spec) override;
};

// A single-line edit. The text limit restricts typing only (textLimit - 1 CP932
// bytes); text the program sets with SetText is kept whole and read back whole
// (set texts through SetText or PDialog::SetItemText, not QLineEdit::setText,
// or a text beyond the limit lifts the limit until it is edited down).
class PEdit : public QLineEdit, public PControl {
    Q_OBJECT
public:
    explicit PEdit(QWidget* parent = nullptr);
    void ApplySpec(const PControlSpec& spec) override;
    void SetTextLimit(int textLimit);
    int GetTextLimit() const { return textLimit_; }
    void SetText(const QString& text);
    QString GetText() const { return text(); }

private:
    int textLimit_ = DefaultTextLimit;
    int length_ = 0;
    bool setting_ = false;
};

// A multi-line edit. Line ends are CR LF outside (SetText/GetText) and LF inside.
// Typing stops at textLimit - 1 CP932 bytes (a line end counts 2); text the
// program sets is kept whole. Without WantReturn, Enter goes to the dialog.
class PMultiEdit : public QPlainTextEdit, public PControl {
    Q_OBJECT
public:
    explicit PMultiEdit(QWidget* parent = nullptr);
    void ApplySpec(const PControlSpec& spec) override;
    void SetTextLimit(int textLimit) { textLimit_ = textLimit; }
    int GetTextLimit() const { return textLimit_; }
    void SetWantReturn(bool on) { wantReturn_ = on; }
    void SetText(const QString& crlfText);
    QString GetText() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    // Pastes and drops insert plain text only, cut to what the limit leaves room for.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // CP932 bytes that typing may still add in place of the current selection.
    int Room() const;
    int textLimit_ = DefaultTextLimit;
    bool wantReturn_ = false;
};

// A drop-down list (ComboList) or a drop-down with an edit field (ComboEdit).
// Notifications: CBN_SELCHANGE when the user picks a line, CBN_DROPDOWN before the
// list opens, CBN_KILLFOCUS when the focus leaves (not for the list opening).
class PComboBox : public QComboBox, public PControl {
    Q_OBJECT
public:
    explicit PComboBox(QWidget* parent = nullptr);
    // Attaches itself to row id of dlg.
    PComboBox(PDialog* dlg, int id);
    void ApplySpec(const PControlSpec& spec) override;

    virtual int AddString(const QString& text);  // the new line's index
    void ClearList();
    int GetCount() const { return count(); }
    QString GetString(int index) const;
    int GetSelIndex() const { return currentIndex(); }  // CB_ERR when none
    // Selects line index; -1 or an index outside the list clears the selection
    // (CB_ERR is then returned for an outside index).
    int SetSelIndex(int index);
    // The edit field (ComboEdit) or the selected line's text (ComboList).
    QString GetText() const { return currentText(); }
    void SetText(const QString& text);
    // CB_SELECTSTRING: the first line after start (-1: from the top) that begins
    // with prefix, ignoring case, searching on from the top to start itself;
    // selects it and returns its index, or CB_ERR with the selection unchanged.
    int SelectString(int start, const QString& prefix);
    // The index SelectString would choose, without selecting.
    int FindString(int start, const QString& prefix) const;

    void showPopup() override;

protected:
    void focusOutEvent(QFocusEvent* e) override;
};

// A list box: single selection, multiple selection where each click toggles a
// line, or extended selection with a caret. Notifications: LBN_SELCHANGE when the
// user changes the selection, LBN_DBLCLK on a double click.
class PListBox : public QListWidget, public PControl {
    Q_OBJECT
public:
    enum class Style { Single, Multiple, Extended };
    explicit PListBox(QWidget* parent = nullptr);
    void ApplySpec(const PControlSpec& spec) override;
    void SetStyle(Style style);
    Style GetStyle() const { return style_; }

    int AddString(const QString& text);  // the new line's index
    int InsertString(const QString& text, int index);  // -1 appends
    int DeleteString(int index);         // the remaining count, or LB_ERR
    void ClearList();
    int GetCount() const { return count(); }
    QString GetString(int index) const;
    // Single selection: the selected line, or LB_ERR.
    int GetSelIndex() const;
    // Single selection: selects index (scrolled into view); -1 or an outside index
    // selects nothing (LB_ERR for an outside index).
    int SetSelIndex(int index);
    // Multiple and extended selection.
    bool GetSel(int index) const;
    int SetSel(int index, bool select);  // index -1: every line; LB_ERR outside
    int GetSelCount() const;
    // The selected lines in ascending order, at most maxCount of them.
    std::vector<int> GetSelIndexes(int maxCount = 1000) const;
    // The caret (focus line); LB_ERR for an index outside the list, which is refused.
    int GetCaretIndex() const;
    int SetCaretIndex(int index);
    int GetTopIndex() const;

private:
    Style style_ = Style::Single;
};

// The framework's list-box transfer record: the list's strings and the indexes of
// its selected lines, ascending.
struct TListBoxData {
    std::vector<QString> Strings;
    std::vector<int> SelIndices;
    void Clear() {
        Strings.clear();
        SelIndices.clear();
    }
    void ToList(PListBox& list) const;
    void FromList(const PListBox& list);
};
