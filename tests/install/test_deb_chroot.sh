#!/usr/bin/env bash
# Installs the Debian package into a clean Debian 12 root and uses it as an ordinary user would:
# tavir-cli count, then the window under xvfb-run, closed from the keyboard (the TaViR menu's
# close command, then "Tak"). The settings must land in that user's ~/.config/tavir/ and
# nothing under /usr may change.
#
#   test_deb_chroot.sh BUILD_DIR
#
# Needs root and debootstrap; without either it exits 77 (CTest shows the test as skipped).
# The bare root (debootstrap --variant=minbase bookworm, plus Xvfb and xdotool) is built once
# and kept in $TAVIR_TEST_ROOT_CACHE (default /var/cache/tavir-test-root), keyed by the
# version below; every run works on an overlay of it, so the cached root never changes.
# Downloaded packages are kept beside it, so a repeated run needs no network.
set -euo pipefail
build=$1
skip() { echo "SKIP: $*"; exit 77; }
[[ $(id -u) -eq 0 ]] || skip "installing into a chroot needs root"
command -v debootstrap >/dev/null || skip "debootstrap is missing (apt-get install debootstrap)"

cache_version=bookworm-minbase-1
cache=${TAVIR_TEST_ROOT_CACHE:-/var/cache/tavir-test-root}
base=$cache/$cache_version
archives=$cache/$cache_version-archives
deb=$(ls "$build"/tavir_*_amd64.deb 2>/dev/null | tail -n 1)
[[ -n $deb ]] || { echo "FAIL: no package in $build (cd $build && cpack -G DEB)"; exit 1; }
started=$SECONDS

# The machine's own Debian mirror, unless one is given.
mirror=${TAVIR_DEBIAN_MIRROR:-}
if [[ -z $mirror ]]; then
  mirror=$(grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' \
           | grep -v security | head -n 1 || true)
  [[ -n $mirror ]] || mirror=$(awk '$1 == "deb" && $0 !~ /security/ {print $2; exit}' \
                               /etc/apt/sources.list 2>/dev/null || true)
fi
[[ -n $mirror ]] || { echo "FAIL: no Debian mirror known (set TAVIR_DEBIAN_MIRROR)"; exit 1; }

if [[ ! -x $base/usr/bin/xdotool ]]; then
  echo "== building the cached root $base (once per machine)"
  mkdir -p "$cache"
  rm -rf "$base.new"
  debootstrap --variant=minbase --include=xvfb,xauth,xdotool bookworm "$base.new" "$mirror" \
    >"$cache/$cache_version.log" 2>&1 || { tail -n 30 "$cache/$cache_version.log"; exit 1; }
  chroot "$base.new" apt-get update -qq
  rm -rf "$base"
  mv "$base.new" "$base"
  echo "   built in $((SECONDS - started)) s"
fi
mkdir -p "$archives/partial"

work=$(mktemp -d /tmp/tavir-chroot-XXXXXX)
root=$work/root
mounts=()
cleanup() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount -l "${mounts[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
mkdir -p "$root" "$work/upper" "$work/overlay-work"
if mount -t overlay overlay \
     -o "lowerdir=$base,upperdir=$work/upper,workdir=$work/overlay-work" "$root" 2>/dev/null; then
  mounts+=("$root")
else
  cp -a "$base/." "$root/"
fi
mount -t proc proc "$root/proc" && mounts+=("$root/proc")
mount --bind /dev "$root/dev" && mounts+=("$root/dev")
mount --bind "$archives" "$root/var/cache/apt/archives" && mounts+=("$root/var/cache/apt/archives")
cp "$deb" "$root/tmp/"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
as_user() {
  chroot "$root" runuser -u ala -- env -i PATH=/usr/bin:/bin HOME=/home/ala USER=ala \
    LANG=C.UTF-8 "$@"
}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

echo "== apt-get install ./$(basename "$deb")"
install_package() {
  in_root apt-get install -y -q --no-install-recommends "/tmp/$(basename "$deb")" \
    >"$work/apt.log" 2>&1
}
export DEBIAN_FRONTEND=noninteractive
if ! install_package; then
  # The cached package lists may be older than the mirror.
  in_root apt-get update -qq >>"$work/apt.log" 2>&1 || true
  install_package || { tail -n 30 "$work/apt.log"; echo "FAIL: apt-get install"; exit 1; }
fi
pass "installed with its dependencies ($(grep -c '^Setting up' "$work/apt.log") packages set up)"

in_root useradd -m -s /bin/bash ala
listing() { in_root find /usr -xdev -printf '%p %y %s %m %U %T@ %l\n' | LC_ALL=C sort; }
listing >"$work/usr-before"

count=$(as_user tavir-cli count) && [[ -n $count ]] && pass "tavir-cli count as ala: $count" \
  || fail "tavir-cli count as ala: '$count'"
expected=$("$build/tavir-cli" count)
[[ $count == "$expected" ]] || fail "the installed tavir-cli counts $count, the build $expected"

# The window, driven on a display without a window manager: xdotool gives focus itself.
session='
set -u
tavir >"$HOME/tavir.log" 2>&1 &
pid=$!
window() { timeout 30 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
main=$(window "VELTA Software TaViR") || { echo "no main window"; cat "$HOME/tavir.log"; exit 1; }
# The TaViR menu (Alt+T), then its "Zakończ program" (Z); tried again should a busy machine
# have swallowed the menu.
question=""
for try in 1 2 3; do
  sleep 1
  xdotool windowfocus --sync "$main"
  xdotool key --clearmodifiers alt+t
  sleep 1
  xdotool key --clearmodifiers z
  question=$(timeout 10 xdotool search --sync --onlyvisible --name "Pytanie:" | head -n 1)
  [[ -z $question ]] || break
  echo "no close question after try $try"
  xdotool key --clearmodifiers Escape
done
[[ -n $question ]] || { echo "no close question"; exit 1; }
xdotool windowfocus --sync "$question"
sleep 0.5
xdotool key --clearmodifiers alt+t
for ((i = 0; i < 50; i++)); do
  kill -0 "$pid" 2>/dev/null || { wait "$pid"; exit $?; }
  sleep 0.2
done
echo "tavir still runs after Tak"; kill "$pid"; exit 1
'
if as_user timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$session" \
     >"$work/session.log" 2>&1; then
  pass "the window opened and closed after the close command and Tak"
else
  fail "the window session:"; cat "$work/session.log"; cat "$root/home/ala/tavir.log" 2>/dev/null
fi

settings=$root/home/ala/.config/tavir/konfiguracja.ini
if [[ -s $settings ]] && grep -q '^\[MainFrm\]' "$settings"; then
  pass "settings written to ~/.config/tavir/konfiguracja.ini ($(wc -c <"$settings") bytes)"
else
  fail "no settings in ~/.config/tavir/konfiguracja.ini"
fi
if [[ -e $settings ]]; then
  owner=$(stat -c %u "$settings")
  [[ $owner == "$(in_root id -u ala)" ]] || fail "the settings file belongs to uid $owner, not ala"
fi

listing >"$work/usr-after"
if cmp -s "$work/usr-before" "$work/usr-after"; then
  pass "nothing under /usr changed ($(wc -l <"$work/usr-after") entries compared)"
else
  fail "/usr changed:"; diff "$work/usr-before" "$work/usr-after" | head -n 20
fi
[[ ! -e $root/usr/lib/tavir/dane/konfiguracja.ini && ! -e $root/usr/lib/tavir/TaViR.txt ]] \
  || fail "a file was written beside the installed program"

echo "== $((SECONDS - started)) s in all"
(( failures == 0 )) || { echo "$failures check(s) failed"; exit 1; }
echo "all chroot checks passed"
