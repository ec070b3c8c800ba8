"""Shared builders and checks for the tests of model objects: elements, subscripts, decision
variables, problems, constraints, analysis and replace."""
import pytest

import zorvane as zv

VARS = [zv.BinaryVar, zv.IntegerVar, zv.ContinuousVar, zv.SemiIntegerVar, zv.SemiContinuousVar]


def var(cls, name="x", **kwargs):
    """A decision variable of class `cls`; a bounded class gets the bounds 0 and 1 unless given."""
    if cls is not zv.BinaryVar:
        kwargs.setdefault("lower_bound", 0)
        kwargs.setdefault("upper_bound", 1)
    return cls(name, **kwargs)


def problem(*entries, name="p", sense=zv.ProblemSense.MINIMIZE):
    """A problem with `entries` (objectives, constraints, penalty terms) added in turn."""
    p = zv.Problem(name, sense=sense)
    for entry in entries:
        p += entry
    return p


def styled(obj, latex):
    """`obj` after `set_latex(latex)`."""
    obj.set_latex(latex)
    return obj


class Interrupt(BaseException):
    """Not an `Exception`: a reading that tries several interpretations must never swallow it."""


class BadIndex:
    def __index__(self):
        raise Interrupt


class LyingLen:
    """A sequence of `items` whose `__len__` claims far more items than it serves."""

    def __init__(self, *items):
        self.items = items

    def __len__(self):
        return 2**62

    def __getitem__(self, k):
        return self.items[k]


def fails(call, kind, message=None):
    """`call()` raises exactly `kind`, with the text `message` unless it is None."""
    with pytest.raises(kind) as info:
        call()
    assert type(info.value) is kind, repr(info.value)
    assert message is None or str(info.value) == message, f"{str(info.value)!r} != {message!r}"


def not_str(argument, kind):
    return f"argument '{argument}': '{kind}' object cannot be converted to 'PyString'"


def too_many(count, name, ndim):
    return (f"the number of subscripts (= {count}) is greater than the dimensionality of the variable `{name}` "
            f"(= {ndim})")


def scalar(what):
    return f"the scalar `{what}` is not subscriptable"


def dummy(kind, name):
    return (f"dummy indexed {kind} with name '{name}' must be called the `sum` or `prod` method to be converted into "
            "an expression.")


FORMS = {"str": str, "repr": repr, "latex": lambda o: o._repr_latex_()}


def shows(obj, form, text):
    """`obj` printed in `form` ("str", "repr" or "latex", the last without its `$$` frame) is `text`."""
    got, want = FORMS[form](obj), (f"$$\\displaystyle {text}$$" if form == "latex" else text)
    assert got == want, f"{got!r} != {want!r}"


def refusals(cases):
    """Parametrize `call, kind, message` from rows `(call, kind, message)`."""
    return pytest.mark.parametrize("call, kind, message", cases)


def texts(cases):
    """Parametrize `make, form, text` from rows `(make, form, text)`."""
    return pytest.mark.parametrize("make, form, text", cases)


def outcome(p, entry):  # the ModelingError text of `p += entry`, or None when it is added
    try:
        p += entry
    except zv.ModelingError as error:
        return str(error)
    return None
