#!/usr/bin/env bash
# Builds the web page of another commit (a work tree of it in FOLDER/tree),
# for make web-perf to measure beside this one; its page lands in FOLDER/site.
# Usage: tools/build_web_base.sh COMMIT FOLDER
set -euo pipefail
cd "$(dirname "$0")/.."
commit=$1
folder=$(realpath -m "$2")
if [[ -f $folder/site/index.html && $(cat "$folder/commit" 2>/dev/null) == "$(git rev-parse "$commit")" ]]; then
    exit 0
fi
rm -rf "$folder"
mkdir -p "$folder"
git worktree add --detach -f "$folder/tree" "$commit" > /dev/null
trap 'git worktree remove --force "$folder/tree"' EXIT
(cd "$folder/tree" && tools/build_web.sh "$folder/build" > /dev/null)
cp -r "$folder/build/site" "$folder/site"
git rev-parse "$commit" > "$folder/commit"
