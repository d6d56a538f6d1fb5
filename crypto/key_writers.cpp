// Writers of private keys: traditional PEM (RSA, DSA, EC) with the key cipher of the settings, and
// PKCS#8 in DER and PEM, plain or encrypted with the settings' scheme (PBES1, or PBES2 for AES-256
// with the settings' PRF). Every key file is created 0600. The cipher is checked and the pass phrase
// collected before the target is touched.
#include "crypto/atomic_file_internal.h"
#include "crypto/pass_internal.h"
#include "crypto/writer_common_internal.h"

namespace {

const char* pem_cipher_name(int id) {
    switch (id) {
    case KX_PEM_DES: return "DES-CBC";
    case KX_PEM_3DES: return "DES-EDE3-CBC";
    case KX_AES256: return "AES-256-CBC";
    default: return nullptr;
    }
}

KxWriteOutcome write_traditional(const Key* key, const KxWriteSettings& settings, int base_id) {
    const kx::WriteCall call;
    EVP_PKEY* pkey = key ? kx::pkey_of(key->number) : nullptr;
    if (!pkey || EVP_PKEY_get_base_id(pkey) != base_id) return call.failed(KxWriteFailure::UnsupportedKey);
    const int id = settings.key_cipher;
    kx::CipherPtr cipher;
    std::optional<SecretString> pass;
    if (id != KX_CIPHER_NONE) {
        const char* name = pem_cipher_name(id);
        if (!name || !kx::cipher_available(name)) return call.failed(KxWriteFailure::CipherUnavailable);
        cipher.reset(EVP_CIPHER_fetch(nullptr, name, nullptr));
        if (!cipher) return call.failed(KxWriteFailure::CipherUnavailable);
        pass = kx::output_pass(settings);
        if (!pass) return call.failed(KxWriteFailure::NoPassPhrase);
    }
    kx::BioPtr bio = kx::memory_bio();
    ERR_set_mark();
    int ok = bio && PEM_write_bio_PrivateKey_traditional(
                        bio.get(), pkey, cipher.get(),
                        pass ? reinterpret_cast<const unsigned char*>(pass->str().data()) : nullptr,
                        pass ? static_cast<int>(pass->str().size()) : 0, nullptr, nullptr);
    ERR_pop_to_mark();
    if (!ok) return call.failed(KxWriteFailure::Encoding);
    return kx::write_atomic(settings, bio.get(), true);
}

kx::P8InfoPtr p8_of(const Key* key) {
    EVP_PKEY* pkey = key ? kx::pkey_of(key->number) : nullptr;
    ERR_set_mark();
    kx::P8InfoPtr info(pkey ? EVP_PKEY2PKCS8(pkey) : nullptr);
    ERR_pop_to_mark();
    return info;
}

KxWriteOutcome write_p8(const Key* key, const KxWriteSettings& settings, bool pem) {
    const kx::WriteCall call;
    kx::P8InfoPtr info = p8_of(key);
    if (!info) return call.failed(KxWriteFailure::UnsupportedKey);
    kx::BioPtr bio = kx::memory_bio();
    int ok = bio && (pem ? PEM_write_bio_PKCS8_PRIV_KEY_INFO(bio.get(), info.get())
                         : i2d_PKCS8_PRIV_KEY_INFO_bio(bio.get(), info.get()));
    if (!ok) return call.failed(KxWriteFailure::Encoding);
    return kx::write_atomic(settings, bio.get(), true);
}

KxWriteOutcome write_p8enc(const Key* key, const KxWriteSettings& settings, bool pem) {
    const kx::WriteCall call;
    kx::P8InfoPtr info = p8_of(key);
    if (!info) return call.failed(KxWriteFailure::UnsupportedKey);
    const int id = settings.key_cipher;
    const int nid = kx::p5_scheme_nid(id);
    const int prf = nid == NID_aes_256_cbc ? kx::prf_nid(settings.prf) : NID_undef;
    if (!kx::pbe_scheme_available(nid) || (nid == NID_aes_256_cbc && prf == NID_undef))
        return call.failed(KxWriteFailure::CipherUnavailable);
    std::optional<SecretString> pass = kx::output_pass(settings);
    if (!pass) return call.failed(KxWriteFailure::NoPassPhrase);
    kx::X509SigPtr sig = kx::encrypt_p8(info.get(), nid, prf, *pass, kx::pbe_iterations(settings.iterations, id));
    if (!sig) return call.failed(KxWriteFailure::Encoding);
    kx::BioPtr bio = kx::memory_bio();
    int ok = bio && (pem ? PEM_write_bio_PKCS8(bio.get(), sig.get()) : i2d_PKCS8_bio(bio.get(), sig.get()));
    if (!ok) return call.failed(KxWriteFailure::Encoding);
    return kx::write_atomic(settings, bio.get(), true);
}

}  // namespace

KxWriteOutcome PEM_write_rsaprv(const Key* key, const KxWriteSettings& s) {
    return write_traditional(key, s, EVP_PKEY_RSA);
}
KxWriteOutcome PEM_write_dsaprv(const Key* key, const KxWriteSettings& s) {
    return write_traditional(key, s, EVP_PKEY_DSA);
}
KxWriteOutcome PEM_write_ecprv(const Key* key, const KxWriteSettings& s) {
    return write_traditional(key, s, EVP_PKEY_EC);
}

KxWriteOutcome P8_write_file(const Key* key, const KxWriteSettings& s) { return write_p8(key, s, false); }
KxWriteOutcome PEM_write_p8(const Key* key, const KxWriteSettings& s) { return write_p8(key, s, true); }
KxWriteOutcome P8enc_write_file(const Key* key, const KxWriteSettings& s) { return write_p8enc(key, s, false); }
KxWriteOutcome PEM_write_p8enc(const Key* key, const KxWriteSettings& s) { return write_p8enc(key, s, true); }
