"""SolvingTime, SystemTime and MeasuringTime: construction, attributes, text, equality, dict and JSON forms."""

import json
import math

import pytest
from hypothesis import given, strategies as st

import zorvane as zv

SOLVING_FIELDS = ["preprocess", "solve", "postprocess"]
SYSTEM_FIELDS = [
    "post_problem_and_instance_data",
    "request_queue",
    "fetch_problem_and_instance_data",
    "fetch_result",
    "deserialize_solution",
]
FLAT = [(zv.SolvingTime, SOLVING_FIELDS), (zv.SystemTime, SYSTEM_FIELDS)]
FLAT_IDS = ["SolvingTime", "SystemTime"]
EMPTY_SOLVING = "SolvingTime(preprocess=None, solve=None, postprocess=None)"
EMPTY_SYSTEM = (
    "SystemTime(post_problem_and_instance_data=None, request_queue=None, "
    "fetch_problem_and_instance_data=None, fetch_result=None, deserialize_solution=None)"
)


class Floaty:
    def __float__(self):
        return 2.5


# ---- construction and attributes -------------------------------------------------------------


def test_empty_solving_time_text():
    assert str(zv.SolvingTime()) == EMPTY_SOLVING
    assert repr(zv.SolvingTime()) == EMPTY_SOLVING


def test_empty_system_time_text():
    assert repr(zv.SystemTime()) == EMPTY_SYSTEM


@pytest.mark.parametrize("cls, fields", FLAT, ids=FLAT_IDS)
def test_every_field_positional_and_keyword(cls, fields):
    values = [float(i) + 0.5 for i in range(len(fields))]
    by_position = cls(*values)
    by_keyword = cls(**dict(zip(fields, values)))
    assert by_position == by_keyword
    for field, value in zip(fields, values):
        assert getattr(by_position, field) == value


def test_int_is_stored_as_float():
    st_ = zv.SolvingTime(preprocess=1)
    assert st_.preprocess == 1.0 and type(st_.preprocess) is float
    assert str(st_) == "SolvingTime(preprocess=1, solve=None, postprocess=None)"
    assert st_.to_json() == '{"preprocess":1.0,"solve":null,"postprocess":null}'


def test_object_with_float_method_is_accepted():
    assert zv.SolvingTime(solve=Floaty()).solve == 2.5


@pytest.mark.parametrize(
    "value, text",
    [
        (0.25, "0.25"),
        (1e-7, "0.0000001"),
        (1e20, "100000000000000000000"),
        (-0.0, "-0"),
        (math.nan, "NaN"),
        (math.inf, "inf"),
        (-math.inf, "-inf"),
        (123.0, "123"),
        (10000000001.0, "10000000001"),
        (1.25e-10, "0.000000000125"),
    ],
)
def test_time_text(value, text):
    assert str(zv.SolvingTime(solve=value)) == f"SolvingTime(preprocess=None, solve={text}, postprocess=None)"


def test_measuring_time_text_with_total_only():
    assert repr(zv.MeasuringTime(total=2.5)) == (
        f"MeasuringTime(solve={EMPTY_SOLVING}, system={EMPTY_SYSTEM}, total=2.5)"
    )


def test_constructor_type_error_is_prefixed():
    with pytest.raises(TypeError, match=r"^argument 'solve': must be real number, not str$"):
        zv.SolvingTime(solve="1")


def test_constructor_overflow_is_not_prefixed():
    with pytest.raises(OverflowError, match=r"^int too large to convert to float$"):
        zv.SolvingTime(preprocess=10**400)


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: zv.SolvingTime(1, 2, 3, 4), r"^SolvingTime.__new__\(\) takes from 0 to 3 positional arguments but 4 were given$"),
        (lambda: zv.SolvingTime(total=1), r"^SolvingTime.__new__\(\) got an unexpected keyword argument 'total'$"),
        (lambda: zv.MeasuringTime(None, solve=None), r"^MeasuringTime.__new__\(\) got multiple values for argument 'solve'$"),
    ],
)
def test_argument_parsing_errors(call, message):
    with pytest.raises(TypeError, match=message):
        call()


@pytest.mark.parametrize(
    "kwargs, message",
    [
        ({"solve": 1}, r"^argument 'solve': 'int' object cannot be converted to 'SolvingTime'$"),
        ({"solve": zv.SystemTime()}, r"^argument 'solve': 'SystemTime' object cannot be converted to 'SolvingTime'$"),
        ({"system": zv.SolvingTime()}, r"^argument 'system': 'SolvingTime' object cannot be converted to 'SystemTime'$"),
        ({"total": "x"}, r"^argument 'total': must be real number, not str$"),
    ],
)
def test_measuring_time_constructor_errors(kwargs, message):
    with pytest.raises(TypeError, match=message):
        zv.MeasuringTime(**kwargs)


def test_measuring_time_none_parts_are_empty():
    mt = zv.MeasuringTime(solve=None, system=None)
    assert mt.solve == zv.SolvingTime() and mt.system == zv.SystemTime() and mt.total is None


def test_measuring_time_copies_its_parts():
    st_ = zv.SolvingTime(preprocess=1.0)
    mt = zv.MeasuringTime(solve=st_)
    st_.preprocess = 5.0
    assert mt.solve.preprocess == 1.0
    mt.solve.preprocess = 7.0  # changes a copy only
    assert mt.solve.preprocess == 1.0
    assert mt.solve is not mt.solve


def test_measuring_time_setters():
    mt = zv.MeasuringTime()
    mt.solve = zv.SolvingTime(solve=3.0)
    mt.system = zv.SystemTime(fetch_result=4.0)
    mt.total = 9
    assert (mt.solve.solve, mt.system.fetch_result, mt.total) == (3.0, 4.0, 9.0)
    mt.total = None
    assert mt.total is None


@pytest.mark.parametrize(
    "field, value, message",
    [
        ("solve", None, r"^'NoneType' object cannot be converted to 'SolvingTime'$"),
        ("system", zv.SolvingTime(), r"^'SolvingTime' object cannot be converted to 'SystemTime'$"),
        ("total", "x", r"^must be real number, not str$"),
    ],
)
def test_measuring_time_failed_setter_keeps_value(field, value, message):
    mt = zv.MeasuringTime(solve=zv.SolvingTime(solve=1.0), system=zv.SystemTime(fetch_result=2.0), total=3.0)
    before = mt.to_dict()
    with pytest.raises(TypeError, match=message):
        setattr(mt, field, value)
    assert mt.to_dict() == before


@pytest.mark.parametrize("cls, fields", FLAT, ids=FLAT_IDS)
def test_float_setter(cls, fields):
    obj = cls()
    setattr(obj, fields[-1], 4)
    assert getattr(obj, fields[-1]) == 4.0
    with pytest.raises(TypeError, match=r"^must be real number, not list$"):
        setattr(obj, fields[-1], [])
    assert getattr(obj, fields[-1]) == 4.0
    setattr(obj, fields[-1], None)
    assert getattr(obj, fields[-1]) is None


@pytest.mark.parametrize(
    "obj, field",
    [(zv.SolvingTime(), "solve"), (zv.SystemTime(), "fetch_result"), (zv.MeasuringTime(), "solve"), (zv.MeasuringTime(), "total")],
)
def test_delete_attribute(obj, field):
    with pytest.raises(AttributeError, match=r"^can't delete attribute$"):
        delattr(obj, field)


# ---- equality ----------------------------------------------------------------------------------


@pytest.mark.parametrize("cls", [zv.SolvingTime, zv.SystemTime, zv.MeasuringTime])
def test_equality_and_ordering(cls):
    assert cls() == cls()
    assert not (cls() != cls())
    assert (cls() == 1) is False
    assert (cls() != 1) is True
    for op in ["<", "<=", ">", ">="]:
        with pytest.raises(TypeError, match=rf"^Comparison '{op}' not supported for {cls.__name__}$"):
            eval(f"a {op} b", {"a": cls(), "b": cls()})
    with pytest.raises(TypeError, match="not supported between instances"):
        cls() < 1
    with pytest.raises(TypeError, match="unhashable"):
        hash(cls())


def test_equality_rules():
    assert zv.SolvingTime(solve=1.0) != zv.SolvingTime()
    assert zv.SolvingTime(solve=0.0) == zv.SolvingTime(solve=-0.0)
    assert zv.SolvingTime(solve=math.nan) != zv.SolvingTime(solve=math.nan)
    assert zv.MeasuringTime(total=1.0) != zv.MeasuringTime(total=2.0)
    assert zv.MeasuringTime(system=zv.SystemTime(request_queue=1.0)) != zv.MeasuringTime()
    assert zv.SolvingTime() != zv.SystemTime()


# ---- dict form ---------------------------------------------------------------------------------


def test_measuring_time_to_dict_empty():
    d = zv.MeasuringTime().to_dict()
    assert d == {
        "solve": dict.fromkeys(SOLVING_FIELDS),
        "system": dict.fromkeys(SYSTEM_FIELDS),
        "total": None,
    }
    assert list(d) == ["solve", "system", "total"]
    assert list(d["system"]) == SYSTEM_FIELDS
    assert zv.MeasuringTime.from_dict(d) == zv.MeasuringTime()


@pytest.mark.parametrize("cls, fields", FLAT, ids=FLAT_IDS)
def test_flat_from_dict(cls, fields):
    assert cls.from_dict({}) == cls()
    assert cls.from_dict({fields[0]: None, "other": "ignored"}) == cls()
    obj = cls.from_dict({fields[0]: 3, fields[-1]: 1.5})
    assert getattr(obj, fields[0]) == 3.0 and getattr(obj, fields[-1]) == 1.5
    with pytest.raises(TypeError, match=r"^must be real number, not str$"):
        cls.from_dict({fields[0]: "x"})
    with pytest.raises(TypeError, match=r"^argument 'dict': 'list' object cannot be converted to 'PyDict'$"):
        cls.from_dict([])
    assert cls.from_dict(dict={}) == cls()


def test_measuring_time_from_dict():
    assert zv.MeasuringTime.from_dict({}) == zv.MeasuringTime()
    mt = zv.MeasuringTime.from_dict({"solve": {"solve": 1}, "total": 2, "x": 0})
    assert mt.solve.solve == 1.0 and mt.total == 2.0


@pytest.mark.parametrize("key", ["solve", "system"])
@pytest.mark.parametrize("value", [None, 1, []])
def test_measuring_time_from_dict_inner_not_dict(key, value):
    with pytest.raises(ValueError, match=rf"^the value of the key '{key}' is not dict$"):
        zv.MeasuringTime.from_dict({key: value})


# ---- JSON form ---------------------------------------------------------------------------------


def test_json_texts():
    assert zv.SolvingTime().to_json() == '{"preprocess":null,"solve":null,"postprocess":null}'
    assert zv.MeasuringTime(total=1.5).to_json() == (
        '{"solve":{"preprocess":null,"solve":null,"postprocess":null},'
        '"system":{"post_problem_and_instance_data":null,"request_queue":null,'
        '"fetch_problem_and_instance_data":null,"fetch_result":null,"deserialize_solution":null},'
        '"total":1.5}'
    )


@pytest.mark.parametrize(
    "value, text",
    [(1.0, "1.0"), (0.5, "0.5"), (1e16, "1e16"), (1e15, "1000000000000000.0"), (1e-5, "0.00001"),
     (1e-6, "1e-6"), (-1.5e-7, "-1.5e-7"), (-0.0, "-0.0"), (math.nan, "null"), (math.inf, "null"),
     (0.1 + 0.2, "0.30000000000000004")],
)
def test_json_float_form(value, text):
    assert zv.SolvingTime(solve=value).to_json() == f'{{"preprocess":null,"solve":{text},"postprocess":null}}'


def test_nan_time():
    a = zv.SolvingTime(solve=math.nan)
    assert a != zv.SolvingTime(solve=math.nan)
    assert "solve=NaN" in str(a)
    assert zv.SolvingTime.from_json(a.to_json()).solve is None


def test_from_json_forms():
    assert zv.SolvingTime.from_json("{}") == zv.SolvingTime()
    assert zv.SolvingTime.from_json(" [1, null, 3] \n") == zv.SolvingTime(1.0, None, 3.0)
    assert zv.SolvingTime.from_json('{"solve": 2, "other": [1, {"a": null}]}') == zv.SolvingTime(solve=2.0)
    assert zv.MeasuringTime.from_json('{"solve": {}, "system": {}}') == zv.MeasuringTime()
    assert zv.MeasuringTime.from_json('[[1, 2, 3], [null, null, null, null, 5], 7]') == zv.MeasuringTime(
        zv.SolvingTime(1, 2, 3), zv.SystemTime(deserialize_solution=5), 7
    )


@pytest.mark.parametrize(
    "cls, text, message",
    [
        (zv.SolvingTime, "[1, 2]", r"^invalid length 2, expected struct PySolvingTime with 3 elements at line 1 column 6$"),
        (zv.SolvingTime, "[1, 2, 3, 4]", r"^invalid length 4, expected struct PySolvingTime with 3 elements"),
        (zv.SystemTime, "[]", r"^invalid length 0, expected struct PySystemTime with 5 elements"),
        (zv.MeasuringTime, "[{}]", r"^invalid length 1, expected struct PyMeasuringTime with 3 elements"),
        (zv.MeasuringTime, "{}", r"^missing field `solve` at line 1 column 2$"),
        (zv.MeasuringTime, '{"solve": {}}', r"^missing field `system`"),
        (zv.MeasuringTime, '{"solve": 1, "system": {}}', r"^invalid type: integer `1`, expected struct PySolvingTime"),
        (zv.SolvingTime, '{"solve": 1, "solve": 2}', r"^duplicate field `solve`"),
        (zv.SolvingTime, '{"solve": "1"}', r'^invalid type: string "1", expected f64'),
        (zv.SolvingTime, '{"solve": true}', r"^invalid type: boolean `true`, expected f64"),
        (zv.SolvingTime, "1.5", r"^invalid type: floating point `1.5`, expected struct PySolvingTime"),
        (zv.SolvingTime, '"a"', r'^invalid type: string "a", expected struct PySolvingTime'),
        (zv.SolvingTime, "null", r"^invalid type: null, expected struct PySolvingTime"),
        (zv.SolvingTime, "{} {}", r" at line 1 column \d+$"),
        (zv.SolvingTime, "", r" at line 1 column 0$"),
        (zv.SolvingTime, "{\n\n  \"solve\": x}", r" at line 3 column \d+$"),
        (zv.SolvingTime, '{"solve": NaN}', r" at line 1 column \d+$"),
        (zv.SolvingTime, '{"solve": 1e999}', r" at line 1 column \d+$"),
        (zv.SolvingTime, "{}\0garbage", r"^trailing characters at line 1 column 3$"),
        (zv.SolvingTime, "[" * 200 + "]" * 200, r"^recursion limit exceeded at line 1 column 129$"),
    ],
)
def test_from_json_errors(cls, text, message):
    with pytest.raises(ValueError, match=message):
        cls.from_json(text)


@pytest.mark.parametrize("cls", [zv.SolvingTime, zv.SystemTime, zv.MeasuringTime])
def test_from_json_needs_str(cls):
    with pytest.raises(TypeError, match=r"^argument 'json': 'bytes' object cannot be converted to 'PyString'$"):
        cls.from_json(b"{}")
    with pytest.raises(TypeError, match=r"from_json\(\) missing 1 required positional argument: 'json'$"):
        cls.from_json()


def test_docs_and_signatures():
    assert zv.SolvingTime.__text_signature__ == "(preprocess=None, solve=None, postprocess=None)"
    assert zv.MeasuringTime.__text_signature__ == "(solve=None, system=None, total=None)"
    assert zv.SystemTime.__doc__.startswith("A class for storing time of corvantis running.")
    assert zv.SolvingTime.to_dict.__text_signature__ == "($self)"
    assert zv.SolvingTime.from_dict.__text_signature__ == "(dict)"
    assert zv.MeasuringTime.from_json.__doc__.startswith("Create a MeasuringTime object from the JSON string.")


# ---- round trips -------------------------------------------------------------------------------

times = st.one_of(st.none(), st.floats(allow_nan=False, allow_infinity=False))
solving = st.builds(zv.SolvingTime, times, times, times)
system = st.builds(zv.SystemTime, times, times, times, times, times)
measuring = st.builds(zv.MeasuringTime, solving, system, times)


@given(measuring)
def test_measuring_time_round_trips(mt):
    assert zv.MeasuringTime.from_dict(mt.to_dict()) == mt
    text = mt.to_json()
    assert zv.MeasuringTime.from_json(text) == mt
    assert zv.MeasuringTime.from_json(text).to_json() == text
    assert json.loads(text)["total"] == mt.total
    assert eval(repr(mt).replace("NaN", "nan"), {**vars(zv), "inf": math.inf, "nan": math.nan}) == mt


@given(st.floats(allow_nan=False, allow_infinity=False))
def test_json_float_reads_back_exactly(value):
    text = zv.SolvingTime(solve=value).to_json()
    assert json.loads(text)["solve"] == value
    assert zv.SolvingTime.from_json(text).solve == value


@given(st.floats(allow_nan=False, allow_infinity=False))
def test_display_text_reads_back_exactly(value):
    # The display form is positional: no exponent, and it reads back to the same float.
    text = str(zv.SolvingTime(solve=value)).split("solve=")[1].split(",")[0]
    assert "e" not in text
    assert float(text) == value


def test_from_dict_key_comparison_errors_propagate():
    class Key(str):
        def __hash__(self):
            return hash("solve")

        def __eq__(self, other):
            raise ArithmeticError("compared")

    with pytest.raises(ArithmeticError, match="compared"):
        zv.SolvingTime.from_dict({Key("x"): 1.0})
