// Fuzzes the native JSON readers (Record, Evaluation, MeasuringTime, SolvingTime, SystemTime):
// the first byte picks the class, the rest is the text. They may only raise ValueError, and a
// value they read must print and read back equal from its own JSON.
#include "harness.hpp"

namespace {

constexpr const char* kSource = R"py(
import zorvane as zv

CLASSES = [zv.Record, zv.Evaluation, zv.MeasuringTime, zv.SolvingTime, zv.SystemTime]

def run(data):
    if not data:
        return
    cls = CLASSES[data[0] % len(CLASSES)]
    text = data[1:].decode("utf-8", "surrogateescape")
    try:
        value = cls.from_json(text)
    except ValueError:
        return
    repr(value)
    again = cls.from_json(value.to_json())
    assert again == value, (text, value, again)
    try:
        value.to_dict()
    except TypeError as error:  # ragged forall rows cannot become a matrix
        assert cls is zv.Evaluation and str(error).startswith("invalid length: "), error
)py";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorvane::fuzz::start(kSource);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zorvane::fuzz::run(data, size);
  return 0;
}
