// Shared writer helpers.
#include "crypto/errors_internal.h"
#include "crypto/pass_internal.h"
#include "crypto/writer_common_internal.h"

namespace kx {

BioPtr memory_bio() { return BioPtr(BIO_new(BIO_s_mem())); }

WriteCall::WriteCall() : mark_(allocation_failures()) {}

KxWriteOutcome WriteCall::failed(KxWriteFailure kind) const {
    if (kind == KxWriteFailure::Encoding && allocation_failures() != mark_) kind = KxWriteFailure::OutOfMemory;
    return {false, kind, {}};
}

std::optional<SecretString> output_pass(const KxWriteSettings& settings) {
    if (!settings.pass) return std::nullopt;
    PassRequest request;
    request.purpose = PassPurpose::ProtectOutput;
    request.path = settings.path;
    std::optional<SecretString> pass = settings.pass(request);
    if (!pass || pass->empty()) return std::nullopt;
    return pass;
}

int pbe_iterations(int requested, int id) {
    if (requested > 0 && static_cast<std::uint64_t>(requested) <= KX_MAX_PBE_ITERATIONS) return requested;
    return id == KX_AES256 ? KX_AES256_ITERATIONS : KX_LEGACY_ITERATIONS;
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
    if (nid == NID_aes_256_cbc) return cipher_available(SN_aes_256_cbc);  // its PRF is checked apart
    int cipher = NID_undef, md = NID_undef;
    if (nid == NID_undef || !EVP_PBE_find(EVP_PBE_TYPE_OUTER, nid, &cipher, &md, nullptr)) return false;
    return cipher != NID_undef && cipher_available(OBJ_nid2sn(cipher)) && md != NID_undef &&
           digest_available(OBJ_nid2sn(md));
}

const EVP_MD* digest_named(const std::string& name) {
    const EVP_MD* md = name.empty() ? nullptr : EVP_get_digestbyname(name.c_str());
    return md && digest_available(EVP_MD_get0_name(md)) ? md : nullptr;
}

int prf_nid(const std::string& digest) {
    const EVP_MD* md = digest_named(digest.empty() ? SN_sha256 : digest);
    switch (md ? EVP_MD_get_type(md) : NID_undef) {
    case NID_sha1: return NID_hmacWithSHA1;
    case NID_sha224: return NID_hmacWithSHA224;
    case NID_sha256: return NID_hmacWithSHA256;
    case NID_sha384: return NID_hmacWithSHA384;
    case NID_sha512: return NID_hmacWithSHA512;
    default: return NID_undef;
    }
}

X509SigPtr encrypt_p8(PKCS8_PRIV_KEY_INFO* info, int scheme, int prf, const SecretString& pass, int iterations) {
    const char* pw = pass.str().data();
    const int len = static_cast<int>(pass.str().size());
    ERR_set_mark();
    X509SigPtr sig;
    if (scheme == NID_aes_256_cbc) {
        // A PRF given in place of a PBES1 scheme makes OpenSSL write PBES2 with exactly that PRF.
        sig.reset(PKCS8_encrypt_ex(prf, EVP_aes_256_cbc(), pw, len, nullptr, 0, iterations, info, nullptr, nullptr));
    } else {
        sig.reset(PKCS8_encrypt_ex(scheme, nullptr, pw, len, nullptr, 0, iterations, info, nullptr, nullptr));
    }
    ERR_pop_to_mark();
    return sig;
}

}  // namespace kx
