// Feasibility filtering, the lowest samples and the row selection that builds their sets.
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

#include <fmt/format.h>

#include "lib/interrupt.hpp"
#include "sample_set/sample_set.hpp"

namespace zorvane {
namespace {

// One summed violation v is feasible when |v| * rtol + atol >= |0 - v|. NaN is never feasible,
// and neither is an infinite violation (the comparison alone would accept it: inf >= inf).
bool is_feasible(double v, double rtol, double atol) {
  if (!std::isfinite(v)) return false;
  const double distance = std::fabs(0.0 - v);
  const double tolerance = std::fabs(v) * rtol + atol;
  return tolerance >= distance;
}

// The violations of all constraints, summed per sample. Every list must have the first one's
// length (sample j is entry j of each): the first list that differs decides the error.
std::vector<double> summed_violations(const FloatMap& violations) {
  if (violations.empty()) raise(ErrorKind::Value, "constraint violation is empty");
  const std::size_t samples = violations.begin()->second.size();
  for (const auto& [name, values] : violations) {
    if (values.size() < samples) raise(ErrorKind::Value, "ShapeError/OutOfBounds: out of bounds indexing");
    if (values.size() > samples) raise(ErrorKind::Value, "ShapeError/IncompatibleShape: incompatible shapes");
  }
  std::vector<double> sums(samples, 0.0);
  InterruptPoll poll;
  for (const auto& [name, values] : violations) {
    for (std::size_t j = 0; j < samples; ++j) {
      sums[j] += values[j];
      poll.tick();
    }
  }
  return sums;
}

// Entries of `list` at `indices`, or nothing when an index does not fit.
template <class T>
std::optional<std::vector<T>> pick(const std::vector<T>& list, const std::vector<std::size_t>& indices) {
  std::vector<T> out;
  out.reserve(indices.size());
  for (const std::size_t i : indices) {
    if (i >= list.size()) return std::nullopt;
    out.push_back(list[i]);
  }
  return out;
}

template <class T>
std::optional<std::map<std::string, std::vector<T>>> pick_map(const std::map<std::string, std::vector<T>>& map,
                                                             const std::vector<std::size_t>& indices) {
  std::map<std::string, std::vector<T>> out;
  for (const auto& [name, list] : map) {
    auto picked = pick(list, indices);
    if (!picked) return std::nullopt;
    out.emplace_hint(out.end(), name, std::move(*picked));
  }
  return out;
}

Record select_record(const Record& record, const std::vector<std::size_t>& indices) {
  auto counts = pick(record.num_occurrences, indices);
  if (!counts) return Record{};
  return std::visit(
      [&](const auto& map) -> Record {
        auto picked = pick_map(map, indices);
        if (!picked) return Record{};
        return Record{std::move(*picked), std::move(*counts)};
      },
      record.solution);
}

Evaluation select_evaluation(const Evaluation& evaluation, const std::vector<std::size_t>& indices) {
  Evaluation out;
  auto energy = pick(evaluation.energy, indices);
  auto objective = pick(evaluation.objective, indices);
  auto violations = pick_map(evaluation.constraint_violations, indices);
  auto penalty = pick_map(evaluation.penalty, indices);
  if (!energy || !objective || !violations || !penalty) return Evaluation{};
  out.energy = std::move(*energy);
  out.objective = std::move(*objective);
  out.constraint_violations = std::move(*violations);
  out.penalty = std::move(*penalty);
  // Forall rows belong to the constraints, not to the samples: each sample's constraint_values
  // pair with all of them.
  out.constraint_forall = evaluation.constraint_forall;
  if (auto values = pick(evaluation.constraint_values, indices)) out.constraint_values = std::move(*values);
  return out;
}

constexpr Signature kFeasible{.owner = class_name(ClassId::SampleSet), .function = "feasible", .names = {"rtol", "atol"},
                              .positional = 2};
constexpr Signature kInfeasible{.owner = class_name(ClassId::SampleSet), .function = "infeasible", .names = {"rtol", "atol"},
                                .positional = 2};
constexpr Signature kLowest{.owner = class_name(ClassId::SampleSet), .function = "lowest", .names = {"rtol", "atol"},
                            .positional = 2};

struct Tolerances {
  double rtol = 1e-5;
  double atol = 1e-8;
};

Tolerances tolerances(const Arguments& arguments) {
  Tolerances out;
  if (arguments[0] != nullptr) out.rtol = convert_argument("rtol", [&] { return to_f64(arguments[0]); });
  if (arguments[1] != nullptr) out.atol = convert_argument("atol", [&] { return to_f64(arguments[1]); });
  return out;
}

}  // namespace

std::vector<std::size_t> feasible_indices(const FloatMap& violations, double rtol, double atol) {
  const std::vector<double> sums = summed_violations(violations);
  std::vector<std::size_t> out;
  for (std::size_t j = 0; j < sums.size(); ++j) {
    if (is_feasible(sums[j], rtol, atol)) out.push_back(j);
  }
  return out;
}

SampleSet select_rows(const SampleSet& set, const std::vector<std::size_t>& indices) {
  return SampleSet{select_record(set.record, indices), select_evaluation(set.evaluation, indices),
                   set.measuring_time, set.metadata};
}

PyRef sample_set_feasible(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFeasible, args, nargs, kwnames);
  Borrow<SampleSet> set = borrow<SampleSet>(self, ClassId::SampleSet);
  const Tolerances t = tolerances(arguments);
  if (set->evaluation.constraint_violations.empty()) return wrap_sample_set(*set);
  return wrap_sample_set(select_rows(*set, feasible_indices(set->evaluation.constraint_violations, t.rtol, t.atol)));
}

PyRef sample_set_infeasible(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kInfeasible, args, nargs, kwnames);
  Borrow<SampleSet> set = borrow<SampleSet>(self, ClassId::SampleSet);
  const Tolerances t = tolerances(arguments);
  std::vector<std::size_t> indices;
  if (!set->evaluation.constraint_violations.empty()) {
    const std::vector<double> sums = summed_violations(set->evaluation.constraint_violations);
    for (std::size_t j = 0; j < sums.size(); ++j) {
      if (!is_feasible(sums[j], t.rtol, t.atol)) indices.push_back(j);
    }
  }
  return wrap_sample_set(select_rows(*set, indices));
}

PyRef sample_set_lowest(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kLowest, args, nargs, kwnames);
  Borrow<SampleSet> set = borrow<SampleSet>(self, ClassId::SampleSet);
  const Tolerances t = tolerances(arguments);
  const std::vector<double>& objective = set->evaluation.objective;
  std::vector<std::size_t> feasible;
  if (set->evaluation.constraint_violations.empty()) {
    // Without violations every sample is feasible, as `feasible()` says: all objectives compete.
    feasible.resize(objective.size());
    std::iota(feasible.begin(), feasible.end(), std::size_t{0});
  } else {
    feasible = feasible_indices(set->evaluation.constraint_violations, t.rtol, t.atol);
  }
  double lowest = std::numeric_limits<double>::infinity();
  for (const std::size_t i : feasible) {
    if (i >= objective.size()) {
      raise(ErrorKind::Value, fmt::format("the objective has {} values, but sample {} is feasible",
                                          objective.size(), i));
    }
    lowest = std::fmin(lowest, objective[i]);  // a NaN operand is ignored
  }
  std::vector<std::size_t> selected;
  for (const std::size_t i : feasible) {
    if (objective[i] == lowest) selected.push_back(i);
  }
  return wrap_sample_set(select_rows(*set, selected));
}

}  // namespace zorvane
