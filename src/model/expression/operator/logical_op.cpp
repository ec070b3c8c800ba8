// AndOp, OrOp, XorOp: logical combinations of conditions.
#include "model/expression/expression_class.hpp"
#include "model/expression/operator/operator_classes.hpp"

namespace zorvane {
namespace {

template <ClassId Id>
PyGetSetDef kGetters[] = {
    getter<terms_getter<Id, LogicalNode>>("terms"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

constexpr const char* kAnd = "AndOp";
constexpr const char* kOr = "OrOp";
constexpr const char* kXor = "XorOp";

}  // namespace

const ClassDef kAndOpClass = condition_class<ClassId::AndOp, kAnd>(docs::kAndOp, kGetters<ClassId::AndOp>);
const ClassDef kOrOpClass = condition_class<ClassId::OrOp, kOr>(docs::kOrOp, kGetters<ClassId::OrOp>);
const ClassDef kXorOpClass = condition_class<ClassId::XorOp, kXor>(docs::kXorOp, kGetters<ClassId::XorOp>);

}  // namespace zorvane
