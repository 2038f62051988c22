#!/usr/bin/env bash
# Installs what is missing, builds, and starts TaViR on the bundled data folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

./build/tavir-cli count
./build/tavir-cli random 5
