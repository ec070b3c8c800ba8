"""Small thread stacks: every tree algorithm keeps its own stack on the heap, so trees at the depth
limit are handled in a thread with a 32 KiB C stack exactly as on the main thread.

`same_on_a_small_stack(setup, calls)` is the one check: in a subprocess (a crash fails the test
instead of ending the run) it runs `setup`, then every named call on the main thread and again in a
small-stack thread, and compares the results. To cover more, add a setup to SHAPES or a call to
CALLS (or write a test of your own around the helper)."""

import textwrap

import pytest
import processes

STACK = 32 * 1024

PRELUDE = """
import threading
import zorvane as zv

N, p, q = zv.Placeholder("N"), zv.Placeholder("p"), zv.Placeholder("q")
a, b = zv.Placeholder("a", ndim=1), zv.Placeholder("b", ndim=2)
i = zv.Element("i", belong_to=(0, N))
x = zv.BinaryVar("x", shape=[N])
z = zv.ContinuousVar("z", lower_bound=0, upper_bound=1)
UNARY = [zv.abs, zv.ceil, zv.floor, zv.ln, zv.log2, zv.log10]


def refused(build):
    try:
        build()
    except RecursionError as error:
        assert "nested too deeply" in str(error), error
        return True
    return False


def tallest(seed, grow):
    # `seed`, grow(seed, 1), grow(grow(seed, 1), 2), ... until the depth limit refuses the next one.
    trees = [seed]
    while not refused(lambda: grow(trees[-1], len(trees))):
        trees.append(grow(trees[-1], len(trees)))
    return trees


def fitting(make, trees):
    # make(t) for each of `trees` (tallest last) that it fits; the tallest one that does not fit is
    # refused, so the last result is at the depth limit.
    made = [make(t) for t in trees if not refused(lambda: make(t))]
    assert len(made) < len(trees), "none refused: the results are below the depth limit"
    return made


def held(trees, wrap, forall=()):
    # A Constraint, a CustomPenaltyTerm and a Problem (objective, constraint, term) holding the
    # tallest wrap(t) that fits in all of them.
    for t in reversed(trees):
        if refused(lambda: zv.Constraint("c", wrap(t) <= 1, forall=list(forall))):
            continue
        e = wrap(t)
        constraint = zv.Constraint("c", e <= 1, forall=list(forall))
        term = zv.CustomPenaltyTerm("t", e, forall=list(forall))
        problem = zv.Problem("deep", sense=zv.ProblemSense.MAXIMIZE)
        problem += e if not forall else z
        problem += constraint
        problem += term
        return constraint, term, problem
    raise AssertionError("no tree fits")
"""

RUNNER = """
def outcome(call):
    try:
        return call()
    except BaseException as error:
        return f"{type(error).__name__}: {error}"


def run_all(into):
    into.extend(outcome(call) for _, call in CALLS)


on_main = []
run_all(on_main)
for (name, _), result in zip(CALLS, on_main):
    assert isinstance(result, str) and result, f"{name} on the main thread: {result!r}"[:2000]
on_small = []
threading.stack_size(STACK)
thread = threading.Thread(target=run_all, args=(on_small,))
thread.start()
thread.join()
assert len(on_small) == len(CALLS), "the small-stack thread stopped early"
different = [name for (name, _), ours, theirs in zip(CALLS, on_main, on_small) if ours != theirs]
assert not different, [(name, theirs[:300]) for (name, _), ours, theirs in zip(CALLS, on_main, on_small)
                       if ours != theirs]
print("OK", len(CALLS))
"""


def same_on_a_small_stack(setup, calls):
    """Runs `setup` (Python source over PRELUDE), then each `(name, expression source)` of `calls`
    on the main thread and in a thread with a STACK-byte C stack; every call must give a non-empty
    string on the main thread and the same result in the thread."""
    table = "CALLS = [\n" + "".join(f"    ({name!r}, lambda: {source}),\n" for name, source in calls) + "]\n"
    script = f"STACK = {STACK}\n" + PRELUDE + textwrap.dedent(setup) + table + RUNNER
    proc = processes.python(script)
    assert proc.returncode == 0, f"exit {proc.returncode}\n{proc.stdout[-2000:]}\n{proc.stderr[-4000:]}"
    assert proc.stdout.split() == ["OK", str(len(calls))], proc.stdout[-2000:]


# Each setup defines `trees` (the tallest last, at the depth limit), `holders` (a Constraint, a
# CustomPenaltyTerm and a Problem around the tallest that fits in them) and `rebuild`, which makes
# them again.
SHAPES = {
    "powers": """
        trees = tallest(p, lambda e, k: e ** q if k % 2 else q ** e)
        rebuild = lambda: held(trees, lambda t: z * t)
        holders = rebuild()
    """,
    "unary functions": """
        trees = tallest(p, lambda e, k: UNARY[k % len(UNARY)](e))
        rebuild = lambda: held(trees, lambda t: z * t)
        holders = rebuild()
    """,
    "sums and products with conditions": """
        trees = tallest(x[i] * a[i], lambda e, k: zv.sum((i, i != k % 5), e) if type(e) is zv.ProdOp
                        else zv.prod((i, (i <= k % 7) | (i == 2)), e - 1))
        rebuild = lambda: held(trees, lambda t: t)
        holders = rebuild()
    """,
    "subscripts": """
        trees = tallest(i, lambda e, k: a[e] if k % 3 else b[e, N - k])
        rebuild = lambda: held(trees, lambda t: x[t], forall=[i])
        holders = rebuild()
    """,
    "logical conditions": """
        trees = tallest(i != 1, lambda c, k: (c & (i <= k % 9)) if type(c) is not zv.AndOp
                        else ((i >= k % 4) | c) if k % 3 else (c ^ (i == 0)))
        trees = fitting(lambda c: zv.sum((i, c), 2 * a[i]), trees)
        rebuild = lambda: held(trees, lambda t: z * t)
        holders = rebuild()
    """,
    "min and max": """
        trees = tallest(p, lambda e, k: zv.min(e, q) if k % 2 else zv.max(q, e + 1))
        rebuild = lambda: held(trees, lambda t: z * t)
        holders = rebuild()
    """,
    "elements over deep ranges": """
        ends = tallest(p, lambda e, k: e ** q if k % 2 else e % 3)
        trees = fitting(lambda t: zv.Element("e", belong_to=(-t, t), latex="\\\\epsilon"), ends)
        rebuild = lambda: held(trees, lambda t: zv.prod((t, t != 2), x[t] + 1))
        holders = rebuild()
    """,
    "elements over deep subscripts": """
        rows = tallest(a[0], lambda e, k: a[e] if k % 2 else a[2 * e])
        trees = fitting(lambda t: zv.Element("e", belong_to=b[t], description="row"), rows)
        rebuild = lambda: held(trees, lambda t: zv.sum(t, x[t]))
        holders = rebuild()
    """,
    "decision variables with deep shapes and bounds": """
        sizes = tallest(N, lambda e, k: e ** q if k % 2 else e + N)
        trees = fitting(lambda t: zv.IntegerVar("v", shape=[t, N], lower_bound=-t, upper_bound=t), sizes)
        rebuild = lambda: held(trees, lambda t: t[0, 1] * z)
        holders = rebuild()
    """,
}

CALLS = [
    ("str", "str(trees[-1])"),
    ("repr", "repr(trees[-1])"),
    ("LaTeX", "trees[-1]._repr_latex_()"),
    ("str of a constraint", "str(holders[0])"),
    ("repr of a constraint", "repr(holders[0])"),
    ("LaTeX of a constraint", "holders[0]._repr_latex_()"),
    ("str of a penalty term", "str(holders[1])"),
    ("repr of a penalty term", "repr(holders[1])"),
    ("LaTeX of a penalty term", "holders[1]._repr_latex_()"),
    ("LaTeX of a problem", "holders[2]._repr_latex_()"),
]


# Everything else that takes a tree: builders, analysis, equality, rewriting, the constructors that
# check their parts, and `Problem +=` with its name check. `below` is one level under the limit,
# so a comparison or a sum still fits on top of it.
ANALYSIS = [
    ("comparison builders", "str([trees[-2] == trees[-2], trees[-2] <= 1, 2 >= trees[-2]])"),
    ("degree", "str([f(trees[-1]) for f in (zv.is_linear, zv.is_quadratic, zv.is_higher_order, zv.is_dynamic_degree)])"),
    ("is_same", "str([zv.is_same(t, t) for t in (trees[-1], *holders)])"),
    ("extract_nodes", "str([len(zv.extract_nodes(h, (zv.Placeholder, zv.Element, zv.Subscript))) for h in holders])"),
    ("extract_variables", "str([zv.extract_variables(h) for h in holders])"),
    ("replace", "str(zv.is_same(zv.replace(trees[-1], lambda n: n), trees[-1]))"),
    ("protobuf round trip", "str([zv.is_same(zv.from_protobuf(zv.to_protobuf(t)), t) for t in (trees[-1], *holders)])"),
    ("constructors and +=", "str([zv.is_same(ours, theirs) for ours, theirs in zip(rebuild(), holders)])"),
]


@pytest.mark.parametrize("shape", list(SHAPES))
def test_trees_at_the_limit_print_alike_on_a_small_stack(shape):
    same_on_a_small_stack(SHAPES[shape], CALLS)


@pytest.mark.parametrize("shape", list(SHAPES))
def test_trees_at_the_limit_are_analysed_alike_on_a_small_stack(shape):
    same_on_a_small_stack(SHAPES[shape], ANALYSIS)
