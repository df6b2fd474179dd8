#!/usr/bin/env bash
# Runs a test program under Wine for CTest. Now and then Wine fails to start a
# program at all: its loader hands the command to start.exe, which prints
# "ShellExecuteEx failed" on standard output before any of the program's code
# has run. Only such a start is tried again; whatever the program itself prints
# or returns is passed through as it comes.
set -o pipefail
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for attempt in 1 2 3; do
    wine "$@" | tee "$out"
    rc=$?
    if [ "$rc" -ne 0 ] && grep -qs "ShellExecuteEx failed" "$out"; then
        echo "wine-run: Wine could not start $1 (attempt $attempt of 3)" >&2
        sleep 2
        continue
    fi
    break
done
exit "$rc"
