// replace: a top-down rewrite of an expression. It runs on the one tree walk, so its C stack
// use does not grow with the height of the tree.
#include "core/analysis/replace.hpp"

#include <vector>

#include "core/expression/arithmetic.hpp"
#include "core/expression/function_nodes.hpp"
#include "core/expression/indexing.hpp"
#include "core/expression/reduction.hpp"
#include "core/expression/tree_walk.hpp"

namespace zorvane {
namespace {

// The replacer gave the node back: the very node (an object holding it was returned), or an
// equal one. Identity comes first because equality never holds for a tree with a NaN literal,
// which would otherwise stop the walk there and leave the leaves below unvisited.
bool unchanged(const Expr& replaced, const Expr& node) {
  return replaced.get() == node.get() || expression_eq(*replaced, *node);
}

bool is_leaf(const Node& node) noexcept {
  return node.tag == Tag::NumberLit || node.tag == Tag::Placeholder || node.tag == Tag::Element ||
         node.tag == Tag::DecisionVar;
}

// The node again from its rewritten children (and base: a subscript's variable, a reduction's
// index), through the builder of its kind, without its own LaTeX string. The kinds that are
// never walked into (leaves, array lengths, the range inside an element) stand as they are.
struct Rebuild {
  Expr base;
  std::vector<Expr> done;

  Expr operator()(const SubscriptNode&) {
    validate_subscripts(done);
    return subscript_into_scalar(build_subscript(std::move(base), ExprList(std::move(done))));
  }
  Expr operator()(const UnaryNode& node) { return build_unary(node.op(), std::move(done[0])); }
  Expr operator()(const BinaryNode& node) {
    return node.op() == BinaryKind::Pow ? make_pow(std::move(done[0]), std::move(done[1]))
                                        : make_mod(std::move(done[0]), std::move(done[1]));
  }
  // The terms exactly as they come back: no folding, no flattening.
  Expr operator()(const CommutativeNode& node) { return make_commutative(node.op(), TermList(std::move(done))); }
  Expr operator()(const ReductionNode& node) {
    Expr condition = node.condition ? std::move(done[0]) : Expr();
    return build_reduction(node.op(), element_node(std::move(base)), std::move(condition), std::move(done.back()));
  }
  Expr operator()(const ComparisonNode& node) {
    return make_comparison(node.op(), std::move(done[0]), std::move(done[1]));
  }
  Expr operator()(const LogicalNode& node) { return make_logical(node.op(), std::move(done)); }
  Expr operator()(const NumberLitNode& node) { return share(node); }
  Expr operator()(const PlaceholderNode& node) { return share(node); }
  Expr operator()(const ElementNode& node) { return share(node); }
  Expr operator()(const DecisionVarNode& node) { return share(node); }
  Expr operator()(const ArrayLengthNode& node) { return share(node); }
  Expr operator()(const RangeNode& node) { return share(node); }
};

class Rewriter : public WalkHooks {
 public:
  explicit Rewriter(Replacer& replacer) noexcept : replacer_(replacer) {}

  Expr run(const Node& root) {
    walk_tree(root, *this);
    return std::move(done_.back());
  }

  // Shows the node to the replacer. A node settled here (a replacement, a leaf, an array
  // length) leaves its result and is not walked into; otherwise its children are rewritten.
  Visit enter(const Node& node, const WalkFrame* parent) {
    if (!condition_position(parent) && is_leaf(node)) {
      done_.push_back(replacer_.leaf(node));
      return Visit::SkipChildren;
    }
    const Expr here = share(node);
    std::optional<Expr> replaced = replacer_.node(node, condition_position(parent));
    if (replaced && !unchanged(*replaced, here)) {
      done_.push_back(std::move(*replaced));
      return Visit::SkipChildren;
    }
    Expr base;
    switch (node.tag) {
      case Tag::ArrayLength:
        done_.push_back(array_length(here));
        return Visit::SkipChildren;
      case Tag::Subscript: {
        const auto& subscript = as<SubscriptNode>(node);
        if (subscript.variable->tag == Tag::Subscript) {
          // Subscripts of subscripts are joined when built, so none can reach here.
          raise(ErrorKind::Value, "Subscripted variable with subscript is not supported");
        }
        base = into_subscripted_variable(replacer_.variable(*subscript.variable));
        break;
      }
      case Tag::ReductionOp: base = replacer_.variable(*as<ReductionNode>(node).index); break;
      default: break;
    }
    bases_.push_back(std::move(base));
    return Visit::Continue;
  }

  // The children that are rewritten: a subscript's subscripts (its variable is its base), a
  // reduction's condition and body (its index is its base), every child of the other nodes.
  const Node* next_child(WalkFrame& frame) {
    const Node& node = *frame.node;
    if (node.tag == Tag::Subscript) {
      const auto& items = as<SubscriptNode>(node).subscripts;
      return frame.next < items.size() ? items[frame.next++].get() : nullptr;
    }
    if (node.tag == Tag::ReductionOp && frame.next == 0) ++frame.next;  // past the index
    return WalkHooks::next_child(frame);
  }

  void leave(const WalkFrame& frame) {
    const std::size_t children = frame.node->tag == Tag::ReductionOp ? frame.next - 1 : frame.next;
    const auto first = done_.end() - std::ptrdiff_t(children);
    std::vector<Expr> done(std::make_move_iterator(first), std::make_move_iterator(done_.end()));
    done_.erase(first, done_.end());
    Expr built = rebuild(*frame.node, std::move(bases_.back()), std::move(done));
    bases_.pop_back();
    done_.push_back(std::move(built));
  }

 private:
  // The terms of a logical node and a reduction's condition are conditions.
  static bool condition_position(const WalkFrame* parent) noexcept {
    if (parent == nullptr) return false;
    const Node& node = *parent->node;
    if (node.tag == Tag::Logical) return true;
    return node.tag == Tag::ReductionOp && as<ReductionNode>(node).condition && parent->next == 2;
  }

  Expr array_length(const Expr& node) {
    const auto& length = as<ArrayLengthNode>(node);
    Expr array = into_array_operand(replacer_.variable(*length.array));
    // An unchanged array keeps the node whole, with its LaTeX string and description.
    if (array->tag == length.array->tag && expression_eq(*array, *length.array)) return node;
    return build_array_length(std::move(array), length.axis, Text(), Text());
  }

  static Expr rebuild(const Node& node, Expr base, std::vector<Expr> done) {
    return visit(node, Rebuild{std::move(base), std::move(done)});
  }

  Replacer& replacer_;
  std::vector<Expr> done_;   // rewritten children of the frames being walked, in order
  std::vector<Expr> bases_;  // the rewritten base of each frame being walked (or null)
};

}  // namespace

Expr replace(const Node& root, Replacer& replacer) {
  Rewriter rewriter(replacer);
  return rewriter.run(root);
}

}  // namespace zorvane
