// ArrayLength: the length of one axis of a placeholder, element or subscript.
#pragma once

#include "binding/frame.hpp"

namespace zorvane {

extern const ClassDef kArrayLengthClass;

}  // namespace zorvane
