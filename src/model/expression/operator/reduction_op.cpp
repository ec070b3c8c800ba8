// SumOp and ProdOp: a sum or product of an operand over an index element.
#include "model/expression/expression_class.hpp"
#include "model/expression/operator/operator_classes.hpp"

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

constexpr const char* kSum = "SumOp";
constexpr const char* kProd = "ProdOp";

}  // namespace

const ClassDef kSumOpClass = operator_class<ClassId::SumOp, kSum>(docs::kSumOp, kGetters<ClassId::SumOp>);
const ClassDef kProdOpClass = operator_class<ClassId::ProdOp, kProd>(docs::kProdOp, kGetters<ClassId::ProdOp>);

}  // namespace zorvane
