#!/usr/bin/env bash
# On 32-bit Windows every suite is linked into one program, all_tests, where two test suites of
# the same name from different programs collide (GoogleTest refuses a suite whose tests use
# different fixtures; a repeated test does not even link). This lists the suites of every
# program and fails on a name that two programs use, long before the slow 32-bit run would.
#   suite_names_test.sh <test program>...
set -u
listing=""
for program in "$@"; do
    if ! names=$("$program" --gtest_list_tests); then
        echo "cannot list the tests of $program"
        exit 1
    fi
    listing+=$(awk -v p="$(basename "$program")" \
        '/^[^ ]/ && $1 ~ /\.$/ { sub(/\.$/, "", $1); print $1, p }' <<<"$names")$'\n'
done
listing=$(sort -u <<<"$listing" | grep .)
clashes=$(awk '{ n[$1]++; in_[$1] = in_[$1] " " $2 } END { for (s in n) if (n[s] > 1) print s ":" in_[s] }' \
    <<<"$listing")
if [ -n "$clashes" ]; then
    echo "test suites of the same name in different programs (they share all_tests on 32-bit Windows):"
    echo "$clashes"
    exit 1
fi
echo "$(wc -l <<<"$listing") test suites in $# programs, every name distinct"
