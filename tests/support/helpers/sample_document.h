#pragma once
// Fixtures for tests of every library: an axis set that holds every kind of
// document object, and series with predictable data.

#include "model/boxframe.h"
#include "model/plot.h"

#include <memory>

namespace kvtest {

// A series read from a file: rows points (x = i + 1, y = (x + offset)^2), error
// bars on both axes and parameter column 3.
std::unique_ptr<TPlot> MakeSampleSeries(int rows, double offset = 0.0);

// An axis set with a moved frame, changed axes with label texts, three series (one
// from a file with error bars and a parameter column, one made in memory with "*"
// and "|" values, one kept as parameters only), a line with an arrow, a hatched
// rectangle, a closed spline polyline, two free texts (one with series references
// and double-byte characters, one rotated on a background, both with metrics),
// two user constants and five user functions.
std::unique_ptr<BoxFrame> MakeSampleBoxFrame();

}  // namespace kvtest
