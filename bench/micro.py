"""The micro-benchmarks (Google Benchmark), run once and printed as a table of medians."""

import json
import os
import subprocess

from procfs import read_text


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
