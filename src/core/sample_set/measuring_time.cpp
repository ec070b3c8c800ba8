// MeasuringTime: equality, text and JSON forms.
#include "core/sample_set/measuring_time.hpp"

namespace zorvane {

bool measuring_time_eq(const MeasuringTime& a, const MeasuringTime& b) noexcept {
  return time_fields::equal(a.solve, b.solve) && time_fields::equal(a.system, b.system) &&
         time_eq(a.total, b.total);
}

void append_measuring_time_text(std::string& out, const MeasuringTime& value) {
  out += "MeasuringTime(solve=";
  time_fields::append_text(out, value.solve);
  out += ", system=";
  time_fields::append_text(out, value.system);
  out += ", total=";
  append_time(out, value.total);
  out += ')';
}

MeasuringTime read_measuring_time_json(json::Cursor& cursor) {
  static constexpr const char* kFields[] = {"solve", "system", "total"};
  static constexpr bool kRequired[] = {true, true, false};
  static constexpr json::StructShape kShape{"PyMeasuringTime", kFields, 3, kRequired};
  MeasuringTime value;
  json::read_struct(cursor, kShape, [&](std::size_t field) {
    switch (field) {
      case 0: value.solve = time_fields::read_json<SolvingTime>(cursor); break;
      case 1: value.system = time_fields::read_json<SystemTime>(cursor); break;
      default: {
        double total = 0.0;
        if (cursor.read_optional_f64(total)) value.total = total;
      }
    }
  });
  return value;
}

}  // namespace zorvane
