// The part of every node that all kinds share (tag, kind byte, count, height), the list of node
// kinds, and `Rc`, the owning handle through which nodes are shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

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
/// Each kind's struct (node.hpp) derives from it and says, besides its fields: `kTag`;
/// `children`, its child slots in stored order (`slots.one(handle)` for a single child, possibly
/// null; `slots.many(list)` for a list); and where they differ from the defaults here,
/// `kKindCount` (the values of its `kind` byte) and `kDecisionVarsFromChildren`.
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
  /// The node has a LaTeX string of its own (what `latex_field` gives); set by `finish`.
  bool own_latex = false;

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

/// A new owning handle to a node that another handle holds, such as one a walk reached (O(1): the
/// node is shared, not copied).
template <class T>
Rc<const T> share(const T& node) noexcept {
  ++node.refs;
  return Rc<const T>::adopt(&node);
}

using Expr = Rc<const Node>;
/// An optional string: a node's LaTeX string or description. Held by pointer, so it takes 8
/// bytes in a node where `std::optional<std::string>` takes 40; most nodes have none, and the
/// nodes of a large model are most of its memory. A copy copies the string.
class Text {
 public:
  Text() noexcept = default;
  Text(std::nullopt_t) noexcept {}
  Text(std::string text) : text_(std::make_unique<std::string>(std::move(text))) {}
  Text(const char* text) : Text(std::string(text)) {}
  Text(std::optional<std::string> text)
      : text_(text ? std::make_unique<std::string>(std::move(*text)) : nullptr) {}
  Text(const Text& other) : text_(other.text_ ? std::make_unique<std::string>(*other.text_) : nullptr) {}
  Text(Text&& other) noexcept = default;
  Text& operator=(Text other) noexcept {
    text_ = std::move(other.text_);
    return *this;
  }

  bool has_value() const noexcept { return text_ != nullptr; }
  explicit operator bool() const noexcept { return has_value(); }
  const std::string& operator*() const noexcept { return *text_; }
  const std::string* operator->() const noexcept { return text_.get(); }
  friend bool operator==(const Text& a, const Text& b) noexcept {
    return a.has_value() == b.has_value() && (!a || *a == *b);
  }

 private:
  std::unique_ptr<std::string> text_;
};
static_assert(sizeof(Text) == sizeof(void*));

/// Casts a node whose tag is known.
template <class T>
const T& as(const Node& node) noexcept {
  return static_cast<const T&>(node);
}
template <class T>
const T& as(const Expr& node) noexcept {
  return static_cast<const T&>(*node);
}

}  // namespace zorvane
