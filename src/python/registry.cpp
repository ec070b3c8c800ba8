// The registration tables: the classes as classes.def lists them; the functions in the module's
// function order (adding one: append its row).
#include "python/registry.hpp"

#include "python/functions/functions.hpp"

namespace zorvane {
namespace {

const FunctionDef kFunctions[] = {
    {&docs::kIsLinearFunction, &method_fastcall<analysis::is_linear>},
    {&docs::kIsQuadraticFunction, &method_fastcall<analysis::is_quadratic>},
    {&docs::kIsHigherOrderFunction, &method_fastcall<analysis::is_higher_order>},
    {&docs::kIsDynamicDegreeFunction, &method_fastcall<analysis::is_dynamic_degree>},
    {&docs::kExtractNodesFunction, &method_fastcall<analysis::extract_nodes>},
    {&docs::kExtractVariablesFunction, &method_fastcall<analysis::extract_variables>},
    {&docs::kIsSameFunction, &method_fastcall<analysis::is_same>},
    {&docs::kAbsFunction, &method_fastcall<functions::abs>},
    {&docs::kCeilFunction, &method_fastcall<functions::ceil>},
    {&docs::kFloorFunction, &method_fastcall<functions::floor>},
    {&docs::kLog2Function, &method_fastcall<functions::log2>},
    {&docs::kLog10Function, &method_fastcall<functions::log10>},
    {&docs::kLnFunction, &method_fastcall<functions::ln>},
    {&docs::kMinFunction, &method_fastcall<functions::min>},
    {&docs::kMaxFunction, &method_fastcall<functions::max>},
    {&docs::kSumFunction, &method_fastcall<functions::sum>},
    {&docs::kProdFunction, &method_fastcall<functions::prod>},
    {&docs::kToProtobufFunction, &method_fastcall<protobuf::to_protobuf>},
    {&docs::kFromProtobufFunction, &method_fastcall<protobuf::from_protobuf>},
    {&docs::kReplaceFunction, &method_fastcall<analysis::replace>},
    {&docs::kConcatenateFunction, &method_fastcall<sample_sets::concatenate>},
};

const ClassRow kClasses[] = {
#define ZORVANE_VALUE_CLASS(Name, Signature) {ClassId::Name, &k##Name##Class},
#define ZORVANE_NODE_CLASS(Name, Family, NodeTag, Kind, Signature) {ClassId::Name, &k##Name##Class},
#include "python/classes.def"
#undef ZORVANE_VALUE_CLASS
#undef ZORVANE_NODE_CLASS
};

}  // namespace

std::span<const FunctionDef> registered_functions() { return kFunctions; }
std::span<const ClassRow> registered_classes() { return kClasses; }

}  // namespace zorvane
