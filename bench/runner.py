#!/usr/bin/python3
"""Start-up, lookup, memory and idle-CPU figures for the program against a bare baseline.

The two programs run alternately under an Xvfb of our own, each started cold as a new process
tree. Every moment is a CLOCK_MONOTONIC timestamp (one clock for all processes on the machine):

  spawn     taken here just before the process is started
  mapped    the program's top-level window appears: MapNotify on the root window, received by
            our own X connection (SubstructureNotifyMask), attributed through _NET_WM_PID
  home      the home page's DocumentComplete (lexivo_bench: the status bar has been emptied;
            baseline: first loadFinished), reported by the program on standard error
  lookup    from the click on the lookup button (baseline: from load() of the same address) to
            the result page complete; the page comes from our HTTP server, whose request log
            shows from outside when the program asked for it
  PSS       sum of Pss over /proc/<pid>/smaps_rollup for the process and all its descendants,
            read once the home page has been complete for --settle seconds
  idle CPU  utime+stime (and scheduler run time) of the whole tree over --idle-seconds, from
            --settle seconds after the lookup's page was complete

The figures are printed as medians with min-max and the ratio ours/baseline; nothing passes or
fails on timing.
"""

import argparse
import datetime
import json
import os
import platform
import select
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
CLK_TCK = os.sysconf("SC_CLK_TCK")
TRIAL_TIMEOUT = 60.0  # seconds for any one step of a trial: start, lookup, exit


def now_ns() -> int:
    return time.monotonic_ns()


# ---------------------------------------------------------------------------------------------
# /proc readers

def read_text(path: str) -> str:
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def stat_fields(pid: int):
    """Fields of /proc/<pid>/stat from field 3 (state) on; the name may hold spaces."""
    text = read_text(f"/proc/{pid}/stat")
    if not text:
        return None
    return text[text.rfind(")") + 2:].split()


def process_tree(root: int) -> list:
    """The root and all its descendants that are alive now."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            fields = stat_fields(int(entry))
            if fields:
                children.setdefault(int(fields[1]), []).append(int(entry))
    tree, todo = [], [root]
    while todo:
        pid = todo.pop()
        if os.path.exists(f"/proc/{pid}"):
            tree.append(pid)
            todo.extend(children.get(pid, []))
    return tree


def process_kind(pid: int, root: int) -> str:
    if pid == root:
        return "main"
    args = read_text(f"/proc/{pid}/cmdline").split("\0")
    for a in args:
        if a.startswith("--type="):
            kind = a[len("--type="):]
            for b in args:
                if b.startswith("--utility-sub-type="):
                    kind += ":" + b.split("=", 1)[1].split(".")[-1]
            return kind
    return os.path.basename(args[0]) if args and args[0] else "?"


def rollup_kb(pid: int) -> dict:
    values = {}
    for line in read_text(f"/proc/{pid}/smaps_rollup").splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[0].endswith(":") and parts[1].isdigit():
            values[parts[0][:-1]] = int(parts[1])
    return values


def foreign_engine_processes(tree: list) -> int:
    """Engine helper processes outside our tree: they share the engine's library pages with
    ours, which lowers our PSS (file-backed pages are divided among all who map them)."""
    count, ours = 0, set(tree)
    for entry in os.listdir("/proc"):
        if entry.isdigit() and int(entry) not in ours:
            if "QtWebEngineProcess" in read_text(f"/proc/{entry}/cmdline").split("\0", 1)[0]:
                count += 1
    return count


def resident_frames(pid: int) -> set:
    """Physical page frames the process has resident (root can read frame numbers from
    /proc/<pid>/pagemap); only mappings that smaps shows resident are read."""
    frames, ranges, current = set(), [], None
    for line in read_text(f"/proc/{pid}/smaps").splitlines():
        first = line.split(" ", 1)[0]
        if "-" in first and not first.endswith(":"):
            a, b = first.split("-")
            current = [int(a, 16), int(b, 16)]
        elif line.startswith("Rss:") and current and int(line.split()[1]) > 0:
            ranges.append(current)
    try:
        fd = os.open(f"/proc/{pid}/pagemap", os.O_RDONLY)
    except OSError:
        return frames
    page = os.sysconf("SC_PAGE_SIZE")
    try:
        for a, b in ranges:
            data = os.pread(fd, (b - a) // page * 8, a // page * 8)
            for (entry,) in struct.iter_unpack("<Q", data):
                if entry >> 63:
                    frames.add(entry & ((1 << 55) - 1))
    except OSError:
        pass
    finally:
        os.close(fd)
    return frames


def footprint_kb(tree: list) -> int:
    """Memory the tree holds with each shared page counted once, whoever else maps it: unlike
    PSS, the same whatever else runs on the machine. Zero where frame numbers are hidden."""
    frames = set()
    for pid in tree:
        frames |= resident_frames(pid)
    if frames == {0}:
        return 0
    return len(frames) * os.sysconf("SC_PAGE_SIZE") // 1024


def memory_of_tree(root: int) -> dict:
    tree = process_tree(root)
    per = [(p, process_kind(p, root), rollup_kb(p)) for p in tree]

    def total(*keys):
        return sum(v.get(k, 0) for _, _, v in per for k in keys)

    return {"pss_kb": total("Pss"), "pss_anon_kb": total("Pss_Anon"),
            "footprint_kb": footprint_kb(tree),
            "uss_kb": total("Private_Clean", "Private_Dirty"), "rss_kb": total("Rss"),
            "processes": len(tree), "foreign": foreign_engine_processes(tree),
            "by_process": sorted(((k, v.get("Pss", 0)) for _, k, v in per), key=lambda x: -x[1])}


def cpu_of_tree(root: int) -> dict:
    """utime+stime ticks, scheduler run time and context switches of every process in the tree;
    the main thread of the main process (the GUI thread, where the program's timers run) apart."""
    result = {}
    for pid in process_tree(root):
        fields = stat_fields(pid)
        if not fields:
            continue
        ticks = int(fields[11]) + int(fields[12])
        run_ns, switches, gui_switches, gui_ns = 0, 0, 0, 0
        try:
            tids = os.listdir(f"/proc/{pid}/task")
        except OSError:
            tids = []
        for tid in tids:
            sched = read_text(f"/proc/{pid}/task/{tid}/schedstat").split()
            t_ns = int(sched[0]) if sched else 0
            s = 0
            for line in read_text(f"/proc/{pid}/task/{tid}/status").splitlines():
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    s += int(line.split()[1])
            run_ns += t_ns
            switches += s
            if pid == root and int(tid) == pid:
                gui_switches, gui_ns = s, t_ns
        result[pid] = {"ticks": ticks, "run_ns": run_ns, "switches": switches,
                       "gui_switches": gui_switches, "gui_ns": gui_ns,
                       "kind": process_kind(pid, root)}
    return result


def cpu_delta(before: dict, after: dict) -> dict:
    """Use over the interval; a process that appeared counts whole, one that ended is lost
    (counted in 'ended')."""
    total = {"ms": 0.0, "run_ms": 0.0, "switches": 0, "gui_switches": 0, "gui_run_ms": 0.0,
             "main_ms": 0.0, "ended": 0, "by_process": []}
    for pid, a in after.items():
        b = before.get(pid, {"ticks": 0, "run_ns": 0, "switches": 0, "gui_switches": 0,
                             "gui_ns": 0})
        ms = (a["ticks"] - b["ticks"]) * 1000.0 / CLK_TCK
        total["ms"] += ms
        total["run_ms"] += (a["run_ns"] - b["run_ns"]) / 1e6
        total["switches"] += a["switches"] - b["switches"]
        total["gui_switches"] += a["gui_switches"] - b["gui_switches"]
        total["gui_run_ms"] += (a["gui_ns"] - b["gui_ns"]) / 1e6
        if a["kind"] == "main":
            total["main_ms"] += ms
        total["by_process"].append((a["kind"], round((a["run_ns"] - b["run_ns"]) / 1e6, 2)))
    total["ended"] = len(set(before) - set(after))
    return total


def machine_busy_jiffies() -> int:
    fields = read_text("/proc/stat").splitlines()[0].split()[1:]
    user, nice, system, idle, iowait, irq, softirq, steal = (int(x) for x in fields[:8])
    return user + nice + system + irq + softirq + steal


# ---------------------------------------------------------------------------------------------
# X server and HTTP server

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


def start_http_server(log_path: str, max_seconds: float):
    proc = subprocess.Popen(
        [sys.executable, os.path.join(BENCH_DIR, "http_server.py"), "--log", log_path,
         "--max-seconds", str(max_seconds)],
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
    def __init__(self, argv, env, cwd):
        self.marks = {}
        self.lines = []
        self._buffer = b""
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
        """Asks the program to quit; ends its process group if it does not."""
        self.send("quit")
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            for sig, wait in ((signal.SIGTERM, 5), (signal.SIGKILL, 5)):
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
        ready, _, _ = select.select([xw, child], [], [], min(left, 0.25))
        t = now_ns()
        if xw in ready or xw.display.pending_events():
            xw.drain(t)
        if child in ready:
            child.read()


def ms(a_ns, b_ns):
    if a_ns is None or b_ns is None:
        return None
    return (b_ns - a_ns) / 1e6


QUIET_BUDGET = {"left": 0.0}


def wait_for_no_foreign_engine(limit: float) -> float:
    """Waits, within the run's budget, until no other QtWebEngine program runs on the machine:
    such a program shares the engine's library pages with ours and lowers our PSS."""
    start = time.monotonic()
    while foreign_engine_processes([]) and time.monotonic() - start < min(limit,
                                                                          QUIET_BUDGET["left"]):
        time.sleep(0.5)
    waited = time.monotonic() - start
    QUIET_BUDGET["left"] = max(0.0, QUIET_BUDGET["left"] - waited)
    return waited


def run_trial(kind: str, argv, env, cwd, xw: XWatcher, cfg, lookup_word: str,
              lookup_command: str, lookup_target: str, log_path: str) -> dict:
    waited = wait_for_no_foreign_engine(cfg.quiet_wait)
    busy0, wall0 = machine_busy_jiffies(), now_ns()
    child = Child(argv, env, cwd)
    r = {"program": kind, "word": lookup_word, "errors": [], "waited_for_quiet_s": waited}
    try:
        pid = child.proc.pid
        ok = pump(xw, child, lambda: "home-complete" in child.marks
                  and xw.first_map(pid, child.spawn_ns)[0] is not None, TRIAL_TIMEOUT)
        if not ok:
            r["errors"].append("no window or no home page complete")
            return r
        t_map, t_create, size = xw.first_map(pid, child.spawn_ns)
        m = child.marks
        r["size"] = size
        r["start_to_loaded_ms"] = ms(child.spawn_ns, m.get("loaded", (None,))[0])
        r["start_to_create_ms"] = ms(child.spawn_ns, t_create)
        r["start_to_map_ms"] = ms(child.spawn_ns, t_map)
        r["start_to_shown_ms"] = ms(child.spawn_ns, m.get("shown", (None,))[0])
        r["start_to_exposed_ms"] = ms(child.spawn_ns, m.get("exposed", (None,))[0])
        r["start_to_home_ms"] = ms(child.spawn_ns, m["home-complete"][0])
        r["home_detail"] = m["home-complete"][1]
        r["profile"] = m.get("profile", (None, ""))[1]

        pump(xw, child, lambda: False, cfg.settle)
        mem = memory_of_tree(pid)
        r["pss_home_mb"] = mem["pss_kb"] / 1024.0
        r["pss_anon_home_mb"] = mem["pss_anon_kb"] / 1024.0
        r["uss_home_mb"] = mem["uss_kb"] / 1024.0
        r["rss_home_mb"] = mem["rss_kb"] / 1024.0
        r["footprint_home_mb"] = mem["footprint_kb"] / 1024.0 or None
        r["foreign_engine_processes"] = mem["foreign"]
        r["processes"] = mem["processes"]
        r["pss_home_by_process"] = mem["by_process"]

        child.send(f"lookup {lookup_command}")
        if not pump(xw, child, lambda: "lookup-complete" in child.marks, TRIAL_TIMEOUT):
            r["errors"].append("lookup did not complete")
            return r
        t0 = m["lookup-start"][0]
        t1 = m["lookup-complete"][0]
        r["lookup_ms"] = ms(t0, t1)
        r["lookup_detail"] = m["lookup-complete"][1]
        if "lookup-pressed" in m:
            r["lookup_press_ms"] = ms(t0, m["lookup-pressed"][0])
            r["lookup_handler_ms"] = ms(m["lookup-pressed"][0], m["lookup-handled"][0])
        r["lookup_clicked_ms"] = ms(t0, m["lookup-clicked"][0])
        if "lookup-navigate" in m:
            r["lookup_to_navigate_ms"] = ms(t0, m["lookup-navigate"][0])
        requests = [t for t, method, target in server_requests(log_path)
                    if target == lookup_target and t >= t0]
        if requests:
            r["lookup_to_request_ms"] = ms(t0, requests[0])
            r["request_to_complete_ms"] = ms(requests[0], t1)
        else:
            r["errors"].append(f"server saw no request for {lookup_target}")

        pump(xw, child, lambda: False, cfg.settle)
        mem = memory_of_tree(pid)
        r["pss_lookup_mb"] = mem["pss_kb"] / 1024.0
        r["uss_lookup_mb"] = mem["uss_kb"] / 1024.0
        r["processes_after_lookup"] = mem["processes"]

        if cfg.idle_seconds > 0:
            busy_a = machine_busy_jiffies()
            a = cpu_of_tree(pid)
            t_a = now_ns()
            pump(xw, child, lambda: False, cfg.idle_seconds)
            b = cpu_of_tree(pid)
            t_b = now_ns()
            busy_b = machine_busy_jiffies()
            d = cpu_delta(a, b)
            r["idle_seconds"] = (t_b - t_a) / 1e9
            r["idle_cpu_ms"] = d["ms"]
            r["idle_run_ms"] = d["run_ms"]
            r["idle_main_ms"] = d["main_ms"]
            r["idle_switches"] = d["switches"]
            r["idle_gui_switches"] = d["gui_switches"]
            r["idle_gui_run_ms"] = d["gui_run_ms"]
            r["idle_by_process"] = d["by_process"]
            r["idle_ended_processes"] = d["ended"]
            # What the rest of the machine used meanwhile, in cores: noise, not ours.
            r["idle_other_cores"] = max(0.0, ((busy_b - busy_a) * 1000.0 / CLK_TCK - d["ms"])
                                        / 1000.0 / r["idle_seconds"])

        child.send("state")
        pump(xw, child, lambda: "state" in child.marks, 10)
        r["state"] = child.marks.get("state", (None, ""))[1]
    finally:
        child.stop()
        r["other_cores"] = ((machine_busy_jiffies() - busy0) / CLK_TCK
                            / ((now_ns() - wall0) / 1e9))  # machine busy incl. ours
        r["warnings"] = [l for l in child.lines if l.startswith("@bench warning")]
        r["marks_ms"] = {name: round((t - child.spawn_ns) / 1e6, 2)
                         for name, (t, _) in sorted(child.marks.items(), key=lambda x: x[1][0])}
        pump(xw, child, lambda: False, 0.05)
    return r


# ---------------------------------------------------------------------------------------------
# Set-up, statistics, report

def prepare_run_dir(build: str, run_dir: str, port: int, home: str) -> dict:
    """Copies the programs to a folder of their own and writes the bench settings beside
    lexivo_bench, with every template pointing at our server."""
    if os.path.exists(run_dir):
        shutil.rmtree(run_dir)
    os.makedirs(os.path.join(run_dir, "session"))
    for exe in ("lexivo_bench", "bench_baseline"):
        shutil.copy2(os.path.join(build, exe), os.path.join(run_dir, exe))
    base = f"http://127.0.0.1:{port}"
    templates = [f"{base}/{lang}/%firstchar/%word.html"
                 for lang in ("zh", "en", "th", "ja", "zhc", "enc")]
    subprocess.run([os.path.join(build, "bench_write_settings"),
                    os.path.join(run_dir, "session", "lexivo.xml"), home, *templates],
                   check=True)
    for sub in ("runtime", "cache", "data", "config"):
        os.makedirs(os.path.join(run_dir, "xdg", sub), mode=0o700)
    return {"base": base}


def program_env(display: str, run_dir: str, extra: dict) -> dict:
    env = dict(os.environ)
    env.update({
        "DISPLAY": display,
        "XDG_RUNTIME_DIR": os.path.join(run_dir, "xdg", "runtime"),
        "XDG_CACHE_HOME": os.path.join(run_dir, "xdg", "cache"),
        "XDG_DATA_HOME": os.path.join(run_dir, "xdg", "data"),
        "XDG_CONFIG_HOME": os.path.join(run_dir, "xdg", "config"),
    })
    for k in ("QT_QPA_PLATFORM", "QTWEBENGINE_CHROMIUM_FLAGS", "QT_QUICK_BACKEND",
              "WAYLAND_DISPLAY"):
        env.pop(k, None)
    env.update(extra)
    return env


def summary(values):
    values = [v for v in values if v is not None]
    if not values:
        return None
    return {"median": statistics.median(values), "min": min(values), "max": max(values),
            "n": len(values)}


METRICS = [
    # key, label, unit, decimals
    ("start_to_map_ms", "start -> window mapped (X MapNotify)", "ms", 0),
    ("start_to_home_ms", "start -> home page complete", "ms", 0),
    ("lookup_ms", "lookup: click -> result page complete", "ms", 1),
    ("pss_home_mb", "PSS of process tree, home complete", "MB", 1),
    ("idle_cpu_ms", "CPU over idle window (utime+stime)", "ms", 0),
]

DETAIL_METRICS = [
    ("start_to_loaded_ms", "start -> executable loaded (in process)", "ms", 1),
    ("start_to_create_ms", "start -> window created (X CreateNotify)", "ms", 0),
    ("start_to_shown_ms", "start -> show() returned (in process)", "ms", 0),
    ("start_to_exposed_ms", "start -> window exposed (in process)", "ms", 0),
    ("lookup_press_ms", "lookup: press (button repaints itself)", "ms", 1),
    ("lookup_handler_ms", "lookup: release + click handler", "ms", 1),
    ("lookup_clicked_ms", "lookup: click returned (baseline: load())", "ms", 1),
    ("lookup_to_navigate_ms", "lookup: click -> load started", "ms", 1),
    ("lookup_to_request_ms", "lookup: click -> request at server", "ms", 1),
    ("request_to_complete_ms", "lookup: request -> page complete", "ms", 1),
    ("pss_anon_home_mb", "  anonymous part of that PSS", "MB", 1),
    ("uss_home_mb", "USS (private) of tree, home complete", "MB", 1),
    ("rss_home_mb", "RSS of tree, home complete", "MB", 1),
    ("footprint_home_mb", "tree's resident pages, each counted once", "MB", 1),
    ("foreign_engine_processes", "other engine processes on machine then", "", 0),
    ("pss_lookup_mb", "PSS of process tree, after lookup", "MB", 1),
    ("uss_lookup_mb", "USS (private) of tree, after lookup", "MB", 1),
    ("processes", "processes in tree, home complete", "", 0),
    ("idle_run_ms", "scheduler run time over idle window", "ms", 1),
    ("idle_main_ms", "  of which main process (utime+stime)", "ms", 0),
    ("idle_gui_run_ms", "  GUI thread run time", "ms", 2),
    ("idle_gui_switches", "  GUI thread context switches", "", 0),
    ("idle_switches", "context switches, whole tree", "", 0),
    ("idle_other_cores", "other load on machine during idle window", "cores", 2),
]


MEMORY_KEYS = {"pss_home_mb", "pss_anon_home_mb", "uss_home_mb", "rss_home_mb",
               "pss_lookup_mb", "uss_lookup_mb"}


def memory_runs(rs, key):
    """For memory figures, the runs read while no other engine program was running, when there
    are at least three such runs; otherwise all (and the report says so)."""
    if key not in MEMORY_KEYS:
        return rs
    clean = [r for r in rs if r.get("foreign_engine_processes", 0) == 0]
    return clean if len(clean) >= 3 else rs


def fmt(v, decimals):
    return "-" if v is None else f"{v:.{decimals}f}"


def target_verdict(key, ours, base):
    if ours is None or base is None:
        return "", ""
    o, b = ours["median"], base["median"]
    if key in ("start_to_map_ms", "start_to_home_ms"):
        return "<= 1.10 x", "met" if o <= 1.10 * b else "MISSED"
    if key == "lookup_ms":
        return "<= base + 10 ms", "met" if o <= b + 10 else "MISSED"
    if key == "pss_home_mb":
        return "<= 1.05 x", "met" if o <= 1.05 * b else "MISSED"
    return "", ""


def idle_verdict(ours_runs, base_runs):
    """Our code runs on the GUI thread: a timer left running would wake it at least once a
    second. utime+stime counts in 10 ms ticks, too coarse to tell 0 from a few ms, so the
    verdict reads the GUI thread's wake-ups and the timer's state."""
    so = summary([r.get("idle_gui_switches") for r in ours_runs])
    sb = summary([r.get("idle_gui_switches") for r in base_runs])
    if not so or not sb:
        return "0 from our code", ""
    ticking = sum(1 for r in ours_runs if "timer-ticking=1" in r.get("state", ""))
    seconds = summary([r.get("idle_seconds") for r in ours_runs])["median"]
    met = ticking == 0 and so["median"] <= sb["median"] + 3
    return "0 from our code", (
        f"{'met' if met else 'MISSED'} (dot timer running in {ticking} runs; GUI thread woke "
        f"{so['median']:g}x vs {sb['median']:g}x in {seconds:.0f} s)")


def comparison_table(results, runs_label, with_targets=True, detail=True) -> str:
    ours = [r for r in results if r["program"] == "lexivo" and not r.get("warmup")]
    base = [r for r in results if r["program"] == "baseline" and not r.get("warmup")]
    lines = []
    head = (f"{'measure':44} {'ours median (min-max)':>24} {'baseline median (min-max)':>26} "
            f"{'ratio':>6}")
    if with_targets:
        head += f"  {'target':16} verdict"
    lines.append(head)
    lines.append("-" * len(head))
    metrics = METRICS + (DETAIL_METRICS if detail else [])
    for i, (key, label, unit, dec) in enumerate(metrics):
        if i == len(METRICS):
            lines.append("  details:")
        so = summary([r.get(key) for r in memory_runs(ours, key)])
        sb = summary([r.get(key) for r in memory_runs(base, key)])
        if so is None and sb is None:
            continue

        def cell(s):
            if s is None:
                return "-"
            return f"{fmt(s['median'], dec)} ({fmt(s['min'], dec)}-{fmt(s['max'], dec)})"

        ratio = "-"
        if so and sb and sb["median"] > 0:
            ratio = f"{so['median'] / sb['median']:.3f}"
        name = f"{label}{' [' + unit + ']' if unit else ''}"
        line = f"{name:44} {cell(so):>24} {cell(sb):>26} {ratio:>6}"
        if with_targets and i < len(METRICS):
            target, verdict = target_verdict(key, so, sb)
            if key == "idle_cpu_ms":
                target, verdict = idle_verdict(ours, base)
            if key == "lookup_ms" and so and sb:
                verdict += f" (ours - base = {so['median'] - sb['median']:+.1f} ms)"
            line += f"  {target:16} {verdict}"
        lines.append(line)
    lines.append(f"runs: {runs_label}")
    polluted = sum(1 for r in ours + base if r.get("foreign_engine_processes"))
    if polluted:
        lines.append(f"memory: {polluted} of {len(ours) + len(base)} readings were taken while "
                     "another engine program ran on the machine; the memory rows use the other "
                     "runs where each program has at least three")
    return "\n".join(lines)


def machine_description() -> dict:
    cpu = next((l.split(":", 1)[1].strip() for l in read_text("/proc/cpuinfo").splitlines()
                if l.startswith("model name")), "?")
    mem = next((int(l.split()[1]) for l in read_text("/proc/meminfo").splitlines()
                if l.startswith("MemTotal")), 0)
    qt = subprocess.run(["dpkg-query", "-W", "-f=${Version}", "libqt6webenginecore6"],
                        capture_output=True, text=True).stdout.strip()
    return {"nproc": os.cpu_count(), "cpu": cpu, "mem_gib": round(mem / 1024 / 1024, 1),
            "kernel": platform.release(), "qtwebengine": qt,
            "root": os.geteuid() == 0,
            "sandbox_disabled": os.environ.get("QTWEBENGINE_DISABLE_SANDBOX") == "1",
            "loadavg_at_start": read_text("/proc/loadavg").split()[:3]}


def duration(ns: float) -> str:
    for unit, size in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= size:
            return f"{ns / size:.3g} {unit}"
    return f"{ns:.3g} ns"


def run_micro(build: str, out_dir: str, quick: bool) -> str:
    """The micro-benchmarks, as a table of medians (of 5 repetitions; one with --quick)."""
    exe = os.path.join(build, "bench_micro")
    out_json = os.path.join(out_dir, "micro.json")
    args = [exe, "--benchmark_min_time=" + ("0.05" if quick else "0.5"),
            f"--benchmark_out={out_json}", "--benchmark_out_format=json"]
    if not quick:
        args += ["--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"]
    done = subprocess.run(args, capture_output=True, text=True)
    if done.returncode != 0:
        return done.stdout + done.stderr
    data = json.loads(read_text(out_json))
    title = "benchmark (one run each)" if quick else "benchmark (median of 5 repetitions)"
    lines = [f"{title:42} {'wall':>12} {'CPU':>12} {'throughput':>12}",
             "-" * 81]
    for b in data["benchmarks"]:
        if not quick and b.get("aggregate_name") != "median":
            continue
        name = b.get("run_name", b["name"])
        unit = b.get("time_unit", "ns")
        rate = b.get("bytes_per_second")
        scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[unit]
        lines.append(f"{name:42} {duration(b['real_time'] * scale):>12} "
                     f"{duration(b['cpu_time'] * scale):>12} "
                     + (f"{rate / 1e6:>8.1f} MB/s" if rate else ""))
    ctx = data.get("context", {})
    lines.append(f"({ctx.get('num_cpus')} CPUs at {ctx.get('mhz_per_cpu')} MHz, library build "
                 f"{ctx.get('library_build_type')}; full results in {out_json})")
    return "\n".join(lines)


# ---------------------------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="folder holding the bench programs")
    parser.add_argument("--out", required=True, help="folder for the run's files and results")
    parser.add_argument("--runs", type=int, default=7, help="measured runs of each program")
    parser.add_argument("--warmup", type=int, default=1, help="unmeasured runs of each first")
    parser.add_argument("--idle-seconds", type=float, default=10.0)
    parser.add_argument("--settle", type=float, default=1.0,
                        help="seconds after a page is complete before memory is read")
    parser.add_argument("--home", default="about:blank",
                        help="home page: an address, or 'local' for a page of our server")
    parser.add_argument("--screen", default="1600x1200x24")
    parser.add_argument("--ours-env", action="append", default=[], metavar="NAME=VALUE",
                        help="environment for our program only, e.g. "
                             "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu to measure a setting")
    parser.add_argument("--baseline-env", action="append", default=[], metavar="NAME=VALUE",
                        help="environment for the baseline only, e.g. QT_QUICK_BACKEND=software")
    parser.add_argument("--no-micro", action="store_true")
    parser.add_argument("--quick", action="store_true", help="fewer runs, shorter windows")
    parser.add_argument("--quiet-wait", type=float, default=30.0,
                        help="seconds a trial may wait for other engine programs to end")
    parser.add_argument("--quiet-budget", type=float, default=180.0,
                        help="seconds the whole run may spend waiting so")
    cfg = parser.parse_args()
    cfg.build, cfg.out = os.path.abspath(cfg.build), os.path.abspath(cfg.out)
    if cfg.quick:
        cfg.runs = min(cfg.runs, 3)
        cfg.idle_seconds = min(cfg.idle_seconds, 3.0)

    os.makedirs(cfg.out, exist_ok=True)
    QUIET_BUDGET["left"] = cfg.quiet_budget
    stamp = datetime.datetime.now().strftime("%Y%m%d-%H%M%S")
    run_dir = os.path.join(cfg.out, "programs")
    log_path = os.path.join(cfg.out, f"requests-{stamp}.log")
    machine = machine_description()
    print(f"machine: {machine['nproc']} cores, {machine['cpu']}, {machine['mem_gib']} GiB, "
          f"QtWebEngine {machine['qtwebengine']}, load average {' '.join(machine['loadavg_at_start'])}"
          + (", as root with the engine's sandbox off" if machine["sandbox_disabled"] else ""),
          flush=True)

    xvfb, display_name = start_xvfb(cfg.screen)
    server, port = start_http_server(log_path, max_seconds=3600)
    results = []
    try:
        xw = XWatcher(display_name)
        base_url = f"http://127.0.0.1:{port}"
        home = f"{base_url}/home.html" if cfg.home == "local" else cfg.home
        prepare_run_dir(cfg.build, run_dir, port, home)
        ours_argv = [os.path.join(run_dir, "lexivo_bench")]
        ours_env = dict(item.split("=", 1) for item in cfg.ours_env)
        baseline_env = dict(item.split("=", 1) for item in cfg.baseline_env)
        baseline_size = None
        counter = [0]

        def trial(program, warmup=False):
            counter[0] += 1
            word = f"lookup{counter[0]:03d}"
            target = f"/en/{word[0]}/{word}.html"
            if program == "lexivo":
                argv, command = ours_argv, f"cmdEn2En {word}"
            else:
                argv = [os.path.join(run_dir, "bench_baseline"), "--home", home]
                if baseline_size:
                    argv += ["--size", f"{baseline_size[0]}x{baseline_size[1]}"]
                command = f"lookup {base_url}{target}"
            env = program_env(display_name, run_dir,
                              ours_env if program == "lexivo" else baseline_env)
            r = run_trial(program, argv, env, run_dir, xw, cfg, word, command, target, log_path)
            r["warmup"] = warmup
            results.append(r)
            status = "; ".join(r["errors"]) or (
                f"map {fmt(r.get('start_to_map_ms'), 0)} ms, home {fmt(r.get('start_to_home_ms'), 0)}"
                f" ms, lookup {fmt(r.get('lookup_ms'), 1)} ms, PSS {fmt(r.get('pss_home_mb'), 1)} MB"
                + (f", idle CPU {fmt(r.get('idle_cpu_ms'), 0)} ms" if "idle_cpu_ms" in r else "")
                + (f" ({r['foreign_engine_processes']} other engine processes on the machine)"
                   if r.get("foreign_engine_processes") else ""))
            print(f"  {'warm-up ' if warmup else ''}{program}: {status}", flush=True)
            return r

        # Our program first, to learn its window size: the baseline's window gets the same.
        for _ in range(cfg.warmup):
            r = trial("lexivo", warmup=True)
            baseline_size = baseline_size or r.get("size")
        for _ in range(cfg.warmup):
            trial("baseline", warmup=True)

        print(f"{cfg.runs} runs each, alternating (idle window {cfg.idle_seconds:g} s)",
              flush=True)
        for i in range(cfg.runs):
            order = ("lexivo", "baseline") if i % 2 == 0 else ("baseline", "lexivo")
            for program in order:
                trial(program)
        table = comparison_table(results, f"{cfg.runs} each after {cfg.warmup} warm-up, "
                                          f"alternating; home page {home}"
                                 + (f"; ours with {' '.join(cfg.ours_env)}"
                                    if cfg.ours_env else "")
                                 + (f"; baseline with {' '.join(cfg.baseline_env)}"
                                    if cfg.baseline_env else ""))
    finally:
        for proc in (server, xvfb):
            proc.terminate()
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()

    micro = "" if cfg.no_micro else run_micro(cfg.build, cfg.out, cfg.quick)
    machine["loadavg_at_end"] = read_text("/proc/loadavg").split()[:3]
    report = ["", table]
    if micro:
        report += ["", "micro-benchmarks (Google Benchmark):", micro]
    text = "\n".join(report)
    print(text)
    name = f"comparison-{stamp}"
    with open(os.path.join(cfg.out, name + ".txt"), "w") as f:
        f.write(text + "\n")
    with open(os.path.join(cfg.out, name + ".json"), "w") as f:
        json.dump({"machine": machine, "config": vars(cfg), "results": results,
                   "micro": micro}, f, indent=1)
    print(f"\nresults: {os.path.join(cfg.out, name)}.txt and .json")
    return 0


if __name__ == "__main__":
    sys.exit(main())
