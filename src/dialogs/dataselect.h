#pragma once
// Choosing among series or files: the series choice of the fit commands, showing
// and hiding series, and how several data files opened at once are set up.

#include "dialogs/kit/controls.h"
#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

#include <string>

class BoxFrame;
class TPlot;

// "%03d : " and the file name with extension of series number n (1-based), as
// both series lists show it.
QString SeriesLine(int n, const TPlot& plot);

// The series choice of the fit commands, for the whole run: after IDOK its
// SelIndices (ascending) are the picked lines, line k being series k + 1.
extern TListBoxData TDataSlectDialogXfer;

// Lists the series of an axis set; the user selects one or more (each click
// toggles a line). Every opening starts with no line selected.
class TDataSlectDialog : public PDialog {
    Q_OBJECT
public:
    TDataSlectDialog(QWidget* parent, BoxFrame* axisSet);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    void FillPlotList();
    BoxFrame* AxisSet;
    PListBox* List;
};

// Lists the series with the shown ones selected; OK makes exactly the selected
// series shown.
class TPlotShowHideDialog : public PDialog {
    Q_OBJECT
public:
    TPlotShowHideDialog(QWidget* parent, BoxFrame* axisSet);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    BoxFrame* AxisSet;
    PListBox* List;
};

// The last choice of the run: (individual settings, common settings).
extern BYTE MultiReadChoice[2];

// Results of TMultiReadSetDialog besides IDCANCEL.
constexpr int MultiReadIndividual = 101;
constexpr int MultiReadCommon = 102;

// Asks whether each of several data files gets its own reading settings or all
// share those of the first.
class TMultiReadSetDialog : public PDialog {
    Q_OBJECT
public:
    TMultiReadSetDialog(QWidget* parent, int fileCount);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    int FileCount;
};
