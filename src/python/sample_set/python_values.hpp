// Conversions between Python objects and the plain values of the sample-set classes, the
// collector pause of bulk builders, and the pandas calls.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/interrupt.hpp"
#include "core/json/event.hpp"
#include "python/frame/frame.hpp"

namespace zorvane {

// ---- Python to values ----

/// The interpreter's float conversion (float, int, `__float__`).
double to_f64(PyObject* object);
/// None gives an absent value, anything else the float conversion.
std::optional<double> to_optional_f64(PyObject* object);
/// A non-str sequence, item by item: a str raises TypeError "Can't extract `str` to `Vec`", a
/// non-sequence the conversion TypeError naming "Sequence". `item` gets a strong reference.
template <class F>
void for_each_sequence_item(PyObject* sequence, F&& item);
/// What None is in a list of floats. The JSON image that `SampleSet.from_json` reads holds None
/// where the writer put null for NaN or an infinity; everywhere else the float conversion refuses
/// it.
enum class NoneItems : std::uint8_t { Refused, AsNaN };
std::vector<double> to_f64_list(PyObject* object, NoneItems none = NoneItems::Refused);
std::vector<std::uint64_t> to_u64_list(PyObject* object);
/// A dict of str to values converted by `convert`, stored in name order (a non-dict or a
/// non-str key raise the conversion TypeError naming "PyDict" / "PyString").
template <class T, class F>
std::map<std::string, T> to_name_map(PyObject* object, F&& convert);
/// `dict[key]` as a strong reference, or null when absent.
PyRef dict_item(PyObject* dict, const char* key);
/// TypeError "'<type>' object cannot be converted to 'PyDict'" unless `object` is a dict.
void check_dict(PyObject* object);
/// The text of a `json` argument (a str, else the prefixed conversion TypeError), valid while
/// the argument lives.
std::string_view json_argument(PyObject* object);

// ---- values to Python ----

PyRef py_float(double value);
PyRef py_optional_float(const std::optional<double>& value);
PyRef py_u64(std::uint64_t value);
PyRef py_float_list(std::span<const double> values);
PyRef py_u64_list(std::span<const std::uint64_t> values);
PyRef py_bool(bool value);
PyRef new_dict();
void dict_set(PyObject* dict, const char* key, PyObject* value);
void dict_set(PyObject* dict, std::string_view key, PyObject* value);
void dict_set(PyObject* dict, PyObject* key, PyObject* value);
PyRef new_list(std::size_t size);
/// Stores `item` at `index` of a list made by `new_list`.
void list_set(PyObject* list, std::size_t index, PyRef item);

/// Pauses the cyclic garbage collector over a stretch that makes many objects (a table, a dict
/// form) and runs no Python code: our own building of lists, dicts and numpy arrays. The tens of
/// thousands of lists and dicts would otherwise trigger thousands of young and several full
/// collections, each full one walking every object of the process. The switch is the whole
/// interpreter's, so a pause may only cover code that keeps this thread holding the interpreter
/// lock: then no other thread runs and sees it, no Python code turns the collector on or off
/// meanwhile, and no fork happens inside it. Imports, pandas and any replaceable Python function
/// run outside; a call that runs Python code only to raise (numpy's memory error) runs `lifted`.
/// Only the outermost pause switches the collector; it restores what it found, or what a lifted
/// call left.
///
/// The active pause is one for the process, not per thread (a thread-local block would be
/// allocated on first use, and glibc aborts when that fails): another thread can only run inside
/// a lifted call, where no pause is active, and a thread sets its own again when the call returns.
class CollectorPaused {
 public:
  CollectorPaused() noexcept : outermost_(active_ == nullptr) {
    if (!outermost_) return;
    resume_ = PyGC_Disable() == 1;
    active_ = this;
  }
  CollectorPaused(const CollectorPaused&) = delete;
  CollectorPaused& operator=(const CollectorPaused&) = delete;
  ~CollectorPaused() {
    if (!outermost_) return;
    active_ = nullptr;
    if (resume_ && may_release_objects()) PyGC_Enable();
  }

  /// Runs `call` with the collector as the caller of the active pause set it: Python code it runs
  /// (and another thread it lets in) finds no pause, and a switch it makes is kept.
  template <class F>
  static decltype(auto) lifted(F&& call) {
    struct Lift {
      CollectorPaused* pause = std::exchange(active_, nullptr);
      Lift() noexcept {
        if (pause != nullptr && pause->resume_) PyGC_Enable();
      }
      Lift(const Lift&) = delete;
      Lift& operator=(const Lift&) = delete;
      ~Lift() {
        if (pause == nullptr || !may_release_objects()) return;
        pause->resume_ = PyGC_Disable() == 1;
        active_ = pause;
      }
    } lift;
    return call();
  }

 private:
  static inline CollectorPaused* active_ = nullptr;
  bool outermost_;
  bool resume_ = false;
};

/// Whether `function` is the C function `module.name` itself (orjson's own `loads`), not a
/// Python function or another module's function put in its place.
bool is_c_function(PyObject* function, const char* module, const char* name);

/// The Python value of a plain JSON text read into `list`, as orjson reads such a text: dicts (a
/// repeated key keeps its first place and its last value), lists, str, int for an integer that
/// fits 64 bits, float for any other number, bool and None. Runs no Python code.
PyRef json_value(const json::EventList& list);

/// The str of each name that a conversion puts in its dicts, made once per name per conversion
/// (and hashed once). Names are looked up by content: the views must outlive the cache. Samples
/// mostly repeat the same names in the same order, so the name after the last one found is
/// tried first, without hashing.
class NameStrings {
 public:
  /// Borrowed: valid while the cache lives.
  PyObject* operator()(std::string_view name) {
    if (next_ == strings_.size()) next_ = 0;
    if (next_ < strings_.size() && strings_[next_].first == name) return strings_[next_++].second.get();
    return find(name);
  }

 private:
  PyObject* find(std::string_view name);

  std::vector<std::pair<std::string_view, PyRef>> strings_;  // in the order first met
  std::unordered_map<std::string_view, std::size_t> index_;
  std::size_t next_ = 0;
};

// ---- pandas and embedded Python sources ----

/// pandas' functions that make tables, looked up (pandas imported) before a table is built. They
/// run Python code: they are called outside any pause.
struct Pandas {
  PyRef from_dict;  // pandas.DataFrame.from_dict
  PyRef concat;
  static Pandas import();
};
/// A function that a small Python source defines: the source is compiled (file mode, empty file
/// name) and run as a fresh module with an empty name on first use; the function is kept for the
/// life of the process. A failure is raised and tried again on the next use.
class SourceFunction {
 public:
  constexpr SourceFunction(const char* source, const char* name) noexcept : source_(source), name_(name) {}
  SourceFunction(const SourceFunction&) = delete;
  /// Borrowed.
  PyObject* get();

 private:
  const char* source_;
  const char* name_;
  PyObject* function_ = nullptr;  // never released: it lives as long as the module
};
/// Calls `function(args...)`.
PyRef call(PyObject* function, std::initializer_list<PyObject*> args);

// ---- implementation of the templates ----

[[noreturn]] void raise_str_to_vec();
void check_sequence(PyObject* object);
/// A list's items, each held: unlike a copy of the list, the vector is out of reach of Python
/// code (`gc.get_objects()` finds every list).
std::vector<PyRef> list_items(PyObject* list);
/// A dict's (key, value) pairs in its order, each held, out of reach of Python code.
using DictEntries = std::vector<std::pair<PyRef, PyRef>>;
DictEntries dict_entries(PyObject* dict);
/// RuntimeError "<what> changed size during iteration" / "<what> changed during iteration"
/// (an `Error` of kind Runtime) unless `list` still holds exactly `items`.
void check_list_unchanged(PyObject* list, const std::vector<PyRef>& items, const char* what);
/// The same for a dict and the entries taken before.
void check_dict_unchanged(PyObject* dict, const DictEntries& entries);

// A conversion may run Python code (`__float__`, `__index__`, a dtype property), and so may the
// interrupt poll (signal handlers), which can change or drop any container being read. The walk
// therefore holds the container and every item it hands out or will hand out: lists and dicts
// are read from a held snapshot of their items, and a container that changed meanwhile is
// refused with RuntimeError instead of yielding a value mixed from its old and new contents.
template <class F>
void for_each_sequence_item(PyObject* sequence, F&& item) {
  check_sequence(sequence);
  const PyRef held = PyRef::borrow(sequence);  // the caller's reference may be dropped meanwhile
  InterruptPoll poll;
  if (PyTuple_Check(sequence)) {  // items of a held tuple stay
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(sequence); ++i) {
      poll.tick();
      item(PyRef::borrow(PyTuple_GET_ITEM(sequence, i)));
    }
    return;
  }
  if (PyList_Check(sequence)) {
    const std::vector<PyRef> items = list_items(sequence);
    for (const PyRef& each : items) {
      poll.tick();
      item(each);
    }
    check_list_unchanged(sequence, items, "list");
    return;
  }
  PyRef iterator = checked(PyObject_GetIter(sequence));
  while (PyObject* next = PyIter_Next(iterator.get())) {
    PyRef each = PyRef::steal(next);
    poll.tick();
    item(std::move(each));
  }
  if (PyErr_Occurred()) throw PythonError{};
}

/// Calls `item(key, value)` for each entry of a dict, in its order, from a held snapshot of its
/// entries; a dict changed meanwhile raises RuntimeError (see above).
template <class F>
void for_each_dict_item(PyObject* dict, F&& item) {
  const PyRef held = PyRef::borrow(dict);
  const DictEntries entries = dict_entries(dict);
  InterruptPoll poll;
  for (const auto& [key, value] : entries) {
    poll.tick();
    item(key.get(), value.get());
    if (std::size_t(PyDict_GET_SIZE(dict)) != entries.size()) check_dict_unchanged(dict, entries);  // raises early
  }
  check_dict_unchanged(dict, entries);
}

template <class T, class F>
std::map<std::string, T> to_name_map(PyObject* object, F&& convert) {
  check_dict(object);
  std::map<std::string, T> out;
  for_each_dict_item(object, [&](PyObject* key, PyObject* value) {
    std::string name = to_utf8(key);
    out.insert_or_assign(std::move(name), convert(value));
  });
  return out;
}

}  // namespace zorvane
