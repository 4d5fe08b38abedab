#!/usr/bin/env bash
# File transfers between two nimbo-cli processes (send-file and
# listen --accept-files) through nimbo-agentd, while libfiu makes random
# read, write, send, recv or open calls fail in the sender, the receiver or
# both. Every run must end in one of two ways only:
#   done    both sides report done and the file arrived identical;
#   failed  at least one side reports a failure, and no side reports done
#           for a file that differs.
# Prints the counts and exits non-zero when any run ended otherwise.
#
#   tests/fault/transfer-faults.sh [BUILD_DIR] [RUNS]       (build 80)
#
# BUILD_DIR is a plain (not sanitized) build with nimbo-cli and nimbo-agentd.
# NIMBO_FAULT_SEED repeats the random choices of an earlier run. Run it in a
# network namespace of its own, or on a machine where 127.0.20.1 ports 10000
# and 10001 are free.
set -uo pipefail

build=${1:-build}
runs=${2:-80}
cli=$build/bin/nimbo-cli
agentd=$build/bin/nimbo-agentd
under_faults=$(dirname "$0")/under-faults.sh
address=127.0.20.1
seed=${NIMBO_FAULT_SEED:-$((SRANDOM % 32768))}
RANDOM=$seed

for program in "$cli" "$agentd"; do
  [ -x "$program" ] || { echo "no $program: build it first" >&2; exit 1; }
done

points=(posix/io/rw/read posix/io/rw/write posix/io/net/send posix/io/net/recv posix/io/oc/open)
probabilities=(${NIMBO_FAULT_PROBABILITIES:-0.005 0.02 0.08})

work=$(mktemp -d)
server=
cleanup() {
  # A background child killed before it started its program runs this too.
  [ "$BASHPID" = "$$" ] || return
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap "cleanup 2>/dev/null" EXIT

"$agentd" --db "$work/agentd.sqlite" user add kim <<<"pass" >/dev/null &&
  "$agentd" --db "$work/agentd.sqlite" user add lee <<<"pass" >/dev/null &&
  "$agentd" --db "$work/agentd.sqlite" group add kim friends lee >/dev/null ||
  { echo "cannot set up the agent server's users" >&2; exit 1; }
"$agentd" --db "$work/agentd.sqlite" --listen "$address" 2>"$work/agentd.log" &
server=$!
for _ in $(seq 200); do nc -z "$address" 10000 2>/dev/null && break; sleep 0.05; done
nc -z "$address" 10000 || { echo "the agent server did not start" >&2; exit 1; }

sample=$work/sample.bin
head -c $((1 << 20)) /dev/urandom >"$sample"

kim=("$cli" --host "$address" --user kim --password pass)
lee=("$cli" --host "$address" --user lee --password pass)

# Whether process $1 still runs.
running() { kill -0 "$1" 2>/dev/null; }

# Waits up to $2 tenths of a second for command "$@" after the first two
# words to succeed, or for process $1 to end.
wait_for() {
  local process=$1 tenths=$2
  shift 2
  for _ in $(seq $((tenths * 2))); do
    "$@" && return 0
    running "$process" || return 1
    sleep 0.05
  done
  return 1
}

# One transfer, with `point` failing at `probability` in the `faulted` side
# (sender, receiver or both); sets outcome to done, failed or VIOLATION and why.
run_once() {
  local dir=$1 faulted=$2 point=$3 probability=$4
  mkdir -p "$dir/inbox"
  local send_prefix=() receive_prefix=()
  local injected=("$under_faults" "$probability" "$point" --)
  [ "$faulted" != receiver ] && send_prefix=("${injected[@]}")
  [ "$faulted" != sender ] && receive_prefix=("${injected[@]}")

  : >"$dir/send.out"; : >"$dir/receive.out"
  "${receive_prefix[@]}" "${lee[@]}" listen --accept-files "$dir/inbox" --seconds 30 \
    >"$dir/receive.out" 2>"$dir/receive.err" &
  local receiver=$!
  # A note is kept for lee until its notification connection stands: once
  # it arrives, lee can be offered files.
  "${kim[@]}" note lee ready >/dev/null 2>&1
  wait_for "$receiver" 30 grep -q '^note' "$dir/receive.out"

  "${send_prefix[@]}" "${kim[@]}" send-file lee "$sample" --seconds 6 >"$dir/send.out" 2>"$dir/send.err" &
  local sender=$!
  # A receiver that has gone can no longer take the file.
  while running "$sender"; do
    running "$receiver" || { kill -TERM "$sender" 2>/dev/null; break; }
    sleep 0.05
  done
  wait "$sender"
  local send_status=$?
  # The receiver reports each file it took when its receive ends.
  wait_for "$receiver" 50 test "$(grep -c '^file' "$dir/receive.out")" -ge "$(grep -c '^offer' "$dir/receive.out")"
  kill -TERM "$receiver" 2>/dev/null
  wait "$receiver"
  local receive_status=$?

  local sent_done=0 received_done=0 identical=0 received
  [ "$send_status" -eq 0 ] && grep -qx $'end\tTE_SEND_DONE' "$dir/send.out" && sent_done=1
  received=$(awk -F '\t' '$1 == "file" && $3 == "TE_RECV_DONE" { print $2 }' "$dir/receive.out")
  [ -n "$received" ] && received_done=1
  [ -n "$received" ] && cmp -s "$sample" "$received" && identical=1
  if [ $sent_done -eq 1 ] && [ $received_done -eq 1 ] && [ "$receive_status" -eq 0 ] && [ $identical -eq 1 ]; then
    outcome=done
  elif [ $sent_done -eq 1 ] && [ $received_done -eq 1 ] && [ "$receive_status" -eq 0 ]; then
    outcome=VIOLATION why="both report done for a file that differs"
  elif [ $received_done -eq 1 ] && [ $identical -eq 0 ]; then
    outcome=VIOLATION why="the receiver reports done for a file that differs"
  elif [ $sent_done -eq 1 ] && ! cmp -s "$sample" "$dir/inbox/sample.bin"; then
    outcome=VIOLATION why="the sender reports done for a file that differs"
  elif [ $sent_done -eq 0 ] || [ $received_done -eq 0 ] || [ "$receive_status" -ne 0 ]; then
    outcome=failed
    reporters=both
    [ $sent_done -eq 1 ] && reporters=receiver
    [ $received_done -eq 1 ] && [ "$receive_status" -eq 0 ] && reporters=sender
  else
    outcome=VIOLATION why="no side reports a failure, yet not both report done"
  fi
}

began=$SECONDS
done_count=0
failed_count=0
violations=0
declare -A failed_by reported_by
for run in $(seq "$runs"); do
  sides=(sender receiver both)
  faulted=${sides[RANDOM % 3]}
  point=${points[RANDOM % ${#points[@]}]}
  probability=${probabilities[RANDOM % ${#probabilities[@]}]}
  why=
  run_once "$work/run$run" "$faulted" "$point" "$probability"
  case $outcome in
    done) done_count=$((done_count + 1)) ;;
    failed)
      failed_count=$((failed_count + 1))
      failed_by[$point]=$((${failed_by[$point]:-0} + 1))
      reported_by[$reporters]=$((${reported_by[$reporters]:-0} + 1))
      ;;
    *)
      violations=$((violations + 1))
      echo "run $run ($faulted, $point, $probability): $why" >&2
      for log in send.out send.err receive.out receive.err; do
        echo "--- $log" >&2
        tail -n 5 "$work/run$run/$log" >&2
      done
      ;;
  esac
  rm -rf "$work/run$run"
done

under=()
for point in "${points[@]}"; do
  under+=("${point##*/} ${failed_by[$point]:-0}")
done
echo "transfers: $runs in $((SECONDS - began)) s (seed $seed)"
echo "done: $done_count (both sides done, the file identical)"
echo "failed: $failed_count (reported by the sender ${reported_by[sender]:-0}, the receiver" \
  "${reported_by[receiver]:-0}, both ${reported_by[both]:-0}; under $(IFS=,; echo "${under[*]}" | sed 's/,/, /g'))"
echo "other: $violations"
[ "$violations" -eq 0 ]
