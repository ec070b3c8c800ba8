"""Successful calls of every kind, in groups, for tests/test_no_throw.py: every call here succeeds, so none may throw
a C++ exception. Run as a script with tests/throw_counter.cpp preloaded, it writes the throws of each group (and any
Python error a group raised, which is a fault of this corpus) as JSON.

    LD_PRELOAD=throw_counter.so python tests/success_corpus.py throw_counter.so out.json [group ...]

The operands and models that most groups share are built once before the groups run, uncounted: the groups "io models
corpus" and "operands" build them again, counted, so that each other group counts only its own subject."""
import contextlib
import ctypes
import functools
import importlib
import io
import json
import math
import operator
import runpy
import sys
import traceback
from pathlib import Path

import numpy as np

import zorvane as zv

EXAMPLES = Path(__file__).resolve().parent.parent / "examples"
BINARY = [operator.add, operator.sub, operator.mul, operator.truediv, operator.pow, operator.mod]
COMPARE = [operator.eq, operator.ne, operator.lt, operator.le, operator.gt, operator.ge]
UNARY = [zv.abs, zv.ceil, zv.floor, zv.log2, zv.log10, zv.ln]
BOUNDED = [zv.IntegerVar, zv.ContinuousVar, zv.SemiIntegerVar, zv.SemiContinuousVar]
GROUPS = {}


def group(function):
    GROUPS[function.__name__.replace("_", " ")] = function
    return function


def models():
    import io_models  # its corpus of every node kind and model object
    return io_models


@functools.cache
def leaves():
    return make_leaves()


def make_leaves():
    """Scalar operands of every class."""
    p, q = zv.Placeholder("p", ndim=1), zv.Placeholder("q", ndim=2)
    i, j = zv.Element("i", belong_to=p), zv.Element("j", belong_to=(0, p.len_at(0)))
    x = zv.BinaryVar("x", shape=[p.len_at(0)])
    return {
        "int": 3, "bool": True, "float": 2.5, "numpy int": np.int64(4), "numpy float": np.float64(0.5), "NumberLit": zv.NumberLit(7),
        "float NumberLit": zv.NumberLit(1.5), "Placeholder": zv.Placeholder("a"), "Element": i, "Subscript": p[i], "2-d Subscript": q[i, j],
        "ArrayLength": p.len_at(0), "BinaryVar": zv.BinaryVar("b"), "IntegerVar": zv.IntegerVar("n", lower_bound=0, upper_bound=5),
        "ContinuousVar": zv.ContinuousVar("c", lower_bound=-1, upper_bound=1.5), "subscripted var": x[i],
        "AddOp": p[i] + 1, "MulOp": 2 * p[i], "PowOp": p[i] ** 2, "ModOp": p[i] % 2, "AbsOp": zv.abs(p[i]), "MinOp": zv.min(p[i], 1),
        "SumOp": zv.sum(j, q[i, j]), "ProdOp": zv.prod(j, q[i, j] + 1), "sliced sum": x[:].sum(),
    }


def is_number(value):
    return isinstance(value, (int, float, np.number))


@group
def io_models_corpus():
    importlib.reload(models())


@group
def operands():
    make_leaves()


@group
def numbers_and_placeholders():
    for value in [0, -1, 2**70, 1.5, math.nan, math.inf, -0.0, True, np.int32(3), np.float32(0.25), np.uint64(2**63)]:
        zv.NumberLit(value)
    zv.NumberLit(value=3).dtype, zv.NumberLit(1.5).value
    for ndim in [0, 1, 3, np.int8(2)]:
        p = zv.Placeholder("p", ndim=ndim, latex=r"\pi", description="d")
        p.shape, p.name, p.ndim, p.description
    p = zv.Placeholder("p", ndim=2)
    p.len_at(1), p.len_at(np.int64(0), latex="n", description="rows"), zv.ArrayLength(p, 1), zv.ArrayLength(p[0], 0)
    zv.ArrayLength(zv.Element("e", belong_to=p), 0, latex="m", description="d").array


@group
def elements_and_ranges():
    p, q = zv.Placeholder("p", ndim=1), zv.Placeholder("q", ndim=2)
    a = zv.Placeholder("a")
    e = zv.Element("e", belong_to=q)
    for belong_to in [3, np.int64(2), (1, 5), (a, a + 3), (0, p.len_at(0)), p.len_at(0), a, a + 1, q, e, q[0], e[1],
                      zv.NumberLit(4), p[0]]:
        element = zv.Element("i", belong_to=belong_to, latex="i", description="d")
        element.belong_to, element.ndim, element.shape, element.name, element.description
    zv.Element("i", belong_to=(0, 3)).belong_to.start


@group
def decision_variables():
    p, q, a = zv.Placeholder("p", ndim=1), zv.Placeholder("q", ndim=2), zv.Placeholder("a")
    i = zv.Element("i", belong_to=p)
    n = p.len_at(0)
    for shape in [None, [], [3], (2, 3), [n], [n, 2], [a], [a + 1], [np.int64(2)], [zv.NumberLit(3)], [i], [p[0]]]:
        zv.BinaryVar("x", shape=shape, latex="x", description="d")
    for cls in BOUNDED:
        for lower, upper in [(0, 1), (-1.5, 2.5), (np.int64(0), np.float64(3)), (zv.NumberLit(0), zv.NumberLit(2)), (a, a + 1),
                             (0, q[0, 0]), (-a, n), (zv.min(a, 0), zv.max(a, 1)), (0, zv.sum(i, p[i]))]:
            cls("v", lower_bound=lower, upper_bound=upper, latex="v", description="d")
        cls("v", shape=[n], lower_bound=0, upper_bound=p)  # an array bound of the variable's shape
        cls("v", shape=[n, 2], lower_bound=q, upper_bound=q)
        cls("v", shape=[2], lower_bound=q[i], upper_bound=p)  # a subscript that is an array of the shape
        var = cls("v", shape=[n], lower_bound=p, upper_bound=10)
        var.lower_bound, var.upper_bound, var.shape, var.ndim, var.name, var.description


@group
def subscripts():
    p, q, r = zv.Placeholder("p", ndim=1), zv.Placeholder("q", ndim=2), zv.Placeholder("r", ndim=3)
    i, j = zv.Element("i", belong_to=p), zv.Element("j", belong_to=(0, 3))
    e = zv.Element("e", belong_to=q)
    x = zv.BinaryVar("x", shape=[p.len_at(0)])
    y = zv.IntegerVar("y", shape=[3, 3, 3], lower_bound=0, upper_bound=4)
    keys = [0, np.int64(1), i, i + 1, zv.NumberLit(2), p[0], 2 * i - 1]
    for key in keys:
        p[key], x[key], q[key], q[key][j], e[key], y[key], y[key][0][j]
    for key in [(i, j), [i, j], (0, 1), (i, 0), (np.int64(0), i + 1), (j,), [j]]:
        q[key], y[key], e[key] if len(key) == 1 else None
    r[i, j, 0], r[i][j, 0], y[i, j, 0], y[0, 1][2]
    for key in [(slice(None), i, 0), (i, slice(None), j), (0, 1, slice(None)), (slice(None), slice(None), slice(None))]:
        dummy = y[key]
        dummy.sum(), dummy.prod(), str(dummy), repr(dummy)
    x[:].sum(), x[:].prod(), x[slice(None)].sum()
    for cls in [zv.BinaryVar, *BOUNDED]:
        v = cls("v", shape=[2, p.len_at(0)], **({} if cls is zv.BinaryVar else {"lower_bound": 0, "upper_bound": 1}))
        v[0, i], v[i][0], v[1][i], v[:, i].sum(), v[0, :].prod(), v[:, :].sum()
    s = q[i, j]
    s.variable, s.subscripts, s.ndim, s.shape, q[i].len_at(0), q[i].shape


@group
def arithmetic_operators():
    operands = leaves()
    for left_name, left in operands.items():
        for right_name, right in operands.items():
            if is_number(left) and is_number(right):
                continue
            for op in BINARY:
                if not allowed(op, left_name, left, right_name, right):
                    continue
                op(left, right)
        if not is_number(left):
            -left


VARIABLES = ("BinaryVar", "IntegerVar", "ContinuousVar", "subscripted var", "sliced sum")


def allowed(op, left_name, left, right_name, right):
    """Whether `op(left, right)` is a valid model operation (a refusal is an error, whose throws are no fault): no
    decision variable as a divisor, exponent or in a remainder; a variable's power is positive."""
    if op is operator.truediv:
        return right_name not in VARIABLES
    if op is operator.pow:
        return right_name not in VARIABLES and (left_name not in VARIABLES or is_number(right) and right > 0)
    if op is operator.mod:
        return left_name not in VARIABLES and right_name not in VARIABLES
    return True


@group
def numbers_on_the_left():
    # The reflected operators, and numpy scalars, which call them too.
    for name, operand in leaves().items():
        if is_number(operand):
            continue
        for number in [2, 1.5, True, np.int64(3), np.float64(0.5), np.float32(2)]:
            number + operand, number - operand, number * operand, number == operand, number <= operand, number > operand
            if name not in VARIABLES:
                number / operand, number ** operand, number % operand, pow(operand, 2, 3)


@group
def comparisons_and_logic():
    operands = leaves()
    conditions = []
    for left in operands.values():
        for right in operands.values():
            if is_number(left) and is_number(right):
                continue
            conditions += [op(left, right) for op in COMPARE]
    for a, b in zip(conditions, conditions[1:]):
        a & b, a | b, a ^ b
    (conditions[0] & conditions[1]) | (conditions[2] ^ conditions[3])


@group
def functions_and_reductions():
    operands = leaves()
    p, q = zv.Placeholder("p", ndim=1), zv.Placeholder("q", ndim=2)
    i, j = zv.Element("i", belong_to=p), zv.Element("j", belong_to=(0, 3))
    for name, operand in operands.items():
        if name not in VARIABLES:  # a function of a decision variable is refused
            for function in UNARY:
                function(operand)
            zv.min(operand, 1), zv.max(operand, operand, 2.5)
    zv.min(*[v for k, v in operands.items() if k not in VARIABLES]), zv.max(np.float64(1), operands["SumOp"])
    for reduce in [zv.sum, zv.prod]:
        for index in [i, (i, i != 0), (i, (i > 0) & (p[i] < 2)), [i, j], [(i, i != 1), j], [i, (j, j < i)], (i, j),
                      ((i, i > 0), (j, j != i)), [i]]:
            reduce(index, q[i, j] + 1)
        reduce(index=i, operand=p[i])


@group
def set_latex_and_getters():
    io_models = models()
    for obj in [*io_models.EXPRESSIONS.values(), *io_models.CONDITIONS.values(), *io_models.MODELS.values()]:
        for name in dir(obj):
            if not name.startswith("__"):
                getattr(obj, name)
        if hasattr(obj, "set_latex"):
            copy = zv.from_protobuf(zv.to_protobuf(obj)) if not isinstance(obj, zv.NumberLit) else obj
            if hasattr(copy, "set_latex"):
                copy.set_latex("L")
                copy.set_latex(None)
                copy.set_latex()


@group
def forall_and_constraints():
    p, q = zv.Placeholder("p", ndim=1), zv.Placeholder("q", ndim=2)
    i, j = zv.Element("i", belong_to=p), zv.Element("j", belong_to=(0, 3))
    x = zv.BinaryVar("x", shape=[p.len_at(0), 3])
    # each forall list with an expression over the elements it names
    for forall, term in [(None, x[0, 1]), (i, x[i, 0]), ([i], x[i, 0]), ((i, i > 0), x[i, 0]), ([(i, i > 0)], x[i, 0]),
                         ((i, None), x[i, 0]), ([i, j], x[i, j]), ([(i, None), j], x[i, j]), ([i, (j, j != i)], x[i, j]),
                         ((i, (j, j != i)), x[i, j]), (((i, i != 0), (j, None)), q[i, j] * x[i, j])]:
        for build in [lambda e: e == 1, lambda e: e <= p[0], lambda e: e >= 0, lambda e: 1 == e, lambda e: 2 >= e]:
            c = zv.Constraint("c", build(term + x[0, 0]), forall=forall)
            c.forall, c.sense, c.left, c.right, c.expression, c.is_equality(), c.is_inequality()
        t = zv.CustomPenaltyTerm("t", (term - 1) ** 2, forall=forall)
        t.forall, t.expression
    zv.Constraint(name="c", expression=x[0, 0] == 1), zv.CustomPenaltyTerm(name="t", expression=x[0, 0])


@group
def problems():
    io_models = models()
    model = io_models.problem()
    model.name, model.sense, model.objective, model.constraints, model.custom_penalty_terms
    p = zv.Problem("p", sense=zv.ProblemSense.MAXIMIZE)
    p.sense = zv.ProblemSense.MINIMIZE
    a = zv.Placeholder("a")
    x = zv.BinaryVar("x")
    for entry in [x, x + a, 3, 1.5, np.float64(2), zv.NumberLit(1), a, zv.Constraint("c", x <= a),
                  zv.CustomPenaltyTerm("t", x * a), zv.Constraint("d", x >= 0)]:
        p += entry
    p += x + 1  # objectives add up
    p += zv.Constraint("c", x <= a)  # the same constraint again


@group
def printing():
    io_models = models()
    objects = [*io_models.EXPRESSIONS.values(), *io_models.CONDITIONS.values(), *io_models.MODELS.values(),
               *leaves().values()]
    for obj in objects:
        str(obj), repr(obj)
        if hasattr(obj, "_repr_latex_"):
            obj._repr_latex_()
    for obj in [zv.DataType.INTEGER, zv.ProblemSense.MAXIMIZE, zv.ConstraintSense.EQUAL, zv.BinaryVar("x", shape=[2])[:]]:
        str(obj), repr(obj), int(obj) if not isinstance(obj, zv.DummyIndexedVar) else None
    zv.DataType.FLOAT == zv.DataType.FLOAT, zv.ProblemSense.MINIMIZE != zv.ProblemSense.MAXIMIZE


@group
def analysis():
    io_models = models()
    objects = [*io_models.EXPRESSIONS.values(), *io_models.CONDITIONS.values(), *io_models.MODELS.values()]
    expressions = [*io_models.EXPRESSIONS.values(), *[v for v in leaves().values()], 3, 1.5, np.float64(2)]
    for e in expressions:
        zv.is_linear(e), zv.is_quadratic(e), zv.is_higher_order(e), zv.is_dynamic_degree(e)
    classes = [zv.Placeholder, (zv.Element, zv.BinaryVar), zv.AddOp, (zv.SumOp, zv.EqualOp, zv.Subscript), zv.NumberLit]
    for obj in objects:
        zv.extract_variables(obj)
        for cls in classes:
            zv.extract_nodes(obj, cls)
        zv.is_same(obj, obj)
        for other in objects:
            if type(other) is type(obj):
                zv.is_same(obj, other)
    zv.extract_variables(3), zv.extract_variables([io_models.i, (io_models.j, io_models.j > 0)])
    zv.extract_nodes(io_models.i, zv.Element), zv.extract_nodes((io_models.i, io_models.i > 0), zv.Element)
    zv.is_same(io_models.q, io_models.q), zv.is_same(io_models.i.belong_to, io_models.i.belong_to)  # arrays, ranges


@group
def replace():
    io_models = models()
    a = zv.Placeholder("a")

    def swap(node):
        if isinstance(node, zv.Placeholder) and node.name == "a":
            return zv.Placeholder("b")
        if isinstance(node, zv.NumberLit):
            return node.value + 1
        return node

    def refuse_operators(node):  # at an operator node, a failure or a result that does not convert means "go on"
        if isinstance(node, (zv.AddOp, zv.MulOp, zv.SumOp, zv.EqualOp, zv.NotEqualOp, zv.AndOp)):
            raise KeyError("go on")
        return "not an expression" if isinstance(node, (zv.PowOp, zv.AbsOp, zv.LessThanOp)) else node

    for e in [*io_models.EXPRESSIONS.values(), *leaves().values()]:
        zv.replace(e, lambda node: node)
        zv.replace(e, swap)
        zv.replace(e, refuse_operators)
    zv.replace(a + 1, lambda node: a * 2 if node is a else node)
    i = zv.Element("i", belong_to=(0, a))
    zv.replace(expr=zv.sum((i, i != 0), a * i), replacer=lambda node: (i < 2) if isinstance(node, zv.NotEqualOp) else node)


@group
def protobuf_round_trips():
    io_models = models()
    for obj in [*io_models.EXPRESSIONS.values(), *io_models.CONDITIONS.values(), *io_models.MODELS.values(),
                *leaves().values(), 3, 1.5, np.int64(2)]:
        data = zv.to_protobuf(obj)
        back = zv.from_protobuf(data)
        zv.to_protobuf(back), zv.is_same(back, back)


def sample_sets():
    io_models = models()
    dense = zv.SampleSet(io_models.dense_record(), io_models.full_evaluation(), zv.MeasuringTime(total=1.0), {"a": [1, 2]})
    sparse = zv.SampleSet(io_models.sparse_record(), io_models.full_evaluation(),
                          zv.MeasuringTime(zv.SolvingTime(1.0, 2.0, 3.0), zv.SystemTime(1, 2, 3, 4, 5), 6), {"b": "c"})
    nan = zv.SampleSet(io_models.samples_record(2), zv.Evaluation(energy=[math.nan, math.inf], objective=[-math.inf, 1.0],
                                                                   constraint_violations={"c": [math.nan, 0.0]}), zv.MeasuringTime(), None)
    return {"dense": dense, "sparse": sparse, "with NaN": nan, "selection": io_models.sample_set(), "empty": io_models.empty_set()}


@group
def sample_set_construction():
    io_models = models()
    shapes = [np.zeros(()), np.zeros((2, 0)), np.ones((1, 2, 3))]
    zv.Record({"x": shapes[2:], "y": [np.arange(3.0)]}, [1])
    zv.Record({"x": [np.array([1.0, 2]), np.arange(2.0)[::-1]]}, np.array([1, 2], dtype=np.uint64))
    zv.Record({"x": [shapes[0]]}, [5]), zv.Record({"x": [shapes[1]]}, [5]), zv.Record({"x": [], "y": shapes[:1]}, [2])
    zv.Record({"x": [([[0, 1]], [1.0, 2.0], [3]), [[[1]], [2.5], [2]]]}, (3, 4))
    zv.Record({"x": [((np.array([0]),), np.array([1.0]), (1,))]}, [1])
    zv.Record({}, []), zv.Record(solution={"x": []}, num_occurrences=[])
    record = io_models.dense_record()
    record.solution, record.num_occurrences, record.is_dense(), record.is_sparse(), record.to_sparse(), record.to_dense()
    record.num_occurrences = [3, 4]
    record.solution = {"x": io_models.DENSE_X}
    sparse = io_models.sparse_record()
    sparse.to_dense(), sparse.to_sparse(), sparse == sparse, sparse != record
    evaluation = io_models.full_evaluation()
    for name in io_models.EVALUATION_FIELDS + ["constraint_expr_values"]:
        getattr(evaluation, name)
    evaluation.energy = np.array([1, 2])
    evaluation.energy = [1.5, 2]
    evaluation.objective, evaluation.constraint_violations = np.arange(2.0), {"a": (1, 2.5)}
    evaluation.constraint_forall = {"a": np.array([[0, 1], [1, 0]], dtype=np.uint64)}
    zv.Evaluation(), zv.Evaluation(energy=np.arange(2.0), constraint_forall={"a": [[1], [2]]}, constraint_values=[])
    time = zv.MeasuringTime(solve=zv.SolvingTime(preprocess=1), system=zv.SystemTime(request_queue=2.5), total=np.float64(3))
    time.solve, time.system, time.total, time.solve.preprocess, time.system.fetch_result
    time.total, time.solve.solve = None, 4
    time.get_backend_calculation_time() if hasattr(time, "get_backend_calculation_time") else None
    for s in sample_sets().values():
        s.record, s.evaluation, s.measuring_time, s.metadata, s.is_dense(), s.is_sparse(), s.get_backend_calculation_time()
        s == s, s != s, str(s), repr(s), str(s.record), str(s.evaluation), repr(s.measuring_time)
        s.metadata = {"k": 1}
        s.record, s.evaluation, s.measuring_time = s.record, s.evaluation, s.measuring_time


@group
def sample_set_selection():
    for s in sample_sets().values():
        s.feasible(), s.infeasible(), s.lowest(), s.feasible(rtol=0.1, atol=0.5), s.lowest(1e-3)
        s.to_dense(), s.to_dense().lowest(), s.record == s.to_dense().record
    io_models = models()
    zv.concatenate([io_models.sample_set(n=2), io_models.sample_set(n=3)]), zv.concatenate([io_models.sample_set()])
    zv.concatenate((io_models.empty_set(), io_models.empty_set()))


@group
def to_pandas():
    io_models = models()
    for s in sample_sets().values():
        s.to_pandas(), s.record.to_pandas(), s.evaluation.to_pandas()
    io_models.dense_record().to_pandas(), io_models.full_evaluation().to_pandas()


def json_objects():
    io_models = models()
    objects = dict(sample_sets())
    objects |= {"dense record": io_models.dense_record(), "sparse record": io_models.sparse_record(),
                "dense record with NaN": zv.Record({"x": [np.array([[math.nan, math.inf], [1.0, -math.inf]])]}, [1]),
                "sparse record with NaN": zv.Record({"x": [(([0, 1],), [math.nan, -math.inf], (2,))]}, [1]),
                "scalar dense record": zv.Record({"x": [np.array(2.0)]}, [1]),
                "evaluation": io_models.full_evaluation(), "empty evaluation": zv.Evaluation(),
                "measuring time": zv.MeasuringTime(zv.SolvingTime(1.0, None, 3.0), zv.SystemTime(1, 2, 3, 4, 5), 6),
                "empty measuring time": zv.MeasuringTime(), "solving time": zv.SolvingTime(preprocess=0.5),
                "system time": zv.SystemTime(fetch_result=1e300)}
    return objects


@group
def json_readers():
    for obj in json_objects().values():
        cls = type(obj)
        text = obj.to_json()
        cls.from_json(text), cls.from_json(json.dumps(json.loads(text), indent=2))  # spaces and newlines


@group
def dict_readers():
    for name, obj in json_objects().items():
        cls = type(obj)
        cls.from_dict(obj.to_dict())
        # Texts of SampleSet and Record hold other forms than their dicts; the dict forms refuse
        # the null that NaN is written as.
        if cls not in (zv.SampleSet, zv.Record) and "NaN" not in name:
            cls.from_dict(json.loads(obj.to_json()))


@group
def json_texts_by_hand():
    zv.SolvingTime.from_json('{"preprocess":1,"solve":null,"postprocess":2.5}')
    zv.SystemTime.from_json('{"request_queue":1e-3}')
    zv.MeasuringTime.from_json('{"total":null,"solve":{},"system":{}}')
    zv.Evaluation.from_json('{"energy":[1,-0.0],"objective":[],"constraint_violations":{"a":[2]},'
                            '"constraint_forall":{},"constraint_values":[{"a":[1]}],"penalty":{}}')
    zv.Record.from_json('{"solution":{"Dense":{"x":[{"v":1,"dim":[2],"data":[1,2.5]}]}},"num_occurrences":[1]}')
    zv.Record.from_json('{"solution":{"Sparse":{"x":[[[[0]],[1.0],[2]]]}},"num_occurrences":[18446744073709551615]}')
    base = ('{"record":{"solution":%s,"num_occurrences":[1]},"evaluation":{"energy":[0.5],"objective":[1.0],'
            '"constraint_violations":{},"constraint_forall":{},"constraint_values":[],"penalty":{}},'
            '"measuring_time":{"solve":{},"system":{},"total":null},"metadata":%s}')
    sparse = models().sample_set().to_json()
    zv.SampleSet.from_json(" " + sparse.replace(",", ", ") + "\n"), zv.SampleSet.from_json(sparse[:-1] + ',"extra":1}')
    zv.SampleSet.from_dict({"record": {"solution": {"x": [(([0],), [1.0], (2,))]}, "num_occurrences": [1]},
                            "evaluation": {"energy": [1.0]}, "measuring_time": {}, "metadata": {}})
    for solution in ['{"x":[[[[0]],[1.0],[2]]]}', '{"x":[[1.0,2]]}', '{"x":[[[1,2],[3,4]]]}', '{"x":[1.5]}', '{}']:
        for metadata in ['{}', '{"a":[1,2.5,"s",null,true,{"b":[]}]}']:
            zv.SampleSet.from_json(base % (solution, metadata))


@group
def large_models():
    # A model of some size, through every walk: the paths that only long lists or deep trees take.
    a = zv.Placeholder("a", ndim=1)
    x = zv.BinaryVar("x", shape=[a.len_at(0)])
    e = 0
    for k in range(300):
        e = e + a[k] * x[k]
    deep = a[0]
    for k in range(200):
        deep = zv.abs(deep) + k
    p = zv.Problem("big")
    p += e + deep
    for k in range(50):
        p += zv.Constraint(f"c{k}", x[k] + x[k + 1] <= 1)
    back = zv.from_protobuf(zv.to_protobuf(p))
    str(back), back._repr_latex_(), zv.is_same(back, p), zv.extract_variables(p), zv.is_linear(e), zv.is_linear(deep)


def run_example(path, take):
    """Runs an example and gives back its throws, but those of a line that raised (its examples of refusals): a
    trace notes each line of the example's own frames, and the throws between two trace events belong to the line
    of the first one, which the second one shows raised when it is an exception event."""
    found, location = [], [None]
    file = str(path)

    def local(frame, event, arg):
        throws = take()
        if throws and not event == "exception":
            found.extend(f"{path.name}:{location[0]}: {line}" for line in throws.splitlines())
        location[0] = frame.f_lineno
        return local

    def tracer(frame, event, arg):
        if frame.f_code.co_filename != file:
            return None
        return local(frame, event, arg)

    take()
    sys.settrace(tracer)
    try:
        with contextlib.redirect_stdout(io.StringIO()):
            runpy.run_path(file, run_name="__main__")
    finally:
        sys.settrace(None)
    rest = take()
    found.extend(f"{path.name}:{location[0]}: {line}" for line in rest.splitlines())
    return found


for _path in sorted(EXAMPLES.glob("*.py")):
    GROUPS[f"example {_path.name}"] = _path


def main(shim, out, names):
    lib = ctypes.CDLL(shim)
    lib.throw_counter_take.restype = ctypes.c_char_p
    take = lambda: lib.throw_counter_take().decode(errors="replace")  # noqa: E731
    # The log sees a throw inside libstdc++ and one of the module (an error, whose throw is right).
    take()
    lib.throw_counter_check_library()
    with contextlib.suppress(zv.ModelingError):
        zv.BinaryVar("x") ** -1
    report = {"check": take().splitlines()}
    models(), leaves()
    for name in names or GROUPS:
        target = GROUPS[name]
        take()
        try:
            if isinstance(target, Path):
                throws, error = run_example(target, take), None
            else:
                target()
                throws, error = take().splitlines(), None
        except BaseException:  # noqa: BLE001 - reported as the group's fault
            throws, error = take().splitlines(), traceback.format_exc()
        report[name] = {"throws": throws, "error": error}
    Path(out).write_text(json.dumps(report))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
