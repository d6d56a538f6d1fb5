// PEM block lookup over an input's bytes.
#include "crypto/kx_internal.h"
#include "crypto/pem_block_internal.h"

#include <cstring>
#include <limits>

namespace kx {
namespace {

enum class Next { End, Skipped, Taken };

// Reads the next block of `bio`: taken into `out` when its label is one of `labels` (any label when
// there are none), else skipped. The body OpenSSL decoded is wiped either way: it may be a key in clear.
// End when there is no further block or it is damaged.
Next read_next(BIO* bio, std::initializer_list<const char*> labels, PemBlock& out) {
    char* name = nullptr;
    char* header = nullptr;
    unsigned char* body = nullptr;
    long len = 0;
    if (PEM_read_bio(bio, &name, &header, &body, &len) != 1) return Next::End;
    bool wanted = labels.size() == 0;
    for (const char* label : labels) wanted = wanted || std::strcmp(name, label) == 0;
    if (wanted) {
        out.label = name;
        out.header = header ? header : "";
        out.data.assign(body, body + len);
    }
    OPENSSL_free(name);
    OPENSSL_free(header);
    OPENSSL_clear_free(body, static_cast<std::size_t>(len));
    return wanted ? Next::Taken : Next::Skipped;
}

BioPtr bio_over(const unsigned char* data, std::size_t len) {
    if (len > static_cast<std::size_t>(std::numeric_limits<int>::max())) return nullptr;
    return BioPtr(BIO_new_mem_buf(data, static_cast<int>(len)));
}

}  // namespace

bool find_pem_block(const InputFile& in, std::initializer_list<const char*> labels, PemBlock& out) {
    if (!in.has_label(labels)) return false;
    BioPtr bio = bio_over(in.bytes.data(), in.bytes.size());
    if (!bio) return false;
    ERR_set_mark();
    Next next = Next::Skipped;
    while (next == Next::Skipped) next = read_next(bio.get(), labels, out);
    ERR_pop_to_mark();
    return next == Next::Taken;
}

bool decode_pem_block(const unsigned char* data, std::size_t len, PemBlock& out) {
    BioPtr bio = bio_over(data, len);
    if (!bio) return false;
    ERR_set_mark();
    const bool ok = read_next(bio.get(), {}, out) == Next::Taken;
    ERR_pop_to_mark();
    return ok;
}

}  // namespace kx
