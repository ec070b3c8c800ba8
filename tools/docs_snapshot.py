"""Every public name's `__doc__` and `__text_signature__`, as the built module has them.

    python tools/docs_snapshot.py dump FILE      writes them as JSON
    python tools/docs_snapshot.py compare FILE   exits 1 and lists what differs from FILE

Run `compare` against a dump of the previous build before changing how docs are laid out.
"""

from __future__ import annotations

import json
import sys
import types

import zorvane

_DESCRIPTORS = (
    types.MethodDescriptorType,
    types.ClassMethodDescriptorType,
    types.GetSetDescriptorType,
    types.MemberDescriptorType,
    types.BuiltinFunctionType,
    types.WrapperDescriptorType,
    staticmethod,
    classmethod,
)


def _texts(obj: object) -> dict[str, str | None]:
    return {"doc": getattr(obj, "__doc__", None), "text_signature": getattr(obj, "__text_signature__", None)}


def snapshot() -> dict[str, dict[str, str | None]]:
    out: dict[str, dict[str, str | None]] = {}
    for name in zorvane.__all__:
        value = getattr(zorvane, name)
        if isinstance(value, type):
            out[name] = _texts(value)
            for member, raw in vars(value).items():
                if isinstance(raw, _DESCRIPTORS):
                    out[f"{name}.{member}"] = _texts(getattr(value, member))
        elif callable(value):
            out[name] = _texts(value)
    return out


def main(argv: list[str]) -> int:
    command, path = argv
    current = snapshot()
    if command == "dump":
        with open(path, "w", encoding="utf-8") as file:
            json.dump(current, file, indent=1, sort_keys=True)
        print(f"{len(current)} names")
        return 0
    with open(path, encoding="utf-8") as file:
        expected = json.load(file)
    differences = [name for name in sorted(expected.keys() | current.keys()) if expected.get(name) != current.get(name)]
    for name in differences:
        print(f"{name}:\n  before: {expected.get(name)!r}\n  now:    {current.get(name)!r}")
    print(f"{len(current)} names, {len(differences)} differ")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
