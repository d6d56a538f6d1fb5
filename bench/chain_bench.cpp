// Micro-benchmark of chain building over containers of 10 to 100,000 bags: the time per bag must stay
// flat (linear growth), which the complexity fit at the end of the run reports.
#include "crypto/openssl_includes.h"
#include "doc/VortlaneDoc.h"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// The records a container is made of; copied into fresh bags before every timed run, since chain
// building removes the bags that find no place.
struct Record {
    int type = 0;
    Cert cert;
    CRL crl;
    Key key;
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "chain_bench: %s failed\n", what);
    std::exit(1);
}

EVP_PKEY* make_key() {
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
    if (!key) fail("key generation");
    return key;
}

X509* make_cert(const char* cn, EVP_PKEY* key, X509* issuer, EVP_PKEY* signer) {
    X509* cert = X509_new();
    X509_NAME* name = X509_NAME_new();
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(cn), -1, -1, 0);
    X509_set_version(cert, X509_VERSION_3);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_set_subject_name(cert, name);
    X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
    X509_gmtime_adj(X509_getm_notBefore(cert), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
    X509_set_pubkey(cert, key);
    X509_NAME_free(name);
    if (X509_sign(cert, signer, EVP_sha256()) <= 0) fail("signing");
    return cert;
}

// The certificate record as the crypto layer reads it.
Cert read_cert(X509* x509) {
    unsigned char* der = nullptr;
    const int len = i2d_X509(x509, &der);
    if (len <= 0) fail("encoding");
    std::vector<unsigned char> bytes(der, der + len);
    OPENSSL_free(der);
    std::unique_ptr<Cert> cert = ASN1_read_cert(bytes);
    if (!cert) fail("reading a certificate");
    return *cert;
}

// The key record as the crypto layer reads it, through a scratch PKCS#8 file.
Key read_key(EVP_PKEY* pkey) {
    char path[] = "/tmp/quillon-chain-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) fail("mkstemp");
    FILE* file = fdopen(fd, "w");
    if (!file || PEM_write_PrivateKey(file, pkey, nullptr, nullptr, 0, nullptr, nullptr) != 1) fail("writing a key");
    std::fclose(file);
    KxInput in(path);
    std::unique_ptr<Key> key = PEM_read_p8(in);
    unlink(path);
    if (!key) fail("reading a key");
    return *key;
}

// A chain of root, intermediate and user with the user's key, the rest filled with bags that chain
// building has to look at: certificates the intermediate also signed (cleaned as siblings), certificates
// of absent issuers (cleaned), CRLs of the intermediate (kept) and of absent issuers (cleaned), and keys
// of no certificate (cleaned). The user certificate comes first; the rest is in a fixed shuffled order.
std::vector<Record> make_records(int count) {
    static std::vector<Record> chain, noise;
    if (chain.empty()) {
        EVP_PKEY* rootKey = make_key();
        EVP_PKEY* interKey = make_key();
        EVP_PKEY* userKey = make_key();
        EVP_PKEY* otherKey = make_key();
        X509* root = make_cert("Bench Root", rootKey, nullptr, rootKey);
        X509* inter = make_cert("Bench Intermediate", interKey, root, rootKey);
        X509* user = make_cert("bench user", userKey, inter, interKey);
        Record r;
        r.type = BAG_CERT;
        r.cert = read_cert(user);
        chain.push_back(r);
        r.cert = read_cert(inter);
        chain.push_back(r);
        r.cert = read_cert(root);
        chain.push_back(r);
        Record k;
        k.type = BAG_KEY;
        k.key = read_key(userKey);
        chain.push_back(k);

        const Cert interCert = read_cert(inter);
        const Key otherKeyRecord = read_key(otherKey);
        for (int kind = 0; kind < 5; ++kind) {
            Record n;
            switch (kind) {
            case 0:  // a sibling of the user certificate
                n.type = BAG_CERT;
                n.cert = chain[0].cert;
                n.cert.subject = "CN=sibling";
                break;
            case 1:  // a certificate whose issuer is absent
                n.type = BAG_CERT;
                n.cert = chain[0].cert;
                n.cert.issuer = "CN=elsewhere";
                n.cert.subject = "CN=stranger";
                break;
            case 2:
                n.type = BAG_CRL;
                n.crl.issuer = interCert.subject;
                break;
            case 3:
                n.type = BAG_CRL;
                n.crl.issuer = "CN=elsewhere";
                break;
            default:
                n.type = BAG_KEY;
                n.key = otherKeyRecord;
                break;
            }
            noise.push_back(n);
        }
        for (X509* x : {root, inter, user}) X509_free(x);
        for (EVP_PKEY* key : {rootKey, interKey, userKey, otherKey}) EVP_PKEY_free(key);
    }
    std::vector<Record> records(chain.begin() + 1, chain.end());
    for (int i = 0; static_cast<int>(records.size()) + 1 < count; ++i) records.push_back(noise[i % noise.size()]);
    std::mt19937 rng(7);
    std::shuffle(records.begin(), records.end(), rng);
    records.insert(records.begin(), chain[0]);
    return records;
}

// Links the bags directly: appending one by one through P12_add_* walks the list each time, which
// would make the setup of the large containers quadratic.
void fill(P12* bags, const std::vector<Record>& records) {
    std::unique_ptr<P12Bag>* tail = &bags->first;
    for (const Record& r : records) {
        auto bag = std::make_unique<P12Bag>();
        bag->type = r.type;
        if (r.type == BAG_CERT)
            bag->content = std::make_unique<Cert>(r.cert);
        else if (r.type == BAG_CRL)
            bag->content = std::make_unique<CRL>(r.crl);
        else
            bag->content = std::make_unique<Key>(r.key);
        *tail = std::move(bag);
        tail = &(*tail)->next;
    }
}

void BM_BuildChain(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::vector<Record> records = make_records(count);
    CVortlaneDoc doc;
    CString log;
    for (auto _ : state) {
        state.PauseTiming();
        doc.m_pBags = P12_new();
        fill(doc.m_pBags.get(), records);
        state.ResumeTiming();
        doc.BuildChain(&log);
        benchmark::DoNotOptimize(log.data());
    }
    if (doc.m_nDepth != 2) state.SkipWithError("the chain was not arranged to depth 2");
    state.SetComplexityN(count);
    state.counters["per_bag"] =
        benchmark::Counter(count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The sizes, fitted twice: the best-fitting curve, and a straight line with its error (RMS).
void Sizes(benchmark::internal::Benchmark* b) {
    for (int n : {10, 30, 100, 300, 1'000, 3'000, 10'000, 30'000, 100'000}) b->Arg(n);
    b->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_BuildChain)->Name("BuildChain")->Apply(Sizes)->Complexity();
BENCHMARK(BM_BuildChain)->Name("BuildChain_linear_fit")->Apply(Sizes)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
