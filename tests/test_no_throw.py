"""A call that succeeds throws no C++ exception on any path; errors do. tests/success_corpus.py makes successful calls
of every kind, in groups, in a child process that preloads tests/throw_counter.cpp (built here with the system's
compiler), whose `__cxa_throw` logs every C++ throw of the process: the module's, libfmt's and libstdc++'s own. Each
group must log none; a failure lists what was thrown and how often. The child has this run's environment, so under
`make sanitize` it loads the instrumented module."""
import collections
import json
import os
import sys
from pathlib import Path

import pytest

import success_corpus
import processes

TESTS = Path(__file__).resolve().parent
SRC = TESTS.parent / "src"


@pytest.fixture(scope="module")
def counter(tmp_path_factory):
    library = tmp_path_factory.mktemp("throw_counter") / "throw_counter.so"
    build = [os.environ.get("CXX", "g++"), "-std=c++20", "-shared", "-fPIC", "-O1", f"-I{SRC}",
             str(TESTS / "throw_counter.cpp"), str(SRC / "core" / "error.cpp"), "-o", str(library), "-ldl"]
    processes.run(build, check=True)
    return library


def preload(library):
    """LD_PRELOAD with the counter before libstdc++ (its `__cxa_throw` must be found first) and after a sanitizer's
    runtime (which must come first, and whose own `__cxa_throw` then calls the counter's)."""
    entries = [entry for entry in os.environ.get("LD_PRELOAD", "").replace(" ", ":").split(":") if entry]
    at = next((k for k, entry in enumerate(entries) if "libstdc++" in Path(entry).name), len(entries))
    return ":".join([*entries[:at], str(library), *entries[at:]])


@pytest.fixture(scope="module")
def report(counter, tmp_path_factory):
    out = tmp_path_factory.mktemp("throws") / "report.json"
    env = dict(os.environ, LD_PRELOAD=preload(counter), PYTHONPATH=os.pathsep.join(p for p in sys.path if p))
    child = processes.run([sys.executable, str(TESTS / "success_corpus.py"), str(counter), str(out)], env=env)
    assert child.returncode == 0, child.stderr[-5000:]
    return json.loads(out.read_text())


def test_the_log_sees_the_throws_of_libstdcxx_and_of_the_module(report):
    # A test of the log itself: without it, a counter that sees nothing would pass every group.
    assert report["check"][0] == "std::invalid_argument"
    assert report["check"][1] == "zorvane::Error: ModelingError: a decision variable can be raised to only a positive power"
    assert len(report["check"]) == 2


@pytest.mark.parametrize("group", list(success_corpus.GROUPS))
def test_a_successful_call_throws_no_cxx_exception(report, group):
    result = report[group]
    assert result["error"] is None, f"the corpus itself failed:\n{result['error']}"
    counts = collections.Counter(result["throws"]).most_common()
    listed = "\n".join(f"{count:5} x {thrown}" for thrown, count in counts[:20])
    assert not counts, f"{len(result['throws'])} C++ exceptions thrown by successful calls:\n{listed}"
