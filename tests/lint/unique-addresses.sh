#!/bin/sh
# Tests run in parallel and each binds the agent port on a loopback address
# of its own; two tests naming the same address collide only now and then,
# so the clash is caught here, every run, instead.
# Usage: unique-addresses.sh SOURCE_DIR
set -eu
cd "$1"
clashes=$(
    grep -rnoE --include='*.cpp' --include='*.h' '"127\.[0-9]+\.[0-9]+\.[0-9]+"' tests bench |
    while IFS=: read -r file line address; do
        test=$(head -n "$line" "$file" | grep -E '^(TEST|TEST_F|TEST_P|INSTANTIATE_TEST_SUITE_P)\(' | tail -n 1)
        printf '%s\t%s %s\n' "$address" "$file" "${test:-(file scope)}"
    done | sort -u |
    awk -F '\t' '{ n[$1]++; where[$1] = where[$1] "\n    " $2 } END { for (a in n) if (n[a] > 1) print a where[a] }'
)
if [ -n "$clashes" ]; then
    echo "loopback addresses used by more than one test:"
    echo "$clashes"
    exit 1
fi
