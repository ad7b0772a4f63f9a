#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when any is missing.
# Sourced by run.sh and test.sh; safe to run again.
tolva_packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  libogre-1.12-dev libcegui-mk2-dev libois-dev fonts-dejavu-core
  python3 python3-dev libboost-dev libboost-python-dev libboost-filesystem-dev libboost-random-dev
  libode-dev libopenal-dev libvorbis-dev libarchive-dev
  googletest libgtest-dev libgmock-dev
  xvfb xauth libgl1-mesa-dri xdotool openbox wmctrl p7zip-full locales
)

tolva_ensure_packages() {
  local missing=()
  local p
  for p in "${tolva_packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo="sudo"
    else
      echo "Missing packages (${missing[*]}) and not root: install them and run again." >&2
      return 1
    fi
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
