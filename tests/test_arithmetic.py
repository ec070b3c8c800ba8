"""Arithmetic builders: literal folding, neutral operands, sum and product normal form, merges,
the LaTeX merge barrier, refusals, and random expressions against the model in arith_model."""

import math
import operator

import pytest
from hypothesis import given, settings, strategies as st

import arith_model as model
import zorvane as zv
from arith_model import INT64_MAX, INT64_MIN, check

N = zv.NumberLit
NEG_NAN = -math.nan
assert math.copysign(1.0, NEG_NAN) == -1.0
x, y, z = zv.Placeholder("x"), zv.Placeholder("y"), zv.Placeholder("z")
a, b, c, d = (zv.Placeholder(n) for n in "abcd")
NAN, INF = math.nan, math.inf
OPS = {"+": operator.add, "-": operator.sub, "*": operator.mul, "/": operator.truediv,
       "%": operator.mod, "**": operator.pow}


def with_latex(e, text):
    e.set_latex(text)
    return e


def latex(e):
    return e._repr_latex_().removeprefix("$$\\displaystyle ").removesuffix("$$")


WORKED = [
    # sums: literal last, flattening order, merge, clean-up
    (lambda: 2 + x, ("+", "x", 2)), (lambda: x + y, ("+", "x", "y")), (lambda: x + 3, ("+", "x", 3)),
    (lambda: x + (y + z), ("+", "y", "z", "x")), (lambda: (x + y) + z, ("+", "x", "y", "z")),
    (lambda: x + (y + 1), ("+", "y", "x", 1)), (lambda: 2 + (x + y), ("+", "x", "y", 2)),
    (lambda: (x + 3) + 2, ("+", "x", 5)), (lambda: (x + 1) + 0.5, ("+", "x", 1.5)),
    (lambda: (a + 1) + (b + 2), ("+", "a", "b", 3)), (lambda: (a + b) + (c + 1), ("+", "a", "b", "c", 1)),
    (lambda: (a + b + 2) + (c + d + 3), ("+", "a", "b", "c", "d", 5)),
    (lambda: 3 + (x - 3), "x"), (lambda: (a + 1) + (b - 1), ("+", "a", "b")),
    (lambda: (a + 2) + (b + (-2)), ("+", "a", "b")), (lambda: (x + y + 1) - 1, ("+", "x", "y")),
    # subtraction and negation
    (lambda: x - 2, ("+", "x", -2)), (lambda: 2 - x, ("+", ("*", -1, "x"), 2)),
    (lambda: x - x, ("+", "x", ("*", -1, "x"))), (lambda: x - 2 * y, ("+", "x", ("*", -2, "y"))),
    (lambda: x - (y + 1), ("+", "x", ("*", -1, ("+", "y", 1)))), (lambda: 0.0 - x, ("*", -1, "x")),
    (lambda: x - 0, "x"), (lambda: -x, ("*", -1, "x")), (lambda: -(-x), ("*", 1, "x")),
    (lambda: -(2 * x), ("*", -2, "x")), (lambda: -(x + 1), ("*", -1, ("+", "x", 1))),
    # products: literal first, flattening order, merge; a leading literal 1 stays
    (lambda: x * x, ("*", "x", "x")), (lambda: x * 3, ("*", 3, "x")), (lambda: 2 * (3 * x), ("*", 6, "x")),
    (lambda: (3 * x) * 2, ("*", 6, "x")), (lambda: 2 * (0.5 * x), ("*", 1.0, "x")),
    (lambda: x * (2 * y), ("*", 2, "y", "x")), (lambda: (2 * y) * x, ("*", 2, "y", "x")),
    (lambda: (x * y) * z, ("*", "x", "y", "z")), (lambda: x * (y * z), ("*", "y", "z", "x")),
    (lambda: (2 * a * b) * (3 * c * d), ("*", 6, "a", "b", "d", "c")),
    (lambda: (a * b) * (3 * c * d), ("*", 3, "a", "b", "d", "c")),
    (lambda: (2 * a * b) * (c * d), ("*", 2, "a", "b", "c", "d")),
    (lambda: (x * y) * (3 * z * a * b), ("*", 3, "x", "y", "b", "z", "a")),
    (lambda: -1 * (-1 * x * y), ("*", 1, "x", "y")), (lambda: 2 * (x + 1), ("*", 2, ("+", "x", 1))),
    # equal-base powers merge; bases compare structurally, LaTeX and description aside
    (lambda: x**2 * x**3, ("**", "x", 5)), (lambda: x**2 * x**-2, ("**", "x", 0)),
    (lambda: x**y * x**2, ("**", "x", ("+", "y", 2))), (lambda: x**2 * x**3 * x**4, ("**", "x", 9)),
    (lambda: x * x**2, ("*", "x", ("**", "x", 2))), (lambda: x**2 * y**3, ("*", ("**", "x", 2), ("**", "y", 3))),
    (lambda: (2 * x**2) * x**3, ("*", 2, ("**", "x", 2), ("**", "x", 3))),
    (lambda: x**2 * zv.Placeholder("x", latex="X", description="d") ** 3, ("**", "x", 5)),
    (lambda: (x + 1) ** 2 * (1 + x) ** 3, ("**", ("+", "x", 1), 5)),
    (lambda: (x + y) ** 2 * (y + x) ** 3, ("*", ("**", ("+", "x", "y"), 2), ("**", ("+", "y", "x"), 3))),
    (lambda: N(2) ** 3 * N(2.0) ** 4, ("**", 2, 7)),
    (lambda: N(2**53 + 1) ** x * N(2.0**53) ** y, ("**", 2**53 + 1, ("+", "x", "y"))),
    (lambda: N(NAN) ** 2 * N(NAN) ** 3, ("*", ("**", NAN, 2), ("**", NAN, 3))),
    (lambda: with_latex(x + 1, "I") ** 2 * (x + 1) ** 3, ("**", ("+", "x", 1), 5)),
    # division never folds; powers and remainders of literals are built as they are
    (lambda: N(6) / 3, ("*", 6, ("**", 3, -1))), (lambda: x / 2, ("*", "x", ("**", 2, -1))),
    (lambda: 1 / x, ("**", "x", -1)), (lambda: 0 / x, 0), (lambda: x**3 / x, ("**", "x", 2)),
    (lambda: x / (y - y), ("*", "x", ("**", ("+", "y", ("*", -1, "y")), -1))),
    (lambda: N(2) ** 3, ("**", 2, 3)), (lambda: x**0, ("**", "x", 0)), (lambda: 2**x, ("**", 2, "x")),
    (lambda: (x**2) ** 3, ("**", ("**", "x", 2), 3)), (lambda: x ** (N(2) + 1), ("**", "x", 3)),
    (lambda: x**NAN, ("**", "x", NAN)), (lambda: N(0) ** 0.0, ("**", 0, 0.0)),
    (lambda: N(0) ** NAN, ("**", 0, NAN)), (lambda: N(0) ** -x, ("**", 0, ("*", -1, "x"))),
    (lambda: x % 3, ("%", "x", 3)), (lambda: 3 % x, ("%", 3, "x")), (lambda: N(7) % 2, ("%", 7, 2)),
    (lambda: pow(x, 2, 3), ("%", ("**", "x", 2), 3)), (lambda: pow(2, x, 3), ("%", ("**", 2, "x"), 3)),
    (lambda: pow(x, 2, None), ("**", "x", 2)),
    # literals fold; Integer and Float kept apart
    (lambda: N(2) + 3, 5), (lambda: N(2) + N(3.5), 5.5), (lambda: N(0) + 0.0, 0.0), (lambda: N(0) - 0.0, 0),
    (lambda: N(0.0) - 5, -5), (lambda: N(0) - 5.0, -5.0), (lambda: N(5.0) - 0, 5.0), (lambda: 2 - N(1.5), 0.5),
    (lambda: N(0) * 2.5, 0.0), (lambda: -N(2), -2), (lambda: -N(0.0), -0.0), (lambda: -N(-0.0), 0.0),
    (lambda: N(INF) - INF, NAN), (lambda: N(INF) * 0, NAN),
    # neutral and absorbing operands; a zero factor is the Integer 0 whatever its kind
    (lambda: x + 0, "x"), (lambda: 0.0 + x, "x"), (lambda: x + -0.0, "x"), (lambda: x * 1.0, "x"),
    (lambda: 1 * x, "x"), (lambda: x + False, "x"), (lambda: x * True, "x"), (lambda: N(1) * x, "x"),
    (lambda: x * 0.0, 0), (lambda: -0.0 * x, 0), (lambda: (x + 1) * 0, 0), (lambda: x * N(0.0), 0),
    (lambda: (x + y) + 0, ("+", "x", "y")), (lambda: 1.0 * (2 * x), ("*", 2, "x")),
    # NaN is neither a zero nor a one literal
    (lambda: x + NAN, ("+", "x", NAN)), (lambda: NAN * x, ("*", NAN, "x")), (lambda: x - NAN, ("+", "x", NAN)),
]


@pytest.mark.parametrize("build, expected", WORKED)
def test_worked_example(build, expected):
    check(build(), expected)


def test_neutral_operand_gives_a_new_equal_object():
    s, n = x + y, N(3)
    assert x + 0 is not x and 1 * x is not x and s + 0 is not s and 1 * s is not s and n + 0 is not n
    assert repr(x * 1) == "Placeholder(name='x', ndim=0)"
    assert (0.0 * x).dtype == zv.DataType.INTEGER


def test_product_keeps_a_literal_zero_from_underflow():
    e = 1e-200 * (1e-200 * x)
    check(e, ("*", 0.0, "x"))
    check((1e-200 * x) * (1e-200 * y), ("*", 0.0, "x", "y"))
    assert str(e) == "0 * x"


# ---- integer folding never wraps: checked 64-bit arithmetic, else a Float in double ----------

OVERFLOW = [
    (lambda: N(INT64_MAX) + 1, 2.0**63), (lambda: 1 + N(INT64_MAX), 2.0**63),
    (lambda: N(INT64_MIN) - 1, -(2.0**63)), (lambda: N(INT64_MAX) - -1, 2.0**63),
    (lambda: 0 - N(INT64_MIN), 2.0**63), (lambda: -N(INT64_MIN), 2.0**63),
    (lambda: N(INT64_MAX) * 2, 2.0**64), (lambda: N(INT64_MIN) * -1, 2.0**63),
    (lambda: N(2**32) * 2**32, 2.0**64), (lambda: N(1) + 2**63, 2.0**63),
    # at the edges it stays Integer
    (lambda: N(INT64_MIN) + INT64_MAX, -1), (lambda: N(-(2**62)) * 2, INT64_MIN),
    (lambda: -N(INT64_MAX), -INT64_MAX), (lambda: N(-1) - INT64_MAX, INT64_MIN),
    (lambda: N(2**31) * 2**31, 2**62),
    # constants of sums and products, merged exponents, out-of-range Python ints
    (lambda: (x + INT64_MAX) + 1, ("+", "x", 2.0**63)), (lambda: 1 + (x + INT64_MAX), ("+", "x", 2.0**63)),
    (lambda: (x + INT64_MAX) + (y + 1), ("+", "x", "y", 2.0**63)), (lambda: x - INT64_MIN, ("+", "x", 2.0**63)),
    (lambda: INT64_MAX * (2 * x), ("*", 2.0**64, "x")), (lambda: (2 * x) * (INT64_MAX * y), ("*", 2.0**64, "x", "y")),
    (lambda: -(INT64_MIN * x), ("*", 2.0**63, "x")), (lambda: x - INT64_MIN * y, ("+", "x", ("*", 2.0**63, "y"))),
    (lambda: x ** (2**62) * x ** (2**62), ("**", "x", 2.0**63)),
    (lambda: x ** (2**62) * x ** (2**62 - 1), ("**", "x", INT64_MAX)),
    (lambda: x + 2**63, ("+", "x", 2.0**63)), (lambda: x + -(2**63), ("+", "x", -(2**63))),
]


@pytest.mark.parametrize("build, expected", OVERFLOW)
def test_integer_folding_never_wraps(build, expected):
    check(build(), expected)


numbers = st.one_of(st.integers(INT64_MIN, INT64_MAX), st.integers(-1000, 1000), st.floats(),
                    st.sampled_from([INT64_MIN, INT64_MIN + 1, -1, 0, 1, INT64_MAX, 2**32, -(2**62), -0.0]))


@settings(max_examples=500)
@given(numbers, numbers)
def test_literal_folding_matches_the_model(i, j):
    for op in "+-*":
        check(OPS[op](N(i), j), model.BUILDERS[op](i, j))
        check(OPS[op](i, N(j)), model.BUILDERS[op](i, j))
    check(-N(i), model.neg(i))


# ---- refusals ----------------------------------------------------------------------------------

DIV0, MOD0, POW0 = "division by zero", "modulo by zero", "zero cannot be raised to a negative power"
NOT_EXPR = "failed to convert into expression."
ERRORS = [
    (lambda: x / 0, ZeroDivisionError, DIV0), (lambda: x / -0.0, ZeroDivisionError, DIV0),
    (lambda: (x + 1) / N(0.0), ZeroDivisionError, DIV0), (lambda: N(0) / False, ZeroDivisionError, DIV0),
    (lambda: 1 / N(0), ZeroDivisionError, DIV0), (lambda: x / (N(1) - 1), ZeroDivisionError, DIV0),
    (lambda: x / (0 * y), ZeroDivisionError, DIV0),
    (lambda: x % 0, ZeroDivisionError, MOD0), (lambda: N(5) % -0.0, ZeroDivisionError, MOD0),
    (lambda: 5 % N(0), ZeroDivisionError, MOD0), (lambda: pow(x, 2, 0), ZeroDivisionError, MOD0),
    (lambda: N(0) ** -1, ZeroDivisionError, POW0), (lambda: N(0.0) ** -2, ZeroDivisionError, POW0),
    (lambda: N(0) ** -0.0, ZeroDivisionError, POW0), (lambda: N(-0.0) ** -1, ZeroDivisionError, POW0),
    (lambda: 0 ** N(-1), ZeroDivisionError, POW0), (lambda: N(0) ** -INF, ZeroDivisionError, POW0),
    (lambda: N(0) ** NEG_NAN, ZeroDivisionError, POW0), (lambda: (0 * x) ** -1, ZeroDivisionError, POW0),
    # the power is checked before the modulo; conversions (exponent, then modulo) come first
    (lambda: pow(N(0), -1, 0), ZeroDivisionError, POW0), (lambda: pow(N(0), -1, "m"), TypeError, NOT_EXPR),
    (lambda: pow(x, "e", 0), TypeError, NOT_EXPR), (lambda: pow(2, x, "m"), TypeError, NOT_EXPR),
    (lambda: pow(2, 3, x), TypeError, "unsupported operand type(s) for ** or pow(): 'int', 'int', 'zorvane.Placeholder'"),
    (lambda: x + 10**400, TypeError, NOT_EXPR), (lambda: 10**400 * x, TypeError, NOT_EXPR),
    (lambda: zv.BinaryVar("v") ** NAN, zv.ModelingError, "a decision variable can be raised to only a positive power"),
]


@pytest.mark.parametrize("build, kind, message", ERRORS)
def test_refused(build, kind, message):
    with pytest.raises(kind) as info:
        build()
    assert type(info.value) is kind and str(info.value) == message


def test_python_numbers_of_other_kinds_convert():
    np = pytest.importorskip("numpy")

    class Index:
        def __index__(self):
            return 7

    class Floaty:
        def __float__(self):
            return 2.25

    for other, value in ((np.int64(3), 3), (np.float32(0.5), 0.5), (Index(), 7), (Floaty(), 2.25)):
        check(x + other, ("+", "x", value))
        check(other * x, ("*", value, "x"))


# ---- the LaTeX merge barrier: a sum, product or power with its own string stays whole ----------


def test_own_latex_keeps_a_node_whole():
    s, m, p = with_latex(x + y, "S"), with_latex(2 * x, "M"), with_latex(x**2, "P")
    cases = [
        (s + z, "AddOp Placeholder", "S + z"), (z + s, "Placeholder AddOp", "z + S"),
        (s + 1, "AddOp NumberLit", "S + 1"), (1 + s, "AddOp NumberLit", "S + 1"), (s + s, "AddOp AddOp", "S + S"),
        ((a + b + 1) + s, "Placeholder Placeholder AddOp NumberLit", "a + b + S + 1"),
        (s + (a + b + 1), "Placeholder Placeholder AddOp NumberLit", "a + b + S + 1"),
        (m * 3, "NumberLit MulOp", "3 \\cdot M"), (3 * m, "NumberLit MulOp", "3 \\cdot M"),
        (m * y, "MulOp Placeholder", "M \\cdot y"), (y * m, "Placeholder MulOp", "y \\cdot M"),
        (m * (3 * a * b), "NumberLit Placeholder Placeholder MulOp", "3 \\cdot a \\cdot b \\cdot M"),
        ((3 * a * b) * m, "NumberLit Placeholder Placeholder MulOp", "3 \\cdot a \\cdot b \\cdot M"),
        (-m, "NumberLit MulOp", "- M"), (p * x**3, "PowOp PowOp", "P \\cdot x^{3}"),
        (x**3 * p, "PowOp PowOp", "x^{3} \\cdot P"),
    ]
    for e, kinds, tex in cases:
        assert " ".join(type(t).__name__ for t in e.terms) == kinds, tex
        assert latex(e) == tex
    check((s + z).terms[0], ("+", "x", "y"))
    assert latex((s + z).terms[0]) == "S"
    empty = with_latex(x + y, "")
    assert len((empty + z).terms) == 2 and latex(empty + z) == " + z" and str(empty + z) == "x + y + z"
    xl = zv.Placeholder("x", latex="X")
    assert latex(xl**2 * xl**3) == "X^{5}"  # a merged power keeps the LaTeX of its base


def test_clearing_latex_makes_a_node_mergeable_again():
    s, p = with_latex(x + y, "S"), with_latex(x**2, "P")
    s.set_latex(None)
    p.set_latex()
    check(s + z, ("+", "x", "y", "z"))
    check(p * x**3, ("**", "x", 5))


def test_later_set_latex_does_not_reach_earlier_results():
    s = x + y
    e, t = s + z, s * 2
    s.set_latex("S")
    assert latex(e) == "x + y + z" and latex(t) == "2 \\cdot \\left(x + y\\right)"
    after = s + z
    s.set_latex(None)
    assert latex(after) == "S + z"
    p = zv.Placeholder("p")
    before = p + 1
    p.set_latex("P")
    assert latex(before) == "p + 1" and latex(p + 1) == "P + 1"
    assert latex((with_latex(x + y, "S") + z) * 2) == "2 \\cdot \\left(S + z\\right)"


# ---- random expressions and shared term lists against the model --------------------------------

_VARS = {name: zv.Placeholder(name) for name in "xyz"}
_edge = st.sampled_from([INT64_MIN, INT64_MIN + 1, -1, 0, 1, 2, INT64_MAX, 2**32, -(2**62)])
_leaf = st.one_of(
    st.sampled_from([("var", n) for n in "xyz"]),
    st.tuples(st.just("int"), st.one_of(st.integers(-1000, 1000), _edge)),
    st.tuples(st.just("float"), st.one_of(st.floats(), st.sampled_from([0.0, -0.0, 1.0, -1.0, 0.5]))),
    st.tuples(st.just("lit"), st.one_of(st.integers(-1000, 1000), _edge, st.floats())),
)
recipes = st.recursive(
    _leaf,
    lambda kids: st.one_of(st.tuples(st.sampled_from(list(OPS)), kids, kids), st.tuples(st.just("neg"), kids)),
    max_leaves=14,
)


def _run(recipe):
    kind = recipe[0]
    if kind == "var":
        return _VARS[recipe[1]]
    if kind in ("int", "float"):
        return recipe[1]
    if kind == "lit":
        return N(recipe[1])
    if kind == "neg":
        v = _run(recipe[1])
        return -(N(v) if isinstance(v, (int, float)) else v)
    left, right = _run(recipe[1]), _run(recipe[2])
    if isinstance(left, (int, float)) and isinstance(right, (int, float)):
        left = N(left)  # two plain numbers would be Python arithmetic
    return OPS[kind](left, right)


def _model(recipe):
    kind = recipe[0]
    if kind == "var":
        return recipe[1]
    if kind in ("int", "float", "lit"):
        return model.literal_of(recipe[1])
    if kind == "neg":
        return model.neg(_model(recipe[1]))
    return model.BUILDERS[kind](_model(recipe[1]), _model(recipe[2]))


@settings(max_examples=1500)
@given(recipes)
def test_random_expressions_match_the_model(recipe):
    try:
        expected = _model(recipe)
    except model.ModelError as error:
        with pytest.raises(error.kind) as info:
            _run(recipe)
        assert str(info.value) == error.message
        return
    got = _run(recipe)
    got = N(got) if isinstance(got, (int, float)) else got
    check(got, expected)
    assert str(got) == model.to_str(expected)


@settings(max_examples=500)
@given(st.lists(st.tuples(st.integers(0, 10_000), st.integers(0, 10_000), st.sampled_from(["+", "-", "*", "/", "**"]),
                          st.sampled_from([None, 1, 2, -1, 0.5, 3])), min_size=1, max_size=80))
def test_results_sharing_term_lists_stay_intact(steps):
    # Every step extends an earlier result (mostly one of the newest), so term lists are extended
    # from the same operand again and again; afterwards every result must still be as built.
    objects = [x, y, z, x + y, 2 * x, x + 1]
    trees = [model.tree(o) for o in objects]
    for i, j, op, number in steps:
        if op == "**" and number is None:
            continue  # keep the trees small
        i = len(objects) - 1 - (i % 3) if i % 4 else i % len(objects)
        other, tother = (objects[j % len(objects)], trees[j % len(trees)]) if number is None \
            else (number, model.literal_of(number))
        try:
            expected = model.BUILDERS[op](trees[i], tother)
        except model.ModelError as error:
            with pytest.raises(error.kind):
                OPS[op](objects[i], other)
            continue
        got = OPS[op](objects[i], other)
        objects.append(N(got) if isinstance(got, (int, float)) else got)
        trees.append(expected)
    for o, t in zip(objects, trees):
        check(o, t)
        assert str(o) == model.to_str(t)


def test_long_chains_keep_every_intermediate_result():
    ps = [zv.Placeholder(f"q{k}") for k in range(40)]
    kept = []
    e, te, m, tm = x, "x", 2 * x, ("*", 2, "x")
    for k, p in enumerate(ps):
        e, te, m, tm = e + p, model.add(te, p.name), m * p, model.mul(tm, p.name)
        if k % 3 == 0:
            e, te, m, tm = e + 1, model.add(te, 1), m * 3, model.mul(tm, 3)
        kept += [(e, te), (m, tm)]
        for branch, tree in ((e + a, model.add(te, "a")), (2 + e, model.add(2, te)), (m * a, model.mul(tm, "a")),
                             ((5 * a * b) * m, model.mul(("*", 5, "a", "b"), tm)),
                             (e + (a + b + 1), model.add(te, ("+", "a", "b", 1)))):
            check(branch, tree)
    for obj, tree in kept:
        check(obj, tree)


# ---- building a sum or product term by term is linear ------------------------------------------

LOOPS = {
    "e + k * p": (lambda e, k, p: e + k * p, 0),
    "e + k * p + 1": (lambda e, k, p: e + k * p + 1, 0),
    "e + (k * p + 1)": (lambda e, k, p: e + (k * p + 1), 0),
    "(e + p) + (p + 1)": (lambda e, k, p: (e + p) + (p + 1), 0),
    "p + e": (lambda e, k, p: p + e, 0),
    "m * p * 2": (lambda m, k, p: m * p * 2, x),
    "m * (2 * p)": (lambda m, k, p: m * (2 * p), x),
    "p * m": (lambda m, k, p: p * m, x),
}


# Each loop keeps one flat node that grows by a term per step. That its cost per term does not
# grow with the length is counted (allocations, not time) in tests/cpp/test_linear_building.cpp,
# which runs the same steps through the builders.
@pytest.mark.parametrize("name", list(LOOPS))
def test_loop_building_keeps_one_flat_node(name):
    step, start = LOOPS[name]
    ps = [zv.Placeholder(f"p{k}") for k in range(300)]
    e = start
    for k, p in enumerate(ps, 1):
        e = step(e, k, p)
    assert type(e) is (zv.AddOp if isinstance(start, int) else zv.MulOp) and len(e.terms) >= len(ps)


def test_loops_and_augmented_assignment_agree():
    ps = [zv.Placeholder(f"p{k}") for k in range(50)]
    e, f, g = 0, 0, 0
    for k, p in enumerate(ps, 1):
        e = e + k * p + 1
        f += k * p + 1
        g = g + 1 + k * p
    assert repr(e) == repr(f) == repr(g)
    assert len(e.terms) == 51 and e.terms[-1].value == 50
    h, e2 = e + zv.Placeholder("extra"), e + 1
    assert len(e.terms) == 51 and e.terms[-1].value == 50
    assert str(h).endswith("50 * p49 + extra + 50") and str(e2).endswith("50 * p49 + 51")
