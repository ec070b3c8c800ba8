// TermList: a prefix shared between lists, and ends that can be replaced without copying it.
#include "core/expression/term_list.hpp"

#include <algorithm>

#include "core/expression/expression.hpp"

namespace zorvane {

void TermList::Counts::add(const Node& term) noexcept {
  max_height = std::max(max_height, term.height);
  literals += term.tag == Tag::NumberLit ? 1 : 0;
  decision_vars += term.has_decision_var ? 1 : 0;
  latex_terms += has_latex(term) ? 1 : 0;
}

TermList::TermList(std::vector<Expr> items) {
  Counts counts;
  for (const Expr& item : items) counts.add(*item);
  *this = TermList(std::move(items), counts);
}

TermList::TermList(std::vector<Expr> items, const Counts& counts) {
  if (items.empty()) return;
  max_height_ = counts.max_height;
  literals_ = counts.literals;
  decision_vars_ = counts.decision_vars;
  latex_terms_ = counts.latex_terms;
  size_ = std::uint32_t(items.size());
  buffer_ = new Buffer{1, std::move(items)};
}

TermList::TermList(Expr first, Expr second) noexcept {
  count(first, +1);
  count(second, +1);
  head_ = std::move(first);
  tail_ = std::move(second);
}

TermList::TermList(const TermList& other) noexcept
    : buffer_(other.buffer_),
      start_(other.start_),
      size_(other.size_),
      max_height_(other.max_height_),
      literals_(other.literals_),
      decision_vars_(other.decision_vars_),
      latex_terms_(other.latex_terms_),
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
      decision_vars_(std::exchange(other.decision_vars_, 0)),
      latex_terms_(std::exchange(other.latex_terms_, 0)),
      head_(std::move(other.head_)),
      tail_(std::move(other.tail_)) {}

TermList& TermList::operator=(TermList other) noexcept {
  std::swap(buffer_, other.buffer_);
  std::swap(start_, other.start_);
  std::swap(size_, other.size_);
  std::swap(max_height_, other.max_height_);
  std::swap(literals_, other.literals_);
  std::swap(decision_vars_, other.decision_vars_);
  std::swap(latex_terms_, other.latex_terms_);
  std::swap(head_, other.head_);
  std::swap(tail_, other.tail_);
  return *this;
}

TermList::~TermList() {
  if (buffer_ != nullptr && --buffer_->refs == 0) delete buffer_;
}

// Literal and decision-variable counts and height bound for a term that enters (+1) or leaves
// (-1) the list. The
// height bound never decreases: an upper bound is all the depth limit needs, and recomputing
// it would make `sum + literal` linear in the number of terms.
void TermList::count(const Expr& term, int sign) noexcept {
  if (term->tag == Tag::NumberLit) literals_ += std::uint32_t(sign);
  if (term->has_decision_var) decision_vars_ += std::uint32_t(sign);
  if (has_latex(*term)) latex_terms_ += std::uint32_t(sign);
  if (sign > 0) max_height_ = std::max(max_height_, term->height);
}

// Appends a copy of `term` to the prefix view. On failure the list holds the same terms (its
// buffer may have been replaced by a private copy of the view).
void TermList::append_to_prefix(const Expr& term) {
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
  buffer_->items.push_back(term);
  ++size_;
}

// Counting comes after the step that can fail, so a failed mutation changes nothing.
void TermList::push_back(Expr term) {
  // The newest term waits in the tail: replacing it (a sum's literal) or inserting before it
  // then never shortens the shared prefix, which would force a copy of the whole prefix.
  if (tail_) append_to_prefix(tail_);
  count(term, +1);
  tail_ = std::move(term);
}

void TermList::insert_before_last(Expr term) {
  if (!tail_) {
    if (size_ > 0) {
      // Move the last prefix item into the tail; the prefix view simply shrinks by one.
      tail_ = buffer_->items[start_ + size_ - 1];
      --size_;
    } else if (head_) {
      tail_ = std::move(head_);
    }
  }
  append_to_prefix(term);
  count(term, +1);
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

}  // namespace zorvane
