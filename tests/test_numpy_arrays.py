"""NumPy arrays and other buffers in and out of the sample-set classes: a dense solution entry is taken by its own
descriptor, not by a `dtype` attribute that a subclass can redefine; a buffer without strides (ctypes) is contiguous;
arrays are made by numpy's C array API, so numpy functions replaced from Python are never consulted. Anything else is
an ordinary exception, an error that is no refusal passes unchanged: never raw bits, never the module's panic
exception."""
import ctypes
import os
import sys

import numpy as np
import pytest

import io_models as io
import zorvane as zv
import processes


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


NDARRAY, DTYPE = np.ndarray, np.dtype


def described(value):  # arrays by type, dtype, shape, ownership and bytes; containers item by item
    if isinstance(value, NDARRAY):
        return (type(value), value.dtype.str, value.shape, value.flags.c_contiguous, value.flags.writeable,
                value.flags.owndata, value.base is None, value.tobytes())
    if isinstance(value, (list, tuple)):
        return type(value), [described(item) for item in value]
    if isinstance(value, dict):
        return [(key, described(item)) for key, item in value.items()]
    return type(value), repr(value)


READS = {"Evaluation.energy": lambda: zv.Evaluation(energy=[1.5, 2.5]).energy,
         "Evaluation.constraint_forall": lambda: io.full_evaluation().constraint_forall,
         "Evaluation.to_dict": lambda: io.full_evaluation().to_dict(),
         "empty Evaluation.to_dict": lambda: zv.Evaluation().to_dict(),
         "Record.solution": lambda: zv.Record({"x": [np.ones((1, 2)), np.full((), 2.5)]}, [1, 2]).solution,
         "SampleSet.to_dict": lambda: zv.SampleSet(io.dense_record(), io.full_evaluation(), zv.MeasuringTime()).to_dict()}


def consulted(*args, **kwargs):
    raise AssertionError("consulted")


REPLACED = {"empty": consulted, "dtype": lambda *args: DTYPE("float32"), "ndarray": "not a type"}


@pytest.mark.parametrize("name", REPLACED)
@pytest.mark.parametrize("read", READS.values(), ids=READS)
def test_numpy_functions_replaced_from_python_are_not_consulted(monkeypatch, read, name):
    want = described(read())
    monkeypatch.setattr(np, name, REPLACED[name])
    assert described(read()) == want


def test_a_first_conversion_under_a_mocked_dtype_leaves_every_later_one_right():  # in a fresh interpreter
    script = """if True:
        import numpy as np, zorvane as zv
        from unittest import mock
        evaluation, real = zv.Evaluation(energy=[1.5], objective=[2.5]), np.dtype
        with mock.patch.object(np, "dtype", lambda spec: real("float32")):
            first = evaluation.to_dict()["energy"]
        print(first.dtype, evaluation.to_dict()["energy"].dtype, evaluation.energy.tolist())"""
    out = processes.python(script)
    assert out.stdout == "float64 float64 [1.5]\n", out.stderr


def test_without_numpy_models_are_built_and_arrays_raise_its_import_error():
    script = """if True:
        import sys
        sys.modules["numpy"] = None  # as if numpy were not installed
        import zorvane as zv
        x = zv.BinaryVar("x", shape=[3])
        i = zv.Element("i", belong_to=3)
        print(zv.sum(i, x[i]))
        for read in (lambda: zv.Evaluation(energy=[1.0]).energy, lambda: zv.Evaluation().to_dict(),
                     lambda: zv.Record({"x": []}, [])):
            try:
                read()
            except ImportError as error:
                print(type(error).__name__, error)"""
    out = processes.python(script)
    assert out.stdout.splitlines() == ["sum(i in [0..3), x[i])",
                                       *["ModuleNotFoundError import of numpy halted; None in sys.modules"] * 3], out.stderr


@pytest.mark.parametrize("read", [lambda: zv.Evaluation(energy=np.ones((2, 2))),
                                  lambda: zv.Record({}, np.ones((2, 2), dtype=np.uint64))])
def test_a_list_is_read_from_one_axis_only(read):  # each row of a 2-d array is one item, no number
    with pytest.raises(TypeError):
        read()


# ---- buffers without strides (ctypes), errors that are no refusal ----

def in_child(check):  # runs `check()` in a forked child, so that a crash fails one test: its exit code
    def run():
        check()
        return b""
    return processes.forked(run)[0]


def sparse(values, indices, shape):  # the entry read back
    return zv.Record({"x": [((indices,), values, shape)]}, [1]).solution["x"][0]


LIST_PARAMETERS = {  # every parameter that is a list of floats or of counts, read back
    "energy": lambda v: zv.Evaluation(energy=v).energy,
    "objective": lambda v: zv.Evaluation(objective=v).objective,
    "violations": lambda v: zv.Evaluation(constraint_violations={"c": v}).constraint_violations["c"],
    "penalty": lambda v: zv.Evaluation(penalty={"c": v}).penalty["c"],
    "constraint values": lambda v: zv.Evaluation(constraint_values=[{"c": v}]).constraint_values[0]["c"],
    "sparse values": lambda v: sparse(values=v, indices=range(len(v)), shape=(len(v),))[1],
    "sparse indices": lambda v: sparse(values=[1.0] * len(v), indices=v, shape=(9,))[0],
    "sparse shape": lambda v: zv.Record({"x": [(([0], [0], [0]), [1.0], v)]}, [1]).solution["x"][0][2],
    "forall row": lambda v: zv.Evaluation(constraint_forall={"c": [v]}).constraint_forall["c"],
    "num_occurrences": lambda v: zv.Record({}, v).num_occurrences,
}
C_ARRAYS = {"c_double": (ctypes.c_double * 3)(1.5, -2.0, 3.25), "c_uint64": (ctypes.c_uint64 * 3)(1, 2**40, 3),
            "c_ulong": (ctypes.c_ulong * 3)(4, 5, 6)}


def outcome(read, values):
    try:
        value = read(values)
    except Exception as error:  # noqa: BLE001 - the error is what is compared
        return type(error), str(error)
    return np.asarray(value).tolist()


def native_view(items):  # a memoryview of the same items with the native format, which it can read item by item
    return memoryview(items).cast("B").cast(items._type_._type_)


@pytest.mark.parametrize("view", [lambda a: a, native_view], ids=["array", "memoryview"])
@pytest.mark.parametrize("items", C_ARRAYS.values(), ids=C_ARRAYS)
@pytest.mark.parametrize("read", LIST_PARAMETERS.values(), ids=LIST_PARAMETERS)
def test_a_buffer_without_strides_reads_as_its_items(read, items, view):  # ctypes leaves strides NULL
    assert in_child(lambda: outcome(read, view(items)) == outcome(read, list(items)) or os._exit(2)) == 0


@pytest.mark.skipif(sys.version_info < (3, 12), reason="a Python class defines __buffer__ from 3.12 on")
def test_an_error_other_than_a_refusal_passes_unchanged():
    class Failing(np.ndarray):  # a new array whose buffer cannot be given for want of memory
        def __buffer__(self, flags):
            raise MemoryError

    class Numbers(list):
        __buffer__ = Failing.__buffer__
    with pytest.raises(MemoryError):
        zv.Evaluation(energy=Numbers([1.0]))


def test_a_dense_array_of_more_axes_than_numpys_arrays_have_is_refused_with_numpys_text():
    most = 64 if int(np.__version__.split(".")[0]) >= 2 else 32  # numpy 1.x arrays have at most 32 axes

    def solution(axes):
        text = f'{{"solution": {{"Dense": {{"x": [{{"v": 1, "dim": {[1] * axes}, "data": [2.5]}}]}}}}, "num_occurrences": [1]}}'
        return zv.Record.from_json(text).solution["x"][0]
    assert solution(most).shape == (1,) * most and solution(most).item() == 2.5
    with pytest.raises(ValueError, match=rf"^(dim \[[1, ]*\] has more than 64 axes at line 1 col.*|maximum supported "
                                         rf"dimension for an ndarray is 32, found 33)$"):
        solution(most + 1)
