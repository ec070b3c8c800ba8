// Argument-parser message forms and boundary-guard mappings that no Python-visible class reaches.
#include <cassert>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "python/frame/args.hpp"
#include "python/frame/exceptions.hpp"
#include "python/frame/guard.hpp"

using namespace zorvane;

namespace {

// Runs the parser and returns the TypeError message it raised ("" when it succeeded).
std::string parse_message(const Signature& sig, std::vector<PyObject*> args, std::vector<const char*> keywords = {}) {
  const Py_ssize_t nargs = Py_ssize_t(args.size() - keywords.size());
  PyRef kwnames;
  if (!keywords.empty()) {
    kwnames = PyRef::steal(PyTuple_New(Py_ssize_t(keywords.size())));
    for (std::size_t i = 0; i < keywords.size(); ++i) {
      PyTuple_SET_ITEM(kwnames.get(), Py_ssize_t(i), PyUnicode_InternFromString(keywords[i]));
    }
  }
  const bool ok = guard<bool>(false, [&] {
    parse_arguments(sig, args.data(), nargs, kwnames.get());
    return true;
  });
  if (ok) return "";
  assert(PyErr_ExceptionMatches(PyExc_TypeError));
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  PyRef text = PyRef::steal(PyObject_Str(value));
  std::string message = PyUnicode_AsUTF8(text.get());
  Py_XDECREF(type);
  Py_XDECREF(value);
  Py_XDECREF(traceback);
  return message;
}

void expect(const std::string& got, const std::string& want) {
  if (got != want) {
    std::fprintf(stderr, "expected: %s\n     got: %s\n", want.c_str(), got.c_str());
    assert(got == want);
  }
}

// The exception type a guarded body leaves set.
template <class F>
PyObject* raised_type(F&& body) {
  PyObject* result = guard<PyObject*>(nullptr, [&]() -> PyObject* {
    body();
    return nullptr;
  });
  assert(result == nullptr && PyErr_Occurred());
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  Py_XDECREF(value);
  Py_XDECREF(traceback);
  Py_XDECREF(type);
  return type;  // types are immortal enough for a comparison here
}

}  // namespace

int main() {
  Py_Initialize();
  PyObject* one = PyLong_FromLong(1);

  const Signature three{.owner = "C", .function = "f", .names = {"a", "b", "c", "d"},
                        .positional = 3, .required_positional = 3, .keyword_only = 1,
                        .required_keyword_mask = 1};
  expect(parse_message(three, {}), "C.f() missing 3 required positional arguments: 'a', 'b', and 'c'");
  expect(parse_message(three, {one}), "C.f() missing 2 required positional arguments: 'b' and 'c'");
  expect(parse_message(three, {one, one}), "C.f() missing 1 required positional argument: 'c'");
  expect(parse_message(three, {one, one, one}), "C.f() missing 1 required keyword argument: 'd'");
  expect(parse_message(three, {one, one, one, one}), "C.f() takes 3 positional arguments but 4 were given");
  expect(parse_message(three, {one, one, one, one}, {"d"}), "");
  expect(parse_message(three, {one, one, one, one}, {"a"}), "C.f() got multiple values for argument 'a'");
  expect(parse_message(three, {one, one, one, one}, {"e"}), "C.f() got an unexpected keyword argument 'e'");

  const Signature optional{.owner = nullptr, .function = "g", .names = {"x", "y"}, .positional = 2,
                           .required_positional = 1};
  expect(parse_message(optional, {one, one, one}), "g() takes from 1 to 2 positional arguments but 3 were given");
  const Signature none{.owner = nullptr, .function = "h"};
  expect(parse_message(none, {one}), "h() takes 0 positional arguments but 1 was given");
  const Signature keywords{.owner = "K", .function = "k", .names = {"p", "q", "r"}, .keyword_only = 3,
                           .required_keyword_mask = 0b111};
  expect(parse_message(keywords, {}), "K.k() missing 3 required keyword arguments: 'p', 'q', and 'r'");
  const Signature varargs{.owner = nullptr, .function = "m", .var_positional = true};
  expect(parse_message(varargs, {one, one, one}), "");

  // Guard: model errors keep their kind, allocation failures become MemoryError, and any other
  // C++ exception becomes the panic exception, a BaseException but not an Exception.
  assert(raised_type([] { raise_modeling("m"); }) == modeling_error_type());
  assert(raised_type([] { raise(ErrorKind::ZeroDivision, "z"); }) == PyExc_ZeroDivisionError);
  assert(raised_type([] { throw std::bad_alloc(); }) == PyExc_MemoryError);
  PyObject* panic = raised_type([] { throw std::logic_error("broken invariant"); });
  assert(panic == panic_exception_type());
  assert(PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(panic), reinterpret_cast<PyTypeObject*>(PyExc_BaseException)));
  assert(!PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(panic), reinterpret_cast<PyTypeObject*>(PyExc_Exception)));

  Py_DECREF(one);
  std::puts("binding: ok");
  return 0;
}
