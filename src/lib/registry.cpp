// The registration tables. Adding a class: include its header and append its row in `ClassId`
// order; adding a function: append its row in the module's function order.
#include "lib/registry.hpp"

#include "lib/docs.hpp"

#include "model/expression/operand/data_type.hpp"
#include "model/expression/operand/number_lit.hpp"
#include "model/expression/operand/placeholder.hpp"
#include "model/expression/operator/operator_classes.hpp"
#include "sample_set/evaluation.hpp"
#include "sample_set/measuring_time.hpp"
#include "sample_set/record.hpp"
#include "sample_set/sample_set.hpp"
#include "sample_set/solving_time.hpp"
#include "sample_set/system_time.hpp"

namespace zorvane {
namespace {

const FunctionDef kFunctions[] = {
    {docs::kNameConcatenate, docs::kSigConcatenate, docs::kFnConcatenate, &concatenate_entry},
};

const ClassDef* const kClasses[] = {
    &kDataTypeClass,
    &kNumberLitClass,
    &kPlaceholderClass,
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
    &kEvaluationClass,
    &kRecordClass,
    &kSolvingTimeClass,
    &kSystemTimeClass,
    &kMeasuringTimeClass,
    &kSampleSetClass,
};

}  // namespace

std::span<const FunctionDef> registered_functions() { return kFunctions; }
std::span<const ClassDef* const> registered_classes() { return kClasses; }

}  // namespace zorvane
