// PowOp and ModOp: a power (base, exponent) and a remainder (left, right).
#include "python/expression/expression_class.hpp"

namespace zorvane {
namespace {

const Expr& left(const Node& node) { return as<BinaryNode>(node).left; }
const Expr& right(const Node& node) { return as<BinaryNode>(node).right; }

PyGetSetDef kPowGetters[] = {
    getter<child_getter<ClassId::PowOp, left>>("base"),
    getter<child_getter<ClassId::PowOp, right>>("exponent"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};
PyGetSetDef kModGetters[] = {
    getter<child_getter<ClassId::ModOp, left>>("left"),
    getter<child_getter<ClassId::ModOp, right>>("right"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const ClassDef kPowOpClass = operator_class<ClassId::PowOp>(kPowGetters);
const ClassDef kModOpClass = operator_class<ClassId::ModOp>(kModGetters);

}  // namespace zorvane
