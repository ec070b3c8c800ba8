"""The tables and dicts of sample sets, made with the cyclic collector paused and float columns handed to pandas as
float64 arrays, hold what the forms built from plain lists hold, cell for cell: column names and order, dtypes, every
value (NaN, -0.0), each row's own lists and dicts, an empty set's dtypes, pandas' refusal of a ragged set. The pause
is seen by no other code: not by other threads, forked children, pandas, replaced functions or exception classes."""
import contextlib
import gc
import json
import math
import pickle
import textwrap
import threading
import time

import numpy as np
import orjson
import pandas as pd
import pytest
from hypothesis import example, given, strategies as st

import io_models as io
import zorvane as zv
import processes

# What a caller can pass: short, long and ragged lists, NaN, infinities, -0.0, ints for floats.
number = st.one_of(st.floats(), st.integers(-2**60, 2**60))
name = st.text(max_size=3)


@st.composite
def set_parts(draw):
    """(record parts, evaluation parts) of one sample count, or of any lengths (ragged) half the time."""
    count, ragged = draw(st.integers(0, 3)), draw(st.booleans())
    length = st.integers(0, 4) if ragged else st.just(count)
    items = lambda element: length.flatmap(lambda n: st.lists(element, min_size=n, max_size=n))  # noqa: E731
    maps = st.dictionaries(name, items(number), max_size=3)
    rows = st.lists(st.lists(io.u64, max_size=3), max_size=3)
    sparse = st.dictionaries(name, items(io.coo_entries_of(number)), max_size=3)
    dense = st.dictionaries(name, items(io.dense_arrays), max_size=3)
    return ((draw(st.one_of(sparse, dense)), draw(items(io.u64))),
            (draw(items(number)), draw(items(number)), draw(maps), draw(st.dictionaries(name, rows, max_size=2)),
             draw(items(maps)), draw(maps)))

# ---- the forms written out with lists, as they are specified ----

def floats(values):
    return [float(v) for v in values]


def by_name(mapping, convert, prefix=None):
    return {name if prefix is None else f"{prefix}[{name}]": convert(mapping[name]) for name in sorted(mapping)}


def entry(value):  # a sparse entry or a dense array in the solution form
    if isinstance(value, np.ndarray):
        return value.astype(np.float64)
    return tuple(list(axis) for axis in value[0]), floats(value[1]), tuple(value[2])


def record_table(solution, counts):
    return pd.DataFrame.from_dict({**by_name(solution, lambda es: [entry(e) for e in es], "solution"),
                                   "num_occurrences": list(counts)})


def evaluation_table(energy, objective, violations, forall, values, penalty):
    return pd.DataFrame.from_dict({
        "energy": floats(energy), "objective": floats(objective),
        "constraint_forall": [by_name(forall, lambda rows: list(map(list, rows))) for _ in energy] if forall else None,
        "constraint_values": [by_name(m, floats) for m in values] if values else None,
        **by_name(violations, floats, "constraint_violation"), **by_name(penalty, floats, "penalty")})


def matrix(rows):
    width = len(rows[0]) if rows else 0
    if any(len(row) != width for row in rows):
        raise TypeError(f"invalid length: {next(len(r) for r in rows if len(r) != width)}, but expected {width}")
    return np.array(rows, dtype=np.uint64).reshape(len(rows), width)


def evaluation_dict(energy, objective, violations, forall, values, penalty):
    arrays = lambda m: by_name(m, lambda v: np.array(floats(v), dtype=np.float64))  # noqa: E731
    return {"energy": np.array(floats(energy), dtype=np.float64), "objective": np.array(floats(objective)),
            "constraint_violations": arrays(violations), "constraint_forall": by_name(forall, matrix),
            "constraint_values": [arrays(m) for m in values], "penalty": arrays(penalty)}


def same(a, b):  # exact types; floats by value and sign, NaN equal to NaN; arrays by dtype, shape and items
    if type(a) is not type(b):
        return False
    if isinstance(a, float):
        return (math.isnan(a) and math.isnan(b)) or (a == b and math.copysign(1, a) == math.copysign(1, b))
    if isinstance(a, np.ndarray):
        return a.dtype == b.dtype and a.shape == b.shape and same(a.tolist(), b.tolist())
    if isinstance(a, dict):
        return list(a) == list(b) and same(list(a.values()), list(b.values()))
    return len(a) == len(b) and all(map(same, a, b)) if isinstance(a, (list, tuple)) else a == b


def containers(cell):  # the lists and dicts in a cell
    items = cell.values() if isinstance(cell, dict) else cell if isinstance(cell, (list, tuple)) else ()
    return [cell] * isinstance(cell, (list, dict)) + [c for item in items for c in containers(item)]


def assert_same_frame(got, want):
    assert [list(got.columns), list(got.dtypes)] == [list(want.columns), list(want.dtypes)]
    assert got.index.equals(want.index)
    for k in range(want.shape[1]):
        cells = got.iloc[:, k].to_numpy().tolist()
        assert same(cells, want.iloc[:, k].to_numpy().tolist()), want.columns[k]
        owned = [id(c) for cell in cells for c in containers(cell)]
        assert len(owned) == len(set(owned)), f"rows of {want.columns[k]} share a list or dict"


def assert_same_outcome(make, reference, compare=lambda got, want: same(got, want) or pytest.fail("they differ")):
    def outcome(f):
        try:
            return f()
        except Exception as error:  # noqa: BLE001 - the error is what is compared
            return error
    got, want = outcome(make), outcome(reference)
    if isinstance(want, Exception) or isinstance(got, Exception):
        assert (type(got), str(got)) == (type(want), str(want))
    else:
        compare(got, want)


@given(set_parts())
@example((({}, []), ([], [], {}, {}, [], {})))
@example((({"x": io.DENSE_X}, [1, 2]), ([1, -0.0], [math.nan, math.inf], {"b": [0.0, 1.0], "a": [2.0, 3.0]},
                                        {"a": [[0, 1], [1, 2]]}, [{"a": [5.0]}, {"a": [7.0]}], {"a": [0.5, 0.25]})))
@example((({"x": io.SPARSE_X}, [1, 2, 3]), ([1.0, 2.0], [1.0], {}, {"a": [[0, 1], [2]]}, [{"a": [1.0]}], {})))
def test_tables_and_dicts_hold_what_their_references_hold(parts):
    record_parts, evaluation_parts = parts
    r, e = zv.Record(*record_parts), zv.Evaluation(*evaluation_parts)
    s = zv.SampleSet(r, e, zv.MeasuringTime(total=1.0), {"run": 1})
    assert_same_outcome(s.to_pandas, lambda: pd.concat(
        [record_table(*record_parts), evaluation_table(*evaluation_parts)], axis=1), assert_same_frame)
    assert_same_outcome(r.to_pandas, lambda: record_table(*record_parts), assert_same_frame)
    assert_same_outcome(e.to_pandas, lambda: evaluation_table(*evaluation_parts), assert_same_frame)
    record_dict = {"solution": by_name(record_parts[0], lambda es: [entry(e) for e in es]),
                   "num_occurrences": list(record_parts[1])}
    assert_same_outcome(s.to_dict, lambda: {"record": record_dict, "evaluation": evaluation_dict(*evaluation_parts),
                                            "measuring_time": s.measuring_time.to_dict(), "metadata": {"run": 1}})


# ---- the collector ----
# A call pauses the collector only over stretches that run no Python code, so no other thread and no Python code
# (pandas, a replaced orjson.loads, an exception class's __init__) ever finds it paused, and a switch made elsewhere is
# never undone.

SAMPLES = 2_000  # tens of thousands of new lists and dicts per call: dozens of collections, were it running
names = ("c0", "c1", "c2")
evaluation = zv.Evaluation(energy=[0.5] * SAMPLES, objective=[1.5] * SAMPLES, constraint_forall={c: [[0, 1], [1, 2]]
                           for c in names}, constraint_values=[{c: [1.0, 2.0] for c in names}] * SAMPLES)
dense_record = zv.Record({"x": [np.full(3, float(k)) for k in range(SAMPLES)]}, [1] * SAMPLES)
OBJECTS = {"SampleSet": zv.SampleSet(io.samples_record(SAMPLES), evaluation, zv.MeasuringTime()),
           "Record": io.samples_record(SAMPLES), "Evaluation": evaluation, "dense Record": dense_record}
DENSE_TEXT = zv.SampleSet(dense_record, evaluation, zv.MeasuringTime()).to_json()  # read by orjson.loads
SPARSE_TEXT = zv.SampleSet(io.samples_record(SAMPLES), evaluation, zv.MeasuringTime()).to_json()  # read by our reader
CALLS = {f"{owner}.{member}": (lambda o=owner, m=member: getattr(OBJECTS[o], m)())
         for owner in OBJECTS for member in ("to_pandas", "to_dict")}
CALLS.update({f"{owner}.{attribute}": (lambda o=owner, a=attribute: getattr(OBJECTS[o], a)) for owner, attribute in
              [("Record", "solution"), ("dense Record", "solution"), ("Evaluation", "constraint_values"),
               ("Evaluation", "constraint_expr_values")]})
CALLS["SampleSet.from_json, dense"] = lambda: zv.SampleSet.from_json(DENSE_TEXT)
TABLES = {"SampleSet.to_pandas": 2, "Record.to_pandas": 1, "Evaluation.to_pandas": 1, "dense Record.to_pandas": 1}


@pytest.mark.parametrize("call", CALLS)
def test_objects_are_made_with_the_collector_paused(call):
    """pandas runs with the collector on: the first objects it makes trigger one young collection per table."""
    starts = []
    gc.enable()
    gc.collect()
    gc.callbacks.append(lambda phase, info: starts.append(info["generation"]) if phase == "start" else None)
    try:
        CALLS[call]()
    finally:
        gc.callbacks.pop()
    assert gc.isenabled() and starts.count(0) <= TABLES.get(call, 0) and set(starts) <= {0}, starts


def raising(error):
    def action():
        raise error
    return action


# What Python code run inside a call does: nothing, switch the collector for good, raise.
ACTIONS = {"success": (lambda on: None, None), "switched for good": (lambda on: (gc.disable if on else gc.enable)(), None),
           "error": (lambda on: raising(LookupError())(), LookupError),
           "Ctrl-C": (lambda on: raising(KeyboardInterrupt())(), KeyboardInterrupt)}
REPLACEABLE = {"DataFrame.from_dict": (pd.DataFrame, "from_dict"), "orjson.loads": (orjson, "loads")}
MEETING = [(call, "DataFrame.from_dict") for call in TABLES] + [("SampleSet.from_json, dense", "orjson.loads")]


@pytest.mark.parametrize("caller_enabled", [True, False], ids=["on", "off"])
@pytest.mark.parametrize("action, error", ACTIONS.values(), ids=ACTIONS)
@pytest.mark.parametrize("call, replaced", MEETING)
def test_python_code_inside_a_call_finds_the_collector_as_the_caller_set_it(monkeypatch, call, replaced, action, error,
                                                                            caller_enabled):
    owner, name = REPLACEABLE[replaced]
    function, seen = getattr(owner, name), []

    def acting(*args, **kwargs):
        seen.append(gc.isenabled())
        action(caller_enabled)
        return function(*args, **kwargs)
    monkeypatch.setattr(owner, name, acting)
    (gc.enable if caller_enabled else gc.disable)()
    try:
        with pytest.raises(error) if error else contextlib.nullcontext():
            CALLS[call]()
        now = caller_enabled != (action is ACTIONS["switched for good"][0])
        assert seen[:1] == [caller_enabled] and set(seen[1:]) <= {now} and gc.isenabled() == now
    finally:
        gc.enable()


@pytest.mark.parametrize("text", ['{"record": [1,', "[" * 1100 + "]" * 1100, '{"record": 1e999}', '{"\\udc00": 0}'],
                         ids=["malformed", "deep", "huge number", "lone surrogate"])
def test_orjson_errors_are_made_with_the_collector_on(monkeypatch, text):  # its exception class runs Python code
    # (inside orjson.loads from 3.12 on, where the interpreter makes an exception as it is raised)
    seen, init = [], json.JSONDecodeError.__init__
    monkeypatch.setattr(json.JSONDecodeError, "__init__", lambda self, *a: seen.append(gc.isenabled()) or init(self, *a))
    gc.enable()
    with pytest.raises(json.JSONDecodeError):
        zv.SampleSet.from_json(text)
    assert seen == [True]


class Text(str):  # what a str subclass says of itself is not its text
    __str__ = encode = lambda self, *args: "{}"


@pytest.mark.parametrize("text", [SPARSE_TEXT, DENSE_TEXT, DENSE_TEXT[:-3] + '{"\\u0078": 1}}'],
                         ids=["sparse", "dense", "dense, not plain"])  # the last one read by orjson
@pytest.mark.parametrize("subclass", [np.str_, Text])
def test_a_str_subclass_is_read_as_the_text_it_holds(monkeypatch, text, subclass):  # orjson reads exact str alone
    seen, init = [], json.JSONDecodeError.__init__
    monkeypatch.setattr(json.JSONDecodeError, "__init__", lambda self, *a: seen.append(a) or init(self, *a))
    assert zv.SampleSet.from_json(subclass(text)) == zv.SampleSet.from_json(text) and seen == []


def test_a_c_function_of_another_module_in_place_of_orjson_loads_is_called(monkeypatch):
    monkeypatch.setattr(orjson, "loads", pickle.loads)  # a C function named loads, not orjson's
    with pytest.raises(TypeError, match="a bytes-like object is required"):
        zv.SampleSet.from_json(DENSE_TEXT)


MEMORY_ERROR = """if True:
    import gc, resource, sys, numpy as np, pandas, zorvane as zv
    try:
        np.empty(1 << 58)
    except MemoryError as error:  # numpy's own class, whose __init__ is Python code
        kind, seen = type(error), []
    init = kind.__init__
    kind.__init__ = lambda self, *args: seen.append(gc.isenabled()) or init(self, *args)
    big = np.zeros(10_000_000)  # 80 MB, twice what the limit leaves
    objects = {"Evaluation": zv.Evaluation(energy=big, constraint_values=[{"c": big}]),
               "dense Record": zv.Record({"x": [big]}, [1])}
    objects["SampleSet"] = zv.SampleSet(objects["dense Record"], objects["Evaluation"], zv.MeasuringTime())
    owner, member = sys.argv[1].rsplit(".", 1)
    for caller in (True, False):
        (gc.enable if caller else gc.disable)()
        with open("/proc/self/status") as status:
            used = int(status.read().split("VmSize:")[1].split()[0]) * 1024
        resource.setrlimit(resource.RLIMIT_AS, (used + (40 << 20), resource.RLIM_INFINITY))
        try:
            value = getattr(objects[owner], member)
            value() if callable(value) else None
        except MemoryError:
            pass
        resource.setrlimit(resource.RLIMIT_AS, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))
        print(seen == [caller], gc.isenabled() == caller)
        seen.clear()
"""


@pytest.mark.skipif("/asan-site/" in zv.__file__, reason="address-space limits do not work under ASan")
@pytest.mark.parametrize("call", ["Evaluation.to_dict", "Evaluation.to_pandas", "Evaluation.constraint_values",
                                  "dense Record.solution", "SampleSet.to_dict"])
def test_numpys_memory_error_is_made_with_the_collector_as_the_caller_set_it(call):  # its __init__ is Python code
    out = processes.python(MEMORY_ERROR, call)
    assert out.stdout == "True True\n" * 2, out.stderr


@pytest.mark.parametrize("call", CALLS)
def test_another_thread_never_finds_the_collector_paused(call):
    done, seen = threading.Event(), []

    def work():
        try:
            for _ in range(10):
                CALLS[call]()
        finally:
            done.set()
    gc.enable()
    thread = threading.Thread(target=work)
    thread.start()
    until = time.monotonic() + processes.SECONDS
    while not done.is_set() and time.monotonic() < until:
        seen.append(gc.isenabled())
    processes.join(thread)
    assert seen.count(False) == 0


@pytest.mark.parametrize("call", ["Evaluation.to_pandas", "SampleSet.to_dict", "dense Record.solution"])
@pytest.mark.parametrize("before, during, kept", [(gc.disable, gc.enable, True), (gc.enable, gc.disable, False)],
                         ids=["balanced", "lasting"])
def test_a_switch_made_by_another_thread_during_conversions_is_kept(call, before, during, kept):
    started, stop = threading.Event(), threading.Event()

    def work():
        started.set()
        while not stop.is_set():
            CALLS[call]()
    before()
    thread = threading.Thread(target=work)
    try:
        thread.start()
        assert started.wait(processes.SECONDS)
        during()  # this thread runs while the other one's call runs Python code, or between its calls
    finally:
        stop.set()
        thread.join(processes.SECONDS)
        now = gc.isenabled()
        gc.enable()
    processes.join(thread, 0)
    assert now == kept


# A fresh interpreter (numpy and pandas not imported yet) whose thread `converting(first)` makes `first` (`made` is
# set then), then tables until `stop` is set.
CHILD = """
import gc, os, sys, threading, warnings
import zorvane as zv
assert "numpy" not in sys.modules
evaluation = zv.Evaluation(energy=[0.5] * 2000, objective=[1.0] * 2000, constraint_values=[{"c": [1.0]}] * 2000)
made, done, stop = threading.Event(), threading.Event(), threading.Event()
def convert(first):
    try:
        eval(first)
        made.set()
        while not stop.is_set():
            evaluation.to_pandas()
    finally:
        done.set()
converting = lambda first: threading.Thread(target=convert, args=(first,)).start()
"""


def child_prints(body):
    proc = processes.python(CHILD + textwrap.dedent(body))
    assert proc.returncode == 0, proc.stderr
    return proc.stdout


@pytest.mark.parametrize("first", ["to_pandas()", "to_dict()", "constraint_values"])
def test_first_imports_run_with_the_collector_as_the_caller_set_it(first):
    assert child_prints(f"""
        stop.set()
        converting("evaluation.{first}")
        seen = []
        while not done.is_set():
            seen.append(gc.isenabled())
        print(seen.count(False), "numpy" in sys.modules)
        """) == "0 True\n"


@pytest.mark.skipif(io.UNDER_ASAN, reason="the sanitizer's allocator has no fork handlers (GCC 12's ASan): a child forked "
                    "while the converting thread is inside malloc waits for its lock for ever; make test runs this test")
def test_a_child_forked_while_another_thread_converts_has_the_parents_collector():
    assert child_prints("""
        converting("evaluation.to_pandas()")
        made.wait()  # imports done: a child forked during one would wait for its lock for ever
        warnings.simplefilter("ignore", DeprecationWarning)  # fork in a process with threads
        kept = 0
        for parent in [True, False] * 10:
            (gc.enable if parent else gc.disable)()
            read, write = os.pipe()
            if (pid := os.fork()) == 0:
                first = gc.isenabled()
                gc.enable()
                evaluation.to_dict()
                os.write(write, bytes([first, gc.isenabled()]))
                os._exit(0)
            os.close(write)
            kept += tuple(os.read(read, 2)) == (parent, True)
            os.close(read)
            os.waitpid(pid, 0)
        stop.set()
        print(kept)
        """) == "20\n"


@pytest.mark.parametrize("last", ["second", "first"], ids=["the first call ends first", "the second ends first"])
def test_calls_in_two_threads_leave_the_collector_as_it_was_before_both(monkeypatch, last):
    """While pandas runs Python code the interpreter may switch threads: a call can begin while another thread's
    call is inside, and end before or after it."""
    entered = {name: threading.Event() for name in ("first", "second")}
    left = {name: threading.Event() for name in ("first", "second")}
    from_dict, errors = pd.DataFrame.from_dict, []

    def meeting(table):  # both calls inside at once, then the one that ends last waits for the other
        name = threading.current_thread().name
        other = "second" if name == "first" else "first"
        entered[name].set()
        assert entered[other].wait(10) and (name != last or left[other].wait(10))
        return from_dict(table)

    def call(name):
        try:
            evaluation.to_pandas()
        except BaseException as error:  # noqa: BLE001 - reported below
            errors.append(error)
        left[name].set()

    monkeypatch.setattr(pd.DataFrame, "from_dict", meeting)
    gc.enable()
    threads = [threading.Thread(target=call, args=(name,), name=name) for name in ("first", "second")]
    threads[0].start()
    assert entered["first"].wait(10)
    threads[1].start()
    for thread in threads:
        processes.join(thread)
    assert errors == [] and all(event.is_set() for event in left.values()) and gc.isenabled()
