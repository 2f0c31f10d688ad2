#pragma once
// The attribute choices of a multiple selection: five program-wide arrays of
// one-byte flags (1 = the attribute is chosen: its control stays usable in the
// style dialog and the command copies it into every selected object; 0 = not),
// all 1 at start, changed only by OK in their choice dialog, never saved; and the
// five dialogs that tick them.

#include "dialogs/kit/controls.h"
#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

#include <span>
#include <vector>

constexpr int FontItemCount = 6;
constexpr int TextStyleItemCount = 4;
constexpr int ZukeiStyleItemCount = 9;
constexpr int PlotStyleItemCount = 19;
constexpr int ReloadItemCount = 12;

extern BYTE FontItems[FontItemCount];
extern BYTE TextStyleItems[TextStyleItemCount];
extern BYTE ZukeiStyleItems[ZukeiStyleItemCount];
extern BYTE PlotStyleItems[PlotStyleItemCount];
extern BYTE ReloadItems[ReloadItemCount];

// Entries of each array.
namespace FontItem {
enum { FaceName, Style, Size, StrikeOut, Underline, Color };
}
namespace TextStyleItem {
enum { Background, LineSpacing, Angle, LegendLength };
}
namespace ZukeiStyleItem {
enum { PenType, PenWidth, PenColor, Arrow, BrushType, ForeBrushColor, BackBrushColor, Closed, Spline };
}
namespace PlotStyleItem {
enum {
    RefAxisX, RefAxisY, Clipping, XFormula, YFormula, LineStyle, LineWidth, LineColor,
    LineInterpolate, MarkerStyle, MarkerCenterDot, MarkerInsidePaint, MarkerSize,
    MarkerEdgeColor, MarkerInsideColor, NullOutLine, BaseValue, OutLineWidth, MaskRows
};
}
namespace ReloadItem {
enum {
    XColumn, XErrorBar, XMaxMin, YColumn, YErrorBar, YMaxMin, ParamColumns, StartRow, EndRow,
    RowSkip, CommentMode, SearchMethod
};
}

// Sets every entry of every array to 1, as at program start (for tests).
void ResetStyleItems();

// One check box per entry; OK stores the ticks into the array, Cancel leaves it.
// Select all / clear all tick or clear every box and leave the array alone.
class TStyleItemDialog : public PDialog {
    Q_OBJECT
public:
    TStyleItemDialog(QWidget* parent, BYTE* items, const PDialogTemplate& tpl,
                     std::span<const int> boxIds, int selectAllId, int clearAllId);

    std::vector<PCheckBox*> CheckBoxes;  // in entry order

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    void SetAll(bool on);
    BYTE* Items;
};

class TFontItemSelectdialog : public TStyleItemDialog {
    Q_OBJECT
public:
    TFontItemSelectdialog(QWidget* parent, BYTE* items);
};

class TTextStyleItemDialog : public TStyleItemDialog {
    Q_OBJECT
public:
    TTextStyleItemDialog(QWidget* parent, BYTE* items);
};

class TZukeiStyleItemDialog : public TStyleItemDialog {
    Q_OBJECT
public:
    TZukeiStyleItemDialog(QWidget* parent, BYTE* items);
};

class TPlotStyleItemDialog : public TStyleItemDialog {
    Q_OBJECT
public:
    TPlotStyleItemDialog(QWidget* parent, BYTE* items);
};

class TReloadItemDialog : public TStyleItemDialog {
    Q_OBJECT
public:
    TReloadItemDialog(QWidget* parent, BYTE* items);
};
