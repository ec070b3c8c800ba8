// The samples of one solver result: a Record, an Evaluation and a MeasuringTime, with the
// selections (feasible, infeasible, lowest) and the joining that sample sets are made of.
#pragma once

#include <cstddef>
#include <vector>

#include "core/sample_set/evaluation.hpp"
#include "core/sample_set/measuring_time.hpp"
#include "core/sample_set/record.hpp"

namespace zorvane {

struct SampleData {
  Record record;
  Evaluation evaluation;
  MeasuringTime measuring_time;
};

/// Increasing indices of the samples whose summed violation is zero within the tolerances:
/// |v| * rtol + atol >= |v| for a finite sum v. ValueError for an empty map, or for violation or
/// penalty lists that do not each hold one value per sample (the samples are counted by the
/// longest of `num_occurrences`, `energy` and `objective`).
std::vector<std::size_t> feasible_indices(const SampleData& data, double rtol, double atol);
/// The other samples, in increasing order; none when there are no violations (then nothing is
/// checked). The same ValueErrors as `feasible_indices`.
std::vector<std::size_t> infeasible_indices(const SampleData& data, double rtol, double atol);
/// The feasible samples (all of them when there are no violations) whose objective is the
/// lowest among them, in increasing order. The ValueErrors of `feasible_indices` (without
/// violations, those of the penalty lists), and a ValueError when a feasible sample has no
/// objective.
std::vector<std::size_t> lowest_indices(const SampleData& data, double rtol, double atol);

/// The samples at `indices`, in that order; a list that an index does not fit falls back to
/// empty as a whole (record, evaluation, constraint_values). The forall rows are not per
/// sample and stay whole.
SampleData select_samples(const SampleData& data, const std::vector<std::size_t>& indices);

/// Appends the samples of `from` (sparse only: ValueError "Failed to extend the sparse solution
/// with the dense solution." otherwise) to `into`: lists of the same name are joined, the forall
/// rows are those of `from`.
void append_samples(SampleData& into, const SampleData& from);

}  // namespace zorvane
