// The registration tables. Adding a class: include its header and append its row in `ClassId`
// order; adding a function: append its row in the module's function order.
#include "lib/registry.hpp"

#include "lib/docs.hpp"
#include "model/expression/operand/array_length.hpp"
#include "model/expression/operand/data_type.hpp"
#include "model/expression/operand/decision_var/decision_var_classes.hpp"
#include "model/expression/operand/dummy_indexed_var.hpp"
#include "model/expression/operand/element.hpp"
#include "model/expression/operand/number_lit.hpp"
#include "model/expression/operand/placeholder.hpp"
#include "model/expression/operand/subscript.hpp"
#include "model/expression/operator/functions.hpp"
#include "model/expression/operator/operator_classes.hpp"
#include "model/analysis.hpp"
#include "model/constraint.hpp"
#include "model/custom_penalty_term.hpp"
#include "model/problem.hpp"
#include "protobuf/functions.hpp"
#include "sample_set/evaluation.hpp"
#include "sample_set/measuring_time.hpp"
#include "sample_set/record.hpp"
#include "sample_set/sample_set.hpp"
#include "sample_set/solving_time.hpp"
#include "sample_set/system_time.hpp"

namespace zorvane {
namespace {

const FunctionDef kFunctions[] = {
    {docs::kNameIsLinear, docs::kSigIsLinear, docs::kFnIsLinear, &method_fastcall<analysis::is_linear>},
    {docs::kNameIsQuadratic, docs::kSigIsQuadratic, docs::kFnIsQuadratic, &method_fastcall<analysis::is_quadratic>},
    {docs::kNameIsHigherOrder, docs::kSigIsHigherOrder, docs::kFnIsHigherOrder, &method_fastcall<analysis::is_higher_order>},
    {docs::kNameIsDynamicDegree, docs::kSigIsDynamicDegree, docs::kFnIsDynamicDegree, &method_fastcall<analysis::is_dynamic_degree>},
    {docs::kNameExtractNodes, docs::kSigExtractNodes, docs::kFnExtractNodes, &method_fastcall<analysis::extract_nodes>},
    {docs::kNameExtractVariables, docs::kSigExtractVariables, docs::kFnExtractVariables, &method_fastcall<analysis::extract_variables>},
    {docs::kNameIsSame, docs::kSigIsSame, docs::kFnIsSame, &method_fastcall<analysis::is_same>},
    {docs::kNameAbs, docs::kSigAbs, docs::kFnAbs, &method_fastcall<functions::abs>},
    {docs::kNameCeil, docs::kSigCeil, docs::kFnCeil, &method_fastcall<functions::ceil>},
    {docs::kNameFloor, docs::kSigFloor, docs::kFnFloor, &method_fastcall<functions::floor>},
    {docs::kNameLog2, docs::kSigLog2, docs::kFnLog2, &method_fastcall<functions::log2>},
    {docs::kNameLog10, docs::kSigLog10, docs::kFnLog10, &method_fastcall<functions::log10>},
    {docs::kNameLn, docs::kSigLn, docs::kFnLn, &method_fastcall<functions::ln>},
    {docs::kNameMin, docs::kSigMin, docs::kFnMin, &method_fastcall<functions::min>},
    {docs::kNameMax, docs::kSigMax, docs::kFnMax, &method_fastcall<functions::max>},
    {docs::kNameSum, docs::kSigSum, docs::kFnSum, &method_fastcall<functions::sum>},
    {docs::kNameProd, docs::kSigProd, docs::kFnProd, &method_fastcall<functions::prod>},
    {docs::kNameToProtobuf, docs::kSigToProtobuf, docs::kFnToProtobuf, &method_fastcall<protobuf::to_protobuf>},
    {docs::kNameFromProtobuf, docs::kSigFromProtobuf, docs::kFnFromProtobuf, &method_fastcall<protobuf::from_protobuf>},
    {docs::kNameReplace, docs::kSigReplace, docs::kFnReplace, &method_fastcall<analysis::replace>},
    {docs::kNameConcatenate, docs::kSigConcatenate, docs::kFnConcatenate, &concatenate_entry},
};

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
    &kProblemClass,
    &kProblemSenseClass,
    &kConstraintClass,
    &kConstraintSenseClass,
    &kCustomPenaltyTermClass,
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
