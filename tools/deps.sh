#!/usr/bin/env bash
# Installs the Debian packages the build and the quick start need, if missing; with
# --test also what the tests use (fuzzing, audio files, a virtual display, other hosts and
# plug-ins to check against, an emulated plain x86-64 processor).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libx11-dev fonts-liberation libfftw3-dev
  zenity
)
if [ "${1:-}" = "--test" ]; then
  packages+=(clang libclang-rt-14-dev sox xvfb xdotool x11-apps amsynth qtractor qemu-user)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
