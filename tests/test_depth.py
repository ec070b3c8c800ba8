"""Deep trees: every builder stops at the depth limit with RecursionError; trees at the limit print,
compare and are freed without exhausting the C stack, also in threads. Each case runs in a
subprocess, so a crash fails the test instead of ending the test run."""

import textwrap

import processes

LIMIT = 4096  # levels; a placeholder is one level, each power adds one

PRELUDE = f"""
import gc, os, sys, threading
import zorvane as zv

LIMIT = {LIMIT}
p, q = zv.Placeholder("p"), zv.Placeholder("q")

def power_chain(base, levels):  # `levels` powers over `base`: the tree is levels + 1 deep
    e = base
    for _ in range(levels):
        e = e ** 2
    return e

def refused(build):
    try:
        build()
    except RecursionError as error:
        assert "nested too deeply" in str(error), error
        return True
    return False
"""


def run(body):
    proc = processes.python(PRELUDE + textwrap.dedent(body) + "\nprint('OK')\n")
    assert proc.returncode == 0, f"exit {proc.returncode}\n{proc.stdout[-2000:]}\n{proc.stderr[-4000:]}"
    assert proc.stdout.rstrip().endswith("OK"), proc.stdout[-2000:]


def test_every_builder_stops_at_the_limit():
    run("""
        e, levels = p, 0
        while not refused(lambda: e ** 2):
            e, levels = e ** 2, levels + 1
        assert levels == LIMIT - 1, levels
        assert type(e) is zv.PowOp and str(e).startswith("(" * (LIMIT - 2) + "p ** 2)")  # still usable
        for build in (lambda: 2 ** e, lambda: e % 3, lambda: 3 % e, lambda: e + 1, lambda: 1 + e, lambda: e * q,
                      lambda: q * e, lambda: -e, lambda: e - 1, lambda: e / 2, lambda: 2 / e, lambda: e == 1,
                      lambda: 1 < e, lambda: pow(e, 2, 3), lambda: zv.abs(e), lambda: zv.min(p, e, p),
                      lambda: zv.sum(zv.Element("i", belong_to=(0, 3)), e)):
            assert refused(build), build
        assert sys.exc_info() == (None, None, None)

        i = zv.Element("i", belong_to=(0, 10))
        a = zv.Placeholder("a", ndim=1)
        x = zv.BinaryVar("x", shape=[10])
        builders = {"abs": (zv.abs, p), "ln": (zv.ln, p), "min": (lambda t: zv.min(t, q), p),
                    "max": (lambda t: zv.max(q, t), p), "mod": (lambda t: t % q, p),
                    "sum/prod": (lambda t: zv.sum(i, t) if type(t) is zv.ProdOp else zv.prod((i, i != 2), t),
                                 zv.prod((i, i != 1), a[i] * x[i])),
                    "and/or": (lambda c: (c & (q <= 1)) if type(c) is not zv.AndOp else ((q >= 2) | c), p == 1)}
        for name, (build, e) in builders.items():
            below = e
            for _ in range(LIMIT + 100):
                if refused(lambda: build(e)):
                    break
                below, e = e, build(e)
            else:
                raise AssertionError(name + " never stopped")
            assert refused(lambda: build(e)), name  # refused again and again
            assert str(e) and repr(e) and e._repr_latex_(), name
            if name != "and/or":
                cond = below <= 1  # one level below the limit a comparison still fits and prints
                assert str(cond) and cond._repr_latex_()
                assert refused(lambda: e <= 1) and refused(lambda: e + q), name
        for fn in (zv.sum, zv.prod):
            assert refused(lambda: fn([i] * 10_000, q))
        assert str(zv.sum([i] * 4000, q)).count("sum(") == 4000
        c = i != 0
        while not refused(lambda: c & (i != 1)):
            c = c & (i != 1)
        assert refused(lambda: zv.sum((i, c), a[i]))
    """)


def test_trees_at_the_limit_print():
    run(r"""
        n = LIMIT - 1
        e = power_chain(p, n)
        assert str(e) == "(" * (n - 1) + "p ** 2" + ") ** 2" * (n - 1)
        X, TWO = "Placeholder(name='p', ndim=0)", "NumberLit(value=2)"
        assert repr(e) == "(" * (n - 1) + X + " ** " + TWO + (") ** " + TWO) * (n - 1)
        assert e._repr_latex_() == "$$\\displaystyle " + "\\left(" * (n - 1) + "p^{2}" + "\\right)^{2}" * (n - 1) + "$$"
        f = e
        for _ in range(n):
            f = f.base
        assert type(f) is zv.Placeholder
        e = p
        for _ in range(n):
            e = 2 ** e
        assert str(e) == "2 ** (" * (n - 1) + "2 ** p" + ")" * (n - 1)
        assert e._repr_latex_() == "$$\\displaystyle " + "2^{" * n + "p" + "}" * n + "$$"

        e, height = p, 1
        while height + 2 <= LIMIT:
            e, height = (e + q) * 2, height + 2  # every level is one sum and one product
        e = e + 1
        assert refused(lambda: e * q)
        levels = (LIMIT - 1) // 2
        assert str(e) == "2 * (" * levels + "p + q" + ") + q" * (levels - 1) + ") + 1"
        assert e._repr_latex_().endswith(" + q\\right) + q\\right) + 1$$")
        repr(e)

        e = p
        for _ in range(LIMIT - 1):
            e = e + q
            e.set_latex("")  # each sum stays whole behind its own (empty) string
        assert refused(lambda: e + q)
        e.set_latex(None)
        assert str(e) == "p" + " + q" * (LIMIT - 1) and e._repr_latex_() == "$$\\displaystyle  + q$$"

        e = p
        for _ in range(LIMIT - 2):
            e = e % 3
        c = e == 1
        assert str(c).endswith(" % 3 == 1") and c._repr_latex_().endswith(" \\bmod 3 = 1$$")
        repr(c)
        assert refused(lambda: c & (q == 1))

        ps = [zv.Placeholder(f"x{k}") for k in range(100_000)]
        e = 0
        for k, x in enumerate(ps):
            e = e + (k + 1) * x
        s = str(e)
        assert len(e.terms) == 100_000 and s.startswith("x0 + 2 * x1 + 3 * x2 + ")
        assert s.endswith(" + 100000 * x99999") and len(repr(e)) > len(s)
        assert e._repr_latex_().endswith(" + 100000 \\cdot x99999$$") and type(e * e) is zv.MulOp
    """)


def test_equality_at_the_limit_through_the_power_merge():
    run("""
        n = LIMIT - 1
        e = power_chain(p, n)
        m = e * e  # equal bases, compared over LIMIT - 1 levels
        assert type(m) is zv.PowOp and str(m.exponent) == "4" and str(m).endswith(") ** 2) ** 4")
        # bases that differ only at the bottom are compared all the way down, then not merged
        assert type(power_chain(p, n - 1) * power_chain(q, n - 1)) is zv.MulOp
        assert type(power_chain(p, n - 1) * power_chain(zv.Placeholder("p", latex="P"), n - 1)) is zv.PowOp
        c = power_chain(zv.NumberLit(float("nan")), n - 1)  # NaN at the bottom: unequal
        assert type(c * c) is zv.MulOp
    """)


def test_deep_trees_are_freed():
    run("""
        def rss_kb():
            with open("/proc/self/statm") as f:
                return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024

        def churn():
            e = power_chain(p, LIMIT - 1)
            g = [e, e.base, e * e]
            del e, g
            s = p
            for _ in range(LIMIT - 1):
                s = s + q
                s.set_latex("")
            del s

        for _ in range(3):
            churn()
        before = rss_kb()
        for _ in range(60):
            churn()
        gc.collect()
        grown = rss_kb() - before
        # AddressSanitizer holds freed memory in quarantine: only the churn itself counts there.
        if "libasan" not in os.environ.get("LD_PRELOAD", ""):
            assert grown < 8_000, f"resident set grew by {grown} kB"
        levels, e = [], p
        for _ in range(LIMIT - 1):
            e = e ** 2
            levels.append(e)
        tops = levels[::-1]
        del levels, e
        while tops:  # drop from the top, the bottom and the middle
            tops.pop(len(tops) // 2)
    """)


def test_deep_trees_in_threads():
    run("""
        per_thread = []

        def work():
            results = []  # one list per thread: the threads interleave
            per_thread.append(results)
            try:
                e = power_chain(p, LIMIT - 1)
                results += [refused(lambda: e ** 2), len(str(e)), len(repr(e)), len(e._repr_latex_()),
                            type(e * e).__name__]
                del e
                s = p
                for _ in range(LIMIT - 1):
                    s = s + q
                    s.set_latex("")
                results.append(len(str(s)))
            except BaseException as error:  # report instead of dying silently
                results.append(repr(error))

        threads = [threading.Thread(target=work) for _ in range(3)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        assert per_thread == [[True, 28664, 98307, 69621, "PowOp", 4 * (LIMIT - 1) + 1]] * 3, per_thread
    """)

