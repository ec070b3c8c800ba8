"""replace: top-down rewriting of an expression by a Python callable."""
import math
import textwrap

import pytest

import zorvane as zv
from model_support import Interrupt, dummy, fails, scalar, shows
import processes

a, b, c = zv.Placeholder("a"), zv.Placeholder("b"), zv.Placeholder("c")
x, y = zv.BinaryVar("x"), zv.BinaryVar("y")
s1, s2, t2 = zv.Placeholder("s", ndim=1), zv.Placeholder("s", ndim=2), zv.Placeholder("t", ndim=2)
i, k = zv.Element("i", belong_to=(0, 3)), zv.Element("k", belong_to=(0, 3))
w, w22 = zv.BinaryVar("w", shape=[3]), zv.BinaryVar("w", shape=[2, 2])
length = s2.len_at(1, latex="L", description="cols")
both = zv.sum((i, (i != 1) & (i != 2)), w[i])


def identity(node):
    return node


def when(predicate, new):
    return lambda node: new if predicate(node) else node


def to(name, new):
    """Replace the nodes named `name` (not subscripts) by `new`."""
    return when(lambda node: getattr(node, "name", None) == name and not isinstance(node, zv.Subscript), new)


def at(cls, new, value=None):
    """Replace the nodes of class `cls` (with the value `value` unless None) by `new`."""
    return when(lambda node: isinstance(node, cls) and (value is None or node.value == value), new)


def interrupt(node):
    raise Interrupt


def fails_at_operators(node):
    if isinstance(node, zv.Placeholder):
        return zv.Placeholder(node.name.upper())
    raise KeyError("not a placeholder")


@pytest.mark.parametrize("expr, replacer, cls, text", [
    (x, lambda node: y, zv.BinaryVar, "y"),  # a leaf is whatever the replacer returns
    (x, lambda node: 3, zv.NumberLit, "3"),
    (1.5, lambda node: node * 2, zv.NumberLit, "3"),
    (a * x + b, at(zv.MulOp, 7), zv.AddOp, "7 + b"),
    (a + b, lambda node: {"a": 1, "b": 2}.get(getattr(node, "name", None), node), zv.AddOp, "1 + 2"),  # no folding
    (a * b, to("b", b * c), zv.MulOp, "a * b * c"),  # not flattened: see below
    # a tree holding NaN is unequal to itself; a node given back as it was is still "unchanged"
    (a + math.nan, to("a", b), zv.AddOp, "b + NaN"),
    (zv.abs(a * math.nan), to("a", b), zv.AbsOp, "|NaN * b|"),
    # failures and unconvertible results at operator nodes only mean "go on"
    (a + b, fails_at_operators, zv.AddOp, "A + B"),
    (a + b, at(zv.AddOp, "nope"), zv.AddOp, "a + b"),
    (zv.log2(a), to("a", c), zv.Log2Op, "log2(c)"),
    # powers and remainders are rebuilt without the builders' checks
    (a % 3, to("a", x), zv.ModOp, "x % 3"),
    (x**2, at(zv.NumberLit, a), zv.PowOp, "x ** a"),
    (zv.max(a, b, 1), to("b", 2), zv.MaxOp, "max(a, 2, 1)"),
    (w[i], to("w", zv.IntegerVar("z", shape=[3], lower_bound=0, upper_bound=4)), zv.Subscript, "z[i]"),
    (s1[i] + 1, to("i", 2), zv.AddOp, "s[2] + 1"),
    (length + 1, identity, zv.AddOp, "len(s, 1) + 1"),
    (length, to("s", t2), zv.ArrayLength, "len(t, 1)"),
    (s2[0].len_at(0), at(zv.Subscript, s2[1]), zv.ArrayLength, "len(s[1], 0)"),
    (zv.sum(i, w[i]), to("i", k), zv.SumOp, "sum(k in [0..3), w[k])"),
    (both, at(zv.AndOp, i >= 1), zv.SumOp, "sum(i in [0..3) s.t. i >= 1, w[i])"),
    (both, at(zv.NumberLit, 2, value=1), zv.SumOp, "sum(i in [0..3) s.t. i != 2 and i != 2, w[i])"),
    (both, at(zv.NotEqualOp, 5), zv.SumOp, "sum(i in [0..3) s.t. i != 1 and i != 2, w[i])"),
    (a * b, lambda node: zv.replace(node + 1, identity) if isinstance(node, zv.Placeholder) else node,  # reentrant
     zv.MulOp, "(a + 1) * (b + 1)"),
])
def test_results(expr, replacer, cls, text):
    before = repr(expr)
    r = zv.replace(expr, replacer)
    assert type(r) is cls and str(r) == text and repr(expr) == before  # the input is never modified


CONVERT = "failed to convert into expression."


@pytest.mark.parametrize("expr, replacer, kind, message", [
    (a + 1, fails_at_operators, KeyError, None),  # the literal is a leaf, where a failure is the result
    (a + 1, at(zv.Placeholder, "nope"), TypeError, CONVERT),
    (a, lambda node: node == 1, TypeError, CONVERT),
    (a + b, interrupt, Interrupt, None),
    (zv.abs(a) + 1, to("a", x), zv.ModelingError, "the operand of the unary op contains a decision variable"),
    (w[i], to("w", w[0] + w[1]), TypeError, "failed to convert into decision var"),
    (w[i], to("w", s1), TypeError, "failed to convert into decision var"),
    (s1[i], to("s", w), TypeError, "'BinaryVar' object cannot be converted to 'Placeholder'"),
    (s1[i], to("s", 1), TypeError, "'int' object cannot be converted to 'Placeholder'"),
    (s1[i], to("s", t2), zv.ModelingError,
     "the dimensionality of the subscripted variable `t[i]` must be zero, but actually 1"),
    (s1[i], to("s", zv.Placeholder("t")), zv.ModelingError, scalar("Placeholder { name: t }")),
    (s1[i], to("i", zv.BinaryVar("q")), zv.ModelingError, "a subscript contains a decision variable"),
    (w[i], to("w", zv.BinaryVar("w")), zv.ModelingError, scalar("BinaryVar { name: w }")),
    (length, to("s", zv.Placeholder("u", ndim=1)), zv.ModelingError,
     "axis 1 is out of bounds for the axis of the array u"),
    (length, to("s", zv.Placeholder("u")), zv.ModelingError, "the placeholder u is a scalar"),
    (length, to("s", zv.Element("s", belong_to=t2)), TypeError,
     "'Element' object cannot be converted to 'Placeholder'"),
    (s2[0].len_at(0), at(zv.Subscript, w22[1]), zv.ModelingError,
     "the subscripted variable w[1] is a decision variable"),
    (zv.sum(i, w[i]), to("i", zv.Placeholder("i")), TypeError,
     "'Placeholder' object cannot be converted to 'Element'"),
    # the index is offered as an element, not as an expression
    (zv.sum(i, w[i]), at(zv.Element, 0), TypeError, "'int' object cannot be converted to 'Element'"),
    (both, at(zv.NumberLit, x, value=2), zv.ModelingError, "the condition expression contains a decision variable"),
    (w[:], identity, zv.ModelingError, dummy("BinaryVar", "w")),
])
def test_refusals(expr, replacer, kind, message):
    fails(lambda: zv.replace(expr, replacer), kind, message)


@pytest.mark.parametrize("call, message", [
    *[(lambda e=e, r=r: zv.replace(e, r), "argument 'expr': " + CONVERT)
      for e, r in [(x == 1, identity), ("x", identity), (s1, identity), ("x", 2)]],
    (lambda: zv.replace(1, 2), "argument 'replacer': replacer must be callable"),
    (lambda: zv.replace(1), "replace() missing 1 required positional argument: 'replacer'"),
    (lambda: zv.replace(1, identity, 3), "replace() takes 2 positional arguments but 3 were given"),
    (lambda: zv.replace(expr=1, replacer=identity, x=1), "replace() got an unexpected keyword argument 'x'"),
])
def test_argument_errors(call, message):
    fails(call, TypeError, message)


def test_walk_order():
    seen = []

    def recorder(node):
        seen.append(str(node))
        return 7 if isinstance(node, zv.MulOp) else node

    zv.replace(a * x + b + zv.abs(b) ** 2, recorder)  # top-down, left to right; a replaced node hides its subtree
    assert seen == ["a * x + b + |b| ** 2", "a * x", "b", "|b| ** 2", "|b|", "b", "2"]
    seen.clear()
    assert zv.is_same(zv.replace(both, lambda node: seen.append(str(node)) or node), both)
    assert "i != 1 and i != 2" in seen and "i != 1" in seen
    seen.clear()
    z, ia = zv.IntegerVar("z", shape=[a], lower_bound=0, upper_bound=b), zv.Element("i", (0, a))
    zv.replace(zv.sum(ia, z[ia]), lambda node: seen.append(str(node)) or node)
    assert "a" not in seen and "b" not in seen  # sets, shapes and bounds are never shown
    assert len(zv.replace(a * b, to("b", b * c)).terms) == 2  # no flattening


def test_copies_latex_and_documented_examples():
    r = zv.replace(expr=x, replacer=identity)
    assert type(r) is zv.BinaryVar and zv.is_same(r, x) and r is not x
    e = x + y
    e.set_latex("E")
    r = zv.replace(e, identity)  # an unchanged rewrite is a new node without its own LaTeX
    assert type(r) is zv.AddOp and r is not e and zv.is_same(r, e)
    shows(r, "latex", "x + y")
    shows(e, "latex", "E")
    e = s1[i]
    e.set_latex("S_i")
    r = zv.replace(e, identity)
    shows(r, "latex", "s_{i}")
    assert zv.is_same(r, e) is False  # a subscript's own LaTeX string counts
    assert "L + 1" in zv.replace(length + 1, identity)._repr_latex_()
    r = zv.replace(length, to("s", t2))
    assert r.description is None
    shows(r, "latex", "\\mathrm{len}\\left(t, 1\\right)")
    r = zv.replace(zv.Placeholder("ph"), lambda node: zv.BinaryVar(node.name))
    assert repr(r) == "BinaryVar(name='ph', shape=[])"
    ph = zv.Placeholder("ph", ndim=2)
    elt = zv.Element("elt", belong_to=zv.Placeholder("S", ndim=2))
    xp = zv.BinaryVar("x", shape=[ph.len_at(0), ph.len_at(1)])

    def replacer(node):
        if isinstance(node, zv.Subscript) and isinstance(node.variable, zv.Placeholder):
            return xp[tuple(node.subscripts)]
        return node

    assert zv.is_same(zv.replace(ph[123, 456] + elt[123], replacer), xp[123, 456] + elt[123])
    doc = zv.replace.__doc__
    assert doc.startswith("Replace the expression node with the result of calling the replacer.")
    for section in ("Args:", "Examples:", "Raises:", "Note:", "The replacer must return an expression node.",
                    "TypeError: Raises if the type of `replacer` is not callable."):
        assert section in doc


def nested_abs(leaf, depth):
    for _ in range(depth):
        leaf = zv.abs(leaf)
    return leaf


def test_a_replacer_that_replaces_inside_itself_ends_at_the_recursion_limit():
    # The RecursionError ends the rewrite at once instead of being read as "this node stays" at every node below
    # (a quadratic number of calls). Each level nests the interpreter in C, so a subprocess with a modest limit.
    script = textwrap.dedent("""
        import sys
        import zorvane as zv
        sys.setrecursionlimit(300)
        a, b = zv.Placeholder("a"), zv.Placeholder("b")
        calls = []

        def inside(node):
            calls.append(node)
            return zv.replace(node, inside)

        try:
            zv.replace(zv.sum(zv.Element("i", belong_to=(0, 3)), a * b + 1) * (a + b), inside)
        except RecursionError:
            print(len(calls) <= 300)
    """)
    proc = processes.python(script)
    assert proc.returncode == 0 and proc.stdout == "True\n", proc.stderr[-3000:]


def test_depth():
    e = nested_abs(a, 4000) + x
    assert zv.is_same(zv.replace(e, identity), e) and zv.is_linear(e) is True
    assert [type(v).__name__ for v in zv.extract_variables(e)] == ["Placeholder", "BinaryVar"]
    assert len(zv.extract_nodes(e, zv.AbsOp)) == 4000
    p = zv.Problem("p")
    p += zv.Constraint("c", e <= 1)
    p += e
    assert p._repr_latex_().count("\\left|") == 8000
    # a rewrite past the depth limit raises; at the root nothing is rebuilt, so any result stands
    fails(lambda: zv.replace(nested_abs(a, 4000), to("a", nested_abs(b, 200))), RecursionError)
    assert type(zv.replace(nested_abs(a, 4000), at(zv.AbsOp, 1))) is zv.NumberLit
