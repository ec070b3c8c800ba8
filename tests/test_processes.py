"""The waits of the tests themselves: what blocks for ever fails its test within the limit, with the stacks of the
place it blocked, and leaves no process behind."""
import contextlib
import os
import threading
import uuid

import pytest

import processes


def running(test):
    """The processes for which `test(pid)` holds."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        with contextlib.suppress(OSError):  # ended meanwhile
            if test(pid):
                found.append(pid)
    return found


def marked(mark):
    def holds(pid):
        with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
            return mark.encode() in cmdline.read()
    return holds


def test_a_child_and_its_child_that_block_fail_with_their_stacks_and_are_ended():
    mark = uuid.uuid4().hex
    with pytest.raises(pytest.fail.Exception) as failed:
        processes.python(f"""
            import os  # {mark}
            if os.fork() == 0:
                os.read(os.pipe()[0], 1)
            os.wait()
        """, limit=2)
    message = str(failed.value)
    assert "did not end within 2 s" in message
    assert 'File "<string>", line 4 in <module>' in message  # the grandchild in os.read
    assert 'File "<string>", line 5 in <module>' in message  # the child in os.wait
    if processes.GDB:
        assert message.count("native stacks:") == 2 and "os_read" in message and "os_wait" in message, message
    assert running(marked(mark)) == []


def test_a_forked_copy_that_blocks_fails_with_its_stacks_and_is_ended():
    with pytest.raises(pytest.fail.Exception) as failed:
        processes.forked(lambda: os.read(os.pipe()[0], 1), limit=2)
    assert "a forked child did not end within 2 s" in str(failed.value)
    assert "in <lambda>" in str(failed.value)  # its Python stack
    if processes.GDB:
        assert "os_read" in str(failed.value), failed.value
    assert running(lambda pid: processes.state(pid)[1] == str(os.getpid())) == []  # no child left


def test_a_thread_that_blocks_fails_with_its_stack():
    release = threading.Event()
    thread = threading.Thread(target=release.wait)
    thread.start()
    try:
        with pytest.raises(pytest.fail.Exception) as failed:
            processes.join(thread, 0.5)
    finally:
        release.set()
        thread.join()
    assert "did not end within 0.5 s" in str(failed.value) and "in wait" in str(failed.value)


@pytest.mark.parametrize("installed, outcome", [("", pytest.skip.Exception), ("1", pytest.fail.Exception)],
                         ids=["outside make", "under make"])
def test_a_missing_tool_skips_outside_make_and_fails_under_it(monkeypatch, installed, outcome):
    monkeypatch.setenv("ZORVANE_DEPS_INSTALLED", installed)
    with pytest.raises((pytest.skip.Exception, pytest.fail.Exception), match="apt-get install nodejs") as raised:
        processes.missing("node not found: apt-get install nodejs")
    assert raised.type is outcome


def test_a_checked_child_that_fails_fails_the_test_with_its_stderr():
    assert processes.python("print('ok')", check=True).stdout == "ok\n"
    with pytest.raises(AssertionError, match="exited with 3\n.*said so"):
        processes.python("import sys; sys.stderr.write('said so'); sys.exit(3)", check=True)
