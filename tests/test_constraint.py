"""Constraint, CustomPenaltyTerm and forall lists: construction rules, scope checks, getters and
text forms."""
import pytest

import zorvane as zv
from model_support import Interrupt, dummy, fails, not_str, refusals, shows, styled

INVALID_RELATION = ("Invalid constraint -- conditional must be a valid equality or non-strict inequality "
                    "(==, >=, or <= only)")
MISSING = "Invalid forall:\nExpression contained elements not used in the forall list or any operator: "
SURPLUS = "Invalid forall:\nForall list contained elements not in expression or already associated with operators: "
BOUND = "Invalid forall -- Elements in forall list are already associated with operators in the expression: "
BAD_FORALL = "argument 'forall': failed to create a forall list object"
NOT_CONDITION = "argument 'expression': failed to convert into a conditional expression."
NO_VARIABLE = "expression does not contain a decision variable"
C, T = zv.Constraint, zv.CustomPenaltyTerm

n, N, M = zv.Placeholder("n"), zv.Placeholder("N"), zv.Placeholder("M")
i, j, k = zv.Element("i", belong_to=(0, 10)), zv.Element("j", belong_to=(0, n)), zv.Element("k", belong_to=(0, 3))
x, y = zv.BinaryVar("x"), zv.IntegerVar("y", lower_bound=0, upper_bound=5)
v, x10 = zv.BinaryVar("v", shape=[10, 10]), zv.BinaryVar("x", shape=[10])
# an element over a row of a placeholder, and one over that element
rows = zv.Element("i", belong_to=zv.Placeholder("a", ndim=2))
cell = zv.Element("j", belong_to=rows)
xa = zv.BinaryVar("x", shape=[zv.Placeholder("a", ndim=2).len_at(1)])
# elements alike in name but not in set, or only in presentation
i5, i6 = zv.Element("i", belong_to=(0, 5)), zv.Element("i", belong_to=(0, 6))
i5_described = zv.Element("i", belong_to=(0, 5), latex="I", description="index")
x6 = zv.BinaryVar("x", shape=[6])
s1 = zv.Placeholder("s", ndim=1)
js, iota = zv.Element("j", belong_to=s1), zv.Element("i", belong_to=s1, latex="\\iota")
ws = zv.BinaryVar("w", shape=[s1.len_at(0)])


class Evil:
    def __iter__(self):
        raise Interrupt

    def __getitem__(self, key):
        raise Interrupt

    def __len__(self):
        return 1


class Pair(tuple):
    pass


class Failing(list):
    def __iter__(self):
        raise ValueError("no items")


class Lying(list):
    def __len__(self):
        return 10**12


@refusals([
    *[(lambda build=build: C("c", build(x)), zv.ModelingError, INVALID_RELATION)
      for build in (lambda x: x < 1, lambda x: x > 1, lambda x: x != 1, lambda x: (x == 1) & (x <= 2),
                    lambda x: (x == 1) | (x <= 2), lambda x: (x == 1) ^ (x <= 2))],
    (lambda: C("c", N == 1), zv.ModelingError, NO_VARIABLE),
    (lambda: C("c", zv.sum(k, zv.Placeholder("a", ndim=1)[k]) <= N), zv.ModelingError, NO_VARIABLE),
    (lambda: C("c", v[i, 0] < 1), zv.ModelingError, MISSING + "i"),  # the forall check comes before the relation
    (lambda: C(), TypeError, "Constraint.__new__() missing 2 required positional arguments: 'name' and 'expression'"),
    (lambda: C("c"), TypeError, "Constraint.__new__() missing 1 required positional argument: 'expression'"),
    (lambda: C("c", None, None), TypeError, "Constraint.__new__() takes 2 positional arguments but 3 were given"),
    (lambda: C("c", None, bad=1), TypeError, "Constraint.__new__() got an unexpected keyword argument 'bad'"),
    (lambda: C(1, None), TypeError, not_str("name", "int")),
    *[(lambda e=e: C("c", e), TypeError, NOT_CONDITION) for e in (1, x, x + 1, "x == 1", zv.Placeholder("a"))],
    *[(lambda f=f: C("c", v[i, j] == 1, forall=f), TypeError, BAD_FORALL)
      for f in ([i, i], [(j, j != i), i], "i", {1, 2}, {"i": i}, (e for e in [i, j]), 1, [i, 1], [i, (j,)],
                [i, (j, j != i, None)], [i, (j, 1)], [i, (1, j != i)],
                # a pair that fails as one item is then read as a sequence of two items
                (j, j != i), (i, i), (i, j != i), Failing([i, j]))],
    (lambda: C("c", v[i, 0] == 1, forall=Evil()), Interrupt, None),
    (lambda: C("c", zv.sum(i, x10[i]) == 1, forall=i), zv.ModelingError, BOUND + "i"),
    # met free before it is bound, an element stays free and is also bound
    (lambda: C("c", x10[i] + zv.sum(i, x10[i]) <= 1, forall=i), zv.ModelingError, BOUND + "i"),
    (lambda: C("c", v[i, 0] == 1), zv.ModelingError, MISSING + "i"),
    (lambda: C("c", v[i, 0] == 1, forall=[i, j]), zv.ModelingError, SURPLUS + "j"),
    (lambda: C("c", v[i, 0] == 1, forall=[j, k]), zv.ModelingError,
     MISSING + "i" + SURPLUS[len("Invalid forall:"):] + "j, k"),
    # an element over an element: as a sum index it binds itself but its set makes the outer one free
    (lambda: C("c", zv.sum(cell, xa[cell]) <= 1), zv.ModelingError, MISSING + "i"),
    (lambda: C("c", xa[cell] == 1, forall=[cell]), zv.ModelingError, MISSING + "i"),
    (lambda: C("c", xa[cell] == 1, forall=[(cell, cell != 0)]), TypeError, BAD_FORALL),
    (lambda: C("c", x6[i5] + x6[i6] <= 1, forall=[i5]), zv.ModelingError, MISSING + "i"),
    (lambda: C("c", x6[i5] <= 1, forall=[i5, i6]), zv.ModelingError, SURPLUS + "i"),
    (lambda: C("c", x6[i5] == 1, forall=[i5, i5_described]), TypeError, BAD_FORALL),
    *[(lambda e=e: T("p", e), zv.ModelingError, "the custom penalty term does not contain a decision variable")
      for e in (5, 2.5, N, zv.NumberLit(3))],
    (lambda: T("p", "x"), TypeError, "argument 'expression': failed to convert into expression."),
    (lambda: T("p", x == 1), TypeError, "argument 'expression': failed to convert into expression."),
    (lambda: T(1, 1), TypeError, not_str("name", "int")),
    (lambda: T("p"), TypeError, "CustomPenaltyTerm.__new__() missing 1 required positional argument: 'expression'"),
    (lambda: T("p", zv.BinaryVar("w", shape=[3])[:]), zv.ModelingError, dummy("BinaryVar", "w")),
    (lambda: T("p", x10[i]), zv.ModelingError, MISSING + "i"),
    (lambda: T("p", zv.sum(i, x10[i]), forall=i), zv.ModelingError, BOUND + "i"),
    (lambda: T("p", x10[i], forall=[i, i]), TypeError, BAD_FORALL),
])
def test_refusals(call, kind, message):
    fails(call, kind, message)


XN, XNM = zv.BinaryVar("x", shape=[N]), zv.BinaryVar("x", shape=[N, M])
XNN = zv.IntegerVar("x", shape=[N, N], lower_bound=0, upper_bound=5)
iN, jM, jN = zv.Element("i", belong_to=(0, N)), zv.Element("j", belong_to=(0, M)), zv.Element("j", belong_to=(0, N))


def shown(expression, forall="", name="c", cls="Constraint"):
    return f'{cls}(name="{name}", expression={expression}' + (f", forall=[{forall}]" if forall else "") + ")"


@pytest.mark.parametrize("make, text", [
    (lambda: C("c", x == 1), shown("x == 1")),
    (lambda: C(name="c", expression=x == 1, forall=None), shown("x == 1")),
    *[(lambda f=f: C("c", x == 1, forall=f), shown("x == 1")) for f in ([], ())],
    *[(lambda f=f: C("c", v[i, 0] == 1, forall=f), shown("v[i, 0] == 1", "i"))
      for f in (i, [i], (i,), (i, None), [(i, None)], Lying([i]))],  # a lying __len__ is never trusted
    (lambda: C("c", v[i, j] == 1, forall=(i, j)), shown("v[i, j] == 1", "i, j")),
    (lambda: C("c", v[i, j] == 1, forall=[i, Pair((j, j != i))]), shown("v[i, j] == 1", "i, (j, j != i)")),  # a tuple
    (lambda: C("c", N <= x), shown("N <= x")),  # either side may hold the variable
    (lambda: C("c", zv.sum(i, x10[i]) + 0 <= 1), shown("sum(i in [0..10), x[i]) <= 1")),
    (lambda: C("c", zv.sum(cell, xa[cell]) <= 1, forall=rows), shown("sum(j in i, x[j]) <= 1", "i")),
    (lambda: C("c", xa[cell] == 1, forall=[rows, cell]), shown("x[j] == 1", "i, j")),
    (lambda: C("c", xa[cell] == 1, forall=[rows, (cell, cell != 0)]), shown("x[j] == 1", "i, (j, j != 0)")),
    (lambda: C("c", x6[i5] + x6[i6] <= 1, forall=[i5, i6]), shown("x[i] + x[i] <= 1", "i, i")),
    (lambda: C("c", ws[js] == 1, forall=[(js, js != js)]), shown("w[j] == 1", "(j, j != j)")),  # on its own element
    (lambda: C("c", ws[js] == 1, forall=(js, js != js)), shown("w[j] == 1", "(j, j != j)")),  # one pair, no list
    (lambda: C("c", v[i, j] == 1, forall=(j, i)), shown("v[i, j] == 1", "j, i")),  # not a pair: two elements
    (lambda: C("c_1%&", x <= 1), shown("x <= 1", name="c_1%&")),  # not escaped
    (lambda: T("p", x10[i], forall=i), shown("x[i]", "i", "p", "CustomPenaltyTerm")),
    (lambda: T("a&b", x * x), shown("x * x", "", "a&b", "CustomPenaltyTerm")),
    # the worked examples of the documentation
    (lambda: C("constraint", zv.sum(iN, XN[iN]) == 1),
     'Constraint(name="constraint", expression=sum(i in [0..N), x[i]) == 1)'),
    (lambda: C("constraint", zv.sum(iN, XNM[iN, jM]) == 1, forall=jM),
     'Constraint(name="constraint", expression=sum(i in [0..N), x[i, j]) == 1, forall=[j])'),
    (lambda: C("constraint", XNN[iN, jN] <= 2, forall=[iN, (jN, jN != iN)]),
     'Constraint(name="constraint", expression=x[i, j] <= 2, forall=[i, (j, j != i)])'),
    (lambda: T("custom penalty term", (zv.sum(iN, XN[iN]) - 1) ** 2),
     'CustomPenaltyTerm(name="custom penalty term", expression=((sum(i in [0..N), x[i]) - 1) ** 2))'),
    (lambda: T("custom penalty term", (zv.sum(iN, XNM[iN, jM]) - 1) ** 2, forall=jM),
     'CustomPenaltyTerm(name="custom penalty term", expression=((sum(i in [0..N), x[i, j]) - 1) ** 2), forall=[j])'),
    (lambda: T("custom penalty term", (XNN[iN, jN] - 2) ** 2, forall=[iN, (jN, jN != iN)]),
     'CustomPenaltyTerm(name="custom penalty term", expression=((x[i, j] - 2) ** 2), forall=[i, (j, j != i)])'),
])
def test_texts(make, text):
    made = make()
    assert repr(made) == str(made) == text


@pytest.mark.parametrize("make, name, expression, forall", [
    (lambda: C("c", x == 1), "c", "x = 1", ""),
    (lambda: C("c_1%&", x <= 1), "c\\_1\\%\\&", "x \\leq 1", ""),  # the name is escaped
    (lambda: T("a&b", x * x), "a\\&b", "x \\cdot x", ""),
    (lambda: C("c", styled(x == 1, "E")), "c", "x = 1", ""),  # a comparison's own LaTeX string is dropped
    (lambda: T("p", styled(x + 1, "\\Phi")), "p", "\\Phi", ""),  # an expression's one is kept
    (lambda: T("p", x**2), "p", "\\left(x^{2}\\right)", ""),  # a top-level power is enclosed
    (lambda: C("c", ws[iota] == 1, forall=iota), "c", "w_{\\iota} = 1", "\\forall \\iota \\in s"),
    (lambda: C("c", v[i, j] <= 1, forall=[i, (j, j != i)]), "c", "v_{i, j} \\leq 1",
     "\\forall i \\in \\left\\{0,\\ldots,9\\right\\} "
     "\\forall j \\in \\left\\{j \\in \\left\\{0,\\ldots,n - 1\\right\\} \\mid j \\neq i \\right\\}"),
])
def test_latex(make, name, expression, forall):
    assert make()._repr_latex_() == (
        f"\\begin{{array}}{{cccc}}\n & \\text{{{name}}} & \\displaystyle {expression} & {forall} \\\\\n\\end{{array}}")


@pytest.mark.parametrize("build, left, right, sense, cls", [
    (lambda: x == 1, "x", "1", "EQUAL", zv.EqualOp),
    (lambda: y <= x, "y", "x", "LESS_THAN_EQUAL", zv.LessThanEqualOp),
    (lambda: x >= y, "x", "y", "GREATER_THAN_EQUAL", zv.GreaterThanEqualOp),
    (lambda: 1 <= x, "x", "1", "GREATER_THAN_EQUAL", zv.GreaterThanEqualOp),  # x's slot builds x >= 1
    (lambda: 2 >= x + y, "x + y", "2", "LESS_THAN_EQUAL", zv.LessThanEqualOp),
    (lambda: x + y == y, "x + y", "y", "EQUAL", zv.EqualOp),
])
def test_sides_stay_as_written(build, left, right, sense, cls):
    c = C("c", build())
    assert (c.name, str(c.left), str(c.right), c.forall) == ("c", left, right, [])
    assert c.sense == getattr(zv.ConstraintSense, sense) and type(c.sense) is zv.ConstraintSense
    assert c.is_equality() is (sense == "EQUAL") and c.is_inequality() is (sense != "EQUAL")
    assert type(c.expression) is cls and zv.is_same(c.expression, build())


def test_getters_and_surface():
    c = C("c", v[i, 0] == x, forall=[i])
    assert c.left is not c.left and c.forall is not c.forall and zv.is_same(c.right, x)
    c.forall.clear()
    ((element, condition),) = c.forall
    assert zv.is_same(element, i) and condition is None
    f = C("c", v[i, j] == 1, forall=[i, (j, j != i)]).forall
    assert type(f[1]) is tuple and type(f[1][1]) is zv.NotEqualOp and f[0][1] is None
    assert C("c", x6[i5] == 1, forall=i5_described).forall[0][0].description == "index"
    t = T("p", x10[i] * x, forall=i)
    assert t.name == "p" and zv.is_same(t.expression, x10[i] * x) and t.forall[0][1] is None and T("p", x).forall == []
    for obj, names in [(c, ("name", "sense", "left", "right", "forall", "expression")),
                       (t, ("name", "expression", "forall"))]:
        for name in names:
            fails(lambda: setattr(obj, name, None), AttributeError)
    shows(C("c", styled(x == 1, "E")).expression, "latex", "x = 1")
    assert c == c and c != C("c", v[i, 0] == x, forall=[i]) and hash(c) == hash(c)  # identity semantics
    for cls, first in [(C, "A class for creating a constraint"), (T, "A class for creating a custom penalty term")]:
        assert cls.__text_signature__ == "(name, expression, *, forall=None)" and cls.__doc__.startswith(first)
    assert all(section in C.__doc__ for section in ("Attributes:", "Args:", "Raises:", "Expression:"))
    assert 'Constraint(name="constraint", expression=sum(i in [0..N), x[i]) == 1)' in C.__doc__


