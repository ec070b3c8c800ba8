"""Module object: version, doc, exception types, __all__ and the once-per-process rule."""

import importlib.machinery
import os
import subprocess
import sys
import textwrap
import types

import pytest

import zorvane as zv

EXCEPTIONS = ["ModelingError", "ProtobufSerializationError", "ProtobufDeserializationError"]

FUNCTIONS = {
    "is_linear": "(expr)",
    "is_quadratic": "(expr)",
    "is_higher_order": "(expr)",
    "is_dynamic_degree": "(expr)",
    "extract_nodes": "(obj, class_or_tuple)",
    "extract_variables": "(obj)",
    "is_same": "(src, dst)",
    "abs": "(operand)",
    "ceil": "(operand)",
    "floor": "(operand)",
    "log2": "(operand)",
    "log10": "(operand)",
    "ln": "(operand)",
    "min": "(*operands)",
    "max": "(*operands)",
    "sum": "(index, operand)",
    "prod": "(index, operand)",
    "to_protobuf": "(obj)",
    "from_protobuf": "(buf)",
    "replace": "(expr, replacer)",
    "concatenate": "(sample_sets)",
}

CLASSES = (
    "DataType NumberLit Placeholder Range Element Subscript ArrayLength DummyIndexedVar "
    "BinaryVar IntegerVar ContinuousVar SemiIntegerVar SemiContinuousVar "
    "AbsOp CeilOp FloorOp Log2Op Log10Op LnOp AddOp MulOp ModOp MinOp MaxOp PowOp SumOp ProdOp "
    "AndOp OrOp XorOp EqualOp NotEqualOp LessThanOp LessThanEqualOp GreaterThanOp GreaterThanEqualOp "
    "Problem ProblemSense Constraint ConstraintSense CustomPenaltyTerm "
    "Evaluation Record SolvingTime SystemTime MeasuringTime SampleSet"
).split()

FULL_ORDER = ["__version__", *EXCEPTIONS, *FUNCTIONS, *CLASSES]
assert len(set(FULL_ORDER)) == len(FULL_ORDER) == 72


def test_version_and_doc():
    assert type(zv.__version__) is str and zv.__version__ == "1.0.0-rc6"
    assert type(zv.__doc__) is str and zv.__doc__ == ""
    assert zv.__name__ == "zorvane"


def test_is_a_native_extension_module():
    assert isinstance(zv, types.ModuleType)
    assert zv.__file__.endswith(tuple(importlib.machinery.EXTENSION_SUFFIXES)), zv.__file__
    assert isinstance(zv.__loader__, importlib.machinery.ExtensionFileLoader)


@pytest.mark.parametrize("name", EXCEPTIONS)
def test_exception_type_identity(name):
    exc = getattr(zv, name)
    assert isinstance(exc, type)
    assert exc.__module__ == "zorvane"
    assert exc.__name__ == name
    assert exc.__qualname__ == name
    assert exc.__doc__ is None
    assert exc.__bases__ == (Exception,)
    assert repr(exc) == f"<class 'zorvane.{name}'>"
    err = exc("some message")
    assert str(err) == "some message"
    assert err.args == ("some message",)
    with pytest.raises(exc, match="^boom$"):
        raise exc("boom")


def test_exception_types_are_distinct():
    types_ = [getattr(zv, n) for n in EXCEPTIONS]
    for a in types_:
        for b in types_:
            assert (a is b) == issubclass(a, b)


def _is_subsequence(sub, full):
    it = iter(full)
    return all(name in it for name in sub)


def test_all_is_ordered_subset_of_registration_order():
    names = zv.__all__
    assert type(names) is list
    assert all(type(n) is str for n in names)
    assert len(names) == len(set(names)), "duplicates in __all__"
    assert names[:4] == ["__version__", *EXCEPTIONS]
    assert _is_subsequence(names, FULL_ORDER), names
    assert "DataType" in names and "NumberLit" in names


def test_all_matches_module_attributes():
    names = zv.__all__
    missing = [n for n in names if not hasattr(zv, n)]
    assert missing == []
    # every public name that is registered must have been appended to __all__
    unlisted = [n for n in FULL_ORDER if hasattr(zv, n) and n not in names]
    assert unlisted == []


@pytest.mark.parametrize("name", list(FUNCTIONS))
def test_registered_function_identity(name):
    if not hasattr(zv, name):
        pytest.skip(f"{name} not registered yet")
    fn = getattr(zv, name)
    assert type(fn).__name__ == "builtin_function_or_method"
    assert fn.__self__ is zv
    assert fn.__module__ == "zorvane"
    assert fn.__name__ == name
    assert fn.__text_signature__ == FUNCTIONS[name]


@pytest.mark.parametrize("name", CLASSES)
def test_registered_class_identity(name):
    if not hasattr(zv, name):
        pytest.skip(f"{name} not registered yet")
    cls = getattr(zv, name)
    assert isinstance(cls, type)
    assert (cls.__module__, cls.__name__, cls.__qualname__) == ("zorvane", name, name)


_REIMPORT = textwrap.dedent(
    """
    import sys
    import zorvane
    first = zorvane
    del sys.modules["zorvane"]
    for _ in range(2):
        try:
            import zorvane
        except ImportError as e:
            print(type(e).__name__ + "|" + str(e))
        else:
            print("imported")
    print(first.NumberLit(7).value, first.__version__)
    """
)


def test_second_initialisation_fails_with_import_error():
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(p for p in sys.path if p)
    proc = subprocess.run(
        [sys.executable, "-c", _REIMPORT], capture_output=True, text=True, env=env, timeout=60
    )
    assert proc.returncode == 0, proc.stderr
    msg = "ImportError|PyO3 modules may only be initialized once per interpreter process"
    # both later attempts fail, and the first module object keeps working
    assert proc.stdout.splitlines() == [msg, msg, "7 1.0.0-rc6"]
