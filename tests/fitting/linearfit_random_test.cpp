// Random linear fits against answers in quadruple precision: polynomials of every
// degree on x shifted and scaled over many magnitudes, free and through a fixed
// point, on exact, slightly noisy and very noisy values, and the four
// two-parameter models. Where the data determine every coefficient that matters
// to 7 significant digits (linearfit_exact.h) the solver must answer, with those
// digits; it may refuse only where they do not, or where the answer lies beyond
// the range of a double.
//
// KORVIDA_LINEAR_FIT_CASES=n runs n cases instead and prints the count of each
// outcome: a larger run by hand.
#include "fitting/linearfit.h"

#include "linearfit_exact.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// Plain bits of a fixed engine: the same cases on every library.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : g_(seed) {}
    double Uniform() { return double(g_() >> 11) * 0x1p-53; }
    double Uniform(double a, double b) { return a + (b - a) * Uniform(); }
    int Int(int lo, int hi) { return lo + int(g_() % std::uint64_t(hi - lo + 1)); }
    double LogUniform(double a, double b) { return std::exp(Uniform(std::log(a), std::log(b))); }
    bool Chance(double p) { return Uniform() < p; }
    double Sign() { return Chance(0.5) ? 1.0 : -1.0; }
    double Normal() {
        const double r = std::sqrt(-2 * std::log(1 - Uniform()));
        return r * std::cos(6.283185307179586 * Uniform());
    }

private:
    std::mt19937_64 g_;
};

using linexact::LogOfX;
using linexact::LogOfY;

struct Problem : linexact::Problem {
    std::string what;
};

Problem Generate(Rng& rng) {
    Problem p;
    p.model = rng.Chance(0.75) ? int(FitModelPolynomial) : rng.Int(FitModelExponential, FitModelPower);
    const bool poly = p.model == FitModelPolynomial;
    p.degree = poly ? rng.Int(0, LSQ_MAX_DEGREE) : 1;
    p.fixed = rng.Chance(0.3) && !(poly && p.degree == 0);
    const int n = int(std::lround(rng.LogUniform(11, 3000)));

    // x on [c - h, c + h]: about the origin, from it, or far from it; evenly,
    // randomly, or crowded to one end.
    const double h = rng.LogUniform(1e-3, 1e3);
    const int where = rng.Int(0, 3);
    double c = 0;
    if (LogOfX(p.model)) {
        c = where == 0 ? h * 1.0001 : h * rng.LogUniform(1.01, 1e4);
    } else if (where == 1) {
        c = h * rng.Sign();
    } else if (where >= 2) {
        c = h * rng.LogUniform(1, 1e4) * rng.Sign();
    }
    const int layout = rng.Int(0, 2);
    for (int k = 0; k < n; ++k) {
        const double v = double(k) / (n - 1);
        const double z = layout == 0 ? -1 + 2 * v : layout == 1 ? rng.Uniform(-1, 1) : -1 + 2 * v * v * v;
        p.x.push_back(c + h * z);
    }
    const double noiseLevels[] = {0, 1e-12, 1e-6, 1e-2, 0.5};
    const double noise = noiseLevels[rng.Int(0, 4)];
    const double xFixed = LogOfX(p.model) ? c + h * rng.Uniform(-0.999, 1.5)
                          : rng.Chance(0.2) ? 0.0
                                            : c + h * rng.Uniform(-1.5, 1.5);

    if (poly) {
        // A polynomial in (x - c) / h up to the degree (or a sine), of any size,
        // sometimes on a large offset.
        const bool sine = rng.Chance(0.25);
        const int trueDegree = rng.Chance(0.5) ? p.degree : rng.Int(0, p.degree);
        std::vector<double> a;
        for (int j = 0; j <= trueDegree; ++j) a.push_back(rng.Normal());
        const double omega = rng.Uniform(0.5, 4), phase = rng.Uniform(0, 3);
        const double size = rng.LogUniform(1e-6, 1e6);
        const double offset = rng.Chance(0.3) ? size * rng.LogUniform(1, 1e6) * rng.Sign() : 0;
        auto f = [&](double xv) {
            const double z = (xv - c) / h;
            double v = 0;
            if (sine) {
                v = std::sin(omega * z + phase);
            } else {
                for (int j = trueDegree; j >= 0; --j) v = v * z + a[std::size_t(j)];
            }
            return offset + size * v;
        };
        for (double xv : p.x) p.y.push_back(f(xv) + noise * size * rng.Normal());
        p.x0 = xFixed;
        p.y0 = f(xFixed) + (rng.Chance(0.5) ? noise * size * rng.Normal() : 0);
        p.what = "degree " + std::to_string(p.degree) + (sine ? " sine" : " poly " + std::to_string(trueDegree));
    } else {
        // A straight line in the fitted variables.
        auto wOf = [&](double xv) { return LogOfX(p.model) ? std::log(xv) : xv; };
        double wLo = wOf(p.x[0]), wHi = wLo;
        for (double xv : p.x) {
            wLo = std::min(wLo, wOf(xv));
            wHi = std::max(wHi, wOf(xv));
        }
        const double wMid = (wLo + wHi) / 2, wHalf = std::max((wHi - wLo) / 2, 1e-300);
        const double slope = rng.Normal() * rng.LogUniform(0.1, 5) / wHalf;
        const double mid = rng.Normal() * rng.LogUniform(0.1, 10);
        const double size = LogOfY(p.model) ? 1 : rng.LogUniform(1e-6, 1e6);
        auto line = [&](double xv) { return size * (mid + slope * (wOf(xv) - wMid)); };
        auto value = [&](double t) { return LogOfY(p.model) ? std::exp(t) : t; };
        for (double xv : p.x) p.y.push_back(value(line(xv) + noise * size * rng.Normal()));
        p.x0 = xFixed;
        p.y0 = value(line(xFixed) + (rng.Chance(0.5) ? noise * size * rng.Normal() : 0));
        p.what = "model " + std::to_string(p.model);
    }
    const char* layouts[] = {"even", "random", "crowded"};
    p.what += std::string(p.fixed ? " fixed" : "") + ", " + std::to_string(n) + " " + layouts[layout] +
              " points, x " + std::to_string(c) + " +- " + std::to_string(h) + ", noise " +
              std::to_string(noise);
    return p;
}

TEST(LinearFit, RandomProblemsAgainstQuadruplePrecision) {
    int cases = 400;
    const char* env = std::getenv("KORVIDA_LINEAR_FIT_CASES");
    if (env && std::atoi(env) > 0) cases = std::atoi(env);
    Rng rng(20240519);
    int succeeded = 0, polynomials = 0, fixedPoint = 0, unshowable = 0;
    double worstDigits = 99, closestRefusal = -99;
    std::vector<int> refused;
    for (int id = 0; id < cases; ++id) {
        const Problem p = Generate(rng);
        FitPointList x = MakeFitPointList(), y = MakeFitPointList();
        for (double v : p.x) x.Add(v);
        for (double v : p.y) y.Add(v);
        FitPointList outX = MakeFitPointList(), outY = MakeFitPointList();
        double coeff[LSQ_COEFFICIENTS] = {}, corr = 0;
        const bool ok = LinearLeastSquaresFit(&x, &y, &outX, &outY, int(p.x.size()), p.degree, p.model,
                                              p.x.front(), p.x.back(), 10, coeff, &corr, p.x0, p.y0,
                                              std::int16_t(p.fixed ? 1 : 0), DivisionLinear, 1, -1);
        polynomials += p.model == FitModelPolynomial;
        fixedPoint += p.fixed;
        const linexact::Exact want = linexact::Solve(p);
        ASSERT_TRUE(want.solved) << "case " << id << ": " << p.what;
        const double allowed = linexact::WorstChange(p, want);
        if (!ok) {
            refused.push_back(id);
            if (!linexact::Showable(p, want)) {
                ++unshowable;
                continue;
            }
            closestRefusal = std::max(closestRefusal, -std::log10(allowed));
            EXPECT_GT(allowed, linexact::kSevenDigits)
                << "case " << id << ": " << p.what << ": refused, though the data determine it to "
                << -std::log10(allowed) << " digits";
            continue;
        }
        ++succeeded;
        const double err = linexact::WorstError(p, linexact::Reported(p, coeff), want);
        if (err > linexact::kSevenDigits) {
            std::string got;
            for (std::size_t i = 0; i < want.coeff.size(); ++i) {
                char line[96];
                std::snprintf(line, sizeof line, "\n  A%zu %.17g for %.17g", i, coeff[i], double(want.coeff[i]));
                got += line;
            }
            ADD_FAILURE() << "case " << id << ": " << p.what << ", x0 " << p.x0 << ", y0 " << p.y0
                          << ": relative error " << err << " where the data allow " << allowed << got;
        }
        worstDigits = std::min(worstDigits, err == 0 ? 99 : -std::log10(err));
    }
    std::string list;
    for (int id : refused) list += " " + std::to_string(id);
    std::printf("%d cases (%d polynomials, %d through a fixed point): %d answered, %d refused (%d beyond a double's range); "
                "fewest correct digits of an answer: %.1f; most digits the data give a refused one: %.2f\n"
                "refused:%s\n",
                cases, polynomials, fixedPoint, succeeded, int(refused.size()), unshowable, worstDigits, closestRefusal,
                list.c_str());
}

}  // namespace
