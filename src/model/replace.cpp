// replace: a top-down rewrite of an expression by a Python callable. The callable sees each
// node (parents before children, children first to last); what it returns in place of a node
// stands in the result, and where it gives a node back unchanged the walk goes on into the
// node's children and rebuilds the node from them, without the node's own LaTeX string.
//
// The walk keeps its own stack of frames on the heap: a frame per node whose children are being
// rewritten. Its C stack use does not grow with the height of the tree.
#include <array>
#include <optional>
#include <vector>

#include "model/analysis.hpp"
#include "model/attempt.hpp"
#include "model/expression/arithmetic.hpp"
#include "model/expression/conversion.hpp"
#include "model/expression/function_nodes.hpp"
#include "model/expression/indexing.hpp"
#include "model/expression/reduction.hpp"

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

bool is_leaf(const Node& node) noexcept {
  return node.tag == Tag::NumberLit || node.tag == Tag::Placeholder || node.tag == Tag::Element ||
         node.tag == Tag::DecisionVar;
}

// A node whose children are being rewritten. `base` is what its variable position came back as
// (a subscript's variable, a reduction's index), read before any child.
struct Frame {
  Expr node;
  Expr base;
  std::size_t next = 0;
  std::vector<Expr> done;  // rewritten children, in order
};

// One child of a frame: the node and whether it stands at a condition position.
struct Child {
  const Expr* node;
  bool condition;
};

class Rewriter {
 public:
  explicit Rewriter(PyObject* replacer) noexcept : replacer_(replacer) {}

  Expr run(const Expr& root) {
    if (std::optional<Expr> result = enter(root, false)) return *std::move(result);
    while (true) {
      const std::size_t top = frames_.size() - 1;
      if (std::optional<Child> child = child_at(frames_[top])) {
        ++frames_[top].next;
        // May push a frame; `frames_[top]` is looked up again after it.
        if (std::optional<Expr> result = enter(*child->node, child->condition)) {
          frames_[top].done.push_back(*std::move(result));
        }
        continue;
      }
      Expr built = rebuild(frames_[top]);
      frames_.pop_back();
      if (frames_.empty()) return built;
      frames_.back().done.push_back(std::move(built));
    }
  }

 private:
  PyRef call(const Expr& node) {
    PyRef argument = expression_into_py(node);
    return checked(PyObject_CallOneArg(replacer_, argument.get()));
  }

  // Shows the node to the replacer. Returns the rewritten node when it is settled here (a
  // replacement, a leaf, an array length); otherwise pushes a frame for its children.
  std::optional<Expr> enter(const Expr& node, bool condition) {
    if (!condition && is_leaf(*node)) {
      // A leaf: whatever the replacer returns stands, and its failures are the result.
      PyRef result = call(node);
      return expression_from_pyobject(result.get());
    }
    // Elsewhere a failed call or an unconvertible result only means "go on into the children".
    Expr replaced;
    const bool read = attempt([&] {
      PyRef result = call(node);
      replaced = condition ? conditional_from_pyobject(result.get()) : expression_from_pyobject(result.get());
    });
    if (read && !unchanged(replaced, node)) return replaced;

    Frame frame{node, Expr(), 0, {}};
    switch (node->tag) {
      case Tag::ArrayLength: return array_length(node);
      case Tag::Subscript: {
        const auto& subscript = as<SubscriptNode>(node);
        if (subscript.variable->tag == Tag::Subscript) {
          // Subscripts of subscripts are joined when built, so none can reach here.
          raise(ErrorKind::Value, "Subscripted variable with subscript is not supported");
        }
        frame.base = into_subscripted_variable(variable(subscript.variable));
        break;
      }
      case Tag::ReductionOp: frame.base = variable(as<ReductionNode>(node).index); break;
      default: break;
    }
    frames_.push_back(std::move(frame));
    return std::nullopt;
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

  Expr array_length(const Expr& node) {
    const auto& length = as<ArrayLengthNode>(node);
    Expr array = into_array_operand(variable(length.array));
    // An unchanged array keeps the node whole, with its LaTeX string and description.
    if (array->tag == length.array->tag && expression_eq(*array, *length.array)) return node;
    return new_array_length(std::move(array), length.axis, Text(), Text());
  }

  static std::optional<Child> child_at(const Frame& frame) {
    const Node& node = *frame.node;
    const std::size_t k = frame.next;
    switch (node.tag) {
      case Tag::Subscript: {
        const auto& items = as<SubscriptNode>(node).subscripts;
        if (k < items.size()) return Child{&items[k], false};
        return std::nullopt;
      }
      case Tag::UnaryOp:
        if (k == 0) return Child{&as<UnaryNode>(node).operand, false};
        return std::nullopt;
      case Tag::BinaryOp: {
        const auto& binary = as<BinaryNode>(node);
        if (k < 2) return Child{k == 0 ? &binary.left : &binary.right, false};
        return std::nullopt;
      }
      case Tag::CommutativeOp: {
        const TermList& terms = as<CommutativeNode>(node).terms;
        if (k < terms.size()) return Child{&terms[k], false};
        return std::nullopt;
      }
      case Tag::ReductionOp: {
        // The condition (when there is one), then the body.
        const auto& reduction = as<ReductionNode>(node);
        const std::size_t conditions = reduction.condition ? 1 : 0;
        if (k < conditions) return Child{&reduction.condition, true};
        if (k == conditions) return Child{&reduction.operand, false};
        return std::nullopt;
      }
      case Tag::Comparison: {
        const auto& comparison = as<ComparisonNode>(node);
        if (k < 2) return Child{k == 0 ? &comparison.left : &comparison.right, false};
        return std::nullopt;
      }
      case Tag::Logical: {
        const auto& terms = as<LogicalNode>(node).terms;
        if (k < terms.size()) return Child{&terms[k], true};
        return std::nullopt;
      }
      default: return std::nullopt;
    }
  }

  // The node again from its rewritten children, through the builder of its kind, without its
  // own LaTeX string.
  static Expr rebuild(Frame& frame) {
    const Node& node = *frame.node;
    std::vector<Expr>& done = frame.done;
    switch (node.tag) {
      case Tag::Subscript:
        validate_subscripts(done);
        return subscript_into_scalar(build_subscript(std::move(frame.base), std::move(done)));
      case Tag::UnaryOp: return unary_op_new(as<UnaryNode>(node).op(), std::move(done[0]));
      case Tag::BinaryOp:
        return as<BinaryNode>(node).op() == BinaryKind::Pow ? pow_op_new(std::move(done[0]), std::move(done[1]))
                                                            : mod_op_new(std::move(done[0]), std::move(done[1]));
      case Tag::CommutativeOp:
        // Rebuilt from the terms exactly as they come back: no folding, no flattening.
        return commutative_op_new(as<CommutativeNode>(node).op(), TermList(std::move(done)));
      case Tag::ReductionOp: {
        const auto& reduction = as<ReductionNode>(node);
        Expr condition = reduction.condition ? std::move(done[0]) : Expr();
        return reduction_op_new(reduction.op(), element_node(std::move(frame.base)), std::move(condition),
                                std::move(done.back()));
      }
      case Tag::Comparison:
        return make_node<ComparisonNode>([&](ComparisonNode& n) {
          n.left = std::move(done[0]);
          n.right = std::move(done[1]);
        }, as<ComparisonNode>(node).op());
      case Tag::Logical:
        return make_node<LogicalNode>([&](LogicalNode& n) { n.terms = std::move(done); },
                                      as<LogicalNode>(node).op());
      default: return frame.node;
    }
  }

  PyObject* replacer_;
  std::vector<Frame> frames_;
};

}  // namespace

PyRef replace(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kReplace, args, nargs, kwnames);
  const Expr expr = convert_argument("expr", [&] { return expression_from_pyobject(arguments[0]); });
  convert_argument("replacer", [&] {
    if (PyCallable_Check(arguments[1]) == 0) raise(ErrorKind::Type, "replacer must be callable");
  });
  Rewriter rewriter(arguments[1]);
  return expression_into_py(rewriter.run(expr));
}

}  // namespace zorvane::analysis
