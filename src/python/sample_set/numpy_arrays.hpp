// NumPy arrays in and out of the sample-set classes, through NumPy's C array API: no numpy
// function that Python code can replace is ever consulted.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/sample_set/dense_array.hpp"
#include "python/frame/frame.hpp"
#include "python/sample_set/python_values.hpp"

namespace zorvane {

/// Proof that NumPy's array API is loaded: the functions below that make arrays take one, and a
/// caller gets it before a collector pause (the first load imports numpy, which runs Python code).
class Numpy {
 public:
  /// Loads the array API on first use, importing numpy; a failed import raises its Python error
  /// (ModuleNotFoundError when numpy is missing), and the next call tries again.
  static Numpy import();
  /// For a builder that makes no array (a sparse solution), so numpy need not be imported.
  static Numpy unused() noexcept { return Numpy(); }

 private:
  Numpy() noexcept = default;
};

/// `build(numpy)` with the array API loaded first and the collector paused while it runs.
template <class F>
auto build_paused(F&& build) {
  const Numpy numpy = Numpy::import();
  const CollectorPaused paused;
  return build(numpy);
}

/// A new C-contiguous, writable float64 array of `shape` owning a copy of `data`.
PyRef new_float64_array(const Numpy& numpy, std::span<const std::size_t> shape, std::span<const double> data);
/// A new (rows, columns) uint64 array, the same way.
PyRef new_uint64_matrix(const Numpy& numpy, std::size_t rows, std::size_t columns,
                        std::span<const std::uint64_t> data);
/// A numpy array (or subclass instance) whose own descriptor is equivalent to float64: native
/// byte order, whatever a subclass's `dtype` attribute says.
bool is_float64_array(const Numpy& numpy, PyObject* object);
/// Such an array copied from its own data, shape and strides into an owned row-major array;
/// nothing for anything else.
std::optional<DenseArray> read_float64_array(const Numpy& numpy, PyObject* object);

}  // namespace zorvane
