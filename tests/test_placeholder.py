"""Placeholder: constructor forms and refusals, getters, text forms. (set_latex, read-only getters
and the operator slots are checked with the other classes in test_operator_classes.)"""

import pytest

import zorvane as zv

P = zv.Placeholder


@pytest.mark.parametrize("make, name, ndim, rep", [
    (lambda: P("a"), "a", 0, "Placeholder(name='a', ndim=0)"),
    (lambda: P(name="a", ndim=2), "a", 2, "Placeholder(name='a', ndim=2)"),
    (lambda: P("a", ndim=True), "a", 1, "Placeholder(name='a', ndim=1)"),
    (lambda: P("", ndim=False), "", 0, "Placeholder(name='', ndim=0)"),
    (lambda: P("m", ndim=2**64 - 1), "m", 2**64 - 1, "Placeholder(name='m', ndim=18446744073709551615)"),
    (lambda: P(description="d", latex="L", ndim=3, name="n"), "n", 3,
     "Placeholder(name='n', ndim=3, latex='L', description='d')"),
    (lambda: P("x", latex="X"), "x", 0, "Placeholder(name='x', ndim=0, latex='X')"),
    (lambda: P("x", description="d"), "x", 0, "Placeholder(name='x', ndim=0, description='d')"),
    (lambda: P("x", latex=None, description=None), "x", 0, "Placeholder(name='x', ndim=0)"),
    (lambda: P("x", latex="", description=""), "x", 0, "Placeholder(name='x', ndim=0, latex='', description='')"),
    (lambda: P.__new__(P, "a", ndim=1), "a", 1, "Placeholder(name='a', ndim=1)"),
    (lambda: P("α_1\0"), "α_1\0", 0, "Placeholder(name='α_1\0', ndim=0)"),
    (lambda: P(type("Name", (str,), {})("q")), "q", 0, "Placeholder(name='q', ndim=0)"),
])
def test_constructor_forms(make, name, ndim, rep):
    p = make()
    assert type(p) is P and type(p.name) is str and type(p.ndim) is int
    assert (p.name, p.ndim, repr(p), str(p)) == (name, ndim, rep, name)


def test_ndim_from_integer_like_objects():
    class Index:
        def __index__(self):
            return 3

    assert P("a", ndim=Index()).ndim == 3
    np = pytest.importorskip("numpy")
    assert P("a", ndim=np.int64(2)).ndim == 2 and P("a", ndim=np.uint64(2**64 - 1)).ndim == 2**64 - 1


def _cannot(argument, type_name):
    return f"argument '{argument}': '{type_name}' object cannot be converted to 'PyString'"


@pytest.mark.parametrize("make, kind, message", [
    (lambda: P(), TypeError, "Placeholder.__new__() missing 1 required positional argument: 'name'"),
    (lambda: P(ndim=1), TypeError, "Placeholder.__new__() missing 1 required positional argument: 'name'"),
    (lambda: P("a", 2), TypeError, "Placeholder.__new__() takes 1 positional arguments but 2 were given"),
    (lambda: P("a", dim=1), TypeError, "Placeholder.__new__() got an unexpected keyword argument 'dim'"),
    (lambda: P("a", name="b"), TypeError, "Placeholder.__new__() got multiple values for argument 'name'"),
    (lambda: P(5), TypeError, _cannot("name", "int")), (lambda: P(None), TypeError, _cannot("name", "NoneType")),
    (lambda: P(b"a"), TypeError, _cannot("name", "bytes")),
    (lambda: P("a", ndim=1.0), TypeError, "argument 'ndim': 'float' object cannot be interpreted as an integer"),
    (lambda: P("a", ndim=None), TypeError, "argument 'ndim': 'NoneType' object cannot be interpreted as an integer"),
    (lambda: P("a", ndim=-1), OverflowError, "can't convert negative int to unsigned"),
    (lambda: P("a", ndim=2**64), OverflowError, "int too big to convert"),
    (lambda: P("a", latex=P("b")), TypeError, _cannot("latex", "Placeholder")),
    (lambda: P("a", description=1.5), TypeError, _cannot("description", "float")),
    # arguments are checked in order: name, ndim, latex, description
    (lambda: P(1, ndim=1.0, latex=1, description=1), TypeError, _cannot("name", "int")),
    (lambda: P("a", ndim=1, latex=1, description=1), TypeError, _cannot("latex", "int")),
])
def test_constructor_errors(make, kind, message):
    with pytest.raises(kind) as info:
        make()
    assert type(info.value) is kind and str(info.value) == message


def test_argument_errors_keep_their_cause_and_text_must_be_utf8():
    with pytest.raises(TypeError) as info:
        P("a", ndim=1.0)
    assert type(info.value.__cause__) is TypeError
    assert str(info.value.__cause__) == "'float' object cannot be interpreted as an integer"
    with pytest.raises(UnicodeEncodeError):
        P("\udc80")
    p = P("a")
    with pytest.raises(UnicodeEncodeError):
        p.set_latex("\udc80")
    assert p._repr_latex_() == "$$\\displaystyle a$$"


def test_class_attributes_and_getters():
    assert P.__text_signature__ == "(name, *, ndim=0, latex=None, description=None)"
    assert P.__doc__.startswith("A class for creating a placeholder") and P.__hash__ is None
    p = P("n", ndim=2, description="count")
    assert (p.name, p.ndim, p.description) == ("n", 2, "count")
    assert P("n").description is None and P("n", description="").description == ""
    assert P("n") is not P("n") and type(P("n") == P("n")) is zv.EqualOp


def test_own_latex_shows_in_repr_and_latex_only():
    p = P("a", ndim=2, description="the a")
    assert (str(p), p._repr_latex_()) == ("a", "$$\\displaystyle a$$")  # no description in either
    p.set_latex("\\beta")
    assert (p.name, p.ndim, p.description, str(p)) == ("a", 2, "the a", "a")
    assert repr(p) == "Placeholder(name='a', ndim=2, latex='\\beta', description='the a')"
    assert p._repr_latex_() == "$$\\displaystyle \\beta$$"
    p.set_latex("")
    assert repr(p) == "Placeholder(name='a', ndim=2, latex='', description='the a')"
    p.set_latex()
    assert repr(p) == "Placeholder(name='a', ndim=2, description='the a')"
    assert str(P("s", description="the s") + 1) == "s + 1"


def test_non_scalar_placeholder_prints_but_is_no_scalar_operand():
    a = P("a", ndim=1, latex="A")
    assert (str(a), repr(a), a._repr_latex_()) == ("a", "Placeholder(name='a', ndim=1, latex='A')",
                                                    "$$\\displaystyle A$$")
    with pytest.raises(zv.ModelingError) as info:
        -P("", ndim=1)
    assert str(info.value) == "the dimensionality of the Placeholder { name:  } must be zero, but is actually 1"
