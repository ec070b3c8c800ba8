"""The module functions sum and prod: index forms, nesting, refusals and their messages, getters
and text forms."""

import pytest

import zorvane as zv

REDUCTIONS = [(zv.sum, zv.SumOp, "sum"), (zv.prod, zv.ProdOp, "prod")]
n, x = zv.Placeholder("n"), zv.Placeholder("x")
a = zv.Placeholder("a", ndim=1)
i = zv.Element("i", belong_to=(0, 10))
j = zv.Element("j", belong_to=(0, n))


def cannot(type_name, target):
    return f"TypeError: '{type_name}' object cannot be converted to '{target}'"


def item_error(element, conditional):
    return ("TypeError: failed to extract enum IndexItem ('Element | ConditionalElement')\n"
            "- variant Element (Element): TypeError: failed to extract field IndexItem::Element.0, caused by "
            + element + "\n- variant ConditionalElement (ConditionalElement): " + conditional)


def index_error(single, sequence):
    return ("argument 'index': failed to extract enum Index ('Single | Sequence')\n"
            "- variant Single (Single): TypeError: failed to extract field Index::Single.0, caused by " + single
            + "\n- variant Sequence (Sequence): TypeError: failed to extract field Index::Sequence.0, caused by "
            + sequence)


def plain(type_name):
    return item_error(cannot(type_name, "Element"), cannot(type_name, "PyTuple"))


def test_worked_example_text():
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


INDEX_ERRORS = [
    (3, index_error(plain("int"), cannot("int", "Sequence"))),
    ("ij", index_error(plain("str"), "TypeError: Can't extract `str` to `Vec`")),
    ((i, i != 1, i != 2), index_error(
        item_error(cannot("tuple", "Element"), "ValueError: expected tuple of length 2, but got tuple of length 3"),
        plain("NotEqualOp"))),
    ((i, 1), index_error(item_error(cannot("tuple", "Element"), "TypeError: failed to extract field "
                                    "IndexItem::ConditionalElement.1, caused by TypeError: failed to convert into a "
                                    "conditional expression."), plain("int"))),
    ((x, i == 1), index_error(item_error(cannot("tuple", "Element"), "TypeError: failed to extract field "
                                         "IndexItem::ConditionalElement.0, caused by " + cannot("Placeholder", "Element")),
                              plain("Placeholder"))),
    ([i, 3], index_error(plain("list"), plain("int"))),
]


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=["sum", "prod"])
def test_refused_arguments(fn, cls, word):
    for index, message in INDEX_ERRORS:
        with pytest.raises(TypeError) as info:
            fn(index, x)
        assert str(info.value) == message
    for index, type_name in (({"i": i}, "dict"), ((k for k in [i]), "generator"), (None, "NoneType"), ({1}, "set")):
        with pytest.raises(TypeError) as info:
            fn(index, x)
        assert str(info.value).endswith(f"caused by {cannot(type_name, 'Sequence')}")
    for empty in ([], (), range(0)):
        with pytest.raises(zv.ModelingError) as info:
            fn(empty, x)
        assert str(info.value) == f"the index of {word} is an empty sequence; give at least one element"
    with pytest.raises(TypeError, match="^argument 'index': "):
        fn(3, "x")  # the index is read before the operand
    for bad in ("x", None, a, [1], i == 1):
        with pytest.raises(TypeError) as info:
            fn(i, bad)
        assert str(info.value) == "argument 'operand': failed to convert into expression."
    for args, kwargs, message in [
            ((), {}, "missing 2 required positional arguments: 'index' and 'operand'"),
            ((i,), {}, "missing 1 required positional argument: 'operand'"),
            ((i, x, x), {}, "takes 2 positional arguments but 3 were given"),
            ((i, x), {"where": 1}, "got an unexpected keyword argument 'where'"),
            ((i, x), {"index": i}, "got multiple values for argument 'index'")]:
        with pytest.raises(TypeError) as info:
            fn(*args, **kwargs)
        assert str(info.value) == f"{word}() {message}"


@pytest.mark.parametrize("fn", [zv.sum, zv.prod], ids=["sum", "prod"])
def test_failures_while_iterating_the_index(fn):
    class Broken:
        def __len__(self):
            return 1

        def __getitem__(self, k):
            raise ValueError("boom")

    class Interrupted(Broken):
        def __getitem__(self, k):
            raise KeyboardInterrupt

    with pytest.raises(TypeError) as info:
        fn(Broken(), x)
    assert str(info.value).endswith("Index::Sequence.0, caused by ValueError: boom")
    with pytest.raises(KeyboardInterrupt):
        fn(Interrupted(), x)


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=["sum", "prod"])
def test_index_forms(fn, cls, word):
    node = fn(i, x)
    assert type(node) is cls and node.condition is None and type(node.operand) is zv.Placeholder
    assert (node.index.name, str(node.index.belong_to)) == ("i", "[0..10)")
    assert node.index is not node.index and node.operand is not node.operand
    assert repr(fn(index=i, operand=x)) == repr(fn(i, operand=x)) == repr(node)
    node = fn((i, (i >= 1) & (i <= 5)), x)
    assert type(node.condition) is zv.AndOp and str(fn((i, j == n), x).condition) == "j == n"
    # a sequence nests its items, the first outermost; a condition stays with its own item
    for index in ([i, j], (i, j), [(i, i != 3), j], [i, (j, j != i)]):
        node = fn(index, x)
        assert type(node) is type(node.operand) is cls and type(node.operand.operand) is zv.Placeholder
        assert (node.index.name, node.operand.index.name) == ("i", "j")
        assert [str(node.condition), str(node.operand.condition)] == [
            str(item[1]) if isinstance(item, tuple) else "None" for item in index]
    assert str(fn([i, j], x)) == f"{word}(i in [0..10), {word}(j in [0..n), x))"
    for index in ((i,), [i], (i, j, i), [(i, i < 3)], [i, i]):
        assert fn(index, x).index.name == "i"

    class Lying:
        """A sequence whose length is a lie: the items are read by iterating."""

        def __len__(self):
            return 10**18

        def __getitem__(self, k):
            if k < 2:
                return (i, j)[k]
            raise IndexError(k)

    assert fn(Lying(), x).operand.index.name == "j"
    rows = zv.Element("r", belong_to=zv.Placeholder("M", ndim=2))
    assert fn(rows, x).index.ndim == 1


@pytest.mark.parametrize("fn, cls, word", REDUCTIONS, ids=["sum", "prod"])
def test_reduction_node(fn, cls, word):
    k = zv.Element("k", belong_to=(0, 10))
    node = fn(k, a[k])
    k.set_latex("K")
    node.index.set_latex("J")
    assert "K" not in node._repr_latex_() and "J" not in node._repr_latex_()
    assert [type(t) for t in (fn(i, x) + 1).terms] == [cls, zv.NumberLit]
    assert [type(t) for t in (2 * fn(i, x)).terms] == [zv.NumberLit, cls]
    assert type(3 < fn(i, x)) is zv.GreaterThanOp and type((3 < fn(i, x)).left) is cls
    assert zv.sum.__text_signature__ == zv.prod.__text_signature__ == "(index, operand)"
    assert zv.sum.__doc__.startswith("Create the `SumOp` object.") and "index: An index of summation." in zv.sum.__doc__
    assert "operand: The operand of product." in zv.prod.__doc__
    assert f"zv.{word}((i, i != 2), a[i])" in fn.__doc__


def test_str_forms():
    V, b = zv.Placeholder("V", ndim=1), zv.Placeholder("b", ndim=1)
    v = zv.Element("v", belong_to=V)
    m = zv.Element("m", belong_to=(0, n))
    M = zv.Placeholder("M", ndim=2)
    forms = [
        (zv.sum(i, a[i]), "sum(i in [0..10), a[i])"),
        (zv.sum((i, i != 3), a[i]), "sum(i in [0..10) s.t. i != 3, a[i])"),
        (zv.sum((i, i + 1 != n), a[i]), "sum(i in [0..10) s.t. (i + 1) != n, a[i])"),
        (zv.sum(i, a[i] + 1), "sum(i in [0..10), (a[i] + 1))"), (zv.sum(i, a[i] ** 2), "sum(i in [0..10), (a[i] ** 2))"),
        (zv.sum(i, a[i] % 2), "sum(i in [0..10), (a[i] % 2))"), (zv.sum(i, 2 * a[i]), "sum(i in [0..10), 2 * a[i])"),
        (2 * zv.sum(i, a[i]), "2 * sum(i in [0..10), a[i])"),
        (zv.sum((m, m != 3), a[m]), "sum(m in [0..n) s.t. m != 3, a[m])"), (zv.prod(v, b[v]), "prod(v in V, b[v])"),
        (zv.prod((v, (v != 1) | (v != 2)), b[v]), "prod(v in V s.t. v != 1 or v != 2, b[v])"),
        (zv.sum((v, ((v != 1) | (v != 2)) & (v != 3)), b[v]), "sum(v in V s.t. (v != 1 or v != 2) and v != 3, b[v])"),
        (zv.sum([i, (m, m != i)], M[i, m]), "sum(i in [0..10), sum(m in [0..n) s.t. m != i, M[i, m]))"),
    ]
    for node, text in forms:
        assert str(node) == text
    elem = "Element(name='i', belong_to=(NumberLit(value=0), NumberLit(value=10)))"
    assert repr(zv.sum(i, a[i])) == f"sum({elem}, Placeholder(name='a', ndim=1)[{elem}])"
    assert repr(zv.prod((i, i != 3), a[i])) == (
        f"prod({elem}, {elem} != NumberLit(value=3), Placeholder(name='a', ndim=1)[{elem}])")


def test_latex_forms():
    V, b = zv.Placeholder("V", ndim=1), zv.Placeholder("b", ndim=1)
    v, w = zv.Element("v", belong_to=V), zv.Element("w", belong_to=V)
    m = zv.Element("i", belong_to=(0, n))
    M = zv.Placeholder("M", ndim=2)
    named = zv.Element("i", belong_to=(0, 10), latex=r"\iota")
    forms = [
        (zv.sum(i, a[i]), r"\sum_{i = 0}^{9} a_{i}"), (zv.sum(m, a[m]), r"\sum_{i = 0}^{n - 1} a_{i}"),
        (zv.sum((i, i != 3), a[i]), r"\sum_{\substack{i = 0\\i \neq 3}}^{9} a_{i}"),
        (zv.prod(v, b[v]), r"\prod_{v \in V} b_{v}"), (zv.sum((v, v != w), b[v]), r"\sum_{\substack{v \in V\\v \neq w}} b_{v}"),
        (zv.sum(i, a[i] + 1), r"\sum_{i = 0}^{9} \left(a_{i} + 1\right)"),
        (zv.ln(zv.sum(i, a[i])), r"\ln \left(\sum_{i = 0}^{9} a_{i}\right)"),
        (zv.sum(i, a[i]) ** 2, r"\left(\sum_{i = 0}^{9} a_{i}\right)^{2}"),
        (zv.sum(named, a[named]), r"\sum_{\iota = 0}^{9} a_{\iota}"),
        (zv.sum([i, (j, j != i)], M[i, j]), r"\sum_{i = 0}^{9} \sum_{\substack{j = 0\\j \neq i}}^{n - 1} M_{i, j}"),
    ]
    for node, text in forms:
        assert node._repr_latex_() == f"$$\\displaystyle {text}$$"
