// The boundary guard lets the unwinding that ends a thread (`pthread_exit`, as the interpreter
// does at exit) pass through a slot thunk, running cleanups, while any other exception without
// a known type still becomes the panic exception.
#include <pthread.h>

#include <cassert>
#include <cstdio>

#include "python/frame/exceptions.hpp"
#include "python/frame/frame.hpp"

using namespace zorvane;

namespace {

bool g_cleaned_up = false;

struct Cleanup {
  ~Cleanup() { g_cleaned_up = true; }
};

PyRef end_thread(PyObject*) {
  Cleanup cleanup;
  pthread_exit(reinterpret_cast<void*>(42));
}

void* call_slot(void*) {
  (void)slot_unary<end_thread>(nullptr);
  return nullptr;  // never reached: the thread ends inside the slot
}

}  // namespace

int main() {
  Py_Initialize();

  pthread_t thread;
  assert(pthread_create(&thread, nullptr, &call_slot, nullptr) == 0);
  void* result = nullptr;
  assert(pthread_join(thread, &result) == 0);
  assert(result == reinterpret_cast<void*>(42) && g_cleaned_up);

  const int failed = guard<int>(-1, []() -> int { throw 7; });
  assert(failed == -1 && PyErr_ExceptionMatches(panic_exception_type()));
  PyErr_Clear();

  std::puts("guard unwinding: ok");
  return 0;
}
