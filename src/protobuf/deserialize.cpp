// The header and the bodies of the byte format.
#include "protobuf/deserialize.hpp"

#include <string>

#include "protobuf/messages.hpp"
#include "protobuf/node_decoder.hpp"
#include "protobuf/schema.hpp"

namespace zorvane::protobuf {
namespace {

constexpr const char* kNoBody = "failed to decode the input buffer because it did not contain a Problem message.";
constexpr const char* kRootMissing =
    "failed to decode the input buffer because it contained the invalid ID of an expression node.";

[[noreturn]] void refuse(std::string text) { raise(ErrorKind::ProtobufDeserialization, std::move(text)); }

void check_version(std::uint64_t version) {
  const std::string supported = std::to_string(kSchemaVersion);
  if (version < kSchemaVersion) {
    refuse("the input schema has an unsupported version: " + std::to_string(version) +
           ". The minimum supported version is " + supported + ". Please update the zorvane to generate the model.");
  }
  if (version > kSchemaVersion) {
    refuse("the input schema has an unsupported version: " + std::to_string(version) +
           ". The maximum supported version is " + supported + ". Please update the zorvane to receive the model");
  }
}

/// The `expr` body: an expression, or else a condition; the first attempt's error is dropped
/// unless the input was refused outright (a cycle, too deep, too large).
Expr decode_expr_body(const ExprMsg& message, DecodeBudget& budget) {
  try {
    return expr_message_to_expression(message, budget);
  } catch (const DecodeLimitError&) {
    throw;
  } catch (const Error&) {
  }
  NodeDecoder decoder(message.expr_nodes, budget);
  return decoder.condition(message.root_id, kRootMissing);
}

}  // namespace

Expr deserialize(std::string_view buffer) {
  const HeaderMsg header = parse_header(buffer);
  check_version(header.version);
  DecodeBudget budget(buffer.size());
  if (const auto* body = std::get_if<ExprMsg>(&header.body)) return decode_expr_body(*body, budget);
  refuse(kNoBody);
}

}  // namespace zorvane::protobuf
