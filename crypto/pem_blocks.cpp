// A PEM file of several blocks: every block read in file order, each by the reader of its label, one
// pass phrase for the file, and what became of each block.
#include "crypto/block_readers_internal.h"
#include "crypto/bundle_limit_internal.h"
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
        tail_ = &P12_append_bags(*tail_, std::move(bag));
        return 1;
    }

    std::unique_ptr<P12Bag>* tail_;
};

// Reads one decoded block; the number of bags it gave (0: the reason is recorded).
int read_block(KxInput& in, Kind kind, kx::PemBlock& block, int number, Appender& out) {
    const unsigned char* data = block.data.data();
    const std::size_t len = block.data.size();
    switch (kind) {
    case Kind::Cert:
        if (auto cert = kx::cert_from_der(in, data, len)) return out.add(BAG_CERT, std::move(cert), number);
        return 0;
    case Kind::Req:
        if (auto req = kx::req_from_der(in, data, len)) return out.add(BAG_CERT, std::move(req), number);
        return 0;
    case Kind::Crl:
        if (auto crl = kx::crl_from_der(in, data, len)) return out.add(BAG_CRL, std::move(crl), number);
        return 0;
    case Kind::Key:
        if (auto key = kx::key_from_block(in, block)) return out.add(BAG_KEY, std::move(key), number);
        return 0;
    case Kind::P7:
        if (auto p7 = kx::p7_from_der(in, data, len)) {
            P12 moved;
            kx::append_records(&moved, *p7);
            return out.add_all(std::move(moved.first), number);
        }
        return 0;
    case Kind::P12:
        if (auto p12 = kx::p12_from_der(in, data, len)) return out.add_all(std::move(p12->first), number);
        return 0;
    case Kind::None: break;
    }
    kx::refuse(in);
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

int PEM_count_blocks(KxInput& in) {
    const kx::InputFile* file = kx::open_input(in);
    return file ? static_cast<int>(file->pem_starts.size()) : 0;
}

std::unique_ptr<P12> PEM_read_blocks(KxInput& in, std::vector<KxBlockOutcome>* blocks) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return nullptr;
    if (file->pem_starts.size() > KX_MAX_BUNDLE_ENTRIES) {
        in.refuse(kx::too_many_entries());
        return nullptr;
    }
    auto out = P12_new();
    Appender appender(*out);
    std::vector<KxBlockOutcome> outcomes;
    int read = 0;
    for (std::size_t i = 0; i < file->pem_starts.size(); ++i) {
        KxBlockOutcome o;
        o.block = static_cast<int>(i) + 1;
        o.label = file->pem_labels[i];
        // A block ends where the next begins, so damaged armour never takes a later block with it.
        const std::size_t begin = file->pem_starts[i];
        const std::size_t end = i + 1 < file->pem_starts.size() ? file->pem_starts[i + 1] : file->bytes.size();
        in.restart();
        kx::PemBlock block;
        const bool decoded = kx::decode_pem_block(file->bytes.data() + begin, end - begin, block);
        if (decoded && block.label == o.label) o.bags = read_block(in, kind_of(o.label), block, o.block, appender);
        if (o.bags == 0) {
            o.failure = decoded ? in.refusal() : KxReadError{KxReadFailure::NotRecognised, {}};
            if (weight(o.failure.kind) == 0)
                if (auto known = kx::refusal_of_block(o.label, decoded ? &block.data : nullptr)) o.failure = *known;
        }
        OPENSSL_cleanse(block.data.data(), block.data.size());
        read += o.bags;
        outcomes.push_back(std::move(o));
    }
    if (blocks) *blocks = outcomes;
    if (read > 0) {
        in.accept();
        return out;
    }
    KxReadError why{KxReadFailure::NotRecognised, {}};
    for (const KxBlockOutcome& o : outcomes)
        if (weight(o.failure.kind) > weight(why.kind)) why = o.failure;
    in.restart();
    in.refuse(std::move(why));
    return nullptr;
}
