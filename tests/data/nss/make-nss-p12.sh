#!/usr/bin/env bash
# Makes the PKCS#12 file that NSS's pk12util exports with the PKCS#5 v1 scheme pbeWithMD5AndDES-CBC for
# both the key bag and the certificate safe (NSS derives those keys from the pass phrase as a BMPString).
# A rerun makes a new key; the tests check only what is stated here.
#   md5des.p12   one EC P-256 key and its self-signed certificate "CN=NSS Export Test", nickname "nss
#                test", pass phrase "secret"; NSS 3.87 writes a SHA-256 MAC and 600000 iterations everywhere
#   usage: tests/data/nss/make-nss-p12.sh [DIR]   (default: this folder)
set -euo pipefail
out=$(realpath -m "${1:-$(dirname "$0")}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
pass=secret
scheme="PKCS #5 Password Based Encryption with MD5 and DES-CBC"

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=NSS Export Test" \
  -days 7300 -keyout key.pem -out cert.pem 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -name "nss test" -passout pass:$pass -out in.p12
mkdir db
certutil -N -d sql:db --empty-password
pk12util -i in.p12 -d sql:db -W $pass >/dev/null
pk12util -o md5des.p12 -n "nss test" -d sql:db -W $pass -c "$scheme" -C "$scheme" >/dev/null
cp md5des.p12 "$out/md5des.p12"
ls -l "$out/md5des.p12"
