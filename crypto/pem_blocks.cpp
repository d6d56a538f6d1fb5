// A PEM file of several blocks: every block read in file order, each by the reader of its label, one
// pass phrase for the file, and what became of each block.
#include "crypto/block_readers_internal.h"
#include "crypto/bundle_limit_internal.h"
#include "crypto/errors_internal.h"
#include "crypto/kx_internal.h"
#include "crypto/pass_internal.h"
#include "crypto/refusal_internal.h"

#include <cstring>

namespace {

enum class Kind { None, Cert, Req, Crl, Key, P7, P12 };

Kind kind_of(const std::string& label) {
    static const struct {
        const char* label;
        Kind kind;
    } kLabels[] = {
        {PEM_STRING_X509, Kind::Cert},         {PEM_STRING_X509_OLD, Kind::Cert},
        {PEM_STRING_X509_TRUSTED, Kind::Cert}, {PEM_STRING_X509_CRL, Kind::Crl},
        {PEM_STRING_X509_REQ, Kind::Req},      {PEM_STRING_X509_REQ_OLD, Kind::Req},
        {"RSA PRIVATE KEY", Kind::Key},        {"DSA PRIVATE KEY", Kind::Key},
        {"EC PRIVATE KEY", Kind::Key},         {PEM_STRING_PKCS8INF, Kind::Key},
        {PEM_STRING_PKCS8, Kind::Key},         {PEM_STRING_PKCS7, Kind::P7},
        {PEM_STRING_PKCS7_SIGNED, Kind::P7},   {"PKCS12", Kind::P12},
    };
    for (const auto& known : kLabels)
        if (label == known.label) return known.kind;
    return Kind::None;
}

// Appends bags at the end of a container, each stamped with its block.
class Appender {
public:
    explicit Appender(P12& out) : tail_(&out.first) {}

    int add(int type, BagContent content, int block) {
        auto bag = std::make_unique<P12Bag>();
        bag->type = type;
        bag->content = std::move(content);
        return push(std::move(bag), block);
    }

    int add_all(std::unique_ptr<P12Bag> first, int block) {
        int n = 0;
        while (first) {
            std::unique_ptr<P12Bag> rest = std::move(first->next);
            n += push(std::move(first), block);
            first = std::move(rest);
        }
        return n;
    }

private:
    int push(std::unique_ptr<P12Bag> bag, int block) {
        bag->origin.block = block;
        *tail_ = std::move(bag);
        tail_ = &(*tail_)->next;
        return 1;
    }

    std::unique_ptr<P12Bag>* tail_;
};

// Reads one decoded block; the number of bags it gave (0: the reason is recorded).
int read_block(const char* path, Kind kind, kx::PemBlock& block, int number, Appender& out) {
    const unsigned char* data = block.data.data();
    const std::size_t len = block.data.size();
    switch (kind) {
    case Kind::Cert:
        if (auto cert = kx::cert_from_der(data, len)) return out.add(BAG_CERT, std::move(cert), number);
        return 0;
    case Kind::Req:
        if (auto req = kx::req_from_der(data, len)) return out.add(BAG_CERT, std::move(req), number);
        return 0;
    case Kind::Crl:
        if (auto crl = kx::crl_from_der(data, len)) return out.add(BAG_CRL, std::move(crl), number);
        return 0;
    case Kind::Key:
        if (auto key = kx::key_from_block(path, block)) return out.add(BAG_KEY, std::move(key), number);
        return 0;
    case Kind::P7:
        if (auto p7 = kx::p7_from_der(data, len)) {
            P12 moved;
            kx::append_records(&moved, *p7);
            return out.add_all(std::move(moved.first), number);
        }
        return 0;
    case Kind::P12:
        if (auto p12 = kx::p12_from_der(path, data, len)) return out.add_all(std::move(p12->first), number);
        return 0;
    case Kind::None: break;
    }
    kx::fail_read(KxReadFailure::NotRecognised);
    return 0;
}

// How much a reason tells the user, for the one reported when no block was read.
int weight(KxReadFailure kind) {
    switch (kind) {
    case KxReadFailure::None:
    case KxReadFailure::NotRecognised: return 0;
    case KxReadFailure::Damaged:
    case KxReadFailure::OtherKind: return 1;
    default: return 2;  // a pass phrase, an algorithm or a limit
    }
}

}  // namespace

bool kx::pem_label_read(const std::string& label) { return kind_of(label) != Kind::None; }

int PEM_count_blocks(const char* path) {
    auto in = kx::open_input(path);
    return in ? static_cast<int>(in->pem_starts.size()) : 0;
}

std::unique_ptr<P12> PEM_read_blocks(const char* path, std::vector<KxBlockOutcome>* blocks) {
    auto in = kx::open_input(path);
    if (!in) return nullptr;
    if (in->pem_starts.size() > KX_MAX_BUNDLE_ENTRIES) {
        kx::fail_too_many_entries();
        return nullptr;
    }
    kx::FilePassMemory one_pass_phrase;
    auto out = P12_new();
    Appender appender(*out);
    std::vector<KxBlockOutcome> outcomes;
    int read = 0;
    for (std::size_t i = 0; i < in->pem_starts.size(); ++i) {
        KxBlockOutcome o;
        o.block = static_cast<int>(i) + 1;
        o.label = in->pem_labels[i];
        // A block ends where the next begins, so damaged armour never takes a later block with it.
        const std::size_t begin = in->pem_starts[i];
        const std::size_t end = i + 1 < in->pem_starts.size() ? in->pem_starts[i + 1] : in->bytes.size();
        kx::clear_read_failure();
        kx::PemBlock block;
        const bool decoded = kx::decode_pem_block(in->bytes.data() + begin, end - begin, block);
        if (decoded && block.label == o.label) o.bags = read_block(path, kind_of(o.label), block, o.block, appender);
        if (o.bags == 0) {
            o.failure = decoded ? KX_last_read_error() : KxReadError{KxReadFailure::NotRecognised, {}};
            if (weight(o.failure.kind) == 0)
                if (auto known = kx::refusal_of_block(o.label, decoded ? &block.data : nullptr)) o.failure = *known;
        }
        OPENSSL_cleanse(block.data.data(), block.data.size());
        read += o.bags;
        outcomes.push_back(std::move(o));
    }
    if (blocks) *blocks = outcomes;
    if (read > 0) {
        kx::read_succeeded();
        return out;
    }
    KxReadError why{KxReadFailure::NotRecognised, {}};
    for (const KxBlockOutcome& o : outcomes)
        if (weight(o.failure.kind) > weight(why.kind)) why = o.failure;
    kx::clear_read_failure();
    kx::fail_read(why.kind, why.detail);
    return nullptr;
}
