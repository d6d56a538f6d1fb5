#!/usr/bin/env bash
# Runs quillon-cli on the sample set beside this script: the chain, its CRL and the leaf's key go in
# as if dropped one after another, and a PKCS#12 of the leaf comes out under out/.
set -euo pipefail

cli=${1:?usage: run-demo.sh PATH-TO-quillon-cli}
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../out"
mkdir -p "$out"
target="$out/sample-chain.p12"

# A sample pass phrase, given on the command line so that the demo needs no typing. For real keys use
# --passout env:VAR, file:PATH, fd:N or stdin, or leave it out and type it when asked.
sample_pass="quillon-sample"

echo "\$ quillon-cli --form PKCS#12 --passout pass:$sample_pass -o out/sample-chain.p12 <root> <intermediate> <leaf> <crl> <key>"
"$cli" --form PKCS#12 --passout "pass:$sample_pass" -o "$target" \
  "$here/root.pem" \
  "$here/intermediate.pem" \
  "$here/leaf.pem" \
  "$here/intermediate.crl" \
  "$here/leaf.key"

echo
echo "Written: out/sample-chain.p12. To look inside it:"
echo "  openssl pkcs12 -in out/sample-chain.p12 -info -nokeys -passin pass:$sample_pass"
