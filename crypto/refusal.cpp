// Refusals that say what a file is: empty, damaged, or a kind of key store or key that is not read here,
// with the step that makes it readable where there is one.
#include "crypto/block_readers_internal.h"
#include "crypto/der_header.h"
#include "crypto/errors_internal.h"
#include "crypto/input_internal.h"
#include "crypto/kx_internal.h"
#include "crypto/pem_block_internal.h"
#include "crypto/refusal_internal.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace kx {
namespace {

KxReadError other(std::string what) { return {KxReadFailure::OtherKind, std::move(what)}; }
KxReadError damaged(std::string what) { return {KxReadFailure::Damaged, std::move(what)}; }

const char* const kPublicKeyOnly = "a public key only; a certificate or a private key is needed";

bool starts_with(const unsigned char* data, std::size_t len, std::string_view prefix) {
    return len >= prefix.size() && std::memcmp(data, prefix.data(), prefix.size()) == 0;
}

bool all_text(const unsigned char* data, std::size_t len) {
    return std::all_of(data, data + len,
                       [](unsigned char c) { return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c < 0x7F); });
}

// A PKCS#7 that parses but holds neither certificates nor CRLs.
std::optional<KxReadError> empty_p7(const unsigned char* data, std::size_t len) {
    const unsigned char* p = data;
    ERR_set_mark();
    Pkcs7Ptr p7(d2i_PKCS7(nullptr, &p, static_cast<long>(len)));
    ERR_pop_to_mark();
    if (!p7) return std::nullopt;
    if (PKCS7_type_is_enveloped(p7.get()))
        return other("an encrypted (enveloped) PKCS#7 message; it holds no certificates or CRLs");
    if (PKCS7_type_is_signed(p7.get()) || PKCS7_type_is_signedAndEnveloped(p7.get()))
        return other("a PKCS#7 file without certificates or CRLs (signed data only)");
    char type[80] = "";
    OBJ_obj2txt(type, sizeof type, p7->type, 0);
    return other(std::string("a PKCS#7 file of type ") + type + " without certificates or CRLs");
}

bool is_public_key(const unsigned char* data, std::size_t len) {
    const unsigned char* p = data;
    ERR_set_mark();
    PkeyPtr spki(d2i_PUBKEY(nullptr, &p, static_cast<long>(len)));
    if (!spki) {
        p = data;
        spki.reset(d2i_PublicKey(EVP_PKEY_RSA, nullptr, &p, static_cast<long>(len)));  // PKCS#1 RSAPublicKey
    }
    ERR_pop_to_mark();
    return spki && p == data + len;
}

// Whether the header at p tells its element's tag. One whose length runs past the end tells it when
// constructed (its first children may still be there); a primitive one is taken for no sign at all.
bool tells_tag(const unsigned char* p, const unsigned char* end, Tlv& t) {
    const Header h = read_header(p, end, t);
    return h == Header::Read || (h == Header::RunsPast && t.constructed);
}

// The kind a DER structure was meant to be, from its first elements, for the "damaged" reason.
const char* meant_kind(const unsigned char* data, std::size_t len) {
    const unsigned char* end = data + len;
    Tlv outer, first;
    if (!tells_tag(data, end, outer) || outer.tag != V_ASN1_SEQUENCE) return "DER file";
    if (!tells_tag(outer.content, end, first)) return "DER file";
    if (first.tag == V_ASN1_OBJECT) return "PKCS#7 file";
    if (first.tag == V_ASN1_INTEGER)
        return first.len == 1 && first.content < end && *first.content == 3 ? "PKCS#12 file" : "key or PKCS#12 file";
    if (first.tag == V_ASN1_SEQUENCE) return "certificate, CRL or request";
    return "DER file";
}

std::optional<KxReadError> refusal_of_der(const unsigned char* data, std::size_t len) {
    if (len < 2 || data[0] != 0x30 || len > static_cast<std::size_t>(std::numeric_limits<long>::max()))
        return std::nullopt;
    Tlv outer;
    const Header header = read_header(data, data + len, outer);
    if (header == Header::Damaged) return std::nullopt;
    // The header says how long the whole was meant to be, and the file holds less: it was cut short.
    if (header == Header::RunsPast)
        return all_text(data, len) ? std::nullopt
                                   : std::optional(damaged(std::string(meant_kind(data, len)) + ", cut short"));
    if (auto p7 = empty_p7(data, len)) return p7;
    if (is_public_key(data, len)) return other(kPublicKeyOnly);
    // A structure the sniff gives a kind to, and that kind's reader refused: broken inside.
    if (sniff_der(data, len) != 0) return damaged(meant_kind(data, len));
    return std::nullopt;
}

}  // namespace

std::optional<KxReadError> refusal_of_block(const std::string& label, const std::vector<unsigned char>* body) {
    if (label == "PKCS7" || label == "PKCS #7 SIGNED DATA") {
        if (body)
            if (auto p7 = empty_p7(body->data(), body->size())) return p7;
        return damaged(label + " block");
    }
    if (pem_label_read(label)) return damaged(label + " block");
    if (label == "OPENSSH PRIVATE KEY")
        return other(
            "an OpenSSH private key; convert a copy to PKCS#8 with 'ssh-keygen -p -m PKCS8 -f COPY' "
            "and read the copy");
    if (label == "PUBLIC KEY" || label == "RSA PUBLIC KEY") return other(kPublicKeyOnly);
    if (label == "PGP PRIVATE KEY BLOCK" || label == "PGP PUBLIC KEY BLOCK")
        return other("an OpenPGP key, not an X.509 or PKCS file");
    return std::nullopt;
}

std::optional<KxReadError> refusal_of_bytes(const unsigned char* data, std::size_t len) {
    if (std::all_of(data, data + len, [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }))
        return KxReadError{KxReadFailure::Empty, {}};
    if (starts_with(data, len, "PuTTY-User-Key-File-"))
        return other(
            "a PuTTY private key; export it with 'puttygen FILE -O private-openssh -o FILE.pem' "
            "and read that");
    if (starts_with(data, len, "---- BEGIN SSH2 PUBLIC KEY") || starts_with(data, len, "ssh-") ||
        starts_with(data, len, "ecdsa-sha2-") || starts_with(data, len, "sk-ssh-") ||
        starts_with(data, len, "sk-ecdsa-"))
        return other(kPublicKeyOnly);
    // A PEM file: its first block that says something.
    std::vector<std::string> labels;
    std::vector<std::size_t> starts;
    scan_pem(data, len, labels, starts);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        PemBlock block;
        const bool decoded = decode_pem_block(data + starts[i], len - starts[i], block);
        auto known = refusal_of_block(labels[i], decoded ? &block.data : nullptr);
        OPENSSL_cleanse(block.data.data(), block.data.size());  // it may be a key in clear
        if (known) return known;
    }
    return refusal_of_der(data, len);
}

}  // namespace kx

std::optional<KxReadError> KX_identify_refusal(const std::vector<unsigned char>& bytes) {
    return kx::refusal_of_bytes(bytes.data(), bytes.size());
}
