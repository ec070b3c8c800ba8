// EqualOp, NotEqualOp, LessThanOp, LessThanEqualOp, GreaterThanOp, GreaterThanEqualOp.
#include "python/expression/expression_class.hpp"

namespace zorvane {
namespace {

const Expr& left(const Node& node) { return as<ComparisonNode>(node).left; }
const Expr& right(const Node& node) { return as<ComparisonNode>(node).right; }

template <ClassId Id>
PyGetSetDef kGetters[] = {
    getter<child_getter<Id, left>>("left"),
    getter<child_getter<Id, right>>("right"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

template <ClassId Id>
ClassDef comparison_class() {
  return condition_class<Id>(kGetters<Id>);
}

}  // namespace

const ClassDef kEqualOpClass = comparison_class<ClassId::EqualOp>();
const ClassDef kNotEqualOpClass = comparison_class<ClassId::NotEqualOp>();
const ClassDef kLessThanOpClass = comparison_class<ClassId::LessThanOp>();
const ClassDef kLessThanEqualOpClass = comparison_class<ClassId::LessThanEqualOp>();
const ClassDef kGreaterThanOpClass = comparison_class<ClassId::GreaterThanOp>();
const ClassDef kGreaterThanEqualOpClass = comparison_class<ClassId::GreaterThanEqualOp>();

}  // namespace zorvane
