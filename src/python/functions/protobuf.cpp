// The module functions of the byte format: argument reading and the Python objects around
// the values that the writer and reader handle.
#include "python/functions/functions.hpp"

#include <array>
#include <optional>
#include <variant>

#include <fmt/format.h>

#include "core/protobuf/deserialize.hpp"
#include "core/protobuf/serialize.hpp"
#include "python/conversion.hpp"
#include "python/model/constraint.hpp"
#include "python/model/custom_penalty_term.hpp"
#include "python/model/problem.hpp"

namespace zorvane::protobuf {
namespace {

/// What `to_protobuf` accepts, read in this order (problem, constraint, penalty term, expression,
/// condition): an expression and a condition are both the `expr` body.
using Serializable = Body;
constexpr std::array<const char*, 5> kSerializableNames{"Problem", "Constraint", "CustomPenaltyTerm", "Expression",
                                                       "ConditionalExpr"};

/// One reading of the argument. On failure, `failure` receives "TypeName: message".
template <class Read>
bool try_read(Read&& read, std::string& failure) {
  try {
    read();
    return true;
  } catch (const Error& error) {
    failure = fmt::format("{}: {}", error_kind_name(error.kind), error.message);
  } catch (const PythonError&) {
    failure = take_exception_text();  // a non-`Exception` error propagates from here
  }
  return false;
}

/// The reading of the class that the object's type selects: the five kinds have disjoint
/// classes, so this is the reading the tries in order would end with. Nothing when it fails.
std::optional<Serializable> read_by_class(PyObject* object) {
  try {
    if (is_instance(object, ClassId::Problem)) return extract_problem(object);
    if (is_instance(object, ClassId::Constraint)) return extract_constraint(object);
    if (is_instance(object, ClassId::CustomPenaltyTerm)) return extract_custom_penalty_term(object);
    if (const std::optional<ClassId> id = class_of(object); id && is_condition_class(*id)) {
      return conditional_from_pyobject(object);
    }
    return expression_from_pyobject(object);
  } catch (const Error&) {
  } catch (const PythonError&) {
    discard_exception();
  }
  return std::nullopt;
}

Serializable read_serializable(PyObject* object) {
  if (std::optional<Serializable> value = read_by_class(object)) return std::move(*value);
  // Refused: the message reports every kind's failure, each tried in order.
  std::optional<Serializable> value;
  std::array<std::string, 5> failures;
  if (try_read([&] { value.emplace(extract_problem(object)); }, failures[0]) ||
      try_read([&] { value.emplace(extract_constraint(object)); }, failures[1]) ||
      try_read([&] { value.emplace(extract_custom_penalty_term(object)); }, failures[2]) ||
      try_read([&] { value.emplace(expression_from_pyobject(object)); }, failures[3]) ||
      try_read([&] { value.emplace(conditional_from_pyobject(object)); }, failures[4])) {
    return std::move(*value);
  }
  std::string message = fmt::format("failed to extract enum SerializableObject ('{}')",
                                    fmt::join(kSerializableNames, " | "));
  for (std::size_t k = 0; k < kSerializableNames.size(); ++k) {
    const char* name = kSerializableNames[k];
    message += fmt::format("\n- variant {} ({}): TypeError: failed to extract field SerializableObject::{}.0, "
                           "caused by {}",
                           name, name, name, failures[k]);
  }
  raise(ErrorKind::Type, std::move(message));
}

PyRef into_py(Body value) {
  struct IntoPy {
    PyRef operator()(Expr& v) const { return expression_into_py(std::move(v)); }
    PyRef operator()(Problem& v) const { return problem_into_py(std::move(v)); }
    PyRef operator()(Constraint& v) const { return constraint_into_py(std::move(v)); }
    PyRef operator()(CustomPenaltyTerm& v) const { return custom_penalty_term_into_py(std::move(v)); }
  };
  return std::visit(IntoPy{}, value);
}

}  // namespace

PyRef to_protobuf(const Arguments& arguments) {
  constexpr Param kObj = parameter<to_protobuf>("obj");
  const Serializable value = convert_argument(arguments, kObj, read_serializable);
  const std::string bytes = serialize(value);
  return checked(PyBytes_FromStringAndSize(bytes.data(), Py_ssize_t(bytes.size())));
}

PyRef from_protobuf(const Arguments& arguments) {
  constexpr Param kBuf = parameter<from_protobuf>("buf");
  PyObject* buf = arguments[kBuf];
  if (!PyBytes_Check(buf)) {
    convert_argument(kBuf.name, [&] { raise(ErrorKind::Type, cannot_convert_message(buf, "PyBytes")); });
  }
  // Read in place: a bytes object cannot change, and the interpreter lock is held throughout.
  const std::string_view buffer(PyBytes_AS_STRING(buf), std::size_t(PyBytes_GET_SIZE(buf)));
  return into_py(deserialize(buffer));
}

}  // namespace zorvane::protobuf
