"""to_protobuf and from_protobuf: round trips of every node kind and model object, the bytes
written, the proto3 reading rules, and the refusals of malformed or hostile input."""
import math
import os
import re
import subprocess
import sys
import textwrap
import time

import pytest

import protobuf_wire as pw
import zorvane as zv

DE = zv.ProtobufDeserializationError
UUID = re.compile(r"[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\Z")

# ---- operands shared by the cases ----

a = zv.Placeholder("a", latex="A", description="scalar")
b = zv.Placeholder("b")
p = zv.Placeholder("p", ndim=1)
q = zv.Placeholder("q", ndim=2)
r = zv.Placeholder("r", ndim=3)
N = p.len_at(0)
i = zv.Element("i", belong_to=(0, N), description="items")
j = zv.Element("j", belong_to=p)
k = zv.Element("k", belong_to=q)
e3 = zv.Element("e3", belong_to=r)
x = zv.BinaryVar("x", shape=[N])
y = zv.IntegerVar("y", shape=[N], lower_bound=0, upper_bound=p)
z = zv.ContinuousVar("z", shape=[N, 2], lower_bound=-1.5, upper_bound=q)
s = zv.SemiIntegerVar("s", shape=[2], lower_bound=1, upper_bound=q[i])
c = zv.SemiContinuousVar("c", lower_bound=a, upper_bound=a + 1)

EXPRESSIONS = {
    "NumberLit": zv.NumberLit(7),
    "placeholder": a,
    "element over a range": zv.Element("t", belong_to=(1, 5)),
    "element over a placeholder": j,
    "element over an element": zv.Element("l", belong_to=k),
    "element over a subscripted placeholder": zv.Element("m", belong_to=q[0]),
    "element over a subscripted element": zv.Element("n", belong_to=e3[0]),
    "binary var": zv.BinaryVar("bv"),
    "integer var": zv.IntegerVar("iv", lower_bound=-3, upper_bound=b),
    "continuous var": zv.ContinuousVar("cv", lower_bound=0.5, upper_bound=1e300),
    "semi-integer var": zv.SemiIntegerVar("sv", lower_bound=2, upper_bound=9),
    "semi-continuous var": c,
    "subscripted placeholder": p[i],
    "2-d subscript": q[i, j + 1],
    "nested subscript": q[i][j],
    "subscripted element": k[0],
    "subscripted binary var": x[i],
    "subscripted integer var": y[i],
    "subscripted continuous var": z[i, 1],
    "subscripted semi-integer var": s[0],
    "length of a placeholder": N,
    "length of an element": k.len_at(0),
    "length of a subscript": q[i].len_at(0),
    "length of a subscripted element": e3[0].len_at(0),
    **{f.__name__: f(a + 1) for f in (zv.abs, zv.ceil, zv.floor, zv.ln, zv.log2, zv.log10)},
    "power": x[i] ** 2,
    "remainder": a % 3,
    "division": a / b,
    "sum of terms": a + x[i] + 1,
    "product of terms": 2 * a * x[i],
    "min": zv.min(a, b, 3),
    "max": zv.max(a, 1.5),
    "sum": zv.sum(i, p[i] * x[i]),
    "conditional sum": zv.sum((i, (i != 0) & (p[i] > 1)), x[i]),
    "nested sums": zv.sum([i, (j, j != i)], q[i, j] * x[i]),
    "prod": zv.prod(i, p[i] + a),
    "sliced variable": x[:].sum(),
    "shared subtrees": (a + x[i]) * (a + x[i]) - zv.abs(b) * zv.abs(b),
}

CONDITIONS = {
    "==": x[i] == 1,
    "!=": a != b,
    "<": a < b,
    "<=": x[i] <= p[i],
    ">": a > 0,
    ">=": zv.sum(i, x[i]) >= 1,
    "and": (a == 1) & (b == 2),
    "or": (a == 1) | (b <= 2),
    "xor": (a == 1) ^ (b >= 2),
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
    "problem": problem(),
    "empty problem": zv.Problem("empty"),
    "constraint": zv.Constraint("c", zv.sum(i, x[i]) == 1),
    "constraint with forall": zv.Constraint("c", x[i] <= p[i], forall=[(i, i > 0)]),
    "penalty": zv.CustomPenaltyTerm("t", (x[i] - 1) ** 2, forall=[i]),
    "empty name": zv.Constraint("", c == 1),
    "name in any script": zv.CustomPenaltyTerm("péno ✓ 罰", zv.SemiContinuousVar("変数", lower_bound=0, upper_bound=1)),
}


def round_trip(obj):
    return zv.from_protobuf(zv.to_protobuf(obj))


@pytest.mark.parametrize("obj", [*EXPRESSIONS.values(), *CONDITIONS.values(), *MODELS.values()],
                         ids=[*EXPRESSIONS, *CONDITIONS, *MODELS])
def test_round_trip(obj):
    back = round_trip(obj)
    assert type(back) is type(obj)
    assert zv.is_same(back, obj)
    if not isinstance(obj, zv.Problem):
        assert str(back) == str(obj)


@pytest.mark.parametrize("number, expected", [
    (3, zv.NumberLit(3)), (True, zv.NumberLit(1)), (-1, zv.NumberLit(-1)), (2.5, zv.NumberLit(2.5)),
    (-0.0, zv.NumberLit(-0.0)), (math.inf, zv.NumberLit(math.inf)), (2**70, zv.NumberLit(float(2**70))),
    (-2**63, zv.NumberLit(-2**63)),
])
def test_numbers_come_back_as_literals(number, expected):
    back = round_trip(number)
    assert repr(back) == repr(expected) and back.dtype == expected.dtype
    assert math.copysign(1, back.value) == math.copysign(1, expected.value)


@pytest.mark.parametrize("nan", [math.nan, -math.nan], ids=["nan", "negative nan"])
def test_nan_keeps_its_bits(nan):
    written = zv.to_protobuf(nan)
    back = zv.from_protobuf(written)
    assert math.isnan(back.value) and repr(back) == "NumberLit(value=NaN)"
    assert pw.written_expr(pw.one(pw.message(zv.to_protobuf(back)), 6))[1] == \
        pw.written_expr(pw.one(pw.message(written), 6))[1]


def test_problem_parts_come_back():
    model = problem()
    back = round_trip(model)
    assert back.name == "knapsack" and back.sense == zv.ProblemSense.MAXIMIZE
    assert list(back.constraints) == ["capacity", "pairs"]
    assert list(back.custom_penalty_terms) == ["each", "one"]
    assert repr(back.constraints["pairs"]) == repr(model.constraints["pairs"])


def test_latex_and_descriptions_are_not_kept():
    u = zv.Placeholder("u", ndim=1, latex="U", description="data")
    t = zv.Element("t", belong_to=u, latex="T", description="index")
    f = zv.abs(u[t])
    f.set_latex("F")
    back = round_trip(f + t)
    assert back._repr_latex_() == round_trip(zv.abs(zv.Placeholder("u", ndim=1)[t]) + t)._repr_latex_()
    assert "F" not in back._repr_latex_() and "U" not in back._repr_latex_()
    assert repr(back) == repr(zv.abs(zv.Placeholder("u", ndim=1)[zv.Element("t", belong_to=zv.Placeholder(
        "u", ndim=1))]) + zv.Element("t", belong_to=zv.Placeholder("u", ndim=1)))


def test_to_protobuf_twice_differs_but_decodes_the_same():
    model = problem()
    first, second = zv.to_protobuf(model), zv.to_protobuf(model)
    assert first != second
    assert zv.is_same(zv.from_protobuf(first), zv.from_protobuf(second))


# ---- what the writer writes ----

def header_of(obj):
    h = pw.message(zv.to_protobuf(obj))
    assert UUID.match(pw.one(h, 1).decode()) and pw.one(h, 2) == 1
    return h


def table_of(obj):
    """(root_id, records) of the `expr` body."""
    expr = pw.message(pw.one(header_of(obj), 6))
    assert UUID.match(pw.one(expr, 1).decode())
    return pw.one(expr, 2, 0), expr.get(3, [])


@pytest.mark.parametrize("value, record", [
    (3, "0a 04 08 02 10 03"), (True, "0a 04 08 02 10 01"), (0, "0a 02 08 02"), (0.0, "0a 02 08 01"),
    (-1, "0a 0d 08 02 10 ff ff ff ff ff ff ff ff ff 01"),
    (1.5, "0a 0c 08 01 10 80 80 80 80 80 80 80 fc 3f"),
    (-0.0, "0a 0d 08 01 10 80 80 80 80 80 80 80 80 80 01"),
    (zv.Placeholder("x"), "12 03 0a 01 78"),
])
def test_leaf_records(value, record):
    assert table_of(value) == (0, [bytes.fromhex(record)])


def test_equal_nodes_are_stored_once():
    u = zv.Placeholder("x")
    assert table_of(u + u) == (1, [bytes.fromhex("12 03 0a 01 78"), bytes.fromhex("3a 06 08 01 12 02 00 00")])
    root, records = table_of(p[i] * x[i])
    assert sum(rec[0] == 0x42 for rec in records) == 1  # one Element record for i
    subscripts = [pw.message(pw.one(pw.message(rec), 9)) for rec in records if rec[0] == 0x4A]
    assert len(subscripts) == 2 and subscripts[0][4] == subscripts[1][4]


def test_children_come_before_parents():
    t = zv.Element("t", belong_to=(0, 3))
    u = zv.BinaryVar("u", shape=[3])
    root, records = table_of(zv.sum(t, u[t]))
    kinds = [rec[0] >> 3 for rec in records]
    # 0 and 3 (the set), t, u (its shape is the literal 3 again), u[t], the sum
    assert kinds == [1, 1, 8, 3, 9, 10] and root == 5
    reduction = pw.message(pw.one(pw.message(records[5]), 10))
    assert pw.message(pw.one(reduction, 2)) == {1: [2]}
    assert pw.unpack_ids(pw.one(pw.message(pw.one(pw.message(records[4]), 9)), 4)) == [2]


def test_a_condition_is_written_as_an_expr_body():
    root, records = table_of(zv.Placeholder("x") <= 3)
    assert pw.message(pw.one(pw.message(records[root]), 6))[1] == [6]


def test_constraints_and_forall_lists():
    model = pw.message(pw.one(header_of(zv.Constraint("c", x[i] == p[i], forall=i)), 4))
    assert pw.one(model, 2) == b"c" and pw.one(model, 3) == 1
    sides = [pw.written_expr(pw.one(model, f)) for f in (4, 5)]
    forall = pw.message(pw.one(model, 6))
    # three tables, each with its own record of i
    for records in [sides[0][1], sides[1][1], forall[2]]:
        assert sum(rec[0] == 0x42 for rec in records) == 1
    bare = pw.message(pw.one(header_of(zv.Constraint("d", c == 1)), 4))
    assert pw.one(bare, 6) == b""  # an empty forall list is still written


def test_problem_maps_and_ids():
    model = pw.message(pw.one(header_of(problem()), 3))
    assert pw.one(model, 3) == 2  # MAXIMIZE
    keys = [pw.one(pw.message(entry), 1) for entry in model[5]]
    assert sorted(keys) == [b"capacity", b"pairs"]
    values = [pw.message(pw.one(pw.message(entry), 2)) for entry in model[5] + model[6]]
    ids = [pw.one(model, 1)] + [pw.one(v, 1) for v in values]
    assert all(UUID.match(t.decode()) for t in ids) and len(set(ids)) == len(ids)
    empty = pw.message(pw.one(header_of(zv.Problem("")), 3))
    assert set(empty) == {1, 3, 4} and pw.written_expr(pw.one(empty, 4)) == (0, [bytes.fromhex("0a 02 08 02")])


def test_decision_var_bounds():
    (record,) = table_of(zv.BinaryVar("u"))[1]
    assert set(pw.message(pw.one(pw.message(record), 3))) == {1, 2}
    root, records = table_of(zv.IntegerVar("v", lower_bound=0, upper_bound=10))
    var = pw.message(pw.one(pw.message(records[root]), 3))
    assert [pw.message(pw.one(var, f)) for f in (4, 5)] == [{1: [1]}, {1: [1], 2: [1]}]


def test_terms_with_own_latex_are_written_in_normal_form():
    u, v, w = (zv.Placeholder(n) for n in "uvw")
    inner = u + v
    inner.set_latex("S")
    root, records = table_of(inner + w)
    assert pw.unpack_ids(pw.one(pw.message(pw.one(pw.message(records[root]), 7)), 2)) == [0, 1, 2]
    one = u + 1
    one.set_latex("T")
    assert table_of(one + (-1)) == (0, [bytes.fromhex("12 03 0a 01 75")])
    square = u ** 2
    square.set_latex("Q")
    root, records = table_of(square * u ** 3)
    assert pw.message(pw.one(pw.message(records[root]), 6))[1] == [1]
    assert str(zv.from_protobuf(zv.to_protobuf(square * u ** 3))) == "u ** 5"


def test_to_protobuf_refusals():
    with pytest.raises(TypeError) as info:
        zv.to_protobuf(p)
    assert str(info.value) == (
        "argument 'obj': failed to extract enum SerializableObject ('Problem | Constraint | "
        "CustomPenaltyTerm | Expression | ConditionalExpr')" + "".join(
            f"\n- variant {n} ({n}): TypeError: failed to extract field SerializableObject::{n}.0, "
            f"caused by TypeError: {cause}" for n, cause in [
                ("Problem", "'Placeholder' object cannot be converted to 'Problem'"),
                ("Constraint", "'Placeholder' object cannot be converted to 'Constraint'"),
                ("CustomPenaltyTerm", "'Placeholder' object cannot be converted to 'CustomPenaltyTerm'"),
                ("Expression", "failed to convert into expression."),
                ("ConditionalExpr", "failed to convert into a conditional expression.")]))
    with pytest.raises(zv.ProtobufSerializationError, match="^failed to encode the element w because its "
                       "set is a subscript of a decision variable"):
        zv.to_protobuf(zv.Element("w", belong_to=zv.BinaryVar("v", shape=[2, 2])[0]))
    with pytest.raises(TypeError) as info:
        zv.to_protobuf(x[:])
    assert str(info.value).split("\n")[4].endswith(
        "caused by ModelingError: dummy indexed BinaryVar with name 'x' must be called the `sum` or `prod` "
        "method to be converted into an expression.")

    class Interrupt(BaseException):
        pass

    class Number:
        def __index__(self):
            raise Interrupt

    with pytest.raises(Interrupt):
        zv.to_protobuf(Number())
    with pytest.raises(TypeError, match="missing 1 required positional argument: 'obj'"):
        zv.to_protobuf()
    assert zv.to_protobuf.__text_signature__ == "(obj)" and zv.from_protobuf.__text_signature__ == "(buf)"


# ---- reading ----

MIN_VERSION = ("the input schema has an unsupported version: 0. The minimum supported version is 1. "
               "Please update the zorvane to generate the model.")
NO_BODY = "failed to decode the input buffer because it did not contain a Problem message."
INVALID = "failed to decode the input buffer because it did not contain a valid Protobuf message."
ROOT = "failed to decode the input buffer because it contained the invalid ID of an expression node."
UNSET = "failed to decode the input buffer because it did not contain valid Protobuf message"
BINARY = "failed to decode the input buffer because it did not contain valid BinaryOp Protobuf message"
COND_COMMUTATIVE = ("failed to decode the input buffer because it contained an invalid op in a conditional "
                    "expr (Commutative Op that is not a logical operator")
COND_BINARY = ("failed to decode the input buffer because it contained an invalid op in a conditional "
               "expr (BinaryOp that is not a logical operator")
CYCLE = "failed to decode the input buffer because its expression nodes refer to each other in a cycle"
TOO_LARGE = "failed to decode the input buffer because its expressions would expand to too many nodes"
TOO_DEEP = "failed to decode the input buffer because an expression is nested more than 4096 levels deep"

W = pw  # short alias inside the tables
BV = W.decision_var(1, "x")  # a scalar binary variable


def objective(nodes, root=0):
    """A problem whose objective is the given table: reads the root as an expression only."""
    return W.header(W.ld(3, W.problem(objective=W.expr(nodes, root))))


def constraint_body(*args, **kwargs):
    return W.header(W.ld(4, W.constraint(*args, **kwargs)))


READ_ERRORS = {
    "empty buffer": (b"", DE, MIN_VERSION),
    "version 2": (W.header(W.ld(3, W.problem()), version=2), DE,
                  "the input schema has an unsupported version: 2. The maximum supported version is 1. "
                  "Please update the zorvane to receive the model"),
    "no body": (W.header(), DE, NO_BODY),
    "not protobuf": (b"\xff\xff", DE, INVALID),
    "problem sense 0": (W.header(W.ld(3, W.problem(sense=0))), DE,
                        "failed to decode the input buffer because it did not contain a Protobuf message "
                        "according to a problem sense."),
    "no objective": (W.header(W.ld(3, W.problem())), DE,
                     "failed to decode the input buffer because it did not contain a Protobuf message "
                     "according to an objective function."),
    "empty objective": (W.header(W.ld(3, W.problem(objective=b""))), DE, ROOT),
    "condition as objective": (objective([W.lit(1), W.binary(3, 0, 0)], 1), DE, BINARY),
    "root id past the table": (W.expr_body([W.lit(1)], 1), DE, ROOT),
    "empty table": (W.expr_body([]), DE, ROOT),
    "sum root with a bad term": (W.expr_body([W.lit(1), W.commutative(1, [0, 2])], 1), DE, COND_COMMUTATIVE),
    "array placeholder root": (W.expr_body([W.placeholder("p", 1)]), DE, BINARY),
    "unset root": (W.expr_body([b""]), DE, UNSET),
    "constraint sense 4": (constraint_body("c", 4), DE,
                           "failed to decode the input buffer because it did not contain a Protobuf message "
                           "according to a constraint equality."),
    "constraint without left": (constraint_body("c", 1, right=W.expr([W.lit(1)])), DE,
                                "failed to decode the input buffer because the Constraint message does not "
                                "contain the left hand side."),
    "constraint without right": (constraint_body("c", 1, left=W.expr([BV])), DE,
                                 "failed to decode the input buffer because the Constraint message does not "
                                 "contain the right hand side."),
    "penalty without term": (W.header(W.ld(5, W.penalty("t"))), DE,
                             "failed to decode the input buffer because the CustomPenaltyTerm message does not "
                             "contain the penalty term."),
    "constraint without decision variable": (
        constraint_body("c", 1, left=W.expr([W.lit(1)]), right=W.expr([W.lit(2)])),
        zv.ModelingError, "expression does not contain a decision variable"),
    "penalty without decision variable": (W.header(W.ld(5, W.penalty("t", W.expr([W.lit(1)])))),
                                          zv.ModelingError,
                                          "the custom penalty term does not contain a decision variable"),
    "literal of type 0": (objective([W.lit(1, type_=0)]), DE,
                          "failed to decode the input buffer because it did not contain a Protobuf message "
                          "according to the data type of a number literal."),
    "array placeholder in an expression": (objective([W.placeholder("q", 2)]), zv.ModelingError,
                                           "the dimensionality of the Placeholder { name: q } must be zero, "
                                           "but is actually 2"),
    "comparison in an expression": (objective([W.binary(3, 5, 5)]), DE, BINARY),
    "binary kind 0": (objective([W.binary(0, 5, 5)]), DE, BINARY),
    "term id past the table": (objective([W.lit(1), W.commutative(1, [0, 2])], 1), DE,
                               "the Expression message contained an invalid operand id"),
    "commutative kind 5 in an expression": (objective([W.lit(1), W.commutative(5, [0])], 1), DE,
                                            "failed to decode the input buffer because it did not contain "
                                            "valid CommutativeOp Protobuf message"),
    "unary without operand": (objective([W.unary(7, 1)]), DE, "the Expression does not contain the id of the operand"),
    "unary kind 7": (objective([W.lit(1), W.unary(7, 0)], 1), DE,
                     "failed to decode the input buffer because it did not contain valid UnaryOp Protobuf message"),
    "unary over a decision variable": (objective([BV, W.unary(1, 0)], 1), zv.ModelingError,
                                       "the operand of the unary op contains a decision variable"),
    "reduction without index": (objective([W.lit(1), W.reduction(1, 0, 0, with_index=False)], 1), DE,
                                "the Expression message does not contain the id of the index"),
    "reduction over a placeholder": (objective([W.placeholder("a"), W.reduction(1, 0, 0)], 1), DE,
                                     "failed to decode the input buffer because it did not contain valid Index "
                                     "Protobuf message"),
    "reduction kind 3": (objective([W.element_range("i", 1, 2), W.lit(0), W.lit(3), W.reduction(3, 0, 0)], 3), DE,
                         "failed to decode the input buffer because it did not contain valid ReductionOp "
                         "Protobuf message"),
    "reduction without operand": (objective([W.element_range("i", 1, 2), W.lit(0), W.lit(3),
                                             W.reduction(1, 0, 9)], 3), DE,
                                  "the Expression message does not contain the id of the operand"),
    "condition id past the table": (objective([W.element_range("i", 1, 2), W.lit(0), W.lit(3),
                                               W.reduction(1, 0, 0, condition=9)], 3), DE,
                                    "the Expression message did not contain the id of the condition"),
    "condition with a decision variable": (objective([W.element_range("i", 1, 2), W.lit(0), W.lit(3), BV,
                                                      W.binary(3, 3, 1), W.reduction(1, 0, 0, condition=4)], 5),
                                           zv.ModelingError, "the condition expression contains a decision variable"),
    "sum as a condition": (objective([W.element_range("i", 1, 2), W.lit(0), W.lit(3), W.commutative(1, []),
                                      W.reduction(1, 0, 0, condition=3)], 4), DE, COND_COMMUTATIVE),
    "power as a condition": (objective([W.element_range("i", 1, 2), W.lit(0), W.lit(3), W.binary(1, 1, 1),
                                        W.reduction(1, 0, 0, condition=3)], 4), DE, COND_BINARY),
    "literal as a condition": (objective([W.element_range("i", 1, 2), W.lit(0), W.lit(3),
                                          W.reduction(1, 0, 0, condition=1)], 3), DE, BINARY),
    "integer var without lower bound": (objective([W.decision_var(2, "v", upper=(1, 0))]), DE,
                                        "the DecisionVar message does not contain the lower bound"),
    "integer var without upper bound": (objective([W.lit(0), W.decision_var(2, "v", lower=(1, 0))], 1), DE,
                                        "the DecisionVar message does not contain the upper bound"),
    "var type 0": (objective([W.lit(0), W.decision_var(0, "v", lower=(1, 0), upper=(1, 0))], 1), DE,
                   "failed to decode the input buffer because it did not contain valid DecisionVar Protobuf message"),
    "bound type 0": (objective([W.lit(0), W.decision_var(0, "v", lower=(0, 0), upper=(1, 0))], 1), DE,
                     "failed to decode the input buffer because it did not contain a Protobuf message according "
                     "to the type of a decision variable bound."),
    "bound id past the table": (objective([W.decision_var(2, "v", lower=(1, 5), upper=(1, 5))]), DE,
                                "the DecisionVarBound message does not contain the id of the bound"),
    "placeholder bound on a subscript": (
        objective([W.placeholder("p", 1), W.lit(0), W.subscript(0, [1]), W.decision_var(2, "v", lower=(2, 2),
                                                                                          upper=(1, 1))], 3),
        DE, "invalid message: the bound is not a placeholder"),
    "subscript bound on a placeholder": (
        objective([W.placeholder("p", 1), W.decision_var(2, "v", lower=(3, 0), upper=(3, 0))], 1),
        DE, "invalid message: the bound is not a subscripted placeholder"),
    "scalar placeholder bound": (objective([W.placeholder("p"), W.decision_var(2, "v", lower=(2, 0),
                                                                               upper=(2, 0))], 1),
                                 zv.ModelingError, "the placeholder is a scalar"),
    "shape id past the table": (objective([W.decision_var(1, "v", shape=[4])]), DE,
                                "Decision var messsage had an invalid shape element id"),
    "array var in an expression": (objective([W.lit(3), W.decision_var(1, "v", shape=[0])], 1), zv.ModelingError,
                                   "the dimensionality of the BinaryVar { name: v } must be zero, but is actually 1"),
    "element over a literal": (objective([W.lit(3), W.element_set("i", 0)], 1), DE, "invalid message"),
    "element over an unset node": (objective([b"", W.element_set("i", 0)], 1), DE, UNSET),
    "element without a set": (objective([W.element_unset("i")]), DE, UNSET),
    "element set id past the table": (objective([W.element_set("i", 5)]), DE,
                                      "the Expression message does not contain the id of the start of the range"),
    "range end past the table": (objective([W.lit(0), W.element_range("i", 0, 5)], 1), DE,
                                 "the Expression message does not contain the id of the end of the range"),
    "empty range": (objective([W.lit(3), W.lit(1), W.element_range("i", 0, 1)], 2), ValueError,
                    "`Range.start` (= 3) is larger than `Range.end` (= 1)"),
    "range over a decision variable": (objective([W.lit(0), BV, W.element_range("i", 0, 1)], 2), zv.ModelingError,
                                       "the upper bound contains a decision variable"),
    "array element in an expression": (objective([W.placeholder("q", 2), W.element_set("i", 0)], 1),
                                       zv.ModelingError,
                                       "the dimensionality of the Element { name: i } must be zero, but is "
                                       "actually 1"),
    "subscript without variable": (objective([W.subscript(3, [])]), DE, "Subscript message did not have a valid var id"),
    "subscript of a literal": (objective([W.lit(0), W.subscript(0, [0])], 1), DE, "invalid message"),
    "subscript of a scalar": (objective([W.placeholder("a"), W.subscript(0, [0])], 1), zv.ModelingError,
                              "the scalar `Placeholder { name: a }` is not subscriptable"),
    "subscript id past the table": (objective([W.placeholder("p", 1), W.subscript(0, [7])], 1), DE,
                                    "Subscript messsage had an invalid subscript id"),
    "no subscripts": (objective([W.placeholder("p", 1), W.subscript(0, [])], 1), zv.ModelingError,
                      "the number of subscripts is zero"),
    "too many subscripts": (objective([W.placeholder("p", 1), W.lit(0), W.subscript(0, [1, 1])], 2),
                            zv.ModelingError, "the number of subscripts (= 2) is greater than the dimensionality of "
                                              "the variable `p` (= 1)"),
    "array id past the table": (objective([W.array_length(4, 0)]), DE,
                                "the Expression message does not contain the id of the array"),
    "length of a literal": (objective([W.lit(0), W.array_length(0, 0)], 1), DE, "invalid message"),
    "length of a scalar": (objective([W.placeholder("a"), W.array_length(0, 0)], 1), zv.ModelingError,
                           "the placeholder a is a scalar"),
    "axis out of bounds": (objective([W.placeholder("p", 1), W.array_length(0, 1)], 1), zv.ModelingError,
                           "axis 1 is out of bounds for the axis of the array p"),
}


@pytest.mark.parametrize("data, error, message", READ_ERRORS.values(), ids=READ_ERRORS)
def test_read_errors(data, error, message):
    with pytest.raises(error) as info:
        zv.from_protobuf(data)
    assert type(info.value) is error and str(info.value) == message


READS = {
    "integer 2**64 - 1": (W.expr_body([W.lit(-1)]), zv.NumberLit, "-1"),
    "float with no value": (W.expr_body([W.lit(0.0)]), zv.NumberLit, "0"),
    "array placeholder as a subscripted variable": (
        W.expr_body([W.placeholder("q", 2), W.lit(0), W.lit(1), W.subscript(0, [1, 2])], 3), zv.Subscript, "q[0, 1]"),
    "power with exponent 0": (W.expr_body([W.placeholder("a"), W.lit(0), W.binary(1, 0, 1)], 2), zv.PowOp, "a ** 0"),
    "remainder by 0": (W.expr_body([W.placeholder("a"), W.lit(0), W.binary(2, 0, 1)], 2), zv.ModOp, "a % 0"),
    "sum of literals": (W.expr_body([W.lit(1), W.lit(2), W.commutative(1, [0, 1])], 2), zv.AddOp, "3"),
    "product of literals": (W.expr_body([W.placeholder("a"), W.lit(2), W.lit(3), W.commutative(2, [0, 1, 2])], 3),
                            zv.MulOp, "6 * a"),
    "min of literals": (W.expr_body([W.lit(1), W.lit(2), W.commutative(3, [0, 1])], 2), zv.MinOp, "min(1, 2)"),
    "max of a decision variable": (W.expr_body([BV, W.commutative(4, [0])], 1), zv.MaxOp, "max(x)"),
    "binary var with other bounds": (W.expr_body([W.lit(5), W.decision_var(1, "x", lower=(1, 0), upper=(9, 9))], 1),
                                     zv.BinaryVar, "x"),
    "equal root": (W.expr_body([W.placeholder("a"), W.lit(1), W.binary(3, 0, 1)], 2), zv.EqualOp, "a == 1"),
    "and root": (W.expr_body([W.placeholder("a"), W.binary(4, 0, 0), W.commutative(5, [1, 1])], 2), zv.AndOp,
                 str((zv.Placeholder("a") != zv.Placeholder("a")) & (zv.Placeholder("a") != zv.Placeholder("a")))),
    "and of nothing": (W.expr_body([W.commutative(5, [])]), zv.AndOp, ""),
    "condition id 0": (W.expr_body([W.binary(7, 1, 2), W.element_range("i", 2, 3), W.lit(0), W.lit(5),
                                    W.reduction(1, 1, 1, condition=0)], 4),
                       zv.SumOp, "sum(i in [0..5) s.t. i > 0, i)"),
}


@pytest.mark.parametrize("data, cls, text", READS.values(), ids=READS)
def test_reads(data, cls, text):
    back = zv.from_protobuf(data)
    assert type(back) is cls and str(back) == text


def test_read_values():
    assert zv.from_protobuf(READS["and of nothing"][0]).terms == []
    assert zv.from_protobuf(READS["float with no value"][0]).dtype == zv.DataType.FLOAT
    assert zv.is_same(zv.from_protobuf(READS["binary var with other bounds"][0]), zv.BinaryVar("x"))
    assert [str(t) for t in zv.from_protobuf(READS["sum of literals"][0]).terms] == ["3"]


def test_argument_types():
    class Bytes(bytes):
        pass

    assert repr(zv.from_protobuf(Bytes(zv.to_protobuf(3)))) == "NumberLit(value=3)"
    for value, name in [("abc", "str"), (bytearray(b"\x10\x01"), "bytearray"), (memoryview(b""), "memoryview")]:
        with pytest.raises(TypeError) as info:
            zv.from_protobuf(value)
        assert str(info.value) == f"argument 'buf': '{name}' object cannot be converted to 'PyBytes'"
    with pytest.raises(TypeError, match="unexpected keyword argument 'data'"):
        zv.from_protobuf(data=b"")
    assert repr(zv.from_protobuf(buf=zv.to_protobuf(obj=3))) == "NumberLit(value=3)"


def bv_constraint(name):
    return W.constraint(name, 1, left=W.expr([W.decision_var(1, "x")]), right=W.expr([W.lit(1)]))


def test_problem_maps_are_read_in_name_order():
    data = W.header(W.ld(3, W.problem(objective=W.expr([W.lit(0)]),
                                      constraints=[(n, bv_constraint(n)) for n in "cab"])))
    assert list(zv.from_protobuf(data).constraints) == ["a", "b", "c"]


def test_constraint_without_forall_list():
    with_list = W.header(W.ld(4, bv_constraint("c") + W.ld(6)))
    without = W.header(W.ld(4, bv_constraint("c")))
    assert repr(zv.from_protobuf(with_list)) == repr(zv.from_protobuf(without)) == \
        'Constraint(name="c", expression=x == 1)'


# ---- proto3 reading rules ----

UNKNOWN = (W.key(15, 0) + W.varint(300) + W.key(16, 1) + b"\0" * 8 + W.key(17, 5) + b"\0" * 4 +
           W.ld(18, b"\xff\xff") + W.key(19, 3) + W.key(20, 0) + b"\x01" + W.key(19, 4))


def test_unknown_fields_are_skipped_everywhere():
    lit_node = W.ld(1, UNKNOWN + W.vint(1, 2) + UNKNOWN + W.vint(2, 5))
    data = UNKNOWN + W.header(W.ld(6, UNKNOWN + W.ld(3, UNKNOWN + lit_node + UNKNOWN) + UNKNOWN))
    assert repr(zv.from_protobuf(data)) == "NumberLit(value=5)"


def test_last_value_wins_and_messages_merge():
    # version 7 then 1; root id 0 then 1; the expr body in two parts, merged
    first = W.ld(6, W.vint(2, 0) + W.ld(3, W.placeholder("a")))
    second = W.ld(6, W.ld(3, W.placeholder("b") + W.placeholder("c")) + W.vint(2, 1))
    data = W.vint(2, 7) + first + W.header(second)
    assert str(zv.from_protobuf(data)) == "c"
    # a later member of the oneof replaces an earlier one
    data = W.header(W.ld(4, bv_constraint("c")) + W.ld(6, W.expr([W.lit(2)])))
    assert repr(zv.from_protobuf(data)) == "NumberLit(value=2)"
    # a repeated singular message field (the constraint's left side) is merged
    left = W.ld(4, W.ld(3, W.decision_var(1, "x"))) + W.ld(4, W.vint(1, 0))
    data = W.header(W.ld(4, W.text(2, "c") + W.vint(3, 1) + left + W.ld(5, W.expr([W.lit(1)]))))
    assert str(zv.from_protobuf(data)) == 'Constraint(name="c", expression=x == 1)'


def test_map_entries_with_equal_keys_keep_the_last():
    other = W.constraint("c", 2, left=W.expr([W.decision_var(1, "x")]), right=W.expr([W.lit(5)]))
    data = W.header(W.ld(3, W.problem(objective=W.expr([W.lit(0)]), constraints=[("c", bv_constraint("c")),
                                                                              ("c", other)])))
    assert str(zv.from_protobuf(data).constraints["c"]) == 'Constraint(name="c", expression=x <= 5)'
    # only the entry that is kept is decoded
    bad = W.constraint("c", 9)
    data = W.header(W.ld(3, W.problem(objective=W.expr([W.lit(0)]), constraints=[("c", bad), ("c", other)])))
    assert list(zv.from_protobuf(data).constraints) == ["c"]


def test_ids_packed_or_not_and_enums_of_32_bits():
    unpacked = W.ld(7, W.vint(1, 1) + (W.key(2, 0) + b"\x00") * 2)
    data = W.expr_body([W.placeholder("a"), unpacked], 1)
    assert str(zv.from_protobuf(data)) == "a + a"
    # an enum keeps the low 32 bits of its varint: 2**32 + 2 is MAXIMIZE
    data = W.header(W.ld(3, W.problem(sense=2**32 + 2, objective=W.expr([W.lit(0)]))))
    assert zv.from_protobuf(data).sense == zv.ProblemSense.MAXIMIZE


def nested_groups(depth):
    return W.key(9, 3) * depth + W.key(9, 4) * depth


@pytest.mark.parametrize("data", [
    W.header() + b"\x80" * 10 + b"\x01",             # a varint of 11 bytes
    W.header() + W.key(9, 0) + b"\xff" * 9 + b"\x02",  # a varint past 64 bits
    W.header() + W.key(9, 2) + W.varint(5) + b"abc",  # a length past the end
    W.header() + W.key(9, 6), W.header() + W.key(9, 7),  # wire types 6 and 7
    W.header() + W.varint(0 << 3 | 0) + b"\x01",     # field number 0
    W.header() + W.varint(1 << 35) + b"\x01",        # a key beyond 32 bits
    W.ld(2, b"\x01"),                                  # version as a length-delimited field
    W.header() + W.vint(6, 1),                        # a message field as a varint
    W.header(W.ld(6, W.key(2, 5) + b"\0\0\0\0")),     # root id as fixed32
    W.header(W.ld(6, W.expr([W.placeholder("a")]) + W.key(3, 1) + b"\0" * 8)),  # node as fixed64
    W.header(W.ld(6, W.expr([W.ld(7, W.key(2, 5) + b"\0" * 4)]))),  # term ids as fixed32
    W.header(W.ld(6, W.expr([W.ld(2, W.ld(1, b"\xff"))]))),  # a name that is not UTF-8
    W.header(W.ld(6, W.expr([W.ld(2, W.ld(1, b"\xc0\x80"))]))),  # an overlong form
    W.header(W.ld(6, W.expr([W.ld(2, W.ld(1, b"\xed\xa0\x80"))]))),  # a surrogate
    W.header(W.ld(6, W.ld(1, b"\x80abc"))),           # an id that is not UTF-8
    W.header() + nested_groups(101),                  # nesting past the limit
    W.header() + W.key(9, 4),                         # an end of group with no group
    W.header() + W.key(9, 3) + W.key(8, 4),           # a group ended by another field
    W.header() + W.key(9, 3) + W.vint(1, 1),          # input ending inside a group
    W.header(W.ld(6, W.expr([W.lit(1)])))[:-1],       # a truncated message
    W.header(W.ld(6, W.ld(3, W.ld(7, W.key(2, 2) + W.varint(3) + b"\x01")))),  # packed ids past their length
    W.header(W.ld(6, W.ld(3, W.ld(7, W.key(2, 2) + W.varint(2) + b"\x01\x80")))),  # a varint cut by its list
], ids=lambda d: d.hex()[:24])
def test_wire_format_errors(data):
    with pytest.raises(DE) as info:
        zv.from_protobuf(data)
    assert str(info.value) == INVALID


def test_nesting_within_the_limit_is_read():
    assert repr(zv.from_protobuf(nested_groups(99) + W.expr_body([W.lit(4)]))) == "NumberLit(value=4)"


# ---- hostile tables ----

@pytest.mark.parametrize("nodes, root", [
    ([W.unary(1, 0)], 0),
    ([W.commutative(1, [0])], 0),
    ([W.element_set("i", 0)], 0),
    ([W.subscript(0, [0])], 0),
    ([W.placeholder("p", 1), W.subscript(2, [0]), W.subscript(1, [0])], 2),
    ([W.element_range("i", 1, 1), W.reduction(1, 0, 1)], 1),
    ([W.binary(3, 1, 1), W.element_range("i", 2, 2), W.reduction(1, 1, 2, condition=0)], 2),
    ([W.commutative(5, [1]), W.commutative(6, [0])], 0),
    ([W.decision_var(2, "v", lower=(1, 0), upper=(1, 0))], 0),
], ids=["unary", "sum", "element set", "subscript", "subscript chain", "reduction",
        "range in a condition", "logical", "decision variable bound"])
def test_cycles_are_refused(nodes, root):
    with pytest.raises(DE) as info:
        zv.from_protobuf(W.expr_body(nodes, root))
    assert str(info.value) == CYCLE


def test_nesting_past_the_depth_limit_is_refused():
    chain = [W.placeholder("a")] + [W.unary(1, k) for k in range(4096)]
    with pytest.raises(DE) as info:
        zv.from_protobuf(W.expr_body(chain, 4096))
    assert str(info.value) == TOO_DEEP
    assert str(zv.from_protobuf(W.expr_body(chain[:-1], 4095))).count("|") == 2 * 4095
    # an element ranges over a range node, which has no record of its own: the tree is deeper
    # than its records, and the builders' depth limit is reported the same way
    ranges = [W.lit(0), W.lit(5), W.element_range("e0", 0, 1)]
    ranges += [W.element_range(f"e{k}", 0, k + 1) for k in range(1, 2100)]
    with pytest.raises(DE) as info:
        zv.from_protobuf(objective(ranges, len(ranges) - 1))
    assert str(info.value) == TOO_DEEP


@pytest.mark.parametrize("doublings, functions", [(40, 0), (20, 2000)],
                         ids=["doubling sums", "functions over a shared sum"])
def test_tables_that_expand_exponentially_are_refused_quickly(doublings, functions):
    nodes = [W.placeholder("a")] + [W.commutative(1, [k, k]) for k in range(doublings)]
    nodes += [W.unary(1, doublings + k) for k in range(functions)]
    start = time.perf_counter()
    with pytest.raises(DE) as info:
        zv.from_protobuf(W.expr_body(nodes, len(nodes) - 1))
    assert str(info.value) == TOO_LARGE
    assert time.perf_counter() - start < 5


def test_shared_nodes_within_limits_are_read():
    doubling = [W.placeholder("a")] + [W.commutative(1, [k, k]) for k in range(12)]
    assert str(zv.from_protobuf(W.expr_body(doubling, 12))).count("a") == 4096


def test_trees_at_the_depth_limit_round_trip_with_little_stack():
    # Writing and reading keep their own stacks: the C stack a round trip needs is that of the
    # builders' checks, which AddressSanitizer's larger frames multiply.
    stack = 16 if "libasan" in os.environ.get("LD_PRELOAD", "") else 2
    out = subprocess.run([sys.executable, "-c", textwrap.dedent(f"""
        import threading, zorvane as zv
        a = zv.Placeholder("a")
        p = zv.Placeholder("p", ndim=1)
        i = zv.Element("i", belong_to=(0, 3))
        def deepest(build):
            e = a
            while True:
                try:
                    e = build(e)
                except RecursionError:
                    return e
        trees = [deepest(f) for f in (zv.abs, lambda e: zv.sum(i, e), lambda e: zv.min(e, a),
                                      lambda e: p[e], lambda e: e ** 2)]
        results = []
        def work():
            for e in trees:
                results.append(zv.is_same(zv.from_protobuf(zv.to_protobuf(e)), e))
        threading.stack_size({stack} * 1024 * 1024)
        t = threading.Thread(target=work)
        t.start()
        t.join()
        print(results)
    """)], capture_output=True, text=True, timeout=300)
    assert out.returncode == 0, out.stderr[-2000:]
    assert out.stdout.split() == ["[True,", "True,", "True,", "True,", "True]"]


# ---- rules a decoded model keeps (the constructors' and `+=`'s) ----

def test_a_decoded_constraint_obeys_the_forall_rule():
    element = W.element_range("i", 0, 1)
    left = W.expr([W.lit(0), W.lit(3), element, W.decision_var(1, "x", shape=[1]), W.subscript(3, [2])], 4)
    data = W.header(W.ld(4, W.constraint("c", 1, left=left, right=W.expr([W.lit(1)]))))
    t = zv.Element("i", belong_to=3)
    with pytest.raises(zv.ModelingError) as expected:
        zv.Constraint("c", zv.BinaryVar("x", shape=[3])[t] == 1)
    with pytest.raises(zv.ModelingError) as info:
        zv.from_protobuf(data)
    assert str(info.value) == str(expected.value)
    forall = W.forall_list([W.index(2)], [W.lit(0), W.lit(3), element])
    data = W.header(W.ld(4, W.constraint("c", 1, left=left, right=W.expr([W.lit(1)]), forall=forall)))
    assert str(zv.from_protobuf(data)) == 'Constraint(name="c", expression=x[i] == 1, forall=[i])'
    twice = W.forall_list([W.index(2), W.index(2)], [W.lit(0), W.lit(3), element])
    with pytest.raises(zv.ModelingError, match="^forall has duplicated indices$"):
        zv.from_protobuf(W.header(W.ld(4, W.constraint("c", 1, left=left, right=W.expr([W.lit(1)]),
                                                        forall=twice))))


def test_a_decoded_problem_is_assembled_as_stored():
    # keys that differ from the names of their values are kept
    data = W.header(W.ld(3, W.problem(objective=W.expr([W.lit(0)]), constraints=[("a", bv_constraint("b"))])))
    decoded = zv.from_protobuf(data)
    assert list(decoded.constraints) == ["a"] and decoded.constraints["a"].name == "b"
    assert zv.from_protobuf(zv.to_protobuf(decoded)).constraints["a"].name == "b"
    # two different variables under one name are not refused, unlike with +=
    other = W.constraint("c", 1, left=W.expr([W.lit(0), W.lit(1), W.decision_var(2, "x", lower=(1, 0),
                                                                                 upper=(1, 1))], 2),
                         right=W.expr([W.lit(1)]))
    data = W.header(W.ld(3, W.problem(objective=W.expr([W.decision_var(1, "x")]), constraints=[("c", other)])))
    decoded = zv.from_protobuf(data)
    assert {type(v).__name__ for v in zv.extract_variables(decoded)} == {"BinaryVar", "IntegerVar"}


def test_writing_and_reading_leave_memory_as_it_was():
    def rss_kb():
        with open("/proc/self/status") as status:
            return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))

    model = problem()
    data = zv.to_protobuf(model)
    bad = [W.expr_body([W.unary(1, 0)]), READ_ERRORS["constraint without decision variable"][0], data[:-3]]

    def churn():
        zv.from_protobuf(zv.to_protobuf(model))
        zv.from_protobuf(data)
        for buf in bad:
            with pytest.raises(Exception):
                zv.from_protobuf(buf)

    for _ in range(200):
        churn()
    counts = [sys.getrefcount(o) for o in (model, data, x, i)]
    before = rss_kb()
    for _ in range(3000):
        churn()
    assert [sys.getrefcount(o) for o in (model, data, x, i)] == counts
    if "libasan" not in os.environ.get("LD_PRELOAD", ""):
        assert rss_kb() - before < 5_000
