"""The five kinds of decision variables, for a small production plan. Their shapes and bounds are
expressions over placeholders, so one model serves every size of instance: the numbers come only with
the instance data."""
import zorvane as zv

# Instance data: demand per product, capacities, and a table of power limits per period.
d = zv.Placeholder("d", ndim=1, description="demand of each product")
cap = zv.Placeholder("cap", ndim=1, description="capacity of each line")
T = zv.Placeholder("T", description="number of periods")
limits = zv.Placeholder("limits", ndim=2, description="row 0: least power when on, row 1: most power")
N = d.len_at(0, latex="N", description="number of products")

variables: list["zv._DecisionVariable"] = [
    # 0 or 1: run the line of product k or not.
    zv.BinaryVar("run", shape=[N], description="1 if the line runs"),
    # A whole number between bounds; the upper bound is a placeholder of the variable's ndim (one per line).
    zv.IntegerVar("shifts", shape=[N], lower_bound=0, upper_bound=cap, description="shifts per line"),
    # Any real number between bounds; here a two-dimensional shape and bounds that are expressions.
    zv.ContinuousVar("stock", shape=[N, T], lower_bound=-T, upper_bound=2 * T, description="stock (negative: backlog)"),
    # 0, or a whole number from the lower to the upper bound: a batch is empty or at least 5.
    zv.SemiIntegerVar("batch", lower_bound=5, upper_bound=T * 10, description="batch size"),
    # 0, or a real number from the lower to the upper bound; bounds from the rows of a placeholder table.
    zv.SemiContinuousVar("power", shape=[T], lower_bound=limits[0], upper_bound=limits[1], description="power drawn"),
]

for var in variables:
    shape = ", ".join(str(length) for length in var.shape)
    bounds = "" if isinstance(var, zv.BinaryVar) else f", bounds {var.lower_bound} .. {var.upper_bound}"
    print(f"{type(var).__name__:18} {var.name:7} ndim {var.ndim}, shape ({shape}){bounds}")
print("repr:", repr(variables[3]))

# A subscript picks one entry; element indices run over the shape's lengths.
k = zv.Element("k", belong_to=(0, N))
t = zv.Element("t", belong_to=(0, T))
run, shifts, stock, batch, power = variables
print("entries:", run[k], "|", stock[k, t], "|", power[t], "|", batch)
print("LaTeX of an entry:", stock[k, t]._repr_latex_())

# All five in one model: the LaTeX lists every variable with its kind, shape and bounds.
problem = zv.Problem("production")
problem += zv.sum(t, power[t]) + zv.sum(k, shifts[k] + batch)
problem += zv.Constraint("meet_demand", zv.sum(t, stock[k, t]) + batch >= d[k], forall=k)
problem += zv.Constraint("shifts_if_running", shifts[k] <= cap[k] * run[k], forall=k)
print("kinds in the model:", ", ".join(type(v).__name__ for v in zv.extract_variables(problem)
                                        if isinstance(v, (zv.BinaryVar, zv.IntegerVar, zv.ContinuousVar,
                                                          zv.SemiIntegerVar, zv.SemiContinuousVar))))
print("LaTeX:")
print(problem._repr_latex_())

# Mistakes are reported where they are made.
for attempt in (lambda: zv.IntegerVar("k2", shape=[N], lower_bound=0, upper_bound=limits),
                lambda: run[k, t],
                lambda: zv.BinaryVar("bad", shape=[d])):
    try:
        attempt()
    except (zv.ModelingError, TypeError) as error:
        print(f"refused: {type(error).__name__}: {error}")
