// replace: a top-down rewrite of an expression by a Python callable. The callable sees each
// node (parents before children, children first to last); what it returns in place of a node
// stands in the result, and where it gives a node back unchanged the walk goes on into the
// node's children and rebuilds the node from them, without the node's own LaTeX string.
#include <array>
#include <vector>

#include "model/analysis.hpp"
#include "model/attempt.hpp"
#include "model/expression/arithmetic.hpp"
#include "model/expression/conversion.hpp"
#include "model/expression/function_nodes.hpp"
#include "model/expression/indexing.hpp"
#include "model/expression/reduction.hpp"
#include "model/walk.hpp"

namespace zorvane::analysis {
namespace {

constexpr Signature kReplace{.function = "replace",
                             .names = {"expr", "replacer"},
                             .positional = 2,
                             .required_positional = 2};

constexpr std::array<ClassId, 5> kDecisionVarClasses{ClassId::BinaryVar, ClassId::IntegerVar,
                                                     ClassId::ContinuousVar, ClassId::SemiIntegerVar,
                                                     ClassId::SemiContinuousVar};

// The replacer gave the node back: the very node (an object holding it was returned), or an
// equal one. Identity comes first because equality never holds for a tree with a NaN literal,
// which would otherwise stop the walk there and leave the leaves below unvisited.
bool unchanged(const Expr& replaced, const Expr& node) noexcept {
  return replaced.get() == node.get() || expression_eq(*replaced, *node);
}

class Rewriter {
 public:
  explicit Rewriter(PyObject* replacer) noexcept : replacer_(replacer) {}

  Expr expression(const Expr& node) {
    switch (node->tag) {
      case Tag::NumberLit:
      case Tag::Placeholder:
      case Tag::Element:
      case Tag::DecisionVar: {
        // A leaf: whatever the replacer returns stands, and its failures are the result.
        PyRef result = call(node);
        return expression_from_pyobject(result.get());
      }
      default: break;
    }
    Expr replaced;
    const bool read = attempt([&] {
      PyRef result = call(node);
      replaced = expression_from_pyobject(result.get());
    });
    if (read && !unchanged(replaced, node)) return replaced;
    return children(node);
  }

  Expr condition(const Expr& node) {
    Expr replaced;
    const bool read = attempt([&] {
      PyRef result = call(node);
      replaced = conditional_from_pyobject(result.get());
    });
    if (read && !unchanged(replaced, node)) return replaced;
    if (node->tag == Tag::Comparison) {
      const auto& comparison = as<ComparisonNode>(node);
      Expr left = expression(comparison.left);
      Expr right = expression(comparison.right);
      return make_node<ComparisonNode>([&](ComparisonNode& n) {
        n.left = std::move(left);
        n.right = std::move(right);
      }, comparison.op());
    }
    const auto& logical = as<LogicalNode>(node);
    std::vector<Expr> terms;
    terms.reserve(logical.terms.size());
    for (const Expr& term : logical.terms) terms.push_back(condition(term));
    return make_node<LogicalNode>([&](LogicalNode& n) { n.terms = std::move(terms); }, logical.op());
  }

 private:
  PyRef call(const Expr& node) {
    PyRef argument = expression_into_py(node);
    return checked(PyObject_CallOneArg(replacer_, argument.get()));
  }

  // A variable position (the array of a length, the variable of a subscript, the index of a
  // reduction) takes back only an object of the same class; any decision-variable class for a
  // decision variable. Every failure here is the result.
  Expr variable(const Expr& node) {
    PyRef result = call(node);
    if (node->tag != Tag::DecisionVar) return borrow_node(result.get(), class_for_node(*node));
    for (ClassId id : kDecisionVarClasses) {
      if (is_instance(result.get(), id)) return borrow_node(result.get(), id);
    }
    raise(ErrorKind::Type, "failed to convert into decision var");
  }

  Expr children(const Expr& node) {
    switch (node->tag) {
      case Tag::ArrayLength: {
        const auto& length = as<ArrayLengthNode>(node);
        Expr array = into_array_operand(variable(length.array));
        // An unchanged array keeps the node whole, with its LaTeX string and description.
        if (array->tag == length.array->tag && expression_eq(*array, *length.array)) return node;
        return new_array_length(std::move(array), length.axis, Text(), Text());
      }
      case Tag::Subscript: {
        const auto& subscript = as<SubscriptNode>(node);
        if (subscript.variable->tag == Tag::Subscript) {
          // Subscripts of subscripts are joined when built, so none can reach here.
          raise(ErrorKind::Value, "Subscripted variable with subscript is not supported");
        }
        Expr base = into_subscripted_variable(variable(subscript.variable));
        std::vector<Expr> items;
        items.reserve(subscript.subscripts.size());
        for (const Expr& item : subscript.subscripts) items.push_back(expression(item));
        validate_subscripts(items);
        return subscript_into_scalar(build_subscript(std::move(base), std::move(items)));
      }
      case Tag::UnaryOp: {
        const auto& unary = as<UnaryNode>(node);
        return unary_op_new(unary.op(), expression(unary.operand));
      }
      case Tag::BinaryOp: {
        const auto& binary = as<BinaryNode>(node);
        Expr left = expression(binary.left);
        Expr right = expression(binary.right);
        return binary.op() == BinaryKind::Pow ? pow_op_new(std::move(left), std::move(right))
                                              : mod_op_new(std::move(left), std::move(right));
      }
      case Tag::CommutativeOp: {
        // Rebuilt from the terms exactly as they come back: no folding, no flattening.
        const auto& commutative = as<CommutativeNode>(node);
        std::vector<Expr> terms;
        terms.reserve(commutative.terms.size());
        for (std::size_t i = 0; i < commutative.terms.size(); ++i) {
          terms.push_back(expression(commutative.terms[i]));
        }
        return commutative_op_new(commutative.op(), TermList(std::move(terms)));
      }
      case Tag::ReductionOp: {
        const auto& reduction = as<ReductionNode>(node);
        Rc<const ElementNode> index = element_node(variable(reduction.index));
        Expr condition_node = reduction.condition ? condition(reduction.condition) : Expr();
        Expr operand = expression(reduction.operand);
        return reduction_op_new(reduction.op(), std::move(index), std::move(condition_node),
                                std::move(operand));
      }
      default: return node;
    }
  }

  PyObject* replacer_;
};

}  // namespace

PyRef replace(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kReplace, args, nargs, kwnames);
  const Expr expr = convert_argument("expr", [&] { return expression_from_pyobject(arguments[0]); });
  convert_argument("replacer", [&] {
    if (PyCallable_Check(arguments[1]) == 0) raise(ErrorKind::Type, "replacer must be callable");
  });
  Rewriter rewriter(arguments[1]);
  return expression_into_py(rewriter.expression(expr));
}

}  // namespace zorvane::analysis
