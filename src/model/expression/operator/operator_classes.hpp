// The Python classes of operator and condition nodes.
#pragma once

#include "binding/frame.hpp"

namespace zorvane {

extern const ClassDef kAbsOpClass, kCeilOpClass, kFloorOpClass, kLog2OpClass, kLog10OpClass, kLnOpClass;
extern const ClassDef kAddOpClass, kMulOpClass, kMinOpClass, kMaxOpClass;
extern const ClassDef kPowOpClass, kModOpClass;
extern const ClassDef kSumOpClass, kProdOpClass;
extern const ClassDef kAndOpClass, kOrOpClass, kXorOpClass;
extern const ClassDef kEqualOpClass, kNotEqualOpClass, kLessThanOpClass, kLessThanEqualOpClass,
    kGreaterThanOpClass, kGreaterThanEqualOpClass;

}  // namespace zorvane
