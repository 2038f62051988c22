#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, ASan + UBSan) and runs each for a
# bounded time, two at a time. Usage: scripts/fuzz.sh [SECONDS]   (default 60 per target)
# New inputs go to build-fuzz/corpus/<target>; the checked-in seeds in fuzz/corpus/<target>
# are only read. A crash leaves its input in build-fuzz/artifacts/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=build-fuzz
targets=(fuzz_lines fuzz_search fuzz_ranges fuzz_folding fuzz_integer fuzz_profile_read
         fuzz_profile_roundtrip fuzz_import)
mkdir -p "$build/logs" "$build/artifacts"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
if command -v llvm-symbolizer >/dev/null; then
  export ASAN_SYMBOLIZER_PATH="${ASAN_SYMBOLIZER_PATH:-$(command -v llvm-symbolizer)}"
fi

run_one() {
  local target="$1"
  mkdir -p "$build/corpus/$target"
  "$build/$target" "$build/corpus/$target" "fuzz/corpus/$target" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
    >"$build/logs/$target.log" 2>&1
}
export -f run_one
export build seconds

# The round-trip target writes its files here; libFuzzer exits without cleaning up.
TAVIR_FUZZ_TMP="$(mktemp -d "$([ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/tavir-fuzz.XXXXXX")"
export TAVIR_FUZZ_TMP
trap 'rm -rf "$TAVIR_FUZZ_TMP"' EXIT

status=0
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one "$@"' _ {} || status=$?

echo "== fuzzing, $seconds s per target"
for target in "${targets[@]}"; do
  log="$build/logs/$target.log"
  done_line="$(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$log" | tail -1 || true)"
  if [ -n "$done_line" ]; then
    runs="$(awk '{print $2}' <<<"$done_line")"
    secs="$(awk '{print $5}' <<<"$done_line")"
    printf '%-24s %12s executions in %s s\n' "$target" "$runs" "$secs"
  else
    printf '%-24s FAILED, see %s\n' "$target" "$log"
    grep -E 'ERROR|property broken|runtime error|Test unit written' "$log" | head -20 || true
    status=1
  fi
done
exit "$status"
