#pragma once
// Two small axis choices, each kept for the run of the program (never saved):
// which axes of an axis set to autoscale, with or without the margin (the dialog
// runs the autoscale on OK), and which axes take the range of a rectangle dragged
// with the trimming tool (the chart window trims after OK; the dialog only keeps
// the choice).

#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

class BoxFrame;

// X, Y, top, right, insert margin; all 1 at program start.
constexpr int AutoscaleChoiceCount = 5;
extern BYTE AutoscaleChoice[AutoscaleChoiceCount];
namespace AutoscaleEntry {
enum { X, Y, Top, Right, Margin };
}

// Bottom, left, top, right; all 1 at program start. Read by the trimming after
// IDOK.
constexpr int TrimmingSideCount = 4;
extern BYTE TrimmingSides[TrimmingSideCount];
namespace TrimmingSide {
enum { Bottom, Left, Top, Right };
}

// Both choices back to their state at program start (for tests).
void ResetAxisChoices();

// The margin used when no chart window can be found (the chart window's own
// starting value).
constexpr int FallbackAutoScaleMargin = 10;

class TAutoscaleDialog : public PDialog {
    Q_OBJECT
public:
    // parent: the chart window, whose AutoScaleMargin widens the ranges.
    TAutoscaleDialog(QWidget* parent, BoxFrame* axisSet);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    BoxFrame* AxisSet;
};

class TTrimmingdialog : public PDialog {
    Q_OBJECT
public:
    explicit TTrimmingdialog(QWidget* parent);

protected:
    void SetupWindow() override;
    void CmOk() override;
};
