// TermList: the terms of a sum, product, minimum or maximum, with a prefix shared between nodes.
#pragma once

#include <cstdint>
#include <vector>

#include "core/expression/rc.hpp"

namespace zorvane {

/// An ordered list of terms whose middle part (the prefix) can be shared between nodes:
/// appending to the newest list reuses the buffer, so building a sum or product term by term
/// in a loop is linear. Two terms can be kept apart: a first term (the head: a product's
/// literal) and a last term (the tail: the newest term, or a sum's literal), so the ends can
/// be replaced, and terms added before the last, without shortening the shared prefix.
/// A mutation may reallocate a buffer that other lists share: never keep a reference to a term
/// across a mutation; copy the `Expr` instead.
class TermList {
 public:
  /// What a list keeps about its terms, gathered one term at a time: a builder that walks its
  /// terms anyway hands it over, so a long list is not walked again.
  struct Counts {
    std::uint32_t max_height = 0;
    std::uint32_t literals = 0;
    std::uint32_t decision_vars = 0;
    std::uint32_t latex_terms = 0;
    void add(const Node& term) noexcept;
  };

  TermList() noexcept = default;
  explicit TermList(std::vector<Expr> items);
  /// `counts` must be those of `items`.
  TermList(std::vector<Expr> items, const Counts& counts);
  /// Two terms, held in the head and the tail: no buffer until a third term arrives.
  TermList(Expr first, Expr second) noexcept;
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
  /// Whether other lists see this list's buffer: its terms can then be reached through more
  /// than one node although each is held once.
  bool shares_buffer() const noexcept { return buffer_ != nullptr && buffer_->refs > 1; }
  /// How many terms have a LaTeX string of their own.
  std::uint32_t latex_count() const noexcept { return latex_terms_; }

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
  std::uint32_t latex_terms_ = 0;
  Expr head_;
  Expr tail_;
};

}  // namespace zorvane
