// replace(expr, replacer): the rewrite of model/replace.hpp with a Python callable as the
// replacer. It is called with a new object for each node it is shown; where a result that
// cannot stand there only means "go on into the children", its failures are discarded.
#include "core/analysis/replace.hpp"
#include "python/conversion.hpp"
#include "python/functions/functions.hpp"

namespace zorvane::analysis {
namespace {

class CallableReplacer final : public Replacer {
 public:
  explicit CallableReplacer(PyObject* callable) noexcept : callable_(callable) {}

  Expr leaf(const Node& node) override { return expression_from_pyobject(call(node).get()); }

  // A result that does not convert, or an `Exception` of the replacer, is no error here: it is
  // told by a null result and type checks, without a throw.
  std::optional<Expr> node(const Node& node, bool condition) override {
    if (PyRef result = try_call(node)) {
      return condition ? held_condition(result.get()) : try_expression(result.get());
    }
    // A RecursionError does not mean "this node stays": a replacer that calls `replace` on its
    // own argument would otherwise be retried at every node below the limit, a quadratic number
    // of calls. It ends the rewrite at once.
    if (PyErr_ExceptionMatches(PyExc_RecursionError)) throw PythonError{};
    discard_exception();
    return std::nullopt;
  }

 private:
  /// The replacer's result; null with its error set.
  PyRef try_call(const Node& node) {
    PyRef argument = expression_into_py(share(node));
    return PyRef::steal(PyObject_CallOneArg(callable_, argument.get()));
  }
  PyRef call(const Node& node) {
    PyRef result = try_call(node);
    if (!result) throw PythonError{};
    return result;
  }

  // Only an object of the node's own class; of any decision-variable class for a decision
  // variable.
  Expr variable(const Node& node) override {
    PyRef result = call(node);
    if (node.tag != Tag::DecisionVar) return borrow_node(result.get(), class_for_node(node));
    const std::optional<ClassId> id = class_of(result.get());
    if (id && is_decision_var_class(*id)) return borrow_node(result.get(), *id);
    raise(ErrorKind::Type, "failed to convert into decision var");
  }

  PyObject* callable_;
};

}  // namespace

PyRef replace(const Arguments& arguments) {
  constexpr Param kExpr = parameter<replace>("expr");
  constexpr Param kReplacer = parameter<replace>("replacer");
  const Expr expr = convert_argument(arguments, kExpr, expression_from_pyobject);
  PyObject* callable = arguments[kReplacer];
  convert_argument(kReplacer.name, [&] {
    if (PyCallable_Check(callable) == 0) raise(ErrorKind::Type, "replacer must be callable");
  });
  CallableReplacer replacer(callable);
  return expression_into_py(replace(*expr, replacer));
}

}  // namespace zorvane::analysis
