"""Deep trees: the depth limit, and trees at the limit printed, compared and freed (also in a
thread). Each case runs in a subprocess, so a crash fails the test instead of killing pytest."""

import subprocess
import sys
import textwrap

import pytest

LIMIT = 4096  # levels; a placeholder is one level, each power adds one

PRELUDE = textwrap.dedent(
    """
    import gc, sys, threading
    import zorvane as zv

    LIMIT = %d
    p = zv.Placeholder("p")
    q = zv.Placeholder("q")

    def power_chain(base, levels):
        # `levels` powers over `base`: the tree is levels + 1 deep.
        e = base
        for _ in range(levels):
            e = e ** 2
        return e

    def refused(build):
        try:
            build()
        except RecursionError:
            return True
        return False
    """
    % LIMIT
)


def run(body, timeout=300):
    script = PRELUDE + textwrap.dedent(body) + "\nprint('OK')\n"
    proc = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=timeout)
    assert proc.returncode == 0, f"exit {proc.returncode}\nstdout:\n{proc.stdout[-2000:]}\nstderr:\n{proc.stderr[-4000:]}"
    assert proc.stdout.rstrip().endswith("OK"), proc.stdout[-2000:]
    return proc.stdout


def test_power_chain_stops_at_the_limit():
    run(
        """
        e = p
        levels = 0
        try:
            while True:
                e = e ** 2
                levels += 1
        except RecursionError:
            pass
        assert levels == LIMIT - 1, levels
        # the failed build left the operand usable
        assert type(e) is zv.PowOp
        assert str(e).startswith("(" * (LIMIT - 2) + "p ** 2)")
        for build in (lambda: e ** 2, lambda: 2 ** e, lambda: e % 3, lambda: 3 % e, lambda: e + 1,
                      lambda: 1 + e, lambda: e * q, lambda: q * e, lambda: -e, lambda: e - 1,
                      lambda: e / 2, lambda: 2 / e, lambda: e == 1, lambda: 1 < e, lambda: pow(e, 2, 3)):
            assert refused(build), build
        assert sys.exc_info() == (None, None, None)
        """
    )


def test_tree_at_the_limit_prints():
    run(
        """
        n = LIMIT - 1
        e = power_chain(p, n)
        assert str(e) == "(" * (n - 1) + "p ** 2" + ") ** 2" * (n - 1)
        X, TWO = "Placeholder(name='p', ndim=0)", "NumberLit(value=2)"
        assert repr(e) == "(" * (n - 1) + X + " ** " + TWO + (") ** " + TWO) * (n - 1)
        latex = "\\\\left(" * (n - 1) + "p^{2}" + "\\\\right)^{2}" * (n - 1)
        assert e._repr_latex_() == "$$\\\\displaystyle " + latex + "$$"
        # and every level read back through the getters
        f = e
        for _ in range(n):
            f = f.base
        assert type(f) is zv.Placeholder
        """
    )


def test_deep_exponent_chain_prints():
    run(
        """
        e = p
        for _ in range(LIMIT - 1):
            e = 2 ** e
        assert refused(lambda: 2 ** e)
        n = LIMIT - 1
        assert str(e) == "2 ** (" * (n - 1) + "2 ** p" + ")" * (n - 1)
        assert e._repr_latex_() == "$$\\\\displaystyle " + "2^{" * n + "p" + "}" * n + "$$"
        """
    )


def test_alternating_sums_and_products_at_the_limit():
    run(
        """
        e = p
        height = 1
        while height + 2 <= LIMIT:
            e = (e + q) * 2
            height += 2
        # e is a product [2, sum]; every level is one sum and one product
        assert height == LIMIT - 1
        e = e + 1
        height += 1
        assert height == LIMIT
        assert refused(lambda: e * q)
        s = str(e)
        levels = (LIMIT - 1) // 2
        assert s == "2 * (" * levels + "p + q" + ") + q" * (levels - 1) + ") + 1"
        assert e._repr_latex_().endswith(" + q\\\\right) + q\\\\right) + 1$$")
        repr(e)
        """
    )


def test_nested_sums_behind_the_latex_barrier():
    run(
        """
        e = p
        for k in range(LIMIT - 1):
            e = e + q
            e.set_latex("")
        assert refused(lambda: e + q)
        e.set_latex(None)
        assert str(e) == "p" + " + q" * (LIMIT - 1)
        e.set_latex("L")
        assert e._repr_latex_() == "$$\\\\displaystyle L$$"
        e.set_latex(None)
        # the inner sums keep their own (empty) strings
        assert e._repr_latex_() == "$$\\\\displaystyle  + q$$"
        """
    )


def test_deep_remainders_and_conditions():
    run(
        """
        e = p
        for _ in range(LIMIT - 2):
            e = e % 3
        c = e == 1  # a comparison node is one more level
        assert refused(lambda: (e % 3) == 1)
        assert str(c).endswith(" % 3 == 1")
        assert c._repr_latex_().endswith(" \\\\bmod 3 = 1$$")
        repr(c)
        assert refused(lambda: c & (q == 1))
        """
    )


def test_equality_at_the_limit_through_the_power_merge():
    run(
        """
        n = LIMIT - 1
        e = power_chain(p, n)          # LIMIT levels
        m = e * e                      # equal bases, compared over LIMIT - 1 levels
        assert type(m) is zv.PowOp
        assert str(m.exponent) == "4"
        assert str(m).endswith(") ** 2) ** 4")
        # bases that differ only at the bottom: compared all the way down, then not merged
        a = power_chain(p, n - 1)
        b = power_chain(q, n - 1)
        prod = a * b
        assert type(prod) is zv.MulOp and len(prod.terms) == 2
        same = a * power_chain(zv.Placeholder("p", latex="P"), n - 1)
        assert type(same) is zv.PowOp
        # a NaN at the bottom makes two otherwise equal trees unequal
        nan = zv.NumberLit(float("nan"))
        c = power_chain(nan, n - 1)
        assert type(c * c) is zv.MulOp
        """
    )


def test_deep_trees_are_freed():
    run(
        """
        import os

        def rss_kb():
            with open("/proc/self/statm") as f:
                return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024

        def churn():
            e = power_chain(p, LIMIT - 1)
            f = e * e
            g = [e, e.base, e * e]
            del e, f, g
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
        """,
        timeout=600,
    )


def test_dropping_references_in_any_order():
    run(
        """
        levels = []
        e = p
        for _ in range(LIMIT - 1):
            e = e ** 2
            levels.append(e)
        # drop from the top, from the bottom and from the middle
        tops = levels[::-1]
        del levels
        while tops:
            tops.pop(len(tops) // 2)
        del e
        """
    )


def test_deep_trees_in_a_thread():
    run(
        """
        per_thread = []

        def work():
            results = []  # one list per thread: the threads interleave
            per_thread.append(results)
            try:
                e = power_chain(p, LIMIT - 1)
                results.append(refused(lambda: e ** 2))
                results.append(len(str(e)))
                results.append(len(repr(e)))
                results.append(len(e._repr_latex_()))
                results.append(type(e * e).__name__)
                del e
                s = p
                for _ in range(LIMIT - 1):
                    s = s + q
                    s.set_latex("")
                results.append(len(str(s)))
                del s
            except BaseException as error:  # report instead of dying silently
                results.append(repr(error))

        threads = [threading.Thread(target=work) for _ in range(3)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        expected = [True, 28664, 98307, 69621, "PowOp", 4 * (LIMIT - 1) + 1]
        assert per_thread == [expected] * 3, per_thread
        """
    )


def test_wide_sum_prints_and_frees():
    run(
        """
        ps = [zv.Placeholder(f"x{k}") for k in range(100_000)]
        e = 0
        for k, x in enumerate(ps):
            e = e + (k + 1) * x
        assert len(e.terms) == 100_000
        s = str(e)
        assert s.startswith("x0 + 2 * x1 + 3 * x2 + ") and s.endswith(" + 100000 * x99999")
        assert len(repr(e)) > len(s)
        assert e._repr_latex_().endswith(" + 100000 \\\\cdot x99999$$")
        f = e * e
        assert type(f) is zv.MulOp
        del e, f, ps
        """
    )
