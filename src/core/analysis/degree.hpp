// Degree analysis: the polynomial degree of an expression in the decision variables.
#pragma once

#include "core/expression/node.hpp"

namespace zorvane {

/// The degree of an expression in the decision variables, as the degree analysis sees it.
struct DegreeInfo {
  double degree = 0.0;      ///< of the node itself
  double max_degree;        ///< the maximum over every node evaluated in its tree (-inf at first)
  bool is_dynamic = false;  ///< a degree depends on instance data; never cleared
  /// A base holding a variable raised to a negative or fractional power (x ** 0.5, x ** -1,
  /// (x % 2) ** 0.5): no polynomial degree applies, so the expression is neither linear,
  /// quadratic nor of higher order.
  bool non_polynomial = false;
  /// A decision variable is among the nodes evaluated: only then can a power make it
  /// non-polynomial (`min() ** 0.5` has degree -inf but holds no variable).
  bool has_variable = false;
  DegreeInfo() noexcept;
};

/// The degree of `node` and of every node evaluated under it. Work is proportional to the
/// number of distinct nodes.
DegreeInfo compute_degree(const Node& node);

}  // namespace zorvane
