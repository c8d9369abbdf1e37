#!/usr/bin/env bash
# install.sh in a temporary HOME and a temporary PREFIX, on the build folder the tests run
# from: the files land where the README says, the line it ends with puts the commands on
# the PATH, a second run builds nothing, and --uninstall removes those files and nothing
# else. Usage: install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1 build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Runs install.sh with the given options; its output goes to $tmp/$log.
run_install() {
  local log=$1; shift
  "$src/install.sh" "$@" >"$tmp/$log" 2>&1 || { cat "$tmp/$log"; fail "install.sh $* failed"; }
}
# The installed files are there, executable, and the ones built.
check_installed() {
  local names=(kaveo.so kaveo-render kaveo-bank) i
  for i in 0 1 2; do
    [ -x "${installed[i]}" ] || fail "${installed[i]} is not installed"
    cmp -s "$build/${names[i]}" "${installed[i]}" || fail "${installed[i]} is not the built one"
  done
}
# After an uninstall the tree under $1 is the one listed in $2 without the installed files.
check_only_removed() {
  find "$1" | sort | diff - <(printf '%s\n' "${installed[@]}" | grep -vxF -f - "$2") \
    || fail "--uninstall changed more under $1 than the installed files"
}

export HOME=$tmp/home KAVEO_BUILD_DIR=$build KAVEO_SKIP_DEPS=1
unset PREFIX XDG_DATA_HOME
# What the user had before; none of it may go.
mkdir -p "$HOME/.vst" "$HOME/.local/bin" "$HOME/.local/share/Kaveo"
touch "$HOME/.vst/other.so" "$HOME/.local/bin/other" "$HOME/.local/share/Kaveo/mine.kvb"

# Per user.
installed=("$HOME/.vst/kaveo.so" "$HOME/.local/bin/kaveo-render" "$HOME/.local/bin/kaveo-bank")
touch "$tmp/start"
run_install first.log
check_installed
[ "$src/demo.wav" -nt "$tmp/start" ] || fail "demo.wav was not rendered into $src"
[ -s "$HOME/.local/share/Kaveo/default.kvb" ] || fail "the first start wrote no factory bank"
# ~/.local/bin is not on this PATH: the last line adds it, and then the README's commands
# work in the same shell.
last=$(tail -n 1 "$tmp/first.log")
[ "$last" = "  export PATH=\"$HOME/.local/bin:\$PATH\"" ] || fail "the last line is not the PATH line: $last"
(
  eval "$last"
  [ "$(command -v kaveo-bank)" = "$HOME/.local/bin/kaveo-bank" ] || fail "kaveo-bank is not found"
  kaveo-bank list ~/.local/share/Kaveo/default.kvb >/dev/null || fail "kaveo-bank list failed"
  # grep reads all of it: with -q kaveo-render could end on a broken pipe, failing the check.
  kaveo-render --info | grep -xF "Plug-in:         $HOME/.vst/kaveo.so" >/dev/null \
    || fail "kaveo-render does not default to ~/.vst/kaveo.so"
)

run_install second.log
grep -qxF "ninja: no work to do." "$tmp/second.log" \
  || fail "the second run built again: $(grep '^\[' "$tmp/second.log" | head -n 5)"

find "$HOME" | sort >"$tmp/home.list"
run_install uninstall.log --uninstall
for f in "${installed[@]}"; do
  [ ! -e "$f" ] || fail "$f is still there"
  grep -qxF "Removed $f" "$tmp/uninstall.log" || fail "the uninstall does not say it removed $f"
done
check_only_removed "$HOME" "$tmp/home.list"

# Under a prefix, as --system does under /usr/local.
prefix=$tmp/prefix
mkdir -p "$prefix/bin"
touch "$prefix/bin/other"
installed=("$prefix/lib/vst/kaveo.so" "$prefix/bin/kaveo-render" "$prefix/bin/kaveo-bank")
PREFIX=$prefix run_install prefix.log
check_installed
[ ! -e "$HOME/.vst/kaveo.so" ] && [ ! -e "$HOME/.local/bin/kaveo-render" ] \
  || fail "the install under PREFIX wrote into HOME"
[ "$(tail -n 1 "$tmp/prefix.log")" = "  export PATH=\"$prefix/bin:\$PATH\"" ] \
  || fail "the last line is not the PATH line: $(tail -n 1 "$tmp/prefix.log")"
"$prefix/bin/kaveo-render" --info | grep -xF "Plug-in:         $prefix/lib/vst/kaveo.so" >/dev/null \
  || fail "kaveo-render does not default to the plug-in installed with it"
find "$prefix" | sort >"$tmp/prefix.list"
PREFIX=$prefix run_install prefix-uninstall.log --uninstall
check_only_removed "$prefix" "$tmp/prefix.list"
echo "install.sh: per user, under a prefix, again, and uninstalled: all as expected"
