// SampleSet.get_backend_calculation_time: a nested report of the elapsed seconds of the trace
// spans that a solving service records in the metadata. Three embedded Python sources (each
// compiled once, on first use) do the work; the native side finds the root spans, calls them in
// order and merges their results.
#include "python/sample_set/python_values.hpp"
#include "python/sample_set/sample_set.hpp"

namespace zorvane {
namespace {

constexpr const char* kTimedeltaSource = R"py(import datetime as dt


def timedelta(start, end):
    start = dt.datetime.strptime(start, "%Y-%m-%dT%H:%M:%S.%fZ")
    end = dt.datetime.strptime(end, "%Y-%m-%dT%H:%M:%S.%fZ")
    return (end - start).total_seconds()


def get_timedelta_by_span(obj, res = None):
    if res is None:
        res = {}
    for k, v in obj.items():
        if isinstance(v, dict):
            if "start_time" in v:
                res[k] = {
                    "time": timedelta(v["start_time"], v["end_time"]),
                    "span_id": v["context"]["span_id"],
                    "parent_id": v["parent_id"],
                }
            else:
                res[k] = get_timedelta_by_span(v, {})
    return res
)py";

constexpr const char* kAggregateSource = R"py(def aggregate(obj, root_key, res = None):
    if res is None:
        v = obj.pop(root_key, None)
        if v is None:
            return {}
        res = {root_key: {"id": v["span_id"], "time": v["time"]}}
    for v_res in res.values():
        time_map = {
            k: {"id": v["span_id"], "time": v["time"]}
            for k, v in obj.items()
            if v.get("parent_id", "") == v_res["id"]
        }
        if time_map:
            del v_res["id"]
            del v_res["time"]
            v_res.update(aggregate(obj, root_key, time_map))
        else:
            del v_res["id"]
    return res
)py";

constexpr const char* kReformatSource = R"py(def reformat(obj):
    for k, v in obj.items():
        if isinstance(v, dict):
            if "time" in v:
                obj[k] = v["time"]
            else:
                obj[k] = reformat(v)
    return obj
)py";

// Keys of the entries whose value is a dict with "parent_id" None or "".
std::vector<PyRef> root_span_keys(PyObject* metadata) {
  // A held snapshot of the entries: looking up "parent_id" may run Python code (`__eq__` of
  // keys), which may change or drop them.
  const DictEntries entries = dict_entries(metadata);
  PyRef parent_key = new_str("parent_id");
  std::vector<PyRef> roots;
  for (const auto& [key, value] : entries) {
    if (!PyDict_Check(value.get())) continue;
    PyRef parent_id = PyRef::borrow(PyDict_GetItemWithError(value.get(), parent_key.get()));
    if (!parent_id) {
      if (PyErr_Occurred()) throw PythonError{};
      continue;
    }
    const bool root = parent_id.get() == Py_None ||
                      (PyUnicode_Check(parent_id.get()) && PyUnicode_GET_LENGTH(parent_id.get()) == 0);
    if (!root) continue;
    if (!PyUnicode_Check(key.get())) raise(ErrorKind::Type, cannot_convert_message(key.get(), "PyString"));
    roots.push_back(key);
  }
  return roots;
}

PyRef require_dict(PyRef object) {
  check_dict(object.get());
  return object;
}

}  // namespace

PyRef sample_set_backend_calculation_time(PyObject* self) {
  Borrow<SampleSet> set = borrow<SampleSet>(self, ClassId::SampleSet);
  PyObject* metadata = set->metadata.get();
  static SourceFunction timedelta_by_span(kTimedeltaSource, "get_timedelta_by_span");
  static SourceFunction aggregate(kAggregateSource, "aggregate");
  static SourceFunction reformat(kReformatSource, "reformat");
  PyRef report = new_dict();
  for (const PyRef& root : root_span_keys(metadata)) {
    // Fresh summaries for every root: `aggregate` removes entries from the dict it is given.
    PyRef spans = require_dict(call(timedelta_by_span.get(), {metadata}));
    PyRef key = new_str(to_utf8(root.get()));
    PyRef aggregated = require_dict(call(aggregate.get(), {spans.get(), key.get()}));
    PyRef reformatted = require_dict(call(reformat.get(), {aggregated.get()}));
    if (PyDict_Update(report.get(), reformatted.get()) < 0) throw PythonError{};
  }
  return report;
}

}  // namespace zorvane
