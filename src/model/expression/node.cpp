// Node lifetime: iterative destruction and the shared-prefix term list.
#include "model/expression/node.hpp"

#include <algorithm>
#include <array>

namespace zorvane {
namespace {

void leak_child(Expr& child, std::vector<const Node*>& out) noexcept {
  if (const Node* node = child.leak()) out.push_back(node);
}

// Moves every child reference of `node` onto `out`, leaving the node without children.
void leak_children(Node& node, std::vector<const Node*>& out) noexcept {
  switch (node.tag) {
    case Tag::NumberLit:
    case Tag::Placeholder: return;
    case Tag::Element: return leak_child(static_cast<ElementNode&>(node).set, out);
    case Tag::Range: {
      auto& r = static_cast<RangeNode&>(node);
      leak_child(r.start, out);
      return leak_child(r.end, out);
    }
    case Tag::DecisionVar: {
      auto& v = static_cast<DecisionVarNode&>(node);
      for (Expr& s : v.shape) leak_child(s, out);
      leak_child(v.lower_bound.node, out);
      return leak_child(v.upper_bound.node, out);
    }
    case Tag::Subscript: {
      auto& s = static_cast<SubscriptNode&>(node);
      leak_child(s.variable, out);
      for (Expr& i : s.subscripts) leak_child(i, out);
      return;
    }
    case Tag::ArrayLength: return leak_child(static_cast<ArrayLengthNode&>(node).array, out);
    case Tag::UnaryOp: return leak_child(static_cast<UnaryNode&>(node).operand, out);
    case Tag::BinaryOp: {
      auto& b = static_cast<BinaryNode&>(node);
      leak_child(b.left, out);
      return leak_child(b.right, out);
    }
    case Tag::Comparison: {
      auto& c = static_cast<ComparisonNode&>(node);
      leak_child(c.left, out);
      return leak_child(c.right, out);
    }
    case Tag::CommutativeOp: return static_cast<CommutativeNode&>(node).terms.leak_into(out);
    case Tag::ReductionOp: {
      auto& r = static_cast<ReductionNode&>(node);
      if (const Node* index = r.index.leak()) out.push_back(index);
      leak_child(r.condition, out);
      return leak_child(r.operand, out);
    }
    case Tag::Logical:
      for (Expr& t : static_cast<LogicalNode&>(node).terms) leak_child(t, out);
      return;
  }
}

void delete_node(Node* node) noexcept {
  switch (node->tag) {
    case Tag::NumberLit: delete static_cast<NumberLitNode*>(node); return;
    case Tag::Placeholder: delete static_cast<PlaceholderNode*>(node); return;
    case Tag::Element: delete static_cast<ElementNode*>(node); return;
    case Tag::Range: delete static_cast<RangeNode*>(node); return;
    case Tag::DecisionVar: delete static_cast<DecisionVarNode*>(node); return;
    case Tag::Subscript: delete static_cast<SubscriptNode*>(node); return;
    case Tag::ArrayLength: delete static_cast<ArrayLengthNode*>(node); return;
    case Tag::UnaryOp: delete static_cast<UnaryNode*>(node); return;
    case Tag::BinaryOp: delete static_cast<BinaryNode*>(node); return;
    case Tag::CommutativeOp: delete static_cast<CommutativeNode*>(node); return;
    case Tag::ReductionOp: delete static_cast<ReductionNode*>(node); return;
    case Tag::Comparison: delete static_cast<ComparisonNode*>(node); return;
    case Tag::Logical: delete static_cast<LogicalNode*>(node); return;
  }
}

}  // namespace

void release(const Node* node) noexcept {
  if (--node->refs != 0) return;
  // Children whose last reference goes away are queued instead of recursed into, so dropping a
  // tree of any depth uses constant stack.
  std::vector<const Node*> pending{node};
  std::vector<const Node*> children;
  while (!pending.empty()) {
    Node* dead = const_cast<Node*>(pending.back());
    pending.pop_back();
    children.clear();
    leak_children(*dead, children);
    delete_node(dead);
    for (const Node* child : children) {
      if (--child->refs == 0) pending.push_back(child);
    }
  }
}

Expr make_number(NumericValue value) {
  constexpr std::int64_t kLow = -8;
  constexpr std::int64_t kHigh = 256;
  if (value.is_integer() && value.integer >= kLow && value.integer <= kHigh) {
    // Never freed: the cache holds one reference to each node for the life of the process.
    static std::array<const NumberLitNode*, std::size_t(kHigh - kLow + 1)> cache{};
    const NumberLitNode*& slot = cache[std::size_t(value.integer - kLow)];
    if (slot == nullptr) slot = new NumberLitNode(value);
    ++slot->refs;
    return Expr::adopt(slot);
  }
  return finish(new NumberLitNode(value));
}

// ---- TermList ---------------------------------------------------------------------------

TermList::TermList(std::vector<Expr> items) {
  if (items.empty()) return;
  for (const Expr& item : items) {
    max_height_ = std::max(max_height_, item->height);
    literals_ += item->tag == Tag::NumberLit ? 1 : 0;
  }
  size_ = std::uint32_t(items.size());
  buffer_ = new Buffer{1, std::move(items)};
}

TermList::TermList(const TermList& other) noexcept
    : buffer_(other.buffer_),
      start_(other.start_),
      size_(other.size_),
      max_height_(other.max_height_),
      literals_(other.literals_),
      head_(other.head_),
      tail_(other.tail_) {
  if (buffer_ != nullptr) ++buffer_->refs;
}

TermList::TermList(TermList&& other) noexcept
    : buffer_(std::exchange(other.buffer_, nullptr)),
      start_(std::exchange(other.start_, 0)),
      size_(std::exchange(other.size_, 0)),
      max_height_(std::exchange(other.max_height_, 0)),
      literals_(std::exchange(other.literals_, 0)),
      head_(std::move(other.head_)),
      tail_(std::move(other.tail_)) {}

TermList& TermList::operator=(TermList other) noexcept {
  std::swap(buffer_, other.buffer_);
  std::swap(start_, other.start_);
  std::swap(size_, other.size_);
  std::swap(max_height_, other.max_height_);
  std::swap(literals_, other.literals_);
  std::swap(head_, other.head_);
  std::swap(tail_, other.tail_);
  return *this;
}

TermList::~TermList() {
  if (buffer_ == nullptr) return;
  if (--buffer_->refs == 0) {
    // Hand the items to the iterative release one by one (each may be a deep tree).
    std::vector<Expr> items = std::move(buffer_->items);
    delete buffer_;
    while (!items.empty()) items.pop_back();
  }
}

// Literal count and height bound for a term that enters (+1) or leaves (-1) the list. The
// height bound never decreases: an upper bound is all the depth limit needs, and recomputing
// it would make `sum + literal` linear in the number of terms.
void TermList::count(const Expr& term, int sign) noexcept {
  if (term->tag == Tag::NumberLit) literals_ += std::uint32_t(sign);
  if (sign > 0) max_height_ = std::max(max_height_, term->height);
}

// Appends to the prefix view; the caller has already counted `term`.
void TermList::append_to_prefix(Expr term) {
  if (buffer_ == nullptr) {
    buffer_ = new Buffer{};
    start_ = 0;
  } else if (buffer_->items.size() != start_ + size_) {
    if (buffer_->refs == 1) {
      buffer_->items.resize(start_ + size_);  // items past our view belong to nobody else
    } else {
      // Another list appended to the shared buffer first: copy our view.
      const auto first = buffer_->items.begin() + start_;
      auto* copy = new Buffer{1, std::vector<Expr>(first, first + size_)};
      --buffer_->refs;  // cannot reach zero: refs was above 1
      buffer_ = copy;
      start_ = 0;
    }
  }
  buffer_->items.push_back(std::move(term));
  ++size_;
}

void TermList::push_back(Expr term) {
  count(term, +1);
  if (tail_) append_to_prefix(std::move(tail_));
  // The newest term waits in the tail: replacing it (a sum's literal) or inserting before it
  // then never shortens the shared prefix, which would force a copy of the whole prefix.
  tail_ = std::move(term);
}

void TermList::insert_before_last(Expr term) {
  count(term, +1);
  if (!tail_) {
    if (size_ > 0) {
      // Move the last prefix item into the tail; the prefix view simply shrinks by one.
      tail_ = buffer_->items[start_ + size_ - 1];
      --size_;
    } else if (head_) {
      tail_ = std::move(head_);
      head_ = Expr();
    }
  }
  append_to_prefix(std::move(term));
}

void TermList::set_back(Expr term) {
  pop_back();
  count(term, +1);
  tail_ = std::move(term);
}

void TermList::pop_back() noexcept {
  if (empty()) return;
  count(back(), -1);
  if (tail_) {
    tail_ = Expr();
  } else if (size_ > 0) {
    --size_;
  } else {
    head_ = Expr();
  }
}

void TermList::set_front(Expr term) {
  if (empty()) return push_back(std::move(term));
  count(front(), -1);
  count(term, +1);
  if (head_) {
    head_ = std::move(term);
  } else if (size_ > 0) {
    // The first prefix item leaves the view; the shared buffer is not touched.
    head_ = std::move(term);
    ++start_;
    --size_;
  } else {
    tail_ = std::move(term);
  }
}

void TermList::push_front(Expr term) {
  if (!head_) {
    count(term, +1);
    head_ = std::move(term);
    return;
  }
  // Rare (a product whose first term is not a literal but was moved to the front): rebuild.
  std::vector<Expr> items;
  items.reserve(size() + 1);
  items.push_back(std::move(term));
  for (std::size_t i = 0; i < size(); ++i) items.push_back((*this)[i]);
  *this = TermList(std::move(items));
}

std::vector<Expr> TermList::to_vector() const {
  std::vector<Expr> out;
  out.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) out.push_back((*this)[i]);
  return out;
}

void TermList::leak_into(std::vector<const Node*>& out) noexcept {
  if (const Node* head = head_.leak()) out.push_back(head);
  if (const Node* tail = tail_.leak()) out.push_back(tail);
  if (buffer_ != nullptr && --buffer_->refs == 0) {
    for (Expr& item : buffer_->items) {
      if (const Node* node = item.leak()) out.push_back(node);
    }
    delete buffer_;
  }
  buffer_ = nullptr;
  start_ = 0;
  size_ = 0;
}

}  // namespace zorvane
