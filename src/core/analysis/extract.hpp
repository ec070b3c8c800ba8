// The nodes of a model object that extract_nodes and extract_variables report.
#pragma once

#include <functional>
#include <vector>

#include "core/expression/node_set.hpp"
#include "core/model/model_object.hpp"

namespace zorvane {

/// Every node of the walk for which `wanted` holds, in pre-order, once per occurrence (a node
/// shared by several parents as often as it is met). Element sets come after their element,
/// shapes after their variable; bounds are not walked.
std::vector<Expr> extract_nodes(const ModelObject& object, const std::function<bool(const Node&)>& wanted);

/// Placeholders, elements, array lengths and decision variables, each once (by `same_variable`,
/// the name check's rule), in the order first met. Element sets come after their element, shapes after their
/// variable.
VariableSet<Node> extract_variables(const ModelObject& object);

}  // namespace zorvane
