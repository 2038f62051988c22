#!/usr/bin/env bash
# Imports every fortune text file of Debian's fortunes-pl package and checks the figures
# against a count made apart from tavir-cli, with awk.
#
#   test_fortunes_pl.sh TAVIR_CLI
# Exits 77 (skipped) when the package cannot be fetched.
set -uo pipefail
cli=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

cd "$tmp" || exit 1
if ! timeout 120 apt-get download fortunes-pl >apt.log 2>&1; then
  echo "SKIP: fortunes-pl could not be fetched with apt-get download:"
  cat apt.log
  exit 77
fi
deb=$(echo fortunes-pl_*.deb)
dpkg-deb -x "$deb" unpacked || { echo "FAIL: dpkg-deb -x $deb"; exit 1; }

# The .dat files are strfile's binary indexes and the .u8 names empty placeholders.
mapfile -t files < <(find unpacked/usr/share/games/fortunes -type f ! -name '*.dat' \
                       ! -name '*.u8' | sort)
echo "$deb: ${#files[@]} fortune files"
((${#files[@]} >= 80)) && pass "${#files[@]} fortune files" || fail "only ${#files[@]} fortune files"

# Entries are the stretches between lines of only "%", except nothing before a leading or
# after a trailing separator. Each is made one line the way the import describes it: its
# non-empty lines joined with " / ", an author line with " – Author" and what follows it with
# a space; an empty one is dropped, a repeated one counted once.
read -r expected_read expected_empty expected_distinct expected_joined < <(awk '
  function entry(   t) {
    if (nlines == 0 && (atStart || atEnd)) return
    read++
    t = text
    gsub(/[ \t\r\v\f]+/, " ", t); sub(/^ /, "", t); sub(/ $/, "", t)
    if (t == "") { empty++; return }
    if (!(t in seen)) { seen[t] = 1; distinct++; joined += slashed }
  }
  function fresh() { nlines = 0; text = ""; authorSeen = 0; slashed = 0 }
  FNR == 1 && NR > 1 { atEnd = 1; entry() }
  FNR == 1 { atStart = 1; atEnd = 0; fresh() }
  {
    line = $0; sub(/\r$/, "", line)
    if (line == "%") { entry(); atStart = 0; fresh(); next }
    nlines++
    gsub(/^[ \t\r\v\f]+|[ \t\r\v\f]+$/, "", line)
    if (line == "") next
    rest = line
    if (line ~ /^--/) sub(/^-+[ \t]*/, "", rest)
    else if (line ~ /^—/) sub(/^(—)+[ \t]*/, "", rest)
    author = rest != line && rest != ""
    if (author) line = "– " rest
    if (text == "") text = line
    else if (author || authorSeen) text = text " " line
    else { text = text " / " line; slashed = 1 }
    if (author) authorSeen = 1
  }
  END {
    if (NR > 0) { atEnd = 1; entry() }
    print read + 0, empty + 0, distinct + 0, joined + 0
  }
' "${files[@]}")
echo "awk: $expected_read entries, $expected_empty empty, $expected_distinct distinct," \
     "$expected_joined joined"

if ! "$cli" import --output "$tmp/cytaty.dbc" "${files[@]}" 2>summary.txt; then
  cat summary.txt
  echo "FAIL: tavir-cli import exited non-zero"
  exit 1
fi
cat summary.txt
figure() { sed -n "s/^$1: //p" summary.txt; }
read_=$(figure "entries read")
written=$(figure "entries written")
empty=$(figure "empty entries dropped")
duplicates=$(figure "duplicates dropped")
joined=$(figure "entries joined from several lines")

[[ $read_ == "$expected_read" ]] && pass "entries read: $read_" ||
  fail "entries read $read_, awk counted $expected_read"
[[ $empty == "$expected_empty" ]] && pass "empty entries: $empty" ||
  fail "empty entries $empty, awk counted $expected_empty"
[[ $written == "$expected_distinct" ]] && pass "entries written: $written" ||
  fail "entries written $written, awk found $expected_distinct distinct"
[[ $joined == "$expected_joined" ]] && pass "entries joined: $joined" ||
  fail "entries joined $joined, awk found $expected_joined"
((read_ == written + empty + duplicates)) && pass "read = written + empty + duplicates" ||
  fail "read $read_ is not written $written + empty $empty + duplicates $duplicates"

count=$("$cli" --file "$tmp/cytaty.dbc" count)
[[ $count == "$written" ]] && pass "tavir-cli count: $count" ||
  fail "tavir-cli count says $count, the summary $written"

# The file itself: Windows-1250, CR LF after every line, the closing line last.
lines=$(wc -l <cytaty.dbc)
crlf=$(grep -c $'\r$' cytaty.dbc)
[[ $lines == "$crlf" && $(tail -c 2 cytaty.dbc | od -An -c | tr -d ' ') == '\r\n' ]] &&
  pass "CR LF after all $lines lines" || fail "$crlf of $lines lines end in CR LF"
last=$(tail -n 1 cytaty.dbc | tr -d '\r' | iconv -f WINDOWS-1250 -t UTF-8)
[[ $last == "Koniec bazy cytatów" ]] && pass "closing line last" || fail "last line: $last"
iconv -f WINDOWS-1250 -t UTF-8 cytaty.dbc >/dev/null && pass "valid Windows-1250" ||
  fail "not valid Windows-1250"
# Standard output carries the same bytes.
"$cli" import "${files[@]}" 2>/dev/null | cmp -s - cytaty.dbc && pass "stdout = --output" ||
  fail "standard output differs from the --output file"

echo "failures: $failures"
((failures == 0))
