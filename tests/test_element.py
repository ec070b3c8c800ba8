"""Element and Range: readings of `belong_to`, range checks, getters, text forms."""
import pytest

import zorvane as zv
from model_support import BadIndex, Interrupt, fails, not_str, refusals, scalar, shows, texts, too_many

n = zv.Placeholder("n")
a = zv.Placeholder("a", ndim=2)
e = zv.Element("e", belong_to=a)  # ndim 1
i = zv.Element("i", 3)
A = "Placeholder(name='a', ndim=2)"


@pytest.mark.parametrize(
    "belong_to, text, bounds",
    [(10, "[0..10)", (0, 10)), (True, "[0..1)", (0, 1)), ((0, 10), "[0..10)", (0, 10)), (2.5, "[0..2.5)", (0, 2.5)),
     (zv.NumberLit(4), "[0..4)", (0, 4)), ((-2, 1.5), "[-2..1.5)", (-2, 1.5))],
)
def test_literal_ranges(belong_to, text, bounds):
    k = zv.Element("k", belong_to=belong_to)
    r = k.belong_to
    assert k.ndim == 0 and k.shape == () and type(r) is zv.Range and str(r) == text
    assert (r.start.value, r.end.value) == bounds and type(r.end) is zv.NumberLit and r.start is not r.start
    rep = "(NumberLit(value={}), NumberLit(value={}))".format(*bounds)
    assert repr(r) == rep and repr(k) == f"Element(name='k', belong_to={rep})"


RANGE = "`Range.start` (= {}) is {} `Range.end` (= {})"


@refusals([
    (lambda: zv.Element("k", 0), ValueError, RANGE.format(0, "equal to", 0)),
    (lambda: zv.Element("k", False), ValueError, RANGE.format(0, "equal to", 0)),
    (lambda: zv.Element("k", -3), ValueError, RANGE.format(0, "larger than", -3)),
    (lambda: zv.Element("k", (5, 2.5)), ValueError, RANGE.format(5, "larger than", 2.5)),
    (lambda: zv.Element("k", (1, 1.0)), ValueError, RANGE.format(1, "equal to", 1)),
    (lambda: zv.Element("k", (2**62, 1)), ValueError, RANGE.format(2**62, "larger than", 1)),
    *[(lambda s=s: zv.Element("k", s), TypeError, "failed to convert into a set")
      for s in ([0, 10], (1, 2, 3), ("a", 3), "abc", None, i.belong_to, {0: 1}, 10**30 * 1j)],
    (lambda: zv.Element(1, 3), TypeError, not_str("name", "int")),
    (lambda: zv.Element("k", 3, latex=1), TypeError, not_str("latex", "int")),
    (lambda: zv.Element("k", [1], description=2.0), TypeError, not_str("description", "float")),
    (lambda: zv.Element("k"), TypeError, "Element.__new__() missing 1 required positional argument: 'belong_to'"),
    (lambda: zv.Element("k", 3, ndim=1), TypeError, "Element.__new__() got an unexpected keyword argument 'ndim'"),
    (lambda: zv.Range(0, 1), TypeError, "No constructor defined"),
    (lambda: i.len_at(0), zv.ModelingError, "the element i is a scalar"),
    (lambda: e.len_at(1), zv.ModelingError, "axis 1 is out of bounds for the axis of the array e"),
    (lambda: e.len_at(-1), OverflowError, "can't convert negative int to unsigned"),
    (lambda: i[0], TypeError, "ModelingError: " + scalar("Element { name: i }")),
    (lambda: e[0, 1], IndexError, "ModelingError: " + too_many(2, "e", 1)),
    (lambda: e.set_latex(1), TypeError, not_str("latex", "int")),
    (lambda: e + 1, zv.ModelingError, "the dimensionality of the Element { name: e } must be zero, but is actually 1"),
    (lambda: i + e, TypeError, "failed to convert into expression."),
    (lambda: hash(i), TypeError, "unhashable type: 'zorvane.Element'"),
    (lambda: zv.Element("k", BadIndex()), Interrupt, None),
    (lambda: zv.Element("k", (0, BadIndex())), Interrupt, None),
])
def test_refusals(call, kind, message):
    fails(call, kind, message)


k_in_ai = zv.Element("k", belong_to=a[zv.Element("i", belong_to=3)])
I3 = "Element(name='i', belong_to=(NumberLit(value=0), NumberLit(value=3)))"
K = f"Element(name='k', belong_to={A}[{I3}])"


@texts([
    # symbolic bounds are not compared; NaN passes the order checks
    (lambda: zv.Element("k", n).belong_to, "str", "[0..n)"),
    (lambda: zv.Element("k", (n, 0)).belong_to, "str", "[n..0)"),
    (lambda: zv.Element("k", (10, n)).belong_to, "str", "[10..n)"),
    (lambda: zv.Element("k", (n, n**2)).belong_to, "str", "[n..(n ** 2))"),
    (lambda: zv.Element("k", (0, n**2)).belong_to, "repr",
     "(NumberLit(value=0), (Placeholder(name='n', ndim=0) ** NumberLit(value=2)))"),
    (lambda: zv.Element("k", (float("nan"), 1)).belong_to, "str", "[NaN..1)"),
    # an array set, an element over it, and a scalar element or subscript as the end of a range
    (lambda: e.belong_to, "repr", A),
    (lambda: zv.Element("f", belong_to=e), "repr", f"Element(name='f', belong_to=Element(name='e', belong_to={A}))"),
    (lambda: zv.Element("g", belong_to=zv.Element("f", belong_to=e)).belong_to, "str", "[0..f)"),
    (lambda: zv.Element("h", belong_to=a[i, i]).belong_to, "str", "[0..a[i, i])"),
    (lambda: zv.Element("", belong_to=a, latex="E", description="rows"), "repr",
     f"Element(name='', belong_to={A}, latex='E', description='rows')"),
    (lambda: e.shape[0], "repr", f"ArrayLength(array=Element(name='e', belong_to={A}), axis=0)"),
    (lambda: e.len_at(0), "str", "len(e, 0)"),
    (lambda: e.len_at(0, latex="N"), "latex", "N"),
    (lambda: e[123], "str", "e[123]"),
    (lambda: e, "str", "e"),
    (lambda: e, "latex", "e"),
    (lambda: i + 1, "str", "i + 1"),
    (lambda: 2 * i, "str", "2 * i"),
    # an element over a subscript prints its set in every mode
    (lambda: k_in_ai, "repr", K),
    (lambda: zv.sum(k_in_ai, k_in_ai + 1), "str", "sum(k in a[i], (k + 1))"),
    (lambda: zv.sum(k_in_ai, k_in_ai + 1), "repr", f"sum({K}, ({K} + NumberLit(value=1)))"),
    (lambda: zv.sum(k_in_ai, k_in_ai + 1), "latex", "\\sum_{k \\in a_{i}} \\left(k + 1\\right)"),
    (lambda: zv.sum((k_in_ai, k_in_ai != 0), k_in_ai), "str", "sum(k in a[i] s.t. k != 0, k)"),
])
def test_texts(make, form, text):
    shows(make(), form, text)


def test_getters_and_set_latex():
    f = zv.Element("f", belong_to=e)
    assert (e.ndim, f.ndim) == (1, 0) and type(f.belong_to) is zv.Element and e.belong_to is not e.belong_to
    s = zv.Element("s", belong_to=a[i])
    assert s.ndim == 0 and type(s.belong_to) is zv.Subscript and type(e[123]) is zv.Subscript
    assert (i.description, zv.Element("", a, description="rows").description) == (None, "rows")
    assert e.len_at(0, description="rows").description == "rows"
    g = zv.Element("g", belong_to=a)
    g.set_latex("\\epsilon")
    shows(g, "latex", "\\epsilon")
    shows(g[0], "latex", "\\epsilon_{0}")
    g.set_latex()
    shows(g, "latex", "g")


def test_surface():
    assert zv.Element.__text_signature__ == "(name, belong_to, *, latex=None, description=None)"
    assert zv.Element.len_at.__text_signature__ == "($self, axis, *, latex=None, description=None)"
    assert zv.Element.len_at.__doc__ is None and zv.Range.__text_signature__ is None
    assert zv.Range.__doc__.startswith("A class representing a half-open interval.")


def test_nested_sets_stop_at_the_depth_limit():
    s = zv.Placeholder("p", ndim=10_000)
    with pytest.raises(RecursionError):
        for _ in range(5_000):
            s = zv.Element("e", belong_to=s)
    assert repr(s).count("Element(") == 4_095
    shows(s, "latex", "e")
