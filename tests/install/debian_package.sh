#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# debian_package.sh <build folder> <work folder>: builds the .deb with CPack, checks its file
# list and dependencies, and runs lintian on it. Installing it stays out of the tests.
set -uo pipefail
build=$(cd "$1" && pwd)
work=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
deb=$(ls "$work"/*.deb)
echo "package: $deb"

dpkg-deb -c "$deb" >"$work/contents" || fail "dpkg-deb -c failed"
for entry in \
    './usr/bin/Carvalet -> ../lib/carvalet/Carvalet' \
    './usr/bin/carvalet -> ../lib/carvalet/Carvalet' \
    './usr/bin/carvalet-cli -> ../lib/carvalet/carvalet-cli' \
    ./usr/lib/carvalet/Carvalet ./usr/lib/carvalet/carvalet-cli ./usr/lib/carvalet/carvalet-help \
    ./usr/lib/carvalet/libcarvalet_platform.so ./usr/lib/carvalet/libcarvalet-skin.so \
    ./usr/lib/carvalet/libcarvalet-splash.so ./usr/lib/carvalet/controls.reg \
    ./usr/lib/carvalet/res/Tessaply.skn ./usr/lib/carvalet/res/Splash.spl \
    ./usr/lib/carvalet/res/Help.chm \
    ./usr/share/applications/org.brindlemoor.carvalet.desktop \
    ./usr/share/metainfo/org.brindlemoor.carvalet.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/org.brindlemoor.carvalet.svg \
    ./usr/share/man/man1/carvalet.1.gz ./usr/share/man/man1/carvalet-cli.1.gz \
    ./usr/share/bash-completion/completions/carvalet-cli \
    ./usr/share/doc/carvalet/copyright ./usr/share/doc/carvalet/changelog.gz; do
    grep -qF -- " $entry" "$work/contents" || fail "the package lacks $entry"
done
grep -E 'test|bench|fuzz' "$work/contents" && fail "tests, benchmarks or fuzzers are packaged"
awk '{ print $2 }' "$work/contents" | grep -v '^root/root$' && fail "a file not owned by root"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 libchm1; do
    [[ $depends == *"$package "* ]] || fail "the package does not depend on $package"
done
[[ $depends == *carvalet* ]] && fail "the package depends on its own library"

# Errors and warnings fail; information and pedantic notes are shown.
lintian --no-tag-display-limit --display-info "$deb" >"$work/lintian.txt" 2>&1
cat "$work/lintian.txt"
grep -E '^[EW]: ' "$work/lintian.txt" && fail "lintian found errors or warnings"
echo "lintian: no errors, no warnings"
