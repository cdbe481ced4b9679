#!/usr/bin/env python3
"""Runs a program under a time limit and relays its output; used by scripts/wine-run.

    run_relay.py <seconds> <program> [args...]

Wine starts its own helper processes (services, device drivers, the desktop) on demand from the
program that first needs them, and they inherit that program's standard error. Given the
caller's descriptors directly, they would keep CTest's output pipe open long after the test
ended, and CTest would wait for them. So the program writes into pipes of our own; we copy
what arrives and stop copying shortly after the program itself has ended.

On the time limit the program's process group and every process that carries this run's
mark in its environment (Windows programs started by the program inherit it) are killed;
the exit code is then 124. Otherwise the program's exit code is passed through.
"""
import os
import select
import signal
import subprocess
import sys
import time
import uuid

MARK = "TORV_RUN_MARK"


def processes_with_mark(mark):
    """Process ids whose environment carries the mark."""
    needle = f"{MARK}={mark}".encode() + b"\0"
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if needle in f.read():
                    found.append(int(entry))
        except OSError:
            pass
    return found


def kill_tree(child, mark):
    """Ends the program and everything it started: politely, then for good."""
    for sig, grace in ((signal.SIGTERM, 5.0), (signal.SIGKILL, 5.0)):
        try:
            os.killpg(child.pid, sig)
        except OSError:
            pass
        for pid in processes_with_mark(mark):
            try:
                os.kill(pid, sig)
            except OSError:
                pass
        deadline = time.monotonic() + grace
        while time.monotonic() < deadline:
            if child.poll() is not None and not processes_with_mark(mark):
                return
            time.sleep(0.1)


class Stopped(Exception):
    def __init__(self, signum):
        super().__init__(signum)
        self.signum = signum


def stop(signum, _frame):
    raise Stopped(signum)


def main():
    if len(sys.argv) < 3:
        print("usage: run_relay.py <seconds> <program> [args...]", file=sys.stderr)
        return 2
    limit = float(sys.argv[1])
    mark = uuid.uuid4().hex
    env = dict(os.environ, **{MARK: mark})
    try:
        child = subprocess.Popen(sys.argv[2:], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 env=env, start_new_session=True)
    except OSError as e:
        print(f"wine-run: cannot start {sys.argv[2]}: {e}", file=sys.stderr)
        return 125

    # Stopped from outside (CTest's own limit, Ctrl-C): take everything down with us.
    for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signum, stop)
    try:
        return relay(child, mark, limit)
    except Stopped as e:
        kill_tree(child, mark)
        return 128 + e.signum


def relay(child, mark, limit):
    targets = {child.stdout.fileno(): sys.stdout.buffer, child.stderr.fileno(): sys.stderr.buffer}
    open_fds = set(targets)
    deadline = time.monotonic() + limit
    ended_at = None
    timed_out = False
    while open_fds:
        now = time.monotonic()
        if ended_at is None and child.poll() is not None:
            ended_at = now
        if ended_at is not None:
            # The program is gone; whatever it wrote is already in the pipes. Helpers it
            # started may hold them open for good, so stop once they are quiet.
            wait = 0.3
            if now - ended_at > 5.0:
                break
        elif now >= deadline:
            timed_out = True
            break
        else:
            wait = min(0.5, deadline - now)
        ready, _, _ = select.select(list(open_fds), [], [], wait)
        if not ready and ended_at is not None:
            break
        for fd in ready:
            data = os.read(fd, 65536)
            if not data:
                open_fds.discard(fd)
                continue
            target = targets[fd]
            if target is None:
                continue
            try:
                target.write(data)
                target.flush()
            except OSError:
                # The reader went away (e.g. "| head"): keep draining so the program can finish.
                targets[fd] = None

    if not timed_out:
        # Both pipes closed: the program may still be running without them.
        try:
            child.wait(timeout=max(0.0, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            timed_out = True
    if timed_out:
        kill_tree(child, mark)
        name = os.path.basename(sys.argv[3] if len(sys.argv) > 3 else sys.argv[2])
        print(f"wine-run: {name} killed after the time limit of {limit:g} s", file=sys.stderr)
        return 124
    code = child.wait()
    return 128 - code if code < 0 else code


if __name__ == "__main__":
    sys.exit(main())
