#!/usr/bin/env bash
# tavir-cli as whole processes against the standard tools on a generated file of a million
# quotations: `search` against `grep -F -i` (same bytes expected), `count` against `wc -l`, and
# the peak memory of `count`. Each pair runs alternately, ROUNDS times; medians are compared.
#
# How to run, from the repository root, with tavir-cli and tavir-gen-quotes built in BUILD_DIR
# (bench/run.sh builds them and runs this too):
#   flock /tmp/tavir-build.lock bash bench/compare_cli.sh [BUILD_DIR [ROUNDS]]
# The lock keeps the timings clear of other builds on the machine. The file is made once, as
# BUILD_DIR/bench-quotes-1m.dbc, unless TAVIR_BENCH_FILE names another.
set -euo pipefail
build=${1:-build-bench}
rounds=${2:-11}
file=${TAVIR_BENCH_FILE:-$build/bench-quotes-1m.dbc}
[[ -f $file ]] || "$build/tavir-gen-quotes" "$file"
export LC_ALL=C

python3 - "$build/tavir-cli" "$file" "$rounds" <<'EOF'
import os, statistics, subprocess, sys, tempfile, time

cli, path, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
size = os.path.getsize(path)
# Same queries as the generator's: about 1 line in 1000, most lines, none. Windows-1250 bytes.
queries = [("few", b"kacze\xf1ce"), ("many", b"nie"), ("none", b"xqzw")]
missed = 0

def run(argv, out):
    start = time.perf_counter()
    done = subprocess.run(argv, stdout=out, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    if done.returncode not in (0, 1):  # grep answers 1 when nothing matched
        sys.exit(f"{argv[0]} failed with status {done.returncode}")
    return elapsed

def sink(name):
    return open(os.path.join(scratch, name), "wb")

def compare(label, ours, theirs, out_ours, out_theirs, limit):
    """Alternates the two commands, first one then the other first; prints the medians."""
    global missed
    for argv, out in ((ours, out_ours), (theirs, out_theirs)):  # warm the page cache
        with out() as o:
            run(argv, o)
    times = ([], [])
    for r in range(rounds):
        order = (0, 1) if r % 2 == 0 else (1, 0)
        for k in order:
            argv, out = ((ours, out_ours), (theirs, out_theirs))[k]
            with out() as o:
                times[k].append(run(argv, o))
    a, b = statistics.median(times[0]) * 1e3, statistics.median(times[1]) * 1e3
    verdict = ("met" if a / b <= limit else "MISSED") if limit else ""
    missed += verdict == "MISSED"
    print(f"{label:<34}{a:10.1f}{b:12.1f}{a / b:8.2f}  {'<= %g: ' % limit if limit else ''}{verdict}")

with tempfile.TemporaryDirectory() as scratch:
    # Search results go to a regular file, not /dev/null: GNU grep notices /dev/null and stops
    # at the first match, which would time a different job.
    print(f"file {path}: {size} bytes; medians of {rounds} alternating rounds\n")
    print(f"{'':<34}{'tavir ms':>10}{'baseline ms':>12}{'ratio':>8}  target")
    for name, text in queries:
        ours = [cli, "--raw", "--file", path, "search", text]
        grep = ["grep", "-F", "-i", "--", text, path]
        compare(f"search {name} vs grep -F -i", ours, grep,
                lambda: sink("ours"), lambda: sink("grep"), 1.0)
    compare("count vs wc -l", [cli, "--file", path, "count"], ["wc", "-l", path],
            lambda: open(os.devnull, "wb"), lambda: open(os.devnull, "wb"), 1.5)

    print("\nsame output as grep (cmp):")
    for name, text in queries:
        with sink("ours") as o:
            run([cli, "--raw", "--file", path, "search", text], o)
        with sink("grep") as o:
            run(["grep", "-F", "-i", "--", text, path], o)
        same = subprocess.run(["cmp", "-s", os.path.join(scratch, "ours"),
                               os.path.join(scratch, "grep")]).returncode == 0
        with open(os.path.join(scratch, "ours"), "rb") as f:
            hits = f.read().count(b"\n")
        missed += not same
        print(f"  search {name:<5} {hits:>8} lines  {'identical' if same else 'DIFFERENT'}")

    counted = subprocess.run([cli, "--file", path, "count"], capture_output=True).stdout
    lines = subprocess.run(["wc", "-l", path], capture_output=True).stdout.split()[0]
    agrees = int(counted) == int(lines) - 1  # every line ends in CR LF; the last is no quotation
    missed += not agrees
    print(f"  count {int(counted)} = wc -l {int(lines)} - 1: {'yes' if agrees else 'NO'}")

    peaks = []
    for _ in range(3):
        done = subprocess.run(["/usr/bin/time", "-f", "%M", cli, "--file", path, "count"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=True)
        peaks.append(int(done.stderr.split()[-1]) * 1024)
    peak, limit = max(peaks), 1.3 * (size + 16 * 2**20)
    missed += peak >= limit
    print(f"\npeak memory of count: {peak / 2**20:.1f} MiB; limit 1.3 x (file + 16 MiB) = "
          f"{limit / 2**20:.1f} MiB ({peak / limit:.2f} of it): "
          f"{'met' if peak < limit else 'MISSED'}")
sys.exit(1 if missed else 0)
EOF
