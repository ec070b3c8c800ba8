// Helpers shared by the time records.
#include "sample_set/time_fields.hpp"

namespace zorvane {

void append_time(std::string& out, const Time& time) {
  if (time) {
    append_float_display(out, *time);
  } else {
    out += "None";
  }
}

namespace time_fields {

std::string json_argument(PyObject* object) {
  return convert_argument("json", [&] { return to_string(object); });
}

}  // namespace time_fields
}  // namespace zorvane
