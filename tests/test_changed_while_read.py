"""Containers dropped or changed by Python code that runs while they are read: a signal handler run by the interrupt
poll, or a conversion (`__float__`, `__hash__`, `__eq__`) of one of their items. Whatever they change, the read ends in
the value, or in RuntimeError when a container it reads changed, never in a crash or in a value mixed from old and new
contents. The handlers reach the containers, the module's own ones included, through `gc.get_objects()`. Each case
runs in a child process, so that a crash fails one test."""
import textwrap

import pytest

import processes

PRELUDE = """
import gc, signal
import numpy as np
import orjson
import zorvane as zv


def clear_all(*kinds, size, where=lambda o: True):
    for o in gc.get_objects():
        if type(o) in kinds and len(o) == size and where(o):
            o.clear()
"""


def run(script):
    child = processes.python(PRELUDE + textwrap.dedent(script))
    assert child.returncode == 0 and child.stdout.splitlines()[-1:] == ["OK"], (child.returncode, child.stdout,
                                                                              child.stderr[-3000:])


# A timer fires often while `SampleSet.from_json` reads a text the general way; its handler, run by the interrupt
# poll in the native walk over the lists that `orjson.loads` made, clears once per call every container that
# `clear()` names. A call then ends in the whole set, in RuntimeError when the walk was under way, or in a set
# whose cleared parts are empty when the handler ran before the walk began; and it does end so in some calls.
SIGNALLED = """
state = {"loaded": False, "acted": False}
loads = orjson.loads


def traced_loads(text):  # what the module calls to make the lists
    document = loads(text)
    state["loaded"] = True
    return document


def handler(signum, frame):
    # The poll runs it with the caller's frame; in the `load` frame the walk has not begun.
    if state["loaded"] and not state["acted"] and frame.f_code is read.__code__:
        state["acted"] = True
        clear()


def read(text):
    state["loaded"] = state["acted"] = False
    try:
        return zv.SampleSet.from_json(text)
    except RuntimeError as error:
        return str(error)
    finally:
        state["acted"] = True  # no clearing between the calls


orjson.loads = traced_loads
signal.signal(signal.SIGALRM, handler)
signal.setitimer(signal.ITIMER_REAL, 1e-4, 1e-4)
text = '{"unread":0,' + s.to_json()[1:]  # the general way: `orjson.loads`, then the dict form
outcomes = []
while len(outcomes) < 200 and outcomes.count(changed) < 3:
    back = read(text)
    outcomes.append(back if isinstance(back, str) else "whole" if back == s else "emptied" if emptied(back) else repr(back)[:300])
signal.setitimer(signal.ITIMER_REAL, 0)
assert set(outcomes) <= {"whole", "emptied", changed} and changed in outcomes, outcomes
print("OK")
"""

SIGNALLED_CASES = {
    # dense arrays as nested lists; the handler drops the rows of the array being read
    "dense lists": """
        s = zv.SampleSet(zv.Record({"x": [np.arange(400_000.0).reshape(400, 1000)]}, [1]), zv.Evaluation(),
                         zv.MeasuringTime())
        clear = lambda: clear_all(list, size=400, where=lambda rows: type(rows[0]) is list)
        emptied = lambda back: back.record.solution["x"][0].size == 0
        changed = "list changed size during iteration"
    """,
    # a list of floats; the handler empties it, and whatever list the reading copied it to
    "a list": """
        s = zv.SampleSet(zv.Record({}, []), zv.Evaluation(energy=np.arange(300_000.0)), zv.MeasuringTime())
        clear = lambda: clear_all(list, size=300_000)
        emptied = lambda back: back.evaluation.energy.size == 0
        changed = "list changed size during iteration"
    """,
    # a dict of names; the handler empties it, and whatever list of its items the reading took
    "a dict": """
        s = zv.SampleSet(zv.Record({}, []), zv.Evaluation(constraint_violations={f"c{i}": [0.5] * 4 for i in range(50_000)}),
                         zv.MeasuringTime())
        clear = lambda: clear_all(dict, list, size=50_000)
        emptied = lambda back: back.evaluation.constraint_violations == {}
        changed = "dictionary changed size during iteration"
    """,
}


@pytest.mark.parametrize("case", list(SIGNALLED_CASES.values()), ids=list(SIGNALLED_CASES))
def test_signal_handler_clears_what_from_json_reads(case):
    run(textwrap.dedent(case) + SIGNALLED)


# Conversions of the items themselves run Python code at known points.
CONVERTED_CASES = {
    # a value's conversion empties the dict, and the list of its items the reading took
    "dict values": """
        class Clearing:
            def __float__(self):
                clear_all(dict, list, size=1234)
                return 1.0

        violations = {f"c{i}": [1.0] for i in range(1234)}
        violations["c0"] = [Clearing()]
        try:
            raise AssertionError(zv.Evaluation(constraint_violations=violations))
        except RuntimeError as error:
            assert str(error) == "dictionary changed size during iteration", error
    """,
    # the check that the dict is unchanged hashes its keys, and a key's hash empties the list of its items that the
    # reading took: the dict itself is unchanged and read whole
    "dict keys": """
        class Key(str):
            armed = False

            def __hash__(self):
                if Key.armed:
                    Key.armed = False
                    clear_all(list, size=1234, where=lambda items: type(items[0]) is tuple)
                return str.__hash__(self)

        violations = {Key(f"c{i}"): [1.0] for i in range(1234)}
        Key.armed = True
        e = zv.Evaluation(constraint_violations=violations)
        assert e == zv.Evaluation(constraint_violations={f"c{i}": [1.0] for i in range(1234)}), e
    """,
    # keyword arguments given as a dict, which an argument's conversion empties: the later arguments are still read
    "keyword arguments": """
        class Clearing:
            def __float__(self):
                for o in gc.get_objects():
                    if type(o) is dict and "energy" in o and "objective" in o:
                        o.clear()
                return 1.0

        e = zv.Evaluation.__new__(zv.Evaluation, **{"energy": [Clearing()], "objective": [float(i) for i in range(999)]})
        assert e == zv.Evaluation(energy=[1.0], objective=list(range(999))), e
    """,
    # the report looks up "parent_id" in each span, and a key there that compares equal to it empties the metadata
    "backend time": """
        class Probe:
            armed = False

            def __hash__(self):
                return hash("parent_id")

            def __eq__(self, other):
                if not Probe.armed:
                    return False
                metadata.clear()
                clear_all(list, size=1, where=lambda items: type(items[0]) is tuple and items[0][0] == "span")
                reused.extend(bytes(20) for _ in range(100))  # objects in the memory of what was freed
                return False

        reused = []
        metadata = {"".join(["sp", "an"]): {Probe(): 0, "parent_id": None}}  # key and span held by the metadata alone
        Probe.armed = True
        report = zv.SampleSet(zv.Record({}, []), zv.Evaluation(), zv.MeasuringTime(), metadata).get_backend_calculation_time()
        assert report == {} and metadata == {}, report
    """,
}


@pytest.mark.parametrize("case", list(CONVERTED_CASES.values()), ids=list(CONVERTED_CASES))
def test_conversion_clears_what_is_read(case):
    run(textwrap.dedent(case) + 'print("OK")\n')
