"""What a process tree holds and uses, read from /proc: its processes, memory (PSS, USS, the
resident pages counted once) and CPU (ticks, scheduler run time, context switches), and how busy
the rest of the machine is."""

import os
import struct

CLK_TCK = os.sysconf("SC_CLK_TCK")


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


def engine_type(pid: int) -> str:
    """The engine helper's --type (with a utility's sub-type), or "" for another process."""
    args = read_text(f"/proc/{pid}/cmdline").split("\0")
    for a in args:
        if a.startswith("--type="):
            kind = a[len("--type="):]
            for b in args:
                if b.startswith("--utility-sub-type="):
                    kind += ":" + b.split("=", 1)[1].split(".")[-1]
            if kind == "zygote" and "--no-zygote-sandbox" in args:
                kind += ":unsandboxed"
            return kind
    return ""


def process_kind(pid: int, root: int) -> str:
    """main, renderer, zygote, zygote:unsandboxed, utility:<name>, ... A renderer forked by a
    zygote keeps the zygote's command line: it is the zygote's child."""
    if pid == root:
        return "main"
    kind = engine_type(pid)
    if kind == "zygote":
        fields = stat_fields(pid)
        if fields and engine_type(int(fields[1])).startswith("zygote"):
            return "renderer"
    if kind:
        return kind
    args = read_text(f"/proc/{pid}/cmdline").split("\0")
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
            "by_process": sorted(((k, v.get("Pss", 0)) for _, k, v in per), key=lambda x: -x[1]),
            "by_kind": pss_by_kind((k, v.get("Pss", 0)) for _, k, v in per)}


def pss_by_kind(pairs) -> dict:
    """PSS in MB summed by kind of process: main, renderer, zygotes (both kinds together)."""
    kinds = {}
    for kind, kb in pairs:
        key = "zygotes" if kind.startswith("zygote") else kind.split(":")[0]
        kinds[key] = kinds.get(key, 0.0) + kb / 1024.0
    return kinds


def cpu_of_tree(root: int) -> dict:
    """utime+stime ticks, scheduler run time and context switches of every process in the tree;
    the main thread of the main process (the GUI thread, where the program's timers run) apart."""
    result = {}
    for pid in process_tree(root):
        fields = stat_fields(pid)
        if not fields:
            continue
        ticks = int(fields[11]) + int(fields[12])
        run_ns, switches, gui_switches, gui_ns, threads = 0, 0, 0, 0, {}
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
            name = read_text(f"/proc/{pid}/task/{tid}/comm").strip()
            threads[tid] = (name, s, t_ns)
            if pid == root and int(tid) == pid:
                gui_switches, gui_ns = s, t_ns
        result[pid] = {"ticks": ticks, "run_ns": run_ns, "switches": switches,
                       "gui_switches": gui_switches, "gui_ns": gui_ns,
                       "kind": process_kind(pid, root), "threads": threads}
    return result


def cpu_delta(before: dict, after: dict) -> dict:
    """Use over the interval; a process that appeared counts whole, one that ended is lost
    (counted in 'ended')."""
    total = {"ms": 0.0, "run_ms": 0.0, "switches": 0, "gui_switches": 0, "gui_run_ms": 0.0,
             "main_ms": 0.0, "ended": 0, "by_process": [], "by_thread": {}}
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
        for tid, (name, switches, run_ns) in a["threads"].items():
            _, switches0, run_ns0 = b.get("threads", {}).get(tid, (name, 0, 0))
            if switches > switches0:
                # Threads of one name (a pool's workers) are summed.
                key = f"{a['kind']}/{name}"
                woke, ran = total["by_thread"].get(key, (0, 0.0))
                total["by_thread"][key] = (woke + switches - switches0,
                                           round(ran + (run_ns - run_ns0) / 1e6, 2))
    total["ended"] = len(set(before) - set(after))
    return total


def machine_busy_jiffies() -> int:
    fields = read_text("/proc/stat").splitlines()[0].split()[1:]
    user, nice, system, idle, iowait, irq, softirq, steal = (int(x) for x in fields[:8])
    return user + nice + system + irq + softirq + steal
