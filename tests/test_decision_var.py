"""The five decision-variable classes: constructors, bounds, getters, subscripting, text forms."""
import pytest

import zorvane as zv

BOUNDED = [zv.IntegerVar, zv.ContinuousVar, zv.SemiIntegerVar, zv.SemiContinuousVar]
ALL = [zv.BinaryVar, *BOUNDED]


def make(cls, name="x", **kwargs):
    if cls is not zv.BinaryVar:
        kwargs.setdefault("lower_bound", 0)
        kwargs.setdefault("upper_bound", 1)
    return cls(name, **kwargs)


class Interrupt(BaseException):
    """Not an `Exception`: no reading may swallow it."""


@pytest.fixture
def n():
    return zv.Placeholder("n")


@pytest.mark.parametrize("cls", ALL)
def test_scalar_defaults(cls):
    x = make(cls)
    assert (x.name, x.ndim, x.shape, x.description) == ("x", 0, (), "")
    assert str(x) == "x"
    assert x._repr_latex_() == "$$\\displaystyle x$$"


def test_signatures_and_docs():
    assert zv.BinaryVar.__text_signature__ == "(name, *, shape=None, latex=None, description=None)"
    for cls, first in zip(BOUNDED, ["an integer", "a continuous", "a semi-integer", "a semi-continuous"]):
        assert cls.__text_signature__ == (
            "(name, *, shape=None, lower_bound, upper_bound, latex=None, description=None)"
        )
        assert cls.__doc__.startswith(f"A class for creating {first} variable")
    assert not hasattr(zv.BinaryVar("x"), "lower_bound")


def test_shape_and_bound_getters(n):
    k = zv.IntegerVar("k", shape=[2, 3], lower_bound=0, upper_bound=10.5, description="d")
    assert [s.value for s in k.shape] == [2, 3]
    assert all(isinstance(s, zv.NumberLit) for s in k.shape)
    assert k.ndim == 2
    assert (k.lower_bound.value, k.upper_bound.value) == (0, 10.5)
    assert k.lower_bound is not k.lower_bound
    assert k.shape[0] is not k.shape[0]
    assert k.description == "d"
    x = zv.BinaryVar("x", shape=(n, 3, n + 1))
    assert [str(s) for s in x.shape] == ["n", "3", "n + 1"]


@pytest.mark.parametrize(
    "shape, kind, message",
    [
        ("ab", TypeError, "argument 'shape': Can't extract `str` to `Vec`"),
        (5, TypeError, "argument 'shape': 'int' object cannot be converted to 'Sequence'"),
        ([zv.Placeholder("p", ndim=1)], TypeError, "argument 'shape': failed to convert into expression."),
        ([1, None], TypeError, "argument 'shape': failed to convert into expression."),
    ],
)
@pytest.mark.parametrize("cls", ALL)
def test_shape_refusals(cls, shape, kind, message):
    with pytest.raises(kind) as info:
        make(cls, shape=shape)
    assert str(info.value) == message


def test_shape_items_are_not_checked(n):
    y = zv.BinaryVar("y")
    x = zv.BinaryVar("x", shape=[-1, 2.5, y, n])
    assert [str(s) for s in x.shape] == ["-1", "2.5", "y", "n"]


def test_a_lying_len_of_a_shape_is_never_trusted(n):
    class Shape:
        def __len__(self):
            return 2**62

        def __getitem__(self, k):
            if k < 2:
                return n
            raise IndexError(k)

    assert zv.BinaryVar("x", shape=Shape()).ndim == 2


def test_a_dummy_indexed_shape_item_is_a_modeling_error(n):
    d = zv.BinaryVar("w", shape=[n])[:]
    with pytest.raises(zv.ModelingError) as info:
        zv.BinaryVar("x", shape=[d])
    assert str(info.value) == (
        "dummy indexed BinaryVar with name 'w' must be called the `sum` or `prod` method to be converted into an expression."
    )


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: zv.SemiIntegerVar("x", lower_bound=0),
         "SemiIntegerVar.__new__() missing 1 required keyword argument: 'upper_bound'"),
        (lambda: zv.IntegerVar("x"),
         "IntegerVar.__new__() missing 2 required keyword arguments: 'lower_bound' and 'upper_bound'"),
        (lambda: zv.BinaryVar("x", lower_bound=0), "BinaryVar.__new__() got an unexpected keyword argument 'lower_bound'"),
        (lambda: zv.BinaryVar("x", [1]), "BinaryVar.__new__() takes 1 positional arguments but 2 were given"),
        (lambda: zv.BinaryVar(), "BinaryVar.__new__() missing 1 required positional argument: 'name'"),
        (lambda: zv.BinaryVar(1), "argument 'name': 'int' object cannot be converted to 'PyString'"),
        (lambda: zv.ContinuousVar("x", lower_bound=0, upper_bound=1, latex=2),
         "argument 'latex': 'int' object cannot be converted to 'PyString'"),
        (lambda: zv.BinaryVar("x", description=b"d"),
         "argument 'description': 'bytes' object cannot be converted to 'PyString'"),
    ],
)
def test_argument_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_bound_forms(n):
    i = zv.Element("i", belong_to=n)
    lb2 = zv.Placeholder("lb", ndim=2)
    y = zv.BinaryVar("y")
    x = zv.IntegerVar("x", shape=[n, n], lower_bound=lb2, upper_bound=lb2[i, i])
    assert repr(x.lower_bound) == "Placeholder(name='lb', ndim=2)"
    assert isinstance(x.upper_bound, zv.Subscript)
    v = zv.IntegerVar("v", shape=[n], lower_bound=lb2[i], upper_bound=y + 1)  # a decision variable is not checked
    assert isinstance(v.lower_bound, zv.Subscript) and v.lower_bound.ndim == 1
    assert str(v.upper_bound) == "y + 1"
    s = zv.ContinuousVar("s", lower_bound=n, upper_bound=zv.ArrayLength(lb2, 0))
    assert repr(s.lower_bound) == "Placeholder(name='n', ndim=0)"
    assert str(s.upper_bound) == "len(lb, 0)"
    assert zv.IntegerVar("r", lower_bound=5, upper_bound=1).lower_bound.value == 5


@pytest.mark.parametrize(
    "bound",
    [
        lambda n: "a",
        lambda n: None,
        lambda n: [1, 2],
        lambda n: zv.BinaryVar("w", shape=[n, n])[zv.Element("i", n)],
        lambda n: zv.Element("e", zv.Placeholder("q", ndim=2)),
        lambda n: zv.Element("e", zv.Placeholder("q", ndim=3))[0],
        lambda n: zv.BinaryVar("w", shape=[n]),
    ],
)
@pytest.mark.parametrize("side", ["lower_bound", "upper_bound"])
def test_bounds_that_fit_no_form(n, bound, side):
    kwargs = {"lower_bound": 0, "upper_bound": 1, side: bound(n)}
    with pytest.raises(zv.ModelingError) as info:
        zv.ContinuousVar("x", shape=[n], **kwargs)
    assert str(info.value) == "the input object is not used as the bound of a decision variable"


LOWER = "the number of dimensions of a lower bound (= {b}) must be equal to zero or the number of {noun} (= {n})"
UPPER = "the number of dimensions of a upper bound (= {b}) must be equal to zero or the number of {noun} (= {n})"


@pytest.mark.parametrize(
    "cls, lower_noun, upper_noun",
    [
        (zv.IntegerVar, "an integer variable", "an integer variable"),
        (zv.ContinuousVar, "a continuous variable", "a continuous variable"),
        (zv.SemiIntegerVar, "a semi-integer variable", "a semi-integer integer variable"),
        (zv.SemiContinuousVar, "a semi-continuous variable", "a semi-continuous variable"),
    ],
)
def test_bound_dimension_checks(cls, lower_noun, upper_noun):
    two = zv.Placeholder("b", ndim=2)
    one = zv.Placeholder("c", ndim=1)
    with pytest.raises(zv.ModelingError) as info:
        cls("x", shape=[3], lower_bound=two, upper_bound=1)
    assert str(info.value) == LOWER.format(b=2, noun=lower_noun, n=1)
    with pytest.raises(zv.ModelingError) as info:
        cls("x", shape=[3], lower_bound=two, upper_bound=two)  # the lower bound is checked first
    assert str(info.value) == LOWER.format(b=2, noun=lower_noun, n=1)
    with pytest.raises(zv.ModelingError) as info:
        cls("x", shape=[3], lower_bound=0, upper_bound=two)
    assert str(info.value) == UPPER.format(b=2, noun=upper_noun, n=1)
    with pytest.raises(zv.ModelingError) as info:
        cls("x", lower_bound=one, upper_bound=0)
    assert str(info.value) == LOWER.format(b=1, noun=lower_noun, n=0)
    assert isinstance(cls("x", shape=[3], lower_bound=one, upper_bound=1).lower_bound, zv.Placeholder)


def test_set_latex():
    x = zv.BinaryVar("x", latex="X")
    assert x._repr_latex_() == "$$\\displaystyle X$$"
    with pytest.raises(TypeError, match="^argument 'latex': "):
        x.set_latex(1)
    assert x._repr_latex_() == "$$\\displaystyle X$$"
    x.set_latex()
    assert x._repr_latex_() == "$$\\displaystyle x$$"
    x.set_latex("\\xi")
    assert (x + 1)._repr_latex_() == "$$\\displaystyle \\xi + 1$$"
    assert zv.IntegerVar.set_latex.__text_signature__ == "($self, latex=None)"


@pytest.mark.parametrize(
    "var, text",
    [
        (lambda n: zv.BinaryVar("z", shape=[n]), "BinaryVar(name='z', shape=[Placeholder(name='n', ndim=0)])"),
        (lambda n: zv.IntegerVar("k", lower_bound=0, upper_bound=5),
         "IntegerVar(name='k', shape=[], lower_bound=NumberLit(value=0), upper_bound=NumberLit(value=5))"),
        (lambda n: zv.SemiContinuousVar("s", shape=[n], lower_bound=zv.Placeholder("l", ndim=1), upper_bound=n + 1,
                                        latex="S", description="d"),
         "SemiContinuousVar(name='s', shape=[Placeholder(name='n', ndim=0)], lower_bound=Placeholder(name='l', ndim=1), "
         "upper_bound=Placeholder(name='n', ndim=0) + NumberLit(value=1), latex='S', description='d')"),
        (lambda n: zv.BinaryVar("x", shape=[124])[123], "BinaryVar(name='x', shape=[NumberLit(value=124)])[NumberLit(value=123)]"),
    ],
)
def test_repr(n, var, text):
    assert repr(var(n)) == text


class TestSubscripting:
    @pytest.fixture
    def x(self):
        return zv.BinaryVar("x", shape=[3, 4])

    def test_forms(self, x):
        assert isinstance(x[0], zv.Subscript) and x[0].ndim == 1
        assert x[0, 1].ndim == 0
        assert str(x[0, 1]) == "x[0, 1]"
        assert str(x[[0, 1]]) == "x[0, 1]"
        assert [s.value for s in x[0].shape] == [4]
        assert type(x[:, 1]).__name__ == "DummyIndexedVar"
        assert type(x[[slice(None), 1]]).__name__ == "DummyIndexedVar"
        assert isinstance(x[0].variable, zv.BinaryVar)
        i = zv.Element("i", 3)
        assert x[i]._repr_latex_() == "$$\\displaystyle x_{i}$$"
        assert str(x[i][1]) == "x[i, 1]"

    @pytest.mark.parametrize("cls, word", [(zv.BinaryVar, "Binary"), (zv.SemiIntegerVar, "SemiInteger")])
    def test_scalar(self, cls, word):
        with pytest.raises(zv.ModelingError) as info:
            make(cls, "y")[0]
        assert str(info.value) == f"the scalar `{word}Var {{ name: y }}` is not subscriptable"

    @pytest.mark.parametrize(
        "key, kind, message",
        [
            ((0, 1, 2), zv.ModelingError,
             "the number of subscripts (= 3) is greater than the dimensionality of the variable `x` (= 2)"),
            ((), zv.ModelingError, "the number of subscripts is zero"),
            ("abc", IndexError, "Invalid index: abc"),
            (None, IndexError, "Invalid index: None"),
            ((0, "a"), IndexError, "Invalid index: (0, 'a')"),
            (zv.Placeholder("q", ndim=1), IndexError, "Invalid index: q"),
        ],
    )
    def test_refusals(self, x, key, kind, message):
        with pytest.raises(kind) as info:
            x[key]
        assert type(info.value) is kind
        assert str(info.value) == message

    def test_decision_variable_in_a_subscript(self, x):
        y = zv.IntegerVar("y", lower_bound=0, upper_bound=2)
        for key in [y, (0, y + 1), (slice(None), y)]:
            with pytest.raises(zv.ModelingError, match="^a subscript contains a decision variable$"):
                x[key]
        p = zv.Placeholder("p", ndim=2)
        with pytest.raises(zv.ModelingError, match="^a subscript contains a decision variable$"):
            p[y]
        with pytest.raises(zv.ModelingError, match="^a subscript contains a decision variable$"):
            p[0, y + 1]

    def test_str_of_key_raising_propagates(self, x):
        class Key:
            def __str__(self):
                raise LookupError("no text")

        with pytest.raises(LookupError, match="no text"):
            x[Key()]

    def test_non_exceptions_propagate(self, x):
        class Index:
            def __index__(self):
                raise Interrupt

        with pytest.raises(Interrupt):
            x[Index()]
        with pytest.raises(Interrupt):
            x[0, Index()]

    def test_a_lying_len_is_never_trusted(self, x):
        class Key:
            def __len__(self):
                return 2**62

            def __getitem__(self, k):
                if k < 2:
                    return [slice(None), 1][k]
                raise IndexError(k)

        assert type(x[Key()]).__name__ == "DummyIndexedVar"


class TestSlices:
    @pytest.fixture
    def x(self, n):
        return zv.BinaryVar("x", shape=[n, zv.Placeholder("m")])

    @pytest.fixture
    def j(self, n):
        return zv.Element("j", belong_to=n)

    def test_builds(self, x, j):
        for key in [(slice(None), j), (slice(1, 3), j), slice(None), (slice(None), slice(None)), (j, slice(0, 3))]:
            assert type(x[key]).__name__ == "DummyIndexedVar"
        one = zv.BinaryVar("v", shape=[3])
        assert type(one[0:3, 0:3]).__name__ == "DummyIndexedVar"  # explicit stops: refused by sum()

    @pytest.mark.parametrize(
        "key, kind, message",
        [
            ((slice(None, None, 2), 0), zv.ModelingError,
             "The 0-th subscript of the BinaryVar named 'x' uses a slice with a step `2`. "
             "However, the slice with a step is not supported."),
            ((0, slice(1, None, 1)), zv.ModelingError,
             "The 1-th subscript of the BinaryVar named 'x' uses a slice with a step `1`. "
             "However, the slice with a step is not supported."),
            ((slice(3, 1), 0), ValueError, "`Range.start` (= 3) is larger than `Range.end` (= 1)"),
            ((slice(2, 2), 0), ValueError, "`Range.start` (= 2) is equal to `Range.end` (= 2)"),
            ((slice(None, "a"), 0), TypeError, "failed to convert into expression."),
        ],
    )
    def test_refusals(self, x, key, kind, message):
        with pytest.raises(kind) as info:
            x[key]
        assert str(info.value) == message

    def test_decision_variables_in_slice_bounds(self, x):
        y = zv.IntegerVar("y", lower_bound=0, upper_bound=2)
        with pytest.raises(zv.ModelingError, match="^the lower bound contains a decision variable$"):
            x[y:, 0]
        with pytest.raises(zv.ModelingError, match="^the upper bound contains a decision variable$"):
            x[:y, 0]

    def test_omitted_stop_on_a_missing_axis(self, n):
        one = zv.IntegerVar("v", shape=[n], lower_bound=0, upper_bound=1)
        with pytest.raises(zv.ModelingError) as info:
            one[:, :]
        assert str(info.value) == (
            "the number of subscripts (= 2) is greater than the dimensionality of the variable `v` (= 1)"
        )
        with pytest.raises(zv.ModelingError) as info:
            one[0, 1, :]
        assert str(info.value) == (
            "the number of subscripts (= 3) is greater than the dimensionality of the variable `v` (= 1)"
        )
        with pytest.raises(zv.ModelingError) as info:
            zv.SemiContinuousVar("s", lower_bound=0, upper_bound=1)[:]
        assert str(info.value) == "the scalar `SemiContinuousVar { name: s }` is not subscriptable"

    def test_dummy_indexed_var_surface(self, x, j, n):
        d = x[:, j]
        with pytest.raises(TypeError, match="^No constructor defined$"):
            type(d)()
        assert type(d).__text_signature__ is None
        assert type(d).__doc__.startswith("A class for representing a subscripted variable with dummy indices")
        assert type(d) is zv.DummyIndexedVar
        with pytest.raises(TypeError, match="unsupported operand"):
            d + 1
        message = (
            "dummy indexed BinaryVar with name 'x' must be called the `sum` or `prod` method "
            "to be converted into an expression."
        )
        with pytest.raises(zv.ModelingError) as info:
            n + d
        assert str(info.value) == message
        with pytest.raises(zv.ModelingError) as info:
            zv.IntegerVar("k", lower_bound=0, upper_bound=1) * d
        assert str(info.value) == message
        y = zv.IntegerVar("y", shape=[n], lower_bound=0, upper_bound=1)
        with pytest.raises(zv.ModelingError, match="^dummy indexed IntegerVar with name 'y' must"):
            n < y[:]
        with pytest.raises(TypeError, match="^failed to convert into a set$"):
            zv.Element("e", belong_to=d)


def test_elements_over_decision_variables(n):
    x = zv.BinaryVar("x")
    for belong_to in [x, (0, x), (0, x + 1)]:
        with pytest.raises(zv.ModelingError, match="^the upper bound contains a decision variable$"):
            zv.Element("i", belong_to=belong_to)
    for belong_to in [(x, 10), (x, 0), (x, x)]:
        with pytest.raises(zv.ModelingError, match="^the lower bound contains a decision variable$"):
            zv.Element("i", belong_to=belong_to)
    w = zv.BinaryVar("w", shape=[n, n])
    i = zv.Element("i", belong_to=n)
    assert isinstance(zv.Element("e", belong_to=w[i]).belong_to, zv.Subscript)
    with pytest.raises(zv.ModelingError, match="^the upper bound contains a decision variable$"):
        zv.Element("e", belong_to=w[i, i])
    for belong_to in [w, w[:, i]]:
        with pytest.raises(TypeError, match="^failed to convert into a set$"):
            zv.Element("e", belong_to=belong_to)
    with pytest.raises(zv.ModelingError) as info:
        w[i].len_at(0)
    assert str(info.value) == "the subscripted variable w[i] is a decision variable"
    with pytest.raises(TypeError, match="^argument 'array': unsupported type$"):
        zv.ArrayLength(w[i], 0)
    with pytest.raises(TypeError, match="^argument 'array': unsupported type$"):
        zv.ArrayLength(w, 0)


class TestDummyIndexedReductions:
    @pytest.fixture
    def m(self):
        return zv.Placeholder("m")

    @pytest.fixture
    def x(self, n, m):
        return zv.BinaryVar("x", shape=[n, m])

    @pytest.fixture
    def j(self, m):
        return zv.Element("j", belong_to=m)

    def dummy(self, position, belong_to):
        return zv.Element(f"__dummy_x_{position}", belong_to=belong_to, latex=f"\\ast_{{{position}}}",
                          description=f"dummy index at {position} for x")

    @pytest.mark.parametrize("method, function, cls", [("sum", zv.sum, zv.SumOp), ("prod", zv.prod, zv.ProdOp)])
    def test_same_as_the_module_function(self, x, j, n, method, function, cls):
        built = getattr(x[:, j], method)()
        assert type(built) is cls
        i = self.dummy(0, n)
        assert repr(built) == repr(function(i, x[i, j]))
        assert str(built) == f"{method}(__dummy_x_0 in [0..n), x[__dummy_x_0, j])"

    def test_texts_and_nesting(self, x, j, n, m):
        s = x[:, :].sum()
        assert str(s) == "sum(__dummy_x_0 in [0..n), sum(__dummy_x_1 in [0..m), x[__dummy_x_0, __dummy_x_1]))"
        inner = s.operand
        assert inner.index.description == "dummy index at 1 for x"
        assert str(inner.index.belong_to) == "[0..m)"
        assert s._repr_latex_() == (
            "$$\\displaystyle \\sum_{\\ast_{0} = 0}^{n - 1} \\sum_{\\ast_{1} = 0}^{m - 1} x_{\\ast_{0}, \\ast_{1}}$$"
        )
        assert str(x[1:3, j].sum()) == "sum(__dummy_x_0 in [1..3), x[__dummy_x_0, j])"
        assert str(x[j, 2:].prod()) == "prod(__dummy_x_1 in [2..m), x[j, __dummy_x_1])"

    def test_every_call_builds_a_new_node(self, x, j):
        d = x[:, j]
        first, second = d.sum(), d.sum()
        assert first is not second and repr(first) == repr(second)

    @pytest.mark.parametrize(
        "build, message",
        [
            (lambda x, n: x[:],
             "the dimensionality of the subscripted variable `x[__dummy_x_0]` must be zero, but actually 1"),
            (lambda x, n: zv.BinaryVar("x", shape=[n])[0:3, 0:3],
             "the number of subscripts (= 2) is greater than the dimensionality of the variable `x` (= 1)"),
            (lambda x, n: zv.IntegerVar("x", lower_bound=0, upper_bound=1)[0:3],
             "the scalar `IntegerVar { name: x }` is not subscriptable"),
        ],
    )
    @pytest.mark.parametrize("method", ["sum", "prod"])
    def test_refusals(self, x, n, build, message, method):
        d = build(x, n)
        with pytest.raises(zv.ModelingError) as info:
            getattr(d, method)()
        assert str(info.value) == message
        with pytest.raises(zv.ModelingError):
            getattr(d, method)()  # the object stays usable

    def test_method_docs(self):
        assert zv.DummyIndexedVar.sum.__text_signature__ == "($self)"
        assert zv.DummyIndexedVar.sum.__doc__.startswith(
            "Take a sum of the decision variable over the elements for which the slice is given and return a SumOp object."
        )
        assert zv.DummyIndexedVar.prod.__doc__.startswith("Take a prod of the decision variable")
