#include "fitting/fitrun.h"

#include "fitting/linearfit.h"
#include "fitting/marquardt.h"
#include "fitting/spacing.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "platform/cformat.h"
#include "platform/escape.h"
#include "platform/messagebox.h"
#include "platform/numconv.h"
#include "platform/stringtable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr const char* kRule = "-----------------------------------";
constexpr int kSeriesListFull = 1180;  // no more data can be added to this axis set

// The X (isY false) or Y values of every row of plot after its processing formula,
// each with the flag of the source row, into out. false when Escape stops it.
// A row where the formula fails (or a formula that does not compile) gives +INF,
// which makes the row unusable, rather than the value of the row before.
bool ProcessColumn(BoxFrame* set, const TPlot* plot, int plotNo, bool isY, TDataColumn& out,
                   std::size_t textLimit) {
    const TPlotStyle& style = plot->Style;
    std::string text;
    if (isY) text = style.IsYFormula == 1 ? style.YFormula : "y";
    else text = style.IsXFormula == 1 ? style.XFormula : "x";
    text = CutFitText(text, textLimit);

    double value = 0.0;
    set->Evaluate(text, value, BoxFrame::EvalCompile, plot, 0, plotNo, BoxFrame::ComponentValue);
    const TDataColumn& source = isY ? plot->YData : plot->XData;
    const int rows = plot->XData.GetItemsInContainer();
    out.Reserve(std::size_t(std::max(rows, 0)));
    // The rows between two Escape polls are evaluated as one block; a row that
    // the source column lacks is not evaluated.
    constexpr int kBlock = 100;
    double values[kBlock];
    std::uint8_t skip[kBlock];
    for (int first = 0; first < rows; first += kBlock) {
        if (CheckEscapeAbort()) return false;
        const int n = std::min(kBlock, rows - first);
        for (int k = 0; k < n; ++k) {
            values[k] = kInf;
            skip[k] = !source.IsValidIndex(first + k);
        }
        set->EvaluateRows(plot, first, n, values, nullptr, BoxFrame::ComponentValue, skip);
        for (int k = 0; k < n; ++k) {
            const int r = first + k;
            const std::uint8_t flag = source.IsValidIndex(r) ? source[r].Flag : 0;
            out.Add(TDataElement(values[k], flag));
        }
    }
    return true;
}

bool Usable(const TDataElement& x, const TDataElement& y) {
    return x.Flag == 0 && y.Flag == 0 && std::fabs(x.Value) < kMax && std::fabs(y.Value) < kMax;
}

std::unique_ptr<TPlot> NewResultSeries(const FitHost& host, const TPlot& source, const char* prefix) {
    auto result = std::make_unique<TPlot>();
    result->Style = host.MemoryPlotStyle ? *host.MemoryPlotStyle : TPlotStyle();
    result->Style.RefAxisX = source.Style.RefAxisX;
    result->Style.RefAxisY = source.Style.RefAxisY;
    result->IsFileData = 0;
    const std::string name = FitResultName(prefix, source.DataFileName);
    std::memcpy(result->DataFileName, name.c_str(), name.size() + 1);
    return result;
}

// Appends the result series to the axis set: null (and the series still the
// caller's) when the set is full.
TPlot* AppendResult(BoxFrame* set, std::unique_ptr<TPlot>& result) {
    TPlot* raw = result.get();
    return set->PlotList.Add(result) ? raw : nullptr;
}

// The message a failed fit shows: a full axis set says so, anything else is the
// command's own text.
void ShowFitFailure(void* owner, FitFailure why, const char* text) {
    if (why == FitFailure::SeriesListFull)
        kv::MessageBox(owner, kv::LoadString(kSeriesListFull), nullptr, MB_OK | MB_ICONSTOP);
    else
        kv::MessageBox(owner, text, nullptr, MB_OK);
}

const char* SpacingName(int spacing) {
    switch (spacing) {
    case DivisionLinear: return "Linear";
    case DivisionExponent: return "Exponent";
    default: return "Inverse";
    }
}

class ReportText {
public:
    void Line(const std::string& s) {
        text_ += s;
        text_ += "\r\n";
    }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

}  // namespace

std::string FitResultName(const char* prefix, const char* sourceName) {
    return CutFitText(std::string(prefix) + (sourceName ? sourceName : "") + " **", MAX_PATH - 1);
}

// ---------------------------------------------------------------------------
// Linear fit

std::string LinearFitReport(const char* sourceName, const LinearFitValues& v,
                            const double* coeff, double corr) {
    ReportText r;
    r.Line(std::string("Original data : ") + (sourceName ? sourceName : ""));
    r.Line(kRule);
    r.Line("");
    if (v.Model == FitModelPolynomial) {
        // The capital sigma in the document's code page.
        r.Line("Y = \x83\xB0 Ai * X^i");
        r.Line("");
        for (int i = 0; i <= v.Degree; ++i) r.Line(kv::Format("   A%d = %.15lg", i, coeff[i]));
    } else {
        switch (v.Model) {
        case FitModelExponential: r.Line("Y = A * exp( B * X)"); break;
        case FitModelLogarithmic: r.Line("Y = A + B * log( X )"); break;
        case FitModelGeometric: r.Line("Y = A * B ^ X"); break;
        default: r.Line("Y = A * X ^ B"); break;
        }
        r.Line("");
        r.Line(kv::Format("   A = %.15lg", coeff[0]));
        r.Line(kv::Format("   B = %.15lg", coeff[1]));
    }
    if (!v.Fixed) {
        r.Line("");
        r.Line(kv::Format("   Corr. Coeff. = %.15g", corr));
    }
    r.Line("");
    r.Line(kRule);
    r.Line("");
    r.Line(kv::Format("Fitting range %d -> %d", v.FitStart, v.FitEnd));
    r.Line(kv::Format("Start -> %.15g", v.OutputStart));
    r.Line(kv::Format("End -> %.15g", v.OutputEnd));
    r.Line(kv::Format("Division -> %d", v.Divisions));
    r.Line(std::string("Div. Method -> ") + SpacingName(v.Spacing));
    r.Line(std::string("Go through fixed point -> ") + (v.Fixed ? "true" : "false"));
    r.Line(kv::Format("fixed point -> (%.15g, %.15g)", v.FixedX, v.FixedY));
    return r.Take();
}

int LinearFit(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo,
              const LinearFitSettings& settings, FitFailure* why) {
    if (why) *why = FitFailure::Other;
    if (!set || !plot) return 0;
    // The curve will have nowhere to go: say so before any work.
    if (set->PlotList.IsFull()) {
        if (why) *why = FitFailure::SeriesListFull;
        return 0;
    }
    try {
        TDataColumn processedX;
        TDataColumn processedY;
        if (!ProcessColumn(set, plot, plotNo, false, processedX, std::string::npos)) return 1;
        if (!ProcessColumn(set, plot, plotNo, true, processedY, std::string::npos)) return 1;

        // The fit range counts usable points, not rows of the data.
        FitPointList usableX = MakeFitPointList();
        FitPointList usableY = MakeFitPointList();
        const int rows = std::min(processedX.GetItemsInContainer(), processedY.GetItemsInContainer());
        for (int r = 0; r < rows; ++r) {
            if (!Usable(processedX[r], processedY[r])) continue;
            usableX.Add(processedX[r].Value);
            usableY.Add(processedY[r].Value);
        }

        LinearFitValues v;
        if (!ConvertLinearFitSettings(settings, &v)) return 0;
        FitPointList outX = MakeFitPointList();
        FitPointList outY = MakeFitPointList();
        double coeff[LSQ_COEFFICIENTS] = {};
        double corr = 0.0;
        if (!LinearLeastSquaresFit(&usableX, &usableY, &outX, &outY, usableX.GetItemsInContainer(),
                                   v.Degree, v.Model, v.OutputStart, v.OutputEnd, v.Divisions,
                                   coeff, &corr, v.FixedX, v.FixedY, std::int16_t(v.Fixed),
                                   v.Spacing, v.FitStart, v.FitEnd))
            return 0;

        std::unique_ptr<TPlot> result = NewResultSeries(host, *plot, "** L-lsq => ");
        const int points = std::min(outX.GetItemsInContainer(), outY.GetItemsInContainer());
        for (int i = 1; i <= points; ++i) {
            if (!result->AddX(TDataElement(outX[i], 0)) || !result->AddY(TDataElement(outY[i], 0)))
                return 0;
        }
        result->Info = LinearFitReport(plot->DataFileName, v, coeff, corr);
        TPlot* added = AppendResult(set, result);
        if (!added) {
            if (why) *why = FitFailure::SeriesListFull;
            return 0;
        }
        if (host.ShowReport) host.ShowReport(host.Owner, added->Info, LinearFitReportCaption);
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int RunLinearFitCommand(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo) {
    FitFailure why = FitFailure::Other;
    const int answer = LinearFit(host, set, plot, plotNo, CurrentLinearFitSettings, &why);
    if (answer == 0) ShowFitFailure(host.Owner, why, LinearFitFailureText);
    return answer;
}

// ---------------------------------------------------------------------------
// Non-linear fit

NlsqOutcome NlsqFitSeries(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo, int rowCount,
                          double outStart, double outEnd, int divisions, int spacing,
                          int fitStart, int fitEnd, TPlot** added,
                          const std::function<std::string()>& makeInfo) {
    if (added) *added = nullptr;
    if (divisions > NlsqMaxRow) return NlsqOutcome::Failed;
    if (!set || !plot || divisions < 0 || fitStart < 1) return NlsqOutcome::Failed;
    try {
        auto fitSeries = std::make_unique<TPlot>();
        TDataColumn processedX;
        TDataColumn processedY;
        std::unique_ptr<TPlot> result = NewResultSeries(host, *plot, "** N-lsq => ");

        if (!ProcessColumn(set, plot, plotNo, false, processedX, NlsqTextLimit))
            return NlsqOutcome::Quiet;
        if (!ProcessColumn(set, plot, plotNo, true, processedY, NlsqTextLimit))
            return NlsqOutcome::Quiet;

        // The range counts rows of the data, usable or not.
        rowCount = std::min({rowCount, processedX.GetItemsInContainer(),
                             processedY.GetItemsInContainer()});
        const int last = fitEnd == -1 ? rowCount : std::min(fitEnd, rowCount);
        int n = 0;
        for (int row = fitStart; row <= last; ++row) {
            if ((row - 1) % 100 == 0 && CheckEscapeAbort()) return NlsqOutcome::Quiet;
            const TDataElement& x = processedX[row - 1];
            const TDataElement& y = processedY[row - 1];
            if (!Usable(x, y)) continue;
            fitSeries->AddX(TDataElement(x.Value, 0));
            fitSeries->AddY(TDataElement(y.Value, 0));
            ++n;
        }
        if (n == 0) return NlsqOutcome::Failed;

        FitColumnSet ownColumns = MakeFitColumnSet();
        FitColumnSet& columns = host.FitColumns ? *host.FitColumns : ownColumns;
        for (auto& column : columns) column.Flush();
        if (!NlsqMarquardt(set, columns, fitSeries.get(), n, FitParameters, NlsqFreeIndex,
                           NlsqFreeCount, 0.01 * NlsqAllowance))
            return NlsqOutcome::Failed;

        FitPointList outX = MakeFitPointList();
        if (!FitOutputPositions(&outX, outStart, outEnd, divisions, spacing, true))
            return NlsqOutcome::Failed;
        // From here on the fit has its parameters; what fails is only the curve.
        try {
            for (int i = 1; i <= outX.GetItemsInContainer(); ++i)
                if (!result->AddX(TDataElement(outX[i], 0))) return NlsqOutcome::NotAdded;
            double value = 0.0;
            if (!set->Evaluate(NlsqFunctionText, value, BoxFrame::EvalCompile, result.get(), 0, -1,
                               BoxFrame::ComponentValue))
                return NlsqOutcome::Failed;
            // A point where the model has no value is a missing value, not the
            // value of the point before.
            std::vector<double> values(std::size_t(outX.GetItemsInContainer()), kInf);
            set->EvaluateRows(result.get(), 0, int(values.size()), values.data(), nullptr);
            for (double v : values)
                if (!result->AddY(TDataElement(v, 0))) return NlsqOutcome::NotAdded;
            if (makeInfo) result->Info = makeInfo();
            TPlot* appended = AppendResult(set, result);
            if (!appended) return NlsqOutcome::NotAdded;
            if (added) *added = appended;
            return NlsqOutcome::Done;
        } catch (const std::bad_alloc&) {
            return NlsqOutcome::NotAdded;
        }
    } catch (const std::bad_alloc&) {
        return NlsqOutcome::Failed;
    }
}

std::string NonLinearFitReport(const char* sourceName, const NonLinearFitSettings& s,
                               const NonLinearFitValues& v) {
    ReportText r;
    r.Line(" ******** Marquardt Method *******");
    r.Line("");
    r.Line(std::string("Original data : ") + (sourceName ? sourceName : ""));
    r.Line(kRule);
    r.Line("");
    r.Line(" y = f(x) = " + s.Function);
    r.Line("");
    for (int k = 0; k < NonLinearParamCount; ++k)
        if (s.Enabled[k]) r.Line(kv::Format("   %c = %.15lg", 'a' + k, FitParameters[k + 1]));
    r.Line("");
    r.Line(kRule);
    r.Line("");
    r.Line(kv::Format("Fitting range %d -> %d", v.FitStart, v.FitEnd));
    r.Line(kv::Format("Start -> %.15g", v.OutputStart));
    r.Line(kv::Format("End -> %.15g", v.OutputEnd));
    r.Line(kv::Format("Division -> %d", v.Divisions));
    r.Line(std::string("Div. Method -> ") + SpacingName(v.Spacing));
    r.Line("");
    r.Line("parameters (initial value, derivative)");
    for (int k = 0; k < NonLinearParamCount; ++k)
        if (s.Enabled[k])
            r.Line(kv::Format("  %c -> %.15g,  %s", 'A' + k, kv::AtoF(s.InitialValues[k].c_str()),
                              s.Derivatives[k].c_str()));
    r.Line("");
    r.Line(kv::Format("Allowance -> %.15g", NlsqAllowance));
    return r.Take();
}

int NonLinearFit(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo,
                 const NonLinearFitSettings& settings, FitFailure* why) {
    if (why) *why = FitFailure::Other;
    if (!set || !plot) return 0;
    NonLinearFitValues v;
    if (!ConvertNonLinearFitSettings(settings, &v)) return 0;
    // The curve will have nowhere to go: say so before the parameters change.
    if (set->PlotList.IsFull()) {
        if (why) *why = FitFailure::SeriesListFull;
        return 0;
    }
    double before[NlsqMaxParameters + 1];
    std::copy(std::begin(FitParameters), std::end(FitParameters), before);

    NlsqFreeCount = 0;
    for (int k = 1; k <= NlsqMaxParameters; ++k) {
        const bool ticked = settings.Enabled[k - 1] != 0;
        NlsqParamEnabled[k] = ticked ? 1 : 0;
        NlsqFreeIndex[k] = 0;
        if (ticked) NlsqFreeIndex[++NlsqFreeCount] = k;
    }
    for (int k = 1; k <= NlsqMaxParameters; ++k) {
        FitParameters[k] = v.Initial[k];
        NlsqDerivativeText[k] = CutFitText(settings.Derivatives[k - 1], NlsqTextLimit);
    }
    NlsqAllowance = v.Allowance;
    NlsqFunctionText = CutFitText(settings.Function, NlsqTextLimit);

    TPlot* added = nullptr;
    const NlsqOutcome outcome = NlsqFitSeries(
        host, set, plot, plotNo, plot->XData.GetItemsInContainer(), v.OutputStart, v.OutputEnd,
        v.Divisions, v.Spacing, v.FitStart, v.FitEnd, &added,
        [&] { return NonLinearFitReport(plot->DataFileName, settings, v); });
    switch (outcome) {
    case NlsqOutcome::Failed: return 0;
    case NlsqOutcome::Quiet: return 1;
    case NlsqOutcome::NotAdded:
        // A fit that leaves no curve leaves the parameters as it found them.
        std::copy(std::begin(before), std::end(before), FitParameters);
        if (why && set->PlotList.IsFull()) *why = FitFailure::SeriesListFull;
        return 0;
    case NlsqOutcome::Done: break;
    }
    if (added && host.ShowReport) host.ShowReport(host.Owner, added->Info, NonLinearFitReportCaption);
    return 1;
}

int RunNonLinearFitCommand(FitHost& host, BoxFrame* set, TPlot* plot, int plotNo) {
    FitFailure why = FitFailure::Other;
    const int answer = NonLinearFit(host, set, plot, plotNo, CurrentNonLinearFitSettings, &why);
    if (answer == 0) ShowFitFailure(host.Owner, why, NonLinearFitFailureText);
    return answer;
}
