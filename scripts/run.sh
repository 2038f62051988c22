#!/usr/bin/env bash
# Installs what is missing, builds, and starts TaViR on the bundled data folder. Without a
# display it starts the program under xvfb-run instead, saves a screenshot of its window,
# says where, and closes it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

./build/tavir-cli count
./build/tavir-cli random 5

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "No display found: starting TaViR under xvfb-run for a screenshot."
  bash scripts/screenshot.sh build/screenshot.png build/tavir
  exit 0
fi
./build/tavir
