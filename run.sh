#!/usr/bin/env bash
# Installs what is missing, builds the runnable tree in build/ and starts the game from its bin/
# folder (under Xvfb, without sound, when there is no display). Arguments are passed to the game.
set -euo pipefail
root="$(cd "$(dirname "$(readlink -f "$0")")" && pwd)"
cd "$root"
source tools/ensure-packages.sh
tolva_ensure_packages

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target spindlewake

cd build/bin
if [ -z "${DISPLAY:-}" ]; then
  # Nobody listens to a game under its own Xvfb: OpenAL Soft's null backend mixes into nothing,
  # so a machine without a sound card starts too.
  export ALSOFT_DRIVERS=null
  # The server runs in a session of its own: Ctrl-C at the terminal goes to the terminal's whole
  # process group, and the game needs its display until it has shut down in order and written its
  # files back. The server picks a free display and writes its number to fd 3.
  display_file="$(mktemp)"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 +extension GLX -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -f "$display_file"' EXIT
  for _ in $(seq 100); do
    if grep -q '^[0-9][0-9]*$' "$display_file" 2>/dev/null || ! kill -0 "$xvfb" 2>/dev/null; then
      break
    fi
    sleep 0.1
  done
  display="$(cat "$display_file")"
  if [ -z "$display" ]; then
    echo "No display, and Xvfb could not be started." >&2
    exit 1
  fi
  export DISPLAY=":$display"
  echo "No display: starting under Xvfb on $DISPLAY, with sound mixed into nothing."
  status=0
  ./spindlewake "$@" || status=$?
  exit "$status"
fi
exec ./spindlewake "$@"
