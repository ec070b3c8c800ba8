"""Mutated and random encodings: from_protobuf gives a model object or one of the module's
exceptions (never a crash, a hang or any other exception), and what it gives is written and
read back unchanged."""
import copy

import pytest
from hypothesis import HealthCheck, given, settings, strategies as st

import protobuf_wire as pw
import zorvane as zv
from test_protobuf import CONDITIONS, EXPRESSIONS, MODELS

REFUSALS = (zv.ProtobufDeserializationError, zv.ModelingError, ValueError)

SAMPLES = [zv.to_protobuf(obj) for obj in (
    *MODELS.values(),
    EXPRESSIONS["nested sums"], EXPRESSIONS["conditional sum"], EXPRESSIONS["shared subtrees"],
    EXPRESSIONS["subscripted semi-integer var"], EXPRESSIONS["length of a subscripted element"],
    EXPRESSIONS["element over a subscripted placeholder"], EXPRESSIONS["subscripted continuous var"],
    CONDITIONS["nested"],
)]


def shown(obj):
    if isinstance(obj, zv.Problem):
        return (obj.name, repr(obj.sense), repr(obj.objective), repr(obj.constraints),
                repr(obj.custom_penalty_terms))
    return repr(obj)


@st.composite
def mutated(draw):
    data = bytearray(draw(st.sampled_from(SAMPLES)))
    for _ in range(draw(st.integers(1, 4))):
        at = draw(st.integers(0, len(data)))
        action = draw(st.sampled_from(["flip", "set", "insert", "delete", "truncate", "repeat"]))
        if action in ("flip", "set") and at < len(data):
            data[at] = data[at] ^ (1 << draw(st.integers(0, 7))) if action == "flip" else draw(st.integers(0, 255))
        elif action == "insert":
            data[at:at] = draw(st.binary(min_size=1, max_size=8))
        elif action == "delete":
            del data[at:at + draw(st.integers(1, 8))]
        elif action == "truncate":
            del data[at:]
        elif action == "repeat":
            end = draw(st.integers(at, min(len(data), at + 32)))
            data[end:end] = data[at:end]
    return bytes(data)


def parse(data):
    """The fields of a message as [field, wire, value] lists, length-delimited values that read
    as messages parsed in turn; None when `data` is not a message."""
    try:
        fields = pw.fields(data)
    except (AssertionError, IndexError):
        return None
    return [[f, w, (parse(v) or v) if w == 2 and v else v] for f, w, v in fields]


def encode(tree):
    return b"".join(pw.key(f, w) + (pw.varint(v) if w == 0 else
                                    (lambda b: pw.varint(len(b)) + b)(v if isinstance(v, bytes) else encode(v)))
                    for f, w, v in tree)


def messages(tree):
    yield tree
    for _, _, value in tree:
        if isinstance(value, list):
            yield from messages(value)


VALUES = [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 2**32 + 1, 2**63, 2**64 - 1]


@st.composite
def restructured(draw):
    """Well-formed bytes with fields changed, dropped, repeated or moved: the input that gets
    past the wire format into the rebuilding of the model."""
    tree = parse(draw(st.sampled_from(SAMPLES)))
    for _ in range(draw(st.integers(1, 5))):
        all_messages = [m for m in messages(tree) if m]
        if not all_messages:
            break
        message = draw(st.sampled_from(all_messages))
        entry = draw(st.integers(0, len(message) - 1))
        action = draw(st.sampled_from(["value", "drop", "repeat", "renumber", "move"]))
        if action == "value" and message[entry][1] == 0:
            message[entry][2] = draw(st.sampled_from(VALUES))
        elif action == "drop":
            del message[entry]
        elif action == "repeat":
            message.insert(draw(st.integers(0, len(message))), copy.deepcopy(message[entry]))
        elif action == "renumber":
            message[entry][0] = draw(st.integers(1, 11))
        elif action == "move":
            moved = message.pop(entry)
            draw(st.sampled_from(list(messages(tree)))).append(moved)
    return encode(tree)


def check(data):
    try:
        back = zv.from_protobuf(data)
    except REFUSALS as error:
        assert str(error)
        return
    text = shown(back)
    try:
        again = zv.to_protobuf(back)
    except zv.ProtobufSerializationError:  # an element over a subscripted decision variable
        return
    assert shown(zv.from_protobuf(again)) == text


FUZZ = settings(max_examples=400, deadline=None, suppress_health_check=[HealthCheck.too_slow])


@FUZZ
@given(mutated())
def test_mutated_encodings(data):
    check(data)


@FUZZ
@given(restructured())
def test_restructured_encodings(data):
    check(data)


@FUZZ
@given(st.binary(max_size=64))
def test_random_bytes(data):
    check(data)


@pytest.mark.parametrize("sample", range(len(SAMPLES)))
def test_every_prefix_of_a_sample(sample):
    data = SAMPLES[sample]
    for end in range(len(data)):
        check(data[:end])
