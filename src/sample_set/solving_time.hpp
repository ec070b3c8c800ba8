// SolvingTime: the times of the solver's own phases (preprocess, solve, postprocess).
#pragma once

#include "sample_set/time_fields.hpp"

namespace zorvane {

struct SolvingTime {
  Time preprocess;
  Time solve;
  Time postprocess;
};

template <>
struct TimeTraits<SolvingTime> {
  static constexpr ClassId kId = ClassId::SolvingTime;
  static constexpr const char* kStructName = "PySolvingTime";
  static constexpr std::array<const char*, 3> kFields{"preprocess", "solve", "postprocess"};
  static constexpr std::array<Time SolvingTime::*, 3> kMembers{
      &SolvingTime::preprocess, &SolvingTime::solve, &SolvingTime::postprocess};
  static constexpr Signature kNew{.owner = class_name(kId),
                                  .function = "__new__",
                                  .names = {"preprocess", "solve", "postprocess"},
                                  .positional = 3};
};

}  // namespace zorvane
