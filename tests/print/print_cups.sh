#!/usr/bin/env bash
# Runs test_print against a private CUPS scheduler: its own configuration, spool, cache, state
# and logs in a temporary folder, listening only on a Unix socket there, and stopped at the end
# whatever happens. Its one printer writes PDF to a file (a file: device with cups-filters'
# generic PDF driver, so the output stays in that folder and no backend needs root). First the
# printer is no default and printing must show lp's error, then it is the default.
# Exit status 77 (skipped) only where cupsd cannot start.
# Usage: print_cups.sh TEST_PROGRAM
set -euo pipefail
test_program=$1
PATH=$PATH:/usr/sbin
ppd=/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd

command -v cupsd >/dev/null || { echo "skipped: no cupsd"; exit 77; }

# Short: a socket's path must fit in 108 bytes.
work=$(mktemp -d /tmp/tavir-cups.XXXXXX)
cupsd_pid='' test_pid=''
finish() {
  local status=$?
  for pid in $test_pid $cupsd_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" || true
  done
  if [ "$status" -ne 0 ] && [ -f "$work/log/error_log" ]; then
    echo "--- end of the scheduler's log"
    tail -n 30 "$work/log/error_log"
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
trap 'exit 1' INT TERM HUP

# Run as root, cupsd starts the filters as lp, which must reach the spool folder.
chmod 755 "$work"
mkdir -p "$work"/{etc,spool/tmp,cache,state,log,client,home}
cat >"$work/etc/cups-files.conf" <<EOF
ServerRoot $work/etc
RequestRoot $work/spool
TempDir $work/spool/tmp
CacheDir $work/cache
StateDir $work/state
ErrorLog $work/log/error_log
AccessLog $work/log/access_log
PageLog $work/log/page_log
Printcap $work/printcap
FileDevice Yes
EOF
cat >"$work/etc/cupsd.conf" <<EOF
Listen $work/cups.sock
LogLevel debug
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

# The clients see this scheduler only, with none of the machine's or the user's settings.
export CUPS_SERVER=$work/cups.sock CUPS_SERVERROOT=$work/client HOME=$work/home
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TAVIR_PRINTED_PDF=$work/printed.pdf
unset LPDEST PRINTER LANGUAGE

# Started from a copy in this folder: where AppArmor is on, the machine's profile for
# /usr/sbin/cupsd lets that program use the system's own folders only. No system bus (nothing
# registered with the machine's colour manager), no socket activation.
cp "$(command -v cupsd)" "$work/cupsd"
env -u LISTEN_FDS -u LISTEN_PID -u NOTIFY_SOCKET DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus" \
  "$work/cupsd" -f -c "$work/etc/cupsd.conf" -s "$work/etc/cups-files.conf" &
cupsd_pid=$!
# lpstat -r succeeds either way; its words tell.
running() { [ "$(lpstat -r 2>&1)" = "scheduler is running" ]; }
for _ in $(seq 100); do
  running && break
  kill -0 "$cupsd_pid" 2>/dev/null || break
  sleep 0.1
done
if ! running; then
  echo "skipped: cupsd did not start"
  cat "$work/log/error_log" 2>/dev/null || true
  exit 77
fi

lpadmin -p TaViR-PDF -E -v "file://$TAVIR_PRINTED_PDF" -P "$ppd" 2>&1 | grep -v deprecated || true
lpstat -p TaViR-PDF >/dev/null
# In the background, so that a signal stops the scheduler at once, not after the test.
run() {
  "$test_program" "$1" &
  test_pid=$!
  wait "$test_pid"
}
run withNoDefaultPrinterLpsErrorIsShown
lpadmin -d TaViR-PDF
run printsEveryPolishLetter
