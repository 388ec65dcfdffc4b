#!/usr/bin/env bash
# Runs a command and says how long it took: `timed.sh LABEL COMMAND...`.
label="$1"
shift
start=$(date +%s)
"$@"
status=$?
echo "== $label: $(( $(date +%s) - start )) s (exit status $status)"
exit $status
