"""Where the module functions refuse decision variables, and where they accept them."""

import pytest

import zorvane as zv

UNARY = [zv.abs, zv.ceil, zv.floor, zv.ln, zv.log2, zv.log10]
UNARY_IDS = [fn.__name__ for fn in UNARY]
VARIABLE_CLASSES = [zv.BinaryVar, zv.IntegerVar, zv.ContinuousVar, zv.SemiIntegerVar, zv.SemiContinuousVar]


def variable(cls, name, **kwargs):
    if cls is not zv.BinaryVar:
        kwargs.setdefault("lower_bound", 0)
        kwargs.setdefault("upper_bound", 5)
    return cls(name, **kwargs)


a = zv.Placeholder("a")
p = zv.Placeholder("p", ndim=1)
i = zv.Element("i", belong_to=(0, 10))
x = zv.BinaryVar("x")
X = zv.IntegerVar("X", shape=[10], lower_bound=0, upper_bound=3)
UNARY_MESSAGE = "the operand of the unary op contains a decision variable"


def operands_with_a_variable():
    return [
        ("x", x),
        ("x + a", x + a),
        ("x + 1", x + 1),
        ("2 * x", 2 * x),
        ("x ** 2", x**2),
        ("X[i]", X[i]),
        ("a * X[0] + 1", a * X[0] + 1),
        ("sum(i, X[i])", zv.sum(i, X[i])),
        ("prod(i, p[i] * X[i])", zv.prod(i, p[i] * X[i])),
        ("min(a, 1) + x", zv.min(a, 1) + x),
        ("X[:].sum()", X[:].sum()) if hasattr(zv.DummyIndexedVar, "sum") else ("-x", -x),
    ]


OPERANDS = operands_with_a_variable()


@pytest.mark.parametrize("fn", UNARY, ids=UNARY_IDS)
@pytest.mark.parametrize("name, operand", OPERANDS, ids=[row[0] for row in OPERANDS])
def test_unary_refuses_a_decision_variable(fn, name, operand):
    with pytest.raises(zv.ModelingError) as info:
        fn(operand)
    assert str(info.value) == UNARY_MESSAGE


@pytest.mark.parametrize("fn", UNARY, ids=UNARY_IDS)
@pytest.mark.parametrize("cls", VARIABLE_CLASSES, ids=lambda c: c.__name__)
def test_unary_refuses_every_variable_kind(fn, cls):
    with pytest.raises(zv.ModelingError) as info:
        fn(variable(cls, "v"))
    assert str(info.value) == UNARY_MESSAGE


@pytest.mark.parametrize("fn", UNARY, ids=UNARY_IDS)
def test_unary_accepts_instance_data(fn):
    for operand in (a, p[i], a + i, zv.sum(i, p[i]), p.len_at(0), i):
        assert type(fn(operand).operand) is not None


@pytest.mark.parametrize("fn", UNARY, ids=UNARY_IDS)
def test_unary_array_variable_does_not_convert(fn):
    with pytest.raises(TypeError) as info:
        fn(X)
    assert str(info.value) == "argument 'operand': failed to convert into expression."


@pytest.mark.parametrize("fn", UNARY + [zv.min, zv.max], ids=UNARY_IDS + ["min", "max"])
def test_dummy_indexed_variable_message_passes_unchanged(fn):
    with pytest.raises(zv.ModelingError) as info:
        fn(X[:])
    assert str(info.value) == ("dummy indexed IntegerVar with name 'X' must be called the `sum` or `prod` "
                               "method to be converted into an expression.")
    assert not str(info.value).startswith("argument")


@pytest.mark.parametrize("fn", [zv.min, zv.max], ids=["min", "max"])
def test_min_max_name_the_first_term_with_a_variable(fn):
    with pytest.raises(zv.ModelingError) as info:
        fn(a, x)
    assert str(info.value) == "the 1-th term contains a decision variable"
    with pytest.raises(zv.ModelingError) as info:
        fn(x, a, x)
    assert str(info.value) == "the 0-th term contains a decision variable"
    with pytest.raises(zv.ModelingError) as info:
        fn(a, 1, 2, a + 1, zv.sum(i, X[i]))
    assert str(info.value) == "the 4-th term contains a decision variable"
    with pytest.raises(zv.ModelingError) as info:
        fn(*([a] * 11), X[0])
    assert str(info.value) == "the 11-th term contains a decision variable"


@pytest.mark.parametrize("fn", [zv.min, zv.max], ids=["min", "max"])
def test_min_max_convert_everything_before_checking(fn):
    with pytest.raises(TypeError) as info:
        fn(x, None)
    assert str(info.value) == "argument 'operands': failed to convert into expression."
    with pytest.raises(zv.ModelingError) as info:
        fn(x, X[:])
    assert str(info.value).startswith("dummy indexed IntegerVar")


REDUCTIONS = [zv.sum, zv.prod]


@pytest.mark.parametrize("fn", REDUCTIONS, ids=["sum", "prod"])
def test_reduction_refuses_a_variable_in_its_condition(fn):
    y = zv.ContinuousVar("y", shape=[10], lower_bound=0, upper_bound=1)
    for condition in (i == y[0], y[i] <= 1, 1 < x, (i != 2) & (x == 1), ((i != 2) | (i != 3)) ^ (a <= x)):
        with pytest.raises(zv.ModelingError) as info:
            fn((i, condition), p[i])
        assert str(info.value) == "the condition expression contains a decision variable"
    j = zv.Element("j", belong_to=(0, 10))
    with pytest.raises(zv.ModelingError) as info:
        fn([i, (j, j != y[i])], p[i])
    assert str(info.value) == "the condition expression contains a decision variable"


@pytest.mark.parametrize("fn", REDUCTIONS, ids=["sum", "prod"])
def test_reduction_accepts_a_variable_in_its_operand(fn):
    node = fn((i, i != 2), X[i])
    assert type(node.operand) is zv.Subscript
    assert str(node) == f"{fn.__name__}(i in [0..10) s.t. i != 2, X[i])"
    node = fn(i, p[i] * X[i] + x)
    assert type(node.operand) is zv.AddOp


@pytest.mark.parametrize("fn", REDUCTIONS, ids=["sum", "prod"])
def test_reduction_refuses_a_dummy_indexed_operand_unchanged(fn):
    with pytest.raises(zv.ModelingError) as info:
        fn(i, X[:])
    assert str(info.value).startswith("dummy indexed IntegerVar with name 'X'")


def test_comparisons_accept_variables_on_both_sides():
    y = zv.IntegerVar("y", lower_bound=0, upper_bound=3)
    cond = x + y <= y
    assert type(cond) is zv.LessThanEqualOp
    assert (x == 1) & (y >= 2) is not None
    assert str((x == 1) & (y >= 2)) == "x == 1 and y >= 2"
