"""Element and Range: constructor readings of `belong_to`, range checks, getters, text forms."""
import pytest

import zorvane as zv


class Interrupt(BaseException):
    """Not an `Exception`: readings that try several interpretations must never swallow it."""


@pytest.fixture
def n():
    return zv.Placeholder("n")


@pytest.fixture
def a():
    return zv.Placeholder("a", ndim=2)


@pytest.mark.parametrize(
    "belong_to, text, rep",
    [
        (10, "[0..10)", "(NumberLit(value=0), NumberLit(value=10))"),
        (True, "[0..1)", "(NumberLit(value=0), NumberLit(value=1))"),
        ((0, 10), "[0..10)", "(NumberLit(value=0), NumberLit(value=10))"),
        (2.5, "[0..2.5)", "(NumberLit(value=0), NumberLit(value=2.5))"),
        (zv.NumberLit(4), "[0..4)", "(NumberLit(value=0), NumberLit(value=4))"),
        ((-2, 1.5), "[-2..1.5)", "(NumberLit(value=-2), NumberLit(value=1.5))"),
    ],
)
def test_range_readings(belong_to, text, rep):
    i = zv.Element("i", belong_to=belong_to)
    assert i.ndim == 0
    assert isinstance(i.belong_to, zv.Range)
    assert str(i.belong_to) == text
    assert repr(i.belong_to) == rep
    assert repr(i) == f"Element(name='i', belong_to={rep})"


def test_symbolic_bounds_are_not_compared(n):
    assert str(zv.Element("i", n).belong_to) == "[0..n)"
    assert str(zv.Element("i", (n, 0)).belong_to) == "[n..0)"
    assert str(zv.Element("i", (10, n)).belong_to) == "[10..n)"
    assert str(zv.Element("i", (n, n ** 2)).belong_to) == "[n..(n ** 2))"
    assert repr(zv.Element("i", (0, n ** 2)).belong_to) == (
        "(NumberLit(value=0), (Placeholder(name='n', ndim=0) ** NumberLit(value=2)))"
    )


@pytest.mark.parametrize(
    "belong_to, message",
    [
        (0, "`Range.start` (= 0) is equal to `Range.end` (= 0)"),
        (False, "`Range.start` (= 0) is equal to `Range.end` (= 0)"),
        (-3, "`Range.start` (= 0) is larger than `Range.end` (= -3)"),
        ((5, 2.5), "`Range.start` (= 5) is larger than `Range.end` (= 2.5)"),
        ((1, 1.0), "`Range.start` (= 1) is equal to `Range.end` (= 1)"),
        ((2**62, 1), "`Range.start` (= 4611686018427387904) is larger than `Range.end` (= 1)"),
    ],
)
def test_literal_range_checks(belong_to, message):
    with pytest.raises(ValueError) as info:
        zv.Element("i", belong_to=belong_to)
    assert str(info.value) == message


def test_nan_bounds_pass_the_order_checks():
    assert str(zv.Element("i", (float("nan"), 1)).belong_to) == "[NaN..1)"


@pytest.mark.parametrize(
    "make",
    [lambda: [0, 10], lambda: (1, 2, 3), lambda: ("a", 3), lambda: "abc", lambda: None,
     lambda: zv.Element("k", 3).belong_to, lambda: {0: 1}, lambda: 10**30 * 1j],
)
def test_unreadable_sets(make):
    with pytest.raises(TypeError) as info:
        zv.Element("i", belong_to=make())
    assert str(info.value) == "failed to convert into a set"


def test_array_sets(a, n):
    e = zv.Element("e", belong_to=a)
    assert e.ndim == 1
    assert repr(e.belong_to) == "Placeholder(name='a', ndim=2)"
    f = zv.Element("f", belong_to=e)
    assert f.ndim == 0
    assert repr(f) == "Element(name='f', belong_to=Element(name='e', belong_to=Placeholder(name='a', ndim=2)))"
    assert isinstance(f.belong_to, zv.Element)
    # A scalar element or subscript is the end of a range from 0.
    assert str(zv.Element("g", belong_to=f).belong_to) == "[0..f)"
    i = zv.Element("i", n)
    assert str(zv.Element("h", belong_to=a[i, i]).belong_to) == "[0..a[i, i])"
    s = zv.Element("s", belong_to=a[i])
    assert s.ndim == 0
    assert isinstance(s.belong_to, zv.Subscript)


def test_name_latex_and_description(a):
    e = zv.Element("", belong_to=a, latex="E", description="rows")
    assert e.name == ""
    assert e.description == "rows"
    assert zv.Element("i", 3).description is None
    assert repr(e) == "Element(name='', belong_to=Placeholder(name='a', ndim=2), latex='E', description='rows')"


@pytest.mark.parametrize(
    "kwargs, message",
    [
        ({"name": 1, "belong_to": 3}, "argument 'name': 'int' object cannot be converted to 'PyString'"),
        ({"name": "i", "belong_to": 3, "latex": 1}, "argument 'latex': 'int' object cannot be converted to 'PyString'"),
        ({"name": "i", "belong_to": [1], "description": 2.0},
         "argument 'description': 'float' object cannot be converted to 'PyString'"),
        ({"name": "i"}, "Element.__new__() missing 1 required positional argument: 'belong_to'"),
        ({"name": "i", "belong_to": 3, "ndim": 1}, "Element.__new__() got an unexpected keyword argument 'ndim'"),
    ],
)
def test_argument_errors(kwargs, message):
    with pytest.raises(TypeError) as info:
        zv.Element(**kwargs)
    assert str(info.value) == message


def test_signature_and_no_range_constructor():
    assert zv.Element.__text_signature__ == "(name, belong_to, *, latex=None, description=None)"
    assert zv.Range.__text_signature__ is None
    assert zv.Range.__doc__.startswith("A class representing a half-open interval.")
    with pytest.raises(TypeError, match="^No constructor defined$"):
        zv.Range(0, 1)


def test_getters_make_fresh_objects(a):
    e = zv.Element("e", belong_to=a)
    assert e.belong_to is not e.belong_to
    r = zv.Element("i", (1, 5)).belong_to
    assert r.start is not r.start
    assert (r.start.value, r.end.value) == (1, 5)
    assert isinstance(r.end, zv.NumberLit)


def test_shape_and_len_at(a):
    e = zv.Element("e", belong_to=a)
    (length,) = e.shape
    assert repr(length) == "ArrayLength(array=Element(name='e', belong_to=Placeholder(name='a', ndim=2)), axis=0)"
    assert str(e.len_at(0)) == "len(e, 0)"
    described = e.len_at(0, latex="N", description="rows")
    assert described.description == "rows"
    assert described._repr_latex_() == "$$\\displaystyle N$$"
    i = zv.Element("i", 3)
    assert i.shape == ()
    with pytest.raises(zv.ModelingError, match="^the element i is a scalar$"):
        i.len_at(0)
    with pytest.raises(zv.ModelingError, match="^axis 1 is out of bounds for the axis of the array e$"):
        e.len_at(1)
    with pytest.raises(OverflowError):
        e.len_at(-1)
    assert zv.Element.len_at.__text_signature__ == "($self, axis, *, latex=None, description=None)"
    assert zv.Element.len_at.__doc__ is None


def test_subscripting(a):
    e = zv.Element("e", belong_to=a)
    s = e[123]
    assert isinstance(s, zv.Subscript)
    assert str(s) == "e[123]"
    i = zv.Element("i", 3)
    with pytest.raises(TypeError) as info:
        i[0]
    assert str(info.value) == "ModelingError: the scalar `Element { name: i }` is not subscriptable"
    with pytest.raises(IndexError) as info:
        e[0, 1]
    assert str(info.value) == (
        "ModelingError: the number of subscripts (= 2) is greater than the dimensionality of the variable `e` (= 1)"
    )


def test_set_latex_and_text_forms(a):
    e = zv.Element("e", belong_to=a)
    assert str(e) == "e"
    assert e._repr_latex_() == "$$\\displaystyle e$$"
    e.set_latex("\\epsilon")
    assert e._repr_latex_() == "$$\\displaystyle \\epsilon$$"
    assert e[0]._repr_latex_() == "$$\\displaystyle \\epsilon_{0}$$"
    e.set_latex()
    assert e._repr_latex_() == "$$\\displaystyle e$$"
    with pytest.raises(TypeError, match="^argument 'latex': "):
        e.set_latex(1)


def test_operators(a):
    i = zv.Element("i", 3)
    assert str(i + 1) == "i + 1"
    assert str(2 * i) == "2 * i"
    e = zv.Element("e", belong_to=a)
    with pytest.raises(zv.ModelingError) as info:
        e + 1
    assert str(info.value) == "the dimensionality of the Element { name: e } must be zero, but is actually 1"
    with pytest.raises(TypeError, match="^failed to convert into expression.$"):
        i + e
    with pytest.raises(TypeError, match="unhashable"):
        hash(i)


def test_non_exception_errors_are_never_swallowed():
    class Index:
        def __index__(self):
            raise Interrupt

    with pytest.raises(Interrupt):
        zv.Element("i", belong_to=Index())
    with pytest.raises(Interrupt):
        zv.Element("i", belong_to=(0, Index()))


def test_nested_sets_stop_at_the_depth_limit():
    e = zv.Placeholder("p", ndim=10_000)
    with pytest.raises(RecursionError):
        for _ in range(5_000):
            e = zv.Element("e", belong_to=e)
    assert repr(e).count("Element(") == 4_095
    assert e._repr_latex_() == "$$\\displaystyle e$$"


def test_subscript_sets_print_in_every_mode(a):
    i = zv.Element("i", belong_to=3)
    k = zv.Element("k", belong_to=a[i])
    sub_repr = "Placeholder(name='a', ndim=2)[Element(name='i', belong_to=(NumberLit(value=0), NumberLit(value=3)))]"
    assert repr(k) == f"Element(name='k', belong_to={sub_repr})"
    s = zv.sum(k, k + 1)
    assert str(s) == "sum(k in a[i], (k + 1))"
    assert repr(s) == (
        f"sum(Element(name='k', belong_to={sub_repr}), (Element(name='k', belong_to={sub_repr}) + NumberLit(value=1)))"
    )
    assert s._repr_latex_() == "$$\\displaystyle \\sum_{k \\in a_{i}} \\left(k + 1\\right)$$"
    assert str(zv.sum((k, k != 0), k)) == "sum(k in a[i] s.t. k != 0, k)"
