#pragma once
// The figure style dialog: pen (type, width, colour), arrow heads, end point and
// interpolation of a polyline, and brush (kind, foreground, background) with a
// live sample of the brush. The figure is written only on OK; "ﾃﾞﾌｫﾙﾄ" writes the
// same attributes into the chart window's default figure at once.
//
// Given a ZukeiStyleItems array the dialog edits a template for a multiple
// selection: the controls of every unchosen attribute are disabled, so is
// "ﾃﾞﾌｫﾙﾄ", and the caller copies only the chosen attributes
// (CopyZukeiStyleItems) into each selected figure.

#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

class PComboBox;
class TBrushButton;
class TColorButton;
class TComboPercent;
class TZukei;

// Copies the attributes whose ZukeiStyleItems entry is 1 from the template into
// the figure (pen type, width, colour, arrows, brush type, fore and back colour,
// end point, interpolation). Kind, nodes, divisions and bounds stay; the caller
// recomputes the bounds.
void CopyZukeiStyleItems(TZukei& figure, const TZukei& templ, const BYTE* items);

class TZukeiDialog : public PDialog {
    Q_OBJECT
public:
    // parent: the chart window. second: passed by the callers, never read.
    // items: the 9 flags of ZukeiStyleItems, or null for a single figure.
    TZukeiDialog(QWidget* parent, TZukei* figure, TZukei* second, const BYTE* items);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    // The attributes as the controls show them, written into target. A list
    // without a selection leaves its field as it is.
    void TransferTo(TZukei& target) const;
    void CmPenColor();
    void CmBrushForeColor();
    void CmBrushBackColor();
    void EvBrushTypeChange();
    void CmDefault();
    void UpdateBrushSample();

    TZukei* Figure;
    TZukei* Second;
    TComboPercent* PenWidth;
    TColorButton* PenColor;
    TColorButton* ForeColor;
    TColorButton* BackColor;
    TBrushButton* BrushSample;
    const BYTE* Items;
};
