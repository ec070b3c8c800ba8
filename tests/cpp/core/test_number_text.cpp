// Number text laid out from the shortest digits: the exponent must be read only from the
// characters that the conversion wrote, whatever the stack held before.
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/expression/number_text.hpp"

using namespace zorvane;

namespace {

// Leaves digits on the stack where the next call at the same depth keeps its buffers.
[[gnu::noinline]] void dirty_stack(char fill) {
  volatile char junk[4096];
  for (char& c : const_cast<char(&)[4096]>(junk)) c = fill;
}

[[gnu::noinline]] std::string text_of(double value) {
  std::string out;
  append_number(out, NumericValue::of_float(value));
  return out;
}

void check(double value, const std::string& expected) {
  for (char fill : {'7', '0', '9', '1'}) {
    dirty_stack(fill);
    const std::string got = text_of(value);
    if (got != expected) {
      std::fprintf(stderr, "value %.17g with stack filled by '%c': got %.60s (%zu chars), expected %s\n",
                   value, fill, got.c_str(), got.size(), expected.c_str());
      assert(false);
    }
  }
}

}  // namespace

int main() {
  check(123.456, "123.456");
  check(1.5e300, "15" + std::string(299, '0'));
  check(5e-324, "0." + std::string(323, '0') + "5");
  check(1e20, "100000000000000000000");
  check(1e-7, "0.0000001");
  check(2.5e-3, "0.0025");
  check(1.0, "1");
  check(-0.0, "-0");
  check(0.5, "0.5");
  check(-2.5, "-2.5");
  check(1e23, "100000000000000000000000");
  std::puts("number text: ok");
  return 0;
}
