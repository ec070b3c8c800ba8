// Insertion-ordered sets of nodes keyed by structural equality (names and defining fields;
// LaTeX strings and descriptions never count).
#pragma once

#include <vector>

#include <tsl/ordered_set.h>

#include "core/expression/expression.hpp"

namespace zorvane {

/// Agrees with `expression_eq`: it reads only fields that equality compares (names, numbers
/// of dimensions, axes, kinds), so equal nodes hash alike; deeper fields are left to equality.
std::size_t node_hash(const Node& node) noexcept;

struct NodeHash {
  template <class T>
  std::size_t operator()(const Rc<const T>& node) const noexcept {
    return node_hash(*node);
  }
};

struct NodeEq {
  template <class T>
  bool operator()(const Rc<const T>& a, const Rc<const T>& b) const {
    return expression_eq(*a, *b);
  }
};

/// `same_variable`, which `node_hash` agrees with too (it differs only in numbers).
struct SameVariableEq {
  template <class T>
  bool operator()(const Rc<const T>& a, const Rc<const T>& b) const {
    return same_variable(*a, *b);
  }
};

/// Iterated in insertion order; inserting an equal node keeps the first one. Its values are kept
/// in a vector (never erased from), so a small set costs two allocations, not a deque's.
template <class T>
using NodeSet = tsl::ordered_set<Rc<const T>, NodeHash, NodeEq, std::allocator<Rc<const T>>, std::vector<Rc<const T>>>;

/// A `NodeSet` of distinct variables: placeholders, elements, array lengths and decision
/// variables, one per `same_variable` class.
template <class T>
using VariableSet =
    tsl::ordered_set<Rc<const T>, NodeHash, SameVariableEq, std::allocator<Rc<const T>>, std::vector<Rc<const T>>>;

}  // namespace zorvane
