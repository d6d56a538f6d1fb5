// Writers of private keys: traditional PEM (RSA, DSA, EC) with the PEM cipher choice, and PKCS#8 in
// DER and PEM, plain or encrypted with the PKCS#8 scheme choice (PBES1, or PBES2 for AES-256). Every key file is
// created 0600. The cipher is checked and the pass phrase collected before the target is touched.
#include "crypto/atomic_file_internal.h"
#include "crypto/errors_internal.h"
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

int write_traditional(const Key* key, const char* path, int base_id) {
    kx::write_started();
    EVP_PKEY* pkey = key ? kx::pkey_of(key->number) : nullptr;
    if (!pkey || EVP_PKEY_get_base_id(pkey) != base_id) return kx::write_failed(KxWriteFailure::UnsupportedKey);
    int id = kx::pem_cipher_choice();
    kx::CipherPtr cipher;
    std::optional<SecretString> pass;
    if (id != KX_CIPHER_NONE) {
        const char* name = pem_cipher_name(id);
        if (!name || !kx::cipher_available(name)) return kx::write_failed(KxWriteFailure::CipherUnavailable);
        cipher.reset(EVP_CIPHER_fetch(nullptr, name, nullptr));
        if (!cipher) return kx::write_failed(KxWriteFailure::CipherUnavailable);
        pass = kx::output_pass(path);
        if (!pass) return 0;
    }
    kx::BioPtr bio = kx::memory_bio();
    ERR_set_mark();
    int ok = bio && PEM_write_bio_PrivateKey_traditional(
                        bio.get(), pkey, cipher.get(),
                        pass ? reinterpret_cast<const unsigned char*>(pass->str().data()) : nullptr,
                        pass ? static_cast<int>(pass->str().size()) : 0, nullptr, nullptr);
    ERR_pop_to_mark();
    if (!ok) return kx::write_failed(KxWriteFailure::Encoding);
    return kx::write_atomic(path, bio.get(), true) ? 1 : 0;
}

kx::P8InfoPtr p8_of(const Key* key) {
    EVP_PKEY* pkey = key ? kx::pkey_of(key->number) : nullptr;
    ERR_set_mark();
    kx::P8InfoPtr info(pkey ? EVP_PKEY2PKCS8(pkey) : nullptr);
    ERR_pop_to_mark();
    return info;
}

int write_p8(const Key* key, const char* path, bool pem) {
    kx::write_started();
    kx::P8InfoPtr info = p8_of(key);
    if (!info) return kx::write_failed(KxWriteFailure::UnsupportedKey);
    kx::BioPtr bio = kx::memory_bio();
    int ok = bio && (pem ? PEM_write_bio_PKCS8_PRIV_KEY_INFO(bio.get(), info.get())
                         : i2d_PKCS8_PRIV_KEY_INFO_bio(bio.get(), info.get()));
    if (!ok) return kx::write_failed(KxWriteFailure::Encoding);
    return kx::write_atomic(path, bio.get(), true) ? 1 : 0;
}

int write_p8enc(const Key* key, const char* path, bool pem) {
    kx::write_started();
    kx::P8InfoPtr info = p8_of(key);
    if (!info) return kx::write_failed(KxWriteFailure::UnsupportedKey);
    const int choice = kx::p5_cipher_choice();
    const int nid = kx::p5_scheme_nid(choice);
    if (!kx::pbe_scheme_available(nid)) return kx::write_failed(KxWriteFailure::CipherUnavailable);
    std::optional<SecretString> pass = kx::output_pass(path);
    if (!pass) return 0;
    kx::X509SigPtr sig = kx::encrypt_p8(info.get(), nid, *pass, kx::pbe_iterations(choice));
    if (!sig) return kx::write_failed(KxWriteFailure::Encoding);
    kx::BioPtr bio = kx::memory_bio();
    int ok = bio && (pem ? PEM_write_bio_PKCS8(bio.get(), sig.get()) : i2d_PKCS8_bio(bio.get(), sig.get()));
    if (!ok) return kx::write_failed(KxWriteFailure::Encoding);
    return kx::write_atomic(path, bio.get(), true) ? 1 : 0;
}

}  // namespace

int PEM_write_rsaprv(const Key* key, const char* path) { return write_traditional(key, path, EVP_PKEY_RSA); }
int PEM_write_dsaprv(const Key* key, const char* path) { return write_traditional(key, path, EVP_PKEY_DSA); }
int PEM_write_ecprv(const Key* key, const char* path) { return write_traditional(key, path, EVP_PKEY_EC); }

int P8_write_file(const Key* key, const char* path) { return write_p8(key, path, false); }
int PEM_write_p8(const Key* key, const char* path) { return write_p8(key, path, true); }
int P8enc_write_file(const Key* key, const char* path) { return write_p8enc(key, path, false); }
int PEM_write_p8enc(const Key* key, const char* path) { return write_p8enc(key, path, true); }
