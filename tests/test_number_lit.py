"""NumberLit and DataType: the type objects, construction and its refusals, attributes, DataType
values. (The number text is in test_printer.)"""

import ctypes
import gc
import math
import operator
import weakref
from decimal import Decimal
from fractions import Fraction

import pytest
from hypothesis import given, strategies as st

import zorvane as zv
from arith_model import INT64_MAX, INT64_MIN, same

N, F, I = zv.NumberLit, zv.DataType.FLOAT, zv.DataType.INTEGER


class Idx:
    def __init__(self, v):
        self.v = v

    def __index__(self):
        return self.v

    def __repr__(self):
        return f"Idx({self.v})"


class IdxAndFloat:
    def __index__(self):
        return 3

    def __float__(self):
        return 9.5


class Flt:
    def __float__(self):
        return 2.5


class IndexRaises:
    def __index__(self):
        raise ValueError("bad index")


def test_type_objects():
    for cls, signature in ((N, "(value)"), (zv.DataType, None)):
        assert (cls.__module__, cls.__name__, cls.__qualname__, cls.__bases__) == (
            "zorvane", cls.__name__, cls.__name__, (object,))
        assert cls.__text_signature__ == signature and cls.__hash__ is None
        with pytest.raises(TypeError, match="is not an acceptable base type"):
            type("Sub", (cls,), {})
    lines = N.__doc__.splitlines()
    assert lines[0] == "A class for creating a number literal" and lines[1].strip() == ""
    positions = [N.__doc__.find(s) for s in ("Attributes:", "Args:", "Examples:")]
    assert -1 not in positions and positions == sorted(positions)
    assert "import zorvane as zv" in N.__doc__[positions[2]:]
    assert zv.DataType.__doc__ is None
    assert N._repr_latex_.__text_signature__ == "($self)" and N._repr_latex_.__doc__ is None
    for attribute in ("value", "dtype"):
        assert hasattr(type(N.__dict__[attribute]), "__set__") and not N.__dict__[attribute].__doc__
    for name in ("latex", "set_latex", "shape", "ndim", "name", "description"):
        assert not hasattr(N(1), name)


@pytest.mark.parametrize("obj", [N(1), N(1.5), F], ids=repr)
def test_instances(obj):
    assert not hasattr(obj, "__dict__") and not gc.is_tracked(obj) and type(obj).__weakrefoffset__ == 0
    for attribute in ("brand_new", "latex", "value", "dtype"):
        with pytest.raises(AttributeError):
            setattr(obj, attribute, 4)
    with pytest.raises(TypeError):
        weakref.ref(obj)
    with pytest.raises(TypeError, match="unhashable type"):
        hash(obj)


# ---- construction --------------------------------------------------------------------------------

@pytest.mark.parametrize("arg, value", [
    (0, 0), (-5, -5), (True, 1), (False, 0), (INT64_MAX, INT64_MAX), (INT64_MIN, INT64_MIN),
    (2**63, 2.0**63), (INT64_MIN - 1, -(2.0**63)), (2**64 + 1, 2.0**64), (3 * 2**1000 + 1, float(3 * 2**1000)),
    (1.0, 1.0), (-0.0, -0.0), (math.inf, math.inf), (math.nan, math.nan), (Fraction(1, 4), 0.25),
    (Decimal("2.5"), 2.5), (Decimal("-0"), -0.0), (Idx(7), 7), (IdxAndFloat(), 3), (Flt(), 2.5),
], ids=repr)
def test_construction(arg, value):
    n = N(arg)
    assert same(n.value, value), n.value
    assert n.dtype == (I if type(value) is int else F)
    assert int(n.dtype) == (type(value) is int) and bool(n) is True


def test_construction_from_numpy_scalars_and_by_keyword():
    np = pytest.importorskip("numpy")
    for arg, value in ((np.int64(INT64_MIN), INT64_MIN), (np.int32(-7), -7), (np.uint64(2**64 - 1), 2.0**64),
                       (np.float32(0.1), float(np.float32(0.1))), (np.float64("nan"), math.nan)):
        assert same(N(arg).value, value), arg
    assert N(value=5).value == 5 and N.__new__(N, 2.5).value == 2.5


@given(st.integers(min_value=-(2**80), max_value=2**80))
def test_integer_construction(i):
    n = N(i)
    expected = i if INT64_MIN <= i <= INT64_MAX else float(i)
    assert same(n.value, expected) and n.dtype == (I if type(expected) is int else F)


def _interpreter_text(fn, arg):
    try:
        fn(arg)
    except Exception as e:
        return f"{type(e).__name__}: {e}"
    raise AssertionError(f"{arg!r} unexpectedly converted")


def _as_long(o):
    fn = ctypes.pythonapi.PyLong_AsLong
    fn.argtypes, fn.restype = [ctypes.py_object], ctypes.c_long
    return fn(operator.index(o))


def _as_double(o):
    fn = ctypes.pythonapi.PyFloat_AsDouble
    fn.argtypes, fn.restype = [ctypes.py_object], ctypes.c_double
    return fn(o)


@pytest.mark.parametrize("arg", ["1", "nan", None, [], b"1", 1 + 2j, object(), 10**400, -(10**400),
                                 IndexRaises(), N(1)], ids=repr)
def test_construction_failure(arg):
    with pytest.raises(TypeError) as exc:
        N(arg)
    assert type(exc.value) is TypeError
    assert str(exc.value) == (
        "argument 'value': failed to extract enum NumericValue ('Integer | Float')"
        "\n- variant Integer (Integer): TypeError: failed to extract field NumericValue::Integer.0, caused by "
        + _interpreter_text(_as_long, arg) +
        "\n- variant Float (Float): TypeError: failed to extract field NumericValue::Float.0, caused by "
        + _interpreter_text(_as_double, arg))
    if isinstance(arg, str) and arg == "1":  # the same text, written out once
        assert str(exc.value).endswith("caused by TypeError: 'str' object cannot be interpreted as an integer\n"
                                       "- variant Float (Float): TypeError: failed to extract field "
                                       "NumericValue::Float.0, caused by TypeError: must be real number, not str")


@pytest.mark.parametrize("args, kwargs, message", [
    ((), {}, "missing 1 required positional argument: 'value'"),
    ((1, 2), {}, "takes 1 positional arguments but 2 were given"),
    ((1, 2), {"value": 3}, "takes 1 positional arguments but 2 were given"),
    ((1,), {"dim": 2}, "got an unexpected keyword argument 'dim'"),
    ((), {"value": 1, "Value": 2}, "got an unexpected keyword argument 'Value'"),
    ((1,), {"value": 2}, "got multiple values for argument 'value'"),
])
def test_argument_parser_messages(args, kwargs, message):
    with pytest.raises(TypeError) as exc:
        N(*args, **kwargs)
    assert str(exc.value) == "NumberLit.__new__() " + message


def test_interrupt_from_index_is_not_swallowed():
    class Interrupting:
        def __index__(self):
            raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        N(Interrupting())


@pytest.mark.parametrize("call", [
    lambda: N._repr_latex_(5), lambda: N.__str__(5), lambda: N.__repr__(I), lambda: N.value.__get__(5),
    lambda: N.dtype.__get__(F), lambda: zv.DataType.__repr__(N(1)), lambda: zv.DataType.__int__(1),
    lambda: zv.DataType.__eq__(0, 0),
])
def test_member_with_a_foreign_self(call):
    with pytest.raises(TypeError):
        call()


# ---- DataType --------------------------------------------------------------------------------------


def test_data_type_members():
    assert type(F) is zv.DataType and zv.DataType.FLOAT is F and zv.DataType.INTEGER is I
    assert {k for k in vars(zv.DataType) if not k.startswith("__")} == {"FLOAT", "INTEGER"}
    for member, name, number in ((F, "FLOAT", 0), (I, "INTEGER", 1)):
        assert repr(member) == str(member) == "DataType." + name
        assert type(int(member)) is int and int(member) == number
    a, b = N(1).dtype, N(1).dtype
    assert a == b == I and a is not b and a is not I  # a new object on each read
    for args, kwargs in (((), {}), ((0,), {}), ((), {"value": 0}), (("FLOAT",), {})):
        with pytest.raises(TypeError, match="^No constructor defined$"):
            zv.DataType(*args, **kwargs)


@pytest.mark.parametrize("member, other, equal", [
    (I, 1, True), (I, True, True), (F, 0, True), (F, False, True), (I, Idx(1), True), (I, 2, False),
    (F, 2**64, False), (F, 0.0, False), (I, 1.0, False), (F, "FLOAT", False), (F, None, False),
    (F, F, True), (F, I, False), (I, N(1).dtype, True),
], ids=repr)
def test_data_type_equality(member, other, equal):
    assert (member == other) is equal and (other == member) is equal
    assert (member != other) is (not equal) and (other != member) is (not equal)


def test_data_type_ordering_refused():
    for op in (operator.lt, operator.le, operator.gt, operator.ge):
        for a, b in ((F, I), (F, F), (F, 1), (1, I)):
            with pytest.raises(TypeError, match="not supported between instances of"):
                op(a, b)
