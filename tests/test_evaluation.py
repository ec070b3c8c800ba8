"""Evaluation: construction, numpy getters, setters, constraint_expr_values, text, equality, dict, JSON and
pandas forms. (Refused input, comparison, hashing, deletion and round trips: test_sample_set.py.)"""
import math

import numpy as np
import pytest

import io_models as io
import zorvane as zv

E = zv.Evaluation


def test_construction_text_and_equality():
    assert repr(E()) == ("Evaluation(energy=[], objective=[], constraint_violations={}, constraint_forall={}, "
                         "constraint_values=[], penalty={})")
    assert repr(io.full_evaluation()) == (
        'Evaluation(energy=[1.0, 2.0], objective=[3.0, 4.0], constraint_violations={"a": [1.0, 0.0], "b": [0.0, 1.0]}, '
        'constraint_forall={"a": [[0, 1], [1, 0]]}, constraint_values=[{"a": [5.0, 6.0]}, {"a": [7.0, 8.0]}], '
        'penalty={"a": [0.5, 0.25]})')
    e = E(constraint_violations={'q"\\\n\t\x01': [1e-5, 1e16, math.nan, -math.inf, 0.0001]})
    assert 'constraint_violations={"q\\"\\\\\\n\\t\\u{1}": [1e-5, 1e16, NaN, -inf, 0.0001]}' in repr(e)
    assert repr(E(energy=[1, 2.5])).startswith("Evaluation(energy=[1.0, 2.5], objective=[]")
    assert E() == E() and io.full_evaluation() == io.full_evaluation()
    assert E(energy=[math.nan]) != E(energy=[math.nan]) and E(energy=[0.0]) == E(energy=[-0.0])
    assert E(penalty={"a": []}) != E() and E(constraint_values=[{}]) != E()
    assert E(*([None] * 6)) == E()
    e = E([1], [2], {"a": [3]}, {"a": [[4]]}, [{"a": [5]}], {"a": [6]})  # declaration order
    assert e.to_json() == ('{"energy":[1.0],"objective":[2.0],"constraint_violations":{"a":[3.0]},'
                           '"constraint_forall":{"a":[[4]]},"constraint_values":[{"a":[5.0]}],"penalty":{"a":[6.0]}}')
    e = E(energy=(1, 2), objective=np.array([1.5, 2.5]), constraint_violations={"a": range(3)},
          constraint_forall={"a": np.array([[1, 2]], dtype=np.uint64)}, constraint_values=({"a": np.arange(2.0)[::-1]},))
    assert e.energy.tolist() == [1.0, 2.0] and e.objective.tolist() == [1.5, 2.5]
    assert e.constraint_violations["a"].tolist() == [0.0, 1.0, 2.0] and e.constraint_forall["a"].tolist() == [[1, 2]]
    assert e.constraint_values[0]["a"].tolist() == [1.0, 0.0]
    e = E(energy=[1.0], objective=[], constraint_violations={"b": [1.0, 2.0, 3.0], "a": [], "B": []},
          constraint_values=[{"b": []}], penalty={"z": []})  # no length checks
    assert list(e.constraint_violations) == ["B", "a", "b"] and e.constraint_violations["b"].shape == (3,)
    assert '{"B": [], "a": [], "b": [1.0, 2.0, 3.0]}' in repr(e)


def test_getters():
    e = io.full_evaluation()
    arr = e.energy
    assert arr.dtype == np.float64 and arr.flags.c_contiguous and arr.flags.writeable and arr.flags.owndata
    assert e.energy is not arr
    assert e.constraint_forall["a"].dtype == np.uint64 and e.constraint_forall["a"].shape == (2, 2)
    assert isinstance(e.constraint_values, list) and e.constraint_values[1]["a"].tolist() == [7.0, 8.0]
    assert list(e.constraint_violations) == ["a", "b"] and e.penalty["a"].dtype == np.float64
    arr[0] = 99.0
    e.constraint_violations["a"][0] = 99.0
    e.constraint_values[0]["a"][0] = 99.0
    e.constraint_forall["a"][0, 0] = 99
    assert e == io.full_evaluation()  # fresh copies
    assert E(constraint_forall={"c": []}).constraint_forall["c"].shape == (0, 0)
    ragged = E(constraint_forall={"c": [[0, 1], [1]]})
    assert 'constraint_forall={"c": [[0, 1], [1]]}' in repr(ragged)
    for read in [lambda: ragged.constraint_forall, ragged.to_dict]:
        with pytest.raises(TypeError, match=r"^invalid length: 1, but expected 2$"):
            read()
    with pytest.raises(AttributeError):
        del e.constraint_expr_values
    with pytest.raises(AttributeError):
        e.constraint_expr_values = []


@pytest.mark.parametrize("field, value", [
    ("energy", [5.0]), ("objective", np.array([1.0, 2.0])), ("constraint_violations", {"x": [1.0]}),
    ("constraint_forall", {"x": [[1, 2, 3]]}), ("constraint_values", [{"x": [1.0]}, {}]), ("penalty", {"y": [2.0]}),
])
def test_setters(field, value):
    e = io.full_evaluation()
    with pytest.raises(TypeError, match=r"^'NoneType' object cannot be converted to '(Sequence|PyDict)'$"):
        setattr(e, field, None)
    assert e == io.full_evaluation()
    setattr(e, field, value)
    assert e == E(**{**io.full_evaluation().to_dict(), field: value})


@pytest.mark.parametrize("forall, values, expected", [
    ({"c": [[0], [1]]}, [{"c": [5.0, 6.0]}, {"c": [7.0]}], [{"c": {(0,): 5.0, (1,): 6.0}}, {"c": {(0,): 7.0}}]),
    ({}, [{"c": [1.0]}, {}], [{}, {}]),
    # equal keys: the later value wins; names sorted; a name missing from forall is skipped
    ({"b": [[0, 1], [0, 1], [2, 3]], "a": []}, [{"b": [1.0, 2.0], "a": [], "z": [9.0]}], [{"a": {}, "b": {(0, 1): 2.0}}]),
    ({"c": []}, [{}], [{"c": {}}]),  # a name without rows may be missing
])
def test_constraint_expr_values(forall, values, expected):
    got = E(constraint_forall=forall, constraint_values=values).constraint_expr_values
    assert got == expected and [list(d) for d in got] == [list(d) for d in expected]


def test_dict_json_and_pandas_forms():
    d = io.full_evaluation().to_dict()
    assert list(d) == io.EVALUATION_FIELDS and isinstance(d["energy"], np.ndarray)
    assert isinstance(d["constraint_values"], list) and d["constraint_forall"]["a"].dtype == np.uint64
    assert E.from_dict({}) == E() and E.from_dict({"energy": [1], "other": "x"}) == E(energy=[1.0])
    e = E.from_json('[[1], [2], {"a": [1], "a": [2]}, {}, [], {}]')  # array form, a repeated name
    assert e == E(energy=[1.0], objective=[2.0], constraint_violations={"a": [2.0]})
    assert E(energy=[math.nan]).to_json().startswith('{"energy":[null]')  # which reads back as NaN
    df = E(energy=[1.0, 2.0], objective=[0.0, 0.0], penalty={"a": [3.0, 4.0]},
           constraint_violations={"b": [0.0, 0.0], "a": [1.0, 2.0]}).to_pandas()
    assert list(df.columns) == ["energy", "objective", "constraint_forall", "constraint_values",
                                "constraint_violation[a]", "constraint_violation[b]", "penalty[a]"]
    assert df["constraint_forall"].isna().all() and df["constraint_values"].isna().all()
    assert df["constraint_violation[a]"].tolist() == [1.0, 2.0]
    df = io.full_evaluation().to_pandas()
    assert df["constraint_forall"][0] == {"a": [[0, 1], [1, 0]]} == df["constraint_forall"][1]
    assert df["constraint_values"][1] == {"a": [7.0, 8.0]}




def test_inputs_changed_while_read():
    def clearing(container):  # a number that empties `container` when it is read
        return type("Clearing", (), {"__float__": lambda self: container.clear() or 1.0})()

    violations, values = {}, []
    violations.update({"a": [clearing(violations)], "b": [2.0]})
    with pytest.raises(RuntimeError, match=r"^dictionary changed size during iteration$"):
        E(constraint_violations=violations)
    values.extend([clearing(values), 2.0, 3.0])
    with pytest.raises(RuntimeError, match=r"^list changed size during iteration$"):
        E(energy=values)

    def item(self, i):  # of a sequence that claims a huge length: two items, or an error
        if i < 2 and self.error is IndexError:
            return float(i)
        raise self.error("inside")

    lying = type("Lying", (), {"__len__": lambda self: 2**62, "__getitem__": item, "error": IndexError})
    assert E(energy=lying()).energy.tolist() == [0.0, 1.0]
    lying.error = ZeroDivisionError
    with pytest.raises(ZeroDivisionError, match="inside"):
        E(energy=lying())
