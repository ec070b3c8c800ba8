"""The five decision-variable classes: constructors, bounds, getters, subscripting, slices and the
dummy-indexed variables they build."""
import pytest

import zorvane as zv
from model_support import (VARS, BadIndex, Interrupt, LyingLen, dummy, fails, not_str, refusals, scalar, shows, texts,
                           too_many, var)

n, m = zv.Placeholder("n"), zv.Placeholder("m")
x = zv.BinaryVar("x", shape=[3, 4])
xs = zv.BinaryVar("x", shape=[n, m])  # for slices
j = zv.Element("j", belong_to=m)
y = zv.IntegerVar("y", lower_bound=0, upper_bound=2)
v1 = zv.IntegerVar("v", shape=[n], lower_bound=0, upper_bound=1)
w = zv.BinaryVar("w", shape=[n, n])
i = zv.Element("i", belong_to=n)
STEP = ("The {}-th subscript of the BinaryVar named 'x' uses a slice with a step `{}`. "
        "However, the slice with a step is not supported.")
IN_SUBSCRIPT = "a subscript contains a decision variable"
LOWER, UPPER = "the lower bound contains a decision variable", "the upper bound contains a decision variable"
SHAPES = [("ab", "Can't extract `str` to `Vec`"), (5, "'int' object cannot be converted to 'Sequence'"),
          ([zv.Placeholder("p", ndim=1)], "failed to convert into expression."),
          ([1, None], "failed to convert into expression.")]


class StrFails:
    def __str__(self):
        raise LookupError("no text")


@pytest.mark.parametrize("cls, first", list(zip(VARS, [None, "an integer", "a continuous", "a semi-integer",
                                                       "a semi-continuous"])))
def test_scalar_defaults_and_surface(cls, first):
    v = var(cls)
    assert (v.name, v.ndim, v.shape, v.description, str(v)) == ("x", 0, (), "", "x")
    shows(v, "latex", "x")
    bounds = "" if first is None else ", lower_bound, upper_bound"
    assert cls.__text_signature__ == f"(name, *, shape=None{bounds}, latex=None, description=None)"
    assert first is None or cls.__doc__.startswith(f"A class for creating {first} variable")
    for shape, message in SHAPES:
        fails(lambda: var(cls, shape=shape), TypeError, "argument 'shape': " + message)


@refusals([
    (lambda: zv.BinaryVar("x", shape=[zv.BinaryVar("w", shape=[n])[:]]), zv.ModelingError, dummy("BinaryVar", "w")),
    (lambda: zv.SemiIntegerVar("x", lower_bound=0), TypeError,
     "SemiIntegerVar.__new__() missing 1 required keyword argument: 'upper_bound'"),
    (lambda: zv.IntegerVar("x"), TypeError,
     "IntegerVar.__new__() missing 2 required keyword arguments: 'lower_bound' and 'upper_bound'"),
    (lambda: zv.BinaryVar("x", lower_bound=0), TypeError,
     "BinaryVar.__new__() got an unexpected keyword argument 'lower_bound'"),
    (lambda: zv.BinaryVar("x", [1]), TypeError, "BinaryVar.__new__() takes 1 positional arguments but 2 were given"),
    (lambda: zv.BinaryVar(), TypeError, "BinaryVar.__new__() missing 1 required positional argument: 'name'"),
    (lambda: zv.BinaryVar(1), TypeError, not_str("name", "int")),
    (lambda: zv.ContinuousVar("x", lower_bound=0, upper_bound=1, latex=2), TypeError, not_str("latex", "int")),
    (lambda: zv.BinaryVar("x", description=b"d"), TypeError, not_str("description", "bytes")),
    (lambda: zv.BinaryVar("x").lower_bound, AttributeError,
     "'zorvane.BinaryVar' object has no attribute 'lower_bound'"),
    *[(lambda side=side, b=b: zv.ContinuousVar("x", shape=[n], **{"lower_bound": 0, "upper_bound": 1, side: b}),
       zv.ModelingError, "the input object is not used as the bound of a decision variable")
      for side in ("lower_bound", "upper_bound")
      for b in ("a", None, [1, 2], w[zv.Element("i", n)], zv.Element("e", zv.Placeholder("q", ndim=2)),
                zv.Element("e", zv.Placeholder("q", ndim=3))[0], zv.BinaryVar("w", shape=[n]))],
    # subscripting
    (lambda: zv.BinaryVar("y")[0], zv.ModelingError, scalar("BinaryVar { name: y }")),
    (lambda: var(zv.SemiIntegerVar, "y")[0], zv.ModelingError, scalar("SemiIntegerVar { name: y }")),
    (lambda: x[0, 1, 2], zv.ModelingError, too_many(3, "x", 2)),
    (lambda: x[()], zv.ModelingError, "the number of subscripts is zero"),
    (lambda: x["abc"], IndexError, "Invalid index: abc"),
    (lambda: x[None], IndexError, "Invalid index: None"),
    (lambda: x[0, "a"], IndexError, "Invalid index: (0, 'a')"),
    (lambda: x[zv.Placeholder("q", ndim=1)], IndexError, "Invalid index: q"),
    (lambda: x[StrFails()], LookupError, "no text"),  # an error from str(key) propagates
    (lambda: x[BadIndex()], Interrupt, None),
    (lambda: x[0, BadIndex()], Interrupt, None),
    *[(lambda key=key: x[key], zv.ModelingError, IN_SUBSCRIPT) for key in (y, (0, y + 1), (slice(None), y))],
    (lambda: zv.Placeholder("p", ndim=2)[y], zv.ModelingError, IN_SUBSCRIPT),
    (lambda: zv.Placeholder("p", ndim=2)[0, y + 1], zv.ModelingError, IN_SUBSCRIPT),
    # slices
    (lambda: xs[::2, 0], zv.ModelingError, STEP.format(0, 2)),
    (lambda: xs[0, 1::1], zv.ModelingError, STEP.format(1, 1)),
    (lambda: xs[3:1, 0], ValueError, "`Range.start` (= 3) is larger than `Range.end` (= 1)"),
    (lambda: xs[2:2, 0], ValueError, "`Range.start` (= 2) is equal to `Range.end` (= 2)"),
    (lambda: xs[:"a", 0], TypeError, "failed to convert into expression."),
    (lambda: xs[y:, 0], zv.ModelingError, LOWER),
    (lambda: xs[:y, 0], zv.ModelingError, UPPER),
    # a slice on an axis the variable does not have is refused, even with an omitted stop
    (lambda: v1[:, :], zv.ModelingError, too_many(2, "v", 1)),
    (lambda: v1[0, 1, :], zv.ModelingError, too_many(3, "v", 1)),
    (lambda: var(zv.SemiContinuousVar, "s")[:], zv.ModelingError, scalar("SemiContinuousVar { name: s }")),
    # dummy-indexed variables are no expressions
    (lambda: type(xs[:, j])(), TypeError, "No constructor defined"),
    (lambda: xs[:, j] + 1, TypeError, "unsupported operand type(s) for +: 'zorvane.DummyIndexedVar' and 'int'"),
    (lambda: n + xs[:, j], zv.ModelingError, dummy("BinaryVar", "x")),
    (lambda: y * xs[:, j], zv.ModelingError, dummy("BinaryVar", "x")),
    (lambda: n < v1[:], zv.ModelingError, dummy("IntegerVar", "v")),
    (lambda: zv.Element("e", belong_to=xs[:, j]), TypeError, "failed to convert into a set"),
    # elements over decision variables
    *[(lambda b=b: zv.Element("k", belong_to=b), zv.ModelingError, UPPER) for b in (y, (0, y), (0, y + 1), w[i, i])],
    *[(lambda b=b: zv.Element("k", belong_to=b), zv.ModelingError, LOWER) for b in ((y, 10), (y, 0), (y, y))],
    *[(lambda b=b: zv.Element("k", belong_to=b), TypeError, "failed to convert into a set") for b in (w, w[:, i])],
    (lambda: w[i].len_at(0), zv.ModelingError, "the subscripted variable w[i] is a decision variable"),
    (lambda: zv.ArrayLength(w[i], 0), TypeError, "argument 'array': unsupported type"),
    (lambda: zv.ArrayLength(w, 0), TypeError, "argument 'array': unsupported type"),
])
def test_refusals(call, kind, message):
    fails(call, kind, message)


DIMENSIONS = "the number of dimensions of a {} bound (= {}) must be equal to zero or the number of {} (= {})"


@pytest.mark.parametrize("cls, noun, upper_noun", [
    (zv.IntegerVar, "an integer variable", "an integer variable"),
    (zv.ContinuousVar, "a continuous variable", "a continuous variable"),
    (zv.SemiIntegerVar, "a semi-integer variable", "a semi-integer integer variable"),
    (zv.SemiContinuousVar, "a semi-continuous variable", "a semi-continuous variable"),
])
def test_bound_dimension_checks(cls, noun, upper_noun):
    two, one = zv.Placeholder("b", ndim=2), zv.Placeholder("c", ndim=1)
    too_deep = DIMENSIONS.format("lower", 2, noun, 1)
    fails(lambda: cls("x", shape=[3], lower_bound=two, upper_bound=1), zv.ModelingError, too_deep)
    fails(lambda: cls("x", shape=[3], lower_bound=two, upper_bound=two), zv.ModelingError, too_deep)  # lower first
    fails(lambda: cls("x", shape=[3], lower_bound=0, upper_bound=two), zv.ModelingError,
          DIMENSIONS.format("upper", 2, upper_noun, 1))
    fails(lambda: cls("x", lower_bound=one, upper_bound=0), zv.ModelingError, DIMENSIONS.format("lower", 1, noun, 0))
    assert type(cls("x", shape=[3], lower_bound=one, upper_bound=1).lower_bound) is zv.Placeholder


N = "Placeholder(name='n', ndim=0)"


@texts([
    (lambda: zv.BinaryVar("z", shape=[n]), "repr", f"BinaryVar(name='z', shape=[{N}])"),
    (lambda: zv.IntegerVar("k", lower_bound=0, upper_bound=5), "repr",
     "IntegerVar(name='k', shape=[], lower_bound=NumberLit(value=0), upper_bound=NumberLit(value=5))"),
    (lambda: zv.SemiContinuousVar("s", shape=[n], lower_bound=zv.Placeholder("l", ndim=1), upper_bound=n + 1,
                                  latex="S", description="d"), "repr",
     f"SemiContinuousVar(name='s', shape=[{N}], lower_bound=Placeholder(name='l', ndim=1), "
     f"upper_bound={N} + NumberLit(value=1), latex='S', description='d')"),
    (lambda: zv.BinaryVar("x", shape=[124])[123], "repr",
     "BinaryVar(name='x', shape=[NumberLit(value=124)])[NumberLit(value=123)]"),
    (lambda: x[0, 1], "str", "x[0, 1]"),
    (lambda: x[[0, 1]], "str", "x[0, 1]"),
    (lambda: x[zv.Element("i", 3)][1], "str", "x[i, 1]"),
    (lambda: x[zv.Element("i", 3)], "latex", "x_{i}"),
    (lambda: zv.IntegerVar("r", lower_bound=5, upper_bound=1).lower_bound, "str", "5"),  # bounds are not ordered
    (lambda: zv.IntegerVar("v", shape=[n], lower_bound=0, upper_bound=y + 1).upper_bound, "str", "y + 1"),
    (lambda: zv.ContinuousVar("s", lower_bound=0, upper_bound=zv.Placeholder("lb", ndim=2).len_at(0)).upper_bound,
     "str", "len(lb, 0)"),
    # the methods of a dummy-indexed variable
    (lambda: xs[:, j].sum(), "str", "sum(__dummy_x_0 in [0..n), x[__dummy_x_0, j])"),
    (lambda: xs[:, j].prod(), "str", "prod(__dummy_x_0 in [0..n), x[__dummy_x_0, j])"),
    (lambda: xs[:, :].sum(), "str",
     "sum(__dummy_x_0 in [0..n), sum(__dummy_x_1 in [0..m), x[__dummy_x_0, __dummy_x_1]))"),
    (lambda: xs[:, :].sum(), "latex",
     "\\sum_{\\ast_{0} = 0}^{n - 1} \\sum_{\\ast_{1} = 0}^{m - 1} x_{\\ast_{0}, \\ast_{1}}"),
    (lambda: xs[1:3, j].sum(), "str", "sum(__dummy_x_0 in [1..3), x[__dummy_x_0, j])"),
    (lambda: xs[j, 2:].prod(), "str", "prod(__dummy_x_1 in [2..m), x[j, __dummy_x_1])"),
])
def test_texts(make, form, text):
    shows(make(), form, text)


def test_getters_shapes_and_set_latex():
    k = zv.IntegerVar("k", shape=[2, 3], lower_bound=0, upper_bound=10.5, description="d")
    assert [s.value for s in k.shape] == [2, 3] and all(type(s) is zv.NumberLit for s in k.shape) and k.ndim == 2
    assert (k.lower_bound.value, k.upper_bound.value, k.description) == (0, 10.5, "d")
    assert k.lower_bound is not k.lower_bound and k.shape[0] is not k.shape[0]
    assert [str(s) for s in zv.BinaryVar("x", shape=(n, 3, n + 1)).shape] == ["n", "3", "n + 1"]
    # shape items are not checked, and a lying __len__ is never trusted
    assert [str(s) for s in zv.BinaryVar("x", shape=[-1, 2.5, y, n]).shape] == ["-1", "2.5", "y", "n"]
    assert zv.BinaryVar("x", shape=LyingLen(n, n)).ndim == 2
    lb2 = zv.Placeholder("lb", ndim=2)
    b = zv.IntegerVar("b", shape=[n, n], lower_bound=lb2, upper_bound=lb2[i, i])
    assert repr(b.lower_bound) == "Placeholder(name='lb', ndim=2)" and type(b.upper_bound) is zv.Subscript
    v = zv.IntegerVar("v", shape=[n], lower_bound=lb2[i], upper_bound=y + 1)  # a decision variable is not checked
    assert type(v.lower_bound) is zv.Subscript and v.lower_bound.ndim == 1
    assert repr(zv.ContinuousVar("s", lower_bound=n, upper_bound=1).lower_bound) == N
    X = zv.BinaryVar("x", latex="X")
    fails(lambda: X.set_latex(1), TypeError, not_str("latex", "int"))
    shows(X, "latex", "X")  # unchanged by the failed call
    X.set_latex()
    shows(X, "latex", "x")
    X.set_latex("\\xi")
    shows(X + 1, "latex", "\\xi + 1")
    assert zv.IntegerVar.set_latex.__text_signature__ == "($self, latex=None)"


def test_subscript_and_slice_forms():
    assert type(x[0]) is zv.Subscript and x[0].ndim == 1 and x[0, 1].ndim == 0
    assert [s.value for s in x[0].shape] == [4] and type(x[0].variable) is zv.BinaryVar
    for key in [(slice(None), 1), [slice(None), 1], LyingLen(slice(None), 1), (slice(None), j), (slice(1, 3), j),
                slice(None), (slice(None), slice(None)), (j, slice(0, 3))]:
        assert type(xs[key]) is zv.DummyIndexedVar
    assert type(zv.BinaryVar("v", shape=[3])[0:3, 0:3]) is zv.DummyIndexedVar  # explicit stops: refused by sum()
    assert type(zv.Element("e", belong_to=w[i]).belong_to) is zv.Subscript
    d = zv.DummyIndexedVar
    assert d.__text_signature__ is None and d.sum.__text_signature__ == "($self)"
    assert d.__doc__.startswith("A class for representing a subscripted variable with dummy indices")
    assert d.sum.__doc__.startswith("Take a sum of the decision variable over the elements for which the slice is "
                                    "given and return a SumOp object.")
    assert d.prod.__doc__.startswith("Take a prod of the decision variable")


@pytest.mark.parametrize("method, function, cls", [("sum", zv.sum, zv.SumOp), ("prod", zv.prod, zv.ProdOp)])
def test_dummy_reductions(method, function, cls):
    d = xs[:, j]
    first, second = getattr(d, method)(), getattr(d, method)()
    assert type(first) is cls and first is not second and repr(first) == repr(second)
    k = zv.Element("__dummy_x_0", belong_to=n, latex="\\ast_{0}", description="dummy index at 0 for x")
    assert repr(first) == repr(function(k, xs[k, j]))
    inner = xs[:, :].sum().operand
    assert inner.index.description == "dummy index at 1 for x" and str(inner.index.belong_to) == "[0..m)"
    for bad, message in [
        (xs[:], "the dimensionality of the subscripted variable `x[__dummy_x_0]` must be zero, but actually 1"),
        (zv.BinaryVar("x", shape=[n])[0:3, 0:3], too_many(2, "x", 1)),
        (zv.IntegerVar("x", lower_bound=0, upper_bound=1)[0:3], scalar("IntegerVar { name: x }")),
    ]:
        fails(getattr(bad, method), zv.ModelingError, message)
        fails(getattr(bad, method), zv.ModelingError, message)  # the object stays usable
