// Every Python class of the module, from classes.def: ids in registration order (the order of
// `__all__`), names, families, and the class of each node tag and kind.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/expression/node.hpp"

namespace zorvane {

enum class ClassId : std::uint8_t {
#define ZORVANE_VALUE_CLASS(Name) Name,
#define ZORVANE_NODE_CLASS(Name, Family, NodeTag, Kind) Name,
#include "python/classes.def"
#undef ZORVANE_VALUE_CLASS
#undef ZORVANE_NODE_CLASS
};

inline constexpr std::size_t kClassCount = 0
#define ZORVANE_VALUE_CLASS(Name) +1
#define ZORVANE_NODE_CLASS(Name, Family, NodeTag, Kind) +1
#include "python/classes.def"
#undef ZORVANE_VALUE_CLASS
#undef ZORVANE_NODE_CLASS
    ;

/// Python class names, indexed by `ClassId`.
inline constexpr std::array<const char*, kClassCount> kClassNames{
#define ZORVANE_VALUE_CLASS(Name) #Name,
#define ZORVANE_NODE_CLASS(Name, Family, NodeTag, Kind) #Name,
#include "python/classes.def"
#undef ZORVANE_VALUE_CLASS
#undef ZORVANE_NODE_CLASS
};

constexpr const char* class_name(ClassId id) noexcept { return kClassNames[std::size_t(id)]; }

/// What the objects of a class are.
enum class ClassFamily : std::uint8_t {
  Value,        ///< a value other than a node: a model, a sample set, an enumeration
  Range,        ///< a range node, which is not an expression
  Operand,      ///< an expression: a literal, placeholder, element, subscript or array length
  DecisionVar,  ///< an expression: a decision variable
  Operator,     ///< an expression: an operator node
  Condition,    ///< a comparison or logical node
};

inline constexpr std::array<ClassFamily, kClassCount> kClassFamilies{
#define ZORVANE_VALUE_CLASS(Name) ClassFamily::Value,
#define ZORVANE_NODE_CLASS(Name, Family, NodeTag, Kind) ClassFamily::Family,
#include "python/classes.def"
#undef ZORVANE_VALUE_CLASS
#undef ZORVANE_NODE_CLASS
};

constexpr ClassFamily class_family(ClassId id) noexcept { return kClassFamilies[std::size_t(id)]; }
/// The class's objects hold a node (an `Expr`).
constexpr bool holds_node(ClassId id) noexcept { return class_family(id) != ClassFamily::Value; }
/// The class's objects are expressions (when they are scalars: see the scalar checks).
constexpr bool is_expression_class(ClassId id) noexcept {
  const ClassFamily family = class_family(id);
  return family == ClassFamily::Operand || family == ClassFamily::DecisionVar || family == ClassFamily::Operator;
}
constexpr bool is_condition_class(ClassId id) noexcept { return class_family(id) == ClassFamily::Condition; }
constexpr bool is_decision_var_class(ClassId id) noexcept { return class_family(id) == ClassFamily::DecisionVar; }

namespace detail {

inline constexpr std::size_t kMaxKindCount = [] {
  std::size_t most = 0;
  for (const std::size_t count : kKindCounts) most = count > most ? count : most;
  return most;
}();

using NodeClassTable = std::array<std::array<ClassId, kMaxKindCount>, kTagCount>;

// Every tag and kind has exactly one class; a gap or a second class for one stops the build.
constexpr NodeClassTable node_class_table() {
  NodeClassTable table{};
  std::array<std::array<bool, kMaxKindCount>, kTagCount> set{};
  const auto add = [&](ClassId id, Tag tag, std::size_t kind) {
    if (kind >= kKindCounts[std::size_t(tag)]) throw "a node class names a kind its tag does not have";
    if (set[std::size_t(tag)][kind]) throw "two node classes for one tag and kind";
    set[std::size_t(tag)][kind] = true;
    table[std::size_t(tag)][kind] = id;
  };
#define ZORVANE_VALUE_CLASS(Name)
#define ZORVANE_NODE_CLASS(Name, Family, NodeTag, Kind) add(ClassId::Name, Tag::NodeTag, std::size_t(Kind));
#include "python/classes.def"
#undef ZORVANE_VALUE_CLASS
#undef ZORVANE_NODE_CLASS
  for (std::size_t tag = 0; tag < kTagCount; ++tag) {
    for (std::size_t kind = 0; kind < kKindCounts[tag]; ++kind) {
      if (!set[tag][kind]) throw "a node tag and kind without a class";
    }
  }
  return table;
}

inline constexpr NodeClassTable kNodeClasses = node_class_table();

}  // namespace detail

/// The class of the Python object that holds a node of this tag and kind.
constexpr ClassId class_for_node(Tag tag, std::uint8_t kind) noexcept {
  return detail::kNodeClasses[std::size_t(tag)][kind];
}
inline ClassId class_for_node(const Node& node) noexcept { return class_for_node(node.tag, node.kind); }

}  // namespace zorvane
