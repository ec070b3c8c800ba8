"""The stubs carry the runtime documentation: each public class, method, property and function of
src/zorvane.pyi has the docstring that `help()` shows (its `__doc__`, cleaned as editors and
`inspect.cleandoc` clean it), and a private helper class has none, since editors show a class's
inherited docstring on the public classes that derive from it. tools/stub_docs.py writes them."""

import ast
import inspect

import pytest

import zorvane as zv
from stub_reader import Stub

STUB = Stub()
FUNCTIONS = [n for n in zv.__all__ if n in STUB.functions]
CLASSES = [n for n in zv.__all__ if n in STUB.classes]


def cleaned(doc):
    return None if doc is None else inspect.cleandoc(doc)


def members(cls):
    """Every non-dunder method or property that the stub declares for `cls` or the module has."""
    declared = {m for m, (kind, _) in STUB.members(cls).items() if kind != "attribute"}
    values = {m: getattr(getattr(zv, cls), m) for m in dir(getattr(zv, cls))}
    runtime = {m for m, v in values.items() if (callable(v) or inspect.isdatadescriptor(v)) and v.__doc__ is not None}
    return sorted(m for m in declared | runtime if not m.startswith("__"))


def stub_docs(defs):
    return {ast.get_docstring(node) for node in defs}


def test_every_public_name_is_in_the_stub():
    assert set(zv.__all__) - {"__version__"} == set(FUNCTIONS) | set(CLASSES)


@pytest.mark.parametrize("name", FUNCTIONS)
def test_function_docstring_is_the_runtime_doc(name):
    assert stub_docs(STUB.functions[name]) == {cleaned(getattr(zv, name).__doc__)}


@pytest.mark.parametrize("name", CLASSES)
def test_class_docstring_is_the_runtime_doc(name):
    assert ast.get_docstring(STUB.classes[name]) == cleaned(getattr(zv, name).__doc__)


# The exceptions' members are those of Exception.
@pytest.mark.parametrize(("cls", "member"),
                         [(c, m) for c in CLASSES if not issubclass(getattr(zv, c), Exception) for m in members(c)])
def test_member_docstring_is_the_runtime_doc(cls, member):
    # The declaration a type checker finds first in the stub's MRO, a private helper's included.
    kind, defs = STUB.members(cls).get(member, ("missing", []))
    assert kind != "missing", f"{cls}.{member} is documented at run time but not declared in the stub"
    assert stub_docs(defs) == {cleaned(getattr(getattr(zv, cls), member).__doc__)}


@pytest.mark.parametrize("name", [n for n in STUB.classes if n.startswith("_")])
def test_private_helper_class_has_no_docstring(name):
    assert ast.get_docstring(STUB.classes[name]) is None
