"""Members that every expression operator class shares: set_latex, _repr_latex_, constructors,
hashing, truth values, read-only attributes and arithmetic in both operand orders."""

import operator

import pytest

import zorvane as zv

a = zv.Placeholder("a")
b = zv.Placeholder("b")
v = zv.Placeholder("v", ndim=1)
i = zv.Element("i", belong_to=(0, 10))

# class, a builder of one object, its attributes
OPERATORS = [
    (zv.AbsOp, lambda: zv.abs(a), ["operand"]),
    (zv.CeilOp, lambda: zv.ceil(a), ["operand"]),
    (zv.FloorOp, lambda: zv.floor(a), ["operand"]),
    (zv.LnOp, lambda: zv.ln(a), ["operand"]),
    (zv.Log2Op, lambda: zv.log2(a), ["operand"]),
    (zv.Log10Op, lambda: zv.log10(a), ["operand"]),
    (zv.PowOp, lambda: a**2, ["base", "exponent"]),
    (zv.ModOp, lambda: a % 3, ["left", "right"]),
    (zv.AddOp, lambda: a + b, ["terms"]),
    (zv.MulOp, lambda: a * b, ["terms"]),
    (zv.MinOp, lambda: zv.min(a, b), ["terms"]),
    (zv.MaxOp, lambda: zv.max(a, b), ["terms"]),
    (zv.SumOp, lambda: zv.sum(i, v[i]), ["index", "condition", "operand"]),
    (zv.ProdOp, lambda: zv.prod((i, i != 2), v[i]), ["index", "condition", "operand"]),
]
IDS = [row[0].__name__ for row in OPERATORS]


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_builder_gives_its_class(cls, make, attributes):
    assert type(make()) is cls


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_no_constructor(cls, make, attributes):
    for args in ((), (a,), (a, b)):
        with pytest.raises(TypeError) as info:
            cls(*args)
        assert str(info.value) == "No constructor defined"


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_set_latex(cls, make, attributes):
    node = make()
    generated = node._repr_latex_()
    text, rep = str(node), repr(node)
    assert generated.startswith("$$\\displaystyle ") and generated.endswith("$$")
    assert node.set_latex("T") is None
    assert node._repr_latex_() == r"$$\displaystyle T$$"
    assert str(node) == text
    assert repr(node) == rep
    node.set_latex()
    assert node._repr_latex_() == generated
    node.set_latex(latex="K")
    assert node._repr_latex_() == r"$$\displaystyle K$$"
    node.set_latex(None)
    assert node._repr_latex_() == generated
    node.set_latex("")
    assert node._repr_latex_() == r"$$\displaystyle $$"


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_set_latex_errors(cls, make, attributes):
    node = make()
    node.set_latex("A")
    for bad, type_name in ((1, "int"), (1.5, "float"), (b"x", "bytes"), (["x"], "list")):
        with pytest.raises(TypeError) as info:
            node.set_latex(bad)
        assert str(info.value) == f"argument 'latex': '{type_name}' object cannot be converted to 'PyString'"
        assert node._repr_latex_() == r"$$\displaystyle A$$"
    name = cls.__name__
    with pytest.raises(TypeError) as info:
        node.set_latex("a", "b")
    assert str(info.value) == f"{name}.set_latex() takes from 0 to 1 positional arguments but 2 were given"
    with pytest.raises(TypeError) as info:
        node.set_latex(tex="a")
    assert str(info.value) == f"{name}.set_latex() got an unexpected keyword argument 'tex'"
    with pytest.raises(TypeError) as info:
        node.set_latex("a", latex="b")
    assert str(info.value) == f"{name}.set_latex() got multiple values for argument 'latex'"
    assert node._repr_latex_() == r"$$\displaystyle A$$"


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_own_latex_is_used_inside_larger_expressions(cls, make, attributes):
    node = make()
    node.set_latex("N")
    assert (node + b)._repr_latex_() == r"$$\displaystyle N + b$$"
    assert (node <= b)._repr_latex_() == r"$$\displaystyle N \leq b$$"
    assert zv.ln(node)._repr_latex_() == r"$$\displaystyle \ln N$$"
    # str and repr never use it
    assert "N" not in str(node + b)


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_latex_set_after_building_does_not_reach_earlier_results(cls, make, attributes):
    node = make()
    before = node + b
    node.set_latex("N")
    assert "N" not in before._repr_latex_()


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_method_signatures(cls, make, attributes):
    assert cls.set_latex.__text_signature__ == "($self, latex=None)"
    assert cls.set_latex.__doc__ == ("Set the LaTeX representation of the object.\n"
                                     "If the LaTeX representation is not set, the default representation is set.\n\n"
                                     "Args:\n    latex (str, optional): LaTeX representation of the object. "
                                     "Defaults to None.")
    assert cls._repr_latex_.__text_signature__ == "($self)"
    assert cls._repr_latex_.__doc__ is None


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_unhashable_and_always_true(cls, make, attributes):
    node = make()
    with pytest.raises(TypeError):
        hash(node)
    assert bool(node) is True


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_attributes_are_read_only_copies(cls, make, attributes):
    node = make()
    for name in attributes:
        first = getattr(node, name)
        if first is not None:  # an absent condition is None
            assert first is not getattr(node, name)
        with pytest.raises(AttributeError):
            setattr(node, name, a)
        with pytest.raises(AttributeError):
            delattr(node, name)
    assert str(node) == str(make())


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_unsupported_python_operations(cls, make, attributes):
    node = make()
    for op in (operator.floordiv, operator.lshift, operator.and_, operator.or_, operator.xor,
               operator.matmul):
        with pytest.raises(TypeError):
            op(node, 2)
        with pytest.raises(TypeError):
            op(2, node)
    with pytest.raises(TypeError):
        +node
    with pytest.raises(TypeError):
        abs(node)
    with pytest.raises(TypeError):
        int(node)
    with pytest.raises(TypeError):
        float(node)
    with pytest.raises(TypeError):
        iter(node)
    with pytest.raises(TypeError):
        node[0]


ARITHMETIC = [
    (operator.add, "+"),
    (operator.sub, "-"),
    (operator.mul, "*"),
    (operator.truediv, "/"),
    (operator.mod, "%"),
    (operator.pow, "**"),
]


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
@pytest.mark.parametrize("op, symbol", ARITHMETIC, ids=[row[1] for row in ARITHMETIC])
def test_arithmetic_both_orders(cls, make, attributes, op, symbol):
    node = make()
    for other in (3, 2.5, zv.NumberLit(3), b, zv.abs(b)):
        forward = op(node, other)
        reflected = op(other, node)
        # each order builds through the same builder with the operands in Python's order
        assert isinstance(forward, (zv.AddOp, zv.MulOp, zv.PowOp, zv.ModOp))
        assert isinstance(reflected, (zv.AddOp, zv.MulOp, zv.PowOp, zv.ModOp))
    assert str(node) == str(make())


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_reflected_operands_keep_python_order(cls, make, attributes):
    node = make()
    assert type(2**node) is zv.PowOp
    assert type((2**node).base) is zv.NumberLit
    assert type((2**node).exponent) is cls
    assert type((5 % node).left) is zv.NumberLit
    assert type((5 % node).right) is cls
    diff = 3 - node
    assert type(diff) is zv.AddOp
    assert type(diff.terms[-1]) is zv.NumberLit and diff.terms[-1].value == 3


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
@pytest.mark.parametrize("op, symbol", ARITHMETIC, ids=[row[1] for row in ARITHMETIC])
@pytest.mark.parametrize("bad", [None, "a", (2, 3), [1], zv.Placeholder("q", ndim=2), a == 1],
                         ids=["None", "str", "tuple", "list", "array placeholder", "condition"])
def test_arithmetic_refuses_non_expressions(cls, make, attributes, op, symbol, bad):
    node = make()
    with pytest.raises(TypeError) as info:
        op(node, bad)
    assert str(info.value) == "failed to convert into expression."
    if isinstance(bad, zv.Placeholder):
        # on the left, the placeholder's own slot runs and refuses to be used as a scalar
        with pytest.raises(zv.ModelingError) as info:
            op(bad, node)
        assert str(info.value) == ("the dimensionality of the Placeholder { name: q } must be zero, "
                                   "but is actually 2")
    elif not (isinstance(bad, str) and op is operator.mod):  # `"a" % x` is string formatting
        with pytest.raises(TypeError) as info:
            op(bad, node)
        assert str(info.value) == "failed to convert into expression."


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_negation_and_pow_with_modulo(cls, make, attributes):
    node = make()
    neg = -node
    assert type(neg) is zv.MulOp
    assert neg.terms[0].value == -1
    assert str(pow(node, 2, None)) == str(node**2)
    mod = pow(node, 2, 5)
    assert type(mod) is zv.ModOp
    assert type(mod.left) is zv.PowOp
    with pytest.raises(ZeroDivisionError) as info:
        pow(node, 2, 0)
    assert str(info.value) == "modulo by zero"
    with pytest.raises(TypeError):
        pow(2, 3, node)
    with pytest.raises(ZeroDivisionError) as info:
        node / 0
    assert str(info.value) == "division by zero"


@pytest.mark.parametrize("cls, make, attributes", OPERATORS, ids=IDS)
def test_in_place_operators_rebind(cls, make, attributes):
    node = make()
    alias = node
    node += 1
    assert node is not alias
    assert type(alias) is cls
    assert str(alias) == str(make())
