// Fuzzes the core's protobuf reader without the interpreter: any bytes. It may refuse them only
// as `from_protobuf` documents (ProtobufDeserializationError, and the ModelingError, ValueError
// and RecursionError of the constructors it re-runs); a value it reads must encode again, and
// that encoding must read again. Seeds: fuzz/corpus/from_protobuf.
#include <cstdint>
#include <string>
#include <string_view>

#include "core.hpp"
#include "core/protobuf/deserialize.hpp"
#include "core/protobuf/serialize.hpp"

namespace {

using namespace zorvane;

constexpr std::initializer_list<ErrorKind> kRefusals{ErrorKind::ProtobufDeserialization, ErrorKind::Modeling,
                                                    ErrorKind::Value, ErrorKind::Recursion};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  protobuf::Body value;
  if (!fuzz::reads([&] { value = protobuf::deserialize(bytes); }, kRefusals)) return 0;
  std::string encoded;
  if (!fuzz::reads([&] { encoded = protobuf::serialize(value); }, {})) fuzz::fail("a decoded value did not encode");
  if (!fuzz::reads([&] { protobuf::deserialize(encoded); }, {})) fuzz::fail("an encoding did not read back");
  return 0;
}
