"""Constraint, ConstraintSense, CustomPenaltyTerm and forall lists: construction rules, scope
checks, getters and text forms."""
import pytest

import zorvane as zv

INVALID_RELATION = (
    "Invalid constraint -- conditional must be a valid equality or non-strict inequality "
    "(==, >=, or <= only)"
)
MISSING = "Invalid forall:\nExpression contained elements not used in the forall list or any operator: "
SURPLUS = (
    "Invalid forall:\nForall list contained elements not in expression or already associated "
    "with operators: "
)
BOUND = "Invalid forall -- Elements in forall list are already associated with operators in the expression: "
BAD_FORALL = "argument 'forall': failed to create a forall list object"


class Interrupt(BaseException):
    """Not an `Exception`: readings that try several interpretations must never swallow it."""


@pytest.fixture
def n():
    return zv.Placeholder("n")


@pytest.fixture
def N():
    return zv.Placeholder("N")


@pytest.fixture
def i():
    return zv.Element("i", belong_to=(0, 10))


@pytest.fixture
def j(n):
    return zv.Element("j", belong_to=(0, n))


@pytest.fixture
def x():
    return zv.BinaryVar("x")


@pytest.fixture
def y():
    return zv.IntegerVar("y", lower_bound=0, upper_bound=5)


@pytest.fixture
def v():
    """A two-dimensional binary variable."""
    return zv.BinaryVar("v", shape=[10, 10])


# ---- ConstraintSense ---------------------------------------------------------------------------


@pytest.mark.parametrize(
    "name, value", [("EQUAL", 0), ("LESS_THAN_EQUAL", 1), ("GREATER_THAN_EQUAL", 2)]
)
def test_constraint_sense_members(name, value):
    sense = getattr(zv.ConstraintSense, name)
    assert type(sense) is zv.ConstraintSense
    assert repr(sense) == f"ConstraintSense.{name}"
    assert str(sense) == f"ConstraintSense.{name}"
    assert int(sense) == value
    assert sense == value
    assert not (sense != value)
    assert sense == getattr(zv.ConstraintSense, name)
    assert getattr(zv.ConstraintSense, name) is sense  # created once


def test_constraint_sense_comparisons():
    S = zv.ConstraintSense
    assert S.EQUAL == 0 and S.EQUAL == False  # noqa: E712 - a bool is an integer
    assert S.EQUAL != S.GREATER_THAN_EQUAL
    assert not (S.EQUAL == S.LESS_THAN_EQUAL)
    assert (S.EQUAL == "EQUAL") is False
    assert (S.EQUAL == 0.0) is False
    assert (S.EQUAL == 2**70) is False
    for op in ("<", "<=", ">", ">="):
        with pytest.raises(TypeError):
            eval(f"S.EQUAL {op} 1")
    with pytest.raises(TypeError, match="^No constructor defined$"):
        zv.ConstraintSense()
    assert zv.ConstraintSense.__doc__ == "Equality of a constraint"
    assert zv.ConstraintSense.__text_signature__ is None
    with pytest.raises(TypeError):
        hash(S.EQUAL)


def test_constraint_sense_compares_through_index():
    class Two:
        def __index__(self):
            return 2

    assert zv.ConstraintSense.GREATER_THAN_EQUAL == Two()
    assert zv.ConstraintSense.EQUAL != Two()


# ---- Constraint: construction ---------------------------------------------------------------------


def test_equality_constraint(x):
    c = zv.Constraint("c", x == 1)
    assert c.name == "c"
    assert c.sense == zv.ConstraintSense.EQUAL
    assert type(c.sense) is zv.ConstraintSense
    assert c.is_equality() is True
    assert c.is_inequality() is False
    assert c.forall == []
    assert zv.is_same(c.left, x)
    assert zv.is_same(c.right, 1)
    assert type(c.expression) is zv.EqualOp
    assert str(c.expression) == "x == 1"


@pytest.mark.parametrize(
    "build, left, right, sense",
    [
        (lambda x, y: y <= x, "y", "x", "LESS_THAN_EQUAL"),
        (lambda x, y: x >= y, "x", "y", "GREATER_THAN_EQUAL"),
        (lambda x, y: 1 <= x, "x", "1", "GREATER_THAN_EQUAL"),  # x's slot builds x >= 1
        (lambda x, y: 2 >= x + y, "x + y", "2", "LESS_THAN_EQUAL"),
        (lambda x, y: x + y == y, "x + y", "y", "EQUAL"),
    ],
)
def test_sides_stay_as_written(x, y, build, left, right, sense):
    c = zv.Constraint("c", build(x, y))
    assert str(c.left) == left
    assert str(c.right) == right
    assert c.sense == getattr(zv.ConstraintSense, sense)
    assert c.is_inequality() is (sense != "EQUAL")
    expected_class = {"EQUAL": zv.EqualOp, "LESS_THAN_EQUAL": zv.LessThanEqualOp,
                      "GREATER_THAN_EQUAL": zv.GreaterThanEqualOp}[sense]
    assert type(c.expression) is expected_class


@pytest.mark.parametrize(
    "build",
    [
        lambda x: x < 1,
        lambda x: x > 1,
        lambda x: x != 1,
        lambda x: (x == 1) & (x <= 2),
        lambda x: (x == 1) | (x <= 2),
        lambda x: (x == 1) ^ (x <= 2),
    ],
)
def test_relation_must_be_equality_or_non_strict(x, build):
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", build(x))
    assert str(info.value) == INVALID_RELATION


def test_a_decision_variable_is_required(N, x):
    with pytest.raises(zv.ModelingError, match="^expression does not contain a decision variable$"):
        zv.Constraint("c", N == 1)
    a = zv.Placeholder("a", ndim=1)
    i = zv.Element("i", belong_to=(0, 3))
    with pytest.raises(zv.ModelingError, match="^expression does not contain a decision variable$"):
        zv.Constraint("c", zv.sum(i, a[i]) <= N)
    # Either side may hold it.
    assert zv.Constraint("c", N <= x).right is not None
    assert str(zv.Constraint("c", N <= x).right) == "x"


def test_forall_is_checked_before_the_relation(v, i):
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", v[i, 0] < 1)
    assert str(info.value) == MISSING + "i"
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", v[i, 0] == 1)
    assert str(info.value) == MISSING + "i"


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((), {}, "Constraint.__new__() missing 2 required positional arguments: 'name' and 'expression'"),
        (("c",), {}, "Constraint.__new__() missing 1 required positional argument: 'expression'"),
        (("c", None, None), {}, "Constraint.__new__() takes 2 positional arguments but 3 were given"),
        (("c", None), {"bad": 1}, "Constraint.__new__() got an unexpected keyword argument 'bad'"),
        ((1, None), {}, "argument 'name': 'int' object cannot be converted to 'PyString'"),
        (("c", 1), {}, "argument 'expression': failed to convert into a conditional expression."),
    ],
)
def test_constraint_argument_errors(args, kwargs, message):
    with pytest.raises(TypeError) as info:
        zv.Constraint(*args, **kwargs)
    assert str(info.value) == message


def test_constraint_expression_must_be_a_condition(x):
    for bad in (x, x + 1, "x == 1", zv.Placeholder("a")):
        with pytest.raises(TypeError) as info:
            zv.Constraint("c", bad)
        assert str(info.value) == "argument 'expression': failed to convert into a conditional expression."


def test_constraint_keywords(x):
    c = zv.Constraint(name="c", expression=x == 1, forall=None)
    assert c.name == "c" and c.forall == []


def test_constraint_class_surface():
    assert zv.Constraint.__text_signature__ == "(name, expression, *, forall=None)"
    doc = zv.Constraint.__doc__
    assert doc.startswith("A class for creating a constraint")
    for section in ("Attributes:", "Args:", "Raises:", "Expression:"):
        assert section in doc
    assert 'Constraint(name="constraint", expression=sum(i in [0..N), x[i]) == 1)' in doc
    for name in ("name", "sense", "left", "right", "forall", "expression"):
        assert isinstance(getattr(zv.Constraint, name), type(zv.Constraint.name))


def test_constraint_attributes_are_read_only(x):
    c = zv.Constraint("c", x == 1)
    for name in ("name", "sense", "left", "right", "forall", "expression"):
        with pytest.raises(AttributeError):
            setattr(c, name, None)
    # identity semantics, no comparison of its own
    assert c == c
    assert c != zv.Constraint("c", x == 1)
    hash(c)


# ---- Constraint: text forms ----------------------------------------------------------------------


def test_constraint_repr_and_str(x, v, i):
    c = zv.Constraint("c", x == 1)
    assert repr(c) == 'Constraint(name="c", expression=x == 1)'
    assert str(c) == repr(c)
    c = zv.Constraint("c", v[i, 0] == 1, forall=[i])
    assert repr(c) == 'Constraint(name="c", expression=v[i, 0] == 1, forall=[i])'


def test_constraint_docs_examples(N):
    M = zv.Placeholder("M")
    i = zv.Element("i", belong_to=(0, N))
    j = zv.Element("j", belong_to=(0, M))
    x = zv.BinaryVar("x", shape=[N])
    assert repr(zv.Constraint("constraint", zv.sum(i, x[i]) == 1)) == (
        'Constraint(name="constraint", expression=sum(i in [0..N), x[i]) == 1)'
    )
    x = zv.BinaryVar("x", shape=[N, M])
    assert repr(zv.Constraint("constraint", zv.sum(i, x[i, j]) == 1, forall=j)) == (
        'Constraint(name="constraint", expression=sum(i in [0..N), x[i, j]) == 1, forall=[j])'
    )
    j = zv.Element("j", belong_to=(0, N))
    x = zv.IntegerVar("x", shape=[N, N], lower_bound=0, upper_bound=5)
    assert repr(zv.Constraint("constraint", x[i, j] <= 2, forall=[i, (j, j != i)])) == (
        'Constraint(name="constraint", expression=x[i, j] <= 2, forall=[i, (j, j != i)])'
    )


def test_constraint_latex(x):
    c = zv.Constraint("c", x == 1)
    assert c._repr_latex_() == "\\begin{array}{cccc}\n & \\text{c} & \\displaystyle x = 1 &  \\\\\n\\end{array}"


def test_constraint_latex_escapes_the_name_but_repr_does_not(x):
    c = zv.Constraint("c_1%&", x <= 1)
    assert "\\text{c\\_1\\%\\&}" in c._repr_latex_()
    assert repr(c) == 'Constraint(name="c_1%&", expression=x <= 1)'


def test_constraint_drops_the_latex_of_its_comparison(x):
    condition = x == 1
    condition.set_latex("\\mathrm{E}")
    c = zv.Constraint("c", condition)
    assert "\\mathrm{E}" not in c._repr_latex_()
    assert "x = 1" in c._repr_latex_()
    assert c.expression._repr_latex_() == "$$\\displaystyle x = 1$$"


def test_constraint_latex_with_forall(v, i, j):
    c = zv.Constraint("c", v[i, j] <= 1, forall=[i, (j, j != i)])
    assert c._repr_latex_() == (
        "\\begin{array}{cccc}\n & \\text{c} & \\displaystyle v_{i, j} \\leq 1 & "
        "\\forall i \\in \\left\\{0,\\ldots,9\\right\\} "
        "\\forall j \\in \\left\\{j \\in \\left\\{0,\\ldots,n - 1\\right\\} \\mid j \\neq i \\right\\}"
        " \\\\\n\\end{array}"
    )


def test_forall_latex_of_other_sets(x):
    a = zv.Placeholder("a", ndim=1)
    i = zv.Element("i", belong_to=a, latex="\\iota")
    b = zv.BinaryVar("b", shape=[a.len_at(0)])
    c = zv.Constraint("c", b[i] == 1, forall=i)
    assert c._repr_latex_().endswith("& \\forall \\iota \\in a \\\\\n\\end{array}")


def test_constraint_values_are_copies(x, v, i):
    c = zv.Constraint("c", v[i, 0] == x, forall=[i])
    assert c.left is not c.left
    assert c.forall is not c.forall
    forall = c.forall
    forall.clear()
    assert len(c.forall) == 1


# ---- Forall lists --------------------------------------------------------------------------------


@pytest.mark.parametrize("forall", [None, [], ()])
def test_empty_forall(x, forall):
    assert zv.Constraint("c", x == 1, forall=forall).forall == []


def test_forall_readings(v, i, j):
    for forall in (i, [i], (i,), (i, None), [(i, None)]):
        f = zv.Constraint("c", v[i, 0] == 1, forall=forall).forall
        assert len(f) == 1
        element, condition = f[0]
        assert type(f[0]) is tuple
        assert zv.is_same(element, i) and condition is None
    f = zv.Constraint("c", v[i, j] == 1, forall=(i, j)).forall
    assert [e.name for e, _ in f] == ["i", "j"]
    f = zv.Constraint("c", v[i, j] == 1, forall=[i, (j, j != i)]).forall
    assert f[0][1] is None
    assert type(f[1][1]) is zv.NotEqualOp and str(f[1][1]) == "j != i"
    # a tuple subclass counts as a tuple
    class Pair(tuple):
        pass

    f = zv.Constraint("c", v[i, j] == 1, forall=[i, Pair((j, j != i))]).forall
    assert len(f) == 2 and f[1][1] is not None


@pytest.mark.parametrize(
    "make",
    [
        lambda i, j: [i, i],
        lambda i, j: [(j, j != i), i],
        lambda i, j: "i",
        lambda i, j: {1, 2},
        lambda i, j: {"i": i},
        lambda i, j: (e for e in [i, j]),
        lambda i, j: 1,
        lambda i, j: [i, 1],
        lambda i, j: [i, (j,)],
        lambda i, j: [i, (j, j != i, None)],
        lambda i, j: [i, (j, 1)],
        lambda i, j: [i, (1, j != i)],
    ],
)
def test_bad_forall(v, i, j, make):
    with pytest.raises(TypeError) as info:
        zv.Constraint("c", v[i, j] == 1, forall=make(i, j))
    assert str(info.value) == BAD_FORALL


def test_forall_condition_on_its_own_element(x):
    s = zv.Placeholder("s", ndim=1)
    j = zv.Element("j", belong_to=s)
    w = zv.BinaryVar("w", shape=[s.len_at(0)])
    c = zv.Constraint("c", w[j] == 1, forall=[(j, j != j)])
    assert len(c.forall) == 1


def test_forall_of_a_sum_index_is_refused(i):
    x = zv.BinaryVar("x", shape=[10])
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", zv.sum(i, x[i]) == 1, forall=i)
    assert str(info.value) == BOUND + "i"


def test_missing_and_surplus_forall_elements(v, i, j):
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", v[i, 0] == 1)
    assert str(info.value) == MISSING + "i"
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", v[i, 0] == 1, forall=[i, j])
    assert str(info.value) == SURPLUS + "j"
    k = zv.Element("k", belong_to=(0, 3))
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", v[i, 0] == 1, forall=[j, k])
    assert str(info.value) == MISSING + "i" + SURPLUS[len("Invalid forall:"):] + "j, k"


def test_element_over_an_element():
    a = zv.Placeholder("a", ndim=2)
    i = zv.Element("i", belong_to=a)  # ndim 1
    j = zv.Element("j", belong_to=i)  # ndim 0, ranges over the row i
    x = zv.BinaryVar("x", shape=[a.len_at(1)])
    # As a sum index, j binds itself but its set makes i free.
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", zv.sum(j, x[j]) <= 1)
    assert str(info.value) == MISSING + "i"
    assert len(zv.Constraint("c", zv.sum(j, x[j]) <= 1, forall=i).forall) == 1
    # Used free, j makes both j and i free.
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", x[j] == 1, forall=[j])
    assert str(info.value) == MISSING + "i"
    assert len(zv.Constraint("c", x[j] == 1, forall=[i, j]).forall) == 2
    # A forall condition on j reaches i through j's set.
    with pytest.raises(TypeError) as info:
        zv.Constraint("c", x[j] == 1, forall=[(j, j != 0)])
    assert str(info.value) == BAD_FORALL
    assert len(zv.Constraint("c", x[j] == 1, forall=[i, (j, j != 0)]).forall) == 2


def test_elements_alike_in_name_but_not_in_set():
    i5 = zv.Element("i", belong_to=(0, 5))
    i6 = zv.Element("i", belong_to=(0, 6))
    x = zv.BinaryVar("x", shape=[6])
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", x[i5] + x[i6] <= 1, forall=[i5])
    assert str(info.value) == MISSING + "i"
    assert len(zv.Constraint("c", x[i5] + x[i6] <= 1, forall=[i5, i6]).forall) == 2
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", x[i5] <= 1, forall=[i5, i6])
    assert str(info.value) == SURPLUS + "i"


def test_latex_and_description_do_not_make_elements_differ():
    i = zv.Element("i", belong_to=(0, 5))
    i_described = zv.Element("i", belong_to=(0, 5), latex="I", description="index")
    x = zv.BinaryVar("x", shape=[5])
    c = zv.Constraint("c", x[i] == 1, forall=i_described)
    assert c.forall[0][0].description == "index"
    with pytest.raises(TypeError):
        zv.Constraint("c", x[i] == 1, forall=[i, i_described])


def test_element_bound_and_free_in_one_expression(i):
    x = zv.BinaryVar("x", shape=[10])
    # Met free before it is bound: it stays free, and is also bound.
    with pytest.raises(zv.ModelingError) as info:
        zv.Constraint("c", x[i] + zv.sum(i, x[i]) <= 1, forall=i)
    assert str(info.value) == BOUND + "i"
    # Bound first: the body's occurrence is not free.
    assert zv.Constraint("c", zv.sum(i, x[i]) + 0 <= 1).forall == []


def test_forall_reading_never_swallows_non_exceptions(v, i):
    class Evil:
        def __iter__(self):
            raise Interrupt

        def __getitem__(self, key):
            raise Interrupt

        def __len__(self):
            return 1

    with pytest.raises(Interrupt):
        zv.Constraint("c", v[i, 0] == 1, forall=Evil())


def test_forall_never_trusts_len(v, i):
    class Lying(list):
        def __len__(self):
            return 10**12

    c = zv.Constraint("c", v[i, 0] == 1, forall=Lying([i]))
    assert len(c.forall) == 1


# ---- CustomPenaltyTerm ----------------------------------------------------------------------------


def test_penalty_term_docs_examples(N):
    M = zv.Placeholder("M")
    i = zv.Element("i", belong_to=(0, N))
    j = zv.Element("j", belong_to=(0, M))
    x = zv.BinaryVar("x", shape=[N])
    t = zv.CustomPenaltyTerm("custom penalty term", (zv.sum(i, x[i]) - 1) ** 2)
    assert t.forall == []
    assert repr(t) == (
        'CustomPenaltyTerm(name="custom penalty term", expression=((sum(i in [0..N), x[i]) - 1) ** 2))'
    )
    assert str(t) == repr(t)
    x = zv.BinaryVar("x", shape=[N, M])
    t = zv.CustomPenaltyTerm("custom penalty term", (zv.sum(i, x[i, j]) - 1) ** 2, forall=j)
    assert repr(t) == (
        'CustomPenaltyTerm(name="custom penalty term", expression=((sum(i in [0..N), x[i, j]) - 1) ** 2),'
        " forall=[j])"
    )
    j = zv.Element("j", belong_to=(0, N))
    x = zv.IntegerVar("x", shape=[N, N], lower_bound=0, upper_bound=5)
    t = zv.CustomPenaltyTerm("custom penalty term", (x[i, j] - 2) ** 2, forall=[i, (j, j != i)])
    assert repr(t) == (
        'CustomPenaltyTerm(name="custom penalty term", expression=((x[i, j] - 2) ** 2), '
        "forall=[i, (j, j != i)])"
    )


def test_penalty_term_getters(x, i):
    z = zv.ContinuousVar("z", shape=[10], lower_bound=0, upper_bound=1)
    t = zv.CustomPenaltyTerm("p", z[i] * x, forall=i)
    assert t.name == "p"
    assert zv.is_same(t.expression, z[i] * x)
    assert len(t.forall) == 1 and t.forall[0][1] is None
    for name in ("name", "expression", "forall"):
        with pytest.raises(AttributeError):
            setattr(t, name, None)
    assert zv.CustomPenaltyTerm.__text_signature__ == "(name, expression, *, forall=None)"
    assert zv.CustomPenaltyTerm.__doc__.startswith("A class for creating a custom penalty term")


@pytest.mark.parametrize("value", [5, 2.5, zv.Placeholder("N"), zv.NumberLit(3)])
def test_penalty_term_needs_a_decision_variable(value):
    with pytest.raises(zv.ModelingError) as info:
        zv.CustomPenaltyTerm("p", value)
    assert str(info.value) == "the custom penalty term does not contain a decision variable"


@pytest.mark.parametrize(
    "args, message",
    [
        (("p", "x"), "argument 'expression': failed to convert into expression."),
        ((1, 1), "argument 'name': 'int' object cannot be converted to 'PyString'"),
        (("p",), "CustomPenaltyTerm.__new__() missing 1 required positional argument: 'expression'"),
    ],
)
def test_penalty_term_argument_errors(args, message):
    with pytest.raises(TypeError) as info:
        zv.CustomPenaltyTerm(*args)
    assert str(info.value) == message


def test_penalty_term_refuses_conditions_and_dummy_indexed_variables(x):
    with pytest.raises(TypeError) as info:
        zv.CustomPenaltyTerm("p", x == 1)
    assert str(info.value) == "argument 'expression': failed to convert into expression."
    w = zv.BinaryVar("w", shape=[3])
    with pytest.raises(zv.ModelingError) as info:
        zv.CustomPenaltyTerm("p", w[:])
    assert str(info.value) == (
        "dummy indexed BinaryVar with name 'w' must be called the `sum` or `prod` method to be "
        "converted into an expression."
    )


def test_penalty_term_forall_rules(i):
    x = zv.BinaryVar("x", shape=[10])
    with pytest.raises(zv.ModelingError) as info:
        zv.CustomPenaltyTerm("p", x[i])
    assert str(info.value) == MISSING + "i"
    assert len(zv.CustomPenaltyTerm("p", x[i], forall=i).forall) == 1
    with pytest.raises(zv.ModelingError) as info:
        zv.CustomPenaltyTerm("p", zv.sum(i, x[i]), forall=i)
    assert str(info.value) == BOUND + "i"
    with pytest.raises(TypeError) as info:
        zv.CustomPenaltyTerm("p", x[i], forall=[i, i])
    assert str(info.value) == BAD_FORALL


def test_penalty_term_latex(x):
    t = zv.CustomPenaltyTerm("a&b", x * x)
    assert t._repr_latex_() == (
        "\\begin{array}{cccc}\n & \\text{a\\&b} & \\displaystyle x \\cdot x &  \\\\\n\\end{array}"
    )
    assert repr(t) == 'CustomPenaltyTerm(name="a&b", expression=x * x)'


def test_penalty_term_latex_uses_the_expression_latex(x):
    e = x + 1
    e.set_latex("\\Phi")
    assert "\\displaystyle \\Phi & " in zv.CustomPenaltyTerm("p", e)._repr_latex_()
    # a top-level power is enclosed when it stands inside a larger text
    assert "\\displaystyle \\left(x^{2}\\right) & " in zv.CustomPenaltyTerm("p", x**2)._repr_latex_()
