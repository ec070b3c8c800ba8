// Node lifetime: iterative destruction, and the cache of small literals.
#include "core/expression/node.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace zorvane {
namespace {

// Nodes whose count reached zero, waiting to be freed: a stack linked through the nodes' own
// first 8 bytes (their count and height, of no further use), so it never allocates.
class DeadNodes {
 public:
  static_assert(offsetof(Node, refs) == 0 && offsetof(Node, tag) >= sizeof(const Node*),
                "the link must not overlap the tag, which says how to free the node");

  // Drops one reference; a node that loses its last one is queued.
  void drop(const Node* node) noexcept {
    if (--node->refs != 0) return;
    std::memcpy(static_cast<void*>(const_cast<Node*>(node)), &top_, sizeof top_);
    top_ = node;
  }
  // The most recently queued node, unlinked; null when none is left.
  Node* pop() noexcept {
    const Node* node = top_;
    if (node != nullptr) std::memcpy(&top_, static_cast<const void*>(node), sizeof top_);
    return const_cast<Node*>(node);
  }

 private:
  const Node* top_ = nullptr;
};

// Hands every child of a node being freed to `dead`, leaving the node without children.
struct DropChildren {
  DeadNodes& dead;
  template <class T>
  void one(Rc<const T>& child) noexcept {
    if (const Node* node = child.leak()) dead.drop(node);
  }
  template <class List>
  void many(List& items) noexcept {
    for (Expr& item : items) one(item);
  }
  void many(TermList& terms) noexcept {
    terms.leak_each([&](const Node* term) { dead.drop(term); });
  }
};

}  // namespace

void release(const Node* node) noexcept {
  // Children whose last reference goes away are queued instead of recursed into, so dropping a
  // tree of any depth uses constant stack. A node is freed once its children are dropped, so
  // its destructor has nothing left to release.
  DeadNodes dead;
  dead.drop(node);
  Node* next = dead.pop();
  if (next == nullptr) return;
  do {
    visit(*next, [&](auto& record) noexcept {
      DropChildren children{dead};
      record.children(record, children);
      delete_node(&record);
    });
  } while ((next = dead.pop()) != nullptr);
  give_back_emptied_node_pages();  // once for the whole tree: regions emptied go whole
}

Expr make_number(NumericValue value) {
  constexpr std::int64_t kLow = -8;
  constexpr std::int64_t kHigh = 256;
  if (value.is_integer() && value.integer >= kLow && value.integer <= kHigh) {
    // Never freed: the cache holds one reference to each node for the life of the process.
    static std::array<const NumberLitNode*, std::size_t(kHigh - kLow + 1)> cache{};
    const NumberLitNode*& slot = cache[std::size_t(value.integer - kLow)];
    if (slot == nullptr) slot = new_node<NumberLitNode>(value);
    ++slot->refs;
    return Expr::adopt(slot);
  }
  return finish(new_node<NumberLitNode>(value));
}

}  // namespace zorvane
