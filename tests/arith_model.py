"""A pure-Python model of the arithmetic builders and of str(), the oracle of the arithmetic tests.

Trees: a literal is a Python int (64-bit range) or float, a placeholder its name (str), and an
operator node a tuple ("+", *terms), ("*", *factors), ("**", base, exponent) or ("%", left, right).
"""

import math

import zorvane as zv

INT64_MIN, INT64_MAX = -(2**63), 2**63 - 1


class ModelError(Exception):
    """An expected failure: the Python exception type and its message."""

    def __init__(self, kind, message):
        super().__init__(message)
        self.kind, self.message = kind, message


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
            return math.isnan(got)  # the sign of a computed NaN is not portable
        return got == expected and math.copysign(1, got) == math.copysign(1, expected)
    if isinstance(expected, tuple):
        return len(got) == len(expected) and all(same(g, e) for g, e in zip(got, expected))
    return got == expected


def check(e, expected):
    got = tree(e)
    assert same(got, expected), f"{got!r} != {expected!r}"


def lit(e, value):
    assert type(e) is zv.NumberLit
    assert same(e.value, value), f"{e.value!r} != {value!r}"


def literal_of(value):
    """What the general conversion makes of a Python number."""
    if isinstance(value, int):
        value = int(value)
        return value if INT64_MIN <= value <= INT64_MAX else float(value)
    return float(value)


# ---- literal arithmetic: checked 64-bit integers, else doubles ------------------------------


def is_lit(t):
    return isinstance(t, (int, float))


def is_zero(t):
    return is_lit(t) and t == 0


def is_one(t):
    return is_lit(t) and t == 1


def _fold(op, a, b):
    if isinstance(a, int) and isinstance(b, int):
        exact = op(a, b)
        if INT64_MIN <= exact <= INT64_MAX:
            return exact
    return op(float(a), float(b))


def num_add(a, b):
    return _fold(lambda u, v: u + v, a, b)


def num_mul(a, b):
    return _fold(lambda u, v: u * v, a, b)


def num_neg(a):
    return _fold(lambda u, v: -u, a, 0) if isinstance(a, int) else -a


def eq(a, b):
    """Structural equality (NaN equals nothing; Integer and Float compare as doubles)."""
    if is_lit(a) or is_lit(b):
        if not (is_lit(a) and is_lit(b)):
            return False
        return a == b if isinstance(a, int) and isinstance(b, int) else float(a) == float(b)
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
            constants = [c for c in (_take_constant(terms), _take_constant(other)) if c is not None]
            terms += other
            if constants:
                terms.append(num_add(*constants) if len(constants) == 2 else constants[0])
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
    if is_zero(l) or is_zero(r):
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
        return _fold(lambda u, v: u - v, l, r)
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


# ---- str() -----------------------------------------------------------------------------------

# (child op, parent op) pairs that get parentheses in str().
_PARENS = {("+", "**"), ("+", "%"), ("+", "*"), ("*", "**"), ("*", "%"), ("**", "**"),
           ("%", "**"), ("%", "%"), ("%", "*")}


def number_text(v):
    """The printer's number text: shortest round-trip digits laid out without an exponent."""
    if isinstance(v, int):
        return str(v)
    if math.isnan(v):
        return "NaN"
    if math.isinf(v):
        return "-inf" if v < 0 else "inf"
    sign = "-" if math.copysign(1.0, v) < 0 else ""
    mantissa, _, exponent = repr(abs(v)).partition("e")
    whole, _, fraction = mantissa.partition(".")
    digits = whole + fraction
    point = len(whole) + (int(exponent) if exponent else 0)
    while len(digits) > 1 and digits[0] == "0":
        digits, point = digits[1:], point - 1
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


def to_str(t, parent=None):
    """str() of a tree (a top-level node is never parenthesised)."""
    if is_lit(t):
        return number_text(t)
    if isinstance(t, str):
        return t
    op = t[0]
    if op == "*":
        factors, lead = list(t[1:]), ""
        if len(factors) > 1 and factors[0] == -1:
            lead, factors = "- ", factors[1:]
        body = lead + " * ".join(to_str(f, "*") for f in factors)
    elif op in ("**", "%"):
        body = to_str(t[1], op) + f" {op} " + to_str(t[2], op)
    else:
        body = ""
        for term in t[1:]:
            if _negative(term):
                body = body.removesuffix("+ ") + "- " + number_text(term)[1:]
            elif _flat(term, "*") and len(term) > 2 and _negative(term[1]):
                body = body.removesuffix("+ ") + "- "
                if term[1] != -1:
                    body += number_text(term[1])[1:] + " * "
                body += " * ".join(to_str(f, "*") for f in term[2:])
            else:
                body += to_str(term, "+")
            body += " + "
        body = body[:-3]
    return "(" + body + ")" if parent is not None and (op, parent) in _PARENS else body
