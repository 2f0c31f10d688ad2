#pragma once
// The environment options: selection-handle size, autoscale margin, the search
// used when a data point is picked, the data drive, the external editor, reading
// file series again before each drawing, the metafile margin (typed in fifths of
// a point, kept in twips) and the precision of the data read-outs. OK checks the
// numbers, then writes the host's settings in memory; the profile gets them when
// the application writes its settings.

#include "dialogs/kit/pdialog.h"

namespace kv {
class DialogHost;
}

// The largest handle size the dialog accepts, in screen dots: far beyond any
// screen, and small enough that the handle's twips never overflow.
constexpr int MaxHandleSizeSetting = 9999;

class TOptionDialog : public PDialog {
    Q_OBJECT
public:
    // parent: the dialog host (or a child of it) whose settings are edited
    // (kv::FindDialogHost). A dialog without one closes at set-up with IDCANCEL.
    explicit TOptionDialog(QWidget* parent);

    // The handle size from 1 to MaxHandleSizeSetting and the autoscale margin
    // from 0 to 100; else the message of the first bad field, and 0. The metafile
    // margin must keep its twips within an int.
    int Validate();

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    kv::DialogHost* Host = nullptr;
};
