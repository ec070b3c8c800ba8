// AbsOp, CeilOp, FloorOp, LnOp, Log10Op, Log2Op: a function of one operand.
#include "model/expression/expression_class.hpp"
#include "model/expression/operator/operator_classes.hpp"

namespace zorvane {
namespace {

const Expr& operand(const Node& node) { return as<UnaryNode>(node).operand; }

template <ClassId Id>
PyGetSetDef kGetters[] = {
    getter<child_getter<Id, operand>>("operand"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

constexpr const char* kAbs = "AbsOp";
constexpr const char* kCeil = "CeilOp";
constexpr const char* kFloor = "FloorOp";
constexpr const char* kLog2 = "Log2Op";
constexpr const char* kLog10 = "Log10Op";
constexpr const char* kLn = "LnOp";

}  // namespace

const ClassDef kAbsOpClass = operator_class<ClassId::AbsOp, kAbs>(docs::kAbsOp, kGetters<ClassId::AbsOp>);
const ClassDef kCeilOpClass = operator_class<ClassId::CeilOp, kCeil>(docs::kCeilOp, kGetters<ClassId::CeilOp>);
const ClassDef kFloorOpClass = operator_class<ClassId::FloorOp, kFloor>(docs::kFloorOp, kGetters<ClassId::FloorOp>);
const ClassDef kLog2OpClass = operator_class<ClassId::Log2Op, kLog2>(docs::kLog2Op, kGetters<ClassId::Log2Op>);
const ClassDef kLog10OpClass = operator_class<ClassId::Log10Op, kLog10>(docs::kLog10Op, kGetters<ClassId::Log10Op>);
const ClassDef kLnOpClass = operator_class<ClassId::LnOp, kLn>(docs::kLnOp, kGetters<ClassId::LnOp>);

}  // namespace zorvane
