"""ArrayLength, and the `shape`, `len_at` and `[]` members of Placeholder."""
import pytest

import zorvane as zv


@pytest.fixture
def a():
    return zv.Placeholder("a", ndim=2)


@pytest.fixture
def i():
    return zv.Element("i", belong_to=10)


def test_constructor(a, i):
    for axis in (0, 1):
        length = zv.ArrayLength(a, axis)
        assert length.axis == axis
        assert repr(length.array) == "Placeholder(name='a', ndim=2)"
        assert length.description is None
    assert str(zv.ArrayLength(a[i], 0)) == "len(a[i], 0)"
    e = zv.Element("e", belong_to=a)
    assert isinstance(zv.ArrayLength(e, 0).array, zv.Element)
    assert repr(zv.ArrayLength(array=e, axis=False, latex="L", description="d")) == (
        "ArrayLength(array=Element(name='e', belong_to=Placeholder(name='a', ndim=2)), axis=0, "
        "latex='L', description='d')"
    )
    with pytest.raises(zv.ModelingError) as info:
        zv.ArrayLength(e, 1)
    assert str(info.value) == "axis 1 is out of bounds for the axis of the array e"


def test_axis_out_of_bounds(a, i):
    with pytest.raises(zv.ModelingError) as info:
        zv.ArrayLength(a, 2)
    assert str(info.value) == "axis 2 is out of bounds for the axis of the array a"
    with pytest.raises(zv.ModelingError) as info:
        zv.ArrayLength(a[i], 1)
    assert str(info.value) == "axis 1 is out of bounds for the axis of the array a[i]"


@pytest.mark.parametrize(
    "make",
    [
        lambda a, i: zv.Placeholder("p"),
        lambda a, i: 3,
        lambda a, i: a[i, i],
        lambda a, i: zv.Element("k", 3),
        lambda a, i: zv.ArrayLength(a, 0),
        lambda a, i: None,
    ],
)
def test_unsupported_arrays(a, i, make):
    with pytest.raises(TypeError) as info:
        zv.ArrayLength(make(a, i), 0)
    assert str(info.value) == "argument 'array': unsupported type"
    with pytest.raises(TypeError) as info:
        zv.ArrayLength(make(a, i), -1)  # the array is read first
    assert str(info.value) == "argument 'array': unsupported type"


def test_argument_errors(a):
    with pytest.raises(OverflowError):
        zv.ArrayLength(a, -1)
    with pytest.raises(TypeError, match="^argument 'axis': "):
        zv.ArrayLength(a, 1.0)
    with pytest.raises(TypeError, match="^argument 'latex': "):
        zv.ArrayLength(a, 0, latex=1)
    with pytest.raises(TypeError) as info:
        zv.ArrayLength(a)
    assert str(info.value) == "ArrayLength.__new__() missing 1 required positional argument: 'axis'"
    assert zv.ArrayLength.__text_signature__ == "(array, axis, *, latex=None, description=None)"


def test_text_forms():
    a = zv.Placeholder("a", ndim=1)
    length = zv.ArrayLength(a, 0)
    assert str(length) == "len(a, 0)"
    assert repr(length) == "ArrayLength(array=Placeholder(name='a', ndim=1), axis=0)"
    assert length._repr_latex_() == "$$\\displaystyle \\mathrm{len}\\left(a, 0\\right)$$"
    described = a.len_at(0, latex="N", description="items")
    assert repr(described) == "ArrayLength(array=Placeholder(name='a', ndim=1), axis=0, latex='N', description='items')"
    assert described._repr_latex_() == "$$\\displaystyle N$$"
    assert (described - 1)._repr_latex_() == "$$\\displaystyle N - 1$$"
    described.set_latex()
    assert described._repr_latex_() == "$$\\displaystyle \\mathrm{len}\\left(a, 0\\right)$$"
    assert str(length + 1) == "len(a, 0) + 1"


def test_placeholder_shape(a):
    assert zv.Placeholder("p").shape == ()
    shape = a.shape
    assert [x.axis for x in shape] == [0, 1]
    assert all(repr(x.array) == "Placeholder(name='a', ndim=2)" for x in shape)
    assert a.shape[0] is not a.shape[0]


@pytest.mark.parametrize("ndim", [2**64 - 1, 2**63, 10**15])
def test_enormous_shape_fails_before_allocating(ndim):
    p = zv.Placeholder("p", ndim=ndim)
    with pytest.raises(MemoryError):
        p.shape
    with pytest.raises(MemoryError):
        zv.Element("e", belong_to=p).shape
    with pytest.raises(MemoryError):
        p[0].shape


def test_placeholder_len_at(a):
    length = a.len_at(1, latex="n")
    assert length.axis == 1
    assert length._repr_latex_() == "$$\\displaystyle n$$"
    with pytest.raises(zv.ModelingError) as info:
        zv.Placeholder("s").len_at(0)
    assert str(info.value) == "the placeholder s is a scalar"
    with pytest.raises(zv.ModelingError) as info:
        a.len_at(2)
    assert str(info.value) == "axis 2 is out of bounds for the axis of the array a"
    with pytest.raises(OverflowError):
        a.len_at(-1)
    with pytest.raises(TypeError) as info:
        a.len_at()
    assert str(info.value) == "Placeholder.len_at() missing 1 required positional argument: 'axis'"
    assert zv.Placeholder.len_at.__text_signature__ == "($self, axis, *, latex=None, description=None)"
    assert zv.Placeholder.len_at.__doc__ is None


def test_placeholder_subscripting(a, i):
    assert repr(a[i, 0]) == (
        "Placeholder(name='a', ndim=2)[Element(name='i', belong_to=(NumberLit(value=0), NumberLit(value=10))), "
        "NumberLit(value=0)]"
    )
    with pytest.raises(IndexError, match="^ModelingError: the number of subscripts \\(= "):
        zv.Placeholder("v", ndim=1)[0, 1]
    with pytest.raises(TypeError) as info:
        zv.Placeholder("a")[0]
    assert str(info.value) == "ModelingError: the scalar `Placeholder { name: a }` is not subscriptable"
