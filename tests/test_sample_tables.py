"""The tables and dicts of sample sets, built at solver scale with the cyclic collector paused and float columns
handed to pandas as float64 arrays, hold what the table and dict built from plain lists hold, cell for cell: column
names and order, dtypes, every value (NaN, -0.0), each row's own map and lists, an empty set's dtypes, pandas'
refusal of a ragged set. The collector is left as the caller had it on every exit."""
import contextlib
import gc
import math
import threading

import numpy as np
import pandas as pd
import pytest
from hypothesis import example, given, strategies as st

import io_models as io
import zorvane as zv

# ---- the parts a caller passes: short, long and ragged lists, NaN, infinities, -0.0, ints for floats ----

numbers = st.one_of(st.floats(), st.integers(-2**60, 2**60))
numbers_lists = st.lists(numbers, max_size=4)
names = st.text(max_size=3)
number_maps = st.dictionaries(names, numbers_lists, max_size=3)
rows = st.lists(st.lists(io.u64, max_size=3), max_size=3)  # ragged rows too
evaluation_parts = st.tuples(numbers_lists, numbers_lists, number_maps, st.dictionaries(names, rows, max_size=2),
                             st.lists(number_maps, max_size=4), number_maps)
sparse_parts = st.dictionaries(names, st.lists(io.coo_entries_of(numbers), max_size=3), max_size=3)
dense_parts = st.dictionaries(names, st.lists(io.dense_arrays, min_size=1, max_size=3), max_size=3)
record_parts = st.tuples(st.one_of(sparse_parts, dense_parts), st.lists(io.u64, max_size=4))
EMPTY = (({}, []), ([], [], {}, {}, [], {}))
RAGGED = (({"x": io.SPARSE_X}, [1, 2, 3]), ([1.0, 2.0], [1.0], {"a": [0.0]}, {"a": [[0, 1], [2]]}, [{"a": [1.0]}], {}))
FULL = (({"x": io.DENSE_X, "y": io.DENSE_Y}, [1, 2]),
        ([1, -0.0], [math.nan, math.inf], {"b": [0.0, 1.0], "a": [2.0, 3.0]}, {"a": [[0, 1], [1, 2**64 - 1]]},
         [{"a": [5.0, 6.0]}, {"a": [7.0]}], {"a": [0.5, 0.25]}))


# ---- references: the table and dict forms written out with lists, as they are specified ----

def floats(values):
    return [float(v) for v in values]


def by_name(mapping, convert):
    return {name: convert(mapping[name]) for name in sorted(mapping)}


def evaluation_table(parts):
    energy, objective, violations, forall, values, penalty = parts
    table = {"energy": floats(energy), "objective": floats(objective),
             "constraint_forall": [by_name(forall, lambda rows: [list(row) for row in rows]) for _ in energy]
             if forall else None,
             "constraint_values": [by_name(m, floats) for m in values] if values else None}
    table.update({f"constraint_violation[{name}]": v for name, v in by_name(violations, floats).items()})
    table.update({f"penalty[{name}]": v for name, v in by_name(penalty, floats).items()})
    return pd.DataFrame.from_dict(table)


def entry(value):  # a sparse entry or a dense array in the solution form
    if isinstance(value, np.ndarray):
        return value.astype(np.float64)
    indices, values, shape = value
    return tuple(list(axis) for axis in indices), floats(values), tuple(shape)


def record_table(parts):
    solution, counts = parts
    table = {f"solution[{name}]": v for name, v in by_name(solution, lambda es: [entry(e) for e in es]).items()}
    table["num_occurrences"] = list(counts)
    return pd.DataFrame.from_dict(table)


def matrix(rows):
    width = len(rows[0]) if rows else 0
    for row in rows:
        if len(row) != width:
            raise TypeError(f"invalid length: {len(row)}, but expected {width}")
    return np.array(rows, dtype=np.uint64).reshape(len(rows), width)


def evaluation_dict(parts):
    energy, objective, violations, forall, values, penalty = parts
    arrays = lambda mapping: by_name(mapping, lambda v: np.array(floats(v), dtype=np.float64))  # noqa: E731
    return {"energy": np.array(floats(energy), dtype=np.float64), "objective": np.array(floats(objective)),
            "constraint_violations": arrays(violations), "constraint_forall": by_name(forall, matrix),
            "constraint_values": [arrays(m) for m in values], "penalty": arrays(penalty)}


def record_dict(parts):
    solution, counts = parts
    return {"solution": by_name(solution, lambda es: [entry(e) for e in es]), "num_occurrences": list(counts)}


# ---- comparison: exact types, values by bits (NaN equal to NaN), arrays by dtype and shape ----

def same(a, b):
    if type(a) is not type(b):
        return False
    if isinstance(a, float):
        return (math.isnan(a) and math.isnan(b)) or (a == b and math.copysign(1, a) == math.copysign(1, b))
    if isinstance(a, (list, tuple)):
        return len(a) == len(b) and all(map(same, a, b))
    if isinstance(a, dict):
        return list(a) == list(b) and all(same(a[k], b[k]) for k in a)
    if isinstance(a, np.ndarray):
        return a.dtype == b.dtype and a.shape == b.shape and same(a.tolist(), b.tolist())
    return a == b


def containers(cell):  # every list and dict inside a cell
    if isinstance(cell, (list, dict)):
        yield cell
    for item in cell.values() if isinstance(cell, dict) else cell if isinstance(cell, (list, tuple)) else ():
        yield from containers(item)


def assert_same_frame(got, want):
    assert list(got.columns) == list(want.columns) and list(got.dtypes) == list(want.dtypes)
    assert got.index.equals(want.index)
    for k in range(len(want.columns)):
        cells = got.iloc[:, k].to_numpy().tolist()
        assert same(cells, want.iloc[:, k].to_numpy().tolist()), want.columns[k]
        owned = [id(c) for cell in cells for c in containers(cell)]
        assert len(owned) == len(set(owned)), f"{want.columns[k]}: rows share a list or dict"


def outcome(make):
    try:
        return make()
    except Exception as error:  # noqa: BLE001 - the error is what is compared
        return error


def assert_same(got, want):
    assert same(got, want)


def assert_same_outcome(make, reference, compare=assert_same):
    got, want = outcome(make), outcome(reference)
    if isinstance(want, Exception) or isinstance(got, Exception):
        assert (type(got), str(got)) == (type(want), str(want))
    else:
        compare(got, want)


@given(record_parts, evaluation_parts)
@example(*EMPTY)
@example(*RAGGED)
@example(*FULL)
def test_tables_and_dicts_hold_what_their_references_hold(record_parts, evaluation_parts):
    r, e = zv.Record(*record_parts), zv.Evaluation(*evaluation_parts)
    s = zv.SampleSet(r, e, zv.MeasuringTime(total=1.0), {"run": 1})
    table = lambda: pd.concat([record_table(record_parts), evaluation_table(evaluation_parts)], axis=1)  # noqa: E731
    assert_same_outcome(s.to_pandas, table, assert_same_frame)
    assert_same_outcome(r.to_pandas, lambda: record_table(record_parts), assert_same_frame)
    assert_same_outcome(e.to_pandas, lambda: evaluation_table(evaluation_parts), assert_same_frame)
    assert_same_outcome(s.to_dict, lambda: {
        "record": record_dict(record_parts), "evaluation": evaluation_dict(evaluation_parts),
        "measuring_time": s.measuring_time.to_dict(), "metadata": {"run": 1}})
    assert isinstance(d := outcome(s.to_dict), Exception) or d["metadata"] is s.metadata


# ---- the collector ----

SAMPLES = 2_000  # thousands of new containers per call: with the collector running, dozens of collections


def big_evaluation(n=SAMPLES):
    names = ("c0", "c1", "c2")
    return zv.Evaluation(energy=[float(k) for k in range(n)], objective=[k / 2 for k in range(n)],
                         constraint_violations={c: [0.0] * n for c in names},
                         constraint_forall={c: [[0, 1], [1, 2]] for c in names},
                         constraint_values=[{c: [1.0, 2.0] for c in names} for _ in range(n)],
                         penalty={c: [0.5] * n for c in names})


OBJECTS = {
    "SampleSet": zv.SampleSet(io.samples_record(SAMPLES), big_evaluation(), zv.MeasuringTime(), {}),
    "Record": io.samples_record(SAMPLES),
    "dense Record": zv.Record({"x": [np.full(3, float(k)) for k in range(SAMPLES)]}, [1] * SAMPLES),
    "Evaluation": big_evaluation(),
}
CALLS = [(owner, member) for owner in ("SampleSet", "Record", "dense Record", "Evaluation")
         for member in ("to_pandas", "to_dict")]
CALLS += [("Record", "solution"), ("dense Record", "solution"), ("Evaluation", "constraint_values"),
          ("Evaluation", "constraint_expr_values")]
# The calls that meet Python code (numpy.empty, pandas) where a test can act
MEETING_PYTHON = [call for call in CALLS if call not in {("Record", "to_dict"), ("Record", "solution"),
                                                          ("Evaluation", "constraint_expr_values")}]


def ids(calls):
    return [f"{owner}.{member}" for owner, member in calls]


def read(owner, member):
    value = getattr(OBJECTS[owner], member)
    return value() if callable(value) else value


@pytest.mark.parametrize("owner, member", CALLS, ids=ids(CALLS))
def test_no_collection_runs_while_a_table_or_dict_is_made(owner, member):
    generations = []
    callback = lambda phase, info: generations.append(info["generation"]) if phase == "start" else None  # noqa: E731
    gc.enable()
    gc.collect()
    gc.callbacks.append(callback)
    try:
        read(owner, member)
    finally:
        gc.callbacks.remove(callback)
    assert generations == [] and gc.isenabled()


class Stop(Exception):
    pass


def raising(error):
    def action():
        raise error
    return action


ACTIONS = {"success": (lambda: None, None),
           "flipped inside": (lambda: (gc.disable if gc.isenabled() else gc.enable)(), None),
           "error": (raising(Stop()), Stop), "KeyboardInterrupt": (raising(KeyboardInterrupt()), KeyboardInterrupt)}


@pytest.mark.parametrize("caller_enabled", [True, False], ids=["on", "off"])
@pytest.mark.parametrize("action, error", ACTIONS.values(), ids=ACTIONS)
@pytest.mark.parametrize("owner, member", MEETING_PYTHON, ids=ids(MEETING_PYTHON))
def test_the_collector_is_left_as_the_caller_had_it(monkeypatch, owner, member, action, error, caller_enabled):
    def acting(function):  # `action()` runs where the call meets Python code
        return lambda *args, **kwargs: action() or function(*args, **kwargs)
    monkeypatch.setattr(np, "empty", acting(np.empty))
    monkeypatch.setattr(pd.DataFrame, "from_dict", acting(pd.DataFrame.from_dict))
    (gc.enable if caller_enabled else gc.disable)()
    try:
        with pytest.raises(error) if error else contextlib.nullcontext():
            read(owner, member)
        assert gc.isenabled() == caller_enabled
    finally:
        gc.enable()


@pytest.mark.parametrize("caller_enabled", [True, False])
def test_the_collector_is_left_as_the_caller_had_it_after_a_refused_reading(caller_enabled):
    e = zv.Evaluation(constraint_forall={"a": [[0]]}, constraint_values=[{"a": [1.0]}, {}])
    (gc.enable if caller_enabled else gc.disable)()
    try:
        with pytest.raises(ValueError, match="have no entry for the constraint 'a'"):
            e.constraint_expr_values
        with pytest.raises(ValueError, match="All arrays must be of the same length"):
            zv.Evaluation(energy=[1.0], objective=[]).to_pandas()
        assert gc.isenabled() == caller_enabled
    finally:
        gc.enable()


@pytest.mark.parametrize("last", ["second", "first"], ids=["the first call ends first", "the second ends first"])
def test_calls_of_two_threads_leave_the_collector_as_it_was_before_both(monkeypatch, last):
    """While pandas runs Python code the interpreter may switch threads: a call can begin in a thread while
    another thread's call is paused, and end before or after it."""
    entered = {name: threading.Event() for name in ("first", "second")}
    left = {name: threading.Event() for name in ("first", "second")}
    errors = []
    from_dict = pd.DataFrame.from_dict

    def meeting(table):  # inside both calls at once, then the one that ends last waits for the other
        name = threading.current_thread().name
        other = "second" if name == "first" else "first"
        entered[name].set()
        assert entered[other].wait(10)
        if name == last:
            assert left[other].wait(10)
        return from_dict(table)

    def call(name):
        try:
            OBJECTS["Evaluation"].to_pandas()
        except BaseException as error:  # noqa: BLE001 - reported by the test
            errors.append(error)
        finally:
            left[name].set()

    monkeypatch.setattr(pd.DataFrame, "from_dict", meeting)
    gc.enable()
    threads = {name: threading.Thread(target=call, args=(name,), name=name) for name in ("first", "second")}
    threads["first"].start()
    assert entered["first"].wait(10)
    threads["second"].start()
    for thread in threads.values():
        thread.join(20)
    assert errors == [] and all(event.is_set() for event in left.values()) and gc.isenabled()
