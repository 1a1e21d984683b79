#!/usr/bin/env python3
"""Progress(i, n): silent when standard error is not a terminal; on a
terminal a line redrawn in place, ended when i reaches n.
Usage: progress_pty.py ZORL"""
import os
import pty
import re
import subprocess
import sys

args = [sys.argv[1], "run", "-e", "Progress(0, 3)", "-e", "Progress(3, 3)"]
env = dict(os.environ, ZORL_PROGRESS_DELAY="0")
piped = subprocess.run(args, env=env, capture_output=True, check=True)
assert piped.stderr == b"", piped.stderr

master, slave = pty.openpty()
p = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=slave)
os.close(slave)
seen = b""
while True:
    try:
        chunk = os.read(master, 4096)
    except OSError:  # the terminal closed
        break
    if not chunk:
        break
    seen += chunk
assert p.wait() == 0
expected = (rb"\r0/3   0%  0\.0/s  --:-- left\x1b\[K"
            rb"\r3/3 100%  [0-9.]+/s  0:00 in all\x1b\[K\r\n")
assert re.fullmatch(expected, seen), seen
