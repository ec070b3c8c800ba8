// Text signatures ("__text_signature__") rendered from the argument parser's own records, and the
// documentation texts that start with them.
#pragma once

#include <string>

#include "python/frame/args.hpp"

namespace zorvane {

/// Whether a method receives the instance, which the text signature shows as "$self".
enum class Receiver : bool { None, Self };

/// "(a, b=None, *, c)" for `sig`; "($self, a, ...)" with `Receiver::Self`.
std::string text_signature(const Signature& sig, Receiver receiver);

/// "name(sig)\n--\n\nbody", the form from which the interpreter takes `__text_signature__` and
/// `__doc__` (a null body: nothing after the separator, so `__doc__` is None).
std::string with_signature(const char* name, const std::string& signature, const char* body);

/// `with_signature` of `sig`, kept for the rest of the process, as the method tables that point to
/// it are; null when it cannot be allocated.
const char* signature_doc(const char* name, const Signature& sig, Receiver receiver, const char* body) noexcept;

}  // namespace zorvane
