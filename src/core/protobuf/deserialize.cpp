// The header and the bodies of the byte format. Constraints and penalty terms are rebuilt
// through their constructors and checks, so a decoded one obeys the rules of one built in
// Python; a decoded problem is checked as `+=` would check its parts.
#include "core/protobuf/deserialize.hpp"

#include <memory_resource>
#include <string>

#include <fmt/format.h>

#include "core/protobuf/messages.hpp"
#include "core/protobuf/node_decoder.hpp"
#include "core/protobuf/schema.hpp"

namespace zorvane::protobuf {
namespace {

constexpr const char* kNoBody = "failed to decode the input buffer because it did not contain a Problem message.";
constexpr const char* kRootMissing =
    "failed to decode the input buffer because it contained the invalid ID of an expression node.";
constexpr const char* kProblemSense =
    "failed to decode the input buffer because it did not contain a Protobuf message according to a problem sense.";
constexpr const char* kObjectiveMissing =
    "failed to decode the input buffer because it did not contain a Protobuf message according to an objective "
    "function.";
constexpr const char* kConstraintSense =
    "failed to decode the input buffer because it did not contain a Protobuf message according to a constraint "
    "equality.";
constexpr const char* kLeftMissing =
    "failed to decode the input buffer because the Constraint message does not contain the left hand side.";
constexpr const char* kRightMissing =
    "failed to decode the input buffer because the Constraint message does not contain the right hand side.";
constexpr const char* kTermMissing =
    "failed to decode the input buffer because the CustomPenaltyTerm message does not contain the penalty term.";

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
/// unless the input was refused outright (a cycle, too deep, too much work). A condition fails
/// the first attempt with a refusal of the decoder, which raises none, so it reads without an
/// exception; only a builder's error is raised and caught here.
Expr decode_expr_body(const ExprMsg& message, DecodeBudget& budget, NodeDecoder::Scratch& scratch) {
  NodeDecoder decoder(message.expr_nodes, budget, scratch);
  try {
    if (std::optional<Expr> expression = decoder.only_expression_if_read(message.root_id, kRootMissing)) {
      return std::move(*expression);
    }
  } catch (const DecodeLimitError&) {
    throw;
  } catch (const Error&) {
  }
  decoder.forget();
  return decoder.condition(message.root_id, kRootMissing);
}

/// Absent: the empty list, unchecked. Otherwise each index against the list's own table, then
/// the duplicate and scope checks of forall lists.
ForallList decode_forall_list(const std::optional<ForallListMsg>& message, DecodeBudget& budget,
                              NodeDecoder::Scratch& scratch) {
  ForallList list;
  if (!message) return list;
  NodeDecoder decoder(message->expr_nodes, budget, scratch);
  for (const IndexMsg& index : message->indices) {
    IndexItem item = decoder.index(index);
    list.push_back(ForallItem{std::move(item.element), std::move(item.condition)});
  }
  check_forall_list(list);
  return list;
}

Constraint decode_constraint(const ConstraintMsg& message, DecodeBudget& budget, NodeDecoder::Scratch& scratch) {
  const auto sense = kind_from_wire<ConstraintSense>(message.sense, kSenseOffset, kConstraintSenseCount);
  if (!sense) refuse(kConstraintSense);
  if (!message.left) refuse(kLeftMissing);
  Expr left = expr_message_to_expression(*message.left, budget, scratch);
  if (!message.right) refuse(kRightMissing);
  Expr right = expr_message_to_expression(*message.right, budget, scratch);
  ForallList forall = decode_forall_list(message.forall_list, budget, scratch);
  return new_constraint(std::string(message.name), sense_comparison(*sense, std::move(left), std::move(right)), std::move(forall));
}

CustomPenaltyTerm decode_custom_penalty_term(const CustomPenaltyTermMsg& message, DecodeBudget& budget,
                                             NodeDecoder::Scratch& scratch) {
  if (!message.term) refuse(kTermMissing);
  Expr term = expr_message_to_expression(*message.term, budget, scratch);
  ForallList forall = decode_forall_list(message.forall_list, budget, scratch);
  return new_custom_penalty_term(std::string(message.name), std::move(term), std::move(forall));
}

Problem decode_problem(const ProblemMsg& message, DecodeBudget& budget, NodeDecoder::Scratch& scratch) {
  const auto sense = kind_from_wire<ProblemSense>(message.sense, kSenseOffset, kProblemSenseCount);
  if (!sense) refuse(kProblemSense);
  if (!message.objective_function) refuse(kObjectiveMissing);
  Problem problem;
  problem.sense = *sense;
  problem.objective = expr_message_to_expression(*message.objective_function, budget, scratch);
  // The maps are read in ascending key order, the order the problem keeps them in: each entry
  // goes at the end.
  for (const auto& [key, entry] : message.constraints) {
    Constraint constraint = decode_constraint(entry, budget, scratch);
    problem.constraints.emplace_hint(problem.constraints.end(), key, std::move(constraint));
  }
  for (const auto& [key, entry] : message.custom_penalty_terms) {
    CustomPenaltyTerm term = decode_custom_penalty_term(entry, budget, scratch);
    problem.custom_penalty_terms.emplace_hint(problem.custom_penalty_terms.end(), key, std::move(term));
  }
  // Assembled as stored: map keys and value names are kept as they are, and the one-name-one-
  // variable rule of `+=` is not applied, so every stored model reads back without loss.
  problem.name = message.name;
  return problem;
}

}  // namespace

Body deserialize(std::string_view buffer) {
  DecodeBudget budget(buffer.size());  // reading the fields is work too
  std::pmr::monotonic_buffer_resource arena;
  const HeaderMsg header = parse_header(buffer, &arena);
  NodeDecoder::Scratch scratch;
  check_version(header.version);
  return std::visit(Overloaded{
                        [](std::monostate) -> Body { refuse(kNoBody); },
                        [&](const ProblemMsg& m) -> Body { return decode_problem(m, budget, scratch); },
                        [&](const ConstraintMsg& m) -> Body { return decode_constraint(m, budget, scratch); },
                        [&](const CustomPenaltyTermMsg& m) -> Body {
                          return decode_custom_penalty_term(m, budget, scratch);
                        },
                        [&](const ExprMsg& m) -> Body { return decode_expr_body(m, budget, scratch); },
                    },
                    header.body);
}

}  // namespace zorvane::protobuf
