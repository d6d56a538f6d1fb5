#!/usr/bin/env bash
# Makes the sample set beside this script with the openssl command line: a root CA, an intermediate
# CA, a leaf certificate (PEM), an empty CRL issued by the intermediate, and the leaf's private key.
# Every name says "Sample"; the keys are published with the samples and protect nothing.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export WORK="$work"  # the CA section of the config below finds its files through it
trap 'rm -rf "$work"' EXIT

org="/O=Quillon Samples (not for real use)"
days=7300

cat >"$work/ext.cnf" <<'CNF'
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

[intermediate]
basicConstraints = critical, CA:TRUE, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid

[leaf]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth, clientAuth
subjectAltName = DNS:sample.quillon.invalid
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid

[ca]
default_ca = intermediate_ca

[intermediate_ca]
database = $ENV::WORK/index.txt
crlnumber = $ENV::WORK/crlnumber
certificate = $ENV::WORK/intermediate.pem
private_key = $ENV::WORK/intermediate.key
default_md = sha256
default_crl_days = 7300
CNF

key() { openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1" 2>/dev/null; }

# Root: self-signed.
key "$work/root.key"
openssl req -new -x509 -key "$work/root.key" -subj "$org/CN=Quillon Sample Root CA" -days "$days" \
  -sha256 -config "$work/ext.cnf" -extensions root -out "$work/root.pem"

# Intermediate, signed by the root.
key "$work/intermediate.key"
openssl req -new -key "$work/intermediate.key" -subj "$org/CN=Quillon Sample Intermediate CA" -out "$work/intermediate.csr"
openssl x509 -req -in "$work/intermediate.csr" -CA "$work/root.pem" -CAkey "$work/root.key" -set_serial 0x1001 \
  -days "$days" -sha256 -extfile "$work/ext.cnf" -extensions intermediate -out "$work/intermediate.pem" 2>/dev/null

# Leaf, signed by the intermediate; its key is the one the samples publish.
key "$work/leaf.key"
openssl req -new -key "$work/leaf.key" -subj "$org/CN=Quillon Sample Leaf" -out "$work/leaf.csr"
openssl x509 -req -in "$work/leaf.csr" -CA "$work/intermediate.pem" -CAkey "$work/intermediate.key" -set_serial 0x2001 \
  -days "$days" -sha256 -extfile "$work/ext.cnf" -extensions leaf -out "$work/leaf.pem" 2>/dev/null

# An empty CRL issued by the intermediate.
: >"$work/index.txt"
echo 01 >"$work/crlnumber"
openssl ca -config "$work/ext.cnf" -gencrl -out "$work/intermediate.crl" 2>/dev/null

cp "$work/root.pem" "$here/root.pem"
cp "$work/intermediate.pem" "$here/intermediate.pem"
cp "$work/leaf.pem" "$here/leaf.pem"
cp "$work/intermediate.crl" "$here/intermediate.crl"
cp "$work/leaf.key" "$here/leaf.key"
chmod 0644 "$here"/root.pem "$here"/intermediate.pem "$here"/leaf.pem "$here"/intermediate.crl "$here"/leaf.key

openssl verify -CAfile "$here/root.pem" -untrusted "$here/intermediate.pem" "$here/leaf.pem"
