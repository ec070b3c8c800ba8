"""to_protobuf and from_protobuf at scale: a model that shares sub-expressions is written and read in
steps of its distinct nodes, never of its paths; trees at the depth limit go through both in a thread
with a small stack; a long write or read stops on Ctrl-C. Every case runs in a child process, so a
crash or an endless call fails its test instead of the test run."""

import os
import textwrap

import pytest

import io_models as io
import processes

PRELUDE = f"""
import re, sys, threading
sys.path.insert(0, {os.path.dirname(os.path.abspath(__file__))!r})
""" + """
import zorvane as zv
from protobuf_wire import commutative, expr_body, lit, message, nested_groups, placeholder, unary

UUID = re.compile(rb"[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")

def without_ids(data):  # ids are new on every call; everything else is written the same way every time
    return UUID.sub(b"-" * 36, data)

ph, x = zv.Placeholder("ph"), zv.BinaryVar("x")

def shared_tree(levels, top=x):  # 2**levels paths, 4 * levels + 3 distinct nodes
    e = top
    for _ in range(levels):
        e = (e + 1) * (e + ph)
    return e
"""


def run(body):
    proc = processes.python(PRELUDE + textwrap.dedent(body) + "\nprint('OK')\n")
    assert proc.returncode == 0 and proc.stdout.endswith("OK\n"), f"exit {proc.returncode}\n{proc.stderr[-4000:]}"


def test_shared_sub_expressions_are_written_and_read_once():
    # Without sharing, the 40-level tree would take 2**40 steps to write or to read.
    run("""
        e = shared_tree(40)
        assert len(zv.to_protobuf(e)) < 2000
        i = zv.Element("i", belong_to=(0, 3))
        y = zv.BinaryVar("y", shape=[3])
        problem = zv.Problem("p")
        problem += e
        problem += zv.Constraint("c", e <= 1)
        problem += zv.Constraint("d", shared_tree(40, y[i]) >= 1, forall=[(i, shared_tree(40, ph) >= 0)])
        problem += zv.CustomPenaltyTerm("t", e)
        for obj in [e, e <= 1, problem.constraints["c"], problem.constraints["d"], problem.custom_penalty_terms["t"],
                    problem]:
            data = zv.to_protobuf(obj)
            back = zv.from_protobuf(data)
            assert type(back) is type(obj) and zv.is_same(back, obj)
            # a record referenced many times comes back as one node: written again, the tables are the same
            assert without_ids(zv.to_protobuf(back)) == without_ids(data)
    """)


def test_records_referenced_many_times_are_rebuilt_once():
    # Tables the writer never makes (each sum of the one below twice, functions of such a sum) read in
    # steps of their records; the sums are kept as read (the builder of a sum from terms does not merge).
    run("""
        doubling = [placeholder("a")] + [commutative(1, [n, n]) for n in range(60)]
        functions = doubling[:21] + [unary(1, 20 + n) for n in range(2000)]
        for nodes in (doubling, functions):
            data = expr_body(nodes, len(nodes) - 1)
            back = zv.from_protobuf(data)
            assert zv.is_same(back, zv.from_protobuf(data))
            assert message(zv.to_protobuf(back), 6)[3] == nodes
        assert type(back) is zv.AbsOp
    """)


@pytest.mark.parametrize("records", [1_000, 600_000], ids=["small table", "large table"])
def test_tables_of_more_records_or_ids_than_foreseen(records):
    # A large table (from 1 MiB on) is not counted before it is read: records of 2 bytes (unset, never
    # referenced) outnumber the room foreseen for them, and a sum's ids fill most of the table's bytes.
    run(f"""
        from protobuf_wire import expr_body, lit, message, placeholder
        nodes = [b""] * {records} + [lit(7)]
        back = zv.from_protobuf(expr_body(nodes, {records}))
        assert message(zv.to_protobuf(back), 6)[3] == [lit(7)]
        nodes = [placeholder("a"), placeholder("b"), commutative(1, [0, 1] * {records})]
        back = zv.from_protobuf(expr_body(nodes, 2))
        assert message(zv.to_protobuf(back), 6)[3] == nodes
    """)


def test_trees_at_the_depth_limit_with_a_small_stack():
    # Writing and reading run on heap stacks: a thread with the smallest stack the interpreter allows
    # writes and reads every tree at the depth limit as the main thread does, and reads unknown fields
    # nested as deep as the reader allows. AddressSanitizer's own calls need a little more than 32 KiB
    # whatever the depth.
    run(f"""
        a, b = zv.Placeholder("a"), zv.Placeholder("b")
        p = zv.Placeholder("p", ndim=1)
        i = zv.Element("i", belong_to=(0, 3))
        unary = [zv.abs, zv.ln, zv.ceil, zv.floor, zv.log2, zv.log10]
        shapes = {{  # the next level over t, at level k
            "powers": (a, lambda t, k: t ** 2),
            "unary functions": (a, lambda t, k: unary[k % 6](t)),
            "sums and products with conditions": (a, lambda t, k: zv.sum((i, i != 0), t) if k % 2 else
                                                  zv.prod((i, (i != 2) & (a > k)), t)),
            "subscripts": (a, lambda t, k: p[t]),
            "logical conditions": (a == 0, lambda t, k: (t & (b == k)) if k % 2 else (t | (b != k))),
            "min and max": (a, lambda t, k: zv.min(t, a) if k % 2 else zv.max(b, t)),
        }}
        trees = {{}}
        for name, (tree, level) in shapes.items():
            k = 0
            try:
                while True:
                    tree, k = level(tree, k), k + 1
            except RecursionError:
                pass
            assert k > 1000, (name, k)  # each level is at most a few nodes deep
            trees[name] = tree

        def round_trip(tree):
            data = zv.to_protobuf(tree)
            return data, zv.from_protobuf(data)

        in_thread = {{}}
        nested = nested_groups(99) + expr_body([lit(4)])  # unknown fields nested as deep as the reader allows

        def work():
            for name, tree in trees.items():
                try:
                    in_thread[name] = round_trip(tree)
                except BaseException as error:  # report instead of dying silently
                    in_thread[name] = repr(error)
            try:
                in_thread["nested fields"] = repr(zv.from_protobuf(nested))
            except BaseException as error:
                in_thread["nested fields"] = repr(error)

        threading.stack_size({64 if io.UNDER_ASAN else 32} * 1024)
        thread = threading.Thread(target=work)
        thread.start()
        thread.join()
        assert in_thread.pop("nested fields") == "NumberLit(value=4)"
        for name, tree in trees.items():
            data, back = round_trip(tree)
            assert not isinstance(in_thread[name], str), (name, in_thread[name])
            assert without_ids(in_thread[name][0]) == without_ids(data), name
            assert zv.is_same(in_thread[name][1], tree) and zv.is_same(back, tree), name
    """)


# Calls that run for a long time without the signal check: writing a model whose written form has
# 2**40 terms (a sum of itself twice, with a LaTeX string of its own at every level, is written as one
# flat sum) never ends; reading a table of a million placeholders takes a tenth of a second, far
# longer than the 10 ms after which the child's timer goes off.
CALLS = {
    "to_protobuf": ("""
        def build():
            s = zv.Placeholder("a") + 1
            for _ in range(40):
                s.set_latex("S")
                s = s + s
            return s
        """, "zv.to_protobuf(obj)"),
    "from_protobuf": ("""
        from protobuf_wire import header, ld, vint
        def build():
            return zv.Placeholder("p")
        data = header(ld(6, vint(2, 0) + ld(3, placeholder("p")) * 1_000_000))
        """, "zv.from_protobuf(data)"),
}


@pytest.mark.parametrize("build, call", CALLS.values(), ids=list(CALLS))
def test_a_keyboard_interrupt_stops_a_long_call(build, call):
    # Ctrl-C as the interpreter handles it (a C handler notes the signal, the signal check runs
    # `default_int_handler`, which raises KeyboardInterrupt), sent by a timer armed just before the
    # call: the call takes longer than the timer whatever else the machine runs, as the child's time
    # runs no faster than the clock. The timer's signal is SIGALRM, with SIGINT's handler.
    script = PRELUDE + textwrap.dedent(build) + textwrap.dedent(f"""
        import resource, signal
        if {not io.UNDER_ASAN}:  # a runaway call fails with MemoryError instead of filling the machine
            resource.setrlimit(resource.RLIMIT_AS, (4 << 30, 4 << 30))
        obj = build()
        ended = []  # how the call ended: a signal handled only after it returned does not count

        def profile(frame, event, arg):
            if event in ("c_return", "c_exception") and arg in (zv.to_protobuf, zv.from_protobuf):
                ended.append(event)

        signal.signal(signal.SIGALRM, signal.default_int_handler)
        sys.setprofile(profile)
        signal.setitimer(signal.ITIMER_REAL, 0.01)
        try:
            {call}
        except KeyboardInterrupt:
            sys.setprofile(None)
            assert ended == ["c_exception"], ended
            assert zv.is_same(obj, build())
            print("interrupted", flush=True)
    """)
    child = processes.python(script)
    out, err = child.stdout, child.stderr
    assert child.returncode == 0 and out == "interrupted\n", err[-3000:]
