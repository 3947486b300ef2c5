#!/bin/sh
# package_test.sh CPACK BUILD SOURCE: packs the .deb, unpacks it into a scratch
# root, and runs the installed tool on the example: it must print what the
# built tool prints, and the manual must be there.
set -eu
cpack=$1 build=$2 source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log"
dpkg -x "$work"/pelkorn_*.deb "$work/root"
test -f "$work/root/usr/share/man/man1/pelkorn.1"
"$work/root/usr/bin/pelkorn" "$source/examples/sine.wav" > "$work/installed.txt"
"$build/pelkorn" "$source/examples/sine.wav" | cmp - "$work/installed.txt"
echo "installed pelkorn dumps the example: $(wc -l < "$work/installed.txt") lines"
