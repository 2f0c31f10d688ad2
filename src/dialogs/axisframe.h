#pragma once
// The two dialogs of an axis set's frame: its type, place, size and background
// (positions and lengths shown in millimetres with one decimal, kept in twips),
// and its base sizes (shown in fifths of a point, kept in twips) with the
// parameter-only switch and the paint order. Both write the edited object only on
// OK; their "ﾃﾞﾌｫﾙﾄ" buttons replace the chart window's default frame (and the
// two axis-set switches) at once instead.
//
// A number too large to be kept (beyond a double, or beyond the twips an int
// holds) is refused with a message and the dialog stays open; every other entry,
// zero and negative ones included, is stored as read.

#include "dialogs/kit/pdialog.h"

#include "model/axes.h"

class BoxFrame;
class TColorButton;

// Millimetres shown for a length in twips: "%4.1lf" (one decimal, at least four
// characters).
QString TwipsToMillimetreText(double twips);
// Twips for a typed length in millimetres (read like atof; *overflow when the
// number is too large for a double).
double MillimetreTextToTwips(const QString& text, bool* overflow = nullptr);

class TAxisFrameDialog : public PDialog {
    Q_OBJECT
public:
    // parent: the chart window (its defaults are what "ﾃﾞﾌｫﾙﾄ" replaces).
    TAxisFrameDialog(QWidget* parent, Frame* frame);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    // The controls' values into frame (only the fields the dialog shows); false,
    // after the message, when a number is too large.
    bool TransferFromControls(Frame& frame);
    void CmBackColor();
    void CmDefault();

    Frame Work;        // the caller's frame as it was, with the dialog's edits
    Frame* Target;
    TColorButton* BackColor;
};

class TAxisBaseDialog : public PDialog {
    Q_OBJECT
public:
    // parent: the chart window.
    TAxisBaseDialog(QWidget* parent, BoxFrame* set);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    // The seven base sizes from the fields (fifths of a point, times 4) into
    // sizes; false, after the message, when one is too large for twips.
    bool ReadSizes(int sizes[7]);
    // The refusal of the parameter-only switch for an axis set holding data made
    // in memory; true when it was shown.
    bool RefuseParameterOnly();
    void CmDefault();

    BoxFrame* Set;
};
