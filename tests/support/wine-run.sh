#!/usr/bin/env bash
# Runs a test program under Wine for CTest.
#
# Now and then Wine fails to start a program at all: its loader hands the
# command to start.exe, which prints "ShellExecuteEx failed" on standard output
# before any of the program's code has run. Only such a start is tried again.
#
# The program writes to files that are streamed on as they grow, not to CTest's
# pipe: Wine hands a program's Unix output to every process it starts, and one
# that outlives the test would keep the pipe, and so the run, open. The wrapper
# ends when the program does.
out=$(mktemp) err=$(mktemp)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -f "$out" "$err"' EXIT
for attempt in 1 2 3; do
    : >"$out"
    : >"$err"
    wine "$@" >"$out" 2>"$err" </dev/null &
    pid=$!
    tail -n +1 -s 0.2 -f --pid="$pid" "$out" &
    pids=($pid $!)
    tail -n +1 -s 0.2 -f --pid="$pid" "$err" >&2 &
    pids+=($!)
    wait "$pid"
    rc=$?
    wait "${pids[@]:1}"
    pids=()
    if [ "$rc" -ne 0 ] && grep -qs "ShellExecuteEx failed" "$out"; then
        echo "wine-run: Wine could not start $1 (attempt $attempt of 3)" >&2
        sleep 2
        continue
    fi
    break
done
exit "$rc"
