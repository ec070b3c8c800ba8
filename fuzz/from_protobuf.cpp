// Fuzzes `from_protobuf`: any bytes. It may raise ProtobufDeserializationError, or the
// ModelingError, ValueError and RecursionError of the constructors it re-runs; a model it
// decodes must encode again, and print unless its printed form would be huge.
#include "harness.hpp"

const char* const zorvane::fuzz::kSource = R"py(
import zorvane as zv

EXPECTED = (zv.ProtobufDeserializationError, zv.ModelingError, ValueError, RecursionError)
PRINTED_NODES = 100_000  # larger forms are not printed

# The reader shares a record referenced many times, so a few bytes can decode to a tree of 2**60
# paths that the printer would write out in full. The size of the printed form is counted on the
# tables of the canonical encoding instead: per record, 1 + the sizes of the records it refers to.

def varint(data, i):
    value = shift = 0
    while True:
        value, shift, i = value | (data[i] & 0x7F) << shift, shift + 7, i + 1
        if data[i - 1] < 0x80:
            return value, i

def fields(data):  # {field: [values]}; the writer writes varints and length-delimited fields only
    out, i = {}, 0
    while i < len(data):
        key, i = varint(data, i)
        value, i = varint(data, i)
        if key & 7 == 2:
            value, i = data[i:i + value], i + value
        out.setdefault(key >> 3, []).append(value)
    return out

def packed(data):
    out, i = [], 0
    while i < len(data):
        value, i = varint(data, i)
        out.append(value)
    return out

# Per ExprNode member, the field paths of its references (through nested messages): a list is
# packed, an id left out is 0, but a condition id is there only when written.
REFERENCES = {3: [(3,), (4, 2), (5, 2)], 4: [(2,)], 5: [(2,)], 6: [(2,), (3,)], 7: [(2,)],
              8: [(3, 2), (4, 1), (4, 2)], 9: [(3,), (4,)], 10: [(2, 1), (2, 2), (3,)]}
LISTS, OPTIONAL = {(3, 3), (7, 2), (9, 4)}, {(10, 2, 2)}

def references(record):
    ((kind, (body,)),) = fields(record).items()
    out = []
    for path in REFERENCES.get(kind, []):
        message = fields(body)
        for field in path[:-1]:
            message = fields(message[field][0]) if field in message else None
            if message is None:
                break
        if message is None:
            continue
        values = message.get(path[-1])
        if (kind, *path) in LISTS:
            out += packed(values[0]) if values else []
        elif values or (kind, *path) not in OPTIONAL:
            out.append(values[0] if values else 0)
    return out

def table(records, roots):
    sizes = []
    for record in records:
        sizes.append(1 + sum(sizes[k] for k in references(record)))
    return sum(sizes[k] for k in roots)

def expr(data):
    f = fields(data)
    return table(f.get(3, []), f.get(2, [0]))

def forall(data):
    f = fields(data)
    roots = [k for index in f.get(1, []) for k in fields(index).get(1, [0]) + fields(index).get(2, [])]
    return table(f.get(2, []), roots)

def body(data, exprs, foralls):
    f = fields(data)
    return sum(expr(m) for k in exprs for m in f.get(k, [])) + sum(forall(m) for m in f.get(foralls, []))

def printed_nodes(encoded):
    header = fields(encoded)
    if 6 in header:
        return expr(header[6][0])
    if 4 in header:
        return body(header[4][0], (4, 5), 6)
    if 5 in header:
        return body(header[5][0], (3,), 4)
    problem = fields(header[3][0])
    return (body(header[3][0], (4,), None)
            + sum(body(fields(entry)[2][0], (4, 5), 6) for entry in problem.get(5, []))
            + sum(body(fields(entry)[2][0], (3,), 4) for entry in problem.get(6, [])))

def run(data):
    try:
        value = zv.from_protobuf(data)
    except EXPECTED:
        return
    encoded = zv.to_protobuf(value)
    if printed_nodes(encoded) <= PRINTED_NODES:
        repr(value)
)py";
