"""The module functions sum and prod: index forms, nesting, checks, messages, getters and texts."""

import pytest

import zorvane as zv

pytestmark = pytest.mark.skipif(not hasattr(zv, "Element"), reason="needs Element")

REDUCTIONS = [(zv.sum, zv.SumOp, "sum"), (zv.prod, zv.ProdOp, "prod")]
REDUCTION_IDS = ["sum", "prod"]


@pytest.fixture
def n():
    return zv.Placeholder("n")


@pytest.fixture
def a():
    return zv.Placeholder("a", ndim=1)


@pytest.fixture
def i():
    return zv.Element("i", belong_to=(0, 10))


@pytest.fixture
def j(n):
    return zv.Element("j", belong_to=(0, n))


@pytest.fixture
def x():
    return zv.Placeholder("x")


def index_error(single_item, sequence):
    """The message of an index that is neither one item nor a sequence of items."""
    return ("argument 'index': failed to extract enum Index ('Single | Sequence')\n"
            "- variant Single (Single): TypeError: failed to extract field Index::Single.0, caused by "
            + single_item + "\n"
            "- variant Sequence (Sequence): TypeError: failed to extract field Index::Sequence.0, caused by "
            + sequence)


def item_error(element, conditional):
    return ("TypeError: failed to extract enum IndexItem ('Element | ConditionalElement')\n"
            "- variant Element (Element): TypeError: failed to extract field IndexItem::Element.0, caused by "
            + element + "\n"
            "- variant ConditionalElement (ConditionalElement): " + conditional)


def cannot(type_name, target):
    return f"TypeError: '{type_name}' object cannot be converted to '{target}'"


# ---- index forms -------------------------------------------------------------------------------


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_single_element(fn, cls, word, i, x):
    node = fn(i, x)
    assert type(node) is cls
    assert node.condition is None
    index = node.index
    assert type(index) is zv.Element
    assert index.name == "i"
    assert str(index.belong_to) == "[0..10)"
    assert type(node.operand) is zv.Placeholder
    assert node.operand.name == "x"
    assert node.index is not node.index
    assert node.operand is not node.operand


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_keyword_arguments(fn, cls, word, i, x):
    assert repr(fn(index=i, operand=x)) == repr(fn(i, x))
    assert repr(fn(i, operand=x)) == repr(fn(i, x))


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_conditional_element(fn, cls, word, i, x):
    node = fn((i, i != 2), x)
    assert type(node) is cls
    assert type(node.condition) is zv.NotEqualOp
    assert str(node.condition) == "i != 2"
    assert type(node.operand) is zv.Placeholder
    logical = fn((i, (i >= 1) & (i <= 5)), x)
    assert type(logical.condition) is zv.AndOp


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_sequence_nests_first_outermost(fn, cls, word, i, j, x):
    node = fn([i, j], x)
    assert type(node) is cls
    assert node.index.name == "i"
    inner = node.operand
    assert type(inner) is cls
    assert inner.index.name == "j"
    assert type(inner.operand) is zv.Placeholder
    assert str(node) == f"{word}(i in [0..10), {word}(j in [0..n), x))"


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_condition_only_on_its_own_item(fn, cls, word, i, j, x):
    node = fn([(i, i != 3), j], x)
    assert str(node.condition) == "i != 3"
    assert node.operand.condition is None
    node = fn([i, (j, j != i)], x)
    assert node.condition is None
    assert str(node.operand.condition) == "j != i"


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_pair_of_elements_is_a_sequence(fn, cls, word, i, j, x):
    node = fn((i, j), x)
    assert node.index.name == "i"
    assert node.condition is None
    assert type(node.operand) is cls
    assert node.operand.index.name == "j"


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_other_sequences(fn, cls, word, i, j, x):
    for index in ((i,), [i], (i, j, i), [(i, i < 3)]):
        node = fn(index, x)
        assert type(node) is cls and node.index.name == "i"

    class Lying:
        """A sequence whose length is a lie: the items are read by iterating."""

        def __len__(self):
            return 10**18

        def __getitem__(self, k):
            if k < 2:
                return (i, j)[k]
            raise IndexError(k)

    node = fn(Lying(), x)
    assert node.index.name == "i" and node.operand.index.name == "j"


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_same_element_twice_and_unrelated_condition(fn, cls, word, i, j, x, n):
    node = fn([i, i], x)
    assert node.index.name == "i" and node.operand.index.name == "i"
    node = fn((i, j == n), x)
    assert str(node.condition) == "j == n"


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_element_of_any_dimensionality(fn, cls, word, x):
    rows = zv.Element("r", belong_to=zv.Placeholder("M", ndim=2))
    assert rows.ndim == 1
    node = fn(rows, x)
    assert node.index.name == "r"
    assert node.index.ndim == 1


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_reduction_operand(fn, cls, word, i, j, x):
    node = fn(i, fn(j, x))
    assert type(node.operand) is cls
    assert type(fn(i, zv.sum(j, x)).operand) is zv.SumOp


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_index_and_operand_are_copies(fn, cls, word, a, x):
    i = zv.Element("i", belong_to=(0, 10))
    node = fn(i, a[i])
    i.set_latex("I")
    assert "I" not in node._repr_latex_()
    index = node.index
    index.set_latex("J")
    assert "J" not in node._repr_latex_()


# ---- index errors ------------------------------------------------------------------------------


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_integer_index(fn, cls, word, x):
    with pytest.raises(TypeError) as info:
        fn(3, x)
    assert str(info.value) == index_error(
        item_error(cannot("int", "Element"), cannot("int", "PyTuple")),
        cannot("int", "Sequence"))


def test_worked_example_text(x):
    with pytest.raises(TypeError) as info:
        zv.sum(3, x)
    assert str(info.value).split("\n") == [
        "argument 'index': failed to extract enum Index ('Single | Sequence')",
        "- variant Single (Single): TypeError: failed to extract field Index::Single.0, caused by "
        "TypeError: failed to extract enum IndexItem ('Element | ConditionalElement')",
        "- variant Element (Element): TypeError: failed to extract field IndexItem::Element.0, caused by "
        "TypeError: 'int' object cannot be converted to 'Element'",
        "- variant ConditionalElement (ConditionalElement): TypeError: 'int' object cannot be converted to "
        "'PyTuple'",
        "- variant Sequence (Sequence): TypeError: failed to extract field Index::Sequence.0, caused by "
        "TypeError: 'int' object cannot be converted to 'Sequence'",
    ]


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_string_index(fn, cls, word, x):
    with pytest.raises(TypeError) as info:
        fn("ij", x)
    assert str(info.value) == index_error(
        item_error(cannot("str", "Element"), cannot("str", "PyTuple")),
        "TypeError: Can't extract `str` to `Vec`")


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_tuple_of_three(fn, cls, word, i, x):
    c, d = i != 1, i != 2
    with pytest.raises(TypeError) as info:
        fn((i, c, d), x)
    assert str(info.value) == index_error(
        item_error(cannot("tuple", "Element"),
                   "ValueError: expected tuple of length 2, but got tuple of length 3"),
        item_error(cannot("NotEqualOp", "Element"), cannot("NotEqualOp", "PyTuple")))


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_pair_with_a_bad_condition(fn, cls, word, i, x):
    with pytest.raises(TypeError) as info:
        fn((i, 1), x)
    assert str(info.value) == index_error(
        item_error(cannot("tuple", "Element"),
                   "TypeError: failed to extract field IndexItem::ConditionalElement.1, caused by "
                   "TypeError: failed to convert into a conditional expression."),
        item_error(cannot("int", "Element"), cannot("int", "PyTuple")))


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_pair_with_a_bad_element(fn, cls, word, i, x):
    with pytest.raises(TypeError) as info:
        fn((x, i == 1), x)
    assert str(info.value) == index_error(
        item_error(cannot("tuple", "Element"),
                   "TypeError: failed to extract field IndexItem::ConditionalElement.0, caused by "
                   + cannot("Placeholder", "Element")),
        item_error(cannot("Placeholder", "Element"), cannot("Placeholder", "PyTuple")))


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_bad_item_in_a_sequence(fn, cls, word, i, x):
    with pytest.raises(TypeError) as info:
        fn([i, 3], x)
    assert str(info.value) == index_error(
        item_error(cannot("list", "Element"), cannot("list", "PyTuple")),
        item_error(cannot("int", "Element"), cannot("int", "PyTuple")))


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_non_sequences(fn, cls, word, i, x):
    for index, type_name in (({"i": i}, "dict"), ((k for k in [i]), "generator"), (None, "NoneType"),
                             ({1, 2}, "set")):
        with pytest.raises(TypeError) as info:
            fn(index, x)
        assert str(info.value).endswith(f"caused by TypeError: '{type_name}' object cannot be converted to "
                                        "'Sequence'")


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_failing_iteration_is_reported(fn, cls, word, i, x):
    class Broken:
        def __len__(self):
            return 1

        def __getitem__(self, k):
            raise ValueError("boom")

    with pytest.raises(TypeError) as info:
        fn(Broken(), x)
    assert str(info.value).endswith("Index::Sequence.0, caused by ValueError: boom")


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_interrupt_during_iteration_is_not_swallowed(fn, cls, word, i, x):
    class Interrupted:
        def __len__(self):
            return 1

        def __getitem__(self, k):
            raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        fn(Interrupted(), x)


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_empty_index_is_refused(fn, cls, word, x):
    for empty in ([], (), range(0)):
        with pytest.raises(zv.ModelingError) as info:
            fn(empty, x)
        assert str(info.value) == f"the index of {word} is an empty sequence; give at least one element"


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_index_is_read_before_operand(fn, cls, word):
    with pytest.raises(TypeError) as info:
        fn(3, "x")
    assert str(info.value).startswith("argument 'index': ")


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_operand_errors(fn, cls, word, i, a):
    for bad in ("x", None, a, [1], i == 1):
        with pytest.raises(TypeError) as info:
            fn(i, bad)
        assert str(info.value) == "argument 'operand': failed to convert into expression."


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_argument_errors(fn, cls, word, i, x):
    cases = [
        ((), {}, f"{word}() missing 2 required positional arguments: 'index' and 'operand'"),
        ((i,), {}, f"{word}() missing 1 required positional argument: 'operand'"),
        ((i, x, x), {}, f"{word}() takes 2 positional arguments but 3 were given"),
        ((i, x), {"where": 1}, f"{word}() got an unexpected keyword argument 'where'"),
        ((i, x), {"index": i}, f"{word}() got multiple values for argument 'index'"),
    ]
    for args, kwargs, message in cases:
        with pytest.raises(TypeError) as info:
            fn(*args, **kwargs)
        assert str(info.value) == message


def test_signatures_and_docs():
    assert zv.sum.__text_signature__ == "(index, operand)"
    assert zv.prod.__text_signature__ == "(index, operand)"
    assert zv.sum.__doc__.startswith("Create the `SumOp` object.")
    assert "index: An index of summation." in zv.sum.__doc__
    assert "operand: The operand of product." in zv.prod.__doc__
    assert "zv.sum((i, i != 2), a[i])" in zv.sum.__doc__
    assert "zv.prod((i, i != 2), a[i])" in zv.prod.__doc__


# ---- classes -----------------------------------------------------------------------------------


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_no_constructor_and_read_only(fn, cls, word, i, x):
    for args in ((), (1,), (i, x)):
        with pytest.raises(TypeError) as info:
            cls(*args)
        assert str(info.value) == "No constructor defined"
    node = fn(i, x)
    for name in ("index", "condition", "operand"):
        with pytest.raises(AttributeError):
            setattr(node, name, x)


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_arithmetic_with_reductions(fn, cls, word, i, x):
    node = fn(i, x) + 1
    assert type(node) is zv.AddOp
    assert [type(t) for t in node.terms] == [cls, zv.NumberLit]
    node = 2 * fn(i, x)
    assert type(node) is zv.MulOp
    assert [type(t) for t in node.terms] == [zv.NumberLit, cls]
    cond = fn(i, x) <= 3
    assert type(cond) is zv.LessThanEqualOp
    assert type(cond.left) is cls
    cond = 3 < fn(i, x)
    assert type(cond) is zv.GreaterThanOp
    assert type(cond.left) is cls


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=REDUCTION_IDS)
def test_set_latex(fn, cls, word, i, x):
    node = fn(i, x)
    generated = node._repr_latex_()
    node.set_latex("S")
    assert node._repr_latex_() == r"$$\displaystyle S$$"
    assert (node + x)._repr_latex_() == r"$$\displaystyle S + x$$"
    assert str(node) == f"{word}(i in [0..10), x)"
    node.set_latex()
    assert node._repr_latex_() == generated
    with pytest.raises(TypeError) as info:
        node.set_latex(1)
    assert str(info.value) == "argument 'latex': 'int' object cannot be converted to 'PyString'"
    with pytest.raises(TypeError) as info:
        node.set_latex("a", "b")
    assert str(info.value) == f"{cls.__name__}.set_latex() takes from 0 to 1 positional arguments but 2 were given"


# ---- texts -------------------------------------------------------------------------------------


def test_str_forms(a, n):
    i = zv.Element("i", belong_to=(0, 10))
    assert str(zv.sum(i, a[i])) == "sum(i in [0..10), a[i])"
    assert str(zv.sum((i, i != 3), a[i])) == "sum(i in [0..10) s.t. i != 3, a[i])"
    assert str(zv.sum((i, i + 1 != n), a[i])) == "sum(i in [0..10) s.t. (i + 1) != n, a[i])"
    assert str(zv.sum(i, a[i] + 1)) == "sum(i in [0..10), (a[i] + 1))"
    assert str(zv.sum(i, a[i] ** 2)) == "sum(i in [0..10), (a[i] ** 2))"
    assert str(zv.sum(i, a[i] % 2)) == "sum(i in [0..10), (a[i] % 2))"
    assert str(zv.sum(i, 2 * a[i])) == "sum(i in [0..10), 2 * a[i])"
    assert str(2 * zv.sum(i, a[i])) == "2 * sum(i in [0..10), a[i])"
    m = zv.Element("m", belong_to=(0, n))
    assert str(zv.sum((m, m != 3), a[m])) == "sum(m in [0..n) s.t. m != 3, a[m])"
    V = zv.Placeholder("V", ndim=1)
    b = zv.Placeholder("b", ndim=1)
    j = zv.Element("j", belong_to=V)
    assert str(zv.prod(j, b[j])) == "prod(j in V, b[j])"
    assert str(zv.prod((j, (j != 1) | (j != 2)), b[j])) == "prod(j in V s.t. j != 1 or j != 2, b[j])"
    assert str(zv.sum((j, ((j != 1) | (j != 2)) & (j != 3)), b[j])) == (
        "sum(j in V s.t. (j != 1 or j != 2) and j != 3, b[j])")


def test_repr_forms(a):
    i = zv.Element("i", belong_to=(0, 10))
    elem = "Element(name='i', belong_to=(NumberLit(value=0), NumberLit(value=10)))"
    assert repr(zv.sum(i, a[i])) == f"sum({elem}, Placeholder(name='a', ndim=1)[{elem}])"
    assert repr(zv.prod((i, i != 3), a[i])) == (
        f"prod({elem}, {elem} != NumberLit(value=3), Placeholder(name='a', ndim=1)[{elem}])")


def test_latex_forms(a, n):
    i = zv.Element("i", belong_to=(0, 10))
    assert zv.sum(i, a[i])._repr_latex_() == r"$$\displaystyle \sum_{i = 0}^{9} a_{i}$$"
    m = zv.Element("i", belong_to=(0, n))
    assert zv.sum(m, a[m])._repr_latex_() == r"$$\displaystyle \sum_{i = 0}^{n - 1} a_{i}$$"
    assert zv.sum((i, i != 3), a[i])._repr_latex_() == (
        r"$$\displaystyle \sum_{\substack{i = 0\\i \neq 3}}^{9} a_{i}$$")
    V = zv.Placeholder("V", ndim=1)
    b = zv.Placeholder("b", ndim=1)
    j = zv.Element("j", belong_to=V)
    k = zv.Element("k", belong_to=V)
    assert zv.prod(j, b[j])._repr_latex_() == r"$$\displaystyle \prod_{j \in V} b_{j}$$"
    assert zv.sum((j, j != k), b[j])._repr_latex_() == (
        r"$$\displaystyle \sum_{\substack{j \in V\\j \neq k}} b_{j}$$")
    assert zv.sum(i, a[i] + 1)._repr_latex_() == r"$$\displaystyle \sum_{i = 0}^{9} \left(a_{i} + 1\right)$$"
    assert zv.ln(zv.sum(i, a[i]))._repr_latex_() == (
        r"$$\displaystyle \ln \left(\sum_{i = 0}^{9} a_{i}\right)$$")
    assert (zv.sum(i, a[i]) ** 2)._repr_latex_() == (
        r"$$\displaystyle \left(\sum_{i = 0}^{9} a_{i}\right)^{2}$$")
    named = zv.Element("i", belong_to=(0, 10), latex=r"\iota")
    assert zv.sum(named, a[named])._repr_latex_().startswith(r"$$\displaystyle \sum_{\iota = 0}^{9}")


def test_nested_reduction_texts(a, n):
    i = zv.Element("i", belong_to=(0, 10))
    j = zv.Element("j", belong_to=(0, n))
    M = zv.Placeholder("M", ndim=2)
    node = zv.sum([i, (j, j != i)], M[i, j])
    assert str(node) == "sum(i in [0..10), sum(j in [0..n) s.t. j != i, M[i, j]))"
    assert node._repr_latex_() == (
        r"$$\displaystyle \sum_{i = 0}^{9} \sum_{\substack{j = 0\\j \neq i}}^{n - 1} M_{i, j}$$")
