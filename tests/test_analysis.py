"""Model analysis: extract_nodes, extract_variables, the degree functions and is_same."""
import math

import pytest

import protobuf_wire as W

import zorvane as zv
from model_support import BadIndex, Interrupt, dummy, fails, problem, styled, var

a, b, n, m = zv.Placeholder("a"), zv.Placeholder("b"), zv.Placeholder("n"), zv.Placeholder("m")
s1, s2 = zv.Placeholder("s", ndim=1), zv.Placeholder("s", ndim=2)
x, y = zv.BinaryVar("x"), zv.ContinuousVar("y", lower_bound=0, upper_bound=1)
z = zv.IntegerVar("z", lower_bound=0, upper_bound=9)
w3, w4, x10 = zv.BinaryVar("w", shape=[3]), zv.BinaryVar("w", shape=[4]), zv.BinaryVar("x", shape=[10])
v10, v3 = zv.BinaryVar("v", shape=[10, 10]), zv.BinaryVar("v", shape=[3, 3])
i3, i4, i10 = zv.Element("i", belong_to=(0, 3)), zv.Element("i", belong_to=(0, 4)), zv.Element("i", belong_to=(0, 10))
i_n, j_n, j3 = zv.Element("i", belong_to=n), zv.Element("j", belong_to=(0, n)), zv.Element("j", belong_to=(0, 3))
xn = zv.BinaryVar("x", shape=[n])
i_s = zv.Element("i", belong_to=s1)
rows = zv.Element("i", belong_to=s2)  # ndim 1
cell = zv.Element("j", belong_to=rows)
C, T = zv.Constraint, zv.CustomPenaltyTerm
UNSUPPORTED = "the type of obj (= {}) is unsupported"


def described(objects):
    """Each object as its class name, then its name or value when it has one."""
    def one(o):
        extra = None if type(o) is zv.Subscript else getattr(o, "name", getattr(o, "value", None))
        return type(o).__name__ + ("" if extra is None else f":{extra}")
    return " ".join(one(o) for o in objects)


@pytest.mark.parametrize("make, classes, expected", [
    (lambda: a + b, zv.Placeholder, "Placeholder:a Placeholder:b"),
    # classes are matched by identity: a ContinuousVar is not a BinaryVar
    (lambda: a * x + b * y + 123, (zv.BinaryVar, zv.Placeholder), "Placeholder:a BinaryVar:x Placeholder:b"),
    (lambda: a * x + b * y + 123, (zv.BinaryVar, zv.ContinuousVar, zv.Placeholder),
     "Placeholder:a BinaryVar:x Placeholder:b ContinuousVar:y"),
    (lambda: a + b, (), ""), (lambda: a + b, object, ""), (lambda: a + b, zv.Range, ""),
    (lambda: 5, zv.NumberLit, "NumberLit:5"), (lambda: 2.5, zv.NumberLit, "NumberLit:2.5"),
    (lambda: True, zv.NumberLit, "NumberLit:1"), (lambda: zv.NumberLit(7), zv.NumberLit, "NumberLit:7"),
    # pre-order, into element sets and variable shapes but not bounds
    (lambda: a * x + 1, (zv.AddOp, zv.MulOp, zv.Placeholder, zv.BinaryVar, zv.NumberLit),
     "AddOp MulOp Placeholder:a BinaryVar:x NumberLit:1"),
    (lambda: xn[i_s], zv.Placeholder, "Placeholder:n Placeholder:s"),
    (lambda: xn[i_s], (zv.Subscript, zv.BinaryVar, zv.Placeholder, zv.Element),
     "Subscript BinaryVar:x Placeholder:n Element:i Placeholder:s"),
    (lambda: zv.sum(i10, x10[i10]), zv.Element, "Element:i Element:i"),
    (lambda: zv.sum(i10, x10[i10]), (zv.SumOp, zv.Element, zv.NumberLit),
     "SumOp Element:i NumberLit:0 NumberLit:10 NumberLit:10 Element:i NumberLit:0 NumberLit:10"),
    (lambda: i10, zv.NumberLit, "NumberLit:0 NumberLit:10"),
    (lambda: zv.sum((i4, i4 != 2), w4[i4]), (zv.NotEqualOp, zv.Element), "Element:i NotEqualOp Element:i Element:i"),
    (lambda: x == 1, zv.EqualOp, "EqualOp"),
    (lambda: (x == 1) & ((x <= 2) | (x >= 0)),
     (zv.AndOp, zv.OrOp, zv.EqualOp, zv.LessThanEqualOp, zv.GreaterThanEqualOp),
     "AndOp EqualOp OrOp LessThanEqualOp GreaterThanEqualOp"),
    # model objects: objective, constraints, then penalty terms, each in name order
    (lambda: problem(a * x, T("t2", zv.BinaryVar("t2v")), C("c2", zv.BinaryVar("c2v") == 1),
                     C("c1", w3[i3] <= a, forall=i3), T("t1", zv.BinaryVar("t1v"))),
     zv.BinaryVar, "BinaryVar:x BinaryVar:w BinaryVar:c2v BinaryVar:t1v BinaryVar:t2v"),
    (lambda: C("c1", w3[i3] <= a, forall=i3), (zv.Placeholder, zv.Element, zv.BinaryVar),
     "BinaryVar:w Element:i Placeholder:a Element:i"),
    (lambda: T("t", w3[i3], forall=[(i3, i3 != 1)]), (zv.Element, zv.NotEqualOp),
     "Element:i Element:i NotEqualOp Element:i"),
    (lambda: [rows, cell], zv.Element, "Element:i Element:j Element:i"),  # a forall list
    (lambda: rows, (zv.Element, zv.Placeholder), "Element:i Placeholder:s"),  # a non-scalar element alone
])
def test_extract_nodes(make, classes, expected):
    assert described(zv.extract_nodes(make(), classes)) == expected


@pytest.mark.parametrize("make, expected", [
    (lambda: 1, ""), (lambda: zv.NumberLit(2) + 3, ""),
    (lambda: a * x + a, "Placeholder:a BinaryVar:x"),
    (lambda: xn[i_s], "BinaryVar:x Placeholder:n Element:i Placeholder:s"),
    (lambda: zv.BinaryVar("x", shape=[s1.len_at(0)])[0], "BinaryVar:x ArrayLength Placeholder:s"),
    (lambda: zv.IntegerVar("z", lower_bound=0, upper_bound=b) + 1, "IntegerVar:z"),  # bounds are not walked
    # kinds and dimensions tell variables apart
    (lambda: zv.BinaryVar("v") + zv.IntegerVar("v", lower_bound=0, upper_bound=1), "BinaryVar:v IntegerVar:v"),
    (lambda: s1[0] + s2[0, 0], "Placeholder:s Placeholder:s"),
    (lambda: zv.Element("i", belong_to=(0, m)), "Element:i Placeholder:m"),
    (lambda: problem(zv.sum(i_n, x10[i_n]), C("c", var(zv.IntegerVar, "y", shape=[10])[i_n] == 1, forall=i_n),
                     T("t", var(zv.ContinuousVar, "z", shape=[10])[i_n], forall=i_n)),
     "Element:i Placeholder:n BinaryVar:x IntegerVar:y ContinuousVar:z"),
    *[(make, "BinaryVar:v Element:i Element:j Placeholder:n")
      for make in (lambda: C("c", v10[i10, j_n] <= 1, forall=[i10, (j_n, j_n != i10)]), lambda: v10[i10, j_n] <= 1)],
])
def test_extract_variables(make, expected):
    assert described(zv.extract_variables(make())) == expected


def test_extracted_nodes_are_copies_and_first_occurrences_win():
    e = a * x + 1
    top = zv.extract_nodes(e, zv.AddOp)[0]
    assert top is not e and zv.is_same(top, e)
    (first,) = zv.extract_variables(zv.Placeholder("a", description="first") + zv.Placeholder("a", description="2nd"))
    assert first.description == "first"
    # the same length with another LaTeX string or description counts once
    length, _ = zv.extract_variables(s1.len_at(0, latex="L") + s1.len_at(0, description="size"))
    assert length._repr_latex_() == "$$\\displaystyle L$$"
    assert zv.extract_nodes(obj=a, class_or_tuple=zv.Placeholder)[0].name == "a" == zv.extract_variables(obj=a)[0].name
    assert zv.is_same(src=a, dst=a) is True and zv.is_linear(expr=a) is False
    assert zv.extract_nodes.__doc__.startswith("Extract all nodes from the given object.")
    assert zv.extract_variables.__doc__.startswith("Extract all variables from the given object without duplication.")


ARGUMENT = ("argument 'class_or_tuple': 2nd arg of extract_node() must be a type or tuple of types, "
            "but the given type is ")
OBJECTS = [("x", "str"), ({}, "dict"), (None, "NoneType"), (s1, "Placeholder"), (w3, "BinaryVar"), (s2[0], "Subscript"),
           (w3[:], "DummyIndexedVar"), (zv.ProblemSense.MINIMIZE, "ProblemSense"), ([rows, rows], "list")]


@pytest.mark.parametrize("call, kind, message", [
    *[(lambda obj=obj: zv.extract_nodes(obj, zv.Element), TypeError, UNSUPPORTED.format(name))
      for obj, name in OBJECTS],
    *[(lambda obj=obj: zv.extract_variables(obj), TypeError, UNSUPPORTED.format(name)) for obj, name in OBJECTS],
    (lambda: zv.extract_nodes((rows, rows), zv.Element), TypeError, UNSUPPORTED.format("tuple")),
    # the filter is read before the object
    *[(lambda obj=obj, f=f: zv.extract_nodes(obj, f), TypeError, message)
      for f, message in [(1, ARGUMENT + "int"), ([zv.Placeholder], ARGUMENT + "list"),
                         ((zv.Placeholder, 1), "argument 'class_or_tuple': " + UNSUPPORTED.format("int")),
                         ((zv.Placeholder, "x"), "argument 'class_or_tuple': " + UNSUPPORTED.format("str"))]
      for obj in (a, "not a model object")],
    (lambda: zv.extract_nodes(1), TypeError,
     "extract_nodes() missing 1 required positional argument: 'class_or_tuple'"),
    (lambda: zv.extract_nodes(1, int, 2), TypeError, "extract_nodes() takes 2 positional arguments but 3 were given"),
    (lambda: zv.extract_variables(), TypeError, "extract_variables() missing 1 required positional argument: 'obj'"),
    (lambda: zv.extract_variables(1, x=1), TypeError, "extract_variables() got an unexpected keyword argument 'x'"),
    (lambda: zv.is_same(1), TypeError, "is_same() missing 1 required positional argument: 'dst'"),
    (lambda: zv.is_linear(), TypeError, "is_linear() missing 1 required positional argument: 'expr'"),
    (lambda: zv.is_quadratic(1, 2), TypeError, "is_quadratic() takes 1 positional arguments but 2 were given"),
    (lambda: zv.is_higher_order(obj=1), TypeError, "is_higher_order() got an unexpected keyword argument 'obj'"),
    (lambda: zv.is_dynamic_degree(), TypeError, "is_dynamic_degree() missing 1 required positional argument: 'expr'"),
    (lambda: zv.extract_nodes(BadIndex(), zv.Placeholder), Interrupt, None),
    (lambda: zv.extract_variables(BadIndex()), Interrupt, None),
    (lambda: zv.is_same(BadIndex(), 1), Interrupt, None),
    (lambda: zv.is_linear(BadIndex()), Interrupt, None),
    *[(lambda f=f, e=e: f(e), TypeError, "argument 'expr': failed to convert into expression.")
      for f in (zv.is_linear, zv.is_quadratic, zv.is_higher_order, zv.is_dynamic_degree)
      for e in (x == 1, zv.Problem("p"), [x], "x", s1, w3, C("c", x == 1), T("t", x))],
    (lambda: zv.is_linear(w3[:]), zv.ModelingError, dummy("BinaryVar", "w")),
])
def test_refusals(call, kind, message):
    fails(call, kind, message)


def swap(expr, old, new):
    """`expr` with every node like `old` replaced by `new`, rebuilt without the builders' checks."""
    return zv.replace(expr, lambda node: new if type(node) is type(old) and zv.is_same(node, old) else node)


LINEAR, QUADRATIC, HIGHER = (True, False, False, False), (False, True, False, False), (False, False, True, False)
CONSTANT, DYNAMIC = (False, False, False, False), (False, False, False, True)
TWO = zv.NumberLit(2)
UNARY = (zv.abs, zv.ceil, zv.floor, zv.ln, zv.log2, zv.log10)
i1, i_m = zv.Element("i", belong_to=(0, 1)), zv.Element("i", belong_to=(0, m))


@pytest.mark.parametrize("build, flags", [
    (lambda: x, LINEAR), (lambda: 3, CONSTANT), (lambda: 2.5, CONSTANT), (lambda: a, CONSTANT), (lambda: i3, CONSTANT),
    (lambda: x + 1, LINEAR), (lambda: a * x + 2 * y, LINEAR), (lambda: x * y, QUADRATIC), (lambda: x * y * z, HIGHER),
    (lambda: x * y + z, QUADRATIC), (lambda: x**2, QUADRATIC), (lambda: x**3 + y, HIGHER), (lambda: x**2.0, QUADRATIC),
    # a fractional or negative power of a variable has no polynomial degree
    (lambda: x**0.5, CONSTANT), (lambda: (x * y) ** 0.5, CONSTANT), (lambda: x**0.5 + y, CONSTANT),
    (lambda: swap(x**2, TWO, zv.NumberLit(-1)), CONSTANT), (lambda: a**0.5 * x, LINEAR),
    # ... also where the base holds the variable at degree 0
    (lambda: swap((a % 2) ** 0.5, a, x), CONSTANT), (lambda: swap((a**0) ** 0.5, a, x) + y, CONSTANT),
    (lambda: swap((a % 2) ** -1, a, x) * y, CONSTANT),
    (lambda: zv.from_protobuf(zv.to_protobuf(swap((a % 2) ** 0.5, a, x))), CONSTANT),
    (lambda: swap(x**2, TWO, a), DYNAMIC), (lambda: swap(x**2 + 1, TWO, a), DYNAMIC),
    (lambda: swap(3 * x**2, TWO, a), DYNAMIC), (lambda: swap(x**2 * y, TWO, a) ** 2, DYNAMIC),
    (lambda: zv.ceil(a) * x * y, QUADRATIC), (lambda: zv.min(a, 1) * x, LINEAR),
    *[(lambda f=f: f(a), CONSTANT) for f in UNARY], *[(lambda f=f: f(a) + x, LINEAR) for f in UNARY],
    (lambda: swap(a % 2, a, x), LINEAR),  # degree 0, maximum 1
    (lambda: swap(a % 2, a, x * y * z), HIGHER),
    (lambda: swap(2 % a, a, x) * x, QUADRATIC),  # a remainder has its divisor's degree
    (lambda: x / 2, LINEAR), (lambda: a / 2, CONSTANT),
    (lambda: w3[0], LINEAR), (lambda: s1[0], CONSTANT), (lambda: w3[0] * s1[1], LINEAR),
    (lambda: w3[0] * w3[1], QUADRATIC),
    (lambda: zv.prod(i3, w3[i3]), HIGHER), (lambda: zv.prod(i1, w3[i1]), LINEAR),
    (lambda: zv.prod(i_s, w3[i_s]), DYNAMIC), (lambda: zv.prod(i_m, w3[i_m]), DYNAMIC),
    *[(lambda k=k: zv.sum(k, w3[k]), LINEAR) for k in (i3, i_s, i_m)],
    *[(lambda k=k: zv.sum((k, k != 1), w3[k]), LINEAR) for k in (i3, i_s, i_m)],
    (lambda: zv.sum(i3, w3[i3] * w3[0]), QUADRATIC),
    (lambda: zv.prod(i_s, zv.BinaryVar("x", shape=(s1.len_at(0),))[i_s]), DYNAMIC),  # the documented example
])
def test_degree(build, flags):
    e = build()
    assert (zv.is_linear(e), zv.is_quadratic(e), zv.is_higher_order(e), zv.is_dynamic_degree(e)) == flags


# Trees only bytes can hold: an empty min or sum has degree -inf. A fractional power of a base without a
# decision variable keeps its polynomial answer; with one (even at degree -inf) it has none.
@pytest.mark.parametrize("nodes, flags", [
    ([W.decision_var(1, "x"), W.commutative(3, []), W.lit(0.5), W.binary(1, 1, 2), W.commutative(1, [0, 3])], LINEAR),
    # -inf ** -1 has degree -inf x -1 = +inf, as for any power of a literal exponent
    ([W.decision_var(1, "x"), W.commutative(1, []), W.lit(-1), W.binary(1, 1, 2), W.commutative(1, [0, 3])], HIGHER),
    ([W.decision_var(1, "x"), W.commutative(3, []), W.lit(0.5), W.commutative(2, [0, 1]), W.binary(1, 3, 2),
      W.decision_var(1, "y"), W.commutative(1, [4, 5])], CONSTANT),
])
def test_degree_of_powers_of_empty_terms(nodes, flags):
    e = zv.from_protobuf(W.expr_body(nodes, len(nodes) - 1))
    assert (zv.is_linear(e), zv.is_quadratic(e), zv.is_higher_order(e), zv.is_dynamic_degree(e)) == flags


def test_degree_docs():
    assert zv.is_linear.__doc__.startswith("Return true if the given expression is linear.")
    assert zv.is_quadratic.__doc__.startswith("Return true if the given expression is quadratic.")
    assert zv.is_higher_order.__doc__.startswith("Return true if the degree of the given expression is higher than 2.")
    assert zv.is_dynamic_degree.__doc__.startswith(
        "Return true if degree of the expression is not determined statically.")


def entries(order=True):
    both = [C("c1", x == 1), C("c2", w3[0] <= 1)]
    return [x, *(both if order else both[::-1]), T("t", w3[1])]


c_ij = C("c", v3[i3, j3] <= 1, forall=[i3, j3])
t_ij = T("t", v3[i3, j3], forall=[i3, j3])


@pytest.mark.parametrize("src, dst, result", [
    (a, zv.Placeholder("a"), True),
    (zv.Placeholder("a", latex="A"), zv.Placeholder("a", latex="B", description="d"), True),
    (a, zv.Placeholder("a", ndim=2), False), (s2, zv.Placeholder("s", ndim=2), True), (a, b, False),
    (a, zv.Element("a", belong_to=(0, 3)), False), (a, 1, False),
    (1, 1.0, True), (1, 2, False), (1, True, True), (0.5, zv.NumberLit(0.5), True), (math.nan, math.nan, False),
    (x + 1, x * 1 + 1, True), (x + y, x + y, True), (x + y, y + x, False),
    (x == 1, 1 == x, True), (x <= 1, 1 >= x, True), (x <= 1, x < 1, False),
    (styled(x == 1, "C"), x == 1, True),  # a condition's own LaTeX string does not count
    ((x == 1) & (x <= 2), (x == 1) & (x <= 2), True), ((x == 1) & (x <= 2), (x == 1) | (x <= 2), False),
    (w3[i3], w3[i3], True), (w3[i3], styled(w3[i3], "w^{(i)}"), False),  # a subscript's one does
    (zv.sum(i3, w3[i3]), zv.sum(i3, w3[i3]), True), (zv.sum(i3, w3[i3]), zv.prod(i3, w3[i3]), False),
    (zv.sum((i3, i3 != 1), w3[i3]), zv.sum(i3, w3[i3]), False),
    (rows, zv.Element("i", belong_to=s2), True), (rows, zv.Element("i", belong_to=zv.Placeholder("t", ndim=2)), False),
    (s2[0], s2[0], True), (s2[0], s2[1], False),
    (w3, zv.BinaryVar("w", shape=[3], description="d"), True), (w3, zv.BinaryVar("w", shape=[4]), False),
    (rows.belong_to, zv.Element("k", belong_to=s2).belong_to, True),
    (i3.belong_to, zv.Element("q", belong_to=(0, 3.0)).belong_to, True),
    (i3.belong_to, zv.Element("q", belong_to=(1, 3)).belong_to, False),
    # problems: constraints by name, whatever the order they came in; sense, entries and name count
    (problem(*entries()), problem(*entries(False)), True),
    (problem(*entries()), problem(*entries(), sense=zv.ProblemSense.MAXIMIZE), False),
    (problem(*entries()), problem(*entries(), C("c3", x <= 1)), False),
    (problem(*entries()), problem(*entries(), T("t", w3[2])), False),
    (zv.Problem("p"), zv.Problem("q"), False),
    (c_ij, C("c", v3[i3, j3] <= 1, forall=[i3, j3]), True),
    (c_ij, C("c", v3[i3, j3] <= 1, forall=[i3, (j3, j3 != i3)]), False),
    (c_ij, C("d", v3[i3, j3] <= 1, forall=[i3, j3]), False),
    (c_ij, C("c", v3[i3, j3] >= 1, forall=[i3, j3]), False),
    (c_ij, C("c", v3[i3, j3] <= 1, forall=[j3, i3]), False),
    (t_ij, T("t", v3[i3, j3], forall=[i3, j3]), True),
    (t_ij, T("t", v3[i3, j3], forall=[i3, (j3, j3 != i3)]), False),
])
def test_is_same(src, dst, result):
    assert zv.is_same(src, dst) is result


@pytest.mark.parametrize("src, dst", [
    ("a", "a"), (zv.Problem("p"), C("c", x == 1)), (x == 1, x), ([1], [1]), (w3[:], w3[:]),
    (s1, zv.BinaryVar("s", shape=[1])), (w3, zv.IntegerVar("w", shape=[3], lower_bound=0, upper_bound=1)),
])
def test_is_same_type_errors(src, dst):
    message = "the type of src (= {}) is different from the type of dst (= {}), or one of them is unsupported type"
    fails(lambda: zv.is_same(src, dst), TypeError, message.format(type(src).__name__, type(dst).__name__))
