#!/bin/sh
# The bench tools answer --help with their usage and refuse options they do not know, never
# taking one for a file name. Run from a scratch folder, so a stray file would show.
set -u
status=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
for tool in "$@"; do
    name=$(basename "$tool")
    out=$("$tool" --help 2>/dev/null); code=$?
    case "$out" in
        "usage: $name"*) ;;
        "benchmark ["*) ;; # Google Benchmark's own usage
        *) echo "$name --help printed: $out"; status=1 ;;
    esac
    [ "$code" -eq 0 ] || { echo "$name --help exited $code"; status=1; }
    "$tool" --frob >/dev/null 2>&1; code=$?
    [ "$code" -ne 0 ] || { echo "$name --frob exited 0"; status=1; }
    if [ -n "$(ls -A)" ]; then echo "$name left: $(ls -A)"; status=1; rm -rf ./* ./.[!.]*; fi
done
exit $status
