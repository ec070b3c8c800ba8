// The plain JSON reader.
#include "core/json/plain_reader.hpp"

#include <array>

#include "core/json/number.hpp"

namespace zorvane::json {
namespace {

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }
bool is_space(char c) noexcept { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

}  // namespace

// Valid JSON whose strings hold no escape and no control character, nested at most kDepthLimit
// deep, whose numbers fit a double, and with nothing but whitespace after the value. Offsets
// are those RapidJSON reports: just past a scalar, just past a bracket.
bool read_plain(std::string_view text, EventList& out, InterruptPoll& poll) {
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t at = 0;
  std::array<bool, kDepthLimit> in_object{};
  std::size_t depth = 0;
  const auto skip_space = [&] {
    while (at < size && is_space(data[at])) ++at;
  };
  const auto add = [&](Event::Kind kind, std::size_t offset) -> Event& {
    poll.tick();
    Event& e = out.events.emplace_back();
    e.kind = kind;
    e.unsigned_integer = 0;
    e.offset = offset;
    return e;
  };
  const auto string = [&](Event::Kind kind) {
    const std::size_t start = ++at;  // past the quote
    while (at < size && data[at] != '"') {
      if (data[at] == '\\' || static_cast<unsigned char>(data[at]) < 0x20) return false;
      ++at;
    }
    if (at == size) return false;
    Event& e = add(kind, ++at);
    e.string_start = out.strings.size();
    e.string_size = static_cast<std::uint32_t>(at - 1 - start);
    out.strings.append(data + start, at - 1 - start);
    return true;
  };
  // A key and its colon, the cursor then at the member's value.
  const auto key = [&] {
    if (at >= size || data[at] != '"' || !string(Event::Kind::Key)) return false;
    skip_space();
    if (at >= size || data[at] != ':') return false;
    ++at;
    return true;
  };
  const auto literal = [&](std::string_view word) {
    if (text.substr(at, word.size()) != word) return false;
    at += word.size();
    return true;
  };
  skip_space();
  while (true) {
    // A value at `at`.
    skip_space();
    if (at >= size) return false;
    const char c = data[at];
    if (c == '{' || c == '[') {
      if (depth == kDepthLimit) return false;
      const bool object = c == '{';
      add(object ? Event::Kind::StartObject : Event::Kind::StartArray, ++at);
      in_object[depth++] = object;
      skip_space();
      if (at < size && data[at] == (object ? '}' : ']')) {
        add(object ? Event::Kind::EndObject : Event::Kind::EndArray, ++at);
        --depth;
      } else {
        if (object && !key()) return false;
        continue;
      }
    } else if (c == '"') {
      if (!string(Event::Kind::String)) return false;
    } else if (c == '-' || is_digit(c)) {
      Event& e = add(Event::Kind::Double, 0);
      std::size_t end = read_short_number(text, at, e);
      if (end == 0) {
        end = number_end(text, at);
        if (end == kNoNumber || !read_number(text.substr(at, end - at), e)) return false;
      }
      e.offset = end;
      at = end;
    } else if (c == 'n') {
      if (!literal("null")) return false;
      add(Event::Kind::Null, at);
    } else if (c == 't' || c == 'f') {
      if (!literal(c == 't' ? "true" : "false")) return false;
      add(Event::Kind::Bool, at).boolean = c == 't';
    } else {
      return false;
    }
    // After a value: a comma and the next member, or the ends of the containers it closes.
    while (true) {
      skip_space();
      if (depth == 0) return at == size;
      if (at >= size) return false;
      const bool object = in_object[depth - 1];
      if (data[at] == ',') {
        ++at;
        skip_space();
        if (object && !key()) return false;
        break;
      }
      if (data[at] != (object ? '}' : ']')) return false;
      add(object ? Event::Kind::EndObject : Event::Kind::EndArray, ++at);
      --depth;
    }
  }
}

}  // namespace zorvane::json
