#!/usr/bin/env bash
# The window's start-up as a person meets it: whole processes on a virtual X display, from
# their start until their main window is on the screen, TaViR on the shipped collection beside
# a bare Qt window with one label, run alternately ROUNDS times; medians and their ratio
# (target: at most 1.2). The same bare window at TaViR's size is run beside them, to show what
# the size alone costs.
#   bash bench/startup.sh [BUILD_DIR [ROUNDS]]
set -euo pipefail
build=${1:-build-bench}
rounds=${2:-21}
exec xvfb-run -a -s "-screen 0 1280x1024x24" python3 - "$build" "$rounds" <<'EOF_PY'
import statistics, subprocess, sys, time

build, rounds = sys.argv[1], int(sys.argv[2])
programs = {"bare window": [f"{build}/bench_bare_window"],
            "bare 792x567": [f"{build}/bench_bare_window", "792x567"],
            "TaViR": [f"{build}/bench_startup_window"]}
times = {name: [] for name in programs}
for _ in range(rounds + 1):
    for name, argv in programs.items():
        start = time.perf_counter()
        subprocess.run(argv, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times[name].append(time.perf_counter() - start)
medians = {name: statistics.median(t[1:]) * 1000 for name, t in times.items()}  # first: warm-up
for name, median in medians.items():
    print(f"{name:13} median {median:6.1f} ms")
ratio = medians["TaViR"] / medians["bare window"]
print(f"ratio         {ratio:6.2f} (target at most 1.20)")
print(f"same size     {medians['TaViR'] / medians['bare 792x567']:6.2f} (TaViR / the bare window at its size)")
sys.exit(0 if ratio <= 1.2 else 1)
EOF_PY
