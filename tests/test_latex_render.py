"""Every LaTeX text the module writes renders in KaTeX (Debian's katex under node, display mode, strict):
the `_repr_latex_` outputs of the examples and of a corpus with every class that has one, every variable kind
with bounds and descriptions, conditions, forall lists, penalty terms and whole problems. Names are mathematical
text and are not escaped, so the corpus uses names that are valid LaTeX."""
import contextlib
import io
import json
import os
import runpy
import shutil
from pathlib import Path

import pytest

import io_models
import zorvane as zv
from model_support import problem
import processes

HERE = Path(__file__).parent
RENDERER = "the tests render LaTeX with Debian's katex under node: apt-get install nodejs katex (make deps does)"
RENDER = HERE / "katex_render.js"
EXAMPLES = sorted((HERE.parent / "examples").glob("*.py"))
LATEX_CLASSES = {c for c in vars(zv).values() if isinstance(c, type) and "_repr_latex_" in vars(c)}

SPECIALS = r"# $ % & ~ _ ^ \ { }"  # every character that LaTeX text mode needs escaped
w = zv.Placeholder("w", ndim=1, description="weights in kg")
W = zv.Placeholder("W", latex=r"W_{\max}", description=f"capacity {SPECIALS}")
n = w.len_at(0, latex="n", description="number of items")
t = zv.Element("t", belong_to=(0, n), description="an item")
b = zv.BinaryVar("b", shape=[n], description=f"picked {SPECIALS}")
k = zv.IntegerVar("k", shape=[n], lower_bound=0, upper_bound=w, description="copies, 50% off")
f = zv.ContinuousVar("f", shape=[n, 2], lower_bound=-1.5, upper_bound=W, description="flow_in & flow_out")
g = zv.SemiIntegerVar("g", lower_bound=1, upper_bound=W, description="batch {size}")
h = zv.SemiContinuousVar("h", shape=[n], lower_bound=w, upper_bound=W * 2, description="~half^2")


def described_problem():  # every variable kind in the "where" block, with bounds and descriptions
    model = zv.Problem("knap_sack 100%", sense=zv.ProblemSense.MAXIMIZE)
    model += zv.sum(t, w[t] * b[t] + k[t] - f[t, 0]) + g
    model += zv.Constraint("capacity", zv.sum(t, w[t] * b[t]) <= W)
    model += zv.Constraint("link_{t}", h[t] <= W * b[t], forall=[(t, (t != 0) & (w[t] > 1))])
    model += zv.CustomPenaltyTerm("one-hot", (zv.sum(t, b[t]) - 1) ** 2)
    return model


CORPUS = {
    **{name: obj for name, obj in {**io_models.EXPRESSIONS, **io_models.CONDITIONS, **io_models.MODELS}.items()
       if name != "any script"},  # its names are not LaTeX
    **{f"described {type(v).__name__}": v for v in (b, k, f, g, h)},
    **{f"described {type(v).__name__}[t]": v[t] for v in (b, k, h)},
    "described ContinuousVar[t, 1]": f[t, 1], "described SemiIntegerVar + 1": g + 1,
    "described problem": described_problem(),
    "problem with penalty terms only": problem(zv.CustomPenaltyTerm("c", g)),
}


def tex(text):
    """What KaTeX renders: `$$...$$` is the notebook's display-math frame; KaTeX takes what is inside in display
    mode (`\\displaystyle` included). A Problem, Constraint or NumberLit text has no frame."""
    return text[2:-2] if text.startswith("$$") and text.endswith("$$") else text


def example_outputs(path):
    """(class, text) of every `_repr_latex_` call that running the example makes."""
    outputs = []
    with pytest.MonkeyPatch.context() as patch:
        for cls in LATEX_CLASSES:
            def recording(self, _original=cls._repr_latex_):
                text = _original(self)
                outputs.append((type(self), text))
                return text
            patch.setattr(cls, "_repr_latex_", recording)
        with contextlib.redirect_stdout(io.StringIO()):
            runpy.run_path(str(path), run_name="__main__")
    return outputs


def katex(texts):
    """KaTeX's verdict on each text, one node process for all: None when it rendered, else the error."""
    node = shutil.which("node")
    if node is None:
        processes.missing(f"node not found: {RENDERER}")
    env = {key: value for key, value in os.environ.items() if key != "LD_PRELOAD"}  # node is not sanitized
    env["NODE_PATH"] = os.pathsep.join(filter(None, ["/usr/share/nodejs", os.environ.get("NODE_PATH")]))
    out = processes.run([node, str(RENDER)], input=json.dumps(texts), env=env)
    if out.returncode != 0 and "Cannot find module 'katex'" in out.stderr:
        processes.missing(f"node finds no katex module: {RENDERER}")
    assert out.returncode == 0, out.stderr[-3000:]
    return json.loads(out.stdout)


@pytest.fixture(scope="module")
def rendered():
    """{label: [(class, text, error)]} for every corpus entry and every example."""
    outputs = {f"corpus: {name}": [(type(obj), obj._repr_latex_())] for name, obj in CORPUS.items()}
    outputs.update({f"example: {path.name}": example_outputs(path) for path in EXAMPLES})
    flat = [(label, cls, text) for label, pairs in outputs.items() for cls, text in pairs]
    verdicts = katex([tex(text) for _, _, text in flat])
    result = {label: [] for label in outputs}
    for (label, cls, text), error in zip(flat, verdicts, strict=True):
        result[label].append((cls, text, error))
    return result


@pytest.mark.parametrize("label", [f"corpus: {name}" for name in CORPUS] + [f"example: {p.name}" for p in EXAMPLES])
def test_renders(rendered, label):
    outputs = rendered[label]
    assert outputs, "no LaTeX output"
    failures = [f"{cls.__name__}: {error}\n{text}" for cls, text, error in outputs if error is not None]
    assert not failures, "\n\n".join(failures)


def test_every_class_with_latex_is_rendered(rendered):
    assert {cls for outputs in rendered.values() for cls, _, _ in outputs} == LATEX_CLASSES


def test_broken_and_non_latex_texts_are_reported():
    good, broken, not_latex = katex([tex(zv.Placeholder("a")._repr_latex_()), r"\frac{1}", "\\text{\u2713}"])
    assert good is None and broken.startswith("KaTeX parse error") and "LaTeX-incompatible" in not_latex
