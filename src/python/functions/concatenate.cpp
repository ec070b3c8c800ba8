// concatenate(sample_sets): joins sparse sample sets, samples of the first set first.
#include "python/functions/functions.hpp"
#include "python/sample_set/python_values.hpp"
#include "python/sample_set/sample_set.hpp"

namespace zorvane::sample_sets {
namespace {

std::vector<SampleSet> to_sample_sets(PyObject* object) {
  std::vector<SampleSet> sets;
  for_each_sequence_item(object, [&](PyRef item) {
    sets.push_back(*borrow<SampleSet>(item.get(), ClassId::SampleSet));
  });
  return sets;
}

}  // namespace

PyRef concatenate(const Arguments& arguments) {
  constexpr Param kSampleSets = parameter<concatenate>("sample_sets");
  std::vector<SampleSet> sets = convert_argument(arguments, kSampleSets, to_sample_sets);
  if (sets.empty()) raise(ErrorKind::Value, "empty list is invalid");
  if (sets.size() == 1) return wrap_sample_set(std::move(sets.front()));
  SampleSet joined{SampleData{}, new_dict()};
  for (const SampleSet& set : sets) append_samples(joined, set);
  return wrap_sample_set(std::move(joined));
}

}  // namespace zorvane::sample_sets
