// concatenate(sample_sets): joins sparse sample sets, samples of the first set first.
#include "python/functions/functions.hpp"
#include "python/sample_set/python_values.hpp"
#include "python/sample_set/sample_set.hpp"

namespace zorvane::sample_sets {
namespace {

constexpr Signature kConcatenate{.function = "concatenate", .names = {"sample_sets"}, .positional = 1,
                                 .required_positional = 1};

std::vector<SampleSet> to_sample_sets(PyObject* object) {
  std::vector<SampleSet> sets;
  for_each_sequence_item(object, [&](PyRef item) {
    sets.push_back(*borrow<SampleSet>(item.get(), ClassId::SampleSet));
  });
  return sets;
}

}  // namespace

PyRef concatenate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kConcatenate, args, nargs, kwnames);
  std::vector<SampleSet> sets =
      convert_argument(arguments, kConcatenate.param("sample_sets"), to_sample_sets);
  if (sets.empty()) raise(ErrorKind::Value, "empty list is invalid");
  if (sets.size() == 1) return wrap_sample_set(std::move(sets.front()));
  SampleSet joined{SampleData{}, new_dict()};
  for (const SampleSet& set : sets) append_samples(joined, set);
  return wrap_sample_set(std::move(joined));
}

}  // namespace zorvane::sample_sets
