"""Starting and watching a program: the X server and our connection to it (which window was
mapped when, and by which process), the bench's HTTP server and its request log, and a program
started as a process tree of its own, whose "@bench" marks come on its standard error and whose
commands go to its standard input. Every moment is CLOCK_MONOTONIC, one clock for all processes
on the machine."""

import os
import select
import signal
import subprocess
import sys
import time

from Xlib import X, XK, display as xdisplay
from Xlib.ext import xtest

from procfs import read_text

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))


def now_ns() -> int:
    return time.monotonic_ns()


class XWatcher:
    """Our own connection to the X server, told of every top-level window created or mapped."""

    def __init__(self, display_name: str):
        self.display = xdisplay.Display(display_name)
        self.root = self.display.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.pid_atom = self.display.intern_atom("_NET_WM_PID")
        self.display.sync()
        self.events = []  # (t_ns, "create" | "map", window id, pid or None, (w, h) or None)

    def fileno(self):
        return self.display.fileno()

    def drain(self, t_ns: int):
        """Reads every event that has arrived; all of them arrived by t_ns."""
        while self.display.pending_events():
            ev = self.display.next_event()
            if ev.type == X.CreateNotify:
                self.events.append((t_ns, "create", ev.window.id, None, None))
            elif ev.type == X.MapNotify and not ev.override:
                pid, size = None, None
                try:
                    prop = ev.window.get_full_property(self.pid_atom, X.AnyPropertyType)
                    pid = int(prop.value[0]) if prop else None
                    g = ev.window.get_geometry()
                    size = (g.width, g.height)
                except Exception:  # the window may be gone already
                    pass
                self.events.append((t_ns, "map", ev.window.id, pid, size))

    def first_map(self, pid: int, since_ns: int):
        for t, kind, wid, wpid, size in self.events:
            if kind == "map" and wpid == pid and t >= since_ns:
                created = next((t2 for t2, k2, w2, _, _ in self.events
                                if k2 == "create" and w2 == wid and t2 >= since_ns), None)
                return t, created, size
        return None, None, None

    def point_into(self, pid: int, since_ns: int):
        """Moves the pointer into the middle of the program's window: without a window manager
        the keyboard goes to the window under the pointer."""
        wid = next((w for _, kind, w, wpid, _ in self.events
                    if kind == "map" and wpid == pid), None)
        if wid is None:
            return
        window = self.display.create_resource_object("window", wid)
        g = window.get_geometry()
        at = self.root.translate_coords(window, g.width // 2, g.height // 2)
        xtest.fake_input(self.display, X.MotionNotify, x=at.x, y=at.y)
        self.display.sync()

    def key(self, character: str):
        """Presses and releases the key of a letter or digit, as a person typing does."""
        code = self.display.keysym_to_keycode(XK.string_to_keysym(character))
        xtest.fake_input(self.display, X.KeyPress, code)
        xtest.fake_input(self.display, X.KeyRelease, code)
        self.display.sync()


def start_xvfb(screen: str):
    """An Xvfb on a display number it picks itself (-displayfd), so it never collides."""
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", screen, "-nolisten", "tcp",
         "-noreset"],
        pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)
    os.close(write_fd)
    number = b""
    deadline = time.monotonic() + 20
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        r, _, _ = select.select([read_fd], [], [], 1)
        if r:
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
    os.close(read_fd)
    if not number.strip():
        proc.kill()
        raise RuntimeError("Xvfb did not start")
    return proc, ":" + number.decode().strip()


def start_http_server(log_path: str, max_seconds: float, connection_delay_ms: float = 0.0):
    proc = subprocess.Popen(
        [sys.executable, os.path.join(BENCH_DIR, "http_server.py"), "--log", log_path,
         "--max-seconds", str(max_seconds), "--connection-delay-ms", str(connection_delay_ms)],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = proc.stdout.readline().split()
    if len(line) != 2 or line[0] != "port":
        proc.kill()
        raise RuntimeError("HTTP server did not start")
    return proc, int(line[1])


def server_requests(log_path: str) -> list:
    out = []
    for line in read_text(log_path).splitlines():
        parts = line.split(" ", 2)
        if len(parts) == 3:
            out.append((int(parts[0]), parts[1], parts[2]))
    return out

# ---------------------------------------------------------------------------------------------
# One trial: start, home page, memory, lookup, memory, idle, quit

class Child:
    """A program started as a new process tree; reads its "@bench" marks from standard error."""

    def __init__(self, argv, env, cwd, takes_commands=True):
        self.marks = {}
        self.lines = []
        self._buffer = b""
        self.takes_commands = takes_commands
        self.spawn_ns = now_ns()
        self.proc = subprocess.Popen(argv, env=env, cwd=cwd, stdin=subprocess.PIPE,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                     start_new_session=True)
        os.set_blocking(self.proc.stderr.fileno(), False)

    def fileno(self):
        return self.proc.stderr.fileno()

    def read(self):
        try:
            chunk = os.read(self.fileno(), 65536)
        except BlockingIOError:
            return
        if not chunk:
            return
        self._buffer += chunk
        *complete, self._buffer = self._buffer.split(b"\n")
        for raw in complete:
            line = raw.decode("utf-8", "replace")
            self.lines.append(line)
            if line.startswith("@bench "):
                parts = line.split(" ", 3)
                name, t = parts[1], int(parts[2])
                detail = parts[3] if len(parts) > 3 else ""
                self.marks.setdefault(name, (t, detail))

    def send(self, command: str):
        try:
            self.proc.stdin.write((command + "\n").encode())
            self.proc.stdin.flush()
        except BrokenPipeError:
            pass

    def stop(self):
        """Asks the program to quit (a program that takes no commands gets SIGTERM); ends its
        process group if it does not."""
        signals = ((signal.SIGTERM, 5), (signal.SIGKILL, 5))
        if self.takes_commands:
            self.send("quit")
            try:
                self.proc.wait(timeout=10)
                signals = ()
            except subprocess.TimeoutExpired:
                pass
        for sig, wait in signals:
            try:
                os.killpg(self.proc.pid, sig)
                self.proc.wait(timeout=wait)
                break
            except (ProcessLookupError, subprocess.TimeoutExpired):
                continue
        # Helper processes left in the group (they should be gone with the browser).
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def pump(xw: XWatcher, child: Child, until, timeout: float) -> bool:
    """Handles X events and the child's output until until() holds or timeout seconds pass."""
    deadline = time.monotonic() + timeout
    while True:
        if until():
            return True
        left = deadline - time.monotonic()
        if left <= 0:
            return False
        if child.proc.poll() is not None:
            child.read()
            return until()
        ready, _, _ = select.select([xw, child], [], [], min(left, 0.1))
        t = now_ns()
        if xw in ready or xw.display.pending_events():
            xw.drain(t)
        if child in ready:
            child.read()
