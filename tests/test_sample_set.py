"""SampleSet: attributes, text, equality, dict/JSON/pandas forms, selection (feasible, infeasible, lowest),
concatenate and the backend time report; and what all the sample-set classes share: comparison, hashing,
deletion, argument checks, signatures, dict/JSON round trips and memory."""
import gc
import json
import math
import re
import sys
from functools import partial

import numpy as np
import orjson
import pandas as pd
import pytest
from hypothesis import given, strategies as st

import io_models as io
import zorvane as zv
from io_models import empty_set, kept, sample_set

R0, E0, MT0 = zv.Record({}, []), zv.Evaluation(), zv.MeasuringTime()

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
    assert gc.is_tracked(a) == (cls is zv.SampleSet)  # the only class that holds arbitrary Python objects
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
    assert [f.__text_signature__ for f in (zv.SampleSet.feasible, zv.concatenate, zv.SampleSet.get_backend_calculation_time,
                                           zv.Record.is_dense, zv.Evaluation.to_pandas)] == [
        "($self, rtol=1e-5, atol=1e-8)", "(sample_sets)", "($self)", "($self)", "($self)"]
    assert "$$ |0 - v| \\\\leq \\\\mathrm{atol} + \\\\mathrm{rtol} \\\\cdot |v| $$" in zv.SampleSet.feasible.__doc__
    assert "This function will be deprecated in v1.1.0." in zv.concatenate.__doc__
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

    io.assert_no_leak(churn, md, rounds=200)


# ---- refusals ----

VALID = {"record": {}, "evaluation": {}, "measuring_time": {}}
DENSE_SET = sample_set().to_dense()
DENSE_JSON = '{"solution":{"Dense":{"x":[%s]}},"num_occurrences":[1]}'
SPARSE_JSON = '{"solution":{"Sparse":{"x":[%s]}},"num_occurrences":[]}'
# null is NaN only in a list of floats
NULLS_REFUSED = [SPARSE_JSON % '[[[null]],[1.0],[1]]', SPARSE_JSON % '[[[0]],[1.0],[null]]', SPARSE_JSON % '[null,[1.0],[1]]',
                 SPARSE_JSON % '[[[0]],null,[1]]', DENSE_JSON % '{"v":1,"dim":[null],"data":[1.0]}',
                 DENSE_JSON % '{"v":null,"dim":[1],"data":[1.0]}', DENSE_JSON % '{"v":1,"dim":[1],"data":null}',
                 '{"solution":{"Sparse":{}},"num_occurrences":[null]}']
SS, R, E, ST, M = zv.SampleSet, zv.Record, zv.Evaluation, zv.SolvingTime, zv.MeasuringTime
KEY = type("Key", (str,), {"__hash__": lambda self: hash("solve"), "__eq__": lambda self, other: 1 / 0})("x")
T0 = "2024-01-01T00:00:00.000000Z"


def span(span_id, parent, end="2024-01-01T00:00:01.500000Z", start=T0):
    return {"start_time": start, "end_time": end, "context": {"span_id": span_id}, "parent_id": parent}


REFUSALS = [
    # arguments of the wrong type
    *[(partial(cls, *args, **kwargs), TypeError, f"^argument '{name}': '{got}' object cannot be converted to '{want}'$")
      for cls, args, kwargs, name, got, want in [
          (SS, (1, E0, MT0), {}, "record", "int", "Record"), (SS, (R0, R0, MT0), {}, "evaluation", "Record", "Evaluation"),
          (SS, (R0, E0, ST()), {}, "measuring_time", "SolvingTime", "MeasuringTime"),
          (SS, (R0, E0, MT0, []), {}, "metadata", "list", "PyDict"), (E, (), {"energy": 5}, "energy", "int", "Sequence"),
          (E, (), {"constraint_violations": []}, "constraint_violations", "list", "PyDict"),
          (E, (), {"penalty": {1: [1.0]}}, "penalty", "int", "PyString"),
          (E, (), {"constraint_forall": {"a": [1]}}, "constraint_forall", "int", "Sequence"),
          (E, (), {"constraint_values": [[1.0]]}, "constraint_values", "list", "PyDict"),
          (M, (), {"solve": 1}, "solve", "int", "SolvingTime"), (M, (), {"solve": zv.SystemTime()}, "solve", "SystemTime",
                                                                "SolvingTime"),
          (M, (), {"system": ST()}, "system", "SolvingTime", "SystemTime")]],
    # SampleSet and concatenate
    (SS, TypeError,
     r"^SampleSet.__new__\(\) missing 3 required positional arguments: 'record', 'evaluation', and 'measuring_time'$"),
    (partial(SS, 1, 2, 3, 4, 5), TypeError,
     r"^SampleSet.__new__\(\) takes from 3 to 4 positional arguments but 5 were given$"),
    (partial(SS, R0, E0, MT0, meta={}), TypeError, r"unexpected keyword argument 'meta'$"),
    *[(partial(SS.from_dict, {k: v for k, v in VALID.items() if k != key}), ValueError,
       rf"^the key '{key}' is not included in the dict$") for key in VALID],
    *[(partial(SS.from_dict, {**VALID, key: value}), TypeError, rf"^the value of the key '{key}' is not dict$")
      for key in [*VALID, "metadata"] for value in [None, [], 1]],
    # the keys are read in order: earlier ones are parsed before a later one is found missing
    (partial(SS.from_dict, {"record": {"num_occurrences": [1]}, "evaluation": {"energy": [1.0]}}), ValueError,
     r"^the key 'measuring_time' is not included in the dict$"),
    (partial(SS.from_dict, {"record": {"num_occurrences": "x"}}), TypeError, r"^Can't extract `str` to `Vec`$"),
    (partial(SS.from_dict, {**VALID, "measuring_time": {"solve": 1}}), ValueError,
     r"^the value of the key 'solve' is not dict$"),
    (partial(SS.from_json, "{}"), ValueError, r"^the key 'record' is not included in the dict$"),
    *[(partial(SS.from_json, text), orjson.JSONDecodeError, None) for text in ["{", "", "[1, 2", '{"a": NaN}']],
    *[(partial(SS.from_json, text), TypeError, rf"^'{name}' object cannot be converted to 'PyDict'$")
      for text, name in [("[]", "list"), ("1", "int"), ('"s"', "str"), ("null", "NoneType")]],
    (empty_set({"a": object()}).to_json, orjson.JSONEncodeError, None),
    (SS(zv.Record({"x": [(([5],), [1.0], (2,))]}, [1]), E0, MT0).to_dense, IndexError,
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
    # the total against constraints x first length decides first; then every list has the first one's length,
    # also when the total would fit (2 + 1 + 3 = 3 x 2); then the lists hold one value per sample
    *[(getattr(sample_set(violations, n=2), method), ValueError, message)
      for method in ["feasible", "infeasible", "lowest"] for violations, message in [
          ({"a": [0, 0], "b": [0], "c": [9, 0, 0]}, r"^ShapeError/OutOfBounds: out of bounds indexing$"),
          ({"a": [0, 0], "b": [0, 0, 0], "c": [0]}, r"^ShapeError/IncompatibleShape: incompatible shapes$"),
          ({"a": [0, 0], "b": [0, 0], "c": []}, r"^ShapeError/OutOfBounds: out of bounds indexing$"),
          ({"a": [0, 0], "b": [0], "c": [0] * 4}, r"^ShapeError/IncompatibleShape: incompatible shapes$"),
          ({"a": [0, 0], "b": [0] * 3, "c": []}, r"^ShapeError/OutOfBounds: out of bounds indexing$"),
          ({"a": [0], "b": [0]}, r"^ShapeError/OutOfBounds: out of bounds indexing$"),
          ({"a": [0] * 3}, r"^ShapeError/IncompatibleShape: incompatible shapes$"),
          ({"a": [0] * 3, "b": [0] * 3}, r"^ShapeError/IncompatibleShape: incompatible shapes$")]],
    # the penalty lists too hold one value per sample, checked after the violation lists; lowest() checks them also
    # without violations, where feasible() keeps every sample and infeasible() none
    *[(getattr(sample_set(violations, n=2, penalty=penalty), method), ValueError, message)
      for method in ["feasible", "infeasible", "lowest"] for violations, penalty, message in [
          ({"c": [0.0, 1.0]}, {"p": [0.0]}, r"^ShapeError/OutOfBounds: out of bounds indexing$"),
          ({"c": [0.0, 1.0]}, {"p": [0.0] * 2, "q": [0.0] * 3}, r"^ShapeError/IncompatibleShape: incompatible shapes$"),
          ({"c": [0.0] * 3}, {"p": [0.0]}, r"^ShapeError/IncompatibleShape: incompatible shapes$"),
          ({"c": [0.0]}, {"p": [0.0] * 3}, r"^ShapeError/OutOfBounds: out of bounds indexing$")]],
    *[(sample_set({}, n=2, penalty=penalty).lowest, ValueError, message) for penalty, message in [
        ({"p": []}, r"^ShapeError/OutOfBounds: out of bounds indexing$"),
        ({"p": [0.0] * 3}, r"^ShapeError/IncompatibleShape: incompatible shapes$")]],
    (sample_set({"c": [0.0, 0.0, 0.0]}, objective=[1.0]).lowest, ValueError,
     r"^the objective has 1 values, but sample 1 is feasible$"),
    (partial(zv.concatenate, []), ValueError, r"^empty list is invalid$"),
    *[(partial(zv.concatenate, text), TypeError, r"^argument 'sample_sets': Can't extract `str` to `Vec`$")
      for text in ["", "abc"]],
    (partial(zv.concatenate, 5), TypeError, r"^argument 'sample_sets': 'int' object cannot be converted to 'Sequence'$"),
    (partial(zv.concatenate, [empty_set(), 1]), TypeError,
     r"^argument 'sample_sets': 'int' object cannot be converted to 'SampleSet'$"),
    (zv.concatenate, TypeError, r"^concatenate\(\) missing 1 required positional argument: 'sample_sets'$"),
    *[(partial(zv.concatenate, sets), ValueError, r"^Failed to extend the sparse solution with the dense solution\.$")
      for sets in [[DENSE_SET, sample_set()], [sample_set(), DENSE_SET], [DENSE_SET, DENSE_SET]]],
    (empty_set({"R": span("r", None, start="yesterday")}).get_backend_calculation_time, ValueError, None),
    (empty_set({"R": {"start_time": T0, "parent_id": None}}).get_backend_calculation_time, KeyError, None),
    (empty_set({1: span("r", None)}).get_backend_calculation_time, TypeError,
     r"^'int' object cannot be converted to 'PyString'$"),
    # Record
    (partial(R, {}, "abc"), TypeError, r"^argument 'num_occurrences': Can't extract `str` to `Vec`$"),
    (partial(R, {}, 5), TypeError, r"^argument 'num_occurrences': 'int' object cannot be converted to 'Sequence'$"),
    (partial(R, {}, [1.5]), TypeError, r"^argument 'num_occurrences': 'float' object cannot be interpreted as an integer$"),
    (partial(R, {}, [-1]), OverflowError, r"^can't convert negative int to unsigned$"),
    (partial(R, {}, [2**64]), OverflowError, r"^int too big to convert$"),
    (partial(R, {}), TypeError, r"^Record.__new__\(\) missing 1 required positional argument: 'num_occurrences'$"),
    (R, TypeError, r"^Record.__new__\(\) missing 2 required positional arguments: 'solution' and 'num_occurrences'$"),
    (partial(R, {}, [], 1), TypeError, r"^Record.__new__\(\) takes 2 positional arguments but 3 were given$"),
    (partial(R, {}, [], x=1), TypeError, r"^Record.__new__\(\) got an unexpected keyword argument 'x'$"),
    (partial(R.from_dict, {"solution": None}), TypeError, "^" + re.escape(io.NOT_A_SOLUTION) + "$"),
    (partial(R.from_dict, {"num_occurrences": "12"}), TypeError, r"^Can't extract `str` to `Vec`$"),
    (R({"x": io.SPARSE_X}, [1]).to_pandas, ValueError, None),
    *[(R({"x": [entry]}, [1]).to_dense, error, message) for entry, error, message in [
        ((([2, 0],), [1.0], (2, 3)), IndexError, r"^Failed to get a mutable reference to the array at \[2\]\. "
         r"This might be caused by the shape mismatch\. shape: \[2, 3\]$"),
        ((([0], [3]), [1.0], (2, 3)), IndexError, r"^Failed to get a mutable reference to the array at \[0, 3\]\. "
         r"This might be caused by the shape mismatch\. shape: \[2, 3\]$"),
        ((([0], [0], [0]), [1.0], (2, 3)), IndexError, r"at \[0, 0, 0\]\. .* shape: \[2, 3\]$"),
        ((([0],), [1.0, 2.0], (2,)), IndexError, r"^Failed to read the coordinate of the non-zero value #1"),  # short axis
        (((), [], (2**40, 2**40)), MemoryError, r"^a dense array of shape \[1099511627776, 1099511627776\] is too large$")]],
    *[(partial(R.from_json, text), ValueError, message) for text, message in [
        # 128 levels are read; the reader only then finds the wrong type
        ("[" + "[" * 127 + "]" * 127 + ", []]", r"^invalid type: sequence, expected enum RecordSolution"),
        *[(text, r"^invalid type: null, expected (u64|u8|a sequence)") for text in NULLS_REFUSED],
        (DENSE_JSON % '{"v":2,"dim":[1],"data":[1.0]}', r"^unknown array version: 2 at line 1 column \d+$"),
        (DENSE_JSON % '{"v":1,"dim":[2,2],"data":[1.0,2.0,3.0]}', r"^data and dimension must match in size"),
        (DENSE_JSON % '{"v":1,"dim":[4294967296,4294967296,2],"data":[]}', r"^data and dimension must match in size"),
        (DENSE_JSON % '{"v":1,"data":[]}', r"^missing field `dim`"),
        (DENSE_JSON % '{"v":1,"dim":[0],"w":[]}', r"^unknown field `w`, expected one of `v`, `dim`, `data`"),
        (DENSE_JSON % '{"v":300,"dim":[0],"data":[]}', r"^invalid value: integer `300`, expected u8"),
        ('{"solution":{"Other":{}},"num_occurrences":[1]}', r"^unknown variant `Other`, expected `Sparse` or `Dense`"),
        ('{"solution":[],"num_occurrences":[1]}', r"^invalid type: sequence, expected enum RecordSolution"),
        ('{"solution":{},"num_occurrences":[1]}', r"expected enum RecordSolution"),
        ('{"solution":{"Sparse":{},"Dense":{}},"num_occurrences":[1]}', r"expected enum RecordSolution"),
        ('{"solution":{"Sparse":{}}}', r"^missing field `num_occurrences`"),
        ('{"num_occurrences":[]}', r"^missing field `solution`"),
        ('{"solution":{"Sparse":{}},"solution":{"Sparse":{}},"num_occurrences":[]}', r"^duplicate field `solution`"),
        ('[{"Sparse":{}}]', r"^invalid length 1, expected struct PyRecord with 2 elements"),
        (SPARSE_JSON % '[[[0]],[1.0]]', r"^invalid length 2, expected struct COOFormat with 3 elements"),
        (SPARSE_JSON % '[[[-1]],[1.0],[1]]', r"^invalid value: integer `-1`, expected u64"),
        (SPARSE_JSON % '[[[0.5]],[1.0],[1]]', r"^invalid type: floating point `0.5`, expected u64"),
        ('{"solution":{"Sparse":{}},"num_occurrences":[18446744073709551616]}',
         r"^invalid type: floating point `18446744073709552000.0`, expected u64"),
        ('{"solution":{"Sparse":{}},"num_occurrences":{}}', r"^invalid type: map, expected a sequence"),
        ('"x"', r'^invalid type: string "x", expected struct PyRecord'),
        ('{"solution":{"Sparse":{}},"num_occurrences":[]} x', r"at line 1 column \d+$"),
        ("[" * 129 + "]" * 129, r"^recursion limit exceeded")]],
    # Evaluation
    (partial(E, energy="ab"), TypeError, r"^argument 'energy': Can't extract `str` to `Vec`$"),
    (partial(E, objective=["x"]), TypeError, r"^argument 'objective': must be real number, not str$"),
    (partial(E, constraint_forall={"a": [[-1]]}), OverflowError, r"^can't convert negative int to unsigned$"),
    (partial(E, constraint_forall={"a": [[2**64]]}), OverflowError, r"^int too big to convert$"),
    (partial(E, constraint_forall={"a": [[0.5]]}), TypeError,
     r"^argument 'constraint_forall': 'float' object cannot be interpreted as an integer$"),
    (partial(E, energy=[10**400]), OverflowError, r"^int too large to convert to float$"),
    (partial(E, other=[1]), TypeError, r"^Evaluation.__new__\(\) got an unexpected keyword argument 'other'$"),
    (partial(E.from_dict, {"energy": None}), TypeError, r"^'NoneType' object cannot be converted to 'Sequence'$"),
    *[(partial(E.from_json, text), ValueError, message) for text, message in [
        *[(text, r"^invalid type: null, expected (u64|a sequence|a map) at line 1 column \d+$")
          for text in ['{"energy": null}', '[[], [], {"a": null}, {}, [], {}]', '[[], [], {}, {"a": [[null]]}, [], {}]',
                       '[[], [], {}, {}, [null], {}]']],
        ("{}", r"^missing field `energy` at line 1 column 2$"),
        ('{"energy": [], "objective": [], "constraint_violations": {}, "constraint_forall": {}, "constraint_values": []}',
         r"^missing field `penalty`"),
        ('{"energy": [], "energy": []}', r"^duplicate field `energy`"),
        ("[[], [], {}]", r"^invalid length 3, expected struct PyEvaluation with 6 elements"),
        ("5", r"^invalid type: integer `5`, expected struct PyEvaluation"),
        ('[[], [], {}, {"a": [[-1]]}, [], {}]', r"^invalid value: integer `-1`, expected u64"),
        ('[[], [], {}, {"a": [[1.5]]}, [], {}]', r"^invalid type: floating point `1.5`, expected u64"),
        ('[[], [], [], {}, [], {}]', r"^invalid type: sequence, expected a map"),
        ('[["1"], [], {}, {}, [], {}]', r'^invalid type: string "1", expected f64'),
        ("[[], [], {}, {}, [], {}", r" at line 1 column \d+$")]],
    (lambda: E(constraint_forall={"c": [[0]]}, constraint_values=[{"c": [1.0]}, {"d": [1.0]}]).constraint_expr_values,
     ValueError, r"^the constraint values of sample 1 have no entry for the constraint 'c'$"),
    (E(energy=[1.0], objective=[1.0, 2.0]).to_pandas, ValueError, None),
    # SolvingTime, SystemTime, MeasuringTime
    (partial(ST, solve="1"), TypeError, r"^argument 'solve': must be real number, not str$"),
    (partial(ST, preprocess=10**400), OverflowError, r"^int too large to convert to float$"),
    (partial(ST, 1, 2, 3, 4), TypeError, r"^SolvingTime.__new__\(\) takes from 0 to 3 positional arguments but 4 were "
     "given$"),
    (partial(ST, total=1), TypeError, r"^SolvingTime.__new__\(\) got an unexpected keyword argument 'total'$"),
    (partial(M, None, solve=None), TypeError, r"^MeasuringTime.__new__\(\) got multiple values for argument 'solve'$"),
    (partial(M, total="x"), TypeError, r"^argument 'total': must be real number, not str$"),
    (partial(ST.from_dict, {"solve": "x"}), TypeError, r"^must be real number, not str$"),
    (partial(ST.from_dict, {KEY: 1.0}), ZeroDivisionError, None),  # errors of key comparisons are raised
    *[(partial(M.from_dict, {key: value}), ValueError, rf"^the value of the key '{key}' is not dict$")
      for key in ["solve", "system"] for value in [None, 1, []]],
    *[(partial(cls.from_json, text), ValueError, message) for cls, text, message in [
        (ST, "[1, 2]", r"^invalid length 2, expected struct PySolvingTime with 3 elements at line 1 column 6$"),
        (ST, "[1, 2, 3, 4]", r"^invalid length 4, expected struct PySolvingTime with 3 elements"),
        (zv.SystemTime, "[]", r"^invalid length 0, expected struct PySystemTime with 5 elements"),
        (M, "[{}]", r"^invalid length 1, expected struct PyMeasuringTime with 3 elements"),
        (M, "{}", r"^missing field `solve` at line 1 column 2$"),
        (M, '{"solve": {}}', r"^missing field `system`"),
        (M, '{"solve": 1, "system": {}}', r"^invalid type: integer `1`, expected struct PySolvingTime"),
        (ST, '{"solve": 1, "solve": 2}', r"^duplicate field `solve`"),
        (ST, '{"solve": "1"}', r'^invalid type: string "1", expected f64'),
        (ST, '{"solve": true}', r"^invalid type: boolean `true`, expected f64"),
        (ST, "1.5", r"^invalid type: floating point `1.5`, expected struct PySolvingTime"),
        (ST, '"a"', r'^invalid type: string "a", expected struct PySolvingTime'),
        (ST, "null", r"^invalid type: null, expected struct PySolvingTime"),
        (ST, "{} {}", r" at line 1 column \d+$"), (ST, "", r" at line 1 column 0$"),
        (ST, "{\n\n  \"solve\": x}", r" at line 3 column \d+$"), (ST, '{"solve": NaN}', r" at line 1 column \d+$"),
        (ST, '{"solve": 1e999}', r" at line 1 column \d+$"),
        (ST, "{}\0garbage", r"^trailing characters at line 1 column 3$"),
        (ST, "[" * 200 + "]" * 200, r"^recursion limit exceeded at line 1 column 129$")]],
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
    r.num_occurrences, s.record.num_occurrences, s.measuring_time.total = [7], [9], 5.0  # copied in and out
    assert s.record.num_occurrences == [1] and s.record is not s.record and s.measuring_time.total is None
    for field, value, message in [("record", E0, "'Evaluation' object cannot be converted to 'Record'"),
                                  ("evaluation", None, "'NoneType' object cannot be converted to 'Evaluation'"),
                                  ("measuring_time", 1.0, "'float' object cannot be converted to 'MeasuringTime'"),
                                  ("metadata", None, "'NoneType' object cannot be converted to 'PyDict'")]:
        with pytest.raises(TypeError, match=f"^{message}$"):
            setattr(s, field, value)
    assert repr(s) == repr(zv.SampleSet(zv.Record({}, [1]), E0, MT0, {"k": 1, "new": 2}))  # unchanged
    s.record, s.evaluation, s.measuring_time = io.samples_record(), zv.Evaluation(energy=[1.0]), zv.MeasuringTime(total=3)
    s.metadata = md = {"z": 0}
    assert s.record == io.samples_record() and s.evaluation.energy.tolist() == [1.0] and s.measuring_time.total == 3.0
    assert s.metadata is md


def test_text_equality_and_metadata():
    assert repr(empty_set()) == f"SampleSet(record={R0!r}, evaluation={E0!r}, measuring_time={MT0!r}, metadata={{}})"
    assert repr(empty_set({"a": "b"})).endswith(", metadata={'a': 'b'})")
    unprintable = type("Unprintable", (dict,), {"__str__": lambda self: 1 / 0})
    assert repr(empty_set(unprintable())).endswith(", metadata=<unprintable dict object>)")
    assert empty_set({"a": 1}) == empty_set({"a": 1}) and empty_set({"a": 1}) != empty_set({"a": 2})
    assert sample_set() != sample_set(objective=[0.0, 1.0, 5.0])
    assert sample_set() != zv.SampleSet(io.samples_record(), sample_set().evaluation, MT0)
    assert sample_set(objective=[math.nan] * 3) != sample_set(objective=[math.nan] * 3)
    # errors of the comparison and of the truth of its result are raised
    with pytest.raises(KeyError, match="boom"):
        empty_set(type("Raising", (dict,), {"__eq__": lambda self, other: {}["boom"]})()) == empty_set({})
    no_truth = type("NoTruth", (), {"__bool__": lambda self: 1 / 0})
    with pytest.raises(ZeroDivisionError):
        empty_set(type("Untruthful", (dict,), {"__eq__": lambda self, other: no_truth()})()) != empty_set({})
    # a set changed from within the comparison of its own metadata
    victim, changed = empty_set(), zv.Record({}, [1])
    meddler = type("Meddler", (dict,), {"__eq__": lambda self, other: setattr(victim, "record", changed) or True})
    victim.metadata = meddler()
    with pytest.raises(RuntimeError, match=r"^Already borrowed$"):
        victim == empty_set(meddler())
    assert victim.record == zv.Record({}, [])  # unchanged


def test_forms():
    d = sample_set(metadata={"m": [1, 2]}).to_dict()
    assert list(d) == ["record", "evaluation", "measuring_time", "metadata"]
    assert zv.SampleSet.from_dict(d).metadata is d["metadata"]
    assert zv.SampleSet.from_dict({**VALID, "other": 1}) == empty_set()  # other keys are ignored
    text = sample_set().to_json()
    assert " " not in text and json.loads(text)["record"]["solution"]["x"][0] == [[[0]], [1.0], [2]]
    s = zv.SampleSet(zv.Record({"x": [np.array([[1.0, 2.0]])]}, [1]), zv.Evaluation(constraint_forall={"c": [[1, 2]]}), MT0)
    data = json.loads(s.to_json())  # dense arrays as lists
    assert data["record"]["solution"]["x"] == [[[1.0, 2.0]]] and data["evaluation"]["constraint_forall"] == {"c": [[1, 2]]}
    s = zv.SampleSet(io.samples_record(2), zv.Evaluation(energy=[1.0, 2.0, 3.0], objective=[1.0, 2.0, 3.0]), MT0)
    df = s.to_pandas()  # the record's and the evaluation's columns joined on the row index: a missing row is NaN
    assert list(df.columns) == ["solution[x]", "num_occurrences", "energy", "objective", "constraint_forall",
                                "constraint_values"] and len(df) == 3 and pd.isna(df["num_occurrences"][2])
    s = sample_set(metadata={"a": 1})
    d = s.to_dense()
    assert d.is_dense() and not d.is_sparse() and s.is_sparse() and d.record == s.record.to_dense()
    assert d.evaluation == s.evaluation and d.to_dense() == d and d.to_dense() is not d and d.metadata is s.metadata


LISTED = {"x": [[[1.0, 2.0]], [[3.0, 4.0]]]}  # what to_json writes for two dense 1 x 2 arrays


def test_dense_json_read_back():
    s = zv.SampleSet(zv.Record({"x": [np.array([[1.0, 2.0]]), np.array([[3.0, 4.0]])]}, [1, 2]), E0, MT0, {"a": 1})
    assert json.loads(s.to_json())["record"]["solution"] == LISTED
    back = zv.SampleSet.from_json(s.to_json())
    assert back == s and back.is_dense() and back.record.solution["x"][1].tolist() == [[3.0, 4.0]]
    # only the JSON text is read this way: the constructors and dict readers still take arrays
    for call in [lambda: zv.Record(LISTED, [1, 2]), lambda: zv.Record.from_dict({"solution": LISTED}),
                 lambda: SS.from_dict({**VALID, "record": {"solution": LISTED}})]:
        with pytest.raises(TypeError, match="^(argument 'solution': )?" + re.escape(io.NOT_A_SOLUTION) + "$"):
            call()


@pytest.mark.parametrize("arrays, solution", [
    ([np.zeros((0, 2))], {"x": [np.zeros(0)]}),  # the lists hold no lengths after an axis of length 0
    ([np.zeros((3, 0))], {"x": [((), [], ())]}),  # [[], [], []] fits a sparse entry, which is read first
    ([], {"x": []}),  # without samples nothing tells dense from sparse
])
def test_dense_json_text_limits(arrays, solution):
    back = zv.SampleSet.from_json(zv.SampleSet(zv.Record({"x": arrays}, [1] * len(arrays)), E0, MT0).to_json())
    assert back.record == zv.Record(solution, [1] * len(arrays))


@pytest.mark.parametrize("entries", [
    [[1.0, [2.0]]], [[[1.0], [2.0, 3.0]]], [[[1.0], 2.0]], [[True]], [["1"]], [[{"a": 1}]], [[1.0], 5, "x"], 5,
    {"a": [1.0]}, [[None, [1.0]]],
])
def test_dense_json_refused(entries):  # lists that are no array written by to_json
    text = json.dumps({**VALID, "record": {"solution": {"x": entries}, "num_occurrences": []}})
    with pytest.raises(TypeError, match="^" + re.escape(io.NOT_A_SOLUTION) + "$"):
        SS.from_json(text)


NAN, INF = math.nan, math.inf
TIMES = zv.MeasuringTime(zv.SolvingTime(NAN, INF, 1.0), zv.SystemTime(-INF), INF)


@pytest.mark.parametrize("value, read_back", [
    (R({"x": [(([0, 1],), [NAN, INF], (2,))], "y": [(([0],), [-INF], (1,))]}, [1]),
     R({"x": [(([0, 1],), [NAN, NAN], (2,))], "y": [(([0],), [NAN], (1,))]}, [1])),
    (R({"x": [np.array([[-INF, 1.0], [NAN, INF]]), np.array(NAN)]}, [1, 2]),
     R({"x": [np.array([[NAN, 1.0], [NAN, NAN]]), np.array(NAN)]}, [1, 2])),
    (E(energy=[NAN, 1.0], objective=[INF], constraint_violations={"a": [-INF]}, constraint_values=[{"a": [NAN]}],
       penalty={"p": [INF]}),
     E(energy=[NAN, 1.0], objective=[NAN], constraint_violations={"a": [NAN]}, constraint_values=[{"a": [NAN]}],
       penalty={"p": [NAN]})),
    # times are optional: null is an absent time, as always
    (TIMES, zv.MeasuringTime(zv.SolvingTime(None, None, 1.0), zv.SystemTime(), None)),
    *[(SS(record, E(energy=[INF], penalty={"p": [NAN]}), TIMES, {"m": 1}),
       SS(back, E(energy=[NAN], penalty={"p": [NAN]}), zv.MeasuringTime(zv.SolvingTime(postprocess=1.0)), {"m": 1}))
      for record, back in [(R({"x": [(([0],), [INF], (1,))]}, [1]), R({"x": [(([0],), [NAN], (1,))]}, [1])),
                           (R({"x": [np.array([INF, 0.5]), np.array(-INF)]}, [1, 1]),
                            R({"x": [np.array([NAN, 0.5]), np.array(NAN)]}, [1, 1]))]],
], ids=["sparse Record", "dense Record", "Evaluation", "MeasuringTime", "sparse SampleSet", "dense SampleSet"])
def test_non_finite_floats_read_back_as_nan(value, read_back):
    text = value.to_json()
    texts = [text, '{"unread":0,' + text[1:]] if isinstance(value, SS) else [text]  # the general way too
    for text in texts:
        back = type(value).from_json(text)
        assert repr(back) == repr(read_back) and back.to_json() == value.to_json()


def test_dict_forms_refuse_none_for_a_float():  # only a JSON text has nulls
    with pytest.raises(TypeError, match="^must be real number, not NoneType$"):
        E.from_dict({"energy": [None]})
    with pytest.raises(TypeError, match="^must be real number, not NoneType$"):
        SS.from_dict(orjson.loads(SS(R0, E(energy=[NAN]), MT0).to_json()))
    with pytest.raises(TypeError, match="^" + re.escape(io.NOT_A_SOLUTION) + "$"):
        R.from_dict({"solution": {"x": [(([0],), [None], (1,))]}})


# ---- cyclic garbage collection ----

class Marker:
    freed = 0

    def __del__(self):
        Marker.freed += 1


def own_metadata(s):  # the set in its own metadata
    s.metadata["self"] = s


def derived(s):  # a set derived from it shares the dict, which holds the derived one
    s.metadata["lowest"] = s.lowest()


def in_a_list(s):
    s.metadata["sets"] = [s, s.to_dense()]


def dict_subclass(s):
    s.metadata = type("D", (dict,), {})(s=s, marker=s.metadata["marker"])


@pytest.mark.parametrize("link", [own_metadata, derived, in_a_list, dict_subclass])
def test_cycle_through_metadata_is_collected(link):
    marker, freed = Marker(), Marker.freed
    s = sample_set(metadata={"marker": marker})
    link(s)
    assert gc.is_tracked(s)
    refs = sys.getrefcount(marker)
    del s, marker
    gc.collect()
    assert Marker.freed == freed + 1 and refs > 2


def test_cycles_through_metadata_free_their_memory():
    big = zv.Record({"x": [np.ones(20_000)]}, [1])  # 160 KB per set
    marker = object()

    def churn():
        s = zv.SampleSet(big, E0, MT0, {"marker": marker})
        s.metadata["self"] = s

    io.assert_no_leak(churn, marker, rounds=100)


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
    # without constraints every sample is feasible: the lowest objectives among all of them
    ({}, [3.0, 1.0, 1.0], "lowest()", [1, 2]), ({}, [math.nan, 2.0, -1.0, math.nan, -1.0], "lowest()", [2, 4]),
    ({}, [math.nan, math.nan], "lowest()", []), ({}, [math.inf, 5.0, math.inf], "lowest(0, 0)", [1]),
    ({}, [math.inf, math.inf], "lowest()", [0, 1]), ({}, [2.0, 1.0], "feasible()", [0, 1]),
    ({}, [2.0, 1.0], "infeasible()", []),
])
def test_selection(violations, objective, call, samples):
    violations = violations if isinstance(violations, dict) else {"c": violations}
    n = len(next(iter(violations.values()))) if violations else len(objective)
    s = sample_set(violations, objective, n=n)
    assert kept(eval("s." + call)) == samples and sorted(kept(s.feasible()) + kept(s.infeasible())) == list(range(n))


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
    assert [v["c"].tolist() for v in f.evaluation.constraint_values] == [[1.0, 2.0, 3.0, 4.0]] * 2
    assert sample_set({"c": [0.0, 1.0, 0.0]}).feasible().evaluation.constraint_values == []
    for result in [f, s.infeasible(), s.lowest()]:
        assert result.metadata is md and result.measuring_time == s.measuring_time
    assert repr(s) == before
    d = sample_set({"c": [0.0, 1.0, 0.0]}).to_dense()
    f = d.feasible()
    assert f.is_dense() and len(f.record.solution["x"]) == 2
    np.testing.assert_array_equal(f.record.solution["x"][1], d.record.solution["x"][2])
    # short or missing parts
    no_energy = zv.Evaluation(objective=[0.0] * 3, constraint_violations={"c": [0.0, 1.0, 0.0]})
    f = zv.SampleSet(io.samples_record(3), no_energy, MT0).feasible()
    assert f.evaluation == zv.Evaluation() and f.record.num_occurrences == [1, 1]
    f = zv.SampleSet(io.samples_record(1), sample_set().evaluation, MT0).feasible()
    assert f.record == zv.Record({}, []) and len(f.evaluation.energy) == 3  # a short record: an empty record


FORALL = {"c": [[0], [1], [2], [3]], "d": [[0, 1], [1, 0]]}


@pytest.mark.parametrize("violations, call, samples", [
    ([0.0, 1.0, 0.0], "feasible()", [0, 2]), ([0.0, 1.0, 0.0], "infeasible()", [1]), ([1.0, 1.0, 0.0], "lowest()", [2]),
    ([0.0, 0.0, 1.0], "feasible()", [0, 1]), ([1.0, 1.0, 1.0], "feasible()", []), ({}, "infeasible()", []),
    ({}, "lowest()", [0]),
])
def test_selection_keeps_forall_rows(violations, call, samples):
    # Forall rows belong to the constraints: sample i holds the value 10 i + r at row r of "c", and a selection keeps
    # all rows so that every kept sample's values still pair with their own rows.
    values = [{"c": [10.0 * i + r for r in range(4)], "d": [-i, 0.5]} for i in range(3)]
    s = sample_set(violations if isinstance(violations, dict) else {"c": violations}, constraint_forall=FORALL,
                   constraint_values=values)
    result = eval("s." + call)
    assert kept(result) == samples
    assert {name: rows.tolist() for name, rows in result.evaluation.constraint_forall.items()} == FORALL
    pairs = result.evaluation.constraint_expr_values
    assert pairs == [s.evaluation.constraint_expr_values[i] for i in samples]
    assert pairs == [{"c": {(r,): 10.0 * i + r for r in range(4)}, "d": {(0, 1): -i, (1, 0): 0.5}} for i in samples]


def test_selection_keeps_forall_rows_of_any_length():
    forall = {"c": [[0], [1]], "d": [[0], [1], [2], [3], [4]]}  # two rows, five rows, four samples
    f = sample_set({"c": [1.0, 1.0, 1.0, 0.0]}, n=4, constraint_forall=forall).feasible()
    assert kept(f) == [3] and {k: v.tolist() for k, v in f.evaluation.constraint_forall.items()} == forall


# ---- concatenate and the backend time report ----

def test_concatenate():
    s = sample_set(metadata={"a": 1}).to_dense()
    c = zv.concatenate(sample_sets=[s])
    assert c == s and c is not s and c.metadata is s.metadata and c.measuring_time == s.measuring_time
    a, b = sample_set(n=2, metadata={"a": 1}, constraint_forall={"c": [[0]]}), sample_set(constraint_forall={"c": [[1]]})
    c = zv.concatenate((a, b))
    assert c.record.num_occurrences == [1] * 5 and c.record.solution["x"] == a.record.solution["x"] + b.record.solution["x"]
    e = c.evaluation
    assert e.energy.tolist() == [10.0, 11.0, 10.0, 11.0, 12.0] and e.objective.tolist() == [0.0, 1.0, 0.0, 1.0, 2.0]
    assert e.constraint_violations["c"].tolist() == [0.0] * 5 and e.constraint_forall["c"].tolist() == [[1]]  # the last
    assert c.metadata == {} and c.measuring_time == zv.MeasuringTime()
    # names are merged, gaps are not filled
    a = zv.SampleSet(zv.Record({"x": [((), [], (1,))]}, [1]), zv.Evaluation(penalty={"p": [1.0]}), MT0)
    b = zv.SampleSet(zv.Record({"y": [((), [], (2,))] * 2}, [1, 1]),
                     zv.Evaluation(penalty={"q": [2.0]}, constraint_values=[{}]), MT0)
    c = zv.concatenate([a, b])
    assert c.record.solution == {"x": [((), [], (1,))], "y": [((), [], (2,))] * 2}
    assert {k: v.tolist() for k, v in c.evaluation.penalty.items()} == {"p": [1.0], "q": [2.0]}
    assert c.evaluation.constraint_values == [{}]
    # a generic sequence, whose length is never trusted for sizing
    seq = type("Seq", (), {"__len__": lambda self: 10**12, "__getitem__": lambda self, i: [a, a][i]})
    assert zv.concatenate(seq()).record.num_occurrences == [1, 1]


def solver_result(first, n, violations, penalty=None):
    # samples first .. first + n - 1: energy 10 + sample, objective sample, penalty 100 + sample
    e = zv.Evaluation(energy=[10.0 + first + j for j in range(n)], objective=[float(first + j) for j in range(n)],
                      constraint_violations=violations, penalty=penalty or {})
    return zv.SampleSet(io.samples_record(n), e, zv.MeasuringTime())


OUT_OF_BOUNDS = "ShapeError/OutOfBounds: out of bounds indexing"
INCOMPATIBLE = "ShapeError/IncompatibleShape: incompatible shapes"


@pytest.mark.parametrize("sets, message", [
    # "c" holds 2 values for 4 samples: pairing them with samples 0 and 1 would drop samples 2 and 3
    ([solver_result(0, 2, {}), solver_result(2, 2, {"c": [0.0, 5.0]})], OUT_OF_BOUNDS),
    # 4 values for 3 samples: sample 1 would be judged by the 7.0 of a sample that does not exist
    ([solver_result(0, 1, {"c": [0.0, 7.0]}), solver_result(1, 2, {"c": [0.0, 0.0]})], INCOMPATIBLE),
    ([solver_result(0, 1, {"c": [0.0, 0.0]})], INCOMPATIBLE),
    # a run with a penalty term joined to one without: "p" holds 2 values for 3 samples
    ([solver_result(0, 2, {"c": [0.0, 0.0]}, {"p": [0.0, 0.0]}), solver_result(2, 1, {"c": [0.0]})], OUT_OF_BOUNDS),
])
def test_joined_sets_with_other_constraints_or_penalties_lose_no_sample(sets, message):
    joined = zv.concatenate(sets)
    for method in ["feasible", "infeasible", "lowest"]:
        with pytest.raises(ValueError, match=f"^{re.escape(message)}$"):
            getattr(joined, method)()


def test_joined_sets_with_the_same_constraints_and_penalties():
    same = zv.concatenate([solver_result(0, 2, {"c": [1.0, 0.0]}, {"p": [100.0, 101.0]}),
                           solver_result(2, 2, {"c": [0.0, 5.0]}, {"p": [102.0, 103.0]})])
    assert kept(same.feasible()) == [1, 2] and kept(same.infeasible()) == [0, 3] and kept(same.lowest()) == [1]
    assert same.infeasible().evaluation.penalty["p"].tolist() == [100.0, 103.0]
    # without violations nothing is paired by feasible() and infeasible(); lowest() pairs the penalties
    unpaired = zv.concatenate([solver_result(0, 2, {}, {"p": [100.0, 101.0]}), solver_result(2, 1, {})])
    assert unpaired.feasible() == unpaired and kept(unpaired.infeasible()) == []
    with pytest.raises(ValueError, match=f"^{re.escape(OUT_OF_BOUNDS)}$"):
        unpaired.lowest()


VIOLATION = st.sampled_from([0.0, 1e-9, 1.0, math.nan, math.inf])


@st.composite
def built_set(draw, first=0):
    """A set of n samples built directly: each violation or penalty list mostly holds n values, but may be shorter
    or longer; penalty j is 100 + first + j."""
    n = draw(st.integers(0, 3))
    lengths = st.one_of(st.just(n), st.integers(0, n + 2))
    violations = {name: draw(st.lists(VIOLATION, min_size=length, max_size=length))
                  for name, length in draw(st.dictionaries(st.sampled_from("abc"), lengths)).items()}
    penalty = {name: [100.0 + first + j for j in range(length)]
               for name, length in draw(st.dictionaries(st.sampled_from("pq"), lengths)).items()}
    return solver_result(first, n, violations, penalty)


@st.composite
def sets_to_select(draw):  # one set built directly, or several joined
    if draw(st.booleans()):
        return draw(built_set())
    sets, first = [], 0
    for _ in range(draw(st.integers(1, 4))):
        sets.append(draw(built_set(first)))
        first += len(sets[-1].record.num_occurrences)
    return zv.concatenate(sets)


def selected(s, method):  # the new set, or the refusal's message
    try:
        return getattr(s, method)()
    except ValueError as error:
        assert str(error) in (OUT_OF_BOUNDS, INCOMPATIBLE)
        return str(error)


@given(sets_to_select())
def test_every_sample_is_feasible_or_infeasible_with_its_values_or_the_selection_refuses(s):
    e, samples = s.evaluation, len(s.record.num_occurrences)
    one_per_sample = all(len(values) == samples for values in [*e.constraint_violations.values(), *e.penalty.values()])
    results = {method: selected(s, method) for method in ["feasible", "infeasible", "lowest"]}
    refusals = {method: result for method, result in results.items() if isinstance(result, str)}
    if one_per_sample:
        assert refusals == {}
    elif e.constraint_violations:
        assert list(refusals) == list(results) and len(set(refusals.values())) == 1
    else:  # nothing to pair: feasible() keeps every sample, infeasible() none; lowest() pairs them
        assert list(refusals) == ["lowest"]
    if "feasible" in refusals:
        return
    feasible, infeasible = kept(results["feasible"]), kept(results["infeasible"])
    assert sorted(feasible + infeasible) == list(range(samples))
    if not e.constraint_violations:
        assert results["feasible"] == s and infeasible == []
    if "lowest" not in refusals:
        assert kept(results["lowest"]) == feasible[:1]  # objective i: the lowest feasible sample is the first
    for method, result in results.items():
        if isinstance(result, str) or method == "feasible" and not e.constraint_violations:
            continue  # refused, or the whole set
        picked, r = kept(result), result.evaluation  # each kept sample with its own values
        assert r.objective.tolist() == [float(i) for i in picked] and len(result.record.num_occurrences) == len(picked)
        assert {name: values.tolist() for name, values in r.penalty.items()} == {
            name: [values[i] for i in picked] for name, values in e.penalty.items()}
        for name, values in r.constraint_violations.items():
            np.testing.assert_array_equal(values, e.constraint_violations[name][picked])


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
