#!/usr/bin/env bash
# Fault stage of nimbo-agentd: the server runs under random failures of
# send, recv, write and accept while agentd_fault_driver puts a few hundred
# client sessions through it. Passes when the server kept serving (every
# session completed, with retries as a user would retry), no note answered
# "OK" was lost or duplicated, and the server still stopped cleanly.
#
#   tests/fault/agentd-faults.sh [BUILD_DIR] [PROBABILITY]      (build 0.03)
#
# Run it in a network namespace of its own (as scripts/test does), or on a
# machine where 127.0.30.1 ports 10000 and 10001 are free.
set -uo pipefail
cd "$(dirname "$0")/../.."

build=${1:-build}
probability=${2:-0.03}
address=127.0.30.1
users=${NIMBO_FAULT_USERS:-48}
sessions=${NIMBO_FAULT_SESSIONS:-300}
notes=${NIMBO_FAULT_NOTES:-4}

work=$(mktemp -d "${TMPDIR:-/tmp}/nimbo-faults-XXXXXX")
trap '[ -n "${NIMBO_FAULT_KEEP:-}" ] || rm -rf "$work"' EXIT
"$build/bin/agentd_fault_driver" prepare "$work/agentd.sqlite" "$users" || exit 1

tests/fault/under-faults.sh "$probability" send recv write accept -- \
  "$build/bin/nimbo-agentd" --db "$work/agentd.sqlite" --listen "$address" --max-per-address 256 \
  2>"$work/agentd.log" &
server=$!
for _ in $(seq 100); do
  nc -z "$address" 10000 2>/dev/null && break
  sleep 0.1
done

"$build/bin/agentd_fault_driver" run "$address" "$users" "$sessions" "$notes"
driver=$?

kill -TERM "$server"
wait "$server"
status=$?
echo "server: $(grep -c ' accepted$' "$work/agentd.log") connections, $(grep -c 'error #' "$work/agentd.log") failed calls logged, $(grep -c 'go back to the box' "$work/agentd.log") returns of unacknowledged notes, exit status $status"
if [ "$status" -ne 0 ]; then
  tail -n 20 "$work/agentd.log"
fi
[ "$driver" -eq 0 ] && [ "$status" -eq 0 ]
