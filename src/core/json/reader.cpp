// Reading a JSON text into its events.
#include "core/json/reader.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "core/json/general_reader.hpp"
#include "core/json/plain_reader.hpp"

namespace zorvane::json {
namespace {

// A dense text has an event every two or three bytes, but a text of a few long strings has
// few: room for the first events only, then the list grows geometrically with what is read.
constexpr std::size_t kFirstEvents = std::size_t(1) << 14;

}  // namespace

bool read_events(std::string_view text, Reading reading, EventList& out, InterruptPoll& poll) {
  out.clear();
  out.events.reserve(std::min(text.size() / 3 + 1, kFirstEvents));
  if (reading == Reading::Plain) {
    if (!read_plain(text, out, poll)) throw std::logic_error("a text that the plain reader does not read");
    return true;
  }
  // Most texts are plain (see `read_plain`). Any other text goes to RapidJSON, which decides and
  // words every error; it reads the text itself first and, only when that fails or meets a
  // suspect string, a masked copy (see `mask_for_reader`).
  if (reading == Reading::Any && read_plain(text, out, poll)) return true;
  out.clear();
  if (read_general(text, text, false, out, poll)) return false;
  out.clear();
  const std::string masked = mask_for_reader(text, poll);
  read_general(text, masked, true, out, poll);
  return false;
}

}  // namespace zorvane::json
