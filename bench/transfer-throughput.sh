#!/usr/bin/env bash
# Throughput of a file transfer between two processes over loopback: the
# project's sending and receiving workers (transfer_bench_driver, 4096-byte
# blocks on the wire) against nc piping the same file in the same run. Each
# round runs both back to back, so that they share the machine's load; prints
# MiB/s and CPU seconds (both processes) of each per round, then the medians
# and the median of the per-round ratios (the goal is a throughput ratio of
# at least 0.9).
#
# usage: bench/transfer-throughput.sh [BUILD_DIR] [SIZE_MIB] [ROUNDS]
#   BUILD_DIR  a build with the benchmarks (default: build)
#   SIZE_MIB   file size (default: 512)
#   ROUNDS     rounds (default: 5)
set -euo pipefail

build=${1:-build}
size_mib=${2:-512}
rounds=${3:-5}
driver=$build/bin/transfer_bench_driver
[ -x "$driver" ] || { echo "no $driver: cmake --build $build --target transfer_bench_driver" >&2; exit 1; }
command -v nc >/dev/null || { echo "nc is missing: scripts/install-deps" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source_file=$work/source
head -c "$((size_mib << 20))" /dev/urandom >"$source_file"

# Prints "MIB_PER_SECOND CPU_SECONDS" for the command run as "$@" (both
# sides: whatever it starts and waits for counts).
measure() {
  local TIMEFORMAT='%R %U %S' real user sys
  { time "$@" >/dev/null; } 2>"$work/time"
  read -r real user sys <"$work/time"
  awk -v mib="$size_mib" -v r="$real" -v u="$user" -v s="$sys" 'BEGIN { printf "%.1f %.2f", mib / r, u + s }'
}

# The sender listens (its port on its standard output) before the clock starts.
nimbo_round() {
  "$driver" receive 127.0.0.1 "$(cat "$work/port")" "$((size_mib << 20))" "$work/nimbo.out"
  wait "$sender"
}

run_nimbo() {
  rm -f "$work/nimbo.out" "$work/port"
  "$driver" send 127.0.0.1 "$source_file" >"$work/port" &
  sender=$!
  until [ -s "$work/port" ]; do sleep 0.05; done
  measure nimbo_round
  cmp -s "$source_file" "$work/nimbo.out" || { echo "nimbo: the received file differs" >&2; exit 1; }
}

nc_round() {
  nc -N 127.0.0.1 "$port" <"$source_file"
  wait "$listener"
}

run_nc() {
  port=$((20000 + RANDOM % 10000))
  rm -f "$work/nc.out"
  nc -l 127.0.0.1 "$port" >"$work/nc.out" </dev/null &
  listener=$!
  sleep 0.3
  measure nc_round
  cmp -s "$source_file" "$work/nc.out" || { echo "nc: the received file differs" >&2; exit 1; }
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

nimbo_rates=()
nc_rates=()
ratios=()
cpu_ratios=()
for round in $(seq "$rounds"); do
  read -r nimbo nimbo_cpu <<<"$(run_nimbo)"
  read -r nc_rate nc_cpu <<<"$(run_nc)"
  nimbo_rates+=("$nimbo")
  nc_rates+=("$nc_rate")
  ratios+=("$(awk -v a="$nimbo" -v b="$nc_rate" 'BEGIN { printf "%.2f", a / b }')")
  cpu_ratios+=("$(awk -v a="$nimbo_cpu" -v b="$nc_cpu" 'BEGIN { printf "%.2f", a / b }')")
  echo "round $round: nimbo $nimbo MiB/s (${nimbo_cpu} s CPU), nc $nc_rate MiB/s (${nc_cpu} s CPU)," \
    "ratio ${ratios[-1]}"
done
echo "median of $rounds rounds, $size_mib MiB over loopback:" \
  "nimbo $(printf '%s\n' "${nimbo_rates[@]}" | median) MiB/s, nc $(printf '%s\n' "${nc_rates[@]}" | median) MiB/s"
echo "CPU time ratio nimbo/nc: $(printf '%s\n' "${cpu_ratios[@]}" | median)"
echo "throughput ratio nimbo/nc: $(printf '%s\n' "${ratios[@]}" | median)"
