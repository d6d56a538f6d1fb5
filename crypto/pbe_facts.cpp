// Password-based encryption facts, read from the algorithm identifier alone.
#include "crypto/pbe_facts_internal.h"

#include <algorithm>
#include <cctype>

namespace kx {
namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string oid_text(const ASN1_OBJECT* obj) {
    char buf[128];
    const int n = OBJ_obj2txt(buf, sizeof buf, obj, 1);
    return n > 0 && static_cast<std::size_t>(n) < sizeof buf ? std::string(buf) : std::string("unknown");
}

std::string nid_name(int nid) {
    const char* ln = nid == NID_undef ? nullptr : OBJ_nid2ln(nid);
    return ln ? lower(ln) : std::string();
}

// The PKCS#12 PBEs (RFC 7292 appendix C) beside the PKCS#5 v1 ones that EVP_PBE_find also knows.
bool is_pkcs12_pbe(int nid) {
    switch (nid) {
    case NID_pbe_WithSHA1And128BitRC4:
    case NID_pbe_WithSHA1And40BitRC4:
    case NID_pbe_WithSHA1And3_Key_TripleDES_CBC:
    case NID_pbe_WithSHA1And2_Key_TripleDES_CBC:
    case NID_pbe_WithSHA1And128BitRC2_CBC:
    case NID_pbe_WithSHA1And40BitRC2_CBC: return true;
    default: return false;
    }
}

void pbes2_facts(const X509_ALGOR* alg, KxPbe& out) {
    out.scheme = "pbes2";
    auto* p = static_cast<PBE2PARAM*>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBE2PARAM), alg->parameter));
    if (!p) return;
    out.cipher = algorithm_name(p->encryption->algorithm);
    const int kdf = OBJ_obj2nid(p->keyfunc->algorithm);
    if (kdf == NID_id_pbkdf2) {
        auto* k =
            static_cast<PBKDF2PARAM*>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBKDF2PARAM), p->keyfunc->parameter));
        if (k) {
            out.iterations = iteration_count(k->iter, 0);
            // An absent PRF means HMAC-SHA1.
            int digest = NID_sha1;
            if (k->prf && !EVP_PBE_find(EVP_PBE_TYPE_PRF, OBJ_obj2nid(k->prf->algorithm), nullptr, &digest, nullptr))
                digest = NID_undef;
            out.kdf_digest = digest != NID_undef ? nid_name(digest) : algorithm_name(k->prf->algorithm);
            PBKDF2PARAM_free(k);
        }
    } else if (kdf == NID_id_scrypt) {
        out.kdf_digest = "scrypt";
        auto* s = static_cast<SCRYPT_PARAMS*>(
            ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(SCRYPT_PARAMS), p->keyfunc->parameter));
        if (s) out.iterations = iteration_count(s->costParameter, 0);
        SCRYPT_PARAMS_free(s);
    } else {
        out.kdf_digest = algorithm_name(p->keyfunc->algorithm);
    }
    PBE2PARAM_free(p);
}

}  // namespace

std::uint64_t iteration_count(const ASN1_INTEGER* count, std::uint64_t absent) {
    if (!count) return absent;
    std::uint64_t n = 0;
    return ASN1_INTEGER_get_uint64(&n, count) == 1 ? n : 0;
}

std::string algorithm_name(const ASN1_OBJECT* obj) {
    const std::string name = nid_name(OBJ_obj2nid(obj));
    return name.empty() ? oid_text(obj) : name;
}

KxPbe pbe_facts(const X509_ALGOR* alg) {
    KxPbe out;
    if (!alg || !alg->algorithm) return out;
    const int nid = OBJ_obj2nid(alg->algorithm);
    if (nid == NID_pbes2) {
        pbes2_facts(alg, out);
        return out;
    }
    int cipher = NID_undef;
    int digest = NID_undef;
    if (nid == NID_undef || !EVP_PBE_find(EVP_PBE_TYPE_OUTER, nid, &cipher, &digest, nullptr)) {
        out.scheme = oid_text(alg->algorithm);
        return out;
    }
    out.scheme = is_pkcs12_pbe(nid) ? "pkcs12-pbe" : "pbes1";
    out.cipher = nid_name(cipher);
    out.kdf_digest = nid_name(digest);
    auto* p = static_cast<PBEPARAM*>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBEPARAM), alg->parameter));
    if (p) out.iterations = iteration_count(p->iter, 0);
    PBEPARAM_free(p);
    return out;
}

}  // namespace kx
