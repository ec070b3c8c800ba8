// Feasibility, the lowest samples, the row selection that builds their sets, and joining.
#include "core/sample_set/sample_data.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

#include <fmt/format.h>

#include "core/error.hpp"
#include "core/interrupt.hpp"

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

// The number of samples a set holds: its longest per-sample list outside the violations (a
// record or an evaluation may be short; the selection falls back to empty for those).
std::size_t sample_count(const SampleData& data) {
  return std::max({data.record.num_occurrences.size(), data.evaluation.energy.size(),
                   data.evaluation.objective.size()});
}

constexpr const char* kOutOfBounds = "ShapeError/OutOfBounds: out of bounds indexing";
constexpr const char* kIncompatible = "ShapeError/IncompatibleShape: incompatible shapes";

// A list that should hold `length` values: shorter is out of bounds, longer an incompatible shape.
void require_length(std::size_t size, std::size_t length) {
  if (size < length) raise(ErrorKind::Value, kOutOfBounds);
  if (size > length) raise(ErrorKind::Value, kIncompatible);
}

// The violations of all constraints, summed per sample. Each list must hold one value per sample
// (lists joined from sets with other constraints may not). The total count decides the error
// first; otherwise the first list whose length differs from the first list's, then a first list
// whose length differs from the number of samples.
std::vector<double> summed_violations(const FloatMap& violations, std::size_t samples) {
  if (violations.empty()) raise(ErrorKind::Value, "constraint violation is empty");
  const std::size_t length = violations.begin()->second.size();
  std::size_t total = 0;
  for (const auto& [name, values] : violations) total += values.size();
  // Every list is in memory, so K x N cannot overflow where the total is smaller.
  const std::size_t expected = violations.size() * length;
  if (total < expected) raise(ErrorKind::Value, kOutOfBounds);
  if (total > expected) raise(ErrorKind::Value, kIncompatible);
  for (const auto& [name, values] : violations) require_length(values.size(), length);
  require_length(length, samples);
  std::vector<double> sums(length, 0.0);
  InterruptPoll poll;
  for (const auto& [name, values] : violations) {
    for (std::size_t j = 0; j < length; ++j) {
      sums[j] += values[j];
      poll.tick();
    }
  }
  return sums;
}

// The penalty lists are selected with the samples, and one that an index does not fit would
// empty the whole evaluation: each must hold one value per sample, as the violation lists do.
void require_penalty_per_sample(const SampleData& data) {
  const std::size_t samples = sample_count(data);
  for (const auto& [name, values] : data.evaluation.penalty) require_length(values.size(), samples);
}

// The summed violations of a set whose violation and penalty lists hold one value per sample.
std::vector<double> checked_sums(const SampleData& data) {
  std::vector<double> sums = summed_violations(data.evaluation.constraint_violations, sample_count(data));
  require_penalty_per_sample(data);
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

// Appends every list of `from` to the list of the same name in `into` (created if absent).
template <class T>
void merge_lists(std::map<std::string, std::vector<T>>& into, const std::map<std::string, std::vector<T>>& from) {
  for (const auto& [name, list] : from) {
    std::vector<T>& target = into[name];
    target.insert(target.end(), list.begin(), list.end());
  }
}

template <class T>
void append(std::vector<T>& into, const std::vector<T>& from) {
  into.insert(into.end(), from.begin(), from.end());
}

}  // namespace

std::vector<std::size_t> feasible_indices(const SampleData& data, double rtol, double atol) {
  const std::vector<double> sums = checked_sums(data);
  std::vector<std::size_t> out;
  for (std::size_t j = 0; j < sums.size(); ++j) {
    if (is_feasible(sums[j], rtol, atol)) out.push_back(j);
  }
  return out;
}

std::vector<std::size_t> infeasible_indices(const SampleData& data, double rtol, double atol) {
  std::vector<std::size_t> out;
  if (data.evaluation.constraint_violations.empty()) return out;
  const std::vector<double> sums = checked_sums(data);
  for (std::size_t j = 0; j < sums.size(); ++j) {
    if (!is_feasible(sums[j], rtol, atol)) out.push_back(j);
  }
  return out;
}

std::vector<std::size_t> lowest_indices(const SampleData& data, double rtol, double atol) {
  const std::vector<double>& objective = data.evaluation.objective;
  std::vector<std::size_t> feasible;
  if (data.evaluation.constraint_violations.empty()) {
    // Without violations every sample is feasible, as `feasible()` says: all objectives compete.
    require_penalty_per_sample(data);
    feasible.resize(objective.size());
    std::iota(feasible.begin(), feasible.end(), std::size_t{0});
  } else {
    feasible = feasible_indices(data, rtol, atol);
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
  return selected;
}

SampleData select_samples(const SampleData& data, const std::vector<std::size_t>& indices) {
  return SampleData{select_record(data.record, indices), select_evaluation(data.evaluation, indices),
                    data.measuring_time};
}

void append_samples(SampleData& into, const SampleData& from) {
  const auto* sparse = std::get_if<SparseSolution>(&from.record.solution);
  if (sparse == nullptr) raise(ErrorKind::Value, "Failed to extend the sparse solution with the dense solution.");
  merge_lists(std::get<SparseSolution>(into.record.solution), *sparse);
  append(into.record.num_occurrences, from.record.num_occurrences);
  Evaluation& evaluation = into.evaluation;
  append(evaluation.energy, from.evaluation.energy);
  append(evaluation.objective, from.evaluation.objective);
  merge_lists(evaluation.constraint_violations, from.evaluation.constraint_violations);
  evaluation.constraint_forall = from.evaluation.constraint_forall;
  append(evaluation.constraint_values, from.evaluation.constraint_values);
  merge_lists(evaluation.penalty, from.evaluation.penalty);
}

}  // namespace zorvane
