#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: once as the release build
# with warnings as errors, once under AddressSanitizer and UndefinedBehaviorSanitizer; then
# runs every fuzz target for 60 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
for preset in ci asan; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== fuzz"
bash scripts/fuzz.sh 60
