// Positions in a JSON text, for the readers' messages.
#include "core/json/event.hpp"

#include <algorithm>

#include <fmt/format.h>

#include "core/error.hpp"

namespace zorvane::json {

std::string position_text(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  std::size_t line = 1;
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++line;
      line_start = i + 1;
    }
  }
  return fmt::format(" at line {} column {}", line, offset - line_start);
}

[[noreturn]] void raise_at(std::string_view text, const std::string& message, std::size_t offset) {
  raise(ErrorKind::Value, message + position_text(text, offset));
}

}  // namespace zorvane::json
