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

It prints figures (medians with min-max, ratios of medians) and whether each goal is met. It
never fails a build: the exit status is 0 whatever the figures, and not 0 only when nothing could
be measured (no X server, no HTTP server).

The work is shared by: launch.py (starting and watching a program), procfs.py (its memory and
CPU), trial.py (one trial of one program), peers.py (the peers' set-ups), stats.py (medians and
undisturbed runs), report.py (the tables and goals) and micro.py (the micro-benchmarks).
"""

import argparse
import datetime
import json
import os
import subprocess
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import trial as T  # noqa: E402
from launch import XWatcher, start_http_server, start_xvfb  # noqa: E402
from micro import run_micro  # noqa: E402
from peers import make_programs, needs_engine, prepare_run_dir  # noqa: E402
from procfs import read_text  # noqa: E402
from report import (comparison_table, first_lookup_line, fmt, goal_lines,  # noqa: E402
                    machine_description, peers_table, variants_table)
from trial import can_drop_caches, run_trial  # noqa: E402


def parse_arguments():
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
    parser.add_argument("--variant", action="append", default=[], metavar="LABEL:NAME=VALUE",
                        help="this build once more, as the row 'lexivo, LABEL', with NAME=VALUE "
                             "in its environment (repeat a label for more variables), e.g. "
                             "low-end:QTWEBENGINE_CHROMIUM_FLAGS=--enable-low-end-device-mode")
    parser.add_argument("--only", default="", metavar="KEY,KEY",
                        help="only these programs (lexivo, previous, baseline, goldendict, floor, "
                             "floor_webengine); this build's variants go with lexivo")
    parser.add_argument("--connection-delay-ms", type=float, default=150.0,
                        help="how long the distant provider's server makes each new connection "
                             "wait (the first lookup's measure); 0: no such measure")
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
    return cfg


def starting_notes(cfg, cold: bool) -> list:
    notes = []
    if not cfg.no_cold and not cold:
        notes.append("cold starts skipped: dropping the page cache "
                     f"({T.DROP_CACHES}) needs root; the cold columns are empty")
    elif cfg.no_cold:
        notes.append("cold starts not asked for (--no-cold)")
    if cfg.home != "local":
        notes.append(f"home page {cfg.home}: 'home page loaded' is each program's own "
                     "DocumentComplete/loadFinished, not the beacon (GoldenDict keeps the beacon)")
    return notes


def trial_status(r: dict) -> str:
    status = "; ".join(r["errors"]) or ", ".join(
        f"{name} {fmt(r.get(key), dec)}{unit}" for name, key, unit, dec in (
            ("map", "start_to_map_ms", " ms", 0), ("home", "start_to_home_ms", " ms", 0),
            ("lookup", "lookup_ms", " ms", 1), ("PSS", "pss_home_mb", " MB", 1),
            ("idle CPU", "idle_cpu_ms", " ms", 0))
        if r.get(key) is not None)
    if r.get("foreign_engine_processes"):
        status += f" ({r['foreign_engine_processes']} other engine processes running)"
    return status


class Batch:
    """The trials of one run of the bench, in the order they were taken."""

    def __init__(self, cfg, xw: XWatcher, log_path: str, base_url: str):
        self.cfg, self.xw, self.log_path, self.base_url = cfg, xw, log_path, base_url
        self.results = []

    def trial(self, program, cold=False, warmup=False) -> dict:
        word = f"lookup{len(self.results) + 1:03d}"
        r = run_trial(program, self.cfg, self.xw, self.log_path, self.base_url, word, cold)
        r["warmup"] = warmup
        self.results.append(r)
        print(f"  {'warm-up ' if warmup else ''}{'cold' if cold else 'warm'} "
              f"{program.key}: {trial_status(r)}", flush=True)
        return r

    def warm_up(self, programs):
        """Our program first, to learn its window size: the other windows get the same."""
        size = None
        for _ in range(self.cfg.warmup):
            for program in programs:
                r = self.trial(program, warmup=True)
                if program.key == "lexivo" and not size and r.get("size"):
                    size = r["size"]
                    for p in programs:
                        if p.key in ("baseline", "floor", "floor_webengine"):
                            p.argv += ["--size", f"{size[0]}x{size[1]}"]

    def measure(self, programs, cold: bool):
        """Each run takes every program in turn, rotated by one each run, so that no program
        always follows the same one."""
        for i in range(self.cfg.runs):
            shift = i % len(programs)
            for program in programs[shift:] + programs[:shift]:
                if cold:
                    self.trial(program, cold=True)
                self.trial(program)


def runs_label(cfg, cold: bool) -> str:
    return (f"{cfg.runs} of each after {cfg.warmup} warm-up, in turn"
            + (", each a cold start (page cache dropped) then a warm one" if cold else "")
            + f"; home page {'the bench server' if cfg.home == 'local' else cfg.home}"
            + (f"; ours with {' '.join(cfg.ours_env)}" if cfg.ours_env else "")
            + (f"; baseline with {' '.join(cfg.baseline_env)}" if cfg.baseline_env else ""))


def run_batch(cfg, cold: bool, log_path: str, run_dir: str, notes: list):
    """Starts the X server and the HTTP servers (the dictionary, and a distant provider whose
    connections are slow to set up), then every program, warm-up first."""
    xvfb, display_name = start_xvfb(cfg.screen)
    server, port = start_http_server(log_path, max_seconds=3600)
    distant, distant_port = None, None
    if cfg.connection_delay_ms > 0:
        distant, distant_port = start_http_server(cfg.distant_log, 3600, cfg.connection_delay_ms)
    try:
        xw = XWatcher(display_name)
        base_url = f"http://127.0.0.1:{port}"
        prepare_run_dir(run_dir)
        programs = make_programs(cfg, run_dir, display_name, base_url, port, distant_port)
        if cfg.only:
            keys = cfg.only.split(",")
            programs = [p for p in programs
                        if p.key in keys or (p.key.startswith("lexivo_") and "lexivo" in keys)]
        if not any(p.key == "goldendict" for p in programs):
            notes.append("GoldenDict is not installed: no row for it")
        batch = Batch(cfg, xw, log_path, base_url)
        batch.warm_up(programs)
        print(f"{cfg.runs} runs of each program, in turn"
              + (", each a cold start then a warm one" if cold else ", warm")
              + f" (idle window {cfg.idle_seconds:g} s)", flush=True)
        batch.measure(programs, cold)
        return programs, batch.results
    finally:
        for proc in (p for p in (server, distant, xvfb) if p):
            proc.terminate()
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()


def build_report(cfg, cold, programs, results, notes, micro) -> str:
    label = runs_label(cfg, cold)
    engine_links = {p.key: needs_engine(p.argv[0]) for p in programs if p.key != "goldendict"}
    sizes = ", ".join(f"{p.key} {s[0]}x{s[1]}" for p in programs
                      for s in [next((r["size"] for r in results
                                      if r["program"] == p.key and r.get("size")), None)] if s)
    report = ["", "start-up against the peers (medians, min–max):", "",
              peers_table(results, programs), "", "ratios of medians:", *goal_lines(results),
              "", first_lookup_line(results), "", f"runs: {label}", f"window sizes: {sizes}",
              "QtWebEngine libraries NEEDED by the executable: " + ", ".join(
                  f"{k} {'yes' if v else 'no' if v is not None else '?'}"
                  for k, v in engine_links.items()),
              *[f"note: {n}" for n in notes],
              "", "ours against the bare engine window (warm runs):",
              comparison_table(results, label)]
    variants = variants_table(results, programs)
    if variants:
        report += ["", "this build and its variants (warm runs, medians):", "", variants]
    if micro:
        report += ["", "micro-benchmarks (Google Benchmark):", micro]
    return "\n".join(report), engine_links


def main():
    cfg = parse_arguments()
    os.makedirs(cfg.out, exist_ok=True)
    T.QUIET_BUDGET["left"] = cfg.quiet_budget
    stamp = datetime.datetime.now().strftime("%Y%m%d-%H%M%S")
    log_path = os.path.join(cfg.out, f"requests-{stamp}.log")
    cfg.distant_log = (os.path.join(cfg.out, f"requests-distant-{stamp}.log")
                       if cfg.connection_delay_ms > 0 else None)
    machine = machine_description()
    print(f"machine: {machine['nproc']} cores, {machine['cpu']}, {machine['mem_gib']} GiB, "
          f"QtWebEngine {machine['qtwebengine']}, load average "
          f"{' '.join(machine['loadavg_at_start'])}"
          + (", as root with the engine's sandbox off" if machine["sandbox_disabled"] else ""),
          flush=True)
    cold = not cfg.no_cold and can_drop_caches()
    notes = starting_notes(cfg, cold)
    for note in notes:
        print(f"note: {note}", flush=True)

    programs, results = run_batch(cfg, cold, log_path, os.path.join(cfg.out, "programs"), notes)

    disturbed = sum(1 for r in results if r["cold"] and r.get("foreign_engine_processes_at_start"))
    if disturbed:
        notes.append(f"{disturbed} cold start(s) began while another engine program ran (the "
                     "engine's pages it maps stay in memory); the cold columns use the other "
                     "runs where a program has at least three")
    micro = "" if cfg.no_micro else run_micro(cfg.build, cfg.out, cfg.quick)
    machine["loadavg_at_end"] = read_text("/proc/loadavg").split()[:3]
    text, engine_links = build_report(cfg, cold, programs, results, notes, micro)
    print(text)
    name = os.path.join(cfg.out, f"comparison-{stamp}")
    with open(name + ".txt", "w") as f:
        f.write(text + "\n")
    with open(name + ".json", "w") as f:
        json.dump({"machine": machine, "config": vars(cfg), "notes": notes,
                   "engine_needed": engine_links, "results": results, "micro": micro}, f,
                  indent=1)
    print(f"\nresults: {name}.txt and .json")
    return 0


if __name__ == "__main__":
    sys.exit(main())
