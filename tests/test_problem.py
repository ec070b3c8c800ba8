"""Problem, ProblemSense and ConstraintSense: construction, attributes, `+=` with its
name-consistency check, the LaTeX form of a whole problem, and a memory check."""
import gc
import operator
import os
import sys

import pytest
from hypothesis import given, strategies as st

import protobuf_wire as W
import zorvane as zv
from model_support import BadIndex, Interrupt, fails, not_str, outcome, problem, styled

DUPLICATED = "Duplicated name -- different variables share the same name(s): "
x, y = zv.BinaryVar("x"), zv.BinaryVar("y")
a1, a2 = zv.Placeholder("a", ndim=1), zv.Placeholder("a", ndim=2)
n, m = zv.Placeholder("n"), zv.Placeholder("m")
w = zv.BinaryVar("w", shape=[10])
i_n, i5 = zv.Element("i", (0, n)), zv.Element("i", 5)
xc = zv.ContinuousVar("x", lower_bound=0, upper_bound=1)
C, T = zv.Constraint, zv.CustomPenaltyTerm


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


@pytest.mark.parametrize("cls, name, value, doc", [
    (zv.ProblemSense, "MINIMIZE", 0, "An optimization sense"),
    (zv.ProblemSense, "MAXIMIZE", 1, "An optimization sense"),
    (zv.ConstraintSense, "EQUAL", 0, "Equality of a constraint"),
    (zv.ConstraintSense, "LESS_THAN_EQUAL", 1, "Equality of a constraint"),
    (zv.ConstraintSense, "GREATER_THAN_EQUAL", 2, "Equality of a constraint"),
])
def test_senses(cls, name, value, doc):
    s = getattr(cls, name)
    assert type(s) is cls and s is getattr(cls, name) and int(s) == value
    assert repr(s) == str(s) == f"{cls.__name__}.{name}"
    others = [getattr(zv.ProblemSense, "MAXIMIZE" if value == 0 else "MINIMIZE"), zv.ConstraintSense.EQUAL]
    for operand, equal in [(value, True), (Index(value), True), (s, True), (bool(value), value < 2),
                           (value + 1, False), (Index(value + 1), False), (float(value), False), (name, False),
                           (None, False), (2**80, False), *[(o, o is s) for o in others]]:
        assert (s == operand) is equal and (s != operand) is (not equal)
    for op, compare in [("<", operator.lt), ("<=", operator.le), (">", operator.gt), (">=", operator.ge)]:
        fails(lambda: compare(s, s), TypeError, f"'{op}' not supported between instances of 'zorvane.{cls.__name__}' "
              f"and 'zorvane.{cls.__name__}'")
    fails(lambda: hash(s), TypeError, f"unhashable type: 'zorvane.{cls.__name__}'")
    fails(cls, TypeError, "No constructor defined")
    assert cls.__doc__ == doc and cls.__text_signature__ is None


@pytest.mark.parametrize("call, message", [
    (lambda: zv.Problem("p", sense=1), "argument 'sense': 'int' object cannot be converted to 'ProblemSense'"),
    (lambda: zv.Problem("p", sense=None), "argument 'sense': 'NoneType' object cannot be converted to 'ProblemSense'"),
    (lambda: zv.Problem("p", sense=zv.ConstraintSense.EQUAL),
     "argument 'sense': 'ConstraintSense' object cannot be converted to 'ProblemSense'"),
    (lambda: zv.Problem(1), not_str("name", "int")),
    (lambda: zv.Problem(), "Problem.__new__() missing 1 required positional argument: 'name'"),
    (lambda: zv.Problem("p", zv.ProblemSense.MAXIMIZE),
     "Problem.__new__() takes 1 positional arguments but 2 were given"),
    (lambda: zv.Problem("p", bad=1), "Problem.__new__() got an unexpected keyword argument 'bad'"),
    (lambda: zv.Problem("p") + 1, "unsupported operand type(s) for +: 'zorvane.Problem' and 'int'"),
])
def test_constructor_errors(call, message):
    fails(call, TypeError, message)


def test_attributes_and_surface():
    p = zv.Problem("p")
    assert p.name == "p" and p.sense == zv.ProblemSense.MINIMIZE and type(p.objective) is zv.NumberLit
    assert p.objective.value == 0 and p.objective.dtype == zv.DataType.INTEGER
    assert p.constraints == {} == p.custom_penalty_terms and type(p.constraints) is type(p.custom_penalty_terms) is dict
    assert zv.Problem("p", sense=zv.ProblemSense.MAXIMIZE).sense == zv.ProblemSense.MAXIMIZE
    assert zv.Problem(name="p", sense=zv.ProblemSense.MINIMIZE).sense == 0
    p.sense = zv.ProblemSense.MAXIMIZE
    fails(lambda: setattr(p, "sense", 0), TypeError, "'int' object cannot be converted to 'ProblemSense'")
    fails(lambda: delattr(p, "sense"), AttributeError, "can't delete attribute")
    assert p.sense == zv.ProblemSense.MAXIMIZE
    for name in ("name", "objective", "constraints", "custom_penalty_terms"):
        fails(lambda: setattr(p, name, None), AttributeError)
    # identity semantics
    q = zv.Problem("p")
    assert p == p and p != q and hash(p) == hash(p) and repr(p).startswith("<zorvane.Problem object at ")
    assert zv.Problem.__text_signature__ == "(name, *, sense=...)"
    doc = zv.Problem.__doc__
    assert doc.startswith("A class for creating an optimization problem\n\nThe Problem class is used to create an ")
    assert "Defaults to :obj:`ProblemSense.MINIMIZE`." in doc and "custom_penalty_terms (dict): " in doc
    for cls in (zv.Problem, zv.Constraint, zv.CustomPenaltyTerm):
        assert cls._repr_latex_.__text_signature__ == "($self)"


def test_iadd_entries():
    p = q = zv.Problem("p")
    for objective, text in [(x, "x"), (y, "y"), (0, "0"), (2.5, "2.5"), (x * y + 1, "x * y + 1")]:
        p += objective
        assert p is q and str(p.objective) == text
    for name in ["b", "a", "B", "ä", "_", "a0"]:
        p += C(name, x == 1)
    assert list(p.constraints) == ["B", "_", "a", "a0", "b", "ä"]  # ordered by name bytes
    assert [c.name for c in p.constraints.values()] == list(p.constraints)
    p += C("a", y <= 1)  # the same name replaces
    p += T("a", x)  # a constraint and a penalty term may share a name
    p += T("a", y)
    assert str(p.constraints["a"].expression) == "y <= 1" and len(p.constraints) == 6
    assert list(p.custom_penalty_terms) == ["a"] and str(p.custom_penalty_terms["a"].expression) == "y"
    # values given out and taken in are copies
    d, terms = p.constraints, p.custom_penalty_terms
    d.clear(), terms.clear()
    assert len(p.constraints) == 6 and len(p.custom_penalty_terms) == 1
    assert p.constraints["a"] is not p.constraints["a"] and type(p.constraints["a"]) is zv.Constraint
    e = x + 1
    p += e
    e.set_latex("E")
    assert p.objective._repr_latex_() == "$$\\displaystyle x + 1$$"


@pytest.mark.parametrize("operand", ["x", None, [x], x == 1, (x == 1) & (x <= 1), zv.Problem("q"), a1, w[:],
                                     zv.ProblemSense.MAXIMIZE])
def test_iadd_refusals(operand):
    p = problem(x)
    with pytest.raises(TypeError) as info:
        p += operand
    assert str(info.value) == "unsupported operand type(s) for +="
    assert zv.is_same(p.objective, x)


def contents(p):
    return repr(p.objective), [repr(c) for c in p.constraints.values()], list(p.custom_penalty_terms)


@pytest.mark.parametrize("entries, conflict", [
    ([x, C("c", zv.IntegerVar("x", lower_bound=0, upper_bound=3) <= 1)], "x"),
    ([a1[0] * x, C("c", a2[0, 1] * x <= 1)], "a"),
    ([a1[0] * x, T("t", x * zv.sum(zv.Element("k", belong_to=a2), 1))], "a"),  # through an element's set
    # replacing an entry is judged without it; the penalty term keeps ndim 2
    ([C("c1", a1[0] * x <= 1), C("c1", a2[0, 0] * x <= 1), T("t", a2[0, 0] * x), C("c1", a1[0] * x <= 1)], "a"),
    ([zv.Placeholder("b") * x, zv.BinaryVar("b") + x], None),  # the old objective takes no part
    # presentation never conflicts
    ([zv.Placeholder("a", description="first") * x,
      C("c", zv.Placeholder("a", latex="A") * zv.BinaryVar("x", latex="X") <= 1),
      T("t", zv.BinaryVar("x", description="again"))], None),
    ([zv.sum(i_n, w[i_n]), C("c", zv.sum(zv.Element("i", (0, m)), w[0]) <= 1)], "i"),
    ([zv.sum(i_n, w[0]), C("d", zv.sum(zv.Element("n", (0, 3)), w[0]) <= 1)], "n"),
    ([x + xc], "x"),  # one new expression against itself
    ([C("c", x <= xc)], "x"),
    ([T("t", x * xc)], "x"),
    ([zv.Placeholder("a") * x + zv.Placeholder("b") * x, C("c", a1[0] * x + zv.BinaryVar("b") <= 1)], "a, b"),
    ([zv.Placeholder("a") * x + zv.Placeholder("b") * x, C("c", a1[0] * x <= zv.BinaryVar("b"))], "a"),  # first side
    ([zv.BinaryVar("N"), C("c", w[i5] <= 1, forall=[(i5, i5 != zv.Placeholder("N"))])], None),  # forall lists: no part
    # shapes and bounds are not walked, but compared
    ([zv.BinaryVar("w", shape=[n])[0], C("c", zv.BinaryVar("n") + zv.BinaryVar("w", shape=[n])[1] <= 1),
      T("t", zv.BinaryVar("w", shape=[m])[0])], "w"),
])
def test_name_consistency(entries, conflict):
    p = problem(*entries[:-1])
    before = contents(p)
    if conflict is None:
        p += entries[-1]
        return
    with pytest.raises(zv.ModelingError) as info:
        p += entries[-1]
    message = str(info.value)
    assert message.startswith(DUPLICATED) and sorted(message[len(DUPLICATED):].split(", ")) == conflict.split(", ")
    assert contents(p) == before


# ---- `+=` over many adds: the names a problem keeps between adds ----

# Variables under a few names, each labelled: equal labels are one variable to the name check
# whatever their presentation or the type of their bound numbers (0 and 0.0 are equal); items
# made once are shared by every entry that uses them, items made per use are equal copies.
# An element (the index of a sum, so that constraints may hold it) brings the names of its
# set: ("i", (0, N)) also names the placeholder N.
N = zv.Placeholder("N")


def summed(element):
    return zv.sum(element, element)


ATOMS = [
    (lambda: zv.Placeholder("a"), [("a", "placeholder")]),
    (lambda: zv.Placeholder("a", latex="A", description="again"), [("a", "placeholder")]),
    (lambda: zv.Placeholder("a", ndim=1)[0], [("a", "placeholder, 1 dim")]),
    (lambda: zv.BinaryVar("a"), [("a", "binary")]),
    (lambda: zv.IntegerVar("x", lower_bound=0, upper_bound=3), [("x", "integer 0..3")]),
    (lambda: zv.IntegerVar("x", lower_bound=0.0, upper_bound=3), [("x", "integer 0..3")]),
    (lambda: zv.IntegerVar("x", lower_bound=0, upper_bound=4), [("x", "integer 0..4")]),
    (lambda: summed(zv.Element("i", belong_to=(0, 3))), [("i", "range 3")]),
    (lambda: summed(zv.Element("i", belong_to=(0, 3.0))), [("i", "range 3")]),
    (lambda: summed(zv.Element("i", belong_to=(0, N))), [("N", "placeholder"), ("i", "range N")]),
    (lambda: zv.BinaryVar("N"), [("N", "binary")]),
]
SHARED = [make() for make, _ in ATOMS]
atom = st.tuples(st.integers(0, len(ATOMS) - 1), st.booleans())
side = st.lists(atom, max_size=3)
add = st.one_of(
    st.tuples(st.just("objective"), st.just(""), side, st.just([])),
    st.tuples(st.just("constraint"), st.sampled_from("cd"), side, side),
    st.tuples(st.just("penalty"), st.sampled_from("cd"), side, st.just([])),
)


def build_side(atoms, with_variable):
    """The sum of the atoms (a fresh copy or the shared item), with y when a decision variable is needed."""
    e = y if with_variable else 0
    for k, fresh in atoms:
        e = e + (ATOMS[k][0]() if fresh else SHARED[k])
    return e


def entry_of(kind, key, left, right):
    if kind == "objective":
        return build_side(left, False)
    if kind == "constraint":
        return C(key, build_side(left, True) <= build_side(right, False))
    return T(key, build_side(left, True))


def expected_clash(rest, sides):
    """The names the check of `sides` (in order, each against the rest and the sides before it)
    reports: those of the first side that uses one of them for another variable."""
    known = dict(rest)
    for atoms in sides:
        clash = set()
        for k, _ in atoms:
            for name, label in ATOMS[k][1]:
                if known.setdefault(name, label) != label:
                    clash.add(name)
        if clash:
            return clash
    return set()


def texts(p):
    """The entries as text (which a problem read back keeps: not LaTeX strings nor descriptions)."""
    return [str(p.objective)] + [{k: str(v) for k, v in d.items()} for d in (p.constraints, p.custom_penalty_terms)]


@given(st.lists(add, max_size=12))
def test_adds_agree_with_a_check_from_scratch(adds):
    p, held = zv.Problem("p"), {}  # held: the labels of each entry of p, by (kind, key)
    for kind, key, left, right in adds:
        # A problem read back from p holds the same entries and starts without their names.
        fresh = zv.from_protobuf(zv.to_protobuf(p))
        rest = {name: label for k, labels in held.items() if k != (kind, key) for name, label in labels}
        entry = entry_of(kind, key, left, right)
        got, from_scratch = outcome(p, entry), outcome(fresh, entry)
        assert got == from_scratch
        clash = expected_clash(rest, [left, right])
        if clash:
            assert got.startswith(DUPLICATED) and set(got[len(DUPLICATED):].split(", ")) == clash
        else:
            assert got is None
            held[kind, key] = [label for k, _ in left + right for label in ATOMS[k][1]]
        assert texts(p) == texts(fresh)


def stored(key, name, placeholder_ndim):
    """A constraint `y + n[0, ...] == 1` under `key`, as bytes, with a placeholder n of `placeholder_ndim` dimensions."""
    nodes = [W.lit(0), W.placeholder("n", placeholder_ndim), W.subscript(1, [0] * placeholder_ndim),
             W.decision_var(1, "y"), W.commutative(1, [3, 2])]
    return key, W.constraint(name, 1, left=W.expr(nodes, 4), right=W.expr([W.lit(1)]))


n1, n2 = zv.Placeholder("n", ndim=1), zv.Placeholder("n", ndim=2)


@pytest.mark.parametrize("adds", [
    [(C("d", y + n1[0] <= 1), None)],  # the first met (in "a") is the one compared with
    [(C("d", y + n2[0, 0] <= 1), "n")],
    [(n2[0, 0], "n"), (T("t", y * n1[0]), None)],
    # once "a" holds n2 it is met first
    [(C("a", y + n2[0, 0] <= 1), None), (C("d", y + n1[0] <= 1), "n"), (C("b", y + n1[0] <= 1), "n")],
    [(C("b", y + n2[0, 0] <= 1), "n"), (C("b", y + n1[0] <= 1), None), (C("d", y + n1[0] <= 1), None)],
    [(C("z", y + n2[0, 0] <= 1), "n"), (C("z", y + n1[0] <= 1), None)],  # "z" is a new key, not "a"
])
def test_adds_to_a_problem_read_as_stored(adds):
    """A problem read from bytes may hold two variables under one name, and keys that differ from
    its constraints' names: an add is judged against the first variable met in the rest."""
    data = W.problem_body(objective=W.expr([W.lit(0)]),
                          constraints=[stored("a", "z", 1), stored("b", "b", 2), stored("c", "c", 1)])
    p = zv.from_protobuf(data)
    for entry, clash in adds:
        assert outcome(p, entry) == (None if clash is None else DUPLICATED + clash)


def test_iadd_never_swallows_non_exceptions_and_is_guarded():
    p = zv.Problem("p")
    p += x
    with pytest.raises(Interrupt):
        p += BadIndex()
    assert zv.is_same(p.objective, x)
    seen = {}

    class Sneaky:
        def __index__(self):
            try:
                p.name
            except RuntimeError as error:
                seen["read"] = str(error)
            try:
                q = p
                q += 1
            except TypeError as error:
                seen["iadd"] = str(error)
            return 3

    p += Sneaky()
    assert p.objective.value == 3 and seen["read"] == "Already mutably borrowed"
    assert seen["iadd"].startswith("unsupported operand type(s) for +=: ")


def test_latex_of_a_full_problem():
    assert zv.Problem("p")._repr_latex_() == (
        "\\begin{array}{cccc}\n\\text{Problem:} & \\text{p} & & \\\\\n& & \\min \\quad \\displaystyle 0 & \\\\\n"
        + "\n" * 8 + "\\end{array}")
    N = zv.Placeholder("N")
    i = zv.Element("i", belong_to=(0, N))
    X = zv.BinaryVar("x", shape=[N], description="chosen_items")
    k = zv.IntegerVar("k", lower_bound=0, upper_bound=N)
    p = zv.Problem("knap")
    p += zv.sum(i, X[i]) + k
    p += C("c2", zv.sum(i, X[i]) <= k)
    p += C("c1", k >= 1)  # constraints print in name order
    p += T("t", (k - 2) ** 2)
    assert p._repr_latex_() == (
        "\\begin{array}{cccc}\n"
        "\\text{Problem:} & \\text{knap} & & \\\\\n"
        "& & \\min \\quad \\displaystyle \\sum_{i = 0}^{N - 1} x_{i} + k & \\\\\n"
        "\\text{s.t.} & & & \\\\"
        " & \\text{c1} & \\displaystyle k \\geq 1 &  \\\\"
        " & \\text{c2} & \\displaystyle \\sum_{i = 0}^{N - 1} x_{i} \\leq k &  \\\\\n"
        "\\text{penalty terms} & & & \\\\"
        " & \\text{t} & \\displaystyle \\left(\\left(k - 2\\right)^{2}\\right) &  \\\\\n"
        "\\text{{where}} & & & \\\\\n"
        "& x & 1\\text{-dim binary variable}& \\text{chosen\\_items}\\\\\n"
        "& k & 0\\text{-dim integer variable}\\\\ & & \\text{lower bound: }0 & \\\\ & & \\text{upper bound: }N & \\\\\n"
        "\n\n\n\\end{array}"
    )


def test_latex_parts():
    latex = zv.Problem("my_problem 100%", sense=zv.ProblemSense.MAXIMIZE)._repr_latex_()
    assert latex.startswith("\\begin{array}{cccc}\n\\text{Problem:} & \\text{my\\_problem 100\\%} & & \\\\\n")
    assert "& & \\max \\quad \\displaystyle 0 & \\\\\n" in latex
    latex = problem(T("t", x))._repr_latex_()
    assert "\\text{s.t.}" not in latex
    assert "& \\\\\n\n\\text{penalty terms} & & & \\\\ & \\text{t} & \\displaystyle x &  \\\\\n" in latex
    assert "\\text{penalty terms}" not in problem(C("c", x == 1))._repr_latex_()
    assert "\\min \\quad \\displaystyle \\Phi & " in problem(styled(x + 1, "\\Phi"))._repr_latex_()
    # variables by kind, then name; each once; none from forall lists or shapes
    b1, z, i = zv.BinaryVar("b", shape=[2]), zv.SemiContinuousVar("z", lower_bound=1, upper_bound=2), zv.Element("i", 2)
    c = zv.ContinuousVar("c", lower_bound=-1, upper_bound=1)
    latex = problem(b1[0] + x + z, C("only_here", zv.BinaryVar("a") + c <= 1),
                          C("more", b1[i] <= 1, forall=[(i, y != i)]))._repr_latex_()
    blocks = latex.split("\\text{{where}} & & & \\\\\n")[1].split("\n")
    assert blocks[0] == ("& a & 0\\text{-dim binary variable}\\\\& x & 0\\text{-dim binary variable}\\\\"
                         "& b & 1\\text{-dim binary variable}\\\\")
    assert blocks[1] == blocks[3] == "" and blocks[5] == "\\end{array}"
    assert blocks[2].startswith("& c & 0\\text{-dim continuous variable}\\\\ & & \\text{lower bound: }(-1) & ")
    assert blocks[4].startswith("& z & 0\\text{-dim semi-continuous variable}")


def test_models_are_freed():
    N = zv.Placeholder("N")
    i, j = zv.Element("i", belong_to=(0, N)), zv.Element("j", belong_to=(0, N))
    X = zv.BinaryVar("x", shape=[N, N])

    def churn():
        p = problem(zv.sum(i, X[i, 0]), C("c", zv.sum(i, X[i, j]) == 1, forall=[(j, j != 0)]),
                    T("t", (X[0, j] - 1) ** 2, forall=j))
        p._repr_latex_(), p.constraints, p.custom_penalty_terms
        zv.extract_nodes(p, zv.Element), zv.extract_variables(p), zv.is_same(p, p), zv.replace(p.objective, lambda n: n)
        with pytest.raises(zv.ModelingError):
            p += C("d", zv.IntegerVar("x", lower_bound=0, upper_bound=1) == 1)

    def rss_kb():
        with open("/proc/self/statm") as f:
            return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024

    for _ in range(200):
        churn()
    gc.collect()
    counts, before = [sys.getrefcount(o) for o in (N, i, j, X)], rss_kb()
    for _ in range(3000):
        churn()
    gc.collect()
    assert [sys.getrefcount(o) for o in (N, i, j, X)] == counts
    assert "libasan" in os.environ.get("LD_PRELOAD", "") or rss_kb() - before < 5_000
