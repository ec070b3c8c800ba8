// AddOp, MulOp, MinOp, MaxOp: an ordered list of terms.
#include "model/expression/expression_class.hpp"
#include "model/expression/operator/operator_classes.hpp"

namespace zorvane {
namespace {

template <ClassId Id>
PyGetSetDef kGetters[] = {
    getter<terms_getter<Id, CommutativeNode>>("terms"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

constexpr const char* kAdd = "AddOp";
constexpr const char* kMul = "MulOp";
constexpr const char* kMin = "MinOp";
constexpr const char* kMax = "MaxOp";

}  // namespace

const ClassDef kAddOpClass = operator_class<ClassId::AddOp, kAdd>(docs::kAddOp, kGetters<ClassId::AddOp>);
const ClassDef kMulOpClass = operator_class<ClassId::MulOp, kMul>(docs::kMulOp, kGetters<ClassId::MulOp>);
const ClassDef kMinOpClass = operator_class<ClassId::MinOp, kMin>(docs::kMinOp, kGetters<ClassId::MinOp>);
const ClassDef kMaxOpClass = operator_class<ClassId::MaxOp, kMax>(docs::kMaxOp, kGetters<ClassId::MaxOp>);

}  // namespace zorvane
