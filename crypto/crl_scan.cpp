// Reading a CRL without building OpenSSL's object of it. A CRL of a million revoked entries costs
// d2i_X509_CRL a million small objects (about ten times the file in memory) only for the converter to
// take the issuer's name and keep the bytes. Here OpenSSL decodes the CRL with its revoked list
// emptied (every other field checked exactly as before), and the entries are walked header by header:
// an entry of the plain, common shape is taken when its parts are sound; any other entry is handed
// to d2i_X509_REVOKED, so the CRLs refused are the ones d2i_X509_CRL refuses.
#include "crypto/crl_scan_internal.h"

#include "crypto/der_walk_internal.h"
#include "crypto/kx_internal.h"

#include <limits>

namespace kx {
namespace {

// One revoked entry of the plain shape: SEQUENCE { INTEGER, Time, SEQUENCE OF Extension OPTIONAL }.
bool plain_entry(const Tlv& entry) {
    if (!entry.is(V_ASN1_SEQUENCE, true)) return false;
    const unsigned char* p = entry.content;
    Tlv serial, date, exts;
    if (!read_tlv(p, entry.end(), serial) || !plain_integer(serial)) return false;
    if (!read_tlv(p, entry.end(), date) || !plain_time(date)) return false;
    if (p == entry.end()) return true;
    return read_tlv(p, entry.end(), exts) && p == entry.end() && plain_extensions(exts);
}

// Every entry of the revoked list, as OpenSSL's SEQUENCE OF decoding would go through them.
bool entries_sound(const Tlv& list) {
    X509RevokedPtr reuse;
    const unsigned char* p = list.content;
    while (p < list.end()) {
        const unsigned char* at = p;
        Tlv entry;
        if (read_tlv(p, list.end(), entry) && plain_entry(entry)) continue;
        p = at;
        X509_REVOKED* r = reuse.release();
        if (!d2i_X509_REVOKED(&r, &p, list.end() - p)) return false;  // frees r
        reuse.reset(r);
    }
    return p == list.end();
}

// The revoked list of a CRL as the decoder would place it: after the optional version, the
// signature algorithm, the issuer, thisUpdate and the optional nextUpdate. False when the shape
// is not the common one (the caller then decodes the whole CRL).
bool find_revoked(const Tlv& tbs, Tlv& list) {
    const unsigned char* p = tbs.content;
    Tlv t;
    if (!read_tlv(p, tbs.end(), t)) return false;
    if (t.cls == V_ASN1_UNIVERSAL && t.tag == V_ASN1_INTEGER && !read_tlv(p, tbs.end(), t)) return false;
    // t: signature algorithm; then the issuer and thisUpdate.
    for (int i = 0; i < 2; ++i)
        if (!read_tlv(p, tbs.end(), t)) return false;
    if (!read_tlv(p, tbs.end(), t)) return false;
    if (t.cls == V_ASN1_UNIVERSAL && (t.tag == V_ASN1_UTCTIME || t.tag == V_ASN1_GENERALIZEDTIME) &&
        !read_tlv(p, tbs.end(), t))
        return false;
    if (!t.is(V_ASN1_SEQUENCE, true)) return false;
    list = t;
    return true;
}

std::optional<CrlScan> scan_of(const X509_CRL* crl, std::size_t length) {
    if (!crl) return std::nullopt;
    CrlScan scan;
    scan.issuer = dn_text(X509_CRL_get_issuer(crl));
    scan.issuer_match = name_match_of(X509_CRL_get_issuer(crl));
    scan.length = length;
    return scan;
}

std::optional<CrlScan> decode_whole(const unsigned char* data, std::size_t len) {
    const unsigned char* p = data;
    X509CrlPtr crl(d2i_X509_CRL(nullptr, &p, static_cast<long>(len)));
    return scan_of(crl.get(), static_cast<std::size_t>(p - data));
}

}  // namespace

std::optional<CrlScan> scan_crl(const unsigned char* data, std::size_t len) {
    if (!data || len == 0 || len > static_cast<std::size_t>(std::numeric_limits<long>::max())) return std::nullopt;
    ERR_set_mark();
    const unsigned char* p = data;
    Tlv outer, tbs, list;
    std::optional<CrlScan> scan;
    if (!read_tlv(p, data + len, outer) || !outer.is(V_ASN1_SEQUENCE, true)) {
        scan = decode_whole(data, len);
    } else {
        const unsigned char* q = outer.content;
        if (!read_tlv(q, outer.end(), tbs) || !tbs.is(V_ASN1_SEQUENCE, true) || !find_revoked(tbs, list)) {
            scan = decode_whole(data, len);
        } else if (entries_sound(list)) {
            const std::vector<unsigned char> rest = copy_with_hole({outer, tbs}, list);
            const unsigned char* r = rest.data();
            X509CrlPtr crl(rest.empty() ? nullptr : d2i_X509_CRL(nullptr, &r, static_cast<long>(rest.size())));
            if (crl && r == rest.data() + rest.size())
                scan = scan_of(crl.get(), static_cast<std::size_t>(outer.end() - data));
        }
    }
    ERR_pop_to_mark();
    return scan;
}

}  // namespace kx
