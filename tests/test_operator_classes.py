"""The operator classes: type objects and documentation, the shared number and comparison slots
(forward and reflected), NotImplemented and the exact TypeErrors, `set_latex` and getters."""

import math
import operator
import weakref

import pytest

import arith_model as model
import zorvane as zv

N = zv.NumberLit
x, y = zv.Placeholder("x"), zv.Placeholder("y")
A = zv.Placeholder("A", ndim=1)

NOT_AN_EXPRESSION = r"^failed to convert into expression\.$"
A_NOT_SCALAR = r"^the dimensionality of the Placeholder \{ name: A \} must be zero, but is actually 1$"

# ---------------------------------------------------------------------------------------------
# Type objects of the 23 classes
# ---------------------------------------------------------------------------------------------

EXPRESSION_CLASSES = ["AbsOp", "CeilOp", "FloorOp", "LnOp", "Log2Op", "Log10Op", "PowOp", "ModOp",
                      "AddOp", "MulOp", "MinOp", "MaxOp", "SumOp", "ProdOp"]
CONDITION_CLASSES = ["EqualOp", "NotEqualOp", "LessThanOp", "LessThanEqualOp", "GreaterThanOp",
                     "GreaterThanEqualOp", "AndOp", "OrOp", "XorOp"]
ALL_CLASSES = EXPRESSION_CLASSES + CONDITION_CLASSES

_UNARY_DIMS = "The number of dimensions of the operand is zero."
_EACH_DIMS = "The number of dimensions of each operand is zero."
_REDUCTION_DIMS = "The number of dimensions of the opreand is zero."  # sic

# class: (summary, description lines, attribute lines, extra note lines)
DOCS = {
    "AbsOp": ("A class for representing the absolute value",
              ["The AbsOp class is used to represent the absolute value.", _UNARY_DIMS],
              ["operand: The operand."], None),
    "CeilOp": ("A class for representing the ceil operator",
               ["The CeilOp class is used to represent the ceil operator.", _UNARY_DIMS],
               ["operand: The operand."], None),
    "FloorOp": ("A class for representing the floor operator",
                ["The FloorOp class is used to represent the floor operator.", _UNARY_DIMS],
                ["operand: The operand."], None),
    "LnOp": ("A class for representing the natural logarithm",
             ["The LnOp class is used to represent the natural logarithm.", _UNARY_DIMS],
             ["operand: The operand."], None),
    "Log10Op": ("A class for representing the base 10 logarithm",
                ["The Log10Op class is used to represent the base 10 logarithm.", _UNARY_DIMS],
                ["operand: The operand."], None),
    "Log2Op": ("A class for representing the base 2 logarithm",
               ["The Log2Op class is used to represent the base 2 logarithm.", _UNARY_DIMS],
               ["operand: The operand."], None),
    "PowOp": ("A class for representing the power operator",
              ["The PowOp class is used to represent the power operator(`**`).", _EACH_DIMS],
              ["base: The base operand.", "exponent: The exponent operand."], None),
    "ModOp": ("A class for representing modulo",
              ["The ModOp class is used to represent modulo (or remainder) (`%`).", _EACH_DIMS],
              ["left: The left-hand operand.", "right: The right-hand operand."], None),
    "AddOp": ("A class for representing addition",
              ["The AddOp class is used to represent addition (`+`) of an arbitrary number of operands.",
               "For example `a + b + c + d` would be one AddOp object.", _EACH_DIMS],
              ["terms: A sequence of operands to be added."],
              ["instantiation method is by calling the addition operation on other", "expressions."]),
    "MulOp": ("A class for representing multiplication",
              ["The MulOp class is used to represent multiplication (`*`) of an arbitrary number of operands.",
               "For example `a * b * c * d` would be one MulOp object.", _EACH_DIMS],
              ["terms: A sequence of operands to be multiplied."],
              ["instantiation method is by calling the multiplication operation on other", "expressions."]),
    "MinOp": ("A class for representing the minimum value.",
              ["The MinOp class is used to represent the minimum value of operands.", _EACH_DIMS],
              ["terms: A sequence of operands."],
              ["instantiation method is by calling the `min` function."]),
    "MaxOp": ("A class for representing the maximum value.",
              ["The MaxOp class is used to represent the maximum value of operands.", _EACH_DIMS],
              ["terms: A sequence of operands."],
              ["instantiation method is by calling the `max` function."]),
    "SumOp": ("A class for representing summation",
              ["The SumOp class is used to represent summation.", _REDUCTION_DIMS],
              ["index: The index of summation.", "condition: The condition for the summation index.",
               "operand: The opreand."], None),
    "ProdOp": ("A class for representing product",
               ["The ProdOp class is used to represent product.", _REDUCTION_DIMS],
               ["index: The index of product.", "condition: The condition for the product index.",
                "operand: The opreand."], None),
    "EqualOp": ("A class for representing the equal operator",
                ["The EqualOp class is used to represent the equal operator (`==`).", _EACH_DIMS],
                ["left: The left-hand operand.", "right: The right-hand operand."], None),
    "NotEqualOp": ("A class for representing the not equal operator",
                   ["The NotEqualOp class is used to represent the not equal operator (`!=`).", _EACH_DIMS],
                   ["left: The left-hand operand.", "right: The right-hand operand."], None),
    "LessThanOp": ("A class for representing the less than operator",
                   ["The LessThanOp class is used to represent the less than operator (`<`).", _EACH_DIMS],
                   ["left: The left-hand operand.", "right: The right-hand operand."], None),
    "LessThanEqualOp": ("A class for representing the less than equal operator",
                        ["The LessThanEqualOp class is used to represent the less than equal operator (`<=`).",
                         _EACH_DIMS],
                        ["left: The left-hand operand.", "right: The right-hand operand."], None),
    "GreaterThanOp": ("A class for representing the greater than operator",
                      ["The GreaterThanOp class is used to represent the greater than operator (`>`).",
                       _EACH_DIMS],
                      ["left: The left-hand operand.", "right: The right-hand operand."], None),
    "GreaterThanEqualOp": ("A class for representing the greater than equal operator",
                           ["The GreaterThanEqualOp class is used to represent the greater than equal "
                            "operator (`>=`).", _EACH_DIMS],
                           ["left: The left-hand operand.", "right: The right-hand operand."], None),
    "AndOp": ("A class for representing logical AND",
              ["The AndOp class is used to represent logical AND (`&`) of an arbitrary number of operands.",
               _EACH_DIMS],
              ["terms: A sequence of operands to apply the AND operation."], None),
    "OrOp": ("A class for representing logical OR",
             ["The OrOp class is used to represent logical OR (`|`) of an arbitrary number of operands.",
              _EACH_DIMS],
             ["terms: A sequence of operands to apply the OR operation."], None),
    "XorOp": ("A class for representing logical XOR",
              ["The XorOp class is used to represent logical XOR (`^`) of an arbitrary number of operands.",
               _EACH_DIMS],
              ["terms: A sequence of operands to apply the XOR operation."], None),
}


def expected_doc(name):
    summary, description, attributes, note_more = DOCS[name]
    note = [f"    The {name} class does not have a constructor."]
    if note_more:
        note[0] += " Its intended"
        note += ["    " + line for line in note_more]
    return "\n\n".join([
        summary,
        "\n".join(description),
        "\n".join(["Attributes:"] + ["    " + a for a in attributes]),
        "\n".join(["Note:"] + note),
    ])


@pytest.mark.parametrize("name", ALL_CLASSES)
def test_class_doc(name):
    cls = getattr(zv, name)
    assert cls.__doc__ == expected_doc(name)
    assert not cls.__doc__.endswith("\n")
    assert cls.__text_signature__ is None


def test_doc_spot_checks():
    assert zv.MaxOp.__doc__.startswith("A class for representing the maximum value.\n\n")
    assert "represent the maximum value of operands" in zv.MaxOp.__doc__.split("\n\n")[1]
    assert "For example `a * b * c * d` would be one MulOp object." in zv.MulOp.__doc__
    assert "The PowOp class is used to represent the power operator(`**`)." in zv.PowOp.__doc__
    assert "operand: The opreand." in zv.SumOp.__doc__


@pytest.mark.parametrize("name", ALL_CLASSES)
def test_class_identity(name):
    cls = getattr(zv, name)
    assert name in zv.__all__
    assert cls.__module__ == "zorvane"
    assert cls.__name__ == name
    assert cls.__qualname__ == name
    assert cls.__bases__ == (object,)
    assert isinstance(cls, type)


def test_registration_order():
    order = ["AbsOp", "CeilOp", "FloorOp", "Log2Op", "Log10Op", "LnOp", "AddOp", "MulOp", "ModOp",
             "MinOp", "MaxOp", "PowOp", "SumOp", "ProdOp", "AndOp", "OrOp", "XorOp", "EqualOp",
             "NotEqualOp", "LessThanOp", "LessThanEqualOp", "GreaterThanOp", "GreaterThanEqualOp"]
    positions = [zv.__all__.index(name) for name in order]
    assert positions == sorted(positions)


@pytest.mark.parametrize("name", ALL_CLASSES)
@pytest.mark.parametrize("call", [lambda c: c(), lambda c: c(1, 2), lambda c: c(left=1),
                                  lambda c: c.__new__(c), lambda c: c.__new__(c, x)])
def test_no_constructor(name, call):
    with pytest.raises(TypeError, match="^No constructor defined$"):
        call(getattr(zv, name))


@pytest.mark.parametrize("name", ALL_CLASSES)
def test_cannot_be_subclassed(name):
    with pytest.raises(TypeError):
        type("Sub", (getattr(zv, name),), {})


@pytest.mark.parametrize("name", EXPRESSION_CLASSES)
def test_expression_classes_are_unhashable(name):
    assert getattr(zv, name).__hash__ is None


# One instance of every class that arithmetic alone can build.
SAMPLES = {
    "AddOp": lambda: x + 1,
    "MulOp": lambda: 2 * x,
    "PowOp": lambda: x**2,
    "ModOp": lambda: x % 3,
    "EqualOp": lambda: x == 1,
    "NotEqualOp": lambda: x != 1,
    "LessThanOp": lambda: x < 1,
    "LessThanEqualOp": lambda: x <= 1,
    "GreaterThanOp": lambda: x > 1,
    "GreaterThanEqualOp": lambda: x >= 1,
    "AndOp": lambda: (x == 1) & (y == 2),
    "OrOp": lambda: (x == 1) | (y == 2),
    "XorOp": lambda: (x == 1) ^ (y == 2),
}
EXPRESSION_SAMPLES = ["AddOp", "MulOp", "PowOp", "ModOp"]


@pytest.mark.parametrize("name", list(SAMPLES))
def test_sample_has_its_class(name):
    obj = SAMPLES[name]()
    assert type(obj) is getattr(zv, name)


@pytest.mark.parametrize("name", list(SAMPLES))
def test_instances_have_no_dict_and_no_weakref(name):
    obj = SAMPLES[name]()
    assert not hasattr(obj, "__dict__")
    with pytest.raises(AttributeError):
        obj.new_attribute = 1
    with pytest.raises(TypeError):
        weakref.ref(obj)
    with pytest.raises(AttributeError):
        obj.latex  # noqa: B018


@pytest.mark.parametrize("name", EXPRESSION_SAMPLES)
def test_expression_instances_are_unhashable_and_true(name):
    obj = SAMPLES[name]()
    with pytest.raises(TypeError):
        hash(obj)
    with pytest.raises(TypeError):
        {obj}  # noqa: B018
    assert bool(obj) is True


def test_condition_instances_hash_by_identity():
    c1, c2 = x == 1, x == 1
    assert hash(c1) == hash(c1)
    assert len({c1, c2}) == 2


# ---------------------------------------------------------------------------------------------
# Number slots: forward and reflected, against the model of the builders
# ---------------------------------------------------------------------------------------------

# Self objects of every class that has these slots and can be built now.
SELVES = {
    "NumberLit": lambda: N(3),
    "NumberLitFloat": lambda: N(2.5),
    "NumberLitZero": lambda: N(0),
    "Placeholder": lambda: x,
    "AddOp": lambda: x + y + 1,
    "MulOp": lambda: 2 * x * y,
    "PowOp": lambda: x**2,
    "ModOp": lambda: x % 3,
}
# Other operands, as Python objects.
OTHERS = {
    "int": lambda: 3,
    "zero": lambda: 0,
    "one": lambda: 1,
    "float": lambda: 2.5,
    "bool": lambda: True,
    "big": lambda: 2**63,
    "NumberLit": lambda: N(-4),
    "Placeholder": lambda: y,
    "AddOp": lambda: y + 5,
    "MulOp": lambda: 3 * y,
    "PowOp": lambda: x**3,
    "ModOp": lambda: y % 2,
}
OPERATORS = {
    "+": operator.add,
    "-": operator.sub,
    "*": operator.mul,
    "/": operator.truediv,
    "%": operator.mod,
    "**": operator.pow,
}


def as_tree(obj):
    if isinstance(obj, (bool, int, float)):
        return model.literal_of(obj)
    return model.tree(obj)


def expect(op, left, right):
    try:
        return model.BUILDERS[op](as_tree(left), as_tree(right))
    except model.ModelError as error:
        return error


def check_result(op, left, right):
    expected = expect(op, left, right)
    if isinstance(expected, model.ModelError):
        with pytest.raises(expected.kind, match=f"^{expected.message}$"):
            OPERATORS[op](left, right)
        return
    got = OPERATORS[op](left, right)
    assert model.same(model.tree(got), expected), (model.tree(got), expected)


@pytest.mark.parametrize("op", list(OPERATORS))
@pytest.mark.parametrize("other", list(OTHERS))
@pytest.mark.parametrize("self_name", list(SELVES))
def test_forward_slot(self_name, other, op):
    check_result(op, SELVES[self_name](), OTHERS[other]())


@pytest.mark.parametrize("op", list(OPERATORS))
@pytest.mark.parametrize("other", list(OTHERS))
@pytest.mark.parametrize("self_name", list(SELVES))
def test_reflected_slot(self_name, other, op):
    check_result(op, OTHERS[other](), SELVES[self_name]())


@pytest.mark.parametrize("op", list(OPERATORS))
@pytest.mark.parametrize("self_name", list(SELVES))
def test_dunder_methods_keep_python_order(self_name, op):
    obj = SELVES[self_name]()
    name = {"+": "add", "-": "sub", "*": "mul", "/": "truediv", "%": "mod", "**": "pow"}[op]
    for method, expected in ((f"__{name}__", expect(op, obj, 7)), (f"__r{name}__", expect(op, 7, obj))):
        if isinstance(expected, model.ModelError):
            with pytest.raises(expected.kind, match=f"^{expected.message}$"):
                getattr(obj, method)(7)
        else:
            assert model.same(model.tree(getattr(obj, method)(7)), expected)


def test_reflected_subtraction_and_division_keep_order():
    f = x**2
    assert model.tree(3 - f) == ("+", ("*", -1, ("**", "x", 2)), 3)
    assert model.tree(2 / f) == ("*", 2, ("**", ("**", "x", 2), -1))
    assert model.tree(5 % f) == ("%", 5, ("**", "x", 2))
    assert model.tree(2**f) == ("**", 2, ("**", "x", 2))
    m = 2 * x
    assert model.tree(5 % m) == ("%", 5, ("*", 2, "x"))
    assert model.tree(m % 5) == ("%", ("*", 2, "x"), 5)


@pytest.mark.parametrize("self_name", list(SELVES))
def test_negation(self_name):
    obj = SELVES[self_name]()
    got = -obj
    assert model.same(model.tree(got), model.neg(model.tree(obj)))


@pytest.mark.parametrize("self_name", list(SELVES))
def test_power_with_modulo_forward_and_reflected(self_name):
    obj = SELVES[self_name]()
    t = model.tree(obj)
    assert model.same(model.tree(pow(obj, 2, 5)), ("%", model.power(t, 2), 5))
    assert model.same(model.tree(pow(2, obj, 5)), ("%", model.power(2, t), 5))
    assert model.same(model.tree(pow(obj, y, y)), ("%", model.power(t, "y"), "y"))
    assert model.same(model.tree(pow(obj, 2, None)), model.power(t, 2))
    assert model.same(model.tree(obj.__pow__(2, 5)), ("%", model.power(t, 2), 5))
    assert model.same(model.tree(obj.__rpow__(2, 5)), ("%", model.power(2, t), 5))
    with pytest.raises(ZeroDivisionError, match="^modulo by zero$"):
        pow(obj, 2, 0)
    with pytest.raises(TypeError, match="unsupported operand"):
        pow(2, 3, obj)


def test_augmented_assignment_rebinds():
    s = x + 1
    other_name = s
    s += 2
    assert model.tree(s) == ("+", "x", 3)
    assert model.tree(other_name) == ("+", "x", 1)
    m = 2 * x
    keep = m
    m *= y
    assert model.tree(m) == ("*", 2, "x", "y")
    assert model.tree(keep) == ("*", 2, "x")
    p = x
    p -= 1
    assert model.tree(p) == ("+", "x", -1)
    assert model.tree(x) == "x"


# ---------------------------------------------------------------------------------------------
# Comparison slot
# ---------------------------------------------------------------------------------------------

COMPARISONS = [
    (operator.lt, "LessThanOp"), (operator.le, "LessThanEqualOp"), (operator.eq, "EqualOp"),
    (operator.ne, "NotEqualOp"), (operator.gt, "GreaterThanOp"), (operator.ge, "GreaterThanEqualOp"),
]
MIRROR = {"LessThanOp": "GreaterThanOp", "LessThanEqualOp": "GreaterThanEqualOp", "EqualOp": "EqualOp",
          "NotEqualOp": "NotEqualOp", "GreaterThanOp": "LessThanOp", "GreaterThanEqualOp": "LessThanEqualOp"}


@pytest.mark.parametrize("compare, cls", COMPARISONS)
@pytest.mark.parametrize("self_name", list(SELVES))
def test_comparison_builds_a_node_with_self_on_the_left(self_name, compare, cls):
    obj = SELVES[self_name]()
    c = compare(obj, 1.5)
    assert type(c).__name__ == cls
    assert model.same(model.tree(c.left), model.tree(obj))
    assert model.same(model.tree(c.right), 1.5)
    # A number on the left: Python reflects the operator and calls the slot of the object.
    r = compare(1.5, obj)
    assert type(r).__name__ == MIRROR[cls]
    assert model.same(model.tree(r.left), model.tree(obj))
    assert model.same(model.tree(r.right), 1.5)


def test_comparison_between_objects_uses_the_left_slot():
    c = (x + 1) < y
    assert type(c) is zv.LessThanOp
    assert model.tree(c.left) == ("+", "x", 1)
    assert model.tree(c.right) == "y"
    c = x == x
    assert type(c) is zv.EqualOp
    c = N(1) == 1
    assert type(c) is zv.EqualOp
    assert model.same(model.tree(c.left), 1) and model.same(model.tree(c.right), 1)
    c = 3 < x
    assert type(c) is zv.GreaterThanOp
    assert model.tree(c.left) == "x" and model.tree(c.right) == 3


def test_comparison_never_folds_or_returns_a_bool():
    for c in (N(1) == N(1), N(1) != N(2), N(1) < N(2), x == x, x != x):
        assert not isinstance(c, bool)
    c = (x + 1) == (x + 1)
    assert model.tree(c.left) == ("+", "x", 1)


# ---------------------------------------------------------------------------------------------
# Conversion failures of the other operand, and the scalar check of self
# ---------------------------------------------------------------------------------------------

BAD_OTHERS = {
    "None": lambda: None,
    "str": lambda: "a",
    "list": lambda: [1],
    "tuple": lambda: (2, 3),
    "dict": lambda: {},
    "condition": lambda: y == 1,
    "logical": lambda: (y == 1) & (y == 2),
    "non-scalar placeholder": lambda: A,
    "huge int": lambda: 10**400,
    "DataType": lambda: zv.DataType.FLOAT,
    "complex": lambda: 1j,
    "object": lambda: object(),
}

BINARY = [operator.add, operator.sub, operator.mul, operator.truediv, operator.mod, operator.pow]


@pytest.mark.parametrize("bad", list(BAD_OTHERS))
@pytest.mark.parametrize("self_name", list(SELVES))
def test_unconvertible_other_operand_raises(self_name, bad):
    obj, other = SELVES[self_name](), BAD_OTHERS[bad]()
    for op in BINARY:
        with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
            op(obj, other)
    for compare, _ in COMPARISONS:
        with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
            compare(obj, other)
    if other is not None:  # a modulo of None counts as absent
        with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
            pow(obj, 2, other)


# (A non-scalar placeholder on the left runs its own slot first: see the scalar-check tests.)
@pytest.mark.parametrize("bad", ["None", "dict", "condition", "huge int", "object", "DataType"])
@pytest.mark.parametrize("self_name", list(SELVES))
def test_unconvertible_left_operand_raises_in_the_reflected_slot(self_name, bad):
    obj, other = SELVES[self_name](), BAD_OTHERS[bad]()
    for op in BINARY:
        with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
            op(other, obj)


def test_reflected_slot_with_sequences():
    # Python asks the left operand first; str, list and tuple do not handle model objects, so
    # the model object's reflected slot runs and refuses the sequence.
    for other in ("a", [1], (2, 3)):
        for op in (operator.add, operator.sub, operator.truediv, operator.pow):
            with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
                op(other, x)


def test_string_formatting_operator_is_not_ours():
    # "a" % x is str formatting: the str type answers first and, since model objects support
    # subscripting, treats x as a mapping of format arguments.
    assert "a" % x == "a"


def test_other_operand_with_its_own_reflected_method_is_not_asked():
    calls = []

    class Other:
        def __radd__(self, left):
            calls.append("radd")
            return "other"

    with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
        x + Other()
    with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
        (x + 1) + Other()
    assert calls == []


def test_left_operand_with_its_own_method_answers_first():
    class Other:
        def __add__(self, right):
            return "mine"

    assert Other() + x == "mine"


@pytest.mark.parametrize("op", BINARY)
def test_non_scalar_placeholder_as_self(op):
    with pytest.raises(zv.ModelingError, match=A_NOT_SCALAR):
        op(A, 1)
    with pytest.raises(zv.ModelingError, match=A_NOT_SCALAR):
        op(1, A)
    # the forward half checks self before the other operand
    with pytest.raises(zv.ModelingError, match=A_NOT_SCALAR):
        op(A, None)
    # the reflected half converts the other operand first
    with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
        op(None, A)
    # as the other operand of a scalar it is simply not an expression
    with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
        op(x, A)
    with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
        op(N(1), A)


def test_non_scalar_placeholder_as_self_in_other_slots():
    with pytest.raises(zv.ModelingError, match=A_NOT_SCALAR):
        -A
    with pytest.raises(zv.ModelingError, match=A_NOT_SCALAR):
        A == 1
    with pytest.raises(zv.ModelingError, match=A_NOT_SCALAR):
        1 < A
    with pytest.raises(zv.ModelingError, match=A_NOT_SCALAR):
        A == None  # noqa: E711
    with pytest.raises(zv.ModelingError, match=A_NOT_SCALAR):
        pow(A, 2, 3)
    with pytest.raises(zv.ModelingError, match=A_NOT_SCALAR):
        pow(2, A, 3)
    with pytest.raises(zv.ModelingError, match=A_NOT_SCALAR):
        A + A
    m = zv.Placeholder("m", ndim=3)
    with pytest.raises(zv.ModelingError, match=r"^the dimensionality of the Placeholder \{ name: m \} must be "
                                                r"zero, but is actually 3$"):
        m * 2


def test_power_errors_in_order():
    # exponent conversion first, then the modulo's
    with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
        pow(x, "a", "b")
    with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
        pow(x, 2, "b")
    with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
        pow(x, 2, A)
    with pytest.raises(zv.ModelingError, match=A_NOT_SCALAR):
        pow(A, "a", "b")
    with pytest.raises(TypeError, match=NOT_AN_EXPRESSION):
        pow("a", A, 3)


@pytest.mark.parametrize("self_name", list(SELVES))
def test_division_by_zero(self_name):
    obj = SELVES[self_name]()
    for zero in (0, 0.0, -0.0, N(0), N(-0.0)):
        with pytest.raises(ZeroDivisionError, match="^division by zero$"):
            obj / zero
        with pytest.raises(ZeroDivisionError, match="^modulo by zero$"):
            obj % zero


def test_zero_self_as_divisor():
    with pytest.raises(ZeroDivisionError, match="^division by zero$"):
        x / N(0)
    with pytest.raises(ZeroDivisionError, match="^division by zero$"):
        1 / N(0.0)
    with pytest.raises(ZeroDivisionError, match="^modulo by zero$"):
        5 % N(0)


def test_conversion_lets_base_exceptions_through():
    class Stop(BaseException):
        pass

    class IndexStops:
        def __index__(self):
            raise Stop

    class FloatStops:
        def __float__(self):
            raise Stop

    for bad in (IndexStops(), FloatStops()):
        with pytest.raises(Stop):
            x + bad
        with pytest.raises(Stop):
            bad * x


def test_conversion_discards_ordinary_exceptions():
    class IndexFails:
        def __index__(self):
            raise ValueError("no")

        def __float__(self):
            return 1.5

    assert model.same(model.tree(x + IndexFails()), ("+", "x", 1.5))

    class BothFail:
        def __index__(self):
            raise ValueError("no")

    with pytest.raises(TypeError, match=NOT_AN_EXPRESSION) as info:
        x + BothFail()
    assert info.value.__cause__ is None
    assert info.value.__context__ is None


# ---------------------------------------------------------------------------------------------
# Operations the classes do not define
# ---------------------------------------------------------------------------------------------

UNSUPPORTED = [
    lambda o: o // 2, lambda o: 2 // o, lambda o: divmod(o, 2), lambda o: +o, lambda o: abs(o),
    lambda o: ~o, lambda o: o @ o, lambda o: o << 1, lambda o: o >> 1, lambda o: int(o),
    lambda o: float(o), lambda o: len(o), lambda o: iter(o), lambda o: o[0], lambda o: o(),
    lambda o: round(o), lambda o: complex(o),
]


@pytest.mark.parametrize("unsupported", UNSUPPORTED)
@pytest.mark.parametrize("self_name", ["AddOp", "MulOp", "PowOp", "ModOp", "NumberLit"])
def test_unsupported_operations(self_name, unsupported):
    with pytest.raises(TypeError):
        unsupported(SELVES[self_name]())


@pytest.mark.parametrize("self_name", ["AddOp", "MulOp", "PowOp", "ModOp"])
def test_expression_classes_have_no_logical_operators(self_name):
    obj = SELVES[self_name]()
    for op in (operator.and_, operator.or_, operator.xor):
        with pytest.raises(TypeError, match="unsupported operand"):
            op(obj, obj)


# ---------------------------------------------------------------------------------------------
# set_latex and _repr_latex_
# ---------------------------------------------------------------------------------------------

LATEX_CLASSES = {
    "AddOp": (lambda: x + 1, "x + 1"),
    "MulOp": (lambda: 2 * x, "2 \\cdot x"),
    "PowOp": (lambda: x**2, "x^{2}"),
    "ModOp": (lambda: x % 3, "x \\bmod 3"),
    "Placeholder": (lambda: zv.Placeholder("x"), "x"),
    "EqualOp": (lambda: x == 1, "x = 1"),
    "AndOp": (lambda: (x == 1) & (y == 2), "x = 1 \\land y = 2"),
}
SET_LATEX_DOC = ("Set the LaTeX representation of the object.\nIf the LaTeX representation is not set, "
                 "the default representation is set.\n\nArgs:\n    latex (str, optional): LaTeX "
                 "representation of the object. Defaults to None.")


@pytest.mark.parametrize("name", list(LATEX_CLASSES))
def test_set_latex_cycle(name):
    make, generated = LATEX_CLASSES[name]
    obj = make()
    text, rep = str(obj), repr(obj)
    assert obj._repr_latex_() == f"$$\\displaystyle {generated}$$"
    assert obj.set_latex("a") is None
    assert obj._repr_latex_() == "$$\\displaystyle a$$"
    assert str(obj) == text
    if name != "Placeholder":
        assert repr(obj) == rep
    assert obj.set_latex() is None
    assert obj._repr_latex_() == f"$$\\displaystyle {generated}$$"
    obj.set_latex(latex="\\alpha")
    assert obj._repr_latex_() == "$$\\displaystyle \\alpha$$"
    obj.set_latex(None)
    assert obj._repr_latex_() == f"$$\\displaystyle {generated}$$"
    obj.set_latex("")
    assert obj._repr_latex_() == "$$\\displaystyle $$"
    obj.set_latex(latex=None)
    assert obj._repr_latex_() == f"$$\\displaystyle {generated}$$"


@pytest.mark.parametrize("name", list(LATEX_CLASSES))
def test_set_latex_argument_errors(name):
    make, _ = LATEX_CLASSES[name]
    obj = make()
    obj.set_latex("keep")
    for bad, type_name in ((1, "int"), (b"a", "bytes"), (["a"], "list"), (1.5, "float"),
                           (zv.NumberLit(1), "NumberLit")):
        with pytest.raises(TypeError) as info:
            obj.set_latex(bad)
        assert str(info.value) == f"argument 'latex': '{type_name}' object cannot be converted to 'PyString'"
        with pytest.raises(TypeError) as info:
            obj.set_latex(latex=bad)
        assert str(info.value) == f"argument 'latex': '{type_name}' object cannot be converted to 'PyString'"
    with pytest.raises(TypeError) as info:
        obj.set_latex("a", "b")
    assert str(info.value) == f"{name}.set_latex() takes from 0 to 1 positional arguments but 2 were given"
    with pytest.raises(TypeError) as info:
        obj.set_latex("a", "b", "c")
    assert str(info.value) == f"{name}.set_latex() takes from 0 to 1 positional arguments but 3 were given"
    with pytest.raises(TypeError) as info:
        obj.set_latex(text="a")
    assert str(info.value) == f"{name}.set_latex() got an unexpected keyword argument 'text'"
    with pytest.raises(TypeError) as info:
        obj.set_latex("a", latex="b")
    assert str(info.value) == f"{name}.set_latex() got multiple values for argument 'latex'"
    assert obj._repr_latex_() == "$$\\displaystyle keep$$"


@pytest.mark.parametrize("name", ["AddOp", "MulOp", "PowOp", "ModOp", "Placeholder", "EqualOp", "AndOp"])
def test_set_latex_method_documentation(name):
    cls = getattr(zv, name)
    assert cls.set_latex.__text_signature__ == "($self, latex=None)"
    assert cls.set_latex.__doc__ == SET_LATEX_DOC
    assert cls._repr_latex_.__text_signature__ == "($self)"
    assert cls._repr_latex_.__doc__ is None


def test_unbound_set_latex_with_a_foreign_self():
    with pytest.raises(TypeError):
        zv.AddOp.set_latex(5, "a")
    with pytest.raises(TypeError):
        zv.Placeholder.set_latex(x + 1, "a")


def test_set_latex_while_borrowed_for_an_operation():
    s = x + 1
    seen = []

    class Sneaky:
        def __index__(self):
            try:
                s.set_latex("changed")
            except RuntimeError as error:
                seen.append(str(error))
            return 2

    r = s + Sneaky()
    assert seen == ["Already borrowed"]
    assert model.tree(r) == ("+", "x", 3)
    assert s._repr_latex_() == "$$\\displaystyle x + 1$$"
    seen.clear()
    r = Sneaky() * s
    assert seen == ["Already borrowed"]
    seen.clear()
    r = s == Sneaky()
    assert seen == ["Already borrowed"]
    seen.clear()
    r = pow(s, 2, Sneaky())
    assert seen == ["Already borrowed"]
    # After the operation the borrow is released.
    s.set_latex("S")
    assert s._repr_latex_() == "$$\\displaystyle S$$"


def test_borrow_is_released_after_a_failed_operation():
    s = x + 1
    with pytest.raises(TypeError):
        s + None
    with pytest.raises(ZeroDivisionError):
        s / 0
    with pytest.raises(TypeError):
        s.set_latex(1)
    s.set_latex("S")
    assert s._repr_latex_() == "$$\\displaystyle S$$"


# ---------------------------------------------------------------------------------------------
# Getters
# ---------------------------------------------------------------------------------------------


def test_terms_getter_gives_fresh_objects():
    s = x + y + 1
    assert s.terms is not s.terms
    assert s.terms[0] is not s.terms[0]
    t = s.terms
    t.append(zv.Placeholder("z"))
    t[0].set_latex("Q")
    assert len(s.terms) == 3
    assert s._repr_latex_() == "$$\\displaystyle x + y + 1$$"
    assert [type(u) for u in s.terms] == [zv.Placeholder, zv.Placeholder, zv.NumberLit]
    m = 2 * x
    assert [type(u) for u in m.terms] == [zv.NumberLit, zv.Placeholder]


def test_power_and_remainder_getters():
    p = x**2
    assert type(p.base) is zv.Placeholder and p.base.name == "x"
    assert type(p.exponent) is zv.NumberLit and p.exponent.value == 2
    assert type((x**2.5).exponent.value) is float
    assert p.base is not p.base
    e = x**y
    b = e.base
    b.set_latex("B")
    assert e._repr_latex_() == "$$\\displaystyle x^{y}$$"
    r = x % 3
    assert type(r.left) is zv.Placeholder and type(r.right) is zv.NumberLit and r.right.value == 3
    r = 3 % x
    assert type(r.left) is zv.NumberLit and type(r.right) is zv.Placeholder
    r = 2**x
    assert type(r.base) is zv.NumberLit and r.base.value == 2 and type(r.exponent) is zv.Placeholder
    r = pow(x, 2, 5)
    assert type(r.left) is zv.PowOp and type(r.right) is zv.NumberLit
    assert type(((x**2) ** 3).base) is zv.PowOp
    d = x / y
    assert type(d) is zv.MulOp and type(d.terms[1]) is zv.PowOp and d.terms[1].exponent.value == -1


@pytest.mark.parametrize("make, attribute", [(lambda: x + 1, "terms"), (lambda: x**2, "base"),
                                             (lambda: x**2, "exponent"), (lambda: x % 2, "left"),
                                             (lambda: x % 2, "right")])
def test_getters_are_read_only(make, attribute):
    obj = make()
    before = repr(obj)
    with pytest.raises(AttributeError):
        setattr(obj, attribute, y)
    with pytest.raises(AttributeError):
        delattr(obj, attribute)
    assert repr(obj) == before


def test_getters_keep_the_own_latex_of_a_term():
    s = x + y
    s.set_latex("S")
    e = s * 2
    assert e.terms[1]._repr_latex_() == "$$\\displaystyle S$$"
    p = s**2
    assert p.base._repr_latex_() == "$$\\displaystyle S$$"
    assert p._repr_latex_() == "$$\\displaystyle S^{2}$$"


def test_number_literal_terms_keep_their_kind():
    s = x + 1.0
    assert type(s.terms[1].value) is float
    assert s.terms[1].dtype == zv.DataType.FLOAT
    m = 2 * x
    assert m.terms[0].dtype == zv.DataType.INTEGER


def test_nan_and_infinity_as_operands():
    s = x + math.inf
    assert s.terms[1].value == math.inf
    s = x * -math.inf
    assert s.terms[0].value == -math.inf
