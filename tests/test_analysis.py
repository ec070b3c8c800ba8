"""Model analysis: extract_nodes, extract_variables, the degree functions and is_same."""
import pytest

import zorvane as zv


class Interrupt(BaseException):
    """Not an `Exception`: readings that try several interpretations must never swallow it."""


@pytest.fixture
def a():
    return zv.Placeholder("a")


@pytest.fixture
def b():
    return zv.Placeholder("b")


@pytest.fixture
def x():
    return zv.BinaryVar("x")


@pytest.fixture
def y():
    return zv.ContinuousVar("y", lower_bound=0, upper_bound=1)


@pytest.fixture
def z():
    return zv.IntegerVar("z", lower_bound=0, upper_bound=9)


def names(objects):
    return [o.name for o in objects]


def same_list(got, want):
    assert len(got) == len(want), (got, want)
    for g, w in zip(got, want):
        assert type(g) is type(w), (g, w)
        assert zv.is_same(g, w), (g, w)


# ---- extract_nodes ------------------------------------------------------------------------------


def test_extract_nodes_examples(a, b, x, y):
    same_list(zv.extract_nodes(a + b, zv.Placeholder), [a, b])
    # classes are matched by identity: a ContinuousVar is not a BinaryVar
    same_list(zv.extract_nodes(a * x + b * y + 123, (zv.BinaryVar, zv.Placeholder)), [a, x, b])
    same_list(zv.extract_nodes(a * x + b * y + 123, (zv.BinaryVar, zv.ContinuousVar, zv.Placeholder)), [a, x, b, y])
    assert zv.extract_nodes(a + b, ()) == []
    assert zv.extract_nodes(a + b, object) == []
    assert zv.extract_nodes(a + b, zv.Range) == []


@pytest.mark.parametrize("value", [5, 2.5, True, zv.NumberLit(7)])
def test_extract_nodes_of_numbers(value):
    got = zv.extract_nodes(value, zv.NumberLit)
    assert len(got) == 1 and type(got[0]) is zv.NumberLit
    assert got[0].value == value if not isinstance(value, zv.NumberLit) else got[0].value == 7


def test_extract_nodes_pre_order(a, x):
    e = a * x + 1
    got = zv.extract_nodes(e, (zv.AddOp, zv.MulOp, zv.Placeholder, zv.BinaryVar, zv.NumberLit))
    assert [type(o).__name__ for o in got] == ["AddOp", "MulOp", "Placeholder", "BinaryVar", "NumberLit"]
    assert got[0] is not e
    assert zv.is_same(got[0], e)


def test_extract_nodes_reaches_sets_and_shapes():
    n = zv.Placeholder("n")
    s = zv.Placeholder("s", ndim=1)
    x = zv.BinaryVar("x", shape=[n])
    i = zv.Element("i", belong_to=s)
    assert names(zv.extract_nodes(x[i], zv.Placeholder)) == ["n", "s"]
    got = zv.extract_nodes(x[i], (zv.Subscript, zv.BinaryVar, zv.Placeholder, zv.Element))
    assert [type(o).__name__ for o in got] == ["Subscript", "BinaryVar", "Placeholder", "Element", "Placeholder"]


def test_extract_nodes_sum_index_twice():
    i = zv.Element("i", belong_to=(0, 10))
    x = zv.BinaryVar("x", shape=[10])
    got = zv.extract_nodes(zv.sum(i, x[i]), zv.Element)
    assert names(got) == ["i", "i"]
    got = zv.extract_nodes(zv.sum(i, x[i]), (zv.SumOp, zv.Element, zv.NumberLit))
    # the sum, its index and the index's bounds, then in the body the shape of `x` (its bounds 0
    # and 1 are not walked), the element and its bounds
    assert [type(o).__name__ for o in got] == [
        "SumOp", "Element", "NumberLit", "NumberLit", "NumberLit", "Element", "NumberLit", "NumberLit",
    ]
    assert [o.value for o in got if type(o) is zv.NumberLit] == [0, 10, 10, 0, 10]


def test_extract_nodes_of_range_bounds():
    i = zv.Element("i", belong_to=(0, 10))
    assert [o.value for o in zv.extract_nodes(i, zv.NumberLit)] == [0, 10]


def test_extract_nodes_with_condition(x):
    i = zv.Element("i", belong_to=(0, 4))
    j = zv.Element("j", belong_to=(0, 4))
    w = zv.BinaryVar("w", shape=[4])
    e = zv.sum((i, i != 2), w[i])
    got = zv.extract_nodes(e, (zv.NotEqualOp, zv.Element))
    assert [type(o).__name__ for o in got] == ["Element", "NotEqualOp", "Element", "Element"]
    c = x == 1
    assert type(zv.extract_nodes(c, zv.EqualOp)[0]) is zv.EqualOp
    logical = (x == 1) & ((x <= 2) | (x >= 0))
    got = zv.extract_nodes(logical, (zv.AndOp, zv.OrOp, zv.EqualOp, zv.LessThanEqualOp, zv.GreaterThanEqualOp))
    assert [type(o).__name__ for o in got] == ["AndOp", "EqualOp", "OrOp", "LessThanEqualOp", "GreaterThanEqualOp"]
    del j


def test_extract_nodes_of_model_objects(x, a):
    i = zv.Element("i", belong_to=(0, 3))
    w = zv.BinaryVar("w", shape=[3])
    p = zv.Problem("p")
    p += a * x
    p += zv.CustomPenaltyTerm("t2", zv.BinaryVar("t2v"))
    p += zv.Constraint("c2", zv.BinaryVar("c2v") == 1)
    p += zv.Constraint("c1", w[i] <= a, forall=i)
    p += zv.CustomPenaltyTerm("t1", zv.BinaryVar("t1v"))
    assert names(zv.extract_nodes(p, zv.BinaryVar)) == ["x", "w", "c2v", "t1v", "t2v"]
    c = p.constraints["c1"]
    got = zv.extract_nodes(c, (zv.Placeholder, zv.Element, zv.BinaryVar))
    assert [type(o).__name__ for o in got] == ["BinaryVar", "Element", "Placeholder", "Element"]
    t = zv.CustomPenaltyTerm("t", w[i], forall=[(i, i != 1)])
    got = zv.extract_nodes(t, (zv.Element, zv.NotEqualOp))
    assert [type(o).__name__ for o in got] == ["Element", "Element", "NotEqualOp", "Element"]


def test_extract_nodes_of_forall_lists():
    s = zv.Placeholder("s", ndim=2)
    i = zv.Element("i", belong_to=s)
    j = zv.Element("j", belong_to=i)
    got = zv.extract_nodes([i, j], zv.Element)
    assert names(got) == ["i", "j", "i"]
    # a non-scalar element alone is one forall item
    got = zv.extract_nodes(i, (zv.Element, zv.Placeholder))
    assert names(got) == ["i", "s"]
    with pytest.raises(TypeError) as info:
        zv.extract_nodes([i, i], zv.Element)
    assert str(info.value) == "the type of obj (= list) is unsupported"
    with pytest.raises(TypeError) as info:
        zv.extract_nodes((i, i), zv.Element)
    assert str(info.value) == "the type of obj (= tuple) is unsupported"


@pytest.mark.parametrize(
    "make, qualname",
    [
        (lambda: "x", "str"),
        (lambda: {}, "dict"),
        (lambda: None, "NoneType"),
        (lambda: zv.Placeholder("p", ndim=1), "Placeholder"),
        (lambda: zv.BinaryVar("v", shape=[2]), "BinaryVar"),
        (lambda: zv.Placeholder("p", ndim=2)[0], "Subscript"),
        (lambda: zv.BinaryVar("v", shape=[2])[:], "DummyIndexedVar"),
        (lambda: zv.ProblemSense.MINIMIZE, "ProblemSense"),
    ],
)
def test_unsupported_objects(make, qualname):
    for function, args in ((zv.extract_nodes, (zv.Placeholder,)), (zv.extract_variables, ())):
        with pytest.raises(TypeError) as info:
            function(make(), *args)
        assert str(info.value) == f"the type of obj (= {qualname}) is unsupported"


@pytest.mark.parametrize(
    "filter_, message",
    [
        (1, "2nd arg of extract_node() must be a type or tuple of types, but the given type is int"),
        ([zv.Placeholder], "2nd arg of extract_node() must be a type or tuple of types, but the given type is list"),
        ((zv.Placeholder, 1), "the type of obj (= int) is unsupported"),
        ((zv.Placeholder, "x"), "the type of obj (= str) is unsupported"),
    ],
)
def test_bad_class_filters(a, filter_, message):
    with pytest.raises(TypeError) as info:
        zv.extract_nodes(a, filter_)
    assert str(info.value) == "argument 'class_or_tuple': " + message
    # the filter is read before the object
    with pytest.raises(TypeError) as info:
        zv.extract_nodes("not a model object", filter_)
    assert str(info.value) == "argument 'class_or_tuple': " + message


@pytest.mark.parametrize(
    "function, args, kwargs, message",
    [
        ("extract_nodes", (1,), {}, "extract_nodes() missing 1 required positional argument: 'class_or_tuple'"),
        ("extract_nodes", (1, int, 2), {}, "extract_nodes() takes 2 positional arguments but 3 were given"),
        ("extract_variables", (), {}, "extract_variables() missing 1 required positional argument: 'obj'"),
        ("extract_variables", (1,), {"x": 1}, "extract_variables() got an unexpected keyword argument 'x'"),
        ("is_same", (1,), {}, "is_same() missing 1 required positional argument: 'dst'"),
        ("is_linear", (), {}, "is_linear() missing 1 required positional argument: 'expr'"),
        ("is_quadratic", (1, 2), {}, "is_quadratic() takes 1 positional arguments but 2 were given"),
        ("is_higher_order", (), {"obj": 1}, "is_higher_order() got an unexpected keyword argument 'obj'"),
        ("is_dynamic_degree", (), {}, "is_dynamic_degree() missing 1 required positional argument: 'expr'"),
    ],
)
def test_argument_errors(function, args, kwargs, message):
    with pytest.raises(TypeError) as info:
        getattr(zv, function)(*args, **kwargs)
    assert str(info.value) == message


def test_keywords(a):
    assert zv.extract_nodes(obj=a, class_or_tuple=zv.Placeholder)[0].name == "a"
    assert zv.extract_variables(obj=a)[0].name == "a"
    assert zv.is_same(src=a, dst=a) is True
    assert zv.is_linear(expr=a) is False


def test_readings_never_swallow_non_exceptions():
    class Evil:
        def __index__(self):
            raise Interrupt

    for call in (
        lambda: zv.extract_nodes(Evil(), zv.Placeholder),
        lambda: zv.extract_variables(Evil()),
        lambda: zv.is_same(Evil(), 1),
        lambda: zv.is_linear(Evil()),
    ):
        with pytest.raises(Interrupt):
            call()


# ---- extract_variables --------------------------------------------------------------------------


def test_extract_variables_basics(a, x):
    assert zv.extract_variables(1) == []
    assert zv.extract_variables(zv.NumberLit(2) + 3) == []
    same_list(zv.extract_variables(a * x + a), [a, x])


def test_extract_variables_shapes_and_sets():
    n = zv.Placeholder("n")
    s = zv.Placeholder("s", ndim=1)
    x = zv.BinaryVar("x", shape=[n])
    i = zv.Element("i", belong_to=s)
    same_list(zv.extract_variables(x[i]), [x, n, i, s])


def test_extract_variables_array_lengths():
    s = zv.Placeholder("s", ndim=1)
    x = zv.BinaryVar("x", shape=[s.len_at(0)])
    same_list(zv.extract_variables(x[0]), [x, s.len_at(0), s])
    # the same length with another LaTeX string or description counts once
    e = s.len_at(0, latex="L") + s.len_at(0, description="size")
    got = zv.extract_variables(e)
    assert [type(o).__name__ for o in got] == ["ArrayLength", "Placeholder"]
    assert got[0]._repr_latex_() == "$$\\displaystyle L$$"


def test_extract_variables_bounds_are_not_walked():
    ub = zv.Placeholder("ub")
    z = zv.IntegerVar("z", lower_bound=0, upper_bound=ub)
    same_list(zv.extract_variables(z + 1), [z])


def test_extract_variables_first_occurrence_wins():
    a1 = zv.Placeholder("a", description="first")
    a2 = zv.Placeholder("a", description="second")
    got = zv.extract_variables(a1 + a2)
    assert len(got) == 1 and got[0].description == "first"
    # different kinds or dimensions are different variables
    got = zv.extract_variables(zv.BinaryVar("v") + zv.IntegerVar("v", lower_bound=0, upper_bound=1))
    assert [type(o).__name__ for o in got] == ["BinaryVar", "IntegerVar"]
    p1 = zv.Placeholder("p", ndim=1)
    p2 = zv.Placeholder("p", ndim=2)
    assert len(zv.extract_variables(p1[0] + p2[0, 0])) == 2


def test_extract_variables_range_with_symbolic_end():
    m = zv.Placeholder("m")
    i = zv.Element("i", belong_to=(0, m))
    same_list(zv.extract_variables(i), [i, m])


def test_extract_variables_of_a_problem():
    n = zv.Placeholder("n")
    i = zv.Element("i", belong_to=n)
    x = zv.BinaryVar("x", shape=[10])
    y = zv.IntegerVar("y", shape=[10], lower_bound=0, upper_bound=1)
    z = zv.ContinuousVar("z", shape=[10], lower_bound=0, upper_bound=1)
    p = zv.Problem("p")
    p += zv.sum(i, x[i])
    p += zv.Constraint("c", y[i] == 1, forall=i)
    p += zv.CustomPenaltyTerm("t", z[i], forall=i)
    same_list(zv.extract_variables(p), [i, n, x, y, z])


def test_extract_variables_of_a_constraint_with_forall():
    n = zv.Placeholder("n")
    i = zv.Element("i", belong_to=(0, 5))
    j = zv.Element("j", belong_to=(0, n))
    v = zv.BinaryVar("v", shape=[5, 5])
    c = zv.Constraint("c", v[i, j] <= 1, forall=[i, (j, j != i)])
    same_list(zv.extract_variables(c), [v, i, j, n])
    same_list(zv.extract_variables(v[i, j] <= 1), [v, i, j, n])
    with pytest.raises(TypeError) as info:
        zv.extract_variables([i, i])
    assert str(info.value) == "the type of obj (= list) is unsupported"


# ---- degree analysis ----------------------------------------------------------------------------


def swap(expr, old, new):
    """`expr` with every node like `old` replaced by `new`, rebuilt without the builders' checks."""
    return zv.replace(expr, lambda node: new if type(node) is type(old) and zv.is_same(node, old) else node)


def degree_flags(expr):
    return (zv.is_linear(expr), zv.is_quadratic(expr), zv.is_higher_order(expr), zv.is_dynamic_degree(expr))


LINEAR = (True, False, False, False)
QUADRATIC = (False, True, False, False)
HIGHER = (False, False, True, False)
CONSTANT = (False, False, False, False)
DYNAMIC = (False, False, False, True)


@pytest.mark.parametrize(
    "build, flags",
    [
        (lambda a, x, y, z: x, LINEAR),
        (lambda a, x, y, z: 3, CONSTANT),
        (lambda a, x, y, z: 2.5, CONSTANT),
        (lambda a, x, y, z: a, CONSTANT),
        (lambda a, x, y, z: zv.Element("i", belong_to=(0, 3)), CONSTANT),
        (lambda a, x, y, z: x + 1, LINEAR),
        (lambda a, x, y, z: a * x + 2 * y, LINEAR),
        (lambda a, x, y, z: x * y, QUADRATIC),
        (lambda a, x, y, z: x * y * z, HIGHER),
        (lambda a, x, y, z: x * y + z, QUADRATIC),
        (lambda a, x, y, z: x**2, QUADRATIC),
        (lambda a, x, y, z: x**3 + y, HIGHER),
        # a fractional or negative power of a variable has no polynomial degree
        (lambda a, x, y, z: x**0.5, CONSTANT),
        (lambda a, x, y, z: (x * y) ** 0.5, CONSTANT),
        (lambda a, x, y, z: x**0.5 + y, CONSTANT),
        (lambda a, x, y, z: swap(x**2, zv.NumberLit(2), zv.NumberLit(-1)), CONSTANT),
        (lambda a, x, y, z: x**2.0, QUADRATIC),
        (lambda a, x, y, z: a**0.5 * x, LINEAR),
        (lambda a, x, y, z: swap(x**2, zv.NumberLit(2), a), DYNAMIC),
        (lambda a, x, y, z: swap(x**2 + 1, zv.NumberLit(2), a), DYNAMIC),
        (lambda a, x, y, z: swap(3 * x**2, zv.NumberLit(2), a), DYNAMIC),
        (lambda a, x, y, z: swap(x**2 * y, zv.NumberLit(2), a) ** 2, DYNAMIC),
        (lambda a, x, y, z: zv.abs(a) + x, LINEAR),
        (lambda a, x, y, z: zv.ceil(a) * x * y, QUADRATIC),
        (lambda a, x, y, z: zv.min(a, 1) * x, LINEAR),
        (lambda a, x, y, z: swap(a % 2, a, x), LINEAR),  # degree 0, maximum 1
        (lambda a, x, y, z: swap(a % 2, a, x * y * z), HIGHER),
        (lambda a, x, y, z: swap(2 % a, a, x) * x, QUADRATIC),  # a remainder has its divisor's degree
        (lambda a, x, y, z: x / 2, LINEAR),
        (lambda a, x, y, z: a / 2, CONSTANT),
    ],
)
def test_degree(a, x, y, z, build, flags):
    assert degree_flags(build(a, x, y, z)) == flags


@pytest.mark.parametrize("fn", ["abs", "ceil", "floor", "ln", "log2", "log10"])
def test_unary_functions_have_degree_zero(a, x, fn):
    e = getattr(zv, fn)(a)
    assert degree_flags(e) == CONSTANT
    assert degree_flags(e + x) == LINEAR


def test_degree_of_subscripts():
    w = zv.BinaryVar("w", shape=[3])
    s = zv.Placeholder("s", ndim=1)
    assert degree_flags(w[0]) == LINEAR
    assert degree_flags(s[0]) == CONSTANT
    assert degree_flags(w[0] * s[1]) == LINEAR
    assert degree_flags(w[0] * w[1]) == QUADRATIC


def test_degree_of_reductions():
    w = zv.BinaryVar("w", shape=[3])
    s = zv.Placeholder("s", ndim=1)
    i3 = zv.Element("i", belong_to=(0, 3))
    i1 = zv.Element("i", belong_to=(0, 1))
    i_data = zv.Element("i", belong_to=s)
    i_symbolic = zv.Element("i", belong_to=(0, zv.Placeholder("n")))
    assert degree_flags(zv.prod(i3, w[i3])) == HIGHER
    assert degree_flags(zv.prod(i1, w[i1])) == LINEAR
    assert degree_flags(zv.prod(i_data, w[i_data])) == DYNAMIC
    assert degree_flags(zv.prod(i_symbolic, w[i_symbolic])) == DYNAMIC
    for index in (i3, i_data, i_symbolic):
        assert degree_flags(zv.sum(index, w[index])) == LINEAR
        assert degree_flags(zv.sum((index, index != 1), w[index])) == LINEAR
    assert degree_flags(zv.sum(i3, w[i3] * w[0])) == QUADRATIC


def test_dynamic_degree_docs_example():
    a = zv.Placeholder("a", ndim=1)
    i = zv.Element("i", belong_to=a)
    x = zv.BinaryVar("x", shape=(a.len_at(0),))
    assert zv.is_dynamic_degree(zv.prod(i, x[i])) is True


@pytest.mark.parametrize(
    "make",
    [
        lambda x: x == 1,
        lambda x: zv.Problem("p"),
        lambda x: [x],
        lambda x: "x",
        lambda x: zv.Placeholder("p", ndim=1),
        lambda x: zv.BinaryVar("v", shape=[2]),
        lambda x: zv.Constraint("c", x == 1),
        lambda x: zv.CustomPenaltyTerm("t", x),
    ],
)
@pytest.mark.parametrize("fn", ["is_linear", "is_quadratic", "is_higher_order", "is_dynamic_degree"])
def test_degree_refuses_non_expressions(x, make, fn):
    with pytest.raises(TypeError) as info:
        getattr(zv, fn)(make(x))
    assert str(info.value) == "argument 'expr': failed to convert into expression."


def test_degree_of_dummy_indexed_variable():
    w = zv.BinaryVar("w", shape=[2])
    with pytest.raises(zv.ModelingError, match="^dummy indexed BinaryVar with name 'w'"):
        zv.is_linear(w[:])


def test_degree_function_docs():
    assert zv.is_linear.__text_signature__ == "(expr)"
    assert zv.is_linear.__doc__.startswith("Return true if the given expression is linear.")
    assert zv.is_quadratic.__doc__.startswith("Return true if the given expression is quadratic.")
    assert zv.is_higher_order.__doc__.startswith("Return true if the degree of the given expression is higher than 2.")
    assert zv.is_dynamic_degree.__doc__.startswith("Return true if degree of the expression is not determined statically.")


# ---- is_same ------------------------------------------------------------------------------------


def test_is_same_placeholders():
    assert zv.is_same(zv.Placeholder("a"), zv.Placeholder("a")) is True
    assert zv.is_same(zv.Placeholder("a", latex="A"), zv.Placeholder("a", latex="B")) is True
    assert zv.is_same(zv.Placeholder("a", description="d"), zv.Placeholder("a")) is True
    assert zv.is_same(zv.Placeholder("a"), zv.Placeholder("a", ndim=2)) is False
    assert zv.is_same(zv.Placeholder("a", ndim=2), zv.Placeholder("a", ndim=2)) is True
    assert zv.is_same(zv.Placeholder("a"), zv.Placeholder("b")) is False


@pytest.mark.parametrize(
    "src, dst, result",
    [(1, 1.0, True), (1, 2, False), (1, True, True), (0.5, zv.NumberLit(0.5), True), (float("nan"), float("nan"), False)],
)
def test_is_same_numbers(src, dst, result):
    assert zv.is_same(src, dst) is result


def test_is_same_across_node_classes(a, x):
    i = zv.Element("a", belong_to=(0, 3))
    assert zv.is_same(a, i) is False
    assert zv.is_same(a, 1) is False
    assert zv.is_same(x + 1, x * 1 + 1) is True


def test_is_same_conditions(x):
    assert zv.is_same(x == 1, x == 1) is True
    assert zv.is_same(x == 1, 1 == x) is True
    assert zv.is_same(x <= 1, 1 >= x) is True
    assert zv.is_same(x <= 1, x < 1) is False
    c = x == 1
    c.set_latex("C")
    assert zv.is_same(c, x == 1) is True
    assert zv.is_same((x == 1) & (x <= 2), (x == 1) & (x <= 2)) is True
    assert zv.is_same((x == 1) & (x <= 2), (x == 1) | (x <= 2)) is False


def test_is_same_term_order(x, y):
    assert zv.is_same(x + y, x + y) is True
    # equal only when the builders produce the same order of terms
    assert zv.is_same(x + y, y + x) is (str(x + y) == str(y + x))


def test_is_same_subscripts_compare_their_latex():
    w = zv.BinaryVar("w", shape=[3])
    i = zv.Element("i", belong_to=(0, 3))
    plain = w[i]
    styled = w[i]
    styled.set_latex("w^{(i)}")
    assert zv.is_same(plain, w[i]) is True
    assert zv.is_same(plain, styled) is False


def test_is_same_reductions():
    w = zv.BinaryVar("w", shape=[3])
    i = zv.Element("i", belong_to=(0, 3))
    assert zv.is_same(zv.sum(i, w[i]), zv.sum(i, w[i])) is True
    assert zv.is_same(zv.sum(i, w[i]), zv.prod(i, w[i])) is False
    assert zv.is_same(zv.sum((i, i != 1), w[i]), zv.sum(i, w[i])) is False


def test_is_same_non_scalar_operands():
    s = zv.Placeholder("s", ndim=2)
    i = zv.Element("i", belong_to=s)
    assert zv.is_same(i, zv.Element("i", belong_to=s)) is True
    assert zv.is_same(i, zv.Element("i", belong_to=zv.Placeholder("t", ndim=2))) is False
    assert zv.is_same(s[0], s[0]) is True
    assert zv.is_same(s[0], s[1]) is False
    v = zv.BinaryVar("v", shape=[3])
    assert zv.is_same(v, zv.BinaryVar("v", shape=[3], description="d")) is True
    assert zv.is_same(v, zv.BinaryVar("v", shape=[4])) is False
    assert zv.is_same(i.belong_to, zv.Element("k", belong_to=s).belong_to) is True
    r = zv.Element("r", belong_to=(0, 3)).belong_to
    assert zv.is_same(r, zv.Element("q", belong_to=(0, 3.0)).belong_to) is True
    assert zv.is_same(r, zv.Element("q", belong_to=(1, 3)).belong_to) is False


@pytest.mark.parametrize(
    "make_src, make_dst, src_name, dst_name",
    [
        (lambda: "a", lambda: "a", "str", "str"),
        (lambda: zv.Problem("p"), lambda: zv.Constraint("c", zv.BinaryVar("x") == 1), "Problem", "Constraint"),
        (lambda: zv.BinaryVar("x") == 1, lambda: zv.BinaryVar("x"), "EqualOp", "BinaryVar"),
        (lambda: [1], lambda: [1], "list", "list"),
        (lambda: zv.BinaryVar("v", shape=[2])[:], lambda: zv.BinaryVar("v", shape=[2])[:],
         "DummyIndexedVar", "DummyIndexedVar"),
        (lambda: zv.Placeholder("s", ndim=1), lambda: zv.BinaryVar("s", shape=[1]), "Placeholder", "BinaryVar"),
        (lambda: zv.BinaryVar("s", shape=[1]), lambda: zv.IntegerVar("s", shape=[1], lower_bound=0, upper_bound=1),
         "BinaryVar", "IntegerVar"),
    ],
)
def test_is_same_type_errors(make_src, make_dst, src_name, dst_name):
    with pytest.raises(TypeError) as info:
        zv.is_same(make_src(), make_dst())
    assert str(info.value) == (
        f"the type of src (= {src_name}) is different from the type of dst (= {dst_name}), "
        "or one of them is unsupported type"
    )


def test_is_same_problems(x):
    w = zv.BinaryVar("w", shape=[3])

    def build(order):
        p = zv.Problem("p")
        p += x
        constraints = [zv.Constraint("c1", x == 1), zv.Constraint("c2", w[0] <= 1)]
        for c in (constraints if order else reversed(constraints)):
            p += c
        p += zv.CustomPenaltyTerm("t", w[1])
        return p

    assert zv.is_same(build(True), build(False)) is True
    other = build(True)
    other.sense = zv.ProblemSense.MAXIMIZE
    assert zv.is_same(build(True), other) is False
    other = build(True)
    other += zv.Constraint("c3", x <= 1)
    assert zv.is_same(build(True), other) is False
    other = build(True)
    other += zv.CustomPenaltyTerm("t", w[2])
    assert zv.is_same(build(True), other) is False
    assert zv.is_same(zv.Problem("p"), zv.Problem("q")) is False


def test_is_same_constraints_and_terms():
    i = zv.Element("i", belong_to=(0, 3))
    j = zv.Element("j", belong_to=(0, 3))
    v = zv.BinaryVar("v", shape=[3, 3])
    plain = zv.Constraint("c", v[i, j] <= 1, forall=[i, j])
    conditioned = zv.Constraint("c", v[i, j] <= 1, forall=[i, (j, j != i)])
    assert zv.is_same(plain, zv.Constraint("c", v[i, j] <= 1, forall=[i, j])) is True
    assert zv.is_same(plain, conditioned) is False
    assert zv.is_same(plain, zv.Constraint("d", v[i, j] <= 1, forall=[i, j])) is False
    assert zv.is_same(plain, zv.Constraint("c", v[i, j] >= 1, forall=[i, j])) is False
    assert zv.is_same(plain, zv.Constraint("c", v[i, j] <= 1, forall=[j, i])) is False
    t = zv.CustomPenaltyTerm("t", v[i, j], forall=[i, j])
    assert zv.is_same(t, zv.CustomPenaltyTerm("t", v[i, j], forall=[i, j])) is True
    assert zv.is_same(t, zv.CustomPenaltyTerm("t", v[i, j], forall=[i, (j, j != i)])) is False


def test_is_same_docs():
    assert zv.is_same.__text_signature__ == "(src, dst)"
    assert zv.extract_nodes.__text_signature__ == "(obj, class_or_tuple)"
    assert zv.extract_variables.__text_signature__ == "(obj)"
    assert zv.extract_nodes.__doc__.startswith("Extract all nodes from the given object.")
    assert zv.extract_variables.__doc__.startswith("Extract all variables from the given object without duplication.")
