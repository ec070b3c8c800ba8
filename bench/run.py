#!/usr/bin/env python3
"""Benchmarks for zorvane, each row next to a plain-Python reference measured in the same run.

Both sides of a comparison are statements compiled by ``timeit`` and run inline over globals, as
users write code: ``p + q`` is compared with ``a + b`` over two float globals, never with a
lambda call that only one side pays for. Sizes go up to 10^5 terms, samples or constraints, so
the cost per term shows how an operation scales.

    python bench/run.py                 # all rows
    python bench/run.py -k protobuf     # rows whose name contains a substring
    python bench/run.py --repeat 9      # more repeats (default 5; the best is kept)
    python bench/run.py --strict        # exit 1 if a row fails or a bar is missed

After the table come the bars, the goals the rows are held to: a ratio to a reference measured
in the same run no higher than a limit, or, for a growth row (the cost per term at a larger size
over that at a smaller one, both measured in the same run), its own value. A rate in MB/s is
shown, never held to a number: it measures the machine as much as the code. A missed bar is
printed as MISS; only --strict turns it into a failing exit status.

A row is ``Row(name, measure, reference)``. The measures: ``Timed`` (a statement timed by
timeit), ``Block`` (a statement that changes its state, run once per repeat on fresh state),
``Held`` (the bytes an object holds), ``Rate`` (MB/s of a timed row), ``Alternated`` (two
statements timed in turn, a row and its reference) and ``Growth`` (one row's value over another's). A reference is the name of an entry in
REFERENCES or of another row (e.g. the same loop at a smaller size).
"""

from __future__ import annotations

import argparse
import atexit
import ctypes
import functools
import gc
import importlib.util
import math
import os
import pathlib
import pickle
import subprocess
import sys
import tempfile
import textwrap
import timeit

import numpy
import orjson
import pandas as pd

import zorvane as zv


# ---- measures ------------------------------------------------------------------------------

class Timed:
    """Nanoseconds per unit of `stmt`, run inline by timeit over the globals that `make()` returns
    (made once, outside the timing). `units` is the number of items one run handles."""

    kind = "time"

    def __init__(self, stmt, make=dict, units=1, per="op"):
        self.stmt, self.make, self.units, self.per = stmt, make, units, per

    def run(self, opts):
        timer = timeit.Timer(self.stmt, globals=self.make())
        number, elapsed = timer.autorange()
        # autorange stops at >= 0.2 s; scale up for a steadier reading if asked.
        if elapsed < opts.min_time:
            number = max(number, int(number * opts.min_time / max(elapsed, 1e-9)))
        best = min(timer.repeat(repeat=opts.repeat, number=number))
        return best / number * 1e9 / self.units


class Block:
    """Nanoseconds per unit of `stmt`, a statement that changes the state it runs on (e.g. adds
    constraints to a problem), so it runs once per repeat over the globals made once by `make()`.
    timeit runs a statement inside a function: `prelude` (untimed) binds the names that the
    statement assigns to, e.g. `problem = shared` before `problem += c`."""

    kind = "time"

    def __init__(self, stmt, make, units, per, prelude="pass"):
        self.stmt, self.make, self.units, self.per, self.prelude = stmt, make, units, per, prelude

    def run(self, opts):
        timer = timeit.Timer(self.stmt, setup=self.prelude, globals=self.make())
        return min(timer.repeat(repeat=opts.repeat, number=1)) * 1e9 / self.units


class Alternated:
    """Two statements over the same globals (made once by `make()`), timed in turn repeat by repeat, so
    that a change in the machine's load falls on both; the best of each is kept, in nanoseconds per
    unit. `side(0)` and `side(1)` are the two measures (a row and its reference); whichever is asked
    for first measures both. `number`: runs per timing, by default as many as timeit's autorange takes
    for the slower statement; 1 times each run alone, its result dropped after the clock stops."""

    def __init__(self, stmts, make, units, per, number=None):
        self.stmts, self.make, self.units, self.per, self.number = stmts, make, units, per, number
        self.best = None

    def side(self, k):
        return AlternatedSide(self, k)

    def run_both(self, opts):
        if self.best is None:
            timers = [timeit.Timer(stmt, globals=self.make()) for stmt in self.stmts]
            number = self.number or max(timer.autorange()[0] for timer in timers)
            best = [math.inf] * len(timers)
            for _ in range(opts.repeat):
                for k, timer in enumerate(timers):
                    best[k] = min(best[k], timer.timeit(number))
            self.best = [seconds / number * 1e9 / self.units for seconds in best]
        return self.best


class AlternatedSide:
    kind = "time"

    def __init__(self, pair, k):
        self.pair, self.k, self.per = pair, k, pair.per

    def run(self, opts):
        return self.pair.run_both(opts)[self.k]


class Held:
    """Bytes per unit held by what `build(operands)` returns, with `operands = make()` made first.

    Nodes live in pages the module maps itself, which neither tracemalloc nor malloc's statistics
    see, so this counts the growth of resident memory, each side taken after a garbage
    collection and glibc's malloc_trim(0) (freed heap pages go back to the system). `build` keeps
    nothing but the result. A first build fills whatever caches the module and the interpreter
    keep; the second is counted."""

    kind = "bytes"

    def __init__(self, make, build, units, per):
        self.make, self.build, self.units, self.per = make, build, units, per

    def run(self, opts):
        operands = self.make()
        self.build(operands)
        before = resident_after_trim()
        kept = self.build(operands)
        held = resident_after_trim() - before
        del kept
        return held / self.units


class Growth:
    """How much the cost per unit of row `large` exceeds that of row `small`, both as measured for their rows.
    One growth bar holds it to the growth of a plain-Python loop over as many bytes per unit, measured in the same
    run: what the machine's caches do at the larger size falls on both sides, so a MISS points at the code.
    Another holds the growth itself to a ceiling, so that a slip does not hide behind a reference that grows as
    much from the caches alone."""

    kind = "ratio"
    per = ""

    def __init__(self, large, small):
        self.large, self.small = large, small


class Rate:
    """MB/s of the timed row `source` over `size()` bytes; measured with that row, not again."""

    kind = "rate"
    per = ""

    def __init__(self, source, size):
        self.source, self.size = source, size


PAGE_SIZE = os.sysconf("SC_PAGE_SIZE")


def resident_after_trim() -> int:
    """Resident bytes of this process after a garbage collection and malloc_trim(0)."""
    gc.collect()
    ctypes.CDLL(None).malloc_trim(0)
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * PAGE_SIZE


class Row:
    """`reference`: the name of a REFERENCES entry or of another row, or a (name, measure) pair
    for a reference of this row alone."""

    def __init__(self, name, measure, reference=None):
        self.own_reference = reference if isinstance(reference, tuple) else None
        self.name, self.measure = name, measure
        self.reference = reference[0] if self.own_reference else reference


# ---- the model: described by plain tuples, built by zorvane -----------------------------------
#
# A tuple mirror is what a user could keep instead of the model; pickling it is the plain-Python
# reference of the protobuf codec. Leaves are numbers and names; ("[]", array, *subscripts),
# ("+", *terms), ("*", a, b), ("sum", index, operand) and ("<=", left, right) are nodes.

OBJECTIVE_TERMS = 100_000
BIG_CONSTRAINTS = 2_000


def model_names():
    a, b = zv.Placeholder("A", ndim=2), zv.Placeholder("B", ndim=1)
    rows, cols = a.len_at(0), a.len_at(1)
    return {"A": a, "B": b, "X": zv.BinaryVar("X", shape=[OBJECTIVE_TERMS]), "Y": zv.BinaryVar("Y", shape=[rows, cols]),
            "i": zv.Element("i", belong_to=(0, rows)), "j": zv.Element("j", belong_to=(0, cols))}


def objective_tuple(terms):
    """sum c_k * X[k]"""
    return ("+",) + tuple(("*", k % 97 + 0.5, ("[]", "X", k)) for k in range(terms))


def constraint_tuple(k):
    """row k: sum(j, A[i, j] * Y[i, j]) + (k + 1) * Y[i, k % 7] <= B[i] + k + 1, for all i"""
    left = ("+", ("sum", "j", ("*", ("[]", "A", "i", "j"), ("[]", "Y", "i", "j"))), ("*", k + 1, ("[]", "Y", "i", k % 7)))
    return f"row{k}", ("<=", left, ("+", ("[]", "B", "i"), k + 1)), ("i",)


def problem_tuple(objective_terms, constraints):
    return ("problem", "bench", objective_tuple(objective_terms), tuple(constraint_tuple(k) for k in range(constraints)))


def build(t, names):
    if not isinstance(t, tuple):
        return names[t] if isinstance(t, str) else t
    op, *args = t
    if op == "[]":
        return names[args[0]][tuple(build(a, names) for a in args[1:])]
    if op == "+":
        e = 0
        for a in args:
            e += build(a, names)
        return e
    if op == "sum":
        return zv.sum(names[args[0]], build(args[1], names))
    left, right = build(args[0], names), build(args[1], names)
    return left * right if op == "*" else left <= right


def build_constraint(row, names):
    name, condition, forall = row
    return zv.Constraint(name, build(condition, names), forall=[names[f] for f in forall])


def build_problem(mirror):
    _, name, objective, rows = mirror
    names = model_names()
    problem = zv.Problem(name)
    # Constraints first: every += checks names against the whole problem, objective included.
    for row in rows:
        problem += build_constraint(row, names)
    problem += build(objective, names)
    return problem


@functools.cache
def big_mirror():
    return problem_tuple(OBJECTIVE_TERMS, BIG_CONSTRAINTS)


@functools.cache
def big_problem():
    return build_problem(big_mirror())


@functools.cache
def big_bytes():
    return zv.to_protobuf(big_problem())


@functools.cache
def problem_of(constraints):
    return build_problem(problem_tuple(0, constraints))


# ---- scalar operations ----------------------------------------------------------------------

def scalar_operands():
    p, q, r = zv.Placeholder("p"), zv.Placeholder("q"), zv.Placeholder("r")
    i = zv.Element("i", belong_to=(0, 10))
    pa, x = zv.Placeholder("pa", ndim=1), zv.BinaryVar("x", shape=[10])
    return {"p": p, "q": q, "r": r, "s": p + q, "e": p + 1, "i": i, "pa": pa, "x": x, "pi": pa[i], "xi": x[i],
            "n": zv.NumberLit(1.5), "NumberLit": zv.NumberLit, "sum": zv.sum}


def scalar_rows():
    ref = "a + b (float globals)"
    rows = [Row("NumberLit(1.5)", Timed("NumberLit(1.5)", scalar_operands), "float(1.5)"),
            Row("str(NumberLit)", Timed("str(n)", scalar_operands), "repr(float)"),
            Row("repr(NumberLit)", Timed("repr(n)", scalar_operands), "repr(float)")]
    for name, stmt in [("p + q", "p + q"), ("2 * p", "2 * p"), ("p * 2.5", "p * 2.5"), ("(p + q) + r", "s + r"),
                       ("p[i] * x[i]", "pa[i] * x[i]"), ("p[i] * x[i], subscripts prebuilt", "pi * xi"),
                       ("sum(i, p[i] * x[i])", "sum(i, pa[i] * x[i])"), ("e <= 3", "e <= 3")]:
        rows.append(Row(name, Timed(stmt, scalar_operands), ref))
    return rows


# ---- subscripts by several indices -----------------------------------------------------------

KEY_FORMS = [("x[i, j]", "x[i][j]"), ("x[3, 4]", "x[3][4]"), ("P[i, j]", "P[i][j]"),
             ("P[i, j] * x[i, j]", "P[i][j] * x[i][j]")]


def key_operands():
    i, j = zv.Element("i", belong_to=(0, 10)), zv.Element("j", belong_to=(0, 10))
    return {"P": zv.Placeholder("P", ndim=2), "x": zv.BinaryVar("x", shape=[10, 10]), "i": i, "j": j}


def key_rows():
    """A key of two indices, `x[i, j]`, against the same subscript built by two keys, `x[i][j]`
    (which builds one node more)."""
    rows = []
    for one_key, two_keys in KEY_FORMS:
        rows.append(Row(f"{two_keys}, two keys", Timed(two_keys, key_operands), "a + b (float globals)"))
        rows.append(Row(f"{one_key}, one key", Timed(one_key, key_operands), f"{two_keys}, two keys"))
    return rows


# ---- loops that build a sum or product term by term ---------------------------------------------

LOOPS = {
    "e = e + k * p_k": "e = 0\nfor k, p in items:\n    e = e + k * p",
    "e += c * x_k": "e = 0\nfor c, x in items:\n    e += c * x",
    "e = e + k * p_k + 1": "e = 0\nfor k, p in items:\n    e = e + k * p + 1",
    "m = m * (2 * p_k)": "m = 1\nfor k, p in items:\n    m = m * (2 * p)",
}


def loop_items(loop, n, floats=False):
    """(coefficient, operand) pairs: placeholders p_k, or binary variables x_k for `e += c * x_k`;
    the float reference runs the same statement over floats."""
    def make():
        if loop == "e += c * x_k":
            coefficients = [k % 97 + 0.5 for k in range(n)]
            operands = [float(k) for k in range(n)] if floats else [zv.BinaryVar(f"x{k}") for k in range(n)]
            return {"items": list(zip(coefficients, operands))}
        operands = [float(k) for k in range(n)] if floats else [zv.Placeholder(f"p{k}") for k in range(n)]
        return {"items": list(enumerate(operands, 1))}
    return make


def size_text(n):
    return f"{n:,}".replace(",", " ")


def growth_rows(name, small, large, reference):
    """`name: growth small to large` from the rows `name, <size>`, against the same of `reference`."""
    sizes = f"growth {size_text(small)} to {size_text(large)}"
    rows = [Row(f"{reference}: {sizes}", Growth(f"{reference}, {size_text(large)}", f"{reference}, {size_text(small)}"))]
    rows.append(Row(f"{name}: {sizes}", Growth(f"{name}, {size_text(large)}", f"{name}, {size_text(small)}"),
                    rows[0].name))
    return rows


# A plain-Python loop that keeps 112 bytes per term (a tuple of 8 references and its list slot), as `e += c * x_k`
# keeps about 120, over the same items.
APPEND_LOOP = "list.append of an 8-tuple per term"


def loop_rows():
    rows = []
    for loop, stmt in LOOPS.items():
        sizes = (1_000, 10_000, 100_000) if loop == "e += c * x_k" else (1_000, 100_000)
        first = f"{loop}, {size_text(sizes[0])}"
        rows.append(Row(first, Timed(stmt, loop_items(loop, sizes[0]), sizes[0], "term"), f"float loop {first}"))
        for n in sizes[1:]:
            rows.append(Row(f"{loop}, {size_text(n)}", Timed(stmt, loop_items(loop, n), n, "term"), first))
    append = "e = []\nfor c, x in items:\n    e.append((c, x) * 4)"
    rows += [Row(f"{APPEND_LOOP}, {size_text(n)}", Timed(append, loop_items("e += c * x_k", n), n, "term"))
             for n in (1_000, 100_000)]
    return rows + growth_rows("e += c * x_k", 1_000, 100_000, APPEND_LOOP)


def loop_references():
    return {f"float loop {loop}, 1 000": Timed(stmt, loop_items(loop, 1_000, floats=True), 1_000, "term")
            for loop, stmt in LOOPS.items()}


# ---- memory held by a sum --------------------------------------------------------------------

def memory_rows():
    """Both forms count everything the sum holds, its variables included: 10^5 scalar variables
    are part of what the scalar form costs, as the one array variable is part of the other's."""
    n = OBJECTIVE_TERMS

    def coefficients():
        return [k % 97 + 0.5 for k in range(n)]

    def build_subscripted(coefficients):
        x = zv.BinaryVar("X", shape=[n])
        e = 0
        for k, c in enumerate(coefficients):
            e += c * x[k]
        return e

    def build_scalars(coefficients):
        e = 0
        for k, c in enumerate(coefficients):
            e += c * zv.BinaryVar(f"x{k}")
        return e

    scalar_name = "sum c_k * x_k (scalar variables), 100 000 terms"
    return [Row("sum c_k * X[k], 100 000 terms", Held(coefficients, build_subscripted, n, "term"), scalar_name),
            Row(scalar_name, Held(coefficients, build_scalars, n, "term"))]


# ---- Problem += -----------------------------------------------------------------------------

ADD_BLOCK = 50
ADD_STMT = "for c in extra:\n    problem += c"


def small_constraint(k, names):
    """c_k: Y[i, k % 7] + k + 1 <= B[i], for all i"""
    i = names["i"]
    return zv.Constraint(f"c{k}", names["Y"][i, k % 7] + (k + 1) <= names["B"][i], forall=[i])


@functools.cache
def _filling():
    return {"names": model_names(), "problem": zv.Problem("bench"), "size": 0}


def adds_at(n):
    """`problem += c` for the ADD_BLOCK constraints after c_0 .. c_(n-1). One problem grows through
    the sizes of these rows, so filling it (each += walks the whole problem: about 11 s to 10 000
    constraints today) is paid once. The first repeat adds the block, the others add it again
    under the same names, which replaces the entries after the same checks."""
    def make():
        state = _filling()
        if state["size"] > n:
            state.update(problem=zv.Problem("bench"), size=0)
        names, problem = state["names"], state["problem"]
        for k in range(state["size"], n):
            problem += small_constraint(k, names)
        state["size"] = n + ADD_BLOCK
        return {"shared": problem, "extra": [small_constraint(k, names) for k in range(n, n + ADD_BLOCK)]}
    return Block(ADD_STMT, make, ADD_BLOCK, "add", prelude="problem = shared")


def adds_next_to_objective(n):
    """As adds_at(n), on a problem that also holds the 10^5-term objective."""
    def make():
        names, problem = model_names(), zv.Problem("bench")
        for k in range(n):
            problem += small_constraint(k, names)
        problem += build(objective_tuple(OBJECTIVE_TERMS), names)  # last: one walk over the constraints
        return {"shared": problem, "extra": [small_constraint(k, names) for k in range(n, n + ADD_BLOCK)]}
    return Block(ADD_STMT, make, ADD_BLOCK, "add", prelude="problem = shared")


def problem_rows():
    small = "Problem += Constraint, at 100 constraints"
    at_1000 = "Problem += Constraint, at 1 000 constraints"
    return [
        Row(small, adds_at(100)),
        Row(at_1000, adds_at(1_000), small),
        Row("Problem += Constraint, at 10 000 constraints", adds_at(10_000), small),
        # adding 2 000 constraints, sampled at its midpoint: a block of adds at 1 000 constraints
        Row("Problem += Constraint, 10^5-term objective, at 1 000 constraints", adds_next_to_objective(1_000), at_1000),
    ]


def name_rows():
    """`problem += c` where every constraint uses the variable x with its upper bound written 10
    or 10.0 in turn: one variable to the name check, so an add stays as cheap as in an empty
    problem. One problem grows through the sizes, as in adds_at."""
    def bounded(k):
        x = zv.IntegerVar("x", lower_bound=0, upper_bound=10 if k % 2 == 0 else 10.0)
        return zv.Constraint(f"c{k}", x + k <= 20)

    state = {"problem": zv.Problem("bench"), "size": 0}

    def adds(n):
        def make():
            if state["size"] > n:
                state.update(problem=zv.Problem("bench"), size=0)
            for k in range(state["size"], n):
                state["problem"] += bounded(k)
            state["size"] = n + ADD_BLOCK
            return {"shared": state["problem"], "extra": [bounded(k) for k in range(n, n + ADD_BLOCK)]}
        return Block(ADD_STMT, make, ADD_BLOCK, "add", prelude="problem = shared")

    small = "Problem += Constraint, bounds 10 / 10.0, at 100 constraints"
    return [Row(small, adds(100)),
            Row("Problem += Constraint, bounds 10 / 10.0, at 10 000 constraints", adds(10_000), small)]


# ---- protobuf ------------------------------------------------------------------------------

def encoding(problem):
    return lambda: {"to_protobuf": zv.to_protobuf, "problem": problem()}


def decoding(problem):
    return lambda: {"from_protobuf": zv.from_protobuf, "data": zv.to_protobuf(problem())}


def codec_rows():
    big = "10^5-term objective, 2 000 constraints"
    to_pb, from_pb = f"to_protobuf(problem: {big})", f"from_protobuf(problem: {big})"
    rows = [Row(to_pb, Timed("to_protobuf(problem)", encoding(big_problem)), "pickle.dumps(tuple mirror of that problem)"),
            Row(to_pb + " [MB/s]", Rate(to_pb, lambda: len(big_bytes()))),
            Row(from_pb, Timed("from_protobuf(data)", decoding(big_problem)), "pickle.loads(tuple mirror of that problem)"),
            Row(from_pb + " [MB/s]", Rate(from_pb, lambda: len(big_bytes())))]
    # per constraint, a problem ten times larger against a smaller one
    for n, smaller in ((200, None), (2_000, 200)):
        problem = functools.partial(problem_of, n)
        for name, measure in [("to_protobuf", Timed("to_protobuf(problem)", encoding(problem), n, "constraint")),
                              ("from_protobuf", Timed("from_protobuf(data)", decoding(problem), n, "constraint"))]:
            reference = f"{name}(problem of {size_text(smaller)} constraints)" if smaller else None
            rows.append(Row(f"{name}(problem of {size_text(n)} constraints)", measure, reference))
    return rows


# ---- printing ---------------------------------------------------------------------------------

def printed_sum(n):
    def make():
        e = 0
        for k in range(n):
            e = e + (k + 1) * zv.Placeholder(f"x{k}")
        return {"s": e}
    return make


def printer_rows():
    rows = []
    for label, stmt in [("str", "str(s)"), ("repr", "repr(s)"), ("LaTeX", "s._repr_latex_()")]:
        small = f"{label}(sum of 1 000)"
        rows.append(Row(small, Timed(stmt, printed_sum(1_000), 1_000, "term"), "repr(list of 100 000 floats)"))
        rows.append(Row(f"{label}(sum of 100 000)", Timed(stmt, printed_sum(100_000), 100_000, "term"), small))
    return rows


# ---- sample sets ----------------------------------------------------------------------------

CONSTRAINT_NAMES = ("c0", "c1", "c2")


def record(n):
    """n sparse samples of a length-10 vector x, two entries each."""
    return zv.Record({"x": [(([s % 10, (s + 3) % 10],), [1.0, 2.0], (10,)) for s in range(n)]}, [1] * n)


def evaluation(n):
    names = CONSTRAINT_NAMES
    return zv.Evaluation(energy=[float(s) for s in range(n)], objective=[s * 0.5 for s in range(n)],
                         constraint_violations={c: [0.0] * n for c in names},
                         constraint_forall={c: [[0], [1]] for c in names},
                         constraint_values=[{c: [1.0, 2.0] for c in names} for _ in range(n)],
                         penalty={c: [0.25] * n for c in names})


def sample_set(n):
    return zv.SampleSet(record(n), evaluation(n), zv.MeasuringTime(total=2.0), {"run": "bench"})


MAKERS = {"Record": record, "Evaluation": evaluation, "SampleSet": sample_set}


@functools.cache
def json_text(cls, n):
    return MAKERS[cls](n).to_json()


def from_json_rows():
    rows = []
    for cls in MAKERS:
        for n in (1_000, 10_000, 100_000):
            text = functools.partial(json_text, cls, n)
            ref = (f"orjson.loads({cls} text, {size_text(n)} samples)",
                   Timed("loads(text)", lambda t=text: {"loads": orjson.loads, "text": t()}, n, "sample"))
            rows.append(Row(f"{cls}.from_json, {size_text(n)} samples",
                            Timed("from_json(text)", lambda c=cls, t=text: {"from_json": getattr(zv, c).from_json,
                                                                           "text": t()}, n, "sample"), ref))
    return rows


def mid_size_result(samples=200, variables=5, constraints=3):
    """The dict form of a mid-size solver result, built in plain Python: sparse solutions of
    `variables` length-10 vectors, one evaluation entry per sample and per constraint."""
    solution = {
        f"x{v}": [[[[(s + k) % 10 for k in range(5)]], [1.0] * 5, [10]] for s in range(samples)]
        for v in range(variables)
    }
    names = [f"c{k}" for k in range(constraints)]
    evaluation = {
        "energy": [float(s) for s in range(samples)],
        "objective": [s * 0.5 for s in range(samples)],
        "constraint_violations": {c: [0.0] * samples for c in names},
        "constraint_forall": {c: [[i] for i in range(4)] for c in names},
        "constraint_values": [{c: [1.0, 2.0, 3.0, 4.0] for c in names} for _ in range(samples)],
        "penalty": {c: [0.25] * samples for c in names},
    }
    measuring_time = {"solve": {"preprocess": None, "solve": 1.5, "postprocess": None}, "system": {}, "total": 2.0}
    return {
        "record": {"solution": solution, "num_occurrences": [1] * samples},
        "evaluation": evaluation,
        "measuring_time": measuring_time,
        "metadata": {"run": "bench"},
    }


def mid_size_frame(result):
    """The table of `SampleSet.to_pandas()` for `result`, built directly with pandas."""
    record, evaluation = result["record"], result["evaluation"]
    samples = len(record["num_occurrences"])
    left = {f"solution[{name}]": [(tuple(i), v, tuple(s)) for i, v, s in entries]
            for name, entries in sorted(record["solution"].items())}
    left["num_occurrences"] = record["num_occurrences"]
    right = {
        "energy": evaluation["energy"],
        "objective": evaluation["objective"],
        "constraint_forall": [evaluation["constraint_forall"]] * samples,
        "constraint_values": evaluation["constraint_values"],
    }
    right.update({f"constraint_violation[{c}]": v for c, v in sorted(evaluation["constraint_violations"].items())})
    right.update({f"penalty[{c}]": v for c, v in sorted(evaluation["penalty"].items())})
    return pd.concat([pd.DataFrame.from_dict(left), pd.DataFrame.from_dict(right)], axis=1)


def pandas_rows():
    def make():
        result = mid_size_result()
        return {"s": zv.SampleSet.from_json(orjson.dumps(result).decode()), "result": result, "frame": mid_size_frame}
    return [Row("SampleSet.to_pandas(), 200 samples", Timed("s.to_pandas()", make),
                ("pandas DataFrame of the same table", Timed("frame(result)", make)))]


# Tables and dicts of 10^5 samples with the collector on, as users run, in a process that already holds
# 300 000 tracked objects (a full collection walks them all). timeit turns the collector off while it
# times: the "on" side turns it back on. `record` and `evaluation` are taken outside the timing, as
# reading them from the set copies them.
TABLE_SAMPLES = 100_000
HELD_OBJECTS = 300_000
# Against the same call with the collector off.
PAUSED_CALLS = {"SampleSet.to_dict()": "s.to_dict()", "Record.to_dict()": "record.to_dict()",
                "Evaluation.to_dict()": "evaluation.to_dict()", "Record.solution": "record.solution",
                "Evaluation.constraint_values": "evaluation.constraint_values",
                "Evaluation.constraint_expr_values": "evaluation.constraint_expr_values",
                "SampleSet.from_json, dense": "from_json(dense_text)"}
# pandas runs with the collector on, and the first objects it makes trigger a young collection that
# walks the table once: a table the caller keeps costs that walk however it was made. So a kept table
# is measured against its floor, the call with the collector off and then one young collection
# (gc.collect(0)) with the table alive; `young()` runs on both sides. Each run is timed alone, so that no
# earlier table is alive during the call and none is freed while the clock runs.
KEPT_TABLES = {"SampleSet.to_pandas()": "s.to_pandas()", "Record.to_pandas()": "record.to_pandas()",
               "Evaluation.to_pandas()": "evaluation.to_pandas()"}


@functools.cache
def held_objects():
    """Tracked objects kept for the rest of the run, made once for every row that asks for them."""
    return [[k] for k in range(HELD_OBJECTS)]


@functools.cache
def table_operands():
    s = sample_set(TABLE_SAMPLES)
    n, names = TABLE_SAMPLES, CONSTRAINT_NAMES
    floats = zv.Evaluation(energy=[float(k) for k in range(n)], objective=[k * 0.5 for k in range(n)],
                           constraint_violations={c: [0.0] * n for c in names},
                           penalty={c: [0.25] * n for c in names})
    columns = {"energy": floats.energy, "objective": floats.objective, "constraint_forall": None,
               "constraint_values": None,
               **{f"constraint_violation[{c}]": floats.constraint_violations[c] for c in names},
               **{f"penalty[{c}]": floats.penalty[c] for c in names}}
    # `young()` makes more objects than the young generation's threshold (700; 2 000 from 3.13)
    return {"held": held_objects(), "gc": gc, "young": lambda: [[] for _ in range(3_000)],
            "s": s, "record": s.record, "evaluation": s.evaluation, "floats": floats, "columns": columns,
            "from_dict": pd.DataFrame.from_dict, "from_json": zv.SampleSet.from_json,
            "dense_text": s.to_dense().to_json()}


def kept_name(name):
    return f"{name}, {size_text(TABLE_SAMPLES)} samples, gc on, kept through the next young collection"


def table_rows():
    rows, size = [], size_text(TABLE_SAMPLES)
    for name, call in PAUSED_CALLS.items():
        both = Alternated(["gc.enable()\n" + call, call], table_operands, TABLE_SAMPLES, "sample")
        rows.append(Row(f"{name}, {size} samples, gc on", both.side(0),
                        (f"{name}, {size} samples, gc off", both.side(1))))
    for name, call in KEPT_TABLES.items():
        both = Alternated([f"gc.enable()\nkept = {call}\nyoung()", f"kept = {call}\ngc.collect(0)\nyoung()"],
                          table_operands, TABLE_SAMPLES, "sample", number=1)
        rows.append(Row(kept_name(name), both.side(0),
                        (f"{name}, {size} samples, gc off, then gc.collect(0) with the table kept", both.side(1))))
    both = Alternated(["gc.enable()\nfloats.to_pandas()", "gc.enable()\nfrom_dict(columns)"], table_operands,
                      TABLE_SAMPLES, "sample")
    rows.append(Row(f"Evaluation.to_pandas(), float columns, {size} samples", both.side(0),
                    ("pandas.DataFrame.from_dict of the same columns as float64 arrays", both.side(1))))
    return rows


def table_bars():
    size = size_text(TABLE_SAMPLES)
    return [*[Bar(f"{name}, {size} samples, gc on", 1.5, f"{name} with the collector on <= 1.5x off, {size} samples")
              for name in PAUSED_CALLS],
            *[Bar(kept_name(name), 1.3, f"{name} kept through the next young collection, collector on <= 1.3x "
                  f"off plus one young collection, {size} samples") for name in KEPT_TABLES],
            Bar(f"Evaluation.to_pandas(), float columns, {size} samples", 2,
                f"Evaluation.to_pandas() of float columns <= 2x pandas' frame of float64 arrays, {size} samples")]


# Getters that hand out numpy arrays per sample, with the collector on, against a plain-Python loop that
# makes the same dicts, lists and arrays with numpy.empty, also with the collector on, in the process
# that holds the objects of held_objects(). Our arrays carry the values; numpy.empty's are left as they
# come. Each loop is checked once to make what its call returns (keys, lengths, shapes and dtypes).
ARRAY_SAMPLES = 100_000
ARRAY_CALLS = {  # row name: (call, the loop making the same objects, the loop's name)
    "Evaluation.constraint_values, 1 array per sample":
        ("evaluation.constraint_values", '[{"c": empty((3,), f64)} for _ in range(n)]',
         "numpy.empty loop making the same list of dicts, gc on"),
    "Evaluation.to_dict(), 1 array per sample":
        ("evaluation.to_dict()",
         '{"energy": empty((n,), f64), "objective": empty((n,), f64),\n'
         ' "constraint_violations": {"c": empty((n,), f64)}, "constraint_forall": {"c": empty((3, 1), u64)},\n'
         ' "constraint_values": [{"c": empty((3,), f64)} for _ in range(n)], "penalty": {"c": empty((n,), f64)}}',
         "numpy.empty loop making the same dict, gc on"),
    "Record.solution, dense, 2 arrays per sample":
        ("dense.solution", '{"x": [empty((3,), f64) for _ in range(n)], "y": [empty((3,), f64) for _ in range(n)]}',
         "numpy.empty loop making the same dict of lists, gc on"),
}


@functools.cache
def array_operands():
    """An evaluation of one constraint "c" over 3 points, so one 3-float array per sample, and a dense record
    of two variables x and y of 3 floats each."""
    n = ARRAY_SAMPLES
    evaluation = zv.Evaluation(energy=[float(k) for k in range(n)], objective=[k * 0.5 for k in range(n)],
                               constraint_violations={"c": [0.0] * n}, constraint_forall={"c": [[0], [1], [2]]},
                               constraint_values=[{"c": [1.0, 2.0, 3.0]} for _ in range(n)],
                               penalty={"c": [0.25] * n})
    value = numpy.array([1.0, 2.0, 3.0])
    dense = zv.Record({"x": [value] * n, "y": [value] * n}, [1] * n)
    return {"held": held_objects(), "gc": gc, "n": n, "empty": numpy.empty, "f64": numpy.dtype("float64"),
            "u64": numpy.dtype("uint64"), "evaluation": evaluation, "dense": dense}


def alike(a, b) -> bool:
    """Whether `a` and `b` are the same dicts (keys in order), lists and arrays (shapes and dtypes)."""
    if isinstance(a, numpy.ndarray):
        return type(b) is numpy.ndarray and a.shape == b.shape and a.dtype == b.dtype
    if isinstance(a, dict):
        return type(b) is dict and list(a) == list(b) and all(alike(a[k], b[k]) for k in a)
    if isinstance(a, list):
        return type(b) is list and len(a) == len(b) and all(alike(x, y) for x, y in zip(a, b))
    return type(a) is type(b)


def array_checked(call, loop):
    @functools.cache
    def make():
        operands = array_operands()
        if not alike(eval(call, operands), eval(loop, operands)):
            raise AssertionError(f"the loop does not make what {call} returns")
        return operands
    return make


def array_rows():
    rows, size = [], size_text(ARRAY_SAMPLES)
    for name, (call, loop, loop_name) in ARRAY_CALLS.items():
        both = Alternated(["gc.enable()\n" + call, "gc.enable()\n" + loop], array_checked(call, loop),
                          ARRAY_SAMPLES, "sample")
        rows.append(Row(f"{name}, {size} samples, gc on", both.side(0), (loop_name, both.side(1))))
    return rows


def array_bars():
    size = size_text(ARRAY_SAMPLES)
    return [Bar(f"{name}, {size} samples, gc on", 0.9,
                f"{name} <= 0.9x a numpy.empty loop making the same objects, {size} samples, gc on")
            for name in ARRAY_CALLS]


# A plain-Python loop reading a list of tuples of 24 references (232 bytes each).
WALK_LOOP = "loop over tuples of 232 bytes"


# ---- argument dispatch, SampleSet.to_json, degree analysis at scale, a long JSON name --------------

RECORD_TEXT_MIB = 200


class HeadroomUsed:
    """Bytes of address space that `Record.from_json` of a text with one `mib`-MiB name takes, in a
    child process whose address space may grow by 1 GiB from just before the read (MemoryError
    fails the row): the peak size after the read less the size before it."""

    kind = "bytes"
    per = ""

    def __init__(self, mib):
        self.mib = mib

    def run(self, opts):
        import subprocess
        script = f"""
import resource
import zorvane as zv
text = '{{"solution":{{"Sparse":{{"' + "x" * ({self.mib} << 20) + '":[]}}}},"num_occurrences":[1]}}'
def status(key):
    with open("/proc/self/status") as lines:
        return next(int(line.split()[1]) * 1024 for line in lines if line.startswith(key + ":"))
before = status("VmSize")
soft, hard = resource.getrlimit(resource.RLIMIT_AS)
cap = before + (1 << 30)
resource.setrlimit(resource.RLIMIT_AS, (cap if hard == resource.RLIM_INFINITY else min(cap, hard), hard))
record = zv.Record.from_json(text)
print(status("VmPeak") - before)
"""
        proc = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True)
        if proc.returncode != 0:
            raise RuntimeError(proc.stderr.strip().splitlines()[-1])
        return float(proc.stdout)


def dispatch_rows():
    """Reading arguments by their type rather than by failed attempts; SampleSet.to_json against
    orjson with the garbage collector on, as users run it; degree analysis per term at 10^4 and
    10^6 terms; the address space that reading a text with one 200 MiB name takes."""
    def operands():
        x, i = zv.BinaryVar("x", shape=[10]), zv.Element("i", belong_to=(0, 10))
        return {"C": zv.Constraint, "cond": x[i] <= 1, "i": i}

    def adds(kind, n=1_000):
        def make():
            x = zv.BinaryVar("x", shape=[2])
            e = x[0] + x[1]
            items = {"objective": [e] * n, "Constraint": [zv.Constraint(f"c{k}", e <= 1) for k in range(n)],
                     "CustomPenaltyTerm": [zv.CustomPenaltyTerm(f"t{k}", e) for k in range(n)]}[kind]
            return {"shared": zv.Problem("bench"), "extra": items}
        return Block(ADD_STMT, make, n, "add", prelude="problem = shared")

    def sums(n):
        @functools.cache
        def make():
            x, e = zv.BinaryVar("x", shape=[n]), 0
            for k in range(n):
                e += (k % 97 + 0.5) * x[k]
            return {"is_linear": zv.is_linear, "s": e}
        return make

    def to_json_operands(n):
        s = sample_set(n)
        return {"gc": gc, "s": s, "d": s.to_dict(), "dumps": orjson.dumps, "option": orjson.OPT_SERIALIZE_NUMPY}

    forall_i = ("Constraint(..., forall=i)", Timed('C("c", cond, forall=i)', operands))
    objective = "Problem += objective, 1 000 adds"
    rows = [Row("Constraint(..., forall=[i])", Timed('C("c", cond, forall=[i])', operands), forall_i),
            Row(objective, adds("objective")),
            Row("Problem += Constraint, 1 000 adds", adds("Constraint"), objective),
            Row("Problem += CustomPenaltyTerm, 1 000 adds", adds("CustomPenaltyTerm"), objective)]
    for n in (1_000, 10_000):
        make = functools.partial(to_json_operands, n)
        ref = (f"orjson.dumps(SampleSet dict form, {size_text(n)} samples, gc on)",
               Timed("gc.enable()\ndumps(d, option=option)", make, n, "sample"))
        rows.append(Row(f"SampleSet.to_json, {size_text(n)} samples, gc on", Timed("gc.enable()\ns.to_json()", make,
                                                                                    n, "sample"), ref))
    def tuples(n):  # 232 bytes per term (a tuple of 24 references), as a term of the sum holds about 210
        @functools.cache
        def make():
            return {"terms": [(k,) * 24 for k in range(n)]}
        return make

    small = "is_linear(sum), 10 000"
    rows += [Row(small, Timed("is_linear(s)", sums(10_000), 10_000, "term")),
             Row("is_linear(sum), 1 000 000", Timed("is_linear(s)", sums(1_000_000), 1_000_000, "term"), small)]
    rows += [Row(f"{WALK_LOOP}, {size_text(n)}", Timed("for t in terms:\n    t[-1]", tuples(n), n, "term"))
             for n in (10_000, 1_000_000)]
    rows += growth_rows("is_linear(sum)", 10_000, 1_000_000, WALK_LOOP)
    text = (f"text of a {RECORD_TEXT_MIB} MiB Record.from_json input",
            Held(lambda: None, lambda _: "x" * (RECORD_TEXT_MIB << 20), 1, ""))
    rows.append(Row(f"Record.from_json, one {RECORD_TEXT_MIB} MiB name: address space taken",
                    HeadroomUsed(RECORD_TEXT_MIB), text))
    return rows


# ---- node memory -------------------------------------------------------------------------------
#
# Each scenario runs in a fresh interpreter (a clean heap, RSS from /proc) and reports what it saw
# as JSON; the rows read its numbers. RSS is taken after glibc's malloc_trim(0), which hands freed
# heap pages back to the system (node pages go back by themselves), and before the small objects
# the interpreter's own arenas are grown once by as many plain Python objects.

CHILD_PRELUDE = """
import ctypes, gc, json, os, sys, time
import zorvane as zv
PAGE = os.sysconf("SC_PAGE_SIZE")
def rss():
    gc.collect()
    ctypes.CDLL(None).malloc_trim(0)
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * PAGE
def report(**values):
    print(json.dumps(values))
def warm_up(n):  # the interpreter's own small-object arenas grow once, and keep some of it
    kept = [(k, [k]) for k in range(n)]
    del kept
"""

KEPT = 100_000
MODEL_TERMS = 300_000
DROPPED_TERMS = 1_000_000

CHILD_SCENARIOS = {
    # 100 000 small expressions kept, read from bytes or built
    "decoded small": """
        data = zv.to_protobuf(2 * zv.BinaryVar("x") + zv.Placeholder("y"))
        warm_up(KEPT)
        start = rss()
        kept = [zv.from_protobuf(data) for _ in range(KEPT)]
        held = rss()
        del kept
        report(start=start, held=held - start, after=rss())""",
    "built small": """
        warm_up(KEPT)
        start = rss()
        kept = [2 * zv.BinaryVar("x") + zv.Placeholder("y") for _ in range(KEPT)]
        held = rss()
        del kept
        report(start=start, held=held - start, after=rss())""",
    # a problem with a 300 000-term objective, read from bytes or built
    "decoded model": """
        data = open(sys.argv[1], "rb").read()
        start = rss()
        kept = zv.from_protobuf(data)
        held = rss()
        del kept
        report(start=start, held=held - start, after=rss())""",
    "built model": """
        x = zv.BinaryVar("x", shape=[MODEL_TERMS])
        start = rss()
        e = 0
        for k in range(MODEL_TERMS):
            e += (k % 97 + 0.5) * x[k]
        kept = zv.Problem("model")
        kept += e
        del e
        held = rss()
        del kept
        report(start=start, held=held - start, after=rss())""",
    # is_linear of a 1 000-term sum before and right after a 10^6-term sum is dropped (best of 3)
    "drop": """
        x = zv.BinaryVar("x", shape=[DROPPED_TERMS])
        def sum_of(n):
            e = 0
            for k in range(n):
                e += (k % 97 + 0.5) * x[k]
            return e
        small = sum_of(1_000)
        def once():
            t = time.perf_counter()
            zv.is_linear(small)
            return (time.perf_counter() - t) * 1e9
        before = min(once() for _ in range(200))
        after = []
        for _ in range(3):
            big = sum_of(DROPPED_TERMS)
            del big
            after.append(once())
        report(before=before, after=min(after))""",
}


@functools.cache
def model_bytes_file():
    x = zv.BinaryVar("x", shape=[MODEL_TERMS])
    e = 0
    for k in range(MODEL_TERMS):
        e += (k % 97 + 0.5) * x[k]
    problem = zv.Problem("model")
    problem += e
    file = tempfile.NamedTemporaryFile(prefix="zorvane-bench-", suffix=".pb", delete=False)
    with file:
        file.write(zv.to_protobuf(problem))
    atexit.register(os.unlink, file.name)
    return file.name


@functools.cache
def child_run(scenario):
    script = (CHILD_PRELUDE + f"KEPT, MODEL_TERMS, DROPPED_TERMS = {KEPT}, {MODEL_TERMS}, {DROPPED_TERMS}\n"
              + textwrap.dedent(CHILD_SCENARIOS[scenario]))
    args = [model_bytes_file()] if scenario == "decoded model" else []
    out = subprocess.run([sys.executable, "-c", script, *args], capture_output=True, text=True, check=True).stdout
    return orjson.loads(out.splitlines()[-1])


class Child:
    """One number of a scenario run in a fresh interpreter (CHILD_SCENARIOS): bytes or ns."""

    def __init__(self, scenario, key, kind, per=""):
        self.scenario, self.key, self.kind, self.per = scenario, key, kind, per

    def run(self, opts):
        return child_run(self.scenario)[self.key]


@functools.cache
def protobuf_runtime():
    """The official runtime's class of the whole message (the schema in proto/ compiled by grpcio-tools' protoc)."""
    from grpc_tools import protoc
    schema = pathlib.Path(__file__).resolve().parent.parent / "proto" / "zorvane_model.proto"
    out = tempfile.mkdtemp(prefix="zorvane-bench-")
    if protoc.main(["protoc", f"-I{schema.parent}", f"--python_out={out}", str(schema)]) != 0:
        raise RuntimeError("protoc failed on " + str(schema))
    spec = importlib.util.spec_from_file_location("zorvane_model_pb2", pathlib.Path(out) / "zorvane_model_pb2.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module.Header


def allocator_rows():
    kept, terms = size_text(KEPT), size_text(MODEL_TERMS)
    small = {form: f"{kept} kept {form} small expressions [RSS]" for form in ("decoded", "built")}
    model = {form: f"{terms}-term {form} model [RSS]" for form in ("decoded", "built")}
    rows = [Row(small["decoded"], Child("decoded small", "held", "bytes"), small["built"]),
            Row(small["built"], Child("built small", "held", "bytes")),
            Row(model["decoded"], Child("decoded model", "held", "bytes"), model["built"]),
            Row(model["built"], Child("built model", "held", "bytes"))]
    for form in ("decoded", "built"):
        for what, scenario in ((f"{kept} {form} small expressions", f"{form} small"),
                               (f"the {terms}-term {form} model", f"{form} model")):
            rows.append(Row(f"RSS after dropping {what}", Child(scenario, "after", "bytes"),
                            (f"RSS before making {what}", Child(scenario, "start", "bytes"))))
    rows.append(Row("is_linear(1 000-term sum), right after dropping a 10^6-term sum", Child("drop", "after", "time"),
                    ("is_linear(1 000-term sum), before", Child("drop", "before", "time"))))
    runtime = "the protobuf runtime's"
    rows.append(Row("from_protobuf(the large problem)", Timed("from_protobuf(data)", decoding(big_problem)),
                    (f"{runtime} parse of the same bytes",
                     Timed("parse(data)", lambda: {"parse": protobuf_runtime().FromString, "data": big_bytes()}))))
    rows.append(Row("to_protobuf(the large problem)", Timed("to_protobuf(problem)", encoding(big_problem)),
                    (f"{runtime} serialise of the same message",
                     Timed("message.SerializeToString()",
                           lambda: {"message": protobuf_runtime().FromString(big_bytes())}))))
    return rows


def allocator_bars():
    kept, terms = size_text(KEPT), size_text(MODEL_TERMS)
    return [
        Bar(f"{kept} kept decoded small expressions [RSS]", 1.5, f"{kept} decoded small expressions <= 1.5x built (RSS)"),
        Bar(f"{terms}-term decoded model [RSS]", 1.2, f"a {terms}-term decoded model <= 1.2x built (RSS)"),
        *[Bar(f"RSS after dropping {what}", 1.1, f"RSS after dropping {what} within 10% of before (malloc_trim)")
          for what in (f"{kept} decoded small expressions", f"{kept} built small expressions",
                       f"the {terms}-term decoded model", f"the {terms}-term built model")],
        Bar("is_linear(1 000-term sum), right after dropping a 10^6-term sum", 5,
            "dropping a 10^6-term sum slows the next 1 000-term is_linear <= 5x"),
        Bar("from_protobuf(the large problem)", 2.5, "from_protobuf <= 2.5x the protobuf runtime's parse"),
        Bar("to_protobuf(the large problem)", 2.5, "to_protobuf <= 2.5x the protobuf runtime's serialise"),
    ]


# ---- protobuf input that fails --------------------------------------------------------------------

FAILING_RECORDS = 1_000_000


def varint(n):
    out = bytearray()
    while n > 0x7F:
        out.append(n & 0x7F | 0x80)
        n >>= 7
    return bytes(out) + bytes([n])


def delimited(field, payload):
    return varint(field << 3 | 2) + varint(len(payload)) + payload


# ExprNode records (proto/zorvane_model.proto) that cannot be built, by reason: (the records it refers
# to, the record). The records referred to read well: a literal 1 and a scalar placeholder p.
LITERAL_ONE = delimited(1, b"\x08\x02\x10\x01")
PLACEHOLDER_P = delimited(2, b"\x0a\x01p")
FAILING = {
    "a literal without a type": ((), delimited(1, b"")),
    "an unknown kind": ((LITERAL_ONE,), delimited(5, b"\x08\x63")),  # unary op of kind 99 over record 0
    "a missing field": ((LITERAL_ONE,), delimited(10, b"\x08\x01")),  # sum without its index
    "a bad id": ((), delimited(4, b"\x10" + varint(1 << 32))),  # array length of a record past the table
    "a wrong type": ((PLACEHOLDER_P, LITERAL_ONE), delimited(9, b"\x22\x01\x01")),  # p[1] of the scalar p
}


@functools.cache
def failing_table(reason):
    """An `expr` body of the records that the failing record refers to, then 10^6 copies of it. Its root is
    the first copy, so from_protobuf raises (once)."""
    referred, record = FAILING[reason]
    nodes = b"".join(delimited(3, node) for node in [*referred, *[record] * FAILING_RECORDS])
    expr = varint(2 << 3) + varint(len(referred)) + nodes  # root_id, expr_nodes
    return varint(2 << 3) + varint(1) + delimited(6, expr)  # version 1, the expr body


def failing_row_name(reason):
    return f"from_protobuf(10^6 records that fail: {reason})"


def failing_rows():
    call = "try:\n    from_protobuf(data)\nexcept ProtobufDeserializationError:\n    pass"
    rows = []
    for reason in FAILING:
        ours = Timed(call, lambda reason=reason: {"from_protobuf": zv.from_protobuf, "data": failing_table(reason),
                                                 "ProtobufDeserializationError": zv.ProtobufDeserializationError})
        runtime = Timed("parse(data)", lambda reason=reason: {"parse": protobuf_runtime().FromString,
                                                              "data": failing_table(reason)})
        rows.append(Row(failing_row_name(reason), ours, (f"the protobuf runtime's parse of those bytes ({reason})", runtime)))
    return rows


def failing_bars():
    return [Bar(failing_row_name(reason), 3, f"from_protobuf of 10^6 records with {reason} <= 3x the protobuf runtime's parse")
            for reason in FAILING]


# ---- all rows and references --------------------------------------------------------------------

def _globals(**values):
    return lambda: values


REFERENCES: dict = {
    "a + b (float globals)": Timed("a + b", _globals(a=1.5, b=2.5)),
    "float(1.5)": Timed("float(1.5)"),
    "repr(float)": Timed("repr(f)", _globals(f=1.5)),
    "repr(list of 100 000 floats)": Timed("repr(fs)", lambda: {"fs": [k * 1.5 for k in range(100_000)]}, 100_000,
                                          "item"),
    "pickle.dumps(tuple mirror of that problem)": Timed("dumps(mirror)", lambda: {"dumps": pickle.dumps,
                                                                                   "mirror": big_mirror()}),
    "pickle.loads(tuple mirror of that problem)": Timed("loads(data)", lambda: {"loads": pickle.loads,
                                                                                 "data": pickle.dumps(big_mirror())}),
    **loop_references(),
}

ROWS = (scalar_rows() + key_rows() + loop_rows() + memory_rows() + problem_rows() + codec_rows() + printer_rows()
        + from_json_rows() + pandas_rows() + name_rows() + allocator_rows() + failing_rows())
ROWS += dispatch_rows() + table_rows() + array_rows()


class Bar:
    """A goal: the row's ratio to its reference, measured in the same run, at most `limit`; with `alone`, the
    row's own value (a Growth: two sizes measured in the same run), whatever its reference does."""

    def __init__(self, row, limit, text, alone=False):
        self.row, self.limit, self.text, self.alone = row, limit, text, alone


BARS = [
    Bar("p + q", 10, "binary op between model objects <= 10x a + b of floats"),
    Bar("2 * p", 10, "binary op with a number <= 10x a + b of floats"),
    Bar("p[i] * x[i]", 15, "product of two subscripts <= 15x a + b of floats"),
    *[Bar(f"{one_key}, one key", 1.2, f"{one_key} <= 1.2x {two_keys}") for one_key, two_keys in KEY_FORMS],
    Bar("e = e + k * p_k, 100 000", 2, "loop building a sum linear (100 000 vs 1 000 per term)"),
    Bar("e += c * x_k: growth 1 000 to 100 000", 1.3,
        f"e += c * x per term, growth from 1 000 to 100 000 terms <= 1.3x that of a {APPEND_LOOP}"),
    Bar("e += c * x_k: growth 1 000 to 100 000", 2, "e += c * x per term, growth from 1 000 to 100 000 terms <= 2x",
        alone=True),
    Bar("e = e + k * p_k + 1, 100 000", 2, "loop building a sum with a constant linear (100 000 vs 1 000)"),
    Bar("m = m * (2 * p_k), 100 000", 2, "loop building a product linear (100 000 vs 1 000 per factor)"),
    Bar("sum c_k * X[k], 100 000 terms", 1.2, "memory per term of sum c_k * X[k] <= 1.2x the scalar-variable form"),
    Bar("Problem += Constraint, at 10 000 constraints", 2, "Problem += per add at 10 000 constraints <= 2x at 100"),
    Bar("Problem += Constraint, bounds 10 / 10.0, at 10 000 constraints", 2,
        "Problem += with a bound written 10 or 10.0 in turn: per add at 10 000 constraints <= 2x at 100"),
    Bar("Problem += Constraint, 10^5-term objective, at 1 000 constraints", 2,
        "adding 2 000 constraints next to a 10^5-term objective <= 2x next to none (per add, at the midpoint)"),
    Bar("to_protobuf(problem: 10^5-term objective, 2 000 constraints)", 2, "to_protobuf <= 2x pickle.dumps of a tuple mirror"),
    Bar("to_protobuf(problem of 2 000 constraints)", 2, "to_protobuf linear (2 000 vs 200 constraints)"),
    Bar("from_protobuf(problem of 2 000 constraints)", 2, "from_protobuf linear (2 000 vs 200 constraints)"),
    Bar("str(sum of 100 000)", 2, "str linear (100 000 vs 1 000 per term)"),
    Bar("repr(sum of 100 000)", 2, "repr linear (100 000 vs 1 000 per term)"),
    Bar("LaTeX(sum of 100 000)", 2, "LaTeX linear (100 000 vs 1 000 per term)"),
    *[Bar(f"{cls}.from_json, {size_text(n)} samples", 1.5, f"{cls}.from_json <= 1.5x orjson.loads, {size_text(n)} samples")
      for cls in MAKERS for n in (1_000, 10_000, 100_000)],
    *allocator_bars(),
    *failing_bars(),
]
DISPATCH_BARS = [
    Bar("Constraint(..., forall=[i])", 1.5, "Constraint(..., forall=[i]) <= 1.5x forall=i"),
    Bar("Problem += Constraint, 1 000 adds", 2, "Problem += Constraint <= 2x += objective"),
    Bar("Problem += CustomPenaltyTerm, 1 000 adds", 2, "Problem += CustomPenaltyTerm <= 2x += objective"),
    *[Bar(f"SampleSet.to_json, {size_text(n)} samples, gc on", 2,
          f"SampleSet.to_json <= 2x orjson.dumps of its dict form, {size_text(n)} samples, gc on") for n in (1_000, 10_000)],
    Bar("is_linear(sum): growth 10 000 to 1 000 000", 1.5,
        f"is_linear per term, growth from 10^4 to 10^6 terms <= 1.5x that of a {WALK_LOOP}"),
    Bar("is_linear(sum): growth 10 000 to 1 000 000", 2, "is_linear per term, growth from 10^4 to 10^6 terms <= 2x",
        alone=True),
    Bar(f"Record.from_json, one {RECORD_TEXT_MIB} MiB name: address space taken", (1 << 30) / (RECORD_TEXT_MIB << 20),
        f"Record.from_json of a {RECORD_TEXT_MIB} MiB one-name text within 1 GiB of address space"),
]
BARS += DISPATCH_BARS + table_bars() + array_bars()
assert {bar.row for bar in BARS} <= {row.name for row in ROWS}, "a bar names no row"


# ---- running ----------------------------------------------------------------------------------

class Results:
    """Values by row or reference name, measured on first use (a reference or a Rate's source may
    be a row that the filter left out)."""

    def __init__(self, opts):
        self.opts = opts
        self.measures = dict(REFERENCES)
        self.measures.update(row.own_reference for row in ROWS if row.own_reference)
        self.measures.update({row.name: row.measure for row in ROWS})
        self.values: dict = {}

    def get(self, name):
        if name not in self.values:
            measure = self.measures[name]
            try:
                if isinstance(measure, Rate):
                    seconds = self.get(measure.source) / 1e9
                    value = measure.size() / seconds / 1e6
                elif isinstance(measure, Growth):
                    value = self.get(measure.large) / self.get(measure.small)
                else:
                    value = measure.run(self.opts)
            except Exception as exc:  # a failing row is reported, the others still run
                value = exc
            self.values[name] = value
        value = self.values[name]
        if isinstance(value, Exception):
            raise value
        return value


def show(value, measure) -> str:
    per = f"/{measure.per}" if measure.per else ""
    if measure.kind == "rate":
        return f"{value:.1f} MB/s"
    if measure.kind == "ratio":
        return f"{value:.2f}x"
    if measure.kind == "bytes":
        return f"{value:.1f} B{per}"
    for scale, unit in ((1e6, "ms"), (1e3, "us")):
        if value >= 10 * scale:
            return f"{value / scale:.1f} {unit}{per}"
    return f"{value:.1f} ns{per}"


def main(argv=None) -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("-k", dest="filter", default="", help="only rows whose name contains this")
    ap.add_argument("--repeat", type=int, default=5, help="repeats per row (best is kept)")
    ap.add_argument("--min-time", type=float, default=0.2, help="seconds per repeat, at least")
    ap.add_argument("--strict", action="store_true", help="exit 1 if a row fails or a bar is missed")
    opts = ap.parse_args(argv)

    results = Results(opts)
    rows = [row for row in ROWS if opts.filter in row.name]
    print(f"zorvane {getattr(zv, '__version__', '?')} from {zv.__file__}")
    print(f"python {sys.version.split()[0]}, best of {opts.repeat} repeats\n")
    if not rows:
        print("(no rows selected)")
        return 0
    # Rows are printed as they are measured: a full run takes minutes.
    w_name = max(len(row.name) for row in rows)
    w_ref = max([len("reference")] + [len(row.reference or "") for row in rows])
    header = f"{'name':<{w_name}}  {'value':>16}  {'reference':<{w_ref}}  {'ref value':>16}  {'ratio':>7}"
    print(header)
    print("-" * len(header), flush=True)
    problems = 0
    for row in rows:
        value_text = ref_value = ratio = note = ""
        try:
            # the reference first: a row may continue the state its reference left (Problem +=)
            ref = results.get(row.reference) if row.reference else None
            value = results.get(row.name)
            value_text = show(value, row.measure)
            if row.reference:
                ref_value, ratio = show(ref, results.measures[row.reference]), f"{value / ref:.2f}x"
        except Exception as exc:
            note = f"error: {type(exc).__name__}: {exc}"
            problems += 1
        print(f"{row.name:<{w_name}}  {value_text or '-':>16}  {row.reference or '':<{w_ref}}  {ref_value:>16}  "
              f"{ratio:>7}  {note}".rstrip(), flush=True)
    if big_bytes.cache_info().currsize:
        print(f"\nthe large problem: {len(big_bytes()) / 1e6:.2f} MB of protobuf; "
              f"its tuple mirror pickles to {len(pickle.dumps(big_mirror())) / 1e6:.2f} MB")

    selected = {row.name: row for row in rows}
    bars = [bar for bar in BARS if bar.row in selected]
    if bars:
        print("\nbars")
    for bar in bars:
        row = selected[bar.row]
        try:
            ratio = results.get(row.name) / (1 if bar.alone else results.get(row.reference))
            ok, shown = ratio <= bar.limit, f"{ratio:.2f}x (<= {bar.limit:g}x)"
        except Exception:
            print(f"  MISS (row failed)  {bar.text}")
            problems += 1
            continue
        problems += 0 if ok else 1
        print(f"  {'ok  ' if ok else 'MISS'} {shown:>22}  {bar.text}")
    return 1 if (opts.strict and problems) else 0


if __name__ == "__main__":
    sys.exit(main())
