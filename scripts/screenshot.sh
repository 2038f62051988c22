#!/usr/bin/env bash
# Starts TaViR on a virtual X display (xvfb-run), waits until its window has shown and stopped
# changing, saves a PNG of the window, and closes the program.
#
#   bash scripts/screenshot.sh [OUT.png [PROGRAM]]
#
# OUT defaults to docs/screenshot.png, PROGRAM to build/tavir (both from the repository root).
# The virtual screen has no window manager, so the window is captured without a frame: the
# screen is black and the shot is cropped to what is not. Needs xvfb-run, xauth and
# ImageMagick (scripts/install-deps.sh installs them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshot.png}
program=${2:-$root/build/tavir}
[[ $out == /* ]] || out=$PWD/$out
[[ $program == */* ]] || program=./$program
[[ $program == /* ]] || program=$PWD/$program

if [[ ! -x $program ]]; then
  echo "screenshot: no program at $program (build it first: bash scripts/run.sh)" >&2
  exit 1
fi
for tool in xvfb-run xauth import convert compare; do
  command -v "$tool" >/dev/null || {
    echo "screenshot: $tool is missing (bash scripts/install-deps.sh installs it)" >&2
    exit 1
  }
done
mkdir -p "$(dirname "$out")"

# Runs on the virtual display: $1 the program, $2 the output file.
inside='
set -euo pipefail
program=$1 out=$2
work=$(mktemp -d)
QT_QPA_PLATFORM=xcb "$program" >"$work/log" 2>&1 &
pid=$!
cleanup() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

# Shoot every half second; done when a window is on the screen and two shots in a row agree
# (a blinking text cursor is the only change allowed).
previous=""
for ((i = 0; i < 120; i++)); do
  sleep 0.5
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "screenshot: the program ended before its window showed:" >&2
    cat "$work/log" >&2
    exit 1
  fi
  shot=$work/shot$((i % 2)).png
  import -window root "$shot"
  size=$(convert "$shot" -trim -format "%w %h" info:)
  if (( ${size% *} < 50 || ${size#* } < 50 )); then
    previous=""
    continue
  fi
  if [[ -n $previous ]]; then
    changed=$(compare -metric AE "$previous" "$shot" null: 2>&1 || true)
    if [[ $changed =~ ^[0-9]+$ ]] && (( changed < 200 )); then
      convert "$shot" -trim +repage -strip -define png:exclude-chunks=date,time "$out"
      exit 0
    fi
  fi
  previous=$shot
done
echo "screenshot: no steady window after 60 s" >&2
exit 1
'
xvfb-run -a -s "-screen 0 1024x768x24 -br" bash -c "$inside" screenshot "$program" "$out"
echo "Screenshot saved: $out ($(convert "$out" -format '%wx%h' info:) pixels)"
