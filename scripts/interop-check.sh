#!/usr/bin/env bash
# Writes each encrypted output quillon-cli can make (PKCS#12, PKCS#8, PrivateKey, each cipher) from the
# samples in examples/ (chain, CRL, key) and tries to open it with the importers people use: OpenSSL 3
# with its default provider only, Java's keytool, NSS's pk12util, GnuTLS's certtool and Python's
# cryptography. Prints one table (output x importer). Fails when an aes256 output, or a PKCS#12 written
# with the start cipher (3des192), is refused anywhere: those are the files every importer must take.
# Then a PKCS#12 for each --for target: its schemes as its row says, opened by the importers that stand
# for the target. Then Java's key stores, read and written, checked with keytool. Slow (600,000 iterations per aes256 derivation), so it is `make interop`, not part of
# `make test`.
set -uo pipefail

cli=${1:-build/main/cli/quillon-cli}
here=$(cd "$(dirname "$0")/.." && pwd)
samples="$here/examples"
[ -x "$cli" ] || { echo "interop-check: no quillon-cli at $cli (build first)" >&2; exit 2; }

# The importers, installed when missing.
"$here/scripts/install-deps.sh" "$here/deps/debian-packages-interop.txt" >/dev/null ||
  { echo "interop-check: could not install the importers" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pass="interop pass"
export QUILLON_INTEROP_PASS="$pass"
inputs=("$samples/root.pem" "$samples/intermediate.pem" "$samples/leaf.pem" "$samples/intermediate.crl"
        "$samples/leaf.key")

# An NSS database per import, so that one import cannot help the next.
nss_import() {
  local db="$work/nss.$RANDOM"
  mkdir "$db" && certutil -N -d "sql:$db" --empty-password >/dev/null 2>&1 &&
    pk12util -i "$1" -d "sql:$db" -W "$pass" -K '' >/dev/null 2>&1
}

python_open() {  # kind file
  python3 - "$1" "$2" <<'EOF' >/dev/null 2>&1
import os, sys
from cryptography.hazmat.primitives import serialization
from cryptography.hazmat.primitives.serialization import pkcs12
kind, path = sys.argv[1], sys.argv[2]
data, pw = open(path, "rb").read(), os.environ["QUILLON_INTEROP_PASS"].encode()
if kind == "p12":
    key, cert, extra = pkcs12.load_key_and_certificates(data, pw)
    assert key is not None and cert is not None
else:
    serialization.load_pem_private_key(data, pw)
EOF
}

# open IMPORTER KIND FILE: 0 when the importer opens the file (and, for PKCS#12, finds the key).
open_with() {
  local f=$3
  case "$1:$2" in
    openssl:p12) openssl pkcs12 -in "$f" -passin env:QUILLON_INTEROP_PASS -nodes 2>/dev/null | grep -q 'PRIVATE KEY-----' ;;
    openssl:*) openssl pkey -in "$f" -passin env:QUILLON_INTEROP_PASS -noout >/dev/null 2>&1 ;;
    keytool:p12) keytool -list -storetype PKCS12 -keystore "$f" -storepass "$pass" 2>/dev/null | grep -q PrivateKeyEntry ;;
    pk12util:p12) nss_import "$f" ;;
    certtool:p12) certtool --p12-info --inder --infile "$f" --password "$pass" 2>/dev/null | grep -q 'PRIVATE KEY-----' ;;
    certtool:p8) certtool --key-info --pkcs8 --infile "$f" --password "$pass" >/dev/null 2>&1 ;;
    certtool:key) certtool --key-info --infile "$f" --password "$pass" >/dev/null 2>&1 ;;
    python:*) python_open "$2" "$f" ;;
    *) return 3 ;;
  esac
}

importers=(openssl keytool pk12util certtool python)
outputs=("p12 aes256" "p12 3des192" "p12 3des128" "p12 rc2-128" "p12 rc2-40"
         "p8 aes256" "p8 des64" "p8 rc2-40" "key aes256" "key 3des192" "key des64")
printf '%-13s' output; printf ' %-9s' "${importers[@]}"; printf '\n'
failed=0
for out in "${outputs[@]}"; do
  form=${out% *} cipher=${out#* }
  file="$work/$form-$cipher.$form"
  if ! "$cli" -q -f "$form" -e pem -c "$cipher" --passout env:QUILLON_INTEROP_PASS -o "$file" "${inputs[@]}" 2>"$work/err"; then
    printf '%-13s not written: %s\n' "$out" "$(cat "$work/err")"
    failed=1
    continue
  fi
  printf '%-13s' "$out"
  for importer in "${importers[@]}"; do
    open_with "$importer" "$form" "$file"
    case $? in
      0) cell=ok ;;
      3) cell=- ;;
      *) cell=REFUSED
         [ "$cipher" = aes256 ] || [ "$out" = "p12 3des192" ] && failed=1 ;;
    esac
    printf ' %-9s' "$cell"
  done
  printf '\n'
done
# The PKCS#12 inputs include a CRL: every p12 row also checks that no CRL bag makes an importer refuse it.
[ $failed -eq 0 ] && echo "interop-check: every aes256 output and the 3des192 PKCS#12 opened everywhere" ||
  echo "interop-check: an output every importer must take was refused or not written" >&2

# --for: a PKCS#12 per target. `openssl pkcs12 -info` must show the schemes, MAC and counts of the
# target's row in the table --help prints; the importers that stand for the target here must open it
# (the platforms' own stores are not on Debian: their rows are only checked for their schemes).
declare -A takers=([modern]="openssl python pk12util" [java]=keytool [java-legacy]=keytool [nss]=pk12util)
scheme() {
  case $1 in
    AES-256) echo "PBES2, PBKDF2, AES-256-CBC, Iteration $2, PRF hmacWithSHA256" ;;
    3DES) echo "pbeWithSHA1And3-KeyTripleDES-CBC, Iteration $2" ;;
    *) echo "unknown $1" ;;
  esac
}
echo
printf '%-15s %-9s' "--for" "schemes"; printf ' %-9s' "${importers[@]}"; printf '\n'
targets_failed=0
while read -r target rest; do
  # "macos  macOS 12-14 keychain  3DES/3DES/SHA-1  2048": the last fields are the ciphers and counts.
  fields=($rest)
  n=${#fields[@]}
  if [[ ${fields[n-1]} == \(*\) ]]; then
    mac_iters=${fields[n-1]//[()]/} iters=${fields[n-2]} algos=${fields[n-3]}
  else
    mac_iters=${fields[n-1]} iters=${fields[n-1]} algos=${fields[n-2]}
  fi
  IFS=/ read -r key_alg cert_alg mac_alg <<<"$algos"
  mac_digest=$(echo "${mac_alg//-/}" | tr A-Z a-z)
  file="$work/for-$target.p12"
  if ! "$cli" -q -f p12 --for "$target" --passout env:QUILLON_INTEROP_PASS -o "$file" "${inputs[@]}" 2>"$work/err"; then
    printf '%-15s not written: %s\n' "$target" "$(cat "$work/err")"; targets_failed=1; continue
  fi
  info=$(openssl pkcs12 -info -noout -in "$file" -passin env:QUILLON_INTEROP_PASS 2>&1)
  cell=ok
  wants=("MAC: $mac_digest, Iteration $mac_iters" "PKCS7 Encrypted data: $(scheme "$cert_alg" "$iters")")
  [ "$target" = java-truststore ] || wants+=("Shrouded Keybag: $(scheme "$key_alg" "$iters")")  # no key in it
  for want in "${wants[@]}"; do
    grep -qxF "$want" <<<"$info" || { cell=WRONG; targets_failed=1; echo "  $target: no line \"$want\"" >&2; }
  done
  printf '%-15s %-9s' "$target" "$cell"
  # A trust store holds no key, which is what the importers look for: keytool checks it below.
  [ "$target" = java-truststore ] && { printf ' (certificates only: see "Java key stores" below)\n'; continue; }
  for importer in "${importers[@]}"; do
    open_with "$importer" p12 "$file"
    case $? in
      0) cell=ok ;;
      3) cell=- ;;
      *) cell=refused
         [[ " ${takers[$target]:-} " == *" $importer "* ]] && { cell=REFUSED; targets_failed=1; } ;;
    esac
    printf ' %-9s' "$cell"
  done
  printf '\n'
done < <("$cli" --help | sed -n '/^Targets of --for/,/^$/p' | sed '1,2d;/^$/d')
[ $targets_failed -eq 0 ] && echo "interop-check: every --for PKCS#12 shows its row's schemes and opens where its target says" ||
  echo "interop-check: a --for PKCS#12 differs from its row or was refused by its target's importer" >&2

# Java's key stores: the stores keytool made (tests/data/keystores) convert to the same certificates and
# key that keytool's own export gives; a trust store lists every certificate as trusted; --name is the alias.
jks_failed=0
jks_check() {  # what-it-checks command...
  if "${@:2}" >/dev/null 2>"$work/err"; then echo "  ok     $1"; else echo "  FAILED $1: $(head -c 300 "$work/err")"; jks_failed=1; fi
}
stores="$here/tests/data/keystores"
echo
echo "Java key stores:"
for store in store.jks store.jceks; do
  type=$([ "$store" = store.jks ] && echo JKS || echo JCEKS)
  keytool -importkeystore -noprompt -srckeystore "$stores/$store" -srcstoretype $type -srcstorepass storepass1 \
    -srcalias web -srckeypass keypass22 -destkeystore "$work/kt-$store.p12" -deststoretype PKCS12 \
    -deststorepass "$pass" -destkeypass "$pass" >/dev/null 2>&1
  openssl pkcs12 -in "$work/kt-$store.p12" -passin env:QUILLON_INTEROP_PASS -nodes -out "$work/kt-$store.pem" 2>/dev/null
  jks_check "$store to PKCS#12 (--name web): same certificates and key as keytool's export" bash -c '
    grep -q "BEGIN CERTIFICATE" "$3" && "$0" -q -f p12 --name web --passin pass:storepass1 --keypass pass:keypass22 --passout env:QUILLON_INTEROP_PASS \
      -o "$1.p12" "$2" 2>/dev/null &&
    openssl pkcs12 -in "$1.p12" -passin env:QUILLON_INTEROP_PASS -nodes -out "$1.pem" 2>/dev/null &&
    diff <(openssl crl2pkcs7 -nocrl -certfile "$1.pem" | openssl pkcs7 -print_certs | grep -v -e ^subject -e ^issuer -e "^$") \
         <(openssl crl2pkcs7 -nocrl -certfile "$3" | openssl pkcs7 -print_certs | grep -v -e ^subject -e ^issuer -e "^$") &&
    cmp <(openssl pkey -in "$1.pem") <(openssl pkey -in "$3") &&
    keytool -list -storetype PKCS12 -keystore "$1.p12" -storepass "$QUILLON_INTEROP_PASS" | grep -q "^web, .*PrivateKeyEntry"
  ' "$cli" "$work/q-$store" "$stores/$store" "$work/kt-$store.pem"
  jks_check "$store to PEM key: the key keytool's export holds" bash -c '
    "$0" -q -f key -e pem --passin pass:storepass1 --keypass pass:keypass22 -c none -o "$1.key" "$2" 2>/dev/null &&
    cmp <(openssl pkey -in "$1.key") <(openssl pkey -in "$3")
  ' "$cli" "$work/q-$store" "$stores/$store" "$work/kt-$store.pem"
done
jks_check "--for java-truststore: keytool lists 3 trustedCertEntry" bash -c '
  "$0" -q -f p12 --for java-truststore --passout env:QUILLON_INTEROP_PASS -o "$1" "${@:2}" &&
  [ "$(keytool -list -storetype PKCS12 -keystore "$1" -storepass "$QUILLON_INTEROP_PASS" | grep -c trustedCertEntry)" = 3 ]
' "$cli" "$work/trust.p12" "$samples/root.pem" "$samples/intermediate.pem" "$samples/leaf.pem"
[ $jks_failed -eq 0 ] && echo "interop-check: Java key stores convert as keytool exports them" ||
  echo "interop-check: a Java key store check failed" >&2

[ $failed -eq 0 ] && [ $targets_failed -eq 0 ] && [ $jks_failed -eq 0 ]
