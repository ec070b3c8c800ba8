"""A transport model: goods go from sources to destinations over routes that must be opened first.
Constraints hold for every source or destination (forall), a custom penalty term asks for one open
route per destination, and the analysis functions look at the model: its variables, the degree of its
parts, and `replace` putting a flat fixed cost in place of the per-route one."""
import zorvane as zv

# Instance data, known only when the model is solved.
s = zv.Placeholder("s", ndim=1, description="supply at each source")
d = zv.Placeholder("d", ndim=1, description="demand at each destination")
c = zv.Placeholder("c", ndim=2, description="cost per unit on each route")
f = zv.Placeholder("f", ndim=2, description="fixed cost of opening each route")
u = zv.Placeholder("u", ndim=2, description="capacity of each route")
M = s.len_at(0, latex="M", description="number of sources")
N = d.len_at(0, latex="N", description="number of destinations")

# How much goes over each route (at most its capacity), and whether the route is open.
x = zv.ContinuousVar("x", shape=[M, N], lower_bound=0, upper_bound=u, description="amount shipped")
y = zv.BinaryVar("y", shape=[M, N], description="1 if the route is open")
i = zv.Element("i", belong_to=(0, M), description="a source")
j = zv.Element("j", belong_to=(0, N), description="a destination")

problem = zv.Problem("transport")  # minimised by default
problem += zv.sum([i, j], c[i, j] * x[i, j] + f[i, j] * y[i, j])
problem += zv.Constraint("supply", zv.sum(j, x[i, j]) <= s[i], forall=i)
problem += zv.Constraint("demand", zv.sum(i, x[i, j]) >= d[j], forall=j)
# Goods use open routes only; routes without capacity need no such constraint.
problem += zv.Constraint("open", x[i, j] <= u[i, j] * y[i, j], forall=[i, (j, u[i, j] > 0)])
# Not a hard rule: a solver adds this term, weighted, to the objective for each destination.
problem += zv.CustomPenaltyTerm("single_source", (zv.sum(i, y[i, j]) - 1) ** 2, forall=j)

print("problem:", problem.name, repr(problem.sense))
print("  objective:", problem.objective)
for name, constraint in problem.constraints.items():
    over = ", ".join(str(element) if condition is None else f"{element} if {condition}"
                     for element, condition in constraint.forall)
    print(f"  constraint {name}: {constraint.expression}  for each {over}")
for name, term in problem.custom_penalty_terms.items():
    print(f"  penalty {name}: {term.expression}  for each {term.forall[0][0]}")
print("LaTeX:")
print(problem._repr_latex_())

# Analysis: which names the model uses, first met first, without repeats.
print()
print("variables:", ", ".join(f"{type(v).__name__} {v}" for v in zv.extract_variables(problem)))
# extract_nodes gives every occurrence of the classes asked for, in a depth-first walk.
print("subscripts in the objective:", ", ".join(str(n) for n in zv.extract_nodes(problem.objective, zv.Subscript)))

# The degree in the decision variables, as a solver that takes linear or quadratic models asks it.
penalty = problem.custom_penalty_terms["single_source"].expression
parts: list[tuple[str, "zv._Expression"]] = [
    ("objective", problem.objective),
    ("open (left - right)", problem.constraints["open"].left - problem.constraints["open"].right),
    ("single_source penalty", penalty),
    ("penalty * y[i, j]", penalty * y[i, j]),
    ("product over j of y[0, j]", zv.prod(j, y[0, j])),
]
print(f"{'expression':28}{'linear':>8}{'quadratic':>11}{'higher':>8}{'dynamic':>9}")
for label, expr in parts:
    print(f"{label:28}{zv.is_linear(expr)!s:>8}{zv.is_quadratic(expr)!s:>11}"
          f"{zv.is_higher_order(expr)!s:>8}{zv.is_dynamic_degree(expr)!s:>9}")

# replace rewrites top-down: the replacer sees each node before its children and returns a node to
# keep or a new one. Here every f[i, j] becomes one flat fixed cost F.
F = zv.Placeholder("F", description="fixed cost of any route")


def flat_fixed_cost(node: "zv._Expression | zv._Condition") -> "zv._Expression | zv._Condition":
    if isinstance(node, zv.Subscript) and isinstance(node.variable, zv.Placeholder) and node.variable.name == "f":
        return F
    return node


flat = zv.replace(problem.objective, flat_fixed_cost)
print()
print("objective with a flat fixed cost:", flat)
print("  LaTeX:", flat._repr_latex_())
print("  placeholders:", ", ".join(str(v) for v in zv.extract_variables(flat) if isinstance(v, zv.Placeholder)))
print("  same as written by hand:", zv.is_same(flat, zv.sum([i, j], c[i, j] * x[i, j] + F * y[i, j])))
