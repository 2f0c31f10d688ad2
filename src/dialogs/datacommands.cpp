#include "dialogs/datacommands.h"

#include "chart/chartwindow.h"
#include "dialogs/chartlink.h"
#include "dialogs/dataselect.h"
#include "dialogs/fitdialogs.h"
#include "dialogs/formuladialogs.h"
#include "dialogs/mesdialog.h"
#include "dialogs/userdialogs.h"
#include "model/boxframe.h"

namespace {

QWidget* AsParent(TChartWindow& chart) { return static_cast<QWidget*>(&chart); }

void Repaint(TChartWindow& chart) { chart.Invalidate(true); }

bool NamesSeries(const BoxFrame* set, int plotNo) {
    return set && plotNo >= 1 && plotNo <= set->PlotList.GetItemsInContainer();
}

int FitChosen(TChartWindow& chart, FitCommandKind kind) {
    FitHost host = MakeFitHost(chart);
    return RunChosenSeriesFits(AsParent(chart), kind, host, chart.Current, &chart.Modified,
                               [&chart] { Repaint(chart); });
}

int FitSelected(TChartWindow& chart, FitCommandKind kind) {
    // A selection number of 0 or below names no series either.
    if (!NamesSeries(chart.Current, chart.SelectedPlot)) return 0;
    FitHost host = MakeFitHost(chart);
    if (!RunSeriesFitDialog(AsParent(chart), kind, host, chart.Current, chart.SelectedPlot,
                            &chart.Modified))
        return 0;
    Repaint(chart);
    return 1;
}

}  // namespace

FitHost MakeFitHost(TChartWindow& chart) {
    FitHost host;
    host.Owner = AsParent(chart);
    host.MemoryPlotStyle = chart.DefaultMemoryPlotStyle;
    host.FitColumns = &chart.FitColumns;
    host.ShowReport = [](void* owner, const std::string& report, const char* caption) {
        TMesDialog dlg(static_cast<QWidget*>(owner), report.c_str(), caption);
        dlg.Execute();
    };
    return host;
}

bool RunSeriesFitDialog(QWidget* parent, FitCommandKind kind, FitHost& host, BoxFrame* set,
                        int plotNo, int* modified) {
    if (!NamesSeries(set, plotNo)) return false;
    TPlot* plot = set->PlotList[plotNo];
    int answer = IDCANCEL;
    if (kind == FitCommandKind::Linear) {
        TLenearSQDialog dlg(parent, set, plot);
        answer = dlg.Execute();
    } else {
        TNonLenearSQDialog dlg(parent, set, plot);
        answer = dlg.Execute();
    }
    if (answer != IDOK) return false;
    if (modified) *modified = 1;
    const int fit = kind == FitCommandKind::Linear ? RunLinearFitCommand(host, set, plot, plotNo)
                                                   : RunNonLinearFitCommand(host, set, plot, plotNo);
    return fit == 1;
}

int RunChosenSeriesFits(QWidget* parent, FitCommandKind kind, FitHost& host, BoxFrame* set,
                        int* modified, const std::function<void()>& repaint) {
    if (!set) return 0;
    {
        TDataSlectDialog select(parent, set);
        if (select.Execute() != IDOK) return 0;
    }
    // A copy: the fits' own dialogs never touch the choice, but the loop must not
    // depend on that. Results go to the end of the list, so the chosen numbers
    // stay valid throughout.
    const std::vector<int> chosen = TDataSlectDialogXfer.SelIndices;
    int done = 0;
    for (int index : chosen) {
        if (!RunSeriesFitDialog(parent, kind, host, set, index + 1, modified)) continue;
        ++done;
        if (repaint) repaint();
    }
    return done;
}

int RunLinearFitCommandDialog(TChartWindow& chart) { return FitChosen(chart, FitCommandKind::Linear); }

int RunNonLinearFitCommandDialog(TChartWindow& chart) {
    return FitChosen(chart, FitCommandKind::NonLinear);
}

int RunPlotLinearFitCommandDialog(TChartWindow& chart) {
    return FitSelected(chart, FitCommandKind::Linear);
}

int RunPlotNonLinearFitCommandDialog(TChartWindow& chart) {
    return FitSelected(chart, FitCommandKind::NonLinear);
}

int RunUserConstCommandDialog(TChartWindow& chart) {
    TUserConst dlg(AsParent(chart), chart.Current);
    const int answer = dlg.Execute();
    if (answer == IDOK) {
        chart.Modified = 1;
        Repaint(chart);
    }
    return answer;
}

int RunUserFunctionCommandDialog(TChartWindow& chart) {
    TUserFunctionDialog dlg(AsParent(chart), chart.Current);
    const int answer = dlg.Execute();
    if (answer == IDOK) {
        chart.Modified = 1;
        Repaint(chart);
    }
    return answer;
}

int RunCalcCurveCommandDialog(TChartWindow& chart, const std::function<void()>& clearFeedback) {
    BoxFrame* set = chart.Current;
    if (!set) return IDCANCEL;
    const bool hadNoSeries = set->PlotList.IsEmpty();
    TDataGenDialog dlg(AsParent(chart), set, chart.DefaultMemoryPlotStyle);
    const int answer = dlg.Execute();
    if (answer != IDOK) return answer;
    if (hadNoSeries) {
        set->AutoScale(1, 1, 1, 1, 1, chart.AutoScaleMargin);
        chart.Modified = 1;
        if (clearFeedback) clearFeedback();
        chart.UpdateAxisLabels(set);
    }
    chart.Modified = 1;
    Repaint(chart);
    return answer;
}

int RunEvaluateCommandDialog(TChartWindow& chart) {
    TEvaluateDialog dlg(AsParent(chart), chart.Current);
    return dlg.Execute();
}

void InstallFormulaDialogRunners() {
    kv::SetUserConstDialogRunner([](QWidget* parent) {
        TChartWindow* chart = kv::FindChartWindow(parent);
        if (!chart || !chart->Current) return;
        TUserConst dlg(parent, chart->Current);
        dlg.Execute();
    });
    kv::SetUserFunctionDialogRunner([](QWidget* parent) {
        TChartWindow* chart = kv::FindChartWindow(parent);
        if (!chart || !chart->Current) return;
        TUserFunctionDialog dlg(parent, chart->Current);
        dlg.Execute();
    });
}
