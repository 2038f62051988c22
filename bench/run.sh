#!/usr/bin/env bash
# Builds the benchmarks in a Release folder and runs the three sets: bench_quotes (the library
# in memory, with ratios to baselines from the same run), compare_cli.sh (tavir-cli as a whole
# process against ripgrep, grep and wc at 1M and 10M quotations) and bench_window (the window's
# start-up and listing of a million quotations beside loading the file alone, and its stalls
# and memory at ten million). Builds and runs hold the machine's build lock so that they
# never share the cores with another build. Exits non-zero when a target is missed.
#
#   bash bench/run.sh            # from anywhere; BUILD_DIR defaults to build-bench
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TAVIR_BENCH_BUILD:-build-bench}
lock=${TAVIR_BUILD_LOCK:-/tmp/tavir-build.lock}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVIR_BUILD_GUI=ON >/dev/null
flock "$lock" cmake --build "$build" -j2 --target bench_quotes bench_words bench_window tavir-gen-quotes tavir-memchr-file tavir-cli

command -v rg >/dev/null || apt-get install -y ripgrep >/dev/null || sudo apt-get install -y ripgrep >/dev/null

status=0
json=$build/bench_quotes.json
flock "$lock" "$build/bench_quotes" --benchmark_enable_random_interleaving=true \
    --benchmark_out="$json" --benchmark_out_format=json
echo
python3 bench/ratios.py "$json" || status=1
echo
words_json=$build/bench_words.json
flock "$lock" "$build/bench_words" --benchmark_out="$words_json" --benchmark_out_format=json
echo
python3 bench/ratios.py "$words_json" || status=1echo
flock "$lock" bash bench/compare_cli.sh "$build" || status=1
echo
QT_QPA_PLATFORM=offscreen flock "$lock" "$build/bench_window" 2>/dev/null || status=1
exit $status
