// The general JSON reader: RapidJSON's SAX reader decides every text and words every error.
#pragma once

#include <string>
#include <string_view>

#include "core/interrupt.hpp"
#include "core/json/event.hpp"

namespace zorvane::json {

/// Records the events of `readable` (`text` or its masked copy, same offsets) into `out`. A
/// malformed text raises ValueError "<message> at line N column M" when `final`, else returns
/// false (as it does for a string that only a masked copy reads right).
bool read_general(std::string_view text, std::string_view readable, bool final, EventList& out, InterruptPoll& poll);

/// A copy of `text` that RapidJSON reads with the structure, errors and offsets of `text`, but
/// without tripping over long or huge numbers or lone low surrogate escapes (see the definition).
std::string mask_for_reader(std::string_view text, InterruptPoll& poll);

}  // namespace zorvane::json
