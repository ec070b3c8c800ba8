// AndOp, OrOp, XorOp: logical combinations of conditions.
#include "python/expression/expression_class.hpp"

namespace zorvane {
namespace {

template <ClassId Id>
PyGetSetDef kGetters[] = {
    getter<terms_getter<Id, LogicalNode>>("terms"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

template <ClassId Id>
ClassDef logical_class() {
  return condition_class<Id>(kGetters<Id>);
}

}  // namespace

const ClassDef kAndOpClass = logical_class<ClassId::AndOp>();
const ClassDef kOrOpClass = logical_class<ClassId::OrOp>();
const ClassDef kXorOpClass = logical_class<ClassId::XorOp>();

}  // namespace zorvane
