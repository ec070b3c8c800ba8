"""Operators on decision variables: the scalar rule, division, powers, and what is refused."""
import math

import pytest

import zorvane as zv
from model_support import VARS, fails, shows, var

y = zv.IntegerVar("y", lower_bound=0, upper_bound=5)
p = zv.Placeholder("p")
POSITIVE = "a decision variable can be raised to only a positive power"
EXPONENT = "the exponent contains a decision variable"
CONVERT = "failed to convert into expression."
DIVIDE = (
    'Cannot divide a {}Var named "x" by a decision variable or an expression containing a decision variable '
    "(right = {})."
)
DIVISOR = 'Cannot use a {}Var named "{}" as a divisor (dividend = {}).'


@pytest.mark.parametrize("build, cls, text", [
    (lambda x: x + 1, zv.AddOp, "x + 1"),
    (lambda x: 1 - x, zv.AddOp, "- x + 1"),
    (lambda x: x * y, zv.MulOp, "x * y"),
    (lambda x: x + y, zv.AddOp, "x + y"),
    (lambda x: -x, zv.MulOp, "- x"),
    (lambda x: x**2, zv.PowOp, "x ** 2"),
    (lambda x: pow(x, 2, None), zv.PowOp, "x ** 2"),
    (lambda x: x**2.5, zv.PowOp, "x ** 2.5"),
    (lambda x: x < 1, zv.LessThanOp, "x < 1"),
    (lambda x: 3 < x, zv.GreaterThanOp, "x > 3"),
    (lambda x: x == x, zv.EqualOp, "x == x"),
    (lambda x: x * 0, zv.NumberLit, "0"),
    (lambda x: x / 2, zv.MulOp, None),
    (lambda x: x / (p + zv.Element("i", 3) + zv.ArrayLength(zv.Placeholder("a", ndim=1), 0)), zv.MulOp, None),
])
@pytest.mark.parametrize("kind", VARS)
def test_operators(kind, build, cls, text):
    built = build(var(kind))
    assert type(built) is cls and (text is None or str(built) == text)


@pytest.mark.parametrize("build, error, message", [
    *[(lambda x, d=d: x / d, zv.ModelingError, DIVIDE.format("{word}", t))
      for d, t in [(y, "y"), (2 * y, "2 * y"), (zv.BinaryVar("x"), "x"), (zv.BinaryVar("z", shape=[3])[1], "z[1]")]],
    (lambda x: 1 / x, zv.ModelingError, DIVISOR.format("{word}", "x", 1)),
    (lambda x: 1.5 / x, zv.ModelingError, DIVISOR.format("{word}", "x", 1.5)),
    (lambda x: x / 0, ZeroDivisionError, "division by zero"),
    (lambda x: x / 0.0, ZeroDivisionError, "division by zero"),
    # other classes divide by their own slot, where the power -1 of a variable is refused
    (lambda x: zv.NumberLit(1) / x, zv.ModelingError, POSITIVE),
    (lambda x: p / x, zv.ModelingError, POSITIVE),
    *[(lambda x, e=e: x**e, zv.ModelingError, POSITIVE) for e in (0, -1, -0.5, 0.0, math.nan, p)],
    (lambda x: 2**x, zv.ModelingError, EXPONENT),
    (lambda x: x**y, zv.ModelingError, EXPONENT),
    (lambda x: pow(x, 2, 3), zv.ModelingError, "the modulo op contains a decision variable"),
    (lambda x: pow(2, x, 3), zv.ModelingError, EXPONENT),
    (lambda x: x // 2, TypeError, "unsupported operand type(s) for //: 'zorvane.{word}Var' and 'int'"),
    (lambda x: x % 2, TypeError, "unsupported operand type(s) for %: 'zorvane.{word}Var' and 'int'"),
    (lambda x: 2 % x, TypeError, "unsupported operand type(s) for %: 'int' and 'zorvane.{word}Var'"),
    (lambda x: pow(2, 3, x), TypeError,
     "unsupported operand type(s) for ** or pow(): 'int', 'int', 'zorvane.{word}Var'"),
    (lambda x: +x, TypeError, "bad operand type for unary +: 'zorvane.{word}Var'"),
    (lambda x: abs(x), TypeError, "bad operand type for abs(): 'zorvane.{word}Var'"),
    (lambda x: hash(x), TypeError, "unhashable type: 'zorvane.{word}Var'"),
    *[(build, TypeError, CONVERT) for build in (lambda x: x + "a", lambda x: "a" + x, lambda x: x == None,  # noqa: E711
                                                lambda x: x < [1, 2], lambda x: x / "a", lambda x: "a" / x,
                                                lambda x: x * zv.Placeholder("q", ndim=1))],
])
@pytest.mark.parametrize("kind", VARS)
def test_refusals(kind, build, error, message):
    x = var(kind)
    fails(lambda: build(x), error, message.format(word=kind.__name__[:-3]))


@pytest.mark.parametrize("kind", VARS)
def test_identity_truth_and_the_scalar_rule(kind):
    x = var(kind)
    same = x * 1
    assert type(same) is kind and same is not x and bool(x) is True
    z = var(kind, "z", shape=[3])
    message = f"the dimensionality of the {kind.__name__} {{ name: z }} must be zero, but is actually 1"
    for build in [lambda: z + 1, lambda: 1 + z, lambda: -z, lambda: z**2, lambda: z < 1, lambda: z / 2,
                  lambda: z + "a"]:
        fails(build, zv.ModelingError, message)
    fails(lambda: 1 / z, zv.ModelingError, DIVISOR.format(kind.__name__[:-3], "z", 1))
    fails(lambda: z / "a", TypeError, CONVERT)  # the divisor is converted before the scalar check


def test_division_names_the_left_variable_and_latex():
    fails(lambda: y / var(zv.ContinuousVar), zv.ModelingError, DIVIDE.replace('"x"', '"y"').format("Integer", "x"))
    X, v, i = zv.BinaryVar("x", latex="X"), zv.BinaryVar("v", shape=[3]), zv.Element("i", 3)
    shows(X + v[i], "latex", "X + v_{i}")
    v.set_latex("V")
    shows(v[i], "latex", "v_{i}")  # a subscript's base prints by name
