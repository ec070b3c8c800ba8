// Fuzzes the dict readers (`from_dict` of Record, Evaluation, MeasuringTime, SolvingTime,
// SystemTime and SampleSet): the first byte picks the class, the rest is JSON turned into Python
// objects, where a list starting with "nd" becomes a float64 array and one starting with "tuple"
// a tuple, so the dense and sparse solution forms are reached. The readers may raise TypeError,
// ValueError or OverflowError; a value they read must print and read back equal from its dict.
#include "harness.hpp"

const char* const zorvane::fuzz::kSource = R"py(
import sys
import numpy as np
import orjson
import zorvane as zv

sys.setrecursionlimit(10000)
CLASSES = [zv.Record, zv.Evaluation, zv.MeasuringTime, zv.SolvingTime, zv.SystemTime, zv.SampleSet]

def objects(x):
    if isinstance(x, list):
        items = [objects(item) for item in x]
        tag = items[0] if items and isinstance(items[0], str) else None
        if tag == "nd":
            try:
                return np.asarray(items[1:], dtype=np.float64)
            except (ValueError, TypeError, OverflowError):
                pass
        if tag == "tuple":
            return tuple(items[1:])
        return items
    if isinstance(x, dict):
        return {key: objects(value) for key, value in x.items()}
    return x

def run(data):
    if not data:
        return
    cls = CLASSES[data[0] % len(CLASSES)]
    try:
        obj = objects(orjson.loads(data[1:]))
    except orjson.JSONDecodeError:
        return
    if not isinstance(obj, dict):
        return
    try:
        value = cls.from_dict(obj)
    except (TypeError, ValueError, OverflowError):
        return
    repr(value)
    try:
        again = cls.from_dict(value.to_dict())
    except TypeError as error:  # ragged forall rows cannot become a matrix
        assert str(error).startswith("invalid length: "), error
        return
    assert again == value, (obj, value, again)
)py";
