"""Problem and ProblemSense: construction, attributes, `+=` with its name-consistency check, and the
LaTeX form of a whole problem."""
import pytest

import zorvane as zv

DUPLICATED = "Duplicated name -- different variables share the same name(s): "
UNSUPPORTED = "unsupported operand type(s) for +="

EMPTY_LATEX = (
    "\\begin{array}{cccc}\n"
    "\\text{Problem:} & \\text{p} & & \\\\\n"
    "& & \\min \\quad \\displaystyle 0 & \\\\\n"
    "\n\n\n\n\n\n\n\n"
    "\\end{array}"
)


@pytest.fixture
def x():
    return zv.BinaryVar("x")


@pytest.fixture
def y():
    return zv.BinaryVar("y")


# ---- ProblemSense --------------------------------------------------------------------------------


def test_problem_sense_members():
    S = zv.ProblemSense
    assert repr(S.MINIMIZE) == "ProblemSense.MINIMIZE"
    assert repr(S.MAXIMIZE) == "ProblemSense.MAXIMIZE"
    assert str(S.MAXIMIZE) == "ProblemSense.MAXIMIZE"
    assert int(S.MINIMIZE) == 0 and int(S.MAXIMIZE) == 1
    assert S.MINIMIZE is S.MINIMIZE
    assert type(S.MINIMIZE) is S


@pytest.mark.parametrize(
    "left, right, equal",
    [
        ("MINIMIZE", 0, True),
        ("MAXIMIZE", 1, True),
        ("MAXIMIZE", 0, False),
        ("MAXIMIZE", True, True),
        ("MINIMIZE", False, True),
        ("MINIMIZE", 0.0, False),
        ("MINIMIZE", "MINIMIZE", False),
        ("MINIMIZE", None, False),
        ("MINIMIZE", 2**80, False),
    ],
)
def test_problem_sense_equality(left, right, equal):
    sense = getattr(zv.ProblemSense, left)
    assert (sense == right) is equal
    assert (sense != right) is (not equal)


def test_problem_sense_against_itself_and_ordering():
    S = zv.ProblemSense
    assert S.MINIMIZE == S.MINIMIZE
    assert (S.MINIMIZE == S.MAXIMIZE) is False
    assert S.MINIMIZE != S.MAXIMIZE
    assert (S.MINIMIZE == zv.ConstraintSense.EQUAL) is False
    for op in ("<", "<=", ">", ">="):
        with pytest.raises(TypeError):
            eval(f"S.MINIMIZE {op} S.MAXIMIZE")
    with pytest.raises(TypeError, match="^No constructor defined$"):
        S()
    assert S.__doc__ == "An optimization sense"
    assert S.__text_signature__ is None


# ---- Problem: construction and attributes -------------------------------------------------------


def test_new_problem():
    p = zv.Problem("p")
    assert p.name == "p"
    assert p.sense == zv.ProblemSense.MINIMIZE
    assert repr(p.sense) == "ProblemSense.MINIMIZE"
    assert type(p.objective) is zv.NumberLit
    assert p.objective.value == 0 and p.objective.dtype == zv.DataType.INTEGER
    assert p.constraints == {} and type(p.constraints) is dict
    assert p.custom_penalty_terms == {} and type(p.custom_penalty_terms) is dict


def test_sense_keyword():
    assert zv.Problem("p", sense=zv.ProblemSense.MAXIMIZE).sense == zv.ProblemSense.MAXIMIZE
    assert zv.Problem(name="p", sense=zv.ProblemSense.MINIMIZE).sense == 0


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        (("p",), {"sense": 1}, "argument 'sense': 'int' object cannot be converted to 'ProblemSense'"),
        (("p",), {"sense": None}, "argument 'sense': 'NoneType' object cannot be converted to 'ProblemSense'"),
        (
            ("p",),
            {"sense": zv.ConstraintSense.EQUAL},
            "argument 'sense': 'ConstraintSense' object cannot be converted to 'ProblemSense'",
        ),
        ((1,), {}, "argument 'name': 'int' object cannot be converted to 'PyString'"),
        ((), {}, "Problem.__new__() missing 1 required positional argument: 'name'"),
        (("p", zv.ProblemSense.MAXIMIZE), {}, "Problem.__new__() takes 1 positional arguments but 2 were given"),
        (("p",), {"bad": 1}, "Problem.__new__() got an unexpected keyword argument 'bad'"),
    ],
)
def test_constructor_errors(args, kwargs, message):
    with pytest.raises(TypeError) as info:
        zv.Problem(*args, **kwargs)
    assert str(info.value) == message


def test_class_surface():
    assert zv.Problem.__text_signature__ == "(name, *, sense=...)"
    assert zv.Problem.__doc__ == (
        "A class for creating an optimization problem\n\nThe Problem class is used to create an "
        "optimization problem.\n\nAttributes:\n    name (str): A name of the optimization problem.\n"
        "    sense: Sense of the optimization problem.\n    objective: The objective function of the "
        "optimization problem.\n    constraints (dict): A dictionary that stores constraints.\n"
        "        A key is the name of a constraint and the value is the constraint object.\n"
        "    custom_penalty_terms (dict): A dictionary that stores custom penalty terms.\n"
        "        A key is the name of a custom penalty and the value is the custom penalty object.\n\n"
        "Args:\n    name (str): A name of the optimization problem.\n    sense (optional): Sense of "
        "the optimization problem. Defaults to :obj:`ProblemSense.MINIMIZE`."
    )
    own = set(vars(zv.Problem)) - {"__doc__", "__module__", "__new__"}
    assert {"__iadd__", "_repr_latex_", "name", "objective", "constraints",
            "custom_penalty_terms", "sense"} <= own
    for name in ("__repr__", "__str__", "__eq__", "__hash__", "__add__"):
        assert name not in vars(zv.Problem)
    for cls in (zv.Problem, zv.Constraint, zv.CustomPenaltyTerm):
        assert cls._repr_latex_.__text_signature__ == "($self)"


def test_identity_semantics():
    p, q = zv.Problem("p"), zv.Problem("p")
    assert p == p and p != q
    assert hash(p) == hash(p)
    assert repr(p).startswith("<zorvane.Problem object at ")
    with pytest.raises(TypeError):
        p + 1


def test_sense_setter():
    p = zv.Problem("p")
    p.sense = zv.ProblemSense.MAXIMIZE
    assert p.sense == zv.ProblemSense.MAXIMIZE
    with pytest.raises(TypeError) as info:
        p.sense = 0
    assert str(info.value) == "'int' object cannot be converted to 'ProblemSense'"
    assert p.sense == zv.ProblemSense.MAXIMIZE
    with pytest.raises(AttributeError, match="^can't delete attribute$"):
        del p.sense
    assert p.sense == zv.ProblemSense.MAXIMIZE


@pytest.mark.parametrize("name", ["name", "objective", "constraints", "custom_penalty_terms"])
def test_read_only_attributes(name):
    p = zv.Problem("p")
    with pytest.raises(AttributeError):
        setattr(p, name, None)


# ---- += ------------------------------------------------------------------------------------------


def test_objective_is_replaced(x, y):
    p = zv.Problem("p")
    q = p
    p += x
    assert p is q
    assert zv.is_same(p.objective, x)
    p += y
    assert zv.is_same(p.objective, y)
    p += 0
    assert type(p.objective) is zv.NumberLit and p.objective.value == 0
    p += 2.5
    assert p.objective.value == 2.5
    p += x * y + 1
    assert str(p.objective) == "x * y + 1"


@pytest.mark.parametrize(
    "make",
    [
        lambda x: "x",
        lambda x: None,
        lambda x: [x],
        lambda x: x == 1,
        lambda x: (x == 1) & (x <= 1),
        lambda x: zv.Problem("q"),
        lambda x: zv.Placeholder("a", ndim=1),
        lambda x: zv.BinaryVar("w", shape=[3])[:],
        lambda x: zv.ProblemSense.MAXIMIZE,
    ],
)
def test_unsupported_operands(x, make):
    p = zv.Problem("p")
    p += x
    with pytest.raises(TypeError) as info:
        p += make(x)
    assert str(info.value) == UNSUPPORTED
    assert zv.is_same(p.objective, x)


def test_constraints_are_ordered_by_name_bytes(x):
    p = zv.Problem("p")
    for name in ["b", "a", "B", "ä", "_", "a0"]:
        p += zv.Constraint(name, x == 1)
    assert list(p.constraints) == ["B", "_", "a", "a0", "b", "ä"]
    assert all(type(c) is zv.Constraint for c in p.constraints.values())
    assert [c.name for c in p.constraints.values()] == list(p.constraints)


def test_same_name_replaces(x, y):
    p = zv.Problem("p")
    p += zv.Constraint("c1", x == 1)
    p += zv.Constraint("c1", y <= 1)
    assert len(p.constraints) == 1
    assert str(p.constraints["c1"].expression) == "y <= 1"
    p += zv.CustomPenaltyTerm("t", x)
    p += zv.CustomPenaltyTerm("t", y)
    assert len(p.custom_penalty_terms) == 1
    assert str(p.custom_penalty_terms["t"].expression) == "y"


def test_constraint_and_penalty_may_share_a_name(x):
    p = zv.Problem("p")
    p += zv.Constraint("c", x == 1)
    p += zv.CustomPenaltyTerm("c", x)
    assert list(p.constraints) == ["c"] and list(p.custom_penalty_terms) == ["c"]


def test_returned_values_are_copies(x):
    p = zv.Problem("p")
    p += zv.Constraint("c", x == 1)
    d = p.constraints
    d.clear()
    d["z"] = 1
    assert list(p.constraints) == ["c"]
    assert p.constraints["c"] is not p.constraints["c"]
    terms = p.custom_penalty_terms
    terms["t"] = 1
    assert p.custom_penalty_terms == {}


def test_values_put_in_are_copies(x):
    e = x + 1
    p = zv.Problem("p")
    p += e
    e.set_latex("E")
    assert p.objective._repr_latex_() == "$$\\displaystyle x + 1$$"


# ---- the name-consistency check ------------------------------------------------------------------


def test_kind_conflict_against_the_objective(x):
    p = zv.Problem("p")
    p += x
    with pytest.raises(zv.ModelingError) as info:
        p += zv.Constraint("c", zv.IntegerVar("x", lower_bound=0, upper_bound=3) <= 1)
    assert str(info.value) == DUPLICATED + "x"
    assert p.constraints == {}


def test_placeholder_dimension_conflict(x):
    a1 = zv.Placeholder("a", ndim=1)
    a2 = zv.Placeholder("a", ndim=2)
    i = zv.Element("i", belong_to=(0, 3))
    p = zv.Problem("p")
    p += a1[0] * x
    with pytest.raises(zv.ModelingError) as info:
        p += zv.Constraint("c", a2[0, 1] * x <= 1)
    assert str(info.value) == DUPLICATED + "a"
    # the same through a penalty term, and through an element's set
    with pytest.raises(zv.ModelingError):
        p += zv.CustomPenaltyTerm("t", x * zv.sum(zv.Element("k", belong_to=a2), 1))
    assert p.custom_penalty_terms == {}
    del i


def test_replacing_an_entry_is_judged_without_it(x):
    a1 = zv.Placeholder("a", ndim=1)
    a2 = zv.Placeholder("a", ndim=2)
    p = zv.Problem("p")
    p += zv.Constraint("c1", a1[0] * x <= 1)
    p += zv.Constraint("c1", a2[0, 0] * x <= 1)
    assert "a[0, 0]" in str(p.constraints["c1"].expression)
    p += zv.CustomPenaltyTerm("t", a2[0, 0] * x)
    with pytest.raises(zv.ModelingError):
        p += zv.Constraint("c1", a1[0] * x <= 1)  # the penalty term still uses a with ndim 2
    # The old objective is not part of the check of a new objective.
    q = zv.Problem("q")
    q += zv.Placeholder("b") * x
    q += zv.BinaryVar("b") + x
    assert str(q.objective) == "b + x"


def test_presentation_never_conflicts(x):
    p = zv.Problem("p")
    p += zv.Placeholder("a", description="first") * x
    p += zv.Constraint("c", zv.Placeholder("a", latex="A") * zv.BinaryVar("x", latex="X") <= 1)
    p += zv.CustomPenaltyTerm("t", zv.BinaryVar("x", description="again"))
    assert list(p.constraints) == ["c"] and list(p.custom_penalty_terms) == ["t"]


def test_element_sets_decide(x):
    n, m = zv.Placeholder("n"), zv.Placeholder("m")
    w = zv.BinaryVar("w", shape=[10])
    p = zv.Problem("p")
    p += zv.sum(zv.Element("i", belong_to=(0, n)), w[zv.Element("i", belong_to=(0, n))])
    with pytest.raises(zv.ModelingError) as info:
        p += zv.Constraint("c", zv.sum(zv.Element("i", belong_to=(0, m)), w[0]) <= 1)
    assert str(info.value) == DUPLICATED + "i"
    # An element named n against the placeholder n inside another element's set.
    with pytest.raises(zv.ModelingError) as info:
        p += zv.Constraint("d", zv.sum(zv.Element("n", belong_to=(0, 3)), w[0]) <= 1)
    assert str(info.value) == DUPLICATED + "n"


def test_one_new_expression_conflicting_with_itself():
    p = zv.Problem("p")
    x = zv.BinaryVar("x")
    xc = zv.ContinuousVar("x", lower_bound=0, upper_bound=1)
    with pytest.raises(zv.ModelingError) as info:
        p += x + xc
    assert str(info.value) == DUPLICATED + "x"
    assert type(p.objective) is zv.NumberLit
    with pytest.raises(zv.ModelingError):
        p += zv.Constraint("c", x <= xc)  # left records x, right conflicts
    with pytest.raises(zv.ModelingError):
        p += zv.CustomPenaltyTerm("t", x * xc)


def test_two_conflicting_names(x):
    p = zv.Problem("p")
    p += zv.Placeholder("a") * x + zv.Placeholder("b") * x
    with pytest.raises(zv.ModelingError) as info:
        p += zv.Constraint("c", zv.Placeholder("a", ndim=1)[0] * x + zv.BinaryVar("b") <= 1)
    message = str(info.value)
    assert message.startswith(DUPLICATED)
    assert sorted(message[len(DUPLICATED):].split(", ")) == ["a", "b"]


def test_only_the_first_conflicting_side_is_reported(x):
    p = zv.Problem("p")
    p += zv.Placeholder("a") * x + zv.Placeholder("b") * x
    left = zv.Placeholder("a", ndim=1)[0] * x
    right = zv.BinaryVar("b")
    with pytest.raises(zv.ModelingError) as info:
        p += zv.Constraint("c", left <= right)
    assert str(info.value) == DUPLICATED + "a"


def test_forall_lists_take_no_part(x):
    p = zv.Problem("p")
    p += zv.BinaryVar("N")
    N = zv.Placeholder("N")
    i = zv.Element("i", belong_to=(0, 5))
    w = zv.BinaryVar("w", shape=[5])
    p += zv.Constraint("c", w[i] <= 1, forall=[(i, i != N)])
    assert list(p.constraints) == ["c"]


def test_shapes_and_bounds_are_not_walked_but_compared():
    n = zv.Placeholder("n")
    p = zv.Problem("p")
    p += zv.BinaryVar("w", shape=[n])[0]
    # a decision variable named like the placeholder in the shape: no conflict
    p += zv.Constraint("c", zv.BinaryVar("n") + zv.BinaryVar("w", shape=[n])[1] <= 1)
    # the same variable with another shape conflicts
    with pytest.raises(zv.ModelingError) as info:
        p += zv.CustomPenaltyTerm("t", zv.BinaryVar("w", shape=[zv.Placeholder("m")])[0])
    assert str(info.value) == DUPLICATED + "w"


def test_iadd_never_swallows_non_exceptions(x):
    class Interrupt(BaseException):
        pass

    class Evil:
        def __index__(self):
            raise Interrupt

    p = zv.Problem("p")
    p += x
    with pytest.raises(Interrupt):
        p += Evil()
    assert zv.is_same(p.objective, x)
    p += 1  # the problem is usable again
    assert p.objective.value == 1


def test_iadd_while_borrowed(x):
    p = zv.Problem("p")
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
    assert p.objective.value == 3
    assert seen["read"] == "Already mutably borrowed"
    assert seen["iadd"].startswith("unsupported operand type(s) for +=: ")


# ---- LaTeX ---------------------------------------------------------------------------------------


def test_latex_of_a_new_problem():
    assert zv.Problem("p")._repr_latex_() == EMPTY_LATEX


def test_latex_title_is_escaped_and_sense_shown():
    p = zv.Problem("my_problem 100%", sense=zv.ProblemSense.MAXIMIZE)
    latex = p._repr_latex_()
    assert latex.startswith("\\begin{array}{cccc}\n\\text{Problem:} & \\text{my\\_problem 100\\%} & & \\\\\n")
    assert "& & \\max \\quad \\displaystyle 0 & \\\\\n" in latex


def test_latex_of_a_full_problem():
    N = zv.Placeholder("N")
    i = zv.Element("i", belong_to=(0, N))
    x = zv.BinaryVar("x", shape=[N], description="chosen_items")
    k = zv.IntegerVar("k", lower_bound=0, upper_bound=N)
    p = zv.Problem("knap")
    p += zv.sum(i, x[i]) + k
    p += zv.Constraint("c2", zv.sum(i, x[i]) <= k)
    p += zv.Constraint("c1", k >= 1)
    p += zv.CustomPenaltyTerm("t", (k - 2) ** 2)
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
        "& k & 0\\text{-dim integer variable}\\\\ & & \\text{lower bound: }0 & \\\\ & & "
        "\\text{upper bound: }N & \\\\\n"
        "\n"
        "\n"
        "\n"
        "\\end{array}"
    )


def test_latex_penalties_without_constraints(x):
    p = zv.Problem("p")
    p += zv.CustomPenaltyTerm("t", x)
    latex = p._repr_latex_()
    assert "\\text{s.t.}" not in latex
    assert "& \\\\\n\n\\text{penalty terms} & & & \\\\ & \\text{t} & \\displaystyle x &  \\\\\n" in latex
    q = zv.Problem("q")
    q += zv.Constraint("c", x == 1)
    assert "\\text{penalty terms}" not in q._repr_latex_()


def test_latex_variable_order_and_kinds():
    p = zv.Problem("p")
    xs = zv.BinaryVar("x")
    a = zv.BinaryVar("a")
    b1 = zv.BinaryVar("b", shape=[2])
    z = zv.SemiContinuousVar("z", lower_bound=1, upper_bound=2)
    c = zv.ContinuousVar("c", lower_bound=-1, upper_bound=1)
    p += b1[0] + xs + z
    p += zv.Constraint("only_here", a + c <= 1)
    latex = p._repr_latex_()
    blocks = latex.split("\\text{{where}} & & & \\\\\n")[1].split("\n")
    assert blocks[0] == (
        "& a & 0\\text{-dim binary variable}\\\\& x & 0\\text{-dim binary variable}\\\\"
        "& b & 1\\text{-dim binary variable}\\\\"
    )
    assert blocks[1] == ""
    assert blocks[2].startswith("& c & 0\\text{-dim continuous variable}\\\\ & & \\text{lower bound: }(-1) & ")
    assert blocks[3] == ""
    assert blocks[4].startswith("& z & 0\\text{-dim semi-continuous variable}")
    assert blocks[5] == "\\end{array}"


def test_latex_lists_variables_once_and_not_from_forall_or_shapes():
    n = zv.BinaryVar("n")
    i = zv.Element("i", belong_to=(0, 4))
    w = zv.BinaryVar("w", shape=[4])
    y = zv.BinaryVar("y")
    p = zv.Problem("p")
    p += w[0] + w[1] + n
    p += zv.Constraint("c", w[i] <= 1, forall=[(i, y != i)])
    latex = p._repr_latex_()
    assert latex.count("& w & 1\\text{-dim binary variable}") == 1
    assert "& y &" not in latex


def test_latex_constraints_in_name_order(x):
    p = zv.Problem("p")
    p += zv.Constraint("b", x == 1)
    p += zv.Constraint("a", x <= 1)
    latex = p._repr_latex_()
    assert latex.index("\\text{a}") < latex.index("\\text{b}")


def test_latex_uses_the_objective_latex(x):
    e = x + 1
    e.set_latex("\\Phi")
    p = zv.Problem("p")
    p += e
    assert "\\min \\quad \\displaystyle \\Phi & " in p._repr_latex_()


# ---- lifetime ----------------------------------------------------------------------------------------


def test_models_are_freed():
    import gc
    import os
    import sys

    def rss_kb():
        with open("/proc/self/statm") as f:
            return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024

    N = zv.Placeholder("N")
    i = zv.Element("i", belong_to=(0, N))
    j = zv.Element("j", belong_to=(0, N))
    x = zv.BinaryVar("x", shape=[N, N])

    def churn():
        p = zv.Problem("p")
        p += zv.sum(i, x[i, 0])
        p += zv.Constraint("c", zv.sum(i, x[i, j]) == 1, forall=[(j, j != 0)])
        p += zv.CustomPenaltyTerm("t", (x[0, j] - 1) ** 2, forall=j)
        p._repr_latex_()
        zv.extract_nodes(p, zv.Element)
        zv.extract_variables(p)
        zv.is_same(p, p)
        zv.replace(p.objective, lambda n: n)
        p.constraints, p.custom_penalty_terms
        try:
            p += zv.Constraint("d", zv.IntegerVar("x", lower_bound=0, upper_bound=1) == 1)
        except zv.ModelingError:
            pass

    for _ in range(200):
        churn()
    gc.collect()
    counts = [sys.getrefcount(o) for o in (N, i, j, x)]
    before = rss_kb()
    for _ in range(3000):
        churn()
    gc.collect()
    assert [sys.getrefcount(o) for o in (N, i, j, x)] == counts
    if "libasan" not in os.environ.get("LD_PRELOAD", ""):
        assert rss_kb() - before < 5_000
