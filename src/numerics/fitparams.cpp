#include "numerics/fitparams.h"

double FitParameters[FitParameterCount + 1] = {};
