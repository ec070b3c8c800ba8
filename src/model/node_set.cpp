// The shallow structural hash of nodes.
#include "model/node_set.hpp"

#include <functional>
#include <string_view>

namespace zorvane {
namespace {

std::size_t mix(std::size_t seed, std::size_t value) noexcept {
  return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

std::size_t name_hash(std::string_view name) noexcept { return std::hash<std::string_view>{}(name); }

}  // namespace

std::size_t node_hash(const Node& node) noexcept {
  std::size_t seed = mix(std::size_t(node.tag), node.kind);
  switch (node.tag) {
    case Tag::Placeholder: {
      const auto& p = as<PlaceholderNode>(node);
      return mix(mix(seed, name_hash(p.name)), p.ndim);
    }
    case Tag::Element: {
      const auto& e = as<ElementNode>(node);
      return mix(mix(seed, name_hash(e.name)), e.ndim);
    }
    case Tag::DecisionVar: {
      const auto& v = as<DecisionVarNode>(node);
      return mix(mix(seed, name_hash(v.name)), v.shape.size());
    }
    case Tag::ArrayLength: {
      const auto& a = as<ArrayLengthNode>(node);
      return mix(mix(seed, a.axis), node_hash(*a.array));
    }
    case Tag::Subscript: {
      const auto& s = as<SubscriptNode>(node);
      return mix(mix(seed, s.subscripts.size()), node_hash(*s.variable));
    }
    default: return seed;
  }
}

}  // namespace zorvane
