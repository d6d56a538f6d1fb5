// Readers of private keys: traditional PEM (RSA, DSA, EC; plain or encrypted), PKCS#8 plain and
// encrypted in PEM and DER, and the traditional DER DSA key.
#include "crypto/block_readers_internal.h"
#include "crypto/kx_internal.h"
#include "crypto/pass_internal.h"
#include "crypto/pbe_check_internal.h"

#include <cstring>
#include <limits>

namespace {

// A key of one algorithm in its own (traditional) DER structure.
kx::PkeyPtr decode_traditional(const unsigned char* data, std::size_t len, const char* algorithm) {
    EVP_PKEY* key = nullptr;
    OSSL_DECODER_CTX* ctx =
        OSSL_DECODER_CTX_new_for_pkey(&key, "DER", "type-specific", algorithm, EVP_PKEY_KEYPAIR, nullptr, nullptr);
    if (!ctx) return nullptr;
    ERR_set_mark();
    const unsigned char* p = data;
    std::size_t left = len;
    if (OSSL_DECODER_CTX_get_num_decoders(ctx) == 0 || OSSL_DECODER_from_data(ctx, &p, &left) != 1) {
        EVP_PKEY_free(key);
        key = nullptr;
    }
    ERR_pop_to_mark();
    OSSL_DECODER_CTX_free(ctx);
    return kx::PkeyPtr(key);
}

kx::PkeyPtr decode_p8(const unsigned char* data, std::size_t len) {
    if (len > static_cast<std::size_t>(std::numeric_limits<long>::max())) return nullptr;
    const unsigned char* p = data;
    ERR_set_mark();
    kx::P8InfoPtr info(d2i_PKCS8_PRIV_KEY_INFO(nullptr, &p, static_cast<long>(len)));
    kx::PkeyPtr key(info ? EVP_PKCS82PKEY(info.get()) : nullptr);
    ERR_pop_to_mark();
    return key;
}

// The key, when there is one (then no refusal stands); null otherwise, the reason recorded before.
std::unique_ptr<Key> done(KxInput& in, kx::PkeyPtr key) {
    if (!key) return nullptr;
    in.accept();
    return kx::make_key(std::move(key));
}

std::unique_ptr<Key> key_or_unrecognised(KxInput& in, kx::PkeyPtr key) {
    return key ? done(in, std::move(key)) : kx::refuse(in);
}

// A traditional PEM key block; encrypted ones (Proc-Type/DEK-Info) ask for the pass phrase.
std::unique_ptr<Key> read_traditional_block(KxInput& in, kx::PemBlock& block, const char* algorithm) {
    if (block.header.find("ENCRYPTED") == std::string::npos)
        return key_or_unrecognised(in, decode_traditional(block.data.data(), block.data.size(), algorithm));

    EVP_CIPHER_INFO info;
    ERR_set_mark();
    bool known = PEM_get_EVP_CIPHER_INFO(block.header.data(), &info) == 1 && info.cipher;
    ERR_pop_to_mark();
    if (!known || !kx::cipher_available(EVP_CIPHER_get0_name(info.cipher))) {
        std::string name = "unknown PEM cipher";
        auto at = block.header.find("DEK-Info:");
        if (at != std::string::npos) {
            auto start = block.header.find_first_not_of(' ', at + 9);
            auto end = block.header.find_first_of(",\r\n", start);
            if (start != std::string::npos) name = block.header.substr(start, end - start);
        }
        // A cipher that is there, with a header that does not parse (its IV): a damaged file.
        if (!known && kx::cipher_available(name.c_str())) return kx::refuse(in);
        return kx::refuse(in, KxReadFailure::UnsupportedAlgorithm, kx::unsupported_detail(name));
    }
    if (block.data.size() > static_cast<std::size_t>(std::numeric_limits<long>::max())) return kx::refuse(in);
    kx::PkeyPtr key;
    kx::with_input_pass(in, [&](const SecretString& pass) {
        std::vector<unsigned char> buf = block.data;
        long len = static_cast<long>(buf.size());
        ERR_set_mark();
        int ok = PEM_do_header(&info, buf.data(), &len, kx::copy_pass_cb, const_cast<SecretString*>(&pass));
        ERR_pop_to_mark();
        if (ok) key = decode_traditional(buf.data(), static_cast<std::size_t>(len), algorithm);
        OPENSSL_cleanse(buf.data(), buf.size());
        return key ? kx::Attempt::Ok : kx::Attempt::Wrong;
    });
    return done(in, std::move(key));
}

std::unique_ptr<Key> read_traditional(KxInput& in, const char* label, const char* algorithm) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return nullptr;
    kx::PemBlock block;
    if (!kx::find_pem_block(*file, {label}, block)) return kx::refuse(in);
    return read_traditional_block(in, block, algorithm);
}

// The block's body, a key in clear, is wiped once read.
std::unique_ptr<Key> read_p8_block(KxInput& in, kx::PemBlock& block) {
    auto key = key_or_unrecognised(in, decode_p8(block.data.data(), block.data.size()));
    OPENSSL_cleanse(block.data.data(), block.data.size());
    return key;
}

// An EncryptedPrivateKeyInfo: checked before any pass phrase is asked or key derived.
std::unique_ptr<Key> read_encrypted_p8(KxInput& in, const unsigned char* data, std::size_t len) {
    if (len > static_cast<std::size_t>(std::numeric_limits<long>::max())) return kx::refuse(in);
    const unsigned char* p = data;
    ERR_set_mark();
    kx::X509SigPtr sig(d2i_X509_SIG(nullptr, &p, static_cast<long>(len)));
    ERR_pop_to_mark();
    if (!sig) return kx::refuse(in);
    const X509_ALGOR* alg = nullptr;
    X509_SIG_get0(sig.get(), &alg, nullptr);
    if (!kx::pbe_usable(in, alg)) return nullptr;
    kx::PkeyPtr key;
    kx::with_input_pass(in, [&](const SecretString& pass) {
        ERR_set_mark();
        kx::P8InfoPtr info(
            PKCS8_decrypt_ex(sig.get(), pass.str().data(), static_cast<int>(pass.str().size()), nullptr, nullptr));
        if (info) key.reset(EVP_PKCS82PKEY(info.get()));
        ERR_pop_to_mark();
        return key ? kx::Attempt::Ok : kx::Attempt::Wrong;
    });
    return done(in, std::move(key));
}

}  // namespace

std::unique_ptr<Key> PEM_read_rsaprv(KxInput& in) { return read_traditional(in, "RSA PRIVATE KEY", "RSA"); }
std::unique_ptr<Key> PEM_read_dsaprv(KxInput& in) { return read_traditional(in, "DSA PRIVATE KEY", "DSA"); }
std::unique_ptr<Key> PEM_read_ecprv(KxInput& in) { return read_traditional(in, "EC PRIVATE KEY", "EC"); }

std::unique_ptr<Key> PEM_read_p8(KxInput& in) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return nullptr;
    kx::PemBlock block;
    if (!kx::find_pem_block(*file, {PEM_STRING_PKCS8INF}, block)) return kx::refuse(in);
    return read_p8_block(in, block);
}

std::unique_ptr<Key> PEM_read_p8enc(KxInput& in) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return nullptr;
    kx::PemBlock block;
    if (!kx::find_pem_block(*file, {PEM_STRING_PKCS8}, block)) return kx::refuse(in);
    return read_encrypted_p8(in, block.data.data(), block.data.size());
}

std::unique_ptr<Key> P8_read_file(KxInput& in) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return nullptr;
    if (!file->may_be(kx::kDerP8)) return kx::refuse(in);
    return key_or_unrecognised(in, decode_p8(file->bytes.data(), file->bytes.size()));
}

std::unique_ptr<Key> P8enc_read_file(KxInput& in) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return nullptr;
    if (!file->may_be(kx::kDerP8Enc)) return kx::refuse(in);
    return read_encrypted_p8(in, file->bytes.data(), file->bytes.size());
}

std::unique_ptr<Key> kx::key_from_block(KxInput& in, PemBlock& block) {
    if (block.label == "RSA PRIVATE KEY") return read_traditional_block(in, block, "RSA");
    if (block.label == "DSA PRIVATE KEY") return read_traditional_block(in, block, "DSA");
    if (block.label == "EC PRIVATE KEY") return read_traditional_block(in, block, "EC");
    if (block.label == PEM_STRING_PKCS8INF) return read_p8_block(in, block);
    if (block.label == PEM_STRING_PKCS8) return read_encrypted_p8(in, block.data.data(), block.data.size());
    return kx::refuse(in);
}

namespace {
std::unique_ptr<Key> read_traditional_der(const std::vector<unsigned char>& der, unsigned shape,
                                          const char* algorithm) {
    if (!(kx::sniff_der(der.data(), der.size()) & shape)) return nullptr;
    kx::PkeyPtr key = decode_traditional(der.data(), der.size(), algorithm);
    return key ? kx::make_key(std::move(key)) : nullptr;
}
}  // namespace

std::unique_ptr<Key> ASN1_read_dsaprv(const std::vector<unsigned char>& der) {
    return read_traditional_der(der, kx::kDerDsaKey, "DSA");
}
std::unique_ptr<Key> ASN1_read_rsaprv(const std::vector<unsigned char>& der) {
    return read_traditional_der(der, kx::kDerRsaKey, "RSA");
}
std::unique_ptr<Key> ASN1_read_ecprv(const std::vector<unsigned char>& der) {
    return read_traditional_der(der, kx::kDerEcKey, "EC");
}
