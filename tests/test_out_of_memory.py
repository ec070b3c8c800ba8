"""Running out of memory never ends the process: freeing a tree needs no memory, and a failed
allocation raises MemoryError where it happens, leaving every object as it was. Each case runs in a
subprocess under an address-space limit a few MiB above what the process already uses."""

import os
import textwrap

import pytest
import zorvane
import processes

# ASan reserves terabytes of address space, so no address-space limit can be set under it.
limited = pytest.mark.skipif("/asan-site/" in zorvane.__file__, reason="address-space limits do not work under ASan")

PRELUDE = """
import resource
import zorvane as zv

SOFT, HARD = resource.getrlimit(resource.RLIMIT_AS)

def limit(headroom):  # the process may grow by about `headroom` bytes from here
    with open("/proc/self/status") as status:
        used = int(status.read().split("VmSize:")[1].split()[0]) * 1024
    cap = used + headroom if HARD == resource.RLIM_INFINITY else min(used + headroom, HARD)
    resource.setrlimit(resource.RLIMIT_AS, (cap, HARD))

def unlimit():
    resource.setrlimit(resource.RLIMIT_AS, (SOFT, HARD))

x = zv.BinaryVar("x")
SEP = {"+": " + ", "*": " * "}

def chain(op, n):  # x op x op ... op x, n terms, built term by term
    e = x
    for _ in range(n - 1):
        e = e + x if op == "+" else e * x
    return e
"""

MIB = 1 << 20
TESTS = os.path.dirname(os.path.abspath(__file__))


def run(body):
    proc = processes.python(PRELUDE + textwrap.dedent(body) + "\nprint('OK')\n")
    assert proc.returncode == 0, f"exit {proc.returncode}\n{proc.stdout[-2000:]}\n{proc.stderr[-4000:]}"
    assert proc.stdout.rstrip().endswith("OK"), proc.stdout[-2000:]


@limited
@pytest.mark.parametrize("op", ["+", "*"])
def test_dropping_a_large_expression_needs_no_memory(op):
    run(f"""
        e = chain("{op}", 2_000_000)
        limit({4 * MIB})
        del e
        unlimit()
        assert str(chain("{op}", 3)) == SEP["{op}"].join(["x"] * 3)
    """)


@limited
@pytest.mark.parametrize("op", ["+", "*"])
def test_memory_running_out_while_building_leaves_the_last_expression_whole(op):
    run(f"""
        e, n = x, 1
        limit({8 * MIB})
        try:
            while True:
                e = e + x if "{op}" == "+" else e * x
                n += 1
        except MemoryError:
            pass
        try:
            e + e if "{op}" == "+" else e * e
            raise AssertionError("joining two long terms fitted")
        except MemoryError:
            pass
        unlimit()
        assert n > 1000, n
        assert str(e) == SEP["{op}"].join(["x"] * n)
        assert str(e + x if "{op}" == "+" else e * x) == SEP["{op}"].join(["x"] * (n + 1))
    """)


@limited
def test_memory_running_out_in_replace_leaves_the_expression_whole():
    run(f"""
        e = chain("+", 2_000_000)
        text = str(e)
        seen = 0
        def same(node):
            global seen
            seen += 1
            return node
        limit({8 * MIB})
        try:
            zv.replace(e, same)
            raise AssertionError("the rebuilt sum fitted")
        except MemoryError:
            pass
        unlimit()
        assert 1000 < seen < 2_000_000, seen  # it ran out on the way
        assert str(e) == text
        assert str(zv.replace(e, same)) == text
    """)


@limited
def test_a_memory_error_of_the_replacer_unwinds_through_a_large_rebuilt_node():
    # The sum is rebuilt before the replacer sees y; the MemoryError then frees the rebuilt sum.
    run(f"""
        y = zv.BinaryVar("y")
        e = chain("+", 2_000_000) * y
        text = str(e)
        def fail_at_y(node):
            if isinstance(node, zv.BinaryVar) and node.name == "y":
                limit({4 * MIB})
                bytearray({64 * MIB})
            return node
        try:
            zv.replace(e, fail_at_y)
            raise AssertionError("the bytearray fitted")
        except MemoryError:
            pass
        unlimit()
        assert str(e) == text
    """)


OURS = """
import ctypes

class Info(ctypes.Structure):
    _fields_ = [("addr", ctypes.c_void_p), ("name", ctypes.c_char_p), ("phdr", ctypes.c_void_p),
                ("phnum", ctypes.c_uint16), ("adds", ctypes.c_ulonglong), ("subs", ctypes.c_ulonglong),
                ("tls_modid", ctypes.c_size_t), ("tls_data", ctypes.c_void_p)]

Visit = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(Info), ctypes.c_size_t, ctypes.c_void_p)

def ours():  # whether the calling thread has the thread-local block of each library zorvane uses
    blocks = {}
    def visit(info, size, data):
        name = (info.contents.name or b"").decode().rsplit("/", 1)[-1]
        if info.contents.tls_modid and any(lib in name for lib in ("zorvane.", "libstdc++.so", "libuuid.so")):
            blocks[name] = bool(info.contents.tls_data)  # tls_data: this thread's block, null until allocated
        return 0
    ctypes.CDLL(None).dl_iterate_phdr(Visit(visit), None)
    assert sum("libstdc++.so" in name or "libuuid.so" in name for name in blocks) == 2, blocks
    return blocks
"""


@pytest.mark.parametrize("thread", ["importing", "new"])
def test_a_thread_has_its_thread_local_state_from_its_first_call(thread):
    # A library's thread-local block is allocated on its first use in a thread, and glibc aborts
    # the process when that allocation fails; the first C++ exception uses libstdc++'s block.
    run(OURS + textwrap.dedent(f"""
        import threading
        seen = []
        def check():
            if "{thread}" == "new":
                seen.append(ours())
                zv.BinaryVar("y")
            seen.append(ours())
        if "{thread}" == "new":
            worker = threading.Thread(target=check)
            worker.start()
            worker.join()
            assert not all(seen[0].values()), seen  # a thread has not all of them before its first call
        else:
            check()
        assert all(seen[-1].values()), seen
    """))


@pytest.fixture(scope="module")
def filler(tmp_path_factory):
    library = tmp_path_factory.mktemp("memory_filler") / "memory_filler.so"
    build = [os.environ.get("CC", "gcc"), "-shared", "-fPIC", "-O1", "-Wall", os.path.join(TESTS, "memory_filler.c"),
             "-o", str(library)]
    processes.run(build, check=True)
    return library


# Threads that each take what malloc has left but `k` small blocks, then call into zorvane: with
# `first`, the call is the thread's first (none made before), else the thread has called before.
# Every call either works or raises MemoryError (or the ValueError of the text "{").
EXHAUSTED = """
import ctypes, threading
import orjson  # imported before memory is limited, as from_json imports it
import numpy as np
filler = ctypes.CDLL({library!r})
filler.fill.argtypes = filler.reserve.argtypes = [ctypes.c_size_t]
filler.fill.restype = None  # a count returned would be a new int, made when memory is gone
assert filler.reserve(1 << 24)
n = 100_000
ev = zv.Evaluation.from_dict({{"energy": np.zeros(n), "objective": np.zeros(n), "constraint_violations": {{}},
                              "constraint_forall": {{}}, "constraint_values": [{{"a": np.zeros(n)}}],
                              "penalty": {{}}}})
call = {{"constraint_values": lambda: ev.constraint_values, "from_json": lambda: zv.SampleSet.from_json("{{")}}[{what!r}]
outcomes = []
def work(go, k):
    if not {first}:
        try:
            zv.SampleSet.from_json("[")  # a C++ exception made: the thread's state exists
        except ValueError:
            pass
    go.wait()
    filler.fill(k)
    try:
        call()
        outcome = "ok"
    except (MemoryError, ValueError) as error:
        outcome = type(error).__name__
    filler.release()
    outcomes.append(outcome)
levels = [0, 1, 2, 4, 8, 16, 32]
workers = [(threading.Event(), k) for k in levels]
threads = [threading.Thread(target=work, args=worker) for worker in workers]
for thread in threads:
    thread.start()
limit({headroom})
for (go, _), thread in zip(workers, threads):
    go.set()
    thread.join()
unlimit()
assert len(outcomes) == len(levels) and "MemoryError" in outcomes, outcomes
"""


@limited
@pytest.mark.parametrize("what, first", [("constraint_values", True), ("from_json", True), ("from_json", False)])
def test_a_thread_that_finds_memory_exhausted_gets_memory_error(filler, what, first):
    # A thread's first C++ exception needs its thread-local block, which glibc cannot fail
    # gracefully; the JSON reader's stack grew through an allocator that returned null.
    run(EXHAUSTED.format(library=str(filler), what=what, first=first, headroom=64 * MIB))


@limited
@pytest.mark.parametrize("where", ["expr body", "objective", "forall list"])
def test_a_table_merged_from_many_occurrences_needs_memory_in_proportion(where):
    # A message field written again merges into the first; each occurrence of a table adds its
    # records. Reading 20 000 occurrences of one record each (200 KB) takes a few MiB, as one table
    # of 20 000 records does, not room for each occurrence's table as a whole.
    run(f"""
        import sys
        sys.path.insert(0, {TESTS!r})
        from protobuf_wire import constraint, decision_var, expr, forall_list, header, ld, lit, text, vint
        one = expr([lit(1)])
        many = 20_000
        data = {{
            "expr body": header(ld(6, one) * many),
            "objective": header(ld(3, text(2, "p") + vint(3, 1) + ld(4, one) * many)),
            "forall list": header(ld(4, constraint("c", 1, expr([decision_var(1, "x")]), one) + ld(6, forall_list([], [lit(0)])) * many)),
        }}["{where}"]
        limit({64 * MIB})
        back = zv.from_protobuf(data)
        unlimit()
        assert type(back).__name__ == ("Constraint" if "{where}" == "forall list" else
                                        "Problem" if "{where}" == "objective" else "NumberLit"), back
    """)


@limited
@pytest.mark.parametrize("shape", [(2**59, 0), (2**20, 2**20, 0), (2**30, 0, 5),
                                   (2**58, 2, *(1,) * 14, 0)])  # 2**64 + 1 bytes: 1 in 64 bits
def test_json_of_more_empty_lists_than_memory_holds_fails_before_it_is_written(shape):
    # No element, and yet more lists than any memory holds: the text is never begun
    run(f"""
        import resource
        import numpy as np
        s = zv.SampleSet(zv.Record({{"x": [np.empty({shape})]}}, [1]), zv.Evaluation(), zv.MeasuringTime())
        before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
        limit({512 * MIB})
        try:
            s.to_json()
            raise AssertionError("written")
        except MemoryError:
            pass
        unlimit()
        grown = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before
        assert grown < 32 << 10, f"{{grown}} KiB written first"
    """)
