#pragma once
// The page's margin texts: what the head and the foot of the printable area show
// (nothing, the file name or the date) and where (centred, left or right). The
// upper row edits the head text, kept in the chart window's Footer fields; the
// lower row the foot text, kept in its Header fields, as the profile names them.
// OK writes the four fields (-1 for a list left without a selection); Cancel
// leaves them.

#include "dialogs/kit/pdialog.h"

class TChartWindow;

class THeaderDialog : public PDialog {
    Q_OBJECT
public:
    // parent: the chart window whose settings are edited.
    explicit THeaderDialog(TChartWindow* parent);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    TChartWindow* Chart;
};
