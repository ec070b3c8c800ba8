// Writing compact JSON text (no spaces) into a string, floats in one of two styles.
#pragma once

#include <cstdint>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace zorvane::json {

/// Both styles write the shortest round-trip digits with a fractional part ("1.0"), positional
/// for decimal exponents -5 to 15 ("0.00001", "1000000000000000.0"), in exponent form beyond,
/// and NaN and the infinities as null. They differ in the sign of a positive exponent.
enum class FloatStyle : std::uint8_t {
  Plain,           ///< "1e16", "1e-6"
  SignedExponent,  ///< "1e+16", "1e-6": as orjson writes floats
};

class Writer {
 public:
  Writer(std::string& out, FloatStyle floats) : out_(out), floats_(floats) {}

  /// Room for `bytes` more bytes of text; MemoryError (std::bad_alloc) at once when there is none.
  void reserve(std::size_t bytes) {
    if (bytes > out_.max_size() - out_.size()) throw std::bad_alloc();
    out_.reserve(out_.size() + bytes);  // grows geometrically, as appending does
  }
  /// Text that is JSON already: punctuation, and keys that need no escape ("{\"energy\":").
  void raw(std::string_view text) { out_ += text; }
  /// A string: quotes, backslashes and control characters escaped; other bytes as they are.
  void string(std::string_view text);
  void key(std::string_view key) {
    string(key);
    out_ += ':';
  }
  void f64(double value);
  /// The float, or null when absent.
  void optional_f64(const std::optional<double>& value);
  void u64(std::uint64_t value) { out_ += std::to_string(value); }

  /// "[a,b,...]" with `item(element)` writing each element of the range.
  template <class R, class F>
  void array(const R& items, F&& item) {
    out_ += '[';
    bool first = true;
    for (const auto& element : items) {
      if (!first) out_ += ',';
      first = false;
      item(element);
    }
    out_ += ']';
  }

  /// {"name":value,...} in name order, with `value(element)` writing each value.
  template <class T, class F>
  void map(const std::map<std::string, T>& map, F&& value) {
    out_ += '{';
    bool first = true;
    for (const auto& [name, element] : map) {
      if (!first) out_ += ',';
      first = false;
      key(name);
      value(element);
    }
    out_ += '}';
  }

  template <class R>
  void f64_array(const R& values) {
    array(values, [&](double v) { f64(v); });
  }
  template <class R>
  void u64_array(const R& values) {
    array(values, [&](std::uint64_t v) { u64(v); });
  }

 private:
  std::string& out_;
  FloatStyle floats_;
};

}  // namespace zorvane::json
