"""CI runs each supported version's suite once: `.ci/run` runs `make test` with the venv's
interpreter, then `make test-versions` for every other supported version (`SKIP_PYTHONS`), one of
them with the oldest numpy, and the module is built against numpy 2's headers in every run."""
import os
import re
import sys
from pathlib import Path

import numpy
import pytest
from packaging.requirements import Requirement

import zorvane
import processes

ROOT = Path(__file__).resolve().parent.parent


def make_variable(name, *assignments):
    # make is not sanitized, and takes no variable from a make that runs these tests
    # (`make test-versions PYTHONS=...` passes PYTHONS down in the environment and MAKEFLAGS)
    dropped = ("LD_PRELOAD", "MAKEFLAGS", "MFLAGS", "MAKEOVERRIDES", "MAKELEVEL", "PYTHONS", "SKIP_PYTHONS")
    env = {key: value for key, value in os.environ.items() if key not in dropped}
    out = processes.run(["make", "-s", "--no-print-directory", *assignments, f"--eval=show: ; @echo $({name})", "show"],
                        cwd=ROOT, env=env, check=True)
    return out.stdout.split()


def test_supported_versions_match_this_interpreter_range():
    supported = make_variable("SUPPORTED_PYTHONS")
    assert len(supported) >= 2 and "%d.%d" % sys.version_info[:2] in supported


@pytest.mark.parametrize("skip", ["3.10", "3.11", "3.13", "3.10 3.12", "2.7"])
def test_skip_pythons_leaves_out_only_those(skip):
    supported = make_variable("SUPPORTED_PYTHONS")
    assert make_variable("PYTHONS", f"SKIP_PYTHONS={skip}") == [v for v in supported if v not in skip.split()]


def test_ci_skips_the_version_make_test_ran_with():
    script = (ROOT / ".ci" / "run").read_text()
    runs = re.findall(r"^make (test-versions|test)(?![-\w])(.*)$", script, re.M)
    assert runs == [("test", ""), ("test-versions", ' SKIP_PYTHONS="$tested"')]
    assert re.search(r"""^tested=\$\(\.venv/bin/python -c .*sys\.version_info\[:2\].*\)$""", script, re.M)


def test_the_module_is_built_against_numpy_2_headers():
    # numpy 2's import_array imports numpy._core._multiarray_umath (numpy.core's only as a fallback);
    # numpy 1.x's knows numpy.core._multiarray_umath alone
    assert b"numpy._core._multiarray_umath" in Path(zorvane.__file__).read_bytes()


def test_the_oldest_numpy_run_runs_the_oldest_numpy():
    (python,), (oldest,) = make_variable("OLDEST_NUMPY_PYTHON"), make_variable("OLDEST_NUMPY")
    if Path(sys.prefix).resolve() != (ROOT / "build" / f"venv-{python}").resolve():
        pytest.skip(f"not the venv of CPython {python} in make test-versions")
    assert Requirement(oldest).specifier.contains(numpy.__version__), (oldest, numpy.__version__)
