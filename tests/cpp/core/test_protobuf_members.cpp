// The protobuf tag map against the writer and the reader: a tree whose root is of each node kind
// is written with its root record in the member `kRecordMember` names, and reads back as a node
// of that kind. One sample per kind: a kind without one does not build here either.
#include <cassert>
#include <cstdio>
#include <string>
#include <type_traits>
#include <variant>

#include "core/expression/arithmetic.hpp"
#include "core/expression/decision_var.hpp"
#include "core/expression/expression.hpp"
#include "core/expression/function_nodes.hpp"
#include "core/expression/indexing.hpp"
#include "core/expression/reduction.hpp"
#include "core/protobuf/deserialize.hpp"
#include "core/protobuf/messages.hpp"
#include "core/protobuf/serialize.hpp"

using namespace zorvane;

namespace {

Expr number(std::int64_t value) { return make_number(NumericValue::of_integer(value)); }

Expr placeholder(const char* name, std::uint64_t ndim) {
  return Expr(make_node<PlaceholderNode>([&](PlaceholderNode& p) {
    p.name = name;
    p.ndim = ndim;
  }));
}

Expr element_over_range() { return Expr(make_element("i", build_range(number(0), number(3)), std::nullopt, std::nullopt)); }

Expr binary_var() {
  return Expr(make_node<DecisionVarNode>(
      [](DecisionVarNode& v) {
        v.name = "x";
        v.lower_bound = binary_var_lower_bound();
        v.upper_bound = binary_var_upper_bound();
      },
      DecisionVarKind::Binary));
}

Expr subscript() { return build_subscript(placeholder("p", 1), ExprList(element_over_range())); }

Expr comparison() { return make_comparison(ComparisonKind::LessThan, placeholder("a", 0), number(1)); }

// A tree whose root is of each kind (a range is the set of its element, the root).
Expr sample(std::type_identity<NumberLitNode>) { return number(2); }
Expr sample(std::type_identity<PlaceholderNode>) { return placeholder("a", 0); }
Expr sample(std::type_identity<ElementNode>) { return element_over_range(); }
Expr sample(std::type_identity<RangeNode>) { return element_over_range(); }
Expr sample(std::type_identity<DecisionVarNode>) { return binary_var(); }
Expr sample(std::type_identity<SubscriptNode>) { return subscript(); }
Expr sample(std::type_identity<ArrayLengthNode>) {
  return build_array_length(placeholder("p", 1), 0, std::nullopt, std::nullopt);
}
Expr sample(std::type_identity<UnaryNode>) { return build_unary(UnaryKind::Abs, placeholder("a", 0)); }
Expr sample(std::type_identity<BinaryNode>) { return make_mod(placeholder("a", 0), number(2)); }
Expr sample(std::type_identity<CommutativeNode>) { return build_add_of_terms({placeholder("a", 0), binary_var()}); }
Expr sample(std::type_identity<ReductionNode>) {
  return build_reduction(ReductionKind::Sum, element_node(element_over_range()), Expr(), subscript());
}
Expr sample(std::type_identity<ComparisonNode>) { return comparison(); }
Expr sample(std::type_identity<LogicalNode>) { return make_logical(LogicalKind::And, {comparison(), comparison()}); }

template <class Kind>
void check_kind(const char* name) {
  const Expr tree = sample(std::type_identity<Kind>{});
  const std::string bytes = protobuf::serialize_expr(*tree);
  const protobuf::HeaderMsg header = protobuf::parse_header(bytes);
  const auto& body = std::get<protobuf::ExprMsg>(header.body);
  const protobuf::ExprNodeMsg& root = body.expr_nodes.nodes.at(body.root_id);
  if (root.index() != protobuf::kRecordMember<Kind>) {
    std::fprintf(stderr, "%s: root record in member %zu, the tag map says %u\n", name, root.index(),
                 protobuf::kRecordMember<Kind>);
  }
  assert(root.index() == protobuf::kRecordMember<Kind>);
  const protobuf::Body read = protobuf::deserialize(bytes);
  const Expr& again = std::get<Expr>(read);
  const Tag root_tag = std::is_same_v<Kind, RangeNode> ? Tag::Element : Kind::kTag;
  assert(again->tag == root_tag);
  if constexpr (std::is_same_v<Kind, RangeNode>) assert(as<ElementNode>(again).set->tag == Tag::Range);
}

}  // namespace

int main() {
#define ZORVANE_NODE_KIND(Name, Type) check_kind<Type>(#Name);
#include "core/expression/node_kinds.def"
#undef ZORVANE_NODE_KIND
  std::puts("protobuf members: ok");
  return 0;
}
