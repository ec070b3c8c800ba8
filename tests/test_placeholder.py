"""Placeholder: constructor forms and errors, getters, text forms and set_latex.

`shape`, `len_at` and subscripting belong with ArrayLength and Subscript and are not tested here.
"""

import pytest

import zorvane as zv

P = zv.Placeholder


# ---------------------------------------------------------------------------------------------
# Constructor
# ---------------------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "make, name, ndim, rep",
    [
        (lambda: P("a"), "a", 0, "Placeholder(name='a', ndim=0)"),
        (lambda: P(name="a"), "a", 0, "Placeholder(name='a', ndim=0)"),
        (lambda: P("a", ndim=2), "a", 2, "Placeholder(name='a', ndim=2)"),
        (lambda: P("a", ndim=True), "a", 1, "Placeholder(name='a', ndim=1)"),
        (lambda: P("a", ndim=False), "a", 0, "Placeholder(name='a', ndim=0)"),
        (lambda: P("", ndim=0), "", 0, "Placeholder(name='', ndim=0)"),
        (lambda: P("m", ndim=2**64 - 1), "m", 2**64 - 1, "Placeholder(name='m', ndim=18446744073709551615)"),
        (lambda: P("x", ndim=2, latex="X", description="d"), "x", 2,
         "Placeholder(name='x', ndim=2, latex='X', description='d')"),
        (lambda: P(description="d", latex="L", ndim=3, name="n"), "n", 3,
         "Placeholder(name='n', ndim=3, latex='L', description='d')"),
        (lambda: P("x", latex="X"), "x", 0, "Placeholder(name='x', ndim=0, latex='X')"),
        (lambda: P("x", description="d"), "x", 0, "Placeholder(name='x', ndim=0, description='d')"),
        (lambda: P("x", latex=None, description=None), "x", 0, "Placeholder(name='x', ndim=0)"),
        (lambda: P("x", latex="", description=""), "x", 0,
         "Placeholder(name='x', ndim=0, latex='', description='')"),
        (lambda: P.__new__(P, "a", ndim=1), "a", 1, "Placeholder(name='a', ndim=1)"),
        (lambda: P("α_1"), "α_1", 0, "Placeholder(name='α_1', ndim=0)"),
        (lambda: P("a'b", description='d"e'), "a'b", 0, "Placeholder(name='a'b', ndim=0, description='d\"e')"),
    ],
)
def test_constructor_forms(make, name, ndim, rep):
    p = make()
    assert type(p) is P
    assert p.name == name
    assert p.ndim == ndim and type(p.ndim) is int
    assert repr(p) == rep
    assert str(p) == name


def test_ndim_from_integer_like_objects():
    class Index:
        def __index__(self):
            return 3

    assert P("a", ndim=Index()).ndim == 3
    np = pytest.importorskip("numpy")
    assert P("a", ndim=np.int64(2)).ndim == 2
    assert P("a", ndim=np.uint64(2**64 - 1)).ndim == 2**64 - 1


def test_name_subclass_of_str():
    class Name(str):
        pass

    p = P(Name("q"))
    assert p.name == "q" and type(p.name) is str


def test_name_with_nul():
    assert P("a\0b").name == "a\0b"
    assert str(P("a\0b")) == "a\0b"


def test_text_that_is_not_utf8_encodable():
    with pytest.raises(UnicodeEncodeError):
        P("\udc80")
    p = P("a")
    with pytest.raises(UnicodeEncodeError):
        p.set_latex("\udc80")
    assert p._repr_latex_() == "$$\\displaystyle a$$"


CONSTRUCTOR_ERRORS = [
    (lambda: P(), TypeError, "Placeholder.__new__() missing 1 required positional argument: 'name'"),
    (lambda: P(ndim=1), TypeError, "Placeholder.__new__() missing 1 required positional argument: 'name'"),
    (lambda: P("a", 2), TypeError, "Placeholder.__new__() takes 1 positional arguments but 2 were given"),
    (lambda: P("a", 2, 3), TypeError, "Placeholder.__new__() takes 1 positional arguments but 3 were given"),
    (lambda: P("a", dim=1), TypeError, "Placeholder.__new__() got an unexpected keyword argument 'dim'"),
    (lambda: P("a", name="b"), TypeError, "Placeholder.__new__() got multiple values for argument 'name'"),
    (lambda: P(5), TypeError, "argument 'name': 'int' object cannot be converted to 'PyString'"),
    (lambda: P(None), TypeError, "argument 'name': 'NoneType' object cannot be converted to 'PyString'"),
    (lambda: P(b"a"), TypeError, "argument 'name': 'bytes' object cannot be converted to 'PyString'"),
    (lambda: P("a", ndim=1.0), TypeError, "argument 'ndim': 'float' object cannot be interpreted as an integer"),
    (lambda: P("a", ndim="1"), TypeError, "argument 'ndim': 'str' object cannot be interpreted as an integer"),
    (lambda: P("a", ndim=None), TypeError,
     "argument 'ndim': 'NoneType' object cannot be interpreted as an integer"),
    (lambda: P("a", ndim=-1), OverflowError, "can't convert negative int to unsigned"),
    (lambda: P("a", ndim=2**64), OverflowError, "int too big to convert"),
    (lambda: P("a", latex=1), TypeError, "argument 'latex': 'int' object cannot be converted to 'PyString'"),
    (lambda: P("a", description=1.5), TypeError,
     "argument 'description': 'float' object cannot be converted to 'PyString'"),
    (lambda: P("a", latex=P("b")), TypeError,
     "argument 'latex': 'Placeholder' object cannot be converted to 'PyString'"),
]


@pytest.mark.parametrize("make, kind, message", CONSTRUCTOR_ERRORS)
def test_constructor_errors(make, kind, message):
    with pytest.raises(kind) as info:
        make()
    assert type(info.value) is kind
    assert str(info.value) == message


def test_argument_errors_keep_their_cause():
    with pytest.raises(TypeError) as info:
        P("a", ndim=1.0)
    assert isinstance(info.value.__cause__, TypeError)
    assert str(info.value.__cause__) == "'float' object cannot be interpreted as an integer"


def test_constructor_checks_arguments_in_order():
    # name first, then ndim, then latex, then description
    with pytest.raises(TypeError, match="^argument 'name'"):
        P(1, ndim=1.0, latex=1, description=1)
    with pytest.raises(TypeError, match="^argument 'ndim'"):
        P("a", ndim=1.0, latex=1, description=1)
    with pytest.raises(TypeError, match="^argument 'latex'"):
        P("a", ndim=1, latex=1, description=1)
    with pytest.raises(TypeError, match="^argument 'description'"):
        P("a", ndim=1, latex="L", description=1)


def test_class_attributes():
    assert P.__module__ == "zorvane"
    assert P.__name__ == "Placeholder" and P.__qualname__ == "Placeholder"
    assert P.__text_signature__ == "(name, *, ndim=0, latex=None, description=None)"
    assert P.__doc__.startswith("A class for creating a placeholder")
    assert P.__hash__ is None
    with pytest.raises(TypeError):
        type("Sub", (P,), {})


# ---------------------------------------------------------------------------------------------
# Getters
# ---------------------------------------------------------------------------------------------


def test_getters():
    p = P("n", ndim=2, description="count")
    assert p.name == "n"
    assert p.ndim == 2
    assert p.description == "count"
    assert P("n").description is None
    assert P("n", description="").description == ""


@pytest.mark.parametrize("attribute", ["name", "ndim", "description", "latex"])
def test_attributes_are_read_only(attribute):
    p = P("n")
    with pytest.raises(AttributeError):
        setattr(p, attribute, "m")
    assert repr(p) == "Placeholder(name='n', ndim=0)"


def test_no_latex_attribute_and_no_dict():
    p = P("n", latex="N")
    with pytest.raises(AttributeError):
        p.latex  # noqa: B018
    with pytest.raises(AttributeError):
        p.other = 1
    assert not hasattr(p, "__dict__")


def test_getters_return_new_objects():
    p = P("name_long_enough_not_to_be_interned" * 2, description="d" * 50)
    assert p.name == p.name
    assert p.description == p.description


def test_placeholder_is_unhashable_and_true():
    p = P("n")
    with pytest.raises(TypeError):
        hash(p)
    assert bool(p) is True
    assert bool(P("n", ndim=1)) is True


def test_two_placeholders_with_one_name_are_distinct_objects():
    p, q = P("n"), P("n", ndim=1, latex="N")
    assert p is not q
    assert type(p == P("n")) is zv.EqualOp


# ---------------------------------------------------------------------------------------------
# Text forms and set_latex
# ---------------------------------------------------------------------------------------------


def test_str_and_latex_of_a_name_with_specials():
    p = P("x_1")
    assert str(p) == "x_1"
    assert p._repr_latex_() == "$$\\displaystyle x_1$$"


def test_repr_latex_with_own_string():
    p = P("a", latex="\\alpha")
    assert p._repr_latex_() == "$$\\displaystyle \\alpha$$"
    assert p.set_latex() is None
    assert p._repr_latex_() == "$$\\displaystyle a$$"
    assert repr(p) == "Placeholder(name='a', ndim=0)"
    p.set_latex("\\beta")
    assert p._repr_latex_() == "$$\\displaystyle \\beta$$"
    assert repr(p) == "Placeholder(name='a', ndim=0, latex='\\beta')"
    assert str(p) == "a"
    p.set_latex(latex=None)
    assert repr(p) == "Placeholder(name='a', ndim=0)"
    p.set_latex("")
    assert p._repr_latex_() == "$$\\displaystyle $$"
    assert repr(p) == "Placeholder(name='a', ndim=0, latex='')"


def test_set_latex_keeps_the_other_fields():
    p = P("a", ndim=2, description="d")
    p.set_latex("A")
    assert (p.name, p.ndim, p.description) == ("a", 2, "d")
    assert repr(p) == "Placeholder(name='a', ndim=2, latex='A', description='d')"


def test_set_latex_errors():
    p = P("a", latex="keep")
    with pytest.raises(TypeError) as info:
        p.set_latex(5)
    assert str(info.value) == "argument 'latex': 'int' object cannot be converted to 'PyString'"
    with pytest.raises(TypeError) as info:
        p.set_latex("a", "b")
    assert str(info.value) == "Placeholder.set_latex() takes from 0 to 1 positional arguments but 2 were given"
    with pytest.raises(TypeError) as info:
        p.set_latex(tex="a")
    assert str(info.value) == "Placeholder.set_latex() got an unexpected keyword argument 'tex'"
    assert p._repr_latex_() == "$$\\displaystyle keep$$"
    with pytest.raises(TypeError):
        P.set_latex(5)
    with pytest.raises(TypeError):
        P.set_latex(5, "a")


def test_set_latex_only_reaches_later_expressions():
    p = P("p")
    before = p * 2
    p.set_latex("P")
    after = p * 2
    assert before._repr_latex_() == "$$\\displaystyle 2 \\cdot p$$"
    assert after._repr_latex_() == "$$\\displaystyle 2 \\cdot P$$"
    assert repr(after.terms[1]) == "Placeholder(name='p', ndim=0, latex='P')"
    p.set_latex()
    assert after._repr_latex_() == "$$\\displaystyle 2 \\cdot P$$"


def test_description_is_not_printed_in_latex_or_str():
    p = P("a", description="the a")
    assert str(p) == "a"
    assert p._repr_latex_() == "$$\\displaystyle a$$"
    assert str(p + 1) == "a + 1"


def test_non_scalar_placeholder_messages():
    m = P("m", ndim=2**64 - 1)
    with pytest.raises(zv.ModelingError) as info:
        m + 1
    assert str(info.value) == ("the dimensionality of the Placeholder { name: m } must be zero, "
                               "but is actually 18446744073709551615")
    e = P("", ndim=1)
    with pytest.raises(zv.ModelingError) as info:
        -e
    assert str(info.value) == "the dimensionality of the Placeholder { name:  } must be zero, but is actually 1"


def test_non_scalar_placeholder_prints():
    a = P("a", ndim=1, latex="A")
    assert str(a) == "a"
    assert repr(a) == "Placeholder(name='a', ndim=1, latex='A')"
    assert a._repr_latex_() == "$$\\displaystyle A$$"
