"""Record: solution forms, construction, text, equality, dense/sparse conversions, dict, JSON and pandas forms.
(Refused input, comparison, hashing, deletion and round trips: test_sample_set.py.)"""
import json
import math
import re

import numpy as np
import pytest

import io_models as io
import zorvane as zv

R = zv.Record


def text_of(solution, counts=(1,)):
    return repr(R(solution, list(counts)))[len("Record(solution="):-len(f", num_occurrences={list(counts)})")]


@pytest.mark.parametrize("solution, text", [
    ({}, "{}"),
    ({"x": [(([0, 1],), [1.0, 2.0], (3,))]}, "{'x': [(([0, 1],), [1.0, 2.0], (3,))]}"),
    ({"x": [[[[0], [1]], [5], [1, 2]]]}, "{'x': [(([0], [1]), [5.0], (1, 2))]}"),  # lists; ints as floats
    ({"x": [((), [], ())]}, "{'x': [((), [], ())]}"),
    ({"b": [], "a": [], "B": [], "é": [], "Z": []}, "{'B': [], 'Z': [], 'a': [], 'b': [], 'é': []}"),
    ({"it's": []}, "{'it's': []}"),
    ({"x": io.SPARSE_X, "y": io.SPARSE_Y}, "{'x': [(([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3)), "
     "(([0, 1, 1, 1], [0, 0, 1, 2]), [1.0, 2.0, 3.0, 4.0], (2, 3))], 'y': [(([2],), [1.0], (3,)), (([1],), [1.0], (3,))]}"),
    ({"x": io.DENSE_X, "y": io.DENSE_Y},
     "{'x': [[[0, 1, 0],\n [2, 0, 3]], [[1, 0, 0],\n [2, 3, 4]]], 'y': [[0, 0, 1], [0, 1, 0]]}"),
    *[({"x": [np.asarray(array, dtype=np.float64)]}, "{'x': [" + text + "]}") for array, text in [
        (np.float64(2.5) * np.ones(()), "2.5"), (np.zeros(0), "[]"), (np.zeros((2, 0)), "[[]]"), ([0.0, 1.0], "[0, 1]"),
        (np.zeros((0, 2, 3)), "[[[]]]"), ([[1.0, 2.0]], "[[1, 2]]"), ([[[1.0], [2.0]]], "[[[1],\n  [2]]]"),
        ([[[1.0, 2.0]], [[3.0, 4.0]]], "[[[1, 2]],\n\n [[3, 4]]]"), ([[[[1.0]]], [[[2.0]]]], "[[[[1]]],\n\n\n [[[2]]]]"),
        ([math.nan, math.inf, -math.inf, -0.0, 1e20, 1e-7], "[NaN, inf, -inf, -0, 100000000000000000000, 0.0000001]"),
        (np.arange(500.0), "[0, 1, 2, 3, 4, ..., 495, 496, 497, 498, 499]"),
        (np.arange(499.0), "[" + ", ".join(str(i) for i in range(499)) + "]")]],
])
def test_text_and_form(solution, text):
    r = R(solution, [1])
    assert text_of(solution) == text and str(r) == repr(r) and r.is_sparse() != r.is_dense()
    assert r.is_dense() == any(isinstance(v, np.ndarray) for values in solution.values() for v in values)


def test_dense_text_abbreviated_on_every_axis():
    blocks = text_of({"x": [np.arange(1000.0).reshape(10, 10, 10)]}).split(",\n\n ")
    assert len(blocks) == 7 and blocks[3] == "..."
    assert blocks[0].startswith("{'x': [[[[0, 1, 2, 3, 4, 5, 6, 7, 8, 9],\n  [10,")
    assert blocks[-1].endswith("[990, 991, 992, 993, 994, 995, 996, 997, 998, 999]]]]}")
    rows = text_of({"x": [np.arange(24.0 * 24).reshape(24, 24)]}).split(",\n ")
    assert len(rows) == 11 and rows[5] == "..." and rows[0] == "{'x': [[[0, 1, 2, 3, 4, ..., 19, 20, 21, 22, 23]"


@pytest.mark.parametrize("solution", [
    {"x": [np.array([1, 2])]}, {"x": [np.array([1.0], dtype=np.float32)]}, {"x": [np.array([True])]},
    {"x": [np.array([1.0], dtype=object)]}, {"x": [np.array([1.0], dtype=">f8")]}, {"x": "abc"},
    {"x": [np.array([1.0]), "abc"]}, {1: []}, {"x": [(([-1],), [1.0], (3,))]}, {"x": [(([0.5],), [1.0], (3,))]},
    {"x": [(([0],), [1.0], (-3,))]}, {"x": [(([0],), ["a"], (3,))]}, {"x": [(([0],), [1.0])]},
    {"x": [[([0],), [1.0], (3,)]]}, {"x": [([[0]], [1.0], (3,), 4)]}, {"x": [(([2**64],), [1.0], (3,))]},
    {"x": [("ab", [1.0], (3,))]}, {"x": 5}, {"x": {"a": 1}}, None, [], "x",
])
def test_not_a_solution(solution):
    with pytest.raises(TypeError, match="^" + re.escape("argument 'solution': " + io.NOT_A_SOLUTION) + "$"):
        R(solution, [1])
    r = io.sparse_record()
    with pytest.raises(TypeError) as info:
        r.solution = solution
    assert str(info.value) == io.NOT_A_SOLUTION and r == io.sparse_record()


def test_construction_and_attributes():
    assert R(solution={}, num_occurrences=[3]).num_occurrences == [3]
    assert R({"x": io.SPARSE_X}, [1, 2, 3, 4]).num_occurrences == [1, 2, 3, 4]  # no length check
    r = R({"x": [((np.array([0, 2], dtype=np.uint64),), np.array([1.0, 2.0]), (np.int64(3),))]}, [np.uint8(1)])
    assert r.solution["x"][0] == (([0, 2],), [1.0, 2.0], (3,)) and r.num_occurrences == [1]
    arr = np.array([1.0, 2.0])
    r = R({"x": [arr]}, [1])
    arr[0] = 5.0
    assert r.solution["x"][0][0] == 1.0  # copied in
    r = io.dense_record()
    got = r.solution
    assert list(got) == ["x", "y"] and got is not r.solution
    for a, ref in zip(got["x"] + got["y"], io.DENSE_X + io.DENSE_Y):
        assert a.dtype == np.float64 and all(a.flags[f] for f in ["C_CONTIGUOUS", "WRITEABLE", "OWNDATA"])
        np.testing.assert_array_equal(a, ref)
    got["x"][0][0, 0] = 99.0
    r.num_occurrences.append(5)
    assert r == io.dense_record()  # copied out
    r = R({}, [])
    r.solution, r.num_occurrences = {"x": io.DENSE_Y}, (4, 5)
    assert r.is_dense() and r.num_occurrences == [4, 5]
    with pytest.raises(TypeError, match=r"^Can't extract `str` to `Vec`$"):
        r.num_occurrences = "ab"
    assert r.num_occurrences == [4, 5]
    base = np.arange(12.0).reshape(3, 4)  # strided arrays, subclasses, 0-d arrays
    got = R({"x": [base[:, ::2], base.T, base.view(type("Sub", (np.ndarray,), {})), np.array(3.0)]}, [1]).solution["x"]
    np.testing.assert_array_equal(got[0], base[:, ::2])
    np.testing.assert_array_equal(got[1], base.T)
    assert got[2].shape == (3, 4) and type(got[2]) is np.ndarray and got[3].shape == () and got[3] == 3.0

    def interrupt(self):  # an interruption while the solution is read is not swallowed
        raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        R({"x": [(([type("Interrupting", (), {"__index__": interrupt})()],), [1.0], (1,))]}, [1])
    solution = {}
    clearing = type("Clearing", (), {"__index__": lambda self: solution.clear() or 0})()
    solution.update({"x": [(([clearing],), [1.0], (1,))], "y": []})
    # A dict changed while it is read is refused, not read again as a dense solution.
    with pytest.raises(RuntimeError, match=r"^dictionary changed size during iteration$"):
        R(solution, [1])


def test_equality_and_conversions():
    d, s = io.dense_record(), io.sparse_record()
    assert d == io.dense_record() and s == io.sparse_record() and d != s and R({}, [1]) != R({}, [1, 1])
    assert R({"x": [np.array([math.nan])]}, [1]) != R({"x": [np.array([math.nan])]}, [1])
    assert R({"x": [np.zeros(1)]}, [1]) == R({"x": [-np.zeros(1)]}, [1])
    assert R({"x": [np.zeros((2, 1))]}, [1]) != R({"x": [np.zeros((1, 2))]}, [1])
    assert s.to_dense() == d and d.to_sparse() == s and s.is_sparse() and d.is_dense()
    assert d.to_dense() == d and d.to_dense() is not d and s.to_sparse() == s and s.to_sparse() is not s
    assert R({"x": []}, [1]).is_sparse()
    assert R({"x": [((), [], ())]}, [1]).to_dense().solution["x"][0].shape == ()
    dense = R({"x": [(([0, 0],), [1.0, 2.0], (1,))]}, [1]).to_dense().solution["x"][0]
    np.testing.assert_array_equal(dense, [2.0])  # a repeated coordinate keeps the last value
    dense = R({"x": [(([0, 5, 7],), [1.0], (2,))]}, [1]).to_dense().solution["x"][0]
    np.testing.assert_array_equal(dense, [1.0, 0.0])  # axis lists past the values are not read
    (indices, values, shape), = R({"x": [np.array([[0.0, -0.0], [math.nan, 5.0]])]}, [1]).to_sparse().solution["x"]
    assert indices == ([1, 1], [0, 1]) and shape == (2, 2) and math.isnan(values[0]) and values[1] == 5.0
    assert R({"x": [np.zeros((2, 2))]}, [1]).to_sparse().solution["x"] == [(([], []), [], (2, 2))]


def test_dict_json_and_pandas_forms():
    d = io.sparse_record().to_dict()
    assert list(d.items()) == [("solution", {"x": io.SPARSE_X, "y": io.SPARSE_Y}), ("num_occurrences", [1, 2])]
    assert R.from_dict({}) == R({}, []) and R.from_dict({"num_occurrences": [1, 2], "other": 5}) == R({}, [1, 2])
    assert R({"x": [(([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3))]}, [1]).to_json() == (
        '{"solution":{"Sparse":{"x":[[[[0,1,1],[1,0,2]],[1.0,2.0,3.0],[2,3]]]}},"num_occurrences":[1]}')
    assert R({"y": [np.array([0.0, 0.0, 1.0])]}, [1]).to_json() == (
        '{"solution":{"Dense":{"y":[{"v":1,"dim":[3],"data":[0.0,0.0,1.0]}]}},"num_occurrences":[1]}')
    text = R({'a"\\\n\x01é': [(([0],), [math.nan], (1,))]}, []).to_json()
    assert '"a\\"\\\\\\n\\u0001é"' in text and "[null]" in text
    assert list(json.loads(text)["solution"]["Sparse"]) == ['a"\\\n\x01é']
    # array forms of the record, a sparse entry as an object, a dense array as an array
    text = '[{"Sparse": {"x": [{"shape": [3], "non_zero_values": [1], "non_zero_indices": [[2]], "extra": 0}]}}, [7]]'
    assert R.from_json(text) == R({"x": [(([2],), [1.0], (3,))]}, [7])
    text = '{"x": 1, "num_occurrences": [1], "solution": {"Dense": {"y": [[1, [2], [1, 2]]]}}}'
    assert R.from_json(text) == R({"y": [np.array([1.0, 2.0])]}, [1])
    text = '{"solution": {"Dense": {"x": [{"v": 1, "dim": [], "data": [4]}]}}, "num_occurrences": []}'
    assert R.from_json(text).solution["x"][0].shape == ()
    # zero-size arrays with axes no numpy array can have are refused when read
    text = '{"solution":{"Dense":{"x":[{"v":1,"dim":[0,9223372036854775807],"data":[]}]}},"num_occurrences":[1]}'
    with pytest.raises(ValueError, match=r"^dim \[0, 9223372036854775807\] is too large for an array at line 1 col"):
        R.from_json(text)
    df = R({"y": io.DENSE_Y, "x": io.DENSE_X}, [1, 2]).to_pandas()
    assert list(df.columns) == ["solution[x]", "solution[y]", "num_occurrences"] and list(df["num_occurrences"]) == [1, 2]
    np.testing.assert_array_equal(df["solution[y]"][1], io.DENSE_Y[1])
    assert io.sparse_record().to_pandas()["solution[x]"][0] == io.SPARSE_X[0]
