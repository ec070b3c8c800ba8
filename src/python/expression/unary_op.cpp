// AbsOp, CeilOp, FloorOp, LnOp, Log10Op, Log2Op: a function of one operand.
#include "python/expression/expression_class.hpp"

namespace zorvane {
namespace {

const Expr& operand(const Node& node) { return as<UnaryNode>(node).operand; }

template <ClassId Id>
PyGetSetDef kGetters[] = {
    getter<child_getter<Id, operand>>("operand"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

template <ClassId Id>
ClassDef unary_class() {
  return operator_class<Id>(kGetters<Id>);
}

}  // namespace

const ClassDef kAbsOpClass = unary_class<ClassId::AbsOp>();
const ClassDef kCeilOpClass = unary_class<ClassId::CeilOp>();
const ClassDef kFloorOpClass = unary_class<ClassId::FloorOp>();
const ClassDef kLog2OpClass = unary_class<ClassId::Log2Op>();
const ClassDef kLog10OpClass = unary_class<ClassId::Log10Op>();
const ClassDef kLnOpClass = unary_class<ClassId::LnOp>();

}  // namespace zorvane
