// The plain JSON reader.
#include "core/json/plain_reader.hpp"

#include <array>
#include <cstdint>

#include "core/json/number.hpp"

namespace zorvane::json {
namespace {

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }
bool is_space(char c) noexcept { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// One pass over a text: a step for each kind of value and one for what follows a value. A step
// that meets what a plain text does not hold gives false or Next::Refuse. Offsets are those
// RapidJSON reports: just past a scalar, just past a bracket.
class PlainReader {
 public:
  PlainReader(std::string_view text, EventList& out, InterruptPoll& poll) noexcept
      : text_(text), out_(out), poll_(poll) {}

  // Every step inlined into this one loop keeps the cursor and depth in registers: a call per
  // value would keep them in memory, about a tenth slower on large texts.
  [[gnu::flatten]] bool read() {
    for (Next next = value();;) {
      switch (next) {
        case Next::Value: next = value(); break;
        case Next::AfterValue: next = after_value(); break;
        case Next::Done: return true;
        case Next::Refuse: return false;
      }
    }
  }

 private:
  enum class Next : std::uint8_t { Value, AfterValue, Done, Refuse };

  // A value at `at_`, after any whitespace.
  Next value() {
    skip_space();
    if (at_ >= text_.size()) return Next::Refuse;
    const char c = text_[at_];
    if (c == '{' || c == '[') return open(c == '{');
    bool plain = false;
    if (c == '"') {
      plain = string(Event::Kind::String);
    } else if (c == '-' || is_digit(c)) {
      plain = number();
    } else if (c == 'n') {
      plain = literal("null", Event::Kind::Null);
    } else if (c == 't' || c == 'f') {
      plain = literal(c == 't' ? "true" : "false", Event::Kind::Bool);
    }
    return plain ? Next::AfterValue : Next::Refuse;
  }

  // A comma and the next member or element, or the ends of the containers the value closes.
  Next after_value() {
    while (true) {
      skip_space();
      if (depth_ == 0) return at_ == text_.size() ? Next::Done : Next::Refuse;
      if (at_ >= text_.size()) return Next::Refuse;
      const bool object = in_object_[depth_ - 1];
      if (text_[at_] == ',') {
        ++at_;
        skip_space();
        return !object || key() ? Next::Value : Next::Refuse;
      }
      if (text_[at_] != (object ? '}' : ']')) return Next::Refuse;
      close(object);
    }
  }

  // An object or array: its first member or element next, or its end at once.
  Next open(bool object) {
    if (depth_ == kDepthLimit) return Next::Refuse;
    add(object ? Event::Kind::StartObject : Event::Kind::StartArray, ++at_);
    in_object_[depth_++] = object;
    skip_space();
    if (at_ < text_.size() && text_[at_] == (object ? '}' : ']')) {
      close(object);
      return Next::AfterValue;
    }
    return !object || key() ? Next::Value : Next::Refuse;
  }

  void close(bool object) {
    add(object ? Event::Kind::EndObject : Event::Kind::EndArray, ++at_);
    --depth_;
  }

  // A key and its colon, the cursor then at the member's value.
  bool key() {
    if (at_ >= text_.size() || text_[at_] != '"' || !string(Event::Kind::Key)) return false;
    skip_space();
    if (at_ >= text_.size() || text_[at_] != ':') return false;
    ++at_;
    return true;
  }

  bool string(Event::Kind kind) {
    const std::size_t start = ++at_;  // past the quote
    while (at_ < text_.size() && text_[at_] != '"') {
      if (text_[at_] == '\\' || static_cast<unsigned char>(text_[at_]) < 0x20) return false;
      ++at_;
    }
    if (at_ == text_.size()) return false;
    Event& e = add(kind, ++at_);
    e.set_string(start, at_ - 1 - start);
    return true;
  }

  bool number() {
    Event& e = add(Event::Kind::Double, 0);
    std::size_t end = read_short_number(text_, at_, e);
    if (end == 0) {
      end = number_end(text_, at_);
      if (end == kNoNumber || !read_number(text_.substr(at_, end - at_), e)) return false;
    }
    e.offset = end;
    at_ = end;
    return true;
  }

  // `null`, `true` or `false`.
  bool literal(std::string_view word, Event::Kind kind) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    Event& e = add(kind, at_);
    if (kind == Event::Kind::Bool) e.boolean = word[0] == 't';
    return true;
  }

  Event& add(Event::Kind kind, std::size_t offset) {
    poll_.tick();
    Event& e = out_.events.emplace_back();
    e.kind = kind;
    e.unsigned_integer = 0;
    e.offset = offset;
    return e;
  }

  void skip_space() noexcept {
    while (at_ < text_.size() && is_space(text_[at_])) ++at_;
  }

  std::string_view text_;
  EventList& out_;
  InterruptPoll& poll_;
  std::size_t at_ = 0;
  std::size_t depth_ = 0;
  std::array<bool, kDepthLimit> in_object_{};  // of each open container: an object, not an array
};

}  // namespace

bool read_plain(std::string_view text, EventList& out, InterruptPoll& poll) {
  out.text = text;
  out.strings_in_text = true;
  return PlainReader(text, out, poll).read();
}

}  // namespace zorvane::json
