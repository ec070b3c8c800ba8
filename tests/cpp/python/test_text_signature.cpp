// Signatures built from parameter records: the parser's counts and the text signature they render.
#include <cassert>
#include <cstdio>
#include <string>

#include "python/frame/text_signature.hpp"

using namespace zorvane;

namespace {

void expect(const std::string& got, const std::string& want) {
  if (got != want) {
    std::fprintf(stderr, "got  %s\nwant %s\n", got.c_str(), want.c_str());
    assert(false);
  }
}

constexpr Signature kBounded =
    make_signature("V", "__new__",
                   {positional("name"), keyword_only("shape", "None"), keyword_only("lower_bound"),
                    keyword_only("upper_bound"), keyword_only("latex", "None")});
static_assert(kBounded.positional == 1 && kBounded.required_positional == 1 && kBounded.keyword_only == 4);
static_assert(kBounded.required_keyword_mask == 0b0110);
static_assert(kBounded.param("upper_bound").index == 3);

constexpr Signature kTolerances = make_signature("S", "lowest", {positional("rtol", "1e-5"), positional("atol", "1e-8")});
static_assert(kTolerances.positional == 2 && kTolerances.required_positional == 0);

constexpr Signature kVariadic = make_signature(nullptr, "min", {var_positional("operands")});
static_assert(kVariadic.var_positional && kVariadic.size() == 0);

constexpr Signature kMixed =
    make_signature(nullptr, "f", {positional("a"), var_positional("rest"), keyword_only("b", "1")});
static_assert(kMixed.var_positional && kMixed.positional == 1 && kMixed.keyword_only == 1);

}  // namespace

int main() {
  expect(text_signature(kBounded, Receiver::None), "(name, *, shape=None, lower_bound, upper_bound, latex=None)");
  expect(text_signature(kTolerances, Receiver::Self), "($self, rtol=1e-5, atol=1e-8)");
  expect(text_signature(kVariadic, Receiver::None), "(*operands)");
  expect(text_signature(kMixed, Receiver::None), "(a, *rest, b=1)");
  expect(text_signature(make_signature(nullptr, "g", {}), Receiver::Self), "($self)");
  expect(text_signature(make_signature(nullptr, "h", {}), Receiver::None), "()");
  expect(with_signature("len_at", "($self, axis)", nullptr), "len_at($self, axis)\n--\n\n");
  expect(with_signature("f", "(x)", "Body."), "f(x)\n--\n\nBody.");
  std::puts("text signatures: ok");
  return 0;
}
