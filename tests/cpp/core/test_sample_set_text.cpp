// The text `SampleSet.to_json` writes for a sparse set is read without the general reader, and
// the metadata slice is its object exactly; every other shape is left to the general reader.
#include <cassert>
#include <cmath>
#include <string>
#include <string_view>

#include "core/sample_set/sample_set_json.hpp"

using namespace zorvane;

namespace {

const std::string kSet =
    R"({"record":{"solution":{"x":[[[[0,1]],[1.0,2.0],[2]]]},"num_occurrences":[1]},)"
    R"("evaluation":{"energy":[-0],"objective":[1.5],"constraint_violations":{"c":[0.0]},)"
    R"("constraint_forall":{"c":[[0]]},"constraint_values":[{"c":[1.0]}],"penalty":{}},)"
    R"("measuring_time":{"solve":{"solve":null},"system":{},"total":2.0})";

std::string with_metadata(const std::string& metadata) { return kSet + R"(,"metadata":)" + metadata + "}"; }

bool reads(const std::string& text) {
  std::string_view metadata;
  return read_sample_set_json(text, metadata).has_value();
}

}  // namespace

int main() {
  std::string_view metadata = "unset";
  const auto data = read_sample_set_json(kSet + "}", metadata);
  assert(data && metadata.empty());
  assert(!std::signbit(data->evaluation.energy.at(0)));  // the int 0, as the dict form reads it
  assert(std::get<SparseSolution>(data->record.solution).at("x").at(0).shape.at(0) == 2);
  assert(data->measuring_time.total == 2.0 && !data->measuring_time.solve.solve);

  // The slice, whichever way the text was read (escapes go to RapidJSON).
  for (const std::string object : {R"({})", R"({"a":[1,{"b":{}}]})", R"({ "a" : "\u00e9\"}" })"}) {
    const std::string text = with_metadata(object);
    assert(read_sample_set_json(text, metadata) && metadata == object);
    assert(read_sample_set_json(" \n" + text + "\t", metadata) && metadata == object);
  }

  const std::string others[] = {
      with_metadata("[]"), with_metadata("null"), with_metadata("{}") + "x", kSet,
      with_metadata(R"({}, "other": 1)"), with_metadata(R"({}, "record": {})"),
      R"({"record":{},"evaluation":{}})",
      with_metadata(R"({}, "record": {"solution":{"x":[[1.0,2.0]]}})"),  // dense lists
      with_metadata(R"({}, "record": {"num_occurrences":[1.0]})"),
      with_metadata(R"({}, "record": {"num_occurrences":[-1]})"),
      with_metadata(R"({}, "record": {"solution":{"x":[],"x":[]}})"),
      with_metadata(R"({}, "measuring_time": {"solve":null})"),
      with_metadata(R"({}, "measuring_time": {"total":true})"),
  };
  for (const std::string& text : others) assert(!reads(text));
  return 0;
}
