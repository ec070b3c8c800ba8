// extract_nodes and extract_variables: two visitors of the model walk.
#include "core/analysis/extract.hpp"

namespace zorvane {
namespace {

class NodeExtractor final : public ExpressionVisitor {
 public:
  explicit NodeExtractor(const std::function<bool(const Node&)>& wanted) noexcept
      : ExpressionVisitor({.element_sets = true, .shapes = true}), wanted_(wanted) {}

  void visit_node(const Node& node) override {
    if (wanted_(node)) nodes_.push_back(share(node));
  }
  std::vector<Expr> take() noexcept { return std::move(nodes_); }

 private:
  const std::function<bool(const Node&)>& wanted_;
  std::vector<Expr> nodes_;
};

class VariableCollector final : public ExpressionVisitor {
 public:
  VariableCollector()  // not `noexcept`: making the ordered set allocates
      : ExpressionVisitor({.element_sets = true, .shapes = true, .once_per_node = true}) {}
  void visit_node(const Node& node) override {
    if (node.tag == Tag::ArrayLength) variables_.insert(share(node));
  }
  void visit_placeholder(const PlaceholderNode& placeholder) override {
    variables_.insert(share(placeholder));
  }
  void visit_element(const ElementNode& element) override {
    variables_.insert(share(element));
  }
  void visit_decision_var(const DecisionVarNode& variable) override {
    variables_.insert(share(variable));
  }
  VariableSet<Node> take() noexcept { return std::move(variables_); }

 private:
  VariableSet<Node> variables_;
};

}  // namespace

std::vector<Expr> extract_nodes(const ModelObject& object, const std::function<bool(const Node&)>& wanted) {
  NodeExtractor extractor(wanted);
  walk_model_object(extractor, object);
  return extractor.take();
}

VariableSet<Node> extract_variables(const ModelObject& object) {
  VariableCollector collector;
  walk_model_object(collector, object);
  return collector.take();
}

}  // namespace zorvane
