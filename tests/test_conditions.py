"""Comparisons of expression objects and logical combinations of conditions."""

import ctypes
import operator

import pytest

import zorvane as zv

x = zv.Placeholder("x")
y = zv.Placeholder("y")
z = zv.Placeholder("z")

COMPARISONS = [
    # operator, class, str/repr text, LaTeX text, reflected class (for `1 op x`)
    (operator.eq, zv.EqualOp, " == ", " = ", zv.EqualOp),
    (operator.ne, zv.NotEqualOp, " != ", r" \neq ", zv.NotEqualOp),
    (operator.lt, zv.LessThanOp, " < ", " < ", zv.GreaterThanOp),
    (operator.le, zv.LessThanEqualOp, " <= ", r" \leq ", zv.GreaterThanEqualOp),
    (operator.gt, zv.GreaterThanOp, " > ", " > ", zv.LessThanOp),
    (operator.ge, zv.GreaterThanEqualOp, " >= ", r" \geq ", zv.LessThanEqualOp),
]
COMPARISON_IDS = [row[1].__name__ for row in COMPARISONS]
CONDITION_CLASSES = [zv.EqualOp, zv.NotEqualOp, zv.LessThanOp, zv.LessThanEqualOp, zv.GreaterThanOp,
                     zv.GreaterThanEqualOp, zv.AndOp, zv.OrOp, zv.XorOp]


def expression_objects():
    """One object of every expression class."""
    i = zv.Element("i", belong_to=(0, 10))
    a = zv.Placeholder("a", ndim=1)
    return [
        zv.NumberLit(2),
        zv.NumberLit(2.5),
        zv.Placeholder("p"),
        i,
        a[i],
        a.len_at(0),
        zv.BinaryVar("b"),
        zv.IntegerVar("n", lower_bound=0, upper_bound=5),
        zv.ContinuousVar("c", lower_bound=0, upper_bound=1.5),
        zv.SemiIntegerVar("s", lower_bound=1, upper_bound=5),
        zv.SemiContinuousVar("t", lower_bound=1, upper_bound=2.5),
        zv.abs(x), zv.ceil(x), zv.floor(x), zv.ln(x), zv.log2(x), zv.log10(x),
        x**2, x % 3, x + 1, 2 * x, zv.min(x, y), zv.max(x, y),
        zv.sum(i, a[i]), zv.prod((i, i != 2), a[i]),
    ]


EXPRESSIONS = expression_objects()
EXPRESSION_IDS = [type(e).__name__ for e in EXPRESSIONS]


def conditions():
    c1, c2 = x == 1, y <= 2
    return [c1, c2, x != 1, x < 1, x > 1, x >= 1, c1 & c2, c1 | c2, c1 ^ c2]


# ---- comparisons ---------------------------------------------------------------------------------


@pytest.mark.parametrize("expr", EXPRESSIONS, ids=EXPRESSION_IDS)
@pytest.mark.parametrize("op, cls, text, latex, reflected", COMPARISONS, ids=COMPARISON_IDS)
def test_comparison_forward(expr, op, cls, text, latex, reflected):
    cond = op(expr, 1)
    assert type(cond) is cls
    assert type(cond.left) is type(expr)
    assert str(cond.left) == str(expr)
    assert type(cond.right) is zv.NumberLit and cond.right.value == 1
    assert str(cond) == str(expr) + text + "1"
    assert repr(cond) == repr(expr) + text + "NumberLit(value=1)"


@pytest.mark.parametrize("expr", EXPRESSIONS, ids=EXPRESSION_IDS)
@pytest.mark.parametrize("op, cls, text, latex, reflected", COMPARISONS, ids=COMPARISON_IDS)
def test_comparison_reflected(expr, op, cls, text, latex, reflected):
    # A Python number on the left: the interpreter asks the expression with the swapped operator.
    for number in (1, 1.0):
        cond = op(number, expr)
        assert type(cond) is reflected
        assert str(cond.left) == str(expr)
        assert type(cond.right) is zv.NumberLit
        assert cond.right.value == 1


@pytest.mark.parametrize("op, cls, text, latex, reflected", COMPARISONS, ids=COMPARISON_IDS)
def test_comparison_texts(op, cls, text, latex, reflected):
    cond = op(x, y + 1)
    assert str(cond) == "x" + text + "y + 1"
    assert repr(cond) == ("Placeholder(name='x', ndim=0)" + text +
                          "Placeholder(name='y', ndim=0) + NumberLit(value=1)")
    assert cond._repr_latex_() == "$$\\displaystyle x" + latex + "y + 1$$"


@pytest.mark.parametrize("op, cls, text, latex, reflected", COMPARISONS, ids=COMPARISON_IDS)
def test_comparison_between_expression_objects(op, cls, text, latex, reflected):
    cond = op(x**2, zv.abs(y))
    assert type(cond) is cls
    assert type(cond.left) is zv.PowOp
    assert type(cond.right) is zv.AbsOp
    # the sides are printed by their own entries: no parentheses around a power
    assert str(cond) == "x ** 2" + text + "|y|"


def test_comparison_of_literals_is_a_node():
    cond = zv.NumberLit(1) == 2
    assert type(cond) is zv.EqualOp
    assert cond.left.value == 1 and cond.right.value == 2
    assert str(cond) == "1 == 2"
    assert repr(cond) == "NumberLit(value=1) == NumberLit(value=2)"
    assert cond._repr_latex_() == r"$$\displaystyle 1 = 2$$"
    assert type(zv.NumberLit(2) == 2) is zv.EqualOp


def test_comparison_with_itself():
    cond = x == x
    assert type(cond) is zv.EqualOp
    assert str(cond) == "x == x"
    assert type(x != x) is zv.NotEqualOp


@pytest.mark.parametrize("expr", EXPRESSIONS, ids=EXPRESSION_IDS)
@pytest.mark.parametrize("bad", ["a", None, [1, 2], (1,), zv.Placeholder("q", ndim=1), x == 1],
                         ids=["str", "None", "list", "tuple", "array placeholder", "condition"])
def test_comparison_refuses_non_expressions(expr, bad):
    for op in (operator.eq, operator.ne, operator.lt, operator.le, operator.gt, operator.ge):
        with pytest.raises(TypeError) as info:
            op(expr, bad)
        assert str(info.value) == "failed to convert into expression."


@pytest.mark.parametrize("expr", EXPRESSIONS, ids=EXPRESSION_IDS)
def test_reflected_comparison_refuses_non_expressions(expr):
    # `"a" < x` reaches x's slot with the swapped operator, and the string does not convert.
    with pytest.raises(TypeError) as info:
        "a" < expr
    assert str(info.value) == "failed to convert into expression."
    with pytest.raises(TypeError) as info:
        None == expr
    assert str(info.value) == "failed to convert into expression."


# The comparison slot read from the type object; its offset is checked by a valid call first.
_RICHCOMPARE_OFFSET = 25 * ctypes.sizeof(ctypes.c_void_p)
_RICHCMPFUNC = ctypes.PYFUNCTYPE(ctypes.py_object, ctypes.py_object, ctypes.py_object, ctypes.c_int)


def _richcompare_slot(cls):
    address = ctypes.c_void_p.from_address(id(cls) + _RICHCOMPARE_OFFSET).value
    return _RICHCMPFUNC(address)


@pytest.mark.parametrize("expr", EXPRESSIONS, ids=EXPRESSION_IDS)
def test_invalid_comparison_code_gives_not_implemented(expr):
    slot = _richcompare_slot(type(expr))
    assert type(slot(expr, 1, 2)) is zv.EqualOp  # code 2 is ==
    assert type(slot(expr, 1, 0)) is zv.LessThanOp
    assert slot(expr, 1, 6) is NotImplemented
    assert slot(expr, 1, -1) is NotImplemented
    # an object of another class as self: not this class's business
    assert slot(1, expr, 2) is NotImplemented


# ---- condition objects -----------------------------------------------------------------------


@pytest.mark.parametrize("cond", conditions(), ids=lambda c: type(c).__name__)
def test_condition_has_no_truth_value(cond):
    with pytest.raises(TypeError) as info:
        bool(cond)
    message = str(info.value)
    assert "&" in message and "|" in message and "^" in message
    assert "0 <= x <= 10" in message
    with pytest.raises(TypeError):
        not cond
    with pytest.raises(TypeError):
        if cond:
            pass


def test_chained_comparison_is_refused():
    with pytest.raises(TypeError) as info:
        0 <= x <= 10
    assert "0 <= x <= 10" in str(info.value)
    with pytest.raises(TypeError):
        (x >= 0) and (x <= 10)
    # written as two conditions, it is a logical node
    both = (0 <= x) & (x <= 10)
    assert type(both) is zv.AndOp
    assert str(both) == "x >= 0 and x <= 10"


@pytest.mark.parametrize("cond", conditions(), ids=lambda c: type(c).__name__)
def test_condition_identity_semantics(cond):
    assert (cond == cond) is True
    assert (cond != cond) is False
    assert hash(cond) == hash(cond)
    assert {cond: 1}[cond] == 1
    assert (cond == 5) is False
    other = conditions()[0]
    with pytest.raises(TypeError):
        cond < other
    with pytest.raises(TypeError):
        cond >= other


def test_equal_conditions_are_distinct_objects():
    assert ((x == 1) == (x == 1)) is False
    c1, c2 = x == 1, y == 2
    assert ((c1 & c2) == (c1 & c2)) is False
    assert len({x == 1, x == 1}) == 2


@pytest.mark.parametrize("cond", conditions(), ids=lambda c: type(c).__name__)
def test_condition_compared_with_expression(cond):
    for expr in (x, x + 1, zv.abs(x)):
        with pytest.raises(TypeError) as info:
            cond == expr
        assert str(info.value) == "failed to convert into expression."
        with pytest.raises(TypeError) as info:
            expr == cond
        assert str(info.value) == "failed to convert into expression."
        with pytest.raises(TypeError) as info:
            cond != expr
        assert str(info.value) == "failed to convert into expression."


@pytest.mark.parametrize("cls", CONDITION_CLASSES, ids=lambda c: c.__name__)
def test_condition_classes_have_no_constructor(cls):
    with pytest.raises(TypeError) as info:
        cls()
    assert str(info.value) == "No constructor defined"
    with pytest.raises(TypeError) as info:
        cls(x, y)
    assert str(info.value) == "No constructor defined"


def test_comparison_getters_are_copies():
    cond = x + 1 <= y
    assert cond.left is not cond.left
    assert type(cond.left) is zv.AddOp
    assert type(cond.right) is zv.Placeholder
    left = cond.left
    left.set_latex("L")
    assert cond._repr_latex_() == r"$$\displaystyle x + 1 \leq y$$"
    with pytest.raises(AttributeError):
        cond.left = y
    with pytest.raises(AttributeError):
        cond.right = y
    assert not hasattr(cond, "terms")


def test_comparison_keeps_literal_kinds():
    cond = x == 1.0
    assert cond.right.dtype == zv.DataType.FLOAT
    assert str(cond) == "x == 1"
    cond = x == 1
    assert cond.right.dtype == zv.DataType.INTEGER


def test_comparison_operands_are_copied_in():
    s = x + 1
    cond = s == y
    s.set_latex("S")
    assert cond.left._repr_latex_() == r"$$\displaystyle x + 1$$"
    s.set_latex(None)
    s2 = x + 1
    s2.set_latex("S")
    assert (s2 == y)._repr_latex_() == r"$$\displaystyle S = y$$"
    assert str(s2 == y) == "x + 1 == y"


# ---- logical combinations ------------------------------------------------------------------


LOGICAL = [
    (operator.and_, zv.AndOp, " and ", " & ", r" \land "),
    (operator.or_, zv.OrOp, " or ", " | ", r" \lor "),
    (operator.xor, zv.XorOp, " xor ", " ^ ", r" \oplus "),
]
LOGICAL_IDS = [row[1].__name__ for row in LOGICAL]


@pytest.mark.parametrize("op, cls, text, rep, latex", LOGICAL, ids=LOGICAL_IDS)
@pytest.mark.parametrize("left", conditions(), ids=lambda c: type(c).__name__)
@pytest.mark.parametrize("right", conditions(), ids=lambda c: type(c).__name__)
def test_logical_of_any_two_conditions(op, cls, text, rep, latex, left, right):
    node = op(left, right)
    assert type(node) is cls
    terms = node.terms
    assert len(terms) == 2
    assert type(terms[0]) is type(left) and type(terms[1]) is type(right)
    assert repr(terms[0]) == repr(left) and repr(terms[1]) == repr(right)


@pytest.mark.parametrize("op, cls, text, rep, latex", LOGICAL, ids=LOGICAL_IDS)
def test_logical_texts(op, cls, text, rep, latex):
    c1, c2 = x == 1, y == 2
    node = op(c1, c2)
    assert str(node) == "x == 1" + text + "y == 2"
    assert repr(node) == ("Placeholder(name='x', ndim=0) == NumberLit(value=1)" + rep +
                          "Placeholder(name='y', ndim=0) == NumberLit(value=2)")
    assert node._repr_latex_() == "$$\\displaystyle x = 1" + latex + "y = 2$$"


@pytest.mark.parametrize("op, cls, text, rep, latex", LOGICAL, ids=LOGICAL_IDS)
def test_logical_keeps_python_order(op, cls, text, rep, latex):
    c1, c2 = x == 1, y == 2
    assert [str(t) for t in op(c2, c1).terms] == ["y == 2", "x == 1"]


@pytest.mark.parametrize("op, cls, text, rep, latex", LOGICAL, ids=LOGICAL_IDS)
def test_logical_never_flattens(op, cls, text, rep, latex):
    c1, c2, c3 = x == 1, y == 2, z == 3
    left_nested = op(op(c1, c2), c3)
    assert type(left_nested) is cls
    first, second = left_nested.terms
    assert type(first) is cls and type(second) is zv.EqualOp
    assert [str(t) for t in first.terms] == ["x == 1", "y == 2"]
    right_nested = op(c1, op(c2, c3))
    assert type(right_nested.terms[1]) is cls
    # a chain of one kind prints without parentheses
    assert str(left_nested) == "x == 1" + text + "y == 2" + text + "z == 3"
    assert str(right_nested) == str(left_nested)
    double = op(op(c1, c2), op(c2, c3))
    assert len(double.terms) == 2
    assert all(type(t) is cls for t in double.terms)


def test_logical_precedence_of_python_operators():
    a, b, c, d = x == 1, y == 2, z == 3, x == 4
    node = a & b | c ^ d
    assert type(node) is zv.OrOp
    assert [type(t) for t in node.terms] == [zv.AndOp, zv.XorOp]
    node = a | b & c
    assert type(node) is zv.OrOp
    assert [type(t) for t in node.terms] == [zv.EqualOp, zv.AndOp]
    both = c & c
    assert [str(t) for t in both.terms] == ["z == 3", "z == 3"]


def test_mixed_logical_nesting_is_parenthesised():
    c1, c2, c3 = x == 1, y == 2, z == 3
    left = (c1 | c2) & c3
    right = c1 | (c2 & c3)
    assert str(left) == "(x == 1 or y == 2) and z == 3"
    assert str(right) == "x == 1 or (y == 2 and z == 3)"
    assert str(left) != str(right)
    assert repr(left) == ("(Placeholder(name='x', ndim=0) == NumberLit(value=1) | "
                          "Placeholder(name='y', ndim=0) == NumberLit(value=2)) & "
                          "Placeholder(name='z', ndim=0) == NumberLit(value=3)")
    assert left._repr_latex_() == r"$$\displaystyle \left(x = 1 \lor y = 2\right) \land z = 3$$"
    assert right._repr_latex_() == r"$$\displaystyle x = 1 \lor \left(y = 2 \land z = 3\right)$$"
    assert str((c1 ^ c2) | c3) == "(x == 1 xor y == 2) or z == 3"
    assert str(c1 & (c2 ^ c3)) == "x == 1 and (y == 2 xor z == 3)"
    deep = ((c1 | c2) & c3) ^ c1
    assert str(deep) == "((x == 1 or y == 2) and z == 3) xor x == 1"


def test_logical_terms_are_copies():
    c1, c2 = x == 1, y == 2
    node = c1 & c2
    assert node.terms is not node.terms
    assert node.terms[0] is not node.terms[0]
    first = node.terms[0]
    first.set_latex("F")
    assert node._repr_latex_() == r"$$\displaystyle x = 1 \land y = 2$$"
    terms = node.terms
    terms.append(c1)
    assert len(node.terms) == 2
    with pytest.raises(AttributeError):
        node.terms = []
    assert not hasattr(node, "left")


def test_logical_term_keeps_its_own_latex():
    c, d = x == 1, y == 2
    c.set_latex("C")
    node = c & d
    assert node.terms[0]._repr_latex_() == r"$$\displaystyle C$$"
    # the node itself prints the term from its parts and has no LaTeX of its own
    assert node._repr_latex_() == r"$$\displaystyle x = 1 \land y = 2$$"
    c.set_latex("U")
    assert node.terms[0]._repr_latex_() == r"$$\displaystyle C$$"
    inner = c | d
    inner.set_latex("I")
    outer = inner & d
    assert outer.terms[0]._repr_latex_() == r"$$\displaystyle I$$"
    assert outer._repr_latex_() == r"$$\displaystyle \left(x = 1 \lor y = 2\right) \land y = 2$$"


LOGICAL_OPS = [operator.and_, operator.or_, operator.xor]


@pytest.mark.parametrize("op", LOGICAL_OPS, ids=["and", "or", "xor"])
@pytest.mark.parametrize("cond", conditions(), ids=lambda c: type(c).__name__)
@pytest.mark.parametrize("bad", [5, True, None, "a", 1.5, x, x + 1, zv.NumberLit(1)],
                         ids=["int", "bool", "None", "str", "float", "placeholder", "sum", "literal"])
def test_logical_refuses_non_conditions(op, cond, bad):
    with pytest.raises(TypeError) as info:
        op(cond, bad)
    assert str(info.value) == "failed to convert into a conditional expression."
    with pytest.raises(TypeError) as info:
        op(bad, cond)
    assert str(info.value) == "failed to convert into a conditional expression."


@pytest.mark.parametrize("expr", EXPRESSIONS, ids=EXPRESSION_IDS)
def test_expression_classes_have_no_logical_operators(expr):
    for op in LOGICAL_OPS:
        with pytest.raises(TypeError) as info:
            op(expr, expr)
        assert "unsupported operand type" in str(info.value)
        with pytest.raises(TypeError):
            op(expr, 1)


def test_logical_in_place_operators_rebind():
    c = x == 1
    d = c
    c &= y == 2
    assert type(c) is zv.AndOp
    assert type(d) is zv.EqualOp
    c |= z == 3
    assert type(c) is zv.OrOp
    c ^= z == 3
    assert type(c) is zv.XorOp


# ---- set_latex and _repr_latex_ on condition classes ------------------------------------------


@pytest.mark.parametrize("cond", conditions(), ids=lambda c: type(c).__name__)
def test_condition_set_latex(cond):
    generated = cond._repr_latex_()
    text, rep = str(cond), repr(cond)
    assert cond.set_latex("T") is None
    assert cond._repr_latex_() == r"$$\displaystyle T$$"
    assert str(cond) == text and repr(cond) == rep
    cond.set_latex()
    assert cond._repr_latex_() == generated
    cond.set_latex(latex="K")
    assert cond._repr_latex_() == r"$$\displaystyle K$$"
    cond.set_latex(None)
    assert cond._repr_latex_() == generated
    cond.set_latex("")
    assert cond._repr_latex_() == r"$$\displaystyle $$"
    cond.set_latex("\\alpha")
    with pytest.raises(TypeError) as info:
        cond.set_latex(5)
    assert str(info.value) == "argument 'latex': 'int' object cannot be converted to 'PyString'"
    assert cond._repr_latex_() == r"$$\displaystyle \alpha$$"
    name = type(cond).__name__
    with pytest.raises(TypeError) as info:
        cond.set_latex("a", "b")
    assert str(info.value) == f"{name}.set_latex() takes from 0 to 1 positional arguments but 2 were given"
    with pytest.raises(TypeError) as info:
        cond.set_latex(text="a")
    assert str(info.value) == f"{name}.set_latex() got an unexpected keyword argument 'text'"
    with pytest.raises(TypeError) as info:
        cond.set_latex("a", latex="b")
    assert str(info.value) == f"{name}.set_latex() got multiple values for argument 'latex'"


@pytest.mark.parametrize("cls", CONDITION_CLASSES, ids=lambda c: c.__name__)
def test_condition_method_signatures(cls):
    assert cls.set_latex.__text_signature__ == "($self, latex=None)"
    assert cls.set_latex.__doc__.startswith("Set the LaTeX representation of the object.")
    assert cls._repr_latex_.__text_signature__ == "($self)"
    assert cls._repr_latex_.__doc__ is None
    assert cls.__text_signature__ is None
