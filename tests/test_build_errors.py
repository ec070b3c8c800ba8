"""A missing system dependency stops the CMake configuration with a message that names the Debian package that
provides it and `make deps`, for every dependency CMake looks for. Each case hides one dependency from an
otherwise complete configuration: a package through CMAKE_DISABLE_FIND_PACKAGE_<name>, a header or library by
ignoring the system prefixes while every other look-up keeps the result of a first, complete run. numpy's C headers
must be numpy 2's: without them, or without numpy at all, the configuration stops as well, and says where it looked
or that numpy is missing."""
import json
import os
import re
import shutil
import sys
from pathlib import Path

import pytest

import processes

ROOT = Path(__file__).resolve().parent.parent
PACKAGES = {"Python": "python3-dev", "fmt": "libfmt-dev"}
FILES = {"UUID_LIBRARY": "uuid-dev", "UUID_INCLUDE_DIR": "uuid-dev", "PROTOZERO_INCLUDE_DIR": "libprotozero-dev",
         "RAPIDJSON_INCLUDE_DIR": "rapidjson-dev", "TSL_ORDERED_MAP_INCLUDE_DIR": "libtsl-ordered-map-dev",
         "XTENSOR_INCLUDE_DIR": "xtensor-dev", "XTL_INCLUDE_DIR": "xtl-dev"}


def numpy_2_include():
    """numpy 2's include directory: ZORVANE_NUMPY_INCLUDE as the make targets give it, else this interpreter's numpy's
    when that is numpy 2 or newer (None: neither, as with numpy 1.26 outside make)."""
    if os.environ.get("ZORVANE_NUMPY_INCLUDE"):
        return os.environ["ZORVANE_NUMPY_INCLUDE"]
    import numpy
    return numpy.get_include() if int(numpy.__version__.split(".")[0]) >= 2 else None


NUMPY_INCLUDE = numpy_2_include()
# Why the tests that configure a whole build skip without numpy 2's headers (test_build_flags.py's too)
NO_NUMPY_2 = ("this interpreter's numpy is older than numpy 2, whose C headers the build needs: set ZORVANE_NUMPY_INCLUDE "
              "to numpy 2's numpy.get_include() (make test does)")


def configure(build_dir, *definitions, pythonpath=None, env_numpy_include=None):
    """cmake with numpy 2's headers as a definition (later definitions override it); the environment variable
    ZORVANE_NUMPY_INCLUDE is env_numpy_include alone."""
    cmake = shutil.which("cmake")
    assert cmake, "cmake not found: `make deps` installs it"
    dropped = ("LD_PRELOAD", "ZORVANE_NUMPY_INCLUDE")  # cmake is not sanitized; CMake reads the variable too
    env = {key: value for key, value in os.environ.items() if key not in dropped}
    if pythonpath:
        env["PYTHONPATH"] = str(pythonpath)
    if env_numpy_include:
        env["ZORVANE_NUMPY_INCLUDE"] = str(env_numpy_include)
    return processes.run([cmake, "-S", str(ROOT), "-B", str(build_dir), "-G", "Ninja",
                          f"-DPython_EXECUTABLE={sys.executable}", f"-DZORVANE_NUMPY_INCLUDE={NUMPY_INCLUDE or ''}",
                          *(f"-D{d}" for d in definitions)], env=env)


def no_numpy(directory):
    """A directory that, first on PYTHONPATH, makes `import numpy` fail as where numpy is not installed."""
    (directory / "numpy").mkdir(parents=True)
    (directory / "numpy" / "__init__.py").write_text('raise ModuleNotFoundError("No module named \'numpy\'")\n')
    return directory


@pytest.fixture(scope="module")
def configured(tmp_path_factory):
    """A build tree configured with every dependency found, and what each file look-up found."""
    if NUMPY_INCLUDE is None:
        pytest.skip(NO_NUMPY_2)
    build_dir = tmp_path_factory.mktemp("cmake")
    out = configure(build_dir)
    assert out.returncode == 0, out.stdout + out.stderr
    cache = (build_dir / "CMakeCache.txt").read_text()
    found = {name: re.search(rf"^{name}:\w+=(.*)$", cache, re.M).group(1) for name in FILES}
    return build_dir, found


@pytest.mark.parametrize("name, package", [*PACKAGES.items(), *FILES.items()])
def test_a_missing_dependency_names_its_debian_package(configured, name, package):
    build_dir, found = configured
    others = [f"{other}={value}" for other, value in found.items() if other != name]
    hidden = ([f"{name}={name}-NOTFOUND", "CMAKE_IGNORE_PREFIX_PATH=/;/usr"] if name in FILES
              else ["CMAKE_IGNORE_PREFIX_PATH="])
    switches = [f"CMAKE_DISABLE_FIND_PACKAGE_{p}={'ON' if p == name else 'OFF'}" for p in PACKAGES]
    out = configure(build_dir, *others, *hidden, *switches)
    message = " ".join(out.stderr.split())  # CMake wraps its messages
    assert out.returncode != 0
    assert (f"zorvane: {name} not found: it comes with the Debian package {package}. Run `make deps` (installs every "
            f"missing Debian package) or `apt-get install {package}`.") in message, out.stderr


ELSEWHERE = ("or name the numpy.get_include() of a numpy 2 installed elsewhere: `ZORVANE_NUMPY_INCLUDE=DIR pip install .` "
             "(or `-DZORVANE_NUMPY_INCLUDE=DIR` to cmake). The module built so runs with numpy 1.26 and newer.")


@pytest.mark.parametrize("given", ["ZORVANE_NUMPY_INCLUDE", "environment", "numpy.get_include()"])
def test_numpy_headers_older_than_numpy_2_stop_the_configuration(tmp_path, given):
    build_dir = tmp_path / "build"  # every dependency found, as a user would have them
    old = tmp_path / "include"  # what numpy 1.26's numpy.get_include() holds: no numpy/npy_2_compat.h
    (old / "numpy").mkdir(parents=True)
    (old / "numpy" / "ndarrayobject.h").write_text("")
    if given == "ZORVANE_NUMPY_INCLUDE":
        out, said = configure(build_dir, f"ZORVANE_NUMPY_INCLUDE={old}"), "ZORVANE_NUMPY_INCLUDE is"
    elif given == "environment":  # defined empty, as pyproject.toml does in every pip build
        out = configure(build_dir, "ZORVANE_NUMPY_INCLUDE=", env_numpy_include=old)
        said = "the environment variable ZORVANE_NUMPY_INCLUDE is"
    else:  # the build interpreter's numpy, here one that stands in for numpy 1.26
        (tmp_path / "numpy").mkdir()
        (tmp_path / "numpy" / "__init__.py").write_text(f"def get_include():\n    return {str(old)!r}\n")
        out = configure(build_dir, "ZORVANE_NUMPY_INCLUDE=", pythonpath=tmp_path)
        said = f"numpy.get_include() of {sys.executable} gave"
    assert out.returncode != 0
    assert (f"zorvane: numpy 2's C headers not found: {said} '{old}', which holds no numpy/npy_2_compat.h. Install "
            f"numpy 2 or newer where the module is built (`pip install 'numpy>=2'`; `make deps` does), {ELSEWHERE}"
            ) in " ".join(out.stderr.split()), out.stderr


def test_without_numpy_the_configuration_says_numpy_is_missing(tmp_path):
    out = configure(tmp_path / "build", "ZORVANE_NUMPY_INCLUDE=", pythonpath=no_numpy(tmp_path / "site"))
    assert out.returncode != 0
    assert (f"zorvane: numpy is missing: {sys.executable} cannot import numpy (ModuleNotFoundError: No module named "
            "'numpy'). Install numpy 2 or newer where the module is built (`pip install 'numpy>=2'`; `make deps` "
            f"does), {ELSEWHERE}") in " ".join(out.stderr.split()), out.stderr


def test_the_environment_variable_names_numpy_headers_when_the_definition_is_empty(tmp_path):
    if NUMPY_INCLUDE is None:
        pytest.skip(NO_NUMPY_2)
    # empty, as pyproject.toml defines it in every pip build; an interpreter without numpy, so that the headers can
    # come from the environment variable alone
    out = configure(tmp_path / "build", "ZORVANE_NUMPY_INCLUDE=", pythonpath=no_numpy(tmp_path / "site"),
                    env_numpy_include=NUMPY_INCLUDE)
    assert out.returncode == 0, out.stdout + out.stderr
    commands = json.loads((tmp_path / "build" / "compile_commands.json").read_text())
    python_layer = [entry["command"] for entry in commands if "/src/python/" in entry["file"]]
    assert python_layer and all(f" -isystem {NUMPY_INCLUDE} " in command for command in python_layer)


@pytest.mark.parametrize("package", sorted({*PACKAGES.values(), *FILES.values()}))
def test_the_named_packages_are_debian_packages(package):  # installed, or known to apt
    assert any(processes.run([*query, package]).returncode == 0
               for query in (["dpkg-query", "-W"], ["apt-cache", "show"]))
