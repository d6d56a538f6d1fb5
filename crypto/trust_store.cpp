// Choosing a certificate's issuer among the store's certificates.
#include "crypto/trust_store_internal.h"

#include <new>

namespace {

using Entry = KxTrustStore::Impl::Entry;

X509* decoded(const Entry& entry) {
    if (!entry.decode_tried) {
        entry.decode_tried = true;
        const unsigned char* p = entry.der.data();
        entry.decoded.reset(d2i_X509(nullptr, &p, static_cast<long>(entry.der.size())));
    }
    return entry.decoded.get();
}

// The first caIssuers URI of the certificate's authority information access, or empty.
std::string ca_issuers_url(const X509* cert) {
    std::string url;
    auto* aia = static_cast<AUTHORITY_INFO_ACCESS*>(X509_get_ext_d2i(cert, NID_info_access, nullptr, nullptr));
    for (int i = 0; aia && url.empty() && i < sk_ACCESS_DESCRIPTION_num(aia); ++i) {
        const ACCESS_DESCRIPTION* ad = sk_ACCESS_DESCRIPTION_value(aia, i);
        if (OBJ_obj2nid(ad->method) != NID_ad_ca_issuers || ad->location->type != GEN_URI) continue;
        const ASN1_IA5STRING* uri = ad->location->d.uniformResourceIdentifier;
        url.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(uri)),
                   static_cast<std::size_t>(ASN1_STRING_length(uri)));
    }
    AUTHORITY_INFO_ACCESS_free(aia);
    return url;
}

bool valid_now(const X509* cert) {
    return X509_cmp_current_time(X509_get0_notBefore(cert)) <= 0 &&
           X509_cmp_current_time(X509_get0_notAfter(cert)) >= 0;
}

// True when `a` is the better issuer: valid now, then the later notAfter; between equals the smaller
// encoding, so that the order in which the store was read never decides.
bool better(const Entry& a, const Entry& b) {
    const X509* x = decoded(a);
    const X509* y = decoded(b);
    const bool x_valid = valid_now(x);
    if (x_valid != valid_now(y)) return x_valid;
    const int later = ASN1_TIME_compare(X509_get0_notAfter(x), X509_get0_notAfter(y));
    if (later != 0 && later != -2) return later > 0;
    return a.der < b.der;
}

bool issued(X509* cert, const ASN1_OCTET_STRING* authority_key_id, X509* candidate) {
    if (!candidate || X509_NAME_cmp(X509_get_subject_name(candidate), X509_get_issuer_name(cert)) != 0) return false;
    const ASN1_OCTET_STRING* subject_key_id = X509_get0_subject_key_id(candidate);
    if (authority_key_id && subject_key_id && ASN1_OCTET_STRING_cmp(authority_key_id, subject_key_id) != 0)
        return false;
    EVP_PKEY* key = X509_get0_pubkey(candidate);
    return key && X509_verify(cert, key) == 1;
}

KxIssuerLookup lookup(KxTrustStore::Impl& store, const std::vector<unsigned char>& der) {
    KxIssuerLookup result;
    const unsigned char* p = der.data();
    kx::X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
    if (!cert) return result;
    result.ca_issuers_url = ca_issuers_url(cert.get());
    int ok = 0;
    const unsigned long hash = X509_NAME_hash_ex(X509_get_issuer_name(cert.get()), nullptr, nullptr, &ok);
    if (!ok) return result;
    KX_load_hashed(store, hash);
    const ASN1_OCTET_STRING* authority_key_id = X509_get0_authority_key_id(cert.get());
    const Entry* best = nullptr;
    auto [from, to] = store.by_subject.equal_range(static_cast<std::size_t>(hash));
    for (auto it = from; it != to; ++it) {
        const Entry& candidate = store.entries[it->second];
        if (candidate.der == der || !issued(cert.get(), authority_key_id, decoded(candidate))) continue;
        if (!best || better(candidate, *best)) best = &candidate;
    }
    if (best)
        result.issuer = KxStoreIssuer{best->der, kx::dn_text(X509_get_subject_name(best->decoded.get())), best->file};
    return result;
}

}  // namespace

KxIssuerLookup KxTrustStore::IssuerOf(const std::vector<unsigned char>& der) const {
    ERR_set_mark();
    KxIssuerLookup result;
    try {
        result = lookup(*impl_, der);
    } catch (const std::bad_alloc&) {
        result = {};
    }
    ERR_pop_to_mark();
    return result;
}
