#!/usr/bin/env bash
# Runs the benchmark suite against a Release build: makes the inputs, checks that Quillon and the openssl
# command doing the same job produce the same result, then times both in alternating runs and prints
# a table of medians (wall time, CPU time, peak memory) and their ratios.
# Usage: bench/run-bench.sh BUILD_DIR        (make bench does the build first)
# RUNS_SCALE=N multiplies the number of timed runs (default 1).
set -euo pipefail

BUILD=${1:?usage: $0 BUILD_DIR}
BUILD=$(cd "$BUILD" && pwd)
CLI=$BUILD/cli/quillon-cli
APP=$BUILD/app/quillon
MAKE_INPUTS=$BUILD/bench/quillon-bench-inputs
PAIR=$BUILD/bench/quillon-bench-pair
CHAIN_BENCH=$BUILD/bench/quillon-bench-chain
WINDOW_BENCH=$BUILD/bench/quillon-bench-window
FRAME_PROBE=$BUILD/bench/libquillon_first_frame_probe.so
SCRATCH=$BUILD/bench-scratch
IN=$SCRATCH/in
OUT=$SCRATCH/out
TABLE=$BUILD/bench-results.md
SCALE=${RUNS_SCALE:-1}

for tool in openssl "$CLI" "$MAKE_INPUTS" "$PAIR"; do
    command -v "$tool" >/dev/null || { echo "bench: missing $tool" >&2; exit 1; }
done

rm -rf "$SCRATCH"
mkdir -p "$IN" "$OUT"
echo "== making inputs in $IN"
"$MAKE_INPUTS" "$IN"

ROWS=()      # one markdown table row per case
FAILED=0

ms() { awk -v s="$1" 'BEGIN { printf "%.1f ms", s * 1000 }'; }

# measure RUNS QUILLON_CMD... -- OTHER_CMD... [-- FLOOR_CMD...]: alternating runs of all; sets Q_WALL Q_CPU
# Q_KB and O_WALL O_CPU O_KB (and F_WALL F_CPU F_KB for a third command), the medians.
measure() {
    local runs=$1
    shift
    local lines
    lines=$("$PAIR" "$runs" -- "$@") || { echo "bench: a command failed" >&2; return 1; }
    read -r Q_WALL Q_CPU Q_KB <<<"$(sed -n 1p <<<"$lines")"
    read -r O_WALL O_CPU O_KB <<<"$(sed -n 2p <<<"$lines")"
    read -r F_WALL F_CPU F_KB <<<"$(sed -n 3p <<<"$lines")"
}

# row CASE RATIO_GOAL [INPUT MEMORY_GOAL]: a table row from the last measurement, judging the goals on
# the median wall times, and, where INPUT is given, Quillon's peak memory against INPUT's size.
row() {
    local name=$1 goal=$2 input=${3:-} memgoal=${4:--} line input_kb=0
    [ -n "$input" ] && input_kb=$(($(stat -c %s "$input") / 1024))
    line=$(awk -v q="$Q_WALL" -v o="$O_WALL" -v qc="$Q_CPU" -v oc="$O_CPU" -v qk="$Q_KB" -v ok="$O_KB" \
        -v g="$goal" -v ik="$input_kb" -v mg="$memgoal" 'BEGIN {
        r = q / o; good = (r <= g); memtext = "";
        if (ik > 0) {
            m = qk / ik; memtext = sprintf("%.2f", m);
            if (mg != "-") { good = good && (m <= mg); memtext = memtext sprintf(" (≤ %s)", mg) }
        }
        printf "| %.1f ms | %.1f ms | **%.2f** (≤ %s) | %.2f | %d | %d | %.2f | %s | %s |",
               q * 1000, o * 1000, r, g, (oc > 0 ? qc / oc : 0), qk, ok, qk / ok, memtext, good ? "holds" : "MISSED" }')
    [[ $line == *holds* ]] || FAILED=1
    ROWS+=("| $name $line")
}

# failed CASE WHY: a row without numbers.
failed() {
    echo "bench: $1: $2, no ratio reported" >&2
    ROWS+=("| $1 | - | - | $2 | - | - | - | - | - | MISSED |")
    FAILED=1
}
mismatch() { failed "$1" "results differ"; }

# The sorted PEM blocks of a PKCS#12 file, each on one line, bag attributes dropped.
p12_blocks() {
    openssl pkcs12 -legacy -in "$1" -passin pass:bench -nodes 2>/dev/null |
        awk '/^-----BEGIN/ { block = "" } { block = block $0 } /^-----END/ { print block }' | sort
}

# ---- one certificate, PEM to DER ---------------------------------------------------------------
echo "== one certificate PEM -> DER"
Q_CERT=("$CLI" -q -f cert -e der -o "$OUT/q-cert.der" "$IN/chain/user.pem")
O_CERT=(openssl x509 -in "$IN/chain/user.pem" -outform DER -out "$OUT/o-cert.der")
"${Q_CERT[@]}" || true; "${O_CERT[@]}" || true
if cmp -s "$OUT/q-cert.der" "$OUT/o-cert.der"; then
    if measure $((40 * SCALE)) "${Q_CERT[@]}" -- "${O_CERT[@]}"; then
        row "certificate PEM → DER" 1.0
    else
        failed "certificate PEM → DER" "a run failed"
    fi
else
    mismatch "certificate PEM → DER"
fi

# ---- a CRL of a million entries, DER to PEM, against openssl and against base64 (the floor) --------
echo "== CRL of 1,000,000 entries DER -> PEM"
Q_CRL=("$CLI" -q -f crl -e pem -o "$OUT/q-crl.pem" "$IN/crl-1m.der")
O_CRL=(openssl crl -inform DER -in "$IN/crl-1m.der" -outform PEM -out "$OUT/o-crl.pem")
# The least any DER to PEM conversion costs: the same bytes base64-encoded in lines of 64, read and written.
F_CRL=(sh -c 'exec base64 -w 64 "$1" >"$2"' floor "$IN/crl-1m.der" "$OUT/f-crl.b64")
"${Q_CRL[@]}" || true; "${O_CRL[@]}" || true
if cmp -s "$OUT/q-crl.pem" "$OUT/o-crl.pem"; then
    if measure $((5 * SCALE)) "${Q_CRL[@]}" -- "${O_CRL[@]}" -- "${F_CRL[@]}"; then
        row "CRL of 1,000,000 entries DER → PEM" 0.3 "$IN/crl-1m.der" 2.5
        O_WALL=$F_WALL O_CPU=$F_CPU O_KB=$F_KB
        row "the same against \`base64 -w 64\` (the floor; in the openssl columns)" 4
    else
        failed "CRL of 1,000,000 entries DER → PEM" "a run failed"
    fi
else
    mismatch "CRL of 1,000,000 entries DER → PEM"
fi

# ---- a PKCS#7 bundle of 10,000 certificates, read and arranged ----------------------------------
echo "== PKCS#7 bundle of 10,000 certificates, read and arranged"
Q_P7=("$CLI" -n "$IN/bundle-10k.p7b")
O_P7=(openssl pkcs7 -inform DER -in "$IN/bundle-10k.p7b" -print_certs -noout)
q_count=$("${Q_P7[@]}" | grep -c '^++Check One PKCS#12Bag, type=11003$' || true)
o_count=$("${O_P7[@]}" | grep -c '^subject=' || true)
if [ "$q_count" = 10000 ] && [ "$o_count" = 10000 ]; then
    if measure $((7 * SCALE)) "${Q_P7[@]}" -- "${O_P7[@]}"; then
        row "PKCS#7 of 10,000 certificates: \`-n\` vs \`pkcs7 -print_certs -noout\`" 0.3 "$IN/bundle-10k.p7b"
    else
        failed "PKCS#7 of 10,000 certificates: \`-n\` vs \`pkcs7 -print_certs -noout\`" "a run failed"
    fi
else
    echo "bench: certificates seen: quillon $q_count, openssl $o_count" >&2
    mismatch "PKCS#7 of 10,000 certificates"
fi

# ---- a JKS of 1,000 trusted certificates, read whole and converted --------------------------------
echo "== JKS of 1,000 trusted certificates"
JKS=$IN/trust-1k.jks
Q_JKS=("$CLI" -q --explain --passin pass:bench1 -f cert -e pem -o "$OUT/q-jks.pem" "$JKS")
O_JKS=(keytool -list -rfc -keystore "$JKS" -storepass bench1)
if command -v keytool >/dev/null; then
    q_count=$("${Q_JKS[@]}" | grep -c '^  .*: certificate' || true)
    o_count=$("${O_JKS[@]}" 2>/dev/null | grep -c 'BEGIN CERTIFICATE' || true)
    if [ "$q_count" = 1000 ] && [ "$o_count" = 1000 ]; then
        if measure $((5 * SCALE)) "${Q_JKS[@]}" -- "${O_JKS[@]}"; then
            row "JKS of 1,000 trusted certificates, \`--explain\` and written, vs \`keytool -list -rfc\`" 0.1
            [ "$Q_KB" -le 30720 ] || { echo "bench: JKS read peaks at $Q_KB KB (goal ≤ 30 MB)" >&2; FAILED=1; }
        else
            failed "JKS of 1,000 trusted certificates" "a run failed"
        fi
    else
        echo "bench: certificates seen in the JKS: quillon $q_count, keytool $o_count" >&2
        mismatch "JKS of 1,000 trusted certificates"
    fi
else
    echo "bench: no keytool (default-jre-headless); the JKS row is left out" >&2
fi

# ---- PKCS#12 export, 3-certificate chain and RSA-2048 key, 3DES ---------------------------------
echo "== PKCS#12 export"
C=$IN/chain
Q_P12=("$CLI" -q -f p12 --passout pass:bench -o "$OUT/q.p12" "$C/user.pem" "$C/inter.pem" "$C/root.pem" "$C/user-key.pem")
O_P12=(openssl pkcs12 -export -legacy -in "$C/chain.pem" -inkey "$C/user-key.pem" -passout pass:bench -out "$OUT/o.p12")
"${Q_P12[@]}" || true; "${O_P12[@]}" || true
if [ "$(p12_blocks "$OUT/q.p12" | grep -c CERTIFICATE)" = 3 ] &&
    [ "$(p12_blocks "$OUT/q.p12")" = "$(p12_blocks "$OUT/o.p12")" ]; then
    if measure $((40 * SCALE)) "${Q_P12[@]}" -- "${O_P12[@]}"; then
        row "PKCS#12 export: 3 certificates + RSA-2048 key, 3DES" 1.1
    else
        failed "PKCS#12 export: 3 certificates + RSA-2048 key, 3DES" "a run failed"
    fi
else
    mismatch "PKCS#12 export"
fi

# ---- --check of a 600,000-iteration PKCS#12, without and with its pass phrase ---------------------
echo "== --check of a 600,000-iteration PKCS#12"
CHECK_P12=$OUT/check-600k.p12
"$CLI" -q -f p12 -c aes256 --passout pass:bench -o "$CHECK_P12" "$C/user.pem" "$C/inter.pem" "$C/root.pem" "$C/user-key.pem" || true
O_INFO=(openssl pkcs12 -info -noout -passin pass:bench -in "$CHECK_P12")
Q_CHECK=("$CLI" --check "$CHECK_P12")
Q_CHECK_PASS=("$CLI" --check --passin pass:bench "$CHECK_P12")
# The same file for both: openssl sees 600,000 iterations throughout, and both sides open it.
if [ "$("${O_INFO[@]}" 2>&1 | grep -c 'Iteration 600000\|iteration 600000')" -ge 3 ] &&
    [ "$("${Q_CHECK[@]}" | grep -c '600000 iterations')" = 3 ] &&
    "${Q_CHECK_PASS[@]}" | grep -q '600000 iterations (verified)'; then
    if measure $((5 * SCALE)) "${Q_CHECK[@]}" -- "${O_INFO[@]}"; then
        row "\`--check\` of a 600,000-iteration PKCS#12, no pass phrase, vs \`pkcs12 -info -noout\`" 0.1
    else
        failed "--check of a PKCS#12, no pass phrase" "a run failed"
    fi
    if measure $((5 * SCALE)) "${Q_CHECK_PASS[@]}" -- "${O_INFO[@]}"; then
        row "\`--check --passin\` of the same file (opens the key bag too)" 1.6
    else
        failed "--check of a PKCS#12 with its pass phrase" "a run failed"
    fi
else
    mismatch "--check of a 600,000-iteration PKCS#12"
fi

# ---- issuers from the system's trust store; a server's four files --------------------------------
echo "== --system-ca, and --layout certbot"
# The root left out, so that the store is searched (and the issuer named as missing when it lacks it).
Q_SYS=("$CLI" -n -q "$C/user.pem" "$C/inter.pem" --system-ca)
O_SYS=("$CLI" -n -q "$C/user.pem" "$C/inter.pem")
if "${Q_SYS[@]}" 2>/dev/null && measure $((40 * SCALE)) "${Q_SYS[@]}" -- "${O_SYS[@]}"; then
    line=$(awk -v q="$Q_WALL" -v o="$O_WALL" -v qk="$Q_KB" -v ok="$O_KB" 'BEGIN {
        d = (q - o) * 1000
        printf "| %.1f ms | %.1f ms | **+%.1f ms** (≤ +20 ms) | | %d | %d | %.2f | | %s |", q * 1000, o * 1000, d,
               qk, ok, qk / ok, d <= 20 ? "holds" : "MISSED" }')
    [[ $line == *holds* ]] || FAILED=1
    ROWS+=("| \`--system-ca\` ($(grep -c BEGIN "${SSL_CERT_FILE:-/etc/ssl/certs/ca-certificates.crt}" 2>/dev/null || echo ?) roots) against none; in the openssl columns $line")
else
    failed "--system-ca against none" "a run failed"
fi
Q_LAY=("$CLI" -q "$C/user.pem" "$C/user-key.pem" "$C/inter.pem" "$C/root.pem" --layout certbot --out-dir "$OUT/layout")
O_LAY=("$CLI" -q -f cert -e pem -o "$OUT/one-cert.pem" "$C/user.pem" "$C/user-key.pem" "$C/inter.pem" "$C/root.pem")
if "${Q_LAY[@]}" && [ "$(ls "$OUT/layout" | wc -l)" = 4 ] && measure $((40 * SCALE)) "${Q_LAY[@]}" -- "${O_LAY[@]}"; then
    row "\`--layout certbot\` (4 files) against one \`-f cert -e pem\` run, in the openssl columns" 1.5
else
    failed "--layout certbot" "a run failed"
fi

# ---- 1,000 and 10,000 certificate files at once ------------------------------------------------
echo "== 1,000 and 10,000 DER certificate files at once"
cd "$IN"
FILES_10K=(files-10k/*.der)
FILES_1K=(files-1k/*.der)
"$CLI" -n -q "${FILES_10K[@]}" 2>"$OUT/files-10k.stderr" || true
"$CLI" -n -q "${FILES_1K[@]}" 2>"$OUT/files-1k.stderr" || true
if [ ${#FILES_10K[@]} = 10000 ] && [ ! -s "$OUT/files-10k.stderr" ] && [ ! -s "$OUT/files-1k.stderr" ]; then
    if measure $((5 * SCALE)) "$CLI" -n -q "${FILES_10K[@]}" -- "$CLI" -n -q "${FILES_1K[@]}"; then
        ROWS+=("| 1,000 DER certificate files, \`-n\` | $(ms "$O_WALL") | | | | $O_KB | | | | |")
        row "10,000 DER certificate files, \`-n\` (against the 1,000 run)" 12
    else
        failed "1,000 / 10,000 certificate files" "a run failed"
    fi
else
    echo "bench: not every certificate file was accepted (see $OUT/files-*.stderr)" >&2
    mismatch "1,000 / 10,000 certificate files"
fi
cd - >/dev/null

# ---- the window: start to first shown frame -----------------------------------------------------
WINDOW_LINE="window: not built here (needs the GUI build)"
if [ -x "$APP" ] && [ -x "$WINDOW_BENCH" ] && [ -f "$FRAME_PROBE" ]; then
    echo "== window start to first frame (offscreen)"
    if WINDOW_LINE=$("$WINDOW_BENCH" "$APP" "$FRAME_PROBE" $((15 * SCALE))); then :; else
        WINDOW_LINE="window: no frame was shown ($WINDOW_LINE)"
        FAILED=1
    fi
fi

# ---- BuildChain micro-suite -------------------------------------------------------------------
CHAIN_LINES=""
if [ -x "$CHAIN_BENCH" ]; then
    echo "== BuildChain over 10 to 100,000 bags"
    "$CHAIN_BENCH" --benchmark_min_time=0.3 | tee "$OUT/chain.txt" || FAILED=1
    CHAIN_LINES=$(grep -E '^BuildChain/|_BigO|_RMS' "$OUT/chain.txt" || true)
fi

{
    echo "| case | Quillon | openssl | ratio (goal) | CPU ratio | Quillon peak KB | openssl peak KB | memory ratio | Quillon peak / input size (goal) | goals |"
    echo "|---|---|---|---|---|---|---|---|---|---|"
    printf '%s\n' "${ROWS[@]}"
    echo
    echo "$WINDOW_LINE"
    if [ -n "$CHAIN_LINES" ]; then
        echo
        echo "BuildChain (wall time, CPU time, time per bag) and its complexity fits:"
        echo '```'
        echo "$CHAIN_LINES"
        echo '```'
    fi
    echo
    echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(date -u '+%Y-%m-%d %H:%M UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg), $(openssl version | cut -d' ' -f1-2)"
} >"$TABLE"
echo
cat "$TABLE"
echo
echo "(table saved in $TABLE)"
exit $FAILED
