#!/usr/bin/env python3
"""Medians from bench_quotes' JSON output, each set beside its baseline from the same run.

usage: python3 bench/ratios.py bench_quotes.json
"""
import json
import sys

TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
MEMCHR = "BM_MemchrAbsentByte"
# benchmark: (baseline, largest ratio wanted or None)
BASELINES = {
    "BM_SearchFewHits": (MEMCHR, 1.5),
    "BM_SearchManyHits": (MEMCHR, 3.0),
    "BM_SearchNoHits": (MEMCHR, 1.5),
    "BM_SearchOneLetter": (MEMCHR, None),
    # The folding options against the default search, same query.
    "BM_SearchFewHitsCaseAll": ("BM_SearchFewHits", 1.3),
    "BM_SearchManyHitsCaseAll": ("BM_SearchManyHits", 1.3),
    "BM_SearchNoHitsCaseAll": ("BM_SearchNoHits", 1.3),
    "BM_SearchFewHitsNoDiacritics": ("BM_SearchFewHits", 1.3),
    "BM_SearchManyHitsNoDiacritics": ("BM_SearchManyHits", 1.3),
    "BM_SearchNoHitsNoDiacritics": ("BM_SearchNoHits", 1.3),
    "BM_ListAll": (MEMCHR, None),
    # The finder's worst case: a periodic line and a long query, against memchr over that line.
    "BM_SearchPeriodicLongQuery": ("BM_MemchrPeriodic", 3.0),
    # Two threads against one, same query; memchr on two threads against one: the limit.
    "BM_MemchrAbsentByteTwoThreads": (MEMCHR, None),
    "BM_SearchFewHitsTwoThreads": ("BM_SearchFewHits", None),
    "BM_SearchManyHitsTwoThreads": ("BM_SearchManyHits", None),
    "BM_SearchNoHitsTwoThreads": ("BM_SearchNoHits", None),
    "BM_ListAllTwoThreads": ("BM_ListAll", None),
    "BM_Load": ("BM_ReadFile", None),
    "BM_MapAndSplit": ("BM_ReadFile", None),
    # bench_words: the word-form search against the default search, same query, a million lines.
    "BM_WordSearchMillion": ("BM_SearchMillion", 2.0),
    "BM_WordSearchShipped": ("BM_SearchShipped", None),
}
# benchmark: largest median wanted, in milliseconds, where no baseline says it.
LIMITS_MS = {
    "BM_WordIndexShipped": 150.0,
    "BM_WordSearchShipped": 5.0,
}


def main(path):
    with open(path) as f:
        report = json.load(f)
    median, spread, unit = {}, {}, {}
    for run in report["benchmarks"]:
        name = run["run_name"].split("/")[0]
        if run.get("aggregate_name") == "median":
            median[name] = run["real_time"] * TO_MS[run["time_unit"]]
            unit[name] = run["time_unit"]
        elif run.get("aggregate_name") == "cv":
            spread[name] = run["real_time"]
    print(f"{'benchmark':<31}{'median':>14}{'cv':>7}  {'ratio to baseline':<34}target")
    missed = 0
    for name, ms in sorted(median.items(), key=lambda item: -item[1]):
        baseline, limit = BASELINES.get(name, (None, None))
        ratio_text, verdict = "", ""
        if baseline in median:
            ratio = ms / median[baseline]
            ratio_text = f"{ratio:6.2f} x {baseline}"
            if limit is not None:
                verdict = f"<= {limit:g}: " + ("met" if ratio <= limit else "MISSED")
                missed += ratio > limit
        if name in LIMITS_MS:
            limit_ms = LIMITS_MS[name]
            verdict = f"<= {limit_ms:g} ms: " + ("met" if ms <= limit_ms else "MISSED")
            missed += ms > limit_ms
        cv = f"{spread[name] * 100:5.1f}%" if name in spread else ""
        shown = f"{ms / TO_MS[unit[name]]:.3f} {unit[name]}"
        print(f"{name:<31}{shown:>14}{cv:>7}  {ratio_text:<34}{verdict}")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
