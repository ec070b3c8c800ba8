// The module functions: their implementations and entry points, from functions.def (their ids and
// signatures are in function_id.hpp).
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <type_traits>

#include "core/expression/rc.hpp"
#include "python/frame/frame.hpp"
#include "python/function_id.hpp"

#define ZORVANE_FIRST(first, ...) first

namespace zorvane {

// The implementations (each defined in its file). Hidden, so that one declared but never defined
// stops the link of the module rather than its import.
#pragma GCC visibility push(hidden)

/// Analysis and rewriting of models.
namespace analysis {
PyRef is_linear(const Arguments& arguments);
PyRef is_quadratic(const Arguments& arguments);
PyRef is_higher_order(const Arguments& arguments);
PyRef is_dynamic_degree(const Arguments& arguments);
PyRef extract_nodes(const Arguments& arguments);
PyRef extract_variables(const Arguments& arguments);
PyRef is_same(const Arguments& arguments);
PyRef replace(const Arguments& arguments);
}  // namespace analysis

/// Builders of operator nodes.
namespace functions {
PyRef unary(const Arguments& arguments, UnaryKind kind);
PyRef min_max(const Arguments& arguments, CommutativeKind kind);
PyRef reduction(const Arguments& arguments, ReductionKind kind);
}  // namespace functions

/// The byte format.
namespace protobuf {
/// The bytes of a problem, constraint, custom penalty term, expression or condition.
PyRef to_protobuf(const Arguments& arguments);
/// The model object that a `bytes` object holds.
PyRef from_protobuf(const Arguments& arguments);
}  // namespace protobuf

/// Sample sets.
namespace sample_sets {
PyRef concatenate(const Arguments& arguments);
}  // namespace sample_sets

#pragma GCC visibility pop

namespace detail {

// Whether two functions are one, told by the types they name rather than by comparing addresses,
// which a sanitizing build does not treat as a constant expression.
template <auto F>
struct FunctionTag {};
template <auto A, auto B>
inline constexpr bool kSameFunction = std::is_same_v<FunctionTag<A>, FunctionTag<B>>;

/// `read(signature)` for every function that `Implementation` implements; they must all agree.
template <auto Implementation, class Read>
constexpr auto shared_by_functions(Read read) {
  std::optional<decltype(read(kFunctionSignatures[0]))> found;
  const auto visit = [&](bool implemented_here, FunctionId id) {
    if (!implemented_here) return;
    const auto result = read(signature_of(id));
    if (found && *found != result) throw "the functions of one implementation differ in this parameter";
    found = result;
  };
#define ZORVANE_FUNCTION(Name, Callee, Params) \
  visit(kSameFunction<Implementation, &ZORVANE_FIRST Callee>, FunctionId::Name);
#include "python/functions.def"
#undef ZORVANE_FUNCTION
  if (!found) throw "no function of functions.def has this implementation";
  return *found;
}

}  // namespace detail

/// The parameter `name` of the functions that `Implementation` implements. Initialise a constexpr
/// `Param` with it, so that it is found when the program is compiled: a name that one of them
/// lacks, or has at another position, then does not compile.
template <auto Implementation>
constexpr Param parameter(const char* name) {
  const std::size_t index = detail::shared_by_functions<Implementation>([name](const Signature& sig) {
    for (std::size_t i = 0; i < sig.size(); ++i) {
      if (std::string_view(sig.names[i]) == name) return i;
    }
    throw "the function has no parameter of this name";
  });
  return Param{index, name};
}

/// The name of the `*args` parameter of the functions that `Implementation` implements.
template <auto Implementation>
constexpr const char* var_positional_parameter() {
  return detail::shared_by_functions<Implementation>([](const Signature& sig) {
           if (!sig.var_positional) throw "the function has no *args";
           return std::string_view(sig.var_positional_name);
         }).data();
}

/// The module's entry point of function `Id`: parses the arguments by its signature and calls
/// `Implementation(arguments, Bound...)`.
template <FunctionId Id, auto Implementation, auto... Bound>
PyObject* function_entry(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return guard_object([&] { return Implementation(parse_arguments(signature_of(Id), args, nargs, kwnames), Bound...); });
}

}  // namespace zorvane
