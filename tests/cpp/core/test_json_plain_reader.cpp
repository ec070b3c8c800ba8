// The JSON reader's plain path (no RapidJSON) must record exactly the events RapidJSON records
// (kinds, values, strings and byte offsets), and leave every other text to RapidJSON.
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/error.hpp"
#include "core/json/number.hpp"
#include "core/sample_set/json_reader.hpp"

using namespace zorvane;
using json::Cursor;

namespace {

bool plain_reads(const std::string& text) {
  try {
    Cursor cursor(text, Cursor::Reading::Plain);
    return true;
  } catch (const std::logic_error&) {
    return false;
  }
}

void check_same(const std::string& text) {
  const Cursor plain(text, Cursor::Reading::Plain);
  const Cursor general(text, Cursor::Reading::General);
  if (!json::same_events(plain, general)) {
    std::fprintf(stderr, "events differ for %s\n", text.c_str());
    assert(false);
  }
}

// Every number reads as strtod reads it (correctly rounded), on the short path and off it.
void check_numbers() {
  std::mt19937_64 random(7);
  const char* const forms[] = {"%.*f", "%.*e", "%.*g"};
  for (int i = 0; i < 200000; ++i) {
    const double magnitude = std::ldexp(double(random() >> 11), int(random() % 160) - 80);
    char token[64];
    std::snprintf(token, sizeof token, forms[i % 3], int(random() % 20), i % 2 ? -magnitude : magnitude);
    json::Event event{};
    if (!json::read_number(token, event) || event.kind != json::Event::Kind::Double) continue;
    const double expected = std::strtod(token, nullptr);
    if (std::memcmp(&event.real, &expected, sizeof expected) != 0) {
      std::fprintf(stderr, "%s read as %.17g\n", token, event.real);
      assert(false);
    }
  }
}

// Integers and decimals around the short path's digit limits (18 and 15) read as RapidJSON
// reads them, with their offsets.
void check_short_numbers() {
  std::mt19937_64 random(11);
  for (int i = 0; i < 20000; ++i) {
    const int digits = int(random() % 22) + 1;
    std::string token = random() % 2 ? "-" : "";
    for (int d = 0; d < digits; ++d) token += char('0' + (d == 0 && digits > 1 ? 1 + random() % 9 : random() % 10));
    if (random() % 2) {
      token += '.';
      for (int d = int(random() % 8); d >= 0; --d) token += char('0' + random() % 10);
    }
    check_same("[" + token + ", " + token + "]");
  }
}

}  // namespace

int main() {
  check_numbers();
  check_short_numbers();
  const std::string deep = std::string(128, '[') + std::string(128, ']');
  const std::vector<std::string> plain = {
      "0", "-0", "1.5", "-2.5e-3", "1E+2", "18446744073709551615", "18446744073709551616",
      "-9223372036854775808", "-9223372036854775809", "1e-400", "0.1000000000000000000000001",
      "null", "true", "false", "\"\"", "\"abc\"", "\"\xc3\xa9\xed\xb0\x80\"",
      "[]", "{}", " [ ] ", "\t\r\n{ }\n", "[1,2,3]", "[ 1 , [ 2 , { } ] , null ]",
      "{\"a\":1,\"b\":[true,false],\"c\":{\"d\":\"e\"}}", "{ \"a\" : [ ] , \"b\" : { } }",
      "[[[0,3]],[1.0,2.0],[10]]", deep, "-0.0", "0.0", "2.50", "100", "1.0e2", "-1.5E3", "123456789012345678",
      "1234567890123456789", "-123456789012345678", "-9223372036854775807", "0.000000000000001", "123456789012345.6",
      "1234567890123456.7", "{\"a\":-0}", "[0.5,-7]",
  };
  for (const std::string& text : plain) {
    assert(plain_reads(text));
    check_same(text);
  }
  // Left to RapidJSON: escapes, control characters, bad grammar, trailing text, depth, range.
  const std::vector<std::string> general = {
      "", " ", "\"a\\nb\"", "\"\\u00e9\"", std::string("\"a\x01\""), "[1,]", "[1 2]", "{\"a\" 1}",
      "{\"a\":1,}", "{1:2}", "01", "-01", "00", "0.", "-.5", "1.e3", "1.", "-", "1e", "1e400", "nul", "truex", "[1] 2", std::string("1\0", 2),
      "[", "{\"a\":", "\"abc", std::string(129, '[') + std::string(129, ']'), "]", "}",
  };
  for (const std::string& text : general) {
    assert(!plain_reads(text));
    try {
      Cursor any(text);
      Cursor general_only(text, Cursor::Reading::General);
      assert(json::same_events(any, general_only));
    } catch (const Error& error) {
      assert(error.kind == ErrorKind::Value);
    }
  }
  std::puts("ok");
}
