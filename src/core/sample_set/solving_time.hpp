// SolvingTime: the times of the solver's own phases (preprocess, solve, postprocess).
#pragma once

#include "core/sample_set/time_fields.hpp"

namespace zorvane {

struct SolvingTime {
  Time preprocess;
  Time solve;
  Time postprocess;
};

template <>
struct TimeFields<SolvingTime> {
  static constexpr const char* kName = "SolvingTime";
  static constexpr const char* kStructName = "PySolvingTime";
  static constexpr std::array<const char*, 3> kFields{"preprocess", "solve", "postprocess"};
  static constexpr std::array<Time SolvingTime::*, 3> kMembers{
      &SolvingTime::preprocess, &SolvingTime::solve, &SolvingTime::postprocess};
};

}  // namespace zorvane
