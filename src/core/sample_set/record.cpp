// Record: equality and text forms.
#include "core/sample_set/record.hpp"

#include "core/expression/float_text.hpp"

namespace zorvane {

// ---- equality ----

bool coo_eq(const CooFormat& a, const CooFormat& b) noexcept {
  return a.non_zero_indices == b.non_zero_indices && a.non_zero_values == b.non_zero_values &&
         a.shape == b.shape;
}

bool dense_eq(const DenseArray& a, const DenseArray& b) noexcept {
  if (a.dimension() != b.dimension()) return false;
  for (std::size_t axis = 0; axis < a.dimension(); ++axis) {
    if (a.shape()[axis] != b.shape()[axis]) return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!(a.data()[i] == b.data()[i])) return false;
  }
  return true;
}

namespace {

template <class T, class Eq>
bool solution_map_eq(const std::map<std::string, std::vector<T>>& a,
                     const std::map<std::string, std::vector<T>>& b, Eq&& eq) {
  if (a.size() != b.size()) return false;
  for (auto left = a.begin(), right = b.begin(); left != a.end(); ++left, ++right) {
    if (left->first != right->first || left->second.size() != right->second.size()) return false;
    for (std::size_t i = 0; i < left->second.size(); ++i) {
      if (!eq(left->second[i], right->second[i])) return false;
    }
  }
  return true;
}

}  // namespace

bool record_eq(const Record& a, const Record& b) noexcept {
  if (a.solution.index() != b.solution.index()) return false;
  const bool solutions_equal =
      is_dense(a) ? solution_map_eq(std::get<DenseSolution>(a.solution),
                                    std::get<DenseSolution>(b.solution), dense_eq)
                  : solution_map_eq(std::get<SparseSolution>(a.solution),
                                    std::get<SparseSolution>(b.solution), coo_eq);
  return solutions_equal && a.num_occurrences == b.num_occurrences;
}

// ---- text ----

namespace {

void append_u64_list_text(std::string& out, const std::vector<std::uint64_t>& values) {
  out += '[';
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ", ";
    out += std::to_string(values[i]);
  }
  out += ']';
}

// Python tuple notation: "()", "(a,)", "(a, b)".
template <class T, class F>
void append_tuple_text(std::string& out, const std::vector<T>& items, F&& item) {
  out += '(';
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ", ";
    item(out, items[i]);
  }
  if (items.size() == 1) out += ',';
  out += ')';
}

void append_coo_text(std::string& out, const CooFormat& coo) {
  out += '(';
  append_tuple_text(out, coo.non_zero_indices, append_u64_list_text);
  out += ", [";
  for (std::size_t i = 0; i < coo.non_zero_values.size(); ++i) {
    if (i > 0) out += ", ";
    append_float_debug(out, coo.non_zero_values[i]);
  }
  out += "], ";
  append_tuple_text(out, coo.shape, [](std::string& o, std::uint64_t v) { o += std::to_string(v); });
  out += ')';
}

// Arrays of this many elements or more are abbreviated along their long axes.
constexpr std::size_t kManyElements = 500;

// How many items an axis shows before it is abbreviated, by its position from the last axis.
std::size_t axis_limit(std::size_t axis_from_last) { return axis_from_last <= 1 ? 11 : 6; }

struct DenseTextLayout {
  const DenseArray& array;
  std::vector<std::size_t> strides;  // in elements, row-major
  bool abbreviate;
};

// Items 0..length-1 joined by `separator`; a long axis shows its first and last `limit / 2`
// items around "...".
template <class F>
void append_items(std::string& out, std::size_t length, std::size_t limit, std::string_view separator,
                  F&& item) {
  if (length <= limit) {
    for (std::size_t i = 0; i < length; ++i) {
      if (i > 0) out += separator;
      item(i);
    }
    return;
  }
  const std::size_t edge = limit / 2;
  for (std::size_t i = 0; i < edge; ++i) {
    if (i > 0) out += separator;
    item(i);
  }
  out += separator;
  out += "...";
  for (std::size_t i = length - edge; i < length; ++i) {
    out += separator;
    item(i);
  }
}

void append_dense_axis(std::string& out, const DenseTextLayout& layout, std::size_t offset,
                       std::size_t axis) {
  const DenseArray& array = layout.array;
  const std::size_t ndim = array.dimension();
  const std::size_t length = array.shape()[axis];
  const std::size_t axes_left = ndim - axis;
  const std::size_t limit = layout.abbreviate ? axis_limit(axes_left - 1) : length;
  out += '[';
  if (axes_left == 1) {
    append_items(out, length, limit, ", ",
                 [&](std::size_t i) { append_float_display(out, array.data()[offset + i]); });
  } else {
    std::string separator = ",\n";
    separator.append(axes_left - 2, '\n');
    separator.append(axis + 1, ' ');
    append_items(out, length, limit, separator, [&](std::size_t i) {
      append_dense_axis(out, layout, offset + i * layout.strides[axis], axis + 1);
    });
  }
  out += ']';
}

}  // namespace

void append_dense_text(std::string& out, const DenseArray& array) {
  const std::size_t ndim = array.dimension();
  if (ndim == 0) {
    append_float_display(out, array.data()[0]);
    return;
  }
  if (array.size() == 0) {
    out.append(ndim, '[');
    out.append(ndim, ']');
    return;
  }
  DenseTextLayout layout{array, std::vector<std::size_t>(ndim, 1), array.size() >= kManyElements};
  for (std::size_t axis = ndim - 1; axis-- > 0;) {
    layout.strides[axis] = layout.strides[axis + 1] * array.shape()[axis + 1];
  }
  append_dense_axis(out, layout, 0, 0);
}

namespace {

template <class T, class F>
void append_solution_text(std::string& out, const std::map<std::string, std::vector<T>>& map,
                          F&& entry) {
  out += '{';
  bool first = true;
  for (const auto& [name, entries] : map) {
    if (!first) out += ", ";
    first = false;
    out += '\'';
    out += name;
    out += "': [";
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (i > 0) out += ", ";
      entry(out, entries[i]);
    }
    out += ']';
  }
  out += '}';
}

}  // namespace

void append_record_text(std::string& out, const Record& record) {
  out += "Record(solution=";
  if (is_dense(record)) {
    append_solution_text(out, std::get<DenseSolution>(record.solution), append_dense_text);
  } else {
    append_solution_text(out, std::get<SparseSolution>(record.solution), append_coo_text);
  }
  out += ", num_occurrences=";
  append_u64_list_text(out, record.num_occurrences);
  out += ')';
}

}  // namespace zorvane
