#pragma once
// The non-linear fit's work columns, on their own so that whoever keeps them (the
// page view, and the dialogs that hand them to a fit) need not see the solver.

#include "numerics/fitparams.h"
#include "platform/containers.h"

#include <array>

// 1-based by fit point: column 0 holds the model values at the parameters last
// evaluated, column k (1 to 9) the derivative with respect to parameter k.
using FitColumnSet = std::array<TArrayAsVector<double>, FitParameterCount + 1>;
// Ten empty columns, growing by 1000 values.
inline FitColumnSet MakeFitColumnSet() {
    auto column = [] { return TArrayAsVector<double>(0, 1, 1000); };
    return {column(), column(), column(), column(), column(),
            column(), column(), column(), column(), column()};
}
