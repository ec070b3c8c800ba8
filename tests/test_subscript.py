"""Subscripting placeholders, elements and subscripts: key reading, validation, getters, text."""
import numpy as np
import pytest

import zorvane as zv
from model_support import BadIndex, Interrupt, LyingLen, fails, refusals, scalar, shows, texts, too_many

p = zv.Placeholder("p", ndim=2)
i = zv.Element("i", belong_to=10)
j = zv.Element("j", belong_to=(0, 5))
q1 = zv.Placeholder("q", ndim=1)
SCALAR_Q = "ModelingError: " + scalar("Placeholder { name: q }")
I_REPR = "Element(name='i', belong_to=(NumberLit(value=0), NumberLit(value=10)))"


class Broken:
    def __getitem__(self, k):
        raise KeyError("boom")


def not_sequence(name):
    return f"'{name}' object cannot be converted to 'Sequence'"


@refusals([
    (lambda: p[i, j, i], IndexError, "ModelingError: " + too_many(3, "p", 2)),
    (lambda: p[i][j, i], IndexError, "ModelingError: " + too_many(2, "p[i]", 1)),
    (lambda: zv.Placeholder("q")[i], TypeError, SCALAR_Q),
    (lambda: zv.Placeholder("q")["any key"], TypeError, SCALAR_Q),
    (lambda: p[i, j][i], TypeError, "ModelingError: " + scalar("p[i, j]")),
    (lambda: p[()], zv.ModelingError, "the number of subscripts is zero"),
    (lambda: p[[]], zv.ModelingError, "the number of subscripts is zero"),
    (lambda: p["a"], TypeError, "Can't extract `str` to `Vec`"),
    (lambda: p[:], TypeError, not_sequence("slice")),
    (lambda: p[None], TypeError, not_sequence("NoneType")),
    (lambda: p[i, "a"], TypeError, "failed to convert into expression."),
    (lambda: p[i, None], TypeError, "failed to convert into expression."),
    # model objects are not sequences
    (lambda: p[q1], TypeError, not_sequence("Placeholder")),
    (lambda: p[zv.Element("e", belong_to=p)], TypeError, not_sequence("Element")),
    (lambda: p[p[i]], TypeError, not_sequence("Subscript")),
    (lambda: iter(p[i]), TypeError, "'zorvane.Subscript' object is not iterable"),
    (lambda: iter(q1), TypeError, "'zorvane.Placeholder' object is not iterable"),
    (lambda: iter(zv.Element("e", belong_to=p)), TypeError, "'zorvane.Element' object is not iterable"),
    # errors while reading a key propagate
    (lambda: p[BadIndex()], Interrupt, None),
    (lambda: p[Broken()], KeyError, None),
    (lambda: p[i].len_at(1), zv.ModelingError, "axis 1 is out of bounds for the axis of the array p[i]"),
    (lambda: p[i, j].len_at(0), zv.ModelingError, "Can't get length of a scalar"),
    (lambda: p[i].len_at(0.5), TypeError, "argument 'axis': 'float' object cannot be interpreted as an integer"),
    (lambda: zv.Subscript(), TypeError, "No constructor defined"),
    *[(build, zv.ModelingError, "the dimensionality of the subscripted variable `p[i]` must be zero, but actually 1")
      for build in (lambda: p[i] + 1, lambda: 1 + p[i])],  # the reflected slot converts 1 first, then itself
    (lambda: p[i, j] + p[i], TypeError, "failed to convert into expression."),
])
def test_refusals(call, kind, message):
    fails(call, kind, message)


@texts([
    (lambda: p[i, j + 1], "str", "p[i, j + 1]"),
    (lambda: p[(i, j)], "str", "p[i, j]"),
    (lambda: p[[i, j]], "str", "p[i, j]"),
    (lambda: p[LyingLen(i, i)], "str", "p[i, i]"),  # a lying __len__ is never trusted
    (lambda: q1[i], "repr", f"Placeholder(name='q', ndim=1)[{I_REPR}]"),
    (lambda: p[i, 0], "repr", f"Placeholder(name='p', ndim=2)[{I_REPR}, NumberLit(value=0)]"),
    (lambda: p[i].len_at(0, latex="m", description="cols"), "str", "len(p[i], 0)"),
    (lambda: p[i, j] * 2, "str", "2 * p[i, j]"),
    (lambda: p[i], "latex", "p_{i}"),
    (lambda: p[i, j], "latex", "p_{i, j}"),
    (lambda: p[i + 1, j], "latex", "p_{i + 1, j}"),
    (lambda: p[i, j] + p[j, i], "latex", "p_{i, j} + p_{j, i}"),
])
def test_texts(make, form, text):
    shows(make(), form, text)


def test_getters_and_keys():
    s = p[i]
    assert type(s) is zv.Subscript and s.ndim == 1 and p[i, j].ndim == 0 and p[[i, j]].ndim == 0
    assert repr(s.variable) == "Placeholder(name='p', ndim=2)" and s.variable is not s.variable
    assert [str(x) for x in s.subscripts] == ["i"] and s.subscripts is not s.subscripts
    (length,) = s.shape
    assert type(length) is zv.ArrayLength and repr(length.array) == repr(s) and length.axis == 0
    assert p[i, j].shape == ()
    (item,) = p[1.5].subscripts
    assert item.dtype == zv.DataType.FLOAT and item.value == 1.5
    (item,) = p[True].subscripts
    assert item.dtype == zv.DataType.INTEGER and item.value == 1
    assert zv.Subscript.__text_signature__ is None
    assert zv.Subscript.__doc__.startswith("A class for representing a subscripted variable")


def test_nested_subscripts_flatten_and_own_latex():
    ps = zv.Placeholder("ps", ndim=2)
    inner = ps[i]
    inner.set_latex("S")
    nested = inner[j]
    assert repr(nested) == repr(ps[i, j]) and repr(nested.variable) == "Placeholder(name='ps', ndim=2)"
    shows(nested, "latex", "ps_{i, j}")
    shows(inner, "latex", "S")
    ps.set_latex("P")
    shows(ps[i], "latex", "ps_{i}")  # a base prints by name
    s = ps[i, j]
    s.set_latex("s_{ij}")
    shows(s + 1, "latex", "s_{ij} + 1")
    shows(s, "str", "ps[i, j]")
    s.set_latex(None)
    shows(s, "latex", "ps_{i, j}")


# ---- keys read by both front doors: the operand classes' and the decision variables' -------------

x = zv.BinaryVar("x", shape=[3, 4])
NOT_EXPRESSION = (TypeError, "failed to convert into expression.")


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class Float:
    def __float__(self):
        return 2.5


class Named:
    def __repr__(self):
        return type(self).__name__ + "()"


class RaisingIndex(Named):
    def __index__(self):
        raise ValueError("no index")


class RaisingItems(Named):
    def __len__(self):
        return 2

    def __getitem__(self, k):
        raise LookupError("no item")


class StopsIndex:
    """Readings interrupted by the user: the interrupt must reach the caller."""

    def __index__(self):
        raise KeyboardInterrupt


class StopsFloat:
    def __float__(self):
        raise KeyboardInterrupt


class StopsItems:
    def __len__(self):
        return 2

    def __getitem__(self, k):
        raise KeyboardInterrupt


class Items(list):
    pass


class IndexList(list):
    def __index__(self):
        return 2


class ReversedList(list):
    def __iter__(self):
        return reversed(self)


class ReversedTuple(tuple):
    def __iter__(self):
        return reversed(self)


def invalid(text):
    return IndexError, "Invalid index: " + text


@pytest.mark.parametrize("key, by_placeholder, by_variable", [
    ((0, RaisingIndex()), NOT_EXPRESSION, invalid("(0, RaisingIndex())")),
    (RaisingIndex(), (TypeError, not_sequence("RaisingIndex")), invalid("RaisingIndex()")),
    (RaisingItems(), (LookupError, "no item"), invalid("RaisingItems()")),
    ((0, (1,)), NOT_EXPRESSION, invalid("(0, (1,))")),
    (((0, 1),), NOT_EXPRESSION, invalid("((0, 1),)")),
    ([[0, 1]], NOT_EXPRESSION, invalid("[[0, 1]]")),
    (Items([0, "a"]), NOT_EXPRESSION, invalid("[0, 'a']")),
    (("a",), NOT_EXPRESSION, invalid("('a',)")),
    ((0, q1), NOT_EXPRESSION, invalid("(0, Placeholder(name='q', ndim=1))")),
    *[(key, (KeyboardInterrupt, None), (KeyboardInterrupt, None))
      for key in (StopsIndex(), StopsFloat(), StopsItems(), (0, StopsIndex()), [0, StopsFloat()],
                  Items([StopsIndex()]))],
    (slice(StopsIndex(), None), (TypeError, not_sequence("slice")), (KeyboardInterrupt, None)),
    ((0, slice(None, StopsFloat())), NOT_EXPRESSION, (KeyboardInterrupt, None)),
])
def test_refused_keys(key, by_placeholder, by_variable):
    fails(lambda: p[key], *by_placeholder)
    fails(lambda: x[key], *by_variable)


@pytest.mark.parametrize("key, text", [
    (Index(2), "[2]"),
    (IndexList([0, 1]), "[2]"),  # a list of another type is first read whole
    (ReversedList([0, 1]), "[1, 0]"),  # and then through its own iterator
    (ReversedTuple((0, 1)), "[1, 0]"),
    ((np.int64(1), Index(2)), "[1, 2]"),
    ([np.float64(1.5), Float()], "[1.5, 2.5]"),
    ((q1.len_at(0), True), "[len(q, 0), 1]"),
])
def test_keys(key, text):
    shows(p[key], "str", "p" + text)
    shows(x[key], "str", "x" + text)


@pytest.mark.parametrize("key, text", [
    (ReversedTuple((slice(None), 1)), "sum(__dummy_x_1 in [0..4), x[1, __dummy_x_1])"),
    ([slice(1, None), Index(1)], "sum(__dummy_x_0 in [1..3), x[__dummy_x_0, 1])"),
    (Items([0, slice(Index(1), np.int64(3))]), "sum(__dummy_x_1 in [1..3), x[0, __dummy_x_1])"),
])
def test_slice_keys(key, text):
    shows(x[key].sum(), "str", text)
