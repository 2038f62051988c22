#!/usr/bin/env bash
# Installs the build into temporary prefixes and runs the installed programs from there.
#
#   test_install.sh BUILD_DIR SOURCE_DIR GUI(ON|OFF)
set -uo pipefail
build=$1 source=$2 gui=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

install_to() { # PREFIX [DESTDIR]
  if ! DESTDIR=${2:-} cmake --install "$build" --prefix "$1" >"$tmp/install.log" 2>&1; then
    cat "$tmp/install.log"
    echo "FAIL: cmake --install --prefix $1"
    exit 1
  fi
}

# 1. The portable folder.
prefix=$tmp/prefix
install_to "$prefix"
programs=(tavir-cli)
[[ $gui == ON ]] && programs+=(tavir)
for p in "${programs[@]}"; do
  [[ -x $prefix/$p ]] && pass "$p installed" || fail "$p is not an executable in the prefix"
done

shipped=$(cd "$source/dane" && find . -type f ! -name 'konfiguracja.ini*' ! -name 'TaViR.txt*' \
          ! -name '.*' ! -name '*~' | sort)
installed=$(cd "$prefix/dane" && find . -type f ! -path './slownik/*' | sort)
if [[ $shipped == "$installed" ]]; then
  pass "dane/ holds exactly the shipped files: $(echo $installed)"
else
  fail "dane/ differs from the shipped files"; diff <(echo "$shipped") <(echo "$installed")
fi
while read -r f; do
  cmp -s "$source/dane/$f" "$prefix/dane/$f" || fail "dane/$f differs from the source"
done <<<"$installed"
[[ -w $prefix/dane ]] && pass "dane/ is writable" || fail "dane/ is not writable"
# The dictionary the build unpacked, and a word search that finds it from the program's folder.
for f in pl.dict pl.info pl.README-en; do
  cmp -s "$build/dane/slownik/$f" "$prefix/dane/slownik/$f" && pass "dane/slownik/$f" \
    || fail "dane/slownik/$f is not the build's"
done
forms=$(cd / && "$prefix/tavir-cli" --word-forms search serce | wc -l)
(( forms > 0 )) && pass "installed tavir-cli --word-forms: $forms quotations" \
  || fail "installed tavir-cli --word-forms found nothing"

# 2. tavir-cli finds the installed data from its own folder, whatever the working directory.
expected=$("$build/tavir-cli" count)
actual=$(cd / && "$prefix/tavir-cli" count)
status=$?
if [[ $status -eq 0 && -n $expected && $actual == "$expected" ]]; then
  pass "installed tavir-cli count: $actual"
else
  fail "installed tavir-cli count gave '$actual' (status $status), the build's gives '$expected'"
fi

if [[ $gui == ON ]]; then
  # 3. Icons and the desktop entry.
  share=$prefix/share
  for f in icons/hicolor/scalable/apps/tavir.svg icons/hicolor/48x48/apps/tavir.png \
           icons/hicolor/128x128/apps/tavir.png applications/tavir.desktop; do
    [[ -s $share/$f ]] && pass "share/$f" || fail "share/$f is missing"
  done
  entry=$share/applications/tavir.desktop
  if out=$(desktop-file-validate "$entry" 2>&1) && [[ -z $out ]]; then
    pass "desktop-file-validate: no complaints"
  else
    fail "desktop-file-validate: $out"
  fi
  grep -qx "Exec=$prefix/tavir" "$entry" && pass "Exec=$prefix/tavir" \
    || fail "Exec line: $(grep '^Exec=' "$entry")"

  # 4. The installed window program starts on the offscreen platform and keeps running.
  (cd / && QT_QPA_PLATFORM=offscreen timeout 5 "$prefix/tavir" >"$tmp/gui.log" 2>&1)
  status=$?
  if [[ $status -eq 124 ]]; then
    pass "installed tavir was still running after 5 s on the offscreen platform"
  else
    fail "installed tavir ended with status $status:"; cat "$tmp/gui.log"
  fi
  if grep -qiE 'qt\.qpa|platform plugin|could not connect to display' "$tmp/gui.log"; then
    fail "Qt platform error:"; cat "$tmp/gui.log"
  fi

  # 5. It found its data: without it, only a small error box would show, never the main
  #    window. A screenshot on a virtual display measures what appeared.
  if bash "$source/scripts/screenshot.sh" "$tmp/shot.png" "$prefix/tavir" >"$tmp/shot.log" 2>&1; then
    read -r w h < <(convert "$tmp/shot.png" -format '%w %h' info:)
    if (( w >= 600 && h >= 400 )); then
      pass "installed tavir showed its main window (${w}x${h}) under xvfb"
    else
      fail "installed tavir showed a ${w}x${h} window, not the main window (no data?)"
    fi
  else
    fail "screenshot of the installed program:"; cat "$tmp/shot.log"
  fi
  [[ ! -e $prefix/dane/konfiguracja.ini ]] && pass "nothing written without a confirmed close" \
    || fail "the settings file was written without a confirmed close"

  # 6. DESTDIR stages the files, yet the entry names the final folder, quoted when it must be.
  final="$tmp/opt dir/tavir"
  install_to "$final" "$tmp/stage"
  staged="$tmp/stage$final"
  exec_line=$(grep '^Exec=' "$staged/share/applications/tavir.desktop")
  [[ $exec_line == "Exec=\"$final/tavir\"" ]] && pass "with DESTDIR: $exec_line" \
    || fail "with DESTDIR the entry says: $exec_line"
  out=$(desktop-file-validate "$staged/share/applications/tavir.desktop" 2>&1)
  [[ -z $out ]] && pass "desktop-file-validate (quoted Exec): no complaints" \
    || fail "desktop-file-validate (quoted Exec): $out"
  actual=$("$staged/tavir-cli" count)
  [[ $actual == "$expected" ]] && pass "the staged folder runs where it lies: $actual" \
    || fail "staged tavir-cli count gave '$actual'"
fi

(( failures == 0 )) || { echo "$failures check(s) failed"; exit 1; }
echo "all install checks passed"
