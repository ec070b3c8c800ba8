// Reading a large sum allocates what its nodes need and no more per term as it grows: records are
// read into flat tables, with no allocation of their own. Counted, not timed.
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstdio>
#include <string>

#include "allocation_count.hpp"
#include "core/protobuf/deserialize.hpp"
#include "wire_text.hpp"

using namespace zorvane;

namespace {

/// sum(k < terms, 2.5 * p[k]) as an `expr` body: p, 2.5, then k, p[k] and the product per term.
std::string sum_of_products(std::uint64_t terms) {
  std::string table = ld(3, ld(2, ld(1, "p") + vint(2, 1)));          // 0: p, ndim 1
  table += ld(3, ld(1, vint(1, 1) + vint(2, std::bit_cast<std::uint64_t>(2.5))));  // 1: 2.5
  std::string products;
  for (std::uint64_t k = 0; k < terms; ++k) {
    const std::uint64_t at = 2 + 3 * k;
    table += ld(3, ld(1, vint(1, 2) + vint(2, k)));                    // k
    table += ld(3, ld(9, vint(3, 0) + ld(4, varint(at))));            // p[k]
    table += ld(3, ld(7, vint(1, 2) + ld(2, varint(1) + varint(at + 1))));  // 2.5 * p[k]
    products += varint(at + 2);
  }
  table += ld(3, ld(7, vint(1, 1) + ld(2, products)));
  return vint(2, 1) + ld(6, vint(2, 2 + 3 * terms) + table);
}

double allocations_per_term(std::uint64_t terms) {
  const std::string data = sum_of_products(terms);
  const allocation_count::Count count = allocation_count::during([&] { protobuf::deserialize(data); });
  std::printf("%6llu terms: %8zu allocations, %.2f per term\n", static_cast<unsigned long long>(terms), count.calls,
              double(count.calls) / double(terms));
  return double(count.calls) / double(terms);
}

}  // namespace

int main() {
  const double small = allocations_per_term(1'000);
  const double large = allocations_per_term(100'000);
  // The same per term at any size (tables that double add a few allocations in all), and only
  // the term's nodes (a literal, a subscript, a product) and the list the product's terms are
  // gathered in. A record's id list goes to its table's one list of ids.
  assert(large <= small && large < 5);
  std::puts("decode linear: ok");
  return 0;
}
