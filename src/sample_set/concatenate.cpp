// concatenate(sample_sets): joins sparse sample sets, samples of the first set first.
#include "sample_set/sample_set.hpp"

namespace zorvane {
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

void append_set(SampleSet& into, const SampleSet& set) {
  const auto* sparse = std::get_if<SparseSolution>(&set.record.solution);
  if (sparse == nullptr) raise(ErrorKind::Value, "Failed to extend the sparse solution with the dense solution.");
  merge_lists(std::get<SparseSolution>(into.record.solution), *sparse);
  append(into.record.num_occurrences, set.record.num_occurrences);
  Evaluation& evaluation = into.evaluation;
  append(evaluation.energy, set.evaluation.energy);
  append(evaluation.objective, set.evaluation.objective);
  merge_lists(evaluation.constraint_violations, set.evaluation.constraint_violations);
  evaluation.constraint_forall = set.evaluation.constraint_forall;
  append(evaluation.constraint_values, set.evaluation.constraint_values);
  merge_lists(evaluation.penalty, set.evaluation.penalty);
}

PyRef concatenate(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kConcatenate, args, nargs, kwnames);
  std::vector<SampleSet> sets = convert_argument("sample_sets", [&] { return to_sample_sets(arguments[0]); });
  if (sets.empty()) raise(ErrorKind::Value, "empty list is invalid");
  if (sets.size() == 1) return wrap_sample_set(std::move(sets.front()));
  SampleSet joined{Record{}, Evaluation{}, MeasuringTime{}, new_dict()};
  for (const SampleSet& set : sets) append_set(joined, set);
  return wrap_sample_set(std::move(joined));
}

}  // namespace

PyObject* concatenate_entry(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return guard_object([&] { return concatenate(args, nargs, kwnames); });
}

}  // namespace zorvane
