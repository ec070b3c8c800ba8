// The shallow structural hash of nodes.
#include "core/expression/node_set.hpp"

#include <functional>
#include <string_view>

namespace zorvane {
namespace {

std::size_t mix(std::size_t seed, std::size_t value) noexcept {
  return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

std::size_t name_hash(std::string_view name) noexcept { return std::hash<std::string_view>{}(name); }

// The fields of each kind that equality compares and that can be read without a walk.
struct FieldHash {
  std::size_t seed;
  std::size_t operator()(const PlaceholderNode& p) const noexcept { return mix(mix(seed, name_hash(p.name)), p.ndim); }
  std::size_t operator()(const ElementNode& e) const noexcept { return mix(mix(seed, name_hash(e.name)), e.ndim); }
  std::size_t operator()(const DecisionVarNode& v) const noexcept {
    return mix(mix(seed, name_hash(v.name)), v.shape.size());
  }
  std::size_t operator()(const ArrayLengthNode& a) const noexcept {
    return mix(mix(seed, a.axis), node_hash(*a.array));
  }
  std::size_t operator()(const SubscriptNode& s) const noexcept {
    return mix(mix(seed, s.subscripts.size()), node_hash(*s.variable));
  }
  // By tag and kind alone.
  std::size_t operator()(const NumberLitNode&) const noexcept { return seed; }
  std::size_t operator()(const RangeNode&) const noexcept { return seed; }
  std::size_t operator()(const UnaryNode&) const noexcept { return seed; }
  std::size_t operator()(const BinaryNode&) const noexcept { return seed; }
  std::size_t operator()(const CommutativeNode&) const noexcept { return seed; }
  std::size_t operator()(const ReductionNode&) const noexcept { return seed; }
  std::size_t operator()(const ComparisonNode&) const noexcept { return seed; }
  std::size_t operator()(const LogicalNode&) const noexcept { return seed; }
};

}  // namespace

std::size_t node_hash(const Node& node) noexcept {
  return visit(node, FieldHash{mix(std::size_t(node.tag), node.kind)});
}

}  // namespace zorvane
