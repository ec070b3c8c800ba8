// Expression nodes: immutable, shared by an intrusive reference count, each knowing its height.
//
// Adding a node kind: add its tag below, its struct with `for_each_child`, a case in
// `for_each_child`, and in `drop_children` and `delete_node` (node.cpp), then its rows in the
// printer and equality.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "lib/error.hpp"
#include "model/expression/numeric_value.hpp"

namespace zorvane {

/// Tags 0-9 are the expression variants; 10 and 11 are the two forms of a condition; 12 is the
/// half-open interval that an element can range over.
enum class Tag : std::uint8_t {
  NumberLit,
  Placeholder,
  Element,
  DecisionVar,
  Subscript,
  ArrayLength,
  UnaryOp,
  BinaryOp,
  CommutativeOp,
  ReductionOp,
  Comparison,
  Logical,
  Range,
};

enum class DecisionVarKind : std::uint8_t { Binary, Integer, Continuous, SemiInteger, SemiContinuous };
enum class UnaryKind : std::uint8_t { Abs, Ceil, Floor, Ln, Log10, Log2 };
enum class BinaryKind : std::uint8_t { Pow, Mod };
enum class CommutativeKind : std::uint8_t { Add, Mul, Min, Max };
enum class ReductionKind : std::uint8_t { Sum, Prod };
enum class ComparisonKind : std::uint8_t {
  Equal,
  NotEqual,
  LessThan,
  LessThanEqual,
  GreaterThan,
  GreaterThanEqual,
};
enum class LogicalKind : std::uint8_t { And, Or, Xor };

/// Trees deeper than this are refused with RecursionError when built, so every recursive walk
/// over a tree is bounded.
inline constexpr std::uint32_t kMaxDepth = 4096;

/// The count and the height come first: once the count reaches zero, those 8 bytes link the node
/// into the list of nodes being freed, so freeing a tree never allocates.
struct Node {
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
  NumericValue value;
  explicit NumberLitNode(NumericValue v) noexcept : Node(Tag::NumberLit), value(v) {}
};

struct PlaceholderNode final : Node {
  std::string name;
  std::uint64_t ndim = 0;
  Text latex;
  Text description;
  PlaceholderNode() noexcept : Node(Tag::Placeholder) {}
};

/// Half-open interval [start, end) that an element ranges over.
struct RangeNode final : Node {
  Expr start;
  Expr end;
  RangeNode() noexcept : Node(Tag::Range) {}
};

struct ElementNode final : Node {
  std::string name;
  std::uint64_t ndim = 0;
  Expr set;  ///< a Range, Placeholder, Element or Subscript node
  Text latex;
  Text description;
  ElementNode() noexcept : Node(Tag::Element) {}
};

/// A bound of a decision variable: an expression, an array placeholder or a placeholder subscript.
struct Bound {
  enum class Kind : std::uint8_t { Expression, Placeholder, Subscript };
  Kind kind = Kind::Expression;
  Expr node;
};

struct DecisionVarNode final : Node {
  std::string name;
  std::vector<Expr> shape;
  Bound lower_bound;
  Bound upper_bound;
  Text description;
  Text latex;
  explicit DecisionVarNode(DecisionVarKind k) noexcept : Node(Tag::DecisionVar, std::uint8_t(k)) {}
  DecisionVarKind var_kind() const noexcept { return DecisionVarKind(kind); }
};

struct SubscriptNode final : Node {
  Expr variable;  ///< a Placeholder, Element, DecisionVar or Subscript node
  std::vector<Expr> subscripts;
  std::uint64_t ndim = 0;  ///< remaining dimensions
  Text latex;
  SubscriptNode() noexcept : Node(Tag::Subscript) {}
};

struct ArrayLengthNode final : Node {
  Expr array;  ///< a Placeholder, Element or Subscript node
  std::uint64_t axis = 0;
  Text latex;
  Text description;
  ArrayLengthNode() noexcept : Node(Tag::ArrayLength) {}
};

struct UnaryNode final : Node {
  Expr operand;
  Text latex;
  explicit UnaryNode(UnaryKind k) noexcept : Node(Tag::UnaryOp, std::uint8_t(k)) {}
  UnaryKind op() const noexcept { return UnaryKind(kind); }
};

struct BinaryNode final : Node {
  Expr left;  ///< the base of a power
  Expr right;  ///< the exponent of a power
  Text latex;
  explicit BinaryNode(BinaryKind k) noexcept : Node(Tag::BinaryOp, std::uint8_t(k)) {}
  BinaryKind op() const noexcept { return BinaryKind(kind); }
};

struct CommutativeNode final : Node {
  TermList terms;
  Text latex;
  explicit CommutativeNode(CommutativeKind k) noexcept : Node(Tag::CommutativeOp, std::uint8_t(k)) {}
  CommutativeKind op() const noexcept { return CommutativeKind(kind); }
};

struct ReductionNode final : Node {
  Rc<const ElementNode> index;
  Expr operand;
  Expr condition;  ///< a Comparison or Logical node, or null
  Text latex;
  explicit ReductionNode(ReductionKind k) noexcept : Node(Tag::ReductionOp, std::uint8_t(k)) {}
  ReductionKind op() const noexcept { return ReductionKind(kind); }
};

struct ComparisonNode final : Node {
  Expr left;
  Expr right;
  Text latex;
  explicit ComparisonNode(ComparisonKind k) noexcept : Node(Tag::Comparison, std::uint8_t(k)) {}
  ComparisonKind op() const noexcept { return ComparisonKind(kind); }
};

struct LogicalNode final : Node {
  std::vector<Expr> terms;  ///< Comparison or Logical nodes
  Text latex;
  explicit LogicalNode(LogicalKind k) noexcept : Node(Tag::Logical, std::uint8_t(k)) {}
  LogicalKind op() const noexcept { return LogicalKind(kind); }
};

/// Calls `f(const Expr&)` for every direct child (null children skipped), in stored order.
template <class F>
void for_each_child(const Node& node, F&& f) {
  auto each = [&](const Expr& child) {
    if (child) f(child);
  };
  switch (node.tag) {
    case Tag::NumberLit:
    case Tag::Placeholder: return;
    case Tag::Element: return each(as<ElementNode>(node).set);
    case Tag::Range: {
      const auto& r = as<RangeNode>(node);
      each(r.start);
      return each(r.end);
    }
    case Tag::DecisionVar: {
      const auto& v = as<DecisionVarNode>(node);
      for (const Expr& s : v.shape) each(s);
      each(v.lower_bound.node);
      return each(v.upper_bound.node);
    }
    case Tag::Subscript: {
      const auto& s = as<SubscriptNode>(node);
      each(s.variable);
      for (const Expr& i : s.subscripts) each(i);
      return;
    }
    case Tag::ArrayLength: return each(as<ArrayLengthNode>(node).array);
    case Tag::UnaryOp: return each(as<UnaryNode>(node).operand);
    case Tag::BinaryOp: {
      const auto& b = as<BinaryNode>(node);
      each(b.left);
      return each(b.right);
    }
    case Tag::Comparison: {
      const auto& c = as<ComparisonNode>(node);
      each(c.left);
      return each(c.right);
    }
    case Tag::CommutativeOp: {
      const TermList& terms = as<CommutativeNode>(node).terms;
      for (std::size_t i = 0; i < terms.size(); ++i) each(terms[i]);
      return;
    }
    case Tag::ReductionOp: {
      const auto& r = as<ReductionNode>(node);
      if (r.index) f(Expr(r.index));
      each(r.condition);
      return each(r.operand);
    }
    case Tag::Logical:
      for (const Expr& t : as<LogicalNode>(node).terms) each(t);
      return;
  }
}

/// Whether a node of this kind holds a decision variable when one of its children does; a
/// reduction's index is a child that never counts.
inline bool passes_decision_vars_up(Tag tag) noexcept {
  switch (tag) {
    case Tag::NumberLit:
    case Tag::Placeholder:
    case Tag::Element:  // an element's set is never examined
    case Tag::ArrayLength:
    case Tag::Range:
    case Tag::DecisionVar: return false;
    default: return true;
  }
}

/// Completes a freshly built node: computes its height and whether it holds a decision variable,
/// and refuses one deeper than `kMaxDepth` with RecursionError. Every node is made through here.
template <class T>
Rc<const T> finish(T* node) {
  Rc<const T> owned = Rc<const T>::adopt(node);
  std::uint32_t height = 0;
  bool decision_var = node->tag == Tag::DecisionVar;
  if constexpr (std::is_same_v<T, CommutativeNode>) {
    height = node->terms.max_height();
    decision_var = node->terms.decision_var_count() > 0;
  } else {
    const bool passes = passes_decision_vars_up(node->tag);
    for_each_child(*node, [&](const Expr& child) {
      height = std::max(height, child->height);
      if constexpr (std::is_same_v<T, ReductionNode>) {
        if (child.get() == node->index.get()) return;
      }
      decision_var = decision_var || (passes && child->has_decision_var);
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
