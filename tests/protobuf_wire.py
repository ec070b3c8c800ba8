"""The protobuf wire format by hand: writers of the model's messages (field numbers of its schema), to
build test input, and a reader of fields, to look into what `to_protobuf` writes."""
import struct


def varint(n):
    n &= (1 << 64) - 1
    out = bytearray()
    while n > 0x7F:
        out.append(n & 0x7F | 0x80)
        n >>= 7
    return bytes(out) + bytes([n])


# Fields. A varint field of zero is left out, as the writer leaves out defaults; `opt` leaves out None.
def key(field, wire): return varint(field << 3 | wire)
def vint(field, n): return key(field, 0) + varint(n) if n else b""
def ld(field, payload=b""): return key(field, 2) + varint(len(payload)) + payload
def opt(field, payload): return b"" if payload is None else ld(field, payload)
def text(field, s): return ld(field, s.encode()) if s else b""
def packed(field, ids): return ld(field, b"".join(varint(i) for i in ids)) if ids else b""


# The header, bodies and model messages. `constraints`: (key, Constraint message) pairs in wire order.
def header(body=b"", version=1): return vint(2, version) + body
def expr(nodes, root=0): return vint(2, root) + b"".join(ld(3, n) for n in nodes)
def expr_body(nodes, root=0): return header(ld(6, expr(nodes, root)))
def index(element, condition=None): return vint(1, element) + (b"" if condition is None else key(2, 0) + varint(condition))
def forall_list(indices, nodes): return b"".join(ld(1, i) for i in indices) + b"".join(ld(2, n) for n in nodes)
def penalty(name, term=None): return text(2, name) + opt(3, term)


def constraint(name, sense, left=None, right=None, forall=None):
    return text(2, name) + vint(3, sense) + opt(4, left) + opt(5, right) + opt(6, forall)


def problem(name="p", sense=1, objective=None, constraints=()):
    return (text(2, name) + vint(3, sense) + opt(4, objective)
            + b"".join(ld(5, text(1, k) + ld(2, v)) for k, v in constraints))


# Whole buffers: a problem, one whose objective is a table (read as an expression only), a constraint, a table.
def problem_body(**fields): return header(ld(3, problem(**fields)))
def objective(nodes, root=0): return problem_body(objective=expr(nodes, root))
def constraint_body(*args, **kwargs): return header(ld(4, constraint(*args, **kwargs)))
def in_table(*nodes): return header(ld(6, expr(list(nodes))))
def bv_constraint(name, sense=1, value=1): return constraint(name, sense, expr([decision_var(1, "x")]), expr([lit(value)]))
def nested_groups(depth): return key(9, 3) * depth + key(9, 4) * depth


# ExprNode records. A decision variable's `lower` / `upper`: (Bound.type, bound_id).
def placeholder(name, ndim=0): return ld(2, text(1, name) + vint(2, ndim))
def array_length(array_id, axis): return ld(4, vint(2, array_id) + vint(3, axis))
def unary(kind, operand): return ld(5, vint(1, kind) + vint(2, operand))
def binary(kind, left, right): return ld(6, vint(1, kind) + vint(2, left) + vint(3, right))
def commutative(kind, ids): return ld(7, vint(1, kind) + packed(2, ids))
def element_range(name, start, end): return ld(8, text(1, name) + ld(4, vint(1, start) + vint(2, end)))
def element_set(name, set_id): return ld(8, text(1, name) + ld(3, vint(1, 1) + vint(2, set_id)))
def subscript(variable, ids): return ld(9, vint(3, variable) + packed(4, ids))


def lit(value, type_=None):
    bits = struct.unpack("<Q", struct.pack("<d", value))[0] if isinstance(value, float) else value
    return ld(1, vint(1, type_ if type_ is not None else 1 if isinstance(value, float) else 2) + vint(2, bits))


def decision_var(type_, name, shape=(), lower=None, upper=None):
    bound = [None if b is None else vint(1, b[0]) + vint(2, b[1]) for b in (lower, upper)]
    return ld(3, vint(1, type_) + text(2, name) + packed(3, shape) + opt(4, bound[0]) + opt(5, bound[1]))


def reduction(kind, element_id, operand, condition=None, with_index=True):
    return ld(10, vint(1, kind) + (ld(2, index(element_id, condition)) if with_index else b"") + vint(3, operand))


# ---- reading ----

def read_varint(data, pos):
    value = shift = 0
    while data[pos] & 0x80:
        value, shift, pos = value | (data[pos] & 0x7F) << shift, shift + 7, pos + 1
    return value | data[pos] << shift, pos + 1


def fields(data):
    """[(field, wire, value)]: an int for a varint, bytes for a length-delimited field."""
    out, pos = [], 0
    while pos < len(data):
        k, pos = read_varint(data, pos)
        if k & 7 == 0:
            value, pos = read_varint(data, pos)
        elif k & 7 == 2:
            size, pos = read_varint(data, pos)
            value, pos = data[pos:pos + size], pos + size
        else:
            raise AssertionError(f"unexpected wire type {k & 7}")
        out.append((k >> 3, k & 7, value))
    return out


def message(data, *path):
    """{field: [values]} of a message, or of the one reached through the fields of `path` (each once)."""
    out = {}
    for field, _, value in fields(data):
        out.setdefault(field, []).append(value)
    if not path:
        return out
    (inner,) = out[path[0]]
    return message(inner, *path[1:])
