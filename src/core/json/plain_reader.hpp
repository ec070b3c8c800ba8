// The plain JSON reader: most texts read in one pass without RapidJSON.
#pragma once

#include <string_view>

#include "core/interrupt.hpp"
#include "core/json/event.hpp"

namespace zorvane::json {

/// Records the events of a plain text into `out`: valid JSON whose strings hold no escape and
/// no control character, nested at most kDepthLimit deep, whose numbers fit a double, with
/// nothing but whitespace after the value. False for any other text (`out` then holds a part).
/// The events and offsets are those the general reader records for the same text; their strings
/// are slices of `text`, which must outlive `out`'s use.
bool read_plain(std::string_view text, EventList& out, InterruptPoll& poll);

}  // namespace zorvane::json
