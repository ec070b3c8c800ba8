// ExprList: a list of expressions fixed when it is built, with a single item held in place.
#pragma once

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

#include "core/expression/rc.hpp"

namespace zorvane {

/// The subscripts of a subscript node. Most subscripts have one item (`x[k]`), which is kept
/// inside the list itself: no allocation of its own, and 16 bytes in the node. Longer lists
/// take one heap array.
class ExprList {
 public:
  ExprList() noexcept : one_() {}
  explicit ExprList(Expr one) noexcept : size_(1), one_(std::move(one)) {}
  explicit ExprList(std::vector<Expr> items) : many_(nullptr) {
    if (items.size() <= 1) {
      new (&one_) Expr(items.empty() ? Expr() : std::move(items.front()));
    } else {
      many_ = new Expr[items.size()];
      std::move(items.begin(), items.end(), many_);
    }
    size_ = items.size();
  }
  ExprList(const ExprList& other) : many_(nullptr) {
    if (other.size_ <= 1) {
      new (&one_) Expr(other.one_);
    } else {
      many_ = new Expr[other.size_];
      std::copy(other.begin(), other.end(), many_);
    }
    size_ = other.size_;
  }
  ExprList(ExprList&& other) noexcept : many_(nullptr) {
    if (other.size_ <= 1) {
      new (&one_) Expr(std::move(other.one_));
    } else {
      many_ = std::exchange(other.many_, nullptr);
      new (&other.one_) Expr();
    }
    size_ = std::exchange(other.size_, 0);
  }
  ExprList& operator=(ExprList other) noexcept {
    this->~ExprList();
    new (this) ExprList(std::move(other));
    return *this;
  }
  ~ExprList() {
    if (size_ <= 1) {
      one_.~Expr();
    } else {
      delete[] many_;
    }
  }

  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  const Expr& operator[](std::size_t i) const noexcept { return begin()[i]; }
  const Expr* begin() const noexcept { return size_ <= 1 ? &one_ : many_; }
  const Expr* end() const noexcept { return begin() + size_; }
  /// Mutable items, for the iterative destruction that takes the references out.
  Expr* begin() noexcept { return size_ <= 1 ? &one_ : many_; }
  Expr* end() noexcept { return begin() + size_; }

 private:
  std::size_t size_ = 0;
  union {
    Expr one_;     ///< size_ <= 1 (null when empty)
    Expr* many_;   ///< size_ >= 2
  };
};

}  // namespace zorvane
