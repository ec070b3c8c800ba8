// Every Python class of the module, in registration order (the order of `__all__`).
#pragma once

#include <cstdint>

namespace zorvane {

enum class ClassId : std::uint8_t {
  DataType,
  NumberLit,
  Placeholder,
  Range,
  Element,
  Subscript,
  ArrayLength,
  DummyIndexedVar,
  BinaryVar,
  IntegerVar,
  ContinuousVar,
  SemiIntegerVar,
  SemiContinuousVar,
  AbsOp,
  CeilOp,
  FloorOp,
  Log2Op,
  Log10Op,
  LnOp,
  AddOp,
  MulOp,
  ModOp,
  MinOp,
  MaxOp,
  PowOp,
  SumOp,
  ProdOp,
  AndOp,
  OrOp,
  XorOp,
  EqualOp,
  NotEqualOp,
  LessThanOp,
  LessThanEqualOp,
  GreaterThanOp,
  GreaterThanEqualOp,
  Problem,
  ProblemSense,
  Constraint,
  ConstraintSense,
  CustomPenaltyTerm,
  Evaluation,
  Record,
  SolvingTime,
  SystemTime,
  MeasuringTime,
  SampleSet,
};

inline constexpr std::size_t kClassCount = std::size_t(ClassId::SampleSet) + 1;

}  // namespace zorvane
