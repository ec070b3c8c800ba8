"""`make check-layers` holds the includes of src/ to the order of LAYERS in the Makefile: run on
planted trees, the checker refuses an include that runs up the order, and only that."""
import os
import sys
from pathlib import Path

import pytest

import processes

ROOT = Path(__file__).resolve().parent.parent
ENV = {key: value for key, value in os.environ.items() if key != "LD_PRELOAD"}  # make is not sanitized


@pytest.fixture(scope="module")
def layers():
    out = processes.run(["make", "-s", "--no-print-directory", "--eval=show: ; @echo $(LAYERS)", "show"],
                        cwd=ROOT, env=ENV, check=True)
    return out.stdout.split()


def check(root, layers):
    return processes.run([sys.executable, str(ROOT / "tools" / "check_layers.py"), str(root), *layers], env=ENV)


def test_the_source_tree_keeps_the_order(layers):
    result = check(ROOT / "src", layers)
    assert result.returncode == 0, result.stderr


@pytest.mark.parametrize("path, include, refused", [
    # up the order: refused, naming both layers
    ("core/expression/node.cpp", '"core/print/printer.hpp"', "core/expression/ must not include core/print/"),
    ("core/print/printer.cpp", '"core/model/problem.hpp"', "core/print/ must not include core/model/"),
    ("core/json/number.cpp", "<Python.h>", "core/json/ must not include python/frame/"),
    ("core/error.cpp", '"python/frame/pyref.hpp"', "core/error.* must not include python/frame/"),
    ("python/class_id.hpp", '"python/docs.hpp"', "python/frame/ must not include python/docs.*"),
    ("python/docs.hpp", '"python/functions/functions.hpp"', "python/docs.* must not include python/functions/"),
    ("python/conversion.cpp", '"python/expression/subscripting.hpp"',
     "python/conversion.* must not include python/expression/"),
    ("python/expression/element.cpp", '"python/model/forall.hpp"',
     "python/expression/ must not include python/model/"),
    ("python/sample_set/record.cpp", '"python/registry.hpp"',
     "python/sample_set/ must not include python/registry.*"),
    # down the order or within a layer, or a header that no layer names: allowed
    ("core/print/printer.cpp", '"core/expression/arithmetic.hpp"', None),
    ("core/sample_set/float_text.cpp", '"core/expression/number_text.hpp"', None),
    ("python/frame/pyref.hpp", "<Python.h>", None),
    ("python/frame/frame.hpp", '"python/classes.def"', None),
    ("python/model/constraint.cpp", '"python/expression/expression_class.hpp"', None),
    ("python/functions/concatenate.cpp", '"python/sample_set/sample_set.hpp"', None),
    ("python/module.cpp", '"python/functions/functions.hpp"', None),
    ("core/expression/node.cpp", "<fmt/format.h>", None),
])
def test_an_include_up_the_order_is_refused(tmp_path, layers, path, include, refused):
    source = tmp_path / "src" / path
    source.parent.mkdir(parents=True)
    source.write_text(f"// planted\n#include {include}\n")
    result = check(tmp_path / "src", layers)
    if refused is None:
        assert (result.returncode, result.stderr) == (0, "")
    else:
        assert result.returncode == 1
        assert f"  {source.as_posix()}:2: #include {include}  ({refused})\n" in result.stderr


@pytest.mark.parametrize("path", ["python/widgets/widget.cpp", "core/extra.hpp", "python/classes2.def"])
def test_a_file_in_no_layer_is_refused(tmp_path, layers, path):
    source = tmp_path / "src" / path
    source.parent.mkdir(parents=True)
    source.write_text("// planted\n")
    result = check(tmp_path / "src", layers)
    assert result.returncode == 1
    assert f"  {source.as_posix()}: in no layer\n" in result.stderr
