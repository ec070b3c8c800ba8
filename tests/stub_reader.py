"""Reads src/zorvane.pyi with `ast` so tests can hold runtime values against the declared types.

Understands the annotations the stub uses: class and alias names, `X | Y`, `tuple[...]` (with
`...` or a trailing `Unpack[tuple[X, ...]]`), `list`, `dict`, `Sequence`, `Mapping`, `type`,
`Callable`, TypedDicts, `npt.NDArray[...]`, `pd.DataFrame` and the `Supports*` protocols.
"""

import ast
import collections.abc
import pathlib

import numpy as np
import pandas as pd

STUB_PATH = pathlib.Path(__file__).resolve().parent.parent / "src" / "zorvane.pyi"

_BUILTINS = {"int": int, "str": str, "bool": bool, "bytes": bytes, "slice": slice}
_DTYPES = {"float64": np.float64, "uint64": np.uint64}


class NoMatch(Exception):
    """No overload of a stub function accepts the given arguments."""


class Stub:
    def __init__(self, path=STUB_PATH):
        self._read(path.read_text())

    @classmethod
    def from_source(cls, source):
        stub = cls.__new__(cls)
        stub._read(source)
        return stub

    def _read(self, source):
        tree = ast.parse(source)
        self.aliases = {}
        self.classes = {}
        self.functions = {}
        for node in tree.body:
            if isinstance(node, ast.AnnAssign) and isinstance(node.target, ast.Name) and node.value is not None:
                self.aliases[node.target.id] = node.value
            elif isinstance(node, ast.ClassDef):
                self.classes[node.name] = node
            elif isinstance(node, ast.FunctionDef):
                self.functions.setdefault(node.name, []).append(node)

    # ---- classes ----

    def bases(self, name):
        return [b.id for b in self.classes[name].bases if isinstance(b, ast.Name) and b.id in self.classes]

    def mro(self, name):
        """C3 linearisation over the stub's own classes."""
        seqs = [self.mro(b) for b in self.bases(name)] + [self.bases(name)]
        result = [name]
        seqs = [list(s) for s in seqs if s]
        while seqs:
            head = next(s[0] for s in seqs if not any(s[0] in t[1:] for t in seqs))
            result.append(head)
            seqs = [[c for c in s if c != head] for s in seqs]
            seqs = [s for s in seqs if s]
        return result

    def is_typeddict(self, name):
        return any(isinstance(b, ast.Name) and b.id == "TypedDict" for b in self.classes[name].bases)

    def members(self, cls_name):
        """Name -> (kind, defs) as a type checker sees them: the first class in the MRO wins.
        kind is "property", "method", "staticmethod" or "attribute"; defs are the overloads."""
        found = {}
        for owner in self.mro(cls_name):
            own = {}
            for node in self.classes[owner].body:
                if isinstance(node, ast.FunctionDef):
                    decorators = {d.id if isinstance(d, ast.Name) else d.attr for d in node.decorator_list}
                    if "setter" in decorators:
                        continue
                    kind = ("property" if "property" in decorators
                            else "staticmethod" if "staticmethod" in decorators else "method")
                    own.setdefault(node.name, (kind, []))[1].append(node)
                elif isinstance(node, ast.AnnAssign) and isinstance(node.target, ast.Name):
                    own[node.target.id] = ("attribute", [node])
            for name, entry in own.items():
                found.setdefault(name, entry)
        return found

    # ---- annotations ----

    def matches(self, value, ann, self_cls=None):
        """Whether `value` is an instance of the annotation `ann` (an ast node)."""
        m = lambda v, a: self.matches(v, a, self_cls)  # noqa: E731
        if isinstance(ann, ast.Constant):
            return ann.value is None and value is None
        if isinstance(ann, ast.BinOp) and isinstance(ann.op, ast.BitOr):
            return m(value, ann.left) or m(value, ann.right)
        if isinstance(ann, ast.Attribute):
            if ann.attr == "DataFrame":
                return isinstance(value, pd.DataFrame)
            raise ValueError(f"unknown annotation {ast.unparse(ann)}")
        if isinstance(ann, ast.Subscript):
            return self._matches_generic(value, ann, m)
        assert isinstance(ann, ast.Name), ast.unparse(ann)
        name = ann.id
        if name in ("Any", "object") or name.startswith("_T") and name not in self.aliases:
            return True
        if name == "Self":
            return type(value).__name__ == self_cls
        if name == "NoReturn":
            return False
        if name == "float":
            return isinstance(value, (float, int))
        if name in _BUILTINS:
            return isinstance(value, _BUILTINS[name])
        if name == "SupportsFloat":
            return hasattr(type(value), "__float__")
        if name == "SupportsIndex":
            return hasattr(type(value), "__index__")
        if name in self.aliases:
            return m(value, self.aliases[name])
        if name in self.classes:
            if self.is_typeddict(name):
                fields = [n for n in self.classes[name].body if isinstance(n, ast.AnnAssign)]
                return (isinstance(value, dict) and set(value) == {f.target.id for f in fields}
                        and all(m(value[f.target.id], f.annotation) for f in fields))
            # a runtime class, or a stub-only base of the value's class
            return type(value).__module__ == "zorvane" and name in self.mro(type(value).__name__)
        raise ValueError(f"unknown annotation {name}")

    def _matches_generic(self, value, ann, m):
        base = ast.unparse(ann.value)
        args = ann.slice.elts if isinstance(ann.slice, ast.Tuple) else [ann.slice]
        if base == "ClassVar":
            return m(value, args[0])
        if base == "tuple":
            if not isinstance(value, tuple):
                return False
            if len(args) == 2 and isinstance(args[1], ast.Constant) and args[1].value is Ellipsis:
                return all(m(v, args[0]) for v in value)
            fixed, rest = args, None
            if isinstance(args[-1], ast.Subscript) and ast.unparse(args[-1].value) == "Unpack":
                fixed, rest = args[:-1], args[-1].slice.slice.elts[0]
            if len(value) < len(fixed) or (rest is None and len(value) != len(fixed)):
                return False
            return (all(m(v, a) for v, a in zip(value, fixed))
                    and all(m(v, rest) for v in value[len(fixed):]))
        if base in ("list", "Sequence"):
            kind = list if base == "list" else collections.abc.Sequence
            return isinstance(value, kind) and not isinstance(value, str) and all(m(v, args[0]) for v in value)
        if base in ("dict", "Mapping"):
            kind = dict if base == "dict" else collections.abc.Mapping
            return isinstance(value, kind) and all(m(k, args[0]) and m(v, args[1]) for k, v in value.items())
        if base == "type":
            return isinstance(value, type)
        if base == "Callable":
            return callable(value)
        if base == "npt.NDArray":
            dtype = _DTYPES.get(ast.unparse(args[0]).removeprefix("np."))
            return isinstance(value, np.ndarray) and (dtype is None or value.dtype == dtype)
        raise ValueError(f"unknown annotation {ast.unparse(ann)}")

    # ---- calls ----

    def select(self, defs, args, self_cls=None, kwargs=None):
        """The first overload whose parameters (after self/cls) accept `args` and `kwargs`."""
        kwargs = kwargs or {}
        for d in defs:
            params = d.args.posonlyargs + d.args.args
            if self_cls is not None and params and params[0].arg in ("self", "cls"):
                params = params[1:]
            if self._accepts(d, params, args, kwargs, self_cls):
                return d
        raise NoMatch

    def _accepts(self, d, params, args, kwargs, self_cls):
        if d.args.vararg is not None:
            return not kwargs and all(self.matches(a, d.args.vararg.annotation, self_cls) for a in args)
        if len(args) > len(params):
            return False
        named = {p.arg: p for p in params[len(args):] + d.args.kwonlyargs}
        defaults = dict(zip([p.arg for p in params][len(params) - len(d.args.defaults):], d.args.defaults))
        defaults.update({p.arg: v for p, v in zip(d.args.kwonlyargs, d.args.kw_defaults) if v is not None})
        if set(kwargs) - set(named) or set(named) - set(kwargs) - set(defaults):
            return False  # an unknown keyword, or a required parameter left out
        return (all(self.matches(a, p.annotation, self_cls) for a, p in zip(args, params))
                and all(self.matches(v, named[k].annotation, self_cls) for k, v in kwargs.items()))

    def setter(self, cls_name, name):
        """The value parameter of a property's setter, or None for a read-only property."""
        for owner in self.mro(cls_name):
            for node in self.classes[owner].body:
                if isinstance(node, ast.FunctionDef) and node.name == name and any(
                        isinstance(d, ast.Attribute) and d.attr == "setter" for d in node.decorator_list):
                    return node.args.args[1]
        return None

    def returns(self, value, d, self_cls=None):
        return self.matches(value, d.returns, self_cls)

