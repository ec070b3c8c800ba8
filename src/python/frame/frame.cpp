// The class frame: type objects built from one table row per class.
#include "python/frame/frame.hpp"

#include <array>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>

namespace zorvane {

std::array<PyTypeObject*, kClassCount> g_type_objects{};

namespace detail {
std::array<TypeIndexSlot, std::size_t(1) << kTypeIndexBits> g_type_index{};
}  // namespace detail

namespace {

void index_type(PyTypeObject* type, ClassId id) noexcept {
  constexpr std::size_t kMask = detail::g_type_index.size() - 1;
  std::size_t i = detail::type_index_home(type);
  while (detail::g_type_index[i].type != nullptr) i = (i + 1) & kMask;
  detail::g_type_index[i] = {type, id};
}

PyObject* no_constructor(PyTypeObject*, PyObject*, PyObject*) noexcept {
  PyErr_SetString(PyExc_TypeError, "No constructor defined");
  return nullptr;
}

// Replaces the pending error by RuntimeError(message) whose cause is the pending error.
[[noreturn]] void raise_chained_runtime_error(const std::string& message) {
  PyObject* type = nullptr;
  PyObject* value = nullptr;
  PyObject* traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  Py_XDECREF(type);
  Py_XDECREF(traceback);
  PyRef cause = PyRef::steal(value);
  PyRef error = checked(PyObject_CallFunction(PyExc_RuntimeError, "s#", message.data(),
                                              Py_ssize_t(message.size())));
  if (cause) PyException_SetCause(error.get(), cause.release());
  PyErr_SetObject(PyExc_RuntimeError, error.get());
  throw PythonError{};
}

PyTypeObject* create_type(ClassId id, const ClassDef& def, const char* class_doc) {
  // Type names and docs must outlive the types (3.10 keeps the spec's name pointer); a deque
  // never moves its elements, so a short name's inline buffer stays where the type points.
  static std::deque<std::string> docs;
  // A constructor without its record would lose its text signature silently; fail the import.
  if ((def.tp_new == nullptr) != (def.constructor == nullptr)) {
    raise(ErrorKind::Runtime, "a constructor and its parser record go together");
  }
  std::string doc;
  if (def.constructor != nullptr) {
    doc = with_signature(class_name(id), text_signature(*def.constructor, Receiver::None), class_doc);
  } else if (class_doc != nullptr) {
    doc = class_doc;
  }
  if (doc.find('\0') != std::string::npos) raise(ErrorKind::Value, "class doc cannot contain nul bytes");
  docs.push_back(std::move(doc));
  const std::string& kept_doc = docs.back();

  std::vector<PyType_Slot> slots;
  slots.push_back({Py_tp_dealloc, reinterpret_cast<void*>(def.dealloc)});
  if (!kept_doc.empty()) slots.push_back({Py_tp_doc, const_cast<char*>(kept_doc.c_str())});
  slots.push_back({Py_tp_new, reinterpret_cast<void*>(def.tp_new ? def.tp_new : &no_constructor)});
  if (def.methods != nullptr) slots.push_back({Py_tp_methods, def.methods});
  if (def.getset != nullptr) slots.push_back({Py_tp_getset, def.getset});
  slots.insert(slots.end(), def.slots.begin(), def.slots.end());
  slots.insert(slots.end(), def.more_slots.begin(), def.more_slots.end());
  unsigned int flags = Py_TPFLAGS_DEFAULT;
  if (def.gc.traverse != nullptr) {
    flags |= Py_TPFLAGS_HAVE_GC;
    slots.push_back({Py_tp_traverse, reinterpret_cast<void*>(def.gc.traverse)});
    if (def.gc.clear != nullptr) slots.push_back({Py_tp_clear, reinterpret_cast<void*>(def.gc.clear)});
  }
  slots.push_back({0, nullptr});

  static std::deque<std::string> names;
  names.push_back(fmt::format("zorvane.{}", class_name(id)));
  PyType_Spec spec{names.back().c_str(), int(def.basicsize), 0, flags, slots.data()};
  auto* type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&spec));
  if (type == nullptr) throw PythonError{};
  if (def.vectorcall != nullptr) type->tp_vectorcall = def.vectorcall;
  return type;
}

}  // namespace

PyTypeObject* build_type_object(ClassId id, const ClassDef& def, const char* doc) {
  // A class whose attributes failed is finished by the next import's request.
  static std::array<bool, kClassCount> complete{};
  auto& cell = g_type_objects[std::size_t(id)];
  if (complete[std::size_t(id)]) return cell;
  if (cell == nullptr) {
    try {
      cell = create_type(id, def, doc);
    } catch (const Error& error) {
      set_python_error(error);
      raise_chained_runtime_error(fmt::format("An error occurred while initializing class {}", class_name(id)));
    } catch (const PythonError&) {
      raise_chained_runtime_error(fmt::format("An error occurred while initializing class {}", class_name(id)));
    }
    index_type(cell, id);
  }
  // numpy 1.x compares and adds its scalars to objects of a higher priority by calling their
  // reflected operators (`np.float64(1) <= x` is `x >= 1`), as numpy 2 does for every object;
  // arrays (priority 0) still apply an operator element by element.
  if (is_expression_class(id)) {
    PyRef priority = PyRef::steal(PyFloat_FromDouble(-100.0));
    if (!priority ||
        PyObject_SetAttrString(reinterpret_cast<PyObject*>(cell), "__array_priority__", priority.get()) < 0) {
      raise_chained_runtime_error(fmt::format("An error occurred while initializing `{}.__dict__`", class_name(id)));
    }
  }
  // The type is stored before its attributes are made, so attribute makers can create instances.
  for (const ClassAttribute& attribute : def.attributes) {
    const std::string where = fmt::format("An error occurred while initializing `{}.{}`", class_name(id),
                                          attribute.name);
    PyRef value;
    try {
      value = attribute.make();
    } catch (const Error& error) {
      set_python_error(error);
      raise_chained_runtime_error(where);
    } catch (const PythonError&) {
      raise_chained_runtime_error(where);
    }
    if (PyObject_SetAttrString(reinterpret_cast<PyObject*>(cell), attribute.name, value.get()) < 0) {
      raise_chained_runtime_error(
          fmt::format("An error occurred while initializing `{}.__dict__`", class_name(id)));
    }
  }
  complete[std::size_t(id)] = true;
  return cell;
}

PyTypeObject* type_object(ClassId id) {
  PyTypeObject* type = g_type_objects[std::size_t(id)];
  if (type == nullptr) {
    throw std::logic_error(fmt::format("failed to create type object for {}", class_name(id)));
  }
  return type;
}


void check_instance(PyObject* object, ClassId id) {
  if (!is_instance(object, id)) {
    raise(ErrorKind::Type, cannot_convert_message(object, class_name(id)));
  }
}

void raise_already_mutably_borrowed() { raise(ErrorKind::Runtime, "Already mutably borrowed"); }
void raise_already_borrowed() { raise(ErrorKind::Runtime, "Already borrowed"); }

PyRef call_with_tuple_and_dict(ConstructorBody body, PyTypeObject* type, PyObject* args,
                               PyObject* kwargs) {
  const Py_ssize_t nargs = PyTuple_GET_SIZE(args);
  const Py_ssize_t nkw = kwargs != nullptr ? PyDict_GET_SIZE(kwargs) : 0;
  std::vector<PyObject*> stack(std::size_t(nargs + nkw));
  for (Py_ssize_t i = 0; i < nargs; ++i) stack[std::size_t(i)] = PyTuple_GET_ITEM(args, i);  // the tuple stays
  PyRef kwnames;
  // The body runs Python code, which may change the dict and drop its values: they are held.
  std::vector<PyRef> values;
  if (nkw > 0) {
    kwnames = checked(PyTuple_New(nkw));
    values.reserve(std::size_t(nkw));
    Py_ssize_t pos = 0;
    Py_ssize_t k = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(kwargs, &pos, &key, &value)) {
      Py_INCREF(key);
      PyTuple_SET_ITEM(kwnames.get(), k, key);
      values.push_back(PyRef::borrow(value));
      stack[std::size_t(nargs + k)] = value;
      ++k;
    }
  }
  return body(type, stack.data(), nargs, kwnames.get());
}

int refuse_attribute_delete() noexcept {
  PyErr_SetString(PyExc_AttributeError, "can't delete attribute");
  return -1;
}

const char* comparison_operator_text(int op) noexcept {
  switch (op) {
    case Py_LT: return "<";
    case Py_LE: return "<=";
    case Py_EQ: return "==";
    case Py_NE: return "!=";
    case Py_GT: return ">";
    case Py_GE: return ">=";
    default: return "?";
  }
}

PyRef allocate_plain(PyTypeObject* type) {
  void* memory = PyObject_Malloc(std::size_t(type->tp_basicsize));
  if (memory == nullptr) {
    PyErr_NoMemory();
    throw PythonError{};
  }
  return PyRef::steal(PyObject_Init(static_cast<PyObject*>(memory), type));
}

PyRef not_implemented() { return PyRef::borrow(Py_NotImplemented); }
PyRef none() { return PyRef::borrow(Py_None); }
PyRef new_str(std::string_view text) {
  return checked(PyUnicode_FromStringAndSize(text.data(), Py_ssize_t(text.size())));
}

}  // namespace zorvane
