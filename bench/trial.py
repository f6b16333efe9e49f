"""One trial of one program: started (cold or warm), its window and home page timed, then, warm,
its memory read, a lookup timed and its idle CPU measured, and the program ended. The trial
first waits, within a budget, for other engine programs to end, since they share the engine's
pages with ours."""

import os
import time
import urllib.error
import urllib.parse
import urllib.request

from launch import Child, XWatcher, now_ns, pump, server_requests
from procfs import (CLK_TCK, cpu_delta, cpu_of_tree, foreign_engine_processes,
                    machine_busy_jiffies, memory_of_tree)

TRIAL_TIMEOUT = 60.0  # seconds for any one step of a trial: start, lookup, exit


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


def home_request_ns(log_path: str, tag: str, since_ns: int):
    """When the server received the request for the home page of the program tagged so."""
    return next((t for t, method, path in server_requests(log_path)
                 if t >= since_ns and path.startswith("/home.html?")
                 and urllib.parse.parse_qs(path.split("?", 1)[1]).get("p") == [tag]), None)


class Program:
    """One row of the table: how to start a program and what it can be asked."""

    def __init__(self, key, label, argv, env, cwd, observer=False, lookup=None, home=True,
                 idle=False, takes_commands=True, first_lookup=None):
        self.key, self.label = key, label
        self.argv, self.env, self.cwd = argv, env, cwd
        self.observer = observer    # reports "home-complete" and the lookup's marks
        self.lookup = lookup        # word -> (command for the program, address it will load)
        self.home = home            # loads the bench's home page, whose beacon marks "loaded"
        self.idle = idle            # measure idle CPU
        self.takes_commands = takes_commands
        self.first_lookup = first_lookup  # word -> (command, address) on the distant provider


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
        for name in ("loaded", "shown", "exposed", "engine-started", "home-complete"):
            if name in m:
                r[f"start_to_{name.replace('-', '_')}_ms"] = ms(child.spawn_ns, m[name][0])
        # The table's "home page loaded": the beacon, or the program's own mark where the home
        # page is not the bench's.
        r["start_to_home_ms"] = (ms(child.spawn_ns, beacon_ns(log_path, program.key,
                                                              child.spawn_ns))
                                 if program.home else r.get("start_to_home_complete_ms"))
        if "home-complete" in m:
            r["home_detail"] = m["home-complete"][1]
        if program.home:
            r["start_to_home_request_ms"] = ms(child.spawn_ns, home_request_ns(
                log_path, program.key, child.spawn_ns))
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
        for kind, mb in mem["by_kind"].items():
            r[f"pss_home_{kind}_mb"] = mb

        if program.first_lookup and cfg.distant_log:
            first_lookup(program, child, xw, cfg, word, r)
            if r["errors"]:
                return r
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
    r["idle_by_thread"] = d["by_thread"]
    r["idle_ended_processes"] = d["ended"]
    # What the rest of the machine used meanwhile, in cores: noise, not ours.
    r["idle_other_cores"] = max(0.0, ((busy_b - busy_a) * 1000.0 / CLK_TCK - d["ms"])
                                / 1000.0 / r["idle_seconds"])


FIRST_LOOKUP_KEY_INTERVAL = 0.1  # seconds between keys: a quick typist
FIRST_LOOKUP_CLICK_AFTER = 0.3   # seconds from the last key to the click


def first_lookup(program: Program, child: Child, xw: XWatcher, cfg, word: str, r: dict):
    """The first lookup of a provider whose connections take long to set up (the distant
    server): the word is typed key by key through the X server, as a person types, then the
    button is clicked; timed from the click to the page complete. The distant server's log
    tells whether a connection was opened, and whether anything was asked, before the click."""
    word = "first" + word
    xw.point_into(child.proc.pid, child.spawn_ns)
    for character in word:
        xw.key(character)
        pump(xw, child, lambda: False, FIRST_LOOKUP_KEY_INTERVAL)
    pump(xw, child, lambda: False, FIRST_LOOKUP_CLICK_AFTER - FIRST_LOOKUP_KEY_INTERVAL)
    command, target = program.first_lookup(word)
    child.send(f"lookup {command}")
    if not pump(xw, child, lambda: "lookup-complete" in child.marks, TRIAL_TIMEOUT):
        r["errors"].append("first lookup did not complete")
        return
    t0, t1 = child.marks["lookup-start"][0], child.marks["lookup-complete"][0]
    r["first_lookup_ms"] = ms(t0, t1)
    log = server_requests(cfg.distant_log)
    r["first_lookup_connections_before_click"] = sum(
        1 for t, method, _ in log if method == "CONNECT" and child.spawn_ns <= t < t0)
    r["first_lookup_requests_before_click"] = sum(
        1 for t, method, _ in log if method != "CONNECT" and child.spawn_ns <= t < t0)
    requests = [t for t, method, path in log if path == target and t >= t0]
    if requests:
        r["first_lookup_to_request_ms"] = ms(t0, requests[0])
    else:
        r["errors"].append(f"distant server saw no request for {target}")
    # The next lookup reports its own marks.
    for name in [n for n in child.marks if n.startswith("lookup-")]:
        del child.marks[name]
