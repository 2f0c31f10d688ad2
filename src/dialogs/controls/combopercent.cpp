#include "dialogs/controls/combopercent.h"

#include "dialogs/kit/dlgtext.h"
#include "platform/cformat.h"
#include "platform/wintypes.h"

#include <cstring>

TComboPercent::TComboPercent(PDialog* parent, int id, int)
    : PComboBox(static_cast<QWidget*>(parent)) {
    if (parent) parent->AttachControl(id, this);
    if (!isEditable()) setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    if (lineEdit()) lineEdit()->setCompleter(nullptr);
}

int TComboPercent::AddString(const QString& text) {
    return PComboBox::AddString(text + u'%');
}

int TComboPercent::SetPercentText(const char* text) {
    const QString s = QString::fromUtf8(text ? text : "") + u'%';
    const int i = SelectString(-1, s);
    if (i == CB_ERR) SetText(s);
    return i;
}

std::string TComboPercent::GetPercentText() const {
    std::string s = GetText().toStdString();
    if (!s.empty() && s.back() == '%') s.pop_back();
    return s;
}

int TComboPercent::GetPercentText(char* buffer, int size) const {
    const std::string s = GetPercentText();
    if (buffer && size > 0) lstrcpynA(buffer, s.c_str(), size);
    return int(s.size());
}

void TComboPercent::AppendPercent() {
    const QString s = GetText();
    if (!s.endsWith(u'%')) SetText(s + u'%');
}

void TComboPercent::AddStandardPercents() {
    for (const char* v : {"25", "50", "75", "100", "125", "150", "200", "250", "300", "400", "500"})
        AddString(QString::fromLatin1(v));
}

void TComboPercent::SetPercent(int value) { SetPercentText(kv::Format("%d", value).c_str()); }

int TComboPercent::GetPercent() const {
    bool overflow = false;
    const int v = kv::ReadInt(QString::fromStdString(GetPercentText()), &overflow);
    return !overflow && v >= 2 && v <= 9999 ? v : 100;
}

void TComboPercent::AnswerDropDownAndKillFocus() {
    if (PDialog* dlg = Dialog()) {
        dlg->OnNotify(Id(), CBN_DROPDOWN, [this] { AppendPercent(); });
        dlg->OnNotify(Id(), CBN_KILLFOCUS, [this] { AppendPercent(); });
    }
}
