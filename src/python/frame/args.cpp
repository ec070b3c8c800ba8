// Declarative argument parsing: the interpreter's own message forms for every failure.
#include "python/frame/args.hpp"
#include "python/frame/compat.hpp"

#include <fmt/format.h>

namespace zorvane {
namespace {

[[noreturn]] void type_error(std::string message) { raise(ErrorKind::Type, std::move(message)); }

// 'a' | 'a' and 'b' | 'a', 'b', and 'c'
std::string quoted_name_list(const std::array<const char*, Signature::kMaxParams>& names,
                             std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out += (count > 2 ? ", " : " ");
    if (i + 1 == count && count > 1) out += "and ";
    out += fmt::format("'{}'", names[i]);
  }
  return out;
}

[[noreturn]] void missing_error(const Signature& sig, const char* what,
                                const std::array<const char*, Signature::kMaxParams>& missing,
                                std::size_t count) {
  type_error(fmt::format("{} missing {} required {} argument{}: {}", callable_display_name(sig),
                         count, what, count == 1 ? "" : "s", quoted_name_list(missing, count)));
}

std::ptrdiff_t find_parameter(const Signature& sig, PyObject* keyword) {
  for (std::size_t i = 0; i < sig.size(); ++i) {
    if (PyUnicode_CompareWithASCIIString(keyword, sig.names[i]) == 0) return std::ptrdiff_t(i);
  }
  return -1;
}

}  // namespace

std::string callable_display_name(const Signature& sig) {
  return sig.owner != nullptr ? fmt::format("{}.{}()", sig.owner, sig.function)
                              : fmt::format("{}()", sig.function);
}

Arguments parse_arguments(const Signature& sig, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  Arguments out;
  const auto positional = Py_ssize_t(sig.positional);
  if (nargs > positional) {
    if (!sig.var_positional) {
      const char* verb = nargs == 1 ? "was" : "were";
      if (sig.required_positional == sig.positional) {
        type_error(fmt::format("{} takes {} positional arguments but {} {} given",
                               callable_display_name(sig), positional, nargs, verb));
      }
      type_error(fmt::format("{} takes from {} to {} positional arguments but {} {} given",
                             callable_display_name(sig), sig.required_positional, positional,
                             nargs, verb));
    }
    out.extra = args + positional;
    out.extra_count = nargs - positional;
  }
  for (Py_ssize_t i = 0; i < std::min(nargs, positional); ++i) out.values[std::size_t(i)] = args[i];

  const Py_ssize_t nkw = kwnames != nullptr ? PyTuple_GET_SIZE(kwnames) : 0;
  for (Py_ssize_t k = 0; k < nkw; ++k) {
    PyObject* keyword = PyTuple_GET_ITEM(kwnames, k);
    const std::ptrdiff_t slot = find_parameter(sig, keyword);
    if (slot < 0) {
      // %U, as the interpreter names it: a keyword need not be valid UTF-8 ('\udc80').
      PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%U'",
                   callable_display_name(sig).c_str(), keyword);
      throw PythonError{};
    }
    if (out.values[std::size_t(slot)] != nullptr) {
      type_error(fmt::format("{} got multiple values for argument '{}'",
                             callable_display_name(sig), sig.names[std::size_t(slot)]));
    }
    out.values[std::size_t(slot)] = args[nargs + k];
  }

  std::array<const char*, Signature::kMaxParams> missing{};
  std::size_t count = 0;
  for (std::size_t i = 0; i < sig.required_positional; ++i) {
    if (out.values[i] == nullptr) missing[count++] = sig.names[i];
  }
  if (count > 0) missing_error(sig, "positional", missing, count);
  for (std::size_t i = 0; i < sig.keyword_only; ++i) {
    const std::size_t slot = sig.positional + i;
    if ((sig.required_keyword_mask >> i & 1U) != 0 && out.values[slot] == nullptr) {
      missing[count++] = sig.names[slot];
    }
  }
  if (count > 0) missing_error(sig, "keyword", missing, count);
  return out;
}

std::string cannot_convert_message(PyObject* object, const char* target) {
  PyRef qualname = checked(PyType_GetQualName(Py_TYPE(object)));
  const char* text = PyUnicode_AsUTF8(qualname.get());
  if (text == nullptr) throw PythonError{};
  return fmt::format("'{}' object cannot be converted to '{}'", text, target);
}

std::string to_utf8(PyObject* object) {
  if (!PyUnicode_Check(object)) raise(ErrorKind::Type, cannot_convert_message(object, "PyString"));
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(object, &size);
  if (data == nullptr) throw PythonError{};
  return std::string(data, std::size_t(size));
}

std::optional<std::string> to_optional_utf8(PyObject* object) {
  if (object == nullptr || object == Py_None) return std::nullopt;
  return to_utf8(object);
}

std::uint64_t to_u64(PyObject* object) {
  PyRef index = checked(PyNumber_Index(object));
  const unsigned long long value = PyLong_AsUnsignedLongLong(index.get());
  if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) throw PythonError{};
  return value;
}

void prefix_pending_type_error(const char* name) {
  if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
  PyObject* type = nullptr;
  PyObject* value = nullptr;
  PyObject* traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  if (traceback != nullptr && value != nullptr) PyException_SetTraceback(value, traceback);
  PyRef cause = PyRef::steal(value);
  Py_XDECREF(type);
  Py_XDECREF(traceback);
  PyRef text = PyRef::steal(PyObject_Str(cause.get()));
  if (!text) return;
  PyRef message = PyRef::steal(PyUnicode_FromFormat("argument '%s': %U", name, text.get()));
  if (!message) return;
  PyRef error = PyRef::steal(PyObject_CallOneArg(PyExc_TypeError, message.get()));
  if (!error) return;
  PyException_SetCause(error.get(), cause.release());  // steals the cause
  PyErr_SetObject(PyExc_TypeError, error.get());
}

}  // namespace zorvane
