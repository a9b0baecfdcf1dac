#!/bin/sh
# Rebuilds the skin into a temporary folder and compares it byte for byte
# with the committed files in resources/skin.
# Exit 0 when they match; non-zero, naming the differing files, otherwise.
set -u

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
committed="$repo/resources/skin"
python=${PYTHON:-/usr/bin/python3}

tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT INT TERM

if ! "$python" "$here/make_skin.py" --out "$tmp" >/dev/null; then
    echo "check_skin: the generator failed" >&2
    exit 2
fi

status=0
for f in "$tmp"/*; do
    name=$(basename "$f")
    if [ ! -f "$committed/$name" ]; then
        echo "check_skin: $name is generated but missing from resources/skin" >&2
        status=1
    elif ! cmp -s "$f" "$committed/$name"; then
        echo "check_skin: resources/skin/$name differs from a fresh build" >&2
        status=1
    fi
done
for f in "$committed"/*; do
    [ -e "$f" ] || continue
    name=$(basename "$f")
    if [ ! -f "$tmp/$name" ]; then
        echo "check_skin: resources/skin/$name is not made by the generator" >&2
        status=1
    fi
done

if [ "$status" -eq 0 ]; then
    echo "check_skin: resources/skin matches a fresh build"
else
    echo "check_skin: rebuild with: $python tools/skin/make_skin.py" >&2
fi
exit "$status"
