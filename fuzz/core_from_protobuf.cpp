// Fuzzes the core's protobuf reader without the interpreter: any bytes. It may refuse them only
// as `from_protobuf` documents (ProtobufDeserializationError, and the ModelingError, ValueError
// and RecursionError of the constructors it re-runs); a value it reads must encode again, and
// that encoding must read again. Seeds: fuzz/corpus/from_protobuf.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "core.hpp"
#include "core/protobuf/deserialize.hpp"
#include "core/protobuf/serialize.hpp"

namespace {

using namespace zorvane;

constexpr std::initializer_list<ErrorKind> kRefusals{ErrorKind::ProtobufDeserialization, ErrorKind::Modeling,
                                                    ErrorKind::Value, ErrorKind::Recursion};

std::string encode(const protobuf::Decoded& value) {
  struct Encoder {
    std::string operator()(const Expr& v) const { return protobuf::serialize_expr(*v); }
    std::string operator()(const Problem& v) const { return protobuf::serialize_problem(v); }
    std::string operator()(const Constraint& v) const { return protobuf::serialize_constraint(v); }
    std::string operator()(const CustomPenaltyTerm& v) const { return protobuf::serialize_custom_penalty_term(v); }
  };
  return std::visit(Encoder{}, value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  protobuf::Decoded value;
  if (!fuzz::reads([&] { value = protobuf::deserialize(bytes); }, kRefusals)) return 0;
  std::string encoded;
  if (!fuzz::reads([&] { encoded = encode(value); }, {})) fuzz::fail("a decoded value did not encode");
  if (!fuzz::reads([&] { protobuf::deserialize(encoded); }, {})) fuzz::fail("an encoding did not read back");
  return 0;
}
