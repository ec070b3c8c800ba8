"""Subscripting placeholders, elements and subscripts: key reading, validation, getters, text."""
import pytest

import zorvane as zv


class Interrupt(BaseException):
    """Not an `Exception`: a key reading must let it through."""


@pytest.fixture
def p():
    return zv.Placeholder("p", ndim=2)


@pytest.fixture
def i():
    return zv.Element("i", belong_to=10)


@pytest.fixture
def j():
    return zv.Element("j", belong_to=(0, 5))


I_REPR = "Element(name='i', belong_to=(NumberLit(value=0), NumberLit(value=10)))"


def test_forms_and_getters(p, i, j):
    s = p[i]
    assert isinstance(s, zv.Subscript)
    assert s.ndim == 1
    assert repr(s.variable) == "Placeholder(name='p', ndim=2)"
    assert s.variable is not s.variable
    assert [str(x) for x in s.subscripts] == ["i"]
    assert s.subscripts is not s.subscripts
    assert str(p[i, j + 1]) == "p[i, j + 1]"
    assert p[i, j].ndim == 0
    assert str(zv.Placeholder("x", ndim=1)[i]) == "x[i]"
    assert repr(zv.Placeholder("x", ndim=1)[i]) == f"Placeholder(name='x', ndim=1)[{I_REPR}]"


@pytest.mark.parametrize("key", ["tuple", "list"])
def test_sequence_keys(p, i, j, key):
    s = p[(i, j)] if key == "tuple" else p[[i, j]]
    assert str(s) == "p[i, j]"
    assert s.ndim == 0


def test_number_keys(p):
    (item,) = p[1.5].subscripts
    assert item.dtype == zv.DataType.FLOAT and item.value == 1.5
    (item,) = p[True].subscripts
    assert item.dtype == zv.DataType.INTEGER and item.value == 1


def test_nested_subscripts_flatten(p, i, j):
    inner = p[i]
    inner.set_latex("S")
    nested = inner[j]
    assert repr(nested) == repr(p[i, j])
    assert repr(nested.variable) == "Placeholder(name='p', ndim=2)"
    assert nested._repr_latex_() == "$$\\displaystyle p_{i, j}$$"
    assert inner._repr_latex_() == "$$\\displaystyle S$$"


@pytest.mark.parametrize(
    "build, kind, message",
    [
        (lambda p, i, j: p[i, j, i], IndexError,
         "ModelingError: the number of subscripts (= 3) is greater than the dimensionality of the variable `p` (= 2)"),
        (lambda p, i, j: p[i][j, i], IndexError,
         "ModelingError: the number of subscripts (= 2) is greater than the dimensionality of the variable `p[i]` (= 1)"),
        (lambda p, i, j: zv.Placeholder("q")[i], TypeError,
         "ModelingError: the scalar `Placeholder { name: q }` is not subscriptable"),
        (lambda p, i, j: zv.Placeholder("q")["any key"], TypeError,
         "ModelingError: the scalar `Placeholder { name: q }` is not subscriptable"),
        (lambda p, i, j: p[i, j][i], TypeError, "ModelingError: the scalar `p[i, j]` is not subscriptable"),
        (lambda p, i, j: p[()], zv.ModelingError, "the number of subscripts is zero"),
        (lambda p, i, j: p[[]], zv.ModelingError, "the number of subscripts is zero"),
        (lambda p, i, j: p["a"], TypeError, "Can't extract `str` to `Vec`"),
        (lambda p, i, j: p[:], TypeError, "'slice' object cannot be converted to 'Sequence'"),
        (lambda p, i, j: p[None], TypeError, "'NoneType' object cannot be converted to 'Sequence'"),
        (lambda p, i, j: p[i, "a"], TypeError, "failed to convert into expression."),
        (lambda p, i, j: p[i, None], TypeError, "failed to convert into expression."),
    ],
)
def test_refusals(p, i, j, build, kind, message):
    with pytest.raises(kind) as info:
        build(p, i, j)
    assert type(info.value) is kind
    assert str(info.value) == message


def test_model_objects_are_not_sequences(p, i):
    q = zv.Placeholder("q", ndim=1)
    e = zv.Element("e", belong_to=p)
    for key, name in [(q, "Placeholder"), (e, "Element"), (p[i], "Subscript")]:
        with pytest.raises(TypeError) as info:
            p[key]
        assert str(info.value) == f"'{name}' object cannot be converted to 'Sequence'"
        with pytest.raises(TypeError):
            iter(key)


def test_a_lying_len_is_never_trusted(p, i):
    class Key:
        def __len__(self):
            return 2**62

        def __getitem__(self, k):
            if k < 2:
                return i
            raise IndexError(k)

    assert str(p[Key()]) == "p[i, i]"


def test_key_errors_propagate(p, i):
    class Index:
        def __index__(self):
            raise Interrupt

    with pytest.raises(Interrupt):
        p[Index()]

    class Broken:
        def __getitem__(self, k):
            raise KeyError("boom")

    with pytest.raises(KeyError):
        p[Broken()]


def test_shape_and_len_at(p, i, j):
    (length,) = p[i].shape
    assert isinstance(length, zv.ArrayLength)
    assert repr(length.array) == repr(p[i])
    assert length.axis == 0
    assert p[i, j].shape == ()
    assert str(p[i].len_at(0, latex="m", description="cols")) == "len(p[i], 0)"
    with pytest.raises(zv.ModelingError) as info:
        p[i].len_at(1)
    assert str(info.value) == "axis 1 is out of bounds for the axis of the array p[i]"
    with pytest.raises(zv.ModelingError) as info:
        p[i, j].len_at(0)
    assert str(info.value) == "Can't get length of a scalar"
    with pytest.raises(TypeError, match="^argument 'axis': "):
        p[i].len_at(0.5)


def test_no_constructor_and_docs():
    assert zv.Subscript.__text_signature__ is None
    assert zv.Subscript.__doc__.startswith("A class for representing a subscripted variable")
    with pytest.raises(TypeError, match="^No constructor defined$"):
        zv.Subscript()


def test_scalar_rule_in_operators(p, i, j):
    assert str(p[i, j] * 2) == "2 * p[i, j]"
    with pytest.raises(zv.ModelingError) as info:
        p[i] + 1
    assert str(info.value) == "the dimensionality of the subscripted variable `p[i]` must be zero, but actually 1"
    with pytest.raises(zv.ModelingError):
        1 + p[i]  # the reflected slot converts 1 first, then itself
    with pytest.raises(TypeError, match="^failed to convert into expression.$"):
        p[i, j] + p[i]


@pytest.mark.parametrize(
    "build, latex",
    [
        (lambda p, i, j: p[i], "p_{i}"),
        (lambda p, i, j: p[i, j], "p_{i, j}"),
        (lambda p, i, j: p[i + 1, j], "p_{i + 1, j}"),
        (lambda p, i, j: p[i, j] + p[j, i], "p_{i, j} + p_{j, i}"),
    ],
)
def test_latex(p, i, j, build, latex):
    assert build(p, i, j)._repr_latex_() == f"$$\\displaystyle {latex}$$"


def test_own_latex(p, i, j):
    p.set_latex("P")
    assert p[i]._repr_latex_() == "$$\\displaystyle p_{i}$$"  # a base prints by name
    s = p[i, j]
    s.set_latex("s_{ij}")
    assert (s + 1)._repr_latex_() == "$$\\displaystyle s_{ij} + 1$$"
    assert str(s) == "p[i, j]"
    s.set_latex(None)
    assert s._repr_latex_() == "$$\\displaystyle p_{i, j}$$"
