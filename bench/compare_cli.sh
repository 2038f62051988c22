#!/usr/bin/env bash
# tavir-cli as whole processes against the standard tools on generated files of a million and
# ten million quotations: `search` against ripgrep (`rg -F -i --no-unicode`; a query with
# bytes above 0x7F goes to rg as the same bytes in an escaped `(?-u)` regex) and `grep -F -i`
# on six query classes, with the same bytes expected from all three; `count` against `wc -l`;
# the peak memory of `count` and `search`. Commands run alternately, ROUNDS times; medians are
# compared.
#
# How to run, from the repository root, with tavir-cli and tavir-gen-quotes built in BUILD_DIR
# (bench/run.sh builds them and runs this too):
#   flock /tmp/tavir-build.lock bash bench/compare_cli.sh [BUILD_DIR [ROUNDS]]
# The lock keeps the timings clear of other builds on the machine. The files are generated in
# /tmp and removed at the end; TAVIR_BENCH_SIZES lists the sizes (default "1000000 10000000").
set -euo pipefail
build=${1:-build-bench}
rounds=${2:-7}
sizes=${TAVIR_BENCH_SIZES:-1000000 10000000}
export LC_ALL=C
command -v rg >/dev/null || { echo "compare_cli.sh needs ripgrep (apt-get install -y ripgrep)" >&2; exit 1; }

files=()
cleanup() { rm -f "${files[@]}"; }
trap cleanup EXIT
for n in $sizes; do
  file=/tmp/tavir-bench-$$-$n.dbc
  files+=("$file")
  "$build/tavir-gen-quotes" "$file" "$n"
done

python3 - "$build/tavir-cli" "$rounds" "${files[@]}" <<'EOF_PY'
import math, os, statistics, subprocess, sys, tempfile, time

cli, rounds, paths = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
# Windows-1250 bytes. The generator puts "nie" in about 43% of lines, the author's name in
# about 1.5%, and never "xqzw", "q" or the long sentence.
queries = [
    ("no hit", b"xqzw"),
    ("few hits (20 chars)", b"Cyprian Kamil Norwid"),
    ("many hits (nie)", b"nie"),
    ("one letter, no hit (q)", b"q"),
    ("long (32 chars)", "wolność nie jest dana na zawsze.".encode("cp1250")),
    ("Polish first (życie)", "życie".encode("cp1250")),
]
missed = 0

def rg_argv(text, path):
    if all(b < 0x80 for b in text):
        return ["rg", "-F", "-i", "--no-unicode", "--", text, path]
    pattern = "(?-u)" + "".join(
        chr(b) if chr(b).isalnum() and b < 0x80 else f"\\x{b:02x}" for b in text)
    return ["rg", "-i", "--no-unicode", "-e", pattern.encode(), path]

def run(argv, out):
    start = time.perf_counter()
    done = subprocess.run(argv, stdout=out, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    if done.returncode not in (0, 1):  # grep and rg answer 1 when nothing matched
        sys.exit(f"{argv[0]} failed with status {done.returncode}")
    return elapsed

def timed(commands, scratch):
    """Runs the commands alternately, in a rotating order; returns their medians in ms."""
    outputs = [os.path.join(scratch, f"out{k}") for k in range(len(commands))]
    for argv, out in zip(commands, outputs):  # warm the page cache
        with open(out, "wb") as o:
            run(argv, o)
    times = [[] for _ in commands]
    for r in range(rounds):
        for i in range(len(commands)):
            k = (i + r) % len(commands)
            with open(outputs[k], "wb") as o:
                times[k].append(run(commands[k], o))
    return [statistics.median(t) * 1e3 for t in times], outputs

def same(a, b):
    return subprocess.run(["cmp", "-s", a, b]).returncode == 0

def peak(argv):
    done = subprocess.run(["/usr/bin/time", "-f", "%M"] + argv, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, check=False)
    return int(done.stderr.split()[-1]) * 1024

with tempfile.TemporaryDirectory() as scratch:
    # Results go to regular files, not /dev/null: GNU grep notices /dev/null and stops at the
    # first match, which would time a different job.
    print(f"medians of {rounds} alternating rounds; output to files\n")
    print(f"{'class':<24}{'quotes':>8}{'hits':>10}{'tavir ms':>10}{'rg ms':>9}{'grep ms':>9}"
          f"{'/rg':>7}{'/grep':>7}  same bytes")
    for path in paths:
        size = os.path.getsize(path)
        lines = sum(1 for _ in open(path, "rb")) - 1
        grep_ratios = []
        for name, text in queries:
            ours = [cli, "--raw", "--file", path, "search", text]
            grep = ["grep", "-F", "-i", "--", text, path]
            (t, r, g), outs = timed([ours, rg_argv(text, path), grep], scratch)
            identical = same(outs[0], outs[2]) and same(outs[1], outs[2])
            with open(outs[0], "rb") as f:
                hits = f.read().count(b"\n")
            verdict = "met" if t <= r else "MISSED"
            missed += verdict == "MISSED" or not identical
            grep_ratios.append(t / g)
            print(f"{name:<24}{lines:>8}{hits:>10}{t:10.1f}{r:9.1f}{g:9.1f}{t / r:7.2f}{t / g:7.2f}"
                  f"  {'yes' if identical else 'NO'}  (<= 1.0 x rg: {verdict})")
        mean = math.exp(sum(map(math.log, grep_ratios)) / len(grep_ratios))
        missed += mean > 0.6
        print(f"{'geometric mean / grep':<24}{lines:>8}{'':>47}{mean:7.2f}  "
              f"(<= 0.6: {'met' if mean <= 0.6 else 'MISSED'})")

        (c, w), _ = timed([[cli, "--file", path, "count"], ["wc", "-l", path]], scratch)
        print(f"{'count vs wc -l':<24}{lines:>8}{'':>10}{c:10.1f}{'':>9}{w:9.1f}{'':>7}{c / w:7.2f}"
              f"  (<= 1.5: {'met' if c <= 1.5 * w else 'MISSED'})")
        missed += c > 1.5 * w
        counted = subprocess.run([cli, "--file", path, "count"], capture_output=True).stdout
        missed += int(counted) != lines
        limit = 16 * 2**20
        for label, argv in (("count", [cli, "--file", path, "count"]),
                            ("search nie", [cli, "--raw", "--file", path, "search", "nie"])):
            p = max(peak(argv) for _ in range(3))
            missed += p >= limit
            print(f"peak memory of {label}: {p / 2**20:.1f} MiB (file {size / 2**20:.0f} MiB), "
                  f"under 16 MiB: {'met' if p < limit else 'MISSED'}")
        print()
sys.exit(1 if missed else 0)
EOF_PY
