"""A solver's results held in a SampleSet. zorvane solves nothing: a solver (here two made-up runs)
hands back, for each sample, the values of the decision variables, the objective and how far each
constraint is violated. The set picks the feasible samples and the best of them, joins runs, turns
into a pandas table and goes through JSON unchanged."""
import json

import zorvane as zv

# The model that was solved: buy items of weight w[i] at cost c[i], at least W in total.
c = zv.Placeholder("c", ndim=1, description="cost of each item")
w = zv.Placeholder("w", ndim=1, description="weight of each item")
W = zv.Placeholder("W", description="weight needed")
x = zv.BinaryVar("x", shape=[w.len_at(0, latex="n")], description="1 if the item is bought")
i = zv.Element("i", belong_to=w)
problem = zv.Problem("cover")
problem += zv.sum(i, c[i] * x[i])
problem += zv.Constraint("enough", zv.sum(i, w[i] * x[i]) >= W)
print("model:", problem.objective, "subject to", problem.constraints["enough"].expression)
print("LaTeX:", problem.constraints["enough"]._repr_latex_())

# The instance the solver got, and what it found: each sample lists the items bought.
costs, weights, needed = [4.0, 3.0, 5.0, 2.0], [3.0, 2.0, 4.0, 1.0], 6.0
first_run = [[0, 2], [1, 3], [0, 1, 3]]
second_run = [[1, 2], [0, 1], [2, 3]]


def solver_output(picks: list[list[int]]) -> zv.SampleSet:
    """One run as a solver returns it: nonzero values of x per sample (a sparse array: indices per axis,
    values, shape), the objective, the violation of each constraint, and the energy the solver minimised
    (objective plus 10 per unit of violation)."""
    solution = {"x": [([sorted(p)], [1.0] * len(p), [len(costs)]) for p in picks]}
    objective = [sum(costs[k] for k in p) for p in picks]
    shortfall = [max(0.0, needed - sum(weights[k] for k in p)) for p in picks]
    return zv.SampleSet(
        record=zv.Record(solution, num_occurrences=[1] * len(picks)),
        evaluation=zv.Evaluation(energy=[o + 10 * v for o, v in zip(objective, shortfall)], objective=objective,
                                 constraint_violations={"enough": shortfall}),
        measuring_time=zv.MeasuringTime(solve=zv.SolvingTime(solve=0.25)),
    )


def show(label: str, samples: zv.SampleSet) -> None:
    bought = [sorted(entry[0][0]) for entry in samples.record.solution["x"]]
    count = len(samples.record.num_occurrences)
    print(f"{label}: {count} sample{'' if count == 1 else 's'}, items bought {bought}, "
          f"objective {samples.evaluation.objective.tolist()}, "
          f"violation {samples.evaluation.constraint_violations['enough'].tolist()}")


first, second = solver_output(first_run), solver_output(second_run)
show("first run", first)
show("second run", second)

# Both runs hold the same constraints, so their samples join into one set, in order.
both = zv.concatenate([first, second])
show("both runs", both)
show("feasible", both.feasible())  # a violation within the tolerances counts as none
show("infeasible", both.infeasible())
show("lowest", both.lowest())  # the lowest objective among the feasible samples; ties are all kept

# A pandas table: one row per sample. Dense arrays read more easily than sparse entries.
print(both.to_dense().to_pandas()[["solution[x]", "num_occurrences", "objective",
                                     "constraint_violation[enough]"]].to_string())

# JSON: what to_json writes, from_json reads back equal; a solver service can send the same text.
text = both.to_json()
back = zv.SampleSet.from_json(text)
print("JSON round trip equal:", back == both, "|", len(text), "characters")
print("JSON objective:", json.dumps(json.loads(text)["evaluation"]["objective"]))
print("first run's solve time:", first.measuring_time.solve.solve, "s")
