#pragma once
// The editable combo box through which the style dialogs enter percentages. Its
// lines and typed values carry a trailing "%", values are read back without it.
//
// The dialogs' rules: the list holds 25, 50, 75, 100, 125, 150, 200, 250, 300, 400
// and 500 (AddStandardPercents); the current value is shown with SetPercentText of
// "%d"; a typed number gains its "%" when the list opens or the focus leaves
// (AnswerDropDownAndKillFocus registers the two handlers); OK stores the typed
// integer when it lies from 2 to 9999 and 100 otherwise, silently (GetPercent).

#include "dialogs/kit/controls.h"

#include <string>

class TComboPercent : public PComboBox {
    Q_OBJECT
public:
    // Attaches itself to the dialog's combo row id (made editable).
    TComboPercent(PDialog* parent, int id, int textLen = 1);

    // Adds text followed by "%"; the new line's index.
    int AddString(const QString& text) override;
    // Selects the first line that begins with text + "%" (null: "%"), searching
    // from the top, and returns its index; without one, puts text + "%" into the
    // field and returns CB_ERR.
    int SetPercentText(const char* text);
    // The field with one trailing "%" removed, whole; copies at most size - 1
    // characters of it into buffer and returns the length of the whole text.
    int GetPercentText(char* buffer, int size) const;
    std::string GetPercentText() const;
    // Adds "%" to the field when it does not end in one.
    void AppendPercent();

    // The dialogs' conventions (see above).
    void AddStandardPercents();
    void SetPercent(int value);
    int GetPercent() const;
    void AnswerDropDownAndKillFocus();
};
