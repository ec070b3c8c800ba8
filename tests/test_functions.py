"""The module functions abs, ceil, floor, ln, log2, log10, min and max."""

import pytest

import zorvane as zv

UNARY = [
    # function, class, str form of f(a), repr form of f(a), LaTeX of f(a)
    (zv.abs, zv.AbsOp, "|a|", "abs(Placeholder(name='a', ndim=0))", r"\left| a \right|"),
    (zv.ceil, zv.CeilOp, "ceil(a)", "ceil(Placeholder(name='a', ndim=0))", r"\left\lceil a \right\rceil"),
    (zv.floor, zv.FloorOp, "floor(a)", "floor(Placeholder(name='a', ndim=0))",
     r"\left\lfloor a \right\rfloor"),
    (zv.ln, zv.LnOp, "ln(a)", "ln(Placeholder(name='a', ndim=0))", r"\ln a"),
    (zv.log2, zv.Log2Op, "log2(a)", "log2(Placeholder(name='a', ndim=0))", r"\log_{2} a"),
    (zv.log10, zv.Log10Op, "log10(a)", "log10(Placeholder(name='a', ndim=0))", r"\log_{10} a"),
]
UNARY_FUNCTIONS = [row[0] for row in UNARY]
UNARY_IDS = [row[0].__name__ for row in UNARY]
MIN_MAX = [(zv.min, zv.MinOp), (zv.max, zv.MaxOp)]


@pytest.fixture
def a():
    return zv.Placeholder("a")


@pytest.fixture
def b():
    return zv.Placeholder("b")


def assert_same_placeholder(obj, name):
    assert type(obj) is zv.Placeholder
    assert obj.name == name
    assert obj.ndim == 0


# ---- unary functions -------------------------------------------------------------------------


@pytest.mark.parametrize("fn, cls, text, rep, latex", UNARY, ids=UNARY_IDS)
def test_unary_builds_its_class(a, fn, cls, text, rep, latex):
    node = fn(a)
    assert type(node) is cls
    assert_same_placeholder(node.operand, "a")
    assert str(node) == text
    assert repr(node) == rep
    assert node._repr_latex_() == "$$\\displaystyle " + latex + "$$"


@pytest.mark.parametrize("fn", UNARY_FUNCTIONS, ids=UNARY_IDS)
def test_unary_keyword_argument(a, fn):
    assert str(fn(operand=a)) == str(fn(a))


@pytest.mark.parametrize("fn", UNARY_FUNCTIONS, ids=UNARY_IDS)
def test_unary_does_not_evaluate_literals(fn):
    node = fn(-3)
    operand = node.operand
    assert type(operand) is zv.NumberLit
    assert operand.value == -3
    assert operand.dtype == zv.DataType.INTEGER
    node = fn(2.5)
    assert node.operand.value == 2.5
    assert node.operand.dtype == zv.DataType.FLOAT


def test_unary_examples():
    assert str(zv.ln(2)) == "ln(2)"
    assert repr(zv.ln(2)) == "ln(NumberLit(value=2))"
    assert zv.ln(2)._repr_latex_() == r"$$\displaystyle \ln 2$$"
    assert type(zv.ln(1).operand) is zv.NumberLit


def test_unary_nested_kinds_survive_copies(a):
    assert type(zv.abs(zv.ln(a)).operand) is zv.LnOp
    assert type(zv.abs(zv.log2(a)).operand) is zv.Log2Op
    assert type(zv.abs(zv.log10(a)).operand) is zv.Log10Op
    assert str(zv.abs(zv.ln(a)).operand) == "ln(a)"
    assert str(zv.abs(zv.log2(a)).operand) == "log2(a)"
    nested = zv.abs(zv.abs(a))
    assert type(nested) is zv.AbsOp and type(nested.operand) is zv.AbsOp


@pytest.mark.parametrize("fn", UNARY_FUNCTIONS, ids=UNARY_IDS)
def test_unary_argument_errors(a, b, fn):
    name = fn.__name__
    with pytest.raises(TypeError) as info:
        fn()
    assert str(info.value) == f"{name}() missing 1 required positional argument: 'operand'"
    with pytest.raises(TypeError) as info:
        fn(a, b)
    assert str(info.value) == f"{name}() takes 1 positional arguments but 2 were given"
    with pytest.raises(TypeError) as info:
        fn(x=a)
    assert str(info.value) == f"{name}() got an unexpected keyword argument 'x'"
    with pytest.raises(TypeError) as info:
        fn(a, operand=a)
    assert str(info.value) == f"{name}() got multiple values for argument 'operand'"


@pytest.mark.parametrize("fn", UNARY_FUNCTIONS, ids=UNARY_IDS)
@pytest.mark.parametrize("bad", ["a", None, (1, 2), [1], zv.Placeholder("p", ndim=1)],
                         ids=["str", "None", "tuple", "list", "array placeholder"])
def test_unary_refuses_non_expressions(fn, bad):
    with pytest.raises(TypeError) as info:
        fn(bad)
    assert str(info.value) == "argument 'operand': failed to convert into expression."


@pytest.mark.parametrize("fn", UNARY_FUNCTIONS, ids=UNARY_IDS)
def test_unary_refuses_conditions(a, fn):
    with pytest.raises(TypeError) as info:
        fn(a == 1)
    assert str(info.value) == "argument 'operand': failed to convert into expression."


def test_unary_latex_parentheses(a):
    assert zv.ln(a + 1)._repr_latex_() == r"$$\displaystyle \ln \left(a + 1\right)$$"
    assert zv.log2(2 * a)._repr_latex_() == r"$$\displaystyle \log_{2} \left(2 \cdot a\right)$$"
    assert zv.log10(a**2)._repr_latex_() == r"$$\displaystyle \log_{10} \left(a^{2}\right)$$"
    assert zv.ln(a % 3)._repr_latex_() == r"$$\displaystyle \ln \left(a \bmod 3\right)$$"
    assert zv.abs(a + 1)._repr_latex_() == r"$$\displaystyle \left| a + 1 \right|$$"
    assert zv.ceil(a * 2)._repr_latex_() == r"$$\displaystyle \left\lceil 2 \cdot a \right\rceil$$"
    assert zv.log10(zv.max(a, 1))._repr_latex_() == r"$$\displaystyle \log_{10} \max\left(a, 1\right)$$"
    assert zv.ln(zv.abs(a))._repr_latex_() == r"$$\displaystyle \ln \left| a \right|$$"
    # str and repr never add parentheses of their own under a unary node
    assert str(zv.ln(a + 1)) == "ln(a + 1)"
    assert str(zv.abs(a + 1)) == "|a + 1|"
    assert str(zv.ln(a**2)) == "ln(a ** 2)"
    assert repr(zv.abs(a + 1)) == "abs(Placeholder(name='a', ndim=0) + NumberLit(value=1))"


def test_unary_operand_with_own_latex(a):
    q = a + 1
    q.set_latex("Q")
    node = zv.ln(q)
    assert node._repr_latex_() == r"$$\displaystyle \ln Q$$"
    assert str(node) == "ln(a + 1)"
    assert node.operand._repr_latex_() == r"$$\displaystyle Q$$"


def test_unary_operand_is_a_copy(a):
    x = zv.ln(a + 1)
    y = x.operand
    assert x.operand is not y
    y.set_latex("Y")
    assert x._repr_latex_() == r"$$\displaystyle \ln \left(a + 1\right)$$"
    assert str(x) == "ln(a + 1)"


def test_unary_arithmetic(a):
    neg = -zv.ln(a)
    assert type(neg) is zv.MulOp
    assert [str(t) for t in neg.terms] == ["-1", "ln(a)"]
    for same in (zv.ln(a) + 0, 0 + zv.ln(a)):
        assert type(same) is zv.LnOp
        assert str(same) == "ln(a)"
    product = zv.abs(a) * 2
    assert type(product) is zv.MulOp
    assert [type(t) for t in product.terms] == [zv.NumberLit, zv.AbsOp]


def test_unary_builtins_refuse(a):
    import math

    x = zv.ln(a)
    with pytest.raises(TypeError):
        abs(x)
    with pytest.raises(TypeError):
        math.floor(x)
    with pytest.raises(TypeError):
        math.ceil(x)
    with pytest.raises(TypeError):
        math.log(x)


def test_unary_text_signatures_and_docs():
    for fn, cls, *_ in UNARY:
        assert fn.__text_signature__ == "(operand)"
        assert fn.__module__ == "zorvane"
        assert fn.__doc__.startswith(f"Create the `{cls.__name__}` object from the expression.")
        assert "Raises:\n    ModelingError: Raises if the input contains a decision variable." in fn.__doc__
    assert "An operand of the natural logarithm." in zv.ln.__doc__
    assert "An operand of the abs operator." in zv.abs.__doc__
    assert ">>> zv.log10(a)" in zv.log10.__doc__


# ---- min and max -------------------------------------------------------------------------------


@pytest.mark.parametrize("fn, cls", MIN_MAX, ids=["min", "max"])
def test_min_max_keep_terms_in_call_order(a, b, fn, cls):
    node = fn(1, a, 1)
    assert type(node) is cls
    terms = node.terms
    assert [type(t) for t in terms] == [zv.NumberLit, zv.Placeholder, zv.NumberLit]
    assert terms[0].value == 1 and terms[2].value == 1
    assert str(fn(a, a)) == f"{fn.__name__}(a, a)"
    assert str(fn(b, a)) == f"{fn.__name__}(b, a)"


@pytest.mark.parametrize("fn, cls", MIN_MAX, ids=["min", "max"])
def test_min_max_arities(a, fn, cls):
    empty = fn()
    assert type(empty) is cls
    assert empty.terms == []
    assert str(empty) == f"{fn.__name__}()"
    single = fn(a)
    assert type(single) is cls
    assert len(single.terms) == 1
    assert str(single) == f"{fn.__name__}(a)"


def test_min_max_do_not_fold_or_flatten(a, b):
    two = zv.min(1, 2)
    assert type(two) is zv.MinOp
    assert [t.value for t in two.terms] == [1, 2]
    nested = zv.min(zv.min(a, b), 3)
    assert type(nested.terms[0]) is zv.MinOp
    assert str(nested) == "min(min(a, b), 3)"
    mixed = zv.max(zv.min(a, b), a)
    assert type(mixed.terms[0]) is zv.MinOp


def test_min_max_texts(a, b):
    node = zv.min(a, b + 1)
    assert str(node) == "min(a, b + 1)"
    assert repr(node) == ("min(Placeholder(name='a', ndim=0), "
                          "Placeholder(name='b', ndim=0) + NumberLit(value=1))")
    assert node._repr_latex_() == r"$$\displaystyle \min\left(a, b + 1\right)$$"
    assert zv.max(a * b, a**2)._repr_latex_() == r"$$\displaystyle \max\left(a \cdot b, a^{2}\right)$$"
    assert str(zv.max(a - 1, -b)) == "max(a - 1, - b)"


@pytest.mark.parametrize("fn", [zv.min, zv.max], ids=["min", "max"])
def test_min_max_argument_errors(a, b, fn):
    with pytest.raises(TypeError) as info:
        fn(a, key=b)
    assert str(info.value) == f"{fn.__name__}() got an unexpected keyword argument 'key'"
    with pytest.raises(TypeError) as info:
        fn(operands=a)
    assert str(info.value) == f"{fn.__name__}() got an unexpected keyword argument 'operands'"
    for bad in ([a, b], None, "a", zv.Placeholder("p", ndim=2), a <= b):
        with pytest.raises(TypeError) as info:
            fn(a, bad)
        assert str(info.value) == "argument 'operands': failed to convert into expression."


def test_min_max_signatures_and_docs():
    assert zv.min.__text_signature__ == "(*operands)"
    assert zv.max.__text_signature__ == "(*operands)"
    assert zv.min.__doc__.startswith("Create the `MinOp` object from the expression.")
    assert "The `MaxOp` object whose operands are the inputs." in zv.max.__doc__
    assert ">>> zv.max(a, b, c)" in zv.max.__doc__


def test_min_max_arithmetic(a, b):
    node = zv.min(a, b) + 1
    assert type(node) is zv.AddOp
    assert [type(t) for t in node.terms] == [zv.MinOp, zv.NumberLit]


def test_functions_are_registered_in_order():
    names = ["abs", "ceil", "floor", "log2", "log10", "ln", "min", "max", "sum", "prod"]
    positions = [zv.__all__.index(n) for n in names]
    assert positions == sorted(positions)
    for name in names:
        assert getattr(zv, name).__self__ is zv
