// MeasuringTime: the solver's times, the service's times and the total time of one run.
#pragma once

#include "sample_set/solving_time.hpp"
#include "sample_set/system_time.hpp"

namespace zorvane {

struct MeasuringTime {
  SolvingTime solve;
  SystemTime system;
  Time total;
};

bool measuring_time_eq(const MeasuringTime& a, const MeasuringTime& b) noexcept;
void append_measuring_time_text(std::string& out, const MeasuringTime& value);
PyRef measuring_time_to_dict(const MeasuringTime& value);
/// Reads the dict form; "solve" / "system" values that are not dicts raise ValueError
/// "the value of the key 'solve' is not dict".
MeasuringTime measuring_time_from_dict(PyObject* dict);
void append_measuring_time_json(std::string& out, const MeasuringTime& value);
MeasuringTime read_measuring_time_json(json::Cursor& cursor);

}  // namespace zorvane
