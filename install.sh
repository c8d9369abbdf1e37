#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Kaveo, installs the plug-in into ~/.vst, shows
# what a host sees of it, and renders the demo song through the factory programs into
# demo.wav in this folder (the repository's).
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
mkdir -p "$HOME/.vst" "$HOME/.local/bin"
install -m 0755 build/kaveo.so "$HOME/.vst/kaveo.so"
install -m 0755 build/kaveo-render "$HOME/.local/bin/kaveo-render"
install -m 0755 build/kaveo-bank "$HOME/.local/bin/kaveo-bank"
echo "Installed $HOME/.vst/kaveo.so, and kaveo-render and kaveo-bank in $HOME/.local/bin"
build/kaveo-render --info "$HOME/.vst/kaveo.so"
# One instance of the plug-in per part, as a host with one track per instrument plays it.
# The plug-in's first start writes the factory bank to ~/.local/share/Kaveo (or
# $XDG_DATA_HOME/Kaveo).
echo
"$HOME/.local/bin/kaveo-render" -p "$HOME/.vst/kaveo.so" --per-channel --normalize \
  -o demo.wav build/demo.mid
echo "The demo song rendered through Kaveo's factory programs: $(pwd)/demo.wav"
