"""The printer: number text, sums, products, powers, remainders, comparisons and logical
combinations in str, repr and LaTeX; parentheses by (child, parent) kind; own LaTeX strings."""

import math
import sys

import pytest
from hypothesis import given, settings, strategies as st

import arith_model as model
import zorvane as zv

N = zv.NumberLit
x, y, z = zv.Placeholder("x"), zv.Placeholder("y"), zv.Placeholder("z")
X, Y, Z = (f"Placeholder(name='{n}', ndim=0)" for n in "xyz")
NEG_NAN = -math.nan
assert math.copysign(1.0, NEG_NAN) == -1.0
TINY, HUGE = "0." + "0" * 323 + "5", "17976931348623157" + "0" * 292


def latex(e):
    text = e._repr_latex_()
    assert text.startswith("$$\\displaystyle ") and text.endswith("$$")
    return text[len("$$\\displaystyle "):-2]


def with_latex(e, text):
    e.set_latex(text)
    return e


# ---- number text: shortest round-trip digits, laid out without an exponent ----------------------

NUMBER_TEXT = [
    (0, "0"), (7, "7"), (-3, "-3"), (True, "1"), (2**63 - 1, "9223372036854775807"),
    (-(2**63), "-9223372036854775808"), (1.0, "1"), (0.0, "0"), (-0.0, "-0"), (0.5, "0.5"), (-2.5, "-2.5"),
    (0.1 + 0.2, "0.30000000000000004"), (123456789.125, "123456789.125"), (2.5e-3, "0.0025"), (1e-7, "0.0000001"),
    (-1e-5, "-0.00001"), (1234.5678e-10, "0.00000012345678"), (100.0, "100"), (1e23, "1" + "0" * 23),
    (2.0**63, "9223372036854776000"), (1.5e300, "15" + "0" * 299), (5e-324, TINY), (-5e-324, "-" + TINY),
    (sys.float_info.max, HUGE), (math.inf, "inf"), (-math.inf, "-inf"), (math.nan, "NaN"), (NEG_NAN, "NaN"),
]


@pytest.mark.parametrize("value, text", NUMBER_TEXT, ids=[t[:20] for _, t in NUMBER_TEXT])
def test_number_text(value, text):
    n = N(value)
    assert str(n) == text and repr(n) == f"NumberLit(value={text})"
    negative = math.copysign(1, value) < 0
    assert n._repr_latex_() == (f"({text})" if negative else text)  # bare, unlike every other class
    if not negative and text not in ("0", "NaN"):
        assert str(x + value) == f"x + {text}" and str(x - value) == f"x - {text}"
        assert latex(x - value) == f"x - {text}" and repr(x - value) == f"{X} + NumberLit(value=-{text})"


@settings(max_examples=400)
@given(st.floats(allow_nan=False).filter(lambda v: v not in (0, 1)))
def test_float_text_everywhere(v):
    text = model.number_text(v)
    if not math.isinf(v):
        assert float(text) == v and "e" not in text
    magnitude, sign = text.lstrip("-"), " - " if text.startswith("-") else " + "
    assert str(N(v)) == text and repr(N(v)) == f"NumberLit(value={text})"
    assert N(v)._repr_latex_() == (f"({text})" if text.startswith("-") else text)
    assert str(x + v) == latex(x + v) == "x" + sign + magnitude
    assert str(v * x) == f"{text} * x" and str(x**v) == f"x ** {text}"
    assert str(N(v) ** N(v)) == f"{text} ** {text}"


def test_negative_nan_prints_without_a_sign():
    e = x + NEG_NAN
    assert math.copysign(1, e.terms[1].value) == -1  # the sign bit is kept in the node
    assert (str(e), repr(e), latex(e)) == ("x + NaN", f"{X} + NumberLit(value=NaN)", "x + (NaN)")
    assert str(NEG_NAN + (x + y)) == "x + y + NaN"
    assert (str(x + NEG_NAN * y), latex(x + NEG_NAN * y)) == ("x + NaN * y", "x + (NaN) \\cdot y")
    assert (str(NEG_NAN * y), repr(NEG_NAN * y)) == ("NaN * y", f"NumberLit(value=NaN) * {Y}")


# ---- worked examples ----------------------------------------------------------------------------

L1, L2, L3, LM1 = (f"NumberLit(value={v})" for v in (1, 2, 3, -1))
EXAMPLES = [
    # (expression, str, repr, LaTeX)
    (lambda: x - 3, "x - 3", f"{X} + NumberLit(value=-3)", "x - 3"),
    (lambda: x - y, "x - y", f"{X} - {Y}", "x - y"),
    (lambda: x - 2 * y, "x - 2 * y", f"{X} + NumberLit(value=-2) * {Y}", "x - 2 \\cdot y"),
    (lambda: -y, "- y", f"- {Y}", "- y"),
    (lambda: (-1.0) * y, "- y", f"- {Y}", "- y"),
    (lambda: -2 * y, "-2 * y", f"NumberLit(value=-2) * {Y}", "(-2) \\cdot y"),
    (lambda: -y + x, "- y + x", f"- {Y} + {X}", "- y + x"),
    (lambda: x + y + 1, "x + y + 1", f"{X} + {Y} + {L1}", "x + y + 1"),
    (lambda: 2 * x, "2 * x", f"{L2} * {X}", "2 \\cdot x"),
    (lambda: 2 * (x + 1), "2 * (x + 1)", f"{L2} * ({X} + {L1})", "2 \\cdot \\left(x + 1\\right)"),
    (lambda: x / y, "x * y ** -1", f"{X} * {Y} ** {LM1}", "x \\cdot y^{(-1)}"),
    (lambda: x / 2, "x * 2 ** -1", f"{X} * {L2} ** {LM1}", "x \\cdot 2^{(-1)}"),
    (lambda: x + (-1.0) * y, "x - y", f"{X} - {Y}", "x - y"),
    (lambda: x - 0.5 * y, "x - 0.5 * y", f"{X} + NumberLit(value=-0.5) * {Y}", "x - 0.5 \\cdot y"),
    (lambda: x - y * z, "x - y * z", f"{X} - {Y} * {Z}", "x - y \\cdot z"),
    (lambda: x - (y + 1), "x - (y + 1)", f"{X} - ({Y} + {L1})", "x - \\left(y + 1\\right)"),
    (lambda: x - 2 * (y + 1), "x - 2 * (y + 1)", f"{X} + NumberLit(value=-2) * ({Y} + {L1})",
     "x - 2 \\cdot \\left(y + 1\\right)"),
    (lambda: x - y - z - 1, "x - y - z - 1", f"{X} - {Y} - {Z} + {LM1}", "x - y - z - 1"),
    (lambda: (x + 1) ** 2, "(x + 1) ** 2", f"({X} + {L1}) ** {L2}", "\\left(x + 1\\right)^{2}"),
    (lambda: x ** (y + 1), "x ** (y + 1)", f"{X} ** ({Y} + {L1})", "x^{y + 1}"),
    (lambda: x ** (y**2), "x ** (y ** 2)", f"{X} ** ({Y} ** {L2})", "x^{y^{2}}"),
    (lambda: (x**2) ** 3, "(x ** 2) ** 3", f"({X} ** {L2}) ** {L3}", "\\left(x^{2}\\right)^{3}"),
    (lambda: y**-1, "y ** -1", f"{Y} ** {LM1}", "y^{(-1)}"),
    (lambda: N(-2) ** x, "-2 ** x", f"NumberLit(value=-2) ** {X}", "(-2)^{x}"),
    (lambda: x % 3, "x % 3", f"{X} % {L3}", "x \\bmod 3"),
    (lambda: (x + 1) % 3, "(x + 1) % 3", f"({X} + {L1}) % {L3}", "\\left(x + 1\\right) \\bmod 3"),
    (lambda: pow(x, 2, 3), "x ** 2 % 3", f"{X} ** {L2} % {L3}", "x^{2} \\bmod 3"),
    (lambda: 2 * x**2 + 3 * x - 4, "2 * x ** 2 + 3 * x - 4",
     f"{L2} * {X} ** {L2} + {L3} * {X} + NumberLit(value=-4)", "2 \\cdot x^{2} + 3 \\cdot x - 4"),
    (lambda: x * (y + 1) * (z - 1), "x * (y + 1) * (z - 1)", f"{X} * ({Y} + {L1}) * ({Z} + {LM1})",
     "x \\cdot \\left(y + 1\\right) \\cdot \\left(z - 1\\right)"),
    (lambda: x - math.inf * y, "x - inf * y", f"{X} + NumberLit(value=-inf) * {Y}", "x - inf \\cdot y"),
    (lambda: -math.inf * x, "-inf * x", f"NumberLit(value=-inf) * {X}", "(-inf) \\cdot x"),
    # comparisons and logical combinations
    (lambda: x == 1, "x == 1", f"{X} == {L1}", "x = 1"),
    (lambda: x != 1, "x != 1", f"{X} != {L1}", "x \\neq 1"),
    (lambda: x < y + 1, "x < y + 1", f"{X} < {Y} + {L1}", "x < y + 1"),
    (lambda: x <= y, "x <= y", f"{X} <= {Y}", "x \\leq y"),
    (lambda: x > y, "x > y", f"{X} > {Y}", "x > y"),
    (lambda: x >= y, "x >= y", f"{X} >= {Y}", "x \\geq y"),
    (lambda: 1 > x, "x < 1", f"{X} < {L1}", "x < 1"),
    (lambda: x - 1 <= -3, "x - 1 <= -3", f"{X} + {LM1} <= NumberLit(value=-3)", "x - 1 \\leq (-3)"),
    (lambda: x**2 == pow(y, 2, 3), "x ** 2 == y ** 2 % 3", f"{X} ** {L2} == {Y} ** {L2} % {L3}",
     "x^{2} = y^{2} \\bmod 3"),
    (lambda: (x + 1) == zv.abs(y), "x + 1 == |y|", f"{X} + {L1} == abs({Y})", "x + 1 = \\left| y \\right|"),
    (lambda: N(1) == 2, "1 == 2", f"{L1} == {L2}", "1 = 2"),
    (lambda: (x == 1) & (y == 2), "x == 1 and y == 2", f"{X} == {L1} & {Y} == {L2}", "x = 1 \\land y = 2"),
    (lambda: (x == 1) | (y == 2), "x == 1 or y == 2", f"{X} == {L1} | {Y} == {L2}", "x = 1 \\lor y = 2"),
    (lambda: (x == 1) ^ (y == 2), "x == 1 xor y == 2", f"{X} == {L1} ^ {Y} == {L2}", "x = 1 \\oplus y = 2"),
    (lambda: (x == 1) & ((y == 2) & (z == 3)), "x == 1 and y == 2 and z == 3",
     f"{X} == {L1} & {Y} == {L2} & {Z} == {L3}", "x = 1 \\land y = 2 \\land z = 3"),
    # mixed kinds are parenthesised, so the two groupings print apart
    (lambda: ((x == 1) | (y == 2)) & (z == 3), "(x == 1 or y == 2) and z == 3",
     f"({X} == {L1} | {Y} == {L2}) & {Z} == {L3}", "\\left(x = 1 \\lor y = 2\\right) \\land z = 3"),
    (lambda: (x == 1) | ((y == 2) & (z == 3)), "x == 1 or (y == 2 and z == 3)",
     f"{X} == {L1} | ({Y} == {L2} & {Z} == {L3})", "x = 1 \\lor \\left(y = 2 \\land z = 3\\right)"),
]


@pytest.mark.parametrize("build, text, rep, tex", EXAMPLES, ids=[row[1] for row in EXAMPLES])
def test_forms(build, text, rep, tex):
    e = build()
    assert (str(e), repr(e), latex(e)) == (text, rep, tex)


# ---- parentheses: (child kind, parent kind) grid --------------------------------------------------

CHILDREN = {
    "Add": (lambda: x + 1, "x + 1", "x + 1"), "Mul": (lambda: 2 * x, "2 * x", "2 \\cdot x"),
    "Pow": (lambda: x**2, "x ** 2", "x^{2}"), "Mod": (lambda: x % 3, "x % 3", "x \\bmod 3"),
}
# parent: (how to place the child, str template, LaTeX template)
PARENTS = {
    "Pow base": (lambda c: c**y, "{} ** y", "{}^{{y}}"), "Pow exponent": (lambda c: y**c, "y ** {}", "y^{{{}}}"),
    "Mod left": (lambda c: c % y, "{} % y", "{} \\bmod y"), "Mod right": (lambda c: y % c, "y % {}", "y \\bmod {}"),
    "Add": (lambda c: y + c, "y + {}", "y + {}"), "Mul": (lambda c: c * y, "{} * y", "{} \\cdot y"),
    "Comparison": (lambda c: c == y, "{} == y", "{} = y"),
    "Logical": (lambda c: (c == y) & (z == 1), "{} == y and z == 1", "{} = y \\land z = 1"),
}
# The pairs with parentheses in str; in LaTeX too, except around a power's exponent.
PARENS = {("Add", "Pow base"), ("Add", "Pow exponent"), ("Add", "Mod left"), ("Add", "Mod right"), ("Add", "Mul"),
          ("Mul", "Pow base"), ("Mul", "Pow exponent"), ("Mul", "Mod left"), ("Mul", "Mod right"),
          ("Pow", "Pow base"), ("Pow", "Pow exponent"), ("Mod", "Pow base"), ("Mod", "Pow exponent"),
          ("Mod", "Mod left"), ("Mod", "Mod right"), ("Mod", "Mul")}


@pytest.mark.parametrize("parent", list(PARENTS))
@pytest.mark.parametrize("kind", list(CHILDREN))
def test_parentheses(kind, parent):
    make, text, tex = CHILDREN[kind]
    place, str_template, latex_template = PARENTS[parent]
    child = make()
    merging = (kind, parent) in (("Add", "Add"), ("Mul", "Mul"))
    if merging:
        child.set_latex("L")  # keeps the node whole; str ignores the string and never parenthesises it
    e = place(child)
    if (kind, parent) in PARENS:
        text = f"({text})"
        tex = tex if parent == "Pow exponent" else f"\\left({tex}\\right)"
    expected = {"Add": "y + x + 1", "Mul": "2 * x * y"}[kind] if merging else str_template.format(text)
    assert str(e) == expected
    assert latex(e) == latex_template.format("L" if merging else tex)


def test_own_latex_strings():
    s = with_latex(x + 1, "S")
    assert [latex(e) for e in (s * y, s**2, y**s, s % 3, s <= 2)] == [
        "S \\cdot y", "S^{2}", "y^{S}", "S \\bmod 3", "S \\leq 2"]  # never parenthesised
    assert (str(s * y), str(s <= 2), repr(s)) == ("(x + 1) * y", "x + 1 <= 2", f"{X} + {L1}")
    empty = with_latex(x + 1, "")
    assert (latex(empty * y), latex(2 * empty)) == (" \\cdot y", "2 \\cdot ")
    # the " + " written before a negative first term of an unflattened sum is taken back
    s = with_latex(-y + x, "S")
    e = z + s
    assert (len(e.terms), str(e), repr(e), latex(e)) == (2, "z - y + x", f"{Z} - {Y} + {X}", "z + S")
    assert str(z + with_latex(-2 * y + x, "S")) == "z - 2 * y + x"
    # a condition's own string is used alone, never inside a logical combination
    c = with_latex(x == 1, "C")
    both = c & (y == 2)
    assert (latex(c), latex(both)) == ("C", "x = 1 \\land y = 2")
    assert (latex(with_latex(both, "B")), str(both)) == ("B", "x == 1 and y == 2")


def test_placeholder_names_and_own_latex():
    p = zv.Placeholder("x", latex="X")
    assert [latex(e) for e in (p, p + 1, p**2, 2 * p, p == 1)] == ["X", "X + 1", "X^{2}", "2 \\cdot X", "X = 1"]
    assert (str(p + 1), repr(p + 1)) == ("x + 1", f"Placeholder(name='x', ndim=0, latex='X') + {L1}")
    # names are never escaped
    assert (str(zv.Placeholder("x_1")), latex(zv.Placeholder("x_1") + 1)) == ("x_1", "x_1 + 1")
    assert repr(zv.Placeholder("a'b", description='d"e')) == "Placeholder(name='a'b', ndim=0, description='d\"e')"
    assert (str(zv.Placeholder("α") * 2), latex(zv.Placeholder("α") * 2)) == ("2 * α", "2 \\cdot α")
