#pragma once
// Two small dialogs of the plot-style dialog: the number of divisions between two
// data points of the curved connection methods, and which of the two default plot
// styles a style is saved as.

#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

class TPlotStyle;

// Edits LineInterpolatePara (2 to 100) of a style; IDOK after a valid OK, IDCANCEL
// with the style untouched.
class TInterSetDialog : public PDialog {
    Q_OBJECT
public:
    TInterSetDialog(QWidget* parent, TPlotStyle* style);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    TPlotStyle* Style;
};

// The last choice of the run: (disk-file data selected, memory data selected).
extern BYTE DefaultDataTypeChoice[2];

// Results of TSelectDefaultDataType besides IDCANCEL.
constexpr int DefaultTypeDiskFile = 101;  // replace DefaultPlotStyle
constexpr int DefaultTypeMemory = 102;    // replace DefaultMemoryPlotStyle

class TSelectDefaultDataType : public PDialog {
    Q_OBJECT
public:
    explicit TSelectDefaultDataType(QWidget* parent);

protected:
    void SetupWindow() override;
    void CmOk() override;
};
