// Degree analysis: is_linear, is_quadratic, is_higher_order and is_dynamic_degree.
#include <cmath>
#include <limits>

#include "model/analysis.hpp"
#include "model/expression/conversion.hpp"
#include "model/expression/expression.hpp"

namespace zorvane {
namespace {

double term_degrees(DegreeInfo& info, const CommutativeNode& node) noexcept {
  const bool product = node.op() == CommutativeKind::Mul;
  double degree = product ? 0.0 : -std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < node.terms.size(); ++i) {
    // Each term into a record of its own, so one term's degree does not disturb the next.
    DegreeInfo term;
    compute_degree(term, *node.terms[i]);
    info.is_dynamic = info.is_dynamic || term.is_dynamic;
    info.non_polynomial = info.non_polynomial || term.non_polynomial;
    info.max_degree = std::fmax(info.max_degree, term.max_degree);
    degree = product ? degree + term.degree : std::fmax(degree, term.degree);
  }
  return degree;
}

// A literal range gives a product a fixed number of factors; any other set leaves it to data.
bool literal_range_length(const ElementNode& index, double& length) noexcept {
  if (index.set->tag != Tag::Range) return false;
  const auto& range = as<RangeNode>(index.set);
  const NumericValue* start = literal_value(*range.start);
  const NumericValue* end = literal_value(*range.end);
  if (start == nullptr || end == nullptr) return false;
  length = end->as_double() - start->as_double();
  return true;
}

}  // namespace

DegreeInfo::DegreeInfo() noexcept : max_degree(-std::numeric_limits<double>::infinity()) {}

void compute_degree(DegreeInfo& info, const Node& node) noexcept {
  double degree = 0.0;
  switch (node.tag) {
    case Tag::DecisionVar: degree = 1.0; break;
    case Tag::Subscript:
      degree = as<SubscriptNode>(node).variable->tag == Tag::DecisionVar ? 1.0 : 0.0;
      break;
    case Tag::BinaryOp: {
      const auto& binary = as<BinaryNode>(node);
      if (binary.op() == BinaryKind::Pow) {
        compute_degree(info, *binary.left);
        degree = info.degree;
        if (const NumericValue* exponent = literal_value(*binary.right)) {
          const double power = exponent->as_double();
          if (degree != 0.0 && !(power >= 0.0 && std::floor(power) == power)) info.non_polynomial = true;
          degree *= power;
        } else {
          info.is_dynamic = true;
        }
      } else {
        compute_degree(info, *binary.left);
        compute_degree(info, *binary.right);
        degree = info.degree;
      }
      break;
    }
    case Tag::CommutativeOp: degree = term_degrees(info, as<CommutativeNode>(node)); break;
    case Tag::ReductionOp: {
      const auto& reduction = as<ReductionNode>(node);
      compute_degree(info, *reduction.operand);
      degree = info.degree;
      if (reduction.op() == ReductionKind::Prod) {
        double length = 0.0;
        if (literal_range_length(*reduction.index, length)) {
          degree *= length;
        } else {
          info.is_dynamic = true;
        }
      }
      break;
    }
    // Literals, placeholders, elements, array lengths and unary functions (whose operand is
    // not evaluated) have degree 0.
    default: degree = 0.0; break;
  }
  info.degree = degree;
  info.max_degree = std::fmax(info.max_degree, degree);
}

namespace analysis {
namespace {

template <const char* const& Name>
constexpr Signature kSignature{.function = Name, .names = {"expr"}, .positional = 1, .required_positional = 1};

constexpr const char* kIsLinear = "is_linear";
constexpr const char* kIsQuadratic = "is_quadratic";
constexpr const char* kIsHigherOrder = "is_higher_order";
constexpr const char* kIsDynamicDegree = "is_dynamic_degree";

template <const char* const& Name>
DegreeInfo degree_of(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Arguments arguments = parse_arguments(kSignature<Name>, args, nargs, kwnames);
  const Expr expression = convert_argument("expr", [&] { return expression_from_pyobject(arguments[0]); });
  DegreeInfo info;
  compute_degree(info, *expression);
  return info;
}

PyRef boolean(bool value) { return PyRef::borrow(value ? Py_True : Py_False); }

}  // namespace

PyRef is_linear(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const DegreeInfo info = degree_of<kIsLinear>(args, nargs, kwnames);
  return boolean(!info.is_dynamic && !info.non_polynomial && info.max_degree == 1.0);
}

PyRef is_quadratic(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const DegreeInfo info = degree_of<kIsQuadratic>(args, nargs, kwnames);
  return boolean(!info.is_dynamic && !info.non_polynomial && info.max_degree == 2.0);
}

PyRef is_higher_order(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const DegreeInfo info = degree_of<kIsHigherOrder>(args, nargs, kwnames);
  return boolean(!info.is_dynamic && !info.non_polynomial && info.max_degree > 2.0);
}

PyRef is_dynamic_degree(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return boolean(degree_of<kIsDynamicDegree>(args, nargs, kwnames).is_dynamic);
}

}  // namespace analysis
}  // namespace zorvane
