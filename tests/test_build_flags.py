"""A compiler warning in zorvane's own sources fails every build of the make targets, and so CI's, but not a
plain `pip install .`, whose compiler may be newer than ours (ZORVANE_WERROR). Warnings in the headers of the
dependencies never count: only zorvane's own directory is included with -I, every other with -isystem."""
import json
import os
import re
import shlex
import sys
from pathlib import Path

import pytest

from test_build_errors import NO_NUMPY_2, NUMPY_INCLUDE
import processes

ROOT = Path(__file__).resolve().parent.parent
ENV = {key: value for key, value in os.environ.items() if key != "LD_PRELOAD"}  # cmake and make are not sanitized
BUILD_TARGETS = ["build", "sanitize", "cpp-test", "fuzz"]


@pytest.fixture(scope="module")
def compile_commands(tmp_path_factory):
    """The compiler's arguments for every source, C++ tests included, per value of ZORVANE_WERROR."""
    if NUMPY_INCLUDE is None:
        pytest.skip(NO_NUMPY_2)

    def configure(*definitions):
        build_dir = tmp_path_factory.mktemp("cmake")
        processes.run(["cmake", "-S", str(ROOT), "-B", str(build_dir), "-G", "Ninja", "-DZORVANE_CPP_TESTS=ON",
                       f"-DPython_EXECUTABLE={sys.executable}", f"-DZORVANE_NUMPY_INCLUDE={NUMPY_INCLUDE}", *definitions],
                      env=ENV, check=True)
        entries = json.loads((build_dir / "compile_commands.json").read_text())
        return {entry["file"]: shlex.split(entry["command"]) for entry in entries}
    return {werror: configure(*([f"-DZORVANE_WERROR={werror}"] if werror else [])) for werror in (None, "ON", "OFF")}


@pytest.mark.parametrize("werror", [None, "ON", "OFF"])
def test_warnings_are_errors_in_every_source_exactly_when_asked(compile_commands, werror):
    commands = compile_commands[werror]
    assert any("/tests/cpp/core/" in name for name in commands) and any("/src/python/" in name for name in commands)
    for name, arguments in commands.items():
        assert {"-Wall", "-Wextra"} <= set(arguments), name
        assert ("-Werror" in arguments) == (werror == "ON"), name


def test_only_zorvane_sources_are_included_as_ours(compile_commands):
    for name, arguments in compile_commands["ON"].items():
        ours = [arg[2:] or arguments[i + 1] for i, arg in enumerate(arguments) if arg.startswith("-I")]
        assert ours == [str(ROOT / "src")], name


def dry_run(target, *assignments):
    out = processes.run(["make", "-n", "--no-print-directory", *assignments, target], cwd=ROOT, env=ENV, check=True)
    return re.findall(r"ZORVANE_WERROR=(\w+)", out.stdout)


@pytest.mark.parametrize("target", BUILD_TARGETS)
def test_the_make_targets_build_with_warnings_as_errors(target):
    assert dry_run(target) == ["ON"]
    assert dry_run(target, "WERROR=OFF") == ["OFF"]


def test_a_plain_pip_install_keeps_warnings_as_warnings():
    pyproject = (ROOT / "pyproject.toml").read_text()
    assert re.findall(r"^cmake\.define\.ZORVANE_WERROR = \"(\w+)\"$", pyproject, re.M) == ["OFF"]
