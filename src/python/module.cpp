// Module start-up: created once per process, by the main interpreter, then filled in
// registration order.
#include <atomic>
#include <deque>
#include <new>
#include <stdexcept>
#include <string>

#include "core/interrupt.hpp"
#include "python/docs.hpp"
#include "python/frame/exceptions.hpp"
#include "python/frame/frame.hpp"
#include "python/function_id.hpp"
#include "python/registry.hpp"

namespace zorvane {
namespace {

constexpr const char* kVersion = "1.0.0-rc6";

// Set by the creation that fills a module; cleared again when the fill fails.
std::atomic<bool> g_created{false};

// Appends `name` to `__all__` (creating the list on first use), then sets the attribute.
void add_member(PyObject* module, const char* name, PyObject* value) {
  PyRef all = PyRef::steal(PyObject_GetAttrString(module, "__all__"));
  if (!all) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw PythonError{};
    PyErr_Clear();
    all = checked(PyList_New(0));
    if (PyObject_SetAttrString(module, "__all__", all.get()) < 0) throw PythonError{};
  }
  if (!PyList_Check(all.get())) raise(ErrorKind::Type, cannot_convert_message(all.get(), "PyList"));
  PyRef text = checked(PyUnicode_FromString(name));
  if (PyList_Append(all.get(), text.get()) < 0) throw PythonError{};
  if (PyObject_SetAttrString(module, name, value) < 0) throw PythonError{};
}

void add_function(PyObject* module, const FunctionDef& function) {
  // Method tables must outlive the function objects, which live for the whole process.
  static std::deque<PyMethodDef> defs;
  const Signature& sig = signature_of(function.id);
  const char* doc = signature_doc(sig.function, sig, Receiver::None, docs::kFunctionDocs[std::size_t(function.id)]);
  if (doc == nullptr) throw std::bad_alloc();
  defs.push_back({sig.function, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function.entry)),
                  METH_FASTCALL | METH_KEYWORDS, doc});
  PyRef module_name = checked(PyUnicode_FromString("zorvane"));
  PyRef object = checked(PyCFunction_NewEx(&defs.back(), module, module_name.get()));
  PyRef name = checked(PyObject_GetAttrString(object.get(), "__name__"));
  const char* text = PyUnicode_AsUTF8(name.get());
  if (text == nullptr) throw PythonError{};
  add_member(module, text, object.get());
}

// Runs pending signal handlers (Ctrl-C) for long native loops; a raising handler stops the loop.
void check_signals() {
  if (PyErr_CheckSignals() != 0) throw PythonError{};
}

void fill(PyObject* module) {
  // First, so that a later failure can be reported as an internal fault; its own failure (memory
  // exhausted) is reported as the interpreter's error.
  if (panic_exception_type() == nullptr) throw PythonError{};
  PyRef version = checked(PyUnicode_FromString(kVersion));
  add_member(module, "__version__", version.get());

  struct ExceptionRow {
    const char* name;
    PyObject* (*type)() noexcept;
  };
  for (const ExceptionRow& row : {ExceptionRow{"ModelingError", &modeling_error_type},
                                  ExceptionRow{"ProtobufSerializationError", &protobuf_serialization_error_type},
                                  ExceptionRow{"ProtobufDeserializationError", &protobuf_deserialization_error_type}}) {
    PyObject* type = row.type();
    if (type == nullptr) throw std::runtime_error("Failed to initialize new exception type.");
    add_member(module, row.name, type);
  }

  for (const FunctionDef& function : registered_functions()) add_function(module, function);
  for (const ClassRow& row : registered_classes()) {
    PyTypeObject* type = build_type_object(row.id, *row.def, docs::kClassDocs[std::size_t(row.id)]);
    add_member(module, class_name(row.id), reinterpret_cast<PyObject*>(type));
  }
}

constexpr const char* kOnce = "PyO3 modules may only be initialized once per interpreter process";

[[noreturn]] void raise_import_error(const char* message) {
  PyErr_SetString(PyExc_ImportError, message);
  throw PythonError{};
}

// The type objects and exception types are process-wide, so only the main interpreter may make
// and hold them: a subinterpreter is refused before anything is made, and the one creation stays
// for the main interpreter.
PyRef create_module(PyObject* spec) {
  if (PyInterpreterState_Get() != PyInterpreterState_Main()) {
    raise_import_error(g_created.load() ? kOnce : "module zorvane does not support loading in subinterpreters");
  }
  PyRef name = checked(PyObject_GetAttrString(spec, "name"));
  PyRef module = PyRef::steal(PyModule_NewObject(name.get()));
  if (!module) {
    if (!PyErr_Occurred()) {
      PyErr_SetString(PyExc_SystemError, "attempted to fetch exception but none was set");
    }
    throw PythonError{};
  }
  if (g_created.exchange(true)) raise_import_error(kOnce);
  try {
    fill(module.get());
  } catch (...) {
    g_created.store(false);  // a failed import leaves the process able to import
    throw;
  }
  set_interrupt_check(&check_signals);
  return module;
}

PyObject* module_create(PyObject* spec, PyModuleDef*) {
  return guard_object([&] { return create_module(spec); });
}

// Multi-phase initialisation: the interpreter that imports runs `module_create` itself. A
// single-phase init function would not do, as 3.13 runs it in the main interpreter for a
// subinterpreter's import and discards the module it returns.
PyModuleDef_Slot g_module_slots[] = {
    {Py_mod_create, reinterpret_cast<void*>(&module_create)},
#ifdef Py_mod_multiple_interpreters
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
#endif
    {0, nullptr},
};

PyModuleDef g_module_def = {
    PyModuleDef_HEAD_INIT, "zorvane", "", 0, nullptr, g_module_slots, nullptr, nullptr, nullptr,
};

}  // namespace
}  // namespace zorvane

PyMODINIT_FUNC PyInit_zorvane() { return PyModuleDef_Init(&zorvane::g_module_def); }
