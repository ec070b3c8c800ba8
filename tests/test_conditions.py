"""Comparison nodes and logical combinations of conditions: structure, order, no truth value,
identity semantics and refusals. (Their text forms are in test_printer; the comparison slot of
every expression class is in test_operator_classes.)"""

import operator

import pytest

import zorvane as zv

x, y, z = zv.Placeholder("x"), zv.Placeholder("y"), zv.Placeholder("z")
NOT_EXPR = "failed to convert into expression."
NOT_COND = "failed to convert into a conditional expression."
TRUTH = ("a condition has no truth value: combine conditions with &, | or ^, and write a chained comparison "
         "such as 0 <= x <= 10 as two conditions, (0 <= x) & (x <= 10)")
LOGICAL = [(operator.and_, zv.AndOp, " and "), (operator.or_, zv.OrOp, " or "), (operator.xor, zv.XorOp, " xor ")]


def conditions():
    c1, c2 = x == 1, y <= 2
    return [c1, c2, x != 1, x < 1, x > 1, x >= 1, c1 & c2, c1 | c2, c1 ^ c2]


def test_comparison_nodes():
    c = (x + 1) < y
    assert type(c) is zv.LessThanOp and type(c.left) is zv.AddOp and type(c.right) is zv.Placeholder
    assert c.left is not c.left and not hasattr(c, "terms")
    c.left.set_latex("L")
    assert c._repr_latex_() == r"$$\displaystyle x + 1 < y$$"
    for attribute in ("left", "right"):
        with pytest.raises(AttributeError):
            setattr(c, attribute, y)
    # literals and equal sides are compared as nodes, never folded to a bool
    for cond, cls in ((zv.NumberLit(1) == 2, zv.EqualOp), (zv.NumberLit(1) < 2, zv.LessThanOp),
                      (x == x, zv.EqualOp), (x != x, zv.NotEqualOp), (3 < x, zv.GreaterThanOp)):
        assert type(cond) is cls
    assert (3 < x).left.name == "x" and (3 < x).right.value == 3
    assert (x == 1.0).right.dtype == zv.DataType.FLOAT and (x == 1).right.dtype == zv.DataType.INTEGER
    # operands are copied in: a later set_latex on an operand does not reach the condition
    s = x + 1
    cond = s == y
    s.set_latex("S")
    assert cond._repr_latex_() == r"$$\displaystyle x + 1 = y$$"
    assert (s == y)._repr_latex_() == r"$$\displaystyle S = y$$" and str(s == y) == "x + 1 == y"


def test_comparisons_of_decision_variables():
    bounds = {"lower_bound": 0, "upper_bound": 5}
    for var in (zv.BinaryVar("b"), zv.IntegerVar("n", **bounds), zv.ContinuousVar("c", **bounds),
                zv.SemiIntegerVar("s", **bounds), zv.SemiContinuousVar("t", **bounds)):
        for op, cls, mirror in ((operator.lt, zv.LessThanOp, zv.GreaterThanOp), (operator.le, zv.LessThanEqualOp,
                                 zv.GreaterThanEqualOp), (operator.eq, zv.EqualOp, zv.EqualOp),
                                (operator.ne, zv.NotEqualOp, zv.NotEqualOp)):
            forward, reflected = op(var, 1), op(1.0, var)
            assert (type(forward), type(reflected)) == (cls, mirror)
            assert str(forward.left) == str(reflected.left) == var.name and reflected.right.value == 1


@pytest.mark.parametrize("cond", conditions(), ids=lambda c: type(c).__name__)
def test_condition_has_no_truth_value_and_compares_by_identity(cond):
    for use in (bool, operator.not_, lambda c: 1 if c else 0, lambda c: c and True):
        with pytest.raises(TypeError) as info:
            use(cond)
        assert str(info.value) == TRUTH
    assert (cond == cond) is True and (cond != cond) is False and (cond == 5) is False
    assert hash(cond) == hash(cond) and {cond: 1}[cond] == 1
    for op in (operator.lt, operator.ge):
        with pytest.raises(TypeError, match="not supported between instances of"):
            op(cond, conditions()[0])
    for expr in (x, x + 1, zv.abs(x)):
        for op in (operator.eq, operator.ne):
            for left, right in ((cond, expr), (expr, cond)):
                with pytest.raises(TypeError) as info:
                    op(left, right)
                assert str(info.value) == NOT_EXPR


def test_chained_comparison_is_refused_and_equal_conditions_are_distinct():
    with pytest.raises(TypeError) as info:
        0 <= x <= 10
    assert str(info.value) == TRUTH
    both = (0 <= x) & (x <= 10)
    assert type(both) is zv.AndOp and str(both) == "x >= 0 and x <= 10"
    assert ((x == 1) == (x == 1)) is False and len({x == 1, x == 1}) == 2


@pytest.mark.parametrize("op, cls, word", LOGICAL, ids=[row[1].__name__ for row in LOGICAL])
def test_logical_combination(op, cls, word):
    for left in conditions():
        for right in conditions():
            node = op(left, right)
            assert type(node) is cls
            assert [(type(t), repr(t)) for t in node.terms] == [(type(left), repr(left)), (type(right), repr(right))]
    c1, c2, c3 = x == 1, y == 2, z == 3
    assert [str(t) for t in op(c2, c1).terms] == ["y == 2", "x == 1"]
    # never flattened: every node has two terms; a chain of one kind prints without parentheses
    left, right = op(op(c1, c2), c3), op(c1, op(c2, c3))
    assert [type(t) for t in left.terms] == [cls, zv.EqualOp] and [type(t) for t in right.terms] == [zv.EqualOp, cls]
    assert str(left) == str(right) == word.join(["x == 1", "y == 2", "z == 3"])
    assert [type(t) for t in op(op(c1, c2), op(c2, c3)).terms] == [cls, cls]
    for bad in (5, True, None, "a", 1.5, x, x + 1, zv.NumberLit(1)):
        for a, b in ((c1, bad), (bad, c1)):
            with pytest.raises(TypeError) as info:
                op(a, b)
            assert str(info.value) == NOT_COND
    in_place = getattr(operator, "i" + op.__name__.rstrip("_"))  # `c1 &= c2` rebinds, c1 unchanged
    assert type(in_place(c1, c2)) is cls and type(c1) is zv.EqualOp


def test_logical_precedence_and_mixed_nesting():
    a, b, c, d = x == 1, y == 2, z == 3, x == 4
    assert [type(t) for t in (a & b | c ^ d).terms] == [zv.AndOp, zv.XorOp]
    assert [type(t) for t in (a | b & c).terms] == [zv.EqualOp, zv.AndOp]
    assert [str(t) for t in (c & c).terms] == ["z == 3", "z == 3"]
    # mixed kinds are parenthesised, so two groupings never print alike
    assert str((a ^ b) | c) == "(x == 1 xor y == 2) or z == 3"
    assert str(a & (b ^ c)) == "x == 1 and (y == 2 xor z == 3)"
    assert str(((a | b) & c) ^ a) == "((x == 1 or y == 2) and z == 3) xor x == 1"


def test_logical_terms_are_copies_with_their_own_latex():
    c, d = x == 1, y == 2
    node = c & d
    assert node.terms is not node.terms and node.terms[0] is not node.terms[0] and not hasattr(node, "left")
    node.terms[0].set_latex("F")
    node.terms.append(c)
    assert len(node.terms) == 2 and node._repr_latex_() == r"$$\displaystyle x = 1 \land y = 2$$"
    with pytest.raises(AttributeError):
        node.terms = []
    c.set_latex("C")
    node = c & d
    c.set_latex("U")
    assert node.terms[0]._repr_latex_() == r"$$\displaystyle C$$"
    inner = c | d
    inner.set_latex("I")
    outer = inner & d
    assert outer.terms[0]._repr_latex_() == r"$$\displaystyle I$$"
    # the printer writes a logical node from its parts: own strings of its terms are not used
    assert outer._repr_latex_() == r"$$\displaystyle \left(x = 1 \lor y = 2\right) \land y = 2$$"


@pytest.mark.parametrize("scalar", ["float64", "float32", "int64", "int8", "uint16"])
@pytest.mark.parametrize("op, reflected", [
    (operator.le, "__ge__"), (operator.lt, "__gt__"), (operator.ge, "__le__"), (operator.gt, "__lt__"),
    (operator.eq, "__eq__"), (operator.ne, "__ne__"), (operator.add, "__radd__"), (operator.mul, "__rmul__"),
])
def test_a_numpy_scalar_on_the_left_builds_what_the_reflected_operator_builds(scalar, op, reflected):
    # numpy 1.x turns the right side into an object array unless it defers, then asks the condition for a truth value
    np = pytest.importorskip("numpy")
    v = zv.BinaryVar("v")
    for right in (v, v + x, x):
        number = getattr(np, scalar)(3)
        built, expected = op(number, right), getattr(right, reflected)(number)
        assert type(built) is type(expected) and repr(built) == repr(expected)
    assert [type(e).__name__ for e in np.array([1.0, 2.0]) + v] == ["AddOp", "AddOp"]  # arrays: element by element
