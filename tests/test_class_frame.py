"""How NumberLit and DataType are exposed: identity, docs, flags, argument parsing."""

import gc
import weakref

import pytest

import zorvane as zv

INSTANCES = {
    "NumberLit": lambda: zv.NumberLit(1),
    "NumberLit-float": lambda: zv.NumberLit(1.5),
    "DataType": lambda: zv.DataType.FLOAT,
}


@pytest.mark.parametrize(
    "name, signature",
    [("NumberLit", "(value)"), ("DataType", None)],
)
def test_class_identity(name, signature):
    cls = getattr(zv, name)
    assert cls.__module__ == "zorvane"
    assert cls.__name__ == name
    assert cls.__qualname__ == name
    assert cls.__text_signature__ == signature
    assert cls.__bases__ == (object,)


def test_number_lit_documentation():
    doc = zv.NumberLit.__doc__
    lines = doc.splitlines()
    assert lines[0] == "A class for creating a number literal"
    assert lines[1].strip() == ""
    positions = [doc.find(s) for s in ("Attributes:", "Args:", "Examples:")]
    assert -1 not in positions and positions == sorted(positions), positions
    assert "import zorvane as zv" in doc[positions[2]:]


def test_data_type_has_no_documentation():
    assert zv.DataType.__doc__ is None


def test_number_lit_member_descriptors():
    meth = zv.NumberLit.__dict__["_repr_latex_"]
    assert meth.__text_signature__ == "($self)"
    assert meth.__doc__ is None
    for attr in ("value", "dtype"):
        descr = zv.NumberLit.__dict__[attr]
        assert hasattr(type(descr), "__set__"), attr  # a data descriptor on the class
        assert not descr.__doc__, attr


@pytest.mark.parametrize("name", ["NumberLit", "DataType"])
def test_subclassing_refused(name):
    base = getattr(zv, name)
    with pytest.raises(TypeError, match="is not an acceptable base type"):
        type("Sub", (base,), {})


@pytest.mark.parametrize("make", INSTANCES.values(), ids=INSTANCES.keys())
def test_no_instance_dict_no_weakref_no_gc(make):
    obj = make()
    assert not hasattr(obj, "__dict__")
    with pytest.raises(AttributeError):
        obj.brand_new = 1
    with pytest.raises(AttributeError):
        setattr(obj, "latex", "x")
    with pytest.raises(TypeError):
        weakref.ref(obj)
    assert type(obj).__weakrefoffset__ == 0
    assert not gc.is_tracked(obj)


@pytest.mark.parametrize("attr", ["value", "dtype"])
def test_number_lit_attributes_are_read_only(attr):
    n = zv.NumberLit(3)
    with pytest.raises(AttributeError):
        setattr(n, attr, 4)
    with pytest.raises(AttributeError):
        delattr(n, attr)
    assert n.value == 3 and n.dtype == zv.DataType.INTEGER


@pytest.mark.parametrize(
    "args, kwargs",
    [((), {}), ((0,), {}), ((1,), {}), ((), {"value": 0}), (("FLOAT",), {})],
)
def test_data_type_has_no_constructor(args, kwargs):
    with pytest.raises(TypeError) as exc:
        zv.DataType(*args, **kwargs)
    assert str(exc.value) == "No constructor defined"


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((), {}, "missing 1 required positional argument: 'value'"),
        ((1, 2), {}, "takes 1 positional arguments but 2 were given"),
        ((1, 2, 3), {}, "takes 1 positional arguments but 3 were given"),
        ((1, 2), {"value": 3}, "takes 1 positional arguments but 2 were given"),
        ((1,), {"dim": 2}, "got an unexpected keyword argument 'dim'"),
        ((), {"x": 1}, "got an unexpected keyword argument 'x'"),
        ((), {"value": 1, "Value": 2}, "got an unexpected keyword argument 'Value'"),
        ((1,), {"value": 2}, "got multiple values for argument 'value'"),
    ],
)
def test_number_lit_argument_parser_messages(args, kwargs, message):
    with pytest.raises(TypeError) as exc:
        zv.NumberLit(*args, **kwargs)
    assert str(exc.value) == "NumberLit.__new__() " + message


def test_number_lit_value_by_keyword():
    n = zv.NumberLit(value=5)
    assert n.value == 5 and n.dtype == zv.DataType.INTEGER
    assert zv.NumberLit.__new__(zv.NumberLit, 2.5).value == 2.5


@pytest.mark.parametrize(
    "call",
    [
        lambda: zv.NumberLit._repr_latex_(5),
        lambda: zv.NumberLit._repr_latex_(zv.DataType.FLOAT),
        lambda: zv.NumberLit.__str__(5),
        lambda: zv.NumberLit.__repr__(zv.DataType.INTEGER),
        lambda: zv.NumberLit.value.__get__(5),
        lambda: zv.NumberLit.dtype.__get__(zv.DataType.FLOAT),
        lambda: zv.DataType.__repr__(zv.NumberLit(1)),
        lambda: zv.DataType.__int__(1),
        lambda: zv.DataType.__eq__(0, 0),
    ],
    ids=[
        "latex-int", "latex-datatype", "str-int", "repr-datatype", "value-int",
        "dtype-datatype", "dt-repr-numberlit", "dt-int-int", "dt-eq-int",
    ],
)
def test_unbound_member_with_foreign_self(call):
    with pytest.raises(TypeError):
        call()
