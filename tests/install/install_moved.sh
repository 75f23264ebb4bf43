#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# install_moved.sh <build folder> <destination>: installs the build into a prefix, then moves
# the whole prefix to <destination>, so nothing may depend on where it was installed.
set -euo pipefail
build=$1
dest=$2
rm -rf "$dest" "$dest.installing"
cmake --install "$build" --prefix "$dest.installing" >/dev/null
mv "$dest.installing" "$dest"
echo "installed, then moved to $dest"
