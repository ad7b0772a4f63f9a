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
  echo "No display: starting under Xvfb, with sound mixed into nothing."
  export ALSOFT_DRIVERS=null
  exec xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX" ./spindlewake "$@"
fi
exec ./spindlewake "$@"
