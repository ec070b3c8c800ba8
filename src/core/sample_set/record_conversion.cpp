// Record conversions: sparse <-> dense, and the JSON form.
#include <limits>
#include <optional>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "core/error.hpp"
#include "core/sample_set/record.hpp"

namespace zorvane {

// ---- sparse <-> dense ----

namespace {

// Dense arrays leave as numpy arrays, so they keep numpy's limits: at most kMaxDenseAxes axes
// (NPY_MAXDIMS), every length and the byte size of the non-empty axes within a signed size,
// even when another axis is empty ([2**64 - 1, 0] has no elements and still no numpy array).
bool lengths_fit(std::span<const std::uint64_t> shape) {
  constexpr std::uint64_t kMaxElements = std::uint64_t(std::numeric_limits<std::ptrdiff_t>::max()) / sizeof(double);
  std::uint64_t count = 1;
  for (std::uint64_t length : shape) {
    if (length == 0) continue;
    if (count > kMaxElements / length) return false;
    count *= length;
  }
  return true;
}

[[noreturn]] void raise_too_many_axes(std::span<const std::uint64_t> shape) {
  raise(ErrorKind::Value, fmt::format("a dense array of shape [{}] has more than {} axes",
                                      fmt::join(shape, ", "), kMaxDenseAxes));
}

}  // namespace

std::string too_many_axes_text(std::span<const std::uint64_t> shape) {
  return fmt::format("dim [{}] has more than {} axes", fmt::join(shape, ", "), kMaxDenseAxes);
}

DenseArray new_dense_array(std::span<const std::uint64_t> shape) {
  if (!lengths_fit(shape)) {
    raise(ErrorKind::Memory,
          fmt::format("a dense array of shape [{}] is too large", fmt::join(shape, ", ")));
  }
  if (shape.size() > kMaxDenseAxes) raise_too_many_axes(shape);
  return DenseArray(std::vector<std::size_t>(shape.begin(), shape.end()), 0.0);
}

DenseArray sparse_to_dense_array(const CooFormat& coo) {
  DenseArray array = new_dense_array(coo.shape);
  const auto& shape = array.shape();
  const std::size_t ndim = shape.size();
  std::vector<std::uint64_t> coordinate(coo.non_zero_indices.size());
  for (std::size_t k = 0; k < coo.non_zero_values.size(); ++k) {
    for (std::size_t a = 0; a < coo.non_zero_indices.size(); ++a) {
      const std::vector<std::uint64_t>& axis = coo.non_zero_indices[a];
      if (k >= axis.size()) {
        raise(ErrorKind::Index,
              fmt::format("Failed to read the coordinate of the non-zero value #{}: the index list "
                          "of axis {} has only {} entries. shape: [{}]",
                          k, a, axis.size(), fmt::join(coo.shape, ", ")));
      }
      coordinate[a] = axis[k];
    }
    bool inside = coordinate.size() == ndim;
    std::size_t offset = 0;
    for (std::size_t a = 0; inside && a < ndim; ++a) {
      inside = coordinate[a] < coo.shape[a];
      offset = offset * shape[a] + std::size_t(coordinate[a]);
    }
    if (!inside) {
      raise(ErrorKind::Index,
            fmt::format("Failed to get a mutable reference to the array at [{}]. This might be caused "
                        "by the shape mismatch. shape: [{}]",
                        fmt::join(coordinate, ", "), fmt::join(coo.shape, ", ")));
    }
    array.data()[offset] = coo.non_zero_values[k];
  }
  return array;
}

CooFormat dense_to_sparse_array(const DenseArray& array) {
  const std::size_t ndim = array.dimension();
  CooFormat coo;
  coo.shape.assign(array.shape().begin(), array.shape().end());
  coo.non_zero_indices.resize(ndim);
  std::vector<std::size_t> index(ndim, 0);
  for (std::size_t k = 0; k < array.size(); ++k) {
    const double value = array.data()[k];
    if (value != 0.0) {  // NaN enters, 0.0 and -0.0 do not
      for (std::size_t a = 0; a < ndim; ++a) coo.non_zero_indices[a].push_back(index[a]);
      coo.non_zero_values.push_back(value);
    }
    for (std::size_t a = ndim; a-- > 0;) {
      if (++index[a] < coo.shape[a]) break;
      index[a] = 0;
    }
  }
  return coo;
}

Record record_to_dense(const Record& record) {
  if (is_dense(record)) return record;
  DenseSolution dense;
  for (const auto& [name, entries] : std::get<SparseSolution>(record.solution)) {
    std::vector<DenseArray> arrays;
    arrays.reserve(entries.size());
    for (const CooFormat& coo : entries) arrays.push_back(sparse_to_dense_array(coo));
    dense.emplace(name, std::move(arrays));
  }
  return Record{std::move(dense), record.num_occurrences};
}

Record record_to_sparse(const Record& record) {
  if (!is_dense(record)) return record;
  SparseSolution sparse;
  for (const auto& [name, arrays] : std::get<DenseSolution>(record.solution)) {
    std::vector<CooFormat> entries;
    entries.reserve(arrays.size());
    for (const DenseArray& array : arrays) entries.push_back(dense_to_sparse_array(array));
    sparse.emplace(name, std::move(entries));
  }
  return Record{std::move(sparse), record.num_occurrences};
}

// ---- JSON form ----

namespace {

CooFormat read_coo_json(json::Cursor& cursor) {
  static constexpr const char* kFields[] = {"non_zero_indices", "non_zero_values", "shape"};
  static constexpr json::StructShape kShape{"COOFormat", kFields, 3, nullptr};
  CooFormat coo;
  json::read_struct(cursor, kShape, [&](std::size_t field) {
    switch (field) {
      case 0:
        coo.non_zero_indices.clear();
        cursor.read_array("a sequence", [&] { coo.non_zero_indices.push_back(cursor.read_u64_array()); });
        break;
      case 1: coo.non_zero_values = cursor.read_f64_array(); break;
      default: coo.shape = cursor.read_u64_array();
    }
  });
  return coo;
}

constexpr const char* kArrayExpected = "ndarray representation";

// The product of `dim`, or nothing when it does not fit 64 bits.
std::optional<std::uint64_t> checked_product(const std::vector<std::uint64_t>& dim) {
  std::uint64_t product = 1;
  bool overflow = false;
  for (std::uint64_t length : dim) {
    if (length == 0) return 0;
    if (product > std::numeric_limits<std::uint64_t>::max() / length) overflow = true;
    product *= length;
  }
  if (overflow) return std::nullopt;
  return product;
}

DenseArray dense_from_parts(const json::Cursor& cursor, const json::Event& at,
                            const std::vector<std::uint64_t>& dim, std::vector<double> data) {
  const std::optional<std::uint64_t> size = checked_product(dim);
  if (!size || *size != data.size()) cursor.fail("data and dimension must match in size", at);
  if (!lengths_fit(dim)) {
    cursor.fail(fmt::format("dim [{}] is too large for an array", fmt::join(dim, ", ")), at);
  }
  if (dim.size() > kMaxDenseAxes) cursor.fail(too_many_axes_text(dim), at);
  DenseArray array = new_dense_array(dim);
  std::copy(data.begin(), data.end(), array.data());
  return array;
}

void check_array_version(const json::Cursor& cursor, const json::Event& at, std::uint8_t version) {
  if (version != 1) cursor.fail(fmt::format("unknown array version: {}", version), at);
}

// {"v":1,"dim":[...],"data":[...]} or [1, [...], [...]].
DenseArray read_dense_json(json::Cursor& cursor) {
  const json::Event& start = cursor.next();
  std::optional<std::uint8_t> version;
  std::optional<std::vector<std::uint64_t>> dim;
  std::optional<std::vector<double>> data;
  if (start.kind == json::Event::Kind::StartArray) {
    std::size_t count = 0;
    auto element = [&](auto&& read) {
      if (cursor.peek().kind == json::Event::Kind::EndArray) {
        cursor.fail(fmt::format("invalid length {}, expected {}", count, kArrayExpected), cursor.next());
      }
      read();
      ++count;
    };
    element([&] {
      version = cursor.read_u8();
      check_array_version(cursor, cursor.peek(), *version);
    });
    element([&] { dim = cursor.read_u64_array(); });
    element([&] { data = cursor.read_f64_array(); });
    while (cursor.peek().kind != json::Event::Kind::EndArray) {
      cursor.skip_value();
      ++count;
    }
    const json::Event& end = cursor.next();
    if (count != 3) cursor.fail(fmt::format("invalid length {}, expected {}", count, kArrayExpected), end);
    return dense_from_parts(cursor, end, *dim, std::move(*data));
  }
  if (start.kind != json::Event::Kind::StartObject) cursor.invalid_type(start, kArrayExpected);
  while (cursor.peek().kind != json::Event::Kind::EndObject) {
    const json::Event& key = cursor.next();
    const std::string_view name = cursor.string(key);
    if (name == "v") {
      const std::uint8_t v = cursor.read_u8();
      check_array_version(cursor, key, v);
      version = v;
    } else if (name == "dim") {
      dim = cursor.read_u64_array();
    } else if (name == "data") {
      data = cursor.read_f64_array();
    } else {
      cursor.fail(fmt::format("unknown field `{}`, expected one of `v`, `dim`, `data`", name), key);
    }
  }
  const json::Event& end = cursor.next();
  if (!version) cursor.fail("missing field `v`", end);
  if (!dim) cursor.fail("missing field `dim`", end);
  if (!data) cursor.fail("missing field `data`", end);
  return dense_from_parts(cursor, end, *dim, std::move(*data));
}

template <class T, class F>
std::map<std::string, std::vector<T>> read_solution_map(json::Cursor& cursor, F&& entry) {
  std::map<std::string, std::vector<T>> map;
  cursor.read_object("a map", [&](std::string name) {
    std::vector<T> entries;
    cursor.read_array("a sequence", [&] { entries.push_back(entry(cursor)); });
    map.insert_or_assign(std::move(name), std::move(entries));
  });
  return map;
}

constexpr const char* kSolutionExpected = "enum RecordSolution";

RecordSolution read_solution_json(json::Cursor& cursor) {
  const json::Event& start = cursor.next();
  if (start.kind != json::Event::Kind::StartObject) cursor.invalid_type(start, kSolutionExpected);
  const json::Event& key = cursor.next();
  if (key.kind != json::Event::Kind::Key) {
    cursor.fail("invalid value: empty map, expected enum RecordSolution with one variant", key);
  }
  const std::string_view variant = cursor.string(key);
  RecordSolution solution;
  if (variant == "Sparse") {
    solution = read_solution_map<CooFormat>(cursor, read_coo_json);
  } else if (variant == "Dense") {
    solution = read_solution_map<DenseArray>(cursor, read_dense_json);
  } else {
    cursor.fail(fmt::format("unknown variant `{}`, expected `Sparse` or `Dense`", variant), key);
  }
  const json::Event& end = cursor.next();
  if (end.kind != json::Event::Kind::EndObject) {
    cursor.fail("invalid value: map with more than one key, expected enum RecordSolution with one variant", end);
  }
  return solution;
}

}  // namespace

Record read_record_json(json::Cursor& cursor) {
  static constexpr const char* kFields[] = {"solution", "num_occurrences"};
  static constexpr json::StructShape kShape{"PyRecord", kFields, 2, nullptr};
  Record record;
  json::read_struct(cursor, kShape, [&](std::size_t field) {
    if (field == 0) {
      record.solution = read_solution_json(cursor);
    } else {
      record.num_occurrences = cursor.read_u64_array();
    }
  });
  return record;
}

}  // namespace zorvane
