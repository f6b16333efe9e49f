#!/usr/bin/python3
"""Start-up, lookup, memory and idle-CPU figures for the program against its peers.

The programs (this build, the previous build, a bare QtWebEngine window, GoldenDict, and a
widgets-only floor, alone and linked against the engine) are started in turn under an Xvfb of
our own, each as a new process tree, cold (page cache dropped, as root) and then warm. Every
moment is a CLOCK_MONOTONIC timestamp (one clock for all processes on the machine):

  spawn     taken here just before the process is started
  mapped    the program's top-level window appears: MapNotify on the root window, received by
            our own X connection (SubstructureNotifyMask), attributed through _NET_WM_PID
  home      the home page's load handler has called the beacon: the moment our HTTP server
            received /loaded?p=<program> (the same page and the same measure for every program
            that shows one; GoldenDict shows it as its website dictionary's page)
  lookup    from the click on the lookup button (baseline: from load() of the same address) to
            the result page complete, reported by the program on standard error; the page comes
            from our HTTP server, whose request log shows from outside when it was asked for
  PSS       sum of Pss over /proc/<pid>/smaps_rollup for the process and all its descendants,
            read once the home page has been loaded (or the window mapped) for --settle seconds
  idle CPU  ours and the baseline: utime+stime (and scheduler run time) of the whole tree over
            --idle-seconds, from --settle seconds after the lookup's page was complete

The figures are printed as medians with min-max and ratios of medians; nothing passes or fails
on timing.
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
import time
import urllib.error
import urllib.parse
import urllib.request
import xml.sax.saxutils

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


DROP_CACHES = "/proc/sys/vm/drop_caches"


def can_drop_caches() -> bool:
    return os.geteuid() == 0 and os.access(DROP_CACHES, os.W_OK)


def drop_caches(xw: XWatcher, base_url: str):
    """Empties the page cache (written files first), then brings back the pages of the bench's
    own servers by one request to each, so that only the program's own files start cold."""
    os.sync()
    with open(DROP_CACHES, "w") as f:
        f.write("3\n")
    xw.display.get_input_focus()  # a round trip through the X server
    direct = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    try:
        direct.open(f"{base_url}/ping", timeout=10).read()
    except urllib.error.HTTPError:
        pass  # any answer will do: the server has run its code


def beacon_ns(log_path: str, tag: str, since_ns: int):
    """When the server received the home page's beacon of the program tagged so."""
    target = "/loaded?" + urllib.parse.urlencode({"p": tag})
    return next((t for t, method, path in server_requests(log_path)
                 if t >= since_ns and path.startswith(target + "&")), None)


class Program:
    """One row of the table: how to start a program and what it can be asked."""

    def __init__(self, key, label, argv, env, cwd, observer=False, lookup=None, home=True,
                 idle=False, takes_commands=True):
        self.key, self.label = key, label
        self.argv, self.env, self.cwd = argv, env, cwd
        self.observer = observer    # reports "home-complete" and the lookup's marks
        self.lookup = lookup        # word -> (command for the program, address it will load)
        self.home = home            # loads the bench's home page, whose beacon marks "loaded"
        self.idle = idle            # measure idle CPU
        self.takes_commands = takes_commands


def run_trial(program: Program, cfg, xw: XWatcher, log_path: str, base_url: str, word: str,
              cold: bool) -> dict:
    """A cold trial measures the start only; a warm one also memory, the lookup and idle CPU."""
    r = {"program": program.key, "cold": cold, "word": word, "errors": []}
    r["waited_for_quiet_s"] = wait_for_no_foreign_engine(cfg.quiet_wait)
    if cold:
        # After the wait: another engine program would read the engine's files in again.
        drop_caches(xw, base_url)
        r["foreign_engine_processes_at_start"] = foreign_engine_processes([])
    busy0, wall0 = machine_busy_jiffies(), now_ns()
    child = Child(program.argv, program.env, program.cwd, program.takes_commands)
    pid = child.proc.pid
    try:
        def started():
            return (xw.first_map(pid, child.spawn_ns)[0] is not None
                    and (not program.home or beacon_ns(log_path, program.key, child.spawn_ns))
                    and (not program.observer or "home-complete" in child.marks))

        if not pump(xw, child, started, TRIAL_TIMEOUT):
            r["errors"].append("no window, or no home page loaded")
            return r
        t_map, t_create, size = xw.first_map(pid, child.spawn_ns)
        m = child.marks
        r["size"] = size
        r["start_to_map_ms"] = ms(child.spawn_ns, t_map)
        r["start_to_create_ms"] = ms(child.spawn_ns, t_create)
        for name in ("loaded", "shown", "exposed", "home-complete"):
            if name in m:
                r[f"start_to_{name.replace('-', '_')}_ms"] = ms(child.spawn_ns, m[name][0])
        # The table's "home page loaded": the beacon, or the program's own mark where the home
        # page is not the bench's.
        r["start_to_home_ms"] = (ms(child.spawn_ns, beacon_ns(log_path, program.key,
                                                              child.spawn_ns))
                                 if program.home else r.get("start_to_home_complete_ms"))
        if "home-complete" in m:
            r["home_detail"] = m["home-complete"][1]
        if cold:
            return r

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

        if program.lookup:
            lookup(program, child, xw, cfg, log_path, word, r)
            if r["errors"]:
                return r
        if program.idle and cfg.idle_seconds > 0:
            idle(child, xw, cfg, r)
        if program.observer:
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


def lookup(program: Program, child: Child, xw: XWatcher, cfg, log_path: str, word: str,
           r: dict):
    """Asks for a lookup and times it from the click to the result page complete."""
    command, target = program.lookup(word)
    child.send(f"lookup {command}")
    if not pump(xw, child, lambda: "lookup-complete" in child.marks, TRIAL_TIMEOUT):
        r["errors"].append("lookup did not complete")
        return
    m = child.marks
    t0, t1 = m["lookup-start"][0], m["lookup-complete"][0]
    r["lookup_ms"] = ms(t0, t1)
    r["lookup_detail"] = m["lookup-complete"][1]
    if "lookup-pressed" in m:
        r["lookup_press_ms"] = ms(t0, m["lookup-pressed"][0])
        r["lookup_handler_ms"] = ms(m["lookup-pressed"][0], m["lookup-handled"][0])
    r["lookup_clicked_ms"] = ms(t0, m["lookup-clicked"][0])
    if "lookup-navigate" in m:
        r["lookup_to_navigate_ms"] = ms(t0, m["lookup-navigate"][0])
    requests = [t for t, method, path in server_requests(log_path) if path == target and t >= t0]
    if requests:
        r["lookup_to_request_ms"] = ms(t0, requests[0])
        r["request_to_complete_ms"] = ms(requests[0], t1)
    else:
        r["errors"].append(f"server saw no request for {target}")

    pump(xw, child, lambda: False, cfg.settle)
    mem = memory_of_tree(child.proc.pid)
    r["pss_lookup_mb"] = mem["pss_kb"] / 1024.0
    r["uss_lookup_mb"] = mem["uss_kb"] / 1024.0
    r["processes_after_lookup"] = mem["processes"]


def idle(child: Child, xw: XWatcher, cfg, r: dict):
    """CPU of the whole tree over the idle window, and what the rest of the machine used."""
    busy_a = machine_busy_jiffies()
    a = cpu_of_tree(child.proc.pid)
    t_a = now_ns()
    pump(xw, child, lambda: False, cfg.idle_seconds)
    b = cpu_of_tree(child.proc.pid)
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


# ---------------------------------------------------------------------------------------------
# Set-up

def prepare_run_dir(run_dir: str):
    """An empty folder for the programs' copies, with XDG folders of their own."""
    if os.path.exists(run_dir):
        shutil.rmtree(run_dir)
    for sub in ("runtime", "cache", "data", "config"):
        os.makedirs(os.path.join(run_dir, "xdg", sub), mode=0o700)


def install_lexivo(exe: str, folder: str, build: str, port: int, home: str):
    """Copies a lexivo_bench, with the modules it loads at run time (listed by its build),
    into a folder of its own and writes the bench settings beside it with the program's own
    writer, with every template pointing at our server."""
    os.makedirs(os.path.join(folder, "session"), exist_ok=True)
    shutil.copy2(exe, os.path.join(folder, "lexivo_bench"))
    modules = read_text(os.path.join(os.path.dirname(exe), "lexivo_bench_modules.txt"))
    for module in modules.splitlines():
        shutil.copy2(module, folder)
    base = f"http://127.0.0.1:{port}"
    templates = [f"{base}/{lang}/%firstchar/%word.html"
                 for lang in ("zh", "en", "th", "ja", "zhc", "enc")]
    subprocess.run([os.path.join(build, "bench_write_settings"),
                    os.path.join(folder, "session", "lexivo.xml"), home, *templates],
                   check=True)


def write_goldendict_config(home: str, dictionary_url: str):
    """A GoldenDict configuration in home/.goldendict with one website dictionary and nothing
    else: no dictionary folders, no Wikipedia or dictd servers, no tray icon, scan popup or
    hotkeys, and no check for new releases, so that it asks nothing of any other address."""
    folder = os.path.join(home, ".goldendict")
    os.makedirs(folder, exist_ok=True)
    url = xml.sax.saxutils.quoteattr(dictionary_url)
    off = ("enableTrayIcon startToTray closeToTray autoStart enableMainWindowHotkey "
           "enableClipboardHotkey enableScanPopup startWithScanPopupOn checkForNewReleases "
           "disallowContentFromOtherSites enableWebPlugins").split()
    preferences = "".join(f"<{name}>0</{name}>" for name in off)
    with open(os.path.join(folder, "config"), "w", encoding="utf-8") as f:
        f.write(
            "<config><paths/><sounddirs/><dictionaryOrder name=\"\" id=\"0\"/>"
            "<inactiveDictionaries name=\"\" id=\"0\"/><groups nextId=\"1\"/>"
            "<hunspell dictionariesPath=\"\"/>"
            "<forvo><enable>0</enable><apiKey/><languageCodes/></forvo><mediawikis/>"
            "<websites><website id=\"6c656b69766f62656e6368\" name=\"Bench dictionary\" "
            f"url={url} enabled=\"1\" icon=\"\" inside_iframe=\"1\"/></websites>"
            "<dictservers/><programs/><voiceEngines/><mutedDictionaries/>"
            f"<popupMutedDictionaries/><preferences>{preferences}"
            "<proxyserver enabled=\"0\" useSystemProxy=\"0\"/></preferences></config>\n")


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
              "QT_XCB_GL_INTEGRATION", "WAYLAND_DISPLAY"):
        env.pop(k, None)
    env.update(extra)
    return env


def needs_engine(exe: str):
    """Whether the executable names a QtWebEngine library as NEEDED, so that the loader maps the
    engine before main(); None where that cannot be read."""
    done = subprocess.run(["readelf", "-d", exe], capture_output=True, text=True)
    if done.returncode != 0:
        return None
    return "libQt6WebEngine" in done.stdout


def make_programs(cfg, run_dir: str, display: str, base_url: str, port: int) -> list:
    """The rows of the table, in the order they are printed."""
    local = cfg.home == "local"

    def home_url(tag):
        return f"{base_url}/home.html?p={tag}" if local else cfg.home

    ours_env = program_env(display, run_dir, dict(i.split("=", 1) for i in cfg.ours_env))
    plain_env = program_env(display, run_dir, {})

    def button_lookup(word):
        return f"cmdEn2En {word}", f"/en/{word[0]}/{word}.html"

    def load_lookup(word):
        return f"{base_url}/en/{word[0]}/{word}.html", f"/en/{word[0]}/{word}.html"

    programs = []
    builds = [("lexivo", "lexivo (this build)", cfg.build)]
    if cfg.previous_build:
        builds.append(("previous", f"lexivo, previous build ({cfg.previous_label})",
                       cfg.previous_build))
    for key, label, build in builds:
        folder = os.path.join(run_dir, key)
        install_lexivo(os.path.join(build, "lexivo_bench"), folder, cfg.build, port,
                       home_url(key))
        programs.append(Program(key, label, [os.path.join(folder, "lexivo_bench")], ours_env,
                                folder, observer=True, lookup=button_lookup, home=local,
                                idle=key == "lexivo"))
    programs.append(Program(
        "baseline", "bare QtWebEngine window (bench_baseline)",
        [os.path.join(cfg.build, "bench_baseline"), "--home", home_url("baseline")],
        program_env(display, run_dir, dict(i.split("=", 1) for i in cfg.baseline_env)),
        run_dir, observer=True, lookup=load_lookup, home=local, idle=True))
    goldendict = shutil.which("goldendict")
    if goldendict:
        gd_home = os.path.join(run_dir, "goldendict-home")
        write_goldendict_config(gd_home, f"{base_url}/home.html?p=goldendict&w=%GDWORD%")
        programs.append(Program("goldendict", "GoldenDict (Debian package)",
                                [goldendict, GOLDENDICT_WORD], dict(plain_env, HOME=gd_home),
                                gd_home, takes_commands=False))
    for key, label in (("floor", "widgets-only floor (bench_floor)"),
                       ("floor_webengine", "floor linked to QtWebEngine (bench_floor_webengine)")):
        programs.append(Program(key, label, [os.path.join(cfg.build, f"bench_{key}")],
                                plain_env, run_dir, home=False))
    return programs


GOLDENDICT_WORD = "bench"  # the word GoldenDict is started with


# ---------------------------------------------------------------------------------------------
# Statistics and report

def summary(values):
    values = [v for v in values if v is not None]
    if not values:
        return None
    return {"median": statistics.median(values), "min": min(values), "max": max(values),
            "n": len(values)}


# The table of all programs: (key, cold runs?, title, decimals)
PEER_COLUMNS = [
    ("start_to_map_ms", False, "start → window mapped, warm [ms]", 0),
    ("start_to_map_ms", True, "cold [ms]", 0),
    ("start_to_home_ms", False, "start → home page loaded, warm [ms]", 0),
    ("start_to_home_ms", True, "cold [ms]", 0),
    ("pss_home_mb", False, "PSS of the process tree, idle [MB]", 1),
    ("lookup_ms", False, "lookup click → result complete [ms]", 1),
]

# Ours against the baseline, warm runs: key, label, unit, decimals
METRICS = [
    ("start_to_map_ms", "start -> window mapped (X MapNotify)", "ms", 0),
    ("start_to_home_ms", "start -> home page loaded (beacon)", "ms", 0),
    ("lookup_ms", "lookup: click -> result page complete", "ms", 1),
    ("pss_home_mb", "PSS of process tree, home loaded", "MB", 1),
    ("idle_cpu_ms", "CPU over idle window (utime+stime)", "ms", 0),
]
DETAIL_METRICS = [
    ("start_to_home_complete_ms", "start -> home DocumentComplete (in process)", "ms", 0),
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


def undisturbed_runs(rs, key):
    """The runs no other engine program disturbed, when there are at least three; otherwise all
    (and the report says so). For memory figures, none ran at the reading: it shares the
    engine's pages. For cold starts, none ran at the start: the pages it maps stay in memory
    when the page cache is dropped."""
    if key in MEMORY_KEYS:
        field = "foreign_engine_processes"
    elif rs and rs[0]["cold"]:
        field = "foreign_engine_processes_at_start"
    else:
        return rs
    clean = [r for r in rs if not r.get(field)]
    return clean if len(clean) >= 3 else rs


def fmt(v, decimals):
    return "-" if v is None else f"{v:.{decimals}f}"




def idle_verdict(ours_runs, base_runs):
    """Our code runs on the GUI thread: a timer left running would wake it at least once a
    second. utime+stime counts in 10 ms ticks, too coarse to tell 0 from a few ms, so the
    verdict reads the GUI thread's wake-ups and the timer's state."""
    so = summary([r.get("idle_gui_switches") for r in ours_runs])
    sb = summary([r.get("idle_gui_switches") for r in base_runs])
    if not so or not sb:
        return ""
    ticking = sum(1 for r in ours_runs if "timer-ticking=1" in r.get("state", ""))
    seconds = summary([r.get("idle_seconds") for r in ours_runs])["median"]
    met = ticking == 0 and so["median"] <= sb["median"] + 3
    return (f"0 from our code: {'met' if met else 'MISSED'} (dot timer running in {ticking} "
            f"runs; GUI thread woke {so['median']:g}x vs {sb['median']:g}x in {seconds:.0f} s)")


def measured(results, key, cold=False):
    return [r for r in results if r["program"] == key and r["cold"] == cold and not r["warmup"]]


def cell(s, decimals):
    if s is None:
        return "—"
    return f"{fmt(s['median'], decimals)} ({fmt(s['min'], decimals)}–{fmt(s['max'], decimals)})"


def peers_table(results, programs) -> str:
    """One row per program, medians (min–max), as a Markdown table."""
    lines = ["| program | " + " | ".join(title for _, _, title, _ in PEER_COLUMNS) + " |",
             "| --- |" + " ---: |" * len(PEER_COLUMNS)]
    for p in programs:
        cells = []
        for key, cold, _, dec in PEER_COLUMNS:
            cells.append(cell(summary([r.get(key) for r in undisturbed_runs(
                measured(results, p.key, cold), key)]), dec))
        lines.append(f"| {p.label} | " + " | ".join(cells) + " |")
    return "\n".join(lines)


# Goals: (numerator program, denominator program, key, cold, label, at most)
GOALS = [
    ("lexivo", "floor", "start_to_map_ms", False, "window mapped, warm: ours / floor", 2.0),
    ("lexivo", "floor", "start_to_map_ms", True, "window mapped, cold: ours / floor", 2.0),
    ("lexivo", "previous", "start_to_home_ms", False, "home loaded, warm: ours / previous", 1.0),
    ("lexivo", "previous", "start_to_home_ms", True, "home loaded, cold: ours / previous", 1.0),
    ("lexivo", "previous", "lookup_ms", False, "lookup: ours / previous", 1.0),
    ("lexivo", "previous", "pss_home_mb", False, "PSS, idle: ours / previous", 1.0),
]


def goal_lines(results) -> list:
    lines = []
    for num, den, key, cold, label, limit in GOALS:
        a = summary([r.get(key) for r in undisturbed_runs(measured(results, num, cold), key)])
        b = summary([r.get(key) for r in undisturbed_runs(measured(results, den, cold), key)])
        if not a or not b or not b["median"]:
            continue
        ratio = round(a["median"] / b["median"], 2)  # the verdict is on the figure shown
        lines.append(f"  {label:38} {ratio:6.2f}   goal <= {limit:.1f}: "
                     f"{'met' if ratio <= limit else 'not met'}")
    return lines


def comparison_table(results, runs_label) -> str:
    """Ours against the bare engine window, warm runs, with the details behind each figure."""
    ours, base = measured(results, "lexivo"), measured(results, "baseline")
    lines = []
    head = (f"{'measure':44} {'ours median (min-max)':>24} {'baseline median (min-max)':>26} "
            f"{'ratio':>6}")
    lines.append(head)
    lines.append("-" * len(head))
    for i, (key, label, unit, dec) in enumerate(METRICS + DETAIL_METRICS):
        if i == len(METRICS):
            lines.append("  details:")
        so = summary([r.get(key) for r in undisturbed_runs(ours, key)])
        sb = summary([r.get(key) for r in undisturbed_runs(base, key)])
        if so is None and sb is None:
            continue
        ratio = "-"
        if so and sb and sb["median"] > 0:
            ratio = f"{so['median'] / sb['median']:.3f}"
        name = f"{label}{' [' + unit + ']' if unit else ''}"
        c_ours = cell(so, dec).replace("–", "-").replace("—", "-")
        c_base = cell(sb, dec).replace("–", "-").replace("—", "-")
        line = f"{name:44} {c_ours:>24} {c_base:>26} {ratio:>6}"
        if key == "idle_cpu_ms":
            line += "  " + idle_verdict(ours, base)
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
    parser.add_argument("--previous-build", help="folder holding the previous build's "
                        "lexivo_bench (the row 'previous build'); none: no such row")
    parser.add_argument("--previous-label", default="previous", help="what the previous build is")
    parser.add_argument("--out", required=True, help="folder for the run's files and results")
    parser.add_argument("--runs", type=int, default=7, help="measured runs of each program")
    parser.add_argument("--warmup", type=int, default=1, help="unmeasured runs of each first")
    parser.add_argument("--no-cold", action="store_true",
                        help="warm starts only (cold starts need root to drop the page cache)")
    parser.add_argument("--idle-seconds", type=float, default=10.0)
    parser.add_argument("--settle", type=float, default=1.0,
                        help="seconds after a page is complete before memory is read")
    parser.add_argument("--home", default="local",
                        help="home page of our program and the baseline: 'local' (the bench "
                             "server's page, whose beacon marks it loaded) or an address")
    parser.add_argument("--screen", default="1600x1200x24")
    parser.add_argument("--ours-env", action="append", default=[], metavar="NAME=VALUE",
                        help="environment for our program (both builds) only, e.g. "
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
    if cfg.previous_build:
        cfg.previous_build = os.path.abspath(cfg.previous_build)
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
    notes = []
    cold = not cfg.no_cold and can_drop_caches()
    if not cfg.no_cold and not cold:
        notes.append("cold starts skipped: dropping the page cache "
                     f"({DROP_CACHES}) needs root; the cold columns are empty")
    elif cfg.no_cold:
        notes.append("cold starts not asked for (--no-cold)")
    if cfg.home != "local":
        notes.append(f"home page {cfg.home}: 'home page loaded' is each program's own "
                     "DocumentComplete/loadFinished, not the beacon (GoldenDict keeps the beacon)")
    for note in notes:
        print(f"note: {note}", flush=True)

    xvfb, display_name = start_xvfb(cfg.screen)
    server, port = start_http_server(log_path, max_seconds=3600)
    results = []
    try:
        xw = XWatcher(display_name)
        base_url = f"http://127.0.0.1:{port}"
        prepare_run_dir(run_dir)
        programs = make_programs(cfg, run_dir, display_name, base_url, port)
        if not any(p.key == "goldendict" for p in programs):
            notes.append("GoldenDict is not installed: no row for it")
        engine_links = {p.key: needs_engine(p.argv[0]) for p in programs
                        if p.key != "goldendict"}
        counter = [0]

        def trial(program, cold=False, warmup=False):
            counter[0] += 1
            word = f"lookup{counter[0]:03d}"
            r = run_trial(program, cfg, xw, log_path, base_url, word, cold)
            r["warmup"] = warmup
            results.append(r)
            status = "; ".join(r["errors"]) or ", ".join(
                f"{name} {fmt(r.get(key), dec)}{unit}" for name, key, unit, dec in (
                    ("map", "start_to_map_ms", " ms", 0), ("home", "start_to_home_ms", " ms", 0),
                    ("lookup", "lookup_ms", " ms", 1), ("PSS", "pss_home_mb", " MB", 1),
                    ("idle CPU", "idle_cpu_ms", " ms", 0))
                if r.get(key) is not None)
            if r.get("foreign_engine_processes"):
                status += f" ({r['foreign_engine_processes']} other engine processes running)"
            print(f"  {'warm-up ' if warmup else ''}{'cold' if cold else 'warm'} "
                  f"{program.key}: {status}", flush=True)
            return r

        # Our program first, to learn its window size: the other windows get the same.
        size = None
        for _ in range(cfg.warmup):
            for program in programs:
                r = trial(program, warmup=True)
                if program.key == "lexivo" and not size and r.get("size"):
                    size = r["size"]
                    for p in programs:
                        if p.key in ("baseline", "floor", "floor_webengine"):
                            p.argv += ["--size", f"{size[0]}x{size[1]}"]

        print(f"{cfg.runs} runs of each program, in turn"
              + (", each a cold start then a warm one" if cold else ", warm")
              + f" (idle window {cfg.idle_seconds:g} s)", flush=True)
        for i in range(cfg.runs):
            shift = i % len(programs)
            for program in programs[shift:] + programs[:shift]:
                if cold:
                    trial(program, cold=True)
                trial(program)
        runs_label = (f"{cfg.runs} of each after {cfg.warmup} warm-up, in turn"
                      + (", each a cold start (page cache dropped) then a warm one" if cold
                         else "")
                      + f"; home page {'the bench server' if cfg.home == 'local' else cfg.home}"
                      + (f"; ours with {' '.join(cfg.ours_env)}" if cfg.ours_env else "")
                      + (f"; baseline with {' '.join(cfg.baseline_env)}"
                         if cfg.baseline_env else ""))
    finally:
        for proc in (server, xvfb):
            proc.terminate()
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()

    disturbed = sum(1 for r in results if r["cold"] and r.get("foreign_engine_processes_at_start"))
    if disturbed:
        notes.append(f"{disturbed} cold start(s) began while another engine program ran (the "
                     "engine's pages it maps stay in memory); the cold columns use the other "
                     "runs where a program has at least three")
    micro = "" if cfg.no_micro else run_micro(cfg.build, cfg.out, cfg.quick)
    machine["loadavg_at_end"] = read_text("/proc/loadavg").split()[:3]
    sizes = ", ".join(f"{p.key} {s[0]}x{s[1]}" for p in programs
                      for s in [next((r["size"] for r in results
                                      if r["program"] == p.key and r.get("size")), None)] if s)
    report = ["", "start-up against the peers (medians, min–max):", "",
              peers_table(results, programs), "", "ratios of medians:", *goal_lines(results),
              "", f"runs: {runs_label}", f"window sizes: {sizes}",
              "QtWebEngine libraries NEEDED by the executable: " + ", ".join(
                  f"{k} {'yes' if v else 'no' if v is not None else '?'}"
                  for k, v in engine_links.items()),
              *[f"note: {n}" for n in notes],
              "", "ours against the bare engine window (warm runs):",
              comparison_table(results, runs_label)]
    if micro:
        report += ["", "micro-benchmarks (Google Benchmark):", micro]
    text = "\n".join(report)
    print(text)
    name = f"comparison-{stamp}"
    with open(os.path.join(cfg.out, name + ".txt"), "w") as f:
        f.write(text + "\n")
    with open(os.path.join(cfg.out, name + ".json"), "w") as f:
        json.dump({"machine": machine, "config": vars(cfg), "notes": notes,
                   "engine_needed": engine_links, "results": results, "micro": micro}, f,
                  indent=1)
    print(f"\nresults: {os.path.join(cfg.out, name)}.txt and .json")
    return 0


if __name__ == "__main__":
    sys.exit(main())
