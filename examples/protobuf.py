"""An assignment model through protobuf bytes: to_protobuf and from_protobuf give back the same model,
and the official protobuf runtime reads the same bytes from the schema proto/zorvane_model.proto (compiled
here with grpcio-tools' protoc into a temporary folder), changes them and hands them back.
Needs `pip install protobuf grpcio-tools` (`make deps` installs both into .venv)."""
import importlib.util
import tempfile
import uuid
from pathlib import Path
from types import ModuleType

from google.protobuf import text_format  # type: ignore[import-untyped]
from grpc_tools import protoc  # type: ignore[import-untyped]

import zorvane as zv

SCHEMA = Path(__file__).resolve().parent.parent / "proto" / "zorvane_model.proto"

# Each worker takes one task and each task one worker, at the lowest total cost.
cost = zv.Placeholder("cost", ndim=2, description="cost of worker i doing task j")
n = cost.len_at(0, latex="n", description="number of workers and of tasks")
x = zv.BinaryVar("x", shape=[n, n], description="1 if worker i does task j")
i = zv.Element("i", belong_to=(0, n))
j = zv.Element("j", belong_to=(0, n))
problem = zv.Problem("assignment")
problem += zv.sum([i, j], cost[i, j] * x[i, j])
problem += zv.Constraint("one_task", zv.sum(j, x[i, j]) == 1, forall=i)
problem += zv.Constraint("one_worker", zv.sum(i, x[i, j]) == 1, forall=j)
print("LaTeX:")
print(problem._repr_latex_())

# The round trip: the model read back is the same model (names and structure; LaTeX strings and
# descriptions are not part of the bytes).
data = zv.to_protobuf(problem)
back = zv.from_protobuf(data)
assert isinstance(back, zv.Problem)
print(f"{len(data)} bytes; read back: {back.name}, {back.objective}")
print("same model:", zv.is_same(back, problem))
# A single expression or condition goes through the same way.
capacity = zv.from_protobuf(zv.to_protobuf(zv.sum(j, x[0, j]) <= 1))
print("a condition read back:", capacity, f"({type(capacity).__name__})")
try:
    zv.from_protobuf(b"not a model")
except zv.ProtobufDeserializationError as error:
    print(f"refused: {type(error).__name__}: {error}")


def compile_schema(out: Path) -> ModuleType:
    """The module protoc generates from the schema, loaded from `out`."""
    if protoc.main(["protoc", f"-I{SCHEMA.parent}", f"--python_out={out}", str(SCHEMA)]) != 0:
        raise RuntimeError(f"protoc failed on {SCHEMA}")
    spec = importlib.util.spec_from_file_location("zorvane_model_pb2", out / "zorvane_model_pb2.py")
    assert spec is not None and spec.loader is not None
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


with tempfile.TemporaryDirectory() as folder:
    pb = compile_schema(Path(folder))

# The same bytes, read by the protobuf runtime: one Header message around the problem.
header = pb.Header.FromString(data)
print()
print("runtime reads: body", header.WhichOneof("body"), "| schema version", header.version,
      "| message id is a version", uuid.UUID(header.id).version, "UUID")
model = header.problem
print("problem", repr(model.name), pb.Problem.Sense.Name(model.sense), "| constraints", sorted(model.constraints))
for name in sorted(model.constraints):
    constraint = model.constraints[name]
    print(f"  {name}: {pb.Constraint.Sense.Name(constraint.sense)},",
          f"{len(constraint.forall_list.indices)} forall index, {len(constraint.left.expr_nodes)} nodes on the left")
# An expression is a flat table; every *_id field is a position in it, and the root is root_id.
# (A field at its default, such as the value 0 of the first literal, is not written in proto3.)
objective = model.objective_function
print(f"objective: root {objective.root_id} of {len(objective.expr_nodes)} nodes")
for position, node in enumerate(objective.expr_nodes):
    kind = node.WhichOneof("kind")
    print(f"  {position}: {kind} {text_format.MessageToString(getattr(node, kind), as_one_line=True)}")

# The runtime writes, zorvane reads: rename the problem and maximise instead.
model.name = "assignment_max"
model.sense = pb.Problem.Sense.MAXIMIZE
changed = zv.from_protobuf(header.SerializeToString())
assert isinstance(changed, zv.Problem)
print("written by the runtime, read by zorvane:", changed.name, repr(changed.sense),
      "| constraints", list(changed.constraints))
