// Subscript: a placeholder, element or decision variable indexed by expressions (`p[i, j]`).
#pragma once

#include "binding/frame.hpp"

namespace zorvane {

extern const ClassDef kSubscriptClass;

}  // namespace zorvane
