#!/usr/bin/env bash
# Fetches Debian's own source package of a library into a folder of the build,
# for the libraries the web edition compiles with emscripten (Debian packages
# them for the machine, not for WebAssembly). apt reads a source list, package
# lists and a cache of its own in that folder, so the machine's apt
# configuration and state stay untouched; no root is needed.
# Usage: tools/fetch_debian_source.sh PACKAGE FOLDER
# The unpacked, patched source ends up in FOLDER/PACKAGE.
set -euo pipefail
package=$1
folder=$(realpath -m "$2")
[[ -d $folder/$package ]] && exit 0

apt_dir=$folder/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts" "$apt_dir/unpack"
# Debian 12, the release the project builds on, signed by Debian's own keys.
cat > "$apt_dir/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
LIST
options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
         -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=$(id -un)"
         -qq)
[[ -n $(ls "$apt_dir/lists" | grep Sources) ]] || apt-get "${options[@]}" update
rm -rf "$apt_dir/unpack"/*
(cd "$apt_dir/unpack" && apt-get "${options[@]}" source "$package" > /dev/null)
# apt-get source unpacks into PACKAGE-VERSION beside the .dsc and the tarballs.
source_dir=$(find "$apt_dir/unpack" -mindepth 1 -maxdepth 1 -type d | head -n 1)
[[ -n $source_dir ]] || { echo "fetch_debian_source.sh: apt-get source $package unpacked nothing" >&2; exit 1; }
mv "$source_dir" "$folder/$package"
echo "Fetched Debian's source of $package: $(basename "$source_dir")"
