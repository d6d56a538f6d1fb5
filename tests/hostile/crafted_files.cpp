#include "crypto/openssl_includes.h"

#include "tests/hostile/crafted_files.h"

#include <openssl/bn.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace hostile {
namespace {

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("crafting a hostile file failed: ") + what);
}

unsigned char kSalt[8] = {0x51, 0x75, 0x69, 0x6c, 0x6c, 0x6f, 0x6e, 0x21};

ASN1_INTEGER* integer_of(const Count& decimal) {
    BIGNUM* bn = nullptr;
    check(BN_dec2bn(&bn, decimal.c_str()) > 0, "iteration count");
    ASN1_INTEGER* ai = BN_to_ASN1_INTEGER(bn, nullptr);
    BN_free(bn);
    check(ai != nullptr, "iteration count");
    return ai;
}

// A PKCS#5 v1 / PKCS#12 PBE algorithm identifier with any iteration count. Only parameters are encoded:
// no key is derived.
X509_ALGOR* pbes1_algorithm(int nid, const Count& iterations) {
    PBEPARAM* params = PBEPARAM_new();
    ASN1_OCTET_STRING_set(params->salt, kSalt, sizeof kSalt);
    ASN1_INTEGER_free(params->iter);
    params->iter = integer_of(iterations);
    ASN1_STRING* encoded = nullptr;
    check(ASN1_item_pack(params, ASN1_ITEM_rptr(PBEPARAM), &encoded) != nullptr, "PBE parameters");
    PBEPARAM_free(params);
    X509_ALGOR* alg = X509_ALGOR_new();
    X509_ALGOR_set0(alg, OBJ_nid2obj(nid), V_ASN1_SEQUENCE, encoded);
    return alg;
}

// Replaces the algorithm of an encrypted PKCS#8 structure (its encrypted bytes stay as they were).
void replace_algorithm(X509_SIG* sig, X509_ALGOR* alg) {
    X509_ALGOR* current = nullptr;
    X509_SIG_getm(sig, &current, nullptr);
    check(X509_ALGOR_copy(current, alg) == 1, "algorithm copy");
    X509_ALGOR_free(alg);
}

X509_SIG* encrypt_key(EVP_PKEY* key, const std::string& pass, int pbe_nid, const EVP_CIPHER* cipher) {
    PKCS8_PRIV_KEY_INFO* p8 = EVP_PKEY2PKCS8(key);
    check(p8 != nullptr, "PKCS#8 of the key");
    X509_SIG* sig =
        PKCS8_encrypt(pbe_nid, cipher, pass.data(), static_cast<int>(pass.size()), kSalt, sizeof kSalt, 1, p8);
    PKCS8_PRIV_KEY_INFO_free(p8);
    check(sig != nullptr, "PKCS#8 encryption");
    return sig;
}

template <class T>
Bytes der_with(T* object, int (*i2d)(const T*, unsigned char**)) {
    int len = i2d(object, nullptr);
    check(len > 0, "encoding");
    Bytes out(static_cast<size_t>(len));
    unsigned char* p = out.data();
    i2d(object, &p);
    return out;
}

Bytes der_of_p12(PKCS12* p12) { return der_with(p12, i2d_PKCS12); }
Bytes der_of_sig(X509_SIG* sig) { return der_with(sig, i2d_X509_SIG); }

// A list of safes as PKCS12_add_safes takes it; it owns the safes.
class Safes {
public:
    Safes() : stack_(sk_PKCS7_new_null()) {}
    ~Safes() { sk_PKCS7_pop_free(stack_, PKCS7_free); }
    Safes(const Safes&) = delete;
    Safes& operator=(const Safes&) = delete;
    void push(PKCS7* safe) { sk_PKCS7_push(stack_, safe); }
    STACK_OF(PKCS7) * get() { return stack_; }

private:
    STACK_OF(PKCS7) * stack_;
};

// An authenticated safe of the given safes, with a correct MAC (one iteration) under `pass`.
Bytes p12_of_safes(Safes& safes, const std::string& pass) {
    PKCS12* p12 = PKCS12_add_safes(safes.get(), 0);
    check(p12 != nullptr, "PKCS#12 safes");
    check(PKCS12_set_mac(p12, pass.data(), static_cast<int>(pass.size()), nullptr, 0, 1, nullptr) == 1, "MAC");
    Bytes out = der_of_p12(p12);
    PKCS12_free(p12);
    return out;
}

PKCS7* plain_safe_of_cert(X509* cert) {
    STACK_OF(PKCS12_SAFEBAG)* bags = sk_PKCS12_SAFEBAG_new_null();
    sk_PKCS12_SAFEBAG_push(bags, PKCS12_SAFEBAG_create_cert(cert));
    PKCS7* safe = PKCS12_pack_p7data(bags);
    sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
    check(safe != nullptr, "certificate safe");
    return safe;
}

// ---- DER building ---------------------------------------------------------------------------------

void append_length(Bytes& out, uint64_t len) {
    if (len < 0x80) {
        out.push_back(static_cast<unsigned char>(len));
        return;
    }
    unsigned char digits[8];
    int n = 0;
    for (uint64_t v = len; v; v >>= 8) digits[n++] = static_cast<unsigned char>(v & 0xFF);
    out.push_back(static_cast<unsigned char>(0x80 | n));
    while (n) out.push_back(digits[--n]);
}

Bytes tlv(unsigned char tag, const Bytes& content) {
    Bytes out{tag};
    append_length(out, content.size());
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kOidSignedData = {0x06, 0x09, 0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x07, 0x02};
const Bytes kOidData = {0x06, 0x09, 0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x07, 0x01};

// A constructed element of indefinite length, closed by end-of-contents.
Bytes indefinite_tlv(unsigned char tag, const Bytes& content) {
    Bytes out{tag, 0x80};
    out.insert(out.end(), content.begin(), content.end());
    out.insert(out.end(), {0x00, 0x00});
    return out;
}

// A certs-only SignedData around already encoded certificates.
Bytes p7_around(const Bytes& concatenated_certs, bool indefinite = false) {
    auto wrap = indefinite ? indefinite_tlv : tlv;
    Bytes signed_data = wrap(0x30, concat({{0x02, 0x01, 0x01},              // version 1
                                           {0x31, 0x00},                    // no digest algorithms
                                           tlv(0x30, kOidData),             // no content
                                           wrap(0xA0, concatenated_certs),  // [0] certificates
                                           {0x31, 0x00}}));                 // no signers
    return wrap(0x30, concat({kOidSignedData, wrap(0xA0, signed_data)}));
}

void overwrite(Bytes& der, const std::string& placeholder, const std::string& value) {
    auto at = std::search(der.begin(), der.end(), placeholder.begin(), placeholder.end());
    check(at != der.end() && value.size() == placeholder.size(), "placeholder");
    std::copy(value.begin(), value.end(), at);
}

}  // namespace

// ---- Iteration counts -----------------------------------------------------------------------------

Bytes p12_with_mac_iterations(EVP_PKEY* key, X509* cert, const Count& iterations) {
    // Nothing encrypted and no MAC computed: the crafted MAC count is the only work the file asks for.
    PKCS12* p12 = PKCS12_create(nullptr, nullptr, key, cert, nullptr, -1, -1, 1, -1, 0);
    check(p12 != nullptr, "PKCS#12 without MAC");
    check(PKCS12_setup_mac(p12, 2, nullptr, 8, EVP_sha1()) == 1, "MAC parameters");
    const ASN1_INTEGER* count = nullptr;
    PKCS12_get0_mac(nullptr, nullptr, nullptr, &count, p12);
    check(count != nullptr, "MAC count");
    BIGNUM* bn = nullptr;
    BN_dec2bn(&bn, iterations.c_str());
    // The count belongs to `p12`, which this function owns: setting it in place is safe.
    BN_to_ASN1_INTEGER(bn, const_cast<ASN1_INTEGER*>(count));
    BN_free(bn);
    Bytes out = der_of_p12(p12);
    PKCS12_free(p12);
    return out;
}

Bytes p12_with_key_bag_iterations(EVP_PKEY* key, X509* cert, const std::string& pass, const Count& iterations,
                                  int key_bags, const std::optional<std::string>& mac_pass) {
    STACK_OF(PKCS12_SAFEBAG)* bags = sk_PKCS12_SAFEBAG_new_null();
    for (int i = 0; i < key_bags; ++i) {
        X509_SIG* shrouded = encrypt_key(key, pass, NID_pbe_WithSHA1And3_Key_TripleDES_CBC, nullptr);
        replace_algorithm(shrouded, pbes1_algorithm(NID_pbe_WithSHA1And3_Key_TripleDES_CBC, iterations));
        sk_PKCS12_SAFEBAG_push(bags, PKCS12_SAFEBAG_create0_pkcs8(shrouded));  // the bag owns it now
    }
    PKCS7* key_safe = PKCS12_pack_p7data(bags);
    sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
    Safes safes;
    safes.push(plain_safe_of_cert(cert));
    safes.push(key_safe);
    return p12_of_safes(safes, mac_pass.value_or(pass));
}

Bytes p12_with_cert_safe_iterations(X509* cert, const std::string& pass, const Count& iterations) {
    STACK_OF(PKCS12_SAFEBAG)* bags = sk_PKCS12_SAFEBAG_new_null();
    sk_PKCS12_SAFEBAG_push(bags, PKCS12_SAFEBAG_create_cert(cert));
    PKCS7* safe = PKCS12_pack_p7encdata(NID_pbe_WithSHA1And3_Key_TripleDES_CBC, pass.data(),
                                        static_cast<int>(pass.size()), kSalt, sizeof kSalt, 1, bags);
    sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
    check(safe != nullptr, "encrypted safe");
    X509_ALGOR* crafted = pbes1_algorithm(NID_pbe_WithSHA1And3_Key_TripleDES_CBC, iterations);
    check(X509_ALGOR_copy(safe->d.encrypted->enc_data->algorithm, crafted) == 1, "algorithm copy");
    X509_ALGOR_free(crafted);
    Safes safes;
    safes.push(safe);
    return p12_of_safes(safes, pass);
}

Bytes p8_pbes1_with_iterations(EVP_PKEY* key, const std::string& pass, const Count& iterations) {
    // Encrypted under a scheme the default provider has; only the identifier names MD5 and DES.
    X509_SIG* sig = encrypt_key(key, pass, NID_pbe_WithSHA1And3_Key_TripleDES_CBC, nullptr);
    replace_algorithm(sig, pbes1_algorithm(NID_pbeWithMD5AndDES_CBC, iterations));
    Bytes out = der_of_sig(sig);
    X509_SIG_free(sig);
    return out;
}

Bytes p8_pbes2_with_iterations(EVP_PKEY* key, const std::string& pass, const Count& iterations) {
    X509_SIG* sig = encrypt_key(key, pass, -1, EVP_aes_128_cbc());
    X509_ALGOR* alg = nullptr;
    X509_SIG_getm(sig, &alg, nullptr);
    PBE2PARAM* pbe2 = static_cast<PBE2PARAM*>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBE2PARAM), alg->parameter));
    check(pbe2 != nullptr, "PBES2 parameters");
    PBKDF2PARAM* kdf =
        static_cast<PBKDF2PARAM*>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBKDF2PARAM), pbe2->keyfunc->parameter));
    check(kdf != nullptr, "PBKDF2 parameters");
    ASN1_INTEGER_free(kdf->iter);
    kdf->iter = integer_of(iterations);
    check(ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(PBKDF2PARAM), kdf, &pbe2->keyfunc->parameter) != nullptr, "pack");
    check(ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(PBE2PARAM), pbe2, &alg->parameter) != nullptr, "pack");
    PBKDF2PARAM_free(kdf);
    PBE2PARAM_free(pbe2);
    Bytes out = der_of_sig(sig);
    X509_SIG_free(sig);
    return out;
}

Bytes p8_scrypt(EVP_PKEY* key, const std::string& pass, uint64_t n, uint64_t r, uint64_t p) {
    // Encrypt with cheap scrypt parameters, then write the requested ones into the identifier.
    X509_ALGOR* cheap = PKCS5_pbe2_set_scrypt(EVP_aes_128_cbc(), kSalt, sizeof kSalt, nullptr, 1024, 1, 1);
    check(cheap != nullptr, "scrypt identifier");
    PKCS8_PRIV_KEY_INFO* p8 = EVP_PKEY2PKCS8(key);
    X509_SIG* sig = PKCS8_set0_pbe(pass.data(), static_cast<int>(pass.size()), p8, cheap);  // takes `cheap`
    PKCS8_PRIV_KEY_INFO_free(p8);
    check(sig != nullptr, "scrypt encryption");
    X509_ALGOR* alg = nullptr;
    X509_SIG_getm(sig, &alg, nullptr);
    PBE2PARAM* pbe2 = static_cast<PBE2PARAM*>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBE2PARAM), alg->parameter));
    SCRYPT_PARAMS* sp =
        static_cast<SCRYPT_PARAMS*>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(SCRYPT_PARAMS), pbe2->keyfunc->parameter));
    check(pbe2 && sp, "scrypt parameters");
    ASN1_INTEGER_set_uint64(sp->costParameter, n);
    ASN1_INTEGER_set_uint64(sp->blockSize, r);
    ASN1_INTEGER_set_uint64(sp->parallelizationParameter, p);
    check(ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(SCRYPT_PARAMS), sp, &pbe2->keyfunc->parameter) != nullptr, "pack");
    check(ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(PBE2PARAM), pbe2, &alg->parameter) != nullptr, "pack");
    SCRYPT_PARAMS_free(sp);
    PBE2PARAM_free(pbe2);
    Bytes out = der_of_sig(sig);
    X509_SIG_free(sig);
    return out;
}

// ---- Broken encodings -----------------------------------------------------------------------------

Bytes pem_armour(const std::string& label, const Bytes& body) {
    std::string text = "-----BEGIN " + label + "-----\n";
    for (size_t at = 0; at < body.size(); at += 48) {
        size_t n = std::min<size_t>(48, body.size() - at);
        std::string line(4 * ((n + 2) / 3) + 1, '\0');
        int len = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(line.data()), body.data() + at, static_cast<int>(n));
        line.resize(static_cast<size_t>(len));
        text += line + "\n";
    }
    text += "-----END " + label + "-----\n";
    return Bytes(text.begin(), text.end());
}

Bytes nested_sequences(int depth, bool indefinite) {
    Bytes out;
    if (indefinite) {
        out.reserve(static_cast<size_t>(depth) * 4);
        for (int i = 0; i < depth; ++i) out.insert(out.end(), {0x30, 0x80});
        for (int i = 0; i < depth; ++i) out.insert(out.end(), {0x00, 0x00});
        return out;
    }
    // Headers from the innermost outwards, each sized for everything inside it.
    std::vector<Bytes> headers;
    uint64_t inner = 0;
    for (int i = 0; i < depth; ++i) {
        Bytes h{0x30};
        append_length(h, inner);
        inner += h.size();
        headers.push_back(std::move(h));
    }
    out.reserve(inner);
    for (auto it = headers.rbegin(); it != headers.rend(); ++it) out.insert(out.end(), it->begin(), it->end());
    return out;
}

Bytes sequence_claiming(uint64_t claimed, size_t present) {
    Bytes out{0x30};
    append_length(out, claimed);
    for (size_t i = 0; i < present; ++i) out.push_back(0x02);
    return out;
}

Bytes with_outer_length_raised(const Bytes& der, size_t extra) {
    const unsigned char* p = der.data();
    long len = 0;
    int tag = 0, cls = 0;
    int r = ASN1_get_object(&p, &len, &tag, &cls, static_cast<long>(der.size()));
    check(!(r & 0x80), "outer header");
    size_t header = static_cast<size_t>(p - der.data());
    Bytes out{der[0]};
    append_length(out, static_cast<uint64_t>(len) + extra);
    out.insert(out.end(), der.begin() + static_cast<long>(header), der.end());
    return out;
}

// ---- Many certificates ----------------------------------------------------------------------------

Bytes p7_with_copies(X509* cert, int count, bool indefinite) {
    Bytes one = qfix::der_of(cert);
    Bytes all;
    all.reserve(one.size() * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) all.insert(all.end(), one.begin(), one.end());
    return p7_around(all, indefinite);
}

Bytes p12_with_copies(X509* cert, int count) {
    STACK_OF(X509)* copies = sk_X509_new_null();
    for (int i = 0; i < count; ++i) sk_X509_push(copies, cert);  // not owned: all are the same `cert`
    // No pass phrase, nothing encrypted, no MAC: only the number of bags is hostile.
    PKCS12* p12 = PKCS12_create(nullptr, nullptr, nullptr, nullptr, copies, -1, -1, 1, -1, 0);
    sk_X509_free(copies);
    check(p12 != nullptr, "PKCS#12 of copies");
    Bytes out = der_of_p12(p12);
    PKCS12_free(p12);
    return out;
}

Bytes p7_with_long_chain_reversed(int count) {
    qfix::Pkey key = qfix::ec_key();
    // Subject and issuer placeholders of equal length, rewritten for each certificate.
    qfix::CertPtr templ = qfix::make_cert(qfix::cn("S0000000"), key, qfix::cn("I0000000"), key);
    Bytes tmpl = qfix::der_of(templ.get());
    auto name = [](int i) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "N%07d", i);
        return std::string(buf);
    };
    auto cert = [&](int i) {
        Bytes der = tmpl;
        overwrite(der, "S0000000", name(i));
        overwrite(der, "I0000000", name(i + 1));
        return der;
    };
    Bytes all;
    all.reserve(tmpl.size() * static_cast<size_t>(count));
    Bytes first = cert(0);
    all.insert(all.end(), first.begin(), first.end());
    for (int i = count - 1; i >= 1; --i) {
        Bytes c = cert(i);
        all.insert(all.end(), c.begin(), c.end());
    }
    return p7_around(all);
}

// ---- Special files --------------------------------------------------------------------------------

void make_fifo(const std::filesystem::path& path) { check(mkfifo(path.c_str(), 0600) == 0, "mkfifo"); }

void make_socket(const std::filesystem::path& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    check(fd >= 0, "socket");
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    check(path.native().size() < sizeof addr.sun_path, "socket path length");
    std::strcpy(addr.sun_path, path.c_str());
    int ok = bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    close(fd);
    check(ok == 0, "bind");
}

void make_sparse(const std::filesystem::path& path, uint64_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    check(fd >= 0, "open sparse file");
    int ok = ftruncate(fd, static_cast<off_t>(size));
    close(fd);
    check(ok == 0, "ftruncate");
}

}  // namespace hostile
