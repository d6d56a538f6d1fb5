#!/usr/bin/env bash
# Checks that the servers load what `quillon-cli --layout` writes: makes a root, an intermediate and a
# leaf (for localhost) with the openssl command, has quillon-cli complete the leaf's chain from a trust
# store and write the certbot, haproxy, k8s and pfx layouts, then runs `openssl verify`, `nginx -t` on a
# minimal configuration, `haproxy -c`, a YAML parse of the secret and `openssl pkcs12` on the bundle.
# Also checks that the order of the inputs and of the store files changes no file. Installs the servers
# of deps/debian-packages-server-check.txt when missing. Not part of `make test`.
set -uo pipefail

cli=${1:-build/main/cli/quillon-cli}
here=$(cd "$(dirname "$0")/.." && pwd)
[ -x "$cli" ] || { echo "server-check: no quillon-cli at $cli (build first)" >&2; exit 2; }
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

# The servers, installed when missing.
"$here/scripts/install-deps.sh" "$here/deps/debian-packages-server-check.txt" >/dev/null ||
  { echo "server-check: could not install the servers" >&2; exit 2; }
export PATH="$PATH:/usr/sbin"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
failures=0
check() {  # check NAME COMMAND...: runs it quietly, prints ok or its output
  local name=$1; shift
  if out=$("$@" 2>&1); then
    echo "ok    $name"
  else
    echo "FAIL  $name"; echo "$out" | sed 's/^/      /'
    failures=$((failures + 1))
  fi
}

# The chain: root -> intermediate -> leaf (localhost), as a public CA would issue them.
ext() { printf '%s\n' "$@" > "$work/ext.cnf"; }
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout root.key -out root.pem -days 30 \
  -subj "/O=Server Check/CN=Check Root" -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null || exit 2
openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout inter.key -out inter.csr \
  -subj "/O=Server Check/CN=Check Intermediate" 2>/dev/null || exit 2
ext "basicConstraints=critical,CA:TRUE,pathlen:0" "keyUsage=critical,keyCertSign,cRLSign" \
  "subjectKeyIdentifier=hash" "authorityKeyIdentifier=keyid" "authorityInfoAccess=caIssuers;URI:http://ca.invalid/root.der"
openssl x509 -req -in inter.csr -CA root.pem -CAkey root.key -CAcreateserial -days 30 -extfile ext.cnf \
  -out inter.pem 2>/dev/null || exit 2
openssl req -newkey rsa:2048 -nodes -keyout leaf.key -out leaf.csr -subj "/CN=localhost" 2>/dev/null || exit 2
ext "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature,keyEncipherment" "extendedKeyUsage=serverAuth" \
  "subjectAltName=DNS:localhost" "subjectKeyIdentifier=hash" "authorityKeyIdentifier=keyid" \
  "authorityInfoAccess=caIssuers;URI:http://ca.invalid/inter.der"
openssl x509 -req -in leaf.csr -CA inter.pem -CAkey inter.key -CAcreateserial -days 30 -extfile ext.cnf \
  -out leaf.pem 2>/dev/null || exit 2

# The store: an intermediates bundle (with an unrelated certificate) and a folder of roots with hash links.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout other.key -out other.pem -days 30 \
  -subj "/CN=Unrelated Root" 2>/dev/null || exit 2
cat other.pem inter.pem > intermediates.pem
mkdir roots && cp root.pem other.pem roots/ && openssl rehash roots 2>/dev/null

layout() {  # layout NAME OUTDIR [extra args]: the leaf and its key, completed from the store
  local name=$1 dir=$2; shift 2
  mkdir -p "$dir"
  "$cli" -q "$@" --ca-file intermediates.pem --ca-dir roots --layout "$name" --out-dir "$dir"
}

check "certbot layout written" layout certbot certbot leaf.pem leaf.key
check "openssl verify fullchain.pem" openssl verify -CAfile root.pem -untrusted certbot/chain.pem certbot/cert.pem
check "privkey.pem is 0600" test "$(stat -c %a certbot/privkey.pem)" = 600
check "no root in fullchain.pem" test "$(grep -c 'BEGIN CERTIFICATE' certbot/fullchain.pem)" = 2
cat > nginx.conf <<CONF
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events {}
http {
  access_log off;
  client_body_temp_path $work/nginx-tmp;
  server {
    listen 127.0.0.1:18443 ssl;
    server_name localhost;
    ssl_certificate $work/certbot/fullchain.pem;
    ssl_certificate_key $work/certbot/privkey.pem;
  }
}
CONF
check "nginx -t" nginx -t -q -p "$work" -e "$work/nginx-error.log" -c "$work/nginx.conf"

check "haproxy layout written" layout haproxy haproxy leaf.key leaf.pem
cat > haproxy.cfg <<CONF
defaults
  mode http
  timeout connect 5s
  timeout client 5s
  timeout server 5s
frontend tls
  bind 127.0.0.1:18444 ssl crt $work/haproxy/haproxy.pem
  default_backend none
backend none
CONF
check "haproxy -c" haproxy -c -q -f haproxy.cfg

check "k8s layout written" layout k8s k8s leaf.pem leaf.key
check "k8s secret parses" python3 - k8s/tls-secret.yaml <<'PY'
import base64, sys, yaml
doc = yaml.safe_load(open(sys.argv[1]))
assert doc["kind"] == "Secret" and doc["type"] == "kubernetes.io/tls", doc
assert doc["metadata"]["name"] == "localhost", doc["metadata"]
for key in ("tls.crt", "tls.key", "ca.crt"):
    base64.b64decode(doc["data"][key], validate=True)
PY

check "pfx layout written" layout pfx pfx leaf.pem leaf.key --passout pass:check
check "bundle.p12 opens and holds 3 certificates" test "$(openssl pkcs12 -in pfx/bundle.p12 -passin pass:check \
  -nokeys 2>/dev/null | grep -c 'BEGIN CERTIFICATE')" = 3
check "bundle.p12 is 0600" test "$(stat -c %a pfx/bundle.p12)" = 600

# Another order of inputs and of store files: the same files.
mkdir -p again
check "certbot layout, other order" "$cli" -q leaf.key leaf.pem --ca-dir roots --ca-file intermediates.pem \
  --layout certbot --out-dir again
for f in cert.pem chain.pem fullchain.pem privkey.pem; do
  check "same $f" cmp certbot/$f again/$f
done

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
