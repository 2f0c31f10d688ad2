#pragma once
// Two text windows: the read-only report of a fit and the editable information
// text of a series. Texts are document (CP932) text with CR LF line ends, shown
// and read back whole (the edit limits apply to typing only).

#include "dialogs/kit/pdialog.h"

#include <string>

// Shows a report under the caller's caption; always ends with IDCANCEL.
class TMesDialog : public PDialog {
    Q_OBJECT
public:
    TMesDialog(QWidget* parent, const char* text, const char* caption);

protected:
    void SetupWindow() override;

private:
    const char* MessageText;
    const char* MessageCaption;
};

// Edits a string in place: its button (command 2) stores the text and closes; the
// close box and Escape close without storing. Always ends with IDCANCEL.
class TInfoDialog : public PDialog {
    Q_OBJECT
public:
    TInfoDialog(QWidget* parent, std::string* text);

protected:
    void SetupWindow() override;

private:
    void CmClose();
    std::string* InfoText;
};
