#pragma once
// Series and state helpers for the fitting tests.

#include "fitting/marquardt.h"
#include "model/plot.h"
#include "numerics/fitparams.h"
#include "platform/escape.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fittest {

// A file series named `name` with the given rows; flags (when given) go to the X
// elements.
inline std::unique_ptr<TPlot> MakeSeries(const std::vector<double>& xs, const std::vector<double>& ys,
                                         const char* name = "D:\\data\\run1.dat",
                                         const std::vector<std::uint8_t>& xFlags = {}) {
    auto p = std::make_unique<TPlot>();
    for (std::size_t i = 0; i < xs.size(); ++i) {
        p->AddX(TDataElement(xs[i], i < xFlags.size() ? xFlags[i] : 0));
        p->AddY(TDataElement(ys[i], 0));
    }
    std::strncpy(p->DataFileName, name, sizeof p->DataFileName - 1);
    return p;
}

// Rows x = from, from + step, ... with y = f(x).
inline std::unique_ptr<TPlot> SampleSeries(double from, double step, int count,
                                           const std::function<double(double)>& f,
                                           const char* name = "D:\\data\\run1.dat") {
    std::vector<double> xs, ys;
    for (int i = 0; i < count; ++i) {
        xs.push_back(from + step * i);
        ys.push_back(f(xs.back()));
    }
    return MakeSeries(xs, ys, name);
}

// Keeps the program-wide fit state (parameters, the solver's working state and the
// Escape latch) as a test found it, and starts each test from a clean state.
class FitStateGuard {
public:
    FitStateGuard() {
        std::copy(std::begin(FitParameters), std::end(FitParameters), params_);
        function_ = NlsqFunctionText;
        for (int k = 0; k <= NlsqMaxParameters; ++k) {
            derivatives_[k] = NlsqDerivativeText[k];
            enabled_[k] = NlsqParamEnabled[k];
            freeIndex_[k] = NlsqFreeIndex[k];
        }
        freeCount_ = NlsqFreeCount;
        allowance_ = NlsqAllowance;
        std::fill(std::begin(FitParameters), std::end(FitParameters), 0.0);
        NlsqFunctionText.clear();
        for (int k = 0; k <= NlsqMaxParameters; ++k) {
            NlsqDerivativeText[k].clear();
            NlsqParamEnabled[k] = 0;
            NlsqFreeIndex[k] = 0;
        }
        NlsqFreeCount = 0;
        AbortRequested = 0;
    }
    ~FitStateGuard() {
        std::copy(std::begin(params_), std::end(params_), FitParameters);
        NlsqFunctionText = function_;
        for (int k = 0; k <= NlsqMaxParameters; ++k) {
            NlsqDerivativeText[k] = derivatives_[k];
            NlsqParamEnabled[k] = enabled_[k];
            NlsqFreeIndex[k] = freeIndex_[k];
        }
        NlsqFreeCount = freeCount_;
        NlsqAllowance = allowance_;
        AbortRequested = 0;
    }
    FitStateGuard(const FitStateGuard&) = delete;
    FitStateGuard& operator=(const FitStateGuard&) = delete;

private:
    double params_[FitParameterCount + 1];
    std::string function_;
    std::string derivatives_[NlsqMaxParameters + 1];
    std::int16_t enabled_[NlsqMaxParameters + 1];
    int freeIndex_[NlsqMaxParameters + 1];
    int freeCount_;
    double allowance_;
};

// Feeds the Escape check one Escape key press per poll while installed.
class EscapeKeys {
public:
    EscapeKeys() {
        previous_ = kv::SetKeyMessageSource([this](kv::KeyMessage* out) {
            ++polls;
            out->message = WM_KEYDOWN;
            out->key = VK_ESCAPE;
            return true;
        });
    }
    ~EscapeKeys() { kv::SetKeyMessageSource(std::move(previous_)); }
    EscapeKeys(const EscapeKeys&) = delete;
    EscapeKeys& operator=(const EscapeKeys&) = delete;
    int polls = 0;

private:
    kv::KeyMessageSource previous_;
};

}  // namespace fittest
