#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check_installed.sh <prefix> <source folder> [<build folder>]: checks an installed copy that
# was moved after installing: its file list and links, RUNPATH, desktop entry and metainfo,
# icons, man pages, bash completion, the command-line round trip, and --help and --version of
# the window without a display. With the build folder, the copy must load nothing from it.
set -uo pipefail
prefix=$(cd "$1" && pwd)
source_dir=$2
build=${3:-}
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
app_id=org.brindlemoor.carvalet
program=lib/carvalet

# The layout: everything but the run-time files under res/, which come from the build.
(cd "$prefix" && find . -path "./$program/res/*" -prune -o \( -type f -o -type l \) -print |
    sed 's|^\./||' | sort) >"$work/files"
sed "s/@ID@/$app_id/" >"$work/expected" <<'LIST'
bin/Carvalet
bin/carvalet
bin/carvalet-cli
lib/carvalet/Carvalet
lib/carvalet/carvalet-cli
lib/carvalet/carvalet-help
lib/carvalet/controls.reg
lib/carvalet/libcarvalet-skin.so
lib/carvalet/libcarvalet-splash.so
lib/carvalet/libcarvalet_platform.so
share/applications/@ID@.desktop
share/bash-completion/completions/carvalet-cli
share/doc/carvalet/changelog.gz
share/doc/carvalet/copyright
share/icons/hicolor/128x128/apps/@ID@.png
share/icons/hicolor/16x16/apps/@ID@.png
share/icons/hicolor/24x24/apps/@ID@.png
share/icons/hicolor/256x256/apps/@ID@.png
share/icons/hicolor/32x32/apps/@ID@.png
share/icons/hicolor/48x48/apps/@ID@.png
share/icons/hicolor/64x64/apps/@ID@.png
share/icons/hicolor/scalable/apps/@ID@.svg
share/man/man1/Carvalet.1.gz
share/man/man1/carvalet-cli.1.gz
share/man/man1/carvalet.1.gz
share/metainfo/@ID@.metainfo.xml
LIST
sort -o "$work/expected" "$work/expected"
diff -u "$work/expected" "$work/files" >"$work/layout.diff" ||
    fail "installed files differ from the layout:$(echo; cat "$work/layout.diff")"
for file in Tessaply.skn Splash.spl Help.chm; do
    [ -s "$prefix/$program/res/$file" ] || fail "res/$file is not installed"
done
if [ -n "$build" ]; then
    diff -r "$build/bin/res" "$prefix/$program/res" >/dev/null ||
        fail "res/ differs from the build's res/ folder"
fi

# Links: relative, so the prefix can move.
for link in Carvalet:Carvalet carvalet:Carvalet carvalet-cli:carvalet-cli; do
    name=${link%%:*}
    target=$(readlink "$prefix/bin/$name")
    [ "$target" = "../$program/${link#*:}" ] || fail "bin/$name points to '$target'"
done
[ "$(readlink "$prefix/share/man/man1/Carvalet.1.gz")" = carvalet.1.gz ] ||
    fail "Carvalet.1.gz does not lead to carvalet.1.gz"

# Every program file finds its libraries beside itself and nowhere else of ours.
for elf in "$prefix/$program"/*; do
    [ -f "$elf" ] && [ ! -L "$elf" ] && head -c4 "$elf" | grep -q 'ELF' || continue
    runpath=$(readelf -d "$elf" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
    [ "$runpath" = '$ORIGIN' ] || fail "$(basename "$elf") has RUNPATH '$runpath'"
    ldd "$elf" >"$work/ldd" 2>&1
    grep -q 'not found' "$work/ldd" && fail "$(basename "$elf"): $(grep 'not found' "$work/ldd")"
    grep 'carvalet' "$work/ldd" | grep -v "=> $prefix/$program/" &&
        fail "$(basename "$elf") takes a Carvalet library from elsewhere"
done

# Desktop entry and metainfo: no error, no warning, no hint.
out=$(desktop-file-validate "$prefix/share/applications/$app_id.desktop" 2>&1) ||
    fail "desktop-file-validate failed"
[ -z "$out" ] && echo "desktop-file-validate: clean" || fail "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$app_id.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate failed: $out"
echo "$out" | grep -E '^[EWIP]:' && fail "appstreamcli validate: $out"
echo "appstreamcli validate --no-net --pedantic: $(echo "$out" | tail -n1)"
grep -qx 'Exec=carvalet %f' "$prefix/share/applications/$app_id.desktop" || fail "Exec line"
grep -qx 'MimeType=image/bmp;image/png;' "$prefix/share/applications/$app_id.desktop" ||
    fail "MimeType line"

# Icons: each bitmap is the size of its folder; the SVG draws the same picture.
for size in 16 24 32 48 64 128 256; do
    got=$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${size}x$size/apps/$app_id.png")
    [ "$got" = "${size}x$size" ] || fail "the ${size}px icon is $got"
done
rsvg-convert -w 256 -h 256 "$prefix/share/icons/hicolor/scalable/apps/$app_id.svg" \
    -o "$work/svg.png" || fail "the SVG icon does not render"
distance=$(compare -metric RMSE "$work/svg.png" \
    "$prefix/share/icons/hicolor/256x256/apps/$app_id.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
awk -v d="$distance" 'BEGIN { exit !(d < 0.1) }' ||
    fail "the SVG icon does not look like the 256px icon (RMSE $distance)"

# Man pages render without a warning, and name every option and command the programs know.
for page in carvalet carvalet-cli; do
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
        "$prefix/share/man/man1/$page.1.gz" >/dev/null 2>"$work/warnings" ||
        fail "man cannot render $page.1"
    [ -s "$work/warnings" ] && fail "$page.1: $(cat "$work/warnings")"
    LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$prefix/share/man/man1/$page.1.gz" 2>/dev/null |
        col -b >"$work/$page.txt"
done
cli="$prefix/bin/carvalet-cli"
# Options as a help text shows them: a dash after a blank or a bracket, not inside a word.
help_options() { grep -oE -- '(^|[] [(|,])--?[a-z][a-z-]*' | sed 's/^[] [(|,]//' | sort -u; }
"$cli" --help | help_options >"$work/cli-options"
"$prefix/bin/carvalet" --help | help_options | grep -v -e '-platform' -e '-style' >"$work/window-options"
for option in $(cat "$work/cli-options") hide unhide info; do
    grep -qe "$option" "$work/carvalet-cli.txt" || fail "carvalet-cli(1) does not name $option"
done
for option in $(cat "$work/window-options"); do
    grep -qe "$option" "$work/carvalet.txt" || fail "carvalet(1) does not name $option"
done
grep -q 'EXIT STATUS' "$work/carvalet-cli.txt" && grep -q 'SECURITY' "$work/carvalet-cli.txt" ||
    fail "carvalet-cli(1) lacks its exit status or security sections"

# Bash completion, as bash-completion runs it.
completion="$prefix/share/bash-completion/completions/carvalet-cli"
mkdir -p "$work/pictures/folder"
touch "$work/pictures/a.bmp" "$work/pictures/b.png" "$work/pictures/c.txt"
complete_line() {
    (cd "$work/pictures" && bash --norc -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        shift
        COMP_WORDS=("$@")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE="${COMP_WORDS[*]}"
        COMP_POINT=${#COMP_LINE}
        _carvalet_cli carvalet-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' _ "$completion" "$@")
}
expect_completion() {
    local want=$1
    shift
    local got
    got=$(complete_line "$@")
    [ "$got" = "$want" ] || fail "completing '$*': got '$got', want '$want'"
}
expect_completion '--help --version analyze hide info unhide ' carvalet-cli ''
expect_completion '--message --message-file ' carvalet-cli hide --mess
expect_completion '--help --output --password-file --password-stdin ' carvalet-cli unhide a.bmp --
expect_completion '--json ' carvalet-cli info a.bmp --j
expect_completion '--seal ' carvalet-cli hide a.bmp b.bmp --se
expect_completion 'a.bmp b.png folder ' carvalet-cli info ''
expect_completion 'a.bmp b.png c.txt folder ' carvalet-cli unhide a.bmp --output ''
for option in $(grep -v -e '^-h$' "$work/cli-options"); do
    grep -qe "$option" "$completion" || fail "the completion does not offer $option"
done

# The command-line round trip with the installed copy.
message="Meet me by the old mill at dawn."
printf 'lanterns-8\n' | "$cli" hide "$source_dir/res/samples/sample.bmp" "$work/hidden.bmp" \
    --message "$message" --password-stdin || fail "carvalet-cli hide failed"
got=$(printf 'lanterns-8\n' | "$cli" unhide "$work/hidden.bmp" --password-stdin) ||
    fail "carvalet-cli unhide failed"
[ "$got" = "$message" ] && echo "carvalet-cli round trip: $got" || fail "read back '$got'"
"$cli" info "$work/hidden.bmp" | grep -qx 'Password record: yes' || fail "carvalet-cli info"

# The window answers --help and --version with no display at all.
for exe in carvalet Carvalet; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$exe" --version 2>&1)
    [ $? -eq 0 ] && [[ $out =~ ^Carvalet\ [0-9.]+$ ]] || fail "$exe --version: $out"
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$exe" --help 2>&1)
    [ $? -eq 0 ] && [[ $out == "Usage: carvalet "* ]] || fail "$exe --help: $out"
done
echo "carvalet --version without a display: $(env -u DISPLAY "$prefix/bin/carvalet" --version)"

[ "$failures" -eq 0 ] || exit 1
echo "the installed copy in $prefix checks out"
