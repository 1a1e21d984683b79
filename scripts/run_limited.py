#!/usr/bin/python3 -S
"""Runs a command under a wall-time and a memory limit and reports how it
ended, as one line of JSON in REPORT:

    {"status": 0, "signal": null, "seconds": 0.41, "cpu": 0.12,
     "peak": 20447232, "killed": null}

status is the exit status (null when a signal ended it), signal the signal's
number, seconds the wall time, cpu the user and system time, peak the most
memory the command held (bytes), killed "time" or "memory" when this runner
killed it.

The command runs in a session of its own, which is killed whole when it
runs longer than --seconds or when the resident memory of the session's
processes, looked at four times a second, is above --mem-bytes; whatever
the command leaves running when it ends is killed too. (A session, not a
process group: a process the command starts may take a group of its own.)

The peak is the ru_maxrss that wait4 gives for the command (the most that
it, or any one descendant it waited for, held), or the most resident memory
the session was seen to hold, if more (a descendant not waited for, several
at once). It is measured here, in a small process, because a process's
ru_maxrss counts the memory of the parent it was forked from until it runs
the new program: forked from a Python that has loaded numpy, every command
would seem to need as much.

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


def session(sid):
    """The processes of a session: the pid and resident bytes of each."""
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name) as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue  # it ended meanwhile
        if int(fields[3]) == sid:
            found.append((int(name), int(fields[21]) * PAGE))
    return found


def kill_session(sid):
    """Kills the command and whatever it started, in any process group."""
    for pid, _ in session(sid):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def start(argv):
    """Forks the command into a new session of its own, which holds every
    process it starts, even one in a process group of its own."""
    pid = os.fork()
    if pid == 0:
        try:
            os.setsid()
            os.execvp(argv[0], argv)
        finally:
            os._exit(127)
    return pid


def wait(pid, seconds, mem_bytes):
    """Waits for the command, killing its session when it is over a limit;
    returns its status, its usage, the wall time, why it was killed and the
    most resident memory its session was seen to hold."""
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
            seen = max(seen, sum(rss for _, rss in session(pid)))
            if seen > mem_bytes:
                killed = "memory"
        if killed:
            kill_session(pid)
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
        signal.signal(stop, lambda number, _: (kill_session(pid),
                                               os._exit(128 + number)))
    status, usage, seconds, killed, seen = wait(pid, args.seconds,
                                                args.mem_bytes)
    kill_session(pid)  # whatever it left running
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
