"""SolvingTime, SystemTime and MeasuringTime: construction, setters, dict and JSON forms; the three number
texts of the sample-set classes. (What the classes share: test_sample_set.py.)"""
import json
import math
from functools import partial

import pytest
from hypothesis import given

import io_models as io
import zorvane as zv


@pytest.mark.parametrize("cls, fields", [(zv.SolvingTime, io.SOLVING_FIELDS), (zv.SystemTime, io.SYSTEM_FIELDS)],
                         ids=["SolvingTime", "SystemTime"])
def test_flat_records(cls, fields):
    values = [i + 0.5 for i in range(len(fields))]
    obj = cls(*values)
    assert obj == cls(**dict(zip(fields, values))) and [getattr(obj, f) for f in fields] == values
    setattr(obj, fields[-1], 4)
    assert getattr(obj, fields[-1]) == 4.0 and type(getattr(obj, fields[-1])) is float
    with pytest.raises(TypeError, match=r"^must be real number, not list$"):
        setattr(obj, fields[-1], [])
    assert getattr(obj, fields[-1]) == 4.0
    setattr(obj, fields[-1], None)
    assert getattr(obj, fields[-1]) is None
    assert cls.from_dict({}) == cls() == cls.from_dict({fields[0]: None, "other": "ignored"})
    obj = cls.from_dict({fields[0]: 3, fields[-1]: 1.5})
    assert getattr(obj, fields[0]) == 3.0 and type(getattr(obj, fields[0])) is float and getattr(obj, fields[-1]) == 1.5
    assert getattr(cls(**{fields[0]: type("Floaty", (), {"__float__": lambda self: 2.5})()}), fields[0]) == 2.5


# display: times and dense arrays; JSON; debug: sparse values and evaluations
@pytest.mark.parametrize("value, display, json_text, debug", [
    (0.25, "0.25", "0.25", "0.25"), (1.0, "1", "1.0", "1.0"), (0.5, "0.5", "0.5", "0.5"), (123.0, "123", "123.0", "123.0"),
    (1e-7, "0.0000001", "1e-7", "1e-7"), (1e20, "100000000000000000000", "1e20", "1e20"), (-0.0, "-0", "-0.0", "-0.0"),
    (math.nan, "NaN", "null", "NaN"), (math.inf, "inf", "null", "inf"), (-math.inf, "-inf", "null", "-inf"),
    (10000000001.0, "10000000001", "10000000001.0", "10000000001.0"),
    (1.25e-10, "0.000000000125", "1.25e-10", "1.25e-10"), (1e16, "10000000000000000", "1e16", "1e16"),
    (1e15, "1000000000000000", "1000000000000000.0", "1000000000000000.0"), (1e-4, "0.0001", "0.0001", "0.0001"),
    (1e-5, "0.00001", "0.00001", "1e-5"), (1e-6, "0.000001", "1e-6", "1e-6"), (9.5e-5, "0.000095", "0.000095", "9.5e-5"),
    (-1.5e-7, "-0.00000015", "-1.5e-7", "-1.5e-7"), (-2e20, "-200000000000000000000", "-2e20", "-2e20"),
    (1234.5678, "1234.5678", "1234.5678", "1234.5678"),
    (0.1 + 0.2, "0.30000000000000004", "0.30000000000000004", "0.30000000000000004"),
])
def test_number_texts(value, display, json_text, debug):
    t = zv.SolvingTime(solve=value)
    assert str(t) == f"SolvingTime(preprocess=None, solve={display}, postprocess=None)"
    assert t.to_json() == f'{{"preprocess":null,"solve":{json_text},"postprocess":null}}'
    assert repr(zv.Record({"x": [(([0],), [value], (1,))]}, [])) == (
        f"Record(solution={{'x': [(([0],), [{debug}], (1,))]}}, num_occurrences=[])")


@given(io.finite)
def test_number_texts_read_back_exactly(value):
    t = zv.SolvingTime(solve=value)
    assert json.loads(t.to_json())["solve"] == value and zv.SolvingTime.from_json(t.to_json()).solve == value
    shown = str(t).split("solve=")[1].split(",")[0]  # positional: no exponent
    assert "e" not in shown and float(shown) == value


def test_equality_and_measuring_time():
    assert zv.SolvingTime(solve=1.0) != zv.SolvingTime() and zv.SolvingTime(solve=0.0) == zv.SolvingTime(solve=-0.0)
    assert zv.SolvingTime(solve=math.nan) != zv.SolvingTime(solve=math.nan)
    assert zv.SolvingTime.from_json(zv.SolvingTime(solve=math.nan).to_json()).solve is None
    assert zv.MeasuringTime(total=1.0) != zv.MeasuringTime(total=2.0) and zv.SolvingTime() != zv.SystemTime()
    assert zv.MeasuringTime(system=zv.SystemTime(request_queue=1.0)) != zv.MeasuringTime()
    mt = zv.MeasuringTime(solve=None, system=None)
    assert mt.solve == zv.SolvingTime() and mt.system == zv.SystemTime() and mt.total is None
    assert repr(zv.MeasuringTime(total=2.5)) == (
        "MeasuringTime(solve=SolvingTime(preprocess=None, solve=None, postprocess=None), "
        "system=SystemTime(post_problem_and_instance_data=None, request_queue=None, "
        "fetch_problem_and_instance_data=None, fetch_result=None, deserialize_solution=None), total=2.5)")
    part = zv.SolvingTime(preprocess=1.0)
    mt = zv.MeasuringTime(solve=part)
    part.preprocess = 5.0
    mt.solve.preprocess = 7.0  # changes a copy only
    assert mt.solve.preprocess == 1.0 and mt.solve is not mt.solve
    mt.solve, mt.system, mt.total = zv.SolvingTime(solve=3.0), zv.SystemTime(fetch_result=4.0), 9
    assert (mt.solve.solve, mt.system.fetch_result, mt.total) == (3.0, 4.0, 9.0)
    mt.total = None
    assert mt.total is None
    for field, value, message in [("solve", None, r"^'NoneType' object cannot be converted to 'SolvingTime'$"),
                                  ("system", zv.SolvingTime(), r"^'SolvingTime' object cannot be converted to 'SystemTime'$"),
                                  ("total", "x", r"^must be real number, not str$")]:
        with pytest.raises(TypeError, match=message):
            setattr(mt, field, value)
    assert mt == zv.MeasuringTime(zv.SolvingTime(solve=3.0), zv.SystemTime(fetch_result=4.0))


def test_dict_and_json_forms():
    d = zv.MeasuringTime().to_dict()
    assert d == {"solve": dict.fromkeys(io.SOLVING_FIELDS), "system": dict.fromkeys(io.SYSTEM_FIELDS), "total": None}
    assert list(d) == ["solve", "system", "total"] and list(d["system"]) == io.SYSTEM_FIELDS
    mt = zv.MeasuringTime.from_dict({"solve": {"solve": 1}, "total": 2, "x": 0})
    assert mt.solve.solve == 1.0 and mt.total == 2.0 and zv.MeasuringTime.from_dict({}) == zv.MeasuringTime()
    assert zv.MeasuringTime(total=1.5).to_json() == (
        '{"solve":{"preprocess":null,"solve":null,"postprocess":null},'
        '"system":{"post_problem_and_instance_data":null,"request_queue":null,'
        '"fetch_problem_and_instance_data":null,"fetch_result":null,"deserialize_solution":null},"total":1.5}')
    assert zv.SolvingTime.from_json("{}") == zv.SolvingTime()
    assert zv.SolvingTime.from_json(" [1, null, 3] \n") == zv.SolvingTime(1.0, None, 3.0)
    assert zv.SolvingTime.from_json('{"solve": 2, "other": [1, {"a": null}]}') == zv.SolvingTime(solve=2.0)
    assert zv.MeasuringTime.from_json('{"solve": {}, "system": {}}') == zv.MeasuringTime()
    assert zv.MeasuringTime.from_json('[[1, 2, 3], [null, null, null, null, 5], 7]') == zv.MeasuringTime(
        zv.SolvingTime(1, 2, 3), zv.SystemTime(deserialize_solution=5), 7)


S, M = zv.SolvingTime, zv.MeasuringTime
KEY = type("Key", (str,), {"__hash__": lambda self: hash("solve"), "__eq__": lambda self, other: 1 / 0})("x")
REFUSALS = [
    (partial(S, solve="1"), TypeError, r"^argument 'solve': must be real number, not str$"),
    (partial(S, preprocess=10**400), OverflowError, r"^int too large to convert to float$"),
    (partial(S, 1, 2, 3, 4), TypeError, r"^SolvingTime.__new__\(\) takes from 0 to 3 positional arguments but 4 were given$"),
    (partial(S, total=1), TypeError, r"^SolvingTime.__new__\(\) got an unexpected keyword argument 'total'$"),
    (partial(M, None, solve=None), TypeError, r"^MeasuringTime.__new__\(\) got multiple values for argument 'solve'$"),
    (partial(M, solve=1), TypeError, r"^argument 'solve': 'int' object cannot be converted to 'SolvingTime'$"),
    (partial(M, solve=zv.SystemTime()), TypeError,
     r"^argument 'solve': 'SystemTime' object cannot be converted to 'SolvingTime'$"),
    (partial(M, system=S()), TypeError, r"^argument 'system': 'SolvingTime' object cannot be converted to 'SystemTime'$"),
    (partial(M, total="x"), TypeError, r"^argument 'total': must be real number, not str$"),
    (partial(S.from_dict, {"solve": "x"}), TypeError, r"^must be real number, not str$"),
    (partial(S.from_dict, {KEY: 1.0}), ZeroDivisionError, None),  # errors of key comparisons are raised
    *[(partial(M.from_dict, {key: value}), ValueError, rf"^the value of the key '{key}' is not dict$")
      for key in ["solve", "system"] for value in [None, 1, []]],
    *[(partial(cls.from_json, text), ValueError, message) for cls, text, message in [
        (S, "[1, 2]", r"^invalid length 2, expected struct PySolvingTime with 3 elements at line 1 column 6$"),
        (S, "[1, 2, 3, 4]", r"^invalid length 4, expected struct PySolvingTime with 3 elements"),
        (zv.SystemTime, "[]", r"^invalid length 0, expected struct PySystemTime with 5 elements"),
        (M, "[{}]", r"^invalid length 1, expected struct PyMeasuringTime with 3 elements"),
        (M, "{}", r"^missing field `solve` at line 1 column 2$"),
        (M, '{"solve": {}}', r"^missing field `system`"),
        (M, '{"solve": 1, "system": {}}', r"^invalid type: integer `1`, expected struct PySolvingTime"),
        (S, '{"solve": 1, "solve": 2}', r"^duplicate field `solve`"),
        (S, '{"solve": "1"}', r'^invalid type: string "1", expected f64'),
        (S, '{"solve": true}', r"^invalid type: boolean `true`, expected f64"),
        (S, "1.5", r"^invalid type: floating point `1.5`, expected struct PySolvingTime"),
        (S, '"a"', r'^invalid type: string "a", expected struct PySolvingTime'),
        (S, "null", r"^invalid type: null, expected struct PySolvingTime"),
        (S, "{} {}", r" at line 1 column \d+$"), (S, "", r" at line 1 column 0$"),
        (S, "{\n\n  \"solve\": x}", r" at line 3 column \d+$"), (S, '{"solve": NaN}', r" at line 1 column \d+$"),
        (S, '{"solve": 1e999}', r" at line 1 column \d+$"),
        (S, "{}\0garbage", r"^trailing characters at line 1 column 3$"),
        (S, "[" * 200 + "]" * 200, r"^recursion limit exceeded at line 1 column 129$")]],
]


@pytest.mark.parametrize("call, error, message", REFUSALS)
def test_refusals(call, error, message):
    with pytest.raises(error, match=message):
        call()
