"""SampleSet.to_json writes the samples natively and the metadata through orjson: the text is byte for byte the
one orjson writes for the dict form, and every error (type, message, order) is the one it gave."""
import math

import numpy as np
import orjson
import pytest
from hypothesis import given, strategies as st
from hypothesis.extra import numpy as hnp

import io_models as io
import zorvane as zv


def default(obj):
    if isinstance(obj, np.ndarray):
        return obj.tolist()
    return obj


def outcome(write, s):
    try:
        return write(s)
    except Exception as error:  # noqa: BLE001 - the outcome compared is any exception
        return type(error), str(error)


def by_dict(s):
    """What to_json wrote before it was native."""
    return orjson.dumps(s.to_dict(), default=default, option=orjson.OPT_SERIALIZE_NUMPY).decode("utf-8")


def assert_written_as_before(s):
    assert outcome(zv.SampleSet.to_json, s) == outcome(by_dict, s)


floats = st.one_of(st.floats(), st.sampled_from([math.nan, math.inf, -math.inf, -0.0, 1e16, 1e-5, 1e-6, 5e-324,
                                                   1.7976931348623157e308, 123456789012345678.0]))
float_lists = st.lists(floats, max_size=4)
float_maps = st.dictionaries(io.names, float_lists, max_size=3)
times = st.one_of(st.none(), floats)
measuring_times = io.measuring_times_of(times)
coo_entries = io.coo_entries_of(floats)
dense_arrays = hnp.arrays(np.float64, hnp.array_shapes(min_dims=0, max_dims=4, min_side=0, max_side=3), elements=floats)
records = st.one_of(
    st.builds(zv.Record, st.dictionaries(io.names, st.lists(coo_entries, max_size=3), max_size=3),
              st.lists(io.u64, max_size=4)),
    st.builds(zv.Record, st.dictionaries(io.names, st.lists(dense_arrays, min_size=1, max_size=3), max_size=3),
              st.lists(io.u64, max_size=4)))
rows = st.lists(st.lists(io.u64, max_size=3), max_size=3)  # of any widths: unequal ones are refused
evaluations = st.builds(zv.Evaluation, float_lists, float_lists, float_maps, st.dictionaries(io.names, rows, max_size=3),
                        st.lists(float_maps, max_size=3), float_maps)
json_values = st.recursive(
    st.one_of(st.none(), st.booleans(), st.integers(-2**70, 2**70), floats, st.text(max_size=5)),
    lambda inner: st.one_of(st.lists(inner, max_size=3), st.tuples(inner, inner),
                            st.dictionaries(st.text(max_size=3), inner, max_size=3)),
    max_leaves=8)
numpy_values = st.one_of(hnp.arrays(np.float64, hnp.array_shapes(min_dims=0, max_dims=2, max_side=2), elements=floats),
                         hnp.arrays(np.int32, (2,)), st.just(np.float32(1.5)), st.just(np.array(["a"], dtype=object)),
                         st.just(np.arange(6.0).reshape(2, 3).T))  # not contiguous
unwritable = st.sampled_from([object(), {1: 2}, {(1,): 2}, {1.5}, b"bytes", 1j])
metadata = st.dictionaries(st.text(max_size=4), st.one_of(json_values, numpy_values, unwritable), max_size=3)


@given(s=st.builds(zv.SampleSet, records, evaluations, measuring_times, metadata))
def test_written_as_the_dict_form_was(s):
    assert_written_as_before(s)


@given(s=io.sample_sets)
def test_readable_sets(s):
    assert_written_as_before(s)
    assert zv.SampleSet.from_json(s.to_json()) == s


def nested(depth):
    value = {}
    for _ in range(depth):
        value = {"a": value}
    return value


ragged = zv.Evaluation(constraint_forall={"b": [[1, 2], [3]], "a": [[1], [2, 3]]})


@pytest.mark.parametrize("s", [
    io.empty_set(),
    io.empty_set({"k": [1, {"x": None}], "": "é\u2028\x00\x1f\"\\"}),
    io.sample_set(metadata={"big": 2**64}),  # orjson's own error
    io.sample_set(metadata={"f": object()}),
    io.sample_set(metadata={1: "key"}),
    *[io.empty_set({"n": nested(depth)}) for depth in (250, 251, 252, 253, 300)],  # at orjson's depth limit
    zv.SampleSet(zv.Record({}, []), ragged, zv.MeasuringTime(), {"f": object()}),  # the rows fail first
    zv.SampleSet(io.dense_record(), io.full_evaluation(), zv.MeasuringTime(total=math.nan), {"m": np.zeros((2, 0))}),
    # many axes (numpy 1.x arrays have at most 32)
    *[zv.SampleSet(zv.Record({"x": [np.zeros((1,) * 33)]}, [1]), zv.Evaluation(), zv.MeasuringTime())
      for _ in range(np.lib.NumpyVersion(np.__version__) >= "2.0.0")],
    zv.SampleSet(zv.Record({"x": [np.full((0, 2, 0), 1.0), np.full((2, 0, 3), 1.0)]}, [1, 1]), zv.Evaluation(),
                 zv.MeasuringTime()),
])
def test_cases(s):
    assert_written_as_before(s)


def test_errors():
    with pytest.raises(orjson.JSONEncodeError, match="^default serializer exceeds recursion limit$"):
        io.sample_set(metadata={"f": object()}).to_json()
    with pytest.raises(TypeError, match="^invalid length: 2, but expected 1$"):
        zv.SampleSet(zv.Record({}, []), ragged, zv.MeasuringTime(), {"f": object()}).to_json()


@pytest.mark.parametrize("written", [b"{}", b"", b"}", b'{"metadata":}', b'{"metadata" :  {"a": 1}}',
                                     b'{"metadata":{"a":1} ', b'["metadata",{"a":1}]'])
def test_metadata_text_of_another_shape_is_refused(monkeypatch, written):
    # orjson.dumps replaced (a shim, a test double): only its compact one-key object is spliced into the text
    monkeypatch.setattr(orjson, "dumps", lambda *args, **kwargs: written)
    with pytest.raises(ValueError, match=r'^orjson.dumps did not write the metadata as \{"metadata":\.\.\.\}$'):
        io.empty_set({"a": 1}).to_json()


def test_metadata_text_of_the_usual_shape_is_spliced(monkeypatch):
    monkeypatch.setattr(orjson, "dumps", lambda *args, **kwargs: b'{"metadata":{"b":2}}')
    assert io.empty_set({"a": 1}).to_json().endswith(',"metadata":{"b":2}}')
