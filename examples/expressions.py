"""Build a few expressions from placeholders and print them as text, repr and LaTeX."""
import zorvane as zv

p = zv.Placeholder("p")
q = zv.Placeholder("q", latex=r"\theta")

e = 2 * p + p**2 - q / 3
print("str:  ", e)
print("repr: ", repr(e))
print("LaTeX:", e._repr_latex_())

# Literals fold, sums and products flatten, equal-base powers merge.
print(zv.NumberLit(2) + 3, "|", (p + 1) + (q - 1), "|", p**2 * p**3)

# Building a long sum in a loop stays linear. The sum's class changes as it grows, so its type is
# any expression (`zv._Expression` exists only for type checkers, hence the quotes).
s: "zv._Expression" = zv.NumberLit(0)
for k in range(1, 6):
    s += k * p**k
print(s)
