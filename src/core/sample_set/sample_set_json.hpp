// Reading the text `SampleSet.to_json` writes (the dict form as JSON) without building the
// Python dicts in between. Only that shape is read here; the caller reads any other text the
// general way, which words every error.
#pragma once

#include <optional>
#include <string_view>

#include "core/sample_set/sample_data.hpp"

namespace zorvane {

/// The samples of a sparse set's JSON text, read as its dict form reads them (an integer in a
/// float field becomes a float, so "-0" gives 0.0), and in `metadata` the slice of `text`
/// holding the metadata object (empty when absent). Nothing for any other text: dense
/// solutions, unknown or repeated keys, nulls outside the times, and texts with errors.
std::optional<SampleData> read_sample_set_json(std::string_view text, std::string_view& metadata);

}  // namespace zorvane
