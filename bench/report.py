"""The report: the table of all programs, the ratios against their goals (met or not met: a
figure, never a failure), ours against the bare engine window with the details behind each
figure, and the machine the figures were taken on."""

import os
import platform
import subprocess

from procfs import read_text
from stats import measured, summary, undisturbed_runs


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
    ("start_to_engine_started_ms", "start -> engine's browser made (in process)", "ms", 0),
    ("start_to_home_request_ms", "start -> home page requested at server", "ms", 0),
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
    ("pss_home_main_mb", "  of which browser process (main)", "MB", 1),
    ("pss_home_renderer_mb", "  of which renderer(s)", "MB", 1),
    ("pss_home_zygotes_mb", "  of which zygotes", "MB", 1),
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
    ("first_lookup_ms", "first lookup, 150 ms connection set-up", "ms", 1),
    ("first_lookup_to_request_ms", "  click -> request at the distant server", "ms", 1),
    ("first_lookup_connections_before_click", "  connections to it before the click", "", 0),
    ("first_lookup_requests_before_click", "  requests to it before the click", "", 0),
]


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
    return (f"0 from our code: {'met' if met else 'not met'} (dot timer running in {ticking} "
            f"runs; GUI thread woke {so['median']:g}x vs {sb['median']:g}x in {seconds:.0f} s)")


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
    ("lexivo", "goldendict", "start_to_home_ms", False, "home loaded, warm: ours / GoldenDict",
     0.85),
    ("lexivo", "goldendict", "start_to_home_ms", True, "home loaded, cold: ours / GoldenDict",
     0.85),
    ("lexivo", "floor", "start_to_map_ms", False, "window mapped, warm: ours / floor", 1.5),
    ("lexivo", "floor", "start_to_map_ms", True, "window mapped, cold: ours / floor", 1.5),
    ("lexivo", "goldendict", "pss_home_mb", False, "PSS, idle: ours / GoldenDict", 1.1),
    ("lexivo", "baseline", "idle_run_ms", False, "idle CPU: ours / bare engine window", 1.0),
    ("lexivo", "baseline", "lookup_ms", False, "lookup: ours / bare engine window", 1.0),
    ("lexivo", "previous", "first_lookup_ms", False,
     "first lookup (150 ms set-up): ours / previous", 0.6),
]


def median_of(results, key, program, cold=False):
    s = summary([r.get(key) for r in undisturbed_runs(measured(results, program, cold), key)])
    return s["median"] if s else None


def goal_lines(results) -> list:
    lines = []
    for num, den, key, cold, label, limit in GOALS:
        a, b = median_of(results, key, num, cold), median_of(results, key, den, cold)
        if a is None or not b:
            continue
        ratio = round(a / b, 2)  # the verdict is on the figure shown
        lines.append(f"  {label:46} {ratio:6.2f}   goal <= {limit:.2f}: "
                     f"{'met' if ratio <= limit else 'not met'}")
    return lines


def first_lookup_line(results) -> str:
    """The first lookup of a provider whose connections take 150 ms to set up, against the
    previous build, on one line with the ratio last."""
    ours = median_of(results, "first_lookup_ms", "lexivo")
    previous = median_of(results, "first_lookup_ms", "previous")
    if ours is None or not previous:
        return ""
    return (f"first lookup, 150 ms connection set-up: ours {ours:.1f}, previous {previous:.1f}, "
            f"ours / previous {ours / previous:.2f}")


# This build and its variants side by side, warm runs: key, title, decimals
VARIANT_COLUMNS = [
    ("start_to_home_ms", "home [ms]", 0),
    ("pss_home_mb", "PSS [MB]", 1),
    ("pss_home_main_mb", "main", 1),
    ("pss_home_renderer_mb", "renderer", 1),
    ("pss_home_zygotes_mb", "zygotes", 1),
    ("pss_anon_home_mb", "anon", 1),
    ("footprint_home_mb", "resident once", 1),
    ("pss_lookup_mb", "PSS after lookup", 1),
    ("lookup_ms", "lookup [ms]", 1),
    ("first_lookup_ms", "first lookup [ms]", 1),
    ("idle_run_ms", "idle run [ms]", 1),
    ("idle_switches", "idle switches", 0),
]


def variants_table(results, programs) -> str:
    """This build and each --variant, medians of the warm runs, as a Markdown table."""
    rows = [p for p in programs if p.key == "lexivo" or p.key.startswith("lexivo_")]
    if len(rows) < 2:
        return ""
    lines = ["| program | " + " | ".join(t for _, t, _ in VARIANT_COLUMNS) + " |",
             "| --- |" + " ---: |" * len(VARIANT_COLUMNS)]
    for p in rows:
        cells = [fmt(median_of(results, key, p.key), dec) for key, _, dec in VARIANT_COLUMNS]
        lines.append(f"| {p.label} | " + " | ".join(cells) + " |")
    return "\n".join(lines)


def idle_wakers(results, program, top=8) -> str:
    """The threads that woke most over the idle window, medians over the runs."""
    runs = [r.get("idle_by_thread") for r in measured(results, program)
            if r.get("idle_by_thread") is not None]
    if not runs:
        return ""
    names = {name for run in runs for name in run}
    woke = {n: summary([run.get(n, (0, 0.0))[0] for run in runs])["median"] for n in names}
    ran = {n: summary([run.get(n, (0, 0.0))[1] for run in runs])["median"] for n in names}
    busiest = sorted(names, key=lambda n: -woke[n])[:top]
    return ", ".join(f"{n} {woke[n]:g}x/{ran[n]:.1f} ms" for n in busiest if woke[n])


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
    for key, name in (("lexivo", "ours"), ("baseline", "baseline")):
        wakers = idle_wakers(results, key)
        if wakers:
            lines.append(f"idle: threads woken most, {name} (wake-ups/run time): {wakers}")
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
