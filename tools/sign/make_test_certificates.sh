#!/bin/sh
# make_test_certificates.sh DIR [PASSWORD]
# Throwaway code-signing certificates for the tests, made with openssl in DIR:
#   ca.pem, ca.der           a test certificate authority ("Quillmerex Test CA")
#   publisher.p12/.pem       a code-signing certificate "Orvantis Test Publisher"
#   other.p12/.pem           a code-signing certificate "Someone Else"
# Both are issued by the test CA; the PKCS#12 files carry the CA too and
# are protected with PASSWORD (default "test").
set -eu
dir=$1 password=${2:-test}
mkdir -p "$dir"
cd "$dir"
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -keyout ca.key -out ca.pem \
  -subj "/CN=Quillmerex Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl x509 -in ca.pem -outform DER -out ca.der
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' > leaf.ext
for pair in "publisher:Orvantis Test Publisher" "other:Someone Else"; do
  name=${pair%%:*} cn=${pair#*:}
  openssl req -newkey rsa:2048 -nodes -keyout "$name.key" -out "$name.csr" -subj "/CN=$cn" 2>/dev/null
  openssl x509 -req -in "$name.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 \
    -extfile leaf.ext -out "$name.pem" 2>/dev/null
  openssl pkcs12 -export -inkey "$name.key" -in "$name.pem" -certfile ca.pem -out "$name.p12" \
    -passout "pass:$password"
done
