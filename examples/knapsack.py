"""A knapsack model: item data as placeholders, one binary variable per item, and the whole
Problem with its objective and capacity constraint, printed as text and LaTeX."""
import zorvane as zv

# Instance data, known only when the model is solved.
w = zv.Placeholder("w", ndim=1, description="weights")
v = zv.Placeholder("v", ndim=1, description="values")
W = zv.Placeholder("W", description="capacity")
N = w.len_at(0, latex="N", description="number of items")

# One binary decision per item: is the item packed?
x = zv.BinaryVar("x", shape=[N], description="1 if the item is packed")
i = zv.Element("i", belong_to=(0, N))

value = zv.sum(i, v[i] * x[i])
fits = zv.sum(i, w[i] * x[i]) <= W
packed = x[:].sum()  # a slice sums over a generated index

print("variable:", repr(zv.BinaryVar("x", shape=[w.len_at(0)])))
print("index:   ", repr(zv.Element("i", belong_to=3)))
for label, node in [("shape of x", x.shape[0]), ("total value", value), ("capacity", fits),
                    ("items packed", packed)]:
    print(f"{label}:")
    print("  str:  ", node)
    print("  LaTeX:", node._repr_latex_())

# Mistakes are reported where they are made.
for attempt in (lambda: x + 1, lambda: x[i, i], lambda: 1 / x[i]):
    try:
        attempt()
    except (zv.ModelingError, TypeError, IndexError) as error:
        print(f"refused: {type(error).__name__}: {error}")

# The whole model: maximise the packed value while the packed weight fits the capacity.
problem = zv.Problem("knapsack", sense=zv.ProblemSense.MAXIMIZE)
problem += value
problem += zv.Constraint("capacity", fits)

print()
print("problem:", problem.name, repr(problem.sense))
print("  objective:", problem.objective)
for name, constraint in problem.constraints.items():
    print(f"  constraint {name}:", constraint)
print("  objective is linear:", zv.is_linear(problem.objective))
print("  capacity is linear: ", zv.is_linear(problem.constraints["capacity"].left))
print("  variables:", ", ".join(type(var).__name__ + " " + str(var) for var in zv.extract_variables(problem)))
print("LaTeX:")
print(problem._repr_latex_())

# One name stands for one variable throughout a model.
try:
    problem += zv.Constraint("count", zv.IntegerVar("x", lower_bound=0, upper_bound=N) <= 3)
except zv.ModelingError as error:
    print(f"refused: {type(error).__name__}: {error}")
