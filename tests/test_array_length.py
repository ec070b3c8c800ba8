"""ArrayLength, and the `shape` and `len_at` members of Placeholder."""
import pytest

import zorvane as zv
from model_support import fails, not_str, refusals, shows, texts

a = zv.Placeholder("a", ndim=2)
a1 = zv.Placeholder("a", ndim=1)
i = zv.Element("i", belong_to=10)
e = zv.Element("e", belong_to=a)
OUT = "axis {} is out of bounds for the axis of the array {}"
UNSUPPORTED = "argument 'array': unsupported type"


@refusals([
    (lambda: zv.ArrayLength(e, 1), zv.ModelingError, OUT.format(1, "e")),
    (lambda: zv.ArrayLength(a, 2), zv.ModelingError, OUT.format(2, "a")),
    (lambda: zv.ArrayLength(a[i], 1), zv.ModelingError, OUT.format(1, "a[i]")),
    (lambda: zv.ArrayLength(a, -1), OverflowError, "can't convert negative int to unsigned"),
    (lambda: zv.ArrayLength(a, 1.0), TypeError, "argument 'axis': 'float' object cannot be interpreted as an integer"),
    (lambda: zv.ArrayLength(a, 0, latex=1), TypeError, not_str("latex", "int")),
    (lambda: zv.ArrayLength(a), TypeError, "ArrayLength.__new__() missing 1 required positional argument: 'axis'"),
    # the array is read before the axis
    *[(lambda x=x, axis=axis: zv.ArrayLength(x, axis), TypeError, UNSUPPORTED)
      for x in (zv.Placeholder("p"), 3, a[i, i], zv.Element("k", 3), zv.ArrayLength(a, 0), None) for axis in (0, -1)],
    (lambda: zv.Placeholder("s").len_at(0), zv.ModelingError, "the placeholder s is a scalar"),
    (lambda: a.len_at(2), zv.ModelingError, OUT.format(2, "a")),
    (lambda: a.len_at(-1), OverflowError, "can't convert negative int to unsigned"),
    (lambda: a.len_at(), TypeError, "Placeholder.len_at() missing 1 required positional argument: 'axis'"),
])
def test_refusals(call, kind, message):
    fails(call, kind, message)


LEN_A = "\\mathrm{len}\\left(a, 0\\right)"


@texts([
    (lambda: zv.ArrayLength(a[i], 0), "str", "len(a[i], 0)"),
    (lambda: zv.ArrayLength(array=e, axis=False, latex="L", description="d"), "repr",
     "ArrayLength(array=Element(name='e', belong_to=Placeholder(name='a', ndim=2)), axis=0, "
     "latex='L', description='d')"),
    (lambda: zv.ArrayLength(a1, 0), "str", "len(a, 0)"),
    (lambda: zv.ArrayLength(a1, 0) + 1, "str", "len(a, 0) + 1"),
    (lambda: zv.ArrayLength(a1, 0), "repr", "ArrayLength(array=Placeholder(name='a', ndim=1), axis=0)"),
    (lambda: zv.ArrayLength(a1, 0), "latex", LEN_A),
    (lambda: a1.len_at(0, latex="N", description="items"), "repr",
     "ArrayLength(array=Placeholder(name='a', ndim=1), axis=0, latex='N', description='items')"),
    (lambda: a1.len_at(0, latex="N"), "latex", "N"),
    (lambda: a1.len_at(0, latex="N") - 1, "latex", "N - 1"),
])
def test_texts(make, form, text):
    shows(make(), form, text)


def test_getters_and_shapes():
    for axis in (0, 1):
        length = zv.ArrayLength(a, axis)
        assert (length.axis, repr(length.array), length.description) == (axis, repr(a), None)
    assert type(zv.ArrayLength(e, 0).array) is zv.Element
    assert zv.Placeholder("p").shape == ()
    assert [x.axis for x in a.shape] == [0, 1] and all(repr(x.array) == repr(a) for x in a.shape)
    assert a.shape[0] is not a.shape[0]
    assert a.len_at(1).axis == 1
    described = a1.len_at(0, latex="N")
    described.set_latex()
    shows(described, "latex", LEN_A)
    assert zv.ArrayLength.__text_signature__ == "(array, axis, *, latex=None, description=None)"
    assert zv.Placeholder.len_at.__text_signature__ == "($self, axis, *, latex=None, description=None)"
    assert zv.Placeholder.len_at.__doc__ is None


@pytest.mark.parametrize("ndim", [2**64 - 1, 2**63, 10**15])
def test_enormous_shape_fails_before_allocating(ndim):
    p = zv.Placeholder("p", ndim=ndim)
    for holder in (p, zv.Element("e", belong_to=p), p[0]):
        fails(lambda: holder.shape, MemoryError)
