"""to_protobuf and from_protobuf: round trips of every node kind and model object, what the writer writes,
the proto3 reading rules, the refusals of malformed or hostile input, and fuzzing of mutated encodings."""
import contextlib
import copy
import math
import re
from functools import partial

import pytest
from hypothesis import HealthCheck, given, settings, strategies as st

import io_models as io
from io_models import CONDITIONS, EXPRESSIONS, MODELS, c, i, p, problem, x
import protobuf_wire as W
from protobuf_wire import (array_length, binary, bv_constraint, commutative, constraint_body, decision_var, element_range,
                           element_set, expr, expr_body, header, in_table, ld, lit, nested_groups, objective, placeholder,
                           problem_body, reduction, subscript, unary)
import zorvane as zv
import processes

DE = zv.ProtobufDeserializationError
UUID = re.compile(r"[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\Z")


def round_trip(obj):
    return zv.from_protobuf(zv.to_protobuf(obj))


@pytest.mark.parametrize("obj", [*EXPRESSIONS.values(), *CONDITIONS.values(), *MODELS.values()],
                         ids=[*EXPRESSIONS, *CONDITIONS, *MODELS])
def test_round_trip(obj):
    back = round_trip(obj)
    assert type(back) is type(obj) and zv.is_same(back, obj)
    if isinstance(obj, zv.Problem):  # maps are read in name order
        assert (back.name, back.sense) == (obj.name, obj.sense)
        assert list(back.custom_penalty_terms) == sorted(obj.custom_penalty_terms)
        assert list(map(repr, back.constraints.items())) == sorted(map(repr, obj.constraints.items()))
    else:
        assert str(back) == str(obj)


@pytest.mark.parametrize("number", [3, True, -1, 2.5, -0.0, math.inf, 2**70, -2**63, math.nan, -math.nan])
def test_numbers_come_back_as_literals(number):
    back, expected = round_trip(number), zv.NumberLit(number)
    assert repr(back) == repr(expected) and back.dtype == expected.dtype
    assert math.copysign(1, back.value) == math.copysign(1, expected.value)
    assert W.message(zv.to_protobuf(back), 6)[3] == W.message(zv.to_protobuf(number), 6)[3]  # the same bits


def test_what_is_not_kept():
    u, plain = zv.Placeholder("u", ndim=1, latex="U", description="data"), zv.Placeholder("u", ndim=1)
    t, plain_t = zv.Element("t", belong_to=u, latex="T", description="index"), zv.Element("t", belong_to=plain)
    f = zv.abs(u[t])
    f.set_latex("F")
    back = round_trip(f + t)  # LaTeX forms and descriptions
    assert back._repr_latex_() == round_trip(zv.abs(plain[t]) + t)._repr_latex_() and "F" not in back._repr_latex_()
    assert "U" not in back._repr_latex_() and repr(back) == repr(zv.abs(plain[plain_t]) + plain_t)
    first, second = zv.to_protobuf(MODELS["problem"]), zv.to_protobuf(MODELS["problem"])  # new ids on every call
    assert first != second and zv.is_same(zv.from_protobuf(first), zv.from_protobuf(second))


# ---- what the writer writes ----

def body_of(obj, field):
    h = W.message(zv.to_protobuf(obj))
    assert UUID.match(h[1][0].decode()) and h[2] == [1]  # the header: an id and version 1
    return W.message(h[field][0])


def table_of(obj):  # (root id, records) of the table of an expression, whose id is checked
    e = body_of(obj, 6)
    assert UUID.match(e[1][0].decode())
    return e.get(2, [0])[0], e[3]


def test_what_the_writer_writes():
    u = zv.Placeholder("u")
    # two canonical tables: equal nodes stored once, ids of children; the float 1.5 by its bits
    assert table_of(u + u) == (1, [bytes.fromhex("12 03 0a 01 75"), bytes.fromhex("3a 06 08 01 12 02 00 00")])
    assert table_of(1.5) == (0, [bytes.fromhex("0a 0c 08 01 10 80 80 80 80 80 80 80 fc 3f")])
    # children come before their parents: 0 and 3 (the set), t, v (its shape is the literal 3 again), v[t], the sum
    t = zv.Element("t", belong_to=(0, 3))
    root, records = table_of(zv.sum(t, zv.BinaryVar("v", shape=[3])[t]))
    assert [rec[0] >> 3 for rec in records] == [1, 1, 8, 3, 9, 10] and root == 5
    v, w = zv.Placeholder("v"), zv.Placeholder("w")  # terms with their own LaTeX are written in normal form
    inner, one, square = u + v, u + 1, u ** 2
    for term, latex in [(inner, "S"), (one, "T"), (square, "Q")]:
        term.set_latex(latex)
    root, records = table_of(inner + w)
    assert list(W.message(records[root], 7)[2][0]) == [0, 1, 2]  # one sum of three terms
    assert table_of(one + (-1)) == table_of(u)
    root, records = table_of(square * u ** 3)
    assert W.message(records[root], 6)[1] == [1] and str(round_trip(square * u ** 3)) == "u ** 5"
    assert body_of(zv.Constraint("d", c == 1), 4)[6] == [b""]  # an empty forall list is still written
    model = body_of(problem(), 3)  # every model object has an id of its own
    ids = model[1] + [W.message(entry, 2)[1][0] for entry in model[5] + model[6]]
    assert all(UUID.match(t.decode()) for t in ids) and len(set(ids)) == len(ids) == 5


def equal_nodes(make):  # an expression of terms built one by one: equal, but not the same nodes
    u, v = zv.Placeholder("u"), zv.Placeholder("v")
    return make(u, v)


# (expression, its distinct records); u and v are the placeholders, every other node is built anew
EQUAL_RECORDS = {
    # the second log2(u): u was first referred to by ln(u), so the first log2(u) is looked up by its bytes
    "equal to a record looked up by its bytes": (lambda u, v: zv.ln(u) + zv.log2(u) + zv.log2(u), 4),
    # the second ln(u) * v: both children were first referred to by the first product
    "equal to the first record referring to a child": (lambda u, v: zv.ln(u) * v + zv.ln(u) + zv.ln(u) * v, 5),
    "equal subscripts and products": (lambda u, v: sum(zv.Placeholder("p", ndim=1)[k] * x[k] for k in (0, 1, 0)), 12),
    "equal literals": (lambda u, v: 2.5 * u + 2.5 * v + 2.5 * (u + v) ** 2, 10),
    "one node many times": (lambda u, v: zv.max(u, u, u, v), 3),
}


@pytest.mark.parametrize("make, count", EQUAL_RECORDS.values(), ids=EQUAL_RECORDS)
def test_equal_records_are_written_once(make, count):
    e = equal_nodes(make)
    root, records = table_of(e)
    assert len(set(records)) == len(records) == count and root == count - 1
    assert zv.is_same(zv.from_protobuf(zv.to_protobuf(e)), e)


def marked(e, text="L"):  # an own LaTeX string: the writer flattens sums and products around it
    e.set_latex(text)
    return e


u, v, w, t = (zv.Placeholder(n) for n in "uvwt")
LIT = zv.NumberLit
NESTED = marked(marked(3 * v * w) * t)  # terms: (3 * v * w), t
# (expression, the terms it comes back with); one term: the expression comes back as that term
FLATTENED = {
    # products: a nested product's constant is taken out (its last term moving to its front)
    "nested constant into a leading literal": (2 * u * marked(3 * v * w), [LIT(6), u, w, v]),
    "nested constant put in front": (u * marked(3 * v * w), [LIT(3), u, w, v]),
    "nested without a constant": (u * marked(v * w) * t, [u, v, w, t]),
    "nested twice": (2 * u * NESTED, [LIT(6), u, t, w, v]),
    "constants multiplied to one": (2 * marked(0.5 * v), [v]),  # the reader drops the literal 1.0
    # products: adjacent powers of an equal base among the node's own terms merge
    "merged power not compared again": (marked(u ** 2) * u ** 3 * u ** 4, [u ** 5, u ** 4]),
    "two merged pairs": (marked(u ** 2) * u ** 3 * u ** 4 * u ** 5, [u ** 5, u ** 9]),
    "float exponents": (marked(u ** 2) * u ** 0.5, [u ** 2.5]),
    "different bases": (marked(u ** 2) * v ** 3 * u ** 4, [u ** 2, v ** 3, u ** 4]),
    "a later pair": (marked(u ** 2) * v ** 3 * v ** 4, [u ** 2, v ** 7]),
    "literal and power kept": (2 * v * marked(w ** 2), [LIT(2), v, w ** 2]),
    "powers inside a nested product": (marked(u ** 2) * marked(u ** 3 * v), [u ** 2, u ** 3, v]),
    # sums: non-literal terms depth first, then one constant, left out when zero
    "nested sum": (u + marked(v + w + 2) + t + 3, [u, v, w, t, LIT(5)]),
    "constants cancel": (u + marked(v + 2) + (-2), [u, v]),
    "one term left": (marked(u + 1) + (-1), [u]),
    "nested constants added first": (marked(v + 1e16) + marked(marked(u + 1.0) + 1.0), [v, u, LIT(1e16 + 2.0)]),
}


@pytest.mark.parametrize("expr, terms", FLATTENED.values(), ids=FLATTENED)
def test_sums_and_products_with_latex_terms_are_written_flattened(expr, terms):
    back = round_trip(expr)
    if len(terms) == 1:
        assert repr(back) == repr(terms[0])
    else:
        assert type(back) is type(expr) and list(map(repr, back.terms)) == list(map(repr, terms))


def test_deep_nested_products_are_flattened_with_little_stack():
    # AddressSanitizer's own calls need a little more than 32 KiB whatever the depth.
    out = processes.python(f"""
        import threading, zorvane as zv
        a, b = zv.Placeholder("a"), zv.Placeholder("b")
        e, levels = a, 0
        try:
            while True:
                e = e * b
                e.set_latex("L")
                levels += 1
        except RecursionError:
            pass
        threading.stack_size({64 if io.UNDER_ASAN else 32} * 1024)
        data = []
        thread = threading.Thread(target=lambda: data.append(zv.to_protobuf(e)))
        thread.start()
        thread.join()
        back = zv.from_protobuf(data[0])
        print(levels, [repr(t) for t in back.terms] == [repr(a)] + [repr(b)] * levels)
    """)
    assert out.returncode == 0 and out.stdout.split() == ["4095", "True"], out.stderr[-2000:]


VARIANTS = "".join(f"\n- variant {n} ({n}): TypeError: failed to extract field SerializableObject::{n}.0, caused by "
                   f"TypeError: {cause}" for n, cause in [
                       *[(n, f"'Placeholder' object cannot be converted to '{n}'") for n in ["Problem", "Constraint",
                                                                                             "CustomPenaltyTerm"]],
                       ("Expression", "failed to convert into expression."),
                       ("ConditionalExpr", "failed to convert into a conditional expression.")])


class Interrupt(BaseException):
    def __index__(self):  # a number whose conversion raises what is not an Exception
        raise self


@pytest.mark.parametrize("call, error, message", [
    (partial(zv.to_protobuf, p), TypeError, "^" + re.escape(
        "argument 'obj': failed to extract enum SerializableObject ('Problem | Constraint | CustomPenaltyTerm | "
        "Expression | ConditionalExpr')" + VARIANTS) + "$"),
    (partial(zv.to_protobuf, x[:]), TypeError, r"\n- variant Expression .*caused by ModelingError: dummy indexed "
     r"BinaryVar with name 'x' must be called the `sum` or `prod` method to be converted into an expression\.\n"),
    (partial(zv.to_protobuf, zv.Element("w", belong_to=zv.BinaryVar("v", shape=[2, 2])[0])), zv.ProtobufSerializationError,
     "^failed to encode the element w because its set is a subscript of a decision variable"),
    (partial(zv.to_protobuf, Interrupt()), Interrupt, None),  # not swallowed
    (zv.to_protobuf, TypeError, "missing 1 required positional argument: 'obj'"),
    *[(partial(zv.from_protobuf, value), TypeError, f"^argument 'buf': '{name}' object cannot be converted to 'PyBytes'$")
      for value, name in [("abc", "str"), (bytearray(b"\x10\x01"), "bytearray"), (memoryview(b""), "memoryview")]],
    (partial(zv.from_protobuf, data=b""), TypeError, "unexpected keyword argument 'data'"),
])
def test_arguments(call, error, message):
    with pytest.raises(error, match=message):
        call()
    assert zv.to_protobuf.__text_signature__ == "(obj)" and zv.from_protobuf.__text_signature__ == "(buf)"
    assert repr(zv.from_protobuf(type("Bytes", (bytes,), {})(zv.to_protobuf(3)))) == "NumberLit(value=3)"
    assert repr(zv.from_protobuf(buf=zv.to_protobuf(obj=3))) == "NumberLit(value=3)"


# ---- reading ----

F = "failed to decode the input buffer because "
ACCORDING = F + "it did not contain a Protobuf message according to "
INVALID = F + "it did not contain a valid Protobuf message."
ROOT = F + "it contained the invalid ID of an expression node."
VALID, MSG = F + "it did not contain valid ", " Protobuf message"
UNSET, BINARY = VALID + "Protobuf message", VALID + "BinaryOp" + MSG
COND, LOGICAL = F + "it contained an invalid op in a conditional expr (", " that is not a logical operator"
LACKS = "the Expression message does not contain the id of the "
LACKS_SIDE, LACKS_BOUND = F + "the Constraint message does not contain the ", "the DecisionVar message does not contain the "
DIM = "the dimensionality of the %s must be zero, but is actually %d"
TOO_DEEP = F + "an expression is nested more than 4096 levels deep"
ME = zv.ModelingError
BV = decision_var(1, "x")  # a scalar binary variable
RANGE = [element_range("i", 1, 2), lit(0), lit(3)]  # i over [0, 3) at id 0


READ_ERRORS = {  # name: (data, message[, error other than ProtobufDeserializationError])
    "empty buffer": (b"", "the input schema has an unsupported version: 0. The minimum supported version is 1. "
                          "Please update the zorvane to generate the model."),
    "version 2": (header(ld(3, W.problem()), version=2), "the input schema has an unsupported version: 2. "
                  "The maximum supported version is 1. Please update the zorvane to receive the model"),
    "no body": (header(), F + "it did not contain a Problem message."),
    "problem sense 0": (problem_body(sense=0), ACCORDING + "a problem sense."),
    "no objective": (problem_body(), ACCORDING + "an objective function."),
    "empty objective": (problem_body(objective=b""), ROOT),
    "condition as objective": (objective([lit(1), binary(3, 0, 0)], 1), BINARY),
    "root id past the table": (expr_body([lit(1)], 1), ROOT),
    "empty table": (expr_body([]), ROOT),
    "sum root with a bad term": (expr_body([lit(1), commutative(1, [0, 2])], 1), COND + "Commutative Op" + LOGICAL),
    "array placeholder root": (expr_body([placeholder("p", 1)]), BINARY),
    "unset root": (expr_body([b""]), UNSET),
    "constraint sense 4": (constraint_body("c", 4), ACCORDING + "a constraint equality."),
    "constraint without left": (constraint_body("c", 1, right=expr([lit(1)])), LACKS_SIDE + "left hand side."),
    "constraint without right": (constraint_body("c", 1, left=expr([BV])), LACKS_SIDE + "right hand side."),
    "penalty without term": (header(ld(5, W.penalty("t"))),
                             F + "the CustomPenaltyTerm message does not contain the penalty term."),
    "constraint without variable": (constraint_body("c", 1, left=expr([lit(1)]), right=expr([lit(2)])),
                                    "expression does not contain a decision variable", ME),
    "penalty without variable": (header(ld(5, W.penalty("t", expr([lit(1)])))),
                                 "the custom penalty term does not contain a decision variable", ME),
    "literal of type 0": (objective([lit(1, type_=0)]), ACCORDING + "the data type of a number literal."),
    "array placeholder in an expression": (objective([placeholder("q", 2)]), DIM % ("Placeholder { name: q }", 2), ME),
    "binary kind 0": (objective([binary(0, 5, 5)]), BINARY),
    "term id past the table": (objective([lit(1), commutative(1, [0, 2])], 1),
                               "the Expression message contained an invalid operand id"),
    "commutative kind 5 in an expression": (objective([lit(1), commutative(5, [0])], 1), VALID + "CommutativeOp" + MSG),
    "unary without operand": (objective([unary(7, 1)]), "the Expression does not contain the id of the operand"),
    "unary kind 7": (objective([lit(1), unary(7, 0)], 1), VALID + "UnaryOp" + MSG),
    "unary kind 7 over records that read well": (objective([placeholder("a"), lit(2), commutative(1, [0, 1]),
                                                            unary(7, 2)], 3), VALID + "UnaryOp" + MSG),
    "a chain past the depth limit over a shared record": (
        objective([placeholder("a")] + [unary(1, n) for n in range(2100)] + [unary(1, 2100)] +
                  [unary(1, n) for n in range(2101, 4100)] + [commutative(1, [2100, 4100])], 4101), TOO_DEEP),
    "unary over a variable": (objective([BV, unary(1, 0)], 1), "the operand of the unary op contains a decision variable",
                              ME),
    "reduction without index": (objective([lit(1), reduction(1, 0, 0, with_index=False)], 1), LACKS + "index"),
    "reduction over a placeholder": (objective([placeholder("a"), reduction(1, 0, 0)], 1), VALID + "Index" + MSG),
    "reduction kind 3": (objective(RANGE + [reduction(3, 0, 0)], 3), VALID + "ReductionOp" + MSG),
    "reduction kind 257": (objective(RANGE + [reduction(257, 0, 0)], 3), VALID + "ReductionOp" + MSG),  # not 1
    "reduction without operand": (objective(RANGE + [reduction(1, 0, 9)], 3), LACKS + "operand"),
    "condition id past the table": (objective(RANGE + [reduction(1, 0, 0, condition=9)], 3),
                                    "the Expression message did not contain the id of the condition"),
    "condition with a variable": (objective(RANGE + [BV, binary(3, 3, 1), reduction(1, 0, 0, condition=4)], 5),
                                  "the condition expression contains a decision variable", ME),
    "sum as a condition": (objective(RANGE + [commutative(1, []), reduction(1, 0, 0, condition=3)], 4),
                           COND + "Commutative Op" + LOGICAL),
    "power as a condition": (objective(RANGE + [binary(1, 1, 1), reduction(1, 0, 0, condition=3)], 4),
                             COND + "BinaryOp" + LOGICAL),
    "literal as a condition": (objective(RANGE + [reduction(1, 0, 0, condition=1)], 3), BINARY),
    "integer var without lower bound": (objective([decision_var(2, "v", upper=(1, 0))]), LACKS_BOUND + "lower bound"),
    "integer var without upper bound": (objective([lit(0), decision_var(2, "v", lower=(1, 0))], 1),
                                        LACKS_BOUND + "upper bound"),
    "var type 0": (objective([lit(0), decision_var(0, "v", lower=(1, 0), upper=(1, 0))], 1), VALID + "DecisionVar" + MSG),
    "bound type 0": (objective([lit(0), decision_var(0, "v", lower=(0, 0), upper=(1, 0))], 1),
                     ACCORDING + "the type of a decision variable bound."),
    "bound id past the table": (objective([decision_var(2, "v", lower=(1, 5), upper=(1, 5))]),
                                "the DecisionVarBound message does not contain the id of the bound"),
    "placeholder bound on a subscript": (objective([placeholder("p", 1), lit(0), subscript(0, [1]), decision_var(
        2, "v", lower=(2, 2), upper=(1, 1))], 3), "invalid message: the bound is not a placeholder"),
    "subscript bound on a placeholder": (objective([placeholder("p", 1), decision_var(2, "v", lower=(3, 0), upper=(
        3, 0))], 1), "invalid message: the bound is not a subscripted placeholder"),
    "scalar placeholder bound": (objective([placeholder("p"), decision_var(2, "v", lower=(2, 0), upper=(2, 0))], 1),
                                 "the placeholder is a scalar", ME),
    "shape id past the table": (objective([decision_var(1, "v", shape=[4])]),
                                "Decision var messsage had an invalid shape element id"),
    "array var in an expression": (objective([lit(3), decision_var(1, "v", shape=[0])], 1),
                                   DIM % ("BinaryVar { name: v }", 1), ME),
    "element over a literal": (objective([lit(3), element_set("i", 0)], 1), "invalid message"),
    "element over an unset node": (objective([b"", element_set("i", 0)], 1), UNSET),
    "element without a set": (objective([ld(8, W.text(1, "i"))]), UNSET),
    "element set id past the table": (objective([element_set("i", 5)]), LACKS + "start of the range"),
    "range end past the table": (objective([lit(0), element_range("i", 0, 5)], 1), LACKS + "end of the range"),
    "empty range": (objective([lit(3), lit(1), element_range("i", 0, 1)], 2),
                    "`Range.start` (= 3) is larger than `Range.end` (= 1)", ValueError),
    "range over a variable": (objective([lit(0), BV, element_range("i", 0, 1)], 2),
                              "the upper bound contains a decision variable", ME),
    "array element in an expression": (objective([placeholder("q", 2), element_set("i", 0)], 1),
                                       DIM % ("Element { name: i }", 1), ME),
    "subscript without variable": (objective([subscript(3, [])]), "Subscript message did not have a valid var id"),
    "subscript of a literal": (objective([lit(0), subscript(0, [0])], 1), "invalid message"),
    "subscript of a scalar": (objective([placeholder("a"), subscript(0, [0])], 1),
                              "the scalar `Placeholder { name: a }` is not subscriptable", ME),
    "subscript id past the table": (objective([placeholder("p", 1), subscript(0, [7])], 1),
                                    "Subscript messsage had an invalid subscript id"),
    "no subscripts": (objective([placeholder("p", 1), subscript(0, [])], 1), "the number of subscripts is zero", ME),
    "too many subscripts": (objective([placeholder("p", 1), lit(0), subscript(0, [1, 1])], 2), "the number of "
                            "subscripts (= 2) is greater than the dimensionality of the variable `p` (= 1)", ME),
    "array id past the table": (objective([array_length(4, 0)]), LACKS + "array"),
    "length of a literal": (objective([lit(0), array_length(0, 0)], 1), "invalid message"),
    "length of a scalar": (objective([placeholder("a"), array_length(0, 0)], 1), "the placeholder a is a scalar", ME),
    "axis out of bounds": (objective([placeholder("p", 1), array_length(0, 1)], 1),
                           "axis 1 is out of bounds for the axis of the array p", ME),
    **{f"wire: {why}": (data, INVALID) for why, data in [
        ("not protobuf", b"\xff\xff"), ("a varint of 11 bytes", header() + b"\x80" * 10 + b"\x01"),
        ("a varint past 64 bits", header() + W.key(9, 0) + b"\xff" * 9 + b"\x02"),
        ("a length past the end", header() + W.key(9, 2) + W.varint(5) + b"abc"),
        ("a length past any buffer", header() + W.key(9, 2) + W.varint(2**63) + b"abc"),
        ("wire type 6", header() + W.key(9, 6)), ("wire type 7", header() + W.key(9, 7)),
        ("field number 0", header() + W.varint(0) + b"\x01"), ("a key past 32 bits", header() + W.varint(1 << 35) + b"\x01"),
        ("version as a length-delimited field", ld(2, b"\x01")), ("a message as a varint", header() + W.vint(6, 1)),
        ("root id as fixed32", header(ld(6, W.key(2, 5) + b"\0\0\0\0"))),
        ("node as fixed64", header(ld(6, expr([placeholder("a")]) + W.key(3, 1) + b"\0" * 8))),
        ("term ids as fixed32", in_table(ld(7, W.key(2, 5) + b"\0" * 4))),
        ("a name not UTF-8", in_table(ld(2, ld(1, b"\xff")))), ("an overlong form", in_table(ld(2, ld(1, b"\xc0\x80")))),
        ("a surrogate", in_table(ld(2, ld(1, b"\xed\xa0\x80")))), ("an id not UTF-8", header(ld(6, ld(1, b"\x80abc")))),
        ("groups nested past the limit", header() + nested_groups(101)),
        ("an end of group with no group", header() + W.key(9, 4)),
        ("a group ended by another field", header() + W.key(9, 3) + W.key(8, 4)),
        ("input ending inside a group", header() + W.key(9, 3) + W.vint(1, 1)),
        ("a truncated message", header(ld(6, expr([lit(1)])))[:-1]),
        ("packed ids past their length", in_table(ld(7, W.key(2, 2) + W.varint(3) + b"\x01"))),
        ("a varint cut by its list", in_table(ld(7, W.key(2, 2) + W.varint(2) + b"\x01\x80"))),
        # the buffer goes on past the message that cuts the varint
        ("a varint cut by its list, more records after",
         in_table(ld(7, W.key(2, 2) + W.varint(2) + b"\x01\x80"), *[ld(1, W.vint(1, 1))] * 8)),
        ("a varint cut by its message, more records after",
         in_table(ld(1, W.key(2, 0) + b"\xff\xff"), *[ld(1, W.vint(1, 1))] * 8)),
        ("a varint past 64 bits, more records after",
         in_table(ld(1, W.key(2, 0) + b"\xff" * 9 + b"\x02"), *[ld(1, W.vint(1, 1))] * 8))]},
    **{f"cycle: {why}": (expr_body(nodes, root), F + "its expression nodes refer to each other in a cycle")
       for why, nodes, root in [
           ("unary", [unary(1, 0)], 0), ("sum", [commutative(1, [0])], 0), ("element set", [element_set("i", 0)], 0),
           ("subscript", [subscript(0, [0])], 0),
           ("subscript chain", [placeholder("p", 1), subscript(2, [0]), subscript(1, [0])], 2),
           ("reduction", [element_range("i", 1, 1), reduction(1, 0, 1)], 1),
           ("range in a condition", [binary(3, 1, 1), element_range("i", 2, 2), reduction(1, 1, 2, condition=0)], 2),
           ("logical", [commutative(5, [1]), commutative(6, [0])], 0),
           ("decision variable bound", [decision_var(2, "v", lower=(1, 0), upper=(1, 0))], 0),
           ("length of a subscript in its index", [placeholder("p", 1), array_length(2, 0), subscript(0, [1])], 2)]},
    # terms are read in order: the first bad one is reported, literals included; a term that is the sum
    # itself is found when the terms are asked for, before any is read
    **{f"cycle: {why}": (objective(nodes), F + "its expression nodes refer to each other in a cycle")
       for why, nodes in [("after a missing term", [commutative(1, [5, 0, 1]), lit(1)]),
                          ("after a bad literal", [commutative(1, [1, 0]), lit(1, type_=0)]),
                          ("after a bad term", [commutative(1, [1, 0, 2]), unary(7, 2), lit(1)])]},
    "a bad term before a bad literal": (objective([unary(7, 2), lit(1, type_=0), lit(1), commutative(1, [0, 1])], 3),
                                        VALID + "UnaryOp" + MSG),
    "a bad literal before a bad term": (objective([unary(7, 2), lit(1, type_=0), lit(1), commutative(1, [1, 0])], 3),
                                        ACCORDING + "the data type of a number literal."),
    "a literal past the depth limit": (expr_body([lit(1)] + [unary(1, n) for n in range(4096)], 4096), TOO_DEEP),
    "nesting past the depth limit": (expr_body([placeholder("a")] + [unary(1, n) for n in range(4096)], 4096), TOO_DEEP),
    # an element ranges over a range node, which has no record of its own: the tree is deeper than its records,
    # and the builders' depth limit is reported the same way
    "elements nested past the depth limit": (objective([lit(0), lit(5), element_range("e0", 0, 1)] + [
        element_range(f"e{n}", 0, n + 1) for n in range(1, 2100)], 2101), TOO_DEEP),
}

# Ids far past any table, up to the largest varint, are refused as an id just past it is: none is
# taken for a record whose id it matches in its low bits (2**32 for 0, 2**32 + 1 for 1).
READ_ERRORS.update({f"{name} {big}": (data(big), message) for big in (2**32 - 1, 2**32, 2**32 + 1, 2**64 - 1)
                    for name, data, message in [
    ("term id", lambda i: objective([lit(1), commutative(1, [0, i])], 1),
     "the Expression message contained an invalid operand id"),
    ("operand id", lambda i: objective([lit(1), unary(1, i)], 1), "the Expression does not contain the id of the operand"),
    ("left id", lambda i: objective([lit(1), binary(1, i, 0)], 1), LACKS + "left hand side"),
    ("right id", lambda i: objective([lit(1), binary(1, 0, i)], 1), LACKS + "right hand side"),
    ("variable id", lambda i: objective([placeholder("p", 1), lit(0), subscript(i, [1])], 2),
     "Subscript message did not have a valid var id"),
    ("subscript id", lambda i: objective([placeholder("p", 1), subscript(0, [i])], 1),
     "Subscript messsage had an invalid subscript id"),
    ("array id", lambda i: objective([placeholder("p", 1), array_length(i, 0)], 1), LACKS + "array"),
    ("shape id", lambda i: objective([lit(3), decision_var(1, "v", shape=[i])], 1),
     "Decision var messsage had an invalid shape element id"),
]})

# The same for the ids of the other fields, from the one just past the table (its length) on.
RANGE_TABLE = [element_range("i", 1, 2), lit(0), lit(3)]
READ_ERRORS.update({f"{name} {big}": (data(big), message) for big in ("past", 2**32 - 1, 2**32, 2**32 + 1, 2**64 - 1)
                    for name, data, message in [
    ("range start id", lambda i: objective([element_range("i", 2 if i == "past" else i, 1), lit(3)], 0),
     LACKS + "start of the range"),
    ("range end id", lambda i: objective([element_range("i", 1, 2 if i == "past" else i), lit(0)], 0),
     LACKS + "end of the range"),
    ("element set id", lambda i: objective([element_set("i", 2 if i == "past" else i), placeholder("p", 1)], 0),
     LACKS + "start of the range"),
    ("index element id", lambda i: objective(RANGE_TABLE + [reduction(1, 4 if i == "past" else i, 0)], 3),
     LACKS + "index"),
    ("index condition id", lambda i: objective(RANGE_TABLE + [reduction(1, 0, 0, 4 if i == "past" else i)], 3),
     "the Expression message did not contain the id of the condition"),
    ("reduction operand id", lambda i: objective(RANGE_TABLE + [reduction(1, 0, 4 if i == "past" else i)], 3),
     LACKS + "operand"),
    ("bound id", lambda i: objective([decision_var(3, "v", lower=(1, 1), upper=(1, 2 if i == "past" else i)), lit(0)]),
     "the DecisionVarBound message does not contain the id of the bound"),
    ("forall element id", lambda i: constraint_body("c", 1, expr([BV]), expr([lit(1)]), W.forall_list(
        [W.index(3 if i == "past" else i)], RANGE_TABLE)), LACKS + "index"),
    ("forall condition id", lambda i: constraint_body("c", 1, expr([BV]), expr([lit(1)]), W.forall_list(
        [W.index(0, 3 if i == "past" else i)], RANGE_TABLE)), "the Expression message did not contain the id of the condition"),
    ("root id", lambda i: objective([lit(1)], 1 if i == "past" else i),
     F + "it contained the invalid ID of an expression node."),
]})


def test_many_functions_of_one_large_sum_are_read():
    # Each function's decision-variable check reads what the sum knows of itself: reading stays in
    # proportion to the input, not to 5 000 walks of a 30 000-term sum.
    data = expr_body([placeholder("a"), commutative(1, [0] * 30_000)] + [unary(1, 1)] * 5_000
                     + [commutative(1, range(2, 5_002))], 5_002)
    e = zv.from_protobuf(data)
    assert type(e) is zv.AddOp and len(e.terms) == 5_000 and len(e.terms[0].operand.terms) == 30_000


# That tables sharing records are read with work in proportion to their records is counted
# (allocations, not time) in tests/cpp/test_decode_expansion.cpp.
@pytest.mark.parametrize("data, message, error", [(*row, DE)[:3] for row in READ_ERRORS.values()], ids=READ_ERRORS)
def test_read_errors(data, message, error):
    with pytest.raises(error) as info:
        zv.from_protobuf(data)
    assert type(info.value) is error and str(info.value) == message


READS = {
    "integer 2**64 - 1": (expr_body([lit(-1)]), "NumberLit", "-1"),
    "float with no value": (expr_body([lit(0.0)]), "NumberLit", "0"),
    "array placeholder as a subscripted variable": (
        expr_body([placeholder("q", 2), lit(0), lit(1), subscript(0, [1, 2])], 3), "Subscript", "q[0, 1]"),
    "power with exponent 0": (expr_body([placeholder("a"), lit(0), binary(1, 0, 1)], 2), "PowOp", "a ** 0"),
    "remainder by 0": (expr_body([placeholder("a"), lit(0), binary(2, 0, 1)], 2), "ModOp", "a % 0"),
    "sum of literals": (expr_body([lit(1), lit(2), commutative(1, [0, 1])], 2), "AddOp", "3"),
    "product of literals": (expr_body([placeholder("a"), lit(2), lit(3), commutative(2, [0, 1, 2])], 3),
                            "MulOp", "6 * a"),
    # two-factor products: the literal goes first, a 1 is dropped, a 0 kept, literals multiplied
    **{f"product of two: {why}": (expr_body([placeholder("a"), lit(value), commutative(2, ids)], 2), "MulOp", text)
       for why, value, ids, text in [("literal last", 2, [0, 1], "2 * a"), ("literal first", 2, [1, 0], "2 * a"),
                                     ("a 1", 1, [1, 0], "a"), ("a 0", 0, [0, 1], "0 * a"),
                                     ("twice the same", 2, [0, 0], "a * a"), ("literals", 2, [1, 1], "4")]},
    "min of literals": (expr_body([lit(1), lit(2), commutative(3, [0, 1])], 2), "MinOp", "min(1, 2)"),
    "max of a decision variable": (expr_body([BV, commutative(4, [0])], 1), "MaxOp", "max(x)"),
    "binary var with other bounds": (expr_body([lit(5), decision_var(1, "x", lower=(1, 0), upper=(9, 9))], 1),
                                     "BinaryVar", "x"),
    "equal root": (expr_body([placeholder("a"), lit(1), binary(3, 0, 1)], 2), "EqualOp", "a == 1"),
    "and root": (expr_body([placeholder("a"), binary(4, 0, 0), commutative(5, [1, 1])], 2), "AndOp",
                 "a != a and a != a"),
    "and of nothing": (expr_body([commutative(5, [])]), "AndOp", ""),
    "condition id 0": (expr_body([binary(7, 1, 2), element_range("i", 2, 3), lit(0), lit(5),
                                    reduction(1, 1, 1, condition=0)], 4), "SumOp", "sum(i in [0..5) s.t. i > 0, i)"),
    "groups nested within the limit": (nested_groups(99) + expr_body([lit(4)]), "NumberLit", "4"),
    "unary nested to the depth limit": (expr_body([placeholder("a")] + [unary(1, n) for n in range(4095)], 4095),
                                        "AbsOp", "|" * 4095 + "a" + "|" * 4095),
    "records the root does not reach": (
        expr_body([placeholder("a"), unary(7, 0), binary(3, 0, 99), lit(1, type_=7), subscript(0, [0]),
                   commutative(9, [0]), placeholder("p", 1), lit(2), commutative(1, [0, 7])], 8), "AddOp", "a + 2"),
    # each record reads its children well, then a builder would refuse it: none is reached, so none is an error
    "records the builders would refuse, not reached": (expr_body([
        placeholder("a"), placeholder("p", 1), BV, lit(0), lit(3), lit(1),
        array_length(0, 0), array_length(1, 1),  # of a scalar; an axis out of bounds
        decision_var(1, "y", shape=[4]), subscript(8, [3]), array_length(9, 0),  # of a subscripted variable
        unary(1, 2), binary(3, 2, 3), element_range("i", 3, 4), reduction(1, 13, 3, condition=12),  # over x
        element_range("j", 4, 5), element_range("k", 3, 3), element_range("l", 3, 2),  # [3, 0), [0, 0), [0, x)
        element_set("m", 9),  # over y[0], that is [0, y[0])
        decision_var(2, "v", lower=(2, 0), upper=(1, 3)),  # a scalar placeholder bound
        subscript(1, [3]), decision_var(2, "w", lower=(3, 20), upper=(1, 3)),  # a scalar subscript bound
        decision_var(1, "z", shape=[4, 4]), subscript(22, [3]), decision_var(2, "u", lower=(3, 23), upper=(1, 3)),
        subscript(0, [3]), subscript(1, [2]), subscript(1, []), subscript(1, [3, 3]),
        commutative(1, [0, 5])], 29), "AddOp", "a + 1"),
    "records past the depth limit, not reached": (
        expr_body([placeholder("a")] + [unary(1, n) for n in range(4097)] + [lit(2)], 4098), "NumberLit", "2"),
    "elements past the depth limit, not reached": (expr_body([lit(0), lit(5), element_range("e0", 0, 1)] + [
        element_range(f"e{n}", 0, n + 1) for n in range(1, 2100)] + [lit(2)], 2102), "NumberLit", "2"),
    "records that refer ahead": (expr_body([commutative(1, [1, 2]), placeholder("a"), lit(2)]), "AddOp", "a + 2"),
    "records shared by many references": (expr_body([placeholder("a")] + [commutative(1, [n, n])
                                                                               for n in range(12)], 12),
                                           "AddOp", " + ".join(["a"] * 4096)),
}


@pytest.mark.parametrize("data, cls, text", READS.values(), ids=READS)
def test_reads(data, cls, text):
    back = zv.from_protobuf(data)
    assert type(back) is getattr(zv, cls) and str(back) == text


UNKNOWN = (W.key(15, 0) + W.varint(300) + W.key(16, 1) + b"\0" * 8 + W.key(17, 5) + b"\0" * 4 +
           ld(18, b"\xff\xff") + W.key(19, 3) + W.key(20, 0) + b"\x01" + W.key(19, 4))


def test_reading_rules():
    lit_node = ld(1, UNKNOWN + W.vint(1, 2) + UNKNOWN + W.vint(2, 5))  # unknown fields are skipped everywhere
    data = UNKNOWN + header(ld(6, UNKNOWN + ld(3, UNKNOWN + lit_node + UNKNOWN) + UNKNOWN))
    assert repr(zv.from_protobuf(data)) == "NumberLit(value=5)"
    # the last value wins and messages merge: version 7 then 1; root id 0 then 1; the expr body in two parts
    first = ld(6, W.vint(2, 0) + ld(3, placeholder("a")))
    second = ld(6, ld(3, placeholder("b") + placeholder("c")) + W.vint(2, 1))
    assert str(zv.from_protobuf(W.vint(2, 7) + first + header(second))) == "c"
    # a later member of the oneof replaces an earlier one
    assert repr(zv.from_protobuf(header(ld(4, bv_constraint("c")) + ld(6, expr([lit(2)]))))) == "NumberLit(value=2)"
    # a repeated singular message field (the constraint's left side) is merged
    left = ld(4, ld(3, decision_var(1, "x"))) + ld(4, W.vint(1, 0))
    data = header(ld(4, W.text(2, "c") + W.vint(3, 1) + left + ld(5, expr([lit(1)]))))
    assert str(zv.from_protobuf(data)) == 'Constraint(name="c", expression=x == 1)'
    # so is a reduction's index, given here element first, then condition; its kind 2**32 + 1 is SUM
    index = ld(2, W.index(2)) + ld(2, W.key(2, 0) + W.varint(3))
    data = expr_body([lit(0), lit(3), element_range("i", 0, 1), binary(7, 2, 0),
                      ld(10, W.vint(1, 2**32 + 1) + index + W.vint(3, 2))], 4)
    assert str(zv.from_protobuf(data)) == "sum(i in [0..3) s.t. i > 0, i)"
    # of map entries with equal keys the last is kept, and only it is decoded
    for first in [bv_constraint("c"), W.constraint("c", 9)]:
        data = problem_body(objective=expr([lit(0)]), constraints=[("c", first), ("c", bv_constraint("c", 2, 5))])
        assert str(zv.from_protobuf(data).constraints["c"]) == 'Constraint(name="c", expression=x <= 5)'
    # ids packed or not; an enum keeps the low 32 bits of its varint: 2**32 + 2 is MAXIMIZE
    unpacked = ld(7, W.vint(1, 1) + (W.key(2, 0) + b"\x00") * 2)
    assert str(zv.from_protobuf(expr_body([placeholder("a"), unpacked], 1))) == "a + a"
    data = problem_body(sense=2**32 + 2, objective=expr([lit(0)]))
    assert zv.from_protobuf(data).sense == zv.ProblemSense.MAXIMIZE
    # values of the reads above
    assert zv.from_protobuf(READS["and of nothing"][0]).terms == []
    assert zv.from_protobuf(READS["float with no value"][0]).dtype == zv.DataType.FLOAT
    assert zv.is_same(zv.from_protobuf(READS["binary var with other bounds"][0]), zv.BinaryVar("x"))
    assert [str(t) for t in zv.from_protobuf(READS["sum of literals"][0]).terms] == ["3"]
    data = problem_body(objective=expr([lit(0)]), constraints=[(n, bv_constraint(n)) for n in "cab"])
    assert list(zv.from_protobuf(data).constraints) == ["a", "b", "c"]  # read in name order
    with_list, without = (header(ld(4, bv_constraint("c") + tail)) for tail in (ld(6), b""))
    assert repr(zv.from_protobuf(with_list)) == repr(zv.from_protobuf(without)) == 'Constraint(name="c", expression=x == 1)'


# ---- deep trees, decoded models, memory ----

def test_rules_a_decoded_model_keeps():
    # a decoded constraint obeys the forall rule of the constructor
    element = element_range("i", 0, 1)
    left = expr([lit(0), lit(3), element, decision_var(1, "x", shape=[1]), subscript(3, [2])], 4)

    def decode(*indices):
        forall = W.forall_list([W.index(n) for n in indices], [lit(0), lit(3), element]) if indices else None
        return zv.from_protobuf(constraint_body("c", 1, left=left, right=expr([lit(1)]), forall=forall))

    with pytest.raises(zv.ModelingError) as expected:
        zv.Constraint("c", zv.BinaryVar("x", shape=[3])[zv.Element("i", belong_to=3)] == 1)
    with pytest.raises(zv.ModelingError) as info:
        decode()
    assert str(info.value) == str(expected.value)
    assert str(decode(2)) == 'Constraint(name="c", expression=x[i] == 1, forall=[i])'
    with pytest.raises(zv.ModelingError, match="^forall has duplicated indices$"):
        decode(2, 2)
    # but a decoded problem is assembled as stored: keys that differ from the names of their values are kept
    data = problem_body(objective=expr([lit(0)]), constraints=[("a", bv_constraint("b"))])
    decoded = zv.from_protobuf(data)
    assert list(decoded.constraints) == ["a"] and decoded.constraints["a"].name == "b"
    assert round_trip(decoded).constraints["a"].name == "b"
    # two different variables under one name are not refused, unlike with +=
    integer = decision_var(2, "x", lower=(1, 0), upper=(1, 1))
    other = W.constraint("c", 1, left=expr([lit(0), lit(1), integer], 2), right=expr([lit(1)]))
    data = problem_body(objective=expr([decision_var(1, "x")]), constraints=[("c", other)])
    assert {type(v).__name__ for v in zv.extract_variables(zv.from_protobuf(data))} == {"BinaryVar", "IntegerVar"}


def test_memory():
    model = problem()
    data = zv.to_protobuf(model)
    bad = [READ_ERRORS[name][0] for name in ["cycle: unary", "constraint without variable", "empty range",
                                             "wire: a truncated message", "nesting past the depth limit"]]

    def churn():
        zv.from_protobuf(zv.to_protobuf(model)), zv.from_protobuf(data)
        for buf in bad + [data[:-3]]:
            with pytest.raises(Exception):
                zv.from_protobuf(buf)

    io.assert_no_leak(churn, model, data, x, i, rounds=1500)


# ---- fuzzing: a model object or one of the module's exceptions (never a crash, a hang or any other exception),
# and what comes back is written and read back unchanged; bytes cut anywhere: the prefix sweep ----

SAMPLES = [zv.to_protobuf(obj) for obj in (*MODELS.values(), *(EXPRESSIONS[name] for name in (
    "nested sums", "conditional sum", "shared subtrees", "subscripted semi-integer var", "subscripted continuous var",
    "length of a subscripted element", "element over a subscripted placeholder")), CONDITIONS["nested"])]


def parse(data):
    """A message as [field, wire, value] lists, length-delimited values that read as messages parsed in
    turn; None when `data` is not a message."""
    try:
        return [[f, w, (parse(v) or v) if w == 2 and v else v] for f, w, v in W.fields(data)]
    except (AssertionError, IndexError):
        return None


def encode(tree):
    out = b""
    for f, w, v in tree:
        body = v if w == 0 or isinstance(v, bytes) else encode(v)
        out += W.key(f, w) + (W.varint(v) if w == 0 else W.varint(len(body)) + body)
    return out


def messages(tree):
    yield tree
    for _, _, value in tree:
        if isinstance(value, list):
            yield from messages(value)


@st.composite
def mutated(draw):
    """A sample with fields changed, dropped, repeated, renumbered or moved, the lengths of the messages around
    them written anew: input that gets past the wire format into the rebuilding of the model."""
    tree = parse(draw(st.sampled_from(SAMPLES)))
    for _ in range(draw(st.integers(1, 5))):
        candidates = [m for m in messages(tree) if m]
        if not candidates:
            break
        message = draw(st.sampled_from(candidates))
        entry = draw(st.integers(0, len(message) - 1))
        action = draw(st.sampled_from(["value", "drop", "repeat", "renumber", "move"]))
        if action == "value":  # a varint, or the bytes of a string or of a message
            message[entry][2] = draw(st.sampled_from([0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 2**32 + 1, 2**63, 2**64 - 1])
                                     if message[entry][1] == 0 else st.binary(max_size=8))
        elif action == "drop":
            del message[entry]
        elif action == "repeat":
            message.insert(draw(st.integers(0, len(message))), copy.deepcopy(message[entry]))
        elif action == "renumber":
            message[entry][0] = draw(st.integers(1, 11))
        elif action == "move":
            moved = message.pop(entry)
            draw(st.sampled_from(list(messages(tree)))).append(moved)
    return encode(tree)


def shown(obj):  # a problem has no text of its own
    if isinstance(obj, zv.Problem):
        return repr([obj.name, obj.sense, obj.objective, obj.constraints, obj.custom_penalty_terms])
    return repr(obj)


def check(data):
    try:
        back = zv.from_protobuf(data)
    except (DE, zv.ModelingError, ValueError) as error:
        assert str(error)
        return
    with contextlib.suppress(zv.ProtobufSerializationError):  # an element over a subscripted decision variable
        assert shown(zv.from_protobuf(zv.to_protobuf(back))) == shown(back)


@settings(max_examples=1000, deadline=None, suppress_health_check=[HealthCheck.too_slow])
@given(mutated())
def test_mutated_encodings(data):
    check(data)


@pytest.mark.parametrize("sample", range(len(SAMPLES)))
def test_every_prefix_of_a_sample(sample):
    for end in range(len(SAMPLES[sample])):
        check(SAMPLES[sample][:end])
