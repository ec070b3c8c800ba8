"""SampleSet: attributes, text, equality, dict/JSON/pandas forms, selection (feasible, infeasible, lowest),
concatenate and the backend time report; and what all the sample-set classes share: comparison, hashing,
deletion, argument checks, signatures, dict/JSON round trips and memory."""
import json
import math
from functools import partial

import numpy as np
import orjson
import pandas as pd
import pytest
from hypothesis import given, strategies as st

import io_models as io
import zorvane as zv
from io_models import empty_set, kept, sample_set

R, E, MT = zv.Record({}, []), zv.Evaluation(), zv.MeasuringTime()
S, cat = zv.SampleSet, zv.concatenate

# ---- what the classes share ----

CLASSES = [  # class, a maker of an instance, its attributes, its signature
    (zv.SolvingTime, zv.SolvingTime, io.SOLVING_FIELDS, "(preprocess=None, solve=None, postprocess=None)"),
    (zv.SystemTime, zv.SystemTime, io.SYSTEM_FIELDS, "(" + "=None, ".join(io.SYSTEM_FIELDS) + "=None)"),
    (zv.MeasuringTime, zv.MeasuringTime, ["solve", "system", "total"], "(solve=None, system=None, total=None)"),
    (zv.Record, io.sparse_record, ["solution", "num_occurrences"], "(solution, num_occurrences)"),
    (zv.Evaluation, io.full_evaluation, io.EVALUATION_FIELDS, "(" + "=None, ".join(io.EVALUATION_FIELDS) + "=None)"),
    (zv.SampleSet, lambda: sample_set(metadata={"k": 1}), ["record", "evaluation", "measuring_time", "metadata"],
     "(record, evaluation, measuring_time, metadata=None)"),
]


@pytest.mark.parametrize("cls, make, fields, signature", CLASSES, ids=[c[0].__name__ for c in CLASSES])
def test_class_frame(cls, make, fields, signature):
    a, name = make(), cls.__name__
    assert a == make() and not (a != make()) and (a == 1) is False and (a != 1) is True and str(a) == repr(a)
    for op in ["<", "<=", ">", ">="]:
        with pytest.raises(TypeError, match=rf"^Comparison '{op}' not supported for {name}$"):
            eval(f"a {op} b", {"a": a, "b": make()})
    with pytest.raises(TypeError, match=rf"^'<' not supported between instances of 'zorvane.{name}' and 'int'$"):
        a < 1
    with pytest.raises(TypeError, match="unhashable"):
        hash(a)
    for field in fields:
        with pytest.raises(AttributeError, match=r"^can't delete attribute$"):
            delattr(a, field)
    with pytest.raises(TypeError, match=r"^argument 'json': 'bytes' object cannot be converted to 'PyString'$"):
        cls.from_json(b"{}")
    with pytest.raises(TypeError, match=rf"^{name}.from_json\(\) missing 1 required positional argument: 'json'$"):
        cls.from_json()
    with pytest.raises(TypeError, match=r"^argument 'dict': 'list' object cannot be converted to 'PyDict'$"):
        cls.from_dict([])
    assert cls.from_dict(dict=a.to_dict()) == a == cls.from_json(json=a.to_json())
    assert [getattr(f, "__text_signature__") for f in (cls, cls.from_json, cls.from_dict, cls.to_dict, cls.to_json)] == [
        signature, "(json)", "(dict)", "($self)", "($self)"]


@pytest.mark.parametrize("cls, strategy", [(zv.MeasuringTime, io.measuring_times), (zv.Record, io.sparse_records),
                                           (zv.Record, io.dense_records), (zv.Evaluation, io.evaluations),
                                           (zv.SampleSet, io.sample_sets)],
                         ids=["MeasuringTime", "sparse Record", "dense Record", "Evaluation", "SampleSet"])
@given(data=st.data())
def test_round_trips(cls, strategy, data):
    obj = data.draw(strategy)
    assert cls.from_dict(obj.to_dict()) == obj
    text = obj.to_json()
    back = cls.from_json(text)
    assert back == obj and back.to_json() == text and cls.from_json(json.dumps(json.loads(text), indent=2)) == obj
    if isinstance(obj, zv.Record) and obj.is_dense():  # a dict without arrays reads as sparse
        assert obj.to_sparse().to_dense() == obj
    if isinstance(obj, zv.MeasuringTime):  # the text is a constructor call
        assert eval(repr(obj), {**vars(zv), "inf": math.inf}) == obj


def test_signatures_docs_and_registration():
    assert zv.SampleSet.feasible.__text_signature__ == "($self, rtol=1e-5, atol=1e-8)"
    assert "$$ |0 - v| \\\\leq \\\\mathrm{atol} + \\\\mathrm{rtol} \\\\cdot |v| $$" in zv.SampleSet.feasible.__doc__
    assert zv.concatenate.__text_signature__ == "(sample_sets)"
    assert "This function will be deprecated in v1.1.0." in zv.concatenate.__doc__
    assert zv.SampleSet.get_backend_calculation_time.__text_signature__ == "($self)"
    assert zv.Record.is_dense.__text_signature__ == zv.Evaluation.to_pandas.__text_signature__ == "($self)"
    assert zv.__all__[-6:] == ["Evaluation", "Record", "SolvingTime", "SystemTime", "MeasuringTime", "SampleSet"]
    assert "concatenate" in zv.__all__


def test_memory():
    md = {"k": []}

    def churn():
        s = sample_set(metadata=md)
        s.feasible().to_dict(), s.infeasible(), repr(s), s.to_dense(), s.to_pandas()
        zv.SampleSet.from_json(s.to_json())
        zv.concatenate([s, s]).lowest(), zv.concatenate([s])
        zv.Record.from_json(io.dense_record().to_json()).to_sparse()
        zv.Evaluation.from_dict(io.full_evaluation().to_dict()).constraint_expr_values
        zv.MeasuringTime.from_json(zv.MeasuringTime(total=1.0).to_json())
        for call, error, _ in REFUSALS[::7]:
            with pytest.raises(error):
                call()

    io.assert_no_leak(churn, md, rounds=300)


# ---- refusals ----

VALID = {"record": {}, "evaluation": {}, "measuring_time": {}}
DENSE = sample_set().to_dense()
T0 = "2024-01-01T00:00:00.000000Z"


def span(span_id, parent, end="2024-01-01T00:00:01.500000Z", start=T0):
    return {"start_time": start, "end_time": end, "context": {"span_id": span_id}, "parent_id": parent}


REFUSALS = [
    (partial(S, 1, E, MT), TypeError, r"^argument 'record': 'int' object cannot be converted to 'Record'$"),
    (partial(S, R, R, MT), TypeError, r"^argument 'evaluation': 'Record' object cannot be converted to 'Evaluation'$"),
    (partial(S, R, E, zv.SolvingTime()), TypeError,
     r"^argument 'measuring_time': 'SolvingTime' object cannot be converted to 'MeasuringTime'$"),
    (partial(S, R, E, MT, []), TypeError, r"^argument 'metadata': 'list' object cannot be converted to 'PyDict'$"),
    (S, TypeError,
     r"^SampleSet.__new__\(\) missing 3 required positional arguments: 'record', 'evaluation', and 'measuring_time'$"),
    (partial(S, 1, 2, 3, 4, 5), TypeError,
     r"^SampleSet.__new__\(\) takes from 3 to 4 positional arguments but 5 were given$"),
    (partial(S, R, E, MT, meta={}), TypeError, r"unexpected keyword argument 'meta'$"),
    *[(partial(S.from_dict, {k: v for k, v in VALID.items() if k != key}), ValueError,
       rf"^the key '{key}' is not included in the dict$") for key in VALID],
    *[(partial(S.from_dict, {**VALID, key: value}), TypeError, rf"^the value of the key '{key}' is not dict$")
      for key in [*VALID, "metadata"] for value in [None, [], 1]],
    # the keys are read in order: earlier ones are parsed before a later one is found missing
    (partial(S.from_dict, {"record": {"num_occurrences": [1]}, "evaluation": {"energy": [1.0]}}), ValueError,
     r"^the key 'measuring_time' is not included in the dict$"),
    (partial(S.from_dict, {"record": {"num_occurrences": "x"}}), TypeError, r"^Can't extract `str` to `Vec`$"),
    (partial(S.from_dict, {**VALID, "measuring_time": {"solve": 1}}), ValueError,
     r"^the value of the key 'solve' is not dict$"),
    (partial(S.from_json, "{}"), ValueError, r"^the key 'record' is not included in the dict$"),
    *[(partial(S.from_json, text), orjson.JSONDecodeError, None) for text in ["{", "", "[1, 2", '{"a": NaN}']],
    *[(partial(S.from_json, text), TypeError, rf"^'{name}' object cannot be converted to 'PyDict'$")
      for text, name in [("[]", "list"), ("1", "int"), ('"s"', "str"), ("null", "NoneType")]],
    (empty_set({"a": object()}).to_json, orjson.JSONEncodeError, None),
    (S(zv.Record({"x": [(([5],), [1.0], (2,))]}, [1]), E, MT).to_dense, IndexError,
     r"^Failed to get a mutable reference to the array at \[5\]"),
    *[row for method in ["feasible", "infeasible", "lowest"] for row in [
        (partial(getattr(sample_set(), method), "x"), TypeError, r"^argument 'rtol': must be real number, not str$"),
        (partial(getattr(sample_set(), method), atol=[]), TypeError, r"^argument 'atol': must be real number, not list$"),
        (partial(getattr(sample_set(), method), 1, 2, 3), TypeError,
         rf"^SampleSet.{method}\(\) takes from 0 to 2 positional arguments but 3 were given$"),
        (partial(getattr(sample_set(), method), tol=1), TypeError,
         rf"^SampleSet.{method}\(\) got an unexpected keyword argument 'tol'$"),
        (getattr(sample_set({"a": [0.0] * 3, "b": [0.0] * 2}), method), ValueError,
         r"^ShapeError/OutOfBounds: out of bounds indexing$"),
        (getattr(sample_set({"a": [0.0] * 2, "b": [0.0] * 3}), method), ValueError,
         r"^ShapeError/IncompatibleShape: incompatible shapes$")]],
    (sample_set({}).lowest, ValueError, r"^constraint violation is empty$"),
    (sample_set({"c": [0.0, 0.0, 0.0]}, objective=[1.0]).lowest, ValueError,
     r"^the objective has 1 values, but sample 1 is feasible$"),
    (partial(cat, []), ValueError, r"^empty list is invalid$"),
    *[(partial(cat, text), TypeError, r"^argument 'sample_sets': Can't extract `str` to `Vec`$")
      for text in ["", "abc"]],
    (partial(cat, 5), TypeError, r"^argument 'sample_sets': 'int' object cannot be converted to 'Sequence'$"),
    (partial(cat, [empty_set(), 1]), TypeError,
     r"^argument 'sample_sets': 'int' object cannot be converted to 'SampleSet'$"),
    (cat, TypeError, r"^concatenate\(\) missing 1 required positional argument: 'sample_sets'$"),
    *[(partial(cat, sets), ValueError, r"^Failed to extend the sparse solution with the dense solution\.$")
      for sets in [[DENSE, sample_set()], [sample_set(), DENSE], [DENSE, DENSE]]],
    (empty_set({"R": span("r", None, start="yesterday")}).get_backend_calculation_time, ValueError, None),
    (empty_set({"R": {"start_time": T0, "parent_id": None}}).get_backend_calculation_time, KeyError, None),
    (empty_set({1: span("r", None)}).get_backend_calculation_time, TypeError,
     r"^'int' object cannot be converted to 'PyString'$"),
]


@pytest.mark.parametrize("call, error, message", REFUSALS)
def test_refusals(call, error, message):
    with pytest.raises(error, match=message):
        call()


# ---- attributes, text, equality, forms ----

def test_attributes():
    a, b = empty_set(), empty_set(None)
    assert a.metadata == {} == b.metadata and a.metadata is not b.metadata
    md, r = type("D", (dict,), {})(k=1), zv.Record({}, [1])  # a dict subclass, held by reference
    s = zv.SampleSet(record=r, evaluation=zv.Evaluation(), measuring_time=zv.MeasuringTime(), metadata=md)
    md["new"] = 2
    assert s.metadata is md and s.to_dict()["metadata"] is md and s.metadata["new"] == 2
    r.num_occurrences = [7]
    s.record.num_occurrences = [9]
    s.measuring_time.total = 5.0
    assert s.record.num_occurrences == [1] and s.record is not s.record and s.measuring_time.total is None
    for field, value, message in [("record", E, "'Evaluation' object cannot be converted to 'Record'"),
                                  ("evaluation", None, "'NoneType' object cannot be converted to 'Evaluation'"),
                                  ("measuring_time", 1.0, "'float' object cannot be converted to 'MeasuringTime'"),
                                  ("metadata", None, "'NoneType' object cannot be converted to 'PyDict'")]:
        with pytest.raises(TypeError, match=f"^{message}$"):
            setattr(s, field, value)
    assert repr(s) == repr(zv.SampleSet(zv.Record({}, [1]), E, MT, {"k": 1, "new": 2}))  # unchanged
    s.record, s.evaluation, s.measuring_time = io.samples_record(), zv.Evaluation(energy=[1.0]), zv.MeasuringTime(total=3)
    s.metadata = md = {"z": 0}
    assert s.record == io.samples_record() and s.evaluation.energy.tolist() == [1.0]
    assert s.measuring_time.total == 3.0 and s.metadata is md


def test_text_and_equality():
    assert repr(empty_set()) == f"SampleSet(record={R!r}, evaluation={E!r}, measuring_time={MT!r}, metadata={{}})"
    assert repr(empty_set({"a": "b"})).endswith(", metadata={'a': 'b'})")
    unprintable = type("Unprintable", (dict,), {"__str__": lambda self: 1 / 0})
    assert repr(empty_set(unprintable())).endswith(", metadata=<unprintable dict object>)")
    assert empty_set({"a": 1}) == empty_set({"a": 1}) and empty_set({"a": 1}) != empty_set({"a": 2})
    assert sample_set() != sample_set(objective=[0.0, 1.0, 5.0])
    assert sample_set() != zv.SampleSet(io.samples_record(), sample_set().evaluation, MT)
    assert sample_set(objective=[math.nan] * 3) != sample_set(objective=[math.nan] * 3)


def test_metadata_comparison():
    # errors of the comparison and of the truth of its result are raised
    with pytest.raises(KeyError, match="boom"):
        empty_set(type("Raising", (dict,), {"__eq__": lambda self, other: {}["boom"]})()) == empty_set({})
    no_truth = type("NoTruth", (), {"__bool__": lambda self: 1 / 0})
    with pytest.raises(ZeroDivisionError):
        empty_set(type("Untruthful", (dict,), {"__eq__": lambda self, other: no_truth()})()) != empty_set({})
    # a set changed from within the comparison of its own metadata
    victim = empty_set()
    meddler = type("Meddler", (dict,), {"__eq__": lambda self, other: setattr(victim, "record", zv.Record({}, [1]))
                                        or True})
    victim.metadata = meddler()
    with pytest.raises(RuntimeError, match=r"^Already borrowed$"):
        victim == empty_set(meddler())
    assert victim.record == zv.Record({}, [])


def test_forms():
    d = sample_set(metadata={"m": [1, 2]}).to_dict()
    assert list(d) == ["record", "evaluation", "measuring_time", "metadata"]
    assert zv.SampleSet.from_dict(d).metadata is d["metadata"]
    back = zv.SampleSet.from_dict({**VALID, "other": 1})
    assert back == empty_set() and back.metadata == {}
    text = sample_set().to_json()
    assert " " not in text and json.loads(text)["record"]["solution"]["x"][0] == [[[0]], [1.0], [2]]
    s = zv.SampleSet(zv.Record({"x": [np.array([[1.0, 2.0]])]}, [1]), zv.Evaluation(constraint_forall={"c": [[1, 2]]}), MT)
    data = json.loads(s.to_json())  # dense arrays as lists
    assert data["record"]["solution"]["x"] == [[[1.0, 2.0]]] and data["evaluation"]["constraint_forall"] == {"c": [[1, 2]]}
    s = zv.SampleSet(io.samples_record(2), zv.Evaluation(energy=[1.0, 2.0, 3.0], objective=[1.0, 2.0, 3.0]), MT)
    df = s.to_pandas()  # the record's and the evaluation's columns joined on the row index: a missing row is NaN
    assert list(df.columns) == ["solution[x]", "num_occurrences", "energy", "objective", "constraint_forall",
                                "constraint_values"] and len(df) == 3 and pd.isna(df["num_occurrences"][2])
    s = sample_set(metadata={"a": 1})
    d = s.to_dense()
    assert d.is_dense() and not d.is_sparse() and s.is_sparse()
    assert d.record == s.record.to_dense() and d.evaluation == s.evaluation and d.metadata is s.metadata
    again = d.to_dense()
    assert again == d and again is not d and again.metadata is s.metadata


# ---- feasible, infeasible, lowest ----

INF_A = {"a": [math.inf, 0.0], "b": [0.0, 0.0]}


@pytest.mark.parametrize("violations, objective, call, samples", [
    ([0.0, 1e-9, 1.0], None, "feasible()", [0, 1]), ([0.0, 1e-9, 1.0], None, "infeasible()", [2]),
    ([1e-8], None, "feasible()", [0]), ([2e-8], None, "feasible()", []), ([-1e-8], None, "feasible()", [0]),
    ([math.nan], None, "feasible()", []), ([math.inf], None, "feasible()", []), ([-math.inf], None, "feasible()", []),
    ([math.nan], None, "infeasible()", [0]), ([math.inf], None, "infeasible()", [0]),
    ([2e-8], None, "infeasible()", [0]), ([0.0, 0.5, 2.0], None, "feasible(0.0, 1.0)", [0, 1]),
    ([0.0, 0.5, 2.0], None, "feasible(atol=1.0)", [0, 1]), ([0.0, 0.5, 2.0], None, "infeasible(rtol=0, atol=0)", [1, 2]),
    ([0.0, 0.5, 2.0], None, "feasible(rtol=2)", [0, 1, 2]), ([0.0, 0.5, 2.0], None, "lowest(atol=1.0)", [0]),
    ([0.0, 0.5, 2.0], None, "feasible(atol=math.nan)", []), ([0.0, 0.5, 2.0], None, "feasible(atol=math.inf)", [0, 1, 2]),
    # |inf| * rtol + atol >= |inf| holds in floats; an infinite violation still is no solution
    (INF_A, None, "feasible()", [1]), (INF_A, None, "infeasible()", [0]),
    (INF_A, None, "lowest(rtol=1.0, atol=math.inf)", [1]),
    ({"a": [0.5, 0.0], "b": [-0.5, 0.0]}, None, "feasible()", [0, 1]),  # the sum over constraints is tested
    ([0.0, 0.0, 0.0], [3.0, 1.0, 1.0], "lowest()", [1, 2]),  # ties kept in order
    ([1.0, 0.0, 0.0, 0.0], [-5.0, math.nan, 2.0, 2.0], "lowest()", [2, 3]),  # infeasible and NaN ignored
    ([0.0, 0.0], [math.nan, math.nan], "lowest()", []), ([0.0, 0.0], [math.inf, math.inf], "lowest()", [0, 1]),
])
def test_selection(violations, objective, call, samples):
    violations = violations if isinstance(violations, dict) else {"c": violations}
    s = sample_set(violations, objective, n=len(next(iter(violations.values()))))
    assert kept(eval("s." + call)) == samples


@given(st.lists(st.floats(), min_size=1, max_size=6))
def test_feasible_and_infeasible_partition_samples(violations):
    s = sample_set({"c": violations}, n=len(violations))
    assert sorted(kept(s.feasible()) + kept(s.infeasible())) == list(range(len(violations)))


def test_selected_parts():
    s = sample_set({})  # no violations: all feasible, none infeasible
    none = s.infeasible()
    assert s.feasible() == s and none.evaluation.energy.tolist() == [] and none.record.num_occurrences == []
    assert list(none.record.solution) == ["x"] and none.record.solution["x"] == []
    low = sample_set({"c": [1.0, 1.0]}, n=2).lowest()  # none feasible
    assert low.evaluation.energy.tolist() == [] and list(low.record.solution) == ["x"]
    assert list(low.evaluation.constraint_violations) == ["c"]
    md = {"x": 1}
    s = sample_set({"c": [0.0, 1.0, 0.0]}, metadata=md, constraint_forall={"c": [[0], [1], [2], [3]]},
                   constraint_values=[{"c": [1.0, 2.0, 3.0, 4.0]}] * 3)
    before = repr(s)
    f = s.feasible()
    assert f.evaluation.constraint_forall["c"].tolist() == [[0], [2]]
    assert [v["c"].tolist() for v in f.evaluation.constraint_values] == [[1.0, 2.0, 3.0, 4.0]] * 2
    assert sample_set({"c": [0.0, 1.0, 0.0]}).feasible().evaluation.constraint_values == []
    for result in [f, s.infeasible(), s.lowest()]:
        assert result.metadata is md and result.measuring_time == s.measuring_time
    assert repr(s) == before
    d = sample_set({"c": [0.0, 1.0, 0.0]}).to_dense()
    f = d.feasible()
    assert f.is_dense() and len(f.record.solution["x"]) == 2
    np.testing.assert_array_equal(f.record.solution["x"][1], d.record.solution["x"][2])
    # short or missing parts. Violation lists of lengths 2, 1 and 3 (total 6 = 3 x 2) are read row by row:
    f = sample_set({"a": [1.0, 0.0], "b": [0.0], "c": [0.0, 0.0, 0.0]}, n=2).feasible()  # sums [1, 0]
    assert f.record.solution["x"] == [(([1],), [1.0], (2,))]
    assert f.evaluation == zv.Evaluation()  # "b" is too short for sample 1: the evaluation falls back to empty
    no_energy = zv.Evaluation(objective=[0.0] * 3, constraint_violations={"c": [0.0, 1.0, 0.0]})
    f = zv.SampleSet(io.samples_record(3), no_energy, MT).feasible()
    assert f.evaluation == zv.Evaluation() and f.record.num_occurrences == [1, 1]
    f = zv.SampleSet(io.samples_record(1), sample_set().evaluation, MT).feasible()
    assert f.record == zv.Record({}, []) and len(f.evaluation.energy) == 3  # a short record: an empty record
    forall = {"c": [[0], [1]], "d": [[0], [1], [2], [3], [4]]}
    f = sample_set({"c": [1.0, 1.0, 1.0, 0.0]}, n=4, constraint_forall=forall).feasible()
    assert kept(f) == [3] and f.evaluation.constraint_forall["c"].shape == (0, 0)  # too short: empty
    assert f.evaluation.constraint_forall["d"].tolist() == [[3]]


# ---- concatenate and the backend time report ----

def test_concatenate():
    s = sample_set(metadata={"a": 1}).to_dense()
    c = zv.concatenate(sample_sets=[s])
    assert c == s and c is not s and c.metadata is s.metadata and c.measuring_time == s.measuring_time
    a, b = sample_set(n=2, metadata={"a": 1}, constraint_forall={"c": [[0]]}), sample_set(constraint_forall={"c": [[1]]})
    c = zv.concatenate((a, b))
    assert c.record.num_occurrences == [1] * 5 and c.record.solution["x"] == a.record.solution["x"] + b.record.solution["x"]
    assert c.evaluation.energy.tolist() == [10.0, 11.0, 10.0, 11.0, 12.0]
    assert c.evaluation.objective.tolist() == [0.0, 1.0, 0.0, 1.0, 2.0]
    assert c.evaluation.constraint_violations["c"].tolist() == [0.0] * 5
    assert c.evaluation.constraint_forall["c"].tolist() == [[1]]  # the last set's
    assert c.metadata == {} and c.measuring_time == zv.MeasuringTime()
    # names are merged, gaps are not filled
    a = zv.SampleSet(zv.Record({"x": [((), [], (1,))]}, [1]), zv.Evaluation(penalty={"p": [1.0]}), MT)
    b = zv.SampleSet(zv.Record({"y": [((), [], (2,))] * 2}, [1, 1]),
                     zv.Evaluation(penalty={"q": [2.0]}, constraint_values=[{}]), MT)
    c = zv.concatenate([a, b])
    assert c.record.solution == {"x": [((), [], (1,))], "y": [((), [], (2,))] * 2}
    assert {k: v.tolist() for k, v in c.evaluation.penalty.items()} == {"p": [1.0], "q": [2.0]}
    assert c.evaluation.constraint_values == [{}]
    # a generic sequence, whose length is never trusted for sizing
    seq = type("Seq", (), {"__len__": lambda self: 10**12, "__getitem__": lambda self, i: [a, a][i]})
    assert zv.concatenate(seq()).record.num_occurrences == [1, 1]


@pytest.mark.parametrize("metadata, report", [
    ({}, {}),
    ({"root": span("r", None)}, {"root": 1.5}),
    ({"R": span("r", None), "A": span("a", "r", end="2024-01-01T00:00:00.250000Z"), "B": span("b", "r"),
      "B1": span("b1", "b", end="2024-01-01T00:00:02.000000Z"), "B2": span("b2", "b", end="2024-01-01T00:00:00.500000Z"),
      "number": 5, "orphan": span("o", "nobody")}, {"R": {"A": 0.25, "B": {"B1": 2.0, "B2": 0.5}}}),
    ({"R1": span("r1", ""), "R2": span("r2", None, end="2024-01-01T00:00:03.000000Z"), "C": span("c", "r2")},
     {"R1": 1.5, "R2": {"C": 1.5}}),
    ({"R": span("r", None), "group": {"C": span("c", "r")}}, {"R": 1.5}),  # a group's spans have no parents
])
def test_backend_time(metadata, report):
    snapshot = json.dumps(metadata, sort_keys=True)
    assert empty_set(metadata).get_backend_calculation_time() == report
    assert json.dumps(metadata, sort_keys=True) == snapshot
