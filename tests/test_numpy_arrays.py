"""NumPy arrays in and out of the sample-set classes: a dense solution entry is taken by its buffer's own format, not
by a `dtype` attribute that a subclass can redefine, and what numpy.empty hands back is checked before it is filled.
Anything else is an ordinary exception: never raw bits, never the module's panic exception."""
import numpy as np
import pandas  # noqa: F401 - imported before a test replaces numpy.empty, which its import calls
import pytest

import io_models as io
import zorvane as zv


def claiming(dtype):  # an ndarray subclass whose `dtype` attribute says `dtype` whatever its items are
    return type("Claiming", (np.ndarray,), {"dtype": property(lambda self: np.dtype(dtype))})


@pytest.mark.parametrize("items", ["int64", "int32", "float32", ">f8", "bool", "object"])
@pytest.mark.parametrize("read", [lambda v: zv.Record({"x": [v]}, [1]),
                                  lambda v: setattr(io.dense_record(), "solution", {"x": [v]})])
def test_an_array_claiming_float64_is_read_by_its_buffer(items, read):
    array = np.array([1, 0], dtype=items).view(claiming(np.float64))
    with pytest.raises(TypeError, match=r"^(argument 'solution': )?Failed to extract a solution\."):
        read(array)
    assert zv.Evaluation(energy=array).energy.tolist() == [1.0, 0.0]  # read item by item


@pytest.mark.parametrize("array", [np.array([1.5, -0.0]), np.arange(6.0).reshape(2, 3)[:, ::-2], np.full((), 2.5),
                                   np.arange(8.0).reshape(2, 2, 2).transpose(2, 0, 1)])
def test_a_float64_array_is_taken_whatever_its_dtype_attribute_says(array):
    read = zv.Record({"x": [array.view(claiming(np.int64))]}, [1]).solution["x"][0]
    assert type(read) is np.ndarray and read.dtype == np.float64 and read.shape == array.shape
    assert read.tobytes() == np.ascontiguousarray(array).tobytes()


EMPTY = np.empty
WRONG = {
    "another size": lambda shape, dtype: EMPTY(tuple(n + 1 for n in shape), dtype),
    "another dtype": lambda shape, dtype: EMPTY(shape, np.int64 if dtype == np.float64 else np.float64),
    "another shape": lambda shape, dtype: EMPTY(shape[::-1] if len(set(shape)) > 1 else (1, *shape), dtype),
    "not contiguous": lambda shape, dtype: EMPTY((*shape, 2), dtype)[..., 0],
    "read-only": lambda shape, dtype: np.lib.stride_tricks.as_strided(EMPTY(shape, dtype), writeable=False),
    "no array": lambda shape, dtype: memoryview(EMPTY(shape, dtype)),
}
READS = {"Evaluation.energy": (lambda: zv.Evaluation(energy=[1.5, 2.5]).energy, "float64 (2,)"),
         "Evaluation.constraint_forall": (lambda: io.full_evaluation().constraint_forall, "uint64 (2, 2)"),
         "Record.solution": (lambda: zv.Record({"x": [np.ones((1, 2))]}, [1]).solution, "float64 (1, 2)"),
         "SampleSet.to_pandas": (lambda: zv.SampleSet(io.dense_record(), io.full_evaluation(),
                                                      zv.MeasuringTime()).to_pandas(), "float64 (2, 3)")}


@pytest.mark.parametrize("read, text", READS.values(), ids=READS)
@pytest.mark.parametrize("wrong", WRONG.values(), ids=WRONG)
def test_what_numpy_empty_returns_is_checked(monkeypatch, read, text, wrong):
    monkeypatch.setattr(np, "empty", lambda shape, dtype=None: wrong(shape, np.dtype(dtype)))
    dtype, shape = text.split(" ", 1)
    with pytest.raises(TypeError, match=rf"^numpy.empty did not return a new {dtype} array of shape \{shape[:-1]}\)$"):
        read()


@pytest.mark.parametrize("read, text", [(lambda: zv.Evaluation().energy, "float64 (0,)"),
                                        (lambda: zv.Record({"x": [np.ones(())]}, [1]).solution, "float64 ()")])
def test_empty_and_scalar_arrays_are_checked_too(monkeypatch, read, text):
    test_what_numpy_empty_returns_is_checked(monkeypatch, read, text, WRONG["another dtype"])


def test_a_replaced_ndarray_is_refused(monkeypatch):
    monkeypatch.setattr(np, "ndarray", "not a type")
    with pytest.raises(TypeError, match=r"^numpy.ndarray is not a type$"):
        zv.Evaluation(energy=[1.0]).energy


@pytest.mark.parametrize("read", [lambda: zv.Evaluation(energy=np.ones((2, 2))),
                                  lambda: zv.Record({}, np.ones((2, 2), dtype=np.uint64))])
def test_a_list_is_read_from_one_axis_only(read):  # each row of a 2-d array is one item, no number
    with pytest.raises(TypeError):
        read()
