"""The native JSON readers against hostile text: every number reads as float() reads it, integers keep their
rules, nothing crashes. Also the dict readers against dicts and lists that change while they are read."""
import math
import struct
import textwrap

import numpy as np
import pytest
from hypothesis import example, given, settings, strategies as st

import zorvane as zv
import processes

NUMPY_MAX_DIMS = 64 if int(np.__version__.split(".")[0]) >= 2 else 32

R, E, ST = zv.Record, zv.Evaluation, zv.SolvingTime
TOO_BIG = "Number too big to be stored in double at line 1 column {}"


# ---- numbers ----

def digits(min_size, max_size):
    return st.text("0123456789", min_size=min_size, max_size=max_size)


@st.composite
def decimal_texts(draw):
    """JSON number texts: long mantissas, leading and trailing zeros, exponents from -400 to +400."""
    sign = draw(st.sampled_from(["", "-"]))
    integer = draw(st.one_of(st.just("0"), st.builds(lambda a, b: a + b, st.sampled_from("123456789"),
                                                       st.one_of(digits(0, 20), digits(300, 420)))))
    fraction = draw(st.one_of(st.just(""), st.builds(lambda z, d: "." + z + d, st.text("0", max_size=330),
                                                      st.one_of(digits(1, 25), digits(300, 800)))))
    exponent = draw(st.one_of(st.just(""), st.builds(lambda e, s, z, n: e + s + z + str(n), st.sampled_from("eE"),
                                                      st.sampled_from(["", "+", "-"]), st.sampled_from(["", "00"]),
                                                      st.integers(0, 400))))
    return sign + integer + fraction + exponent


def float_texts():
    """Shortest and long forms of subnormals and of doubles of any size."""
    return st.floats(allow_nan=False, allow_infinity=False).flatmap(
        lambda x: st.sampled_from([repr(x), f"{x:.40e}", f"{x:.17g}"]))


def integer_texts():
    edges = [2**53, 2**63, 2**64, 10**19]
    return st.builds(lambda edge, delta, sign: sign + str(edge + delta), st.sampled_from(edges),
                     st.integers(-3, 3), st.sampled_from(["", "-"]))


def zero_texts():
    return st.builds(lambda sign, zeros, e: sign + "0" + zeros + e, st.sampled_from(["", "-"]),
                     st.sampled_from(["", ".0", ".000000000000000000000000"]),
                     st.integers(-400, 400).map(lambda n: f"e{n}") | st.just("") | st.just("e-99999999999"))


def same_double(a, b):
    return struct.pack("<d", a) == struct.pack("<d", b)


READERS = [  # text of a reader's document holding one number, the column where it starts, reading it back
    ('{"preprocess":%s}', 15, lambda text: ST.from_json(text).preprocess),
    ('{"energy":[%s],"objective":[],"constraint_violations":{},"constraint_forall":{},"constraint_values":[],'
     '"penalty":{}}', 12, lambda text: float(E.from_json(text).energy[0])),
    ('{"solution":{"Dense":{"x":[{"v":1,"dim":[],"data":[%s]}]}},"num_occurrences":[1]}', 52,
     lambda text: float(R.from_json(text).solution["x"][0])),
]


@pytest.mark.parametrize("document, column, read", READERS, ids=["SolvingTime", "Evaluation", "Record"])
@settings(max_examples=1500)
@given(number=st.one_of(decimal_texts(), float_texts(), integer_texts(), zero_texts()))
@example(number="1.0000000000000000001e-330")
@example(number="0e-98")
@example(number="0.000000000000000000000000e-10")
@example(number="-0")
@example(number="2.4703282292062327e-324")
@example(number="2.4703282292062328e-324")
@example(number="1.7976931348623158e308")
@example(number="1.7976931348623159e308")
@example(number="1" * 309)
@example(number="0e400")
def test_numbers_read_as_float_reads_them(document, column, read, number):
    expected = float(number)
    text = document % number
    if math.isinf(expected):
        with pytest.raises(ValueError) as raised:
            read(text)
        assert str(raised.value) == TOO_BIG.format(column)
    else:
        assert same_double(read(text), expected)


@pytest.mark.parametrize("number", ["1e400", "-1e309", "1" * 310, "0.000001e315", "1e99999999999999999999"])
def test_numbers_too_big_under_ignored_keys_are_refused(number):
    with pytest.raises(ValueError, match=rf"^{TOO_BIG.format(9)}$"):
        ST.from_json('{"x":[1,%s]}' % number)


@pytest.mark.parametrize("number, counts", [
    ("18446744073709551615", [2**64 - 1]), ("0", [0]), ("-0", [0]),
])
def test_counts_take_integers(number, counts):
    assert R.from_json('{"solution":{"Sparse":{}},"num_occurrences":[%s]}' % number).num_occurrences == counts


@pytest.mark.parametrize("number, message", [
    ("-1", "invalid value: integer `-1`, expected u64"),
    ("-9223372036854775808", "invalid value: integer `-9223372036854775808`, expected u64"),
    ("-9223372036854775809", "invalid type: floating point `-9223372036854776000.0`, expected u64"),
    ("18446744073709551616", "invalid type: floating point `18446744073709552000.0`, expected u64"),
    ("1e0", "invalid type: floating point `1.0`, expected u64"),
    ("0e400", "invalid type: floating point `0.0`, expected u64"),
    ("1.0", "invalid type: floating point `1.0`, expected u64"),
])
def test_counts_refuse_other_numbers(number, message):
    # a value's position is the end of its text
    with pytest.raises(ValueError, match=rf"^{message} at line 1 column {45 + len(number)}$"):
        R.from_json('{"solution":{"Sparse":{}},"num_occurrences":[%s]}' % number)


@pytest.mark.parametrize("text, message", [  # the reader's own messages and positions are unchanged
    ('{"preprocess":1.}', "Miss fraction part in number at line 1 column 17"),
    ('{"preprocess":1e}', "Miss exponent in number at line 1 column 17"),
    ('{"preprocess":-}', "Invalid value at line 1 column 16"),
    ('{"preprocess":1.-123}', "Miss fraction part in number at line 1 column 17"),
    ('{"preprocess":01}', "Missing a comma or '}' after an object member at line 1 column 16"),
    ('{"preprocess":1e5e5}', "Missing a comma or '}' after an object member at line 1 column 18"),
    ('{"preprocess":1.5.5}', "Missing a comma or '}' after an object member at line 1 column 18"),
    ('{"preprocess":1e400e}', "Number too big to be stored in double at line 1 column 15"),
    ('{"preprocess":0e400.1}', "Missing a comma or '}' after an object member at line 1 column 20"),
    ('[1-2]', "Missing a comma or ']' after an array element at line 1 column 3"),
])
def test_malformed_numbers(text, message):
    with pytest.raises(ValueError, match=rf"^{message}$".replace("{", r"\{").replace("}", r"\}")):
        ST.from_json(text)


# ---- shapes that no array can have ----

DENSE = '{"solution":{"Dense":{"x":[{"v":1,"dim":[%s],"data":[%s]}]}},"num_occurrences":[1]}'


@pytest.mark.parametrize("dim, data, message", [
    ([2**64 - 1, 0], [], r"dim \[18446744073709551615, 0\] is too large for an array"),
    ([0, 2**63 - 1], [], r"dim \[0, 9223372036854775807\] is too large for an array"),
    ([2**60, 0, 2], [], r"dim \[1152921504606846976, 0, 2\] is too large for an array"),
    ([1] * 65, [1.0], r"dim \[1(, 1){64}\] has more than 64 axes"),
])
def test_dense_shapes_refused_when_read(dim, data, message):
    with pytest.raises(ValueError, match=rf"^{message} at line 1 column \d+$"):
        R.from_json(DENSE % (",".join(map(str, dim)), ",".join(map(str, data))))


@pytest.mark.parametrize("dim", [[2**60 - 1, 0], [1] * 64, [0] * 64])
def test_dense_shapes_at_the_limits_are_read(dim):
    data = "1.0" if 0 not in dim else ""
    if len(dim) > NUMPY_MAX_DIMS:  # numpy 1.x arrays have at most 32 axes: its own error, when the array is made
        with pytest.raises(ValueError, match="maximum supported dimension for an ndarray is 32"):
            R.from_json(DENSE % (",".join(map(str, dim)), data)).solution
        return
    record = R.from_json(DENSE % (",".join(map(str, dim)), data))
    assert record.solution["x"][0].shape == tuple(dim) and record.to_dict()["solution"]["x"][0].shape == tuple(dim)


SET = ('{"record":{"solution":{"x":[%s]},"num_occurrences":[1]},"evaluation":{"energy":[],"objective":[],'
       '"constraint_violations":{},"constraint_forall":{},"constraint_values":[],"penalty":{}},'
       '"measuring_time":{"solve":{},"system":{},"total":null},"metadata":{}}')


def nested_lists(depth):
    return "[" * depth + "0.5" + "]" * depth


@pytest.mark.parametrize("depth", [65, 124, 300])  # read by zorvane, then (deeper than 128 in all) by orjson
def test_dense_lists_deeper_than_arrays_are_refused_when_read(depth):
    with pytest.raises(ValueError, match=rf"^dim \[1(, 1){{{depth - 1}}}\] has more than 64 axes$"):
        zv.SampleSet.from_json(SET % nested_lists(depth))


def test_dense_lists_as_deep_as_arrays_are_read_and_written_back():
    s = zv.SampleSet.from_json(SET % nested_lists(NUMPY_MAX_DIMS))
    assert s.record.solution["x"][0].shape == (1,) * NUMPY_MAX_DIMS
    assert zv.SampleSet.from_json(s.to_json()) == s


@pytest.mark.skipif("/asan-site/" in zv.__file__, reason="4 GiB of text and more under ASan")
def test_a_key_of_4_gib_is_read_whole():
    # Cut to 32 bits, the long key would read as a second "solution"
    with open("/proc/meminfo") as meminfo:
        available = int(meminfo.read().split("MemAvailable:")[1].split()[0]) << 10
    if available < 8 << 30:
        pytest.skip("needs 8 GiB of memory")
    script = textwrap.dedent("""
        import zorvane as zv
        text = '{"num_occurrences":[1],"solution":{"Sparse":{}},"solution%*s":{"Sparse":{}}}' % (2**32, "")
        assert zv.Record.from_json(text) == zv.Record({}, [1])
        print("OK")
    """)
    proc = processes.python(script)
    assert proc.returncode == 0 and proc.stdout == "OK\n", proc.stderr[-2000:]


@pytest.mark.parametrize("shape, error, message", [
    ((2**64 - 1, 0), MemoryError, r"^a dense array of shape \[18446744073709551615, 0\] is too large$"),
    ((1,) * 65, ValueError, r"^a dense array of shape \[1(, 1){64}\] has more than 64 axes$"),
])
def test_sparse_shapes_refused_when_made_dense(shape, error, message):
    record = R({"x": [(((),) * len(shape), [], shape)]}, [1])
    with pytest.raises(error, match=message):
        record.to_dense()


# ---- dicts and lists changed while they are read ----

def refilling(container, *contents):
    """A number that, when read, empties `container` and fills it again with `contents` (same size)."""
    def convert(self):
        if container and not self.done:
            self.done = True
            container.clear()
            (container.update if isinstance(container, dict) else container.extend)(*contents)
        return 1.0
    return type("Refilling", (), {"done": False, "__float__": convert, "__index__": lambda self: int(convert(self))})()


def changed_dict(make_value):
    solution = {}
    solution.update({"a": make_value(refilling(solution, {"y": [], "z": []})), "b": []})
    return solution


def changed_list(kept=2.0):
    values = []
    values.extend([refilling(values, [kept, kept]), kept])
    return values


@pytest.mark.parametrize("read, message", [
    (lambda: R(changed_dict(lambda x: [(([0],), [x], (1,))]), [1]), "dictionary changed during iteration"),
    (lambda: R({"a": [(([0],), changed_list(), (1,))]}, [1]), "list changed during iteration"),
    (lambda: R({"a": []}, changed_list(2)), "list changed during iteration"),
    (lambda: R.from_dict({"solution": changed_dict(lambda x: [(([x],), [1.0], (1,))])}), "dictionary changed during iteration"),
    (lambda: E(constraint_violations=changed_dict(lambda x: [x])), "dictionary changed during iteration"),
    (lambda: E(energy=changed_list()), "list changed during iteration"),
    (lambda: E(constraint_forall={"a": [changed_list(2)]}), "list changed during iteration"),
    (lambda: E(constraint_values=[changed_dict(lambda x: [x])]), "dictionary changed during iteration"),
    (lambda: E.from_dict({"penalty": changed_dict(lambda x: [x])}), "dictionary changed during iteration"),
])
def test_containers_changed_while_read_are_refused(read, message):
    with pytest.raises(RuntimeError, match=rf"^{message}$"):
        read()


def test_containers_changed_and_restored_are_read():
    values = [1.0, 2.0]

    class Restoring:
        def __float__(self):
            saved = values[:]
            values[:] = [9.0]
            values[:] = saved
            return 3.0

    values.append(Restoring())
    assert E(energy=values).energy.tolist() == [1.0, 2.0, 3.0]


# ---- Ctrl-C ----

INTERRUPTED = r"""
import signal, zorvane
text = '{"x":[' + '1.5,' * 25_000_000 + '1]} trailing'   # 100 MB
def interrupt(signum, frame):
    raise KeyboardInterrupt
signal.signal(signal.SIGALRM, interrupt)
signal.setitimer(signal.ITIMER_REAL, 0.05)
try:
    zorvane.SolvingTime.from_json(text)
except KeyboardInterrupt:
    print("interrupted")
except ValueError:
    print("read to the end")
"""


def test_long_reading_is_interruptible():
    done = processes.python(INTERRUPTED)
    assert done.stdout == "interrupted\n", done.stderr


# ---- found by fuzzing ----

@pytest.mark.parametrize("text, column", [
    ('{"\\udc00":1}', 3),  # a lone low surrogate was kept as bytes that are not UTF-8
    ('{"solution":{"Sparse":{"x\\uDFFF":[]}},"num_occurrences":[]}', 26),
    ('{"a\\uDfFf\\udc00":1}', 4), ('{"\\ud800":1}', 3), ('{"\\ud800\\u0041":1}', 3),
])
@pytest.mark.parametrize("cls", [R, E, zv.MeasuringTime, ST, zv.SystemTime])
def test_lone_surrogates_are_refused(cls, text, column):
    with pytest.raises(ValueError, match=rf"^The surrogate pair in string is invalid at line 1 column {column}$"):
        cls.from_json(text)


def test_surrogate_pairs_and_escaped_backslashes_are_read():
    text = '{"solution":{"Sparse":{"\\ud83d\\ude00\\\\udc00":[]}},"num_occurrences":[]}'
    assert list(R.from_json(text).solution) == ["\U0001F600\\udc00"]


# ---- memory ----

# ASan reserves terabytes of address space, so no address-space limit can be set under it.
@pytest.mark.skipif("/asan-site/" in zv.__file__, reason="address-space limits do not work under ASan")
def test_a_long_name_reads_in_memory_proportional_to_it():
    # One 16 MiB name under 82 MiB of address-space headroom (1 GiB for 200 MiB): the events are
    # few, so they take room as they come, not in proportion to the text's length.
    script = textwrap.dedent("""
        import resource
        import zorvane as zv
        size = 16 << 20
        text = '{"solution":{"Sparse":{"' + "x" * size + '":[]}},"num_occurrences":[1]}'

        def vm_size():
            with open("/proc/self/status") as status:
                return next(int(line.split()[1]) * 1024 for line in status if line.startswith("VmSize:"))

        soft, hard = resource.getrlimit(resource.RLIMIT_AS)
        cap = vm_size() + (82 << 20)
        resource.setrlimit(resource.RLIMIT_AS, (cap if hard == resource.RLIM_INFINITY else min(cap, hard), hard))
        try:
            record = zv.Record.from_json(text)
        finally:
            resource.setrlimit(resource.RLIMIT_AS, (soft, hard))
        assert [len(name) for name in record.solution] == [size]
        print("OK")
    """)
    proc = processes.python(script)
    assert proc.returncode == 0 and proc.stdout == "OK\n", proc.stderr[-3000:]
