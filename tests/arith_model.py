"""A small pure-Python model of the arithmetic builders, used as an oracle by the tests.

Trees: a literal is a Python int (64-bit range) or float, a placeholder is its name (str), and an
operator node is a tuple ("+", *terms), ("*", *factors), ("**", base, exponent) or
("%", left, right). Nodes with their own LaTeX string are not modelled.
"""

import math

import zorvane as zv

INT64_MIN, INT64_MAX = -(2**63), 2**63 - 1


class ModelError(Exception):
    """An expected failure: the Python exception type and its message."""

    def __init__(self, kind, message):
        super().__init__(message)
        self.kind = kind
        self.message = message


# ---- trees from objects ----------------------------------------------------------------------

_SYMBOL = {zv.AddOp: "+", zv.MulOp: "*"}


def tree(e):
    """The tree of a zorvane expression object."""
    t = type(e)
    if t is zv.NumberLit:
        return e.value
    if t is zv.Placeholder:
        return e.name
    if t in _SYMBOL:
        return (_SYMBOL[t], *(tree(u) for u in e.terms))
    if t is zv.PowOp:
        return ("**", tree(e.base), tree(e.exponent))
    if t is zv.ModOp:
        return ("%", tree(e.left), tree(e.right))
    raise AssertionError(f"unexpected node {t.__name__}")


def same(got, expected):
    """Tree equality that keeps int and float apart and -0.0 from 0.0; NaN matches NaN."""
    if type(got) is not type(expected):
        return False
    if isinstance(expected, float):
        if math.isnan(expected):
            return math.isnan(got)
        return got == expected and math.copysign(1, got) == math.copysign(1, expected)
    if isinstance(expected, tuple):
        return len(got) == len(expected) and all(same(g, e) for g, e in zip(got, expected))
    return got == expected


def literal_of(value):
    """What the general conversion makes of a Python number."""
    if isinstance(value, bool):
        return int(value)
    if isinstance(value, int):
        return value if INT64_MIN <= value <= INT64_MAX else float(value)
    return float(value)


# ---- literal arithmetic ----------------------------------------------------------------------


def is_lit(t):
    return isinstance(t, (int, float))


def is_zero(t):
    return is_lit(t) and t == 0


def is_one(t):
    return is_lit(t) and t == 1


def _fold(exact, approx):
    return exact if INT64_MIN <= exact <= INT64_MAX else approx


def num_add(a, b):
    if isinstance(a, int) and isinstance(b, int):
        return _fold(a + b, float(a) + float(b))
    return float(a) + float(b)


def num_sub(a, b):
    if isinstance(a, int) and isinstance(b, int):
        return _fold(a - b, float(a) - float(b))
    return float(a) - float(b)


def num_mul(a, b):
    if isinstance(a, int) and isinstance(b, int):
        return _fold(a * b, float(a) * float(b))
    return float(a) * float(b)


def num_neg(a):
    if isinstance(a, int):
        return _fold(-a, -float(a))
    return -a


def num_eq(a, b):
    if isinstance(a, int) and isinstance(b, int):
        return a == b
    return float(a) == float(b)


def eq(a, b):
    """Structural equality (NaN equals nothing)."""
    if is_lit(a) or is_lit(b):
        return is_lit(a) and is_lit(b) and num_eq(a, b)
    if isinstance(a, str) or isinstance(b, str):
        return a == b
    return a[0] == b[0] and len(a) == len(b) and all(eq(u, v) for u, v in zip(a[1:], b[1:]))


def _sign_bit(v):
    return v < 0 if isinstance(v, int) else math.copysign(1.0, v) < 0


# ---- builders --------------------------------------------------------------------------------


def _flat(t, op):
    return isinstance(t, tuple) and t[0] == op


def _push_constant(terms, v):
    if terms and is_lit(terms[-1]):
        terms[-1] = num_add(terms[-1], v)
    else:
        terms.append(v)


def _push_term(terms, t):
    if is_lit(t):
        _push_constant(terms, t)
    elif terms and is_lit(terms[-1]):
        terms.insert(len(terms) - 1, t)
    else:
        terms.append(t)


def _clean_up(terms):
    terms = [t for t in terms if not is_zero(t)]
    return terms[0] if len(terms) == 1 else ("+", *terms)


def _take_constant(terms):
    for k, t in enumerate(terms):
        if is_lit(t):
            terms[k] = terms[-1]
            terms.pop()
            return t
    return None


def add(l, r):
    if is_lit(l) and is_lit(r):
        return num_add(l, r)
    if is_zero(l):
        return r
    if is_zero(r):
        return l
    if is_lit(l):
        if _flat(r, "+"):
            terms = list(r[1:])
            _push_constant(terms, l)
            return _clean_up(terms)
        return ("+", r, l)
    if _flat(l, "+"):
        terms = list(l[1:])
        if is_lit(r):
            _push_constant(terms, r)
            return _clean_up(terms)
        if _flat(r, "+"):
            other = list(r[1:])
            a = _take_constant(terms)
            b = _take_constant(other)
            terms += other
            if a is not None or b is not None:
                terms.append(num_add(a, b) if a is not None and b is not None else (a if a is not None else b))
            return _clean_up(terms)
        _push_term(terms, r)
        return ("+", *terms)
    if _flat(r, "+"):
        terms = list(r[1:])
        _push_term(terms, l)
        return ("+", *terms)
    return ("+", l, r)


def _mul_push_constant(terms, v):
    if terms and is_lit(terms[0]):
        terms[0] = num_mul(terms[0], v)
    else:
        terms.insert(0, v)


def mul(l, r):
    if is_lit(l) and is_lit(r):
        return num_mul(l, r)
    if is_zero(l):
        return 0
    if is_lit(r):
        if is_zero(r):
            return 0
        if is_one(r):
            return l
    if is_one(l):
        return r
    if is_lit(l):
        if _flat(r, "*"):
            terms = list(r[1:])
            _mul_push_constant(terms, l)
            return ("*", *terms)
        return ("*", l, r)
    if _flat(l, "*"):
        terms = list(l[1:])
        if is_lit(r):
            _mul_push_constant(terms, r)
            return ("*", *terms)
        if _flat(r, "*"):
            other = list(r[1:])
            if other and is_lit(other[0]):
                c = other[0]
                other[0] = other[-1]
                other.pop()
                _mul_push_constant(terms, c)
            return ("*", *terms, *other)
        return ("*", *terms, r)
    if _flat(r, "*"):
        return ("*", *r[1:], l)
    if _flat(l, "**") and _flat(r, "**") and eq(l[1], r[1]):
        return ("**", l[1], add(l[2], r[2]))
    if is_lit(r):
        return ("*", r, l)
    return ("*", l, r)


def sub(l, r):
    if is_zero(l):
        return 0 if is_zero(r) else mul(-1, r)
    if is_zero(r):
        return l
    if is_lit(l) and is_lit(r):
        return num_sub(l, r)
    return add(l, mul(-1, r))


def neg(t):
    return num_neg(t) if is_lit(t) else mul(-1, t)


def power(base, exponent):
    if is_zero(base) and is_lit(exponent) and _sign_bit(exponent):
        raise ModelError(ZeroDivisionError, "zero cannot be raised to a negative power")
    return ("**", base, exponent)


def mod(l, r):
    if is_zero(r):
        raise ModelError(ZeroDivisionError, "modulo by zero")
    return ("%", l, r)


def div(l, r):
    if is_zero(r):
        raise ModelError(ZeroDivisionError, "division by zero")
    return mul(l, power(r, -1))


BUILDERS = {"+": add, "-": sub, "*": mul, "/": div, "%": mod, "**": power}


# ---- a reference printer for str() -----------------------------------------------------------

# (child op, parent op) pairs that get parentheses in str(); "**e" is a power's exponent side.
_PARENS = {
    ("+", "**"), ("+", "%"), ("+", "*"),
    ("*", "**"), ("*", "%"),
    ("**", "**"),
    ("%", "**"), ("%", "%"), ("%", "*"),
}


def number_text(v):
    """The printer's number text."""
    if isinstance(v, int):
        return str(v)
    if math.isnan(v):
        return "NaN"
    if math.isinf(v):
        return "-inf" if v < 0 else "inf"
    sign = "-" if math.copysign(1.0, v) < 0 else ""
    text = repr(abs(v))  # shortest round-trip digits
    mantissa, _, exponent = text.partition("e")
    whole, _, fraction = mantissa.partition(".")
    digits = whole + fraction
    point = len(whole) + (int(exponent) if exponent else 0)
    while len(digits) > 1 and digits[0] == "0":
        digits = digits[1:]
        point -= 1
    digits = digits.rstrip("0")
    if not digits:
        return sign + "0"
    if point <= 0:
        return sign + "0." + "0" * (-point) + digits
    if point >= len(digits):
        return sign + digits + "0" * (point - len(digits))
    return sign + digits[:point] + "." + digits[point:]


def _negative(v):
    return is_lit(v) and _sign_bit(v) and not (isinstance(v, float) and math.isnan(v))


def _is_minus_one(v):
    return is_lit(v) and v == -1


def to_str(t, parent=None):
    """str() of a tree printed by its class entry (a top-level node is never parenthesised)."""
    if is_lit(t):
        return number_text(t)
    if isinstance(t, str):
        return t
    op = t[0]
    body = _body(t)
    if parent is not None and (op, parent) in _PARENS:
        return "(" + body + ")"
    return body


def _factors(factors, parent="*"):
    lead = ""
    if len(factors) > 1 and is_lit(factors[0]) and _is_minus_one(factors[0]):
        lead, factors = "- ", factors[1:]
    return lead + " * ".join(to_str(f, parent) for f in factors)


def _body(t):
    op = t[0]
    if op == "*":
        return _factors(list(t[1:]))
    if op in ("**", "%"):
        return to_str(t[1], op) + (" ** " if op == "**" else " % ") + to_str(t[2], op)
    out = ""
    terms = t[1:]
    for i, term in enumerate(terms):
        if _negative(term):
            if out.endswith("+ "):
                out = out[:-2]
            out += "- " + number_text(term)[1:]
        elif _flat(term, "*") and len(term) > 2 and _negative(term[1]):
            if out.endswith("+ "):
                out = out[:-2]
            out += "- "
            if not _is_minus_one(term[1]):
                out += number_text(term[1])[1:] + " * "
            out += " * ".join(to_str(f, "*") for f in term[2:])
        else:
            out += to_str(term, "+")
        if i + 1 < len(terms):
            out += " + "
    return out
