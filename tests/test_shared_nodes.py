"""A node shared by many parents is analysed once: the work of degree analysis, equality, variable
collection and the name check grows with the number of distinct nodes, not with the number of
paths (2**40 here), while results stay those of the expanded tree. Run in a child process so that
an exponential walk fails by its timeout instead of holding up the suite."""

import textwrap
import processes


def test_shared_sub_expressions_are_walked_once():
    script = textwrap.dedent("""
        import zorvane as zv
        ph, x, y = zv.Placeholder("ph"), zv.BinaryVar("x"), zv.BinaryVar("y")

        def shared_tree(levels, top=x):
            e = top
            for _ in range(levels):
                e = (e + 1) * (e + ph)
            return e

        e = shared_tree(40)
        assert (zv.is_linear(e), zv.is_quadratic(e), zv.is_higher_order(e), zv.is_dynamic_degree(e)) == (False, False, True, False)
        assert zv.is_quadratic(shared_tree(1)) and zv.is_higher_order(shared_tree(2))
        assert zv.is_same(e, shared_tree(40)) and not zv.is_same(e, shared_tree(40, y))
        assert [v.name for v in zv.extract_variables(e)] == ["x", "ph"]

        problem = zv.Problem("p")
        problem += e
        problem += zv.Constraint("c", e <= 1)
        problem += zv.CustomPenaltyTerm("t", e)
        assert sorted(problem.constraints) == ["c"] and zv.is_same(problem.objective, e)
        clash = shared_tree(40, zv.IntegerVar("x", lower_bound=0, upper_bound=3))
        try:
            problem += zv.Constraint("d", clash >= 0)
        except zv.ModelingError as error:
            assert str(error) == "Duplicated name -- different variables share the same name(s): x", error
        else:
            raise AssertionError("the clash was not found")

        i = zv.Element("i", belong_to=(0, 3))
        s = zv.sum(i, shared_tree(30, zv.BinaryVar("z", shape=[3])[i]))
        assert zv.is_quadratic(s) is False and len(zv.extract_variables(s)) == 3
        print("OK")
    """)
    proc = processes.python(script)
    assert proc.returncode == 0 and proc.stdout == "OK\n", proc.stderr[-3000:]


def test_terms_of_a_shared_buffer_are_walked_once():
    # `p` and `p + q` share the buffer of their terms, whose nodes are each held once: every walk
    # over `a` after 60 levels (degree, variables, equality, names, protobuf) meets 2**60 paths
    # unless those terms are remembered too.
    script = textwrap.dedent("""
        import zorvane as zv
        x, q = zv.BinaryVar("x"), [zv.BinaryVar(f"q{i}") for i in range(5)]
        a = x
        for _ in range(60):
            p = a + q[0] + q[1] + q[2] + q[3]
            a = p * (p + q[4])
        del p
        assert (zv.is_linear(a), zv.is_quadratic(a), zv.is_higher_order(a)) == (False, False, True)
        assert len(zv.extract_variables(a)) == 6 and zv.is_same(a, a)
        problem = zv.Problem("p")
        problem += zv.Constraint("c", a <= 1)
        problem += zv.Constraint("d", a >= 0)
        assert zv.is_same(zv.from_protobuf(zv.to_protobuf(a)), a)
        print("OK")
    """)
    proc = processes.python(script)
    assert proc.returncode == 0 and proc.stdout == "OK\n", proc.stderr[-3000:]
