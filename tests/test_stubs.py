"""The type stubs (src/zorvane.pyi) against the module: which operators each class has, what every
operator, attribute, method and function returns for a bank of operands, and that the installed
distribution carries the stubs. stubtest (`make typecheck`) checks names and signatures; this
checks what it cannot: results, and the slots that it skips."""

import ast
import functools
import importlib.metadata
import operator
import pathlib

import numpy as np
import pytest

import zorvane as zv
from io_models import dense_record, full_evaluation, sample_set, sparse_record
from stub_reader import STUB_PATH, NoMatch, Stub

STUB = Stub()
CLASSES = [n for n in zv.__all__ if isinstance(getattr(zv, n), type) and not issubclass(getattr(zv, n), Exception)]
VALUE_CLASSES = ["DataType", "ProblemSense", "ConstraintSense", "Evaluation", "Record", "SolvingTime", "SystemTime",
                 "MeasuringTime", "SampleSet"]
DECISION_VARS = ["BinaryVar", "IntegerVar", "ContinuousVar", "SemiIntegerVar", "SemiContinuousVar"]
SLOTS = ["__add__", "__radd__", "__sub__", "__rsub__", "__mul__", "__rmul__", "__truediv__", "__rtruediv__", "__mod__",
         "__rmod__", "__pow__", "__rpow__", "__neg__", "__eq__", "__ne__", "__lt__", "__le__", "__gt__", "__ge__",
         "__and__", "__rand__", "__or__", "__ror__", "__xor__", "__rxor__", "__bool__", "__int__", "__getitem__",
         "__iadd__"]
# Slots that always raise, left out of the stubs so that type checkers refuse the operation.
OMITTED = {**{c: {"__lt__", "__le__", "__gt__", "__ge__"} for c in VALUE_CLASSES},
           **{c: {"__rtruediv__", "__rpow__"} for c in DECISION_VARS}}
# Value-dependent refusals (a zero divisor, a decision variable where none may be, too many subscripts).
VALUE_ERRORS = (zv.ModelingError, ZeroDivisionError, IndexError)

members = functools.lru_cache(maxsize=None)(STUB.members)


@pytest.mark.parametrize("cls", CLASSES)
def test_stub_declares_the_runtime_slots(cls):
    runtime = {s for s in SLOTS if s in vars(getattr(zv, cls))}
    declared = {s for s in SLOTS if s in members(cls)}
    assert declared == runtime - OMITTED.get(cls, set())
    assert ("__hash__" in members(cls)) == (getattr(zv, cls).__hash__ is None)  # declared unhashable


# ---- operators ----

def operands():
    """Named operands: scalar expressions of every class and shape, numbers, and things that are
    not expressions."""
    p, q = zv.Placeholder("p"), zv.Placeholder("q")
    a = zv.Placeholder("a", ndim=1)
    i = zv.Element("i", belong_to=5)
    xs = zv.BinaryVar("xs", shape=[q])
    named_sum, named_pow = p + q, p ** 2
    named_sum.set_latex("S")
    named_pow.set_latex("P")
    expressions = {
        "NumberLit(0)": zv.NumberLit(0), "NumberLit(1)": zv.NumberLit(1), "NumberLit(-1)": zv.NumberLit(-1),
        "NumberLit(2.5)": zv.NumberLit(2.5), "p": p, "i": i, "a[i]": a[i], "len(a)": a.len_at(0),
        "x": zv.BinaryVar("x"), "y": zv.IntegerVar("y", lower_bound=0, upper_bound=3),
        "z": zv.ContinuousVar("z", lower_bound=0, upper_bound=1), "u": zv.SemiIntegerVar("u", lower_bound=1, upper_bound=2),
        "v": zv.SemiContinuousVar("v", lower_bound=1, upper_bound=2), "xs[i]": xs[i],
        "abs(p)": zv.abs(p), "ceil(p)": zv.ceil(p), "floor(p)": zv.floor(p), "log2(p)": zv.log2(p),
        "log10(p)": zv.log10(p), "ln(p)": zv.ln(p), "p + 1": p + 1, "p + q": p + q, "q - 3": q - 3, "S": named_sum,
        "2 * p": 2 * p, "p * q": p * q, "-p": -p, "p ** 2": p ** 2, "p ** 3": p ** 3, "P": named_pow,
        "q ** 2": q ** 2, "p % 2": p % 2, "min(p, q)": zv.min(p, q), "max()": zv.max(),
        "sum(i, a[i])": zv.sum(i, a[i]), "prod(i, a[i])": zv.prod(i, a[i]),
    }
    numbers = {"0": 0, "1": 1, "2": 2, "-1": -1, "0.0": 0.0, "1.0": 1.0, "2.5": 2.5, "True": True}
    others = {"np.int64(3)": np.int64(3), "np.float64(0.5)": np.float64(0.5), "'a'": "a", "None": None,
              "p == 1": p == 1, "xs[:]": xs[:], "Range": i.belong_to}
    return expressions, numbers, others


def conditions():
    p, q, x = zv.Placeholder("p"), zv.Placeholder("q"), zv.BinaryVar("x")
    c1, c2 = p == 1, x <= q
    return {"p == 1": c1, "x <= q": c2, "p != q": p != q, "p < 1": p < 1, "p > 1": p > 1, "x >= 0": x >= 0,
            "c & c": c1 & c2, "c | c": c1 | c2, "c ^ c": c1 ^ c2}


def static_pick(a, b, forward, reflected):
    """The stub method that a type checker uses for a binary operator, or None when it refuses."""
    for obj, name, arg in ((a, forward, b), (b, reflected, a)):
        cls = type(obj).__name__
        if type(obj).__module__ == "zorvane" and name in members(cls):
            try:
                return STUB.select(members(cls)[name][1], [arg], cls), cls
            except NoMatch:
                pass
    return None, None


def check(call, declared, cls, label):
    """A failure text, or None: the call's outcome must be what the selected declaration says."""
    try:
        result = call()
    except VALUE_ERRORS:
        return None
    except TypeError as error:
        return None if declared is None else f"{label}: stub accepts, module raises TypeError: {error}"
    if declared is None:
        return f"{label}: stub refuses, module gives {type(result).__name__}"
    if not STUB.returns(result, declared, cls):
        return f"{label}: gives {type(result).__name__}, stub declares {ast.unparse(declared.returns)}"
    return None


def assert_none(failures):
    failures = [f for f in failures if f]
    assert not failures, "\n".join(failures)


BINARY = {"+": ("__add__", "__radd__", operator.add), "-": ("__sub__", "__rsub__", operator.sub),
          "*": ("__mul__", "__rmul__", operator.mul), "/": ("__truediv__", "__rtruediv__", operator.truediv),
          "%": ("__mod__", "__rmod__", operator.mod), "**": ("__pow__", "__rpow__", operator.pow),
          "<": ("__lt__", "__gt__", operator.lt), "<=": ("__le__", "__ge__", operator.le),
          ">": ("__gt__", "__lt__", operator.gt), ">=": ("__ge__", "__le__", operator.ge),
          "==": ("__eq__", "__eq__", operator.eq), "!=": ("__ne__", "__ne__", operator.ne)}


@pytest.mark.parametrize("op", BINARY)
def test_binary_operator_results(op):
    forward, reflected, func = BINARY[op]
    expressions, numbers, others = operands()
    failures = []
    for left_name, left in {**expressions, **numbers}.items():
        for right_name, right in {**expressions, **numbers, **others}.items():
            if left_name in numbers and (type(right).__module__ != "zorvane" or op in ("==", "!=")):
                continue  # plain Python, or int.__eq__ taking anything: not the stub's to say
            declared, cls = static_pick(left, right, forward, reflected)
            failures.append(check(lambda: func(left, right), declared, cls, f"{left_name} {op} {right_name}"))
    assert_none(failures)


@pytest.mark.parametrize("op, func", [("&", operator.and_), ("|", operator.or_), ("^", operator.xor)])
def test_logical_operator_results(op, func):
    forward, reflected = {"&": ("__and__", "__rand__"), "|": ("__or__", "__ror__"), "^": ("__xor__", "__rxor__")}[op]
    expressions, numbers, others = operands()
    sides = {**conditions(), "p": expressions["p"], "1": 1, "True": True, "None": None}
    failures = []
    for left_name, left in sides.items():
        for right_name, right in sides.items():
            if type(left).__module__ != "zorvane" and type(right).__module__ != "zorvane":
                continue
            declared, cls = static_pick(left, right, forward, reflected)
            failures.append(check(lambda: func(left, right), declared, cls, f"{left_name} {op} {right_name}"))
    assert_none(failures)


def test_unary_and_ternary_results():
    expressions, numbers, others = operands()
    failures = []
    for name, obj in expressions.items():
        cls = type(obj).__name__
        failures.append(check(lambda: -obj, STUB.select(members(cls)["__neg__"][1], [], cls), cls, f"-{name}"))
        for modulo_name, modulo in {"3": 3, "q": zv.Placeholder("q"), "0": 0, "'a'": "a"}.items():
            try:
                declared = STUB.select(members(cls)["__pow__"][1], [2, modulo], cls)
            except NoMatch:
                declared = None
            failures.append(check(lambda: pow(obj, 2, modulo), declared, cls, f"pow({name}, 2, {modulo_name})"))
    assert_none(failures)


def test_subscript_results():
    q, i = zv.Placeholder("q"), zv.Element("i", belong_to=5)
    a, a2 = zv.Placeholder("a", ndim=1), zv.Placeholder("a2", ndim=2)
    receivers = {"a": a, "a2": a2, "a2[i]": a2[i], "e": zv.Element("e", belong_to=a2),
                 "xs": zv.BinaryVar("xs", shape=[q]), "y2": zv.IntegerVar("y2", shape=[q, q], lower_bound=0, upper_bound=1)}
    whole = slice(None)
    keys = {"i": i, "0": 0, "1.5": 1.5, "(i, 0)": (i, 0), "[i, 0]": [i, 0], "(i,)": (i,), ":": whole,
            "(:, i)": (whole, i), "(i, :)": (i, whole), "(:, :)": (whole, whole), "(0, 1, :)": (0, 1, whole),
            "[:, i]": [whole, i], "'a'": "a", "(i, 'a')": (i, "a"), "None": None}
    failures = []
    for name, obj in receivers.items():
        cls = type(obj).__name__
        for key_name, key in keys.items():
            try:
                declared = STUB.select(members(cls)["__getitem__"][1], [key], cls)
            except NoMatch:
                declared = None
            failures.append(check(lambda: obj[key], declared, cls, f"{name}[{key_name}]"))
    assert_none(failures)


# ---- attributes, methods, functions ----

def model():
    p, q = zv.Placeholder("p"), zv.Placeholder("q")
    a2, bound = zv.Placeholder("a2", ndim=2), zv.Placeholder("lb", ndim=1)
    i, j = zv.Element("i", belong_to=q), zv.Element("j", belong_to=(0, q))
    x = zv.BinaryVar("x", shape=[q], description="d")
    y = zv.IntegerVar("y", shape=[q], lower_bound=bound, upper_bound=5)
    constraint = zv.Constraint("c", x[i] <= 1, forall=[i])
    penalty = zv.CustomPenaltyTerm("t", (x[i] - 1) ** 2, forall=(i, i != 0))
    problem = zv.Problem("m", sense=zv.ProblemSense.MAXIMIZE)
    problem += zv.sum(i, x[i])
    problem += constraint
    problem += penalty
    return dict(p=p, q=q, a2=a2, i=i, j=j, x=x, y=y, constraint=constraint, penalty=penalty, problem=problem)


def objects():
    m = model()
    p, q, a2, i, j, x, y = (m[k] for k in "p q a2 i j x y".split())
    span = {"start_time": "2024-01-01T00:00:00.000000Z", "end_time": "2024-01-01T00:00:01.500000Z",
            "context": {"span_id": 1}, "parent_id": None}
    return [
        zv.DataType.FLOAT, zv.NumberLit(2), zv.NumberLit(2.5), p, a2, j.belong_to, i, j, zv.Element("e", belong_to=a2),
        a2[i], a2[i, j], x[i], a2.len_at(1), zv.ArrayLength(a2[i], 0), x[:], x, y,
        zv.ContinuousVar("z", lower_bound=0, upper_bound=1), zv.SemiIntegerVar("u", lower_bound=1, upper_bound=q),
        zv.SemiContinuousVar("v", shape=[q], lower_bound=0, upper_bound=a2[i]),
        zv.ContinuousVar("w", shape=[q, 3], lower_bound=0, upper_bound=1)[i],
        zv.abs(p), zv.ceil(p), zv.floor(p), zv.log2(p), zv.log10(p), zv.ln(p), p + q, p * q, p % q, zv.min(p, q),
        zv.max(p), p ** q, zv.sum((i, i != 2), x[i]), zv.prod([i, j], x[i]),
        p == q, p != q, p < q, p <= q, p > q, p >= q, (p == q) & (p < q), (p == q) | (p < q), (p == q) ^ (p < q),
        m["problem"], zv.ProblemSense.MAXIMIZE, m["constraint"], zv.ConstraintSense.EQUAL, m["penalty"],
        full_evaluation(), zv.Evaluation(), dense_record(), sparse_record(), zv.SolvingTime(preprocess=1.0),
        zv.SystemTime(fetch_result=2), zv.MeasuringTime(total=1.5), sample_set(), sample_set(metadata={"job": span}),
    ]


def test_every_class_has_a_sample():
    assert sorted({type(o).__name__ for o in objects()}) == sorted(CLASSES)


def no_arguments_needed(defs):
    d = defs[0]
    return len(d.args.posonlyargs + d.args.args) - 1 == len(d.args.defaults) and not d.args.kwonlyargs


@pytest.mark.parametrize("obj", objects(), ids=lambda o: type(o).__name__)
def test_attribute_and_method_results(obj):
    cls = type(obj).__name__
    failures = []
    for name, (kind, defs) in members(cls).items():
        if name.startswith("__") or not hasattr(obj, name):
            continue
        if kind == "property":
            failures.append(check(lambda: getattr(obj, name), defs[0], cls, f"{cls}.{name}"))
            setter = STUB.setter(cls, name)
            if setter is not None:  # what the getter gives, the setter takes back
                value = getattr(obj, name)
                if not STUB.matches(value, setter.annotation, cls):
                    failures.append(f"{cls}.{name}: setter does not declare {type(value).__name__}")
                setattr(obj, name, value)
        elif kind == "method" and no_arguments_needed(defs):
            failures.append(check(getattr(obj, name), defs[0], cls, f"{cls}.{name}()"))
        elif kind == "staticmethod":  # from_dict / from_json read what to_dict / to_json wrote
            source = obj.to_dict() if name == "from_dict" else obj.to_json()
            failures.append(check(lambda: getattr(obj, name)(source), STUB.select(defs, [source]), cls, f"{cls}.{name}"))
    assert_none(failures)


def constructor_calls():
    m = model()
    p, q, a2, i = (m[k] for k in "p q a2 i".split())
    bound = zv.Placeholder("lb", ndim=1)
    evaluation, record, times = full_evaluation(), dense_record(), zv.MeasuringTime(total=1.0)
    return [
        (zv.NumberLit, (2,), {}), (zv.NumberLit, (np.float64(0.5),), {}), (zv.NumberLit, (True,), {}),
        (zv.Placeholder, ("a",), {"ndim": 2, "latex": "A", "description": "d"}), (zv.Placeholder, (), {"name": "a"}),
        (zv.Element, ("i", 5), {}), (zv.Element, ("i", (0, q)), {"latex": "I"}), (zv.Element, ("i", a2), {}),
        (zv.Element, ("i", a2[i]), {}), (zv.Element, ("i", 2.5), {}), (zv.ArrayLength, (a2, 1), {"description": "n"}),
        (zv.ArrayLength, (a2[i], 0), {}), (zv.BinaryVar, ("x",), {"shape": [q, 3]}), (zv.BinaryVar, ("x",), {}),
        (zv.IntegerVar, ("y",), {"shape": (q,), "lower_bound": bound, "upper_bound": q + 1}),
        (zv.ContinuousVar, ("z",), {"lower_bound": -1.5, "upper_bound": zv.NumberLit(2)}),
        (zv.SemiIntegerVar, ("u",), {"lower_bound": 0, "upper_bound": 5, "latex": "u"}),
        (zv.SemiContinuousVar, ("v",), {"shape": [2], "lower_bound": 0, "upper_bound": bound, "description": "d"}),
        (zv.Problem, ("m",), {}), (zv.Problem, ("m",), {"sense": zv.ProblemSense.MAXIMIZE}),
        (zv.Constraint, ("c", m["x"][i] == 1), {"forall": i}),
        (zv.Constraint, ("c", m["x"][i] >= 0), {"forall": [(i, i != 1)]}),
        (zv.Constraint, ("c", m["y"][i] <= q), {"forall": (i, None)}),
        (zv.CustomPenaltyTerm, ("t", m["x"][i]), {"forall": [i]}), (zv.CustomPenaltyTerm, ("t", zv.BinaryVar("b") * 2), {}),
        (zv.Evaluation, (), {}),
        (zv.Evaluation, ([1, 2.5], np.array([0.0, 1.0])), {"constraint_violations": {"c": [0, 1]}, "penalty": {"c": (0.5, 1)},
                                                           "constraint_forall": {"c": [[0], [1]]},
                                                           "constraint_values": [{"c": [1.0]}]}),
        (zv.Record, ({"x": [np.array([1.0, 0.0])]}, [1]), {}), (zv.Record, ({"x": [(([0],), [1], (2,))]}, (1,)), {}),
        (zv.Record, ({"x": [[[[0]], [1.0], [2]]]}, np.array([1])), {}), (zv.Record, ({}, []), {}),
        (zv.SolvingTime, (1, None, 2.5), {}), (zv.SystemTime, (), {"fetch_result": 1.0}),
        (zv.MeasuringTime, (zv.SolvingTime(), zv.SystemTime(), 3), {}), (zv.MeasuringTime, (), {}),
        (zv.SampleSet, (record, evaluation, times), {"metadata": {"k": 1}}), (zv.SampleSet, (record, evaluation, times), {}),
    ]


@pytest.mark.parametrize("cls, args, kwargs", constructor_calls(), ids=lambda v: v.__name__ if isinstance(v, type) else "")
def test_constructor_arguments(cls, args, kwargs):
    declared = STUB.select(members(cls.__name__)["__new__"][1], list(args), cls.__name__, kwargs)
    assert check(lambda: cls(*args, **kwargs), declared, cls.__name__, cls.__name__) is None


def function_calls():
    m = model()
    p, q, i, j, x, problem = (m[k] for k in "p q i j x problem".split())
    sets = [sample_set(), sample_set()]
    calls = [("is_linear", (x[i],)), ("is_quadratic", (p,)), ("is_higher_order", (1,)), ("is_dynamic_degree", (p,)),
             ("extract_nodes", (problem, zv.Placeholder)), ("extract_nodes", ([i, j], (zv.Element, zv.NumberLit))),
             ("extract_variables", (problem,)), ("extract_variables", (m["constraint"],)), ("is_same", (p, q)),
             ("is_same", (i.belong_to, j.belong_to)), ("abs", (p,)), ("ceil", (1.5,)), ("floor", (p,)),
             ("log2", (p,)), ("log10", (p,)), ("ln", (p,)), ("min", ()), ("min", (p, 1)), ("max", (q,)),
             ("sum", (i, x[i])), ("sum", ((i, i != 1), x[i])), ("prod", ([i, j], x[i])),
             ("replace", (p + q, lambda node: node)), ("replace", (p, lambda node: 3)), ("concatenate", (sets,)),
             ("concatenate", (sets[:1],))]
    for obj in (problem, m["constraint"], m["penalty"], p + 1, p <= q, (p == 1) & (q == 2), 5):
        calls += [("to_protobuf", (obj,)), ("from_protobuf", (zv.to_protobuf(obj),))]
    return calls


@pytest.mark.parametrize("name, args", function_calls(), ids=lambda v: v if isinstance(v, str) else "")
def test_function_results(name, args):
    declared = STUB.select(STUB.functions[name], list(args))
    assert check(lambda: getattr(zv, name)(*args), declared, None, name) is None


# ---- packaging ----

def test_installed_distribution_carries_the_stubs():
    # Type checkers read the stubs of a top-level extension module only from a stub package.
    files = {str(f): f for f in importlib.metadata.files("zorvane")}
    assert "zorvane-stubs/__init__.pyi" in files, "the wheel lacks the stub package"
    installed = pathlib.Path(files["zorvane-stubs/__init__.pyi"].locate())
    assert installed.read_text() == STUB_PATH.read_text(), "installed stubs are stale: run make build"
