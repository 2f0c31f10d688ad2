#pragma once
// How one data series is processed and drawn: reference axes, clipping, the X and
// Y processing formulas, the mask rows, the data line (style, width, colour,
// connection method and its divisions) and the marker (kind, centre dot, hollow,
// no outline, size, outline width, outline and fill colours, base value of bars and
// areas), with a sample of the look; and the Default button, which saves the
// edited style as one of the chart window's two default plot styles.
//
// The dialog edits the Style of the series it is given. Most fields reach it only
// at a valid OK, but the line style, the marker kind, the centre dot, hollow and
// no-outline boxes, the three colours and the divisions change the style at once,
// and Default transfers every control into it: Cancel does not undo these. A
// caller that must leave a series unchanged on Cancel hands the dialog a copy.
//
// Formulas are checked on the chart window's current axis set (its user constants
// and functions); without a chart window, on an empty axis set.

#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

class PComboBox;
class TColorButton;
class TComboPercent;
class TPlot;
class TPlotButton;

// The marker list's order: the MarkerStyle code shown at each line, and back.
constexpr int PlotDialogMarkerCount = 16;
int PlotDialogMarkerCode(int index);   // -1 outside the list
int PlotDialogMarkerIndex(int code);   // -1 for a code the list does not show

class TPlotDialog : public PDialog {
    Q_OBJECT
public:
    // plotNo: the series' 1-based position in its axis set (the formulas' "%i").
    // items: the 19 PlotStyleItems switches of a multiple selection (an entry 0
    // disables its controls; Default and the divisions button are then disabled),
    // or null.
    TPlotDialog(QWidget* parent, TPlot* plot, int plotNo, const BYTE* items = nullptr);

    // Style to controls, and controls to style (no check).
    void SetControls();
    void GetControls();
    // The formula and mask-row checks; the first failure shows its message and
    // gives false.
    bool Validate();

    TPlotButton* Sample;

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    void CmLineColor();
    void CmOutlineColor();
    void CmFillColor();
    void CmCenterDot();
    void CmHollow();
    void CmNoOutline();
    void EvLineStyleChange();
    void EvMarkerChange();
    void EvConnectionChange();
    void CmConnectionSettings();
    void CmDefault();
    void CmUserConstants();
    void CmUserFunctions();
    // The palette under a colour button on one colour field of the style.
    void RunColor(TColorButton* button, COLORREF* field);
    void RefreshSample();
    bool CheckFormula(int editId, int stringId);

    TPlot* Plot;
    int PlotNo;
    const BYTE* Items;
    PComboBox* LineStyleList;
    PComboBox* ConnectionList;
    PComboBox* MarkerList;
    TComboPercent* LineWidth;
    TComboPercent* MarkerSize;
    TComboPercent* OutlineWidth;
    TColorButton* LineColor;
    TColorButton* EdgeColor;
    TColorButton* FillColor;
};
