"""Writes the seed corpora of the fuzzing programs into fuzz/corpus/<program>/ (one file per input,
named by its SHA-1): the forms the writers produce for varied models and sample sets, and hand-made
edge cases. Run from the repository root with the module built: .venv/bin/python fuzz/make_corpus.py"""
import hashlib
import math
import pathlib
import shutil
import sys

import numpy as np
import orjson

sys.path.insert(0, "tests")
import io_models as io  # noqa: E402
import test_protobuf as pb  # noqa: E402
import zorvane as zv  # noqa: E402

ROOT = pathlib.Path("fuzz/corpus")
JSON_CLASSES = [zv.Record, zv.Evaluation, zv.MeasuringTime, zv.SolvingTime, zv.SystemTime]
DICT_CLASSES = [*JSON_CLASSES, zv.SampleSet]


def records():
    yield io.dense_record()
    yield io.sparse_record()
    yield zv.Record({}, [])
    yield zv.Record({"x": [np.array(2.5), np.zeros((2, 0, 3)), np.arange(24.0).reshape(2, 3, 4)]}, [1, 2, 3])
    yield zv.Record({"x": [((), [], ())], "y": [(([0, 0],), [1e-320, -0.0], (2**64 - 1,))]}, [2**64 - 1])


def evaluations():
    yield io.full_evaluation()
    yield zv.Evaluation()
    yield zv.Evaluation(energy=[1e308, -5e-324, 0.1], objective=[-0.0], constraint_forall={"c": [[0, 1], [2]]},
                        constraint_values=[{"c": [1.0]}, {}], penalty={"é\"\\\n": [2.0]})


def times():
    yield zv.MeasuringTime(zv.SolvingTime(1.0, None, 3.5), zv.SystemTime(1e-7, 2.0, None, 4.0, 5e300), 9.0)
    yield zv.MeasuringTime()
    yield zv.SolvingTime(0.5, 1.5, 2.5)
    yield zv.SystemTime(1.0, 2.0, 3.0, 4.0, None)


def values():
    yield from records()
    yield from evaluations()
    yield from times()
    yield io.sample_set(violations={"c": [0.0, 1.0, 0.0]}, metadata={"k": [1, "two"]})
    yield io.empty_set()


JSON_EDGES = [  # texts for every reader: numbers, nesting and the reader's own failures
    *(f'{{"preprocess":{n},"solve":[{n}],"x":{n}}}' for n in [
        "1e400", "-1e309", "0e400", "-0", "0.000000000000000000000000e-10", "1.0000000000000000001e-330",
        "2.4703282292062327e-324", "1.7976931348623159e308", "18446744073709551616", "-9223372036854775809",
        "1" * 400, "0." + "0" * 400 + "1e400", "1.", "1e", "-", "01", "1e5e5", "1.-2"]),
    "[" * 128 + "]" * 128, "[" * 129 + "]" * 129, '{"a":"\\ud800"}', '"\\u12"', "[1, 2] x", "{}\0 trailing", "",
    '{"solution":{"Dense":{"x":[{"v":1,"dim":[18446744073709551615,0],"data":[]}]}},"num_occurrences":[1]}',
    '{"solution":{"Dense":{"x":[[1,[2,2],[1,2,3]]]}},"num_occurrences":[1]}',
    '{"solution":{"Sparse":{"x":[{"shape":[3],"non_zero_values":[1],"non_zero_indices":[[2]]}]}},"num_occurrences":[]}',
]


def as_plain(obj):
    """The dict form in plain JSON: arrays as ["nd", ...], tuples as ["tuple", ...] (see fuzz/from_dict.cpp)."""
    if isinstance(obj, np.ndarray):
        return ["nd", *obj.tolist()] if obj.ndim else ["nd", obj.item()]
    if isinstance(obj, tuple):
        return ["tuple", *(as_plain(item) for item in obj)]
    if isinstance(obj, list):
        return [as_plain(item) for item in obj]
    if isinstance(obj, dict):
        return {key: as_plain(value) for key, value in obj.items()}
    if isinstance(obj, float) and not math.isfinite(obj):
        return None
    return obj


def write(program, data):
    folder = ROOT / program
    folder.mkdir(parents=True, exist_ok=True)
    (folder / hashlib.sha1(data).hexdigest()).write_bytes(data)


def main():
    shutil.rmtree(ROOT, ignore_errors=True)
    for value in values():
        if type(value) in JSON_CLASSES:
            write("from_json", bytes([JSON_CLASSES.index(type(value))]) + value.to_json().encode())
        try:
            plain = as_plain(value.to_dict())
        except TypeError:  # ragged forall rows have no dict form
            continue
        write("from_dict", bytes([DICT_CLASSES.index(type(value))]) + orjson.dumps(plain))
    for selector in range(len(JSON_CLASSES)):
        for text in JSON_EDGES:
            write("from_json", bytes([selector]) + text.encode("utf-8", "surrogatepass"))
    for selector in range(len(DICT_CLASSES)):
        write("from_dict", bytes([selector]) + b'{"solution":{"x":[["tuple",[[0]],[1e-320],["tuple",1]]]},"energy":'
              b'[1,2],"constraint_forall":{"a":[[18446744073709551615]]},"solve":{"solve":-0.0},"record":{},'
              b'"evaluation":{},"measuring_time":{},"metadata":{}}')
    for obj in (*pb.EXPRESSIONS.values(), *pb.CONDITIONS.values(), *pb.MODELS.values()):
        write("from_protobuf", zv.to_protobuf(obj))
    for data, *_ in pb.READ_ERRORS.values():
        write("from_protobuf", data)


if __name__ == "__main__":
    main()
