"""Arithmetic builders: literal folding, neutral operands, sum and product normal form, merges.

Structure is read back through the public attributes (`terms`, `base`, `exponent`, `left`,
`right`, `value`) and compared as a small tree: a literal is its Python value (int and float kept
apart), a placeholder its name, and an operator node a tuple of its symbol and children.
"""

import math
import sys

import pytest
from hypothesis import assume, given, settings, strategies as st

import zorvane as zv

INT64_MIN, INT64_MAX = -(2**63), 2**63 - 1
NEG_NAN = -math.nan
assert math.copysign(1.0, NEG_NAN) == -1.0

N = zv.NumberLit
x, y, z = zv.Placeholder("x"), zv.Placeholder("y"), zv.Placeholder("z")
a, b, c, d = (zv.Placeholder(n) for n in "abcd")

_SYMBOL = {zv.AddOp: "+", zv.MulOp: "*"}


def tree(e):
    """A comparable picture of an expression object."""
    t = type(e)
    if t is zv.NumberLit:
        return e.value
    if t is zv.Placeholder:
        return e.name
    if t in _SYMBOL:
        return (_SYMBOL[t], *(tree(u) for u in e.terms))
    if t is zv.PowOp:
        return ("**", tree(e.base), tree(e.exponent))
    if t is zv.ModOp:
        return ("%", tree(e.left), tree(e.right))
    raise AssertionError(f"unexpected node {t.__name__}")


def same(got, expected):
    """Equality that keeps int and float apart and tells -0.0 from 0.0 and NaN from NaN."""
    if type(got) is not type(expected):
        return False
    if isinstance(expected, float):
        if math.isnan(expected):
            return math.isnan(got)  # the sign of a computed NaN is not portable
        return got == expected and math.copysign(1, got) == math.copysign(1, expected)
    if isinstance(expected, tuple):
        return len(got) == len(expected) and all(same(g, e) for g, e in zip(got, expected))
    return got == expected


def check(e, expected):
    got = tree(e)
    assert same(got, expected), f"{got!r} != {expected!r}"


def lit(e, value):
    assert type(e) is zv.NumberLit
    assert same(e.value, value), f"{e.value!r} != {value!r}"


# ---------------------------------------------------------------------------------------------
# Worked examples of the add, subtract, multiply, negate and divide builders
# ---------------------------------------------------------------------------------------------

WORKED = [
    # operand slots on a placeholder
    (lambda: x + 1, ("+", "x", 1)),
    (lambda: 1 + x, ("+", "x", 1)),
    (lambda: x - 1, ("+", "x", -1)),
    (lambda: 1 - x, ("+", ("*", -1, "x"), 1)),
    (lambda: 2 * x, ("*", 2, "x")),
    (lambda: x * 2, ("*", 2, "x")),
    (lambda: x + y, ("+", "x", "y")),
    (lambda: x + 3, ("+", "x", 3)),
    (lambda: 2 + x, ("+", "x", 2)),
    # flattening and term order of sums
    (lambda: x + (y + z), ("+", "y", "z", "x")),
    (lambda: (x + y) + z, ("+", "x", "y", "z")),
    (lambda: x + (y + 1), ("+", "y", "x", 1)),
    (lambda: (y + 3) + x, ("+", "y", "x", 3)),
    (lambda: x + (y + 3), ("+", "y", "x", 3)),
    (lambda: (a + 1) + (b + 2), ("+", "a", "b", 3)),
    (lambda: (a + b + 2) + (c + d + 3), ("+", "a", "b", "c", "d", 5)),
    (lambda: (a + b) + (c + d), ("+", "a", "b", "c", "d")),
    (lambda: (a + 1) + (b + c), ("+", "a", "b", "c", 1)),
    (lambda: (a + b) + (c + 1), ("+", "a", "b", "c", 1)),
    (lambda: 2 + (x + 3), ("+", "x", 5)),
    (lambda: (x + 3) + 2, ("+", "x", 5)),
    (lambda: 2 + (x + y), ("+", "x", "y", 2)),
    (lambda: (x + y) + 2.5, ("+", "x", "y", 2.5)),
    (lambda: (x + 1) + 0.5, ("+", "x", 1.5)),
    # clean-up: zero literals removed, a single term stands for itself
    (lambda: 3 + (x - 3), "x"),
    (lambda: (x + 3) + (-3), "x"),
    (lambda: (x + 3) - 3, "x"),
    (lambda: (a + 1) + (b - 1), ("+", "a", "b")),
    (lambda: (a + 2) + (b + (-2)), ("+", "a", "b")),
    (lambda: (x + 1.5) + (y - 1.5), ("+", "x", "y")),
    (lambda: (x + y + 1) - 1, ("+", "x", "y")),
    # subtraction
    (lambda: x - 2, ("+", "x", -2)),
    (lambda: 2 - x, ("+", ("*", -1, "x"), 2)),
    (lambda: x - x, ("+", "x", ("*", -1, "x"))),
    (lambda: x - y, ("+", "x", ("*", -1, "y"))),
    (lambda: x - 2 * y, ("+", "x", ("*", -2, "y"))),
    (lambda: x - (y + 1), ("+", "x", ("*", -1, ("+", "y", 1)))),
    (lambda: 0 - x, ("*", -1, "x")),
    (lambda: 0.0 - x, ("*", -1, "x")),
    (lambda: x - 0, "x"),
    (lambda: x - 0.0, "x"),
    (lambda: x - 2.5, ("+", "x", -2.5)),
    # negation
    (lambda: -x, ("*", -1, "x")),
    (lambda: -(-x), ("*", 1, "x")),
    (lambda: -(2 * x), ("*", -2, "x")),
    (lambda: -(x + 1), ("*", -1, ("+", "x", 1))),
    (lambda: -(x**2), ("*", -1, ("**", "x", 2))),
    # multiplication: neutral operands, literal first, flattening
    (lambda: x * x, ("*", "x", "x")),
    (lambda: x * y, ("*", "x", "y")),
    (lambda: x * 3, ("*", 3, "x")),
    (lambda: x * 2.5, ("*", 2.5, "x")),
    (lambda: 2 * (3 * x), ("*", 6, "x")),
    (lambda: (3 * x) * 2, ("*", 6, "x")),
    (lambda: 2 * (0.5 * x), ("*", 1.0, "x")),
    (lambda: x * (2 * y), ("*", 2, "y", "x")),
    (lambda: (2 * y) * x, ("*", 2, "y", "x")),
    (lambda: x * (3 * a), ("*", 3, "a", "x")),
    (lambda: (3 * a) * x, ("*", 3, "a", "x")),
    (lambda: (x * y) * z, ("*", "x", "y", "z")),
    (lambda: x * (y * z), ("*", "y", "z", "x")),
    (lambda: (2 * a * b) * (3 * c * d), ("*", 6, "a", "b", "d", "c")),
    (lambda: (a * b) * (3 * c * d), ("*", 3, "a", "b", "d", "c")),
    (lambda: (2 * a * b) * (c * d), ("*", 2, "a", "b", "c", "d")),
    (lambda: (a * b) * (c * d), ("*", "a", "b", "c", "d")),
    (lambda: 2 * (x + 1), ("*", 2, ("+", "x", 1))),
    (lambda: (x + 1) * (y + 1), ("*", ("+", "x", 1), ("+", "y", 1))),
    # equal-base power merge
    (lambda: x**2 * x**3, ("**", "x", 5)),
    (lambda: x**2 * x**-2, ("**", "x", 0)),
    (lambda: x**2 * x**0.5, ("**", "x", 2.5)),
    (lambda: x**y * x**2, ("**", "x", ("+", "y", 2))),
    (lambda: x**y * x**z, ("**", "x", ("+", "y", "z"))),
    (lambda: (x + 1) ** 2 * (x + 1) ** 3, ("**", ("+", "x", 1), 5)),
    (lambda: x**2 * y**3, ("*", ("**", "x", 2), ("**", "y", 3))),
    (lambda: x * x**2, ("*", "x", ("**", "x", 2))),
    (lambda: x**2 * x, ("*", ("**", "x", 2), "x")),
    (lambda: x**2 * x**3 * x**4, ("**", "x", 9)),
    (lambda: (2 * x**2) * x**3, ("*", 2, ("**", "x", 2), ("**", "x", 3))),
    (lambda: N(2) ** 3 * N(2) ** 4, ("**", 2, 7)),
    (lambda: N(2) ** 3 * N(2.0) ** 4, ("**", 2, 7)),
    # division never folds
    (lambda: N(6) / 3, ("*", 6, ("**", 3, -1))),
    (lambda: x / 2, ("*", "x", ("**", 2, -1))),
    (lambda: x / y, ("*", "x", ("**", "y", -1))),
    (lambda: 2 / x, ("*", 2, ("**", "x", -1))),
    (lambda: 1 / x, ("**", "x", -1)),
    (lambda: 0 / x, 0),
    (lambda: x / 1, ("*", "x", ("**", 1, -1))),
    (lambda: x / x, ("*", "x", ("**", "x", -1))),
    (lambda: x**2 / x**2, ("*", ("**", "x", 2), ("**", ("**", "x", 2), -1))),
    (lambda: x**3 / x, ("**", "x", 2)),
    (lambda: (2 * x) / y, ("*", 2, "x", ("**", "y", -1))),
    # literals alone
    (lambda: N(2) + 3, 5),
    (lambda: N(2) + N(3.5), 5.5),
    (lambda: N(2) * 3, 6),
    (lambda: N(2) - 3, -1),
    (lambda: 2 - N(1.5), 0.5),
    (lambda: N(0) + 0.0, 0.0),
    (lambda: N(0.0) + 0, 0.0),
    (lambda: N(0) - 0.0, 0),
    (lambda: N(0.0) - 0, 0),
    (lambda: N(0.0) - 5, -5),
    (lambda: N(0) - 5, -5),
    (lambda: N(0) - 5.0, -5.0),
    (lambda: N(5.0) - 0, 5.0),
    (lambda: N(0) * 2.5, 0.0),
    (lambda: N(2.5) * 0, 0.0),
    (lambda: -N(2), -2),
    (lambda: -N(2.0), -2.0),
    (lambda: -N(0.0), -0.0),
    (lambda: -N(-0.0), 0.0),
    (lambda: -N(0), 0),
]


@pytest.mark.parametrize("build, expected", WORKED)
def test_worked_example(build, expected):
    check(build(), expected)


# ---------------------------------------------------------------------------------------------
# Neutral and absorbing operands
# ---------------------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "build",
    [lambda: x + 0, lambda: 0 + x, lambda: x + 0.0, lambda: 0.0 + x, lambda: x + -0.0,
     lambda: x - 0, lambda: x * 1, lambda: 1 * x, lambda: x * 1.0, lambda: 1.0 * x,
     lambda: x + N(0), lambda: N(1) * x, lambda: x + False, lambda: x * True],
)
def test_neutral_operand_returns_a_new_equal_object(build):
    e = build()
    assert type(e) is zv.Placeholder
    assert e is not x
    assert repr(e) == "Placeholder(name='x', ndim=0)"


@pytest.mark.parametrize(
    "build",
    [lambda: x * 0, lambda: 0 * x, lambda: x * 0.0, lambda: 0.0 * x, lambda: x * -0.0,
     lambda: -0.0 * x, lambda: (x + 1) * 0, lambda: 0.0 * (2 * x), lambda: (2 * x) * 0.0,
     lambda: 0 * x**2, lambda: x * N(0.0), lambda: x * False],
)
def test_zero_factor_gives_integer_zero(build):
    lit(build(), 0)


def test_zero_factor_returns_the_integer_even_for_a_float_zero():
    e = 0.0 * x
    assert e.value == 0 and type(e.value) is int
    assert e.dtype == zv.DataType.INTEGER


def test_neutral_sum_and_product_operands_keep_structure():
    s = x + y
    check(s + 0, ("+", "x", "y"))
    check(0.0 + s, ("+", "x", "y"))
    m = 2 * x
    check(m * 1, ("*", 2, "x"))
    check(1.0 * m, ("*", 2, "x"))


def test_nan_is_not_a_zero_or_one_literal():
    check(x + math.nan, ("+", "x", math.nan))
    check(math.nan + x, ("+", "x", math.nan))
    check(x * math.nan, ("*", math.nan, "x"))
    check(math.nan * x, ("*", math.nan, "x"))
    check(x - math.nan, ("+", "x", math.nan))


def test_infinities_fold_like_floats():
    lit(N(math.inf) + 1, math.inf)
    lit(N(math.inf) - math.inf, math.nan)
    lit(N(math.inf) * 0, math.nan)
    check(x + math.inf, ("+", "x", math.inf))
    check(math.inf * x, ("*", math.inf, "x"))


# ---------------------------------------------------------------------------------------------
# Literal positions and the normal form under loops
# ---------------------------------------------------------------------------------------------


def test_sum_literal_stays_last_while_terms_are_added():
    e = x + 1
    for name in "abcd":
        e = e + zv.Placeholder(name)
    check(e, ("+", "x", "a", "b", "c", "d", 1))
    e = e + 2
    check(e, ("+", "x", "a", "b", "c", "d", 3))
    e = zv.Placeholder("w") + e
    check(e, ("+", "x", "a", "b", "c", "d", "w", 3))


def test_product_literal_stays_first_while_factors_are_added():
    e = x * 3
    for name in "ab":
        e = e * zv.Placeholder(name)
    check(e, ("*", 3, "x", "a", "b"))
    e = 2 * e
    check(e, ("*", 6, "x", "a", "b"))
    e = e * 0.5
    check(e, ("*", 3.0, "x", "a", "b"))
    e = zv.Placeholder("w") * e
    check(e, ("*", 3.0, "x", "a", "b", "w"))


def test_leading_one_stays_in_a_product():
    check(2 * (0.5 * x), ("*", 1.0, "x"))
    check((2 * x) * 0.5, ("*", 1.0, "x"))
    check(-(-x), ("*", 1, "x"))
    check(-1 * (-1 * x * y), ("*", 1, "x", "y"))


def test_sum_constant_reaching_zero_is_removed():
    e = x + y + 2
    check(e + (-2), ("+", "x", "y"))
    check(e - 2.0, ("+", "x", "y"))
    check((-2) + e, ("+", "x", "y"))


def test_product_constant_becoming_zero_is_kept():
    # Float underflow folds the constant to 0.0; the factor must not be dropped silently.
    e = 1e-200 * (1e-200 * x)
    check(e, ("*", 0.0, "x"))
    check((1e-200 * x) * 1e-200, ("*", 0.0, "x"))
    check((1e-200 * x) * (1e-200 * y), ("*", 0.0, "x", "y"))
    assert str(e) == "0 * x"


def test_integer_accumulation_keeps_integer_literals():
    e = x
    for k in range(1, 101):
        e = e + k
    check(e, ("+", "x", 5050))
    f = x
    for k in range(1, 11):
        f = f * k
    check(f, ("*", 3628800, "x"))


def test_operands_are_never_changed():
    s = x + y
    before = repr(s)
    for _ in range(3):
        s + z
        z + s
        s + s
        s * 2
        -s
        s - 1
    assert repr(s) == before
    check(s, ("+", "x", "y"))


def test_extending_the_same_sum_twice_gives_independent_results():
    base = x + y + 1
    e1 = base + a
    e2 = base + b
    e3 = e1 + c
    e4 = e1 + d
    check(base, ("+", "x", "y", 1))
    check(e1, ("+", "x", "y", "a", 1))
    check(e2, ("+", "x", "y", "b", 1))
    check(e3, ("+", "x", "y", "a", "c", 1))
    check(e4, ("+", "x", "y", "a", "d", 1))


def test_extending_the_same_product_twice_gives_independent_results():
    base = 2 * x * y
    p1 = base * a
    p2 = base * b
    p3 = 3 * p1
    check(base, ("*", 2, "x", "y"))
    check(p1, ("*", 2, "x", "y", "a"))
    check(p2, ("*", 2, "x", "y", "b"))
    check(p3, ("*", 6, "x", "y", "a"))


def test_sum_and_product_with_themselves():
    s = x + y + 1
    check(s + s, ("+", "x", "y", "x", "y", 2))
    check(s - s, ("+", "x", "y", ("*", -1, ("+", "x", "y", 1)), 1))
    m = 2 * x * y
    check(m * m, ("*", 4, "x", "y", "y", "x"))
    t = s + s
    check(t + s, ("+", "x", "y", "x", "y", "x", "y", 3))
    check(s, ("+", "x", "y", 1))


def test_loop_with_augmented_assignment_matches_plain_assignment():
    ps = [zv.Placeholder(f"p{k}") for k in range(20)]
    e1 = 0
    for k, p in enumerate(ps):
        e1 = e1 + k * p
    e2 = 0
    for k, p in enumerate(ps):
        e2 += k * p
    assert repr(e1) == repr(e2)
    terms = e1.terms
    assert len(terms) == 19  # 0 * p0 folds to the integer 0, a neutral operand
    check(terms[0], "p1")
    check(terms[1], ("*", 2, "p2"))


# ---------------------------------------------------------------------------------------------
# The LaTeX merge barrier
# ---------------------------------------------------------------------------------------------


def latex_of(e):
    return e._repr_latex_()


def test_sum_with_own_latex_is_one_term():
    s = x + y
    s.set_latex("S")
    e = s + z
    assert [type(t) for t in e.terms] == [zv.AddOp, zv.Placeholder]
    assert latex_of(e.terms[0]) == "$$\\displaystyle S$$"
    check(e.terms[0], ("+", "x", "y"))
    f = z + s
    assert [type(t) for t in f.terms] == [zv.Placeholder, zv.AddOp]
    assert latex_of(f) == "$$\\displaystyle z + S$$"
    g = s + 1
    assert [type(t) for t in g.terms] == [zv.AddOp, zv.NumberLit]
    h = 1 + s
    assert [type(t) for t in h.terms] == [zv.AddOp, zv.NumberLit]
    k = s + s
    assert [type(t) for t in k.terms] == [zv.AddOp, zv.AddOp]
    assert latex_of(k) == "$$\\displaystyle S + S$$"


def test_sum_with_own_latex_and_a_flat_sum():
    s = x + y
    s.set_latex("S")
    check_terms = lambda e: [type(t).__name__ for t in e.terms]  # noqa: E731
    e = (a + b + 1) + s
    assert check_terms(e) == ["Placeholder", "Placeholder", "AddOp", "NumberLit"]
    f = s + (a + b + 1)
    assert check_terms(f) == ["Placeholder", "Placeholder", "AddOp", "NumberLit"]
    assert latex_of(f) == "$$\\displaystyle a + b + S + 1$$"


def test_empty_latex_string_is_a_barrier_too():
    s = x + y
    s.set_latex("")
    e = s + z
    assert len(e.terms) == 2
    assert latex_of(e) == "$$\\displaystyle  + z$$"
    assert str(e) == "x + y + z"


def test_clearing_latex_makes_a_sum_mergeable_again():
    s = x + y
    s.set_latex("S")
    assert len((s + z).terms) == 2
    s.set_latex(None)
    check(s + z, ("+", "x", "y", "z"))
    s.set_latex("S")
    s.set_latex()
    check(s + z, ("+", "x", "y", "z"))


def test_product_with_own_latex_is_one_factor():
    m = 2 * x
    m.set_latex("M")
    e = m * 3
    assert [type(t) for t in e.terms] == [zv.NumberLit, zv.MulOp]
    assert e.terms[0].value == 3
    check(e.terms[1], ("*", 2, "x"))
    e = 3 * m
    assert [type(t) for t in e.terms] == [zv.NumberLit, zv.MulOp]
    e = m * y
    assert [type(t) for t in e.terms] == [zv.MulOp, zv.Placeholder]
    e = y * m
    assert [type(t) for t in e.terms] == [zv.Placeholder, zv.MulOp]
    e = (3 * a * b) * m
    check_types = [type(t) for t in e.terms]
    assert check_types == [zv.NumberLit, zv.Placeholder, zv.Placeholder, zv.MulOp]
    e = m * (3 * a * b)
    assert [type(t) for t in e.terms] == [zv.NumberLit, zv.Placeholder, zv.Placeholder, zv.MulOp]
    assert e.terms[0].value == 3
    assert latex_of(e) == "$$\\displaystyle 3 \\cdot a \\cdot b \\cdot M$$"
    e = -m
    assert [type(t) for t in e.terms] == [zv.NumberLit, zv.MulOp]
    assert e.terms[0].value == -1


def test_power_with_own_latex_does_not_merge():
    p2 = x**2
    p2.set_latex("P")
    e = p2 * x**3
    assert type(e) is zv.MulOp
    check(e, ("*", ("**", "x", 2), ("**", "x", 3)))
    assert latex_of(e) == "$$\\displaystyle P \\cdot x^{3}$$"
    e = x**3 * p2
    check(e, ("*", ("**", "x", 3), ("**", "x", 2)))
    p2.set_latex(None)
    check(p2 * x**3, ("**", "x", 5))


def test_power_merge_keeps_latex_of_the_base():
    xl = zv.Placeholder("x", latex="X")
    e = xl**2 * xl**3
    check(e, ("**", "x", 5))
    assert latex_of(e) == "$$\\displaystyle X^{5}$$"


def test_power_merge_compares_bases_structurally():
    # Placeholders compare by name and ndim; their LaTeX and description play no part.
    x2 = zv.Placeholder("x", latex="X", description="d")
    check(x**2 * x2**3, ("**", "x", 5))
    assert repr((x**2 * x2**3).base) == "Placeholder(name='x', ndim=0)"
    check(x**2 * zv.Placeholder("y") ** 3, ("*", ("**", "x", 2), ("**", "y", 3)))
    check((x + 1) ** 2 * (1 + x) ** 3, ("**", ("+", "x", 1), 5))
    check((x + y) ** 2 * (y + x) ** 3, ("*", ("**", ("+", "x", "y"), 2), ("**", ("+", "y", "x"), 3)))
    check(N(2) ** x * N(2.0) ** y, ("**", 2, ("+", "x", "y")))
    nan = N(math.nan)
    check(nan**2 * nan**3, ("*", ("**", math.nan, 2), ("**", math.nan, 3)))
    # Integer 2**53 + 1 equals Float 2**53: the integer is rounded to the nearest float.
    check(N(2**53 + 1) ** x * N(2.0**53) ** y, ("**", 2**53 + 1, ("+", "x", "y")))
    check(N(1) ** x * N(1.0) ** 2, ("**", 1, ("+", "x", 2)))
    check(N(0.0) ** x * N(-0.0) ** 2, ("**", 0.0, ("+", "x", 2)))


def test_power_merge_with_bases_whose_latex_differs_inside():
    inner = x + 1
    inner.set_latex("I")
    e = inner**2 * (x + 1) ** 3
    # Sums compare term by term; their own LaTeX strings are not compared.
    check(e, ("**", ("+", "x", 1), 5))


def test_later_set_latex_does_not_reach_earlier_results():
    s = x + y
    e = s + z
    t = s * 2
    s.set_latex("S")
    check(e, ("+", "x", "y", "z"))
    assert latex_of(e) == "$$\\displaystyle x + y + z$$"
    assert latex_of(t) == "$$\\displaystyle 2 \\cdot \\left(x + y\\right)$$"
    after = s + z
    assert latex_of(after) == "$$\\displaystyle S + z$$"
    s.set_latex(None)
    assert latex_of(after) == "$$\\displaystyle S + z$$"
    assert latex_of(after.terms[0]) == "$$\\displaystyle S$$"


def test_set_latex_on_a_placeholder_does_not_reach_earlier_results():
    p = zv.Placeholder("p")
    e = p + 1
    p.set_latex("P")
    assert latex_of(e) == "$$\\displaystyle p + 1$$"
    assert latex_of(p + 1) == "$$\\displaystyle P + 1$$"


def test_set_latex_on_a_term_read_back_does_not_change_the_node():
    e = x + y
    t = e.terms
    t[0].set_latex("Q")
    t.append(z)
    assert latex_of(e) == "$$\\displaystyle x + y$$"
    assert len(e.terms) == 2


def test_latex_travels_with_a_term():
    s = x + y
    s.set_latex("S")
    e = (s + z) * 2
    assert latex_of(e) == "$$\\displaystyle 2 \\cdot \\left(S + z\\right)$$"
    assert latex_of(e.terms[1].terms[0]) == "$$\\displaystyle S$$"


# ---------------------------------------------------------------------------------------------
# Integer folding never wraps: checked 64-bit arithmetic, else a Float computed in double
# ---------------------------------------------------------------------------------------------


OVERFLOW = [
    (lambda: N(INT64_MAX) + 1, float(INT64_MAX) + 1.0),
    (lambda: 1 + N(INT64_MAX), float(INT64_MAX) + 1.0),
    (lambda: N(INT64_MIN) + -1, float(INT64_MIN) - 1.0),
    (lambda: N(INT64_MIN) - 1, float(INT64_MIN) - 1.0),
    (lambda: N(INT64_MAX) - -1, float(INT64_MAX) + 1.0),
    (lambda: 0 - N(INT64_MIN), 2.0**63),
    (lambda: N(0) - INT64_MIN, 2.0**63),
    (lambda: -N(INT64_MIN), 2.0**63),
    (lambda: N(INT64_MAX) * 2, float(INT64_MAX) * 2.0),
    (lambda: N(INT64_MIN) * -1, 2.0**63),
    (lambda: N(2**32) * 2**32, 2.0**64),
    (lambda: N(-(2**32)) * 2**32 * 2, -(2.0**65)),
]


@pytest.mark.parametrize("build, expected", OVERFLOW)
def test_integer_overflow_becomes_float(build, expected):
    lit(build(), expected)


@pytest.mark.parametrize(
    "build, expected",
    [(lambda: N(INT64_MAX) + 0, INT64_MAX), (lambda: N(INT64_MIN) + 0, INT64_MIN),
     (lambda: N(INT64_MAX) - INT64_MAX, 0), (lambda: N(INT64_MIN) + INT64_MAX, -1),
     (lambda: N(-(2**62)) * 2, INT64_MIN), (lambda: -N(INT64_MAX), -INT64_MAX),
     (lambda: N(INT64_MIN) * 1, INT64_MIN), (lambda: N(-1) - INT64_MAX, INT64_MIN),
     (lambda: 0 - N(INT64_MAX), -INT64_MAX), (lambda: N(2**31) * 2**31, 2**62)],
)
def test_integer_folding_at_the_edges_stays_integer(build, expected):
    lit(build(), expected)


def test_sum_constant_overflow_becomes_float():
    check((x + INT64_MAX) + 1, ("+", "x", 2.0**63))
    check(1 + (x + INT64_MAX), ("+", "x", 2.0**63))
    check((x + INT64_MAX) + (y + 1), ("+", "x", "y", 2.0**63))
    check((x + INT64_MIN) - 1, ("+", "x", -(2.0**63) - 1.0))
    check(x - INT64_MIN, ("+", "x", 2.0**63))


def test_product_constant_overflow_becomes_float():
    check(INT64_MAX * (2 * x), ("*", float(INT64_MAX) * 2.0, "x"))
    check((2 * x) * INT64_MAX, ("*", float(INT64_MAX) * 2.0, "x"))
    check((2 * x) * (INT64_MAX * y), ("*", float(INT64_MAX) * 2.0, "x", "y"))
    check(-(INT64_MIN * x), ("*", 2.0**63, "x"))
    check(x - INT64_MIN * y, ("+", "x", ("*", 2.0**63, "y")))


def test_power_merge_exponent_overflow_becomes_float():
    check(x ** (2**62) * x ** (2**62), ("**", "x", 2.0**63))
    check(x**INT64_MAX * x, ("*", ("**", "x", INT64_MAX), "x"))
    check(x**INT64_MAX * x**1, ("**", "x", 2.0**63))
    check(x**INT64_MIN * x**-1, ("**", "x", -(2.0**63) - 1.0))
    check(x ** (2**62) * x ** (2**62 - 1), ("**", "x", INT64_MAX))


def test_out_of_range_python_ints_convert_to_float():
    lit(N(1) + 2**63, 1.0 + 2.0**63)
    check(x + 2**63, ("+", "x", 2.0**63))
    check(x * -(2**63) * 2, ("*", -(2.0**64), "x"))
    check(x + -(2**63), ("+", "x", -(2**63)))


# ---------------------------------------------------------------------------------------------
# Property checks against Python arithmetic
# ---------------------------------------------------------------------------------------------

ints = st.integers(min_value=INT64_MIN, max_value=INT64_MAX)
small_ints = st.integers(min_value=-1000, max_value=1000)
floats = st.floats(allow_nan=True, allow_infinity=True)
edge_ints = st.sampled_from([INT64_MIN, INT64_MIN + 1, -1, 0, 1, INT64_MAX - 1, INT64_MAX,
                             2**32, -(2**32), 2**62, -(2**62)])
any_int = st.one_of(ints, edge_ints, small_ints)


def expected_int_fold(exact, float_result):
    return exact if INT64_MIN <= exact <= INT64_MAX else float_result


def check_float(got, expected):
    assert type(got) is float
    if math.isnan(expected):
        assert math.isnan(got)
    else:
        assert got == expected and math.copysign(1, got) == math.copysign(1, expected)


@settings(max_examples=300, deadline=None)
@given(any_int, any_int)
def test_integer_add_folds_like_python(i, j):
    expected = expected_int_fold(i + j, float(i) + float(j))
    lit(N(i) + j, expected)
    lit(i + N(j), expected)
    lit(N(i) + N(j), expected)


@settings(max_examples=300, deadline=None)
@given(any_int, any_int)
def test_integer_sub_folds_like_python(i, j):
    if i == 0:
        # 0 - j is the product of -1 and j
        expected = expected_int_fold(-j, -1.0 * float(j))
    else:
        expected = expected_int_fold(i - j, float(i) - float(j))
    lit(N(i) - j, expected)
    lit(i - N(j), expected)


@settings(max_examples=300, deadline=None)
@given(any_int, any_int)
def test_integer_mul_folds_like_python(i, j):
    expected = expected_int_fold(i * j, float(i) * float(j))
    lit(N(i) * j, expected)
    lit(i * N(j), expected)


@settings(max_examples=200, deadline=None)
@given(any_int)
def test_integer_neg_folds_like_python(i):
    lit(-N(i), expected_int_fold(-i, -float(i)))


@settings(max_examples=300, deadline=None)
@given(st.one_of(any_int, floats), floats)
def test_float_operand_folds_like_python(i, f):
    # Any Float side makes the result a Float computed in double.
    check_float((N(i) + f).value, float(i) + f)
    check_float((f + N(i)).value, f + float(i))
    check_float((N(i) * f).value, float(i) * f)
    check_float((N(f) * i).value, f * float(i))
    r = N(i) - f
    if i == 0 and f == 0:
        lit(r, 0)  # zero minus zero is the Integer 0
    elif i == 0:
        check_float(r.value, -1.0 * f)  # 0 - f is the product of -1 and f
    elif f == 0:
        lit(r, i)  # f is a zero literal: the result is the left operand as it is
    else:
        check_float(r.value, float(i) - f)
    check_float((-N(f)).value, -f)


@settings(max_examples=200, deadline=None)
@given(any_int, any_int, any_int)
def test_sum_constant_folds_like_python(i, j, k):
    assume(j != 0)  # x + 0 is x itself
    e = (x + j) + k
    total = expected_int_fold(j + k, float(j) + float(k))
    if isinstance(total, int) and total == 0:
        check(e, "x")
    else:
        check(e, ("+", "x", total))
    e = x + i
    e = e + zv.Placeholder("y")
    assert type(e) is zv.AddOp


@settings(max_examples=200, deadline=None)
@given(st.one_of(any_int, floats), st.one_of(any_int, floats))
def test_division_never_folds(i, j):
    if j == 0:
        with pytest.raises(ZeroDivisionError, match="^division by zero$"):
            N(i) / j
        return
    e = N(i) / j
    if isinstance(i, (int, float)) and i == 0:
        lit(e, 0)
    elif i == 1:
        check(e, ("**", j, -1))
    else:
        check(e, ("*", i, ("**", j, -1)))


# ---------------------------------------------------------------------------------------------
# Division, power and remainder rules reachable without decision variables
# ---------------------------------------------------------------------------------------------


@pytest.mark.parametrize("divisor", [0, 0.0, -0.0, N(0), N(0.0), N(-0.0), False])
@pytest.mark.parametrize("dividend", [lambda: x, lambda: N(0), lambda: N(1), lambda: x + 1,
                                      lambda: 2 * x, lambda: x**2])
def test_division_by_a_zero_literal(dividend, divisor):
    with pytest.raises(ZeroDivisionError, match="^division by zero$"):
        dividend() / divisor


def test_division_by_a_folded_zero():
    with pytest.raises(ZeroDivisionError, match="^division by zero$"):
        1 / N(0)
    with pytest.raises(ZeroDivisionError, match="^division by zero$"):
        x / (N(1) - 1)
    with pytest.raises(ZeroDivisionError, match="^division by zero$"):
        x / (0 * y)


def test_division_by_a_sum_that_is_not_a_literal():
    check(x / (y - y), ("*", "x", ("**", ("+", "y", ("*", -1, "y")), -1)))


def test_power_of_literals_is_not_folded():
    check(N(2) ** 3, ("**", 2, 3))
    check(2 ** N(3), ("**", 2, 3))
    check(N(0) ** 0, ("**", 0, 0))
    check(N(0) ** 0.0, ("**", 0, 0.0))
    check(x**1, ("**", "x", 1))
    check(x**0, ("**", "x", 0))
    check((x**2) ** 3, ("**", ("**", "x", 2), 3))
    check(x ** (N(2) + 1), ("**", "x", 3))
    check(2**x, ("**", 2, "x"))
    check(0**x, ("**", 0, "x"))
    check(x**-1, ("**", "x", -1))
    check(x**y, ("**", "x", "y"))
    check(x ** math.nan, ("**", "x", math.nan))


@pytest.mark.parametrize(
    "build",
    [lambda: N(0) ** -1, lambda: N(0.0) ** -2, lambda: N(0) ** -0.0, lambda: 0 ** N(-1),
     lambda: N(-0.0) ** -1, lambda: N(0) ** -math.inf, lambda: N(0) ** NEG_NAN,
     lambda: pow(N(0), -1, 0), lambda: pow(N(0), -1, 5), lambda: N(0) ** N(-1.5),
     lambda: (0 * x) ** -1],
)
def test_zero_to_a_negative_power(build):
    with pytest.raises(ZeroDivisionError, match="^zero cannot be raised to a negative power$"):
        build()


def test_zero_to_a_non_negative_power_is_built():
    check(N(0) ** 0, ("**", 0, 0))
    check(N(0) ** 2.5, ("**", 0, 2.5))
    check(N(0) ** math.nan, ("**", 0, math.nan))
    check(N(0) ** x, ("**", 0, "x"))
    check(N(0) ** -x, ("**", 0, ("*", -1, "x")))


def test_remainder():
    check(x % 3, ("%", "x", 3))
    check(3 % x, ("%", 3, "x"))
    check(N(7) % 2, ("%", 7, 2))
    check(0 % x, ("%", 0, "x"))
    check(x % math.nan, ("%", "x", math.nan))
    check(x % (y % 3), ("%", "x", ("%", "y", 3)))


@pytest.mark.parametrize("divisor", [0, 0.0, -0.0, N(0), False])
def test_remainder_by_zero(divisor):
    with pytest.raises(ZeroDivisionError, match="^modulo by zero$"):
        x % divisor
    with pytest.raises(ZeroDivisionError, match="^modulo by zero$"):
        N(5) % divisor


def test_power_with_modulo():
    e = pow(x, 2, 3)
    check(e, ("%", ("**", "x", 2), 3))
    check(pow(2, x, 3), ("%", ("**", 2, "x"), 3))
    check(pow(x, 2, None), ("**", "x", 2))
    check(pow(x, y, x), ("%", ("**", "x", "y"), "x"))
    with pytest.raises(ZeroDivisionError, match="^modulo by zero$"):
        pow(x, 2, 0)
    with pytest.raises(ZeroDivisionError, match="^zero cannot be raised to a negative power$"):
        pow(N(0), -1, 0)


def test_power_with_modulo_error_order():
    # exponent conversion, then modulo conversion, then the power checks, then the modulo checks
    with pytest.raises(TypeError, match=r"^failed to convert into expression\.$"):
        pow(N(0), -1, "m")
    with pytest.raises(TypeError, match=r"^failed to convert into expression\.$"):
        pow(x, "e", 0)
    with pytest.raises(ZeroDivisionError, match="^zero cannot be raised to a negative power$"):
        pow(N(0), -1, 0)
    with pytest.raises(TypeError, match=r"^failed to convert into expression\.$"):
        pow(2, x, "m")


def test_modulo_operand_alone_is_not_enough():
    with pytest.raises(TypeError, match="unsupported operand"):
        pow(2, 3, x)


# ---------------------------------------------------------------------------------------------
# Results are new objects of the class of the resulting node
# ---------------------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "build, cls",
    [(lambda: x + y, zv.AddOp), (lambda: x - y, zv.AddOp), (lambda: x * y, zv.MulOp),
     (lambda: x / y, zv.MulOp), (lambda: -x, zv.MulOp), (lambda: x**2, zv.PowOp),
     (lambda: 1 / x, zv.PowOp), (lambda: x % 2, zv.ModOp), (lambda: N(1) + 1, zv.NumberLit),
     (lambda: x + 0, zv.Placeholder), (lambda: x * 0, zv.NumberLit),
     (lambda: 3 + (x - 3), zv.Placeholder), (lambda: x**2 * x**3, zv.PowOp)],
)
def test_result_class(build, cls):
    assert type(build()) is cls


def test_each_operation_returns_a_fresh_object():
    s = x + y
    assert s + 0 is not s
    assert 1 * s is not s
    n = N(3)
    assert n + 0 is not n
    assert n * 1 is not n


def test_python_numbers_of_other_kinds_convert():
    np = pytest.importorskip("numpy")
    check(x + np.int64(3), ("+", "x", 3))
    check(x + np.float64(0.5), ("+", "x", 0.5))
    check(x + np.float32(0.5), ("+", "x", 0.5))
    check(x + True, ("+", "x", 1))
    check(np.int64(2) * x, ("*", 2, "x"))

    class Index:
        def __index__(self):
            return 7

    class Floaty:
        def __float__(self):
            return 2.25

    check(x + Index(), ("+", "x", 7))
    check(Floaty() + x, ("+", "x", 2.25))


def test_out_of_range_numbers_are_refused():
    with pytest.raises(TypeError, match=r"^failed to convert into expression\.$"):
        x + 10**400
    with pytest.raises(TypeError, match=r"^failed to convert into expression\.$"):
        10**400 * x
    assert sys.exc_info() == (None, None, None)


# ---------------------------------------------------------------------------------------------
# Model-based check: random expressions against a pure-Python model of the builders
# ---------------------------------------------------------------------------------------------

import arith_model as model  # noqa: E402

_VARS = {name: zv.Placeholder(name) for name in "xyz"}

_leaf = st.one_of(
    st.sampled_from([("var", n) for n in "xyz"]),
    st.tuples(st.just("int"), st.one_of(small_ints, edge_ints, st.sampled_from([0, 1, -1, 2]))),
    st.tuples(st.just("float"), st.one_of(floats, st.sampled_from([0.0, -0.0, 1.0, -1.0, 0.5, 2.0]))),
    st.tuples(st.just("lit"), st.one_of(small_ints, edge_ints, floats)),
)


def _extend(children):
    return st.one_of(
        st.tuples(st.sampled_from(["+", "-", "*", "/", "%", "**"]), children, children),
        st.tuples(st.just("neg"), children),
    )


recipes = st.recursive(_leaf, _extend, max_leaves=14)

_OPS = {
    "+": lambda l, r: l + r,
    "-": lambda l, r: l - r,
    "*": lambda l, r: l * r,
    "/": lambda l, r: l / r,
    "%": lambda l, r: l % r,
    "**": lambda l, r: l**r,
}


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
    return _OPS[kind](left, right)


def _model(recipe):
    kind = recipe[0]
    if kind == "var":
        return recipe[1]
    if kind in ("int", "float", "lit"):
        return model.literal_of(recipe[1])
    if kind == "neg":
        return model.neg(_model(recipe[1]))
    left, right = _model(recipe[1]), _model(recipe[2])
    return model.BUILDERS[kind](left, right)


@settings(max_examples=1500, deadline=None)
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
    if isinstance(got, (int, float)):
        got = N(got)
    assert model.same(model.tree(got), expected), (model.tree(got), expected)
    assert str(got) == model.to_str(expected)


# ---------------------------------------------------------------------------------------------
# Building a sum term by term in a loop is linear, whatever the loop adds with each term
# ---------------------------------------------------------------------------------------------

import time  # noqa: E402

LOOPS = {
    "e + k * p": lambda e, k, p: e + k * p,
    "e + k * p + 1": lambda e, k, p: e + k * p + 1,
    "e + (k * p + 1)": lambda e, k, p: e + (k * p + 1),
    "e + 1 + k * p": lambda e, k, p: e + 1 + k * p,
    "e - p - 0.5": lambda e, k, p: e - p - 0.5,
    "(e + p) + (p + 1)": lambda e, k, p: (e + p) + (p + 1),
    "p + e": lambda e, k, p: p + e,
}


def _per_term_ns(step, n, repeats=3):
    ps = [zv.Placeholder(f"p{k}") for k in range(n)]
    best = math.inf
    for _ in range(repeats):
        start = time.perf_counter()
        e = 0
        for k, p in enumerate(ps, 1):
            e = step(e, k, p)
        best = min(best, time.perf_counter() - start)
    assert type(e) is zv.AddOp and len(e.terms) >= n
    return best / n * 1e9


@pytest.mark.parametrize("name", list(LOOPS))
def test_loop_building_a_sum_is_linear(name):
    small = _per_term_ns(LOOPS[name], 1_000)
    big = _per_term_ns(LOOPS[name], 16_000)
    # A quadratic loop costs about 16x more per term at the larger size.
    assert big / small < 4, f"{big:.0f} ns/term at 16 000 terms vs {small:.0f} at 1 000"


def test_loop_with_constants_keeps_the_normal_form():
    ps = [zv.Placeholder(f"p{k}") for k in range(50)]
    e = 0
    for k, p in enumerate(ps, 1):
        e = e + k * p + 1
    assert len(e.terms) == 51 and e.terms[-1].value == 50
    f = 0
    for k, p in enumerate(ps, 1):
        f += k * p + 1
    assert repr(f) == repr(e)
    g = 0
    for k, p in enumerate(ps, 1):
        g = g + 1 + k * p
    assert repr(g) == repr(e)
    # an earlier sum is not changed by later appends to a shared list
    h = e + zv.Placeholder("extra")
    e2 = e + 1
    assert len(e.terms) == 51 and e.terms[-1].value == 50
    assert str(h).endswith("50 * p49 + extra + 50")
    assert str(e2).endswith("50 * p49 + 51")


# ---------------------------------------------------------------------------------------------
# Shared term lists: results that extend one operand many times stay independent
# ---------------------------------------------------------------------------------------------

_POOL_OPS = ["+", "-", "*", "/", "**"]


@settings(max_examples=500, deadline=None)
@given(st.lists(st.tuples(st.integers(0, 10_000), st.integers(0, 10_000), st.sampled_from(_POOL_OPS),
                          st.sampled_from([None, 1, 2, -1, 0.5, 3])),
                min_size=1, max_size=80))
def test_pool_of_results_matches_the_model(steps):
    # Every step combines two earlier results (or one and a number), so lists get extended
    # from the same operand again and again; afterwards every result must still be intact.
    objects = [x, y, z, x + y, 2 * x, x + 1]
    trees = [model.tree(o) for o in objects]
    for i, j, op, number in steps:
        # mostly extend one of the newest results, so lists grow long and get shared
        i = len(objects) - 1 - (i % 3) if i % 4 else i % len(objects)
        a, ta = objects[i], trees[i]
        if number is None:
            b, tb = objects[j % len(objects)], trees[j % len(trees)]
        else:
            b, tb = number, model.literal_of(number)
        if op == "**" and number is None:
            continue  # keep the trees small
        try:
            expected = model.BUILDERS[op](ta, tb)
        except model.ModelError as error:
            with pytest.raises(error.kind):
                _OPS[op](a, b)
            continue
        got = _OPS[op](a, b)
        if isinstance(got, (int, float)):
            got = N(got)
        assert model.same(model.tree(got), expected), (model.tree(got), expected)
        objects.append(got)
        trees.append(expected)
    for o, t in zip(objects, trees):
        assert model.same(model.tree(o), t), (model.tree(o), t)
        assert str(o) == model.to_str(t)


@pytest.mark.parametrize("name, step", [
    ("m * p", lambda m, k, p: m * p),
    ("m * p * 2", lambda m, k, p: m * p * 2),
    ("m * (2 * p)", lambda m, k, p: m * (2 * p)),
    ("2 * m * p", lambda m, k, p: 2 * m * p),
    ("p * m", lambda m, k, p: p * m),
])
def test_loop_building_a_product_is_linear(name, step):
    def per_factor(n):
        ps = [zv.Placeholder(f"p{k}") for k in range(n)]
        best = math.inf
        for _ in range(3):
            start = time.perf_counter()
            m = x
            for k, p in enumerate(ps, 1):
                m = step(m, k, p)
            best = min(best, time.perf_counter() - start)
        assert type(m) is zv.MulOp and len(m.terms) > n
        return best / n * 1e9

    small, big = per_factor(1_000), per_factor(16_000)
    assert big / small < 4, f"{big:.0f} ns/factor at 16 000 factors vs {small:.0f} at 1 000"


def test_product_constant_moves_keep_order():
    m = 3 * x * y * z
    check(m * 2, ("*", 6, "x", "y", "z"))
    check(m * (5 * a * b), ("*", 15, "x", "y", "z", "b", "a"))
    check((5 * a * b) * m, ("*", 15, "a", "b", "z", "x", "y"))
    check(m * (5 * a), ("*", 15, "x", "y", "z", "a"))
    n = m * (5 * a * b)
    check(n * 2 * c, ("*", 30, "x", "y", "z", "b", "a", "c"))
    check(m, ("*", 3, "x", "y", "z"))
    check(-(m * a), ("*", -3, "x", "y", "z", "a"))
    # a product whose literal was taken out and whose last factor moved to the front
    p = (x * y) * (3 * z * a * b)
    check(p, ("*", 3, "x", "y", "b", "z", "a"))
    check(p * 2, ("*", 6, "x", "y", "b", "z", "a"))


@pytest.mark.parametrize("constant_every", [1, 2, 3, 5])
def test_long_chains_with_constants_keep_every_intermediate_result(constant_every):
    ps = [zv.Placeholder(f"q{k}") for k in range(40)]
    sums, products = [], []
    e, te = x, "x"
    m, tm = 2 * x, ("*", 2, "x")
    for k, p in enumerate(ps):
        e, te = e + p, model.add(te, p.name)
        m, tm = m * p, model.mul(tm, p.name)
        if k % constant_every == 0:
            e, te = e + 1, model.add(te, 1)
            m, tm = m * 3, model.mul(tm, 3)
        sums.append((e, te))
        products.append((m, tm))
        # branch off the current result twice: both branches and the trunk stay intact
        b1, b2 = e + a, 2 + e
        c1, c2 = m * a, 5 * m
        check(b1, model.add(te, "a"))
        check(b2, model.add(2, te))
        check(c1, model.mul(tm, "a"))
        check(c2, model.mul(5, tm))
        check((5 * a * b) * m, model.mul(("*", 5, "a", "b"), tm))
        check(m * (5 * a * b), model.mul(tm, ("*", 5, "a", "b")))
        check((a + b + 1) + e, model.add(("+", "a", "b", 1), te))
        check(e + (a + b + 1), model.add(te, ("+", "a", "b", 1)))
    for obj, t in sums + products:
        check(obj, t)
