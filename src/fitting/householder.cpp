#include "fitting/householder.h"

#include <algorithm>
#include <cmath>

HouseholderLsq::HouseholderLsq(int columns) : n_(std::clamp(columns, 1, MaxColumns)) {}

void HouseholderLsq::Reset() {
    pending_ = 0;
    for (auto& row : t_) row.fill(0);
}

void HouseholderLsq::AddRow(const long double* basis, long double target) {
    const auto b = std::size_t(pending_);
    for (int j = 0; j < n_; ++j) Store(block_[std::size_t(j)][b], basis[j]);
    Store(block_[std::size_t(n_)][b], target);
    if (++pending_ == kBlock) Fold();
}

void HouseholderLsq::AddRow(const double* basis, long double target) {
    const auto b = std::size_t(pending_);
    for (int j = 0; j < n_; ++j) block_[std::size_t(j)][b] = Pair{basis[j], 0.0};
    Store(block_[std::size_t(n_)][b], target);
    if (++pending_ == kBlock) Fold();
}

void HouseholderLsq::Finish() {
    if (pending_ > 0) Fold();
}

// Triangularises the factor stacked on the gathered rows, one reflection per
// column. Below its diagonal the factor is zero, so a reflection for column k
// touches only row k of the factor and the gathered rows.
void HouseholderLsq::Fold() {
    const int p = pending_;
    pending_ = 0;
    for (int k = 0; k <= n_; ++k) {
        const auto& vk = block_[std::size_t(k)];
        long double s0 = 0, s1 = 0;
        int b = 0;
        for (; b + 2 <= p; b += 2) {
            const long double a0 = Load(vk[std::size_t(b)]), a1 = Load(vk[std::size_t(b + 1)]);
            s0 += a0 * a0;
            s1 += a1 * a1;
        }
        for (; b < p; ++b) {
            const long double a0 = Load(vk[std::size_t(b)]);
            s0 += a0 * a0;
        }
        const long double below = s0 + s1;
        if (below == 0) continue;
        const long double x0 = t_[std::size_t(k)][std::size_t(k)];
        const long double sigma = std::sqrt(x0 * x0 + below);
        const long double alpha = x0 > 0 ? -sigma : sigma;
        const long double v0 = x0 - alpha;
        const long double beta = 1 / (sigma * (sigma + std::fabs(x0)));
        for (int j = k + 1; j <= n_; ++j) {
            auto& pj = block_[std::size_t(j)];
            // Four partial sums keep the adder busy; one chain would wait on
            // each addition in turn.
            long double w0 = v0 * t_[std::size_t(k)][std::size_t(j)], w1 = 0, w2 = 0, w3 = 0;
            int i = 0;
            for (; i + 4 <= p; i += 4) {
                w0 += Load(vk[std::size_t(i)]) * Load(pj[std::size_t(i)]);
                w1 += Load(vk[std::size_t(i + 1)]) * Load(pj[std::size_t(i + 1)]);
                w2 += Load(vk[std::size_t(i + 2)]) * Load(pj[std::size_t(i + 2)]);
                w3 += Load(vk[std::size_t(i + 3)]) * Load(pj[std::size_t(i + 3)]);
            }
            for (; i < p; ++i) w0 += Load(vk[std::size_t(i)]) * Load(pj[std::size_t(i)]);
            const long double w = ((w0 + w1) + (w2 + w3)) * beta;
            t_[std::size_t(k)][std::size_t(j)] -= w * v0;
            for (i = 0; i < p; ++i)
                Store(pj[std::size_t(i)], Load(pj[std::size_t(i)]) - w * Load(vk[std::size_t(i)]));
        }
        t_[std::size_t(k)][std::size_t(k)] = alpha;
    }
}

long double HouseholderLsq::ResidualNorm() const { return std::fabs(t_[std::size_t(n_)][std::size_t(n_)]); }

long double HouseholderLsq::ColumnNorm(int j) const {
    long double s = 0;
    for (int i = 0; i <= j; ++i) s += R(i, j) * R(i, j);
    return std::sqrt(s);
}

bool HouseholderLsq::Solve(long double* b) const {
    for (int i = n_ - 1; i >= 0; --i) {
        if (R(i, i) == 0) return false;
        long double s = Z(i);
        for (int j = i + 1; j < n_; ++j) s -= R(i, j) * b[j];
        b[i] = s / R(i, i);
    }
    return true;
}

bool HouseholderLsq::SolveTransposed(const long double* g, long double* w) const {
    for (int i = 0; i < n_; ++i) {
        if (R(i, i) == 0) return false;
        long double s = g[i];
        for (int k = 0; k < i; ++k) s -= R(k, i) * w[k];
        w[i] = s / R(i, i);
    }
    return true;
}

bool HouseholderLsq::SolveDamped(long double lambda, const long double* scale, long double* d,
                                 const long double* target) const {
    HouseholderLsq damped(n_);
    long double row[MaxColumns] = {};
    for (int i = 0; i < n_; ++i) {
        for (int j = 0; j < n_; ++j) row[j] = j < i ? 0 : R(i, j);
        damped.AddRow(row, target ? target[i] : Z(i));
    }
    const long double root = std::sqrt(lambda);
    for (int i = 0; i < n_; ++i) {
        std::fill(row, row + n_, 0);
        row[i] = root * scale[i];
        damped.AddRow(row, 0);
    }
    damped.Finish();
    return damped.Solve(d);
}
