"""Buffers that lie. A list parameter of the sample-set classes reads a buffer of native 8-byte items through the
buffer protocol; a view that cannot be true (a negative or overflowing axis length, a len or nbytes its shape does
not give, suboffsets, a negative ndim, itemsize or len), or a getbuffer that refuses (BufferError, TypeError,
ValueError, or -1 without an error), leaves the object to be read item by item, as a list of its items would be. Any
other error of getbuffer passes unchanged. A dense solution entry, a float64 ndarray, is read from the array's own
data, shape and strides, never through its buffer. The exporters are tests/buffer_exporter.c, built here with the
system's compiler; each view they lend holds other numbers than the items, so a module that reads it gives another
result."""
import importlib.util
import os
import struct
import sys
import sysconfig
from pathlib import Path

import numpy as np
import pytest

import zorvane as zv
from test_numpy_arrays import LIST_PARAMETERS, outcome
import processes

TESTS = Path(__file__).resolve().parent
COUNTS = {"sparse indices", "sparse shape", "forall row", "num_occurrences"}  # the other parameters take floats
ITEMS = {"counts": ([2, 3, 4], [5, 6, 7], "Q"), "floats": ([1.5, -2.0, 3.25], [4.5, 5.5, 6.5], "d")}


@pytest.fixture(scope="session")
def exporter(tmp_path_factory):
    library = tmp_path_factory.mktemp("buffer_exporter") / f"buffer_exporter{sysconfig.get_config_var('EXT_SUFFIX')}"
    build = [os.environ.get("CC", "gcc"), "-shared", "-fPIC", "-O1", "-Wall", f"-I{sysconfig.get_paths()['include']}",
             str(TESTS / "buffer_exporter.c"), "-o", str(library)]
    processes.run(build, check=True)
    spec = importlib.util.spec_from_file_location("buffer_exporter", library)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def liar(exporter, name, ndim=1, shape=3, stride=8, nbytes=24, itemsize=8, suboffsets=False, error=None):
    """A list of the parameter's items whose view, by default an honest one of three items, holds other numbers."""
    items, lent, code = ITEMS["counts" if name in COUNTS else "floats"]
    memory = struct.pack(f"3{code}", *lent)
    return exporter.liar(items, memory, code, ndim, shape, stride, nbytes, itemsize, suboffsets, error)


def in_child(name, values):  # repr(outcome(...)) in a forked child, so that a crash fails one test, not the run
    def read():
        try:
            return repr(outcome(LIST_PARAMETERS[name], values)).encode()
        except BaseException as error:  # the module's panic exception is no Exception
            return repr((type(error), str(error))).encode()
    status, said = processes.forked(read)
    return said.decode() if status == 0 else f"died with exit code {status}"


def read_as_list(name, which=0):  # what reading `list(items)` (which=0) or a list of the view's numbers (1) gives
    return repr(outcome(LIST_PARAMETERS[name], ITEMS["counts" if name in COUNTS else "floats"][which]))


@pytest.mark.parametrize("name", LIST_PARAMETERS)
def test_an_honest_view_is_read_through_the_buffer(exporter, name):  # so the views below are looked at
    assert in_child(name, liar(exporter, name)) == read_as_list(name, which=1)
    assert in_child(name, liar(exporter, name, stride=None)) == read_as_list(name, which=1)


LIES = {
    "negative length": {"shape": -1},
    "overflowing length": {"shape": sys.maxsize // 4},  # times the itemsize, past the largest size
    "nbytes short of its items": {"nbytes": 16},
    "nbytes past its items": {"shape": 2},
    "suboffsets": {"suboffsets": True},  # each -1, no indirection: reading past them would find the numbers lent
    "negative ndim": {"ndim": -1},
    "negative itemsize": {"itemsize": -8},
    "negative nbytes": {"nbytes": -24},
}


@pytest.mark.parametrize("stride", [8, None], ids=["strided", "contiguous"])
@pytest.mark.parametrize("lie", LIES.values(), ids=LIES)
@pytest.mark.parametrize("name", LIST_PARAMETERS)
def test_a_view_that_cannot_be_true_is_refused(exporter, name, lie, stride):
    assert in_child(name, liar(exporter, name, **{"stride": stride, **lie})) == read_as_list(name)


REFUSALS = {"-1 without an error": "no error", "BufferError": BufferError, "TypeError": TypeError,
            "ValueError": ValueError}


@pytest.mark.parametrize("error", REFUSALS.values(), ids=REFUSALS)
@pytest.mark.parametrize("name", LIST_PARAMETERS)
def test_a_refused_buffer_is_read_item_by_item(exporter, name, error):
    assert in_child(name, liar(exporter, name, error=error)) == read_as_list(name)


@pytest.mark.parametrize("error", [MemoryError, KeyboardInterrupt])
@pytest.mark.parametrize("name", LIST_PARAMETERS)
def test_an_error_that_is_no_refusal_passes_unchanged(exporter, name, error):
    assert in_child(name, liar(exporter, name, error=error)) == repr((error, ""))


ARRAYS = {"2x3": np.arange(6.0).reshape(2, 3), "strided": np.arange(12.0).reshape(3, 4)[::-1, ::2],
          "0-d": np.full((), 2.5), "3-d": np.arange(8.0).reshape(2, 2, 2).transpose(2, 0, 1)}


@pytest.mark.parametrize("array", ARRAYS.values(), ids=ARRAYS)  # none empty: a narrowed view lends its first item
@pytest.mark.parametrize("subclass", ["narrowed_array", "failing_array"])
def test_a_dense_entry_is_read_from_the_array_not_its_buffer(exporter, subclass, array):
    read = zv.Record({"x": [array.view(getattr(exporter, subclass)(np.ndarray))]}, [1]).solution["x"][0]
    assert type(read) is np.ndarray and read.dtype == np.float64 and read.shape == array.shape
    assert read.tolist() == array.tolist()
