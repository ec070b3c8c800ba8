"""replace: top-down rewriting of an expression by a Python callable."""
import pytest

import zorvane as zv


class Interrupt(BaseException):
    """Not an `Exception`: it must pass every place where a replacer's failure is discarded."""


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
    return zv.BinaryVar("y")


def identity(node):
    return node


def recorder(seen, result=identity):
    def replacer(node):
        seen.append(str(node))
        return result(node)

    return replacer


def when(predicate, new):
    return lambda node: new if predicate(node) else node


def named(name):
    return lambda node: getattr(node, "name", None) == name and not isinstance(node, zv.Subscript)


# ---- leaves ---------------------------------------------------------------------------------------


def test_a_leaf_is_whatever_the_replacer_returns(x, y):
    assert zv.is_same(zv.replace(x, lambda node: y), y)
    r = zv.replace(x, lambda node: 3)
    assert type(r) is zv.NumberLit and r.value == 3
    r = zv.replace(x, identity)
    assert type(r) is zv.BinaryVar and zv.is_same(r, x) and r is not x
    r = zv.replace(1.5, lambda node: node * 2)
    assert type(r) is zv.NumberLit and r.value == 3.0


def test_docs_examples():
    def replacer(node):
        if isinstance(node, zv.Placeholder):
            return zv.BinaryVar(node.name)
        return node

    ph = zv.Placeholder("ph")
    assert repr(zv.replace(ph, replacer)) == "BinaryVar(name='ph', shape=[])"

    ph = zv.Placeholder("ph", ndim=2)
    elt = zv.Element("elt", belong_to=zv.Placeholder("S", ndim=2))
    x = zv.BinaryVar("x", shape=[ph.len_at(0), ph.len_at(1)])

    def replacer(node):
        if isinstance(node, zv.Subscript) and isinstance(node.variable, zv.Placeholder):
            return x[tuple(node.subscripts)]
        return node

    replaced = zv.replace(ph[123, 456] + elt[123], replacer)
    assert zv.is_same(replaced, x[123, 456] + elt[123])


def test_function_surface():
    assert zv.replace.__text_signature__ == "(expr, replacer)"
    doc = zv.replace.__doc__
    assert doc.startswith("Replace the expression node with the result of calling the replacer.")
    for section in ("Args:", "Examples:", "Raises:", "Note:",
                  "TypeError: Raises if the type of `replacer` is not callable.",
                  "The replacer must return an expression node."):
        assert section in doc


# ---- operator nodes -------------------------------------------------------------------------------


def test_unchanged_rewrite_drops_own_latex(x, y):
    e = x + y
    e.set_latex("E")
    r = zv.replace(e, identity)
    assert type(r) is zv.AddOp and r is not e
    assert zv.is_same(r, e)
    assert r._repr_latex_() == "$$\\displaystyle x + y$$"
    assert e._repr_latex_() == "$$\\displaystyle E$$"


def test_a_replaced_node_hides_its_subtree(a, b, x):
    seen = []
    e = a * x + b
    r = zv.replace(e, recorder(seen, when(lambda n: isinstance(n, zv.MulOp), 7)))
    assert seen == ["a * x + b", "a * x", "b"]
    assert str(r) == "7 + b"
    assert len(r.terms) == 2


def test_order_is_top_down_left_to_right(a, b, x):
    seen = []
    zv.replace(a * x + zv.abs(b) ** 2, recorder(seen))
    assert seen == ["a * x + |b| ** 2", "a * x", "a", "x", "|b| ** 2", "|b|", "b", "2"]


def test_no_folding_or_flattening(a, b):
    r = zv.replace(a + b, lambda node: {"a": 1, "b": 2}.get(getattr(node, "name", None), node))
    assert type(r) is zv.AddOp and len(r.terms) == 2
    assert str(r) == "1 + 2"
    c = zv.Placeholder("c")
    r = zv.replace(a * b, when(named("b"), b * c))
    assert type(r) is zv.MulOp and len(r.terms) == 2


def test_a_nan_literal_does_not_stop_the_walk(a, b):
    # A tree holding NaN is unequal to itself; the node given back as it was is still "unchanged".
    e = a + float("nan")
    r = zv.replace(e, when(named("a"), b))
    assert str(r) == "b + NaN"
    r = zv.replace(zv.abs(a * float("nan")), when(named("a"), b))
    assert str(r) == "|NaN * b|"


def test_failures_at_operator_nodes_are_discarded(a, b):
    def replacer(node):
        if isinstance(node, zv.Placeholder):
            return zv.Placeholder(node.name.upper())
        raise KeyError("not a placeholder")

    assert str(zv.replace(a + b, replacer)) == "A + B"
    with pytest.raises(KeyError):
        zv.replace(a + 1, replacer)  # the literal is a leaf
    # an unconvertible result at an operator node only means "go on"
    assert str(zv.replace(a + b, lambda node: "nope" if isinstance(node, zv.AddOp) else node)) == "a + b"


def test_failures_at_leaves_are_the_result(a):
    with pytest.raises(TypeError) as info:
        zv.replace(a + 1, lambda node: "nope" if isinstance(node, zv.Placeholder) else node)
    assert str(info.value) == "failed to convert into expression."
    with pytest.raises(TypeError) as info:
        zv.replace(a, lambda node: node == 1)
    assert str(info.value) == "failed to convert into expression."


def test_non_exceptions_are_never_discarded(a, b):
    def replacer(node):
        raise Interrupt

    with pytest.raises(Interrupt):
        zv.replace(a + b, replacer)


def test_unary_rebuild_is_checked(a, x):
    with pytest.raises(zv.ModelingError) as info:
        zv.replace(zv.abs(a) + 1, when(named("a"), x))
    assert str(info.value) == "the operand of the unary op contains a decision variable"
    r = zv.replace(zv.log2(a), when(named("a"), zv.Placeholder("c")))
    assert type(r) is zv.Log2Op and str(r) == "log2(c)"


def test_power_and_remainder_rebuilt_without_checks(a, x):
    r = zv.replace(a % 3, when(named("a"), x))
    assert type(r) is zv.ModOp and str(r) == "x % 3"
    r = zv.replace(x**2, lambda node: a if isinstance(node, zv.NumberLit) else node)
    assert type(r) is zv.PowOp and str(r) == "x ** a"


def test_min_and_max(a, b):
    r = zv.replace(zv.max(a, b, 1), when(named("b"), 2))
    assert type(r) is zv.MaxOp and str(r) == "max(a, 2, 1)"


# ---- variable positions ---------------------------------------------------------------------------


def test_subscript_variable_must_keep_its_class():
    w = zv.BinaryVar("w", shape=[3])
    i = zv.Element("i", belong_to=(0, 3))
    z = zv.IntegerVar("z", shape=[3], lower_bound=0, upper_bound=4)
    r = zv.replace(w[i], when(named("w"), z))
    assert zv.is_same(r, z[i])
    with pytest.raises(TypeError) as info:
        zv.replace(w[i], when(named("w"), w[0] + w[1]))
    assert str(info.value) == "failed to convert into decision var"
    with pytest.raises(TypeError) as info:
        zv.replace(w[i], when(named("w"), zv.Placeholder("w", ndim=1)))
    assert str(info.value) == "failed to convert into decision var"
    s = zv.Placeholder("s", ndim=1)
    with pytest.raises(TypeError) as info:
        zv.replace(s[i], when(named("s"), w))
    assert str(info.value) == "'BinaryVar' object cannot be converted to 'Placeholder'"
    with pytest.raises(TypeError) as info:
        zv.replace(s[i], when(named("s"), 1))
    assert str(info.value) == "'int' object cannot be converted to 'Placeholder'"


def test_subscript_rebuild_is_checked():
    s = zv.Placeholder("s", ndim=1)
    i = zv.Element("i", belong_to=(0, 3))
    w = zv.BinaryVar("w", shape=[3])
    with pytest.raises(zv.ModelingError) as info:
        zv.replace(s[i], when(named("s"), zv.Placeholder("t", ndim=2)))
    assert str(info.value) == "the dimensionality of the subscripted variable `t[i]` must be zero, but actually 1"
    with pytest.raises(zv.ModelingError) as info:
        zv.replace(s[i], when(named("s"), zv.Placeholder("t")))
    assert str(info.value) == "the scalar `Placeholder { name: t }` is not subscriptable"
    with pytest.raises(zv.ModelingError) as info:
        zv.replace(s[i], when(named("i"), zv.BinaryVar("q")))
    assert str(info.value) == "a subscript contains a decision variable"
    with pytest.raises(zv.ModelingError) as info:
        zv.replace(w[i], when(named("w"), zv.BinaryVar("w")))
    assert str(info.value) == "the scalar `BinaryVar { name: w }` is not subscriptable"


def test_subscript_rebuild_drops_its_latex():
    s = zv.Placeholder("s", ndim=1)
    i = zv.Element("i", belong_to=(0, 3))
    e = s[i]
    e.set_latex("S_i")
    r = zv.replace(e, identity)
    assert r._repr_latex_() == "$$\\displaystyle s_{i}$$"
    assert zv.is_same(r, e) is False  # a subscript's own LaTeX string counts
    r = zv.replace(e + 1, when(named("i"), 2))
    assert str(r) == "s[2] + 1"


def test_array_lengths():
    s = zv.Placeholder("s", ndim=2)
    t = zv.Placeholder("t", ndim=2)
    e = s.len_at(1, latex="L", description="cols")
    kept = zv.replace(e + 1, identity)
    assert str(kept) == "len(s, 1) + 1"
    assert "L + 1" in kept._repr_latex_()
    r = zv.replace(e, when(named("s"), t))
    assert type(r) is zv.ArrayLength and str(r) == "len(t, 1)"
    assert r.description is None and r._repr_latex_() == "$$\\displaystyle \\mathrm{len}\\left(t, 1\\right)$$"
    with pytest.raises(zv.ModelingError) as info:
        zv.replace(e, when(named("s"), zv.Placeholder("u", ndim=1)))
    assert str(info.value) == "axis 1 is out of bounds for the axis of the array u"
    with pytest.raises(zv.ModelingError) as info:
        zv.replace(e, when(named("s"), zv.Placeholder("u")))
    assert str(info.value) == "the placeholder u is a scalar"
    with pytest.raises(TypeError) as info:
        zv.replace(e, when(named("s"), zv.Element("s", belong_to=t)))
    assert str(info.value) == "'Element' object cannot be converted to 'Placeholder'"


def test_array_length_of_a_subscript():
    s = zv.Placeholder("s", ndim=2)
    e = s[0].len_at(0)
    r = zv.replace(e, lambda n: s[1] if isinstance(n, zv.Subscript) else n)
    assert str(r) == "len(s[1], 0)"
    w = zv.BinaryVar("w", shape=[2, 2])
    with pytest.raises(zv.ModelingError) as info:
        zv.replace(e, lambda n: w[1] if isinstance(n, zv.Subscript) else n)
    assert str(info.value) == "the subscripted variable w[1] is a decision variable"


def test_reductions():
    i = zv.Element("i", belong_to=(0, 3))
    k = zv.Element("k", belong_to=(0, 3))
    w = zv.BinaryVar("w", shape=[3])
    e = zv.sum(i, w[i])
    r = zv.replace(e, when(named("i"), k))
    assert zv.is_same(r, zv.sum(k, w[k]))
    with pytest.raises(TypeError) as info:
        zv.replace(e, when(named("i"), zv.Placeholder("i")))
    assert str(info.value) == "'Placeholder' object cannot be converted to 'Element'"
    # the index is offered as an element, not as an expression
    with pytest.raises(TypeError) as info:
        zv.replace(e, lambda n: 0 if isinstance(n, zv.Element) else n)
    assert str(info.value) == "'int' object cannot be converted to 'Element'"


def test_conditions_inside_reductions(x):
    i = zv.Element("i", belong_to=(0, 3))
    w = zv.BinaryVar("w", shape=[3])
    e = zv.sum((i, (i != 1) & (i != 2)), w[i])
    seen = []
    r = zv.replace(e, recorder(seen))
    assert zv.is_same(r, e)
    assert "i != 1 and i != 2" in seen and "i != 1" in seen
    r = zv.replace(e, lambda n: i >= 1 if isinstance(n, zv.AndOp) else n)
    assert str(r) == "sum(i in [0..3) s.t. i >= 1, w[i])"
    r = zv.replace(e, lambda n: 2 if isinstance(n, zv.NumberLit) and n.value == 1 else n)
    assert "i != 2 and i != 2" in str(r)
    with pytest.raises(zv.ModelingError) as info:
        zv.replace(e, lambda n: x if isinstance(n, zv.NumberLit) and n.value == 2 else n)
    assert str(info.value) == "the condition expression contains a decision variable"
    # a non-condition result at a condition only means "go on"
    assert zv.is_same(zv.replace(e, lambda n: 5 if isinstance(n, zv.NotEqualOp) else n), e)


def test_sets_shapes_and_bounds_are_never_shown():
    n = zv.Placeholder("n")
    ub = zv.Placeholder("ub")
    i = zv.Element("i", belong_to=(0, n))
    z = zv.IntegerVar("z", shape=[n], lower_bound=0, upper_bound=ub)
    seen = []
    zv.replace(zv.sum(i, z[i]), recorder(seen))
    assert "n" not in seen and "ub" not in seen


# ---- arguments --------------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((zv.BinaryVar("x") == 1, identity), {}, "argument 'expr': failed to convert into expression."),
        (("x", identity), {}, "argument 'expr': failed to convert into expression."),
        ((zv.Placeholder("s", ndim=1), identity), {}, "argument 'expr': failed to convert into expression."),
        ((1, 2), {}, "argument 'replacer': replacer must be callable"),
        (("x", 2), {}, "argument 'expr': failed to convert into expression."),
        ((1,), {}, "replace() missing 1 required positional argument: 'replacer'"),
        ((1, identity, 3), {}, "replace() takes 2 positional arguments but 3 were given"),
        ((), {"expr": 1, "replacer": identity, "x": 1}, "replace() got an unexpected keyword argument 'x'"),
    ],
)
def test_argument_errors(args, kwargs, message):
    with pytest.raises(TypeError) as info:
        zv.replace(*args, **kwargs)
    assert str(info.value) == message


def test_keywords_and_dummy_indexed(x):
    assert zv.is_same(zv.replace(expr=x, replacer=identity), x)
    w = zv.BinaryVar("w", shape=[2])
    with pytest.raises(zv.ModelingError, match="^dummy indexed BinaryVar with name 'w'"):
        zv.replace(w[:], identity)


def test_input_is_never_modified(a, b):
    e = a + b
    before = repr(e)
    zv.replace(e, lambda n: 0 if isinstance(n, zv.Placeholder) else n)
    assert repr(e) == before


def test_replacer_may_build_and_replace_reentrantly(a, b):
    def replacer(node):
        if isinstance(node, zv.Placeholder):
            return zv.replace(node + 1, identity)
        return node

    assert str(zv.replace(a * b, replacer)) == "(a + 1) * (b + 1)"


# ---- depth ------------------------------------------------------------------------------------------


def nested_abs(leaf, depth):
    e = leaf
    for _ in range(depth):
        e = zv.abs(e)
    return e


def test_deep_trees_are_walked_without_trouble(a, x):
    e = nested_abs(a, 4000) + x
    assert zv.is_same(zv.replace(e, identity), e)
    assert zv.is_linear(e) is True
    same = zv.extract_variables(e)
    assert [type(v).__name__ for v in same] == ["Placeholder", "BinaryVar"]
    assert len(zv.extract_nodes(e, zv.AbsOp)) == 4000
    p = zv.Problem("p")
    p += zv.Constraint("c", e <= 1)
    p += e
    assert p._repr_latex_().count("\\left|") == 8000


def test_a_rewrite_past_the_depth_limit_raises(a):
    e = nested_abs(a, 4000)
    with pytest.raises(RecursionError):
        zv.replace(e, when(named("a"), nested_abs(zv.Placeholder("b"), 200)))
    # at the root nothing is rebuilt, so any result stands
    r = zv.replace(e, lambda n: 1 if isinstance(n, zv.AbsOp) else n)
    assert type(r) is zv.NumberLit
