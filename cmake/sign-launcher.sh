#!/bin/sh
# sign-launcher.sh OSSLSIGNCODE PKCS12 EXE
# Signs EXE in place with the certificate in PKCS12 (Authenticode, SHA-256).
# The certificate's password comes from the environment variable
# LAUNCHER_SIGN_PASSWORD at build time, so that it is stored in no build
# file; it reaches osslsigncode through a file only this user can read.
set -eu
osslsigncode=$1 pkcs12=$2 exe=$3
umask 077
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%s' "${LAUNCHER_SIGN_PASSWORD:-}" > "$work/password"
"$osslsigncode" sign -pkcs12 "$pkcs12" -readpass "$work/password" -h sha256 -in "$exe" -out "$work/signed.exe" \
  >/dev/null
cat "$work/signed.exe" > "$exe"
