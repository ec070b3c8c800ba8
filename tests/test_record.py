"""Record: solution forms, construction, text, equality and its conversions (dense/sparse, dict, JSON, pandas)."""

import json
import math
import re

import numpy as np
import pytest
from hypothesis import given, strategies as st

import zorvane as zv

NOT_A_SOLUTION = (
    "Failed to extract a solution. The solution must be a dict of str to a list of numpy.ndarray "
    "or Tuple[List[List[int]], List[int|float], Tuple[int,..]]."
)

DENSE_X = [np.array([[0.0, 1.0, 0.0], [2.0, 0.0, 3.0]]), np.array([[1.0, 0.0, 0.0], [2.0, 3.0, 4.0]])]
DENSE_Y = [np.array([0.0, 0.0, 1.0]), np.array([0.0, 1.0, 0.0])]
SPARSE_X = [
    (([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3)),
    (([0, 1, 1, 1], [0, 0, 1, 2]), [1.0, 2.0, 3.0, 4.0], (2, 3)),
]
SPARSE_Y = [(([2],), [1.0], (3,)), (([1],), [1.0], (3,))]


def dense_record():
    return zv.Record({"x": DENSE_X, "y": DENSE_Y}, [1, 2])


def sparse_record():
    return zv.Record({"x": SPARSE_X, "y": SPARSE_Y}, [1, 2])


# ---- construction -------------------------------------------------------------------------


def test_empty_record():
    r = zv.Record({}, [])
    assert r.is_sparse() and not r.is_dense()
    assert str(r) == repr(r) == "Record(solution={}, num_occurrences=[])"


def test_empty_lists_are_sparse():
    assert zv.Record({"x": []}, [1]).is_sparse()


def test_dense_record_text():
    r = zv.Record({"x": [np.array([0.0, 1.0])]}, [1])
    assert r.is_dense()
    assert repr(r) == "Record(solution={'x': [[0, 1]]}, num_occurrences=[1])"


def test_sparse_record_text():
    r = zv.Record({"x": [(([0, 1],), [1.0, 2.0], (3,))]}, [1])
    assert r.is_sparse()
    assert repr(r) == "Record(solution={'x': [(([0, 1],), [1.0, 2.0], (3,))]}, num_occurrences=[1])"


def test_sparse_entry_as_list_of_lists_and_ints_as_floats():
    r = zv.Record({"x": [[[[0], [1]], [5], [1, 2]]]}, [1])
    assert repr(r) == "Record(solution={'x': [(([0], [1]), [5.0], (1, 2))]}, num_occurrences=[1])"


def test_sparse_entry_with_no_axes():
    r = zv.Record({"x": [((), [], ())]}, [1])
    assert repr(r) == "Record(solution={'x': [((), [], ())]}, num_occurrences=[1])"
    assert r.to_dense().solution["x"][0].shape == ()


def test_numpy_integers_are_accepted_as_indices():
    r = zv.Record({"x": [((np.array([0, 2], dtype=np.uint64),), np.array([1.0, 2.0]), (np.int64(3),))]}, [np.uint8(1)])
    assert r.solution["x"][0] == (([0, 2],), [1.0, 2.0], (3,))
    assert r.num_occurrences == [1]


@pytest.mark.parametrize(
    "solution",
    [
        {"x": [np.array([1, 2])]},
        {"x": [np.array([1.0], dtype=np.float32)]},
        {"x": [np.array([True])]},
        {"x": [np.array([1.0], dtype=object)]},
        {"x": [np.array([1.0], dtype=">f8")]},
        {"x": "abc"},
        {"x": [np.array([1.0]), "abc"]},
        {1: []},
        {"x": [(([-1],), [1.0], (3,))]},
        {"x": [(([0.5],), [1.0], (3,))]},
        {"x": [(([0],), [1.0], (-3,))]},
        {"x": [(([0],), ["a"], (3,))]},
        {"x": [(([0],), [1.0])]},
        {"x": [[([0],), [1.0], (3,)]]},
        {"x": [([[0]], [1.0], (3,), 4)]},
        {"x": [(([2**64],), [1.0], (3,))]},
        {"x": [("ab", [1.0], (3,))]},
        {"x": 5},
        {"x": {"a": 1}},
        None,
        [],
        "x",
    ],
)
def test_not_a_solution(solution):
    with pytest.raises(TypeError, match="^" + re.escape("argument 'solution': " + NOT_A_SOLUTION) + "$"):
        zv.Record(solution, [1])
    r = zv.Record({}, [])
    with pytest.raises(TypeError) as info:
        r.solution = solution
    assert str(info.value) == NOT_A_SOLUTION
    assert r == zv.Record({}, [])


def test_dense_subclass_and_strided_arrays():
    class Sub(np.ndarray):
        pass

    base = np.arange(12.0).reshape(3, 4)
    r = zv.Record({"x": [base[:, ::2], base.T, base.view(Sub), np.array(3.0)]}, [1])
    got = r.solution["x"]
    np.testing.assert_array_equal(got[0], base[:, ::2])
    np.testing.assert_array_equal(got[1], base.T)
    assert got[2].shape == (3, 4) and type(got[2]) is np.ndarray
    assert got[3].shape == () and got[3] == 3.0


@pytest.mark.parametrize(
    "counts, error, message",
    [
        ("abc", TypeError, r"^argument 'num_occurrences': Can't extract `str` to `Vec`$"),
        (5, TypeError, r"^argument 'num_occurrences': 'int' object cannot be converted to 'Sequence'$"),
        ([1.5], TypeError, r"^argument 'num_occurrences': 'float' object cannot be interpreted as an integer$"),
        ([-1], OverflowError, r"^can't convert negative int to unsigned$"),
        ([2**64], OverflowError, r"^int too big to convert$"),
    ],
)
def test_num_occurrences_errors(counts, error, message):
    with pytest.raises(error, match=message):
        zv.Record({}, counts)


def test_no_length_check():
    r = zv.Record({"x": SPARSE_X}, [1, 2, 3, 4])
    assert r.num_occurrences == [1, 2, 3, 4]


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: zv.Record({}), r"^Record.__new__\(\) missing 1 required positional argument: 'num_occurrences'$"),
        (lambda: zv.Record(), r"^Record.__new__\(\) missing 2 required positional arguments: 'solution' and 'num_occurrences'$"),
        (lambda: zv.Record({}, [], 1), r"^Record.__new__\(\) takes 2 positional arguments but 3 were given$"),
        (lambda: zv.Record({}, [], x=1), r"^Record.__new__\(\) got an unexpected keyword argument 'x'$"),
    ],
)
def test_argument_errors(call, message):
    with pytest.raises(TypeError, match=message):
        call()


def test_keywords():
    assert zv.Record(solution={}, num_occurrences=[3]).num_occurrences == [3]


# ---- attributes ---------------------------------------------------------------------------


def test_getters_return_new_objects():
    r = dense_record()
    a = r.solution
    a["x"][0][0, 0] = 99.0
    assert r.solution["x"][0][0, 0] == 0.0
    assert r.solution is not r.solution
    counts = r.num_occurrences
    counts.append(5)
    assert r.num_occurrences == [1, 2]


def test_sparse_getter_form():
    assert sparse_record().solution == {"x": SPARSE_X, "y": SPARSE_Y}


def test_dense_getter_form():
    got = dense_record().solution
    assert list(got) == ["x", "y"]
    for arr, ref in zip(got["x"] + got["y"], DENSE_X + DENSE_Y):
        assert arr.dtype == np.float64 and arr.flags["C_CONTIGUOUS"] and arr.flags["WRITEABLE"] and arr.flags["OWNDATA"]
        np.testing.assert_array_equal(arr, ref)


def test_input_arrays_are_copied():
    arr = np.array([1.0, 2.0])
    r = zv.Record({"x": [arr]}, [1])
    arr[0] = 5.0
    assert r.solution["x"][0][0] == 1.0


def test_setters():
    r = zv.Record({}, [])
    r.solution = {"x": DENSE_Y}
    r.num_occurrences = (4, 5)
    assert r.is_dense() and r.num_occurrences == [4, 5]
    with pytest.raises(TypeError, match=r"^Can't extract `str` to `Vec`$"):
        r.num_occurrences = "ab"
    assert r.num_occurrences == [4, 5]
    r.solution = 5 if False else {"y": SPARSE_Y}
    assert r.is_sparse()


def test_failed_solution_assignment_keeps_old_solution():
    r = sparse_record()
    with pytest.raises(TypeError):
        r.solution = 5
    assert r == sparse_record()


@pytest.mark.parametrize("field", ["solution", "num_occurrences"])
def test_delete_attribute(field):
    with pytest.raises(AttributeError, match=r"^can't delete attribute$"):
        delattr(zv.Record({}, []), field)


# ---- text -----------------------------------------------------------------------------------


def test_names_in_byte_order():
    r = zv.Record({"b": [], "a": [], "B": [], "é": [], "Z": []}, [])
    assert repr(r) == "Record(solution={'B': [], 'Z': [], 'a': [], 'b': [], 'é': []}, num_occurrences=[])"


def test_name_not_escaped():
    assert repr(zv.Record({"it's": []}, [])) == "Record(solution={'it's': []}, num_occurrences=[])"


def test_class_doc_example_text():
    assert repr(sparse_record()) == (
        "Record(solution={'x': [(([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3)), "
        "(([0, 1, 1, 1], [0, 0, 1, 2]), [1.0, 2.0, 3.0, 4.0], (2, 3))], "
        "'y': [(([2],), [1.0], (3,)), (([1],), [1.0], (3,))]}, num_occurrences=[1, 2])"
    )
    assert repr(dense_record()) == (
        "Record(solution={'x': [[[0, 1, 0],\n [2, 0, 3]], [[1, 0, 0],\n [2, 3, 4]]], "
        "'y': [[0, 0, 1], [0, 1, 0]]}, num_occurrences=[1, 2])"
    )


def dense_text(array):
    text = repr(zv.Record({"x": [np.asarray(array, dtype=np.float64)]}, [1]))
    return text[len("Record(solution={'x': [") : -len("]}, num_occurrences=[1])")]


@pytest.mark.parametrize(
    "array, text",
    [
        (np.float64(2.5) * np.ones(()), "2.5"),
        (np.zeros(0), "[]"),
        (np.zeros((2, 0)), "[[]]"),
        (np.zeros((0, 2, 3)), "[[[]]]"),
        ([[1.0, 2.0]], "[[1, 2]]"),
        ([[[1.0, 2.0]], [[3.0, 4.0]]], "[[[1, 2]],\n\n [[3, 4]]]"),
        ([[[[1.0]]], [[[2.0]]]], "[[[[1]]],\n\n\n [[[2]]]]"),
        ([[[1.0], [2.0]]], "[[[1],\n  [2]]]"),
        ([math.nan, math.inf, -math.inf, -0.0, 1e20, 1e-7, 0.5], "[NaN, inf, -inf, -0, 100000000000000000000, 0.0000001, 0.5]"),
    ],
)
def test_dense_array_text(array, text):
    assert dense_text(array) == text


def test_dense_abbreviation_one_axis():
    assert dense_text(np.arange(500.0)) == "[0, 1, 2, 3, 4, ..., 495, 496, 497, 498, 499]"
    assert dense_text(np.arange(499.0)) == "[" + ", ".join(str(i) for i in range(499)) + "]"


def test_dense_abbreviation_three_axes():
    text = dense_text(np.arange(1000.0).reshape(10, 10, 10))
    blocks = text.split(",\n\n ")
    assert len(blocks) == 7 and blocks[3] == "..."
    assert blocks[0].startswith("[[[0, 1, 2, 3, 4, 5, 6, 7, 8, 9],\n  [10,")
    assert blocks[-1].endswith("[990, 991, 992, 993, 994, 995, 996, 997, 998, 999]]]")


def test_dense_abbreviation_two_axes():
    text = dense_text(np.arange(24.0 * 24).reshape(24, 24))
    rows = text.split(",\n ")
    assert len(rows) == 11 and rows[5] == "..."
    assert rows[0] == "[[0, 1, 2, 3, 4, ..., 19, 20, 21, 22, 23]"


@pytest.mark.parametrize(
    "value, text",
    [(1.0, "1.0"), (0.5, "0.5"), (1e-4, "0.0001"), (1e16, "1e16"), (1.5e-7, "1.5e-7"), (-2e20, "-2e20"),
     (9.5e-5, "9.5e-5"), (1234.5678, "1234.5678"), (-0.0, "-0.0"), (math.nan, "NaN"), (-math.inf, "-inf"),
     (1e15, "1000000000000000.0")],
)
def test_sparse_value_text(value, text):
    r = zv.Record({"x": [(([0],), [value], (1,))]}, [])
    assert repr(r) == f"Record(solution={{'x': [(([0],), [{text}], (1,))]}}, num_occurrences=[])"


# ---- equality ----------------------------------------------------------------------------


def test_equality():
    assert dense_record() == dense_record()
    assert sparse_record() == sparse_record()
    assert dense_record() != sparse_record()
    assert dense_record().to_sparse() == sparse_record()
    assert zv.Record({}, [1]) != zv.Record({}, [1, 1])
    assert zv.Record({"x": [np.array([math.nan])]}, [1]) != zv.Record({"x": [np.array([math.nan])]}, [1])
    assert zv.Record({"x": [np.array([0.0])]}, [1]) == zv.Record({"x": [np.array([-0.0])]}, [1])
    assert zv.Record({"x": [np.zeros((2, 1))]}, [1]) != zv.Record({"x": [np.zeros((1, 2))]}, [1])
    assert (zv.Record({}, []) == 1) is False
    assert (zv.Record({}, []) != 1) is True


@pytest.mark.parametrize("op", ["<", "<=", ">", ">="])
def test_ordering_refused(op):
    with pytest.raises(TypeError, match=rf"^Comparison '{op}' not supported for Record$"):
        eval(f"a {op} b", {"a": zv.Record({}, []), "b": zv.Record({}, [])})


def test_unhashable():
    with pytest.raises(TypeError, match="unhashable"):
        hash(zv.Record({}, []))


# ---- dense and sparse forms -------------------------------------------------------------------


def test_to_dense_and_back():
    r = zv.Record({"x": [(([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3))]}, [1])
    d = r.to_dense()
    assert d.is_dense()
    np.testing.assert_array_equal(d.solution["x"][0], [[0, 1, 0], [2, 0, 3]])
    assert d.to_sparse() == r
    assert r.is_sparse()  # the receiver is unchanged


def test_class_doc_example_converts():
    assert sparse_record().to_dense() == dense_record()
    assert dense_record().to_sparse() == sparse_record()


def test_repeated_coordinate_keeps_last_value():
    d = zv.Record({"x": [(([0, 0],), [1.0, 2.0], (1,))]}, [1]).to_dense()
    np.testing.assert_array_equal(d.solution["x"][0], [2.0])


@pytest.mark.parametrize(
    "entry, message",
    [
        ((([2, 0],), [1.0], (2, 3)), r"^Failed to get a mutable reference to the array at \[2\]\. This might be caused by the shape mismatch\. shape: \[2, 3\]$"),
        ((([0], [3]), [1.0], (2, 3)), r"^Failed to get a mutable reference to the array at \[0, 3\]\. This might be caused by the shape mismatch\. shape: \[2, 3\]$"),
        ((([0], [0], [0]), [1.0], (2, 3)), r"at \[0, 0, 0\]\. .* shape: \[2, 3\]$"),
        ((([0],), [1.0, 2.0], (2,)), r"^Failed to read the coordinate of the non-zero value #1"),
    ],
)
def test_to_dense_index_errors(entry, message):
    r = zv.Record({"x": [entry]}, [1])
    with pytest.raises(IndexError, match=message):
        r.to_dense()
    assert r.is_sparse()


def test_to_dense_huge_shape_is_refused():
    r = zv.Record({"x": [((), [], (2**40, 2**40))]}, [1])
    with pytest.raises(MemoryError, match=r"^a dense array of shape \[1099511627776, 1099511627776\] is too large$"):
        r.to_dense()


def test_to_dense_axis_lists_beyond_values_not_read():
    d = zv.Record({"x": [(([0, 5, 7],), [1.0], (2,))]}, [1]).to_dense()
    np.testing.assert_array_equal(d.solution["x"][0], [1.0, 0.0])


def test_to_sparse_keeps_nan_drops_zeros():
    r = zv.Record({"x": [np.array([[0.0, -0.0], [math.nan, 5.0]])]}, [1]).to_sparse()
    (indices, values, shape), = r.solution["x"]
    assert indices == ([1, 1], [0, 1]) and shape == (2, 2)
    assert math.isnan(values[0]) and values[1] == 5.0


def test_to_sparse_all_zero():
    r = zv.Record({"x": [np.zeros((2, 2))]}, [1]).to_sparse()
    assert r.solution["x"] == [(([], []), [], (2, 2))]


def test_conversions_return_new_objects():
    d = dense_record()
    s = sparse_record()
    assert d.to_dense() == d and d.to_dense() is not d
    assert s.to_sparse() == s and s.to_sparse() is not s


# ---- dict form -----------------------------------------------------------------------------


def test_to_dict():
    d = sparse_record().to_dict()
    assert list(d) == ["solution", "num_occurrences"]
    assert d == {"solution": {"x": SPARSE_X, "y": SPARSE_Y}, "num_occurrences": [1, 2]}


def test_from_dict():
    assert zv.Record.from_dict(sparse_record().to_dict()) == sparse_record()
    assert zv.Record.from_dict(dense_record().to_dict()) == dense_record()
    assert zv.Record.from_dict({}) == zv.Record({}, [])
    assert zv.Record.from_dict({"num_occurrences": [1, 2], "other": 5}) == zv.Record({}, [1, 2])
    with pytest.raises(TypeError, match=rf"^{NOT_A_SOLUTION[:20]}"):
        zv.Record.from_dict({"solution": None})
    with pytest.raises(TypeError, match=r"^Can't extract `str` to `Vec`$"):
        zv.Record.from_dict({"num_occurrences": "12"})
    with pytest.raises(TypeError, match=r"^argument 'dict': 'list' object cannot be converted to 'PyDict'$"):
        zv.Record.from_dict([])


# ---- JSON form -----------------------------------------------------------------------------


def test_to_json_texts():
    assert zv.Record({}, []).to_json() == '{"solution":{"Sparse":{}},"num_occurrences":[]}'
    assert zv.Record({"x": [(([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3))]}, [1]).to_json() == (
        '{"solution":{"Sparse":{"x":[[[[0,1,1],[1,0,2]],[1.0,2.0,3.0],[2,3]]]}},"num_occurrences":[1]}'
    )
    assert zv.Record({"y": [np.array([0.0, 0.0, 1.0])]}, [1]).to_json() == (
        '{"solution":{"Dense":{"y":[{"v":1,"dim":[3],"data":[0.0,0.0,1.0]}]}},"num_occurrences":[1]}'
    )


def test_to_json_escapes_names_and_writes_null():
    r = zv.Record({'a"\\\n\x01é': [(([0],), [math.nan], (1,))]}, [])
    text = r.to_json()
    assert '"a\\"\\\\\\n\\u0001é"' in text and "[null]" in text
    assert list(json.loads(text)["solution"]["Sparse"]) == ['a"\\\n\x01é']


def test_from_json_forms():
    assert zv.Record.from_json(sparse_record().to_json()) == sparse_record()
    assert zv.Record.from_json(dense_record().to_json()) == dense_record()
    # array forms of the record, a sparse entry as an object, a dense array as an array
    text = '[{"Sparse": {"x": [{"shape": [3], "non_zero_values": [1], "non_zero_indices": [[2]], "extra": 0}]}}, [7]]'
    assert zv.Record.from_json(text) == zv.Record({"x": [(([2],), [1.0], (3,))]}, [7])
    text = '{"x": 1, "num_occurrences": [1], "solution": {"Dense": {"y": [[1, [2], [1, 2]]]}}}'
    assert zv.Record.from_json(text) == zv.Record({"y": [np.array([1.0, 2.0])]}, [1])
    text = '{"solution": {"Dense": {"x": [{"v": 1, "dim": [], "data": [4]}]}}, "num_occurrences": []}'
    assert zv.Record.from_json(text).solution["x"][0].shape == ()


@pytest.mark.parametrize(
    "text, message",
    [
        ('{"solution":{"Dense":{"x":[{"v":2,"dim":[1],"data":[1.0]}]}},"num_occurrences":[1]}', r"^unknown array version: 2 at line 1 column \d+$"),
        ('{"solution":{"Dense":{"x":[{"v":1,"dim":[2,2],"data":[1.0,2.0,3.0]}]}},"num_occurrences":[1]}', r"^data and dimension must match in size"),
        ('{"solution":{"Dense":{"x":[{"v":1,"dim":[4294967296,4294967296,2],"data":[]}]}},"num_occurrences":[1]}', r"^data and dimension must match in size"),
        ('{"solution":{"Dense":{"x":[{"v":1,"data":[]}]}},"num_occurrences":[1]}', r"^missing field `dim`"),
        ('{"solution":{"Dense":{"x":[{"v":1,"dim":[0],"w":[]}]}},"num_occurrences":[1]}', r"^unknown field `w`, expected one of `v`, `dim`, `data`"),
        ('{"solution":{"Dense":{"x":[{"v":300,"dim":[0],"data":[]}]}},"num_occurrences":[1]}', r"^invalid value: integer `300`, expected u8"),
        ('{"solution":{"Other":{}},"num_occurrences":[1]}', r"^unknown variant `Other`, expected `Sparse` or `Dense`"),
        ('{"solution":[],"num_occurrences":[1]}', r"^invalid type: sequence, expected enum RecordSolution"),
        ('{"solution":{},"num_occurrences":[1]}', r"expected enum RecordSolution"),
        ('{"solution":{"Sparse":{},"Dense":{}},"num_occurrences":[1]}', r"expected enum RecordSolution"),
        ('{"solution":{"Sparse":{}}}', r"^missing field `num_occurrences`"),
        ('{"num_occurrences":[]}', r"^missing field `solution`"),
        ('{"solution":{"Sparse":{}},"solution":{"Sparse":{}},"num_occurrences":[]}', r"^duplicate field `solution`"),
        ('[{"Sparse":{}}]', r"^invalid length 1, expected struct PyRecord with 2 elements"),
        ('{"solution":{"Sparse":{"x":[[[[0]],[1.0]]]}},"num_occurrences":[]}', r"^invalid length 2, expected struct COOFormat with 3 elements"),
        ('{"solution":{"Sparse":{"x":[[[[0]],[null],[1]]]}},"num_occurrences":[]}', r"^invalid type: null, expected f64"),
        ('{"solution":{"Sparse":{"x":[[[[-1]],[1.0],[1]]]}},"num_occurrences":[]}', r"^invalid value: integer `-1`, expected u64"),
        ('{"solution":{"Sparse":{"x":[[[[0.5]],[1.0],[1]]]}},"num_occurrences":[]}', r"^invalid type: floating point `0.5`, expected u64"),
        ('{"solution":{"Sparse":{}},"num_occurrences":[18446744073709551616]}', r"^invalid type: floating point `18446744073709552000.0`, expected u64"),
        ('{"solution":{"Sparse":{}},"num_occurrences":{}}', r"^invalid type: map, expected a sequence"),
        ('"x"', r'^invalid type: string "x", expected struct PyRecord'),
        ('{"solution":{"Sparse":{}},"num_occurrences":[]} x', r"at line 1 column \d+$"),
        ("[" * 129 + "]" * 129, r"^recursion limit exceeded"),
    ],
)
def test_from_json_errors(text, message):
    with pytest.raises(ValueError, match=message):
        zv.Record.from_json(text)


def test_from_json_nested_within_limit():
    # 128 levels are read; the reader only then finds the wrong type.
    with pytest.raises(ValueError, match=r"^invalid type: sequence, expected enum RecordSolution"):
        zv.Record.from_json("[" + "[" * 127 + "]" * 127 + ", []]")


def test_from_json_argument():
    with pytest.raises(TypeError, match=r"^argument 'json': 'dict' object cannot be converted to 'PyString'$"):
        zv.Record.from_json({})


def test_nan_does_not_read_back():
    text = zv.Record({"x": [np.array([math.nan])]}, [1]).to_json()
    assert '"data":[null]' in text
    with pytest.raises(ValueError, match=r"^invalid type: null, expected f64"):
        zv.Record.from_json(text)


# ---- pandas ---------------------------------------------------------------------------------


def test_to_pandas_columns():
    df = zv.Record({"y": DENSE_Y, "x": DENSE_X}, [1, 2]).to_pandas()
    assert list(df.columns) == ["solution[x]", "solution[y]", "num_occurrences"]
    assert list(df["num_occurrences"]) == [1, 2]
    np.testing.assert_array_equal(df["solution[y]"][1], DENSE_Y[1])


def test_to_pandas_sparse_cells():
    df = sparse_record().to_pandas()
    assert df["solution[x]"][0] == SPARSE_X[0]


def test_to_pandas_lengths_must_match():
    with pytest.raises(ValueError):
        zv.Record({"x": SPARSE_X}, [1]).to_pandas()


def test_docs():
    assert zv.Record.__text_signature__ == "(solution, num_occurrences)"
    assert zv.Record.__doc__.startswith("A class for representing a record.")
    assert zv.Record.is_dense.__doc__.startswith("Return true if the solution is dense.")
    assert zv.Record.from_json.__text_signature__ == "(json)"


# ---- round trips ----------------------------------------------------------------------------

finite = st.floats(allow_nan=False, allow_infinity=False)
names = st.text(min_size=0, max_size=6)
counts = st.lists(st.integers(0, 2**64 - 1), max_size=4)


@st.composite
def coo_entries(draw):
    ndim = draw(st.integers(0, 3))
    shape = tuple(draw(st.lists(st.integers(1, 4), min_size=ndim, max_size=ndim)))
    k = draw(st.integers(0, 4))
    indices = tuple([draw(st.integers(0, n - 1)) for _ in range(k)] for n in shape)
    values = draw(st.lists(finite, min_size=k, max_size=k))
    return (indices, values, shape)


@st.composite
def dense_arrays(draw):
    shape = tuple(draw(st.lists(st.integers(0, 3), max_size=3)))
    size = int(np.prod(shape)) if shape else 1
    return np.array(draw(st.lists(finite, min_size=size, max_size=size)), dtype=np.float64).reshape(shape)


sparse_records = st.builds(zv.Record, st.dictionaries(names, st.lists(coo_entries(), max_size=3), max_size=3), counts)
dense_records = st.builds(zv.Record, st.dictionaries(names, st.lists(dense_arrays(), min_size=1, max_size=3), max_size=3), counts)


@given(st.one_of(sparse_records, dense_records))
def test_round_trips(record):
    assert zv.Record.from_dict(record.to_dict()) == record
    text = record.to_json()
    assert zv.Record.from_json(text) == record
    assert zv.Record.from_json(text).to_json() == text
    assert zv.Record.from_json(json.dumps(json.loads(text), indent=2)) == record


@given(dense_records)
def test_dense_sparse_dense(record):
    if not record.is_dense():  # a dict without arrays reads as sparse
        assert record.to_dict()["solution"] == {} or all(v == [] for v in record.solution.values())
        return
    assert record.to_sparse().to_dense() == record


def test_interrupt_during_extraction_is_not_swallowed():
    class Interrupting:
        def __index__(self):
            raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        zv.Record({"x": [(([Interrupting()],), [1.0], (1,))]}, [1])


def test_solution_dict_changed_during_extraction():
    solution = {}

    class Clearing:
        def __index__(self):
            solution.clear()
            return 0

    solution.update({"x": [(([Clearing()],), [1.0], (1,))], "y": []})
    # The sparse reading stops at the change; the dense reading then sees the emptied dict.
    assert zv.Record(solution, [1]).solution == {}


def test_zero_size_arrays_with_huge_axes():
    text = '{"solution":{"Dense":{"x":[{"v":1,"dim":[0,9223372036854775807],"data":[]}]}},"num_occurrences":[1]}'
    r = zv.Record.from_json(text)
    assert repr(r) == "Record(solution={'x': [[[]]]}, num_occurrences=[1])"
    assert r.to_json() == text
    assert r.to_sparse().solution == {"x": [(([], []), [], (0, 2**63 - 1))]}
    with pytest.raises(ValueError):  # numpy refuses to make such an array
        r.solution
