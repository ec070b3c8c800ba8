"""Writes each public name's runtime documentation into src/zorvane.pyi as its docstring.

    python tools/stub_docs.py           rewrites the stub's docstrings (after `make build`)
    python tools/stub_docs.py --check   exits 1 when the stub is not what it would write

The texts come from the built module's `__doc__`, that is from src/python/docs.cpp, so editors show
what `help()` shows. A member that the stub declares once on a private helper class (such as
`_Latex.set_latex`) gets the documentation that every public class inheriting it has at run time;
they must agree. Private helper classes get no docstring: type checkers would show it on the
public classes that inherit from them. tests/test_stub_docs.py holds the stub to the module.
"""

from __future__ import annotations

import ast
import inspect
import io
import pathlib
import sys
import tokenize

import zorvane

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))
from stub_reader import STUB_PATH, Stub  # noqa: E402


def runtime_docs(stub: Stub) -> dict[int, tuple[ast.AST, str | None, str]]:
    """id(stub node) -> (node, the docstring it should have, the public name it documents)."""
    wanted: dict[int, tuple[ast.AST, str | None, str]] = {}

    def want(node: ast.AST, doc: str | None, who: str) -> None:
        previous = wanted.get(id(node))
        if previous is not None and previous[1] != doc:
            sys.exit(f"{who} and {previous[2]} share one stub declaration but differ in __doc__")
        wanted[id(node)] = (node, doc, who)

    for name in zorvane.__all__:
        value = getattr(zorvane, name)
        for node in stub.functions.get(name, []):
            want(node, value.__doc__, name)
        if name not in stub.classes:
            continue
        want(stub.classes[name], value.__doc__, name)
        for member, (kind, defs) in stub.members(name).items():
            if member.startswith("__") or kind == "attribute" or not hasattr(value, member):
                continue
            for node in defs:
                want(node, getattr(value, member).__doc__, f"{name}.{member}")
    for name, node in stub.classes.items():
        if name.startswith("_"):
            want(node, None, name)
    return wanted


def literal(doc: str, indent: str) -> str:
    """A docstring literal whose cleaned text (inspect.cleandoc) is that of `doc`."""
    lines = doc.split("\n")
    text = lines[0] + "".join("\n" + (indent + line if line.strip() else "") for line in lines[1:])
    if len(lines) > 1:
        text += "\n" + indent
    out = ('r"""' if "\\" in doc else '"""') + text + '"""'
    assert inspect.cleandoc(ast.literal_eval(out)) == inspect.cleandoc(doc), doc
    return out


def header_colon(source: str, node: ast.AST) -> tuple[int, int]:
    """(line, column) of the colon that ends the `def` or `class` header of `node`."""
    lines = source.splitlines(keepends=True)[node.lineno - 1 :]
    depth = 0
    for token in tokenize.generate_tokens(io.StringIO("".join(lines)).readline):
        if token.type == tokenize.OP:
            if token.string in "([{":
                depth += 1
            elif token.string in ")]}":
                depth -= 1
            elif token.string == ":" and depth == 0:
                return token.start[0] + node.lineno - 1, token.start[1]
    raise AssertionError(f"no header colon for {node.name}")


def is_docstring(statement: ast.stmt) -> bool:
    return isinstance(statement, ast.Expr) and isinstance(statement.value, ast.Constant) and isinstance(
        statement.value.value, str
    )


def edits_for(source: str, node: ast.AST, doc: str | None) -> list[tuple[tuple[int, int], tuple[int, int], str]]:
    """Replacements ((line, col) start, (line, col) end, text) that give `node` the docstring `doc`."""
    body = node.body
    first = body[0]
    has_doc = is_docstring(first)
    colon = header_colon(source, node)
    one_line = first.lineno == colon[0]
    indent = " " * (node.col_offset + 4)
    if doc is None:
        if not has_doc:
            return []
        if len(body) == 1:
            return [((colon[0], colon[1] + 1), (first.end_lineno, first.end_col_offset), " ...")]
        following = min([body[1].lineno] + [d.lineno for d in getattr(body[1], "decorator_list", [])])
        return [((first.lineno, 0), (following, 0), "")]
    text = literal(doc, indent)
    if has_doc:
        return [((first.lineno, first.col_offset), (first.end_lineno, first.end_col_offset), text)]
    if one_line:
        end = (body[-1].end_lineno, body[-1].end_col_offset)
        if len(body) == 1 and isinstance(first, ast.Expr) and first.value.value is Ellipsis:
            # A blank line after the docstring when the next statement would follow it directly.
            lines = source.splitlines()
            gap = "\n" if node.end_lineno < len(lines) and lines[node.end_lineno].strip() else ""
            return [((colon[0], colon[1] + 1), end, "\n" + indent + text + gap)]
        raise AssertionError(f"{node.name}: a one-line body other than `...`")
    blank = "\n" if isinstance(node, ast.ClassDef) else ""
    return [((colon[0] + 1, 0), (colon[0] + 1, 0), indent + text + "\n" + blank)]


def render(source: str) -> str:
    stub = Stub.from_source(source)
    edits = []
    for node, doc, _ in runtime_docs(stub).values():
        edits += edits_for(source, node, doc)
    lines = source.splitlines(keepends=True)
    starts = [0]
    for line in lines:
        starts.append(starts[-1] + len(line))

    def offset(position: tuple[int, int]) -> int:
        return starts[position[0] - 1] + position[1]

    for start, end, text in sorted(edits, key=lambda edit: offset(edit[0]), reverse=True):
        source = source[: offset(start)] + text + source[offset(end) :]
    return source


def main(argv: list[str]) -> int:
    current = STUB_PATH.read_text()
    wanted = render(current)
    if argv == ["--check"]:
        if wanted != current:
            print(f"{STUB_PATH} differs from what tools/stub_docs.py writes", file=sys.stderr)
            return 1
        return 0
    STUB_PATH.write_text(wanted)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
