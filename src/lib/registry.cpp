// The registration tables. Adding a class: include its header and append its row in `ClassId`
// order; adding a function: append its row in the module's function order.
#include "lib/registry.hpp"

#include "model/expression/operand/array_length.hpp"
#include "model/expression/operand/data_type.hpp"
#include "model/expression/operand/decision_var/decision_var_classes.hpp"
#include "model/expression/operand/dummy_indexed_var.hpp"
#include "model/expression/operand/element.hpp"
#include "model/expression/operand/number_lit.hpp"
#include "model/expression/operand/placeholder.hpp"
#include "model/expression/operand/subscript.hpp"
#include "model/expression/operator/operator_classes.hpp"

namespace zorvane {
namespace {

const FunctionDef* const kNoFunctions = nullptr;

const ClassDef* const kClasses[] = {
    &kDataTypeClass,
    &kNumberLitClass,
    &kPlaceholderClass,
    &kRangeClass,
    &kElementClass,
    &kSubscriptClass,
    &kArrayLengthClass,
    &kDummyIndexedVarClass,
    &kBinaryVarClass,
    &kIntegerVarClass,
    &kContinuousVarClass,
    &kSemiIntegerVarClass,
    &kSemiContinuousVarClass,
    &kAbsOpClass,
    &kCeilOpClass,
    &kFloorOpClass,
    &kLog2OpClass,
    &kLog10OpClass,
    &kLnOpClass,
    &kAddOpClass,
    &kMulOpClass,
    &kModOpClass,
    &kMinOpClass,
    &kMaxOpClass,
    &kPowOpClass,
    &kSumOpClass,
    &kProdOpClass,
    &kAndOpClass,
    &kOrOpClass,
    &kXorOpClass,
    &kEqualOpClass,
    &kNotEqualOpClass,
    &kLessThanOpClass,
    &kLessThanEqualOpClass,
    &kGreaterThanOpClass,
    &kGreaterThanEqualOpClass,
};

}  // namespace

std::span<const FunctionDef> registered_functions() { return {kNoFunctions, std::size_t{0}}; }
std::span<const ClassDef* const> registered_classes() { return kClasses; }

}  // namespace zorvane
