#pragma once
// The details of one axis's numeric labels: manual digits, "+" on positive values,
// one common zero where the X and Y axes cross, automatic rebuilding, a position
// adjustment (shown in points, kept in twips) and the label skip. The axis dialog
// runs it on its working copy of the axis shown, so nothing reaches the document
// before the axis dialog's OK.

#include "dialogs/kit/pdialog.h"

class AxisUnit;

class TLabelMore : public PDialog {
    Q_OBJECT
public:
    TLabelMore(QWidget* parent, AxisUnit* axis);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    void CmManual();

    AxisUnit* Axis;
};
