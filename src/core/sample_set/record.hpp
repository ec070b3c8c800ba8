// Record: the sampled solutions of one problem, sparse or dense, and how often each sample was
// observed. Sample i is entry i of every variable's list and num_occurrences[i].
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "core/sample_set/dense_array.hpp"
#include "core/sample_set/json_reader.hpp"

namespace zorvane {

/// One sparse array: entry k of axis list a is the coordinate on axis a of the k-th stored
/// value. Nothing ties the fields together until the array is made dense.
struct CooFormat {
  std::vector<std::vector<std::uint64_t>> non_zero_indices;
  std::vector<double> non_zero_values;
  std::vector<std::uint64_t> shape;
};

/// Variable name (ordered by bytes) to one entry per sample.
using SparseSolution = std::map<std::string, std::vector<CooFormat>>;
using DenseSolution = std::map<std::string, std::vector<DenseArray>>;
/// Tag order: Sparse 0, Dense 1.
using RecordSolution = std::variant<SparseSolution, DenseSolution>;

struct Record {
  RecordSolution solution;
  std::vector<std::uint64_t> num_occurrences;
};

inline bool is_dense(const Record& record) noexcept { return record.solution.index() == 1; }

bool coo_eq(const CooFormat& a, const CooFormat& b) noexcept;
/// Same shape and IEEE-equal elements.
bool dense_eq(const DenseArray& a, const DenseArray& b) noexcept;
bool record_eq(const Record& a, const Record& b) noexcept;
void append_record_text(std::string& out, const Record& record);
void append_dense_text(std::string& out, const DenseArray& array);

/// Dense arrays have at most this many axes (numpy 2's limit; numpy 1.x arrays have 32).
inline constexpr std::size_t kMaxDenseAxes = 64;
/// "dim [a, b, ...] has more than 64 axes": the ValueError text of a shape beyond kMaxDenseAxes.
std::string too_many_axes_text(std::span<const std::uint64_t> shape);

/// A zero-filled dense array of `shape`. Refused unless a numpy array can have that shape (at
/// most 64 axes, every length and the byte size within a signed size: MemoryError or ValueError
/// texts), so its data always holds one value per element (a product that wrapped would not).
DenseArray new_dense_array(std::span<const std::uint64_t> shape);

// Conversions between the forms.
DenseArray sparse_to_dense_array(const CooFormat& coo);
CooFormat dense_to_sparse_array(const DenseArray& array);
Record record_to_dense(const Record& record);
Record record_to_sparse(const Record& record);
Record read_record_json(json::Cursor& cursor);

}  // namespace zorvane
