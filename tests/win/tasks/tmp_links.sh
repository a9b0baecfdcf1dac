#!/bin/sh
# tmp_links.sh DIR
# What another user of a shared TMP may leave there, as Wine can show it:
# a link of the launcher's folder name to a folder elsewhere, holding a
# download's files and a document of that user's. Wine reports a Unix
# symbolic link to a folder as a reparse point, as Windows reports a
# junction; Wine 8 itself makes neither (CreateSymbolicLinkW does nothing,
# FSCTL_SET_REPARSE_POINT fails with ERROR_NOT_SUPPORTED).
#   DIR/root/quillmerex-00000000000000ab -> DIR/elsewhere
#   DIR/elsewhere/yrfoinstall.tmp, yrfoinstall.tmp.rec, thesis.docx
set -eu
dir=$1
rm -rf "$dir"
mkdir -p "$dir/root" "$dir/elsewhere"
printf 'MZ' >"$dir/elsewhere/yrfoinstall.tmp"
printf 'q\000\n\000' >"$dir/elsewhere/yrfoinstall.tmp.rec"
printf 'thesis' >"$dir/elsewhere/thesis.docx"
ln -s "$dir/elsewhere" "$dir/root/quillmerex-00000000000000ab"
