#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Kaveo, installs it, shows what a host sees of it,
# and renders the demo song through the factory programs into demo.wav in this folder.
#   ./install.sh                  for this user: ~/.vst/kaveo.so, the commands in ~/.local/bin
#   sudo ./install.sh --system    for everyone: /usr/local/lib/vst/kaveo.so, /usr/local/bin
#   PREFIX=DIR ./install.sh       into DIR/lib/vst and DIR/bin (--system: DIR is /usr/local)
#   ./install.sh --uninstall      removes what the install put there (with --system or
#                                 PREFIX, from there); banks and preferences stay
# KAVEO_BUILD_DIR names the build folder (default build); KAVEO_SKIP_DEPS=1 skips the
# package step. The install's test uses both.
set -euo pipefail
cd "$(dirname "$0")"

system=0 uninstall=0
for a in "$@"; do
  case $a in
    --system) system=1 ;;
    --uninstall) uninstall=1 ;;
    -h|--help) sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "install.sh: unknown option $a (--system, --uninstall, --help)" >&2; exit 2 ;;
  esac
done
prefix=${PREFIX:-}
[ "$system" = 1 ] && [ -z "$prefix" ] && prefix=/usr/local
if [ -n "$prefix" ]; then
  plugin_dir=$prefix/lib/vst bin_dir=$prefix/bin
else
  plugin_dir=$HOME/.vst bin_dir=$HOME/.local/bin
fi
build=${KAVEO_BUILD_DIR:-build}

if [ "$uninstall" = 1 ]; then
  removed=0
  for f in "$plugin_dir/kaveo.so" "$bin_dir/kaveo-render" "$bin_dir/kaveo-bank"; do
    if [ -e "$f" ] || [ -L "$f" ]; then
      rm -f "$f"
      echo "Removed $f"
      removed=1
    fi
  done
  [ "$removed" = 1 ] || echo "Nothing to remove: Kaveo is not in $plugin_dir or $bin_dir"
  echo "Banks and preferences (~/.local/share/Kaveo) are kept."
  exit 0
fi

# Find out before the long build whether the folders can be written.
for d in "$plugin_dir" "$bin_dir"; do
  if ! mkdir -p "$d" 2>/dev/null || [ ! -w "$d" ]; then
    echo "install.sh: cannot write to $d; an install for everyone runs as root:" \
         "sudo ./install.sh --system" >&2
    exit 1
  fi
done

# Under sudo the build and the demo run as the user who called it, so the build folder,
# demo.wav and the factory bank in their home stay theirs.
as_user=()
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
  as_user=(sudo -u "$SUDO_USER" -H --)
fi

[ -n "${KAVEO_SKIP_DEPS:-}" ] || tools/deps.sh
# A build folder keeps the settings it was made with (ninja reruns cmake when a
# CMakeLists.txt changes), and only what gets installed is built: a second run rebuilds
# only what changed. test.sh builds the rest.
if [ ! -f "$build/CMakeCache.txt" ]; then
  "${as_user[@]}" cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
"${as_user[@]}" cmake --build "$build" --target kaveo kaveo-render kaveo-bank demo_song
# -C leaves an unchanged file alone, so hosts that remember plug-ins by date do not rescan.
install -C -m 0755 "$build/kaveo.so" "$plugin_dir/kaveo.so"
install -C -m 0755 "$build/kaveo-render" "$bin_dir/kaveo-render"
install -C -m 0755 "$build/kaveo-bank" "$bin_dir/kaveo-bank"
"${as_user[@]}" "$bin_dir/kaveo-render" --info "$plugin_dir/kaveo.so"
# One instance of the plug-in per part, as a host with one track per instrument plays it.
# The plug-in's first start writes the factory bank to ~/.local/share/Kaveo (or
# $XDG_DATA_HOME/Kaveo).
echo
"${as_user[@]}" "$bin_dir/kaveo-render" -p "$plugin_dir/kaveo.so" --per-channel --normalize \
  -o demo.wav "$build/demo.mid"
echo "The demo song rendered through Kaveo's factory programs: $(pwd)/demo.wav"

echo
echo "Installed Kaveo $("$bin_dir/kaveo-render" --version | cut -d' ' -f2):" \
     "the plug-in in $plugin_dir, kaveo-render and kaveo-bank in $bin_dir"
case $plugin_dir in
  "$HOME/.vst" | /usr/lib/vst | /usr/local/lib/vst) ;;
  *) echo "Hosts do not look in $plugin_dir by themselves: add it to their plug-in folders." ;;
esac
if [[ ":$PATH:" != *":$bin_dir:"* ]]; then
  if [ -z "$prefix" ]; then
    echo "$bin_dir is not on this shell's PATH yet (Debian adds it at the next login)." \
         "For this shell:"
  else
    echo "$bin_dir is not on the PATH; this line adds it (in ~/.profile, for every login):"
  fi
  echo "  export PATH=\"$bin_dir:\$PATH\""
fi
