// The PKCS#12 writer. Unless the settings say otherwise, the choices are consistent so that other
// systems import the file, in one of two profiles chosen by the key-bag cipher:
// - AES-256: the certificate safe and each shrouded key bag under PBES2 (AES-256-CBC, PBKDF2-HMAC-
//   SHA256), an HMAC-SHA256 MAC, 600,000 iterations throughout (what current tools write);
// - the older PBEs: certificates in a safe under pbeWithSHA1And3-KeyTripleDES-CBC, each key in a
//   shrouded key bag with the chosen PBE, an HMAC-SHA1 MAC, 2048 iterations throughout.
// The settings may change the certificate safe's cipher (or leave it in clear), the PBES2 PRF, the MAC
// digest, the counts and the names. Every bag keeps its friendly name unless the settings give one; a
// localKeyID links each key to the certificate of its public key only. CRLs are left out: no key store
// uses them and some importers refuse the whole file over a CRL bag (PKCS#7 output keeps them).
#include "crypto/atomic_file_internal.h"
#include "crypto/bundle_order_internal.h"
#include "crypto/pass_internal.h"
#include "crypto/writer_common_internal.h"

#include <algorithm>
#include <limits>
#include <map>

namespace {

// The certificate safe's scheme when it is left in clear.
constexpr int kClearSafe = -1;

struct Profile {
    int keyScheme;   // as kx::p12_scheme_nid gives it
    int safeScheme;  // the certificate safe's, or kClearSafe
    int prf;         // of every PBES2 in the file
    const EVP_MD* macDigest;
    int iterations;
    int macIterations;
};

Profile profile_for(const KxWriteSettings& s) {
    const int key = kx::p12_scheme_nid(s.key_cipher);
    const bool modern = key == NID_aes_256_cbc;
    const int safe = s.cert_cipher.value_or(modern ? KX_AES256 : KX_P12_3DES_3KEY);
    const int iterations = kx::pbe_iterations(s.iterations, s.key_cipher);
    return {key,
            safe == KX_CIPHER_NONE ? kClearSafe : kx::p12_scheme_nid(safe),
            kx::prf_nid(s.prf),
            kx::digest_named(!s.mac_digest.empty() ? s.mac_digest
                             : modern              ? SN_sha256
                                                   : SN_sha1),
            iterations,
            s.mac_iterations != 0 ? kx::pbe_iterations(s.mac_iterations, s.key_cipher) : iterations};
}

bool available(const Profile& p) {
    const bool pbes2 = p.keyScheme == NID_aes_256_cbc || p.safeScheme == NID_aes_256_cbc;
    return kx::pbe_scheme_available(p.keyScheme) &&
           (p.safeScheme == kClearSafe || kx::pbe_scheme_available(p.safeScheme)) && (!pbes2 || p.prf != NID_undef) &&
           p.macDigest != nullptr;
}

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

// `name`, when given, replaces the names of the keys and of the certificates paired with them.
bool cert_bags(const kx::BundleBags& bags, const std::map<const P12Bag*, std::vector<unsigned char>>& cert_ids,
               const std::optional<std::u16string>& name, STACK_OF(PKCS12_SAFEBAG) * out) {
    for (const P12Bag* bag : bags.certs) {
        PKCS12_SAFEBAG* sb = kx::der_safebag(bag->cert()->der, NID_x509Certificate, NID_certBag);
        if (!push(out, sb)) return false;
        auto id = cert_ids.find(bag);
        const bool paired = id != cert_ids.end();
        if (!add_name(sb, paired && name ? name : bag->friendly_name) || !add_id(sb, paired ? &id->second : nullptr))
            return false;
    }
    return true;
}

// Java takes a certificate of a PKCS#12 store as trusted only when its bag carries this attribute; its
// value lists the uses it is trusted for, and Java's own tools write anyExtendedKeyUsage.
const char* const kJavaTrustedKeyUsage = "2.16.840.1.113894.746875.1.1";

bool add_java_trust(PKCS12_SAFEBAG* bag) {
    const ASN1_OBJECT* any_use = OBJ_nid2obj(NID_anyExtendedKeyUsage);
    return any_use && PKCS12_add1_attr_by_txt(bag, kJavaTrustedKeyUsage, V_ASN1_OBJECT,
                                              reinterpret_cast<const unsigned char*>(any_use), -1) == 1;
}

// Java keeps one entry per alias and compares aliases without regard to case: a name already taken
// gets " (2)", " (3)" ... added.
std::u16string unique_alias(const std::u16string& name, std::vector<std::u16string>& taken) {
    auto folded = [](std::u16string s) {
        for (char16_t& c : s)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        return s;
    };
    std::u16string alias = name;
    for (int n = 2; std::find(taken.begin(), taken.end(), folded(alias)) != taken.end(); ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")";
        alias = name + std::u16string(suffix.begin(), suffix.end());
    }
    taken.push_back(folded(alias));
    return alias;
}

// A Java trust store: every certificate as a trusted entry, no key. `name`, when given, names the first;
// the others keep their own names (their subjects' common names unless an input named them).
bool trusted_cert_bags(const kx::BundleBags& bags, const std::optional<std::u16string>& name,
                       STACK_OF(PKCS12_SAFEBAG) * out) {
    std::vector<std::u16string> taken;
    for (const P12Bag* bag : bags.certs) {
        PKCS12_SAFEBAG* sb = kx::der_safebag(bag->cert()->der, NID_x509Certificate, NID_certBag);
        if (!push(out, sb)) return false;
        const std::optional<std::u16string>& own = taken.empty() && name ? name : bag->friendly_name;
        const std::u16string alias = unique_alias(own && !own->empty() ? *own : get_frname_from_dn(bag->cert()), taken);
        if (!add_name(sb, alias) || !add_java_trust(sb)) return false;
    }
    return true;
}

bool key_bags(const kx::BundleBags& bags, const KeyIds& ids, const Profile& profile, const SecretString& pass,
              const std::optional<std::u16string>& name, STACK_OF(PKCS12_SAFEBAG) * out) {
    for (const P12Bag* bag : bags.keys) {
        EVP_PKEY* pkey = kx::pkey_of(bag->key()->number);
        kx::P8InfoPtr info(pkey ? EVP_PKEY2PKCS8(pkey) : nullptr);
        if (!info) return false;
        kx::X509SigPtr sig = kx::encrypt_p8(info.get(), profile.keyScheme, profile.prf, pass, profile.iterations);
        PKCS12_SAFEBAG* sb = sig ? PKCS12_SAFEBAG_create0_pkcs8(sig.get()) : nullptr;
        if (sb) (void)sig.release();  // the bag owns it now
        if (!push(out, sb)) return false;
        auto id = ids.find(bag);
        if (!add_name(sb, name ? name : bag->friendly_name) || !add_id(sb, id == ids.end() ? nullptr : &id->second))
            return false;
    }
    return true;
}

// The certificate safe: in clear, encrypted with a PBES1 scheme, or under PBES2 with the profile's PRF
// (OpenSSL's own packing would always take its default PRF). Null on failure.
PKCS7* cert_safe(STACK_OF(PKCS12_SAFEBAG) * bags, const Profile& profile, const SecretString& pass) {
    const char* pw = pass.str().c_str();
    const int len = static_cast<int>(pass.str().size());
    if (profile.safeScheme == kClearSafe) return PKCS12_pack_p7data(bags);
    if (profile.safeScheme != NID_aes_256_cbc)
        return PKCS12_pack_p7encdata_ex(profile.safeScheme, pw, len, nullptr, 0, profile.iterations, bags, nullptr,
                                        nullptr);
    kx::Pkcs7Ptr p7(PKCS7_new());
    if (!p7 || !PKCS7_set_type(p7.get(), NID_pkcs7_encrypted)) return nullptr;
    X509_ALGOR* pbe =
        PKCS5_pbe2_set_iv_ex(EVP_aes_256_cbc(), profile.iterations, nullptr, 0, nullptr, profile.prf, nullptr);
    if (!pbe) return nullptr;
    PKCS7_ENC_CONTENT* content = p7->d.encrypted->enc_data;
    X509_ALGOR_free(content->algorithm);
    content->algorithm = pbe;  // the safe owns it now
    ASN1_OCTET_STRING_free(content->enc_data);
    content->enc_data =
        PKCS12_item_i2d_encrypt_ex(pbe, ASN1_ITEM_rptr(PKCS12_SAFEBAGS), pw, len, bags, 1, nullptr, nullptr);
    return content->enc_data ? p7.release() : nullptr;
}

bool push_safe(STACK_OF(PKCS7) * safes, PKCS7* safe) {
    if (!safe) return false;
    if (!sk_PKCS7_push(safes, safe)) {
        PKCS7_free(safe);
        return false;
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

KxWriteOutcome P12_write_file(const P12* container, const KxWriteSettings& settings) {
    const kx::WriteCall call;
    if (!container) return call.failed(KxWriteFailure::Encoding);
    const Profile profile = profile_for(settings);
    if (!available(profile)) return call.failed(KxWriteFailure::CipherUnavailable);
    kx::BundleBags bags = kx::bundle_bags(container);
    std::optional<SecretString> pass = kx::output_pass(settings);
    if (!pass) return call.failed(KxWriteFailure::NoPassPhrase);

    ERR_set_mark();
    std::map<const P12Bag*, std::vector<unsigned char>> cert_ids;
    const KeyIds ids = settings.java_trusted_certificates ? KeyIds{} : pair_keys(bags, cert_ids);
    kx::SafeBagStackPtr certs(sk_PKCS12_SAFEBAG_new_null());
    kx::SafeBagStackPtr keys(sk_PKCS12_SAFEBAG_new_null());
    kx::Pkcs7StackPtr safes(sk_PKCS7_new_null());
    bool ok = certs && keys && safes;
    if (settings.java_trusted_certificates)
        ok = ok && trusted_cert_bags(bags, settings.friendly_name, certs.get());
    else
        ok = ok && cert_bags(bags, cert_ids, settings.friendly_name, certs.get()) &&
             key_bags(bags, ids, profile, *pass, settings.friendly_name, keys.get());
    if (ok && sk_PKCS12_SAFEBAG_num(certs.get()) > 0)
        ok = push_safe(safes.get(), cert_safe(certs.get(), profile, *pass));
    // The key bags are shrouded one by one; their safe itself is in clear.
    if (ok && sk_PKCS12_SAFEBAG_num(keys.get()) > 0) ok = push_safe(safes.get(), PKCS12_pack_p7data(keys.get()));
    kx::Pkcs12Ptr p12;
    if (ok && sk_PKCS7_num(safes.get()) > 0) p12.reset(PKCS12_add_safes_ex(safes.get(), 0, nullptr, nullptr));
    const char* pw = pass->str().c_str();
    ok = ok && p12 &&
         PKCS12_set_mac(p12.get(), pw, static_cast<int>(pass->str().size()), nullptr, 0, profile.macIterations,
                        profile.macDigest) == 1;
    kx::BioPtr bio = kx::memory_bio();
    ok = ok && bio && i2d_PKCS12_bio(bio.get(), p12.get()) == 1;
    ERR_pop_to_mark();
    if (!ok) return call.failed(KxWriteFailure::Encoding);
    return kx::write_atomic(settings, bio.get(), true);
}
