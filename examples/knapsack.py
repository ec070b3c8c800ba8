"""A knapsack model's pieces: item data as placeholders, one binary variable per item."""
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
