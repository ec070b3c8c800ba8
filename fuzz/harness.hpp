// What the fuzzing programs that embed the interpreter share, their entry points included: an
// interpreter with zorvane built in runs one Python function per input, `run` of the program's
// `kSource`. Each program is one file that includes this header and defines `kSource`. An exception escaping that function (an error type the reader
// does not document, or a failed round-trip check) is a finding: it is printed and the program
// aborts, as it does on a crash or a sanitizer report.
#pragma once

#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" PyObject* PyInit_zorvane(void);

namespace zorvane::fuzz {

[[noreturn]] inline void fail() {
  PyErr_Print();
  std::fflush(stderr);
  std::abort();
}

/// `run(data: bytes)` of the harness source.
inline PyObject* run_function = nullptr;

/// Starts the interpreter (without its signal handlers: libFuzzer keeps SIGINT and SIGALRM) and
/// takes `run` from `source`.
inline void start(const char* source) {
  PyImport_AppendInittab("zorvane", PyInit_zorvane);
  Py_InitializeEx(0);
  PyObject* code = Py_CompileString(source, "<harness>", Py_file_input);
  if (code == nullptr) fail();
  PyObject* module = PyImport_ExecCodeModule("harness", code);
  if (module == nullptr) fail();
  run_function = PyObject_GetAttrString(module, "run");
  if (run_function == nullptr) fail();
}

inline void run(const std::uint8_t* data, std::size_t size) {
  PyObject* bytes = PyBytes_FromStringAndSize(reinterpret_cast<const char*>(data), Py_ssize_t(size));
  if (bytes == nullptr) fail();
  PyObject* result = PyObject_CallOneArg(run_function, bytes);
  Py_DECREF(bytes);
  if (result == nullptr) fail();
  Py_DECREF(result);
}

/// The program's Python source, which defines `run(data: bytes)`.
extern const char* const kSource;

}  // namespace zorvane::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorvane::fuzz::start(zorvane::fuzz::kSource);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zorvane::fuzz::run(data, size);
  return 0;
}
