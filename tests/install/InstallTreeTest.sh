#!/bin/sh
# Installs the build into a throwaway prefix and checks what a desktop and a user find there.
# Usage: InstallTreeTest.sh BUILD_DIR CMAKE
set -eu
build=$1
cmake=$2
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

"$cmake" --install "$build" --prefix "$tree/usr" >/dev/null
for program in corvane-xp corvane; do
    [ -x "$tree/usr/bin/$program" ] || fail "bin/$program is missing"
done

entry=$tree/usr/share/applications/corvane-xp.desktop
[ -f "$entry" ] || fail "no desktop entry"
grep -qx 'Name=Corvane XP' "$entry" || fail "the desktop entry has no name"
grep -qx 'Icon=corvane-xp' "$entry" || fail "the desktop entry has no icon"
grep -qx 'Exec=corvane-xp %F' "$entry" || fail "the desktop entry does not start the window"
grep -q '^MimeType=\(.*;\)\?text/html;' "$entry" || fail "text/html is not among the entry's types"

# Each icon is a PNG of its folder's size.
for size in 16 32 48 256; do
    icon=$tree/usr/share/icons/hicolor/${size}x${size}/apps/corvane-xp.png
    [ -f "$icon" ] || fail "no ${size}x$size icon"
    width=$(od -An -tu4 --endian=big -j16 -N4 "$icon" | tr -d ' ')
    [ "$width" = "$size" ] || fail "the ${size}x$size icon is $width wide"
done

# Every option of --help is in the manual page.
manual=$tree/usr/share/man/man1/corvane.1.gz
[ -f "$manual" ] || fail "no manual page"
page=$(gzip -dc "$manual" | sed 's/\\-/-/g')
options=$("$tree/usr/bin/corvane" --help | grep -oE '^ +(-[a-zA-Z], )?--[a-z-]+' | grep -oE -- '-[a-zA-Z]\b|--[a-z-]+')
[ -n "$options" ] || fail "no options found in corvane --help"
for option in $options; do
    printf '%s\n' "$page" | grep -qF -e "$option" || fail "$option is missing from the manual page"
done

# An installed program keeps its log in the user's configuration folder, not beside itself,
# even where it could write there.
home=$tree/home
mkdir -p "$home"
printf '<html>\n  <body>  </body>\n</html>\n' >"$home/page.htm"
HOME=$home XDG_CONFIG_HOME=$home/.config "$tree/usr/bin/corvane" --log "$home/page.htm" >/dev/null
[ -f "$home/.config/Mirel/Corvane XP/log.txt" ] || fail "the log is not in the configuration folder"
[ ! -e "$tree/usr/bin/log.txt" ] || fail "the log landed beside the installed program"
echo "install tree: every file in place"
