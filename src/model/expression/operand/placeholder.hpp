// Placeholder: a named symbol for instance data, a scalar or an array of `ndim` axes.
#pragma once

#include "binding/frame.hpp"

namespace zorvane {

extern const ClassDef kPlaceholderClass;

}  // namespace zorvane
