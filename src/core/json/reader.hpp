// Reading a JSON text into its events: the plain reader when it can, RapidJSON otherwise.
#pragma once

#include <string_view>

#include "core/interrupt.hpp"
#include "core/json/event.hpp"

namespace zorvane::json {

/// How a text is read: `Any` is what readers use; tests compare the events of the other two.
enum class Reading : std::uint8_t {
  Any,
  Plain,    ///< only the plain reader (std::logic_error for a text it does not read)
  General,  ///< only RapidJSON
};

/// The events of `text` (which must outlive `out`'s use); a malformed text raises ValueError with
/// the reader's message "<message> at line N column M". A text read whole gives the same events
/// whichever way it was read. True when the plain reader read it (see `read_plain`).
bool read_events(std::string_view text, Reading reading, EventList& out, InterruptPoll& poll);

}  // namespace zorvane::json
