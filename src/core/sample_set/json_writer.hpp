// The JSON text of each sample-set value, one writer per value for both texts it appears in: its
// class's own `to_json` and the dict form that `SampleSet.to_json` writes.
#pragma once

#include <cstdint>
#include <string>

#include "core/sample_set/evaluation.hpp"
#include "core/sample_set/measuring_time.hpp"
#include "core/sample_set/record.hpp"

namespace zorvane::json {

/// Both texts write fields in declaration order, names in name order and sparse entries as
/// [indices per axis, values, shape].
enum class SampleForm : std::uint8_t {
  /// A class's own `to_json`: floats in FloatStyle::Plain, a record's solution tagged with its
  /// kind ({"Sparse":{...}}), a dense array as {"v":1,"dim":[...],"data":[...]}.
  Class,
  /// The dict form as orjson writes it: floats in FloatStyle::SignedExponent, the solution
  /// untagged, a dense array as the nested lists of numpy's `tolist()`, and the rows of a forall
  /// list as a matrix (a numpy array in the dict form): a row whose length differs from the first
  /// row's raises TypeError "invalid length: N, but expected M".
  Dict,
};

void append_sample_value(std::string& out, const Record& value, SampleForm form);
void append_sample_value(std::string& out, const Evaluation& value, SampleForm form);
void append_sample_value(std::string& out, const SolvingTime& value, SampleForm form);
void append_sample_value(std::string& out, const SystemTime& value, SampleForm form);
void append_sample_value(std::string& out, const MeasuringTime& value, SampleForm form);

}  // namespace zorvane::json
