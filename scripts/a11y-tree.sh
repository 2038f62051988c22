#!/usr/bin/env bash
# Prints TaViR's windows as a screen reader (Orca) reads them over the accessibility bus
# (AT-SPI): one line per object, indented by depth, with its role, its name in quotes and its
# description, if any, after a dash. The About window follows the main window; it is opened
# by pressing "O autorach" through the bus, as a screen reader user would.
#
#   bash scripts/a11y-tree.sh [PROGRAM]
#
# PROGRAM defaults to build/tavir. The program runs on a virtual X display (xvfb-run) in a
# private D-Bus session (dbus-run-session) with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1. Needs
# xvfb-run, dbus-run-session, at-spi2-core and the system Python's pyatspi:
#   apt-get install xvfb xauth dbus at-spi2-core python3-pyatspi
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/tavir}
[[ $program == */* ]] || program=./$program
[[ $program == /* ]] || program=$PWD/$program

if [[ ! -x $program ]]; then
  echo "a11y-tree: no program at $program (build it first)" >&2
  exit 1
fi
for tool in xvfb-run xauth dbus-run-session; do
  command -v "$tool" >/dev/null || {
    echo "a11y-tree: $tool is missing" >&2
    exit 1
  }
done
if ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
  echo "a11y-tree: the system Python has no pyatspi (apt-get install python3-pyatspi)" >&2
  exit 1
fi

# Walks the application with the given process id once its main window is on the bus.
walker='
import sys, time
import pyatspi
from gi.repository import Atspi, GLib

pid = int(sys.argv[1])

def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid and app.childCount > 0:
            return app
    return None

def dump(node, depth=0):
    line = "  " * depth + node.getRoleName() + " \"" + (node.name or "") + "\""
    if node.description:
        line += " - " + node.description
    print(line)
    for child in node:
        if child is not None:
            dump(child, depth + 1)

def find(node, role, name):
    if node.getRoleName() == role and node.name == name:
        return node
    for child in node:
        found = find(child, role, name) if child is not None else None
        if found is not None:
            return found
    return None

app = None
for _ in range(100):
    app = application()
    if app is not None:
        break
    time.sleep(0.2)
if app is None:
    sys.exit("a11y-tree: the program did not appear on the accessibility bus")

for window in app:
    dump(window)

about = find(app, "push button", "O autorach")
if about is not None:
    # The window is modal: the press is not answered until it closes, so do not wait for it.
    Atspi.set_timeout(500, 15000)
    try:
        about.queryAction().doAction(0)
    except GLib.GError:
        pass
    for _ in range(50):
        time.sleep(0.2)
        dialogs = [w for w in app if w is not None and w.getRoleName() == "dialog"]
        if dialogs:
            print()
            for dialog in dialogs:
                dump(dialog)
            break
'

# Runs inside the virtual display and the D-Bus session: $1 the program.
inside='
set -euo pipefail
work=$(mktemp -d)
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$1" >"$work/log" 2>&1 &
pid=$!
cleanup() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
/usr/bin/python3 -c "$2" "$pid"
'
# The session bus reports each service it starts; only the tree and real errors are shown.
xvfb-run -a -s "-screen 0 1024x768x24" \
  dbus-run-session -- bash -c "$inside" a11y-tree "$program" "$walker" \
  2> >(grep -v -e '^dbus-daemon\[' -e '^SpiRegistry daemon' >&2)
