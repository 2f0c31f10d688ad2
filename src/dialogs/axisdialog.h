#pragma once
// The axis dialog: the four axes of one axis set on private copies. A list picks
// the axis the controls show; the copies follow the frame type (SyncAxes) at every
// switch and at OK, and OK assigns them to the axis set. "ﾃﾞﾌｫﾙﾄ" (only while the X
// axis is shown) stores the copies as the chart window's default axes instead.
//
// The texts of the axis shown are checked before the dialog leaves that axis (a
// switch to another axis, OK, "ﾃﾞﾌｫﾙﾄ"): the first refused field shows its message,
// the list stays on (returns to) that axis and nothing is stored. The numbers
// checked are read from the same whole texts that are stored.
//
// Which controls are enabled follows the frame type and the axis shown: in a Box
// frame the Y axis takes the X axis's visibility and label font and the top and
// right axes their partner's look (and, while the partner is common, its scale);
// in an X-Y frame the Y axis takes the X axis's look and the top and right axes
// cannot be changed; in an Independent frame everything stays enabled.

#include "dialogs/kit/pdialog.h"
#include "model/axes.h"

#include <memory>

class BoxFrame;
class TColorButton;
class TComboPercent;

// Axis numbers; the list shows them in this order (index = number - 1).
constexpr int AxisNoX = 1;      // the bottom axis
constexpr int AxisNoY = 2;      // the left axis
constexpr int AxisNoTop = 3;
constexpr int AxisNoRight = 4;

class TAxisDialog : public PDialog {
    Q_OBJECT
public:
    // axisNo: the axis shown first, 1 to 4 (any other number shows the X axis).
    TAxisDialog(QWidget* parent, BoxFrame* set, int axisNo);
    ~TAxisDialog() override;

    int GetShownAxisNo() const { return ShownAxisNo; }
    // The working copy of axis number n (1 to 4).
    AxisUnit* WorkAxis(int n) { return &WorkAxes[n - 1]; }

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    void TransferAxisToControls();
    void TransferControlsToAxis();
    // 1 when the shown axis's texts pass, else 0 after the first refused field's
    // message.
    int Validate();
    void EnableControls();
    void Synchronize();

    void EvAxisListSelChange();
    void EvScalingSelChange();
    void CmMajorGridColor();
    void CmMinorGridColor();
    void CmTickColor();
    void CmLabelFont();
    void CmDetails();
    void CmDefault();
    void PickColor(TColorButton* button);

    std::unique_ptr<Frame> WorkFrame;
    AxisUnit WorkAxes[4];  // X, Y, top, right
    BoxFrame* AxisSet;
    int ShownAxisNo;
    AxisUnit* ShownAxis = nullptr;

    TComboPercent* TickLength;
    TComboPercent* TickWidth;
    TComboPercent* MajorGridWidth;
    TComboPercent* MinorGridWidth;
    TColorButton* MajorGridColor;
    TColorButton* MinorGridColor;
    TColorButton* TickColor;
};
