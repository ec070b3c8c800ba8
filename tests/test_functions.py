"""The module functions abs, ceil, floor, ln, log2, log10, min and max, and where the module
functions refuse decision variables."""

import math

import pytest

import zorvane as zv

a, b = zv.Placeholder("a"), zv.Placeholder("b")
A = "Placeholder(name='a', ndim=0)"
UNARY = [
    # function, class, str, repr and LaTeX of f(a)
    (zv.abs, zv.AbsOp, "|a|", f"abs({A})", r"\left| a \right|"),
    (zv.ceil, zv.CeilOp, "ceil(a)", f"ceil({A})", r"\left\lceil a \right\rceil"),
    (zv.floor, zv.FloorOp, "floor(a)", f"floor({A})", r"\left\lfloor a \right\rfloor"),
    (zv.ln, zv.LnOp, "ln(a)", f"ln({A})", r"\ln a"),
    (zv.log2, zv.Log2Op, "log2(a)", f"log2({A})", r"\log_{2} a"),
    (zv.log10, zv.Log10Op, "log10(a)", f"log10({A})", r"\log_{10} a"),
]
UNARY_FUNCTIONS = [row[0] for row in UNARY]
IDS = [row[0].__name__ for row in UNARY]
NOT_EXPR = "argument 'operand': failed to convert into expression."


@pytest.mark.parametrize("fn, cls, text, rep, latex", UNARY, ids=IDS)
def test_unary(fn, cls, text, rep, latex):
    node = fn(a)
    assert type(node) is cls and type(node.operand) is zv.Placeholder and node.operand.name == "a"
    assert (str(node), repr(node), node._repr_latex_()) == (text, rep, f"$$\\displaystyle {latex}$$")
    assert repr(fn(operand=a)) == rep
    # literals are not evaluated; their kind is kept
    assert (fn(-3).operand.value, fn(-3).operand.dtype) == (-3, zv.DataType.INTEGER)
    assert (fn(2.5).operand.value, fn(2.5).operand.dtype) == (2.5, zv.DataType.FLOAT)
    # the kind survives a copy through an enclosing node
    assert type(zv.abs(fn(a)).operand) is cls and str(zv.abs(fn(a)).operand) == text
    name = fn.__name__
    assert fn.__text_signature__ == "(operand)" and fn.__module__ == "zorvane"
    assert fn.__doc__.startswith(f"Create the `{cls.__name__}` object from the expression.")
    assert "Raises:\n    ModelingError: Raises if the input contains a decision variable." in fn.__doc__
    for args, kwargs, message in [((), {}, "missing 1 required positional argument: 'operand'"),
                                  ((a, b), {}, "takes 1 positional arguments but 2 were given"),
                                  ((), {"x": a}, "got an unexpected keyword argument 'x'"),
                                  ((a,), {"operand": a}, "got multiple values for argument 'operand'")]:
        with pytest.raises(TypeError) as info:
            fn(*args, **kwargs)
        assert str(info.value) == f"{name}() {message}"
    for bad in ("a", None, (1, 2), [1], zv.Placeholder("p", ndim=1), a == 1,
                zv.IntegerVar("X", shape=[3], lower_bound=0, upper_bound=3)):
        with pytest.raises(TypeError) as info:
            fn(bad)
        assert str(info.value) == NOT_EXPR


def test_unary_texts():
    assert "An operand of the natural logarithm." in zv.ln.__doc__ and ">>> zv.log10(a)" in zv.log10.__doc__
    assert (str(zv.ln(2)), repr(zv.ln(2)), zv.ln(2)._repr_latex_()) == (
        "ln(2)", "ln(NumberLit(value=2))", r"$$\displaystyle \ln 2$$")
    latex = [
        (zv.ln(a + 1), r"\ln \left(a + 1\right)"), (zv.log2(2 * a), r"\log_{2} \left(2 \cdot a\right)"),
        (zv.log10(a**2), r"\log_{10} \left(a^{2}\right)"), (zv.ln(a % 3), r"\ln \left(a \bmod 3\right)"),
        (zv.abs(a + 1), r"\left| a + 1 \right|"), (zv.ceil(a * 2), r"\left\lceil 2 \cdot a \right\rceil"),
        (zv.log10(zv.max(a, 1)), r"\log_{10} \max\left(a, 1\right)"), (zv.ln(zv.abs(a)), r"\ln \left| a \right|"),
    ]
    for node, text in latex:
        assert node._repr_latex_() == f"$$\\displaystyle {text}$$"
    # str and repr never add parentheses of their own under a unary node
    assert (str(zv.ln(a + 1)), str(zv.abs(a + 1)), str(zv.ln(a**2))) == ("ln(a + 1)", "|a + 1|", "ln(a ** 2)")
    assert repr(zv.abs(a + 1)) == f"abs({A} + NumberLit(value=1))"
    q = a + 1
    q.set_latex("Q")
    assert (zv.ln(q)._repr_latex_(), str(zv.ln(q))) == (r"$$\displaystyle \ln Q$$", "ln(a + 1)")
    node = zv.ln(a + 1)
    node.operand.set_latex("Y")  # a copy
    assert node._repr_latex_() == r"$$\displaystyle \ln \left(a + 1\right)$$"


def test_unary_in_arithmetic_and_python_builtins():
    assert [str(t) for t in (-zv.ln(a)).terms] == ["-1", "ln(a)"]
    for same in (zv.ln(a) + 0, 0 + zv.ln(a)):
        assert type(same) is zv.LnOp and str(same) == "ln(a)"
    assert [type(t) for t in (zv.abs(a) * 2).terms] == [zv.NumberLit, zv.AbsOp]
    for builtin in (abs, math.floor, math.ceil, math.log):
        with pytest.raises(TypeError):
            builtin(zv.ln(a))


@pytest.mark.parametrize("fn, cls", [(zv.min, zv.MinOp), (zv.max, zv.MaxOp)], ids=["min", "max"])
def test_min_max(fn, cls):
    name = fn.__name__
    node = fn(1, a, 1)
    assert type(node) is cls and [type(t) for t in node.terms] == [zv.NumberLit, zv.Placeholder, zv.NumberLit]
    assert (str(fn(b, a)), str(fn()), fn().terms, str(fn(a))) == (f"{name}(b, a)", f"{name}()", [], f"{name}(a)")
    # never folded or flattened
    assert [t.value for t in fn(1, 2).terms] == [1, 2]
    assert str(fn(zv.min(a, b), 3)) == f"{name}(min(a, b), 3)" and type(fn(zv.min(a, b), 3).terms[0]) is zv.MinOp
    assert fn.__text_signature__ == "(*operands)"
    assert fn.__doc__.startswith(f"Create the `{cls.__name__}` object from the expression.")
    for call, keyword in ((lambda: fn(a, key=b), "key"), (lambda: fn(operands=a), "operands")):
        with pytest.raises(TypeError) as info:
            call()
        assert str(info.value) == f"{name}() got an unexpected keyword argument '{keyword}'"
    for bad in ([a, b], None, "a", zv.Placeholder("p", ndim=2), a <= b):
        with pytest.raises(TypeError) as info:
            fn(a, bad)
        assert str(info.value) == "argument 'operands': failed to convert into expression."
    assert [type(t) for t in (fn(a, b) + 1).terms] == [cls, zv.NumberLit]


def test_min_max_texts():
    node = zv.min(a, b + 1)
    assert str(node) == "min(a, b + 1)"
    assert repr(node) == f"min({A}, Placeholder(name='b', ndim=0) + NumberLit(value=1))"
    assert node._repr_latex_() == r"$$\displaystyle \min\left(a, b + 1\right)$$"
    assert zv.max(a * b, a**2)._repr_latex_() == r"$$\displaystyle \max\left(a \cdot b, a^{2}\right)$$"
    assert str(zv.max(a - 1, -b)) == "max(a - 1, - b)"
    assert "The `MaxOp` object whose operands are the inputs." in zv.max.__doc__
    assert ">>> zv.max(a, b, c)" in zv.max.__doc__


# ---- decision variables ----------------------------------------------------------------------------

p = zv.Placeholder("p", ndim=1)
i = zv.Element("i", belong_to=(0, 10))
x = zv.BinaryVar("x")
X = zv.IntegerVar("X", shape=[10], lower_bound=0, upper_bound=3)
DUMMY = ("dummy indexed IntegerVar with name 'X' must be called the `sum` or `prod` method to be converted "
         "into an expression.")
WITH_A_VARIABLE = [x, x + a, 2 * x, x**2, X[i], a * X[0] + 1, zv.sum(i, X[i]), zv.prod(i, p[i] * X[i]),
                   zv.min(a, 1) + x, X[:].sum(), zv.IntegerVar("n", lower_bound=0, upper_bound=5),
                   zv.ContinuousVar("c", lower_bound=0, upper_bound=1), zv.SemiIntegerVar("s", lower_bound=1, upper_bound=5),
                   zv.SemiContinuousVar("t", lower_bound=1, upper_bound=2)]


@pytest.mark.parametrize("fn", UNARY_FUNCTIONS, ids=IDS)
def test_unary_refuses_a_decision_variable(fn):
    for operand in WITH_A_VARIABLE:
        with pytest.raises(zv.ModelingError) as info:
            fn(operand)
        assert str(info.value) == "the operand of the unary op contains a decision variable", operand
    for operand in (a, p[i], a + i, zv.sum(i, p[i]), p.len_at(0), i):
        fn(operand)
    with pytest.raises(zv.ModelingError) as info:
        fn(X[:])
    assert str(info.value) == DUMMY  # passed on unchanged, without an argument prefix


@pytest.mark.parametrize("fn", [zv.min, zv.max], ids=["min", "max"])
def test_min_max_name_the_first_term_with_a_variable(fn):
    for operands, k in (((a, x), 1), ((x, a, x), 0), ((a, 1, 2, a + 1, zv.sum(i, X[i])), 4), ((a,) * 11 + (X[0],), 11)):
        with pytest.raises(zv.ModelingError) as info:
            fn(*operands)
        assert str(info.value) == f"the {k}-th term contains a decision variable"
    # every operand is converted before the check
    with pytest.raises(TypeError, match="^argument 'operands': failed to convert into expression.$"):
        fn(x, None)
    for operands in ((x, X[:]), (X[:],)):
        with pytest.raises(zv.ModelingError) as info:
            fn(*operands)
        assert str(info.value) == DUMMY


@pytest.mark.parametrize("fn", [zv.sum, zv.prod], ids=["sum", "prod"])
def test_reduction_refuses_a_variable_in_its_condition_only(fn):
    y = zv.ContinuousVar("y", shape=[10], lower_bound=0, upper_bound=1)
    j = zv.Element("j", belong_to=(0, 10))
    for index in [(i, i == y[0]), (i, y[i] <= 1), (i, 1 < x), (i, (i != 2) & (x == 1)),
                  (i, ((i != 2) | (i != 3)) ^ (a <= x)), [i, (j, j != y[i])]]:
        with pytest.raises(zv.ModelingError) as info:
            fn(index, p[i])
        assert str(info.value) == "the condition expression contains a decision variable"
    node = fn((i, i != 2), X[i])
    assert type(node.operand) is zv.Subscript and str(node) == f"{fn.__name__}(i in [0..10) s.t. i != 2, X[i])"
    assert type(fn(i, p[i] * X[i] + x).operand) is zv.AddOp
    with pytest.raises(zv.ModelingError) as info:
        fn(i, X[:])
    assert str(info.value) == DUMMY


def test_comparisons_accept_variables_on_both_sides():
    n = zv.IntegerVar("n", lower_bound=0, upper_bound=3)
    assert type(x + n <= n) is zv.LessThanEqualOp
    assert str((x == 1) & (n >= 2)) == "x == 1 and n >= 2"
