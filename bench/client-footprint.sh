#!/usr/bin/env bash
# The client's start time and idle memory against the least a Qt Widgets
# program does to show a dialog (minimal_dialog), both started the same way,
# watched by the same preloaded probe (libnimbo_start_probe.so) and measured
# in the same rounds:
#
#   start   from the moment the program is started until its first dialog
#           (the login dialog) has been painted;
#   memory  resident memory (VmRSS) once it is idle: the yardstick showing
#           its dialog, the client signed in to nimbo-agentd with a list of
#           BUDDIES buddies shown, each after SETTLE seconds of quiet.
#
#   bench/client-footprint.sh [BUILD_DIR] [ROUNDS] [BUDDIES]    # build 5 500
#
# Needs the targets nimbo nimbo-agentd minimal_dialog nimbo_start_probe
# footprint_directory. Runs headless (QT_QPA_PLATFORM=offscreen unless set).
# The server listens on NIMBO_BENCH_ADDRESS (127.0.17.3) port 10000: run it
# in a network namespace of its own when other servers may be about.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
rounds=${2:-5}
buddies=${3:-500}
address=${NIMBO_BENCH_ADDRESS:-127.0.17.3}
settle=${SETTLE:-2}
bin="$build/bin"
probe="$PWD/$bin/libnimbo_start_probe.so"
for program in nimbo nimbo-agentd minimal_dialog footprint_directory libnimbo_start_probe.so; do
  [ -e "$bin/$program" ] || { echo "client-footprint: $bin/$program is missing; build it first" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/nimbo-footprint.XXXXXX")
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME/Halvorn" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# The login dialog comes up filled in, as after an earlier sign-in.
printf '[General]\nUser%%20ID=kim\nPassword=nimbo\n' >"$XDG_CONFIG_HOME/Halvorn/Nimbo.conf"

"$bin/footprint_directory" "$work/agentd.sqlite" kim nimbo "$buddies"
"$bin/nimbo-agentd" --db "$work/agentd.sqlite" --listen "$address" 2>"$work/agentd.log" &
server=$!
for _ in $(seq 1 100); do
  (exec 3<>"/dev/tcp/$address/10000") 2>/dev/null && break
  sleep 0.1
done

# Waits for the probe's line WORD in FILE; prints its milliseconds.
await() {
  local word=$1 file=$2
  for _ in $(seq 1 600); do
    if [ -f "$file" ] && grep -q "^$word " "$file"; then
      grep "^$word " "$file" | head -n1 | cut -d' ' -f2
      return 0
    fi
    sleep 0.05
  done
  echo "client-footprint: no '$word' from the probe" >&2
  return 1
}

# run NAME WORD PROGRAM...: starts the program under the probe, waits for
# WORD, lets it settle, prints "START_MS RSS_KB".
run() {
  local name=$1 word=$2
  shift 2
  local out="$work/$name.probe"
  rm -f "$out"
  NIMBO_PROBE_OUT="$out" NIMBO_PROBE_LAUNCH=$(date +%s%N) LD_PRELOAD="$probe" "$@" >"$work/$name.log" 2>&1 &
  local pid=$!
  local start
  start=$(await dialog "$out")
  await "$word" "$out" >/dev/null
  sleep "$settle"
  local rss
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "$start $rss"
}

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

rows=$((buddies + (buddies + 19) / 20))
echo "client-footprint: $rounds rounds, $buddies buddies ($rows rows), platform $QT_QPA_PLATFORM, settle ${settle}s"
printf '%-6s %14s %14s %12s %12s\n' round "minimal start" "nimbo start" "minimal KB" "nimbo KB"
: >"$work/figures"
for round in $(seq 1 "$rounds"); do
  read -r minStart minRss < <(run minimal dialog "$bin/minimal_dialog")
  read -r appStart appRss < <(NIMBO_PROBE_ACCEPT=1 NIMBO_PROBE_ROWS=$rows run nimbo rows "$bin/nimbo" --host "$address")
  printf '%-6s %11s ms %11s ms %12s %12s\n' "$round" "$minStart" "$appStart" "$minRss" "$appRss"
  echo "$minStart $appStart $minRss $appRss" >>"$work/figures"
done

column() { awk -v c="$1" '{print $c}' "$work/figures" | median; }
minStart=$(column 1) appStart=$(column 2) minRss=$(column 3) appRss=$(column 4)
echo "medians: start minimal $minStart ms, nimbo $appStart ms; memory minimal $minRss KB, nimbo $appRss KB"
awk -v a="$appStart" -v m="$minStart" 'BEGIN {printf "ratio start nimbo/minimal:  %.2f (goal <= 1.5)\n", a / m}'
awk -v a="$appRss" -v m="$minRss" 'BEGIN {printf "ratio memory nimbo/minimal: %.2f (goal <= 1.25)\n", a / m}'
