#pragma once
// How generated x values are spaced between a start and an end: by the
// calculated-curve generator and by the curves of both fits.

enum DivisionMethod : int {
    DivisionLinear = 1,    // equal steps in x
    DivisionExponent = 2,  // equal steps in the logarithm of |x|
    DivisionInverse = 3,   // equal steps in 1/x
};
