// SystemTime: the times of the service phases around the solver.
#pragma once

#include "core/sample_set/time_fields.hpp"

namespace zorvane {

struct SystemTime {
  Time post_problem_and_instance_data;
  Time request_queue;
  Time fetch_problem_and_instance_data;
  Time fetch_result;
  Time deserialize_solution;
};

template <>
struct TimeFields<SystemTime> {
  static constexpr const char* kName = "SystemTime";
  static constexpr const char* kStructName = "PySystemTime";
  static constexpr std::array<const char*, 5> kFields{
      "post_problem_and_instance_data", "request_queue", "fetch_problem_and_instance_data",
      "fetch_result", "deserialize_solution"};
  static constexpr std::array<Time SystemTime::*, 5> kMembers{
      &SystemTime::post_problem_and_instance_data, &SystemTime::request_queue,
      &SystemTime::fetch_problem_and_instance_data, &SystemTime::fetch_result,
      &SystemTime::deserialize_solution};
};

}  // namespace zorvane
