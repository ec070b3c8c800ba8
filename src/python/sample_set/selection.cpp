// SampleSet.feasible, infeasible and lowest: the tolerances read from Python around the
// selections of the samples.
#include "python/sample_set/python_values.hpp"
#include "python/sample_set/sample_set.hpp"

namespace zorvane {
namespace {

constexpr Signature kFeasible = make_signature(class_name(ClassId::SampleSet), "feasible",
                                           {positional("rtol", "1e-5"), positional("atol", "1e-8")});
constexpr Signature kInfeasible = make_signature(class_name(ClassId::SampleSet), "infeasible",
                                             {positional("rtol", "1e-5"), positional("atol", "1e-8")});
constexpr Signature kLowest = make_signature(class_name(ClassId::SampleSet), "lowest",
                                         {positional("rtol", "1e-5"), positional("atol", "1e-8")});

struct Tolerances {
  double rtol = 1e-5;
  double atol = 1e-8;
};

// The three methods take the same parameters.
static_assert(kFeasible.param("rtol").index == kInfeasible.param("rtol").index &&
              kFeasible.param("rtol").index == kLowest.param("rtol").index);
static_assert(kFeasible.param("atol").index == kInfeasible.param("atol").index &&
              kFeasible.param("atol").index == kLowest.param("atol").index);

Tolerances tolerances(const Arguments& arguments) {
  constexpr Param kRtol = kFeasible.param("rtol");
  constexpr Param kAtol = kFeasible.param("atol");
  Tolerances out;
  if (arguments[kRtol] != nullptr) out.rtol = convert_argument(arguments, kRtol, to_f64);
  if (arguments[kAtol] != nullptr) out.atol = convert_argument(arguments, kAtol, to_f64);
  return out;
}

// The set of the samples at `indices`, sharing the metadata dict.
PyRef selected(const SampleSet& set, const std::vector<std::size_t>& indices) {
  return wrap_sample_set(SampleSet{select_samples(set, indices), set.metadata});
}

PyRef sample_set_feasible(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFeasible, args, nargs, kwnames);
  Borrow<SampleSet> set = borrow<SampleSet>(self, ClassId::SampleSet);
  const Tolerances t = tolerances(arguments);
  if (set->evaluation.constraint_violations.empty()) return wrap_sample_set(*set);
  return selected(*set, feasible_indices(*set, t.rtol, t.atol));
}

PyRef sample_set_infeasible(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kInfeasible, args, nargs, kwnames);
  Borrow<SampleSet> set = borrow<SampleSet>(self, ClassId::SampleSet);
  const Tolerances t = tolerances(arguments);
  return selected(*set, infeasible_indices(*set, t.rtol, t.atol));
}

PyRef sample_set_lowest(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kLowest, args, nargs, kwnames);
  Borrow<SampleSet> set = borrow<SampleSet>(self, ClassId::SampleSet);
  const Tolerances t = tolerances(arguments);
  return selected(*set, lowest_indices(*set, t.rtol, t.atol));
}

}  // namespace

PyMethodDef sample_set_feasible_method(const char* doc) { return fastcall_method<sample_set_feasible>(kFeasible, doc); }
PyMethodDef sample_set_infeasible_method(const char* doc) {
  return fastcall_method<sample_set_infeasible>(kInfeasible, doc);
}
PyMethodDef sample_set_lowest_method(const char* doc) { return fastcall_method<sample_set_lowest>(kLowest, doc); }

}  // namespace zorvane
