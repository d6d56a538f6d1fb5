// Shared writer helpers.
#include "crypto/errors_internal.h"
#include "crypto/pass_internal.h"
#include "crypto/writer_common_internal.h"

namespace kx {

BioPtr memory_bio() { return BioPtr(BIO_new(BIO_s_mem())); }

std::optional<SecretString> output_pass(const char* path) {
    std::optional<SecretString> pass = ask_pass(PassPurpose::ProtectOutput, path, false);
    if (!pass || pass->empty()) {
        fail_write(KxWriteFailure::NoPassPhrase);
        return std::nullopt;
    }
    return pass;
}

int write_failed(KxWriteFailure kind) {
    fail_write(kind);
    return 0;
}

int p5_scheme_nid(int id) {
    switch (id) {
    case KX_P5_MD5_DES: return NID_pbeWithMD5AndDES_CBC;
    case KX_P5_SHA1_RC2_40: return NID_pbe_WithSHA1And40BitRC2_CBC;
    case KX_AES256: return NID_aes_256_cbc;
    default: return NID_undef;
    }
}

int p12_scheme_nid(int id) {
    switch (id) {
    case KX_P12_3DES_3KEY: return NID_pbe_WithSHA1And3_Key_TripleDES_CBC;
    case KX_P12_3DES_2KEY: return NID_pbe_WithSHA1And2_Key_TripleDES_CBC;
    case KX_P12_RC2_128: return NID_pbe_WithSHA1And128BitRC2_CBC;
    case KX_P12_RC2_40: return NID_pbe_WithSHA1And40BitRC2_CBC;
    case KX_AES256: return NID_aes_256_cbc;
    default: return NID_undef;
    }
}

bool pbe_scheme_available(int nid) {
    if (nid == NID_aes_256_cbc) return cipher_available(SN_aes_256_cbc) && digest_available(SN_sha256);
    int cipher = NID_undef, md = NID_undef;
    if (nid == NID_undef || !EVP_PBE_find(EVP_PBE_TYPE_OUTER, nid, &cipher, &md, nullptr)) return false;
    return cipher != NID_undef && cipher_available(OBJ_nid2sn(cipher)) && md != NID_undef &&
           digest_available(OBJ_nid2sn(md));
}

X509SigPtr encrypt_p8(PKCS8_PRIV_KEY_INFO* info, int scheme, const SecretString& pass, int iterations) {
    const char* pw = pass.str().data();
    const int len = static_cast<int>(pass.str().size());
    ERR_set_mark();
    X509SigPtr sig;
    if (scheme == NID_aes_256_cbc) {
        // A PRF given in place of a PBES1 scheme makes OpenSSL write PBES2 with exactly that PRF.
        sig.reset(PKCS8_encrypt_ex(NID_hmacWithSHA256, EVP_aes_256_cbc(), pw, len, nullptr, 0, iterations, info,
                                   nullptr, nullptr));
    } else {
        sig.reset(PKCS8_encrypt_ex(scheme, nullptr, pw, len, nullptr, 0, iterations, info, nullptr, nullptr));
    }
    ERR_pop_to_mark();
    return sig;
}

}  // namespace kx
