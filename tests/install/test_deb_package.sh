#!/usr/bin/env bash
# Makes the Debian package (cpack -G DEB in the build folder) and checks it: the layout, the
# desktop entry (desktop-file-validate), the AppStream file (appstreamcli validate), the man
# pages (man --warnings, and every option of tavir-cli --help named in tavir-cli(1) in both
# languages and in the bash completion) and lintian, which must report no errors; its warnings
# are printed.
#
#   test_deb_package.sh BUILD_DIR
set -uo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli man lintian; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/install-deps.sh installs it)"
done
(( failures == 0 )) || exit 1

rm -f "$build"/tavir_*.deb
if ! (cd "$build" && cpack -G DEB) >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log"; echo "FAIL: cpack -G DEB"; exit 1
fi
deb=$build/tavir_5.1-1_amd64.deb
[[ -f $deb ]] || { ls "$build"; echo "FAIL: no $deb"; exit 1; }
pass "cpack -G DEB made $(basename "$deb")"

dpkg-deb -c "$deb" | awk '{print $1, $6, $7, $8}' | sed 's|^\(.\)[^ ]* \./|\1 /|; s| *$||' >"$tmp/contents"
for entry in "- /usr/lib/tavir/tavir" "- /usr/lib/tavir/tavir-cli" \
             "- /usr/lib/tavir/dane/cytaty/cytaty.dbc" \
             "- /usr/lib/tavir/dane/szablony_html/szablon.html" \
             "- /usr/lib/tavir/dane/pomoc/pomoc.htm" \
             "- /usr/lib/tavir/dane/slownik/pl.dict" \
             "- /usr/lib/tavir/dane/slownik/pl.README-en" \
             "l /usr/bin/tavir -> ../lib/tavir/tavir" \
             "l /usr/bin/tavir-cli -> ../lib/tavir/tavir-cli" \
             "- /usr/share/applications/tavir.desktop" \
             "- /usr/share/metainfo/example.velta.tavir.metainfo.xml" \
             "- /usr/share/icons/hicolor/scalable/apps/tavir.svg" \
             "- /usr/share/icons/hicolor/48x48/apps/tavir.png" \
             "- /usr/share/icons/hicolor/128x128/apps/tavir.png" \
             "- /usr/share/man/man1/tavir.1.gz" "- /usr/share/man/man1/tavir-cli.1.gz" \
             "- /usr/share/man/pl/man1/tavir.1.gz" "- /usr/share/man/pl/man1/tavir-cli.1.gz" \
             "- /usr/share/bash-completion/completions/tavir-cli" \
             "- /usr/share/doc/tavir/copyright" "- /usr/share/doc/tavir/changelog.Debian.gz"; do
  grep -qxF -- "$entry" "$tmp/contents" || fail "not in the package: $entry"
done
if grep -E 'konfiguracja\.ini|TaViR\.txt' "$tmp/contents"; then
  fail "the package carries a settings or print file"
fi
pass "layout: $(wc -l <"$tmp/contents") entries checked"

control=$(dpkg-deb -f "$deb" Depends Recommends)
for want in libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n "Recommends: xdg-utils, cups-client"; do
  grep -qF -- "$want" <<<"$control" || fail "control lacks $want: $control"
done
pass "dependencies: $(tr '\n' ' ' <<<"$control")"

dpkg-deb -x "$deb" "$tmp/root"
out=$(desktop-file-validate "$tmp/root/usr/share/applications/tavir.desktop" 2>&1) \
  && [[ -z $out ]] && pass "desktop-file-validate: no complaints" || fail "desktop-file-validate: $out"
grep -qx 'Exec=tavir' "$tmp/root/usr/share/applications/tavir.desktop" \
  || fail "the desktop entry's Exec: $(grep '^Exec=' "$tmp/root/usr/share/applications/tavir.desktop")"
if out=$(appstreamcli validate --no-net \
           "$tmp/root/usr/share/metainfo/example.velta.tavir.metainfo.xml" 2>&1); then
  pass "appstreamcli validate: $(tail -n 1 <<<"$out")"
else
  fail "appstreamcli validate: $out"
fi
for page in "$tmp"/root/usr/share/man/man1/*.gz "$tmp"/root/usr/share/man/pl/man1/*.gz; do
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [[ -z $out ]] || fail "man --warnings ${page#"$tmp"/root}: $out"
done
pass "man pages render without warnings"

# Every option the usage names is described in the manual and completed by bash.
mapfile -t options < <("$tmp/root/usr/lib/tavir/tavir-cli" --help |
                         grep -oE '(^|[[ |])--?[a-z][a-z-]*' | sed -E 's/^[[ |]//' | sort -u)
((${#options[@]} >= 10)) || fail "tavir-cli --help names only ${#options[@]} options"
for page in "$tmp"/root/usr/share/man/man1/tavir-cli.1.gz "$tmp"/root/usr/share/man/pl/man1/tavir-cli.1.gz; do
  text=$(LC_ALL=C.UTF-8 MANWIDTH=250 MANROFFOPT=-rHY=0 man -E UTF-8 -l "$page" 2>/dev/null)
  for option in "${options[@]}"; do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$text" ||
      fail "man ${page#"$tmp"/root} does not name $option"
  done
done
for option in "${options[@]}"; do
  grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" \
    "$tmp/root/usr/share/bash-completion/completions/tavir-cli" ||
    fail "the bash completion does not offer $option"
done
pass "tavir-cli(1) and the completion name all ${#options[@]} options of tavir-cli --help"

lintian --allow-root --pedantic --display-info "$deb" >"$tmp/lintian" 2>&1
grep -v '^N:' "$tmp/lintian" | sed 's/^/lintian: /'
if grep -q '^E:' "$tmp/lintian"; then
  fail "lintian reports errors"
else
  pass "lintian: no errors ($(grep -c '^W:' "$tmp/lintian") warnings)"
fi

(( failures == 0 )) || { echo "$failures check(s) failed"; exit 1; }
echo "all package checks passed"
