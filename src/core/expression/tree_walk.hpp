// The one traversal over trees of nodes: a depth-first walk on a heap-allocated stack of frames
// (node + next child), so its C-stack use does not depend on the tree's depth, plus the identity
// memo that lets a walk visit a node shared by many parents once. Every tree algorithm runs on it.
#pragma once

#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/expression/node.hpp"
#include "core/interrupt.hpp"

namespace zorvane {

/// What a walk does after entering a node.
enum class Visit : std::uint8_t {
  Continue,      ///< walk the node's children, then leave it
  SkipChildren,  ///< neither its children nor its `leave`
  Stop,          ///< end the whole walk now
};

/// A node whose children are being walked. `next` counts the children handed out so far (so in
/// `leave` it is the number of children walked).
struct WalkFrame {
  const Node* node;
  std::uint32_t next = 0;
};

/// Whether one walk can meet `node` more than once, so that a walk that does a node's work once
/// must remember it: more than one reference holds it, or it is a term of `parent` in a term
/// buffer that other sums or products share (held once by the buffer, reached through each).
inline bool reachable_twice(const Node& node, const WalkFrame* parent) noexcept {
  return node.refs > 1 || (parent != nullptr && parent->node->tag == Tag::CommutativeOp &&
                           as<CommutativeNode>(*parent->node).terms.shares_buffer());
}

/// The defaults of a walk's hooks: every child in stored order, nothing done on leaving.
struct WalkHooks {
  const Node* next_child(WalkFrame& frame) {
    const Node* child = child_at(*frame.node, frame.next);
    if (child != nullptr) ++frame.next;
    return child;
  }
  void leave(const WalkFrame&) {}
};

/// Walks the tree under `root` depth first. `hooks.enter(node, parent)` (parent null at the
/// root) is called for every node reached and decides what follows; `hooks.next_child(frame)`
/// hands out the children of an entered node one by one (null when done); `hooks.leave(frame)`
/// runs after them. Pending signals are checked every few thousand steps (Ctrl-C stops the walk
/// with the exception the check throws). Returns false when a hook stopped the walk.
template <class Hooks>
bool walk_tree(const Node& root, Hooks& hooks) {
  InterruptPoll poll;
  std::vector<WalkFrame> stack;
  switch (hooks.enter(root, static_cast<const WalkFrame*>(nullptr))) {
    case Visit::Stop: return false;
    case Visit::SkipChildren: return true;
    case Visit::Continue: break;
  }
  stack.reserve(32);  // one allocation for the trees most walks meet, not one per doubling
  stack.push_back(WalkFrame{&root});
  while (!stack.empty()) {
    poll.tick();
    const Node* child = hooks.next_child(stack.back());
    if (child == nullptr) {
      hooks.leave(stack.back());
      stack.pop_back();
      continue;
    }
    switch (hooks.enter(*child, &stack.back())) {
      case Visit::Stop: return false;
      case Visit::SkipChildren: break;
      case Visit::Continue: stack.push_back(WalkFrame{child}); break;
    }
  }
  return true;
}

/// Keys met by one algorithm, by identity (a node's address, or a pair of them), each with a
/// value: open addressing with linear probing in one flat array. Keys are never null. The nodes
/// must stay alive while the map is used.
template <class Key, class Value>
class IdentityMap {
 public:
  /// The value stored under `key`, or null.
  Value* find(const Key& key) noexcept {
    if (slots_.empty()) return nullptr;
    for (std::size_t i = home(key);; i = (i + 1) & mask()) {
      Slot& slot = slots_[i];
      if (slot.key == key) return &slot.value;
      if (slot.key == Key{}) return nullptr;
    }
  }
  /// Stores `value` under `key` unless a value is there; returns the stored value and whether it
  /// was inserted now.
  std::pair<Value*, bool> insert(const Key& key, Value value = {}) {
    if ((size_ + 1) * 4 > slots_.size() * 3) grow();
    for (std::size_t i = home(key);; i = (i + 1) & mask()) {
      Slot& slot = slots_[i];
      if (slot.key == key) return {&slot.value, false};
      if (slot.key == Key{}) {
        slot.key = key;
        slot.value = std::move(value);
        ++size_;
        return {&slot.value, true};
      }
    }
  }
  std::size_t size() const noexcept { return size_; }

 private:
  struct Slot {
    Key key{};
    [[no_unique_address]] Value value{};
  };

  static std::uint64_t address_hash(const Node* node) noexcept {
    return std::uint64_t(reinterpret_cast<std::uintptr_t>(node)) * 0x9e3779b97f4a7c15ULL;
  }
  static std::uint64_t key_hash(const Node* node) noexcept { return address_hash(node); }
  static std::uint64_t key_hash(const std::pair<const Node*, const Node*>& pair) noexcept {
    return address_hash(pair.first) ^ std::rotl(address_hash(pair.second), 31);
  }
  std::size_t mask() const noexcept { return slots_.size() - 1; }
  // Fibonacci hashing: the high bits of the product are the well-mixed ones.
  std::size_t home(const Key& key) const noexcept {
    return std::size_t(key_hash(key) >> (64 - std::countr_zero(slots_.size())));
  }
  void grow() {
    std::vector<Slot> old(slots_.empty() ? 16 : slots_.size() * 2);
    old.swap(slots_);
    size_ = 0;
    for (Slot& slot : old) {
      if (slot.key != Key{}) insert(slot.key, std::move(slot.value));
    }
  }

  std::vector<Slot> slots_;
  std::size_t size_ = 0;
};

struct NoValue {};

/// Nodes (or pairs of nodes) met by one algorithm, by identity.
template <class Key = const Node*>
class IdentitySet {
 public:
  /// True when `key` is new (it is now in the set).
  bool insert(const Key& key) { return map_.insert(key).second; }
  bool contains(const Key& key) noexcept { return map_.find(key) != nullptr; }

 private:
  IdentityMap<Key, NoValue> map_;
};

}  // namespace zorvane
