// NumPy arrays through NumPy's C array API: the only file that includes numpy's headers. Built
// against numpy 2's headers, which by default target older runtimes too: the module runs with
// numpy 1.25 and newer.
#include "python/sample_set/numpy_arrays.hpp"

#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#define NPY_TARGET_VERSION NPY_1_25_API_VERSION
#include <numpy/arrayobject.h>

#include <cstring>
#include <vector>

#include <fmt/format.h>

#include "core/sample_set/record.hpp"

namespace zorvane {

Numpy Numpy::import() {
  // numpy is imported first, so that a failure is its import's own error (`import_array` would
  // print it and raise its own ImportError); the check of numpy's version may fail after the
  // table is set, which must not count as loaded.
  static bool loaded = false;
  if (!loaded) {
    checked(PyImport_ImportModule("numpy"));
    if (_import_array() < 0) {
      PyArray_API = nullptr;
      throw PythonError{};
    }
    loaded = true;
  }
  return Numpy();
}

namespace {

// A new array of `type` and `shape` owning a copy of `bytes` bytes at `data`. numpy raises its
// memory error through a class whose `__init__` is Python code, so the allocation runs with the
// collector as the caller set it.
PyRef new_array(int type, std::span<const std::size_t> shape, const void* data, std::size_t bytes) {
  // numpy 1.x arrays have at most 32 axes (`new_dense_array` allows 64); the texts are numpy's own.
  const bool numpy_2 = PyArray_RUNTIME_VERSION >= NPY_2_0_API_VERSION;
  const std::size_t max_axes = numpy_2 ? NPY_MAXDIMS : 32;
  if (shape.size() > max_axes) {
    raise(ErrorKind::Value, fmt::format("maximum supported dimension for an ndarray is {}{}, found {}",
                                        numpy_2 ? "currently " : "", max_axes, shape.size()));
  }
  npy_intp dims[NPY_MAXDIMS];
  for (std::size_t a = 0; a < shape.size(); ++a) {
    if (shape[a] > std::size_t(NPY_MAX_INTP)) raise(ErrorKind::Value, "array is too big");  // unreachable: see new_dense_array
    dims[a] = npy_intp(shape[a]);
  }
  PyRef array = CollectorPaused::lifted([&] {
    return checked(PyArray_NewFromDescr(&PyArray_Type, PyArray_DescrFromType(type), int(shape.size()), dims,
                                        nullptr, nullptr, 0, nullptr));
  });
  if (bytes != 0) std::memcpy(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array.get())), data, bytes);
  return array;
}

}  // namespace

PyRef new_float64_array(const Numpy&, std::span<const std::size_t> shape, std::span<const double> data) {
  return new_array(NPY_FLOAT64, shape, data.data(), data.size_bytes());
}

PyRef new_uint64_matrix(const Numpy&, std::size_t rows, std::size_t columns, std::span<const std::uint64_t> data) {
  const std::size_t shape[] = {rows, columns};
  return new_array(NPY_UINT64, shape, data.data(), data.size_bytes());
}

bool is_float64_array(const Numpy&, PyObject* object) {
  if (!PyArray_Check(object)) return false;
  PyArray_Descr* float64 = PyArray_DescrFromType(NPY_FLOAT64);  // numpy's own, never freed
  const bool equivalent = PyArray_EquivTypes(PyArray_DESCR(reinterpret_cast<PyArrayObject*>(object)), float64);
  Py_DECREF(float64);
  return equivalent;
}

std::optional<DenseArray> read_float64_array(const Numpy& numpy, PyObject* object) {
  if (!is_float64_array(numpy, object)) return std::nullopt;
  auto* array = reinterpret_cast<PyArrayObject*>(object);
  const auto ndim = std::size_t(PyArray_NDIM(array));
  const std::vector<std::uint64_t> shape(PyArray_DIMS(array), PyArray_DIMS(array) + ndim);
  DenseArray out = new_dense_array(shape);
  const std::size_t size = out.size();
  const char* base = static_cast<const char*>(PyArray_DATA(array));
  double* target = out.data();
  if (size == 0) return out;
  if (PyArray_IS_C_CONTIGUOUS(array)) {
    std::memcpy(target, base, size * sizeof(double));
    return out;
  }
  // Row-major walk over any strides (negative and zero included) with an index per axis.
  const npy_intp* strides = PyArray_STRIDES(array);
  std::vector<std::size_t> index(ndim, 0);
  for (std::size_t k = 0; k < size; ++k) {
    npy_intp at = 0;
    for (std::size_t a = 0; a < ndim; ++a) at += npy_intp(index[a]) * strides[a];
    std::memcpy(target + k, base + at, sizeof(double));
    for (std::size_t a = ndim; a-- > 0;) {
      if (++index[a] < shape[a]) break;
      index[a] = 0;
    }
  }
  return out;
}

}  // namespace zorvane
