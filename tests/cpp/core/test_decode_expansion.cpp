// A few bytes can describe a tree of exponential size by sharing: each record is rebuilt once and
// its node shared, so such input is read in work in proportion to its records, not to the tree it
// describes; input whose checks would take far more work than its size is refused. Counted
// allocations, not a clock: decoding every reference anew would allocate millions of nodes.
#include <cassert>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "allocation_count.hpp"
#include "core/error.hpp"
#include "core/protobuf/deserialize.hpp"
#include "wire_text.hpp"

using namespace zorvane;

namespace {

std::string placeholder(const std::string& name) { return ld(2, ld(1, name)); }
std::string unary(int kind, std::uint64_t operand) { return ld(5, vint(1, kind) + vint(2, operand)); }
std::string sum_of(std::uint64_t a, std::uint64_t b) { return ld(7, vint(1, 1) + ld(2, varint(a) + varint(b))); }

// A header (version 1) whose body is one expression table.
std::string expression_body(const std::vector<std::string>& nodes, std::uint64_t root) {
  std::string table = vint(2, root);
  for (const std::string& node : nodes) table += ld(3, node);
  return vint(2, 1) + ld(6, table);
}

/// Decodes the table (root: the last record); the refusal's text, or empty when it was read.
std::string decode_counted(const char* name, const std::vector<std::string>& nodes) {
  const std::string data = expression_body(nodes, nodes.size() - 1);
  std::string message;
  const allocation_count::Count count = allocation_count::during([&] {
    try {
      protobuf::deserialize(data);
    } catch (const Error& e) {
      assert(e.kind == ErrorKind::ProtobufDeserialization);
      message = e.message;
    }
  });
  std::printf("%-26s %5zu records, %6zu bytes: %6zu allocations\n", name, nodes.size(), data.size(), count.calls);
  // A record's node and its share of the decoder's tables.
  assert(count.calls < 32 * nodes.size());
  return message;
}

}  // namespace

int main() {
  // a + a, (a + a) + (a + a), ...: 2^60 leaves in 61 records
  std::vector<std::string> doubling = {placeholder("a")};
  for (std::uint64_t n = 0; n < 60; ++n) doubling.push_back(sum_of(n, n));
  assert(decode_counted("doubling sums", doubling).empty());

  // a chain of 2 000 functions over one sum of 2^20 leaves, each function checking all below it
  std::vector<std::string> functions = {placeholder("a")};
  for (std::uint64_t n = 0; n < 20; ++n) functions.push_back(sum_of(n, n));
  for (std::uint64_t n = 0; n < 2000; ++n) functions.push_back(unary(1, 20 + n));
  assert(decode_counted("functions of a shared sum", functions).empty());

  // 5 000 functions side by side over one sum of 30 000 terms: each check reads what the sum
  // knows of itself instead of walking it
  std::vector<std::string> wide = {placeholder("a"), ld(7, vint(1, 1) + ld(2, std::string(30'000, '\0')))};
  std::string roots;
  for (std::uint64_t n = 0; n < 5000; ++n) {
    wide.push_back(unary(1, 1));
    roots += varint(2 + n);
  }
  wide.push_back(ld(7, vint(1, 1) + ld(2, roots)));
  assert(decode_counted("functions of one large sum", wide).empty());

  std::puts("decode expansion: ok");
  return 0;
}
