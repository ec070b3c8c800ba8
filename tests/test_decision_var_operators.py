"""Operators on decision variables: the scalar rule, division, powers, and what is refused."""
import math

import pytest

import zorvane as zv

CLASSES = [
    (zv.BinaryVar, "Binary", {}),
    (zv.IntegerVar, "Integer", {"lower_bound": 0, "upper_bound": 5}),
    (zv.ContinuousVar, "Continuous", {"lower_bound": 0, "upper_bound": 5}),
    (zv.SemiIntegerVar, "SemiInteger", {"lower_bound": 0, "upper_bound": 5}),
    (zv.SemiContinuousVar, "SemiContinuous", {"lower_bound": 0, "upper_bound": 5}),
]


@pytest.fixture(params=CLASSES, ids=lambda c: c[1])
def var(request):
    cls, word, kwargs = request.param
    return cls("x", **kwargs), word


@pytest.fixture
def y():
    return zv.IntegerVar("y", lower_bound=0, upper_bound=5)


def test_arithmetic_and_comparisons(var, y):
    x, _ = var
    assert str(x + 1) == "x + 1"
    assert str(1 - x) == "- x + 1"
    assert str(x * y) == "x * y"
    assert str(x + y) == "x + y"
    assert str(-x) == "- x"
    assert str(x ** 2) == "x ** 2"
    assert isinstance(x ** 2, zv.PowOp)
    assert str(x ** 2.5) == "x ** 2.5"
    assert str(pow(x, 2, None)) == str(x ** 2)
    assert isinstance(x < 1, zv.LessThanOp)
    greater = 3 < x
    assert isinstance(greater, zv.GreaterThanOp) and str(greater) == "x > 3"
    assert isinstance(x == x, zv.EqualOp)
    assert isinstance(x * 0, zv.NumberLit)
    same = x * 1
    assert type(same) is type(x) and same is not x


def test_division(var, y):
    x, word = var
    assert isinstance(x / 2, zv.MulOp)
    p = zv.Placeholder("p")
    i = zv.Element("i", 3)
    assert isinstance(x / (p + i + zv.ArrayLength(zv.Placeholder("a", ndim=1), 0)), zv.MulOp)
    divide = f'Cannot divide a {word}Var named "x" by a decision variable or an expression containing a decision variable'
    for divisor, text in [(y, "y"), (2 * y, "2 * y"), (x, "x"), (zv.BinaryVar("z", shape=[3])[1], "z[1]")]:
        with pytest.raises(zv.ModelingError) as info:
            x / divisor
        assert str(info.value) == f"{divide} (right = {text})."
    for dividend, text in [(1, "1"), (1.5, "1.5")]:
        with pytest.raises(zv.ModelingError) as info:
            dividend / x
        assert str(info.value) == f'Cannot use a {word}Var named "x" as a divisor (dividend = {text}).'
    for zero in (0, 0.0):
        with pytest.raises(ZeroDivisionError, match="^division by zero$"):
            x / zero
    # Other classes divide by their own slot: the power -1 of a variable is refused there.
    for dividend in (zv.NumberLit(1), p):
        with pytest.raises(zv.ModelingError, match="^a decision variable can be raised to only a positive power$"):
            dividend / x


def test_division_names_the_left_variable(y):
    x = zv.ContinuousVar("x", lower_bound=0, upper_bound=1)
    with pytest.raises(zv.ModelingError) as info:
        y / x
    assert str(info.value) == (
        'Cannot divide a IntegerVar named "y" by a decision variable or an expression containing '
        "a decision variable (right = x)."
    )


@pytest.mark.parametrize(
    "build, message",
    [
        (lambda x, y: x ** 0, "a decision variable can be raised to only a positive power"),
        (lambda x, y: x ** -1, "a decision variable can be raised to only a positive power"),
        (lambda x, y: x ** -0.5, "a decision variable can be raised to only a positive power"),
        (lambda x, y: x ** 0.0, "a decision variable can be raised to only a positive power"),
        (lambda x, y: x ** math.nan, "a decision variable can be raised to only a positive power"),
        (lambda x, y: x ** zv.Placeholder("p"), "a decision variable can be raised to only a positive power"),
        (lambda x, y: 2 ** x, "the exponent contains a decision variable"),
        (lambda x, y: x ** y, "the exponent contains a decision variable"),
        (lambda x, y: pow(x, 2, 3), "the modulo op contains a decision variable"),
        (lambda x, y: pow(2, x, 3), "the exponent contains a decision variable"),
    ],
)
def test_power_rules(var, y, build, message):
    x, _ = var
    with pytest.raises(zv.ModelingError) as info:
        build(x, y)
    assert str(info.value) == message


def test_refused_by_the_interpreter(var):
    x, _ = var
    for build in [lambda: x % 2, lambda: 2 % x, lambda: pow(2, 3, x), lambda: x // 2, lambda: +x, lambda: abs(x)]:
        with pytest.raises(TypeError, match="unsupported operand|bad operand"):
            build()
    with pytest.raises(TypeError, match="unhashable"):
        hash(x)
    assert bool(x) is True


def test_other_operands_must_convert(var):
    x, _ = var
    for build in [lambda: x + "a", lambda: "a" + x, lambda: x == None, lambda: x < [1, 2],  # noqa: E711
                  lambda: x / "a", lambda: "a" / x, lambda: x * zv.Placeholder("q", ndim=1)]:
        with pytest.raises(TypeError) as info:
            build()
        assert str(info.value) == "failed to convert into expression."


@pytest.mark.parametrize("cls, word, kwargs", CLASSES, ids=[c[1] for c in CLASSES])
def test_non_scalar_variables(cls, word, kwargs):
    z = cls("z", shape=[3], **kwargs)
    message = f"the dimensionality of the {word}Var {{ name: z }} must be zero, but is actually 1"
    for build in [lambda: z + 1, lambda: 1 + z, lambda: -z, lambda: z ** 2, lambda: z < 1, lambda: z / 2,
                  lambda: z + "a"]:
        with pytest.raises(zv.ModelingError) as info:
            build()
        assert str(info.value) == message
    with pytest.raises(zv.ModelingError) as info:
        1 / z
    assert str(info.value) == f'Cannot use a {word}Var named "z" as a divisor (dividend = 1).'
    with pytest.raises(TypeError, match="^failed to convert into expression.$"):
        z / "a"  # the divisor is converted before the scalar check


def test_latex_of_expressions_with_variables():
    x = zv.BinaryVar("x", latex="X")
    w = zv.BinaryVar("w", shape=[3])
    i = zv.Element("i", 3)
    assert (x + w[i])._repr_latex_() == "$$\\displaystyle X + w_{i}$$"
    w.set_latex("W")
    assert w[i]._repr_latex_() == "$$\\displaystyle w_{i}$$"  # a subscript's base prints by name
