"""What the README tells a user stays true: its table of public names is `zorvane.__all__`, and its own-environment
install line names every Debian package the build needs (the ones the Makefile installs for it)."""
import re
from pathlib import Path

import zorvane as zv

ROOT = Path(__file__).resolve().parent.parent
README = (ROOT / "README.md").read_text()


def section(title):
    start = README.index(f"\n## {title}\n")
    end = README.find("\n## ", start + 1)
    return README[start:end if end != -1 else None]


def test_public_names_table_is_all():
    names = re.findall(r"^\| `([^`]+)` \|", section("Public names"), flags=re.MULTILINE)
    assert len(names) == len(set(names)) == len(zv.__all__) == 72
    assert set(names) == set(zv.__all__)


def test_install_line_names_the_build_packages():
    text = section("Installing into your own environment").replace("\\\n", " ")
    install = re.search(r"apt-get install ([^\n]+)", text)
    assert install, "no apt-get install line"
    listed = set(install.group(1).split())
    makefile = (ROOT / "Makefile").read_text()
    packages = set(re.search(r"^APT_PACKAGES\s*:=(.*)$", makefile, flags=re.MULTILINE).group(1).split())
    tools = re.search(r"^APT_TOOLS\s*:=(.*)$", makefile, flags=re.MULTILINE).group(1).split()
    packages |= {tool.split(":")[1] for tool in tools}
    assert packages and packages <= listed, sorted(packages - listed)
