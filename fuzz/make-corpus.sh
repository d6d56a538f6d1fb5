#!/usr/bin/env bash
# Makes the fuzz seed corpus in DIR (default build/fuzz/seed): a small chain with a CRL, a request and
# keys of each kind, in every input form and encoding, made here from scratch with the openssl command
# line. Encrypted seeds use the pass phrases the fuzz targets offer ("fuzz" and the empty one; a seed
# with another must add it to kSeedPassPhrases in fuzz_support.cpp). Nothing of it is committed.
#   DIR/convert_one/   one file per seed
#   DIR/convert_many/  several files joined by the targets' separator line, in telling orders
#   DIR/keystore/      the Java key stores of tests/data/keystores (made by keytool, so committed there)
set -euo pipefail
out=$(realpath -m "${1:-build/fuzz/seed}")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export OPENSSL_CONF=/dev/null  # no site configuration changes what is made
ossl() { openssl "$@" 2>err.txt || { cat err.txt >&2; echo "failed: openssl $*" >&2; return 1; }; }
pass=pass:fuzz
legacy=(-provider legacy -provider default)

cat > ext.cnf <<'CNF'
[req]
distinguished_name = dn
[dn]
[ca]
basicConstraints = critical, CA:true
keyUsage = keyCertSign, cRLSign
[leaf]
basicConstraints = CA:false
CNF

# Keys: small ones keep each execution fast.
ossl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out root.key
ossl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out inter.key
ossl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out user.key
ossl genpkey -genparam -algorithm DSA -pkeyopt dsa_paramgen_bits:1024 -out dsa.params
ossl genpkey -paramfile dsa.params -out dsa.key
ossl genpkey -algorithm ED25519 -out ed.key

# Chain: root → intermediate → user, and a CRL of the intermediate.
ossl req -new -x509 -key root.key -subj "/C=JP/O=Fuzz, Inc./CN=Fuzz Root" -days 3650 \
  -extensions ca -out root.pem -config ext.cnf
ossl req -new -key inter.key -subj "/O=Fuzz/CN=Fuzz Intermediate" -out inter.csr -config ext.cnf
ossl x509 -req -in inter.csr -CA root.pem -CAkey root.key -set_serial 2 -days 3650 \
  -extfile ext.cnf -extensions ca -out inter.pem
ossl req -new -key user.key -subj "/CN=fuzz user/emailAddress=user@example.com" -out user.csr -config ext.cnf
ossl x509 -req -in user.csr -CA inter.pem -CAkey inter.key -set_serial 3 -days 3650 \
  -extfile ext.cnf -extensions leaf -out user.pem
mkdir -p ca/newcerts && : > ca/index.txt && echo 01 > ca/crlnumber
cat > ca.cnf <<'CNF'
[ca]
default_ca = fuzzca
[fuzzca]
database = ca/index.txt
crlnumber = ca/crlnumber
default_md = sha256
default_crl_days = 30
CNF
ossl ca -gencrl -config ca.cnf -keyfile inter.key -cert inter.pem -out inter.crl

one=$out/convert_one
many=$out/convert_many
rm -rf "$one" "$many"
mkdir -p "$one" "$many"

for c in root inter user; do
  cp $c.pem "$one/$c.crt.pem"
  ossl x509 -in $c.pem -outform DER -out "$one/$c.crt.der"
done
cp inter.crl "$one/inter.crl.pem"
ossl crl -in inter.crl -outform DER -out "$one/inter.crl.der"
cp user.csr "$one/user.csr.pem"
ossl req -in user.csr -outform DER -out "$one/user.csr.der"

# Private keys: traditional PEM (clear and encrypted), PKCS#8 clear and encrypted, PEM and DER.
ossl rsa -in user.key -traditional -out "$one/user.rsa.pem"
ossl rsa -in user.key -traditional -des3 -passout $pass -out "$one/user.rsa.3des.pem"
ossl rsa -in user.key -traditional -des -passout $pass "${legacy[@]}" -out "$one/user.rsa.des.pem"
ossl dsa -in dsa.key -out "$one/dsa.pem"
ossl dsa -in dsa.key -outform DER -out "$one/dsa.der"
ossl ec -in inter.key -out "$one/inter.ec.pem"
for k in user inter dsa ed; do
  ossl pkcs8 -topk8 -nocrypt -in $k.key -out "$one/$k.p8.pem"
  ossl pkcs8 -topk8 -nocrypt -in $k.key -outform DER -out "$one/$k.p8.der"
done
ossl pkcs8 -topk8 -in user.key -v1 PBE-MD5-DES -iter 16 -passout $pass "${legacy[@]}" -outform DER -out "$one/user.p8.md5des.der"
ossl pkcs8 -topk8 -in user.key -v1 PBE-SHA1-RC2-40 -iter 16 -passout $pass "${legacy[@]}" -out "$one/user.p8.rc2.pem"
ossl pkcs8 -topk8 -in inter.key -v2 aes-128-cbc -iter 16 -passout $pass -outform DER -out "$one/inter.p8.pbes2.der"
ossl pkcs8 -topk8 -in inter.key -v2 aes-128-cbc -iter 16 -passout pass: -out "$one/inter.p8.emptypass.pem"

# Bundles: PKCS#7 with the chain and the CRL; PKCS#12 with the key and its chain.
ossl crl2pkcs7 -in inter.crl -certfile user.pem -certfile inter.pem -certfile root.pem -out "$one/chain.p7.pem"
ossl crl2pkcs7 -in inter.crl -certfile root.pem -certfile user.pem -certfile inter.pem -outform DER -out "$one/chain.p7.der"
cat inter.pem root.pem > ca-chain.pem
ossl pkcs12 -export -inkey user.key -in user.pem -certfile ca-chain.pem -name "fuzz user" \
  -iter 16 -passout $pass -out "$one/user.p12"
ossl pkcs12 -export -inkey user.key -in user.pem -certfile ca-chain.pem -name "fuzz user" -legacy \
  -iter 16 -passout $pass -out "$one/user.legacy.p12"
ossl pkcs12 -export -inkey user.key -in user.pem -iter 16 -passout pass: -out "$one/user.emptypass.p12"
ossl pkcs12 -export -nokeys -in user.pem -certfile ca-chain.pem -certpbe NONE -nomac -passout pass: -out "$one/chain.nomac.p12"

# Mixed PEM: a certificate followed by its key.
cat user.pem "$one/user.rsa.pem" > "$one/user.cert-and-key.pem"

# Multi-file seeds: arrival orders that matter to chain building, and bundles mixed with single files.
join() {
  local name=$1; shift
  local first=1
  for f in "$@"; do
    [ $first -eq 1 ] || printf '\n--next-file--\n'
    cat "$one/$f"
    first=0
  done > "$many/$name"
}
join leaf-first user.crt.pem inter.crt.der root.crt.pem inter.crl.der user.rsa.pem
join root-first root.crt.der inter.crt.pem user.crt.der user.p8.der
join user-root-inter user.crt.pem root.crt.pem inter.crt.pem
join root-user-inter root.crt.der user.crt.der inter.crt.der
join p7-and-key chain.p7.der user.p8.md5des.der
join p12-and-crl user.p12 inter.crl.pem
join p12-twice user.legacy.p12 user.p12
join request-and-key user.csr.der user.rsa.3des.pem
join keys-only dsa.der inter.ec.pem ed.p8.pem
join all-kinds root.crt.pem inter.p8.pbes2.der user.csr.pem chain.p7.pem dsa.pem user.emptypass.p12 chain.nomac.p12 inter.crl.der

rm -rf "$out/keystore"
mkdir -p "$out/keystore"
cp "$here/../tests/data/keystores/"store.* "$out/keystore/"

echo "seed corpus: $(ls "$one" | wc -l) files in $one, $(ls "$many" | wc -l) in $many"
