"""The operator and condition classes: type objects and documentation, the shared number and
comparison slots (one template per slot, instantiated per class: every class is checked once, one
object per family against the model), refusals, set_latex and getters."""

import ctypes
import math
import operator
import weakref

import pytest

import arith_model as model
import zorvane as zv

N = zv.NumberLit
x, y = zv.Placeholder("x"), zv.Placeholder("y")
A = zv.Placeholder("A", ndim=1)
v = zv.Placeholder("v", ndim=1)
i = zv.Element("i", belong_to=(0, 10))
NOT_EXPR = "failed to convert into expression."
A_NOT_SCALAR = "the dimensionality of the Placeholder { name: A } must be zero, but is actually 1"
BINARY = [operator.add, operator.sub, operator.mul, operator.truediv, operator.mod, operator.pow]
COMPARE = [operator.lt, operator.le, operator.eq, operator.ne, operator.gt, operator.ge]

# One object of every class that has the expression slots; the attributes its getters give.
EXPRESSIONS = {
    "AbsOp": (lambda: zv.abs(x), ["operand"]), "CeilOp": (lambda: zv.ceil(x), ["operand"]),
    "FloorOp": (lambda: zv.floor(x), ["operand"]), "LnOp": (lambda: zv.ln(x), ["operand"]),
    "Log2Op": (lambda: zv.log2(x), ["operand"]), "Log10Op": (lambda: zv.log10(x), ["operand"]),
    "PowOp": (lambda: x**2, ["base", "exponent"]), "ModOp": (lambda: x % 3, ["left", "right"]),
    "AddOp": (lambda: x + 1, ["terms"]), "MulOp": (lambda: 2 * x, ["terms"]),
    "MinOp": (lambda: zv.min(x, y), ["terms"]), "MaxOp": (lambda: zv.max(x, y), ["terms"]),
    "SumOp": (lambda: zv.sum(i, v[i]), ["index", "condition", "operand"]),
    "ProdOp": (lambda: zv.prod((i, i != 2), v[i]), ["index", "condition", "operand"]),
    "NumberLit": (lambda: N(3), ["value", "dtype"]), "Placeholder": (lambda: zv.Placeholder("x"), ["name", "ndim", "description"]),
    "Element": (lambda: i, []), "Subscript": (lambda: v[i], []), "ArrayLength": (lambda: v.len_at(0), []),
}
CONDITIONS = {
    "EqualOp": lambda: x == 1, "NotEqualOp": lambda: x != 1, "LessThanOp": lambda: x < 1,
    "LessThanEqualOp": lambda: x <= 1, "GreaterThanOp": lambda: x > 1, "GreaterThanEqualOp": lambda: x >= 1,
    "AndOp": lambda: (x == 1) & (y == 2), "OrOp": lambda: (x == 1) | (y == 2), "XorOp": lambda: (x == 1) ^ (y == 2),
}
OPERATOR_CLASSES = list(EXPRESSIONS)[:14]
ALL_OPERATORS = OPERATOR_CLASSES + list(CONDITIONS)


# ---- type objects and documentation ------------------------------------------------------------

_DIMS = {"u": "The number of dimensions of the operand is zero.",
         "e": "The number of dimensions of each operand is zero.",
         "r": "The number of dimensions of the opreand is zero."}  # sic
_LR = ["left: The left-hand operand.", "right: The right-hand operand."]
_ANY = " of an arbitrary number of operands"
_RED = ["index: The index of {0}.", "condition: The condition for the {0} index.", "operand: The opreand."]
# class: (summary after "A class for representing ", what the description says it represents,
#         dimensions line, attribute lines, more description lines, more note lines)
DOCS = {
    "AbsOp": ("the absolute value", None, "u", ["operand: The operand."], [], []),
    "CeilOp": ("the ceil operator", None, "u", ["operand: The operand."], [], []),
    "FloorOp": ("the floor operator", None, "u", ["operand: The operand."], [], []),
    "LnOp": ("the natural logarithm", None, "u", ["operand: The operand."], [], []),
    "Log10Op": ("the base 10 logarithm", None, "u", ["operand: The operand."], [], []),
    "Log2Op": ("the base 2 logarithm", None, "u", ["operand: The operand."], [], []),
    "PowOp": ("the power operator", "the power operator(`**`)", "e",
              ["base: The base operand.", "exponent: The exponent operand."], [], []),
    "ModOp": ("modulo", "modulo (or remainder) (`%`)", "e", _LR, [], []),
    "AddOp": ("addition", "addition (`+`)" + _ANY, "e", ["terms: A sequence of operands to be added."],
              ["For example `a + b + c + d` would be one AddOp object."],
              ["instantiation method is by calling the addition operation on other", "expressions."]),
    "MulOp": ("multiplication", "multiplication (`*`)" + _ANY, "e", ["terms: A sequence of operands to be multiplied."],
              ["For example `a * b * c * d` would be one MulOp object."],
              ["instantiation method is by calling the multiplication operation on other", "expressions."]),
    "MinOp": ("the minimum value.", "the minimum value of operands", "e", ["terms: A sequence of operands."], [],
              ["instantiation method is by calling the `min` function."]),
    "MaxOp": ("the maximum value.", "the maximum value of operands", "e", ["terms: A sequence of operands."], [],
              ["instantiation method is by calling the `max` function."]),
    "SumOp": ("summation", None, "r", [t.format("summation") for t in _RED], [], []),
    "ProdOp": ("product", None, "r", [t.format("product") for t in _RED], [], []),
    **{name: (f"the {words} operator", f"the {words} operator (`{symbol}`)", "e", _LR, [], [])
       for name, words, symbol in [("EqualOp", "equal", "=="), ("NotEqualOp", "not equal", "!="),
                                   ("LessThanOp", "less than", "<"), ("LessThanEqualOp", "less than equal", "<="),
                                   ("GreaterThanOp", "greater than", ">"),
                                   ("GreaterThanEqualOp", "greater than equal", ">=")]},
    **{name: (f"logical {word}", f"logical {word} (`{symbol}`)" + _ANY, "e",
              [f"terms: A sequence of operands to apply the {word} operation."], [], [])
       for name, word, symbol in [("AndOp", "AND", "&"), ("OrOp", "OR", "|"), ("XorOp", "XOR", "^")]},
}


@pytest.mark.parametrize("name", ALL_OPERATORS)
def test_operator_class_type_object(name):
    cls = getattr(zv, name)
    summary, what, dims, attributes, more, note_more = DOCS[name]
    note = f"    The {name} class does not have a constructor." + (" Its intended" if note_more else "")
    assert cls.__doc__ == "\n\n".join([
        "A class for representing " + summary,
        "\n".join([f"The {name} class is used to represent {what or summary}.", *more, _DIMS[dims]]),
        "\n".join(["Attributes:"] + ["    " + a for a in attributes]),
        "\n".join(["Note:", note] + ["    " + line for line in note_more]),
    ])
    assert (cls.__module__, cls.__name__, cls.__qualname__, cls.__bases__) == ("zorvane", name, name, (object,))
    assert cls.__text_signature__ is None and name in zv.__all__
    assert (cls.__hash__ is None) is (name in EXPRESSIONS)  # conditions hash by identity
    for call in (lambda: cls(), lambda: cls(1, 2), lambda: cls(left=1), lambda: cls.__new__(cls, x)):
        with pytest.raises(TypeError, match="^No constructor defined$"):
            call()
    with pytest.raises(TypeError, match="is not an acceptable base type"):
        type("Sub", (cls,), {})
    assert cls.set_latex.__text_signature__ == "($self, latex=None)"
    assert cls.set_latex.__doc__ == ("Set the LaTeX representation of the object.\nIf the LaTeX representation is "
                                     "not set, the default representation is set.\n\nArgs:\n    latex (str, optional): "
                                     "LaTeX representation of the object. Defaults to None.")
    assert cls._repr_latex_.__text_signature__ == "($self)" and cls._repr_latex_.__doc__ is None
    obj = (EXPRESSIONS[name][0] if name in EXPRESSIONS else CONDITIONS[name])()
    assert type(obj) is cls and not hasattr(obj, "__dict__")
    with pytest.raises(AttributeError):
        obj.new_attribute = 1
    with pytest.raises(TypeError):
        weakref.ref(obj)


def test_registration_order():
    order = ["AbsOp", "CeilOp", "FloorOp", "Log2Op", "Log10Op", "LnOp", "AddOp", "MulOp", "ModOp", "MinOp",
             "MaxOp", "PowOp", "SumOp", "ProdOp", "AndOp", "OrOp", "XorOp", "EqualOp", "NotEqualOp",
             "LessThanOp", "LessThanEqualOp", "GreaterThanOp", "GreaterThanEqualOp"]
    positions = [zv.__all__.index(name) for name in order]
    assert positions == sorted(positions)


# ---- every class has the slots, forward and reflected, operands in Python's order --------------


@pytest.mark.parametrize("name", list(EXPRESSIONS))
def test_every_expression_class_has_the_slots(name):
    make = EXPRESSIONS[name][0]
    obj = make()
    for op in BINARY:
        # the reflected half of this class must build what the forward half of NumberLit builds
        assert repr(op(7, obj)) == repr(op(N(7), obj)), op
        assert repr(op(obj, 7)) == repr(op(obj, N(7))), op
    assert type((2**obj).exponent) is type((obj**2).base) is type(obj)
    assert type((5 % obj).right) is type((obj % 5).left) is type(obj)
    assert repr(-obj) == repr(N(-1) * obj) or name == "NumberLit"
    assert type(pow(obj, 2, 5)) is zv.ModOp and repr(pow(2, obj, 5)) == repr(pow(N(2), obj, 5))
    for op, cls, mirror in zip(COMPARE, ["LessThanOp", "LessThanEqualOp", "EqualOp", "NotEqualOp", "GreaterThanOp",
                                         "GreaterThanEqualOp"], ["GreaterThanOp", "GreaterThanEqualOp", "EqualOp",
                                                                 "NotEqualOp", "LessThanOp", "LessThanEqualOp"]):
        forward, reflected = op(obj, 1.5), op(1.5, obj)
        assert (type(forward).__name__, type(reflected).__name__) == (cls, mirror)
        assert str(forward.left) == str(reflected.left) == str(obj) and reflected.right.value == 1.5
    for op in (operator.and_, operator.or_, operator.xor):
        with pytest.raises(TypeError, match="unsupported operand"):
            op(obj, obj)
    assert bool(obj) is True
    with pytest.raises(TypeError):
        hash(obj)
    alias = obj
    obj += 1
    assert obj is not alias and repr(alias) == repr(make())


# The comparison slot read from the type object, to reach the codes Python itself never passes.
_RICHCMP = ctypes.PYFUNCTYPE(ctypes.py_object, ctypes.py_object, ctypes.py_object, ctypes.c_int)


@pytest.mark.parametrize("obj", [x + 1, N(1), x], ids=["AddOp", "NumberLit", "Placeholder"])
def test_invalid_comparison_code_gives_not_implemented(obj):
    slot = _RICHCMP(ctypes.c_void_p.from_address(id(type(obj)) + 25 * ctypes.sizeof(ctypes.c_void_p)).value)
    assert type(slot(obj, 1, 2)) is zv.EqualOp and type(slot(obj, 1, 0)) is zv.LessThanOp  # offset checked
    assert slot(obj, 1, 6) is NotImplemented and slot(obj, 1, -1) is NotImplemented
    assert slot(1, obj, 2) is NotImplemented  # an object of another class as self


# Objects of each family of builder operands, and other operands, checked against the model.
SELVES = [N(3), N(0), N(2.5), x, x + y + 1, 2 * x * y, x**2, x % 3]
OTHERS = [3, 0, 1, 2.5, True, 2**63, N(-4), y, y + 5, 3 * y, x**3, y % 2]
SYMBOLS = dict(zip(BINARY, ["+", "-", "*", "/", "%", "**"]))


def _tree(obj):
    return model.literal_of(obj) if isinstance(obj, (int, float)) else model.tree(obj)


@pytest.mark.parametrize("obj", SELVES, ids=lambda o: f"{type(o).__name__}:{o}")
def test_number_slots_match_the_model(obj):
    t = model.tree(obj)
    for other in OTHERS:
        for op in BINARY:
            for left, right in ((obj, other), (other, obj)):
                try:
                    expected = model.BUILDERS[SYMBOLS[op]](_tree(left), _tree(right))
                except model.ModelError as error:
                    with pytest.raises(error.kind, match=f"^{error.message}$"):
                        op(left, right)
                    continue
                model.check(op(left, right), expected)
    model.check(-obj, model.neg(t))
    model.check(pow(obj, 2, 5), ("%", model.power(t, 2), 5))
    model.check(pow(2, obj, 5), ("%", model.power(2, t), 5))
    model.check(obj.__rpow__(2, 5), ("%", model.power(2, t), 5))
    model.check(pow(obj, y, y), ("%", model.power(t, "y"), "y"))
    with pytest.raises(TypeError, match="unsupported operand"):
        pow(2, 3, obj)


# ---- refusals ----------------------------------------------------------------------------------

BAD = [None, "a", [1], (2, 3), {}, y == 1, (y == 1) & (y == 2), A, 10**400, zv.DataType.FLOAT, 1j, object()]


@pytest.mark.parametrize("bad", BAD, ids=lambda b: type(b).__name__)
def test_unconvertible_operand_is_refused_in_both_orders(bad):
    for obj in (x + 1, N(2), x, x**2):
        for op in BINARY + COMPARE:
            with pytest.raises(TypeError, match=f"^{NOT_EXPR}$"):
                op(obj, bad)
        for op in BINARY + COMPARE:
            if bad is A:  # on the left, the placeholder's own slot refuses to be used as a scalar
                with pytest.raises(zv.ModelingError, match=f"^{A_NOT_SCALAR}$"):
                    op(bad, obj)
            elif not (isinstance(bad, str) and op is operator.mod):  # "a" % obj is str formatting
                with pytest.raises(TypeError, match=f"^{NOT_EXPR}$"):
                    op(bad, obj)
        if bad is not None:  # a modulo of None counts as absent
            with pytest.raises(TypeError, match=f"^{NOT_EXPR}$"):
                pow(obj, 2, bad)


def test_non_scalar_placeholder_as_self():
    for build in [lambda: A + 1, lambda: 1 - A, lambda: A * None, lambda: -A, lambda: A == 1, lambda: 1 < A,
                  lambda: pow(A, 2, 3), lambda: pow(2, A, 3), lambda: pow(A, "a", "b"), lambda: A + A]:
        with pytest.raises(zv.ModelingError, match=f"^{A_NOT_SCALAR}$"):
            build()
    for build in [lambda: None + A, lambda: x + A, lambda: N(1) * A, lambda: pow(x, 2, A), lambda: pow("a", A, 3)]:
        with pytest.raises(TypeError, match=f"^{NOT_EXPR}$"):
            build()
    with pytest.raises(zv.ModelingError, match=r"^the dimensionality of the Placeholder \{ name: m \} must be zero, "
                                               r"but is actually 18446744073709551615$"):
        zv.Placeholder("m", ndim=2**64 - 1) * 2


def test_other_operand_is_never_asked_and_the_error_is_raised():
    class Other:
        def __radd__(self, left):
            raise AssertionError("asked")

    with pytest.raises(TypeError, match=f"^{NOT_EXPR}$"):
        x + Other()
    with pytest.raises(TypeError, match=f"^{NOT_EXPR}$"):
        (x + 1) + Other()


def test_conversion_discards_only_ordinary_exceptions():
    class Stop(BaseException):
        pass

    class IndexStops:
        def __index__(self):
            raise Stop

    class FloatStops:
        def __float__(self):
            raise Stop

    class IndexFails:
        def __index__(self):
            raise ValueError("no")

        def __float__(self):
            return 1.5

    class BothFail:
        def __index__(self):
            raise ValueError("no")

    for bad in (IndexStops(), FloatStops()):
        with pytest.raises(Stop):
            x + bad
        with pytest.raises(Stop):
            bad * x
    model.check(x + IndexFails(), ("+", "x", 1.5))
    with pytest.raises(TypeError, match=f"^{NOT_EXPR}$") as info:
        x + BothFail()
    assert info.value.__cause__ is None and info.value.__context__ is None


@pytest.mark.parametrize("obj", [x + 1, N(-2), x, zv.ln(x)], ids=lambda o: type(o).__name__)
def test_unsupported_python_operations(obj):
    for op in [lambda o: o // 2, lambda o: 2 // o, lambda o: divmod(o, 2), lambda o: +o, lambda o: abs(o),
               lambda o: ~o, lambda o: o @ o, lambda o: o << 1, lambda o: int(o), lambda o: float(o),
               lambda o: len(o), lambda o: iter(o), lambda o: round(o), lambda o: complex(o), lambda o: o()]:
        with pytest.raises(TypeError):
            op(obj)


# ---- set_latex and getters ---------------------------------------------------------------------


_S = zv.Placeholder("s", ndim=1)
WITH_TEXTS = {  # every class made with `latex` and `description`
    "Placeholder": lambda **k: zv.Placeholder("p", **k),
    "Element over a range": lambda **k: zv.Element("i", belong_to=(0, 3), **k),
    "Element over a placeholder": lambda **k: zv.Element("i", belong_to=_S, **k),
    "ArrayLength": lambda **k: zv.ArrayLength(_S, 0, **k),
    "len_at": lambda **k: _S.len_at(0, **k),
    "BinaryVar": lambda **k: zv.BinaryVar("x", shape=[2], **k),
    **{cls.__name__: (lambda cls: lambda **k: cls("x", shape=[2], lower_bound=0, upper_bound=3, **k))(cls)
       for cls in (zv.IntegerVar, zv.ContinuousVar, zv.SemiIntegerVar, zv.SemiContinuousVar)},
}


@pytest.mark.parametrize("make", WITH_TEXTS.values(), ids=WITH_TEXTS)
def test_empty_latex_and_description_are_kept_apart_from_none(make):
    absent, empty = make(), make(latex="", description="")
    assert "latex=" not in repr(absent) and "description=" not in repr(absent)
    assert repr(empty).endswith(", latex='', description='')")
    assert repr(make(latex="")).endswith(", latex='')") and repr(make(description="")).endswith(", description='')")
    assert empty._repr_latex_() == "$$\\displaystyle $$" != absent._repr_latex_()
    assert empty.description == ""
    assert absent.description == ("" if "Var" in type(absent).__name__ else None)
    # the strings are each node's own: a copy made by set_latex keeps the description
    empty.set_latex(None)
    assert repr(empty).endswith(", description='')") and empty._repr_latex_() == absent._repr_latex_()
    absent.set_latex("")
    assert absent._repr_latex_() == "$$\\displaystyle $$" and repr(absent).endswith(", latex='')")



@pytest.mark.parametrize("name", ALL_OPERATORS + ["Placeholder"])
def test_set_latex(name):
    obj = (EXPRESSIONS[name][0] if name in EXPRESSIONS else CONDITIONS[name])()
    generated, text, rep = obj._repr_latex_(), str(obj), repr(obj)
    assert generated.startswith("$$\\displaystyle ") and generated.endswith("$$") and generated != "$$\\displaystyle $$"
    for set_it, shown in ((lambda: obj.set_latex("T"), "T"), (lambda: obj.set_latex(), None),
                          (lambda: obj.set_latex(latex="\\alpha"), "\\alpha"), (lambda: obj.set_latex(None), None),
                          (lambda: obj.set_latex(""), ""), (lambda: obj.set_latex(latex=None), None)):
        assert set_it() is None
        assert obj._repr_latex_() == (generated if shown is None else f"$$\\displaystyle {shown}$$")
        assert str(obj) == text and (repr(obj) == rep or name == "Placeholder")
    obj.set_latex("keep")
    for bad, type_name in ((1, "int"), (b"a", "bytes"), (["a"], "list"), (1.5, "float"), (N(1), "NumberLit")):
        with pytest.raises(TypeError, match=f"^argument 'latex': '{type_name}' object cannot be converted to "
                                            "'PyString'$"):
            obj.set_latex(latex=bad)
    for args, kwargs, message in [(("a", "b"), {}, "takes from 0 to 1 positional arguments but 2 were given"),
                                  (("a",), {"text": "b"}, "got an unexpected keyword argument 'text'"),
                                  (("a",), {"latex": "b"}, "got multiple values for argument 'latex'")]:
        with pytest.raises(TypeError) as info:
            obj.set_latex(*args, **kwargs)
        assert str(info.value) == f"{name}.set_latex() {message}"
    with pytest.raises(TypeError):
        type(obj).set_latex(5, "a")
    assert obj._repr_latex_() == "$$\\displaystyle keep$$"
    if name in EXPRESSIONS:  # used inside larger expressions, by LaTeX only
        assert (obj + 1)._repr_latex_() == "$$\\displaystyle keep + 1$$" and "keep" not in str(obj + 1)
        assert zv.ln(obj)._repr_latex_() == "$$\\displaystyle \\ln keep$$"


def test_set_latex_is_refused_while_the_object_is_borrowed_for_an_operation():
    s = x + 1
    seen = []

    class Sneaky:
        def __index__(self):
            try:
                s.set_latex("changed")
            except RuntimeError as error:
                seen.append(str(error))
            return 2

    model.check(s + Sneaky(), ("+", "x", 3))
    Sneaky() * s
    s == Sneaky()
    pow(s, 2, Sneaky())
    assert seen == ["Already borrowed"] * 4
    assert s._repr_latex_() == "$$\\displaystyle x + 1$$"
    for fail in (lambda: s + None, lambda: s / 0, lambda: s.set_latex(1)):
        with pytest.raises((TypeError, ZeroDivisionError)):
            fail()
    s.set_latex("S")  # every borrow was released
    assert s._repr_latex_() == "$$\\displaystyle S$$"


@pytest.mark.parametrize("name", OPERATOR_CLASSES + ["NumberLit", "Placeholder"])
def test_getters_are_read_only_copies(name):
    make, attributes = EXPRESSIONS[name]
    obj = make()
    for attribute in attributes:
        first = getattr(obj, attribute)
        if attribute not in ("condition", "ndim", "value", "name", "description"):
            assert first is not getattr(obj, attribute)
        with pytest.raises(AttributeError):
            setattr(obj, attribute, y)
        with pytest.raises(AttributeError):
            delattr(obj, attribute)
    with pytest.raises(AttributeError):
        obj.latex  # noqa: B018
    assert repr(obj) == repr(make())


def test_getters_give_the_parts():
    s = x + y + 1
    t = s.terms
    t.append(y)
    t[0].set_latex("Q")
    assert [type(u) for u in s.terms] == [zv.Placeholder, zv.Placeholder, zv.NumberLit]
    assert s._repr_latex_() == "$$\\displaystyle x + y + 1$$"
    assert type((x + 1.0).terms[1].value) is float and (2 * x).terms[0].dtype == zv.DataType.INTEGER
    p = x**y
    p.base.set_latex("B")
    assert p._repr_latex_() == "$$\\displaystyle x^{y}$$"
    model.check(p.exponent, "y")
    model.check((3 % x).left, 3)
    model.check(pow(x, 2, 5).left, ("**", "x", 2))
    own = x + y
    own.set_latex("S")
    assert (own * 2).terms[1]._repr_latex_() == (own**2).base._repr_latex_() == "$$\\displaystyle S$$"
    assert zv.ln(own).operand._repr_latex_() == "$$\\displaystyle S$$"
