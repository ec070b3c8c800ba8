"""Ctrl-C reaches long native calls: a SIGINT sent while the module works on a huge result raises
KeyboardInterrupt in the call, and the objects it worked on are unchanged. Each case runs in a
child process that the test interrupts; without the signal check the child would run for hours."""

import signal
import subprocess
import sys
import textwrap

import pytest

import processes

# `e` has 2**40 paths but only ~120 distinct nodes: any per-occurrence walk over it is endless.
PRELUDE = """
import sys, zorvane as zv
ph, x = zv.Placeholder("ph"), zv.BinaryVar("x")
def shared_tree():
    e = x
    for _ in range(40):
        e = (e + 1) * (e + ph)
    return e
e = shared_tree()
"""

CALLS = {
    "extract_nodes": "zv.extract_nodes(e, zv.BinaryVar)",
    "replace": "zv.replace(e, lambda n: n)",
}


# A child inherits the parent's SIGINT setting, and CPython installs its KeyboardInterrupt handler
# only where SIGINT is at its default: the suite may be started with SIGINT ignored (`make test &`
# from a script, some runners). The child sets the handler it relies on itself.
INHERITED = {"default": signal.SIG_DFL, "ignored": signal.SIG_IGN}


@pytest.mark.parametrize("inherited", INHERITED.values(), ids=INHERITED)
@pytest.mark.parametrize("call", list(CALLS.values()), ids=list(CALLS))
def test_sigint_interrupts_the_call(call, inherited):
    script = PRELUDE + textwrap.dedent(f"""
        import signal
        signal.signal(signal.SIGINT, signal.default_int_handler)
        print("start", flush=True)
        try:
            {call}
        except KeyboardInterrupt:
            assert zv.is_same(e, shared_tree()) and zv.is_linear(e) is False
            print("interrupted", flush=True)
    """)
    with processes.started([sys.executable, "-c", script],
                           preexec_fn=lambda: signal.signal(signal.SIGINT, inherited)) as child:
        assert processes.line(child) == "start\n"
        try:
            child.wait(timeout=0.05)  # give the call time to start
        except subprocess.TimeoutExpired:
            pass
        child.send_signal(signal.SIGINT)
        done = processes.finish(child)
    assert done.returncode == 0 and done.stdout == "interrupted\n", done.stderr
