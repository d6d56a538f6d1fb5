#!/usr/bin/env bash
# Runs the benchmark suite against a Release build: makes the inputs, runs each case side by side with
# the openssl command doing the same job, checks both produced the same result, and prints the table.
# Usage: bench/run-bench.sh BUILD_DIR        (make bench does the build first)
# RUNS_SCALE=N multiplies the number of timed runs (default 1).
set -euo pipefail

BUILD=${1:?usage: $0 BUILD_DIR}
BUILD=$(cd "$BUILD" && pwd)
CLI=$BUILD/cli/quillon-cli
APP=$BUILD/app/quillon
MAKE_INPUTS=$BUILD/bench/quillon-bench-inputs
CHAIN_BENCH=$BUILD/bench/quillon-bench-chain
WINDOW_BENCH=$BUILD/bench/quillon-bench-window
FRAME_PROBE=$BUILD/bench/libquillon_first_frame_probe.so
SCRATCH=$BUILD/bench-scratch
IN=$SCRATCH/in
OUT=$SCRATCH/out
TABLE=$BUILD/bench-results.md
SCALE=${RUNS_SCALE:-1}

for tool in hyperfine /usr/bin/time openssl "$CLI" "$MAKE_INPUTS"; do
    command -v "$tool" >/dev/null || { echo "bench: missing $tool" >&2; exit 1; }
done

rm -rf "$SCRATCH"
mkdir -p "$IN" "$OUT"
echo "== making inputs in $IN"
"$MAKE_INPUTS" "$IN"

ROWS=()      # one markdown table row per case
FAILED=0

# median_seconds CSV ROW: the median time of the ROW-th command (1-based) of a hyperfine CSV export.
median_seconds() { awk -F, -v row="$2" 'NR == row + 1 { print $(NF-4) }' "$1"; }

# peak_kb CMD...: the median peak resident memory (KB) of three runs, as /usr/bin/time reports it.
peak_kb() {
    local runs=() i
    for i in 1 2 3; do
        /usr/bin/time -f %M -o "$OUT/time.txt" "$@" >/dev/null 2>"$OUT/time-stderr.txt"
        runs+=("$(tail -n 1 "$OUT/time.txt")")
    done
    printf '%s\n' "${runs[@]}" | sort -n | sed -n 2p
}

# time_pair NAME RUNS QUILLON_CMD OPENSSL_CMD: medians of both (seconds), into Q_MED and O_MED.
time_pair() {
    local csv=$OUT/$1.csv
    hyperfine -N --style basic --warmup 2 --runs "$2" --export-csv "$csv" "$3" "$4" >"$OUT/$1.hyperfine.txt"
    Q_MED=$(median_seconds "$csv" 1)
    O_MED=$(median_seconds "$csv" 2)
}

# row CASE Q_S O_S RATIO_GOAL Q_KB O_KB MEM_GOAL: adds a table row, judging the goals.
row() {
    local name=$1 q=$2 o=$3 goal=$4 qkb=$5 okb=$6 memgoal=$7
    local verdict
    verdict=$(awk -v q="$q" -v o="$o" -v g="$goal" -v qk="$qkb" -v ok="$okb" -v mg="$memgoal" 'BEGIN {
        r = q / o; good = (r <= g);
        if (mg != "-" && ok > 0) good = good && (qk / ok <= mg);
        printf "%.2f|%s", r, good ? "holds" : "MISSED" }')
    local ratio=${verdict%%|*} result=${verdict##*|}
    [ "$result" = holds ] || FAILED=1
    local memratio="-"
    [ "$okb" != "-" ] && memratio=$(awk -v a="$qkb" -v b="$okb" 'BEGIN { printf "%.2f", a / b }')
    local memtext="-"
    [ "$memgoal" != "-" ] && memtext="≤ $memgoal"
    ROWS+=("| $name | $(ms "$q") | $(ms "$o") | $ratio (≤ $goal) | $qkb | $okb | $memratio ($memtext) | $result |")
}

mismatch() {
    echo "bench: $1: results differ, no ratio reported" >&2
    ROWS+=("| $1 | - | - | results differ | - | - | - | MISSED |")
    FAILED=1
}

ms() { awk -v s="$1" 'BEGIN { printf "%.1f ms", s * 1000 }'; }

# The sorted PEM blocks of a PKCS#12 file, each on one line, bag attributes dropped.
p12_blocks() {
    openssl pkcs12 -legacy -in "$1" -passin pass:bench -nodes 2>/dev/null |
        awk '/^-----BEGIN/ { block = "" } { block = block $0 } /^-----END/ { print block }' | sort
}

# ---- one certificate, PEM to DER ---------------------------------------------------------------
echo "== one certificate PEM -> DER"
Q_CERT=(-q -f cert -e der -o "$OUT/q-cert.der" "$IN/chain/user.pem")
O_CERT=(x509 -in "$IN/chain/user.pem" -outform DER -out "$OUT/o-cert.der")
"$CLI" "${Q_CERT[@]}" && openssl "${O_CERT[@]}"
if cmp -s "$OUT/q-cert.der" "$OUT/o-cert.der"; then
    time_pair cert $((40 * SCALE)) "$CLI ${Q_CERT[*]}" "openssl ${O_CERT[*]}"
    row "certificate PEM → DER" "$Q_MED" "$O_MED" 1.0 "$(peak_kb "$CLI" "${Q_CERT[@]}")" \
        "$(peak_kb openssl "${O_CERT[@]}")" -
else
    mismatch "certificate PEM → DER"
fi

# ---- a CRL of a million entries, DER to PEM ----------------------------------------------------
echo "== CRL of 1,000,000 entries DER -> PEM"
Q_CRL=(-q -f crl -e pem -o "$OUT/q-crl.pem" "$IN/crl-1m.der")
O_CRL=(crl -inform DER -in "$IN/crl-1m.der" -outform PEM -out "$OUT/o-crl.pem")
"$CLI" "${Q_CRL[@]}" && openssl "${O_CRL[@]}"
if cmp -s "$OUT/q-crl.pem" "$OUT/o-crl.pem"; then
    time_pair crl $((5 * SCALE)) "$CLI ${Q_CRL[*]}" "openssl ${O_CRL[*]}"
    row "CRL 1,000,000 entries DER → PEM" "$Q_MED" "$O_MED" 1.2 "$(peak_kb "$CLI" "${Q_CRL[@]}")" \
        "$(peak_kb openssl "${O_CRL[@]}")" 1.5
else
    mismatch "CRL 1,000,000 entries DER → PEM"
fi

# ---- a PKCS#7 bundle of 10,000 certificates, read and arranged ----------------------------------
echo "== PKCS#7 bundle of 10,000 certificates, read and arranged"
Q_P7=(-n "$IN/bundle-10k.p7b")
O_P7=(pkcs7 -inform DER -in "$IN/bundle-10k.p7b" -print_certs -noout)
q_count=$("$CLI" "${Q_P7[@]}" | grep -c '^++Check One PKCS#12Bag, type=11003$' || true)
o_count=$(openssl "${O_P7[@]}" | grep -c '^subject=' || true)
if [ "$q_count" = 10000 ] && [ "$o_count" = 10000 ]; then
    time_pair p7 $((7 * SCALE)) "$CLI ${Q_P7[*]}" "openssl ${O_P7[*]}"
    row "PKCS#7 10,000 certificates, -n vs -print_certs" "$Q_MED" "$O_MED" 1.2 \
        "$(peak_kb "$CLI" "${Q_P7[@]}")" "$(peak_kb openssl "${O_P7[@]}")" -
else
    echo "bench: certificates seen: quillon $q_count, openssl $o_count" >&2
    mismatch "PKCS#7 10,000 certificates"
fi

# ---- PKCS#12 export, 3-certificate chain and RSA-2048 key, 3DES ---------------------------------
echo "== PKCS#12 export"
C=$IN/chain
Q_P12=(-q -f p12 --passout pass:bench -o "$OUT/q.p12" "$C/user.pem" "$C/inter.pem" "$C/root.pem" "$C/user-key.pem")
O_P12=(pkcs12 -export -legacy -in "$C/chain.pem" -inkey "$C/user-key.pem" -passout pass:bench -out "$OUT/o.p12")
"$CLI" "${Q_P12[@]}" && openssl "${O_P12[@]}"
if [ "$(p12_blocks "$OUT/q.p12" | grep -c CERTIFICATE)" = 3 ] &&
    [ "$(p12_blocks "$OUT/q.p12")" = "$(p12_blocks "$OUT/o.p12")" ]; then
    time_pair p12 $((40 * SCALE)) "$CLI ${Q_P12[*]}" "openssl ${O_P12[*]}"
    row "PKCS#12 export, 3 certs + RSA-2048, 3DES" "$Q_MED" "$O_MED" 1.1 "$(peak_kb "$CLI" "${Q_P12[@]}")" \
        "$(peak_kb openssl "${O_P12[@]}")" -
else
    mismatch "PKCS#12 export"
fi

# ---- 1,000 and 10,000 certificate files at once ------------------------------------------------
echo "== 1,000 and 10,000 DER certificate files at once"
many_ok=1
for n in 1k 10k; do
    if ! (cd "$IN/files-$n" && "$CLI" -n -q ./*.der 2>"$OUT/files-$n.stderr"); then many_ok=0; fi
    [ -s "$OUT/files-$n.stderr" ] && many_ok=0
done
if [ $many_ok = 1 ]; then
    hyperfine --style basic --warmup 1 --runs $((5 * SCALE)) --export-csv "$OUT/files.csv" \
        "cd $IN/files-10k && $CLI -n -q ./*.der" "cd $IN/files-1k && $CLI -n -q ./*.der" >"$OUT/files.hyperfine.txt"
    t10=$(median_seconds "$OUT/files.csv" 1)
    t1=$(median_seconds "$OUT/files.csv" 2)
    kb10=$(cd "$IN/files-10k" && peak_kb "$CLI" -n -q ./*.der)
    kb1=$(cd "$IN/files-1k" && peak_kb "$CLI" -n -q ./*.der)
    ROWS+=("| 1,000 DER certificate files | $(ms "$t1") | - | - | $kb1 | - | - | |")
    row "10,000 DER certificate files (vs the 1,000 run)" "$t10" "$t1" 12 "$kb10" "$kb1" -
else
    echo "bench: not every certificate file was accepted (see $OUT/files-*.stderr)" >&2
    mismatch "1,000 / 10,000 certificate files"
fi

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
    "$CHAIN_BENCH" --benchmark_min_time=0.3 | tee "$OUT/chain.txt"
    CHAIN_LINES=$(grep -E '_BigO|_RMS' "$OUT/chain.txt" || true)
fi

{
    echo "| case | Quillon median | openssl median | ratio (goal) | Quillon peak KB | openssl peak KB | memory ratio (goal) | goal |"
    echo "|---|---|---|---|---|---|---|---|"
    printf '%s\n' "${ROWS[@]}"
    echo
    echo "$WINDOW_LINE"
    if [ -n "$CHAIN_LINES" ]; then
        echo
        echo "BuildChain complexity fit:"
        echo '```'
        echo "$CHAIN_LINES"
        echo '```'
    fi
    echo
    echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(date -u '+%Y-%m-%d %H:%M UTC'), $(openssl version)"
} >"$TABLE"
echo
cat "$TABLE"
echo
echo "(table saved in $TABLE)"
exit $FAILED
