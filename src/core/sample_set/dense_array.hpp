// One dense solution array of a record.
#pragma once

#include <xtensor/xarray.hpp>

namespace zorvane {

/// One dense solution array: float64, row-major, any number of axes.
using DenseArray = xt::xarray<double>;

}  // namespace zorvane
