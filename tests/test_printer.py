"""The printer on the nodes that arithmetic builds: number text, sums, products, powers,
remainders, comparisons and logical combinations in str, repr and LaTeX; parentheses by
(child, parent) kind; own LaTeX strings."""

import math

import pytest

import zorvane as zv

N = zv.NumberLit
x, y, z = zv.Placeholder("x"), zv.Placeholder("y"), zv.Placeholder("z")
X, Y, Z = (f"Placeholder(name='{n}', ndim=0)" for n in "xyz")


def latex(e):
    text = e._repr_latex_()
    assert text.startswith("$$\\displaystyle ") and text.endswith("$$")
    return text[len("$$\\displaystyle "):-2]


def with_latex(e, text):
    e.set_latex(text)
    return e


# ---------------------------------------------------------------------------------------------
# Number text
# ---------------------------------------------------------------------------------------------

NUMBER_TEXT = [
    (3, "3"), (-3, "-3"), (0, "0"), (2**63 - 1, "9223372036854775807"),
    (-(2**63), "-9223372036854775808"),
    (1.0, "1"), (0.5, "0.5"), (1e-7, "0.0000001"), (1e20, "100000000000000000000"),
    (2.5e-3, "0.0025"), (-0.0, "-0"), (0.0, "0"), (math.inf, "inf"), (-math.inf, "-inf"),
    (math.nan, "NaN"), (-math.nan, "NaN"), (1e23, "100000000000000000000000"),
    (123.456, "123.456"), (-2.5, "-2.5"), (0.1, "0.1"), (2.0**63, "9223372036854776000"),
    (1.5e300, "15" + "0" * 299), (5e-324, "0." + "0" * 323 + "5"), (100.0, "100"),
    (1234.5678e-10, "0.00000012345678"),
]


@pytest.mark.parametrize("value, text", NUMBER_TEXT)
def test_number_text(value, text):
    n = N(value)
    assert str(n) == text
    assert repr(n) == f"NumberLit(value={text})"


@pytest.mark.parametrize(
    "value, text",
    [(3, "3"), (-3, "(-3)"), (-0.5, "(-0.5)"), (-0.0, "(-0)"), (-math.inf, "(-inf)"),
     (1e-7, "0.0000001"), (math.inf, "inf"), (math.nan, "NaN"), (-math.nan, "(NaN)"), (0, "0")],
)
def test_number_latex_is_bare(value, text):
    assert N(value)._repr_latex_() == text


@pytest.mark.parametrize("value, text", [(v, t) for v, t in NUMBER_TEXT if not t.startswith("-")
                                          and t not in ("0", "NaN")])
def test_number_text_inside_a_sum(value, text):
    assert str(x + value) == f"x + {text}"
    assert str(x - value) == f"x - {text}"
    assert latex(x - value) == f"x - {text}"
    assert repr(x - value) == f"{X} + NumberLit(value=-{text})"


# ---------------------------------------------------------------------------------------------
# Worked examples: str, repr and LaTeX
# ---------------------------------------------------------------------------------------------

EXAMPLES = [
    # (expression, str, repr, LaTeX)
    (lambda: x - 3, "x - 3", f"{X} + NumberLit(value=-3)", "x - 3"),
    (lambda: x - y, "x - y", f"{X} - {Y}", "x - y"),
    (lambda: x - 2 * y, "x - 2 * y", f"{X} + NumberLit(value=-2) * {Y}", "x - 2 \\cdot y"),
    (lambda: -y, "- y", f"- {Y}", "- y"),
    (lambda: -2 * y, "-2 * y", f"NumberLit(value=-2) * {Y}", "(-2) \\cdot y"),
    (lambda: x + y + 1, "x + y + 1", f"{X} + {Y} + NumberLit(value=1)", "x + y + 1"),
    (lambda: 2 * (x + 1), "2 * (x + 1)", f"NumberLit(value=2) * ({X} + NumberLit(value=1))",
     "2 \\cdot \\left(x + 1\\right)"),
    (lambda: x / y, "x * y ** -1", f"{X} * {Y} ** NumberLit(value=-1)", "x \\cdot y^{(-1)}"),
    (lambda: -y + x, "- y + x", f"- {Y} + {X}", "- y + x"),
    (lambda: 2 * x, "2 * x", f"NumberLit(value=2) * {X}", "2 \\cdot x"),
    (lambda: -x, "- x", f"- {X}", "- x"),
    (lambda: x - 2.5, "x - 2.5", f"{X} + NumberLit(value=-2.5)", "x - 2.5"),
    (lambda: x - 2 * (y + 1), "x - 2 * (y + 1)",
     f"{X} + NumberLit(value=-2) * ({Y} + NumberLit(value=1))", "x - 2 \\cdot \\left(y + 1\\right)"),
    (lambda: x - (y + 1), "x - (y + 1)", f"{X} - ({Y} + NumberLit(value=1))",
     "x - \\left(y + 1\\right)"),
    (lambda: x + (-1.0) * y, "x - y",
     f"{X} - {Y}", "x - y"),
    (lambda: (-1.0) * y, "- y", f"- {Y}", "- y"),
    (lambda: x - 0.5 * y, "x - 0.5 * y", f"{X} + NumberLit(value=-0.5) * {Y}", "x - 0.5 \\cdot y"),
    (lambda: x - y * z, "x - y * z", f"{X} - {Y} * {Z}", "x - y \\cdot z"),
    (lambda: -(y * z) + x, "- y * z + x", f"- {Y} * {Z} + {X}", "- y \\cdot z + x"),
    (lambda: x - y - z - 1, "x - y - z - 1", f"{X} - {Y} - {Z} + NumberLit(value=-1)", "x - y - z - 1"),
    (lambda: (x + 1) ** 2, "(x + 1) ** 2", f"({X} + NumberLit(value=1)) ** NumberLit(value=2)",
     "\\left(x + 1\\right)^{2}"),
    (lambda: x ** (y + 1), "x ** (y + 1)", f"{X} ** ({Y} + NumberLit(value=1))", "x^{y + 1}"),
    (lambda: x ** (y**2), "x ** (y ** 2)", f"{X} ** ({Y} ** NumberLit(value=2))", "x^{y^{2}}"),
    (lambda: (x**2) ** 3, "(x ** 2) ** 3", f"({X} ** NumberLit(value=2)) ** NumberLit(value=3)",
     "\\left(x^{2}\\right)^{3}"),
    (lambda: x**-1, "x ** -1", f"{X} ** NumberLit(value=-1)", "x^{(-1)}"),
    (lambda: y**-1, "y ** -1", f"{Y} ** NumberLit(value=-1)", "y^{(-1)}"),
    (lambda: (x % 3) * y, "(x % 3) * y", f"({X} % NumberLit(value=3)) * {Y}",
     "\\left(x \\bmod 3\\right) \\cdot y"),
    (lambda: x % (2 * y), "x % (2 * y)", f"{X} % (NumberLit(value=2) * {Y})",
     "x \\bmod \\left(2 \\cdot y\\right)"),
    (lambda: pow(x, 2, 3), "x ** 2 % 3", f"{X} ** NumberLit(value=2) % NumberLit(value=3)",
     "x^{2} \\bmod 3"),
    (lambda: x % (y % 3), "x % (y % 3)", f"{X} % ({Y} % NumberLit(value=3))",
     "x \\bmod \\left(y \\bmod 3\\right)"),
    (lambda: x % 3, "x % 3", f"{X} % NumberLit(value=3)", "x \\bmod 3"),
    (lambda: (x + 1) % 3, "(x + 1) % 3", f"({X} + NumberLit(value=1)) % NumberLit(value=3)",
     "\\left(x + 1\\right) \\bmod 3"),
    (lambda: x**2, "x ** 2", f"{X} ** NumberLit(value=2)", "x^{2}"),
    (lambda: N(2) ** 3, "2 ** 3", "NumberLit(value=2) ** NumberLit(value=3)", "2^{3}"),
    (lambda: N(-2) ** x, "-2 ** x", f"NumberLit(value=-2) ** {X}", "(-2)^{x}"),
    (lambda: x ** N(-0.5), "x ** -0.5", f"{X} ** NumberLit(value=-0.5)", "x^{(-0.5)}"),
    (lambda: x / 2, "x * 2 ** -1", f"{X} * NumberLit(value=2) ** NumberLit(value=-1)",
     "x \\cdot 2^{(-1)}"),
    (lambda: 2 * x**2 + 3 * x - 4, "2 * x ** 2 + 3 * x - 4",
     f"NumberLit(value=2) * {X} ** NumberLit(value=2) + NumberLit(value=3) * {X} + NumberLit(value=-4)",
     "2 \\cdot x^{2} + 3 \\cdot x - 4"),
    (lambda: x * (y + 1) * (z - 1), "x * (y + 1) * (z - 1)",
     f"{X} * ({Y} + NumberLit(value=1)) * ({Z} + NumberLit(value=-1))",
     "x \\cdot \\left(y + 1\\right) \\cdot \\left(z - 1\\right)"),
    (lambda: x + math.nan, "x + NaN", f"{X} + NumberLit(value=NaN)", "x + NaN"),
    (lambda: x - math.inf, "x - inf", f"{X} + NumberLit(value=-inf)", "x - inf"),
    (lambda: x + math.inf, "x + inf", f"{X} + NumberLit(value=inf)", "x + inf"),
    (lambda: math.inf * x, "inf * x", f"NumberLit(value=inf) * {X}", "inf \\cdot x"),
    (lambda: -math.inf * x, "-inf * x", f"NumberLit(value=-inf) * {X}", "(-inf) \\cdot x"),
    (lambda: x - math.inf * y, "x - inf * y", f"{X} + NumberLit(value=-inf) * {Y}", "x - inf \\cdot y"),
]


@pytest.mark.parametrize("build, text, rep, tex", EXAMPLES)
def test_forms(build, text, rep, tex):
    e = build()
    assert str(e) == text
    assert repr(e) == rep
    assert latex(e) == tex


# ---------------------------------------------------------------------------------------------
# A negative NaN never prints a stray sign
# ---------------------------------------------------------------------------------------------


def test_negative_nan_constant_of_a_sum():
    neg_nan = -math.nan
    assert math.copysign(1, neg_nan) == -1
    e = x + neg_nan
    assert math.copysign(1, e.terms[1].value) == -1  # the sign bit is kept in the node
    assert str(e) in ("x + NaN", "x - NaN")
    assert "aN" not in str(e).replace("NaN", "")
    assert repr(e) == f"{X} + NumberLit(value=NaN)"
    assert latex(e).replace("(NaN)", "NaN") in ("x + NaN", "x - NaN")
    e = neg_nan + (x + y)
    assert str(e) in ("x + y + NaN", "x + y - NaN")


def test_negative_nan_coefficient_of_a_product():
    e = x + (-math.nan) * y
    assert str(e) in ("x + NaN * y", "x - NaN * y")
    e = (-math.nan) * y
    assert str(e) == "NaN * y"
    assert repr(e) == f"NumberLit(value=NaN) * {Y}"


# ---------------------------------------------------------------------------------------------
# Parentheses: (child kind, parent kind) grid
# ---------------------------------------------------------------------------------------------

CHILDREN = {
    "Add": (lambda: x + 1, "x + 1", "x + 1"),
    "Mul": (lambda: 2 * x, "2 * x", "2 \\cdot x"),
    "Pow": (lambda: x**2, "x ** 2", "x^{2}"),
    "Mod": (lambda: x % 3, "x % 3", "x \\bmod 3"),
}
# parent: (how to place the child, str template, LaTeX template)
PARENTS = {
    "Pow base": (lambda c: c**y, "{} ** y", "{}^{{y}}"),
    "Pow exponent": (lambda c: y**c, "y ** {}", "y^{{{}}}"),
    "Mod left": (lambda c: c % y, "{} % y", "{} \\bmod y"),
    "Mod right": (lambda c: y % c, "y % {}", "y \\bmod {}"),
    "Add": (lambda c: y + c, "y + {}", "y + {}"),
    "Mul": (lambda c: c * y, "{} * y", "{} \\cdot y"),
    "Comparison": (lambda c: c == y, "{} == y", "{} = y"),
    "Logical": (lambda c: (c == y) & (z == 1), "{} == y and z == 1", "{} = y \\land z = 1"),
}
# Which pairs get parentheses in str (and LaTeX, except for a power's exponent).
PARENS = {
    ("Add", "Pow base"), ("Add", "Pow exponent"), ("Add", "Mod left"), ("Add", "Mod right"), ("Add", "Mul"),
    ("Mul", "Pow base"), ("Mul", "Pow exponent"), ("Mul", "Mod left"), ("Mul", "Mod right"),
    ("Pow", "Pow base"), ("Pow", "Pow exponent"),
    ("Mod", "Pow base"), ("Mod", "Pow exponent"), ("Mod", "Mod left"), ("Mod", "Mod right"), ("Mod", "Mul"),
}


def _child(kind, parent):
    make, _, _ = CHILDREN[kind]
    child = make()
    if (kind, parent) in (("Add", "Add"), ("Mul", "Mul")):
        child.set_latex("L")  # keeps the node whole; str ignores the string
    return child


@pytest.mark.parametrize("parent", list(PARENTS))
@pytest.mark.parametrize("kind", list(CHILDREN))
def test_parentheses_str(kind, parent):
    place, template, _ = PARENTS[parent]
    e = place(_child(kind, parent))
    inner = CHILDREN[kind][1]
    if (kind, parent) in PARENS:
        inner = f"({inner})"
    text = template.format(inner)
    if (kind, parent) == ("Mul", "Mul"):
        text = "2 * x * y"
    if (kind, parent) == ("Add", "Add"):
        text = "y + x + 1"
    assert str(e) == text


@pytest.mark.parametrize("parent", list(PARENTS))
@pytest.mark.parametrize("kind", list(CHILDREN))
def test_parentheses_latex(kind, parent):
    if (kind, parent) in (("Add", "Add"), ("Mul", "Mul")):
        pytest.skip("only a node with its own LaTeX string stays unmerged here")
    place, _, template = PARENTS[parent]
    e = place(_child(kind, parent))
    inner = CHILDREN[kind][2]
    if (kind, parent) in PARENS and parent != "Pow exponent":
        inner = f"\\left({inner}\\right)"
    assert latex(e) == template.format(inner)


def test_parentheses_repr():
    assert repr((x + 1) * y) == f"({X} + NumberLit(value=1)) * {Y}"
    assert repr(y ** (2 * x)) == f"{Y} ** (NumberLit(value=2) * {X})"
    assert repr((x + 1) == y) == f"{X} + NumberLit(value=1) == {Y}"


def test_own_latex_is_never_parenthesised():
    s = with_latex(x + 1, "S")
    assert latex(s * y) == "S \\cdot y"
    assert latex(s**2) == "S^{2}"
    assert latex(y**s) == "y^{S}"
    assert latex(s % 3) == "S \\bmod 3"
    assert str(s * y) == "(x + 1) * y"
    empty = with_latex(x + 1, "")
    assert latex(empty * y) == " \\cdot y"
    assert latex(2 * empty) == "2 \\cdot "


def test_negative_first_term_after_an_unflattened_sum():
    # The printer strips the " + " it wrote before a negative first term of a nested sum.
    s = with_latex(-y + x, "S")
    e = z + s
    assert len(e.terms) == 2
    assert str(e) == "z - y + x"
    assert repr(e) == f"{Z} - {Y} + {X}"
    assert latex(e) == "z + S"
    s2 = with_latex(-2 * y + x, "S")
    assert str(z + s2) == "z - 2 * y + x"


# ---------------------------------------------------------------------------------------------
# Own LaTeX strings and the LaTeX of operands
# ---------------------------------------------------------------------------------------------


def test_placeholder_own_latex():
    p = zv.Placeholder("x", latex="X")
    assert latex(p) == "X"
    assert latex(p + 1) == "X + 1"
    assert latex(p**2) == "X^{2}"
    assert latex(2 * p) == "2 \\cdot X"
    assert latex(p == 1) == "X = 1"
    assert str(p + 1) == "x + 1"
    assert repr(p + 1) == "Placeholder(name='x', ndim=0, latex='X') + NumberLit(value=1)"


def test_names_are_never_escaped():
    p = zv.Placeholder("x_1")
    assert str(p) == "x_1"
    assert latex(p) == "x_1"
    assert latex(p + 1) == "x_1 + 1"
    q = zv.Placeholder("a'b", description='d"e')
    assert repr(q) == "Placeholder(name='a'b', ndim=0, description='d\"e')"
    u = zv.Placeholder("α")
    assert str(u * 2) == "2 * α"
    assert latex(u * 2) == "2 \\cdot α"


def test_own_latex_of_the_whole_node():
    s = x + 1
    s.set_latex("\\mathrm{S}")
    assert s._repr_latex_() == "$$\\displaystyle \\mathrm{S}$$"
    assert str(s) == "x + 1"
    assert repr(s) == f"{X} + NumberLit(value=1)"


def test_repr_latex_of_an_add():
    assert (x + 1)._repr_latex_() == "$$\\displaystyle x + 1$$"
    assert N(3)._repr_latex_() == "3"


# ---------------------------------------------------------------------------------------------
# Comparisons and logical combinations
# ---------------------------------------------------------------------------------------------

CMP = [
    (lambda: x == 1, "x == 1", f"{X} == NumberLit(value=1)", "x = 1"),
    (lambda: x != 1, "x != 1", f"{X} != NumberLit(value=1)", "x \\neq 1"),
    (lambda: x < y, "x < y", f"{X} < {Y}", "x < y"),
    (lambda: x <= y, "x <= y", f"{X} <= {Y}", "x \\leq y"),
    (lambda: x > y, "x > y", f"{X} > {Y}", "x > y"),
    (lambda: x >= y, "x >= y", f"{X} >= {Y}", "x \\geq y"),
    (lambda: 1 > x, "x < 1", f"{X} < NumberLit(value=1)", "x < 1"),
    (lambda: x - 1 <= -3, "x - 1 <= -3", f"{X} + NumberLit(value=-1) <= NumberLit(value=-3)",
     "x - 1 \\leq (-3)"),
    (lambda: x**2 == pow(y, 2, 3), "x ** 2 == y ** 2 % 3",
     f"{X} ** NumberLit(value=2) == {Y} ** NumberLit(value=2) % NumberLit(value=3)",
     "x^{2} = y^{2} \\bmod 3"),
    (lambda: (x == 1) & (y == 2), "x == 1 and y == 2",
     f"{X} == NumberLit(value=1) & {Y} == NumberLit(value=2)", "x = 1 \\land y = 2"),
    (lambda: (x == 1) | (y == 2), "x == 1 or y == 2",
     f"{X} == NumberLit(value=1) | {Y} == NumberLit(value=2)", "x = 1 \\lor y = 2"),
    (lambda: (x == 1) ^ (y == 2), "x == 1 xor y == 2",
     f"{X} == NumberLit(value=1) ^ {Y} == NumberLit(value=2)", "x = 1 \\oplus y = 2"),
    (lambda: ((x == 1) & (y == 2)) & (z == 3), "x == 1 and y == 2 and z == 3",
     f"{X} == NumberLit(value=1) & {Y} == NumberLit(value=2) & {Z} == NumberLit(value=3)",
     "x = 1 \\land y = 2 \\land z = 3"),
    (lambda: (x == 1) & ((y == 2) & (z == 3)), "x == 1 and y == 2 and z == 3",
     f"{X} == NumberLit(value=1) & {Y} == NumberLit(value=2) & {Z} == NumberLit(value=3)",
     "x = 1 \\land y = 2 \\land z = 3"),
    # mixed kinds are parenthesised, so the two groupings print apart
    (lambda: ((x == 1) | (y == 2)) & (z == 3), "(x == 1 or y == 2) and z == 3",
     f"({X} == NumberLit(value=1) | {Y} == NumberLit(value=2)) & {Z} == NumberLit(value=3)",
     "\\left(x = 1 \\lor y = 2\\right) \\land z = 3"),
    (lambda: (x == 1) | ((y == 2) & (z == 3)), "x == 1 or (y == 2 and z == 3)",
     f"{X} == NumberLit(value=1) | ({Y} == NumberLit(value=2) & {Z} == NumberLit(value=3))",
     "x = 1 \\lor \\left(y = 2 \\land z = 3\\right)"),
]


@pytest.mark.parametrize("build, text, rep, tex", CMP)
def test_condition_forms(build, text, rep, tex):
    e = build()
    assert str(e) == text
    assert repr(e) == rep
    assert latex(e) == tex


def test_condition_own_latex_is_ignored_inside_a_logical_combination():
    c = x == 1
    c.set_latex("C")
    assert latex(c) == "C"
    both = c & (y == 2)
    assert latex(both) == "x = 1 \\land y = 2"
    both.set_latex("B")
    assert latex(both) == "B"
    assert str(both) == "x == 1 and y == 2"


def test_comparison_sides_with_own_latex():
    s = with_latex(x + 1, "S")
    assert latex(s <= 2) == "S \\leq 2"
    assert str(s <= 2) == "x + 1 <= 2"


# ---------------------------------------------------------------------------------------------
# Number text against a model of the layout, in every place a number is printed
# ---------------------------------------------------------------------------------------------

from hypothesis import given, settings, strategies as st  # noqa: E402

import arith_model as model  # noqa: E402


@settings(max_examples=400, deadline=None)
@given(st.floats(allow_nan=False, allow_infinity=True).filter(lambda v: v not in (0, 1)))
def test_float_text_everywhere(v):
    text = model.number_text(v)
    magnitude = text.lstrip("-")
    assert str(N(v)) == text
    assert repr(N(v)) == f"NumberLit(value={text})"
    assert N(v)._repr_latex_() == (f"({text})" if text.startswith("-") else text)
    sign = " - " if text.startswith("-") else " + "
    assert str(x + v) == "x" + sign + magnitude
    assert latex(x + v) == "x" + sign + magnitude
    assert str(v * x) == f"{text} * x"
    assert str(x**v) == f"x ** {text}"
    assert str(N(v) ** N(v)) == f"{text} ** {text}"
