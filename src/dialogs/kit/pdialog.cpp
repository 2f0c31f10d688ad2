#include "dialogs/kit/pdialog.h"

#include "dialogs/kit/controls.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/kit/ownerdraw.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

// ---- PControl ----

void PControl::ApplySpec(const PControlSpec&) {}

void PControl::Notify(int code) {
    if (dialog_) dialog_->Dispatch(id_, code);
}

// ---- building ----

namespace {

QWidget* MakeControl(const PControlSpec& spec) {
    switch (spec.kind) {
    case PKind::Static: return new PStatic;
    case PKind::GroupBox: return new PGroupBox;
    case PKind::PushButton:
    case PKind::DefPushButton: return new PButton;
    case PKind::CheckBox: return new PCheckBox;
    case PKind::RadioButton: return new PRadioButton;
    case PKind::Edit:
        if (spec.flags & pf::Multiline) return new PMultiEdit;
        return new PEdit;
    case PKind::ComboList:
    case PKind::ComboEdit: return new PComboBox;
    case PKind::ListBox: return new PListBox;
    case PKind::OwnerDraw: return new POwnerDrawButton;
    }
    return new PStatic;
}

bool HasOwnLabel(const PControlSpec& spec) {
    return (spec.kind == PKind::Edit || spec.kind == PKind::ComboList ||
            spec.kind == PKind::ComboEdit || spec.kind == PKind::ListBox) &&
           spec.text && *spec.text;
}

bool IsBodyButton(const PControlSpec& spec) {
    return (spec.kind == PKind::PushButton || spec.kind == PKind::DefPushButton) &&
           spec.group == 0 && !(spec.flags & pf::InBody);
}

}  // namespace

PDialog::PDialog(QWidget* parent, const PDialogTemplate& tpl) : QDialog(parent) {
    resourceId_ = tpl.resourceId;
    setWindowTitle(kv::U8(tpl.caption));
    // No "?" button in the title bar; the close box stays.
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    Build(tpl);
}

PDialog::~PDialog() = default;

PDialog::Container& PDialog::ContainerOf(int group) {
    auto it = containers_.find(group);
    if (it != containers_.end()) return it->second;
    return containers_.at(0);
}

void PDialog::Build(const PDialogTemplate& tpl) {
    auto* top = new QVBoxLayout(this);
    auto* body = new QGridLayout;
    top->addLayout(body);
    containers_[0].grid = body;
    buttonRow_ = new QHBoxLayout;
    buttonRow_->addStretch(1);
    top->addLayout(buttonRow_);

    for (const PControlSpec& spec : tpl.controls) {
        specs_.push_back(spec);
        QWidget* w = MakeControl(spec);
        QLabel* label = nullptr;
        if (HasOwnLabel(spec)) {
            label = new QLabel(kv::U8(spec.text));
            label->setBuddy(w);
            if (spec.id >= 0) labels_[spec.id] = label;
        }
        if (auto* pc = dynamic_cast<PControl*>(w)) {
            pc->id_ = spec.id;
            pc->dialog_ = this;
            pc->ApplySpec(spec);
        }
        if (spec.flags & pf::Disabled) w->setEnabled(false);
        if (spec.kind == PKind::DefPushButton) defaultId_ = spec.id;
        Place(spec, w, label);
        if (spec.kind == PKind::GroupBox) {
            Container& c = containers_[spec.id];
            c.grid = new QGridLayout(w);
        }
        Register(spec.id, w);
    }
}

void PDialog::Place(const PControlSpec& spec, QWidget* w, QLabel* label) {
    if (IsBodyButton(spec)) {
        buttonRow_->addWidget(w);
        return;
    }
    Container& c = ContainerOf(spec.group);
    if (spec.kind == PKind::RadioButton) {
        if (!c.radios || (spec.flags & pf::GroupStart)) {
            c.radios = new QButtonGroup(this);
            c.radios->setExclusive(true);
        }
        c.radios->addButton(static_cast<QAbstractButton*>(w));
    }
    const bool labelAbove =
        label && ((spec.flags & (pf::LabelAbove | pf::Multiline)) || spec.kind == PKind::ListBox);
    if (!(spec.flags & pf::SameRow) || c.row < 0) {
        ++c.row;
        c.col = 0;
    }
    if (label && labelAbove) {
        c.grid->addWidget(label, c.row, c.col, 1, -1);
        ++c.row;
        c.col = 0;
    } else if (label) {
        c.grid->addWidget(label, c.row, c.col++);
    }
    if (spec.flags & pf::FullRow || labelAbove) {
        c.grid->addWidget(w, c.row, c.col, 1, -1);
        c.col = 1000;  // nothing more on this line
    } else {
        c.grid->addWidget(w, c.row, c.col++);
    }
}

void PDialog::Register(int id, QWidget* w) {
    if (id < 0) return;
    w->setObjectName(QString::number(id));
    w->setProperty("ctrlId", id);
    controls_[id] = w;
}

void PDialog::AttachControl(int id, QWidget* w) {
    const PControlSpec* spec = nullptr;
    for (const PControlSpec& s : specs_)
        if (s.id == id) spec = &s;
    auto* pc = dynamic_cast<PControl*>(w);
    if (pc) {
        pc->id_ = id;
        pc->dialog_ = this;
        if (spec) pc->ApplySpec(*spec);
    }
    QWidget* old = ControlWidget(id);
    if (old && old != w) {
        QWidget* container = old->parentWidget();
        QWidget* before = old->previousInFocusChain();
        w->setParent(container);
        // The layout hands back the old item, no longer its own.
        if (container && container->layout()) delete container->layout()->replaceWidget(old, w);
        w->setEnabled(old->isEnabled());
        if (auto* ob = qobject_cast<QAbstractButton*>(old); ob && ob->group()) {
            if (auto* nb = qobject_cast<QAbstractButton*>(w)) ob->group()->addButton(nb);
            ob->group()->removeButton(ob);
        }
        if (QLabel* label = Label(id)) label->setBuddy(w);
        if (before && before != old) QWidget::setTabOrder(before, w);
        delete old;
    } else if (!old) {
        // Not in the table: a row of its own at the end of the body.
        Container& c = containers_.at(0);
        w->setParent(this);
        c.grid->addWidget(w, ++c.row, 0, 1, -1);
        c.col = 1000;
    }
    Register(id, w);
}

// ---- running ----

bool PDialog::Create() {
    if (created_ || creating_) return !closed_;
    creating_ = true;
    SetupWindow();
    creating_ = false;
    created_ = true;
    return !closed_;
}

QSize PDialog::sizeHint() const {
    QSize size = QDialog::sizeHint();
    size.setWidth(std::max(size.width(), CaptionWidthOf(*this)));
    return size;
}

int CaptionWidthOf(const QWidget& window) {
    // The window manager draws the title; most draw it bold in about the
    // application's font, beside an icon and up to three buttons.
    QFont font = QApplication::font();
    font.setBold(true);
    const int bar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return QFontMetrics(font).horizontalAdvance(window.windowTitle()) + 4 * bar;
}

int PDialog::Execute() {
    if (!Create()) return result_;  // the set-up closed it: never shown
    closed_ = false;
    exec();
    return result_;
}

void PDialog::setVisible(bool visible) {
    if (visible && !created_) {
        if (!Create()) return;  // the set-up closed the dialog: never shown
    }
    QDialog::setVisible(visible);
}

void PDialog::CloseWindow(int code) { done(code); }

void PDialog::done(int code) {
    result_ = code;
    closed_ = true;
    QDialog::done(code);
}

void PDialog::accept() { CloseWindow(IDOK); }
void PDialog::reject() { CloseWindow(IDCANCEL); }

void PDialog::CmOk() {
    if (CanClose()) CloseWindow(IDOK);
}

void PDialog::CmCancel() { CloseWindow(IDCANCEL); }

void PDialog::OnNotify(int id, int code, Handler handler) {
    handlers_[{id, code}] = std::move(handler);
}

void PDialog::Dispatch(int id, int code) {
    auto it = handlers_.find({id, code});
    if (it != handlers_.end()) {
        Handler h = it->second;  // a handler may replace its own entry
        h();
        return;
    }
    if (code != BN_CLICKED) return;
    if (id == IDOK) CmOk();
    else if (id == IDCANCEL) CmCancel();
}

void PDialog::keyPressEvent(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (e->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        CloseWindow(IDCANCEL);
        return;
    }
    if (enter && mods == Qt::NoModifier) {
        e->accept();
        // A focused push button takes Enter itself; otherwise the default button.
        if (auto* b = qobject_cast<PButton*>(focusWidget()); b && b->isEnabled()) {
            b->click();
            return;
        }
        QWidget* def = ControlWidget(defaultId_);
        if (def && !def->isEnabled()) return;
        if (auto* b = qobject_cast<QAbstractButton*>(def)) {
            b->click();
            return;
        }
        Dispatch(defaultId_, BN_CLICKED);
        return;
    }
    QDialog::keyPressEvent(e);
}

// ---- controls by id ----

QWidget* PDialog::ControlWidget(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

QLabel* PDialog::Label(int id) const {
    auto it = labels_.find(id);
    return it == labels_.end() ? nullptr : it->second;
}

void PDialog::EnableControl(int id, bool enable) {
    if (QWidget* w = ControlWidget(id)) w->setEnabled(enable);
}

bool PDialog::IsControlEnabled(int id) const {
    QWidget* w = ControlWidget(id);
    return w && w->isEnabled();
}

void PDialog::SetCaption(const QString& caption) { setWindowTitle(caption); }

void PDialog::SetCaptionDoc(std::string_view cp932) { setWindowTitle(kv::FromDoc(cp932)); }

void PDialog::SetItemText(int id, const QString& text) {
    QWidget* w = ControlWidget(id);
    if (auto* e = dynamic_cast<PMultiEdit*>(w)) e->SetText(text);
    else if (auto* pe = dynamic_cast<PEdit*>(w)) pe->SetText(text);
    else if (auto* l = qobject_cast<QLineEdit*>(w)) l->setText(text);
    else if (auto* c = dynamic_cast<PComboBox*>(w)) c->SetText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(text);
    else if (auto* s = qobject_cast<QLabel*>(w)) s->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(text);
}

QString PDialog::ItemText(int id) const {
    QWidget* w = ControlWidget(id);
    if (auto* e = dynamic_cast<PMultiEdit*>(w)) return e->GetText();
    if (auto* l = qobject_cast<QLineEdit*>(w)) return l->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* s = qobject_cast<QLabel*>(w)) return s->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    return QString();
}

void PDialog::SetItemDocText(int id, std::string_view cp932) {
    SetItemText(id, kv::FromDoc(cp932));
}

std::string PDialog::ItemDocText(int id) const { return kv::ToDoc(ItemText(id)); }

void PDialog::SetItemInt(int id, int value) { SetItemText(id, kv::ShowInt(value)); }

int PDialog::ItemInt(int id, bool* overflow) const { return kv::ReadInt(ItemText(id), overflow); }

void PDialog::SetItemReal(int id, double value) { SetItemText(id, kv::ShowReal(value)); }

double PDialog::ItemReal(int id, bool* overflow) const {
    return kv::ReadReal(ItemText(id), overflow);
}

void PDialog::CheckItem(int id, int state) {
    QWidget* w = ControlWidget(id);
    if (auto* r = dynamic_cast<PRadioButton*>(w)) r->SetCheck(state);
    else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setChecked(state == BF_CHECKED);
}

int PDialog::IsItemChecked(int id) const {
    auto* b = qobject_cast<QAbstractButton*>(ControlWidget(id));
    return b && b->isChecked() ? BF_CHECKED : BF_UNCHECKED;
}
