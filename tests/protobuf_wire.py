"""A small writer and reader of the protobuf wire format, for building test input by hand and
looking into what `to_protobuf` writes. Field numbers are those of the model's schema."""
import struct

MASK = (1 << 64) - 1


# ---- writing ----

def varint(n):
    n &= MASK
    out = bytearray()
    while True:
        byte = n & 0x7F
        n >>= 7
        if n:
            out.append(byte | 0x80)
        else:
            out.append(byte)
            return bytes(out)


def key(field, wire):
    return varint(field << 3 | wire)


def vint(field, n):
    """A varint field; zero is left out, as the writer leaves out defaults."""
    return key(field, 0) + varint(n) if n else b""


def ld(field, payload=b""):
    """A length-delimited field, always written."""
    return key(field, 2) + varint(len(payload)) + payload


def text(field, s):
    return ld(field, s.encode()) if s else b""


def packed(field, ids):
    return ld(field, b"".join(varint(i) for i in ids)) if ids else b""


def float_bits(x):
    return struct.unpack("<Q", struct.pack("<d", x))[0]


# Header and bodies
def header(body=b"", version=1):
    return vint(2, version) + body


def expr(nodes, root=0):
    return vint(2, root) + b"".join(ld(3, n) for n in nodes)


def expr_body(nodes, root=0, version=1):
    return header(ld(6, expr(nodes, root)), version)


def index(element_id, condition=None):
    return vint(1, element_id) + (key(2, 0) + varint(condition) if condition is not None else b"")


def forall_list(indices, nodes):
    return b"".join(ld(1, i) for i in indices) + b"".join(ld(2, n) for n in nodes)


def constraint(name, sense, left=None, right=None, forall=None):
    out = text(2, name) + vint(3, sense)
    out += ld(4, left) if left is not None else b""
    out += ld(5, right) if right is not None else b""
    return out + (ld(6, forall) if forall is not None else b"")


def penalty(name, term=None, forall=None):
    out = text(2, name) + (ld(3, term) if term is not None else b"")
    return out + (ld(4, forall) if forall is not None else b"")


def problem(name="p", sense=1, objective=None, constraints=(), penalties=()):
    """`constraints` and `penalties`: (key, message) pairs in wire order."""
    out = text(2, name) + vint(3, sense)
    out += ld(4, objective) if objective is not None else b""
    out += b"".join(ld(5, text(1, k) + ld(2, v)) for k, v in constraints)
    return out + b"".join(ld(6, text(1, k) + ld(2, v)) for k, v in penalties)


# ExprNode records
def lit(value, type_=None):
    if isinstance(value, float):
        body = vint(1, 1 if type_ is None else type_) + vint(2, float_bits(value))
    else:
        body = vint(1, 2 if type_ is None else type_) + vint(2, value)
    return ld(1, body)


def placeholder(name, ndim=0):
    return ld(2, text(1, name) + vint(2, ndim))


def decision_var(type_, name, shape=(), lower=None, upper=None):
    """`lower` / `upper`: (Bound.type, bound_id)."""
    body = vint(1, type_) + text(2, name) + packed(3, shape)
    body += ld(4, vint(1, lower[0]) + vint(2, lower[1])) if lower else b""
    body += ld(5, vint(1, upper[0]) + vint(2, upper[1])) if upper else b""
    return ld(3, body)


def array_length(array_id, axis, type_=0):
    return ld(4, vint(1, type_) + vint(2, array_id) + vint(3, axis))


def unary(kind, operand):
    return ld(5, vint(1, kind) + vint(2, operand))


def binary(kind, left, right):
    return ld(6, vint(1, kind) + vint(2, left) + vint(3, right))


def commutative(kind, ids):
    return ld(7, vint(1, kind) + packed(2, ids))


def element_range(name, start, end, ndim=0):
    return ld(8, text(1, name) + vint(2, ndim) + ld(4, vint(1, start) + vint(2, end)))


def element_set(name, set_id, type_=1, ndim=0):
    return ld(8, text(1, name) + vint(2, ndim) + ld(3, vint(1, type_) + vint(2, set_id)))


def element_unset(name):
    return ld(8, text(1, name))


def subscript(variable, ids, type_=0, ndim=0):
    return ld(9, vint(1, ndim) + vint(2, type_) + vint(3, variable) + packed(4, ids))


def reduction(kind, element_id, operand, condition=None, with_index=True):
    return ld(10, vint(1, kind) + (ld(2, index(element_id, condition)) if with_index else b"") + vint(3, operand))


# ---- reading ----

def read_varint(data, pos):
    shift = value = 0
    while True:
        byte = data[pos]
        pos += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, pos


def fields(data):
    """[(field, wire, value)]: an int for varints, bytes for length-delimited fields."""
    out, pos = [], 0
    while pos < len(data):
        k, pos = read_varint(data, pos)
        field, wire = k >> 3, k & 7
        if wire == 0:
            value, pos = read_varint(data, pos)
        elif wire == 2:
            size, pos = read_varint(data, pos)
            value, pos = data[pos:pos + size], pos + size
        else:
            raise AssertionError(f"unexpected wire type {wire}")
        out.append((field, wire, value))
    return out


def message(data):
    """{field: [values]} of one message."""
    out = {}
    for field, _, value in fields(data):
        out.setdefault(field, []).append(value)
    return out


def one(msg, field, default=None):
    values = msg.get(field, [])
    assert len(values) <= 1, f"field {field} occurs {len(values)} times"
    return values[0] if values else default


def unpack_ids(payload):
    ids, pos = [], 0
    while pos < len(payload):
        value, pos = read_varint(payload, pos)
        ids.append(value)
    return ids


def written_expr(expr_message):
    """(root_id, [ExprNode bytes]) of an `Expr` message."""
    m = message(expr_message)
    return one(m, 2, 0), m.get(3, [])
