// The PKCS#12 writer. Settings are fixed and consistent so that other systems import the file, in one
// of two profiles chosen by the key-bag cipher:
// - AES-256: the certificate safe and each shrouded key bag under PBES2 (AES-256-CBC, PBKDF2-HMAC-
//   SHA256), an HMAC-SHA256 MAC, 600,000 iterations throughout (what current tools write);
// - the older PBEs: certificates in a safe under pbeWithSHA1And3-KeyTripleDES-CBC, each key in a
//   shrouded key bag with the chosen PBE, an HMAC-SHA1 MAC, 2048 iterations throughout.
// KX_set_pbe_iterations changes the count of either. Every bag keeps its friendly name; a localKeyID
// links each key to the certificate of its public key only. CRLs are left out: no key store uses them
// and some importers refuse the whole file over a CRL bag (PKCS#7 output keeps them).
#include "crypto/atomic_file_internal.h"
#include "crypto/bundle_order_internal.h"
#include "crypto/errors_internal.h"
#include "crypto/pass_internal.h"
#include "crypto/writer_common_internal.h"

#include <limits>
#include <map>

namespace {

struct Profile {
    int keyScheme;   // as kx::p12_scheme_nid gives it
    int safeScheme;  // the certificate safe's
    const EVP_MD* macDigest;
    int iterations;
};

Profile profile_for(int choice) {
    const int key = kx::p12_scheme_nid(choice);
    const bool modern = key == NID_aes_256_cbc;
    return {key, modern ? NID_aes_256_cbc : NID_pbe_WithSHA1And3_Key_TripleDES_CBC, modern ? EVP_sha256() : EVP_sha1(),
            kx::pbe_iterations(choice)};
}

struct SafeBagsFree {
    void operator()(STACK_OF(PKCS12_SAFEBAG) * s) const { sk_PKCS12_SAFEBAG_pop_free(s, PKCS12_SAFEBAG_free); }
};
using SafeBags = std::unique_ptr<STACK_OF(PKCS12_SAFEBAG), SafeBagsFree>;
struct SafesFree {
    void operator()(STACK_OF(PKCS7) * s) const { sk_PKCS7_pop_free(s, PKCS7_free); }
};

bool add_name(PKCS12_SAFEBAG* bag, const std::optional<std::u16string>& name) {
    if (!name) return true;
    std::vector<unsigned char> bmp;  // big-endian UTF-16, as a BMPString holds it
    for (char16_t c : *name) {
        bmp.push_back(static_cast<unsigned char>(c >> 8));
        bmp.push_back(static_cast<unsigned char>(c & 0xFF));
    }
    if (bmp.empty()) return true;
    return PKCS12_add_friendlyname_uni(bag, bmp.data(), static_cast<int>(bmp.size())) == 1;
}

bool push(STACK_OF(PKCS12_SAFEBAG) * bags, PKCS12_SAFEBAG* bag) {
    if (!bag) return false;
    if (!sk_PKCS12_SAFEBAG_push(bags, bag)) {
        PKCS12_SAFEBAG_free(bag);
        return false;
    }
    return true;
}

// The local key ID of each key bag: the SHA-1 of the first certificate holding its public key.
using KeyIds = std::map<const P12Bag*, std::vector<unsigned char>>;

KeyIds pair_keys(const kx::BundleBags& bags, std::map<const P12Bag*, std::vector<unsigned char>>& cert_ids) {
    KeyIds ids;
    for (const P12Bag* key : bags.keys) {
        for (const P12Bag* cert : bags.certs) {
            if (cert_ids.count(cert) || LN_cmp(key->key()->number, cert->cert()->pubkey.number) != 0) continue;
            std::vector<unsigned char> id(EVP_MAX_MD_SIZE);
            unsigned int len = 0;
            if (!EVP_Digest(cert->cert()->der.data(), cert->cert()->der.size(), id.data(), &len, EVP_sha1(), nullptr))
                break;
            id.resize(len);
            ids[key] = id;
            cert_ids[cert] = id;
            break;
        }
    }
    return ids;
}

bool add_id(PKCS12_SAFEBAG* bag, const std::vector<unsigned char>* id) {
    if (!id) return true;
    return PKCS12_add_localkeyid(bag, const_cast<unsigned char*>(id->data()), static_cast<int>(id->size())) == 1;
}

bool cert_bags(const kx::BundleBags& bags, const std::map<const P12Bag*, std::vector<unsigned char>>& cert_ids,
               STACK_OF(PKCS12_SAFEBAG) * out) {
    for (const P12Bag* bag : bags.certs) {
        PKCS12_SAFEBAG* sb = kx::der_safebag(bag->cert()->der, NID_x509Certificate, NID_certBag);
        if (!push(out, sb)) return false;
        auto id = cert_ids.find(bag);
        if (!add_name(sb, bag->friendly_name) || !add_id(sb, id == cert_ids.end() ? nullptr : &id->second))
            return false;
    }
    return true;
}

bool key_bags(const kx::BundleBags& bags, const KeyIds& ids, const Profile& profile, const SecretString& pass,
              STACK_OF(PKCS12_SAFEBAG) * out) {
    for (const P12Bag* bag : bags.keys) {
        EVP_PKEY* pkey = kx::pkey_of(bag->key()->number);
        kx::P8InfoPtr info(pkey ? EVP_PKEY2PKCS8(pkey) : nullptr);
        if (!info) return false;
        kx::X509SigPtr sig = kx::encrypt_p8(info.get(), profile.keyScheme, pass, profile.iterations);
        PKCS12_SAFEBAG* sb = sig ? PKCS12_SAFEBAG_create0_pkcs8(sig.get()) : nullptr;
        if (sb) (void)sig.release();  // the bag owns it now
        if (!push(out, sb)) return false;
        auto id = ids.find(bag);
        if (!add_name(sb, bag->friendly_name) || !add_id(sb, id == ids.end() ? nullptr : &id->second)) return false;
    }
    return true;
}

}  // namespace

namespace kx {

// A certificate or CRL bag holding the record's DER exactly as read. The records were parsed when they
// were read, so they are packed as they are rather than parsed again (with a public-key decode per
// certificate) only to be encoded back into the same bytes.
PKCS12_SAFEBAG* der_safebag(const std::vector<unsigned char>& der, int value_nid, int bag_nid) {
    if (der.empty() || der.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return nullptr;
    // A SEQUENCE held by ASN1_ANY is kept, and encoded again, as its complete DER.
    ASN1_STRING* value = ASN1_STRING_type_new(V_ASN1_SEQUENCE);
    ASN1_TYPE* any = ASN1_TYPE_new();
    if (!value || !any || !ASN1_STRING_set(value, der.data(), static_cast<int>(der.size()))) {
        ASN1_STRING_free(value);
        ASN1_TYPE_free(any);
        return nullptr;
    }
    ASN1_TYPE_set(any, V_ASN1_SEQUENCE, value);  // `any` owns `value` now
    PKCS12_SAFEBAG* bag = PKCS12_item_pack_safebag(any, ASN1_ITEM_rptr(ASN1_ANY), value_nid, bag_nid);
    ASN1_TYPE_free(any);
    return bag;
}

}  // namespace kx

int P12_write_file(const P12* container, const char* path) {
    kx::write_started();
    if (!container) return kx::write_failed(KxWriteFailure::Encoding);
    const Profile profile = profile_for(kx::p12_key_cipher_choice());
    if (!kx::pbe_scheme_available(profile.keyScheme) || !kx::pbe_scheme_available(profile.safeScheme) ||
        !kx::digest_available(EVP_MD_get0_name(profile.macDigest)))
        return kx::write_failed(KxWriteFailure::CipherUnavailable);
    kx::BundleBags bags = kx::bundle_bags(container);
    std::optional<SecretString> pass = kx::output_pass(path);
    if (!pass) return 0;

    ERR_set_mark();
    std::map<const P12Bag*, std::vector<unsigned char>> cert_ids;
    KeyIds ids = pair_keys(bags, cert_ids);
    SafeBags certs(sk_PKCS12_SAFEBAG_new_null());
    SafeBags keys(sk_PKCS12_SAFEBAG_new_null());
    STACK_OF(PKCS7)* safes_raw = nullptr;
    const char* pw = pass->str().c_str();
    bool ok =
        certs && keys && cert_bags(bags, cert_ids, certs.get()) && key_bags(bags, ids, profile, *pass, keys.get());
    // A cipher NID here gives PBES2 with OpenSSL's default PRF, HMAC-SHA256 (the tests hold it to that).
    if (ok && sk_PKCS12_SAFEBAG_num(certs.get()) > 0)
        ok = PKCS12_add_safe_ex(&safes_raw, certs.get(), profile.safeScheme, profile.iterations, pw, nullptr,
                                nullptr) == 1;
    if (ok && sk_PKCS12_SAFEBAG_num(keys.get()) > 0)
        ok = PKCS12_add_safe_ex(&safes_raw, keys.get(), -1, 0, nullptr, nullptr, nullptr) == 1;
    std::unique_ptr<STACK_OF(PKCS7), SafesFree> safes(safes_raw);
    kx::Pkcs12Ptr p12;
    if (ok && safes) p12.reset(PKCS12_add_safes_ex(safes.get(), 0, nullptr, nullptr));
    ok = ok && p12 &&
         PKCS12_set_mac(p12.get(), pw, static_cast<int>(pass->str().size()), nullptr, 0, profile.iterations,
                        profile.macDigest) == 1;
    kx::BioPtr bio = kx::memory_bio();
    ok = ok && bio && i2d_PKCS12_bio(bio.get(), p12.get()) == 1;
    ERR_pop_to_mark();
    if (!ok) return kx::write_failed(KxWriteFailure::Encoding);
    return kx::write_atomic(path, bio.get(), true) ? 1 : 0;
}
