"""Evaluation: construction, numpy getters, setters, constraint_expr_values, text, equality, dict, JSON and pandas forms."""

import json
import math

import numpy as np
import pytest
from hypothesis import given, strategies as st

import zorvane as zv

FIELDS = ["energy", "objective", "constraint_violations", "constraint_forall", "constraint_values", "penalty"]
EMPTY_TEXT = (
    "Evaluation(energy=[], objective=[], constraint_violations={}, constraint_forall={}, "
    "constraint_values=[], penalty={})"
)


def full():
    return zv.Evaluation(
        energy=[1.0, 2.0],
        objective=[3.0, 4.0],
        constraint_violations={"b": [0.0, 1.0], "a": [1.0, 0.0]},
        constraint_forall={"a": [[0, 1], [1, 0]]},
        constraint_values=[{"a": [5.0, 6.0]}, {"a": [7.0, 8.0]}],
        penalty={"a": [0.5, 0.25]},
    )


# ---- construction ---------------------------------------------------------------------------


def test_empty_text():
    assert str(zv.Evaluation()) == repr(zv.Evaluation()) == EMPTY_TEXT


def test_none_means_empty():
    assert zv.Evaluation(*([None] * 6)) == zv.Evaluation()


def test_energy_stored_as_floats():
    e = zv.Evaluation(energy=[1, 2.5])
    assert repr(e).startswith("Evaluation(energy=[1.0, 2.5], objective=[]")
    arr = e.energy
    assert arr.dtype == np.float64 and arr.tolist() == [1.0, 2.5]
    assert e.energy is not arr


def test_full_text():
    assert repr(full()) == (
        'Evaluation(energy=[1.0, 2.0], objective=[3.0, 4.0], constraint_violations={"a": [1.0, 0.0], "b": [0.0, 1.0]}, '
        'constraint_forall={"a": [[0, 1], [1, 0]]}, constraint_values=[{"a": [5.0, 6.0]}, {"a": [7.0, 8.0]}], '
        'penalty={"a": [0.5, 0.25]})'
    )


def test_text_escapes_names_and_float_forms():
    e = zv.Evaluation(constraint_violations={'q"\\\n\t\x01': [1e-5, 1e16, math.nan, -math.inf, 0.0001]})
    assert 'constraint_violations={"q\\"\\\\\\n\\t\\u{1}": [1e-5, 1e16, NaN, -inf, 0.0001]}' in repr(e)


def test_positional_arguments_in_declaration_order():
    e = zv.Evaluation([1], [2], {"a": [3]}, {"a": [[4]]}, [{"a": [5]}], {"a": [6]})
    assert e.to_json() == (
        '{"energy":[1.0],"objective":[2.0],"constraint_violations":{"a":[3.0]},"constraint_forall":{"a":[[4]]},'
        '"constraint_values":[{"a":[5.0]}],"penalty":{"a":[6.0]}}'
    )


def test_sequences_of_any_kind_are_accepted():
    e = zv.Evaluation(energy=(1, 2), objective=np.array([1.5, 2.5]), constraint_violations={"a": range(3)},
                      constraint_forall={"a": np.array([[1, 2]], dtype=np.uint64)},
                      constraint_values=({"a": np.array([1.0, 2.0])[::-1]},))
    assert e.energy.tolist() == [1.0, 2.0]
    assert e.objective.tolist() == [1.5, 2.5]
    assert e.constraint_violations["a"].tolist() == [0.0, 1.0, 2.0]
    assert e.constraint_forall["a"].tolist() == [[1, 2]]
    assert e.constraint_values[0]["a"].tolist() == [2.0, 1.0]


@pytest.mark.parametrize(
    "kwargs, error, message",
    [
        ({"energy": "ab"}, TypeError, r"^argument 'energy': Can't extract `str` to `Vec`$"),
        ({"energy": 5}, TypeError, r"^argument 'energy': 'int' object cannot be converted to 'Sequence'$"),
        ({"objective": ["x"]}, TypeError, r"^argument 'objective': must be real number, not str$"),
        ({"constraint_violations": []}, TypeError, r"^argument 'constraint_violations': 'list' object cannot be converted to 'PyDict'$"),
        ({"penalty": {1: [1.0]}}, TypeError, r"^argument 'penalty': 'int' object cannot be converted to 'PyString'$"),
        ({"constraint_forall": {"a": [[-1]]}}, OverflowError, r"^can't convert negative int to unsigned$"),
        ({"constraint_forall": {"a": [[2**64]]}}, OverflowError, r"^int too big to convert$"),
        ({"constraint_forall": {"a": [1]}}, TypeError, r"^argument 'constraint_forall': 'int' object cannot be converted to 'Sequence'$"),
        ({"constraint_forall": {"a": [[0.5]]}}, TypeError, r"^argument 'constraint_forall': 'float' object cannot be interpreted as an integer$"),
        ({"constraint_values": [[1.0]]}, TypeError, r"^argument 'constraint_values': 'list' object cannot be converted to 'PyDict'$"),
        ({"energy": [10**400]}, OverflowError, r"^int too large to convert to float$"),
        ({"other": [1]}, TypeError, r"^Evaluation.__new__\(\) got an unexpected keyword argument 'other'$"),
    ],
)
def test_constructor_errors(kwargs, error, message):
    with pytest.raises(error, match=message):
        zv.Evaluation(**kwargs)


def test_no_length_checks():
    e = zv.Evaluation(energy=[1.0], objective=[], constraint_violations={"a": [1.0, 2.0, 3.0]},
                      constraint_values=[{"b": []}], penalty={"z": []})
    assert e.constraint_violations["a"].shape == (3,)


def test_names_in_byte_order():
    e = zv.Evaluation(constraint_violations={"b": [], "a": [], "B": []})
    assert list(e.constraint_violations) == ["B", "a", "b"]
    assert '{"B": [], "a": [], "b": []}' in repr(e)


# ---- getters and setters -------------------------------------------------------------------


def test_getter_arrays_are_fresh_copies():
    e = full()
    arr = e.energy
    assert arr.flags["C_CONTIGUOUS"] and arr.flags["WRITEABLE"] and arr.flags["OWNDATA"]
    arr[0] = 99.0
    e.constraint_violations["a"][0] = 99.0
    e.constraint_values[0]["a"][0] = 99.0
    e.constraint_forall["a"][0, 0] = 99
    assert e == full()


def test_getter_forms():
    e = full()
    assert e.constraint_forall["a"].dtype == np.uint64 and e.constraint_forall["a"].shape == (2, 2)
    assert isinstance(e.constraint_values, list) and e.constraint_values[1]["a"].tolist() == [7.0, 8.0]
    assert list(e.constraint_violations) == ["a", "b"]
    assert e.penalty["a"].dtype == np.float64


def test_forall_without_rows_has_shape_0_0():
    assert zv.Evaluation(constraint_forall={"c": []}).constraint_forall["c"].shape == (0, 0)


def test_ragged_forall():
    e = zv.Evaluation(constraint_forall={"c": [[0, 1], [1]]})
    assert 'constraint_forall={"c": [[0, 1], [1]]}' in repr(e)
    with pytest.raises(TypeError, match=r"^invalid length: 1, but expected 2$"):
        e.constraint_forall
    with pytest.raises(TypeError, match=r"^invalid length: 1, but expected 2$"):
        e.to_dict()


@pytest.mark.parametrize(
    "field, value",
    [
        ("energy", [5.0]),
        ("objective", np.array([1.0, 2.0])),
        ("constraint_violations", {"x": [1.0]}),
        ("constraint_forall", {"x": [[1, 2, 3]]}),
        ("constraint_values", [{"x": [1.0]}, {}]),
        ("penalty", {"y": [2.0]}),
    ],
)
def test_setters(field, value):
    e = full()
    setattr(e, field, value)
    assert zv.Evaluation(**{**{f: full().to_dict()[f] for f in FIELDS}, field: value}) == e


@pytest.mark.parametrize("field", FIELDS)
def test_setter_refuses_none_and_keeps_value(field):
    e = full()
    with pytest.raises(TypeError, match=r"^'NoneType' object cannot be converted to '(Sequence|PyDict)'$"):
        setattr(e, field, None)
    assert e == full()


@pytest.mark.parametrize("field", FIELDS + ["constraint_expr_values"])
def test_delete_attribute(field):
    with pytest.raises(AttributeError):
        delattr(zv.Evaluation(), field)


@pytest.mark.parametrize("field", FIELDS)
def test_delete_message(field):
    with pytest.raises(AttributeError, match=r"^can't delete attribute$"):
        delattr(zv.Evaluation(), field)


def test_constraint_expr_values_read_only():
    with pytest.raises(AttributeError):
        zv.Evaluation().constraint_expr_values = []


# ---- constraint_expr_values -------------------------------------------------------------------


def test_constraint_expr_values():
    e = zv.Evaluation(constraint_forall={"c": [[0], [1]]}, constraint_values=[{"c": [5.0, 6.0]}, {"c": [7.0]}])
    assert e.constraint_expr_values == [{"c": {(0,): 5.0, (1,): 6.0}}, {"c": {(0,): 7.0}}]


def test_constraint_expr_values_without_forall():
    assert zv.Evaluation(constraint_values=[{"c": [1.0]}, {}]).constraint_expr_values == [{}, {}]


def test_constraint_expr_values_rules():
    e = zv.Evaluation(
        constraint_forall={"b": [[0, 1], [0, 1], [2, 3]], "a": []},
        constraint_values=[{"b": [1.0, 2.0], "a": [], "z": [9.0]}],
    )
    # equal keys: the later value wins; names sorted; a name missing from forall is skipped
    assert e.constraint_expr_values == [{"a": {}, "b": {(0, 1): 2.0}}]
    assert list(e.constraint_expr_values[0]) == ["a", "b"]


def test_constraint_expr_values_missing_name():
    e = zv.Evaluation(constraint_forall={"c": [[0]]}, constraint_values=[{"c": [1.0]}, {"d": [1.0]}])
    with pytest.raises(ValueError, match=r"^the constraint values of sample 1 have no entry for the constraint 'c'$"):
        e.constraint_expr_values


def test_constraint_expr_values_name_without_rows_may_be_missing():
    e = zv.Evaluation(constraint_forall={"c": []}, constraint_values=[{}])
    assert e.constraint_expr_values == [{"c": {}}]


# ---- equality ------------------------------------------------------------------------------


def test_equality():
    assert zv.Evaluation() == zv.Evaluation()
    assert full() == full()
    assert zv.Evaluation(energy=[math.nan]) != zv.Evaluation(energy=[math.nan])
    assert zv.Evaluation(energy=[0.0]) == zv.Evaluation(energy=[-0.0])
    assert zv.Evaluation(penalty={"a": []}) != zv.Evaluation()
    assert zv.Evaluation(constraint_values=[{}]) != zv.Evaluation()
    assert (zv.Evaluation() == 1) is False and (zv.Evaluation() != 1) is True


@pytest.mark.parametrize("op", ["<", "<=", ">", ">="])
def test_ordering(op):
    with pytest.raises(TypeError, match=rf"^Comparison '{op}' not supported for Evaluation$"):
        eval(f"a {op} b", {"a": zv.Evaluation(), "b": zv.Evaluation()})


def test_unhashable():
    with pytest.raises(TypeError, match="unhashable"):
        hash(zv.Evaluation())


# ---- dict form ------------------------------------------------------------------------------


def test_to_dict_keys_and_types():
    d = full().to_dict()
    assert list(d) == FIELDS
    assert isinstance(d["energy"], np.ndarray) and isinstance(d["constraint_values"], list)
    assert d["constraint_forall"]["a"].dtype == np.uint64


def test_from_dict():
    assert zv.Evaluation.from_dict(full().to_dict()) == full()
    assert zv.Evaluation.from_dict({}) == zv.Evaluation()
    assert zv.Evaluation.from_dict({"energy": [1], "other": "x"}) == zv.Evaluation(energy=[1.0])
    with pytest.raises(TypeError, match=r"^'NoneType' object cannot be converted to 'Sequence'$"):
        zv.Evaluation.from_dict({"energy": None})
    with pytest.raises(TypeError, match=r"^argument 'dict': 'str' object cannot be converted to 'PyDict'$"):
        zv.Evaluation.from_dict("x")


# ---- JSON form ------------------------------------------------------------------------------


def test_json_round_trip_of_empty():
    assert zv.Evaluation.from_json(zv.Evaluation().to_json()) == zv.Evaluation()
    assert zv.Evaluation().to_json() == (
        '{"energy":[],"objective":[],"constraint_violations":{},"constraint_forall":{},"constraint_values":[],"penalty":{}}'
    )


def test_json_array_form_and_repeated_names():
    text = '[[1], [2], {"a": [1], "a": [2]}, {}, [], {}]'
    e = zv.Evaluation.from_json(text)
    assert e == zv.Evaluation(energy=[1.0], objective=[2.0], constraint_violations={"a": [2.0]})


def test_json_nan_does_not_read_back():
    text = zv.Evaluation(energy=[math.nan]).to_json()
    assert text.startswith('{"energy":[null]')
    with pytest.raises(ValueError, match=r"^invalid type: null, expected f64 at line 1 column \d+$"):
        zv.Evaluation.from_json(text)


@pytest.mark.parametrize(
    "text, message",
    [
        ("{}", r"^missing field `energy` at line 1 column 2$"),
        ('{"energy": [], "objective": [], "constraint_violations": {}, "constraint_forall": {}, "constraint_values": []}', r"^missing field `penalty`"),
        ('{"energy": [], "energy": []}', r"^duplicate field `energy`"),
        ("[[], [], {}]", r"^invalid length 3, expected struct PyEvaluation with 6 elements"),
        ("5", r"^invalid type: integer `5`, expected struct PyEvaluation"),
        ('[[], [], {}, {"a": [[-1]]}, [], {}]', r"^invalid value: integer `-1`, expected u64"),
        ('[[], [], {}, {"a": [[1.5]]}, [], {}]', r"^invalid type: floating point `1.5`, expected u64"),
        ('[[], [], [], {}, [], {}]', r"^invalid type: sequence, expected a map"),
        ('[["1"], [], {}, {}, [], {}]', r'^invalid type: string "1", expected f64'),
        ("[[], [], {}, {}, [], {}", r" at line 1 column \d+$"),
    ],
)
def test_from_json_errors(text, message):
    with pytest.raises(ValueError, match=message):
        zv.Evaluation.from_json(text)


def test_from_json_argument():
    with pytest.raises(TypeError, match=r"^argument 'json': 'NoneType' object cannot be converted to 'PyString'$"):
        zv.Evaluation.from_json(None)


# ---- pandas ---------------------------------------------------------------------------------


def test_to_pandas_columns():
    e = zv.Evaluation(energy=[1.0, 2.0], objective=[0.0, 0.0], constraint_violations={"b": [0.0, 0.0], "a": [1.0, 2.0]},
                      penalty={"a": [3.0, 4.0]})
    df = e.to_pandas()
    assert list(df.columns) == ["energy", "objective", "constraint_forall", "constraint_values",
                                "constraint_violation[a]", "constraint_violation[b]", "penalty[a]"]
    assert df["constraint_forall"].isna().all() and df["constraint_values"].isna().all()
    assert df["constraint_violation[a]"].tolist() == [1.0, 2.0]


def test_to_pandas_forall_and_values():
    df = full().to_pandas()
    assert df["constraint_forall"][0] == {"a": [[0, 1], [1, 0]]} == df["constraint_forall"][1]
    assert df["constraint_values"][1] == {"a": [7.0, 8.0]}


def test_to_pandas_length_mismatch_raises():
    with pytest.raises(ValueError):
        zv.Evaluation(energy=[1.0], objective=[1.0, 2.0]).to_pandas()


def test_docs():
    assert zv.Evaluation.__text_signature__ == (
        "(energy=None, objective=None, constraint_violations=None, constraint_forall=None, "
        "constraint_values=None, penalty=None)"
    )
    assert zv.Evaluation.constraint_expr_values.__doc__.startswith("Return the values for the each constraint.")
    assert zv.Evaluation.energy.__doc__ is None
    assert zv.Evaluation.to_pandas.__text_signature__ == "($self)"


# ---- round trips ----------------------------------------------------------------------------

finite = st.floats(allow_nan=False, allow_infinity=False)
names = st.text(max_size=4)
float_lists = st.lists(finite, max_size=4)
float_maps = st.dictionaries(names, float_lists, max_size=3)


@st.composite
def forall_maps(draw):
    out = {}
    for name in draw(st.lists(names, max_size=3, unique=True)):
        width = draw(st.integers(1, 3))
        out[name] = draw(st.lists(st.lists(st.integers(0, 2**64 - 1), min_size=width, max_size=width), max_size=3))
    return out


evaluations = st.builds(zv.Evaluation, float_lists, float_lists, float_maps, forall_maps(), st.lists(float_maps, max_size=3), float_maps)


@given(evaluations)
def test_round_trips(e):
    assert zv.Evaluation.from_dict(e.to_dict()) == e
    text = e.to_json()
    assert zv.Evaluation.from_json(text) == e
    assert zv.Evaluation.from_json(text).to_json() == text
    assert zv.Evaluation.from_json(json.dumps(json.loads(text))) == e


# ---- inputs that change while they are read ---------------------------------------------


def test_dict_changed_during_conversion():
    violations = {}

    class Clearing:
        def __float__(self):
            violations.clear()
            return 1.0

    violations.update({"a": [Clearing()], "b": [2.0]})
    with pytest.raises(RuntimeError, match=r"^dictionary changed size during iteration$"):
        zv.Evaluation(constraint_violations=violations)


def test_list_changed_during_conversion():
    values = []

    class Shrinking:
        def __float__(self):
            values.clear()
            return 1.0

    values.extend([Shrinking(), 2.0, 3.0])
    assert zv.Evaluation(energy=values).energy.tolist() == [1.0]


def test_sequence_with_lying_length():
    class Lying:
        def __len__(self):
            return 2**62

        def __getitem__(self, i):
            if i < 2:
                return float(i)
            raise IndexError

    assert zv.Evaluation(energy=Lying()).energy.tolist() == [0.0, 1.0]


def test_sequence_raising_during_iteration():
    class Broken:
        def __len__(self):
            return 3

        def __getitem__(self, i):
            raise ZeroDivisionError("inside")

    with pytest.raises(ZeroDivisionError, match="inside"):
        zv.Evaluation(energy=Broken())
