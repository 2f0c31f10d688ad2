#pragma once
// The legend dialog: lists the series of an axis set (all of them, or only the
// first of every group of equal plot styles), lets the user select the series to
// show, and on OK writes the legend string into the text it was given: one line
// per selected series, "%p" and "%d" each followed by the series number with
// three digits, lines joined by CR LF. The legend holds series numbers, which
// the axis set renumbers when series move.

#include "dialogs/kit/pdialog.h"

#include <string>
#include <vector>

class BoxFrame;
class PListBox;
class TPlotButton;
class TPlotStyle;
class TText;

// True when every field of the two plot styles is equal (texts byte by byte,
// the base value as a double).
bool SamePlotStyle(const TPlotStyle& a, const TPlotStyle& b);

// The legend string for these series numbers, in the order given.
std::string MakeLegendString(const std::vector<int>& seriesNumbers);

class TLegendDialog : public PDialog {
    Q_OBJECT
public:
    // parent: the chart window; axisSet: whose series are listed; legend: whose
    // String is replaced on OK (nothing else of it).
    TLegendDialog(QWidget* parent, BoxFrame* axisSet, TText* legend);

    // The series number of a list line; 0 for a line the list does not have.
    int ItemSeriesNumber(int index) const;

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    void FillAllData();
    void FillDistinctStyles();
    void AddSeriesLine(int n);
    void CmFillList();
    void EvListSelChange();

    PListBox* List;
    TPlotButton* Sample;
    BoxFrame* AxisSet;
    TText* Legend;
    // The series number of every line, kept beside the list so that a line's
    // series never depends on reading its text back.
    std::vector<int> LineSeries;
};
