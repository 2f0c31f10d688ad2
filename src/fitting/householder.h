#pragma once
// Least squares by Householder reflections in long double, fed a row at a time.
// Rows are gathered in blocks and folded into a small triangular factor, so any
// number of points needs only a fixed amount of memory, and the condition of the
// basis enters the solution once (not squared, as in the normal equations).
//
// After Finish, the factor holds R (upper triangular, columns x columns) and
// z = Q'target, so that the least-squares solution solves R b = z and the residual
// sum of squares is ResidualNorm()^2.

#include <array>
#include <cstddef>

class HouseholderLsq {
public:
    static constexpr int MaxColumns = 11;

    // columns: 1 to MaxColumns.
    explicit HouseholderLsq(int columns);

    // Appends the row first, first z, first z^2, ... with its target value.
    void AddPowers(long double first, long double z, long double target);
    // Folds the rows still gathered into the factor; more rows may follow.
    void Finish();

    long double R(int i, int j) const { return t_[std::size_t(i)][std::size_t(j)]; }
    long double Z(int i) const { return t_[std::size_t(i)][std::size_t(n_)]; }
    long double ResidualNorm() const;

    // Solves R b = z; false when a diagonal element of R is 0.
    bool Solve(long double* b) const;

private:
    static constexpr int kBlock = 64;
    // A gathered value as two doubles whose sum is the long double exactly:
    // loading and storing a pair costs far less than an 80-bit load and store,
    // which would otherwise dominate the whole fit. The two halves live in
    // separate arrays: side by side, the compiler joins their stores into one
    // vector store that waits on the x87 unit.
    long double Load(int col, int row) const {
        return static_cast<long double>(hi_[std::size_t(col)][std::size_t(row)]) + lo_[std::size_t(col)][std::size_t(row)];
    }
    void Store(int col, int row, long double v) {
        double* hi = &hi_[std::size_t(col)][std::size_t(row)];
        double* lo = &lo_[std::size_t(col)][std::size_t(row)];
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
        // Rounded into hi and the rest taken from it in memory: left to
        // itself, the compiler passes the rounded half through the stack and
        // a vector register, which costs the whole fit a sixth of its time.
        asm("fstl %0\n\tfsubl %0\n\tfstpl %1" : "=m"(*hi), "=m"(*lo) : "t"(v) : "st");
#else
        *hi = static_cast<double>(v);
        *lo = static_cast<double>(v - *hi);
#endif
    }

    struct Reflection {
        long double v0, beta;
    };
    Reflection Reflect(int k, int p);
    void Fold();

    int n_;
    int pending_ = 0;
    // The factor with z as its last column and the residual norm in its corner.
    std::array<std::array<long double, MaxColumns + 1>, MaxColumns + 1> t_{};
    // Gathered rows, column by column (only the first pending_ hold values).
    std::array<std::array<double, kBlock>, MaxColumns + 1> hi_, lo_;
};
