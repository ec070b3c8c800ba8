// The Python class MeasuringTime over the sample-set value, and its dict form.
#pragma once

#include "core/sample_set/measuring_time.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {

PyRef measuring_time_to_dict(const MeasuringTime& value);
/// Reads the dict form; "solve" / "system" values that are not dicts raise ValueError
/// "the value of the key 'solve' is not dict".
MeasuringTime measuring_time_from_dict(PyObject* dict);

}  // namespace zorvane
