"""SolvingTime, SystemTime and MeasuringTime: construction, setters, dict and JSON forms; the three number
texts of the sample-set classes. (Refused input and what the classes share: test_sample_set.py.)"""
import json
import math

import pytest
from hypothesis import given

import io_models as io
import zorvane as zv


@pytest.mark.parametrize("cls, fields", [(zv.SolvingTime, io.SOLVING_FIELDS), (zv.SystemTime, io.SYSTEM_FIELDS)],
                         ids=["SolvingTime", "SystemTime"])
def test_flat_records(cls, fields):
    values, last = [i + 0.5 for i in range(len(fields))], fields[-1]
    obj = cls(*values)
    assert obj == cls(**dict(zip(fields, values))) and [getattr(obj, f) for f in fields] == values
    setattr(obj, last, 4)
    with pytest.raises(TypeError, match=r"^must be real number, not list$"):
        setattr(obj, last, [])
    assert getattr(obj, last) == 4.0 and type(getattr(obj, last)) is float
    setattr(obj, last, None)
    assert getattr(obj, last) is None
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
def test_number_texts_read_back_exactly(value):  # the display text is positional: no exponent
    t = zv.SolvingTime(solve=value)
    shown = str(t).split("solve=")[1].split(",")[0]
    assert "e" not in shown and float(shown) == value and json.loads(t.to_json())["solve"] == value


def test_equality_measuring_time_dict_and_json():
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
    for field, value, message in [("solve", None, "'NoneType' object cannot be converted to 'SolvingTime'"),
                                  ("system", zv.SolvingTime(), "'SolvingTime' object cannot be converted to 'SystemTime'"),
                                  ("total", "x", "must be real number, not str")]:
        with pytest.raises(TypeError, match=f"^{message}$"):
            setattr(mt, field, value)
    assert mt == zv.MeasuringTime(zv.SolvingTime(solve=3.0), zv.SystemTime(fetch_result=4.0))
    d = {"solve": dict.fromkeys(io.SOLVING_FIELDS), "system": dict.fromkeys(io.SYSTEM_FIELDS), "total": None}
    assert list(zv.MeasuringTime().to_dict().items()) == list(d.items()) and list(d["system"]) == io.SYSTEM_FIELDS
    assert json.loads(zv.MeasuringTime(total=1.5).to_json()) == {**d, "total": 1.5}
    mt = zv.MeasuringTime.from_dict({"solve": {"solve": 1}, "total": 2, "x": 0})
    assert mt.solve.solve == 1.0 and mt.total == 2.0 and zv.MeasuringTime.from_dict({}) == zv.MeasuringTime()
    assert zv.SolvingTime.from_json("{}") == zv.SolvingTime()
    assert zv.SolvingTime.from_json(" [1, null, 3] \n") == zv.SolvingTime(1.0, None, 3.0)
    assert zv.SolvingTime.from_json('{"solve": 2, "other": [1, {"a": null}]}') == zv.SolvingTime(solve=2.0)
    assert zv.MeasuringTime.from_json('{"solve": {}, "system": {}}') == zv.MeasuringTime()
    assert zv.MeasuringTime.from_json('[[1, 2, 3], [null, null, null, null, 5], 7]') == zv.MeasuringTime(
        zv.SolvingTime(1, 2, 3), zv.SystemTime(deserialize_solution=5), 7)
