#!/usr/bin/env python3
"""Micro-benchmarks for zorvane.

Each row times a small callable with ``timeit`` (auto-ranged loop count, best
of several repeats) and compares it with a plain-Python reference measured in
the same run. Rows whose zorvane feature does not exist yet are skipped with a
note, so the runner works while the module is still being written.

    python bench/run.py                 # all rows
    python bench/run.py -k NumberLit    # rows whose name contains a substring
    python bench/run.py --repeat 9      # more repeats (default 5)
    python bench/run.py --strict        # exit 1 if any row is skipped or fails

To add a row, append ``(name, callable, reference_name)`` to ROWS (use
WithObject to time an operation on a prebuilt object, PerUnit to report the
time per item of a bulk operation); a new reference goes into REFERENCES as
``name: callable``. A reference name may also name an earlier row, whose
measurement is then reused (e.g. the same loop at a smaller size).

After the table, BARS lists the checks that the rows must meet (a ratio no
higher than a limit); --strict also fails when a bar is missed.
"""

from __future__ import annotations

import argparse
import pickle
import sys
import timeit

import orjson
import pandas as pd

import zorvane as zv


class FeatureMissing(Exception):
    """Raised by stand-ins for zorvane attributes that do not exist yet."""


def feature(name: str):
    """Return ``zv.<name>``, or a stand-in that raises FeatureMissing when called."""
    obj = getattr(zv, name, None)
    if obj is not None:
        return obj

    def missing(*_args, **_kwargs):
        raise FeatureMissing(f"zorvane.{name} is not available")

    return missing


class WithObject:
    """Row callable that applies ``op`` to an object built once, outside the
    timed loop (e.g. ``str(n)`` for a prebuilt ``n``). The object is built in
    ``prepare()``, so a missing feature only affects its own row."""

    def __init__(self, make, op):
        self.make = make
        self.op = op

    def prepare(self):
        obj = self.make()
        op = self.op
        return lambda: op(obj)


class PerUnit:
    """A bulk operation reported per item: the time of one call divided by
    ``units`` (e.g. ns per term added by a loop that adds ``units`` terms)."""

    def __init__(self, stmt, units):
        self.stmt = stmt
        self.units = units

    def prepare(self):
        return prepare(self.stmt)


def prepare(stmt):
    """The zero-argument callable to time for a row or reference."""
    return stmt.prepare() if isinstance(stmt, (WithObject, PerUnit)) else stmt


def units_of(stmt) -> int:
    return stmt.units if isinstance(stmt, PerUnit) else 1


NumberLit = feature("NumberLit")
Placeholder = feature("Placeholder")
Element = feature("Element")
BinaryVar = feature("BinaryVar")
zv_sum = feature("sum")
Problem = feature("Problem")
Constraint = feature("Constraint")
to_protobuf = feature("to_protobuf")
from_protobuf = feature("from_protobuf")


def float_pair(op):
    """A reference that applies ``op`` to two floats held in a closure (no constant folding)."""
    a, b = 1.5, 2.5
    return lambda: op(a, b)


def sum_operands():
    """``(i, p, x)`` for ``zv.sum(i, p[i] * x[i])``: x is a binary variable when the module has
    them, else a second placeholder."""
    i = Element("i", belong_to=(0, 10))
    p = Placeholder("p", ndim=1)
    x = BinaryVar("x", shape=[10]) if hasattr(zv, "BinaryVar") else Placeholder("x", ndim=1)
    return i, p, x


def model_tuples(constraints=40):
    """A mid-size model as nested tuples, one tuple per node: an objective and ``constraints``
    constraints over three placeholders, an element and a binary variable. ``build_model``
    turns it into a Problem; pickling the tuples is the plain-Python reference."""
    def s(k):
        return ("sum", ("*", ("*", ("[]", "w", "i"), ("[]", "x", "i")), ("n", k + 1)))

    objective = ("+", ("sum", ("*", ("[]", "v", "i"), ("[]", "x", "i"))), ("*", ("n", 2), ("p", "W")))
    rows = tuple((f"c{k}", ("<=", ("+", s(k), ("n", k)), ("+", ("p", "W"), ("n", k)))) for k in range(constraints))
    return ("problem", "bench", objective, rows)


def build_model(tuples):
    """The Problem that ``model_tuples`` describes."""
    w, v = Placeholder("w", ndim=1), Placeholder("v", ndim=1)
    i = Element("i", belong_to=(0, w.len_at(0)))
    names = {"w": w, "v": v, "W": Placeholder("W"), "i": i, "x": BinaryVar("x", shape=[w.len_at(0)])}

    def node(t):
        op, *args = t
        if op == "n":
            return args[0]
        if op == "p":
            return names[args[0]]
        if op == "[]":
            return names[args[0]][names[args[1]]]
        if op == "sum":
            return zv_sum(i, node(args[0]))
        left, right = node(args[0]), node(args[1])
        return {"+": lambda: left + right, "*": lambda: left * right, "<=": lambda: left <= right}[op]()

    _, name, objective, rows = tuples
    model = Problem(name)
    model += node(objective)
    for row_name, condition in rows:
        model += Constraint(row_name, node(condition))
    return model


MODEL_TUPLES = model_tuples()
PICKLED_MODEL = pickle.dumps(MODEL_TUPLES)

SampleSet = feature("SampleSet")


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


MID_RESULT = mid_size_result()
MID_TEXT = orjson.dumps(MID_RESULT).decode("utf-8")


def mid_size_frame():
    """The table of `SampleSet.to_pandas()` for MID_RESULT, built directly with pandas."""
    record, evaluation = MID_RESULT["record"], MID_RESULT["evaluation"]
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


def sample_set_from_json(text):
    return getattr(SampleSet, "from_json", SampleSet)(text)


# ---- arithmetic: operands and loops ----

def _pair():
    return Placeholder("p"), Placeholder("q")


def _loop_add(n):
    """``e = e + k * p_k`` over n prebuilt placeholders; one call builds the whole sum."""
    return WithObject(lambda: [Placeholder(f"p{k}") for k in range(n)], _build_by_add)


def _build_by_add(ps):
    e = 0
    for k, p in enumerate(ps, 1):
        e = e + k * p
    return e


def _loop_iadd(n):
    return WithObject(lambda: [Placeholder(f"p{k}") for k in range(n)], _build_by_iadd)


def _build_by_iadd(ps):
    e = 0
    for k, p in enumerate(ps, 1):
        e += k * p
    return e


def _loop_add_constant(n):
    """``e = e + k * p_k + 1``: a constant with every term (the sum's literal moves each time)."""
    return WithObject(lambda: [Placeholder(f"p{k}") for k in range(n)], _build_with_constant)


def _build_with_constant(ps):
    e = 0
    for k, p in enumerate(ps, 1):
        e = e + k * p + 1
    return e


def _loop_mul_constant(n):
    """``m = m * (2 * p_k)``: a product whose literal is multiplied with every factor."""
    return WithObject(lambda: [Placeholder(f"p{k}") for k in range(n)], _build_product)


def _build_product(ps):
    m = 1
    for p in ps:
        m = m * (2 * p)
    return m


def _float_loop(n):
    return WithObject(lambda: [float(k) for k in range(n)], _float_sum)


def _float_sum(fs):
    e = 0.0
    for k, f in enumerate(fs, 1):
        e = e + k * f
    return e


def _big_sum(n):
    return lambda: _build_by_add([Placeholder(f"x{k}") for k in range(n)])


def _latex(e):
    return e._repr_latex_()


def _floats_text(n):
    return WithObject(lambda: [k * 1.5 for k in range(n)], repr)


# Plain-Python references, measured in the same run as the rows that use them. A
# reference may also be the name of an earlier row (see the module doc).
REFERENCES = {
    "float(1.5)": lambda: float(1.5),
    "repr(1.5)": lambda: repr(1.5),
    "1.5 + 2.5": lambda: 1.5 + 2.5,
    "a * b (floats)": float_pair(lambda a, b: a * b),
    "a <= b (floats)": float_pair(lambda a, b: a <= b),
    "pickle.dumps(model tuples)": lambda: pickle.dumps(MODEL_TUPLES),
    "pickle.loads(model tuples)": lambda: pickle.loads(PICKLED_MODEL),
    "to_protobuf(model of 40) [ns/constraint]": PerUnit(WithObject(lambda: build_model(MODEL_TUPLES), to_protobuf), 40),
    "from_protobuf(model of 40) [ns/constraint]": PerUnit(WithObject(lambda: to_protobuf(build_model(MODEL_TUPLES)),
                                                                     from_protobuf), 40),
    "orjson.loads(mid-size result)": lambda: orjson.loads(MID_TEXT),
    "pandas DataFrame of mid-size result": mid_size_frame,
    # Two variables, so the compiler cannot fold the sum into a constant.
    "float + float": WithObject(lambda: (1.5, 2.5), lambda ab: ab[0] + ab[1]),
    "float loop, 1 000 [ns/term]": PerUnit(_float_loop(1_000), 1_000),
    "repr(list of 100 000 floats) [ns/item]": PerUnit(_floats_text(100_000), 100_000),
}

# (name, stmt_callable, reference_name). stmt_callable is a zero-argument
# callable, a WithObject for operations on a prebuilt object, or a PerUnit.
ROWS = [
    ("NumberLit(1.5)", lambda: NumberLit(1.5), "float(1.5)"),
    ("str(NumberLit(1.5))", WithObject(lambda: NumberLit(1.5), str), "repr(1.5)"),
    ("repr(NumberLit(1.5))", WithObject(lambda: NumberLit(1.5), repr), "repr(1.5)"),
    ("zv.sum(i, p[i] * x[i])", WithObject(sum_operands, lambda o: zv_sum(o[0], o[1][o[0]] * o[2][o[0]])),
     "a * b (floats)"),
    ("p[i] * q[i]", WithObject(lambda: (Element("i", belong_to=(0, 10)), Placeholder("p", ndim=1),
                                        Placeholder("q", ndim=1)),
                               lambda o: o[1][o[0]] * o[2][o[0]]), "a * b (floats)"),
    ("e <= 3", WithObject(lambda: Placeholder("e") + 1, lambda e: e <= 3), "a <= b (floats)"),
    ("to_protobuf(model)", WithObject(lambda: build_model(MODEL_TUPLES), to_protobuf), "pickle.dumps(model tuples)"),
    ("from_protobuf(model bytes)", WithObject(lambda: to_protobuf(build_model(MODEL_TUPLES)), from_protobuf),
     "pickle.loads(model tuples)"),
    # per constraint, a model ten times larger against the mid-size one
    ("to_protobuf(model of 400) [ns/constraint]",
     PerUnit(WithObject(lambda: build_model(model_tuples(400)), to_protobuf), 400),
     "to_protobuf(model of 40) [ns/constraint]"),
    ("from_protobuf(model of 400) [ns/constraint]",
     PerUnit(WithObject(lambda: to_protobuf(build_model(model_tuples(400))), from_protobuf), 400),
     "from_protobuf(model of 40) [ns/constraint]"),
    ("SampleSet.from_json(mid-size result)", lambda: sample_set_from_json(MID_TEXT), "orjson.loads(mid-size result)"),
    ("SampleSet.to_pandas(mid-size result)", WithObject(lambda: sample_set_from_json(MID_TEXT), lambda s: s.to_pandas()),
     "pandas DataFrame of mid-size result"),
    # one binary operation between model objects (operands prebuilt)
    ("p + q", WithObject(_pair, lambda pq: pq[0] + pq[1]), "float + float"),
    ("2 * p", WithObject(_pair, lambda pq: 2 * pq[0]), "float + float"),
    ("p * 2.5", WithObject(_pair, lambda pq: pq[0] * 2.5), "float + float"),
    ("(p + q) + r", WithObject(lambda: (Placeholder("p") + Placeholder("q"), Placeholder("r")),
                               lambda sr: sr[0] + sr[1]), "float + float"),
    # a sum built term by term in a Python loop: per added term, and the ratio between sizes
    ("e = e + k * p_k, 1 000 [ns/term]", PerUnit(_loop_add(1_000), 1_000), "float loop, 1 000 [ns/term]"),
    ("e = e + k * p_k, 100 000 [ns/term]", PerUnit(_loop_add(100_000), 100_000),
     "e = e + k * p_k, 1 000 [ns/term]"),
    ("e += k * p_k, 1 000 [ns/term]", PerUnit(_loop_iadd(1_000), 1_000), "float loop, 1 000 [ns/term]"),
    ("e += k * p_k, 100 000 [ns/term]", PerUnit(_loop_iadd(100_000), 100_000), "e += k * p_k, 1 000 [ns/term]"),
    ("e = e + k * p_k + 1, 1 000 [ns/term]", PerUnit(_loop_add_constant(1_000), 1_000),
     "float loop, 1 000 [ns/term]"),
    ("e = e + k * p_k + 1, 100 000 [ns/term]", PerUnit(_loop_add_constant(100_000), 100_000),
     "e = e + k * p_k + 1, 1 000 [ns/term]"),
    ("m = m * (2 * p_k), 1 000 [ns/factor]", PerUnit(_loop_mul_constant(1_000), 1_000),
     "float loop, 1 000 [ns/term]"),
    ("m = m * (2 * p_k), 100 000 [ns/factor]", PerUnit(_loop_mul_constant(100_000), 100_000),
     "m = m * (2 * p_k), 1 000 [ns/factor]"),
    # printing a sum: per term, and the ratio between sizes
    ("str(sum of 1 000) [ns/term]", PerUnit(WithObject(_big_sum(1_000), str), 1_000),
     "repr(list of 100 000 floats) [ns/item]"),
    ("str(sum of 100 000) [ns/term]", PerUnit(WithObject(_big_sum(100_000), str), 100_000),
     "str(sum of 1 000) [ns/term]"),
    ("repr(sum of 1 000) [ns/term]", PerUnit(WithObject(_big_sum(1_000), repr), 1_000),
     "repr(list of 100 000 floats) [ns/item]"),
    ("repr(sum of 100 000) [ns/term]", PerUnit(WithObject(_big_sum(100_000), repr), 100_000),
     "repr(sum of 1 000) [ns/term]"),
    ("LaTeX(sum of 1 000) [ns/term]", PerUnit(WithObject(_big_sum(1_000), _latex), 1_000),
     "repr(list of 100 000 floats) [ns/item]"),
    ("LaTeX(sum of 100 000) [ns/term]", PerUnit(WithObject(_big_sum(100_000), _latex), 100_000),
     "LaTeX(sum of 1 000) [ns/term]"),
]

# (row name, highest allowed ratio to its reference, what the bar says)
BARS = [
    ("p + q", 10.0, "binary op between model objects <= 10x float + float"),
    ("2 * p", 10.0, "binary op with a number <= 10x float + float"),
    ("e = e + k * p_k, 100 000 [ns/term]", 2.0, "loop building linear (100 000 vs 1 000 per term)"),
    ("e += k * p_k, 100 000 [ns/term]", 2.0, "loop building linear with += (100 000 vs 1 000 per term)"),
    ("e = e + k * p_k + 1, 100 000 [ns/term]", 2.0,
     "loop building linear with a constant per term (100 000 vs 1 000 per term)"),
    ("m = m * (2 * p_k), 100 000 [ns/factor]", 2.0,
     "loop building a product linear (100 000 vs 1 000 per factor)"),
    ("str(sum of 100 000) [ns/term]", 2.0, "str linear (100 000 vs 1 000 per term)"),
    ("repr(sum of 100 000) [ns/term]", 2.0, "repr linear (100 000 vs 1 000 per term)"),
    ("LaTeX(sum of 100 000) [ns/term]", 2.0, "LaTeX linear (100 000 vs 1 000 per term)"),
    ("to_protobuf(model of 400) [ns/constraint]", 2.0, "to_protobuf linear (400 vs 40 constraints)"),
    ("from_protobuf(model of 400) [ns/constraint]", 2.0, "from_protobuf linear (400 vs 40 constraints)"),
]


def measure(stmt, repeat: int, min_time: float) -> float:
    """Best time per call (per unit for a PerUnit) in nanoseconds."""
    fn = prepare(stmt)
    timer = timeit.Timer(fn)
    number, elapsed = timer.autorange()
    # autorange stops at >= 0.2 s; scale up for a steadier reading if asked.
    if elapsed < min_time:
        number = max(number, int(number * min_time / max(elapsed, 1e-9)))
    best = min(timer.repeat(repeat=repeat, number=number))
    return best / number * 1e9 / units_of(stmt)


def main(argv=None) -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("-k", dest="filter", default="", help="only rows whose name contains this")
    ap.add_argument("--repeat", type=int, default=5, help="repeats per row (best is kept)")
    ap.add_argument("--min-time", type=float, default=0.2, help="seconds per repeat, at least")
    ap.add_argument("--strict", action="store_true", help="exit 1 if any row is skipped or fails")
    args = ap.parse_args(argv)

    rows = [r for r in ROWS if args.filter in r[0]]
    ref_ns: dict[str, float] = {}
    results = []  # (name, ns|None, ref_name, ref_ns|None, note)
    problems = 0

    for name, stmt, ref_name in rows:
        try:
            prepare(stmt)()  # one untimed call: surfaces missing features and errors
        except FeatureMissing as exc:
            results.append((name, None, ref_name, None, f"skipped: {exc}"))
            problems += 1
            continue
        except Exception as exc:  # feature present but not working yet
            results.append((name, None, ref_name, None, f"error: {type(exc).__name__}: {exc}"))
            problems += 1
            continue
        ns = measure(stmt, args.repeat, args.min_time)
        if ref_name not in ref_ns:
            ref_stmt = REFERENCES.get(ref_name) or next(s for n, s, _ in ROWS if n == ref_name)
            ref_ns[ref_name] = measure(ref_stmt, args.repeat, args.min_time)
        ref_ns.setdefault(name, ns)  # a later row may use this one as its reference
        results.append((name, ns, ref_name, ref_ns[ref_name], ""))

    print(f"zorvane {getattr(zv, '__version__', '?')} from {zv.__file__}")
    print(f"python {sys.version.split()[0]}, best of {args.repeat} repeats\n")
    w_name = max([len("name")] + [len(r[0]) for r in results])
    w_ref = max([len("reference")] + [len(r[2]) for r in results])
    header = f"{'name':<{w_name}}  {'ns/op':>10}  {'reference':<{w_ref}}  {'ref ns/op':>10}  {'ratio':>7}"
    print(header)
    print("-" * len(header))
    for name, ns, ref_name, rns, note in results:
        if ns is None:
            print(f"{name:<{w_name}}  {'-':>10}  {ref_name:<{w_ref}}  {'-':>10}  {'-':>7}  {note}")
        else:
            print(f"{name:<{w_name}}  {ns:>10.1f}  {ref_name:<{w_ref}}  {rns:>10.1f}  {ns / rns:>6.2f}x")
    if not results:
        print("(no rows selected)")

    measured = {name: (ns, rns) for name, ns, _, rns, _ in results if ns is not None}
    bars = [bar for bar in BARS if bar[0] in measured]
    if bars:
        print("\nbars")
        for name, limit, text in bars:
            ns, rns = measured[name]
            ok = ns / rns <= limit
            problems += 0 if ok else 1
            print(f"  {'ok  ' if ok else 'MISS'} {ns / rns:6.2f}x (<= {limit:g}x)  {text}")
    printing = [(name, ns) for name, (ns, _) in measured.items() if "sum of 100 000" in name]
    if printing:
        print("\nprinting a sum of 100 000 terms")
        for name, ns in printing:
            print(f"  {name.split('(')[0]:<6} {ns * 100_000 / 1e6:8.1f} ms per 100 000 terms")
    return 1 if (args.strict and problems) else 0


if __name__ == "__main__":
    sys.exit(main())
