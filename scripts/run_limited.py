#!/usr/bin/python3 -S
"""Runs a command under a wall-time and a memory limit and reports how it
ended, as one line of JSON in REPORT:

    {"status": 0, "signal": null, "seconds": 0.41, "cpu": 0.12,
     "peak": 20447232, "killed": null}

status is the exit status (null when a signal ended it), signal the signal's
number, seconds the wall time, cpu the user and system time, peak the most
memory the command held (bytes), killed "time" or "memory" when this runner
killed it.

The command runs in a process group of its own, which is killed whole when
it runs longer than --seconds or when the group's resident memory, looked at
four times a second, is above --mem-bytes; whatever the command leaves
running when it ends is killed too. The peak is the ru_maxrss that wait4
gives for the command (the most that it, or any one descendant it waited
for, held), or the most resident memory the group was seen to hold, if more
(a descendant not waited for, several at once). It is measured here, in a small process, because a process's ru_maxrss
counts the memory of the parent it was forked from until it runs the new
program: forked from a Python that has loaded numpy, every command would
seem to need as much.

    python3 -S scripts/run_limited.py --seconds 30 --mem-bytes 1610612736 \\
        --report FILE -- COMMAND ARGS...
"""
import argparse
import json
import os
import resource
import signal
import time

PAGE = resource.getpagesize()


def group_rss(group):
    """The resident memory of every process of a process group, in bytes."""
    total = 0
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue  # it ended meanwhile
        if int(fields[2]) == group:
            total += int(fields[21]) * PAGE
    return total


def kill_group(group):
    try:
        os.killpg(group, signal.SIGKILL)
    except ProcessLookupError:
        pass


def start(argv):
    """Forks the command into a new process group of its own."""
    pid = os.fork()
    if pid == 0:
        try:
            os.setpgid(0, 0)
            os.execvp(argv[0], argv)
        finally:
            os._exit(127)
    try:
        os.setpgid(pid, pid)  # either side may set it first
    except PermissionError:
        pass  # the child set it and has run the command already
    return pid


def wait(pid, seconds, mem_bytes):
    """Waits for the command, killing its group when it is over a limit;
    returns its status, its usage, the wall time, why it was killed and the
    most resident memory its group was seen with."""
    began, killed, pause, look, seen = time.monotonic(), None, 0.001, 0.25, 0
    while True:
        done, status, usage = os.wait4(pid, os.WNOHANG)
        if done:
            return status, usage, time.monotonic() - began, killed, seen
        now = time.monotonic() - began
        if killed is None and now > seconds:
            killed = "time"
        elif killed is None and now > look:
            look = now + 0.25
            seen = max(seen, group_rss(pid))
            if seen > mem_bytes:
                killed = "memory"
        if killed:
            kill_group(pid)
        time.sleep(pause)
        pause = min(2 * pause, 0.02)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--seconds", type=float, required=True)
    ap.add_argument("--mem-bytes", type=int, required=True)
    ap.add_argument("--report", required=True)
    ap.add_argument("command", nargs="+")
    args = ap.parse_args()
    pid = start(args.command)
    for stop in (signal.SIGINT, signal.SIGTERM):  # the command goes too
        signal.signal(stop, lambda *_: (kill_group(pid), os._exit(128 + stop)))
    status, usage, seconds, killed, seen = wait(pid, args.seconds,
                                                args.mem_bytes)
    kill_group(pid)  # whatever it left running
    report = {
        "status": os.WEXITSTATUS(status) if os.WIFEXITED(status) else None,
        "signal": os.WTERMSIG(status) if os.WIFSIGNALED(status) else None,
        "seconds": round(seconds, 3),
        "cpu": round(usage.ru_utime + usage.ru_stime, 3),
        "peak": max(usage.ru_maxrss * 1024, seen),
        "killed": killed,
    }
    with open(args.report, "w") as f:
        f.write(json.dumps(report) + "\n")


if __name__ == "__main__":
    main()
