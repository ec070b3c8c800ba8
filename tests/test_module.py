"""The module object: version, doc, exception types, registered names and their order, and the
once-per-process rule."""

import importlib.machinery
import importlib.util
import json
import os
import sys

import pytest

import zorvane as zv
import processes

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


ONCE = "PyO3 modules may only be initialized once per interpreter process"
NOT_IN_SUBINTERPRETERS = "module zorvane does not support loading in subinterpreters"


def _run(script, *args):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(p for p in sys.path if p))
    proc = processes.python(script, *args, env=env)
    assert proc.returncode == 0, proc.stderr
    return proc.stdout.splitlines()


def test_second_initialisation_fails_with_import_error():
    script = """
        import importlib, sys
        import zorvane
        first = zorvane
        print(importlib.reload(zorvane) is first)  # the module stays as it is
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
    # both later attempts fail, and the first module object keeps working
    assert _run(script) == ["True", f"ImportError|{ONCE}", f"ImportError|{ONCE}", "7 1.0.0-rc6"]


SUBINTERPRETER_IMPORT = r"""
    import os, sys, textwrap
    try:
        import _interpreters as interpreters  # 3.13
    except ImportError:
        import _xxsubinterpreters as interpreters  # 3.10 to 3.12
    KIND, FIRST = sys.argv[1:]
    TRY_IMPORT = textwrap.dedent('''
        import os
        try:
            import zorvane
        except ImportError as e:
            os.write(1, f"sub|{e}\\n".encode())
        else:
            os.write(1, b"sub|imported\\n")
    ''')

    def in_subinterpreter():
        if sys.version_info >= (3, 13):
            sub = interpreters.create(KIND)
        else:  # before 3.12 both kinds load any extension module
            sub = interpreters.create(isolated=KIND == "isolated")
        interpreters.run_string(sub, TRY_IMPORT)
        interpreters.destroy(sub)

    def in_main():
        import zorvane
        os.write(1, f"main|{zorvane.NumberLit(7).value}\n".encode())

    if FIRST == "sub":
        in_subinterpreter()
    in_main()
    in_subinterpreter()
    in_main()
"""


@pytest.mark.skipif(not any(importlib.util.find_spec(name) for name in ("_interpreters", "_xxsubinterpreters")),
                    reason="this interpreter has no subinterpreter module")
@pytest.mark.parametrize("first", ["sub", "main"])
@pytest.mark.parametrize("kind", ["isolated", "legacy"])
def test_a_subinterpreter_is_refused_and_the_main_interpreter_imports(kind, first):
    # The process-wide types are made by the main interpreter alone, whichever imports first; a
    # refused import leaves the one creation to the main interpreter, and destroying the
    # subinterpreter afterwards is safe.
    isolated = kind == "isolated" and sys.version_info >= (3, 12)  # refused by the interpreter itself
    later = NOT_IN_SUBINTERPRETERS if isolated else ONCE
    expected = ["main|7", f"sub|{later}", "main|7"]
    if first == "sub":
        expected.insert(0, f"sub|{NOT_IN_SUBINTERPRETERS}")
    assert _run(SUBINTERPRETER_IMPORT, kind, first) == expected


ALLOCATION_FAILURES = r"""
    import ctypes, importlib.util, json, os, _imp, _testcapi
    spec = importlib.util.find_spec("zorvane")
    ctypes.CDLL(spec.origin)  # loaded once, before any child

    def in_child(task):  # what `task()` returns, or the child's exit status
        r, w = os.pipe()
        pid = os.fork()
        if pid == 0:
            os.write(w, task().encode())
            os._exit(0)
        os.close(w)
        with os.fdopen(r) as pipe:
            out = pipe.read()
        _, status = os.waitpid(pid, 0)
        return out if status == 0 else f"exit status {status}"

    def members(module):
        return json.dumps({name: sorted(dir(getattr(module, name))) for name in module.__all__})

    def imported():
        import zorvane
        return members(zorvane)

    reference = in_child(imported)

    def attempt(n):  # allocation n + 1 of the creation fails, then the module is imported
        _testcapi.set_nomemory(n, n + 1)
        try:
            module = _imp.create_dynamic(spec)
            first = "made"
        except BaseException:
            first = "failed"
        _testcapi.remove_mem_hooks()
        if first == "failed":
            try:
                import zorvane as module
            except ImportError as e:
                return f"failed, then {e}"
        return first + (", complete" if members(module) == reference else ", incomplete")

    outcomes, made_in_a_row, n = {}, 0, 0
    while made_in_a_row < 60 and n < 100_000:  # until past the creation's last allocation
        outcome = in_child(lambda: attempt(n))
        outcomes[outcome] = outcomes.get(outcome, 0) + 1
        made_in_a_row = made_in_a_row + 1 if outcome.startswith("made") else 0
        n += 17
    print(json.dumps(outcomes))
"""


@pytest.mark.skipif(importlib.util.find_spec("_testcapi") is None or not hasattr(os, "fork"),
                    reason="needs _testcapi and fork")
@pytest.mark.skipif(sys.version_info[:2] == (3, 13),
                    reason="CPython 3.13 itself can crash when an allocation fails while it fills a new type's dict")
def test_a_creation_that_fails_leaves_the_process_able_to_import():
    # Each attempt, in a child of its own, fails one allocation of the module's creation; the
    # import that follows makes the whole module. Where a failure goes unnoticed the module is
    # whole too.
    outcomes = json.loads(_run(ALLOCATION_FAILURES)[-1])
    assert set(outcomes) <= {"failed, complete", "made, complete"}, outcomes
    assert outcomes.get("failed, complete", 0) > 20, outcomes


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
