"""Interpreter exit while a daemon thread is inside a method that calls Python code: the interpreter
ends the thread by unwinding its stack through the method, and the process still exits normally.
Each case runs 20 processes at once (the thread is caught at a different point in each)."""

import contextlib
import os
import sys
import textwrap

import pytest
import zorvane
import processes

RUNS = 20

CASES = {
    "SampleSet.to_json": "ss.to_json()",
    "SampleSet.from_json": "zv.SampleSet.from_json(text)",
    "SampleSet.to_pandas": "ss.to_pandas()",
    "Evaluation.to_pandas": "zv.Evaluation().to_pandas()",
    "__index__ conversion": "zv.Placeholder('a', ndim=Index())",
}

SCRIPT = """
import threading
{imports}
import zorvane as zv

ss = zv.SampleSet(zv.Record({{}}, []), zv.Evaluation(), zv.MeasuringTime(), {{}})
text = ss.to_json()

class Index:
    def __index__(self):
        return 1

running = threading.Event()

def work():
    while True:
        {call}
        running.set()

threading.Thread(target=work, daemon=True).start()
assert running.wait(600)
# the interpreter exits now, with the thread in the middle of a call
"""



def environment(tmp_path):
    env = dict(os.environ)
    if "/asan-site/" in zorvane.__file__:
        # ASan does not see the unwinding that ends the thread, so the frames it passes keep their
        # poisoned redzones; ASan's own sigaltstack call in the next landing pad writes a local
        # there and reports it.
        suppressions = tmp_path / "asan.supp"
        suppressions.write_text("interceptor_name:sigaltstack\n")
        env["ASAN_OPTIONS"] = f"{env.get('ASAN_OPTIONS', '')}:suppressions={suppressions}"
    return env


@pytest.mark.parametrize("call", CASES.values(), ids=CASES.keys())
def test_interpreter_exit_with_a_daemon_thread_in_a_method(call, tmp_path):
    # pandas imported first, so the thread spends its time in the method, not in the import
    imports = "import pandas" if "to_pandas" in call else ""
    script = textwrap.dedent(SCRIPT.format(call=call, imports=imports))
    env = environment(tmp_path)
    with contextlib.ExitStack() as stack:
        children = [stack.enter_context(processes.started([sys.executable, "-c", script], env=env)) for _ in range(RUNS)]
        done = [processes.finish(child) for child in children]
    failed = [(child.returncode, child.stderr[-2000:]) for child in done if child.returncode != 0]
    assert not failed, f"{len(failed)} of {RUNS} runs failed; first: exit {failed[0][0]}\n{failed[0][1]}"
