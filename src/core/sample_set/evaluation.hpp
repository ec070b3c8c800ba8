// Evaluation: what a solver reports about each sample (energy, objective, per-constraint
// violations, penalties and values) and the index rows of each constraint's forall list.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/sample_set/json_reader.hpp"

namespace zorvane {

/// Constraint name (ordered by bytes) to one float per sample (or per index row).
using FloatMap = std::map<std::string, std::vector<double>>;
/// Constraint name to its index rows, one row per element of its forall list.
using ForallMap = std::map<std::string, std::vector<std::vector<std::uint64_t>>>;

/// No lengths are tied together: every list and map is stored as given.
struct Evaluation {
  std::vector<double> energy;
  std::vector<double> objective;
  FloatMap constraint_violations;
  ForallMap constraint_forall;
  std::vector<FloatMap> constraint_values;  ///< one map per sample
  FloatMap penalty;
};

/// IEEE equality field by field (a NaN anywhere makes two values unequal).
bool evaluation_eq(const Evaluation& a, const Evaluation& b) noexcept;
void append_evaluation_text(std::string& out, const Evaluation& value);
Evaluation read_evaluation_json(json::Cursor& cursor);

}  // namespace zorvane
