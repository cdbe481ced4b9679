#!/usr/bin/env bash
# Checks scripts/wine-run with a probe program: exit codes pass through, arguments arrive
# intact, framework reports go to standard error instead of a modal box, and the time limit
# kills the program together with the processes it started.
#   wine_run_test.sh <wine-run> <arch> <wine_probe.exe>
set -u
run=$1
arch=$2
probe=$3
failures=0

check() { # check <description> <condition...>
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        failures=$((failures + 1))
    fi
}

"$run" "$arch" "$probe" exit 0
check "exit code 0 passes through" [ $? -eq 0 ]
"$run" "$arch" "$probe" exit 3
check "exit code 3 passes through" [ $? -eq 3 ]

# Windows programs end their lines with CR LF.
out=$("$run" "$arch" "$probe" args "two words" "" 'C:\dir\file' "-x" | tr -d '\r')
expected=$(printf '%s\n' "[two words]" "[]" '[C:\dir\file]' "[-x]")
check "arguments arrive as given" [ "$out" = "$expected" ]

err=$(TORV_TEST_TIMEOUT=120 "$run" "$arch" "$probe" report "probe message" 2>&1 >/dev/null)
status=$?
err=$(tr -d '\r' <<<"$err")
check "a framework report does not wait for a click" [ $status -eq 0 ]
check "the report is written to standard error" \
    grep -q "^Error: probe message$" <<<"$err"

"$run" "$arch" "$probe" nonexistent-mode 2>/dev/null
check "a usage error is a failure" [ $? -eq 2 ]
"$run" "$arch" "/nonexistent/program.exe" 2>/dev/null
check "a missing program is a failure" [ $? -ne 0 ]

# A program that starts a child and waits for it: on the time limit both must go.
tag="torv-probe-$$-$RANDOM"
started=$SECONDS
out=$(TORV_TEST_TIMEOUT=20 "$run" "$arch" "$probe" spawn 300 "$tag" 2>/dev/null)
status=$?
out=$(tr -d '\r' <<<"$out")
check "the time limit is reported as 124" [ $status -eq 124 ]
check "the child was started before the limit" [ "$out" = "spawned" ]
check "the limit is kept (took $((SECONDS - started)) s)" [ $((SECONDS - started)) -lt 60 ]
# "[t]" keeps grep from finding its own command line.
left() { grep -l -a -s "[t]${tag:1}" /proc/[0-9]*/cmdline; }
for _ in $(seq 20); do
    [ -z "$(left)" ] && break
    sleep 0.5
done
check "no process of the program is left" [ -z "$(left)" ]

# A process that outlives the program and keeps its output open (as Wine's services do when
# the program started them) must not keep the caller waiting.
tag="torv-probe-$$-$RANDOM"
started=$SECONDS
out=$("$run" "$arch" "$probe" detach 300 "$tag")
status=$?
out=$(tr -d '\r' <<<"$out")
check "a program whose child outlives it ends with it" [ $status -eq 0 ]
check "the child was started" [ "$out" = "spawned" ]
check "its child does not hold the caller (took $((SECONDS - started)) s)" \
    [ $((SECONDS - started)) -lt 60 ]
for pid in $(left | cut -d/ -f3); do kill "$pid" 2>/dev/null; done

if [ $failures -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
