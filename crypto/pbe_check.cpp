// Password-based encryption and MAC parameters, checked before any key derivation.
#include "crypto/input_internal.h"
#include "crypto/pass_internal.h"
#include "crypto/pbe_check_internal.h"

#include <string>

namespace kx {
namespace {

std::string name_of(const ASN1_OBJECT* obj) {
    char buf[128];
    int n = OBJ_obj2txt(buf, sizeof buf, obj, 0);
    return n > 0 ? std::string(buf) : std::string("unknown");
}

bool refuse(KxInput& in, std::string what) {
    in.refuse({KxReadFailure::UnsupportedAlgorithm, std::move(what)});
    return false;
}

bool too_costly(KxInput& in, std::string what) {
    in.refuse({KxReadFailure::TooCostly, std::move(what)});
    return false;
}

// Iteration counts: absent means 1; zero or negative is refused as damaged, beyond the cap as too costly.
bool count_ok(KxInput& in, const ASN1_INTEGER* iter, const std::string& scheme, std::uint64_t* work) {
    std::uint64_t n = 1;
    if (iter && ASN1_INTEGER_get_uint64(&n, iter) != 1) {
        if (ASN1_STRING_type(iter) == V_ASN1_INTEGER && ASN1_STRING_length(iter) > 8)
            return too_costly(in, scheme + " with more than 2^64 iterations");
        return refuse(in, scheme + " with an invalid iteration count");
    }
    if (n == 0) return refuse(in, scheme + " with an invalid iteration count");
    if (n > KX_MAX_PBE_ITERATIONS) return too_costly(in, scheme + " with " + std::to_string(n) + " iterations");
    if (work) *work = n;
    return true;
}

bool cipher_ok(KxInput& in, int nid, const ASN1_OBJECT* obj) {
    const char* name = nid == NID_undef ? nullptr : OBJ_nid2sn(nid);
    if (!name || !cipher_available(name)) return refuse(in, name ? unsupported_detail(name) : name_of(obj));
    return true;
}

bool digest_ok(KxInput& in, int nid) {
    const char* name = nid == NID_undef ? nullptr : OBJ_nid2sn(nid);
    if (!name || !digest_available(name)) return refuse(in, name ? unsupported_detail(name) : "unknown digest");
    return true;
}

bool pbes2_ok(KxInput& in, const X509_ALGOR* alg, std::uint64_t* work) {
    auto* p = static_cast<PBE2PARAM*>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBE2PARAM), alg->parameter));
    if (!p) return refuse(in, "PBES2 with damaged parameters");
    bool ok = true;
    int kdf = OBJ_obj2nid(p->keyfunc->algorithm);
    if (kdf == NID_id_pbkdf2) {
        auto* k =
            static_cast<PBKDF2PARAM*>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBKDF2PARAM), p->keyfunc->parameter));
        if (!k)
            ok = refuse(in, "PBKDF2 with damaged parameters");
        else {
            ok = count_ok(in, k->iter, "PBKDF2", work);
            if (ok && k->prf) {
                int hmac_md = NID_undef;
                int prf = OBJ_obj2nid(k->prf->algorithm);
                if (!EVP_PBE_find(EVP_PBE_TYPE_PRF, prf, nullptr, &hmac_md, nullptr))
                    ok = refuse(in, name_of(k->prf->algorithm));
                else
                    ok = digest_ok(in, hmac_md);
            }
            PBKDF2PARAM_free(k);
        }
    } else if (kdf == NID_id_scrypt) {
        auto* s = static_cast<SCRYPT_PARAMS*>(
            ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(SCRYPT_PARAMS), p->keyfunc->parameter));
        std::uint64_t n = 0, r = 0, par = 0;
        if (!s || ASN1_INTEGER_get_uint64(&n, s->costParameter) != 1 ||
            ASN1_INTEGER_get_uint64(&r, s->blockSize) != 1 ||
            ASN1_INTEGER_get_uint64(&par, s->parallelizationParameter) != 1 || r == 0 || par == 0)
            ok = refuse(in, "scrypt with damaged parameters");
        else if (n > KX_MAX_PBE_ITERATIONS / r / par)
            ok = too_costly(in, "scrypt with a work factor beyond " + std::to_string(KX_MAX_PBE_ITERATIONS));
        else if (work)
            *work = n * r * par;
        SCRYPT_PARAMS_free(s);
    } else {
        ok = refuse(in, name_of(p->keyfunc->algorithm));
    }
    if (ok) ok = cipher_ok(in, OBJ_obj2nid(p->encryption->algorithm), p->encryption->algorithm);
    PBE2PARAM_free(p);
    return ok;
}

}  // namespace

bool pbe_usable(KxInput& in, const X509_ALGOR* alg, std::uint64_t* work) {
    if (!alg) return refuse(in, "missing algorithm");
    int nid = OBJ_obj2nid(alg->algorithm);
    if (nid == NID_pbes2) return pbes2_ok(in, alg, work);
    int cipher = NID_undef, md = NID_undef;
    if (nid == NID_undef || !EVP_PBE_find(EVP_PBE_TYPE_OUTER, nid, &cipher, &md, nullptr))
        return refuse(in, name_of(alg->algorithm));
    auto* p = static_cast<PBEPARAM*>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBEPARAM), alg->parameter));
    if (!p) return refuse(in, name_of(alg->algorithm) + " with damaged parameters");
    bool ok = count_ok(in, p->iter, OBJ_nid2ln(nid), work);
    PBEPARAM_free(p);
    return ok && cipher_ok(in, cipher, alg->algorithm) && digest_ok(in, md);
}

bool p12_mac_usable(KxInput& in, const PKCS12* p12, std::uint64_t* work) {
    const ASN1_OCTET_STRING* mac = nullptr;
    const X509_ALGOR* alg = nullptr;
    const ASN1_OCTET_STRING* salt = nullptr;
    const ASN1_INTEGER* iter = nullptr;
    PKCS12_get0_mac(&mac, &alg, &salt, &iter, p12);
    if (!mac || !alg) return refuse(in, "PKCS#12 without a MAC");
    const ASN1_OBJECT* obj = nullptr;
    X509_ALGOR_get0(&obj, nullptr, nullptr, alg);
    if (!count_ok(in, iter, "PKCS#12 MAC", work)) return false;
    return digest_ok(in, OBJ_obj2nid(obj));
}

bool within_budget(KxInput& in, std::uint64_t& spent, std::uint64_t work) {
    // Each work factor is within the cap, so the sum cannot wrap.
    spent += work;
    if (spent <= KX_MAX_PBE_ITERATIONS) return true;
    return too_costly(in, std::to_string(spent) + " iterations of key derivation in all");
}

}  // namespace kx
