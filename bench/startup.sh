#!/usr/bin/env bash
# The window's start-up as a person meets it, on a virtual X display of its own: TaViR on the
# shipped collection beside a bare Qt window with one label, and the same bare window at TaViR's
# size (what the size alone costs), run alternately ROUNDS times. For each: the median time from
# its start until its window is on the screen (each program prints the steady clock then), and
# until it has ended. The target is on the first: TaViR at most 1.2 times the bare window.
#   bash bench/startup.sh [BUILD_DIR [ROUNDS]]
set -euo pipefail
build=${1:-build-bench}
rounds=${2:-21}
exec python3 - "$build" "$rounds" <<'EOF_PY'
import os, statistics, subprocess, sys, time

build, rounds = sys.argv[1], int(sys.argv[2])
programs = {"bare window": [f"{build}/bench_bare_window"],
            "bare 792x567": [f"{build}/bench_bare_window", "792x567"],
            "TaViR": [f"{build}/bench_startup_window"]}

# A display of the bench's own; Xvfb names a free one on the pipe.
read_end, write_end = os.pipe()
xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                         "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
os.close(write_end)
os.environ["DISPLAY"] = ":" + os.read(read_end, 16).decode().strip()
shown = {name: [] for name in programs}
ended = {name: [] for name in programs}
try:
    for round_ in range(rounds + 1):
        for name, argv in programs.items():
            start = time.monotonic_ns()
            run = subprocess.run(argv, check=True, stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL)
            end = time.monotonic_ns()
            if round_ == 0:
                continue  # warm-up
            shown[name].append((int(run.stdout.split()[-1]) - start) / 1e6)
            ended[name].append((end - start) / 1e6)
finally:
    xvfb.terminate()
    xvfb.wait()

median = {name: (statistics.median(shown[name]), statistics.median(ended[name]))
          for name in programs}
print(f"{'':13} {'on screen':>10} {'ended':>8}  (medians, ms)")
for name, (on_screen, whole) in median.items():
    print(f"{name:13} {on_screen:10.1f} {whole:8.1f}")
for label, index in (("on screen", 0), ("ended", 1)):
    print(f"TaViR / bare, {label:9}: {median['TaViR'][index] / median['bare window'][index]:.3f}"
          f"   / bare at its size: {median['TaViR'][index] / median['bare 792x567'][index]:.3f}")
ratio = median["TaViR"][0] / median["bare window"][0]
print(f"target: on screen at most 1.2 times the bare window: {'met' if ratio <= 1.2 else 'missed'}")
sys.exit(0 if ratio <= 1.2 else 1)
EOF_PY
