// Fuzzes the native JSON readers (Record, Evaluation, MeasuringTime, SolvingTime, SystemTime):
// the first byte picks the class, the rest is the text. They may only raise ValueError, and a
// value they read must read back from its own JSON as the same text and JSON. Every text also
// reads as a SampleSet as it does when a member the sets ignore sends it the general way.
#include "harness.hpp"

const char* const zorvane::fuzz::kSource = R"py(
import orjson
import zorvane as zv

CLASSES = [zv.Record, zv.Evaluation, zv.MeasuringTime, zv.SolvingTime, zv.SystemTime]

def outcome(text):
    try:
        s = zv.SampleSet.from_json(text)
    except Exception as error:
        return type(error), str(error)
    return repr(s), s.to_json()  # unlike ==, the texts find NaN (null in a list of floats) equal to NaN


def same_sample_set(text):
    """A SampleSet text reads as it does with a member that sends it the general way."""
    try:
        if not isinstance(orjson.loads(text), dict):
            return
    except Exception:  # not JSON, or a str that is not UTF-8
        return
    start = text.index("{")
    rest = text[start + 1:]
    general = text[:start + 1] + ('"unread":0' if rest.lstrip().startswith("}") else '"unread":0,') + rest
    assert outcome(text) == outcome(general), text


def run(data):
    if not data:
        return
    cls = CLASSES[data[0] % len(CLASSES)]
    text = data[1:].decode("utf-8", "surrogateescape")
    same_sample_set(text)
    try:
        value = cls.from_json(text)
    except ValueError:
        return
    repr(value)
    again = cls.from_json(value.to_json())
    assert repr(again) == repr(value) and again.to_json() == value.to_json(), (text, value, again)
    try:
        value.to_dict()
    except TypeError as error:  # ragged forall rows cannot become a matrix
        assert cls is zv.Evaluation and str(error).startswith("invalid length: "), error
)py";
