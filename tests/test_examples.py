"""Every script in examples/ runs as a user runs it (its own interpreter process, from another folder) and prints
what it is there to show: the lines listed here appear whole and in this order. Only lines that matter are
listed, so an example can say more without breaking the test."""
import sys
from pathlib import Path

import pytest

import processes

EXAMPLES = Path(__file__).resolve().parent.parent / "examples"

KEY_LINES = {
    "expressions.py": [
        "str:   2 * p + p ** 2 - q * 3 ** -1",
        r"LaTeX: $$\displaystyle 2 \cdot p + p^{2} - \theta \cdot 3^{(-1)}$$",
        "5 | p + q | p ** 5",
        "p ** 1 + 2 * p ** 2 + 3 * p ** 3 + 4 * p ** 4 + 5 * p ** 5",
    ],
    "knapsack.py": [
        "  str:   sum(i in [0..len(w, 0)), v[i] * x[i])",
        "refused: ModelingError: a decision variable can be raised to only a positive power",
        "problem: knapsack ProblemSense.MAXIMIZE",
        "  objective is linear: True",
        "  variables: Element i, ArrayLength len(w, 0), Placeholder w, Placeholder v, BinaryVar x, Placeholder W",
        r"\text{Problem:} & \text{knapsack} & & \\",
        "refused: ModelingError: Duplicated name -- different variables share the same name(s): x",
    ],
    "transport.py": [
        "problem: transport ProblemSense.MINIMIZE",
        "  constraint demand: sum(i in [0..len(s, 0)), x[i, j]) >= d[j]  for each j",
        "  constraint open: x[i, j] <= u[i, j] * y[i, j]  for each i, j if u[i, j] > 0",
        "  constraint supply: sum(j in [0..len(d, 0)), x[i, j]) <= s[i]  for each i",
        "  penalty single_source: (sum(i in [0..len(s, 0)), y[i, j]) - 1) ** 2  for each j",
        r"\text{Problem:} & \text{transport} & & \\",
        "variables: Element i, ArrayLength len(s, 0), Placeholder s, Element j, ArrayLength len(d, 0), Placeholder d, "
        "Placeholder c, ContinuousVar x, Placeholder f, BinaryVar y, Placeholder u",
        "subscripts in the objective: c[i, j], x[i, j], f[i, j], y[i, j]",
        "objective                       True      False   False    False",
        "open (left - right)             True      False   False    False",
        "single_source penalty          False       True   False    False",
        "penalty * y[i, j]              False      False    True    False",
        "product over j of y[0, j]      False      False   False     True",
        "objective with a flat fixed cost: sum(i in [0..len(s, 0)), sum(j in [0..len(d, 0)), "
        "(c[i, j] * x[i, j] + F * y[i, j])))",
        "  placeholders: s, d, c, F",
        "  same as written by hand: True",
    ],
    "sample_set.py": [
        "model: sum(i in w, c[i] * x[i]) subject to sum(i in w, w[i] * x[i]) >= W",
        "both runs: 6 samples, items bought [[0, 2], [1, 3], [0, 1, 3], [1, 2], [0, 1], [2, 3]], "
        "objective [9.0, 5.0, 9.0, 8.0, 7.0, 7.0], violation [0.0, 3.0, 0.0, 0.0, 1.0, 1.0]",
        "feasible: 3 samples, items bought [[0, 2], [0, 1, 3], [1, 2]], objective [9.0, 9.0, 8.0], "
        "violation [0.0, 0.0, 0.0]",
        "infeasible: 3 samples, items bought [[1, 3], [0, 1], [2, 3]], objective [5.0, 7.0, 7.0], "
        "violation [3.0, 1.0, 1.0]",
        "lowest: 1 sample, items bought [[1, 2]], objective [8.0], violation [0.0]",
        "            solution[x]  num_occurrences  objective  constraint_violation[enough]",
        "3  [0.0, 1.0, 1.0, 0.0]                1        8.0                           0.0",
        "JSON objective: [9.0, 5.0, 9.0, 8.0, 7.0, 7.0]",
    ],
    "protobuf.py": [
        r"\text{Problem:} & \text{assignment} & & \\",
        "same model: True",
        "a condition read back: sum(j in [0..len(cost, 0)), x[0, j]) <= 1 (LessThanEqualOp)",
        "refused: ProtobufDeserializationError: failed to decode the input buffer because it did not contain a valid "
        "Protobuf message.",
        "runtime reads: body problem | schema version 1 | message id is a version 4 UUID",
        "problem 'assignment' MINIMIZE | constraints ['one_task', 'one_worker']",
        "  one_task: EQUAL, 1 forall index, 8 nodes on the left",
        "  9: reduction_op kind: SUM index { element_id: 4 } operand_id: 8",
        "written by the runtime, read by zorvane: assignment_max ProblemSense.MAXIMIZE | "
        "constraints ['one_task', 'one_worker']",
    ],
    "variable_kinds.py": [
        "BinaryVar          run     ndim 1, shape (len(d, 0))",
        "IntegerVar         shifts  ndim 1, shape (len(d, 0)), bounds 0 .. cap",
        "ContinuousVar      stock   ndim 2, shape (len(d, 0), T), bounds - T .. 2 * T",
        "SemiIntegerVar     batch   ndim 0, shape (), bounds 5 .. 10 * T",
        "SemiContinuousVar  power   ndim 1, shape (T), bounds limits[0] .. limits[1]",
        "kinds in the model: SemiContinuousVar, IntegerVar, SemiIntegerVar, ContinuousVar, BinaryVar",
        r"& batch & 0\text{-dim semi-integer variable}& \text{batch size}\\ & & \text{lower bound: }5 & \\ "
        r"& & \text{upper bound: }10 \cdot T & \\",
        "refused: ModelingError: the number of dimensions of a upper bound (= 2) must be equal to zero or the number "
        "of an integer variable (= 1)",
    ],
}


def missing_lines(output, expected):
    """The expected lines that do not appear, whole and in order, in `output`."""
    lines = iter(output.splitlines())
    return [line for line in expected if line not in lines]  # `in` consumes the iterator up to the match


def test_every_example_is_checked():
    assert sorted(path.name for path in EXAMPLES.glob("*.py")) == sorted(KEY_LINES)


@pytest.mark.parametrize("name", sorted(KEY_LINES))
def test_example_prints_its_key_lines(name, tmp_path):
    run = processes.run([sys.executable, str(EXAMPLES / name)], cwd=tmp_path)
    assert run.returncode == 0, run.stderr
    assert run.stderr == ""
    assert missing_lines(run.stdout, KEY_LINES[name]) == []


@pytest.mark.parametrize("output, expected, missing", [
    ("a\nb\nc", ["a", "c"], []),
    ("a\nb\nc", ["c", "a"], ["a"]),  # out of order
    ("ab\nc", ["a"], ["a"]),  # a part of a line is no line
])
def test_missing_lines(output, expected, missing):
    assert missing_lines(output, expected) == missing
