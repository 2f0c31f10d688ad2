#include "fitting/spacing.h"

#include "platform/mathpolicy.h"

#include <cmath>

bool FitOutputPositions(FitPointList* out, double start, double end, int divisions, int method,
                        bool decimalLog) {
    if (!out || divisions < 0) return false;
    out->Flush();
    const double s = start;
    const double e = end;
    const bool sameSign = (s > 0 && e > 0) || (s < 0 && e < 0);
    // With no division there is no step: 0 * an infinite step would make the
    // single position not a number.
    auto stepOf = [divisions](double span) { return divisions == 0 ? 0.0 : span / divisions; };

    for (int k = 0; k <= divisions; ++k) {
        const double kd = double(k);
        double xk = 0.0;
        switch (method) {
        case DivisionLinear:
            xk = kd * stepOf(e - s) + s;
            break;
        case DivisionExponent: {
            if (!sameSign) return false;
            const double a = s > 0 ? s : -s;
            const double b = e > 0 ? e : -e;
            if (decimalLog) {
                const double step = stepOf(kv::math::Log10(b) - kv::math::Log10(a));
                xk = s * kv::math::Pow(10.0, kd * step);
            } else {
                const double step = stepOf(kv::math::Log(b) - kv::math::Log(a));
                xk = kv::math::Exp(kd * step) * s;
            }
            break;
        }
        case DivisionInverse: {
            if (!sameSign) return false;
            const double step = stepOf(1.0 / e - 1.0 / s);
            xk = 1.0 / (1.0 / s + kd * step);
            break;
        }
        default:
            return false;
        }
        // A curve position that is not a number cannot be drawn or stored usefully.
        if (!std::isfinite(xk)) return false;
        out->Add(xk);
    }
    return true;
}
