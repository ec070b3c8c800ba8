// The registration tables: the classes as classes.def lists them; the functions in the module's
// function order (adding one: append its row).
#include "python/registry.hpp"

#include "python/docs.hpp"
#include "python/functions/functions.hpp"

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
    {docs::kNameConcatenate, docs::kSigConcatenate, docs::kFnConcatenate, &method_fastcall<sample_sets::concatenate>},
};

const ClassRow kClasses[] = {
#define ZORVANE_VALUE_CLASS(Name, Signature) {ClassId::Name, &k##Name##Class, {docs::k##Name, Signature}},
#define ZORVANE_NODE_CLASS(Name, Family, NodeTag, Kind, Signature) \
  {ClassId::Name, &k##Name##Class, {docs::k##Name, Signature}},
#include "python/classes.def"
#undef ZORVANE_VALUE_CLASS
#undef ZORVANE_NODE_CLASS
};

}  // namespace

std::span<const FunctionDef> registered_functions() { return kFunctions; }
std::span<const ClassRow> registered_classes() { return kClasses; }

}  // namespace zorvane
