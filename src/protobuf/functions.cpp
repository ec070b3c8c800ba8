// The module functions of the byte format: argument reading and the Python objects around
// the values that the writer and reader handle.
#include "protobuf/functions.hpp"

#include "model/expression/conversion.hpp"
#include "protobuf/deserialize.hpp"
#include "protobuf/serialize.hpp"

namespace zorvane::protobuf {
namespace {

constexpr Signature kToProtobuf{.function = "to_protobuf", .names = {"obj"}, .positional = 1, .required_positional = 1};
constexpr Signature kFromProtobuf{.function = "from_protobuf", .names = {"buf"}, .positional = 1, .required_positional = 1};

PyRef bytes_of(const std::string& data) {
  return checked(PyBytes_FromStringAndSize(data.data(), Py_ssize_t(data.size())));
}

}  // namespace

PyRef to_protobuf(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kToProtobuf, args, nargs, kwnames);
  Expr node;
  try {
    node = expression_from_pyobject(arguments[0]);
  } catch (const Error&) {
    node = conditional_from_pyobject(arguments[0]);
  }
  return bytes_of(serialize_expr(*node));
}

PyRef from_protobuf(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kFromProtobuf, args, nargs, kwnames);
  PyObject* buf = arguments[0];
  if (!PyBytes_Check(buf)) {
    convert_argument("buf", [&] { raise(ErrorKind::Type, cannot_convert_message(buf, "PyBytes")); });
  }
  // Read in place: a bytes object cannot change, and the interpreter lock is held throughout.
  const std::string_view buffer(PyBytes_AS_STRING(buf), std::size_t(PyBytes_GET_SIZE(buf)));
  return expression_into_py(deserialize(buffer));
}

}  // namespace zorvane::protobuf
