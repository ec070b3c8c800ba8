// Expression nodes: immutable, shared by an intrusive reference count, each knowing its height.
// The kinds are listed once, in node_kinds.def (which says what adding one takes).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/error.hpp"
#include "core/expression/numeric_value.hpp"

namespace zorvane {

/// The kind of a node, one per row of node_kinds.def: the expression variants, the two forms of a
/// condition (Comparison, Logical) and the half-open interval that an element can range over.
enum class Tag : std::uint8_t {
#define ZORVANE_NODE_KIND(Name, Type) Name,
#include "core/expression/node_kinds.def"
#undef ZORVANE_NODE_KIND
};

inline constexpr std::size_t kTagCount = 0
#define ZORVANE_NODE_KIND(Name, Type) +1
#include "core/expression/node_kinds.def"
#undef ZORVANE_NODE_KIND
    ;

// The kinds within a tag (a node's `kind` byte), each with its count.
enum class DecisionVarKind : std::uint8_t { Binary, Integer, Continuous, SemiInteger, SemiContinuous };
inline constexpr std::size_t kDecisionVarKindCount = std::size_t(DecisionVarKind::SemiContinuous) + 1;
enum class UnaryKind : std::uint8_t { Abs, Ceil, Floor, Ln, Log10, Log2 };
inline constexpr std::size_t kUnaryKindCount = std::size_t(UnaryKind::Log2) + 1;
enum class BinaryKind : std::uint8_t { Pow, Mod };
inline constexpr std::size_t kBinaryKindCount = std::size_t(BinaryKind::Mod) + 1;
enum class CommutativeKind : std::uint8_t { Add, Mul, Min, Max };
inline constexpr std::size_t kCommutativeKindCount = std::size_t(CommutativeKind::Max) + 1;
enum class ReductionKind : std::uint8_t { Sum, Prod };
inline constexpr std::size_t kReductionKindCount = std::size_t(ReductionKind::Prod) + 1;
enum class ComparisonKind : std::uint8_t {
  Equal,
  NotEqual,
  LessThan,
  LessThanEqual,
  GreaterThan,
  GreaterThanEqual,
};
inline constexpr std::size_t kComparisonKindCount = std::size_t(ComparisonKind::GreaterThanEqual) + 1;
enum class LogicalKind : std::uint8_t { And, Or, Xor };
inline constexpr std::size_t kLogicalKindCount = std::size_t(LogicalKind::Xor) + 1;

/// Trees deeper than this are refused with RecursionError when built, so every recursive walk
/// over a tree is bounded.
inline constexpr std::uint32_t kMaxDepth = 4096;

/// The count and the height come first: once the count reaches zero, those 8 bytes link the node
/// into the list of nodes being freed, so freeing a tree never allocates.
///
/// Each kind's struct below derives from it and says, besides its fields: `kTag`; `children`, its
/// child slots in stored order (`slots.one(handle)` for a single child, possibly null;
/// `slots.many(list)` for a list); and where they differ from the defaults here, `kKindCount`
/// (the values of its `kind` byte) and `kDecisionVarsFromChildren`.
struct Node {
  /// Kinds of this node kind; 1: the `kind` byte is always 0.
  static constexpr std::size_t kKindCount = 1;
  /// A node of this kind holds a decision variable when one of its children does (a
  /// reduction's index never counts).
  static constexpr bool kDecisionVarsFromChildren = true;

  mutable std::uint32_t refs = 1;
  std::uint32_t height = 1;
  Tag tag;
  std::uint8_t kind = 0;  ///< the variant's own kind enum, where it has one
  /// A decision variable occurs in the tree (outside element sets, reduction indices, array
  /// lengths and a variable's own shape and bounds); set by `finish` from the children.
  bool has_decision_var = false;

  explicit Node(Tag t, std::uint8_t k = 0) noexcept : tag(t), kind(k) {}
  Node(const Node& other) noexcept
      : height(other.height), tag(other.tag), kind(other.kind), has_decision_var(other.has_decision_var) {}
  Node& operator=(const Node&) = delete;
};

/// Drops one reference; frees the node and every node only it kept alive, iteratively and
/// without allocating (so it cannot fail, even with no memory left).
void release(const Node* node) noexcept;

/// An owning, shared handle to an immutable node. Copying is O(1).
template <class T>
class Rc {
 public:
  Rc() noexcept = default;
  Rc(std::nullptr_t) noexcept {}
  /// Adopts a freshly made node (reference count 1).
  static Rc adopt(T* node) noexcept {
    Rc r;
    r.ptr_ = node;
    return r;
  }
  Rc(const Rc& other) noexcept : ptr_(other.ptr_) { retain(); }
  Rc(Rc&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  template <class U>
  Rc(const Rc<U>& other) noexcept : ptr_(other.get()) {
    retain();
  }
  template <class U>
  Rc(Rc<U>&& other) noexcept : ptr_(other.leak()) {}
  Rc& operator=(Rc other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }
  ~Rc() {
    if (ptr_ != nullptr) release(ptr_);
  }

  T* get() const noexcept { return ptr_; }
  T& operator*() const noexcept { return *ptr_; }
  T* operator->() const noexcept { return ptr_; }
  explicit operator bool() const noexcept { return ptr_ != nullptr; }
  /// Gives up ownership without dropping the reference (used by iterative destruction).
  T* leak() noexcept { return std::exchange(ptr_, nullptr); }

 private:
  void retain() const noexcept {
    if (ptr_ != nullptr) ++ptr_->refs;
  }
  T* ptr_ = nullptr;
};

using Expr = Rc<const Node>;
using Text = std::optional<std::string>;

/// Casts a node whose tag is known.
template <class T>
const T& as(const Node& node) noexcept {
  return static_cast<const T&>(node);
}
template <class T>
const T& as(const Expr& node) noexcept {
  return static_cast<const T&>(*node);
}

/// An ordered list of terms whose middle part (the prefix) can be shared between nodes:
/// appending to the newest list reuses the buffer, so building a sum or product term by term
/// in a loop is linear. Two terms can be kept apart: a first term (the head: a product's
/// literal) and a last term (the tail: the newest term, or a sum's literal), so the ends can
/// be replaced, and terms added before the last, without shortening the shared prefix.
/// A mutation may reallocate a buffer that other lists share: never keep a reference to a term
/// across a mutation; copy the `Expr` instead.
class TermList {
 public:
  TermList() noexcept = default;
  explicit TermList(std::vector<Expr> items);
  TermList(const TermList& other) noexcept;
  TermList(TermList&& other) noexcept;
  TermList& operator=(TermList other) noexcept;
  ~TermList();

  std::size_t size() const noexcept { return (head_ ? 1 : 0) + size_ + (tail_ ? 1 : 0); }
  bool empty() const noexcept { return size() == 0; }
  const Expr& operator[](std::size_t i) const noexcept {
    if (head_) {
      if (i == 0) return head_;
      --i;
    }
    return i < size_ ? buffer_->items[start_ + i] : tail_;
  }
  const Expr& front() const noexcept { return (*this)[0]; }
  const Expr& back() const noexcept { return (*this)[size() - 1]; }
  /// At least the greatest height among the terms (0 when empty).
  std::uint32_t max_height() const noexcept { return max_height_; }
  /// How many terms are number literals.
  std::uint32_t literal_count() const noexcept { return literals_; }
  /// How many terms hold a decision variable.
  std::uint32_t decision_var_count() const noexcept { return decision_vars_; }

  // A mutation that throws (only `std::bad_alloc`) leaves the list holding the same terms.
  void push_back(Expr term);
  /// Inserts `term` just before the last term (appends when empty).
  void insert_before_last(Expr term);
  /// Replaces the last term.
  void set_back(Expr term);
  void pop_back() noexcept;
  /// Replaces the first term (appends when empty).
  void set_front(Expr term);
  /// Inserts `term` as the first term.
  void push_front(Expr term);
  std::vector<Expr> to_vector() const;

  /// Gives up every term reference, handing each node to `take`, and leaves the list empty.
  /// Allocates nothing: a buffer's items are handed over in place (iterative destruction).
  template <class F>
  void leak_each(F&& take) noexcept {
    if (const Node* head = head_.leak()) take(head);
    if (const Node* tail = tail_.leak()) take(tail);
    if (buffer_ != nullptr && --buffer_->refs == 0) {
      for (Expr& item : buffer_->items) {
        if (const Node* node = item.leak()) take(node);
      }
      delete buffer_;
    }
    buffer_ = nullptr;
    start_ = 0;
    size_ = 0;
  }

 private:
  struct Buffer {
    std::uint32_t refs = 1;
    std::vector<Expr> items;
  };
  void append_to_prefix(const Expr& term);
  void count(const Expr& term, int sign) noexcept;

  Buffer* buffer_ = nullptr;
  std::uint32_t start_ = 0;  ///< first buffer item this list sees
  std::uint32_t size_ = 0;   ///< number of buffer items this list sees
  std::uint32_t max_height_ = 0;
  std::uint32_t literals_ = 0;
  std::uint32_t decision_vars_ = 0;
  Expr head_;
  Expr tail_;
};

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
  Expr variable;  ///< a Placeholder, Element, DecisionVar or Subscript node
  std::vector<Expr> subscripts;
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
template <class N, class F>
  requires std::is_same_v<std::remove_const_t<N>, Node>
decltype(auto) visit(N& node, F&& f) {
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
/// list is a `std::vector<Expr>` or a `TermList`.
template <class N, class Slots>
void visit_children(N& node, Slots&& slots) {
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
    for_each_child(*node, [&](const Node& child) {
      height = std::max(height, child.height);
      if constexpr (std::is_same_v<T, ReductionNode>) {
        if (&child == node->index.get()) return;
      }
      decision_var = decision_var || (T::kDecisionVarsFromChildren && child.has_decision_var);
    });
  }
  node->height = height + 1;
  node->has_decision_var = decision_var;
  if (node->height > kMaxDepth) {
    raise(ErrorKind::Recursion, "expression is nested too deeply (the limit is " +
                                    std::to_string(kMaxDepth) + " levels)");
  }
  return owned;
}

/// Allocates a node and lets `init` fill its fields before `finish` checks it.
template <class T, class... A, class F>
Rc<const T> make_node(F&& init, A&&... args) {
  T* node = new T(std::forward<A>(args)...);
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
