"""NumberLit construction, attributes and text forms; DataType behaviour."""

import ctypes
import math
import operator
import sys
from decimal import Decimal
from fractions import Fraction

import pytest

import zorvane as zv

try:
    from hypothesis import given, strategies as st
except ImportError:  # pragma: no cover
    given = None

INT64_MIN, INT64_MAX = -(2**63), 2**63 - 1
DBL_MAX = sys.float_info.max
NEG_NAN = -math.nan
assert math.copysign(1.0, NEG_NAN) == -1.0


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


def _same(got, expected):
    assert type(got) is type(expected), (got, expected)
    if isinstance(expected, float):
        if math.isnan(expected):
            assert math.isnan(got)
        else:
            assert got == expected
        assert math.copysign(1.0, got) == math.copysign(1.0, expected)
    else:
        assert got == expected


# --- construction -----------------------------------------------------------

@pytest.mark.parametrize(
    "arg, value, dtype",
    [
        (0, 0, "INTEGER"),
        (-5, -5, "INTEGER"),
        (True, 1, "INTEGER"),
        (False, 0, "INTEGER"),
        (INT64_MAX, INT64_MAX, "INTEGER"),
        (INT64_MIN, INT64_MIN, "INTEGER"),
        (2**63, 9223372036854775808.0, "FLOAT"),
        (INT64_MIN - 1, -9223372036854775808.0, "FLOAT"),
        (2**64 + 1, float(2**64), "FLOAT"),
        (3 * 2**1000 + 1, float(3 * 2**1000), "FLOAT"),
        (1.0, 1.0, "FLOAT"),
        (1.5, 1.5, "FLOAT"),
        (-0.0, -0.0, "FLOAT"),
        (math.inf, math.inf, "FLOAT"),
        (-math.inf, -math.inf, "FLOAT"),
        (math.nan, math.nan, "FLOAT"),
        (Fraction(1, 4), 0.25, "FLOAT"),
        (Fraction(4, 2), 2.0, "FLOAT"),
        (Decimal("2.5"), 2.5, "FLOAT"),
        (Decimal("-0"), -0.0, "FLOAT"),
        (Idx(7), 7, "INTEGER"),
        (IdxAndFloat(), 3, "INTEGER"),
        (Flt(), 2.5, "FLOAT"),
    ],
    ids=repr,
)
def test_construction(arg, value, dtype):
    n = zv.NumberLit(arg)
    _same(n.value, value)
    assert n.dtype == getattr(zv.DataType, dtype)
    assert int(n.dtype) == (1 if dtype == "INTEGER" else 0)


def test_construction_numpy_scalars():
    np = pytest.importorskip("numpy")
    cases = [
        (np.int64(5), 5, "INTEGER"),
        (np.int64(INT64_MIN), INT64_MIN, "INTEGER"),
        (np.int32(-7), -7, "INTEGER"),
        (np.uint64(2**64 - 1), float(2**64 - 1), "FLOAT"),
        (np.float64(0.1), 0.1, "FLOAT"),
        (np.float32(0.1), float(np.float32(0.1)), "FLOAT"),
        (np.float64("nan"), math.nan, "FLOAT"),
    ]
    for arg, value, dtype in cases:
        n = zv.NumberLit(arg)
        _same(n.value, value)
        assert n.dtype == getattr(zv.DataType, dtype), arg


def _py_long_as_long(i):
    fn = ctypes.pythonapi.PyLong_AsLong
    fn.argtypes, fn.restype = [ctypes.py_object], ctypes.c_long
    return fn(i)


def _py_float_as_double(o):
    fn = ctypes.pythonapi.PyFloat_AsDouble
    fn.argtypes, fn.restype = [ctypes.py_object], ctypes.c_double
    return fn(o)


def _failure_text(fn, arg):
    try:
        fn(arg)
    except Exception as e:  # the interpreter's own wording
        return f"{type(e).__name__}: {e}"
    raise AssertionError(f"{arg!r} unexpectedly converted")


def _expected_message(arg):
    e1 = _failure_text(lambda o: _py_long_as_long(operator.index(o)), arg)
    e2 = _failure_text(_py_float_as_double, arg)
    return (
        "argument 'value': failed to extract enum NumericValue ('Integer | Float')"
        "\n- variant Integer (Integer): TypeError: failed to extract field NumericValue::Integer.0,"
        " caused by " + e1 +
        "\n- variant Float (Float): TypeError: failed to extract field NumericValue::Float.0,"
        " caused by " + e2
    )


def test_construction_error_message_for_str():
    with pytest.raises(TypeError) as exc:
        zv.NumberLit("1")
    assert str(exc.value) == (
        "argument 'value': failed to extract enum NumericValue ('Integer | Float')\n"
        "- variant Integer (Integer): TypeError: failed to extract field NumericValue::Integer.0,"
        " caused by TypeError: 'str' object cannot be interpreted as an integer\n"
        "- variant Float (Float): TypeError: failed to extract field NumericValue::Float.0,"
        " caused by TypeError: must be real number, not str"
    )


@pytest.mark.parametrize(
    "arg",
    ["1", "1.5", None, [], b"1", complex(1, 2), object(), 10**400, -(10**400),
     IndexRaises(), "nan"],
    ids=repr,
)
def test_construction_failure(arg):
    with pytest.raises(TypeError) as exc:
        zv.NumberLit(arg)
    assert type(exc.value) is TypeError
    assert str(exc.value) == _expected_message(arg)


def test_construction_failure_for_number_lit_argument():
    lit = zv.NumberLit(1)
    with pytest.raises(TypeError) as exc:
        zv.NumberLit(lit)
    assert str(exc.value) == _expected_message(lit)


def test_keyboard_interrupt_from_index_is_not_swallowed():
    class Interrupting:
        def __index__(self):
            raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        zv.NumberLit(Interrupting())


# --- attributes ---------------------------------------------------------------

@pytest.mark.parametrize("arg, dtype", [(1, "INTEGER"), (1.5, "FLOAT")])
def test_dtype_is_fresh_each_read(arg, dtype):
    n = zv.NumberLit(arg)
    a, b = n.dtype, n.dtype
    assert type(a) is zv.DataType
    assert a == b and a is not b
    assert a == getattr(zv.DataType, dtype)
    assert a is not getattr(zv.DataType, dtype)


def test_float_value_is_fresh_each_read():
    n = zv.NumberLit(1.5)
    a, b = n.value, n.value
    assert a == b == 1.5 and a is not b


@pytest.mark.parametrize("name", ["latex", "set_latex", "shape", "ndim", "name", "description"])
def test_number_lit_has_no_such_member(name):
    assert not hasattr(zv.NumberLit(1), name)


@pytest.mark.parametrize(
    "op",
    [len, abs, operator.pos, iter, lambda n: n[0], lambda n: n // 2, lambda n: 2 // n],
    ids=["len", "abs", "pos", "iter", "getitem", "floordiv", "rfloordiv"],
)
def test_number_lit_unsupported_operations(op):
    with pytest.raises(TypeError):
        op(zv.NumberLit(-2))


@pytest.mark.parametrize("arg", [0, 0.0, -0.0, False, math.nan])
def test_number_lit_is_always_true(arg):
    assert bool(zv.NumberLit(arg)) is True


# --- text forms -----------------------------------------------------------------

TINY = "0." + "0" * 323 + "5"
HUGE = "17976931348623157" + "0" * 292

TEXTS = [
    # (value, str/number text, LaTeX text)
    (0, "0", "0"),
    (7, "7", "7"),
    (-3, "-3", "(-3)"),
    (True, "1", "1"),
    (INT64_MAX, "9223372036854775807", "9223372036854775807"),
    (INT64_MIN, "-9223372036854775808", "(-9223372036854775808)"),
    (1.0, "1", "1"),
    (2.0, "2", "2"),
    (0.0, "0", "0"),
    (-0.0, "-0", "(-0)"),
    (0.5, "0.5", "0.5"),
    (2.5, "2.5", "2.5"),
    (-2.5, "-2.5", "(-2.5)"),
    (0.1, "0.1", "0.1"),
    (0.1 + 0.2, "0.30000000000000004", "0.30000000000000004"),
    (123456789.125, "123456789.125", "123456789.125"),
    (2.5e-3, "0.0025", "0.0025"),
    (1e-7, "0.0000001", "0.0000001"),
    (-1e-5, "-0.00001", "(-0.00001)"),
    (1e16, "10000000000000000", "10000000000000000"),
    (1e20, "100000000000000000000", "100000000000000000000"),
    (1e22, "10000000000000000000000", "10000000000000000000000"),
    (1e23, "100000000000000000000000", "100000000000000000000000"),
    (2**63, "9223372036854776000", "9223372036854776000"),
    (-1e300, "-1" + "0" * 300, "(-1" + "0" * 300 + ")"),
    (5e-324, TINY, TINY),
    (-5e-324, "-" + TINY, "(-" + TINY + ")"),
    (DBL_MAX, HUGE, HUGE),
    (-DBL_MAX, "-" + HUGE, "(-" + HUGE + ")"),
    (math.inf, "inf", "inf"),
    (-math.inf, "-inf", "(-inf)"),
    (math.nan, "NaN", "NaN"),
    (NEG_NAN, "NaN", "(NaN)"),
]


@pytest.mark.parametrize("value, text, latex", TEXTS, ids=[repr(t[0])[:24] for t in TEXTS])
def test_text_forms(value, text, latex):
    n = zv.NumberLit(value)
    assert str(n) == text
    assert repr(n) == "NumberLit(value=" + text + ")"
    assert n._repr_latex_() == latex


def _positional(f):
    """Shortest round-trip digits (from the interpreter's repr) laid out without exponent."""
    s = format(Decimal(repr(f)), "f")
    return s.rstrip("0").rstrip(".") if "." in s else s


if given is not None:

    @given(st.floats(allow_nan=False, allow_infinity=False))
    def test_float_text_round_trips(f):
        text = str(zv.NumberLit(f))
        assert "e" not in text and "E" not in text
        back = float(text)
        assert back == f
        assert repr(math.copysign(1.0, back)) == repr(math.copysign(1.0, f))
        assert text == _positional(f)

    @given(st.integers(min_value=-(2**80), max_value=2**80))
    def test_integer_construction_and_text(i):
        n = zv.NumberLit(i)
        if INT64_MIN <= i <= INT64_MAX:
            assert (type(n.value), n.value, str(n)) == (int, i, str(i))
            assert n.dtype == zv.DataType.INTEGER
        else:
            assert (type(n.value), n.value, str(n)) == (float, float(i), _positional(float(i)))
            assert n.dtype == zv.DataType.FLOAT

else:

    @pytest.mark.skip(reason="hypothesis is not installed")
    def test_float_text_round_trips():
        pass


# --- DataType -------------------------------------------------------------------

def test_data_type_members():
    F, I = zv.DataType.FLOAT, zv.DataType.INTEGER
    assert type(F) is zv.DataType and type(I) is zv.DataType
    assert zv.DataType.FLOAT is F and zv.DataType.INTEGER is I
    assert {k for k in vars(zv.DataType) if not k.startswith("__")} == {"FLOAT", "INTEGER"}


@pytest.mark.parametrize("name, number", [("FLOAT", 0), ("INTEGER", 1)])
def test_data_type_text_and_int(name, number):
    member = getattr(zv.DataType, name)
    assert repr(member) == str(member) == "DataType." + name
    assert type(int(member)) is int and int(member) == number


@pytest.mark.parametrize(
    "member, other, equal",
    [
        ("INTEGER", 1, True),
        ("INTEGER", True, True),
        ("FLOAT", 0, True),
        ("FLOAT", False, True),
        ("INTEGER", Idx(1), True),
        ("INTEGER", 2, False),
        ("FLOAT", -1, False),
        ("FLOAT", 2**64, False),
        ("FLOAT", 0.0, False),
        ("INTEGER", 1.0, False),
        ("FLOAT", "FLOAT", False),
        ("FLOAT", None, False),
        ("FLOAT", "DataType.FLOAT", False),
        ("FLOAT", zv.DataType.FLOAT, True),
        ("FLOAT", zv.DataType.INTEGER, False),
        ("INTEGER", zv.NumberLit(1).dtype, True),
        ("FLOAT", zv.NumberLit(1).dtype, False),
    ],
    ids=repr,
)
def test_data_type_equality(member, other, equal):
    m = getattr(zv.DataType, member)
    assert (m == other) is equal
    assert (m != other) is (not equal)
    assert (other == m) is equal
    assert (other != m) is (not equal)


@pytest.mark.parametrize("op", [operator.lt, operator.le, operator.gt, operator.ge])
@pytest.mark.parametrize(
    "a, b",
    [
        (zv.DataType.FLOAT, zv.DataType.INTEGER),
        (zv.DataType.FLOAT, zv.DataType.FLOAT),
        (zv.DataType.FLOAT, 1),
        (1, zv.DataType.INTEGER),
    ],
)
def test_data_type_ordering_refused(op, a, b):
    with pytest.raises(TypeError, match="not supported between instances of"):
        op(a, b)


@pytest.mark.parametrize(
    "obj", [zv.DataType.FLOAT, zv.DataType.INTEGER, zv.NumberLit(1), zv.NumberLit(1.5)], ids=repr
)
def test_unhashable(obj):
    assert type(obj).__hash__ is None
    with pytest.raises(TypeError, match="unhashable type"):
        hash(obj)
    with pytest.raises(TypeError):
        {obj}
