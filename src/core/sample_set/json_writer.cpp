// The JSON text of each sample-set value in both of its forms.
#include "core/sample_set/json_writer.hpp"

#include <limits>
#include <variant>
#include <vector>

#include <fmt/format.h>

#include "core/error.hpp"
#include "core/json/writer.hpp"

namespace zorvane::json {
namespace {

// The brackets and commas of the nested lists of `shape` (one axis or more), at most SIZE_MAX.
// An array without elements may still hold more lists than any memory: shape (2**59, 0) is
// 2**59 empty lists, whose text is known to be too large before any of it is written.
template <class Shape>
std::size_t list_punctuation_bytes(const Shape& shape) {
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  std::size_t lists = 1;  // at the current depth
  std::size_t bytes = 0;
  for (const std::size_t length : shape) {
    const std::size_t per_list = length == 0 ? 2 : length + 1;  // "[]", or brackets and commas
    if (length == kMax || lists > (kMax - bytes) / per_list) return kMax;
    bytes += lists * per_list;
    if (length == 0) break;
    if (lists > kMax / length) return kMax;
    lists *= length;
  }
  return bytes;
}

class SampleWriter {
 public:
  SampleWriter(std::string& out, SampleForm form)
      : w_(out, form == SampleForm::Class ? FloatStyle::Plain : FloatStyle::SignedExponent), form_(form) {}

  void record(const Record& value) {
    const bool tagged = form_ == SampleForm::Class;
    w_.raw("{\"solution\":");
    if (tagged) w_.raw(is_dense(value) ? "{\"Dense\":" : "{\"Sparse\":");
    std::visit(
        [&](const auto& solution) {
          w_.map(solution, [&](const auto& entries) { w_.array(entries, [&](const auto& e) { entry(e); }); });
        },
        value.solution);
    if (tagged) w_.raw("}");
    w_.raw(",\"num_occurrences\":");
    w_.u64_array(value.num_occurrences);
    w_.raw("}");
  }

  void evaluation(const Evaluation& value) {
    const auto float_map = [&](const FloatMap& map) { w_.map(map, [&](const auto& values) { w_.f64_array(values); }); };
    w_.raw("{\"energy\":");
    w_.f64_array(value.energy);
    w_.raw(",\"objective\":");
    w_.f64_array(value.objective);
    w_.raw(",\"constraint_violations\":");
    float_map(value.constraint_violations);
    w_.raw(",\"constraint_forall\":");
    w_.map(value.constraint_forall, [&](const auto& rows) { forall_rows(rows); });
    w_.raw(",\"constraint_values\":");
    w_.array(value.constraint_values, float_map);
    w_.raw(",\"penalty\":");
    float_map(value.penalty);
    w_.raw("}");
  }

  template <class T>
  void time_record(const T& value) {
    using Fields = TimeFields<T>;
    w_.raw("{");
    for (std::size_t i = 0; i < Fields::kFields.size(); ++i) {
      if (i > 0) w_.raw(",");
      w_.key(Fields::kFields[i]);
      w_.optional_f64(value.*Fields::kMembers[i]);
    }
    w_.raw("}");
  }

  void measuring_time(const MeasuringTime& value) {
    w_.raw("{\"solve\":");
    time_record(value.solve);
    w_.raw(",\"system\":");
    time_record(value.system);
    w_.raw(",\"total\":");
    w_.optional_f64(value.total);
    w_.raw("}");
  }

 private:
  void entry(const CooFormat& coo) {
    w_.raw("[");
    w_.array(coo.non_zero_indices, [&](const auto& axis) { w_.u64_array(axis); });
    w_.raw(",");
    w_.f64_array(coo.non_zero_values);
    w_.raw(",");
    w_.u64_array(coo.shape);
    w_.raw("]");
  }

  void entry(const DenseArray& array) {
    if (form_ == SampleForm::Dict) {
      nested_lists(array);
      return;
    }
    w_.raw("{\"v\":1,\"dim\":");
    w_.u64_array(array.shape());
    w_.raw(",\"data\":");
    w_.f64_array(array.storage());  // row-major
    w_.raw("}");
  }

  // Nested lists as NumPy's `tolist()` gives them: a bare number for no axes, and nothing below
  // an axis of length zero.
  void nested_lists(const DenseArray& array) {
    const auto& shape = array.shape();
    const std::size_t axes = shape.size();
    const double* value = array.data();
    if (axes == 0) {
      w_.f64(*value);
      return;
    }
    w_.reserve(list_punctuation_bytes(shape));
    std::vector<std::size_t> next(axes, 0);  // per open list: how many items are written
    std::size_t depth = 0;
    w_.raw("[");
    while (true) {
      if (next[depth] == shape[depth]) {
        w_.raw("]");
        if (depth == 0) return;
        ++next[--depth];
        continue;
      }
      if (next[depth] > 0) w_.raw(",");
      if (depth + 1 == axes) {
        w_.f64(*value++);
        ++next[depth];
      } else {
        next[++depth] = 0;
        w_.raw("[");
      }
    }
  }

  void forall_rows(const std::vector<std::vector<std::uint64_t>>& rows) {
    if (form_ == SampleForm::Dict) {
      const std::size_t columns = rows.empty() ? 0 : rows.front().size();
      for (const auto& row : rows) {
        if (row.size() != columns) {
          raise(ErrorKind::Type, fmt::format("invalid length: {}, but expected {}", row.size(), columns));
        }
      }
    }
    w_.array(rows, [&](const auto& row) { w_.u64_array(row); });
  }

  Writer w_;
  SampleForm form_;
};

}  // namespace

void append_sample_value(std::string& out, const Record& value, SampleForm form) {
  SampleWriter(out, form).record(value);
}
void append_sample_value(std::string& out, const Evaluation& value, SampleForm form) {
  SampleWriter(out, form).evaluation(value);
}
void append_sample_value(std::string& out, const SolvingTime& value, SampleForm form) {
  SampleWriter(out, form).time_record(value);
}
void append_sample_value(std::string& out, const SystemTime& value, SampleForm form) {
  SampleWriter(out, form).time_record(value);
}
void append_sample_value(std::string& out, const MeasuringTime& value, SampleForm form) {
  SampleWriter(out, form).measuring_time(value);
}

}  // namespace zorvane::json
