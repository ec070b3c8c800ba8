"""SampleSet: construction, attributes, text, equality, dict/JSON/pandas forms, filtering, lowest,
concatenate and the backend time report."""

import gc
import json
import math
import sys

import numpy as np
import orjson
import pandas as pd
import pytest
from hypothesis import given, strategies as st

import zorvane as zv


def sparse_record(n=3):
    return zv.Record({"x": [(([i % 2],), [1.0], (2,)) for i in range(n)]}, [1] * n)


def make(violations=None, objective=None, n=3, metadata=None, **evaluation):
    if violations is None:
        violations = {"c": [0.0] * n}
    if objective is None:
        objective = [float(i) for i in range(n)]
    e = zv.Evaluation(energy=[float(10 + i) for i in range(n)], objective=objective,
                      constraint_violations=violations, penalty={"c": [0.5] * n}, **evaluation)
    return zv.SampleSet(sparse_record(n), e, zv.MeasuringTime(total=1.0), metadata)


def empty_set(metadata=None):
    return zv.SampleSet(zv.Record({}, []), zv.Evaluation(), zv.MeasuringTime(), metadata)


# ---- construction and attributes -----------------------------------------------------------


def test_metadata_defaults_to_new_dicts():
    a, b = empty_set(), empty_set()
    assert a.metadata == {} and a.metadata is not b.metadata
    assert empty_set(None).metadata == {}


def test_metadata_is_shared_by_reference():
    md = {"k": 1}
    s = empty_set(md)
    assert s.metadata is md and s.metadata is s.metadata
    assert s.to_dict()["metadata"] is md
    md["new"] = 2
    assert s.metadata["new"] == 2


def test_dict_subclass_metadata_is_accepted():
    class D(dict):
        pass

    md = D(a=1)
    assert empty_set(md).metadata is md


@pytest.mark.parametrize(
    "args, message",
    [
        ((1, zv.Evaluation(), zv.MeasuringTime()), r"^argument 'record': 'int' object cannot be converted to 'Record'$"),
        ((zv.Record({}, []), zv.Record({}, []), zv.MeasuringTime()), r"^argument 'evaluation': 'Record' object cannot be converted to 'Evaluation'$"),
        ((zv.Record({}, []), zv.Evaluation(), zv.SolvingTime()), r"^argument 'measuring_time': 'SolvingTime' object cannot be converted to 'MeasuringTime'$"),
        ((zv.Record({}, []), zv.Evaluation(), zv.MeasuringTime(), []), r"^argument 'metadata': 'list' object cannot be converted to 'PyDict'$"),
    ],
)
def test_constructor_type_errors(args, message):
    with pytest.raises(TypeError, match=message):
        zv.SampleSet(*args)


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: zv.SampleSet(), r"^SampleSet.__new__\(\) missing 3 required positional arguments: 'record', 'evaluation', and 'measuring_time'$"),
        (lambda: zv.SampleSet(1, 2, 3, 4, 5), r"^SampleSet.__new__\(\) takes from 3 to 4 positional arguments but 5 were given$"),
        (lambda: zv.SampleSet(zv.Record({}, []), zv.Evaluation(), zv.MeasuringTime(), meta={}), r"unexpected keyword argument 'meta'$"),
    ],
)
def test_constructor_argument_errors(call, message):
    with pytest.raises(TypeError, match=message):
        call()


def test_keywords():
    s = zv.SampleSet(record=zv.Record({}, [1]), evaluation=zv.Evaluation(), measuring_time=zv.MeasuringTime(), metadata={"a": 1})
    assert s.record.num_occurrences == [1] and s.metadata == {"a": 1}


def test_values_are_copied_in_and_out():
    r = zv.Record({}, [1])
    s = zv.SampleSet(r, zv.Evaluation(), zv.MeasuringTime())
    r.num_occurrences = [7]
    assert s.record.num_occurrences == [1]
    assert s.record is not s.record
    got = s.record
    got.num_occurrences = [9]
    assert s.record.num_occurrences == [1]
    s.measuring_time.total = 5.0
    assert s.measuring_time.total is None


def test_setters():
    s = empty_set()
    s.record = sparse_record()
    s.evaluation = zv.Evaluation(energy=[1.0])
    s.measuring_time = zv.MeasuringTime(total=3.0)
    md = {"z": 0}
    s.metadata = md
    assert s.record == sparse_record() and s.evaluation.energy.tolist() == [1.0]
    assert s.measuring_time.total == 3.0 and s.metadata is md


@pytest.mark.parametrize(
    "field, value, message",
    [
        ("record", zv.Evaluation(), r"^'Evaluation' object cannot be converted to 'Record'$"),
        ("evaluation", None, r"^'NoneType' object cannot be converted to 'Evaluation'$"),
        ("measuring_time", 1.0, r"^'float' object cannot be converted to 'MeasuringTime'$"),
        ("metadata", None, r"^'NoneType' object cannot be converted to 'PyDict'$"),
    ],
)
def test_failed_setter_keeps_value(field, value, message):
    s = make()
    before = repr(s)
    with pytest.raises(TypeError, match=message):
        setattr(s, field, value)
    assert repr(s) == before


@pytest.mark.parametrize("field", ["record", "evaluation", "measuring_time", "metadata"])
def test_delete_attribute(field):
    with pytest.raises(AttributeError, match=r"^can't delete attribute$"):
        delattr(empty_set(), field)


def test_setter_during_metadata_comparison_is_refused():
    victim = empty_set()

    class Meddler(dict):
        def __eq__(self, other):
            victim.record = zv.Record({}, [1])
            return True

    a = zv.SampleSet(zv.Record({}, []), zv.Evaluation(), zv.MeasuringTime(), Meddler())
    victim.metadata = Meddler()
    with pytest.raises(RuntimeError, match=r"^Already borrowed$"):
        victim == a
    assert victim.record == zv.Record({}, [])


def test_metadata_reference_released():
    md = {"k": []}
    base = sys.getrefcount(md)
    s = empty_set(md)
    derived = [s.feasible(), s.to_dense(), zv.concatenate([s])]
    assert sys.getrefcount(md) == base + 4
    del s, derived
    gc.collect()
    assert sys.getrefcount(md) == base


# ---- text ----------------------------------------------------------------------------------


def test_text():
    s = empty_set()
    text = repr(s)
    assert text == str(s)
    assert text == (
        "SampleSet(record=" + repr(zv.Record({}, [])) + ", evaluation=" + repr(zv.Evaluation())
        + ", measuring_time=" + repr(zv.MeasuringTime()) + ", metadata={})"
    )


def test_text_uses_str_of_metadata():
    assert repr(empty_set({"a": "b"})).endswith(", metadata={'a': 'b'})")


def test_text_with_unprintable_metadata():
    class Bad(dict):
        def __str__(self):
            raise ValueError("no")

    assert repr(empty_set(Bad())).endswith(", metadata=<unprintable dict object>)")


# ---- equality -----------------------------------------------------------------------------


def test_equality():
    assert make() == make()
    assert empty_set({"a": 1}) == empty_set({"a": 1})
    assert empty_set({"a": 1}) != empty_set({"a": 2})
    assert make() != make(objective=[0.0, 1.0, 5.0])
    assert make() != zv.SampleSet(sparse_record(), make().evaluation, zv.MeasuringTime())
    assert make(objective=[math.nan] * 3) != make(objective=[math.nan] * 3)
    assert (empty_set() == 1) is False and (empty_set() != 1) is True


def test_metadata_comparison_errors_propagate():
    class Weird(dict):
        def __eq__(self, other):
            raise KeyError("boom")

    with pytest.raises(KeyError, match="boom"):
        empty_set(Weird()) == empty_set({})


def test_metadata_truth_errors_propagate():
    class NoTruth:
        def __bool__(self):
            raise ValueError("no truth")

    class Weird(dict):
        def __eq__(self, other):
            return NoTruth()

    with pytest.raises(ValueError, match="no truth"):
        empty_set(Weird()) != empty_set({})


@pytest.mark.parametrize("op", ["<", "<=", ">", ">="])
def test_ordering(op):
    with pytest.raises(TypeError, match=rf"^Comparison '{op}' not supported for SampleSet$"):
        eval(f"a {op} b", {"a": empty_set(), "b": empty_set()})


def test_unhashable():
    with pytest.raises(TypeError, match="unhashable"):
        hash(empty_set())


# ---- dict form ----------------------------------------------------------------------------


def test_to_dict():
    s = make(metadata={"m": 1})
    d = s.to_dict()
    assert list(d) == ["record", "evaluation", "measuring_time", "metadata"]
    assert d["record"] == s.record.to_dict()
    assert d["measuring_time"] == s.measuring_time.to_dict()
    assert zv.Evaluation.from_dict(d["evaluation"]) == s.evaluation


def test_from_dict_round_trip():
    s = make(metadata={"m": [1, 2]})
    d = s.to_dict()
    back = zv.SampleSet.from_dict(d)
    assert back == s and back.metadata is d["metadata"]


def valid_dict():
    return {"record": {}, "evaluation": {}, "measuring_time": {}}


def test_from_dict_defaults():
    s = zv.SampleSet.from_dict({**valid_dict(), "other": 1})
    assert s == empty_set() and s.metadata == {}


@pytest.mark.parametrize("key", ["record", "evaluation", "measuring_time"])
def test_from_dict_missing_key(key):
    d = valid_dict()
    del d[key]
    with pytest.raises(ValueError, match=rf"^the key '{key}' is not included in the dict$"):
        zv.SampleSet.from_dict(d)


@pytest.mark.parametrize("key", ["record", "evaluation", "measuring_time", "metadata"])
@pytest.mark.parametrize("value", [None, [], 1])
def test_from_dict_value_not_dict(key, value):
    d = {**valid_dict(), key: value}
    with pytest.raises(TypeError, match=rf"^the value of the key '{key}' is not dict$"):
        zv.SampleSet.from_dict(d)


def test_from_dict_reports_first_failing_key_after_parsing_earlier_ones():
    with pytest.raises(ValueError, match=r"^the key 'measuring_time' is not included in the dict$"):
        zv.SampleSet.from_dict({"record": {"num_occurrences": [1]}, "evaluation": {"energy": [1.0]}})
    with pytest.raises(TypeError, match=r"^Can't extract `str` to `Vec`$"):
        zv.SampleSet.from_dict({"record": {"num_occurrences": "x"}})
    with pytest.raises(ValueError, match=r"^the value of the key 'solve' is not dict$"):
        zv.SampleSet.from_dict({**valid_dict(), "measuring_time": {"solve": 1}})


def test_from_dict_argument():
    with pytest.raises(TypeError, match=r"^argument 'dict': 'list' object cannot be converted to 'PyDict'$"):
        zv.SampleSet.from_dict([])


# ---- JSON form ----------------------------------------------------------------------------


def test_to_json_is_json_of_dict_form():
    s = make(metadata={"run": "a", "n": [1, 2]})
    text = s.to_json()
    assert " " not in text
    data = json.loads(text)
    assert data["record"]["solution"]["x"][0] == [[[0]], [1.0], [2]]
    assert data["evaluation"]["energy"] == [10.0, 11.0, 12.0]
    assert data["measuring_time"]["total"] == 1.0
    assert data["metadata"] == {"run": "a", "n": [1, 2]}
    assert zv.SampleSet.from_json(text) == s


def test_to_json_dense_arrays_as_lists():
    s = zv.SampleSet(zv.Record({"x": [np.array([[1.0, 2.0]])]}, [1]), zv.Evaluation(constraint_forall={"c": [[1, 2]]}), zv.MeasuringTime())
    data = json.loads(s.to_json())
    assert data["record"]["solution"]["x"] == [[[1.0, 2.0]]]
    assert data["evaluation"]["constraint_forall"] == {"c": [[1, 2]]}


def test_to_json_refuses_unserialisable_metadata():
    with pytest.raises(orjson.JSONEncodeError):
        empty_set({"a": object()}).to_json()


@pytest.mark.parametrize("text", ["{", "", "[1, 2", '{"a": NaN}'])
def test_from_json_malformed_raises_orjson_error(text):
    with pytest.raises(orjson.JSONDecodeError):
        zv.SampleSet.from_json(text)


@pytest.mark.parametrize("text, type_name", [("[]", "list"), ("1", "int"), ('"s"', "str"), ("null", "NoneType")])
def test_from_json_not_an_object(text, type_name):
    with pytest.raises(TypeError, match=rf"^'{type_name}' object cannot be converted to 'PyDict'$"):
        zv.SampleSet.from_json(text)


def test_from_json_argument():
    with pytest.raises(TypeError, match=r"^argument 'json': 'bytes' object cannot be converted to 'PyString'$"):
        zv.SampleSet.from_json(b"{}")


def test_from_json_missing_key():
    with pytest.raises(ValueError, match=r"^the key 'record' is not included in the dict$"):
        zv.SampleSet.from_json("{}")


# ---- pandas --------------------------------------------------------------------------------


def test_to_pandas():
    df = make().to_pandas()
    assert list(df.columns) == ["solution[x]", "num_occurrences", "energy", "objective", "constraint_forall",
                                "constraint_values", "constraint_violation[c]", "penalty[c]"]
    assert len(df) == 3
    expected = pd.concat([make().record.to_pandas(), make().evaluation.to_pandas()], axis=1)
    pd.testing.assert_frame_equal(df, expected)


def test_to_pandas_of_mismatched_lengths():
    s = zv.SampleSet(sparse_record(2), zv.Evaluation(energy=[1.0, 2.0, 3.0], objective=[1.0, 2.0, 3.0]), zv.MeasuringTime())
    df = s.to_pandas()  # joined on the row index: the record's missing row is NaN
    assert len(df) == 3 and pd.isna(df["num_occurrences"][2])


# ---- dense form ----------------------------------------------------------------------------


def test_to_dense():
    s = make(metadata={"a": 1})
    d = s.to_dense()
    assert d.is_dense() and not d.is_sparse() and s.is_sparse()
    assert d.record == s.record.to_dense() and d.evaluation == s.evaluation
    assert d.metadata is s.metadata
    again = d.to_dense()
    assert again == d and again is not d and again.metadata is s.metadata


def test_to_dense_error_propagates():
    s = zv.SampleSet(zv.Record({"x": [(([5],), [1.0], (2,))]}, [1]), zv.Evaluation(), zv.MeasuringTime())
    with pytest.raises(IndexError, match=r"^Failed to get a mutable reference to the array at \[5\]"):
        s.to_dense()


# ---- feasible / infeasible / lowest -------------------------------------------------------


def sample_indices(s):
    """The samples kept, read back from the energies (sample i has energy 10 + i)."""
    return [int(v) - 10 for v in s.evaluation.energy]


def test_feasible_and_infeasible_default_tolerances():
    s = make({"c": [0.0, 1e-9, 1.0]})
    assert sample_indices(s.feasible()) == [0, 1]
    assert sample_indices(s.infeasible()) == [2]
    assert s.feasible().record.num_occurrences == [1, 1]


@pytest.mark.parametrize(
    "v, feasible",
    [(1e-8, True), (2e-8, False), (-1e-8, True), (math.nan, False), (math.inf, False), (-math.inf, False)],
)
def test_tolerance_boundary(v, feasible):
    s = make({"c": [v]}, n=1)
    assert len(s.feasible().evaluation.energy) == int(feasible)
    assert len(s.infeasible().evaluation.energy) == int(not feasible)


def test_tolerances_as_arguments():
    s = make({"c": [0.0, 0.5, 2.0]})
    assert sample_indices(s.feasible(0.0, 1.0)) == [0, 1]
    assert sample_indices(s.feasible(atol=1.0)) == [0, 1]
    assert sample_indices(s.infeasible(rtol=0, atol=0)) == [1, 2]
    assert sample_indices(s.feasible(rtol=2)) == [0, 1, 2]
    assert sample_indices(s.lowest(atol=1.0)) == [0]
    assert sample_indices(s.feasible(atol=math.nan)) == []
    assert sample_indices(s.feasible(atol=math.inf)) == [0, 1, 2]


def test_infinite_violation_is_never_feasible():
    # |inf| * rtol + atol >= |inf| holds in floats; an infinite violation still is no solution.
    s = make({"a": [math.inf, 0.0], "b": [0.0, 0.0]}, n=2)
    assert sample_indices(s.feasible()) == [1]
    assert sample_indices(s.infeasible()) == [0]
    assert sample_indices(s.lowest(rtol=1.0, atol=math.inf)) == [1]


@pytest.mark.parametrize("method", ["feasible", "infeasible", "lowest"])
def test_tolerance_argument_errors(method):
    s = make()
    with pytest.raises(TypeError, match=r"^argument 'rtol': must be real number, not str$"):
        getattr(s, method)("x")
    with pytest.raises(TypeError, match=r"^argument 'atol': must be real number, not list$"):
        getattr(s, method)(atol=[])
    with pytest.raises(TypeError, match=rf"^SampleSet.{method}\(\) takes from 0 to 2 positional arguments but 3 were given$"):
        getattr(s, method)(1, 2, 3)
    with pytest.raises(TypeError, match=rf"^SampleSet.{method}\(\) got an unexpected keyword argument 'tol'$"):
        getattr(s, method)(tol=1)


def test_sums_over_constraints_are_tested():
    s = make({"a": [0.5, 0.0], "b": [-0.5, 0.0]}, n=2)
    assert sample_indices(s.feasible()) == [0, 1]


def test_empty_violations():
    s = make({})
    assert s.feasible() == s
    none = s.infeasible()
    assert none.evaluation.energy.tolist() == [] and none.record.num_occurrences == []
    assert list(none.record.solution) == ["x"] and none.record.solution["x"] == []
    with pytest.raises(ValueError, match=r"^constraint violation is empty$"):
        s.lowest()


@pytest.mark.parametrize(
    "violations, message",
    [
        ({"a": [0.0, 0.0, 0.0], "b": [0.0, 0.0]}, r"^ShapeError/OutOfBounds: out of bounds indexing$"),
        ({"a": [0.0, 0.0], "b": [0.0, 0.0, 0.0]}, r"^ShapeError/IncompatibleShape: incompatible shapes$"),
    ],
)
@pytest.mark.parametrize("method", ["feasible", "infeasible", "lowest"])
def test_shape_errors(violations, message, method):
    with pytest.raises(ValueError, match=message):
        getattr(make(violations), method)()


def test_unequal_lengths_with_matching_total_are_read_row_by_row():
    # lengths 2, 1 and 3 (total 6 = 3 x 2): rows [1, 0], [0, 0], [0, 0] -> sums [1, 0]
    s = make({"a": [1.0, 0.0], "b": [0.0], "c": [0.0, 0.0, 0.0]}, n=2)
    f = s.feasible()
    assert f.record.solution["x"] == [(([1],), [1.0], (2,))]
    # the list of "b" is too short for sample 1, so the whole evaluation falls back to empty
    assert f.evaluation == zv.Evaluation()


def test_lowest_keeps_ties_in_order():
    s = make({"c": [0.0, 0.0, 0.0]}, objective=[3.0, 1.0, 1.0])
    assert sample_indices(s.lowest()) == [1, 2]


def test_lowest_ignores_infeasible_and_nan():
    s = make({"c": [1.0, 0.0, 0.0, 0.0]}, objective=[-5.0, math.nan, 2.0, 2.0], n=4)
    assert sample_indices(s.lowest()) == [2, 3]
    s = make({"c": [0.0, 0.0]}, objective=[math.nan, math.nan], n=2)
    assert sample_indices(s.lowest()) == []
    s = make({"c": [0.0, 0.0]}, objective=[math.inf, math.inf], n=2)
    assert sample_indices(s.lowest()) == [0, 1]


def test_lowest_without_feasible_samples():
    s = make({"c": [1.0, 1.0]}, n=2)
    low = s.lowest()
    assert low.evaluation.energy.tolist() == [] and list(low.record.solution) == ["x"]
    assert list(low.evaluation.constraint_violations) == ["c"]


def test_lowest_with_short_objective_is_an_error():
    s = make({"c": [0.0, 0.0, 0.0]}, objective=[1.0])
    with pytest.raises(ValueError, match=r"^the objective has 1 values, but sample 1 is feasible$"):
        s.lowest()


def test_empty_energy_gives_empty_evaluation():
    s = zv.SampleSet(sparse_record(3), zv.Evaluation(objective=[0.0] * 3, constraint_violations={"c": [0.0, 1.0, 0.0]}), zv.MeasuringTime())
    f = s.feasible()
    assert f.evaluation == zv.Evaluation()
    assert f.record.num_occurrences == [1, 1]


def test_short_record_gives_empty_record():
    s = zv.SampleSet(sparse_record(1), make().evaluation, zv.MeasuringTime())
    f = s.feasible()
    assert f.record == zv.Record({}, []) and len(f.evaluation.energy) == 3


def test_dense_records_stay_dense():
    s = make({"c": [0.0, 1.0, 0.0]}).to_dense()
    f = s.feasible()
    assert f.is_dense() and len(f.record.solution["x"]) == 2
    np.testing.assert_array_equal(f.record.solution["x"][1], s.record.solution["x"][2])


def test_empty_constraint_values_stay_empty():
    s = make({"c": [0.0, 1.0, 0.0]})
    f = s.feasible()
    assert f.evaluation.constraint_values == [] and sample_indices(f) == [0, 2]


def test_forall_rows_selected_with_sample_indices():
    s = make({"c": [0.0, 1.0, 0.0]}, constraint_forall={"c": [[0], [1], [2], [3]]},
             constraint_values=[{"c": [1.0, 2.0, 3.0, 4.0]}] * 3)
    f = s.feasible()
    assert f.evaluation.constraint_forall["c"].tolist() == [[0], [2]]
    assert [v["c"].tolist() for v in f.evaluation.constraint_values] == [[1.0, 2.0, 3.0, 4.0]] * 2


def test_forall_name_too_short_becomes_empty():
    s = make({"c": [1.0, 1.0, 1.0, 0.0]}, n=4, constraint_forall={"c": [[0], [1]], "d": [[0], [1], [2], [3], [4]]})
    f = s.feasible()
    assert sample_indices(f) == [3]
    assert f.evaluation.constraint_forall["c"].shape == (0, 0)
    assert f.evaluation.constraint_forall["d"].tolist() == [[3]]


def test_results_share_metadata_and_copy_time():
    md = {"x": 1}
    s = make({"c": [0.0, 1.0, 0.0]}, metadata=md)
    for result in [s.feasible(), s.infeasible(), s.lowest()]:
        assert result.metadata is md and result.measuring_time == s.measuring_time


def test_filters_leave_the_set_unchanged():
    s = make({"c": [0.0, 1.0, 0.0]})
    before = repr(s)
    s.feasible(), s.infeasible(), s.lowest()
    assert repr(s) == before


@given(st.lists(st.floats(allow_nan=True, allow_infinity=True), min_size=1, max_size=6))
def test_feasible_and_infeasible_partition_samples(violations):
    n = len(violations)
    s = make({"c": violations}, n=n)
    kept = sample_indices(s.feasible()) + sample_indices(s.infeasible())
    assert sorted(kept) == list(range(n))


# ---- concatenate --------------------------------------------------------------------------


def test_concatenate_errors():
    with pytest.raises(ValueError, match=r"^empty list is invalid$"):
        zv.concatenate([])
    for text in ["", "abc"]:
        with pytest.raises(TypeError, match=r"^argument 'sample_sets': Can't extract `str` to `Vec`$"):
            zv.concatenate(text)
    with pytest.raises(TypeError, match=r"^argument 'sample_sets': 'int' object cannot be converted to 'Sequence'$"):
        zv.concatenate(5)
    with pytest.raises(TypeError, match=r"^argument 'sample_sets': 'int' object cannot be converted to 'SampleSet'$"):
        zv.concatenate([empty_set(), 1])
    with pytest.raises(TypeError, match=r"^concatenate\(\) missing 1 required positional argument: 'sample_sets'$"):
        zv.concatenate()


def test_concatenate_one_set():
    md = {"a": 1}
    s = make(metadata=md).to_dense()
    c = zv.concatenate([s])
    assert c == s and c is not s and c.metadata is md and c.measuring_time == s.measuring_time


def test_concatenate_two_sets():
    a = make(n=2, metadata={"a": 1}, constraint_forall={"c": [[0]]})
    b = make(n=3, constraint_forall={"c": [[1], [2]]})
    c = zv.concatenate((a, b))
    assert len(c.record.solution["x"]) == 5 and c.record.num_occurrences == [1] * 5
    assert c.evaluation.energy.tolist() == [10.0, 11.0, 10.0, 11.0, 12.0]
    assert c.evaluation.objective.tolist() == [0.0, 1.0, 0.0, 1.0, 2.0]
    assert c.evaluation.constraint_violations["c"].tolist() == [0.0] * 5
    assert c.evaluation.constraint_forall["c"].tolist() == [[1], [2]]
    assert c.metadata == {} and c.measuring_time == zv.MeasuringTime()
    assert c.record.solution["x"][:2] == a.record.solution["x"]


def test_concatenate_merges_names_without_filling_gaps():
    a = zv.SampleSet(zv.Record({"x": [((), [], (1,))]}, [1]), zv.Evaluation(penalty={"p": [1.0]}), zv.MeasuringTime())
    b = zv.SampleSet(zv.Record({"y": [((), [], (2,))] * 2}, [1, 1]), zv.Evaluation(penalty={"q": [2.0]}, constraint_values=[{}]), zv.MeasuringTime())
    c = zv.concatenate([a, b])
    assert c.record.solution == {"x": [((), [], (1,))], "y": [((), [], (2,))] * 2}
    assert {k: v.tolist() for k, v in c.evaluation.penalty.items()} == {"p": [1.0], "q": [2.0]}
    assert c.evaluation.constraint_values == [{}]


@pytest.mark.parametrize("dense_first", [True, False])
def test_concatenate_refuses_dense(dense_first):
    dense, sparse = make().to_dense(), make()
    sets = [dense, sparse] if dense_first else [sparse, dense]
    with pytest.raises(ValueError, match=r"^Failed to extend the sparse solution with the dense solution\.$"):
        zv.concatenate(sets)
    with pytest.raises(ValueError, match=r"dense solution"):
        zv.concatenate([dense, dense])


def test_concatenate_keyword_and_doc():
    assert zv.concatenate(sample_sets=[empty_set()]) == empty_set()
    assert zv.concatenate.__text_signature__ == "(sample_sets)"
    assert "This function will be deprecated in v1.1.0." in zv.concatenate.__doc__


def test_concatenate_iterates_generic_sequences():
    class Seq:
        def __init__(self, items):
            self.items = items

        def __len__(self):
            return 10**12  # never trusted for sizing

        def __getitem__(self, i):
            return self.items[i]

    c = zv.concatenate(Seq([make(n=1), make(n=1)]))
    assert c.record.num_occurrences == [1, 1]


# ---- backend calculation time -------------------------------------------------------------

T0 = "2024-01-01T00:00:00.000000Z"


def span(span_id, parent, end="2024-01-01T00:00:01.500000Z", start=T0):
    return {"start_time": start, "end_time": end, "context": {"span_id": span_id}, "parent_id": parent}


def report(metadata):
    return empty_set(metadata).get_backend_calculation_time()


def test_backend_time_empty():
    assert report({}) == {}


def test_backend_time_single_root():
    assert report({"root": span("r", None)}) == {"root": 1.5}


def test_backend_time_nested():
    md = {
        "R": span("r", None),
        "A": span("a", "r", end="2024-01-01T00:00:00.250000Z"),
        "B": span("b", "r"),
        "B1": span("b1", "b", end="2024-01-01T00:00:02.000000Z"),
        "B2": span("b2", "b", end="2024-01-01T00:00:00.500000Z"),
        "number": 5,
        "orphan": span("o", "nobody"),
    }
    assert report(md) == {"R": {"A": 0.25, "B": {"B1": 2.0, "B2": 0.5}}}


def test_backend_time_two_roots_and_empty_parent():
    md = {"R1": span("r1", ""), "R2": span("r2", None, end="2024-01-01T00:00:03.000000Z"), "C": span("c", "r2")}
    assert report(md) == {"R1": 1.5, "R2": {"C": 1.5}}


def test_backend_time_groups_are_summarised():
    md = {"R": span("r", None), "group": {"C": span("c", "r")}}
    # a group is summarised but its spans never have parents at the top level
    assert report(md) == {"R": 1.5}


def test_backend_time_errors():
    with pytest.raises(ValueError):
        report({"R": span("r", None, start="yesterday")})
    with pytest.raises(KeyError):
        report({"R": {"start_time": T0, "parent_id": None}})
    with pytest.raises(TypeError, match=r"^'int' object cannot be converted to 'PyString'$"):
        report({1: span("r", None)})


def test_backend_time_does_not_change_metadata():
    md = {"R": span("r", None), "C": span("c", "r")}
    snapshot = json.dumps(md, sort_keys=True)
    assert report(md) == {"R": {"C": 1.5}}
    assert json.dumps(md, sort_keys=True) == snapshot


# ---- docs ----------------------------------------------------------------------------------


def test_docs():
    assert zv.SampleSet.__text_signature__ == "(record, evaluation, measuring_time, metadata=None)"
    assert zv.SampleSet.feasible.__text_signature__ == "($self, rtol=1e-5, atol=1e-8)"
    assert zv.SampleSet.feasible.__doc__.startswith("Return a Sampleset with only feasible solutions.")
    assert "$$ |0 - v| \\\\leq \\\\mathrm{atol} + \\\\mathrm{rtol} \\\\cdot |v| $$" in zv.SampleSet.feasible.__doc__
    assert zv.SampleSet.get_backend_calculation_time.__doc__.startswith(
        "Return report of the calculation time of the Corvantis backends.")
    assert zv.SampleSet.from_json.__text_signature__ == "(json)"


def test_module_registration():
    names = zv.__all__
    assert names[-6:] == ["Evaluation", "Record", "SolvingTime", "SystemTime", "MeasuringTime", "SampleSet"]
    assert "concatenate" in names


# ---- round trips and leaks ----------------------------------------------------------------

finite = st.floats(allow_nan=False, allow_infinity=False)


@st.composite
def sample_sets(draw):
    n = draw(st.integers(0, 4))
    record = zv.Record({"x": [(([draw(st.integers(0, 2))],), [draw(finite)], (3,)) for _ in range(n)]}, [1] * n)
    evaluation = zv.Evaluation(
        energy=draw(st.lists(finite, min_size=n, max_size=n)),
        objective=draw(st.lists(finite, min_size=n, max_size=n)),
        constraint_violations={"c": draw(st.lists(finite, min_size=n, max_size=n))},
        constraint_forall={"c": [[i] for i in range(draw(st.integers(0, 3)))]},
        constraint_values=[{"c": draw(st.lists(finite, max_size=3))} for _ in range(n)],
        penalty={"c": draw(st.lists(finite, min_size=n, max_size=n))},
    )
    times = st.one_of(st.none(), finite)
    mt = zv.MeasuringTime(zv.SolvingTime(draw(times), draw(times), draw(times)), zv.SystemTime(), draw(times))
    metadata = draw(st.dictionaries(st.text(max_size=3), st.one_of(st.integers(-100, 100), st.text(max_size=3)), max_size=3))
    return zv.SampleSet(record, evaluation, mt, metadata)


@given(sample_sets())
def test_round_trips(s):
    assert zv.SampleSet.from_dict(s.to_dict()) == s
    text = s.to_json()
    assert zv.SampleSet.from_json(text) == s
    assert zv.SampleSet.from_json(text).to_json() == text


def test_no_leak_in_create_and_drop_loop():
    import tracemalloc

    def cycle():
        s = make(metadata={"k": 1})
        s.feasible().to_dict()
        zv.SampleSet.from_json(s.to_json())
        zv.concatenate([s, s]).lowest()
        repr(s)

    for _ in range(50):
        cycle()
    gc.collect()
    tracemalloc.start()
    before = tracemalloc.get_traced_memory()[0]
    for _ in range(300):
        cycle()
    gc.collect()
    after = tracemalloc.get_traced_memory()[0]
    tracemalloc.stop()
    assert after - before < 64 * 1024
