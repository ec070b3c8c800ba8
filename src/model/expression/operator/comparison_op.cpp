// EqualOp, NotEqualOp, LessThanOp, LessThanEqualOp, GreaterThanOp, GreaterThanEqualOp.
#include "model/expression/expression_class.hpp"
#include "model/expression/operator/operator_classes.hpp"

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

constexpr const char* kEqual = "EqualOp";
constexpr const char* kNotEqual = "NotEqualOp";
constexpr const char* kLessThan = "LessThanOp";
constexpr const char* kLessThanEqual = "LessThanEqualOp";
constexpr const char* kGreaterThan = "GreaterThanOp";
constexpr const char* kGreaterThanEqual = "GreaterThanEqualOp";

template <ClassId Id, const char* const& Name>
ClassDef comparison_class(const char* doc) {
  return condition_class<Id, Name>(doc, kGetters<Id>);
}

}  // namespace

const ClassDef kEqualOpClass = comparison_class<ClassId::EqualOp, kEqual>(docs::kEqualOp);
const ClassDef kNotEqualOpClass = comparison_class<ClassId::NotEqualOp, kNotEqual>(docs::kNotEqualOp);
const ClassDef kLessThanOpClass = comparison_class<ClassId::LessThanOp, kLessThan>(docs::kLessThanOp);
const ClassDef kLessThanEqualOpClass =
    comparison_class<ClassId::LessThanEqualOp, kLessThanEqual>(docs::kLessThanEqualOp);
const ClassDef kGreaterThanOpClass =
    comparison_class<ClassId::GreaterThanOp, kGreaterThan>(docs::kGreaterThanOp);
const ClassDef kGreaterThanEqualOpClass =
    comparison_class<ClassId::GreaterThanEqualOp, kGreaterThanEqual>(docs::kGreaterThanEqualOp);

}  // namespace zorvane
