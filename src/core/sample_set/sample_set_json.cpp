// The dict-form text of a sample set: written straight from the samples, and its sparse form
// read straight from the JSON events.
#include "core/sample_set/sample_set_json.hpp"

#include <array>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/error.hpp"
#include "core/sample_set/json_writer.hpp"
#include "core/sample_set/json_reader.hpp"
#include "core/sample_set/time_fields.hpp"

namespace zorvane {
namespace {

using json::Event;
using Kind = Event::Kind;

// A text of another shape than the one read here is common (a dense record, a null time of an
// evaluation): it is no error, so it throws nothing. The first event that does not fit marks the
// reading as failed; from then on no event is read, every loop ends and every value read is a
// placeholder that `read` drops.
class DictFormReader {
 public:
  explicit DictFormReader(std::string_view text) : text_(text), cursor_(text) {}
  bool plain() const noexcept { return cursor_.plain(); }
  json::EventList take_events() noexcept { return cursor_.take_events(); }

  /// Nothing when the text has another shape (or nothing else than the metadata's text).
  std::optional<SampleData> read(std::string_view& metadata) {
    SampleData data;
    const auto seen = fields(std::array{"record", "evaluation", "measuring_time", "metadata"}, [&](std::size_t i) {
      switch (i) {
        case 0: data.record = record(); break;
        case 1: data.evaluation = evaluation(); break;
        case 2: data.measuring_time = measuring_time(); break;
        default: metadata = metadata_slice();
      }
    });
    if (!seen[0] || !seen[1] || !seen[2]) other_shape();  // the dict form requires them
    if (failed_) {
      metadata = {};
      return std::nullopt;
    }
    cursor_.finish();
    return data;
  }

 private:
  void other_shape() noexcept { failed_ = true; }

  void expect(Kind kind) {
    if (!failed_ && cursor_.next().kind != kind) other_shape();
  }

  // Calls `member(key)` per key, with the cursor at its value.
  template <class F>
  void object(F&& member) {
    expect(Kind::StartObject);
    while (!failed_ && cursor_.peek().kind != Kind::EndObject) member(cursor_.string(cursor_.next()));
    if (!failed_) cursor_.next();
  }

  template <class F>
  void array(F&& element) {
    expect(Kind::StartArray);
    while (!failed_ && cursor_.peek().kind != Kind::EndArray) element();
    if (!failed_) cursor_.next();
  }

  // As Python's float() of what the general reader gives: integers convert from their value.
  double f64() {
    if (failed_) return 0.0;
    const Event& e = cursor_.next();
    switch (e.kind) {
      case Kind::Double: return e.real;
      case Kind::Uint: return double(e.unsigned_integer);  // "-0" is the int 0
      case Kind::Int: return double(e.integer);
      default: other_shape(); return 0.0;
    }
  }

  std::optional<double> optional_f64() {
    if (failed_ || cursor_.peek().kind != Kind::Null) return f64();
    cursor_.next();
    return std::nullopt;
  }

  std::uint64_t u64() {
    if (failed_) return 0;
    const Event& e = cursor_.next();
    if (e.kind != Kind::Uint) other_shape();
    return e.unsigned_integer;
  }

  // null is NaN, as in the lists of the general reader.
  std::vector<double> f64_list() {
    std::vector<double> values;
    array([&] {
      if (values.empty()) values.reserve(cursor_.scalars_before_end());
      values.push_back(optional_f64().value_or(std::numeric_limits<double>::quiet_NaN()));
    });
    return values;
  }

  std::vector<std::uint64_t> u64_list() {
    std::vector<std::uint64_t> values;
    array([&] {
      if (values.empty()) values.reserve(cursor_.scalars_before_end());
      values.push_back(u64());
    });
    return values;
  }

  std::vector<std::vector<std::uint64_t>> u64_lists() {
    std::vector<std::vector<std::uint64_t>> lists;
    array([&] { lists.push_back(u64_list()); });
    return lists;
  }

  // A map by name; a repeated name is left to the general reader.
  template <class T, class F>
  std::map<std::string, T> name_map(F&& value) {
    std::map<std::string, T> map;
    object([&](std::string_view name) {
      auto [at, inserted] = map.try_emplace(std::string(name));
      if (!inserted) return other_shape();
      at->second = value();
    });
    return map;
  }

  FloatMap float_map() {
    return name_map<std::vector<double>>([&] { return f64_list(); });
  }

  // The fields of an object by name, each at most once; `field(i)` reads field i. Returns which
  // fields were there.
  template <std::size_t N, class F>
  std::array<bool, N> fields(const std::array<const char*, N>& names, F&& field) {
    std::array<bool, N> seen{};
    object([&](std::string_view key) {
      std::size_t i = 0;
      while (i < N && key != names[i]) ++i;
      if (i == N || std::exchange(seen[i], true)) return other_shape();
      field(i);
    });
    return seen;
  }

  // [indices per axis, values, shape]
  CooFormat coo() {
    CooFormat coo;
    expect(Kind::StartArray);
    coo.non_zero_indices = u64_lists();
    coo.non_zero_values = f64_list();
    coo.shape = u64_list();
    expect(Kind::EndArray);
    return coo;
  }

  Record record() {
    Record record;
    fields(std::array{"solution", "num_occurrences"}, [&](std::size_t i) {
      if (i == 0) {
        record.solution = name_map<std::vector<CooFormat>>([&] {
          std::vector<CooFormat> entries;
          array([&] { entries.push_back(coo()); });
          return entries;
        });
      } else {
        record.num_occurrences = u64_list();
      }
    });
    return record;
  }

  Evaluation evaluation() {
    Evaluation value;
    fields(std::array{"energy", "objective", "constraint_violations", "constraint_forall", "constraint_values",
                      "penalty"},
           [&](std::size_t i) {
             switch (i) {
               case 0: value.energy = f64_list(); break;
               case 1: value.objective = f64_list(); break;
               case 2: value.constraint_violations = float_map(); break;
               case 3: value.constraint_forall = name_map<std::vector<std::vector<std::uint64_t>>>([&] {
                         return u64_lists();
                       });
                 break;
               case 4: array([&] { value.constraint_values.push_back(float_map()); }); break;
               default: value.penalty = float_map();
             }
           });
    return value;
  }

  template <class T>
  T time_record() {
    using Fields = TimeFields<T>;
    T value;
    fields(Fields::kFields, [&](std::size_t i) { value.*Fields::kMembers[i] = optional_f64(); });
    return value;
  }

  MeasuringTime measuring_time() {
    MeasuringTime value;
    fields(std::array{"solve", "system", "total"}, [&](std::size_t i) {
      switch (i) {
        case 0: value.solve = time_record<SolvingTime>(); break;
        case 1: value.system = time_record<SystemTime>(); break;
        default: value.total = optional_f64();
      }
    });
    return value;
  }

  // The text of the metadata object, from its opening to its closing brace.
  std::string_view metadata_slice() {
    if (failed_) return {};
    const Event& start = cursor_.next();
    if (start.kind != Kind::StartObject) {
      other_shape();
      return {};
    }
    const std::size_t begin = start.offset - 1;  // a bracket's offset is just past it
    std::size_t end = start.offset;
    for (std::size_t depth = 1; depth > 0;) {
      const Event& e = cursor_.next();
      if (e.kind == Kind::StartObject || e.kind == Kind::StartArray) ++depth;
      if (e.kind == Kind::EndObject || e.kind == Kind::EndArray) --depth;
      end = e.offset;
    }
    return text_.substr(begin, end - begin);
  }

  std::string_view text_;
  json::Cursor cursor_;
  bool failed_ = false;
};

}  // namespace

bool writes_natively(const SampleData& data) noexcept {
  const auto* dense = std::get_if<DenseSolution>(&data.record.solution);
  if (dense == nullptr) return true;
  for (const auto& [name, entries] : *dense) {
    for (const DenseArray& array : entries) {
      if (array.dimension() > kMaxWrittenAxes) return false;
    }
  }
  return true;
}

std::string sample_set_json_head(const SampleData& data) {
  using json::SampleForm;
  std::string out = "{\"record\":";
  json::append_sample_value(out, data.record, SampleForm::Dict);
  out += ",\"evaluation\":";
  json::append_sample_value(out, data.evaluation, SampleForm::Dict);
  out += ",\"measuring_time\":";
  json::append_sample_value(out, data.measuring_time, SampleForm::Dict);
  out += ",\"metadata\":";
  return out;
}

std::optional<SampleData> read_sample_set_json(std::string_view text, std::string_view& metadata,
                                               json::EventList* plain_events) {
  metadata = {};
  if (plain_events != nullptr) plain_events->clear();
  std::optional<DictFormReader> reader;
  try {
    reader.emplace(text);
  } catch (const Error&) {
    return std::nullopt;  // a malformed text: the general reader words the error
  }
  std::optional<SampleData> data;
  try {
    data = reader->read(metadata);
  } catch (const Error&) {
    metadata = {};  // a text that ends early
  }
  if (!data && plain_events != nullptr && reader->plain()) *plain_events = reader->take_events();
  return data;
}

}  // namespace zorvane
