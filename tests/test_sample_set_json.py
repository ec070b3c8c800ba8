"""SampleSet.from_json reads the text to_json writes without the dict form in between; every text reads as
before: the same set, or the same exception and message."""
import math
import re

import numpy as np
import orjson
import pytest
from hypothesis import given, strategies as st

import io_models as io
import zorvane as zv

SS = zv.SampleSet


def unread_key(text):
    """The text with a first member that the dict form ignores: it is then read the general way."""
    start = text.index("{")
    rest = text[start + 1:]
    return text[:start + 1] + ('"unread":0' if rest.lstrip().startswith("}") else '"unread":0,') + rest


def outcome(read, text):
    try:
        s = read(text)
    except Exception as error:  # noqa: BLE001 - the outcome compared is any exception
        return type(error), str(error)
    try:
        written = s.to_json()  # the text tells -0.0 from 0.0
    except TypeError as error:  # forall rows of unequal lengths are read but not written
        written = type(error), str(error)
    return repr(s), written  # the text, unlike ==, finds NaN equal to NaN


def assert_reads_as_before(text):
    new = outcome(SS.from_json, text)
    try:
        document = orjson.loads(text)
    except orjson.JSONDecodeError as error:
        assert new == (type(error), str(error))
        return
    if not isinstance(document, dict):
        with pytest.raises(TypeError, match="cannot be converted to 'PyDict'"):
            SS.from_json(text)
        return
    assert new == outcome(SS.from_json, unread_key(text))
    by_dict = outcome(SS.from_dict, document)
    # only the text form reads dense lists, and None as NaN in a list of floats
    text_only = by_dict[0] is TypeError and (by_dict[1].startswith("Failed to extract a solution") or
                                             by_dict[1] == "must be real number, not NoneType")
    if "unread" not in document and not text_only:
        assert new == by_dict


TOKEN = re.compile(r'"(?:[^"\\]|\\.)*"|-?\d+(?:\.\d+)?(?:[eE][+-]?\d+)?|true|false|null|[{}\[\],:]|\s+')
REPLACEMENTS = ["-0", "0", "-0.0", "1", "-1", "2.5", "1e400", "1e-400", "-1e-400", "18446744073709551615",
                "18446744073709551616", "-9223372036854775809", "1E2", "null", "true", '"s"', "[]", "{}", "[1]", "[[]]",
                '"record"', '"evaluation"', '"measuring_time"', '"metadata"', '"solution"', '"num_occurrences"',
                '"energy"', '"constraint_values"', '"total"', '"solve"', '"system"', '"preprocess"', '"x"', '"\\u0078"',
                '"\\ud800"', '"\\n"', ",", ":", "{", "}", "[", "]", " ", ""]


@st.composite
def perturbed_texts(draw):
    text = draw(io.sample_sets).to_json()
    tokens = TOKEN.findall(text)
    assert "".join(tokens) == text
    for _ in range(draw(st.integers(1, 3))):
        at = draw(st.integers(0, len(tokens) - 1))
        edit = draw(st.sampled_from(["replace", "copy", "drop"]))
        if edit == "replace":
            tokens[at] = draw(st.sampled_from(REPLACEMENTS))
        elif edit == "copy":  # repeats a member, a key or a value
            end = min(len(tokens), at + draw(st.integers(1, 8)))
            tokens[at:at] = tokens[at:end]
        else:
            del tokens[at]
    return "".join(tokens)


@given(s=io.sample_sets)
def test_written_texts(s):
    text = s.to_json()
    assert SS.from_json(text) == s
    assert_reads_as_before(text)
    assert_reads_as_before(text.replace(",", ", ").replace(":", " : "))


@given(text=perturbed_texts())
def test_perturbed_texts(text):
    assert_reads_as_before(text)


def plain(value, number=lambda x: x):
    """A dict form as plain data, every float as the repr of `number(float)` (which may make it None)."""
    if isinstance(value, dict):
        return {key: plain(item, number) for key, item in value.items()}
    if isinstance(value, np.ndarray):
        return value.dtype.str, value.shape, plain(value.ravel().tolist(), number)
    if isinstance(value, (list, tuple)):
        return type(value)(plain(item, number) for item in value)
    if isinstance(value, float):
        value = number(value)
        return None if value is None else repr(value)
    return value


def nan_if_not_finite(x):
    return x if math.isfinite(x) else math.nan


@given(s=io.sample_sets_of(st.one_of(st.floats(), st.sampled_from([math.nan, math.inf, -math.inf]))))
def test_non_finite_floats_read_back_as_nan(s):
    """to_json writes NaN and the infinities as null, which reads back as NaN in a list of floats and as an absent
    time."""
    d = s.to_dict()
    expected = {**plain(d, nan_if_not_finite),
                "measuring_time": plain(d["measuring_time"], lambda x: x if math.isfinite(x) else None)}
    text = s.to_json()
    for read in [SS.from_json(text), SS.from_json(unread_key(text))]:
        assert plain(read.to_dict()) == expected
    for record in [s.record.to_sparse(), s.record.to_dense()]:
        assert plain(zv.Record.from_json(record.to_json()).to_dict()) == plain(record.to_dict(), nan_if_not_finite)
    assert plain(zv.Evaluation.from_json(s.evaluation.to_json()).to_dict()) == expected["evaluation"]
    assert plain(zv.MeasuringTime.from_json(s.measuring_time.to_json()).to_dict()) == expected["measuring_time"]


BASE = ('{"record":{"solution":{"x":[[[[0,1]],[1.0,2.0],[2]]]},"num_occurrences":[1]},'
        '"evaluation":{"energy":[0.5],"objective":[1.5],"constraint_violations":{},"constraint_forall":{},'
        '"constraint_values":[],"penalty":{}},"measuring_time":{"solve":{},"system":{},"total":null}%s}')


@pytest.mark.parametrize("text", [
    BASE % "", BASE % ',"metadata":{}', BASE % ',"metadata":{"a":[1,{"b":"\\u00e9"}],"c":null}',
    BASE % ',"metadata":{"a":1,"a":2}', BASE % ',"metadata":{"a":1e400}', BASE % ',"metadata":{"a":"\\udc00"}',
    BASE % ',"metadata":[]', BASE % ',"metadata":null', BASE % ',"record":{}', BASE % ',"other":1',
    (BASE % "").replace('"energy":[0.5]', '"energy":[-0, 3, -7, 18446744073709551616]'),
    # forall rows of unequal lengths read, and are then refused when written
    (BASE % "").replace('"constraint_forall":{}', '"constraint_forall":{"c":[[0,0],[0,0,0]]}'),
    (BASE % "").replace('"num_occurrences":[1]', '"num_occurrences":[-0]'),
    (BASE % "").replace('"num_occurrences":[1]', '"num_occurrences":[1.0]'),
    (BASE % "").replace('"num_occurrences":[1]', '"num_occurrences":[-1]'),
    (BASE % "").replace('"total":null', '"total":-0'),
    (BASE % "").replace('"solve":{}', '"solve":null'),
    (BASE % "").replace('"solve":{}', '"solve":{"solve":1,"solve":null}'),
    (BASE % "").replace('"x":[', '"x":[[[[0]],[1],[3]],'),
    (BASE % "").replace('"x":[', '"y":[],"x":[]'),
    (BASE % "").replace('{"x":[[[[0,1]],[1.0,2.0],[2]]]}', '{"x":[[1.0,2.0]]}'),
    (BASE % "").replace('"constraint_values":[]', '"constraint_values":[{"c":[1]},{"c":[2],"c":[3]}]'),
    (BASE % "") + " ", (BASE % "") + "x", (BASE % "")[:-1], " " + (BASE % ""),
])
def test_texts(text):
    assert_reads_as_before(text)


def test_integers_read_as_floats():
    s = SS.from_json((BASE % "").replace('"energy":[0.5]', '"energy":[-0,-0.0]'))
    assert [str(v) for v in s.evaluation.energy] == ["0.0", "-0.0"]


def test_metadata_load_errors_surface():
    with pytest.raises(orjson.JSONDecodeError, match="^number is infinity when parsed as double"):
        SS.from_json(BASE % ',"metadata":{"a":1e400}')


# The value of a plain text (no escapes, numbers that fit a double) is made as orjson.loads makes it: int for an
# integer that fits 64 bits, float for any other number, a repeated key keeps its first place and its last value.
NUMBERS = (st.sampled_from(["-0", "0", "-0.0", "1E5", "1e-7", "2.5", "-1", "9223372036854775807", "18446744073709551615",
                            "-9223372036854775808", "18446744073709551616", "-9223372036854775809", "5e-324",
                            "1.7976931348623157e308", "0.30000000000000004", "123456789012345678901234567890"])
           | st.integers().map(str) | st.floats(allow_nan=False, allow_infinity=False).map(repr))
WORDS = st.text(st.characters(blacklist_categories=("Cc", "Cs"), blacklist_characters='"\\'), max_size=4)
KEYS = st.sampled_from(["a", "b", "é", "🙂", ""]) | WORDS
OBJECTS = st.lists(st.tuples(KEYS, st.deferred(lambda: VALUES)), max_size=4).map(
    lambda members: "{" + ",".join(f'"{key}" : {value}' for key, value in members) + "}")
VALUES = st.one_of(NUMBERS, st.sampled_from(["true", "false", "null"]), WORDS.map(lambda word: f'"{word}"'),
                   st.lists(st.deferred(lambda: VALUES), max_size=4).map(lambda items: "[" + ", ".join(items) + "]"),
                   OBJECTS)
DENSE_HEAD = SS(zv.Record({"x": [np.arange(3.0)]}, [1]), zv.Evaluation(energy=[1.0]), zv.MeasuringTime()).to_json()[:-3]


def typed(value):  # exact: types, float bits, key order
    if isinstance(value, dict):
        return [(key, typed(item)) for key, item in value.items()]
    if isinstance(value, list):
        return [typed(item) for item in value]
    return type(value), value.hex() if isinstance(value, float) else value


@given(metadata=OBJECTS)
def test_the_value_of_a_plain_text_is_what_orjson_makes_of_it(metadata):
    assert DENSE_HEAD.endswith('"metadata":')
    assert typed(SS.from_json(DENSE_HEAD + metadata + "}").metadata) == typed(orjson.loads(metadata))
