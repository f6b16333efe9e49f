"""Statistics over the trials: medians with min and max, the measured runs of one program, and
the runs that no other engine program disturbed."""

import statistics


def summary(values):
    values = [v for v in values if v is not None]
    if not values:
        return None
    return {"median": statistics.median(values), "min": min(values), "max": max(values),
            "n": len(values)}


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


def measured(results, key, cold=False):
    return [r for r in results if r["program"] == key and r["cold"] == cold and not r["warmup"]]
