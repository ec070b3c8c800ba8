// NumberLit: the Python class of a number literal.
#pragma once

#include "binding/frame.hpp"

namespace zorvane {

extern const ClassDef kNumberLitClass;

}  // namespace zorvane
