#!/usr/bin/python3
"""Where a lookup's time goes in the program's main thread (which is also the engine's UI
thread): starts lexivo_bench under an Xvfb of its own, waits for the home page, then samples the
process with perf (cpu-clock, DWARF call graphs) from just before the click until the result page
is complete, and prints the inclusive time of the Qt and program functions seen there.
"""

import argparse
import os
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import launch  # noqa: E402
import peers  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--lookups", type=int, default=3, help="lookups sampled, one per start")
    parser.add_argument("--env", action="append", default=[],
                        help="NAME=VALUE for the program (e.g. QT_QUICK_BACKEND=software)")
    cfg = parser.parse_args()
    cfg.build, cfg.out = os.path.abspath(cfg.build), os.path.abspath(cfg.out)
    os.makedirs(cfg.out, exist_ok=True)
    run_dir = os.path.join(cfg.out, "programs")
    log_path = os.path.join(cfg.out, "profile-requests.log")
    data = os.path.join(cfg.out, "lookup.perf.data")
    extra = dict(item.split("=", 1) for item in cfg.env)

    xvfb, display_name = launch.start_xvfb("1600x1200x24")
    server, port = launch.start_http_server(log_path, max_seconds=600)
    perf_files = []
    try:
        peers.prepare_run_dir(run_dir)
        peers.install_lexivo(os.path.join(cfg.build, "lexivo_bench"), run_dir, cfg.build, port,
                         "about:blank")
        xw = launch.XWatcher(display_name)
        env = peers.program_env(display_name, run_dir, extra)
        for i in range(cfg.lookups + 1):  # the first start warms the caches
            child = launch.Child([os.path.join(run_dir, "lexivo_bench")], env, run_dir)
            try:
                if not launch.pump(xw, child, lambda: "home-complete" in child.marks, 60):
                    raise RuntimeError("the program did not complete its home page")
                launch.pump(xw, child, lambda: False, 1.0)
                perf = None
                if i > 0:
                    path = f"{data}.{i}"
                    perf = subprocess.Popen(
                        ["perf", "record", "-q", "-e", "cpu-clock", "-F", "2000",
                         "--call-graph", "dwarf,16384", "-o", path, "-p", str(child.proc.pid)],
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                    time.sleep(0.5)
                    perf_files.append(path)
                child.send(f"lookup cmdEn2En profile{i}")
                launch.pump(xw, child, lambda: "lookup-complete" in child.marks, 60)
                if perf:
                    perf.send_signal(signal.SIGINT)
                    perf.wait(timeout=60)
                m = child.marks
                t0 = m["lookup-start"][0]
                phases = {k: round((v[0] - t0) / 1e6, 1) for k, v in m.items()
                          if k.startswith("lookup-")}
                print(f"lookup {i}{' (warm-up, not sampled)' if i == 0 else ''}: {phases}",
                      flush=True)
            finally:
                child.stop()
    finally:
        server.terminate()
        xvfb.terminate()

    for path in perf_files:
        print(f"\n== {path}: main thread, inclusive share of samples "
              "(only named functions; the engine's own are stripped)")
        report = subprocess.run(
            ["perf", "report", "-i", path, "--stdio", "--comm", "lexivo_bench", "--children",
             "--sort", "sym", "-g", "none", "--percent-limit", "1.5"],
            capture_output=True, text=True).stdout
        for line in report.splitlines():
            if line.strip().startswith(tuple("0123456789")) and "0x0000" not in line:
                print(line)
        threads = subprocess.run(
            ["perf", "report", "-i", path, "--stdio", "--sort", "comm,dso", "-g", "none",
             "--percent-limit", "2"], capture_output=True, text=True).stdout
        print("-- all threads, by thread name and library:")
        for line in threads.splitlines():
            if line.strip().startswith(tuple("0123456789")):
                print(line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
