#include "dialogs/kit/controls.h"

#include "dialogs/kit/dlgtext.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QList>
#include <QMimeData>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QValidator>

#include <algorithm>

// ---- buttons ----

PButton::PButton(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
    connect(this, &QAbstractButton::clicked, this, [this] { Notify(BN_CLICKED); });
}

void PButton::ApplySpec(const PControlSpec& spec) {
    PControl::ApplySpec(spec);
    setText(kv::U8(spec.text));
    setAutoDefault(false);
    setDefault(spec.kind == PKind::DefPushButton);
}

PCheckBox::PCheckBox(QWidget* parent) : QCheckBox(parent) {
    connect(this, &QAbstractButton::clicked, this, [this] { Notify(BN_CLICKED); });
}

void PCheckBox::ApplySpec(const PControlSpec& spec) {
    PControl::ApplySpec(spec);
    setText(kv::U8(spec.text));
    if (spec.flags & pf::LeftText) setLayoutDirection(Qt::RightToLeft);
}

PRadioButton::PRadioButton(QWidget* parent) : QRadioButton(parent) {
    connect(this, &QAbstractButton::clicked, this, [this] { Notify(BN_CLICKED); });
}

void PRadioButton::ApplySpec(const PControlSpec& spec) {
    PControl::ApplySpec(spec);
    setText(kv::U8(spec.text));
}

void PRadioButton::SetCheck(int state) {
    const bool on = state == BF_CHECKED;
    if (on || !isChecked()) {
        setChecked(on);
        return;
    }
    // An exclusive group refuses to lose its last tick; lift exclusivity for it.
    QButtonGroup* g = group();
    const bool exclusive = g ? g->exclusive() : autoExclusive();
    if (g)
        g->setExclusive(false);
    else
        setAutoExclusive(false);
    setChecked(false);
    if (g)
        g->setExclusive(exclusive);
    else
        setAutoExclusive(exclusive);
}

PStatic::PStatic(QWidget* parent) : QLabel(parent) {}

void PStatic::ApplySpec(const PControlSpec& spec) {
    PControl::ApplySpec(spec);
    // A static shows its mnemonic only as the label of the control after it; the
    // dialog makes those labels itself, so here the marker is dropped.
    setText(kv::StripMnemonic(kv::U8(spec.text)));
}

PGroupBox::PGroupBox(QWidget* parent) : QGroupBox(parent) {}

void PGroupBox::ApplySpec(const PControlSpec& spec) {
    PControl::ApplySpec(spec);
    setTitle(kv::U8(spec.text));
}

// ---- single-line edit ----

namespace {

// Refuses a typed change that makes the text longer than the limit allows, unless
// it does not make the text longer than before (so a long text set by the program
// can still be edited down). Text the program sets passes.
class TypingLimit : public QValidator {
public:
    TypingLimit(QObject* parent, const int* limit, const int* before, const bool* setting)
        : QValidator(parent), limit_(limit), before_(before), setting_(setting) {}
    State validate(QString& input, int&) const override {
        if (*setting_) return Acceptable;
        const int n = kv::DocLength(input);
        return n <= *limit_ - 1 || n <= *before_ ? Acceptable : Invalid;
    }

private:
    const int* limit_;
    const int* before_;
    const bool* setting_;
};

}  // namespace

PEdit::PEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new TypingLimit(this, &textLimit_, &length_, &setting_));
    // The validator runs before this: it sees the length before each change.
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& text) { length_ = kv::DocLength(text); });
}

void PEdit::SetText(const QString& text) {
    setting_ = true;
    setText(text);
    setting_ = false;
}

void PEdit::ApplySpec(const PControlSpec& spec) {
    PControl::ApplySpec(spec);
    SetTextLimit(spec.textLimit > 0 ? spec.textLimit : DefaultTextLimit);
    setReadOnly(spec.flags & pf::ReadOnly);
}

void PEdit::SetTextLimit(int textLimit) { textLimit_ = std::max(1, textLimit); }

// ---- multi-line edit ----

PMultiEdit::PMultiEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void PMultiEdit::ApplySpec(const PControlSpec& spec) {
    PControl::ApplySpec(spec);
    textLimit_ = spec.textLimit > 0 ? spec.textLimit : DefaultTextLimit;
    wantReturn_ = spec.flags & pf::WantReturn;
    setReadOnly(spec.flags & pf::ReadOnly);
    setVerticalScrollBarPolicy((spec.flags & pf::VScroll) ? Qt::ScrollBarAlwaysOn
                                                          : Qt::ScrollBarAsNeeded);
    if (spec.flags & pf::HScroll) {
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
}

void PMultiEdit::SetText(const QString& crlfText) {
    QString t = crlfText;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setPlainText(t);
}

QString PMultiEdit::GetText() const {
    QString t = toPlainText();
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return t;
}

int PMultiEdit::Room() const {
    const QString all = toPlainText();
    const QString sel = textCursor().selectedText().replace(QChar(0x2029), u'\n');
    const int used = kv::DocLength(all) + int(all.count(u'\n')) - kv::DocLength(sel) -
                     int(sel.count(u'\n'));
    return std::max(0, textLimit_ - 1 - used);
}

void PMultiEdit::keyPressEvent(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && (!wantReturn_ || isReadOnly())) {
        e->ignore();  // the dialog's default button
        return;
    }
    if (!isReadOnly()) {
        const QString add = enter ? QStringLiteral("\n") : e->text();
        const bool printable = enter || (!add.isEmpty() && add[0].isPrint());
        if (printable && kv::DocLength(add) + int(add.count(u'\n')) > Room()) {
            e->accept();  // the edit is full: the key is swallowed
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(e);
}

void PMultiEdit::inputMethodEvent(QInputMethodEvent* e) {
    const QString commit = e->commitString();
    if (!commit.isEmpty() && !isReadOnly()) {
        // Keep what fits, whole characters only.
        QString fit;
        int room = Room();
        for (char32_t c : commit.toUcs4()) {
            const QString one = QString::fromUcs4(&c, 1);
            const int n = kv::DocLength(one) + (c == u'\n' ? 1 : 0);
            if (n > room) break;
            room -= n;
            fit += one;
        }
        if (fit != commit) {
            QInputMethodEvent cut(e->preeditString(), e->attributes());
            cut.setCommitString(fit, e->replacementStart(), e->replacementLength());
            QPlainTextEdit::inputMethodEvent(&cut);
            return;
        }
    }
    QPlainTextEdit::inputMethodEvent(e);
}

bool PMultiEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source && source->hasText() && !isReadOnly();
}

void PMultiEdit::insertFromMimeData(const QMimeData* source) {
    // Only text goes in; anything else inserts nothing. The base class is never
    // asked: Qt's own insertion crashes on a source that holds no format at all
    // (what the clipboard gives when nobody owns it).
    if (!canInsertFromMimeData(source)) return;
    QString text = source->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QString fit;
    int room = Room();
    for (char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        const int n = kv::DocLength(one) + (c == u'\n' ? 1 : 0);
        if (n > room) break;
        room -= n;
        fit += one;
    }
    textCursor().insertText(fit);
}

// ---- combo box ----

PComboBox::PComboBox(QWidget* parent) : QComboBox(parent) {
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, qOverload<int>(&QComboBox::activated), this, [this] { Notify(CBN_SELCHANGE); });
}

PComboBox::PComboBox(PDialog* dlg, int id) : PComboBox(static_cast<QWidget*>(dlg)) {
    if (dlg) dlg->AttachControl(id, this);
}

void PComboBox::ApplySpec(const PControlSpec& spec) {
    PControl::ApplySpec(spec);
    const bool editable = spec.kind == PKind::ComboEdit;
    if (editable != isEditable()) setEditable(editable);
    setInsertPolicy(QComboBox::NoInsert);
    if (editable && lineEdit()) lineEdit()->setCompleter(nullptr);
}

int PComboBox::AddString(const QString& text) {
    QSignalBlocker block(this);
    const QString keep = isEditable() ? currentText() : QString();
    const int before = currentIndex();
    addItem(text);
    // Adding a line never changes the selection or the edit field.
    if (currentIndex() != before) setCurrentIndex(before);
    if (isEditable() && currentText() != keep) setEditText(keep);
    return count() - 1;
}

void PComboBox::ClearList() {
    QSignalBlocker block(this);
    const QString keep = isEditable() ? currentText() : QString();
    clear();
    if (isEditable()) setEditText(keep);
}

QString PComboBox::GetString(int index) const {
    return index >= 0 && index < count() ? itemText(index) : QString();
}

int PComboBox::SetSelIndex(int index) {
    QSignalBlocker block(this);
    if (index < 0 || index >= count()) {
        setCurrentIndex(-1);
        if (isEditable()) setEditText(QString());
        return index == -1 ? -1 : CB_ERR;
    }
    setCurrentIndex(index);
    return index;
}

void PComboBox::SetText(const QString& text) {
    QSignalBlocker block(this);
    if (isEditable()) {
        setEditText(text);
        return;
    }
    setCurrentIndex(findText(text, Qt::MatchFixedString));
}

int PComboBox::FindString(int start, const QString& prefix) const {
    const int n = count();
    if (n == 0) return CB_ERR;
    if (start < -1 || start >= n) start = -1;
    // From the line after start to the bottom, then from the top to start itself.
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k) % n;
        if (itemText(i).startsWith(prefix, Qt::CaseInsensitive)) return i;
    }
    return CB_ERR;
}

int PComboBox::SelectString(int start, const QString& prefix) {
    const int i = FindString(start, prefix);
    if (i == CB_ERR) return CB_ERR;
    QSignalBlocker block(this);
    setCurrentIndex(i);
    if (isEditable()) setEditText(itemText(i));
    return i;
}

void PComboBox::showPopup() {
    Notify(CBN_DROPDOWN);
    QComboBox::showPopup();
}

void PComboBox::focusOutEvent(QFocusEvent* e) {
    QComboBox::focusOutEvent(e);
    // Opening the list moves the focus into it without leaving the control (some
    // platforms make the list the active window for that, or move the focus
    // while it is open).
    const bool toList = e->reason() == Qt::PopupFocusReason || (view() && view()->isVisible());
    if (!toList) Notify(CBN_KILLFOCUS);
}

// ---- list box ----

PListBox::PListBox(QWidget* parent) : QListWidget(parent) {
    SetStyle(Style::Single);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] { Notify(LBN_SELCHANGE); });
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { Notify(LBN_DBLCLK); });
}

void PListBox::ApplySpec(const PControlSpec& spec) {
    PControl::ApplySpec(spec);
    SetStyle((spec.flags & pf::ListExtended)   ? Style::Extended
             : (spec.flags & pf::ListMultiple) ? Style::Multiple
                                               : Style::Single);
    if (spec.flags & pf::HScroll) setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void PListBox::SetStyle(Style style) {
    style_ = style;
    setSelectionMode(style == Style::Single     ? QAbstractItemView::SingleSelection
                     : style == Style::Multiple ? QAbstractItemView::MultiSelection
                                                : QAbstractItemView::ExtendedSelection);
}

int PListBox::AddString(const QString& text) {
    QSignalBlocker block(this);
    addItem(text);
    return count() - 1;
}

int PListBox::InsertString(const QString& text, int index) {
    QSignalBlocker block(this);
    if (index < 0 || index > count()) index = count();
    insertItem(index, text);
    return index;
}

int PListBox::DeleteString(int index) {
    if (index < 0 || index >= count()) return LB_ERR;
    QSignalBlocker block(this);
    delete takeItem(index);
    return count();
}

void PListBox::ClearList() {
    QSignalBlocker block(this);
    clear();
}

QString PListBox::GetString(int index) const {
    const QListWidgetItem* it = item(index);
    return it ? it->text() : QString();
}

int PListBox::GetSelIndex() const {
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected()) return i;
    return LB_ERR;
}

int PListBox::SetSelIndex(int index) {
    QSignalBlocker block(this);
    clearSelection();
    if (index < 0 || index >= count()) return index == -1 ? -1 : LB_ERR;
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(index));
    return index;
}

bool PListBox::GetSel(int index) const {
    const QListWidgetItem* it = item(index);
    return it && it->isSelected();
}

int PListBox::SetSel(int index, bool select) {
    if (index < -1 || index >= count()) return LB_ERR;
    QSignalBlocker block(this);
    if (index == -1) {
        for (int i = 0; i < count(); ++i) item(i)->setSelected(select);
    } else {
        item(index)->setSelected(select);
    }
    return 0;
}

int PListBox::GetSelCount() const {
    int n = 0;
    for (int i = 0; i < count(); ++i) n += item(i)->isSelected();
    return n;
}

std::vector<int> PListBox::GetSelIndexes(int maxCount) const {
    std::vector<int> out;
    for (int i = 0; i < count() && int(out.size()) < maxCount; ++i)
        if (item(i)->isSelected()) out.push_back(i);
    return out;
}

int PListBox::GetCaretIndex() const {
    const int r = currentRow();
    return r >= 0 ? r : 0;
}

int PListBox::SetCaretIndex(int index) {
    if (index < 0 || index >= count()) return LB_ERR;
    QSignalBlocker block(this);
    selectionModel()->setCurrentIndex(model()->index(index, 0), QItemSelectionModel::NoUpdate);
    scrollToItem(item(index));
    return 0;
}

int PListBox::GetTopIndex() const {
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

// ---- transfer record ----

void TListBoxData::ToList(PListBox& list) const {
    list.ClearList();
    for (const QString& s : Strings) list.AddString(s);
    for (int i : SelIndices) {
        if (list.GetStyle() == PListBox::Style::Single)
            list.SetSelIndex(i);
        else
            list.SetSel(i, true);
    }
}

void TListBoxData::FromList(const PListBox& list) {
    Strings.clear();
    for (int i = 0; i < list.GetCount(); ++i) Strings.push_back(list.GetString(i));
    SelIndices = list.GetSelIndexes();
}
