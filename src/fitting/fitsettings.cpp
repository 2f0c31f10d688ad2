#include "fitting/fitsettings.h"

#include "fitting/linearfit.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "platform/cp932.h"
#include "platform/messagebox.h"
#include "platform/numconv.h"
#include "platform/profile.h"
#include "platform/stringtable.h"

#include <cmath>
#include <limits>

LinearFitSettings CurrentLinearFitSettings;
NonLinearFitSettings CurrentNonLinearFitSettings;

const char* const LinearFitModelNames[LinearFitModelCount] = {
    "0 - polynomial", "1 - polynomial", "2 - polynomial", "3 - polynomial",
    "4 - polynomial", "5 - polynomial", "6 - polynomial", "7 - polynomial",
    "8 - polynomial", "9 - polynomial", "10 - polynomial", "y = A * exp(B * x)",
    "y = A + B * log(x)", "y = A * B ^ x", "y = A * x ^ B",
};

std::string CutFitText(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    // Step by characters so that a double-byte character is kept whole or dropped.
    std::string s(text.substr(0, limit + 1));
    const char* begin = s.c_str();
    const char* p = begin;
    std::size_t keep = 0;
    while (*p) {
        const char* next = CharNextA(p);
        if (std::size_t(next - begin) > limit) break;
        keep = std::size_t(next - begin);
        p = next;
    }
    s.resize(keep);
    return s;
}

namespace {

// The dialogs read their number edits into 100-byte buffers.
int LeadingInt99(const std::string& text) { return kv::AtoI(text.substr(0, 99).c_str()); }

}  // namespace

// ---------------------------------------------------------------------------
// Linear fit

const char* LinearFitSettingsError(const LinearFitSettings& s, int seriesRows) {
    const int start = LeadingInt99(s.FitStart);
    const int end = LeadingInt99(s.FitEnd);
    const int divisions = LeadingInt99(s.Divisions);
    const int rows = seriesRows - 1;
    if (end == -1) {
        if (start < 1) return "Input data : Invalid fitted start line.";
    } else if (start < 1 || end < 1 || start > rows || end < start) {
        return "Input data : Invalid fitted line.";
    }
    if (divisions <= 0) return "Division number must be positive value.";
    if (divisions > LSQ_MAX_DIVISIONS) return "Division number must be less than 30000 points.";
    return nullptr;
}

int ValidateLinearFitSettings(void* owner, const LinearFitSettings& s, const TPlot& series) {
    const char* error = LinearFitSettingsError(s, series.XData.GetItemsInContainer());
    if (!error) return 1;
    kv::MessageBox(owner, error, nullptr, MB_OK);
    return 0;
}

bool LinearFitModelFromIndex(int index, int* model, int* degree) {
    if (index >= 0 && index <= LSQ_MAX_DEGREE) {
        *model = FitModelPolynomial;
        *degree = index;
        return true;
    }
    if (index >= 11 && index <= 14) {
        *model = FitModelExponential + (index - 11);
        *degree = 1;
        return true;
    }
    return false;
}

int FitSpacingFromRadios(BYTE linear, BYTE exponent, BYTE inverse) {
    if (linear == 1) return DivisionLinear;
    if (exponent == 1) return DivisionExponent;
    if (inverse == 1) return DivisionInverse;
    return 0;
}

bool ConvertLinearFitSettings(const LinearFitSettings& s, LinearFitValues* out) {
    LinearFitValues v;
    if (!LinearFitModelFromIndex(s.ModelIndex, &v.Model, &v.Degree)) return false;
    v.Spacing = FitSpacingFromRadios(s.SpacingLinear, s.SpacingExponent, s.SpacingInverse);
    if (v.Spacing == 0) return false;
    v.Fixed = s.FixedPoint ? 1 : 0;
    v.OutputStart = kv::AtoF(s.OutputStart.c_str());
    v.OutputEnd = kv::AtoF(s.OutputEnd.c_str());
    v.FixedX = kv::AtoF(s.FixedX.c_str());
    v.FixedY = kv::AtoF(s.FixedY.c_str());
    v.Divisions = kv::AtoI(s.Divisions.c_str());
    v.FitStart = kv::AtoI(s.FitStart.c_str());
    v.FitEnd = kv::AtoI(s.FitEnd.c_str());
    *out = v;
    return true;
}

// ---------------------------------------------------------------------------
// Non-linear fit

int ValidateNonLinearFitSettings(void* owner, BoxFrame* set, const TPlot* plot,
                                 const NonLinearFitSettings& s) {
    auto compiles = [&](const std::string& text) {
        double ignored = 0.0;
        return set && set->Evaluate(CutFitText(text, 255), ignored, BoxFrame::EvalCompile, plot, 0,
                                    -1, BoxFrame::ComponentValue) == 1;
    };
    if (!compiles(s.Function)) {
        kv::MessageBox(owner, kv::LoadString(55), nullptr, MB_OK | MB_ICONSTOP);
        return 0;
    }
    for (int k = 0; k < NonLinearParamCount; ++k) {
        if (!s.Enabled[k] || s.Derivatives[k].empty()) continue;
        if (!compiles(s.Derivatives[k])) {
            kv::MessageBox(owner, kv::LoadString(56 + k), nullptr, MB_OK | MB_ICONSTOP);
            return 0;
        }
    }
    return 1;
}

namespace {

// A number the fit can start from: not beyond the range of a double and below its
// largest value in magnitude.
bool ConvertBoundedNumber(const std::string& text, double* out) {
    bool outOfRange = false;
    const double v = kv::StrToD(text.c_str(), nullptr, &outOfRange);
    // An underflow also sets the flag; the tiny value (or 0) it gives is harmless.
    if (outOfRange && std::fabs(v) >= 1.0) return false;
    if (!(std::fabs(v) < std::numeric_limits<double>::max())) return false;
    *out = v;
    return true;
}

}  // namespace

bool ConvertNonLinearFitSettings(const NonLinearFitSettings& s, NonLinearFitValues* out) {
    NonLinearFitValues v;
    bool any = false;
    for (BYTE e : s.Enabled) any = any || e != 0;
    if (!any) return false;
    for (int k = 0; k < NonLinearParamCount; ++k)
        if (!ConvertBoundedNumber(s.InitialValues[k], &v.Initial[k + 1])) return false;
    double allowance = 0.0;
    if (!ConvertBoundedNumber(s.Allowance, &allowance)) return false;
    v.Allowance = std::fabs(allowance);
    v.FitStart = kv::AtoI(s.FitStart.c_str());
    if (v.FitStart < 1 || v.FitStart > NlsqMaxRow) return false;
    v.FitEnd = kv::AtoI(s.FitEnd.c_str());
    if (v.FitEnd != -1 && (v.FitEnd < 1 || v.FitEnd > NlsqMaxRow || v.FitEnd < v.FitStart))
        return false;
    v.OutputStart = kv::AtoF(s.OutputStart.c_str());
    v.OutputEnd = kv::AtoF(s.OutputEnd.c_str());
    v.Divisions = kv::AtoI(s.Divisions.c_str());
    if (v.Divisions < 0 || v.Divisions > NlsqMaxDivisions) return false;
    v.Spacing = FitSpacingFromRadios(s.SpacingLinear, s.SpacingExponent, s.SpacingInverse);
    if (v.Spacing == 0) return false;
    *out = v;
    return true;
}

// ---------------------------------------------------------------------------
// ".nls" files

namespace {

const char* const kParamKeys[NonLinearParamCount] = {"A", "B", "C", "D", "E", "F", "G", "H", "I"};

std::string ReadValue(const char* section, const char* key, const char* path) {
    char buffer[256];
    GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, path);
    // The buffer may have cut a double-byte character in half.
    return CutFitText(buffer, 255);
}

}  // namespace

NlsFileData ReadNls(const char* path) {
    NlsFileData d;
    if (!path) return d;
    kv::ProfileBatch batch(path);  // one reading for every key
    d.Function = ReadValue("Function", "Function", path);
    for (int k = 0; k < NonLinearParamCount; ++k)
        d.Parameters[k] = int(GetPrivateProfileIntA("Parameters", kParamKeys[k], 0, path));
    for (int k = 0; k < NonLinearParamCount; ++k)
        d.InitialValues[k] = ReadValue("Initvalues", kParamKeys[k], path);
    for (int k = 0; k < NonLinearParamCount; ++k)
        d.Derivatives[k] = ReadValue("Derivative", kParamKeys[k], path);
    return d;
}

int WriteNls(const char* path, const NlsFileData& d) {
    if (!path) return 0;
    // The file is written once, whole, after every key is set.
    kv::ProfileBatch batch(path);
    int ok = WritePrivateProfileStringA("Function", "Function", d.Function.c_str(), path) ? 1 : 0;
    for (int k = 0; k < NonLinearParamCount; ++k) {
        const std::string v = std::to_string(d.Parameters[k]);
        if (!WritePrivateProfileStringA("Parameters", kParamKeys[k], v.c_str(), path)) ok = 0;
    }
    for (int k = 0; k < NonLinearParamCount; ++k)
        if (!WritePrivateProfileStringA("Initvalues", kParamKeys[k], d.InitialValues[k].c_str(), path))
            ok = 0;
    for (int k = 0; k < NonLinearParamCount; ++k)
        if (!WritePrivateProfileStringA("Derivative", kParamKeys[k], d.Derivatives[k].c_str(), path))
            ok = 0;
    if (!batch.Flush()) ok = 0;
    return ok;
}

NlsFileData NlsFromSettings(const NonLinearFitSettings& s) {
    NlsFileData d;
    d.Function = s.Function;
    for (int k = 0; k < NonLinearParamCount; ++k) {
        d.Parameters[k] = s.Enabled[k] ? 1 : 0;
        d.InitialValues[k] = s.InitialValues[k];
        d.Derivatives[k] = s.Derivatives[k];
    }
    return d;
}

void ApplyNlsToSettings(const NlsFileData& d, NonLinearFitSettings* s) {
    s->Function = CutFitText(d.Function);
    for (int k = 0; k < NonLinearParamCount; ++k) {
        s->Enabled[k] = BYTE(NlsCheckState(d.Parameters[k]));
        s->InitialValues[k] = CutFitText(d.InitialValues[k]);
        s->Derivatives[k] = CutFitText(d.Derivatives[k]);
    }
}
