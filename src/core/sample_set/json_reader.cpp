// The JSON reader: RapidJSON's SAX reader records events with byte offsets; typed readers walk
// them with serde-style messages. Numbers never go through RapidJSON's own conversion (the
// packaged 1.1.0 crashes and misreads some texts): they are converted from their text with
// std::from_chars, which rounds correctly, so every number reads as Python's float() reads it.
#include "core/sample_set/json_reader.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>
#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include "core/error.hpp"
#include "core/sample_set/float_text.hpp"

namespace zorvane::json {
namespace {

constexpr std::size_t kNoNumber = std::string_view::npos;

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

// Advances `at` over a run of digits; false when there is none.
bool skip_digits(std::string_view text, std::size_t& at) noexcept {
  const std::size_t start = at;
  while (at < text.size() && is_digit(text[at])) ++at;
  return at > start;
}

// The end of the JSON number starting at `at` (-?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?),
// or kNoNumber when the text there is only the start of one ("-", "1.", "1e+").
std::size_t number_end(std::string_view text, std::size_t at) noexcept {
  if (text[at] == '-') ++at;
  if (at >= text.size() || !is_digit(text[at])) return kNoNumber;
  if (text[at] == '0') {
    ++at;
  } else {
    skip_digits(text, at);
  }
  if (at < text.size() && text[at] == '.') {
    ++at;
    if (!skip_digits(text, at)) return kNoNumber;
  }
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    if (!skip_digits(text, at)) return kNoNumber;
  }
  return at;
}

int hex_digit(char c) noexcept {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The UTF-16 unit of the four hex digits at `at`, or -1.
int hex_unit(std::string_view text, std::size_t at) noexcept {
  if (at + 4 > text.size()) return -1;
  int unit = 0;
  for (std::size_t i = at; i < at + 4; ++i) {
    const int digit = hex_digit(text[i]);
    if (digit < 0) return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

bool is_high_surrogate(int unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(int unit) noexcept { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Skips a string starting at the quote at `at`, to just past its closing quote. RapidJSON turns
// a lone low-surrogate escape ("\udc00") into bytes that are not UTF-8; in `masked` such an
// escape becomes a high surrogate ("\ud800") without its pair, which RapidJSON refuses at the
// same place ("The surrogate pair in string is invalid").
std::size_t skip_string(std::string_view text, std::size_t at, std::string& masked, InterruptPoll& poll) {
  for (++at; at < text.size() && text[at] != '"'; ++at) {
    poll.tick();
    if (text[at] != '\\') continue;
    if (++at >= text.size() || text[at] != 'u') continue;
    const int unit = hex_unit(text, at + 1);
    const bool pair = is_high_surrogate(unit) && at + 7 <= text.size() && text.substr(at + 5, 2) == "\\u" &&
                      is_low_surrogate(hex_unit(text, at + 7));
    if (pair) {
      at += 10;  // the whole pair
    } else if (is_low_surrogate(unit)) {
      masked[at + 2] = '8';  // "DCxx".."DFxx" -> "D8xx"
    }
  }
  return at + 1;
}

// A copy of `text` in which every whole number outside strings longer than two characters is
// replaced by a harmless number of the same length: its sign and whether it has an exponent
// are kept ("-0.00", "0e000"), so RapidJSON ends it where it ends the original, and its
// structure errors and their offsets stay as they are, while "0e400" or a 400-digit mantissa no
// longer trip its own range checks. The real value is read from `text` in the number handler.
// Partial numbers ("1.", "-", "1e+") are left alone: RapidJSON stops at them. Strings are
// masked by `skip_string`.
std::string mask_for_reader(std::string_view text, InterruptPoll& poll) {
  std::string masked(text);
  std::size_t at = 0;
  while (at < text.size()) {
    poll.tick();
    const char c = text[at];
    if (c == '"') {
      at = skip_string(text, at, masked, poll);
    } else if (c == '-' || is_digit(c)) {
      const std::size_t end = number_end(text, at);
      if (end == kNoNumber) {
        ++at;
        continue;
      }
      const std::size_t body = text[at] == '-' ? at + 1 : at;
      if (end - body > 2) {
        const std::string_view number = text.substr(body, end - body);
        const bool exponent = number.find_first_of("eE") != std::string_view::npos;
        masked.replace(body, number.size(), number.size(), '0');
        masked[body + 1] = exponent ? 'e' : '.';
      }
      at = end;
    } else {
      ++at;
    }
  }
  return masked;
}

// Whether a number that from_chars finds out of range is too large rather than too small. Only
// decimal exponents beyond about 300 in size get here, so the sign of the exponent of the
// leading significant digit decides ("0.00012e-400": -4 - 400).
bool too_large(std::string_view token) noexcept {
  std::size_t at = token.front() == '-' ? 1 : 0;
  const std::size_t int_start = at;
  skip_digits(token, at);
  long long lead = -1;
  const std::size_t first_nonzero = token.find_first_not_of('0', int_start);
  if (first_nonzero < at) {
    lead = static_cast<long long>(at - first_nonzero) - 1;
  } else if (at < token.size() && token[at] == '.') {
    for (++at; at < token.size() && token[at] == '0'; ++at) --lead;
  }
  long long exponent = 0;
  const std::size_t e = token.find_first_of("eE");
  if (e != std::string_view::npos) {
    std::size_t digit = e + 1;
    const bool minus = token[digit] == '-';
    if (token[digit] == '-' || token[digit] == '+') ++digit;
    for (; digit < token.size(); ++digit) {
      // Saturate: a billion-digit exponent decides as well as a four-digit one.
      if (exponent < 1'000'000'000'000LL) exponent = exponent * 10 + (token[digit] - '0');
    }
    if (minus) exponent = -exponent;
  }
  return lead + exponent > 0;
}

// mantissa * 10^scale with its sign, when both factors are exact doubles (see `exact_double`).
bool decimal_value(std::uint64_t mantissa, int scale, bool negative, double& out) noexcept {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  // "2.0" is 2: no division for trailing zeros (a division takes as long as the rest).
  if (mantissa == 0) scale = 0;
  while (scale < 0 && mantissa % 10 == 0) {
    mantissa /= 10;
    ++scale;
  }
  if (scale < -22 || scale > 22) return false;
  double value = double(mantissa);
  value = scale < 0 ? value / kPowers[-scale] : value * kPowers[scale];
  out = negative ? -value : value;
  return true;
}

// Short decimals ("0.25", "-1.5e3") without the general conversion: a mantissa below 2^53 and
// a power of ten up to 10^22 are both exact doubles, so one multiplication or division rounds
// correctly, as std::from_chars does. False leaves the token to std::from_chars.
bool exact_double(std::string_view token, double& out) noexcept {
  std::size_t at = token.front() == '-' ? 1 : 0;
  std::uint64_t mantissa = 0;
  int digits = 0;
  int scale = 0;  // the power of ten that the digits are multiplied by
  bool fraction = false;
  for (; at < token.size(); ++at) {
    const char c = token[at];
    if (c == '.') {
      fraction = true;
      continue;
    }
    if (!is_digit(c)) break;
    if (++digits > 15) return false;
    mantissa = mantissa * 10 + std::uint64_t(c - '0');
    if (fraction) --scale;
  }
  if (at < token.size()) {  // an exponent: [eE][+-]?digits
    ++at;
    const bool minus = token[at] == '-';
    if (token[at] == '-' || token[at] == '+') ++at;
    if (token.size() - at > 3) return false;
    int exponent = 0;
    for (; at < token.size(); ++at) exponent = exponent * 10 + (token[at] - '0');
    scale += minus ? -exponent : exponent;
  }
  return decimal_value(mantissa, scale, token.front() == '-', out);
}

// Integers of up to 18 digits and decimals of up to 15 digits without an exponent ("12", "-0",
// "0.25"): the number at `at` read into `event` in the pass that finds its end, as `read_number`
// reads it. Returns the end, or 0 for any other number.
std::size_t read_short_number(std::string_view text, std::size_t at, Event& event) noexcept {
  const bool negative = text[at] == '-';
  std::size_t i = negative ? at + 1 : at;
  std::uint64_t mantissa = 0;
  int digits = 0;
  if (i < text.size() && text[i] == '0') {  // no digit may follow a leading 0
    ++i;
    digits = 1;
  } else {
    for (; i < text.size() && is_digit(text[i]); ++i) {
      if (++digits > 18) return 0;
      mantissa = mantissa * 10 + std::uint64_t(text[i] - '0');
    }
    if (digits == 0) return 0;
  }
  const auto exponent_follows = [&] { return i < text.size() && (text[i] == 'e' || text[i] == 'E'); };
  if (i >= text.size() || text[i] != '.') {
    if (exponent_follows()) return 0;
    if (!negative || mantissa == 0) {
      event.kind = Event::Kind::Uint;
      event.unsigned_integer = mantissa;
      event.negative = negative;
    } else {
      event.kind = Event::Kind::Int;
      event.integer = -static_cast<std::int64_t>(mantissa);
    }
    return i;
  }
  const std::size_t fraction = ++i;
  int scale = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    if (++digits > 15) return 0;
    mantissa = mantissa * 10 + std::uint64_t(text[i] - '0');
    --scale;
  }
  if (i == fraction || digits > 15 || exponent_follows()) return 0;
  event.kind = Event::Kind::Double;
  decimal_value(mantissa, scale, negative, event.real);
  return i;
}

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
  // `text` is the original text; `stream` reads its masked copy, at the same offsets.
  Recorder(std::string_view text, const rapidjson::MemoryStream& stream, std::vector<Event>& events,
           std::string& strings, InterruptPoll& poll)
      : text_(text), stream_(stream), events_(events), strings_(strings), poll_(poll) {}

  bool Null() { return push(Event::Kind::Null); }
  bool Bool(bool value) {
    Event& e = add(Event::Kind::Bool);
    e.boolean = value;
    return true;
  }
  // With kParseNumbersAsStringsFlag every number arrives here, the stream just past it.
  bool RawNumber(const char*, rapidjson::SizeType length, bool) {
    const std::size_t end = stream_.Tell();
    const std::size_t start = end - length;
    Event& e = add(Event::Kind::Double);
    if (!read_number(text_.substr(start, length), e)) {
      events_.pop_back();
      return stop("Number too big to be stored in double", start + 1);
    }
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

  /// A string read may hold a lone low surrogate escape (see `add_string`).
  bool low_surrogate() const noexcept { return low_surrogate_; }
  /// Why the handler stopped the reader (null: it did not), and where.
  const char* stop_message() const noexcept { return stop_message_; }
  std::size_t stop_offset() const noexcept { return stop_offset_; }

 private:
  // `pending` counts a bracket that the iterative reader hands over before consuming it.
  Event& add(Event::Kind kind, std::size_t pending = 0) {
    poll_.tick();
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
    // RapidJSON writes the escape "\udc00".."\udfff" as ED B0..BF; only a masked text reads
    // such an escape as the error it is. Raw bytes ED B0..BF (not UTF-8) give the same mark.
    for (const char* at = text; (at = static_cast<const char*>(std::memchr(at, '\xED', text + size - at)));) {
      if (++at < text + size && (static_cast<unsigned char>(*at) & 0xF0) == 0xB0) low_surrogate_ = true;
    }
    Event& e = add(kind);
    e.string_start = strings_.size();
    e.string_size = size;
    strings_.append(text, size);
    return true;
  }
  bool stop(const char* message, std::size_t offset) {
    stop_message_ = message;
    stop_offset_ = offset;
    return false;
  }
  bool open(Event::Kind kind) {
    if (++depth_ > kDepthLimit) return stop("recursion limit exceeded", stream_.Tell() + 1);
    return push_bracket(kind);
  }
  bool close(Event::Kind kind) {
    --depth_;
    return push_bracket(kind);
  }

  std::string_view text_;
  const rapidjson::MemoryStream& stream_;
  std::vector<Event>& events_;
  std::string& strings_;
  InterruptPoll& poll_;
  std::size_t depth_ = 0;
  bool low_surrogate_ = false;
  const char* stop_message_ = nullptr;
  std::size_t stop_offset_ = 0;
};

// The reader's own message without its closing period ("Invalid value").
std::string reader_message(rapidjson::ParseErrorCode code) {
  std::string message = rapidjson::GetParseError_En(code);
  if (!message.empty() && message.back() == '.') message.pop_back();
  return message;
}

}  // namespace

bool read_number(std::string_view token, Event& event) {
  const bool negative = token.front() == '-';
  const char* const last = token.data() + token.size();
  const bool integer = std::all_of(token.begin() + (negative ? 1 : 0), token.end(), is_digit);
  if (integer) {
    std::uint64_t magnitude = 0;
    if (std::from_chars(token.data() + (negative ? 1 : 0), last, magnitude).ec == std::errc{}) {
      if (!negative || magnitude == 0) {
        event.kind = Event::Kind::Uint;
        event.unsigned_integer = magnitude;
        event.negative = negative;
        return true;
      }
      if (magnitude <= std::uint64_t(1) << 63) {
        event.kind = Event::Kind::Int;
        event.integer = static_cast<std::int64_t>(0 - magnitude);  // modular: -2^63 fits
        return true;
      }
    }
  }
  // Integers beyond 64 bits become doubles as well.
  double value = 0.0;
  if (exact_double(token, value)) {
    event.kind = Event::Kind::Double;
    event.real = value;
    return true;
  }
  const auto [end, error] = std::from_chars(token.data(), last, value);
  if (error == std::errc::result_out_of_range) {
    if (too_large(token)) return false;
    value = negative ? -0.0 : 0.0;  // below the smallest subnormal: float() gives a zero too
  } else if (error != std::errc{} || end != last) {
    throw std::logic_error("a JSON number token that from_chars does not read whole");
  }
  event.kind = Event::Kind::Double;
  event.real = value;
  return true;
}

Cursor::Cursor(std::string_view text, Reading reading) : text_(text) {
  events_.reserve(text.size() / 3);  // a dense text has an event every two or three bytes
  if (reading == Reading::Plain) {
    if (!record_plain()) throw std::logic_error("a text that the plain reader does not read");
    return;
  }
  // Most texts are plain (see `record_plain`). Any other text goes to RapidJSON, which decides
  // and words every error; it reads the text itself first and, only when that fails or meets a
  // suspect string, a masked copy (see `mask_for_reader`). A text read whole gives the same
  // events whichever way it was read.
  if (reading == Reading::Any && record_plain()) return;
  events_.clear();
  strings_.clear();
  if (record_events(text, false)) return;
  events_.clear();
  strings_.clear();
  const std::string masked = mask_for_reader(text, poll_);
  record_events(masked, true);
}

namespace {

bool is_space(char c) noexcept { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

}  // namespace

// Valid JSON whose strings hold no escape and no control character, nested at most kDepthLimit
// deep, whose numbers fit a double, and with nothing but whitespace after the value. Offsets
// are those RapidJSON reports: just past a scalar, just past a bracket.
bool Cursor::record_plain() {
  const char* const data = text_.data();
  const std::size_t size = text_.size();
  std::size_t at = 0;
  std::array<bool, kDepthLimit> in_object{};
  std::size_t depth = 0;
  const auto skip_space = [&] {
    while (at < size && is_space(data[at])) ++at;
  };
  const auto add = [&](Event::Kind kind, std::size_t offset) -> Event& {
    poll_.tick();
    Event& e = events_.emplace_back();
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
    e.string_start = strings_.size();
    e.string_size = static_cast<std::uint32_t>(at - 1 - start);
    strings_.append(data + start, at - 1 - start);
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
    if (text_.substr(at, word.size()) != word) return false;
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
      std::size_t end = read_short_number(text_, at, e);
      if (end == 0) {
        end = number_end(text_, at);
        if (end == kNoNumber || !read_number(text_.substr(at, end - at), e)) return false;
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

bool Cursor::record_events(std::string_view readable, bool final) {
  rapidjson::MemoryStream stream(readable.data(), readable.size());
  Recorder recorder(text_, stream, events_, strings_, poll_);
  rapidjson::Reader reader;
  constexpr unsigned kFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag;
  const rapidjson::ParseResult result = reader.Parse<kFlags>(stream, recorder);
  if (!final && (result.IsError() || recorder.low_surrogate())) return false;
  if (result.IsError()) {
    if (recorder.stop_message() != nullptr) {
      raise_at(text_, recorder.stop_message(), recorder.stop_offset());
    }
    // The offset points at the offending byte; count it as read.
    raise_at(text_, reader_message(result.Code()), result.Offset() + 1);
  }
  // The reader stops at a NUL byte as if the text ended there; anything after it is refused.
  if (stream.Tell() < text_.size()) {
    if (!final) return false;
    raise_at(text_, "trailing characters", stream.Tell() + 1);
  }
  return true;
}

void Cursor::fail_at_end() const { raise_at(text_, "EOF while parsing a value", text_.size()); }

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
    case Event::Kind::Uint: return e.negative ? -0.0 : double(e.unsigned_integer);
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

std::size_t Cursor::scalars_before_end() const noexcept {
  std::size_t end = position_;
  while (end < events_.size() && events_[end].kind < Event::Kind::Key) ++end;
  const bool closed = end < events_.size() && events_[end].kind == Event::Kind::EndArray;
  return closed ? end - position_ : 0;
}

std::vector<double> Cursor::read_f64_array() {
  std::vector<double> values;
  read_array("a sequence", [&] {
    if (values.empty()) values.reserve(scalars_before_end());
    values.push_back(read_f64());
  });
  return values;
}

std::vector<std::uint64_t> Cursor::read_u64_array() {
  std::vector<std::uint64_t> values;
  read_array("a sequence", [&] {
    if (values.empty()) values.reserve(scalars_before_end());
    values.push_back(read_u64());
  });
  return values;
}

void Cursor::finish() const {
  if (position_ < events_.size()) raise_at(text_, "trailing characters", events_[position_].offset);
}

bool same_events(const Cursor& a, const Cursor& b) {
  if (a.events().size() != b.events().size()) return false;
  for (std::size_t i = 0; i < a.events().size(); ++i) {
    const Event& x = a.events()[i];
    const Event& y = b.events()[i];
    if (x.kind != y.kind || x.boolean != y.boolean || x.negative != y.negative || x.offset != y.offset) return false;
    const bool text = x.kind == Event::Kind::String || x.kind == Event::Kind::Key;
    if (text ? a.string(x) != b.string(y) : x.unsigned_integer != y.unsigned_integer) return false;
  }
  return true;
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
