// Certificates of the common shape read from their bytes. d2i_X509 decodes every part, the public key
// included (an elliptic-curve point is checked to lie on its curve), where the converter needs only
// the two names, and the key only when a private key is matched to it.
#include "crypto/cert_scan_internal.h"

#include "crypto/kx_internal.h"

namespace kx {
namespace {

// A Name as d2i_X509 decodes it (the whole element, nothing after it).
X509NamePtr name_of(const Tlv& t) {
    const unsigned char* p = t.start;
    X509NamePtr name(d2i_X509_NAME(nullptr, &p, t.end() - t.start));
    return name && p == t.end() ? std::move(name) : nullptr;
}

// The decoded name itself becomes the record's name to compare (no copy of it is made).
NameMatch match_of(X509NamePtr name) {
    NameMatch match;
    match.name = std::make_shared<const KxName>(name.get());
    (void)name.release();  // the KxName owns it now
    return match;
}

bool children(const Tlv& parent, Tlv* out, int count) {
    const unsigned char* p = parent.content;
    for (int i = 0; i < count; ++i)
        if (!read_tlv(p, parent.end(), out[i])) return false;
    return p == parent.end();
}

bool is_context(const Tlv& t, int tag) { return t.cls == V_ASN1_CONTEXT_SPECIFIC && t.tag == tag && t.constructed; }

// [3] EXPLICIT SEQUENCE OF Extension
bool plain_extensions_of(const Tlv& wrapper) {
    Tlv list;
    return children(wrapper, &list, 1) && plain_extensions(list);
}

}  // namespace

std::unique_ptr<Cert> scan_plain_cert(const Tlv& cert) {
    // Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm, signature BIT STRING }. The record
    // keeps these bytes, which must be the very bytes d2i_X509 and i2d_X509 would give back: OpenSSL
    // keeps the tbsCertificate as read and encodes the rest again, so the rest must be in shortest form.
    Tlv top[3];
    if (!cert.is(V_ASN1_SEQUENCE, true) || !minimal_header(cert) || !children(cert, top, 3)) return nullptr;
    const Tlv& tbs = top[0];
    if (!tbs.is(V_ASN1_SEQUENCE, true) || !plain_algorithm(top[1]) || !plain_bit_string(top[2]) ||
        !minimal_header(top[2]) || top[2].content[0] != 0)
        return nullptr;

    // TBSCertificate ::= SEQUENCE { [0] version OPTIONAL, serial, signature, issuer, validity, subject,
    // subjectPublicKeyInfo, [1] [2] unique identifiers OPTIONAL, [3] extensions OPTIONAL }
    const unsigned char* p = tbs.content;
    Tlv t;
    if (!read_tlv(p, tbs.end(), t)) return nullptr;
    if (is_context(t, 0)) {
        Tlv version;
        if (!children(t, &version, 1) || !plain_integer(version) || !read_tlv(p, tbs.end(), t)) return nullptr;
    }
    Tlv algorithm, issuer, validity, subject, spki;
    if (!plain_integer(t) || !read_tlv(p, tbs.end(), algorithm) || !plain_algorithm(algorithm) ||
        !read_tlv(p, tbs.end(), issuer) || !read_tlv(p, tbs.end(), validity) || !read_tlv(p, tbs.end(), subject) ||
        !read_tlv(p, tbs.end(), spki))
        return nullptr;
    Tlv dates[2], key[2];
    if (!validity.is(V_ASN1_SEQUENCE, true) || !children(validity, dates, 2) || !plain_time(dates[0]) ||
        !plain_time(dates[1]))
        return nullptr;
    if (!spki.is(V_ASN1_SEQUENCE, true) || !children(spki, key, 2) || !plain_algorithm(key[0]) ||
        !plain_bit_string(key[1]))
        return nullptr;
    if (p < tbs.end()) {
        // Unique identifiers are rare enough to be left to d2i_X509.
        if (!read_tlv(p, tbs.end(), t) || !is_context(t, 3) || p != tbs.end() || !plain_extensions_of(t))
            return nullptr;
    }

    X509NamePtr issuer_name = name_of(issuer);
    X509NamePtr subject_name = issuer_name ? name_of(subject) : nullptr;
    if (!subject_name) return nullptr;
    auto c = std::make_unique<Cert>();
    c->issuer = dn_text(issuer_name.get());
    c->subject = dn_text(subject_name.get());
    c->issuer_match = match_of(std::move(issuer_name));
    c->subject_match = match_of(std::move(subject_name));
    c->pubkey.number = number_of_spki(spki.start, static_cast<std::size_t>(spki.end() - spki.start));
    c->der.assign(cert.start, cert.end());
    return c;
}

// A certificate of the common shape is read from its bytes, without decoding its public key.
std::unique_ptr<Cert> parse_cert(const unsigned char* data, std::size_t len) {
    const unsigned char* at = data;
    Tlv whole;
    if (read_tlv(at, data + len, whole))
        if (std::unique_ptr<Cert> cert = scan_plain_cert(whole)) return cert;
    const unsigned char* p = data;
    X509Ptr x(d2i_X509(nullptr, &p, static_cast<long>(len)));
    return x ? make_cert(x.get(), data, static_cast<std::size_t>(p - data)) : nullptr;
}

}  // namespace kx
