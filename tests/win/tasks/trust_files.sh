#!/bin/sh
# trust_files.sh CHILD_EXE DIR
# The installers of the trust tests, made from the tests' child program in
# DIR with throwaway certificates (tools/sign/make_test_certificates.sh):
#   signed.exe     signed by "Orvantis Test Publisher" (SHA-256)
#   other.exe      signed by "Someone Else"
#   unsigned.exe   not signed
#   changed.exe    signed.exe with one byte of its code changed afterwards
# and ca.der, the test CA that the tests add to the trusted roots.
set -eu
child=$1 dir=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$dir"
sh "$here/../../../tools/sign/make_test_certificates.sh" "$dir/certs" test
cp "$dir/certs/ca.der" "$dir/ca.der"
cp "$child" "$dir/unsigned.exe"
osslsigncode sign -pkcs12 "$dir/certs/publisher.p12" -pass test -h sha256 -in "$child" -out "$dir/signed.exe" >/dev/null
osslsigncode sign -pkcs12 "$dir/certs/other.p12" -pass test -h sha256 -in "$child" -out "$dir/other.exe" >/dev/null
cp "$dir/signed.exe" "$dir/changed.exe"
# One byte at 0x1000 (inside the code, which the signature's digest covers).
byte=$(od -An -tu1 -j4096 -N1 "$dir/changed.exe" | tr -d ' ')
printf "$(printf '\\%03o' $(( (byte + 1) % 256 )))" | dd of="$dir/changed.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
# The signers' keys as a launcher's manifest names them: SHA-256 of each
# certificate's DER SubjectPublicKeyInfo, in hexadecimal.
for name in publisher other; do
  openssl x509 -in "$dir/certs/$name.pem" -pubkey -noout | openssl pkey -pubin -outform DER | sha256sum |
    cut -d' ' -f1 | tr -d '\n' > "$dir/$name.key"
done
