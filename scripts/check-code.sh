#!/usr/bin/env bash
# Fails on a source file that clang-format would change, or on a finding of the checks named in
# .clang-tidy. The program's own sources only; tidy needs a build folder's compile commands.
# Usage: scripts/check-code.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "format: every file as clang-format writes it"

[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json"; exit 1; }
git ls-files 'base/*.cpp' 'quotes/*.cpp' 'settings/*.cpp' 'gui/*.cpp' 'app/*.cpp' 'cli/*.cpp' |
  xargs -P 2 -n 4 clang-tidy -p "$build" --quiet 2>/dev/null
echo "tidy: no findings"
