// Fuzzes the core's JSON readers (Record, Evaluation, MeasuringTime, SolvingTime, SystemTime)
// without the interpreter: the first byte picks the record, the rest is the text, any bytes (the
// Python harness only reaches valid UTF-8). They may only refuse with ValueError, and a value
// they read must read back from its own JSON as the same text and JSON. Every text also goes
// through the sample-set text reader, which never raises and slices out a whole metadata object.
// Seeds: fuzz/corpus/from_json.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core.hpp"
#include "core/sample_set/json_writer.hpp"
#include "core/sample_set/evaluation.hpp"
#include "core/sample_set/measuring_time.hpp"
#include "core/sample_set/record.hpp"
#include "core/sample_set/sample_set_json.hpp"

namespace {

using namespace zorvane;

template <class T>
struct Forms {
  T (*read)(json::Cursor&);
  void (*write)(std::string&, const T&);
  void (*text)(std::string&, const T&);
};

template <class T>
void round_trip(std::string_view text, const Forms<T>& forms) {
  T value;
  const bool read = fuzz::reads([&] {
    json::Cursor cursor(text);
    value = forms.read(cursor);
    cursor.finish();
  }, {ErrorKind::Value});
  if (!read) return;
  std::string shown;
  forms.text(shown, value);
  std::string json;
  forms.write(json, value);
  T again;
  if (!fuzz::reads([&] {
        json::Cursor cursor(json);
        again = forms.read(cursor);
        cursor.finish();
      }, {})) {
    fuzz::fail("a value's own JSON was refused");
  }
  // Compared as texts: null in a list of floats reads as NaN, which == finds unequal to itself.
  std::string shown_again;
  forms.text(shown_again, again);
  std::string json_again;
  forms.write(json_again, again);
  if (shown_again != shown || json_again != json) fuzz::fail("a value read back from its own JSON differs");
}

// The class's own `to_json` text.
template <class T>
void append_json(std::string& out, const T& value) {
  json::append_sample_value(out, value, json::SampleForm::Class);
}

template <class T>
const Forms<T> kTimeForms{time_fields::read_json<T>, append_json<T>, time_fields::append_text<T>};

// A text that the plain path reads must give RapidJSON's events exactly.
void check_plain_reading(std::string_view text) {
  try {
    const json::Cursor plain(text, json::Cursor::Reading::Plain);
    const json::Cursor general(text, json::Cursor::Reading::General);
    if (!json::same_events(plain, general)) fuzz::fail("the plain JSON path and RapidJSON disagree");
  } catch (const std::logic_error&) {
    // not a plain text
  } catch (const Error&) {
    fuzz::fail("RapidJSON refused a text that the plain JSON path read");
  }
}

void check_sample_set_text(std::string_view text) {
  std::string_view metadata;
  if (!read_sample_set_json(text, metadata) || metadata.empty()) return;
  if (metadata.front() != '{' || metadata.back() != '}') fuzz::fail("a metadata slice that is no object");
  if (!fuzz::reads([&] { json::Cursor(metadata).finish(); }, {})) fuzz::fail("a metadata slice that is no whole value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  check_plain_reading(text);
  check_sample_set_text(text);
  switch (data[0] % 5) {
    case 0: round_trip(text, Forms<Record>{read_record_json, append_json<Record>, append_record_text}); break;
    case 1: round_trip(text, Forms<Evaluation>{read_evaluation_json, append_json<Evaluation>, append_evaluation_text}); break;
    case 2:
      round_trip(text, Forms<MeasuringTime>{read_measuring_time_json, append_json<MeasuringTime>,
                                            append_measuring_time_text});
      break;
    case 3: round_trip(text, kTimeForms<SolvingTime>); break;
    default: round_trip(text, kTimeForms<SystemTime>); break;
  }
  return 0;
}
