#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: as the release build with
# warnings as errors, then every fuzz target for 60 seconds, then the suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer (whose test summary closes the output).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

bash scripts/check-layers.sh

export QT_QPA_PLATFORM=offscreen
run_suite() {
  echo "== $1 build"
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
  ctest --preset "$1"
}

run_suite ci
bash scripts/check-code.sh build
# The first build most people type: CMake's default generator, default options.
echo "== plain build (default generator)"
cmake -S . -B build-plain >/dev/null
cmake --build build-plain -j2 >/dev/null
echo "== fuzz"
bash scripts/fuzz.sh 60
run_suite asan
