#include "fitting/longlog.h"

#include <cmath>

LongLog::LongLog() {
    for (int i = 0; i < 1024; ++i) {
        // 1 / (centre of the bin) to eleven bits: an integer over 2048.
        const long double centre = 1 + (i + 0.5L) / 1024;
        double c = std::nearbyint(2048 / centre) / 2048;
        if (i == 0) c = 1;        // f in [1, 1 + 2^-10): r = f - 1
        if (i == 1023) c = 0.5;   // f / 2 in [1 - 2^-11, 1): r = f / 2 - 1
        for (int half = 0; half < 2; ++half) {
            Entry& t = table_[half][i];
            t.c = c;
            const long double minusLn = -std::log(half ? 2.0L * c : static_cast<long double>(c));
            t.hi = static_cast<double>(minusLn);
            t.lo = static_cast<double>(minusLn - t.hi);
        }
    }
}

const LongLog& LongLog::Instance() {
    static const LongLog log;
    return log;
}
