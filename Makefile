# zorvane — build, test and tooling entry points.
#
#   make deps       system packages (apt, only if missing) + .venv with Python deps
#   make build      pip-install the extension into .venv (incremental CMake/Ninja build)
#   make test       check-layers, build, then pytest tests/, then the C++ unit tests (tests/cpp/*/*.cpp)
#   make check-layers  every include under src/ against the order of layers (LAYERS)
#   make demo       build, then run every examples/*.py
#   make bench      build, then bench/run.py
#   make sanitize   ASan+UBSan build: the C++ unit tests, then pytest tests/ against build/asan-site
#   make fuzz       clang/libFuzzer build of fuzz/*.cpp (ASan+UBSan), each run FUZZ_SECONDS
#   make test-versions  make test with every supported CPython (pyenv), one venv each
#   make clean      remove build artefacts (keeps .venv);  make distclean also removes .venv
#
# Knobs: V=1 (verbose pip/CMake output), PYTEST_ARGS="-k foo", BENCH_ARGS="...", PYTHON=python3,
#        FUZZ_SECONDS=60 (per fuzzing program), PYTHONS="3.10 3.12", SKIP_PYTHONS="3.11" (test-versions),
#        WERROR=OFF (compiler warnings stay warnings; they fail the build by default)

SHELL := /bin/bash
.DEFAULT_GOAL := build
MAKEFLAGS += --no-print-directory

PYTHON ?= python3
VENV   := .venv
VPY    := $(VENV)/bin/python
VPIP   := $(VPY) -m pip

# Debian packages the C++ build needs (headers / libraries).
APT_PACKAGES := libprotozero-dev rapidjson-dev uuid-dev libtsl-ordered-map-dev xtensor-dev libfmt-dev
# Toolchain: "command:package" — the package is installed only when the command is missing.
APT_TOOLS    := g++:g++ cmake:cmake ninja:ninja-build

# Python packages installed into .venv (build backend, runtime and test deps). NUMPY is the
# newest numpy, except in the run of `make test-versions` with OLDEST_NUMPY_PYTHON, which takes the
# oldest numpy that pyproject.toml admits. The test deps are the `test` extra of pyproject.toml, the
# one list of what the suite imports (plain names there: pip gets them unquoted).
NUMPY               ?= numpy
OLDEST_NUMPY        := numpy~=1.26.0
OLDEST_NUMPY_PYTHON := 3.10
TEST_REQUIREMENTS := $(shell sed -n '/^test = \[$$/,/^\]$$/s/^ *"\([^"]*\)",\{0,1\}$$/\1/p' pyproject.toml)
$(if $(TEST_REQUIREMENTS),,$(error pyproject.toml: no `test = [...]` extra found))
PY_REQUIREMENTS := scikit-build-core $(NUMPY) pandas orjson $(TEST_REQUIREMENTS)
PY_STAMP        := $(VENV)/.zorvane-requirements

# numpy's C headers, for every build that compiles the Python layer (build, cpp-test, sanitize, fuzz)
# and the tests that configure CMake, must be numpy 2's or newer (CMakeLists.txt says why): those
# of $(VENV)'s numpy, or, where it is older (the run with OLDEST_NUMPY), those of the newest numpy 2
# for that Python, which deps-python installs apart into $(NUMPY_HEADERS).
# $(call headers_numpy,VENV,ATTR) prints numpy.ATTR of the numpy whose headers VENV's builds use.
NUMPY_HEADERS := $(VENV)/numpy-headers
headers_numpy  = "$(1)/bin/python" -c 'import os, sys; sys.path.insert(0, os.path.abspath(sys.argv[1])); import numpy; print(numpy.$(2))' "$(1)/numpy-headers"
NUMPY_INCLUDE  = "$$($(call headers_numpy,$(VENV),get_include()))"

BUILD_DIR    := build
ASAN_BUILD   := $(BUILD_DIR)/asan
ASAN_SITE    := $(BUILD_DIR)/asan-site
CPPTEST_DIR  := $(BUILD_DIR)/cpp-tests
CPP_TESTS    := $(wildcard tests/cpp/core/*.cpp tests/cpp/python/*.cpp)
EXAMPLES     := $(sort $(wildcard examples/*.py))

PIP_QUIET    := $(if $(V),-v,-q)
# Every build of these targets (and so CI's) fails on a compiler warning in zorvane's own sources;
# a plain `pip install .` only prints it (ZORVANE_WERROR in CMakeLists.txt, off in pyproject.toml).
WERROR       ?= ON
PYTEST_ARGS  ?=
BENCH_ARGS   ?=

# Interop checks in `make test`: the official protobuf runtime reads the bytes (the schema
# in proto/ is compiled with grpcio-tools' protoc; both are in the `test` extra) and KaTeX under
# node renders the LaTeX.
APT_PACKAGES    += katex
APT_TOOLS       += node:nodejs

# Not root (the usual case is root): go through sudo when it exists.
SUDO := $(shell [ "$$(id -u)" -ne 0 ] && command -v sudo >/dev/null 2>&1 && echo sudo)

.PHONY: deps deps-system deps-python deps-fuzz build test pytest cpp-test check-layers demo bench sanitize fuzz clean distclean help
.PHONY: test-versions

help:
	@sed -n '2,/^$$/p' Makefile | sed 's/^# \{0,1\}//'

# ---------------------------------------------------------------------------
# deps
# ---------------------------------------------------------------------------
deps: deps-system deps-python

deps-system:
	@missing=""; \
	for p in $(APT_PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' "$$p" 2>/dev/null | grep -q ' installed$$' || missing="$$missing $$p"; \
	done; \
	for t in $(APT_TOOLS); do \
	  cmd=$${t%%:*}; pkg=$${t#*:}; \
	  command -v "$$cmd" >/dev/null 2>&1 || missing="$$missing $$pkg"; \
	done; \
	if ! $(PYTHON) -c 'import ensurepip' >/dev/null 2>&1; then missing="$$missing python3-venv"; fi; \
	if ! $(PYTHON) -c 'import os, sys, sysconfig; sys.exit(not os.path.exists(os.path.join(sysconfig.get_paths()["include"], "Python.h")))' >/dev/null 2>&1; then \
	  missing="$$missing python3-dev"; \
	fi; \
	if [ -n "$$missing" ]; then \
	  echo "deps: installing Debian packages:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq -o Dpkg::Use-Pty=0 --no-install-recommends $$missing; \
	fi

deps-python: deps-system
	@if [ -x "$(VPY)" ] && "$(VPY)" -c '' >/dev/null 2>&1 \
	    && [ "$$(cat $(PY_STAMP) 2>/dev/null)" = "$(PY_REQUIREMENTS)" ]; then exit 0; fi; \
	set -e; \
	if ! { [ -x "$(VPY)" ] && "$(VPY)" -c '' >/dev/null 2>&1; }; then \
	  echo "deps: creating virtualenv $(VENV)"; \
	  rm -rf "$(VENV)"; \
	  $(PYTHON) -m venv "$(VENV)"; \
	fi; \
	echo "deps: pip install $(PY_REQUIREMENTS)"; \
	$(VPIP) install $(PIP_QUIET) $(PY_REQUIREMENTS); \
	rm -rf "$(NUMPY_HEADERS)"; \
	if ! $(VPY) -c 'import numpy, sys; sys.exit(int(numpy.__version__.split(".")[0]) < 2)'; then \
	  echo "deps: numpy 2's headers for the build: pip install --target $(NUMPY_HEADERS) 'numpy>=2'"; \
	  $(VPIP) install $(PIP_QUIET) --target "$(NUMPY_HEADERS)" 'numpy>=2'; \
	fi; \
	echo "$(PY_REQUIREMENTS)" > "$(PY_STAMP)"

# ---------------------------------------------------------------------------
# build: pip-install into .venv; CMake/Ninja tree in build/<wheel_tag> is reused
# ---------------------------------------------------------------------------
build: deps
	@echo "build: pip install --no-build-isolation . (build tree: $(BUILD_DIR)/<wheel_tag>)"
	@$(VPIP) install --no-build-isolation --no-deps $(PIP_QUIET) --config-settings=cmake.define.ZORVANE_WERROR=$(WERROR) \
	  --config-settings=cmake.define.ZORVANE_NUMPY_INCLUDE=$(NUMPY_INCLUDE) .
	@$(VPY) -c 'import zorvane; print("build: installed", zorvane.__file__)'
	@echo "build: numpy $$($(VPY) -c 'import numpy; print(numpy.__version__)') at run time, built against numpy $$($(call headers_numpy,$(VENV),__version__)) headers"

# ---------------------------------------------------------------------------
# test
# ---------------------------------------------------------------------------
test: check-layers build
	@$(MAKE) pytest
	@$(MAKE) cpp-test

# The layers of src/, lowest first: a file may include files of its own layer and of lower ones,
# never of a higher one. A layer is its paths under src/ joined by commas (`dir/`: the files under
# it; otherwise a file name, with shell wildcards); Python.h counts as a file of the Python frame,
# so the core, below all of the Python layer, cannot include it. The build enforces that part too
# (the core library is compiled without Python's include directories); check-layers holds the
# whole order and names the offending lines first. README.md (Architecture) explains it.
LAYERS := \
  core/error.*,core/interrupt.* \
  core/expression/ \
  core/json/ \
  core/print/ \
  core/model/ \
  core/analysis/ \
  core/protobuf/ \
  core/sample_set/ \
  python/frame/,python/class_id.hpp,python/classes.def,python/function_id.hpp,python/functions.def,Python.h \
  python/docs.* \
  python/conversion.* \
  python/expression/ \
  python/model/ \
  python/sample_set/ \
  python/functions/ \
  python/registry.*,python/module.cpp

check-layers:
	@$(PYTHON) tools/check_layers.py src $(LAYERS)

# Run from the repo root: there is no zorvane/ source dir, so `import zorvane`
# resolves to the module installed in .venv. Exit code 5 (nothing collected)
# is reported but not treated as a failure. The tests that configure CMake take
# numpy's headers from ZORVANE_NUMPY_INCLUDE, as the builds do. ZORVANE_DEPS_INSTALLED:
# `make deps` has installed every tool the tests run, so a missing one fails (outside make it skips).
pytest:
	@if [ ! -d tests ]; then echo "pytest: no tests/ directory, skipped"; exit 0; fi; \
	rc=0; ZORVANE_DEPS_INSTALLED=1 ZORVANE_NUMPY_INCLUDE=$(NUMPY_INCLUDE) $(VPY) -m pytest -q tests $(PYTEST_ARGS) || rc=$$?; \
	if [ $$rc -eq 5 ]; then echo "pytest: no tests collected"; exit 0; fi; \
	exit $$rc

# C++ unit tests: every tests/cpp/*/*.cpp is one executable (own main, plain
# asserts), built by CMake with -DZORVANE_CPP_TESTS=ON in build/cpp-tests and
# run by ctest: tests/cpp/core/ linked with the core library alone (no
# interpreter), tests/cpp/python/ with the Python layer and libpython.
# Skipped silently when there are none.
cpp-test: deps
ifneq ($(strip $(CPP_TESTS)),)
	@set -e; numpy_include=$(NUMPY_INCLUDE); \
	if ! grep -qx 'ZORVANE_WERROR:BOOL=$(WERROR)' "$(CPPTEST_DIR)/CMakeCache.txt" 2>/dev/null \
	    || ! grep -qxF "ZORVANE_NUMPY_INCLUDE:PATH=$$numpy_include" "$(CPPTEST_DIR)/CMakeCache.txt"; then \
	  cmake -S . -B "$(CPPTEST_DIR)" -G Ninja $(if $(V),,--log-level=WARNING) \
	    -DCMAKE_BUILD_TYPE=Debug -DZORVANE_CPP_TESTS=ON -DZORVANE_WERROR=$(WERROR) \
	    -DZORVANE_NUMPY_INCLUDE:PATH="$$numpy_include" -DPython_EXECUTABLE="$(abspath $(VPY))"; \
	fi; \
	cmake --build "$(CPPTEST_DIR)" --target zorvane_cpp_tests; \
	ctest --test-dir "$(CPPTEST_DIR)" --output-on-failure -j "$$(nproc)"
endif

# ---------------------------------------------------------------------------
# demo / bench
# ---------------------------------------------------------------------------
demo: build
	@if [ -z "$(EXAMPLES)" ]; then echo "demo: no examples/*.py"; fi
	@for f in $(EXAMPLES); do \
	  echo "=== $$f"; \
	  $(VPY) "$$f" || { echo "demo: $$f failed" >&2; exit 1; }; \
	done

bench: build
	@$(VPY) bench/run.py $(BENCH_ARGS)

# ---------------------------------------------------------------------------
# sanitize: second copy of the module with ASan+UBSan, installed (module only)
# into build/asan-site and put first on PYTHONPATH for the whole pytest suite.
# The C++ unit tests are built in the same tree and run first (node memory's
# poisoning is checked there: no Python code can use a freed node).
# The interpreter is not instrumented, so the ASan runtime is LD_PRELOADed,
# followed by libstdc++: python itself does not link libstdc++, and without it
# loaded at ASan start-up the first C++ `throw` aborts with
# "CHECK failed ... real___cxa_throw". (The UBSan runtime needs no preload: the
# module links it.)
# PYTHONMALLOC=malloc routes Python's allocations through ASan's malloc.
# pytest runs with --capture=sys: fd-level capture would swallow the sanitizer
# report when the process aborts. Sanitizer reports end the run (exit 1).
# ---------------------------------------------------------------------------
sanitize: deps
	@echo "sanitize: building ASan+UBSan module (build tree: $(ASAN_BUILD), module: $(ASAN_SITE))"
	@$(VPIP) install --no-build-isolation --no-deps --upgrade $(PIP_QUIET) \
	  --config-settings=cmake.define.ZORVANE_SANITIZE=ON --config-settings=cmake.define.ZORVANE_CPP_TESTS=ON \
	  --config-settings=cmake.define.ZORVANE_WERROR=$(WERROR) --config-settings=cmake.build-type=Debug \
	  --config-settings=cmake.define.ZORVANE_NUMPY_INCLUDE=$(NUMPY_INCLUDE) \
	  --config-settings=build-dir=$(ASAN_BUILD) --target $(ASAN_SITE) .
	@so=$$(ls $(ASAN_SITE)/zorvane.*.so); \
	nm -D --undefined-only "$$so" | grep -q '__asan_' || { echo "sanitize: $$so is not ASan-instrumented" >&2; exit 1; }; \
	nm -D --undefined-only "$$so" | grep -q '__ubsan_' || { echo "sanitize: $$so is not UBSan-instrumented" >&2; exit 1; }
ifneq ($(strip $(CPP_TESTS)),)
	@cmake --build "$(ASAN_BUILD)" --target zorvane_cpp_tests
	@ASAN_OPTIONS="detect_leaks=0:halt_on_error=1$${ASAN_OPTIONS:+:$$ASAN_OPTIONS}" \
	  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1$${UBSAN_OPTIONS:+:$$UBSAN_OPTIONS}" \
	  ctest --test-dir "$(ASAN_BUILD)" --output-on-failure -j "$$(nproc)"
endif
	@if [ ! -d tests ]; then echo "sanitize: no tests/ directory, skipped"; exit 0; fi; \
	asan=$$(g++ -print-file-name=libasan.so); stdcxx=$$(g++ -print-file-name=libstdc++.so); \
	[ -f "$$asan" ] || { echo "sanitize: ASan runtime not found ($$asan)" >&2; exit 1; }; \
	[ -f "$$stdcxx" ] || { echo "sanitize: libstdc++ not found ($$stdcxx)" >&2; exit 1; }; \
	export LD_PRELOAD="$$asan:$$stdcxx$${LD_PRELOAD:+:$$LD_PRELOAD}" \
	  ASAN_OPTIONS="detect_leaks=0:halt_on_error=1$${ASAN_OPTIONS:+:$$ASAN_OPTIONS}" \
	  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1$${UBSAN_OPTIONS:+:$$UBSAN_OPTIONS}" \
	  PYTHONMALLOC=malloc ZORVANE_DEPS_INSTALLED=1 ZORVANE_NUMPY_INCLUDE=$(NUMPY_INCLUDE) \
	  PYTHONPATH="$(abspath $(ASAN_SITE))$${PYTHONPATH:+:$$PYTHONPATH}"; \
	$(VPY) -c 'import zorvane, sys; f = zorvane.__file__; print("sanitize: using", f); sys.exit("/asan-site/" not in f)' || exit 1; \
	rc=0; $(VPY) -m pytest -q -p no:cacheprovider --capture=sys tests $(PYTEST_ARGS) || rc=$$?; \
	if [ $$rc -eq 5 ]; then echo "sanitize: no tests collected"; exit 0; fi; \
	exit $$rc

# ---------------------------------------------------------------------------
# typecheck (part of `make test`): stubtest holds the stubs (src/zorvane.pyi,
# installed as the stub package zorvane-stubs) against the built module, then
# mypy --strict checks examples/ through those installed stubs.
# ---------------------------------------------------------------------------
PY_REQUIREMENTS += mypy pandas-stubs
.PHONY: typecheck
test: typecheck
typecheck: build
	@$(VPY) -m mypy.stubtest zorvane
	@$(VPY) -m mypy --strict examples/
# fuzz: every fuzz/*.cpp is a libFuzzer program (clang 14: Debian's clang-14 and
# libclang-rt-14-dev, installed when missing); fuzz/core_*.cpp call the core's
# readers directly, the others embed the interpreter with the module built in.
# All of src/ is instrumented and checked by ASan+UBSan (build tree
# build/fuzz/). Each program runs FUZZ_SECONDS seconds on its checked-in seeds
# (fuzz/corpus/<name>/, made by fuzz/make_corpus.py; core_<name> shares those
# of <name>) plus what earlier runs found (build/fuzz/corpus/<name>/); a
# finding is saved under build/fuzz/artifacts/ and fails the target. The
# interpreter finds numpy and orjson through the venv's site-packages on
# PYTHONPATH.
# ---------------------------------------------------------------------------
FUZZ_APT     := clang-14 libclang-rt-14-dev
FUZZ_DIR     := $(BUILD_DIR)/fuzz
FUZZERS      := $(sort $(basename $(notdir $(wildcard fuzz/*.cpp))))
FUZZ_SECONDS ?= 60

deps-fuzz: deps-system
	@missing=""; \
	for p in $(FUZZ_APT); do \
	  dpkg-query -W -f='$${Status}\n' "$$p" 2>/dev/null | grep -q ' installed$$' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "deps: installing Debian packages:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq -o Dpkg::Use-Pty=0 --no-install-recommends $$missing; \
	fi

fuzz: deps deps-fuzz
	@set -e; numpy_include=$(NUMPY_INCLUDE); \
	if ! grep -qx 'ZORVANE_WERROR:BOOL=$(WERROR)' "$(FUZZ_DIR)/CMakeCache.txt" 2>/dev/null \
	    || ! grep -qxF "ZORVANE_NUMPY_INCLUDE:PATH=$$numpy_include" "$(FUZZ_DIR)/CMakeCache.txt"; then \
	  cmake -S . -B "$(FUZZ_DIR)" -G Ninja $(if $(V),,--log-level=WARNING) \
	    -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=Release -DZORVANE_FUZZ=ON -DZORVANE_WERROR=$(WERROR) \
	    -DZORVANE_NUMPY_INCLUDE:PATH="$$numpy_include" -DPython_EXECUTABLE="$(abspath $(VPY))"; \
	fi; \
	cmake --build "$(FUZZ_DIR)" --target zorvane_fuzzers
	@site=$$($(VPY) -c 'import sysconfig; print(sysconfig.get_paths()["purelib"])'); \
	export PYTHONPATH="$$site" \
	  ASAN_OPTIONS="detect_leaks=0$${ASAN_OPTIONS:+:$$ASAN_OPTIONS}" \
	  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$(abspath fuzz/ubsan.supp)$${UBSAN_OPTIONS:+:$$UBSAN_OPTIONS}"; \
	mkdir -p "$(FUZZ_DIR)/artifacts"; \
	for f in $(FUZZERS); do \
	  mkdir -p "$(FUZZ_DIR)/corpus/$$f"; \
	  log="$(FUZZ_DIR)/$$f.log"; \
	  echo "fuzz: $$f for $(FUZZ_SECONDS) s (log: $$log)"; \
	  if ! "$(FUZZ_DIR)/fuzz_$$f" -max_total_time=$(FUZZ_SECONDS) -timeout=120 -rss_limit_mb=4096 \
	      -print_final_stats=1 -artifact_prefix="$(FUZZ_DIR)/artifacts/$$f-" \
	      "$(FUZZ_DIR)/corpus/$$f" "fuzz/corpus/$${f#core_}" >"$$log" 2>&1; then \
	    tail -n 60 "$$log"; echo "fuzz: $$f found a fault (see $(FUZZ_DIR)/artifacts/)" >&2; exit 1; \
	  fi; \
	  grep -E '^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units|^stat::peak_rss_mb' "$$log" | sed 's/^/  /'; \
	done

# ---------------------------------------------------------------------------
# test-versions: `make test` (build, pytest, C++ tests, typecheck) with each
# supported CPython, each in its own venv build/venv-<ver> and C++ test tree
# build/cpp-tests-<ver>; the module's build tree is build/<wheel_tag> as usual.
# The supported versions are the classifiers in pyproject.toml (whose
# requires-python must span exactly them); PYTHONS="3.10 3.12" narrows the run, SKIP_PYTHONS="3.11"
# leaves out a version tested otherwise (CI: the one `make test` ran with). CPython
# $(OLDEST_NUMPY_PYTHON) runs with the oldest numpy supported ($(OLDEST_NUMPY)), built against numpy 2's
# headers all the same (NUMPY_HEADERS above).
# Interpreters: the newest $(PYENV_ROOT)/versions/<ver>.* that reports <ver>.
# A version that is not installed fails the target before anything is built;
# a failing version does not stop the others, and the summary names them all.
# ---------------------------------------------------------------------------
SUPPORTED_PYTHONS := $(shell sed -n 's/^ *"Programming Language :: Python :: \(3\.[0-9]*\)",\{0,1\}$$/\1/p' pyproject.toml)
SKIP_PYTHONS ?=
PYTHONS    ?= $(filter-out $(SKIP_PYTHONS),$(SUPPORTED_PYTHONS))
PYENV_ROOT ?= $(HOME)/.pyenv

test-versions:
	@supported="$(strip $(SUPPORTED_PYTHONS))"; first=$${supported%% *}; last=$${supported##* }; \
	want=">=$$first, <3.$$(( $${last#3.} + 1 ))"; \
	got=$$(sed -n 's/^requires-python = "\(.*\)"$$/\1/p' pyproject.toml); \
	if [ -z "$$supported" ] || [ "$$got" != "$$want" ]; then \
	  echo "test-versions: pyproject.toml: requires-python \"$$got\" does not span the classifiers ($$supported): want \"$$want\"" >&2; exit 1; \
	fi; \
	pythons=""; \
	for v in $(PYTHONS); do \
	  py=""; \
	  for d in $$(ls -d "$(PYENV_ROOT)/versions/$$v".* 2>/dev/null | sort -V -r); do \
	    if [ -x "$$d/bin/python$$v" ] && [ "$$("$$d/bin/python$$v" -c 'import sys; print("%d.%d" % sys.version_info[:2])' 2>/dev/null)" = "$$v" ]; then \
	      py="$$d/bin/python$$v"; break; \
	    fi; \
	  done; \
	  if [ -z "$$py" ]; then \
	    echo "test-versions: CPython $$v not found under $(PYENV_ROOT)/versions (supported: $$supported); install it with: pyenv install $$v" >&2; exit 1; \
	  fi; \
	  pythons="$$pythons $$v=$$py"; \
	done; \
	echo "test-versions: CPython $(strip $(PYTHONS)) (supported: $$supported)"; \
	summary=""; failed=""; \
	for entry in $$pythons; do \
	  v=$${entry%%=*}; py=$${entry#*=}; full=$$("$$py" -c 'import platform; print(platform.python_version())'); \
	  printf '\n== test-versions: CPython %s (%s)\n' "$$full" "$$py"; \
	  t=$$SECONDS; numpy=numpy; [ "$$v" != "$(OLDEST_NUMPY_PYTHON)" ] || numpy="$(OLDEST_NUMPY)"; \
	  if $(MAKE) test PYTHON="$$py" VENV="$(BUILD_DIR)/venv-$$v" CPPTEST_DIR="$(BUILD_DIR)/cpp-tests-$$v" NUMPY="$$numpy"; then \
	    result=passed; else result=FAILED; failed="$$failed $$v"; fi; \
	  venv="$(BUILD_DIR)/venv-$$v"; \
	  runs=$$("$$venv/bin/python" -c 'import numpy; print(numpy.__version__)' 2>/dev/null || echo '?'); \
	  headers=$$($(call headers_numpy,$$venv,__version__) 2>/dev/null || echo '?'); \
	  summary="$$summary"$$(printf '\n  CPython %-8s %-6s %4d s  %s, numpy %s at run time, built against numpy %s headers' \
	    "$$full" "$$result" "$$((SECONDS - t))" "$$py" "$$runs" "$$headers"); \
	done; \
	printf '\ntest-versions: summary (make test in build/venv-<ver>):%s\n' "$$summary"; \
	if [ -n "$$failed" ]; then echo "test-versions: failed on CPython$$failed" >&2; exit 1; fi

# ---------------------------------------------------------------------------
clean:
	rm -rf $(BUILD_DIR) .pytest_cache *.egg-info
	rm -f zorvane*.so
	find . -path ./$(VENV) -prune -o -name __pycache__ -type d -prune -exec rm -rf {} +

distclean: clean
	rm -rf $(VENV)
