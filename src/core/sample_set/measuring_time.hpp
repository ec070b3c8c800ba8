// MeasuringTime: the solver's times, the service's times and the total time of one run.
#pragma once

#include <string>

#include "core/sample_set/json_reader.hpp"
#include "core/sample_set/solving_time.hpp"
#include "core/sample_set/system_time.hpp"

namespace zorvane {

struct MeasuringTime {
  SolvingTime solve;
  SystemTime system;
  Time total;
};

bool measuring_time_eq(const MeasuringTime& a, const MeasuringTime& b) noexcept;
void append_measuring_time_text(std::string& out, const MeasuringTime& value);
MeasuringTime read_measuring_time_json(json::Cursor& cursor);

}  // namespace zorvane
