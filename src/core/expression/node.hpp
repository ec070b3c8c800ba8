// Expression nodes: immutable, shared by an intrusive reference count, each knowing its height.
// The kinds are listed once, in node_kinds.def (which says what adding one takes).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/error.hpp"
#include "core/expression/expr_list.hpp"
#include "core/expression/node_memory.hpp"
#include "core/expression/numeric_value.hpp"
#include "core/expression/rc.hpp"
#include "core/expression/term_list.hpp"

namespace zorvane {

// ---- Node records -----------------------------------------------------------------------

struct NumberLitNode final : Node {
  static constexpr Tag kTag = Tag::NumberLit;
  static constexpr bool kDecisionVarsFromChildren = false;
  NumericValue value;
  explicit NumberLitNode(NumericValue v) noexcept : Node(kTag), value(v) {}
  template <class Self, class Slots>
  static void children(Self&, Slots&) {}
};

struct PlaceholderNode final : Node {
  static constexpr Tag kTag = Tag::Placeholder;
  static constexpr bool kDecisionVarsFromChildren = false;
  std::string name;
  std::uint64_t ndim = 0;
  Text latex;
  Text description;
  PlaceholderNode() noexcept : Node(kTag) {}
  template <class Self, class Slots>
  static void children(Self&, Slots&) {}
};

/// Half-open interval [start, end) that an element ranges over.
struct RangeNode final : Node {
  static constexpr Tag kTag = Tag::Range;
  static constexpr bool kDecisionVarsFromChildren = false;
  Expr start;
  Expr end;
  RangeNode() noexcept : Node(kTag) {}
  template <class Self, class Slots>
  static void children(Self& self, Slots& slots) {
    slots.one(self.start);
    slots.one(self.end);
  }
};

struct ElementNode final : Node {
  static constexpr Tag kTag = Tag::Element;
  static constexpr bool kDecisionVarsFromChildren = false;  // its set is never examined
  std::string name;
  std::uint64_t ndim = 0;
  Expr set;  ///< a Range, Placeholder, Element or Subscript node
  Text latex;
  Text description;
  ElementNode() noexcept : Node(kTag) {}
  template <class Self, class Slots>
  static void children(Self& self, Slots& slots) {
    slots.one(self.set);
  }
};

/// A bound of a decision variable: an expression, an array placeholder or a placeholder subscript.
struct Bound {
  enum class Kind : std::uint8_t { Expression, Placeholder, Subscript };
  Kind kind = Kind::Expression;
  Expr node;
};

struct DecisionVarNode final : Node {
  static constexpr Tag kTag = Tag::DecisionVar;
  static constexpr std::size_t kKindCount = kDecisionVarKindCount;
  static constexpr bool kDecisionVarsFromChildren = false;  // it is one itself
  std::string name;
  std::vector<Expr> shape;
  Bound lower_bound;
  Bound upper_bound;
  Text description;
  Text latex;
  explicit DecisionVarNode(DecisionVarKind k) noexcept : Node(kTag, std::uint8_t(k)) {}
  DecisionVarKind var_kind() const noexcept { return DecisionVarKind(kind); }
  template <class Self, class Slots>
  static void children(Self& self, Slots& slots) {
    slots.many(self.shape);
    slots.one(self.lower_bound.node);
    slots.one(self.upper_bound.node);
  }
};

struct SubscriptNode final : Node {
  static constexpr Tag kTag = Tag::Subscript;
  Expr variable;  ///< a Placeholder, Element or DecisionVar node (nested subscripts are joined)
  ExprList subscripts;
  std::uint64_t ndim = 0;  ///< remaining dimensions
  Text latex;
  SubscriptNode() noexcept : Node(kTag) {}
  template <class Self, class Slots>
  static void children(Self& self, Slots& slots) {
    slots.one(self.variable);
    slots.many(self.subscripts);
  }
};

struct ArrayLengthNode final : Node {
  static constexpr Tag kTag = Tag::ArrayLength;
  static constexpr bool kDecisionVarsFromChildren = false;
  Expr array;  ///< a Placeholder, Element or Subscript node
  std::uint64_t axis = 0;
  Text latex;
  Text description;
  ArrayLengthNode() noexcept : Node(kTag) {}
  template <class Self, class Slots>
  static void children(Self& self, Slots& slots) {
    slots.one(self.array);
  }
};

struct UnaryNode final : Node {
  static constexpr Tag kTag = Tag::UnaryOp;
  static constexpr std::size_t kKindCount = kUnaryKindCount;
  Expr operand;
  Text latex;
  explicit UnaryNode(UnaryKind k) noexcept : Node(kTag, std::uint8_t(k)) {}
  UnaryKind op() const noexcept { return UnaryKind(kind); }
  template <class Self, class Slots>
  static void children(Self& self, Slots& slots) {
    slots.one(self.operand);
  }
};

struct BinaryNode final : Node {
  static constexpr Tag kTag = Tag::BinaryOp;
  static constexpr std::size_t kKindCount = kBinaryKindCount;
  Expr left;  ///< the base of a power
  Expr right;  ///< the exponent of a power
  Text latex;
  explicit BinaryNode(BinaryKind k) noexcept : Node(kTag, std::uint8_t(k)) {}
  BinaryKind op() const noexcept { return BinaryKind(kind); }
  template <class Self, class Slots>
  static void children(Self& self, Slots& slots) {
    slots.one(self.left);
    slots.one(self.right);
  }
};

struct CommutativeNode final : Node {
  static constexpr Tag kTag = Tag::CommutativeOp;
  static constexpr std::size_t kKindCount = kCommutativeKindCount;
  TermList terms;
  Text latex;
  explicit CommutativeNode(CommutativeKind k) noexcept : Node(kTag, std::uint8_t(k)) {}
  CommutativeNode(CommutativeKind k, TermList t) noexcept : Node(kTag, std::uint8_t(k)), terms(std::move(t)) {}
  CommutativeKind op() const noexcept { return CommutativeKind(kind); }
  template <class Self, class Slots>
  static void children(Self& self, Slots& slots) {
    slots.many(self.terms);
  }
};

struct ReductionNode final : Node {
  static constexpr Tag kTag = Tag::ReductionOp;
  static constexpr std::size_t kKindCount = kReductionKindCount;
  Rc<const ElementNode> index;
  Expr operand;
  Expr condition;  ///< a Comparison or Logical node, or null
  Text latex;
  explicit ReductionNode(ReductionKind k) noexcept : Node(kTag, std::uint8_t(k)) {}
  ReductionKind op() const noexcept { return ReductionKind(kind); }
  template <class Self, class Slots>
  static void children(Self& self, Slots& slots) {
    slots.one(self.index);
    slots.one(self.condition);
    slots.one(self.operand);
  }
};

struct ComparisonNode final : Node {
  static constexpr Tag kTag = Tag::Comparison;
  static constexpr std::size_t kKindCount = kComparisonKindCount;
  Expr left;
  Expr right;
  Text latex;
  explicit ComparisonNode(ComparisonKind k) noexcept : Node(kTag, std::uint8_t(k)) {}
  ComparisonKind op() const noexcept { return ComparisonKind(kind); }
  template <class Self, class Slots>
  static void children(Self& self, Slots& slots) {
    slots.one(self.left);
    slots.one(self.right);
  }
};

struct LogicalNode final : Node {
  static constexpr Tag kTag = Tag::Logical;
  static constexpr std::size_t kKindCount = kLogicalKindCount;
  std::vector<Expr> terms;  ///< Comparison or Logical nodes
  Text latex;
  explicit LogicalNode(LogicalKind k) noexcept : Node(kTag, std::uint8_t(k)) {}
  LogicalKind op() const noexcept { return LogicalKind(kind); }
  template <class Self, class Slots>
  static void children(Self& self, Slots& slots) {
    slots.many(self.terms);
  }
};

#define ZORVANE_NODE_KIND(Name, Type) \
  static_assert(Type::kTag == Tag::Name, #Type " is the record of a node of tag " #Name);
#include "core/expression/node_kinds.def"
#undef ZORVANE_NODE_KIND

/// The kinds within each tag (the values of a node's `kind` byte).
inline constexpr std::array<std::size_t, kTagCount> kKindCounts{
#define ZORVANE_NODE_KIND(Name, Type) Type::kKindCount,
#include "core/expression/node_kinds.def"
#undef ZORVANE_NODE_KIND
};

// ---- Per-kind dispatch ------------------------------------------------------------------

/// A visitor made of lambdas, one per record type (or group of them).
template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

/// `f(record)` with the node as its own record type: `const T&` for a const node, `T&` for a
/// mutable one. The one switch over tags: a per-kind rule is an overload of `f`, so a kind that
/// `f` forgets does not compile (unless `f` takes any record on purpose).
///
/// Always inlined: it is a jump table in the inner loop of every walk, where a call per node
/// costs more than the work of many cases.
template <class N, class F>
  requires std::is_same_v<std::remove_const_t<N>, Node>
[[gnu::always_inline]] inline decltype(auto) visit(N& node, F&& f) {
  switch (node.tag) {
#define ZORVANE_NODE_KIND(Name, Type) \
  case Tag::Name:                    \
    return f(static_cast<std::conditional_t<std::is_const_v<N>, const Type&, Type&>>(node));
#include "core/expression/node_kinds.def"
#undef ZORVANE_NODE_KIND
  }
  __builtin_unreachable();
}

/// Calls `slots.one(handle)` and `slots.many(list)` over the child slots of `node` in stored
/// order (see `Node`); the handles are const for a const node. A single child may be null; a
/// list is a `std::vector<Expr>`, an `ExprList` or a `TermList`.
template <class N, class Slots>
[[gnu::always_inline]] inline void visit_children(N& node, Slots&& slots) {
  visit(node, [&](auto& record) { record.children(record, slots); });
}

namespace detail {

template <class F>
struct EachChild {
  F& f;
  template <class T>
  void one(const Rc<const T>& child) {
    if (child) f(static_cast<const Node&>(*child));
  }
  template <class List>
  void many(const List& items) {
    for (std::size_t i = 0; i < items.size(); ++i) f(static_cast<const Node&>(*items[i]));
  }
};

struct ChildAt {
  std::size_t i;
  const Node* found = nullptr;
  template <class T>
  void one(const Rc<const T>& child) noexcept {
    if (found != nullptr || !child) return;
    if (i == 0) {
      found = child.get();
    } else {
      --i;
    }
  }
  template <class List>
  void many(const List& items) noexcept {
    if (found != nullptr) return;
    if (i < items.size()) {
      found = items[i].get();
    } else {
      i -= items.size();
    }
  }
};

}  // namespace detail

/// Calls `f(const Node&)` for every direct child (null children skipped), in stored order.
template <class F>
void for_each_child(const Node& node, F&& f) {
  visit_children(node, detail::EachChild<F>{f});
}

/// Child `i` of `node` in the order of `for_each_child`; null past the last child. Constant
/// time in the length of a list.
inline const Node* child_at(const Node& node, std::uint32_t i) noexcept {
  detail::ChildAt at{i};
  visit_children(node, at);
  return at.found;
}

/// Completes a freshly built node: computes its height and whether it holds a decision variable,
/// and refuses one deeper than `kMaxDepth` with RecursionError. Every node is made through here.
template <class T>
Rc<const T> finish(T* node) {
  Rc<const T> owned = Rc<const T>::adopt(node);
  std::uint32_t height = 0;
  bool decision_var = std::is_same_v<T, DecisionVarNode>;
  if constexpr (std::is_same_v<T, CommutativeNode>) {
    height = node->terms.max_height();
    decision_var = node->terms.decision_var_count() > 0;
  } else {
    auto each = [&](const Node& child) {
      height = std::max(height, child.height);
      if constexpr (std::is_same_v<T, ReductionNode>) {
        if (&child == node->index.get()) return;
      }
      decision_var = decision_var || (T::kDecisionVarsFromChildren && child.has_decision_var);
    };
    // The record type is known here: no dispatch on the tag.
    detail::EachChild<decltype(each)> slots{each};
    T::children(*node, slots);
  }
  node->height = height + 1;
  node->has_decision_var = decision_var;
  if constexpr (requires { node->latex; } && !std::is_same_v<T, SubscriptNode>) {
    node->own_latex = node->latex.has_value();  // a subscript's LaTeX string is not its own
  }
  if (node->height > kMaxDepth) {
    raise(ErrorKind::Recursion, "expression is nested too deeply (the limit is " +
                                    std::to_string(kMaxDepth) + " levels)");
  }
  return owned;
}

/// Makes a node in node memory (node_memory.hpp), unfinished.
template <class T, class... A>
T* new_node(A&&... args) {
  static_assert(sizeof(T) <= kLargestNode && alignof(T) <= 16, "node memory has no slot this large");
  void* memory = allocate_node_memory(sizeof(T));
  try {
    return ::new (memory) T(std::forward<A>(args)...);
  } catch (...) {
    free_node_memory(memory);
    give_back_emptied_node_pages();
    throw;
  }
}

/// Destroys a node that `new_node` made and gives back its memory.
template <class T>
void delete_node(T* node) noexcept {
  node->~T();
  free_node_memory(node);
}

/// Allocates a node and lets `init` fill its fields before `finish` checks it.
template <class T, class... A, class F>
Rc<const T> make_node(F&& init, A&&... args) {
  T* node = new_node<T>(std::forward<A>(args)...);
  try {
    init(*node);
  } catch (...) {
    release(node);
    throw;
  }
  return finish(node);
}

/// A number literal. Small integers come from a cache of shared nodes.
Expr make_number(NumericValue value);

}  // namespace zorvane
