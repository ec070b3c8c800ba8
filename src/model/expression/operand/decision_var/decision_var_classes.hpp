// The five decision-variable classes: BinaryVar, IntegerVar, ContinuousVar, SemiIntegerVar and
// SemiContinuousVar, one behaviour over the one record.
#pragma once

#include "binding/frame.hpp"

namespace zorvane {

extern const ClassDef kBinaryVarClass;
extern const ClassDef kIntegerVarClass;
extern const ClassDef kContinuousVarClass;
extern const ClassDef kSemiIntegerVarClass;
extern const ClassDef kSemiContinuousVarClass;

}  // namespace zorvane
