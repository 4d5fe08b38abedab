#!/usr/bin/env bash
# File transfers between two nimbo-cli processes (send-file and
# listen --accept-files) through nimbo-agentd, while libfiu makes random
# read, write, send, recv or open calls fail in the sender, the receiver or
# both. Every run must end in one of two ways only:
#   done    both sides report done and the file arrived identical;
#   failed  at least one side reports a failure (an exit status other than
#           0, or an end other than done), and no side reports done for a
#           file that differs.
# Anything else is a violation: a side reports done for a file that differs,
# neither side reports the failure, a receive taken ends without its one
# file line, a side dies of a signal, or one does not end when it should.
# Prints the counts and exits non-zero when any run was a violation.
#
#   tests/fault/transfer-faults.sh [BUILD_DIR] [RUNS]       (build 80)
#
# BUILD_DIR is a plain (not sanitized) build with nimbo-cli and nimbo-agentd.
# NIMBO_FAULT_SEED repeats the random choices of an earlier run; no further
# run starts once NIMBO_FAULT_SECONDS (80) have passed, and a run that hangs
# is stopped within 40 s, so the stage stays within two minutes. Run it in a
# network namespace of its own, or on a machine where 127.0.20.1 ports 10000
# and 10001 are free.
set -uo pipefail

build=${1:-build}
runs=${2:-80}
budget=${NIMBO_FAULT_SECONDS:-80}
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
read -ra probabilities <<<"${NIMBO_FAULT_PROBABILITIES:-0.005 0.02 0.08}"

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

# Gives process $1 up to $2 tenths of a second to end, then kills it. Sets
# status to its exit status, and hung to 1 when it had to be killed.
reap() {
  local process=$1
  wait_for "$process" "$2" false
  hung=0
  running "$process" && hung=1 && kill -KILL "$process" 2>/dev/null
  wait "$process"
  status=$?
}

# Whether exit status $1 is a death by a signal other than the SIGTERM this
# script sends (a process stopped before it could take the signal).
crashed() { [ "$1" -gt 128 ] && [ "$1" -ne $((128 + 15)) ]; }

# The end codes in the lines of file $1 that start with $2.
ends() { awk -F '\t' -v kind="$2" '$1 == kind { print $NF }' "$1"; }

# One transfer, with `point` failing at `probability` in the `faulted` side
# (sender, receiver or both); sets outcome to done, failed or VIOLATION, with
# why and reporters.
run_once() {
  local dir=$1 faulted=$2 point=$3 probability=$4
  mkdir -p "$dir/inbox"
  local send_prefix=() receive_prefix=()
  local injected=("$under_faults" "$probability" "$point" --)
  [ "$faulted" != receiver ] && send_prefix=("${injected[@]}")
  [ "$faulted" != sender ] && receive_prefix=("${injected[@]}")

  : >"$dir/send.out"; : >"$dir/receive.out"
  "${receive_prefix[@]}" "${lee[@]}" listen --accept-files "$dir/inbox" --seconds 60 \
    >"$dir/receive.out" 2>"$dir/receive.err" &
  local receiver=$!
  # A note is kept for lee until its notification connection stands: once
  # it arrives, lee can be offered files.
  "${kim[@]}" note lee ready >/dev/null 2>&1
  wait_for "$receiver" 30 grep -q '^note' "$dir/receive.out"

  "${send_prefix[@]}" "${kim[@]}" send-file lee "$sample" --seconds 6 >"$dir/send.out" 2>"$dir/send.err" &
  local sender=$!
  # A receiver that has gone can no longer take the file; a sender gives up
  # by itself after its 6 seconds.
  for _ in $(seq 240); do
    running "$sender" || break
    running "$receiver" || { kill -TERM "$sender" 2>/dev/null; break; }
    sleep 0.05
  done
  reap "$sender" 50
  local send_status=$status
  local sender_hung=$hung
  # The receiver reports each file it took when its receive ends.
  wait_for "$receiver" 50 test "$(grep -c '^file' "$dir/receive.out")" -ge "$(grep -c '^offer' "$dir/receive.out")"
  kill -TERM "$receiver" 2>/dev/null
  reap "$receiver" 150
  local receive_status=$status receiver_hung=$hung

  local sent=() received_ends=() offers files
  mapfile -t sent < <(ends "$dir/send.out" end)
  mapfile -t received_ends < <(ends "$dir/receive.out" file)
  offers=$(grep -c '^offer' "$dir/receive.out")
  files=${#received_ends[@]}
  local sent_done=0 received_done=0 send_failed=0 receive_failed=0 received
  [ "$send_status" -eq 0 ] && [ "${sent[*]}" = TE_SEND_DONE ] && sent_done=1
  [ "$send_status" -ne 0 ] || { [ ${#sent[@]} -gt 0 ] && [ "${sent[*]}" != TE_SEND_DONE ]; } && send_failed=1
  received=$(awk -F '\t' '$1 == "file" && $3 == "TE_RECV_DONE" { print $2 }' "$dir/receive.out")
  [ -n "$received" ] && received_done=1
  [ "$receive_status" -ne 0 ] || { [ "$files" -gt 0 ] && printf '%s\n' "${received_ends[@]}" | grep -qv '^TE_RECV_DONE$'; } &&
    receive_failed=1

  outcome=VIOLATION
  if [ "$sender_hung" -eq 1 ] || [ "$receiver_hung" -eq 1 ]; then
    why="a side did not end when it should (sender $sender_hung, receiver $receiver_hung)"
  elif crashed "$send_status" || crashed "$receive_status"; then
    why="a side died of a signal (exit status: sender $send_status, receiver $receive_status)"
  elif [ "$files" -gt "$offers" ] || { [ "$files" -lt "$offers" ] && [ "$receive_status" -eq 0 ]; }; then
    why="$offers offers taken, $files file lines"
  elif [ $received_done -eq 1 ] && ! cmp -s "$sample" "$received"; then
    why="the receiver reports done for a file that differs"
  elif [ $sent_done -eq 1 ] && ! cmp -s "$sample" "$dir/inbox/sample.bin"; then
    why="the sender reports done for a file that differs"
  elif [ $sent_done -eq 1 ] && [ $received_done -eq 1 ] && [ $send_failed -eq 0 ] && [ $receive_failed -eq 0 ]; then
    outcome="done"
  elif [ $send_failed -eq 1 ] || [ $receive_failed -eq 1 ]; then
    outcome=failed
    reporters=both
    [ $send_failed -eq 0 ] && reporters=receiver
    [ $receive_failed -eq 0 ] && reporters=sender
  else
    why="no side reports a failure, yet not both report done"
  fi
}

began=$SECONDS
done_count=0
failed_count=0
violations=0
declare -A failed_by reported_by
ran=0
for run in $(seq "$runs"); do
  [ $((SECONDS - began)) -lt "$budget" ] || break
  ran=$run
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
echo "transfers: $ran of $runs in $((SECONDS - began)) s (seed $seed)"
echo "done: $done_count (both sides done, the file identical)"
echo "failed: $failed_count (reported by the sender ${reported_by[sender]:-0}, the receiver" \
  "${reported_by[receiver]:-0}, both ${reported_by[both]:-0}) under $(IFS=,; echo "${under[*]}" | sed "s/,/, /g")"
echo "other: $violations"
[ "$violations" -eq 0 ]
