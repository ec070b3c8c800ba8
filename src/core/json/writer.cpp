// Compact JSON text: strings escaped as JSON requires, floats in the writer's style.
#include "core/json/writer.hpp"

#include "core/expression/float_text.hpp"

namespace zorvane::json {

void Writer::string(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out_ += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out_ += "\\\""; break;
      case '\\': out_ += "\\\\"; break;
      case '\b': out_ += "\\b"; break;
      case '\f': out_ += "\\f"; break;
      case '\n': out_ += "\\n"; break;
      case '\r': out_ += "\\r"; break;
      case '\t': out_ += "\\t"; break;
      default:
        if (byte < 0x20) {
          out_ += "\\u00";
          out_ += kHex[byte >> 4];
          out_ += kHex[byte & 0xF];
        } else {
          out_ += c;
        }
    }
  }
  out_ += '"';
}

void Writer::f64(double value) { append_float_json(out_, value, floats_ == FloatStyle::SignedExponent); }

void Writer::optional_f64(const std::optional<double>& value) {
  if (value) {
    f64(*value);
  } else {
    out_ += "null";
  }
}

}  // namespace zorvane::json
