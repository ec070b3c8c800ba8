"""What a test waits on, a child process, a forked copy of the test process or a thread, is waited on for a limit
that fits its work. When the limit passes, the test fails at once with the stacks of what hung: native ones through
gdb where it is installed, Python's through faulthandler (on in every child: SIGABRT makes it print every thread's
stack before the process dies) or, for a thread, through sys._current_frames. Nothing it started is left: a child
runs in a process group of its own, killed whole with the child's own children when the limit passes or the test
ends, and the child dies with the test run when the run is killed from outside (setpriv --pdeathsig, util-linux),
so that no thread of it keeps a core busy."""
import contextlib
import faulthandler
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import textwrap
import threading
import time
import traceback

import pytest

# What a test waits on may take this long. The longest wait of the suite, for one of 20 children run at once
# (test_thread_exit.py), took 7 s under the sanitizer build on two cores kept busy by two other processes; most
# children take under 3 s there.
SECONDS = 60
GDB = shutil.which("gdb")
DIES_WITH_THE_RUN = [setpriv, "--pdeathsig", "KILL", "--"] if (setpriv := shutil.which("setpriv")) else []


@contextlib.contextmanager
def started(args, env=None, **options):
    """A Popen of `args` (text, stdout and stderr piped) whose process group is killed when the block ends."""
    env = dict(os.environ if env is None else env, PYTHONFAULTHANDLER="1")
    with subprocess.Popen([*DIES_WITH_THE_RUN, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True, env=env, start_new_session=True, **options) as child:
        try:
            yield child
        finally:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(child.pid, signal.SIGKILL)


def finish(child, limit=SECONDS, input=None):
    """The CompletedProcess of a child from `started`, which must end within `limit` seconds."""
    try:
        out, err = child.communicate(input, timeout=limit)
    except subprocess.TimeoutExpired:
        out = None
    if out is None:
        hung(child, f"did not end within {limit} s")
    return subprocess.CompletedProcess(child.args[len(DIES_WITH_THE_RUN):], child.returncode, out, err)


def run(args, limit=SECONDS, input=None, check=False, **options):
    """subprocess.run(args, capture_output=True, text=True) with a limit, as above; with `check`, an exit status
    other than 0 fails the test with the child's stderr."""
    with started(args, **options) as child:
        done = finish(child, limit, input)
    assert not check or done.returncode == 0, f"{done.args!r} exited with {done.returncode}\n{done.stderr}"
    return done


def python(script, *args, limit=SECONDS, **options):
    """A run of `script` (dedented) by this interpreter."""
    return run([sys.executable, "-c", textwrap.dedent(script), *args], limit, **options)


def line(child, limit=SECONDS):
    """The next line the child writes to its stdout, within `limit` seconds."""
    if not select.select([child.stdout], [], [], limit)[0]:
        hung(child, f"wrote no line within {limit} s")
    return child.stdout.readline()


def hung(child, what):
    """Fails the test with the stacks of every process of the child's group, then kills the group. The group is
    stopped first, so that no process moves on when another one dies."""
    with contextlib.suppress(ProcessLookupError):  # none left: the last one ended as the limit passed
        os.killpg(child.pid, signal.SIGSTOP)
    members = group(child.pid)
    native = "".join(f"--- process {pid}, native stacks:\n{native_stacks(pid)}" for pid in members)
    for pid in members:
        python_stacks(pid)
    with contextlib.suppress(ProcessLookupError):
        os.killpg(child.pid, signal.SIGKILL)
    try:
        out, err = child.communicate(timeout=SECONDS)
    except subprocess.TimeoutExpired:  # a process that left the group holds the pipes
        out, err = "", "(not read: a process outside the group holds the pipes)"
    pytest.fail(f"{child.args[len(DIES_WITH_THE_RUN):]!r} {what}\n{native}--- stdout:\n{out[-5000:]}\n"
                f"--- stderr (each Python process's stacks at the end):\n{err[-20000:]}", pytrace=False)


def group(leader):
    """The processes of the group `leader` leads, its children first."""
    members = []
    for entry in os.listdir("/proc"):
        with contextlib.suppress(OSError, ValueError):
            if state(int(entry))[2] == str(leader):
                members.append(int(entry))
    return sorted(members, key=lambda pid: pid == leader)


def state(pid):
    """The fields of /proc/<pid>/stat after the command name (which may hold spaces): state, parent, group, ..."""
    with open(f"/proc/{pid}/stat") as stat:
        return stat.read().rsplit(")", 1)[1].split()


def native_stacks(pid):
    """The native stacks of `pid`'s threads (gdb), each function with its place; threads alike are listed once."""
    if not GDB:
        return "  (none: gdb is not installed)\n"
    try:
        not_sanitized = {key: value for key, value in os.environ.items() if key != "LD_PRELOAD"}
        out = subprocess.run([GDB, "-p", str(pid), "-batch", "-nx", "-ex", "thread apply all bt"], capture_output=True,
                             text=True, timeout=120, env=not_sanitized).stdout
    except subprocess.TimeoutExpired:
        return "  (none: gdb did not attach within 120 s)\n"
    threads = {}  # stack: the threads that have it
    for thread in re.split(r"^Thread ", out, flags=re.M)[1:]:
        number, _, frames = thread.partition("\n")
        stack = "".join(f"    {frame(line)}\n" for line in frames.splitlines() if line.startswith("#"))
        threads.setdefault(stack, []).append(number.split()[0])
    return "".join(f"  thread {', '.join(numbers)}:\n{stack}" for stack, numbers in threads.items())


def frame(line):
    """`#3  0x... in f (arguments) at file.c:12` as `f at file.c:12`."""
    function = re.match(r"#\d+\s+(?:0x[0-9a-f]+ in )?(\S+)", line)[1]
    place = re.search(r" (at|from) (\S+)$", line)
    return f"{function} {place[1]} {place[2]}" if place else function


def python_stacks(pid):
    """Ends the stopped `pid` with SIGABRT: faulthandler prints its Python stacks. Waits until it has died (dead, or
    a zombie its parent does not reap)."""
    with contextlib.suppress(ProcessLookupError):
        os.kill(pid, signal.SIGABRT)
        os.kill(pid, signal.SIGCONT)
    for _ in range(1000):
        with contextlib.suppress(OSError):
            if state(pid)[0] != "Z":
                time.sleep(0.01)
                continue
        return


def forked(task, limit=SECONDS):
    """(exit code, bytes) of `task()`, run in a forked copy of this process that must end within `limit` seconds:
    the bytes `task` returns, or exit code 1 if it raises. No other thread of this process may run at the fork, or
    the copy could inherit a lock one of them holds (the sanitizer's allocator has no fork handlers)."""
    for thread in threading.enumerate():
        if thread is not threading.main_thread():
            join(thread, limit)
    reader, writer = os.pipe()
    stacks_reader, stacks_writer = os.pipe()
    pid = os.fork()
    if pid == 0:
        code = 1
        try:
            faulthandler.enable(stacks_writer, all_threads=True)
            os.write(writer, task())
            code = 0
        finally:
            os._exit(code)
    os.close(writer)
    os.close(stacks_writer)
    said = b""
    with open(reader, "rb", buffering=0) as out, open(stacks_reader, errors="replace") as stacks:
        while select.select([out], [], [], limit)[0]:
            if not (chunk := out.read(65536)):  # the end: the child has exited
                return os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]), said
            said += chunk
        os.kill(pid, signal.SIGSTOP)
        native = native_stacks(pid)
        python_stacks(pid)
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
        pytest.fail(f"a forked child did not end within {limit} s\n--- native stacks:\n{native}--- Python stacks:\n"
                    f"{stacks.read()}", pytrace=False)


def join(thread, limit=SECONDS):
    """Waits for `thread` to end, for at most `limit` seconds; fails with its stack when it does not."""
    thread.join(limit)
    if thread.is_alive():
        top = sys._current_frames().get(thread.ident)
        stack = "".join(traceback.format_stack(top)) if top else "(no Python frame)\n"
        pytest.fail(f"{thread!r} did not end within {limit} s; its stack:\n{stack}", pytrace=False)


def missing(tool):
    """Skips the test for want of a tool, with what to install; fails it where `make deps` has installed every tool
    the suite uses (ZORVANE_DEPS_INSTALLED: make test and make sanitize)."""
    if os.environ.get("ZORVANE_DEPS_INSTALLED"):
        pytest.fail(f"{tool}\n(make deps has installed it, so its absence is a fault)", pytrace=False)
    pytest.skip(tool)
