// PEM block lookup over an input's bytes.
#include "crypto/kx_internal.h"
#include "crypto/pem_block_internal.h"

#include <cstring>
#include <limits>

namespace kx {

bool find_pem_block(const InputFile& in, std::initializer_list<const char*> labels, PemBlock& out) {
    if (!in.has_label(labels)) return false;
    if (in.bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return false;
    BioPtr bio(BIO_new_mem_buf(in.bytes.data(), static_cast<int>(in.bytes.size())));
    if (!bio) return false;
    ERR_set_mark();
    bool found = false;
    for (;;) {
        char* name = nullptr;
        char* header = nullptr;
        unsigned char* data = nullptr;
        long len = 0;
        if (PEM_read_bio(bio.get(), &name, &header, &data, &len) != 1) break;
        bool match = false;
        for (const char* want : labels) match = match || std::strcmp(name, want) == 0;
        if (match) {
            out.label = name;
            out.header = header ? header : "";
            out.data.assign(data, data + len);
        }
        OPENSSL_free(name);
        OPENSSL_free(header);
        OPENSSL_clear_free(data, static_cast<std::size_t>(len));
        if (match) {
            found = true;
            break;
        }
    }
    ERR_pop_to_mark();
    return found;
}

bool decode_pem_block(const unsigned char* data, std::size_t len, PemBlock& out) {
    if (len > static_cast<std::size_t>(std::numeric_limits<int>::max())) return false;
    BioPtr bio(BIO_new_mem_buf(data, static_cast<int>(len)));
    if (!bio) return false;
    char* name = nullptr;
    char* header = nullptr;
    unsigned char* body = nullptr;
    long body_len = 0;
    ERR_set_mark();
    const bool ok = PEM_read_bio(bio.get(), &name, &header, &body, &body_len) == 1;
    ERR_pop_to_mark();
    if (ok) {
        out.label = name;
        out.header = header ? header : "";
        out.data.assign(body, body + body_len);
    }
    OPENSSL_free(name);
    OPENSSL_free(header);
    OPENSSL_clear_free(body, static_cast<std::size_t>(body_len));
    return ok;
}

}  // namespace kx
