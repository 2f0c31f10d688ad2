#include "dialogs/datacommands.h"

#include "dialogs/dataselect.h"
#include "dialogs/dialoghost.h"
#include "dialogs/fitdialogs.h"
#include "dialogs/formuladialogs.h"
#include "dialogs/mesdialog.h"
#include "dialogs/userdialogs.h"
#include "model/boxframe.h"
#include "model/chartsettings.h"
#include "model/defaults.h"
#include "model/graphfile.h"

namespace {

QWidget* AsParent(kv::DialogHost& host) { return host.HostWindow(); }

void Repaint(kv::DialogHost& host) { host.HostRepaint(); }

bool NamesSeries(const BoxFrame* set, int plotNo) {
    return set && plotNo >= 1 && plotNo <= set->PlotList.GetItemsInContainer();
}

int FitChosen(kv::DialogHost& host, FitCommandKind kind) {
    FitHost fit = MakeFitHost(host);
    GraphDocument& document = host.HostDocument();
    return RunChosenSeriesFits(AsParent(host), kind, fit, document.Current, &document.Modified,
                               [&host] { Repaint(host); });
}

int FitSelected(kv::DialogHost& host, FitCommandKind kind) {
    // A selection number of 0 or below names no series either.
    GraphDocument& document = host.HostDocument();
    const int plotNo = host.HostSelectedSeries();
    if (!NamesSeries(document.Current, plotNo)) return 0;
    FitHost fit = MakeFitHost(host);
    if (!RunSeriesFitDialog(AsParent(host), kind, fit, document.Current, plotNo, &document.Modified))
        return 0;
    Repaint(host);
    return 1;
}

}  // namespace

FitHost MakeFitHost(kv::DialogHost& host) {
    FitHost fit;
    fit.Owner = AsParent(host);
    fit.MemoryPlotStyle = &host.HostDefaults().DefaultMemoryPlotStyle;
    fit.FitColumns = &host.HostFitColumns();
    fit.ShowReport = [](void* owner, const std::string& report, const char* caption) {
        TMesDialog dlg(static_cast<QWidget*>(owner), report.c_str(), caption);
        dlg.Execute();
    };
    return fit;
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

int RunLinearFitCommandDialog(kv::DialogHost& host) { return FitChosen(host, FitCommandKind::Linear); }

int RunNonLinearFitCommandDialog(kv::DialogHost& host) {
    return FitChosen(host, FitCommandKind::NonLinear);
}

int RunPlotLinearFitCommandDialog(kv::DialogHost& host) {
    return FitSelected(host, FitCommandKind::Linear);
}

int RunPlotNonLinearFitCommandDialog(kv::DialogHost& host) {
    return FitSelected(host, FitCommandKind::NonLinear);
}

int RunUserConstCommandDialog(kv::DialogHost& host) {
    TUserConst dlg(AsParent(host), host.HostDocument().Current);
    const int answer = dlg.Execute();
    if (answer == IDOK) {
        host.HostDocument().Modified = 1;
        Repaint(host);
    }
    return answer;
}

int RunUserFunctionCommandDialog(kv::DialogHost& host) {
    TUserFunctionDialog dlg(AsParent(host), host.HostDocument().Current);
    const int answer = dlg.Execute();
    if (answer == IDOK) {
        host.HostDocument().Modified = 1;
        Repaint(host);
    }
    return answer;
}

int RunCalcCurveCommandDialog(kv::DialogHost& host, const std::function<void()>& clearFeedback) {
    BoxFrame* set = host.HostDocument().Current;
    if (!set) return IDCANCEL;
    const bool hadNoSeries = set->PlotList.IsEmpty();
    TDataGenDialog dlg(AsParent(host), set, &host.HostDefaults().DefaultMemoryPlotStyle);
    const int answer = dlg.Execute();
    if (answer != IDOK) return answer;
    if (hadNoSeries) {
        set->AutoScale(1, 1, 1, 1, 1, host.HostSettings().AutoScaleMargin);
        host.HostDocument().Modified = 1;
        if (clearFeedback) clearFeedback();
        host.HostUpdateAxisLabels(set);
    }
    host.HostDocument().Modified = 1;
    Repaint(host);
    return answer;
}

int RunEvaluateCommandDialog(kv::DialogHost& host) {
    TEvaluateDialog dlg(AsParent(host), host.HostDocument().Current);
    return dlg.Execute();
}

void InstallFormulaDialogRunners() {
    kv::SetUserConstDialogRunner([](QWidget* parent) {
        kv::DialogHost* host = kv::FindDialogHost(parent);
        if (!host || !host->HostDocument().Current) return;
        TUserConst dlg(parent, host->HostDocument().Current);
        dlg.Execute();
    });
    kv::SetUserFunctionDialogRunner([](QWidget* parent) {
        kv::DialogHost* host = kv::FindDialogHost(parent);
        if (!host || !host->HostDocument().Current) return;
        TUserFunctionDialog dlg(parent, host->HostDocument().Current);
        dlg.Execute();
    });
}
