// A log of the C++ exceptions a process throws, for tests/test_no_throw.py. Preloaded
// (LD_PRELOAD) in front of libstdc++, its __cxa_throw takes every throw of the module, of libfmt
// and of libstdc++ itself (std::stoi's std::invalid_argument calls it through the PLT too), notes
// it and throws on. Python reads the log through ctypes. Built with src/core/error.cpp.
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <stdexcept>
#include <string>
#include <typeinfo>

#include "core/error.hpp"

namespace {

std::string log_;  // one line per throw: its type, and the text of a zorvane::Error

void note(const std::type_info& type, void* object) {
  int status = 0;
  char* name = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  log_ += status == 0 ? name : type.name();
  std::free(name);
  if (std::strcmp(type.name(), typeid(zorvane::Error).name()) == 0) {
    const auto& error = *static_cast<const zorvane::Error*>(object);
    log_ += ": " + std::string(zorvane::error_kind_name(error.kind)) + ": " + error.message;
  }
  log_ += '\n';
}

}  // namespace

extern "C" {

// The signature the compiler gives it (the type is a std::type_info).
void __cxa_throw(void* object, void* type, void (*destroy)(void*)) {
  using Throw = void (*)(void*, void*, void (*)(void*));
  static const auto next = reinterpret_cast<Throw>(dlsym(RTLD_NEXT, "__cxa_throw"));
  note(*static_cast<const std::type_info*>(type), object);
  next(object, type, destroy);
  __builtin_unreachable();
}

/// The throws noted since the last call, one line each; the log starts again empty.
const char* throw_counter_take() {
  static std::string taken;
  taken = std::move(log_);
  log_.clear();
  return taken.c_str();
}

/// A throw inside libstdc++ (std::stoi's), caught again: the log must show it.
void throw_counter_check_library() {
  try {
    (void)std::stoi("not a number");
  } catch (const std::invalid_argument&) {
  }
}

}  // extern "C"
