// The JSON reader: RapidJSON's SAX reader records events with byte offsets; typed readers walk
// them with serde-style messages.
#include "sample_set/json_reader.hpp"

#include <algorithm>

#include <fmt/format.h>
#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include "lib/error.hpp"
#include "sample_set/float_text.hpp"

namespace zorvane::json {
namespace {

// " at line N column M" for `offset` bytes consumed: lines count from 1, columns are the bytes
// consumed on the current line.
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

class Recorder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Recorder> {
 public:
  Recorder(const rapidjson::MemoryStream& stream, std::vector<Event>& events, std::string& strings)
      : stream_(stream), events_(events), strings_(strings) {}

  bool Null() { return push(Event::Kind::Null); }
  bool Bool(bool value) {
    Event& e = add(Event::Kind::Bool);
    e.boolean = value;
    return true;
  }
  bool Int(int value) { return Int64(value); }
  bool Uint(unsigned value) { return Uint64(value); }
  bool Int64(std::int64_t value) {
    if (value >= 0) return Uint64(std::uint64_t(value));
    Event& e = add(Event::Kind::Int);
    e.integer = value;
    return true;
  }
  bool Uint64(std::uint64_t value) {
    Event& e = add(Event::Kind::Uint);
    e.unsigned_integer = value;
    return true;
  }
  bool Double(double value) {
    Event& e = add(Event::Kind::Double);
    e.real = value;
    return true;
  }
  bool String(const char* text, rapidjson::SizeType size, bool) {
    return add_string(Event::Kind::String, text, size);
  }
  bool Key(const char* text, rapidjson::SizeType size, bool) {
    return add_string(Event::Kind::Key, text, size);
  }
  bool StartObject() { return open(Event::Kind::StartObject); }
  bool EndObject(rapidjson::SizeType) { return close(Event::Kind::EndObject); }
  bool StartArray() { return open(Event::Kind::StartArray); }
  bool EndArray(rapidjson::SizeType) { return close(Event::Kind::EndArray); }

  bool too_deep() const noexcept { return too_deep_; }
  std::size_t stop_offset() const noexcept { return stop_offset_; }

 private:
  // `pending` counts a bracket that the iterative reader hands over before consuming it.
  Event& add(Event::Kind kind, std::size_t pending = 0) {
    Event& e = events_.emplace_back();
    e.kind = kind;
    e.unsigned_integer = 0;
    e.offset = stream_.Tell() + pending;
    return e;
  }
  bool push(Event::Kind kind) {
    add(kind);
    return true;
  }
  bool push_bracket(Event::Kind kind) {
    add(kind, 1);
    return true;
  }
  bool add_string(Event::Kind kind, const char* text, rapidjson::SizeType size) {
    Event& e = add(kind);
    e.string_start = strings_.size();
    e.string_size = size;
    strings_.append(text, size);
    return true;
  }
  bool open(Event::Kind kind) {
    if (++depth_ > kDepthLimit) {
      too_deep_ = true;
      stop_offset_ = stream_.Tell() + 1;
      return false;
    }
    return push_bracket(kind);
  }
  bool close(Event::Kind kind) {
    --depth_;
    return push_bracket(kind);
  }

  const rapidjson::MemoryStream& stream_;
  std::vector<Event>& events_;
  std::string& strings_;
  std::size_t depth_ = 0;
  bool too_deep_ = false;
  std::size_t stop_offset_ = 0;
};

// The reader's own message without its closing period ("Invalid value").
std::string reader_message(rapidjson::ParseErrorCode code) {
  std::string message = rapidjson::GetParseError_En(code);
  if (!message.empty() && message.back() == '.') message.pop_back();
  return message;
}

}  // namespace

Cursor::Cursor(std::string_view text) : text_(text) {
  rapidjson::MemoryStream stream(text.data(), text.size());
  Recorder recorder(stream, events_, strings_);
  rapidjson::Reader reader;
  constexpr unsigned kFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseFullPrecisionFlag;
  const rapidjson::ParseResult result = reader.Parse<kFlags>(stream, recorder);
  if (result.IsError()) {
    if (recorder.too_deep()) raise_at(text_, "recursion limit exceeded", recorder.stop_offset());
    // The offset points at the offending byte; count it as read.
    raise_at(text_, reader_message(result.Code()), result.Offset() + 1);
  }
  // The reader stops at a NUL byte as if the text ended there; anything after it is refused.
  if (stream.Tell() < text.size()) raise_at(text_, "trailing characters", stream.Tell() + 1);
}

const Event& Cursor::peek() const {
  if (position_ >= events_.size()) {
    raise_at(text_, "EOF while parsing a value", text_.size());
  }
  return events_[position_];
}

const Event& Cursor::next() {
  const Event& event = peek();
  ++position_;
  return event;
}

void Cursor::skip_value() {
  std::size_t depth = 0;
  do {
    const Event& e = next();
    if (e.kind == Event::Kind::StartArray || e.kind == Event::Kind::StartObject) {
      ++depth;
    } else if (e.kind == Event::Kind::EndArray || e.kind == Event::Kind::EndObject) {
      --depth;
    }
  } while (depth > 0);
}

void Cursor::fail(const std::string& message, const Event& at) const {
  raise_at(text_, message, at.offset);
}

std::string Cursor::describe(const Event& event) const {
  switch (event.kind) {
    case Event::Kind::Null: return "null";
    case Event::Kind::Bool: return event.boolean ? "boolean `true`" : "boolean `false`";
    case Event::Kind::Int: return fmt::format("integer `{}`", event.integer);
    case Event::Kind::Uint: return fmt::format("integer `{}`", event.unsigned_integer);
    case Event::Kind::Double: {
      std::string text;
      append_float_display(text, event.real);
      if (text.find('.') == std::string::npos) text += ".0";
      return fmt::format("floating point `{}`", text);
    }
    case Event::Kind::String:
    case Event::Kind::Key: {
      std::string text = "string \"";
      for (char c : string(event)) {
        if (c == '"' || c == '\\') text += '\\';
        text += c;
      }
      return text + "\"";
    }
    case Event::Kind::StartArray:
    case Event::Kind::EndArray: return "sequence";
    case Event::Kind::StartObject:
    case Event::Kind::EndObject: return "map";
  }
  return "value";
}

void Cursor::invalid_type(const Event& found, std::string_view expected) const {
  fail(fmt::format("invalid type: {}, expected {}", describe(found), expected), found);
}

void Cursor::invalid_value(const Event& found, std::string_view expected) const {
  fail(fmt::format("invalid value: {}, expected {}", describe(found), expected), found);
}

double Cursor::read_f64() {
  const Event& e = next();
  switch (e.kind) {
    case Event::Kind::Double: return e.real;
    case Event::Kind::Uint: return double(e.unsigned_integer);
    case Event::Kind::Int: return double(e.integer);
    default: invalid_type(e, "f64");
  }
}

bool Cursor::read_optional_f64(double& out) {
  if (peek().kind == Event::Kind::Null) {
    next();
    return false;
  }
  out = read_f64();
  return true;
}

std::uint64_t Cursor::read_u64() {
  const Event& e = next();
  if (e.kind == Event::Kind::Uint) return e.unsigned_integer;
  if (e.kind == Event::Kind::Int) invalid_value(e, "u64");
  invalid_type(e, "u64");
}

std::uint8_t Cursor::read_u8() {
  const Event& e = next();
  if (e.kind == Event::Kind::Uint) {
    if (e.unsigned_integer > 255) invalid_value(e, "u8");
    return std::uint8_t(e.unsigned_integer);
  }
  if (e.kind == Event::Kind::Int) invalid_value(e, "u8");
  invalid_type(e, "u8");
}

void Cursor::finish() const {
  if (position_ < events_.size()) raise_at(text_, "trailing characters", events_[position_].offset);
}

void fail_invalid_length(const Cursor& cursor, const Event& at, std::size_t count,
                         const StructShape& shape) {
  cursor.fail(fmt::format("invalid length {}, expected struct {} with {} elements", count,
                          shape.name, shape.field_count),
              at);
}

void fail_missing_field(const Cursor& cursor, const Event& at, const char* field) {
  cursor.fail(fmt::format("missing field `{}`", field), at);
}

void fail_duplicate_field(const Cursor& cursor, const Event& at, std::string_view field) {
  cursor.fail(fmt::format("duplicate field `{}`", field), at);
}

}  // namespace zorvane::json
