"""The module object: version, doc, exception types, registered names and their order, and the
once-per-process rule."""

import importlib.machinery
import os
import subprocess
import sys
import textwrap

import pytest

import zorvane as zv

EXCEPTIONS = ["ModelingError", "ProtobufSerializationError", "ProtobufDeserializationError"]
FUNCTIONS = {
    "is_linear": "(expr)", "is_quadratic": "(expr)", "is_higher_order": "(expr)", "is_dynamic_degree": "(expr)",
    "extract_nodes": "(obj, class_or_tuple)", "extract_variables": "(obj)", "is_same": "(src, dst)",
    "abs": "(operand)", "ceil": "(operand)", "floor": "(operand)", "log2": "(operand)", "log10": "(operand)",
    "ln": "(operand)", "min": "(*operands)", "max": "(*operands)", "sum": "(index, operand)",
    "prod": "(index, operand)", "to_protobuf": "(obj)", "from_protobuf": "(buf)", "replace": "(expr, replacer)",
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


def test_module_object():
    assert type(zv.__version__) is str and zv.__version__ == "1.0.0-rc6"
    assert zv.__doc__ == "" and zv.__name__ == "zorvane"
    assert zv.__file__.endswith(tuple(importlib.machinery.EXTENSION_SUFFIXES))
    assert isinstance(zv.__loader__, importlib.machinery.ExtensionFileLoader)
    # every name is registered, in this order, and listed once in __all__
    assert zv.__all__ == ["__version__", *EXCEPTIONS, *FUNCTIONS, *CLASSES]


@pytest.mark.parametrize("name", EXCEPTIONS)
def test_exception_type(name):
    exc = getattr(zv, name)
    assert (exc.__module__, exc.__name__, exc.__qualname__, exc.__doc__, exc.__bases__) == (
        "zorvane", name, name, None, (Exception,))
    assert repr(exc) == f"<class 'zorvane.{name}'>"
    err = exc("some message")
    assert str(err) == "some message" and err.args == ("some message",)
    assert [issubclass(exc, getattr(zv, other)) for other in EXCEPTIONS] == [other == name for other in EXCEPTIONS]


@pytest.mark.parametrize("name", list(FUNCTIONS))
def test_function(name):
    fn = getattr(zv, name)
    assert type(fn).__name__ == "builtin_function_or_method" and fn.__self__ is zv
    assert (fn.__module__, fn.__name__, fn.__text_signature__) == ("zorvane", name, FUNCTIONS[name])


@pytest.mark.parametrize("name", CLASSES)
def test_class(name):
    cls = getattr(zv, name)
    assert isinstance(cls, type)
    assert (cls.__module__, cls.__name__, cls.__qualname__) == ("zorvane", name, name)


def test_second_initialisation_fails_with_import_error():
    script = textwrap.dedent("""
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
    """)
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(p for p in sys.path if p))
    proc = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, env=env, timeout=60)
    assert proc.returncode == 0, proc.stderr
    message = "ImportError|PyO3 modules may only be initialized once per interpreter process"
    # both later attempts fail, and the first module object keeps working
    assert proc.stdout.splitlines() == [message, message, "7 1.0.0-rc6"]


def _instances():
    import io_models as io
    return [*io.EXPRESSIONS.values(), *io.CONDITIONS.values(), *io.MODELS.values(), io.sample_set(), io.sparse_record(),
            io.full_evaluation(), zv.MeasuringTime(total=1.0), zv.SolvingTime(), zv.SystemTime(), zv.DataType.INTEGER,
            zv.ProblemSense.MINIMIZE, zv.ConstraintSense.EQUAL]


def _every_callable():
    for name in zv.__all__:
        obj = getattr(zv, name)
        if callable(obj) and not (isinstance(obj, type) and issubclass(obj, BaseException)):
            yield name, obj
    for instance in _instances():
        for attribute in dir(instance):
            if not attribute.startswith("_") and callable(method := getattr(instance, attribute)):
                yield f"{type(instance).__name__}.{attribute}", method


@pytest.mark.parametrize("keyword", ["\udc80", "x\ud800y", "bad"])
def test_an_unexpected_keyword_is_a_type_error_whatever_its_characters(keyword):
    # A keyword that is not valid UTF-8 is named as the interpreter names it, never turned into a panic.
    seen = 0
    for name, function in _every_callable():
        try:
            function(**{keyword: 1})
        except TypeError as error:
            message = str(error)
            if "unexpected keyword argument" in message:
                assert message.endswith(f"got an unexpected keyword argument '{keyword}'"), name
                seen += 1
    assert seen > 50
