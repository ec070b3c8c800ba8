// SumOp and ProdOp: a sum or product of an operand over an index element.
#include "python/expression/expression_class.hpp"

namespace zorvane {
namespace {

const Expr& operand(const Node& node) { return as<ReductionNode>(node).operand; }
const Expr& condition(const Node& node) { return as<ReductionNode>(node).condition; }

template <ClassId Id>
PyRef index(PyObject* self) {
  const Expr node = borrow_node(self, Id);
  return expression_into_py(as<ReductionNode>(node).index);
}

template <ClassId Id>
PyGetSetDef kGetters[] = {
    getter<index<Id>>("index"),
    getter<child_getter<Id, condition>>("condition"),
    getter<child_getter<Id, operand>>("operand"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

template <ClassId Id>
ClassDef reduction_class() {
  return operator_class<Id>(kGetters<Id>);
}

}  // namespace

const ClassDef kSumOpClass = reduction_class<ClassId::SumOp>();
const ClassDef kProdOpClass = reduction_class<ClassId::ProdOp>();

}  // namespace zorvane
