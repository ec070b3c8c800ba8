// Helpers shared by the time records.
#include "core/sample_set/time_fields.hpp"

#include "core/expression/float_text.hpp"

namespace zorvane {

void append_time(std::string& out, const Time& time) {
  if (time) {
    append_float_display(out, *time);
  } else {
    out += "None";
  }
}

}  // namespace zorvane
