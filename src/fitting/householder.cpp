#include "fitting/householder.h"

#include <algorithm>
#include <cmath>

HouseholderLsq::HouseholderLsq(int columns) : n_(std::clamp(columns, 1, MaxColumns)) {}

void HouseholderLsq::AddPowers(long double first, long double z, long double target) {
    for (int j = 0; j < n_; ++j, first *= z) Store(j, pending_, first);
    Store(n_, pending_, target);
    if (++pending_ == kBlock) Fold();
}

void HouseholderLsq::Finish() {
    if (pending_ > 0) Fold();
}

// The reflection that zeroes the gathered rows of column k under the factor's
// diagonal: I - beta v v' with v = (v0 at row k of the factor, the column's
// gathered values); beta 0 when there is nothing to zero.
HouseholderLsq::Reflection HouseholderLsq::Reflect(int k, int p) {
    long double s0 = 0, s1 = 0;
    int b = 0;
    for (; b + 2 <= p; b += 2) {
        const long double a0 = Load(k, b), a1 = Load(k, b + 1);
        s0 += a0 * a0;
        s1 += a1 * a1;
    }
    if (b < p) s0 += Load(k, b) * Load(k, b);
    const long double below = s0 + s1;
    long double& x0 = t_[std::size_t(k)][std::size_t(k)];
    if (below == 0) return {0, 0};
    const long double sigma = std::sqrt(x0 * x0 + below);
    const long double alpha = x0 > 0 ? -sigma : sigma;
    const Reflection r{x0 - alpha, 1 / (sigma * (sigma + std::fabs(x0)))};
    x0 = alpha;
    return r;
}

// Triangularises the factor stacked on the gathered rows. Below its diagonal
// the factor is zero, so a reflection for column k touches only row k of the
// factor and the gathered rows. The reflections are applied two at a time: the
// second one's product with a column follows from the first's and the product
// of the two vectors, so each gathered value is loaded and stored once for both.
void HouseholderLsq::Fold() {
    const int p = pending_;
    pending_ = 0;
    // Sum of products of gathered columns a and b, in four partial sums that
    // keep the adder busy.
    auto dot = [this, p](int a, int b) {
        long double w0 = 0, w1 = 0, w2 = 0, w3 = 0;
        int i = 0;
        for (; i + 4 <= p; i += 4) {
            w0 += Load(a, i) * Load(b, i);
            w1 += Load(a, i + 1) * Load(b, i + 1);
            w2 += Load(a, i + 2) * Load(b, i + 2);
            w3 += Load(a, i + 3) * Load(b, i + 3);
        }
        for (; i < p; ++i) w0 += Load(a, i) * Load(b, i);
        return (w0 + w1) + (w2 + w3);
    };
    for (int k = 0; k <= n_; k += 2) {
        const Reflection first = Reflect(k, p);
        if (k == n_) break;
        // The first reflection on column k + 1, then the second reflection.
        auto& rk = t_[std::size_t(k)];
        const int k1 = k + 1;
        {
            const long double w = (first.v0 * rk[std::size_t(k1)] + dot(k, k1)) * first.beta;
            rk[std::size_t(k1)] -= w * first.v0;
            for (int i = 0; i < p; ++i) Store(k1, i, Load(k1, i) - w * Load(k, i));
        }
        const Reflection second = Reflect(k1, p);
        auto& rk1 = t_[std::size_t(k1)];
        const long double cross = dot(k, k1);
        for (int j = k + 2; j <= n_; ++j) {
            long double d0 = 0, d1 = 0, e0 = 0, e1 = 0;
            int i = 0;
            for (; i + 2 <= p; i += 2) {
                const long double a0 = Load(j, i), a1 = Load(j, i + 1);
                d0 += Load(k, i) * a0;
                e0 += Load(k1, i) * a0;
                d1 += Load(k, i + 1) * a1;
                e1 += Load(k1, i + 1) * a1;
            }
            if (i < p) {
                d0 += Load(k, i) * Load(j, i);
                e0 += Load(k1, i) * Load(j, i);
            }
            const long double w = (first.v0 * rk[std::size_t(j)] + (d0 + d1)) * first.beta;
            const long double x = (second.v0 * rk1[std::size_t(j)] + (e0 + e1) - w * cross) * second.beta;
            rk[std::size_t(j)] -= w * first.v0;
            rk1[std::size_t(j)] -= x * second.v0;
            for (i = 0; i < p; ++i) Store(j, i, Load(j, i) - w * Load(k, i) - x * Load(k1, i));
        }
    }
}

long double HouseholderLsq::ResidualNorm() const { return std::fabs(t_[std::size_t(n_)][std::size_t(n_)]); }

bool HouseholderLsq::Solve(long double* b) const {
    for (int i = n_ - 1; i >= 0; --i) {
        if (R(i, i) == 0) return false;
        long double s = Z(i);
        for (int j = i + 1; j < n_; ++j) s -= R(i, j) * b[j];
        b[i] = s / R(i, i);
    }
    return true;
}
