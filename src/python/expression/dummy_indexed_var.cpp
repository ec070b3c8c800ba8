// DummyIndexedVar: a decision variable subscripted with slices, waiting for `sum()` or `prod()`.
#include "python/expression/dummy_indexed_var.hpp"

#include "core/expression/decision_var.hpp"
#include "core/expression/indexing.hpp"
#include "core/expression/reduction.hpp"
#include "python/conversion.hpp"
#include "python/docs.hpp"

namespace zorvane {

PyRef dummy_indexed_var_from_key(const Expr& variable, const KeyItems& key) {
  const auto& v = as<DecisionVarNode>(variable);
  DummyIndexed value{variable, {}, {}};
  std::size_t slices = 0;
  for (std::size_t position = 0; position < key.expressions.size(); ++position) {
    if (const Expr& expression = key.expressions[position]) {
      value.subscripts.push_back(expression);
      continue;
    }
    const auto* slice = reinterpret_cast<const PySliceObject*>(key.slices[slices++].get());
    Expr start = slice->start == Py_None ? make_number(NumericValue::of_integer(0))
                                         : expression_from_pyobject(slice->start);
    Expr stop;
    if (slice->stop != Py_None) {
      stop = expression_from_pyobject(slice->stop);
    } else if (position < v.shape.size()) {
      stop = v.shape[position];
    } else {
      refuse_missing_axis(variable, key.expressions.size());  // there is no axis to take the end from
    }
    if (slice->step != Py_None) refuse_slice_step(v, position, *expression_from_pyobject(slice->step));
    Rc<const ElementNode> index = dummy_index(v, position, std::move(start), std::move(stop));
    value.subscripts.push_back(Expr(index));
    value.dummy_indices.push_back(std::move(index));
  }
  validate_subscripts(value.subscripts);
  return new_instance(ClassId::DummyIndexedVar, std::move(value));
}

namespace {

// `sum()` and `prod()`: the variable subscripted by every item must be a scalar; the first dummy
// index is the outermost reduction. Each call builds a new, independent node.
template <ReductionKind Kind>
PyRef dummy_indexed_var_reduce(PyObject* self) {
  const Borrow<DummyIndexed> held = borrow<DummyIndexed>(self, ClassId::DummyIndexedVar);
  Expr operand = dummy_indexed_operand(*held);
  std::vector<IndexItem> index;
  index.reserve(held->dummy_indices.size());
  for (const Rc<const ElementNode>& element : held->dummy_indices) index.push_back({element, Expr()});
  return expression_into_py(build_reductions(Kind, std::move(index), std::move(operand)));
}

PyMethodDef kMethods[] = {
    noargs_method<dummy_indexed_var_reduce<ReductionKind::Sum>>("sum", docs::kMethodDummyIndexedVarSum),
    noargs_method<dummy_indexed_var_reduce<ReductionKind::Prod>>("prod", docs::kMethodDummyIndexedVarProd),
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

const ClassDef kDummyIndexedVarClass{
    .basicsize = sizeof(Instance<DummyIndexed>),
    .dealloc = &dealloc_instance<DummyIndexed>,
    .tp_new = nullptr,
    .vectorcall = nullptr,
    .slots = {},
    .methods = kMethods,
    .getset = nullptr,
    .attributes = {},
};

}  // namespace zorvane
