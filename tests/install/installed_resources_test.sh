#!/usr/bin/env bash
# The application finds its resources without any setting, in the build tree and once
# installed with `cmake --install`, and lists the bundled library the same way in both; the
# desktop entry (valid) and the application icon in the hicolor theme are installed.
# Usage: installed_resources_test.sh BUILD_DIR CMAKE
set -euo pipefail
build=$1
cmake=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch/home XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
unset KESTRANE_RESOURCES
export KESTRANE_NO_SYSLOG=1

"$cmake" --install "$build" --prefix "$scratch/prefix" >/dev/null
[ -f "$scratch/prefix/share/kestrane-wallpapers/wp/index.dat" ] || { echo "index not installed"; exit 1; }
[ -f "$scratch/prefix/share/kestrane-wallpapers/MenuIcon.png" ] || { echo "icon not installed"; exit 1; }

entry=$scratch/prefix/share/applications/local.kestrane.wallpapers.desktop
[ -f "$entry" ] || { echo "desktop entry not installed"; exit 1; }
command -v desktop-file-validate >/dev/null ||
  { echo "desktop-file-validate is missing (package desktop-file-utils; scripts/bootstrap installs it)"; exit 1; }
desktop-file-validate "$entry" || { echo "the desktop entry does not validate"; exit 1; }
grep -qx 'Exec=kestrane-wallpapers' "$entry" && grep -qx 'Icon=kestrane-wallpapers' "$entry" ||
  { echo "the desktop entry names another program or icon"; exit 1; }
# Each icon is as large as its folder says (width and height from the PNG's header).
for size in 48 128 256; do
  icon=$scratch/prefix/share/icons/hicolor/${size}x${size}/apps/kestrane-wallpapers.png
  [ -f "$icon" ] || { echo "icon ${size}x${size} not installed"; exit 1; }
  dimensions=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $1*2^24+$2*2^16+$3*256+$4 "x" $5*2^24+$6*2^16+$7*256+$8}')
  [ "$dimensions" = "${size}x${size}" ] || { echo "$icon is $dimensions"; exit 1; }
done

from_build=$("$build/bin/kestrane-wallpapers" --list-packs)
installed=$("$scratch/prefix/bin/kestrane-wallpapers" --list-packs)
echo "$installed"
[ "$from_build" = "$installed" ] || { echo "installed copy lists a different library"; exit 1; }
grep -qx 'Dunes \[light/dark\]: 11 wallpapers (dunes)' <<<"$installed"
grep -qx 'Gradients: 7 wallpapers (gradients)' <<<"$installed"
grep -qx 'total: 6 packs, 47 wallpapers' <<<"$installed"

# Moved elsewhere, with its resources beside it, it still finds them.
mv "$scratch/prefix" "$scratch/moved"
moved=$("$scratch/moved/bin/kestrane-wallpapers" --list-packs)
[ "$moved" = "$installed" ] || { echo "a moved installation lost its resources"; exit 1; }
