#pragma once
// The page's margin texts: what the head and the foot of the printable area show
// (nothing, the file name or the date) and where (centred, left or right). The
// upper row edits the head text, kept in the program settings' Footer fields; the
// lower row the foot text, kept in their Header fields, as the profile names them.
// OK writes the four fields (-1 for a list left without a selection); Cancel
// leaves them.

#include "dialogs/kit/pdialog.h"

namespace kv {
class DialogHost;
}

class THeaderDialog : public PDialog {
    Q_OBJECT
public:
    // host: whose settings are edited; its window is the dialog's parent.
    explicit THeaderDialog(kv::DialogHost* host);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    kv::DialogHost* Host;
};
