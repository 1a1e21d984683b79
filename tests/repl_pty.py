#!/usr/bin/env python3
"""The prompt on a terminal: Ctrl-C stops a loop (twice, too) and drops a
line, the session and its variables going on; a function defined again;
open brackets and Strings continued; the history kept in HOME between
sessions, and a warning when it can't be written.
Usage: repl_pty.py ZORL"""
import os
import pty
import select
import sys
import tempfile
import termios
import time

ZORL = sys.argv[1]


class Session:
    def __init__(self, env):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.execve(ZORL, [ZORL, "repl"], env)
        self.seen = b""
        self.expect(b"zorl> ")

    def expect(self, text):
        """Reads until text has come; what came before it and it."""
        end = time.time() + 20
        while text not in self.seen:
            ready, _, _ = select.select([self.fd], [], [], end - time.time())
            assert ready, "waited for %r, got %r" % (text, self.seen)
            self.seen += os.read(self.fd, 4096)
        at = self.seen.index(text) + len(text)
        got, self.seen = self.seen[:at], self.seen[at:]
        return got

    def type(self, keys):
        """Types keys once the prompt reads them (the terminal no longer
        echoes: what it echoed would show twice)."""
        end = time.time() + 20
        while termios.tcgetattr(self.fd)[3] & termios.ECHO:
            assert time.time() < end, "the prompt never came"
            time.sleep(0.01)
        os.write(self.fd, keys)

    def line(self, text, prompt=b"zorl> "):
        """Types a line; what it printed before the next prompt."""
        self.type(text + b"\r")
        got = self.expect(prompt)
        return got[got.index(b"\r\n") + 2:-len(prompt)]

    def drain(self):
        """Drops what comes within half a second (a prompt redrawn by a
        second Ctrl-C)."""
        while select.select([self.fd], [], [], 0.5)[0]:
            os.read(self.fd, 4096)
        self.seen = b""

    def end(self):
        self.type(b"\x04")
        rest = b""
        while True:
            try:
                chunk = os.read(self.fd, 4096)
            except OSError:  # the terminal closed
                break
            if not chunk:
                break
            rest += chunk
        status = os.waitpid(self.pid, 0)[1]
        assert os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0, status
        return self.seen + rest


home = tempfile.mkdtemp()
env = dict(os.environ, HOME=home, TERM="dumb")
env.pop("ZORL_HISTORY", None)

s = Session(env)
assert s.line(b"x = 5") == b""
# Ctrl-C in a loop without end, once and twice at once.
for keys in (b"\x03", b"\x03\x03"):
    assert s.line(b"while true", b"....> ") == b""
    s.type(b"x = x + 1\rend\r")
    s.expect(b"end\r\n")
    time.sleep(0.3)
    os.write(s.fd, keys)
    assert b"<stdin>:" in s.expect(b": interrupted\r\n")
    s.expect(b"zorl> ")
    s.drain()
    assert s.line(b"print(x > 5)") == b"true\r\n"
# Ctrl-C drops the line being typed, and a block being typed.
for typed in (b"print(99)", b"if true\rprint(98)\r"):
    s.type(typed)
    time.sleep(0.3)
    os.write(s.fd, b"\x03")
    s.expect(b"^C\r\nzorl> ")
    assert s.line(b"print(1)") == b"1\r\n"
# A function defined again at the prompt.
for body in (b"return a", b"return 2 * a"):
    s.line(b"def f(a)", b"....> ")
    s.line(body, b"....> ")
    s.line(b"end")
assert s.line(b"print(f(21))") == b"42\r\n"
# Open brackets and Strings go on in the next line.
s.line(b"v = [1, # one", b"....> ")
s.line(b"2]")
s.line(b'print(v, len("ab', b"....> ")
assert s.line(b'cd"))') == b"[1, 2] 5\r\n"
assert b"warning" not in s.end()

# The history, read back in the next session: the last line again.
history = os.path.join(home, ".zorl_history")
assert b"print(f(21))" in open(history, "rb").read()
s = Session(env)
assert s.line(b"print(6 * 7)") == b"42\r\n"
s.end()
s = Session(env)
s.type(b"\x1b[A\r")  # the up arrow, Enter
s.expect(b"42\r\nzorl> ")
s.end()

# A history file that can't be written: one warning line, status 0.
env["ZORL_HISTORY"] = os.path.join(home, "missing", "history")
s = Session(env)
s.line(b"print(1)")
assert s.end().endswith(b"zorl: warning: cannot write the history to " +
                        env["ZORL_HISTORY"].encode() +
                        b": No such file or directory\r\n")
