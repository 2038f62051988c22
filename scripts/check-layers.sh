#!/usr/bin/env bash
# Fails when a folder includes a header of a layer above it. Layers, lowest first:
# base/ (nothing of ours), quotes/, settings/, gui/, app/; cli/ stands on quotes/.
# Tests, benchmarks and fuzz targets may include anything.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [base]="base"
  [quotes]="base quotes"
  [settings]="base quotes settings"
  [gui]="base quotes settings gui"
  [app]="base quotes settings gui app"
  [cli]="base quotes cli"
)

status=0
for folder in "${!allowed[@]}"; do
  while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    target=${hit#*#include \"}
    target=${target%%/*}
    case " ${allowed[$folder]} " in
      *" $target "*) ;;
      *) echo "layer violation: $hit"; status=1 ;;
    esac
  done < <(git grep -n -E '^#include "[a-z_]+/' -- "$folder/" || true)
  # A bare include would hide the layer it reaches into; only generated headers stay bare.
  while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    echo "include without its folder: $hit"; status=1
  done < <(git grep -n -E '^#include "[^/"]+"' -- "$folder/" | grep -v -E '"(ui_[a-z_]+\.h|[a-z_]+\.moc)"' || true)
done
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
