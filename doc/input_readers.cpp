// The readers as rows of one table, in the order they are tried. Each row either takes the file, leaves
// it to the next row, or ends the read (a PEM file of several blocks is read block by block or not at
// all; the last row only says what a refused file is).
#include "doc/input_readers.h"

#include "crypto/kx_pkcs7.h"

#include <iterator>
#include <new>
#include <optional>
#include <utility>

namespace {

// What the rows share while one file is read.
struct Reading {
    KxInput in;
    ReadResult& result;
    std::optional<std::optional<std::vector<unsigned char>>> der;  // the whole file, once a row asked

    std::vector<unsigned char>* Bytes() {
        if (!der) der = ASN1_read_der(in);
        return *der ? &**der : nullptr;
    }
};

enum class Step { Took, Next, Stop };

Step Take(Reading& r, std::unique_ptr<P12> bags) {
    if (!bags) return Step::Next;
    r.result.bags = std::move(bags);
    return Step::Took;
}

template <typename Record, typename AddFn>
Step TakeOne(Reading& r, std::unique_ptr<Record> record, AddFn add) {
    if (!record) return Step::Next;
    auto bags = P12_new();
    add(bags.get(), std::move(record), nullptr, MARK_NONE);
    return Take(r, std::move(bags));
}

Step TakeBundle(Reading& r, std::unique_ptr<PKCS7> p7) {
    if (!p7) return Step::Next;
    auto bags = P12_new();
    P12_mov_p12bags(bags.get(), p7.get());
    P7_free(std::move(p7));
    return Take(r, std::move(bags));
}

// A reader of one record (`Add` puts it in a container) or of a bundle.
template <auto Reader, auto Add>
Step One(Reading& r) {
    return TakeOne(r, Reader(r.in), Add);
}
template <auto Reader>
Step Bundle(Reading& r) {
    return TakeBundle(r, Reader(r.in));
}
Step Pkcs12(Reading& r) { return Take(r, P12_read_file(r.in)); }
Step JavaKeyStore(Reading& r) { return Take(r, JKS_read_file(r.in, &r.result.skippedEntries)); }

// A PEM file of several blocks gives every block it can read, in file order, like a bundle; no other
// reader tries it.
Step Blocks(Reading& r) {
    if (PEM_count_blocks(r.in) <= 1) return Step::Next;
    return Take(r, PEM_read_blocks(r.in, &r.result.blocks)) == Step::Took ? Step::Took : Step::Stop;
}

// The bytes stage: the whole file's bytes, once, for the parsers of DER. A parser that refuses records
// a plain "not recognised", which never hides what an earlier reader found.
template <typename Record, typename AddFn>
Step TakeParsed(Reading& r, std::unique_ptr<Record> record, AddFn add) {
    if (!record) r.in.refuse({KxReadFailure::NotRecognised, {}});
    return TakeOne(r, std::move(record), add);
}

template <auto Parse, auto Add>
Step Der(Reading& r) {
    const std::vector<unsigned char>* der = r.Bytes();
    return der ? TakeParsed(r, Parse(*der), Add) : Step::Next;
}
// A CRL takes the bytes over (they may be a big file's); refused, it leaves them as they were.
Step DerCrl(Reading& r) {
    std::vector<unsigned char>* der = r.Bytes();
    return der ? TakeParsed(r, ASN1_read_crl(std::move(*der)), P12_add_crl) : Step::Next;
}

// No reader took the file: what its bytes show it to be, unless a reader found a more telling reason.
Step Identify(Reading& r) {
    const std::vector<unsigned char>* der = r.Bytes();
    const KxReadFailure so_far = r.in.refusal().kind;
    if (der && (so_far == KxReadFailure::None || so_far == KxReadFailure::NotRecognised))
        if (std::optional<KxReadError> known = KX_identify_refusal(*der)) r.in.refuse(std::move(*known));
    return Step::Stop;
}

struct ReaderRow {
    const char* name;
    Step (*read)(Reading&);
};

// The traditional RSA and EC keys in DER come last, so that nothing read before is read differently now.
constexpr ReaderRow kReaders[] = {
    {"pem-blocks", Blocks},
    {"pem-cert", One<PEM_read_cert, P12_add_cert>},
    {"pem-crl", One<PEM_read_crl, P12_add_crl>},
    {"pem-req", One<PEM_read_req, P12_add_cert>},
    {"pem-rsa", One<PEM_read_rsaprv, P12_add_key>},
    {"pem-dsa", One<PEM_read_dsaprv, P12_add_key>},
    {"pem-ec", One<PEM_read_ecprv, P12_add_key>},
    {"pem-p8", One<PEM_read_p8, P12_add_key>},
    {"pem-p8enc", One<PEM_read_p8enc, P12_add_key>},
    {"der-p8", One<P8_read_file, P12_add_key>},
    {"der-p8enc", One<P8enc_read_file, P12_add_key>},
    {"pem-p7", Bundle<PEM_read_p7>},
    {"der-p7", Bundle<P7s_read_file>},
    {"p12", Pkcs12},
    {"java-keystore", JavaKeyStore},
    {"der-cert", Der<ASN1_read_cert, P12_add_cert>},
    {"der-crl", DerCrl},
    {"der-req", Der<ASN1_read_req, P12_add_cert>},
    {"der-dsa", Der<ASN1_read_dsaprv, P12_add_key>},
    {"der-rsa", Der<ASN1_read_rsaprv, P12_add_key>},
    {"der-ec", Der<ASN1_read_ecprv, P12_add_key>},
    {"identify", Identify},
};

void Run(const char* path, const PassProvider& passSource, ReadResult& result) {
    Reading r{KxInput(path, passSource), result, std::nullopt};
    // Taken before any reader runs: the bytes stage hands the file's bytes over.
    result.protection = KX_input_protection(r.in);
    for (const ReaderRow& row : kReaders) {
        const Step step = row.read(r);
        if (step == Step::Took) {
            result.reader = row.name;
            return;
        }
        if (step == Step::Stop) break;
    }
    result.refusal = r.in.refusal();
}

}  // namespace

ReadResult ReadInputFile(const char* path, const PassProvider& passSource) {
    ReadResult result;
    try {
        Run(path, passSource, result);
    } catch (const std::bad_alloc&) {
        result = ReadResult{};
        result.refusal = {KxReadFailure::OutOfMemory, {}};
    }
    return result;
}
