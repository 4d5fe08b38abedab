#!/usr/bin/env bash
# Runs a command with random failures of libc calls injected by libfiu's
# preload library (fiu-run from Debian's fiu-utils):
#
#   tests/fault/under-faults.sh PROBABILITY CALL... -- COMMAND [ARGS...]
#
# CALL is a call the library wraps (send, recv, write, read, accept, connect,
# ...) or a full failure point name (posix/io/net/send). Each fails with the
# given probability (0.03 = 3 %) and a random errno that the call may return.
# The command replaces this script, so its process ID and exit status are
# the command's own. Fault stages of scripts/test share this runner.
set -euo pipefail

if [ $# -lt 3 ]; then
  echo "usage: $0 PROBABILITY CALL... -- COMMAND [ARGS...]" >&2
  exit 2
fi
if ! command -v fiu-run >/dev/null 2>&1; then
  echo "$0: fiu-run not found (Debian package fiu-utils; scripts/install-deps installs it)" >&2
  exit 2
fi

probability=$1
shift
enable=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  case $1 in
    */*) point=$1 ;;
    send | recv | recvfrom | recvmsg | sendto | sendmsg | accept | connect) point=posix/io/net/$1 ;;
    read | write | pread | pwrite | readv | writev) point=posix/io/rw/$1 ;;
    *) echo "$0: unknown call $1" >&2; exit 2 ;;
  esac
  enable+=(-c "enable_random name=$point,probability=$probability")
  shift
done
if [ $# -lt 2 ]; then
  echo "$0: no command after --" >&2
  exit 2
fi
shift

# No control fifo: nothing steers the failures while the command runs.
exec fiu-run -x -f "" "${enable[@]}" "$@"
