"""Builders, hypothesis strategies and a memory check shared by the tests of records, evaluations, timing records,
sample sets and protobuf, and a corpus of model objects (every node kind, variable kind, bound type, forall lists with
conditions, penalty terms, problems) shared by the protobuf, interop and LaTeX tests."""
import gc
import os
import sys
import tracemalloc

import numpy as np
from hypothesis import strategies as st
from hypothesis.extra import numpy as hnp

import zorvane as zv

# The record of the Record class documentation, in both forms.
DENSE_X = [np.array([[0.0, 1.0, 0.0], [2.0, 0.0, 3.0]]), np.array([[1.0, 0.0, 0.0], [2.0, 3.0, 4.0]])]
DENSE_Y = [np.array([0.0, 0.0, 1.0]), np.array([0.0, 1.0, 0.0])]
SPARSE_X = [(([0, 1, 1], [1, 0, 2]), [1.0, 2.0, 3.0], (2, 3)),
            (([0, 1, 1, 1], [0, 0, 1, 2]), [1.0, 2.0, 3.0, 4.0], (2, 3))]
SPARSE_Y = [(([2],), [1.0], (3,)), (([1],), [1.0], (3,))]
SOLVING_FIELDS = ["preprocess", "solve", "postprocess"]
SYSTEM_FIELDS = ["post_problem_and_instance_data", "request_queue", "fetch_problem_and_instance_data",
                 "fetch_result", "deserialize_solution"]
NOT_A_SOLUTION = ("Failed to extract a solution. The solution must be a dict of str to a list of numpy.ndarray "
                  "or Tuple[List[List[int]], List[int|float], Tuple[int,..]].")
EVALUATION_FIELDS = ["energy", "objective", "constraint_violations", "constraint_forall", "constraint_values",
                     "penalty"]


def dense_record():
    return zv.Record({"x": DENSE_X, "y": DENSE_Y}, [1, 2])


def sparse_record():
    return zv.Record({"x": SPARSE_X, "y": SPARSE_Y}, [1, 2])


def full_evaluation():
    return zv.Evaluation(energy=[1.0, 2.0], objective=[3.0, 4.0], constraint_violations={"b": [0.0, 1.0], "a": [1.0, 0.0]},
                         constraint_forall={"a": [[0, 1], [1, 0]]}, constraint_values=[{"a": [5.0, 6.0]}, {"a": [7.0, 8.0]}],
                         penalty={"a": [0.5, 0.25]})


def samples_record(n=3):  # n sparse samples of "x" (shape (2,)), each seen once
    return zv.Record({"x": [(([i % 2],), [1.0], (2,)) for i in range(n)]}, [1] * n)


def sample_set(violations=None, objective=None, n=3, metadata=None, **evaluation):  # sample i: energy 10 + i, objective i
    e = zv.Evaluation(energy=[10.0 + i for i in range(n)],
                      objective=[float(i) for i in range(n)] if objective is None else objective,
                      constraint_violations={"c": [0.0] * n} if violations is None else violations,
                      **{"penalty": {"c": [0.5] * n}, **evaluation})
    return zv.SampleSet(samples_record(n), e, zv.MeasuringTime(total=1.0), metadata)


def empty_set(metadata=None):
    return zv.SampleSet(zv.Record({}, []), zv.Evaluation(), zv.MeasuringTime(), metadata)


def kept(s):  # the samples a selection kept, read back from their energies
    return [int(v) - 10 for v in s.evaluation.energy]


UNDER_ASAN = "libasan" in os.environ.get("LD_PRELOAD", "")


def resident_kb():
    with open("/proc/self/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


def assert_no_leak(churn, *watched, rounds=300):
    """Repeating `churn()` leaves the reference counts of `watched`, the memory Python traces and (but under
    AddressSanitizer, whose allocator holds on to freed memory) the resident set as they were. Caches may fill
    in the first two rounds of `rounds` calls; in the third nothing grows: a leak would grow in every one."""
    tracemalloc.start()
    state = []
    for _ in range(3):
        for _ in range(rounds):
            churn()
        gc.collect()
        state.append((tracemalloc.get_traced_memory()[0], resident_kb(), [sys.getrefcount(o) for o in watched]))
    tracemalloc.stop()
    (traced, resident, refs), (traced_after, resident_after, refs_after) = state[1:]
    assert refs_after == refs and traced_after - traced < 32 * 1024
    assert UNDER_ASAN or resident_after - resident < 5_000


# ---- strategies ----

finite = st.floats(allow_nan=False, allow_infinity=False)
times = st.one_of(st.none(), finite)
names = st.text(max_size=5)
u64 = st.integers(0, 2**64 - 1)


def measuring_times_of(times):
    return st.builds(zv.MeasuringTime, st.builds(zv.SolvingTime, times, times, times),
                     st.builds(zv.SystemTime, times, times, times, times, times), times)


def coo_entries_of(values):  # a sparse entry: k coordinates within its shape and k values
    return st.lists(st.integers(1, 4), max_size=3).flatmap(lambda shape: st.integers(0, 4).flatmap(
        lambda k: st.tuples(st.tuples(*[st.lists(st.integers(0, n - 1), min_size=k, max_size=k) for n in shape]),
                            st.lists(values, min_size=k, max_size=k), st.just(tuple(shape)))))


measuring_times = measuring_times_of(times)
coo_entries = coo_entries_of(finite)
dense_arrays = hnp.arrays(np.float64, hnp.array_shapes(min_dims=0, max_dims=3, min_side=0, max_side=3), elements=finite)
sparse_records = st.builds(zv.Record, st.dictionaries(names, st.lists(coo_entries, max_size=3), max_size=3),
                           st.lists(u64, max_size=4))
dense_records = st.builds(zv.Record, st.dictionaries(names, st.lists(dense_arrays, min_size=1, max_size=3), max_size=3),
                          st.lists(u64, max_size=4))
forall_maps = st.dictionaries(names, st.integers(1, 3).flatmap(  # rows of one width per name
    lambda width: st.lists(st.lists(u64, min_size=width, max_size=width), max_size=3)), max_size=3)


def evaluations_of(values):
    lists = st.lists(values, max_size=4)
    maps = st.dictionaries(names, lists, max_size=3)
    return st.builds(zv.Evaluation, lists, lists, maps, forall_maps, st.lists(maps, max_size=3), maps)


evaluations = evaluations_of(finite)
metadata = st.dictionaries(names, st.one_of(st.integers(-100, 100), names, st.lists(finite, max_size=2)), max_size=3)
# The JSON form of a sample set writes dense arrays as nested lists, which tell the array back when it has an axis of
# length 0 only last; [[], [], []], an array of shape (3, 0), reads as a sparse entry first (as in the constructor).
listed_shapes = st.one_of(st.just(()), st.tuples(st.lists(st.integers(1, 3), max_size=2), st.integers(0, 3)).map(
    lambda parts: (*parts[0], parts[1])).filter(lambda shape: shape != (3, 0)))


def sample_sets_of(values):
    """Sample sets whose every float (record, evaluation, times) is drawn from `values`."""
    listed_arrays = listed_shapes.flatmap(lambda shape: hnp.arrays(np.float64, shape, elements=values))
    listed_dense_records = st.builds(zv.Record, st.dictionaries(names, st.lists(listed_arrays, min_size=1, max_size=3),
                                                                min_size=1, max_size=3), st.lists(u64, max_size=4))
    sparse_records = st.builds(zv.Record, st.dictionaries(names, st.lists(coo_entries_of(values), max_size=3),
                                                          max_size=3), st.lists(u64, max_size=4))
    return st.builds(zv.SampleSet, st.one_of(sparse_records, listed_dense_records), evaluations_of(values),
                     measuring_times_of(st.one_of(st.none(), values)), metadata)


sample_sets = sample_sets_of(finite)


# ---- a corpus of model objects ----

a, b = zv.Placeholder("a", latex="A", description="scalar"), zv.Placeholder("b")
p, q, r = zv.Placeholder("p", ndim=1), zv.Placeholder("q", ndim=2), zv.Placeholder("r", ndim=3)
N = p.len_at(0)
i, j = zv.Element("i", belong_to=(0, N), description="items"), zv.Element("j", belong_to=p)
k, e3 = zv.Element("k", belong_to=q), zv.Element("e3", belong_to=r)
x, y = zv.BinaryVar("x", shape=[N]), zv.IntegerVar("y", shape=[N], lower_bound=0, upper_bound=p)
z = zv.ContinuousVar("z", shape=[N, 2], lower_bound=-1.5, upper_bound=q)
s = zv.SemiIntegerVar("s", shape=[2], lower_bound=1, upper_bound=q[i])
c = zv.SemiContinuousVar("c", lower_bound=a, upper_bound=a + 1)

EXPRESSIONS = {
    "NumberLit": zv.NumberLit(7), "placeholder": a, "element over a range": zv.Element("t", belong_to=(1, 5)),
    "element over a placeholder": j, "element over an element": zv.Element("l", belong_to=k),
    "element over a subscripted placeholder": zv.Element("m", belong_to=q[0]),
    "element over a subscripted element": zv.Element("n", belong_to=e3[0]),
    "binary var": zv.BinaryVar("bv"), "integer var": zv.IntegerVar("iv", lower_bound=-3, upper_bound=b),
    "continuous var": zv.ContinuousVar("cv", lower_bound=0.5, upper_bound=1e300),
    "semi-integer var": zv.SemiIntegerVar("sv", lower_bound=2, upper_bound=9), "semi-continuous var": c,
    "subscripted placeholder": p[i], "2-d subscript": q[i, j + 1], "nested subscript": q[i][j],
    "subscripted element": k[0], "subscripted binary var": x[i], "subscripted integer var": y[i],
    "subscripted continuous var": z[i, 1], "subscripted semi-integer var": s[0], "length of a placeholder": N,
    "integer var with a placeholder lower bound": zv.IntegerVar("w", shape=[N], lower_bound=p, upper_bound=q[0])[i],
    "semi-integer var with a subscripted lower bound": zv.SemiIntegerVar("u", shape=[2], lower_bound=q[i],
                                                                         upper_bound=p)[1],
    "length along the second axis": q.len_at(1),
    "length of an element": k.len_at(0), "length of a subscript": q[i].len_at(0),
    "length of a subscripted element": e3[0].len_at(0),
    **{f.__name__: f(a + 1) for f in (zv.abs, zv.ceil, zv.floor, zv.ln, zv.log2, zv.log10)},
    "power": x[i] ** 2, "remainder": a % 3, "division": a / b, "sum of terms": a + x[i] + 1,
    "product of terms": 2 * a * x[i], "min": zv.min(a, b, 3), "max": zv.max(a, 1.5), "sum": zv.sum(i, p[i] * x[i]),
    "conditional sum": zv.sum((i, (i != 0) & (p[i] > 1)), x[i]),
    "nested sums": zv.sum([i, (j, j != i)], q[i, j] * x[i]), "prod": zv.prod(i, p[i] + a),
    "sliced variable": x[:].sum(), "shared subtrees": (a + x[i]) * (a + x[i]) - zv.abs(b) * zv.abs(b),
}
CONDITIONS = {
    "==": x[i] == 1, "!=": a != b, "<": a < b, "<=": x[i] <= p[i], ">": a > 0, ">=": zv.sum(i, x[i]) >= 1,
    "and": (a == 1) & (b == 2), "or": (a == 1) | (b <= 2), "xor": (a == 1) ^ (b >= 2),
    "nested": ((a == 1) & (b == 2)) | ((a < b) ^ (a > b)),
}


def problem():
    model = zv.Problem("knapsack", sense=zv.ProblemSense.MAXIMIZE)
    model += zv.sum(i, p[i] * x[i])
    model += zv.Constraint("capacity", zv.sum(i, q[i, 0] * x[i]) <= a)
    model += zv.Constraint("pairs", x[i] + y[j] >= 1, forall=[i, (j, (j != i) & (j < 3))])
    model += zv.CustomPenaltyTerm("one", (zv.sum(i, x[i]) - 1) ** 2)
    model += zv.CustomPenaltyTerm("each", (x[i] - 1) ** 2, forall=i)
    return model


MODELS = {
    "problem": problem(), "empty problem": zv.Problem("empty"), "constraint": zv.Constraint("c", zv.sum(i, x[i]) == 1),
    "constraint with forall": zv.Constraint("c", x[i] <= p[i], forall=[(i, i > 0)]), "empty name": zv.Constraint("", c == 1),
    "penalty": zv.CustomPenaltyTerm("t", (x[i] - 1) ** 2, forall=[i]),
    "any script": zv.CustomPenaltyTerm("péno ✓ 罰", zv.SemiContinuousVar("変数", lower_bound=0, upper_bound=1)),
}
