// The general JSON reader: RapidJSON's SAX reader records events with byte offsets. Numbers never
// go through RapidJSON's own conversion (the packaged 1.1.0 crashes and misreads some texts):
// they are read from their text by `read_number`.
#include "core/json/general_reader.hpp"

#include <cstdlib>
#include <cstring>
#include <new>

// Lengths of strings in 64 bits: RapidJSON's own 32-bit size would cut a string of 4 GiB short.
// This is the only file that includes RapidJSON.
#define RAPIDJSON_NO_SIZETYPEDEFINE
namespace rapidjson {
using SizeType = std::size_t;
}

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include "core/json/number.hpp"

static_assert(sizeof(rapidjson::SizeType) == sizeof(std::size_t), "RapidJSON's string lengths in 64 bits");

namespace zorvane::json {
namespace {

// The reader's stack memory. RapidJSON's own allocator returns null when memory runs out, and the
// reader writes through it unchecked: a failure here throws instead, and the reader's destructor
// frees what it holds.
struct StackAllocator {
  [[maybe_unused]] static constexpr bool kNeedFree = true;  // RapidJSON's allocator concept
  void* Malloc(std::size_t size) { return size == 0 ? nullptr : checked(std::malloc(size)); }
  void* Realloc(void* block, std::size_t, std::size_t size) {
    if (size == 0) {
      std::free(block);
      return nullptr;
    }
    return checked(std::realloc(block, size));
  }
  static void Free(void* block) noexcept { std::free(block); }

 private:
  static void* checked(void* block) {
    if (block == nullptr) throw std::bad_alloc();
    return block;
  }
};

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

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
}  // namespace

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

namespace {

class Recorder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Recorder> {
 public:
  // `text` is the original text; `stream` reads its masked copy, at the same offsets.
  Recorder(std::string_view text, const rapidjson::MemoryStream& stream, EventList& out, InterruptPoll& poll)
      : text_(text), stream_(stream), events_(out.events), strings_(out.strings), poll_(poll) {}

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
    e.set_string(strings_.size(), size);
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

bool read_general(std::string_view text, std::string_view readable, bool final, EventList& out, InterruptPoll& poll) {
  rapidjson::MemoryStream stream(readable.data(), readable.size());
  Recorder recorder(text, stream, out, poll);
  rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, StackAllocator> reader;
  constexpr unsigned kFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag;
  const rapidjson::ParseResult result = reader.Parse<kFlags>(stream, recorder);
  if (!final && (result.IsError() || recorder.low_surrogate())) return false;
  if (result.IsError()) {
    if (recorder.stop_message() != nullptr) {
      raise_at(text, recorder.stop_message(), recorder.stop_offset());
    }
    // The offset points at the offending byte; count it as read.
    raise_at(text, reader_message(result.Code()), result.Offset() + 1);
  }
  // The reader stops at a NUL byte as if the text ended there; anything after it is refused.
  if (stream.Tell() < text.size()) {
    if (!final) return false;
    raise_at(text, "trailing characters", stream.Tell() + 1);
  }
  return true;
}

}  // namespace zorvane::json
