"""One rule tells variables apart, for the name check of `Problem +=` and for `extract_variables`
alike: two variables with identical definitions are the same variable, numbers compared by value
(10 and 10.0, 0 and -0.0) and a NaN equal to a NaN in the same place. So no answer depends on
whether a variable is one shared object, an equal copy or read back from bytes."""
import numpy as np
import pytest
from hypothesis import given, strategies as st

import protobuf_wire as W
import zorvane as zv
from model_support import outcome, problem

DUPLICATED = "Duplicated name -- different variables share the same name(s): "
NAN = float("nan")
C = zv.Constraint
N = zv.Placeholder("N")
A = zv.Placeholder("A", ndim=2)


def x_nan():
    return zv.IntegerVar("x", lower_bound=NAN, upper_bound=1)


def read_back(obj):
    return zv.from_protobuf(zv.to_protobuf(obj))


def test_a_copy_of_a_variable_with_a_nan_bound_is_the_same_variable():
    x, x2 = x_nan(), x_nan()
    p = problem(C("c1", x <= 1), C("c2", x >= 0))
    assert outcome(p, C("c3", x2 >= 0)) is None
    assert sorted(p.constraints) == ["c1", "c2", "c3"]


def test_a_problem_read_back_accepts_what_the_problem_accepts():
    x = x_nan()
    p = problem(C("c1", x <= 1))
    q = read_back(p)
    assert outcome(q, C("c4", x >= 0)) is None
    assert outcome(q, C("c5", read_back(x) >= 0)) is None
    assert outcome(p, C("c4", x >= 0)) is None


def summed(element):
    return zv.sum(element, element)


@pytest.mark.parametrize("make, count", [
    (x_nan, 1),
    (lambda: zv.ContinuousVar("x", lower_bound=NAN, upper_bound=NAN), 1),
    (lambda: summed(zv.Element("i", belong_to=(0, N * NAN))), 2),  # i and N
    (lambda: A[NAN].len_at(0), 2),  # the array length and A
    (lambda: zv.BinaryVar("y", shape=[N * NAN])[0], 2),  # y and N
])
def test_extract_variables_counts_an_equal_copy_as_the_same_variable(make, count):
    a, b = make(), make()
    assert len(zv.extract_variables(a + a)) == count
    assert len(zv.extract_variables(a + b)) == count
    assert len(zv.extract_variables(a + read_back(a))) == count


def integer_x(lower, upper):
    return lambda: zv.IntegerVar("x", lower_bound=lower, upper_bound=upper)


@pytest.mark.parametrize("first, second, same", [
    (integer_x(NAN, 1), integer_x(-NAN, 1), True),  # any NaN is a NaN
    (integer_x(0, 10), integer_x(-0.0, 10.0), True),
    (integer_x(0.0, 10), integer_x(0, np.float64(10)), True),
    (integer_x(2**53 + 1, 2**60), integer_x(float(2**53), 2**60), True),  # as doubles, by value
    (integer_x(NAN, 1), integer_x(1, NAN), False),  # a NaN in another place
    (integer_x(NAN, 1), integer_x(0, 1), False),
    (integer_x(2**53, 2**60), integer_x(2**53 + 1, 2**60), False),  # two integers: exactly
    (integer_x(NAN, 1), lambda: zv.ContinuousVar("x", lower_bound=NAN, upper_bound=1), False),
])
def test_the_name_check_and_extract_variables_agree(first, second, same):
    a, b = first(), second()
    assert len(zv.extract_variables(a + b)) == (1 if same else 2)
    expected = None if same else DUPLICATED + "x"
    assert outcome(problem(C("c1", a <= 1)), C("c2", b <= 1)) == expected
    assert outcome(read_back(problem(C("c1", a <= 1))), C("c2", read_back(b) <= 1)) == expected
    assert outcome(zv.Problem("p"), C("c", a + b <= 1)) == expected


def test_the_first_variable_met_decides_whatever_the_order_of_adds():
    """Integers beyond 2**53 and the float they round to are one variable by value, but two such
    integers are not: the constraint checked first by name ("a") decides, not the one added first."""
    xf, xi = integer_x(float(2**53), 2**60), integer_x(2**53 + 1, 2**60)
    p = problem(C("b", xf() <= 1), C("a", xi() <= 1))
    for q in (p, read_back(p)):
        assert outcome(q, C("c", integer_x(2**53, 2**60)() <= 1)) == DUPLICATED + "x"
    assert outcome(p, C("c", xf() <= 2)) is None


def stored(key, ndim):
    """A constraint `y + n[0, ...] <= 1` under `key`, as bytes, with a placeholder n of `ndim` dimensions."""
    nodes = [W.lit(0), W.placeholder("n", ndim), W.subscript(1, [0] * ndim), W.decision_var(1, "y"),
             W.commutative(1, [3, 2])]
    return key, W.constraint(key, 1, left=W.expr(nodes, 4), right=W.expr([W.lit(1)]))


@pytest.mark.parametrize("own", [True, False])
def test_a_problem_holding_two_variables_under_one_name_judges_nodes_by_their_definition(own):
    """Read from bytes, "a" holds n with one dimension and "b" n with two: a new constraint with
    the second is refused (the first met is compared with), built from "b"'s own nodes or anew."""
    p = zv.from_protobuf(W.problem_body(objective=W.expr([W.lit(0)]), constraints=[stored("a", 1), stored("b", 2)]))
    left = p.constraints["b"].left if own else zv.BinaryVar("y") + zv.Placeholder("n", ndim=2)[0, 0]
    assert outcome(p, C("d", left <= 1)) == DUPLICATED + "n"
    assert sorted(p.constraints) == ["a", "b"]


def nan_element():
    return zv.Element("i", belong_to=(0, N + NAN))


A1 = zv.Placeholder("a", ndim=1)
J = zv.Element("j", belong_to=N)
ALREADY_BOUND = "Invalid forall -- Elements in forall list are already associated with operators in the expression: i"


@pytest.mark.parametrize("make", [
    lambda i, y: C("c", zv.sum(i, A1[i]) + y <= 1),
    lambda i, y: C("c", A1[i] + y <= 1, forall=i),
    lambda i, y: C("c", A1[i] + y <= 1, forall=nan_element()),  # an equal copy
    lambda i, y: C("c", A[i, J] + y <= 1, forall=[i, (J, J != nan_element())]),  # i in a condition
    lambda i, y: zv.CustomPenaltyTerm("t", zv.sum(i, A1[i] * y)),
    lambda i, y: zv.CustomPenaltyTerm("t", A1[i] * y, forall=[nan_element()]),
])
def test_an_element_over_a_set_with_a_nan_is_itself_in_a_forall_scope(make):
    made = make(nan_element(), zv.BinaryVar("y"))
    assert str(read_back(made)) == str(made)


@pytest.mark.parametrize("call, kind, message", [
    (lambda: C("c", A1[nan_element()] + zv.BinaryVar("y") <= 1, forall=[nan_element(), nan_element()]), TypeError,
     "argument 'forall': failed to create a forall list object"),  # listed twice
    (lambda: C("c", zv.sum(nan_element(), A1[nan_element()]) + zv.BinaryVar("y") <= 1, forall=nan_element()),
     zv.ModelingError, ALREADY_BOUND),
])
def test_an_element_over_a_set_with_a_nan_is_refused_as_any_element(call, kind, message):
    with pytest.raises(kind) as raised:
        call()
    assert str(raised.value) == message


def test_expression_equality_keeps_nan_unequal():
    assert not zv.is_same(x_nan(), x_nan())
    assert zv.is_same(integer_x(0, 10)(), integer_x(-0.0, 10.0)())


# ---- property: shared, copied and read back give the same answers ----

# Definitions with the label of the variable they make: equal labels, one variable.
DEFS = [
    (integer_x(NAN, 1), ("x", "integer nan..1")),
    (integer_x(-NAN, 1.0), ("x", "integer nan..1")),
    (integer_x(0, 10), ("x", "integer 0..10")),
    (integer_x(-0.0, 10.0), ("x", "integer 0..10")),
    (integer_x(0.0, np.float64(10)), ("x", "integer 0..10")),
    (integer_x(1, NAN), ("x", "integer 1..nan")),
    (lambda: zv.ContinuousVar("x", lower_bound=NAN, upper_bound=1), ("x", "continuous nan..1")),
    (lambda: zv.ContinuousVar("y", lower_bound=NAN, upper_bound=NAN), ("y", "continuous nan..nan")),
    (lambda: zv.IntegerVar("y", lower_bound=NAN, upper_bound=NAN), ("y", "integer nan..nan")),
]
SHARED = [make() for make, _ in DEFS]
adds = st.lists(st.tuples(st.sampled_from("abc"), st.lists(st.integers(0, len(DEFS) - 1), min_size=1, max_size=3)),
                max_size=8)


def answers(sequence, mode):
    """For each add: the outcome, the number of variables of the new constraint and of the problem."""
    p, got = zv.Problem("p"), []
    for key, defs in sequence:
        if mode == "read back":
            p = read_back(p)
        left = 0
        for k in defs:
            left = left + {"shared": lambda: SHARED[k], "copy": DEFS[k][0], "read back": lambda: read_back(SHARED[k])}[mode]()
        entry = C(key, left <= 1)
        got.append((outcome(p, entry), len(zv.extract_variables(entry)), len(zv.extract_variables(p))))
    return got


@given(adds)
def test_answers_never_depend_on_sharing_copying_or_bytes(sequence):
    shared = answers(sequence, "shared")
    assert answers(sequence, "copy") == shared
    assert answers(sequence, "read back") == shared
    # and they are the labels' answers: a clash where a name has two labels
    held = {}
    for (key, defs), (result, count, _) in zip(sequence, shared):
        labels = [DEFS[k][1] for k in defs]
        assert count == len(set(labels))
        known = {name: label for k, entry in held.items() if k != key for name, label in entry}
        clash = {name for name, label in labels if known.setdefault(name, label) != label}
        if clash:
            assert result.startswith(DUPLICATED) and set(result[len(DUPLICATED):].split(", ")) == clash
        else:
            assert result is None
            held[key] = labels
