"""NumPy arrays in and out of the sample-set classes: a dense solution entry is taken by its buffer's own format,
never by a `dtype` attribute that a subclass can redefine, and what numpy.empty hands back is checked before it is
filled. Anything else is an ordinary exception: never raw bits, never the module's panic exception."""
import numpy as np
import pytest

import io_models as io
import zorvane as zv


def claiming(dtype):
    """An ndarray subclass whose `dtype` attribute says `dtype`, whatever its items are."""
    return type("Claiming", (np.ndarray,), {"dtype": property(lambda self: np.dtype(dtype))})


NOT_FLOAT64 = [np.array([1, 2]), np.array([1, 2], dtype=np.int32), np.array([1.0, 2.0], dtype=np.float32),
               np.array([1.0, 2.0], dtype=">f8"), np.array([1.0, 2.0], dtype=object), np.array([True, False])]


@pytest.mark.parametrize("items", NOT_FLOAT64, ids=[str(a.dtype) for a in NOT_FLOAT64])
@pytest.mark.parametrize("read", [lambda v: zv.Record({"x": [v]}, [1]),
                                  lambda v: zv.Record.from_dict({"solution": {"x": [v]}}),
                                  lambda v: setattr(io.dense_record(), "solution", {"x": [v]})],
                         ids=["Record", "from_dict", "solution setter"])
def test_an_array_claiming_float64_is_read_by_its_buffer(items, read):
    with pytest.raises(TypeError, match=r"^(argument 'solution': )?Failed to extract a solution\."):
        read(items.view(claiming(np.float64)))
    assert zv.Evaluation(energy=items.view(claiming(np.float64))).energy.tolist() == [float(v) for v in items]


@pytest.mark.parametrize("array", [np.array([1.5, -0.0]), np.arange(6.0).reshape(2, 3)[:, ::-2],
                                   np.arange(8.0).reshape(2, 2, 2).transpose(2, 0, 1), np.full((), 2.5)])
def test_a_float64_array_is_taken_whatever_its_dtype_attribute_says(array):
    read = zv.Record({"x": [array.view(claiming(np.int64))]}, [1]).solution["x"][0]
    assert type(read) is np.ndarray and read.dtype == np.float64 and read.shape == array.shape
    assert read.tobytes() == np.ascontiguousarray(array).tobytes()


EMPTY = np.empty
WRONG = {
    "another size": lambda shape, dtype: EMPTY(tuple(n + 1 for n in shape), dtype),
    "another dtype": lambda shape, dtype: EMPTY(shape, np.int64 if dtype == np.float64 else np.float64),
    "another shape": lambda shape, dtype: EMPTY((int(np.prod(shape)),) if len(shape) != 1 else (1, *shape), dtype),
    "not contiguous": lambda shape, dtype: EMPTY((*shape, 2), dtype)[..., 0],
    "read-only": lambda shape, dtype: np.lib.stride_tricks.as_strided(EMPTY(shape, dtype), writeable=False),
    "a list": lambda shape, dtype: [0.0] * int(np.prod(shape)),
    "a memoryview": lambda shape, dtype: memoryview(EMPTY(shape, dtype)),
}
READS = {
    "Evaluation.energy": lambda: zv.Evaluation(energy=[1.5, 2.5]).energy,
    "Evaluation.constraint_forall": lambda: io.full_evaluation().constraint_forall,
    "Evaluation.to_pandas": lambda: io.full_evaluation().to_pandas(),
    "Record.solution": lambda: io.dense_record().solution,
    "SampleSet.to_dict": lambda: zv.SampleSet(io.dense_record(), io.full_evaluation(), zv.MeasuringTime()).to_dict(),
}


@pytest.mark.parametrize("read", READS.values(), ids=READS)
@pytest.mark.parametrize("wrong", WRONG.values(), ids=WRONG)
def test_what_numpy_empty_returns_is_checked(monkeypatch, read, wrong):
    monkeypatch.setattr(np, "empty", lambda shape, dtype=None: wrong(shape, np.dtype(dtype)))
    with pytest.raises(TypeError, match=r"^numpy.empty did not return a new (float64|uint64) array of shape \("):
        read()


def test_the_refusal_names_what_was_asked_for(monkeypatch):
    monkeypatch.setattr(np, "empty", lambda shape, dtype=None: EMPTY(shape, np.int64))
    with pytest.raises(TypeError, match=r"^numpy.empty did not return a new float64 array of shape \(2,\)$"):
        zv.Evaluation(energy=[1.5, 2.5]).energy
    with pytest.raises(TypeError, match=r"^numpy.empty did not return a new uint64 array of shape \(2, 2\)$"):
        io.full_evaluation().constraint_forall
    with pytest.raises(TypeError, match=r"^numpy.empty did not return a new float64 array of shape \(\)$"):
        zv.Record({"x": [np.ones(())]}, [1]).solution
    with pytest.raises(TypeError, match=r"^numpy.empty did not return a new float64 array of shape \(0,\)$"):
        zv.Evaluation().energy
