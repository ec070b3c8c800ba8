// The text `SampleSet.to_json` writes (the dict form as JSON), written and read without building
// the Python dicts in between. Only the sparse shape is read here; the caller reads any other
// text the general way, which words every error.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/json/event.hpp"
#include "core/sample_set/sample_data.hpp"

namespace zorvane {

/// Dense arrays with more axes than this are not written here (NumPy's limit differs between
/// versions; the caller writes them the general way).
inline constexpr std::size_t kMaxWrittenAxes = 32;

/// Whether `sample_set_json_head` writes these samples (no dense array beyond kMaxWrittenAxes).
bool writes_natively(const SampleData& data) noexcept;

/// The dict-form text up to the metadata value, as orjson writes the dict form:
/// `{"record":...,"evaluation":...,"measuring_time":...,"metadata":`, each value as
/// `json::SampleForm::Dict` writes it (forall rows of unequal lengths raise its TypeError).
std::string sample_set_json_head(const SampleData& data);

/// The samples of a sparse set's JSON text, read as its dict form reads them (an integer in a
/// float field becomes a float, so "-0" gives 0.0), and in `metadata` the slice of `text`
/// holding the metadata object (empty when absent); null in a list of floats is NaN. Nothing for
/// any other text: dense solutions, unknown or repeated keys, other nulls outside the times, and
/// texts with errors. A plain text (`json::read_plain`: valid, without escapes, with numbers that
/// fit a double and nested at most `json::kDepthLimit` deep, so that any JSON reader reads it
/// without an error) that is not read here leaves its events in `plain_events`, when given, so
/// that the caller can make its value without reading it again; otherwise it is left empty.
std::optional<SampleData> read_sample_set_json(std::string_view text, std::string_view& metadata,
                                               json::EventList* plain_events = nullptr);

}  // namespace zorvane
