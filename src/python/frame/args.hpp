// Declarative argument parsing for constructors, methods and module functions (fast calls).
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "python/frame/guard.hpp"

namespace zorvane {

/// One parameter of a signature: its position among the parsed arguments, and its name.
struct Param {
  std::size_t index;
  const char* name;
};

/// What one callable accepts. Positional parameters come first in `names`, then the
/// keyword-only ones; `defaults` holds each parameter's default as the text signature shows it
/// (null: required). Written with `make_signature` from one record per parameter, e.g.
/// `Placeholder(name, *, ndim=0, latex=None, description=None)` is
/// make_signature("Placeholder", "__new__", {positional("name"), keyword_only("ndim", "0"),
/// keyword_only("latex", "None"), keyword_only("description", "None")}).
struct Signature {
  static constexpr std::size_t kMaxParams = 8;
  const char* owner = nullptr;  ///< class name; null for module functions
  const char* function = "";
  std::array<const char*, kMaxParams> names{};
  std::uint8_t positional = 0;
  std::uint8_t required_positional = 0;
  std::uint8_t keyword_only = 0;
  std::uint16_t required_keyword_mask = 0;  ///< bit i set: keyword-only parameter i is required
  bool var_positional = false;              ///< accepts *args after the positional parameters
  std::array<const char*, kMaxParams> defaults{};  ///< default texts; null: required (or not shown)
  const char* var_positional_name = "args";        ///< the name of *args in the text signature

  constexpr std::size_t size() const noexcept { return std::size_t(positional) + keyword_only; }
  /// The parameter `name`, found when the program is compiled: `arguments[kNew.param("ndim")]`,
  /// `convert_argument(arguments, kNew.param("ndim"), to_u64)`. A name the signature lacks does
  /// not compile, and reordering the names cannot shift what a caller reads.
  consteval Param param(std::string_view name) const {
    for (std::size_t i = 0; i < size(); ++i) {
      if (std::string_view(names[i]) == name) return Param{i, names[i]};
    }
    throw "the signature has no parameter of this name";
  }
};

/// One parameter as a signature declares it: name, kind, and the text of its default in the
/// text signature (null: the parameter is required).
struct ParamSpec {
  enum class Kind : std::uint8_t { Positional, KeywordOnly, VarPositional };
  const char* name;
  Kind kind = Kind::Positional;
  const char* default_text = nullptr;
};

constexpr ParamSpec positional(const char* name, const char* default_text = nullptr) {
  return {name, ParamSpec::Kind::Positional, default_text};
}
constexpr ParamSpec keyword_only(const char* name, const char* default_text = nullptr) {
  return {name, ParamSpec::Kind::KeywordOnly, default_text};
}
/// `*name`: the extra positional arguments.
constexpr ParamSpec var_positional(const char* name) { return {name, ParamSpec::Kind::VarPositional}; }

/// The signature of `owner.function` (null owner: a module function) from its parameters in
/// declaration order: positional ones (required before optional), then `*args`, then keyword-only
/// ones. Any other order does not compile where the result is a constant.
constexpr Signature make_signature(const char* owner, const char* function, std::initializer_list<ParamSpec> params) {
  Signature sig{.owner = owner, .function = function};
  for (const ParamSpec& spec : params) {
    switch (spec.kind) {
      case ParamSpec::Kind::Positional:
        if (sig.keyword_only > 0 || sig.var_positional) throw "a positional parameter after *args or a keyword-only one";
        if (spec.default_text == nullptr && sig.required_positional < sig.positional) {
          throw "a required positional parameter after an optional one";
        }
        if (spec.default_text == nullptr) ++sig.required_positional;
        ++sig.positional;
        break;
      case ParamSpec::Kind::KeywordOnly:
        if (spec.default_text == nullptr) sig.required_keyword_mask |= std::uint16_t(1U << sig.keyword_only);
        ++sig.keyword_only;
        break;
      case ParamSpec::Kind::VarPositional:
        if (sig.keyword_only > 0 || sig.var_positional) throw "*args after a keyword-only parameter or twice";
        sig.var_positional = true;
        sig.var_positional_name = spec.name;
        continue;
    }
    if (sig.size() > Signature::kMaxParams) throw "more parameters than Signature::kMaxParams";
    sig.names[sig.size() - 1] = spec.name;
    sig.defaults[sig.size() - 1] = spec.default_text;
  }
  return sig;
}

/// `sig` with `owner` as its class: one parameter list that the methods of several classes share.
constexpr Signature owned_by(Signature sig, const char* owner) {
  sig.owner = owner;
  return sig;
}

/// Parsed arguments: one borrowed object (or null when absent) per parameter, plus the extra
/// positional arguments of a `*args` signature.
struct Arguments {
  std::array<PyObject*, Signature::kMaxParams> values{};
  PyObject* const* extra = nullptr;
  Py_ssize_t extra_count = 0;

  PyObject* operator[](std::size_t i) const noexcept { return values[i]; }
  PyObject* operator[](Param parameter) const noexcept { return values[parameter.index]; }
};

/// Matches a vectorcall argument list against `sig`; raises the interpreter-style TypeErrors.
Arguments parse_arguments(const Signature& sig, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames);

/// "Owner.function()" or "function()": the prefix of argument-parsing messages.
std::string callable_display_name(const Signature& sig);

/// Runs `convert` for the named argument; a TypeError it raises is re-raised as
/// "argument '<name>': <message>" with the original as its cause. Other errors pass unchanged.
template <class F>
auto convert_argument(const char* name, F&& convert) -> decltype(convert());

/// `convert(argument)` for one parameter, with the prefix of its name (see above).
template <class F>
auto convert_argument(const Arguments& arguments, Param parameter, F&& convert)
    -> decltype(convert(arguments[parameter])) {
  return convert_argument(parameter.name, [&] { return convert(arguments[parameter]); });
}

/// TypeError text of a failed class check: "'int' object cannot be converted to 'Placeholder'".
std::string cannot_convert_message(PyObject* object, const char* target);

// Converters for declared parameter kinds. Each raises the plain (unprefixed) error.
std::string to_utf8(PyObject* object);                          ///< a `str`, else "PyString" error
std::optional<std::string> to_optional_utf8(PyObject* object);  ///< a `str` or None
std::uint64_t to_u64(PyObject* object);                         ///< an integer via `__index__`

/// Re-raises the pending TypeError (if that is what is pending) with the argument prefix.
void prefix_pending_type_error(const char* name);

template <class F>
auto convert_argument(const char* name, F&& convert) -> decltype(convert()) {
  try {
    return convert();
  } catch (const PythonError&) {
    prefix_pending_type_error(name);
    throw;
  } catch (const Error& error) {
    if (error.kind != ErrorKind::Type) throw;
    set_python_error(error);
    prefix_pending_type_error(name);
    throw PythonError{};
  }
}

}  // namespace zorvane
