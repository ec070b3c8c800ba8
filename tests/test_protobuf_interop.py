"""The protobuf bytes against the official protobuf runtime. The schema users get (proto/zorvane_model.proto) is
compiled with grpcio-tools' protoc in the test run. The runtime parses what to_protobuf writes with no unknown field,
into messages that mean what the model holds; from_protobuf reads what the runtime writes: whole models re-encoded
with repeated ids packed or not, maps keyed by other texts than the names, and tables built by hand top-down."""
import importlib.util
import types
import uuid
from pathlib import Path

import pytest
from google.protobuf import descriptor_pb2, descriptor_pool, message_factory, unknown_fields
from grpc_tools import protoc

import io_models as io
import zorvane as zv

SCHEMA = Path(__file__).resolve().parent.parent / "proto" / "zorvane_model.proto"
CORPUS = {**io.EXPRESSIONS, **io.CONDITIONS, **io.MODELS}
BODY = {zv.Problem: "problem", zv.Constraint: "constraint", zv.CustomPenaltyTerm: "custom_penalty_term"}


@pytest.fixture(scope="session")
def pb(tmp_path_factory):
    """The schema's generated Python module."""
    out = tmp_path_factory.mktemp("protoc")
    assert protoc.main(["protoc", f"-I{SCHEMA.parent}", f"--python_out={out}", str(SCHEMA)]) == 0
    spec = importlib.util.spec_from_file_location("zorvane_model_pb2", out / "zorvane_model_pb2.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


@pytest.fixture(scope="session")
def unpacked(pb):
    """The schema's messages with every repeated id written unpacked, one key per value (a reader must take both)."""
    file = descriptor_pb2.FileDescriptorProto()
    pb.DESCRIPTOR.CopyToProto(file)
    for message in file.message_type:
        for field in message.field:
            if field.label == field.LABEL_REPEATED and field.type == field.TYPE_UINT64:
                field.options.packed = False
    pool = descriptor_pool.DescriptorPool()
    pool.Add(file)
    return types.SimpleNamespace(**{message.name: message_factory.GetMessageClass(
        pool.FindMessageTypeByName(f"{file.package}.{message.name}")) for message in file.message_type})


@pytest.fixture(scope="session", params=["packed", "unpacked"])
def schema(request, pb, unpacked):
    return pb if request.param == "packed" else unpacked


def walk(message, path=()):
    """(path of field names, message) for the message and every message inside it, map values included."""
    yield path, message
    for field, value in message.ListFields():
        if field.message_type is None:
            continue
        inner = value.values() if field.message_type.GetOptions().map_entry else value if field.is_repeated else [value]
        for item in inner:
            yield from walk(item, path + (field.name,))


def references(node):
    """Every table position an `ExprNode` refers to (fields named *_id and *_ids, nested ones included)."""
    for _, message in walk(node):
        for field in message.DESCRIPTOR.fields:
            if field.name.endswith("_ids"):
                yield from getattr(message, field.name)
            elif field.name.endswith("_id") and (not field.has_presence or message.HasField(field.name)):
                yield getattr(message, field.name)


def parsed(pb, obj):
    data = zv.to_protobuf(obj)
    return data, pb.Header.FromString(data)


# ---- what the module writes, read by the runtime ----

@pytest.mark.parametrize("obj", CORPUS.values(), ids=CORPUS)
def test_the_runtime_reads_what_is_written(pb, obj):
    data, header = parsed(pb, obj)
    unknown = [(".".join(path), field.field_number) for path, message in walk(header)
               for field in unknown_fields.UnknownFieldSet(message)]
    assert unknown == []
    assert header.version == 1 and header.WhichOneof("body") == BODY.get(type(obj), "expr")
    assert header.ByteSize() == len(data)  # the runtime's encoding is as long: ids packed, defaults left out
    ids = [message.id for _, message in walk(header) if "id" in message.DESCRIPTOR.fields_by_name]
    assert ids and all(str(uuid.UUID(text)) == text and uuid.UUID(text).version == 4 for text in ids)
    for _, message in walk(header):  # every reference points back into its own table
        if message.DESCRIPTOR.name in ("Expr", "ForallList"):
            nodes = message.expr_nodes
            for position, node in enumerate(nodes):
                assert node.WhichOneof("kind") and all(ref < position for ref in references(node))
            if message.DESCRIPTOR.name == "Expr":
                assert message.root_id < len(nodes)
            for index in getattr(message, "indices", []):
                assert nodes[index.element_id].WhichOneof("kind") == "element"
                assert not index.HasField("condition_id") or index.condition_id < len(nodes)


def test_what_the_runtime_sees(pb):
    """Messages mean what the model holds: names, senses, kinds, keys."""
    _, header = parsed(pb, io.problem())
    model = header.problem
    assert (model.name, model.sense) == ("knapsack", pb.Problem.MAXIMIZE)
    assert sorted(model.constraints) == ["capacity", "pairs"] and sorted(model.custom_penalty_terms) == ["each", "one"]
    assert all(value.name == key for key, value in [*model.constraints.items(), *model.custom_penalty_terms.items()])
    assert model.constraints["capacity"].sense == pb.Constraint.LESS_THAN_EQUAL
    pairs = model.constraints["pairs"].forall_list
    assert [index.HasField("condition_id") for index in pairs.indices] == [False, True]
    condition = pairs.expr_nodes[pairs.indices[1].condition_id].commutative_op
    assert condition.kind == pb.CommutativeOp.AND
    assert [pairs.expr_nodes[term].binary_op.kind for term in condition.term_ids] == [
        pb.BinaryOp.NOT_EQUAL, pb.BinaryOp.LESS_THAN]
    objective = model.objective_function
    total = objective.expr_nodes[objective.root_id].reduction_op
    assert total.kind == pb.ReductionOp.SUM and not total.index.HasField("condition_id")
    assert objective.expr_nodes[total.index.element_id].element.name == "i"
    _, header = parsed(pb, io.EXPRESSIONS["subscripted integer var"])
    nodes = header.expr.expr_nodes
    subscript = nodes[header.expr.root_id].subscript
    variable = nodes[subscript.variable_id].decision_var
    assert (subscript.type, subscript.ndim) == (pb.Subscript.DECISION_VAR, 0)
    assert (variable.type, variable.name, len(variable.shape_ids)) == (pb.DecisionVar.INTEGER, "y", 1)
    assert variable.lower_bound.type == pb.Bound.BOUND_EXPRESSION and variable.upper_bound.type == pb.Bound.BOUND_PLACEHOLDER
    assert nodes[variable.lower_bound.bound_id].number_lit.type == pb.NumberLit.INTEGER
    assert nodes[variable.upper_bound.bound_id].placeholder.ndim == 1
    _, header = parsed(pb, -1.5)
    literal = header.expr.expr_nodes[0].number_lit
    assert literal.type == pb.NumberLit.FLOAT and literal.value == 0xBFF8000000000000


def test_the_corpus_covers_the_schema(pb):
    """Every field of every message is written somewhere in the corpus, every non-zero enum value (zero is the
    default, never written), both oneof members of each body, and every Bound type where it can stand."""
    seen = set()
    for obj in CORPUS.values():
        for path, message in walk(parsed(pb, obj)[1]):
            name = message.DESCRIPTOR.name
            for field, value in message.ListFields():
                seen.add((name, field.name))
                if field.enum_type is not None or (name, field.name) == ("Bound", "type"):
                    seen.add((name, path[-1] if name == "Bound" else field.name, value))
    wanted = {(message.name, field.name) for message in pb.DESCRIPTOR.message_types_by_name.values()
              for field in message.fields}
    for message in pb.DESCRIPTOR.message_types_by_name.values():
        for field in message.fields:
            if field.enum_type is not None:
                wanted |= {(message.name, field.name, value.number) for value in field.enum_type.values if value.number}
    sets, bounds = pb.Bound.ElementSet.values(), pb.Bound.DecisionVarBound.values()
    wanted |= {("Bound", "bound", value) for value in sets if value}
    wanted |= {("Bound", side, value) for side in ("lower_bound", "upper_bound") for value in bounds if value}
    assert sorted(wanted - seen, key=str) == []


# ---- what the runtime writes, read by the module ----

def test_the_unpacked_schema_writes_one_key_per_id(pb, unpacked):
    assert pb.CommutativeOp(kind=1, term_ids=[0, 1]).SerializeToString() == bytes.fromhex("08 01 12 02 00 01")
    assert unpacked.CommutativeOp(kind=1, term_ids=[0, 1]).SerializeToString() == bytes.fromhex("08 01 10 00 10 01")


@pytest.mark.parametrize("obj", CORPUS.values(), ids=CORPUS)
def test_the_module_reads_what_the_runtime_writes(schema, obj):
    written = schema.Header.FromString(zv.to_protobuf(obj)).SerializeToString()
    assert zv.is_same(zv.from_protobuf(written), obj)


def test_map_keys_are_read_as_written(pb, schema):
    """A problem whose map keys differ from the names of their values keeps both, key by key in name order."""
    header = schema.Header.FromString(zv.to_protobuf(io.problem()))
    for entries in (header.problem.constraints, header.problem.custom_penalty_terms):
        for name in list(entries):
            entries[f"z-{name}"].CopyFrom(entries[name])
            del entries[name]
    back = zv.from_protobuf(header.SerializeToString())
    assert list(back.constraints) == ["z-capacity", "z-pairs"] and list(back.custom_penalty_terms) == ["z-each", "z-one"]
    original = io.problem()
    for key, value in [*back.constraints.items(), *back.custom_penalty_terms.items()]:
        expected = {**original.constraints, **original.custom_penalty_terms}[key[2:]]
        assert value.name == key[2:] and zv.is_same(value, expected)


def test_tables_built_top_down(schema):
    """A tool that writes each node before the nodes it refers to: the knapsack `max sum(i, v[i] * x[i])` s.t.
    `sum(i in [0, len(w)) s.t. i != 0, w[i] * x[i]) <= W`, the constraint under the key "fits"."""
    m = schema

    def table():  # 0: sum, 1: i, 2: 0, 3: len(w), 4: w, 5: v[i] * x[i], 6: v[i], 7: v, 8: x[i], 9: x
        return [
            m.ExprNode(reduction_op=m.ReductionOp(kind=m.ReductionOp.SUM, index=m.Index(element_id=1), operand_id=5)),
            m.ExprNode(element=m.Element(name="i", ndim=0, range=m.Range(start_id=2, end_id=3))),
            m.ExprNode(number_lit=m.NumberLit(type=m.NumberLit.INTEGER, value=0)),
            m.ExprNode(array_length=m.ArrayLength(type=m.ArrayLength.PLACEHOLDER, array_id=4, axis=0)),
            m.ExprNode(placeholder=m.Placeholder(name="w", ndim=1)),
            m.ExprNode(commutative_op=m.CommutativeOp(kind=m.CommutativeOp.MUL, term_ids=[6, 8])),
            m.ExprNode(subscript=m.Subscript(ndim=0, type=m.Subscript.PLACEHOLDER, variable_id=7, subscript_ids=[1])),
            m.ExprNode(placeholder=m.Placeholder(name="v", ndim=1)),
            m.ExprNode(subscript=m.Subscript(ndim=0, type=m.Subscript.DECISION_VAR, variable_id=9, subscript_ids=[1])),
            m.ExprNode(decision_var=m.DecisionVar(type=m.DecisionVar.BINARY, name="x", shape_ids=[3])),
        ]

    weights = table()
    weights[0].reduction_op.index.condition_id = 10  # i != 0
    weights[6].subscript.variable_id = 4
    weights.append(m.ExprNode(binary_op=m.BinaryOp(kind=m.BinaryOp.NOT_EQUAL, left_id=1, right_id=2)))
    fits = m.Constraint(name="capacity", sense=m.Constraint.LESS_THAN_EQUAL, left=m.Expr(root_id=0, expr_nodes=weights),
                        right=m.Expr(root_id=0, expr_nodes=[m.ExprNode(placeholder=m.Placeholder(name="W"))]),
                        forall_list=m.ForallList())
    model = m.Problem(name="knapsack", sense=m.Problem.MAXIMIZE, objective_function=m.Expr(root_id=0, expr_nodes=table()))
    model.constraints["fits"].CopyFrom(fits)
    back = zv.from_protobuf(m.Header(version=1, problem=model).SerializeToString())

    w, v, W = zv.Placeholder("w", ndim=1), zv.Placeholder("v", ndim=1), zv.Placeholder("W")
    i = zv.Element("i", belong_to=(0, w.len_at(0)))
    x = zv.BinaryVar("x", shape=[w.len_at(0)])
    assert (back.name, back.sense, list(back.constraints)) == ("knapsack", zv.ProblemSense.MAXIMIZE, ["fits"])
    assert zv.is_same(back.objective, zv.sum(i, v[i] * x[i]))
    assert zv.is_same(back.constraints["fits"], zv.Constraint("capacity", zv.sum((i, i != 0), w[i] * x[i]) <= W))


@pytest.mark.parametrize("condition_id, expected", [(None, "sum(i in [0..3), i)"), (0, "sum(i in [0..3) s.t. i != 0, i)")])
def test_condition_presence(schema, condition_id, expected):
    """`condition_id` has explicit presence: 0 written is the node at 0; absent is no condition."""
    m = schema
    nodes = [m.ExprNode(binary_op=m.BinaryOp(kind=m.BinaryOp.NOT_EQUAL, left_id=1, right_id=2)),
             m.ExprNode(element=m.Element(name="i", range=m.Range(start_id=2, end_id=3))),
             m.ExprNode(number_lit=m.NumberLit(type=m.NumberLit.INTEGER)),
             m.ExprNode(number_lit=m.NumberLit(type=m.NumberLit.INTEGER, value=3))]
    nodes.append(m.ExprNode(reduction_op=m.ReductionOp(kind=m.ReductionOp.SUM, operand_id=1, index=m.Index(
        element_id=1, condition_id=condition_id))))
    back = zv.from_protobuf(m.Header(version=1, expr=m.Expr(root_id=4, expr_nodes=nodes)).SerializeToString())
    assert type(back) is zv.SumOp and str(back) == expected
