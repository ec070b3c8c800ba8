// Fuzzes `from_protobuf`: any bytes. It may raise ProtobufDeserializationError, or the
// ModelingError, ValueError and RecursionError of the constructors it re-runs; a model it
// decodes must print and encode again.
#include "harness.hpp"

namespace {

constexpr const char* kSource = R"py(
import zorvane as zv

EXPECTED = (zv.ProtobufDeserializationError, zv.ModelingError, ValueError, RecursionError)

def run(data):
    try:
        value = zv.from_protobuf(data)
    except EXPECTED:
        return
    repr(value)
    zv.to_protobuf(value)
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
