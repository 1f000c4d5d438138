#!/bin/sh
# Installs the program into a fresh prefix, as a packager does, and checks that every file
# lands where a Linux desktop looks for it, and that the installed program runs, prints its
# version and finds its help file in the installed data folder.
#
# Usage: check-install.sh CMAKE BUILD_DIR "EXPECTED VERSION LINE"
set -eu
cmake=$1
build=$2
expected_version=$3

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
prefix=$(cd "$prefix" && pwd -P)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$cmake" --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"

for file in \
    bin/tivrel \
    share/tivrel/TIVREL.HLP \
    share/tivrel/Splash.png \
    share/tivrel/TivrelLogo.png \
    share/tivrel/PlenkLogo.png \
    share/applications/tivrel.desktop \
    share/icons/hicolor/scalable/apps/tivrel.svg \
    share/icons/hicolor/48x48/apps/tivrel.png \
    share/icons/hicolor/256x256/apps/tivrel.png; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done
[ -x "$prefix/bin/tivrel" ] || fail "bin/tivrel is not executable"
# The help file lives in the data folder only, so finding it proves the data folder is used.
[ ! -e "$prefix/bin/TIVREL.HLP" ] || fail "the help file is installed beside the executable"

desktop="$prefix/share/applications/tivrel.desktop"
for line in '[Desktop Entry]' 'Type=Application' 'Name=Tivrel' 'Exec=tivrel' 'Icon=tivrel' \
    'Actions=Start;Pause;Status;' 'Exec=tivrel start --notify' 'Exec=tivrel stop --notify' \
    'Exec=tivrel status --notify'; do
    grep -qxF "$line" "$desktop" || fail "tivrel.desktop lacks the line $line"
done
# Each action the entry names has its group (the desktop's menu shows only those).
for action in Start Pause Status; do
    grep -qxF "[Desktop Action $action]" "$desktop" || fail "tivrel.desktop lacks the action $action"
done

version=$("$prefix/bin/tivrel" --version) || fail "tivrel --version failed"
[ "$version" = "$expected_version" ] ||
    fail "tivrel --version printed '$version', expected '$expected_version'"

usage=$("$prefix/bin/tivrel" --help) || fail "tivrel --help failed"
printf '%s\n' "$usage" | grep -qxF "Help file: $prefix/share/tivrel/TIVREL.HLP" ||
    fail "the installed program does not find its help file: $usage"

# Without its help file it says where it looked, the data folder among the places.
rm "$prefix/share/tivrel/TIVREL.HLP"
usage=$("$prefix/bin/tivrel" --help) || fail "tivrel --help failed"
printf '%s\n' "$usage" | grep -qF "The help file TIVREL.HLP was not found." ||
    fail "a missing help file is not reported: $usage"
printf '%s\n' "$usage" | grep -qxF "$prefix/share/tivrel" ||
    fail "the report of a missing help file does not name the data folder: $usage"

echo "installed layout in order"
