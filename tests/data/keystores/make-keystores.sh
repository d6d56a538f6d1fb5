#!/usr/bin/env bash
# Makes the Java key stores the key store reader's tests read, with Java's keytool. The committed files
# were made by this script (OpenJDK 17); a rerun makes new keys, so the tests check only what is stated
# here: aliases, pass phrases, entry kinds and that each key matches its certificate.
#   store.jks    JKS:   "web" key entry (RSA, its own key password, chain web → Keystore Test CA),
#                       "ca" trusted certificate (the CA)
#   store.jceks  JCEKS: the same entries, plus "aes" secret-key entry (AES-128)
# Store pass phrase "storepass1", key password of "web" "keypass22", of "aes" the store's.
#   usage: tests/data/keystores/make-keystores.sh [DIR]   (default: this folder)
set -euo pipefail
out=$(realpath -m "${1:-$(dirname "$0")}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
sp=storepass1
kp=keypass22
kt() { keytool "$@" 2>&1 | grep -v -e 'proprietary format' -e 'migrate to PKCS12' -e '^$' -e '^Warning:$' || true; }

# The CA, in a scratch store of its own.
kt -genkeypair -keystore ca.p12 -storetype PKCS12 -storepass $sp -alias ca -keyalg RSA -keysize 2048 \
  -dname "CN=Keystore Test CA, O=Quillon Tests" -ext bc:c -validity 7300
kt -exportcert -rfc -keystore ca.p12 -storepass $sp -alias ca -file ca.pem

for type in JKS JCEKS; do
  store=store.$(echo $type | tr A-Z a-z)
  kt -importcert -noprompt -keystore $store -storetype $type -storepass $sp -alias ca -file ca.pem
  kt -genkeypair -keystore $store -storetype $type -storepass $sp -alias web -keypass $kp -keyalg RSA \
    -keysize 2048 -dname "CN=web.example.test, O=Quillon Tests" -validity 7300
  kt -certreq -keystore $store -storetype $type -storepass $sp -alias web -keypass $kp -file web.csr
  kt -gencert -keystore ca.p12 -storepass $sp -alias ca -infile web.csr -outfile web.pem -rfc -validity 7300
  # The reply chains to the trusted "ca": the entry's chain becomes web, then the CA.
  kt -importcert -noprompt -keystore $store -storetype $type -storepass $sp -alias web -keypass $kp -file web.pem
  if [ $type = JCEKS ]; then
    kt -genseckey -keystore $store -storetype $type -storepass $sp -alias aes -keypass $sp -keyalg AES -keysize 128
  fi
  cp $store "$out/$store"
done
ls -l "$out"/store.*
