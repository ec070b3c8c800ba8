"""The JSON texts of the sample-set values, byte for byte: each class's `to_json` and `SampleSet.to_json` against a
small reference writer here, built from the two documented float forms."""
import json
import math
from decimal import Decimal

import numpy as np
import orjson
import pytest
from hypothesis import given, strategies as st
from hypothesis.extra import numpy as hnp

import io_models as io
import zorvane as zv


# ---- the reference writer ----

def float_text(x, signed_exponent):
    """Shortest round-trip digits, positional with a fraction for exponents -5 to 15 ("1.0", "0.00001"), exponent form
    beyond ("1e16", "1e-6"; "1e+16" with a signed exponent, as orjson writes); non-finite values as null."""
    if not math.isfinite(x):
        return "null"
    sign = "-" if math.copysign(1.0, x) < 0 else ""
    if x == 0:
        return sign + "0.0"
    _, digit_tuple, exponent = Decimal(repr(abs(x))).normalize().as_tuple()
    digits = "".join(map(str, digit_tuple))
    point = len(digits) + exponent  # |x| = 0.<digits> * 10**point
    if -5 < point <= 16:
        if point <= 0:
            return f"{sign}0.{'0' * -point}{digits}"
        if point >= len(digits):
            return f"{sign}{digits}{'0' * (point - len(digits))}.0"
        return f"{sign}{digits[:point]}.{digits[point:]}"
    mantissa = digits[0] + ("." + digits[1:] if len(digits) > 1 else "")
    return f"{sign}{mantissa}e{'+' if signed_exponent and point > 0 else ''}{point - 1}"


class Reference:
    """`dict_form` False: the `to_json` text of each class; True: the dict form `SampleSet.to_json` writes."""

    def __init__(self, dict_form):
        self.dict_form = dict_form

    def f(self, x):
        return float_text(x, self.dict_form)

    def time(self, t):
        return "null" if t is None else self.f(t)

    @staticmethod
    def string(s):
        return json.dumps(s, ensure_ascii=False)

    def floats(self, values):
        return "[" + ",".join(map(self.f, values)) + "]"

    @staticmethod
    def ints(values):
        return "[" + ",".join(map(str, values)) + "]"

    def obj(self, items):
        return "{" + ",".join(f"{self.string(k)}:{v}" for k, v in items) + "}"

    def name_map(self, m, value):
        return self.obj((k, value(m[k])) for k in sorted(m))

    def times(self, fields, values):
        return self.obj(zip(fields, map(self.time, values)))

    def measuring_time(self, solve, system, total):
        return self.obj([("solve", self.times(io.SOLVING_FIELDS, solve)),
                         ("system", self.times(io.SYSTEM_FIELDS, system)), ("total", self.time(total))])

    def rows(self, rows):
        if self.dict_form and any(len(row) != len(rows[0]) for row in rows):
            row = next(row for row in rows if len(row) != len(rows[0]))
            raise TypeError(f"invalid length: {len(row)}, but expected {len(rows[0])}")
        return "[" + ",".join(map(self.ints, rows)) + "]"

    def evaluation(self, energy, objective, violations, forall, values, penalty):
        float_map = lambda m: self.name_map(m, self.floats)  # noqa: E731
        return self.obj([("energy", self.floats(energy)), ("objective", self.floats(objective)),
                         ("constraint_violations", float_map(violations)),
                         ("constraint_forall", self.name_map(forall, self.rows)),
                         ("constraint_values", "[" + ",".join(map(float_map, values)) + "]"),
                         ("penalty", float_map(penalty))])

    def listed(self, value):  # numpy's tolist() of a dense array
        return "[" + ",".join(map(self.listed, value)) + "]" if isinstance(value, list) else self.f(value)

    def entry(self, entry):
        if isinstance(entry, tuple):  # sparse: ((indices per axis), values, shape)
            indices, values, shape = entry
            return f"[[{','.join(map(self.ints, indices))}],{self.floats(values)},{self.ints(shape)}]"
        if self.dict_form:
            return self.listed(entry.tolist())
        return f'{{"v":1,"dim":{self.ints(entry.shape)},"data":{self.floats(entry.ravel().tolist())}}}'

    def record(self, solution, counts, sparse):
        text = self.name_map(solution, lambda entries: "[" + ",".join(map(self.entry, entries)) + "]")
        if not self.dict_form:
            text = f'{{"{"Sparse" if sparse else "Dense"}":{text}}}'
        return f'{{"solution":{text},"num_occurrences":{self.ints(counts)}}}'


VALUE, DICT = Reference(False), Reference(True)


# ---- strategies: raw inputs, each built into its class and written by the reference ----

floats = st.one_of(st.floats(), st.integers(-2**60, 2**60).map(float), st.sampled_from([
    math.nan, math.inf, -math.inf, 0.0, -0.0, 1.0, 1e15, 1e16, 1e17, 123456789012345678.0, 2.0**53, 1e-4, 1e-5, 1e-6,
    1.5e-7, 5e-324, 2.2250738585072014e-308, 1.7976931348623157e308, -1e300, 0.1, 1 / 3]))
names = st.one_of(st.text(max_size=5), st.sampled_from(['a"\\\n\x01é', "\x00\x1f\x7f", "\u2028", "変数", "😀", ""]))
float_lists = st.lists(floats, max_size=4)
float_maps = st.dictionaries(names, float_lists, max_size=3)
times = st.one_of(st.none(), floats)
solving = st.tuples(times, times, times)
system = st.tuples(times, times, times, times, times)
measuring = st.tuples(solving, system, times)
rows = st.lists(st.lists(io.u64, max_size=3), max_size=3)  # of any widths: the dict form refuses unequal ones
evaluations = st.tuples(float_lists, float_lists, float_maps, st.dictionaries(names, rows, max_size=3),
                        st.lists(float_maps, max_size=3), float_maps)
dense_arrays = hnp.arrays(np.float64, hnp.array_shapes(min_dims=0, max_dims=4, min_side=0, max_side=3), elements=floats)
records = st.one_of(
    st.tuples(st.dictionaries(names, st.lists(io.coo_entries_of(floats), max_size=3), max_size=3),
              st.lists(io.u64, max_size=4), st.just(True)),
    st.tuples(st.dictionaries(names, st.lists(dense_arrays, min_size=1, max_size=3), min_size=1, max_size=3),
              st.lists(io.u64, max_size=4), st.just(False)))


def make_measuring_time(solve, system_, total):
    return zv.MeasuringTime(zv.SolvingTime(*solve), zv.SystemTime(*system_), total)


def outcome(write, *args):
    try:
        return write(*args)
    except Exception as error:  # noqa: BLE001 - the outcome compared is any exception
        return type(error), str(error)


@given(x=floats)
def test_the_reference_float_forms(x):
    # the signed form is orjson's own; the other differs only in the "+" of large exponents
    assert float_text(x, True) == orjson.dumps(x).decode()
    assert float_text(x, False) == float_text(x, True).replace("e+", "e")


@given(solve=solving, system_=system, total=times)
def test_time_records(solve, system_, total):
    assert zv.SolvingTime(*solve).to_json() == VALUE.times(io.SOLVING_FIELDS, solve)
    assert zv.SystemTime(*system_).to_json() == VALUE.times(io.SYSTEM_FIELDS, system_)
    assert make_measuring_time(solve, system_, total).to_json() == VALUE.measuring_time(solve, system_, total)


@given(parts=evaluations)
def test_evaluation(parts):
    assert zv.Evaluation(*parts).to_json() == VALUE.evaluation(*parts)


@given(parts=records)
def test_record(parts):
    solution, counts, sparse = parts
    assert zv.Record(solution, counts).to_json() == VALUE.record(solution, counts, sparse)


@given(record=records, evaluation=evaluations, measuring_time=measuring,
       metadata=st.dictionaries(names, st.one_of(st.integers(-100, 100), names), max_size=2))
def test_sample_set(record, evaluation, measuring_time, metadata):
    solution, counts, sparse = record
    s = zv.SampleSet(zv.Record(solution, counts), zv.Evaluation(*evaluation), make_measuring_time(*measuring_time),
                     metadata)

    def reference():
        return DICT.obj([("record", DICT.record(solution, counts, sparse)), ("evaluation", DICT.evaluation(*evaluation)),
                         ("measuring_time", DICT.measuring_time(*measuring_time)),
                         ("metadata", orjson.dumps(metadata).decode())])

    assert outcome(s.to_json) == outcome(reference)


@pytest.mark.parametrize("forall, message", [
    ({"b": [[1, 2], [3]], "a": [[1], [2, 3]]}, "invalid length: 2, but expected 1"),  # the first name's rows first
    ({"a": [[], [1]]}, "invalid length: 1, but expected 0"),
])
def test_rows_of_unequal_widths_are_written_by_the_class_only(forall, message):
    e = zv.Evaluation(constraint_forall=forall)
    assert e.to_json() == VALUE.evaluation([], [], {}, forall, [], {})
    with pytest.raises(TypeError, match=f"^{message}$"):
        zv.SampleSet(zv.Record({}, []), e, zv.MeasuringTime(), {}).to_json()
