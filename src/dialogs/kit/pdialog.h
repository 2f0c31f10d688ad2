#pragma once
// The dialog kit: every modal dialog of the program is a PDialog built in code from
// a constant control table, with the Win32 dialog manager's behaviour.
//
// Controls and ids
//   Each row of the table ({id, kind, text, group, flags, textLimit}) makes one
//   control. Every control with an id >= 0 gets that id as its object name, in
//   plain decimal ("101"), and as the property "ctrlId"; handlers and tests find it
//   with Control<T>(id) (or findChild<QWidget*>("101")). Rows with a negative id
//   (IDC_STATIC, or a group box the template does not number) have no object name.
//   The text is the control's own label for buttons, check boxes, radio buttons,
//   statics and group boxes, and the label shown beside an edit, combo box or list
//   box (a separate QLabel whose mnemonic moves the focus to it, see Label(id)).
//   "&" marks mnemonics as in Win32 ("&&" is a plain "&").
//
// Layout
//   Placement is free; the kit lays the rows out in reading order: every row starts
//   a new line of its container (the dialog body, or the group box named by
//   `group`), pf::SameRow continues the line, pf::FullRow spans it, pf::LabelAbove
//   puts an edit's or list's label on its own line (list boxes and multi-line edits
//   always do). Push buttons in the body go to a button row at the bottom unless
//   pf::InBody.
//
// Behaviour
//   - Execute() runs the dialog modally and returns the code given to CloseWindow.
//   - SetupWindow() runs once, after every control exists and before the first
//     show (Create() runs it without showing, for tests). It may close the dialog;
//     Execute() then returns that code without showing anything.
//   - The response table: OnCommand(id, handler) for button clicks, OnNotify(id,
//     code, handler) for list and combo notifications. Notifications come from the
//     user's actions only (clicks, typing, choosing), never from the program
//     setting a control.
//   - IDOK without a handler runs CmOk() (CanClose(), then CloseWindow(IDOK));
//     IDCANCEL without a handler runs CmCancel() (CloseWindow(IDCANCEL)).
//   - Enter sends the command of the focused push button, else of the default push
//     button (the DefPushButton row, else id 1), whatever handler it has; a
//     multi-line edit with pf::WantReturn takes Enter as a new line.
//   - Escape and the close box end the dialog with IDCANCEL directly, never through
//     a handler of command 2.

#include "platform/messagebox.h"  // IDOK, IDCANCEL, ...

#include <QDialog>

#include <functional>
#include <map>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QWidget;
class PDialog;

// Notification codes with their Win32 values; a handler is found by (id, code).
constexpr int BN_CLICKED = 0;
constexpr int LBN_SELCHANGE = 1;
constexpr int LBN_DBLCLK = 2;
constexpr int CBN_SELCHANGE = 1;
constexpr int CBN_KILLFOCUS = 4;
constexpr int CBN_DROPDOWN = 7;

constexpr int IDC_STATIC = -1;

enum class PKind {
    Static,         // a text; with an id the program may change it
    GroupBox,       // a frame with a title around the rows that name it as group
    PushButton,
    DefPushButton,  // the default push button: Enter sends its command
    CheckBox,       // automatic check box
    RadioButton,    // automatic radio button; one group per container (pf::GroupStart)
    Edit,           // single-line edit; pf::Multiline for a multi-line one
    ComboList,      // drop-down list
    ComboEdit,      // drop-down with an edit field
    ListBox,        // single selection; pf::ListMultiple / pf::ListExtended
    OwnerDraw,      // owner-drawn button: a control class attaches itself to the row
};

// Row flags.
namespace pf {
constexpr unsigned SameRow = 1u << 0;       // continue the previous row's line
constexpr unsigned FullRow = 1u << 1;       // span the whole width of the container
constexpr unsigned LabelAbove = 1u << 2;    // the label on its own line above
constexpr unsigned InBody = 1u << 3;        // a push button placed like other rows
constexpr unsigned GroupStart = 1u << 4;    // a radio button starting a new group
constexpr unsigned Multiline = 1u << 5;     // edit: multi-line (CR LF line ends)
constexpr unsigned ReadOnly = 1u << 6;      // edit: read-only
constexpr unsigned WantReturn = 1u << 7;    // multi-line edit: Enter makes a new line
constexpr unsigned VScroll = 1u << 8;       // vertical scroll bar
constexpr unsigned HScroll = 1u << 9;       // horizontal scroll bar (no word wrap)
constexpr unsigned ListMultiple = 1u << 10; // list box: every click toggles a line
constexpr unsigned ListExtended = 1u << 11; // list box: Shift/Ctrl extended selection
constexpr unsigned LeftText = 1u << 12;     // check box with its text at the left
constexpr unsigned Disabled = 1u << 13;     // created disabled
}  // namespace pf

struct PControlSpec {
    int id;
    PKind kind;
    const char* text = nullptr;  // UTF-8, "&" mnemonics
    int group = 0;               // the group box row's id this control sits in; 0 = body
    unsigned flags = 0;
    int textLimit = 0;           // edits: the framework's text limit (typing stops
                                 // one character short of it); 0 = 255
};

struct PDialogTemplate {
    int resourceId;
    const char* caption;  // UTF-8
    std::span<const PControlSpec> controls;
};

// What every kit control shares: its id and the dialog it reports to.
class PControl {
public:
    virtual ~PControl() = default;
    int Id() const { return id_; }
    PDialog* Dialog() const { return dialog_; }
    // Takes the row's settings (text, style flags, text limit).
    virtual void ApplySpec(const PControlSpec& spec);

protected:
    // Reports a notification to the dialog's response table.
    void Notify(int code);

private:
    friend class PDialog;
    int id_ = IDC_STATIC;
    PDialog* dialog_ = nullptr;
};

// The width a window's title bar needs for its caption: the caption in the bold
// application font and room for the title bar's icon and buttons.
int CaptionWidthOf(const QWidget& window);

class PDialog : public QDialog {
    Q_OBJECT
public:
    PDialog(QWidget* parent, const PDialogTemplate& tpl);
    ~PDialog() override;

    // ---- Running.
    int Execute();
    // Runs SetupWindow once (later calls do nothing); false when the set-up closed
    // the dialog.
    bool Create();
    // The code the dialog was closed with, or 0 while it is open.
    int ReturnValue() const { return closed_ ? result_ : 0; }
    bool IsClosed() const { return closed_; }
    // Ends the dialog with code (at once when it is not running).
    void CloseWindow(int code);
    int ResourceId() const { return resourceId_; }

    // ---- Controls by id.
    QWidget* ControlWidget(int id) const;
    template <class T = QWidget>
    T* Control(int id) const {
        return dynamic_cast<T*>(ControlWidget(id));
    }
    // The label made for an edit, combo box or list box row; null when none.
    QLabel* Label(int id) const;
    void EnableControl(int id, bool enable);
    bool IsControlEnabled(int id) const;
    void SetCaption(const QString& caption);
    // A caption from document (CP932) text, such as a file name.
    void SetCaptionDoc(std::string_view cp932);

    // ---- Texts and numbers of controls, by id (buttons, statics, edits, the edit
    // field of a combo box). Doc variants take and give CP932 document text.
    void SetItemText(int id, const QString& text);
    QString ItemText(int id) const;
    void SetItemDocText(int id, std::string_view cp932);
    std::string ItemDocText(int id) const;
    void SetItemInt(int id, int value);                             // "%d"
    int ItemInt(int id, bool* overflow = nullptr) const;            // atoi
    void SetItemReal(int id, double value);                         // "%.15lg"
    double ItemReal(int id, bool* overflow = nullptr) const;        // atof
    // Check boxes and radio buttons: 1 ticked, 0 not.
    void CheckItem(int id, int state);
    int IsItemChecked(int id) const;

    // ---- The response table.
    using Handler = std::function<void()>;
    void OnCommand(int id, Handler handler) { OnNotify(id, BN_CLICKED, std::move(handler)); }
    void OnNotify(int id, int code, Handler handler);
    template <class D>
    void OnCommand(int id, void (D::*fn)()) {
        OnNotify(id, BN_CLICKED, fn);
    }
    template <class D>
    void OnNotify(int id, int code, void (D::*fn)()) {
        D* self = static_cast<D*>(this);
        OnNotify(id, code, Handler([self, fn] { (self->*fn)(); }));
    }
    // Sends a notification as if control id had sent it: its handler, or the
    // default handling of IDOK and IDCANCEL clicks.
    void Dispatch(int id, int code = BN_CLICKED);
    int DefaultId() const { return defaultId_; }
    void SetDefaultId(int id) { defaultId_ = id; }

    // ---- For control classes: puts w in the place of the row with this id (a
    // row the table does not have is added at the end of the body).
    void AttachControl(int id, QWidget* w);

    // Showing the dialog runs the set-up first (see Create).
    void setVisible(bool visible) override;
    // At least as wide as the whole caption needs (CaptionWidthOf), so that a
    // narrow dialog does not open with its title cut off.
    QSize sizeHint() const override;

protected:
    // The framework's set-up: nothing beyond the controls the table made.
    // Overrides call it first.
    virtual void SetupWindow() {}
    virtual bool CanClose() { return true; }
    virtual void CmOk();
    virtual void CmCancel();

    void keyPressEvent(QKeyEvent* e) override;

public slots:
    void done(int code) override;
    void accept() override;
    void reject() override;

private:
    struct Container {
        QGridLayout* grid = nullptr;
        int row = -1;
        int col = 0;
        QButtonGroup* radios = nullptr;
    };
    void Build(const PDialogTemplate& tpl);
    void Place(const PControlSpec& spec, QWidget* w, QLabel* label);
    void Register(int id, QWidget* w);
    Container& ContainerOf(int group);

    int resourceId_ = 0;
    std::vector<PControlSpec> specs_;
    std::map<int, QWidget*> controls_;
    std::map<int, QLabel*> labels_;
    std::map<int, Container> containers_;  // key: group box id; 0 = body
    QHBoxLayout* buttonRow_ = nullptr;
    std::map<std::pair<int, int>, Handler> handlers_;
    int defaultId_ = IDOK;
    bool created_ = false;
    bool creating_ = false;
    bool closed_ = false;
    int result_ = 0;
};
