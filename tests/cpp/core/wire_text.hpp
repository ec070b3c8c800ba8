// Protobuf wire bytes written by hand for the readers' tests: the field numbers are the model
// schema's; a varint field of 0 is left out, as the writer leaves it out.
#pragma once

#include <cstdint>
#include <string>

inline std::string varint(std::uint64_t n) {
  std::string out;
  for (; n > 0x7F; n >>= 7) out += char((n & 0x7F) | 0x80);
  return out + char(n);
}
inline std::string key(int field, int wire) { return varint(std::uint64_t(field) << 3 | std::uint64_t(wire)); }
inline std::string vint(int field, std::uint64_t n) { return n == 0 ? "" : key(field, 0) + varint(n); }
inline std::string ld(int field, const std::string& payload) {
  return key(field, 2) + varint(payload.size()) + payload;
}
