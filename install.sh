#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Kaveo, installs the plug-in into ~/.vst and shows
# what a host sees of it.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
mkdir -p "$HOME/.vst" "$HOME/.local/bin"
install -m 0755 build/kaveo.so "$HOME/.vst/kaveo.so"
install -m 0755 build/kaveo-render "$HOME/.local/bin/kaveo-render"
install -m 0755 build/kaveo-bank "$HOME/.local/bin/kaveo-bank"
echo "Installed $HOME/.vst/kaveo.so and $HOME/.local/bin/kaveo-render"
build/kaveo-render --info "$HOME/.vst/kaveo.so"
