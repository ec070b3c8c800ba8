// AddOp, MulOp, MinOp, MaxOp: an ordered list of terms.
#include "python/expression/expression_class.hpp"

namespace zorvane {
namespace {

template <ClassId Id>
PyGetSetDef kGetters[] = {
    getter<terms_getter<Id, CommutativeNode>>("terms"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

template <ClassId Id>
ClassDef commutative_class() {
  return operator_class<Id>(kGetters<Id>);
}

}  // namespace

const ClassDef kAddOpClass = commutative_class<ClassId::AddOp>();
const ClassDef kMulOpClass = commutative_class<ClassId::MulOp>();
const ClassDef kMinOpClass = commutative_class<ClassId::MinOp>();
const ClassDef kMaxOpClass = commutative_class<ClassId::MaxOp>();

}  // namespace zorvane
