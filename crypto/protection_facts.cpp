// The protection facts an encrypted input states in the clear. Everything here decodes structure only:
// no pass phrase is asked for and no key is derived, whatever iteration counts the file names, so the
// facts of a file crafted to cost hours to open come back at once.
#include "crypto/input_internal.h"
#include "crypto/kx_protection.h"
#include "crypto/openssl_ptr.h"
#include "crypto/pbe_facts_internal.h"
#include "crypto/pem_block_internal.h"
#include "crypto/protection_facts_internal.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

std::optional<std::string> local_key_id(const PKCS12_SAFEBAG* bag) {
    const ASN1_TYPE* attr = PKCS12_SAFEBAG_get0_attr(bag, NID_localKeyID);
    if (!attr || attr->type != V_ASN1_OCTET_STRING) return std::nullopt;
    const unsigned char* d = ASN1_STRING_get0_data(attr->value.octet_string);
    const auto n = static_cast<std::size_t>(ASN1_STRING_length(attr->value.octet_string));
    std::string hex(2 * n + 1, '\0');
    std::size_t written = 0;
    if (OPENSSL_buf2hexstr_ex(hex.data(), hex.size(), &written, d, n, '\0') != 1) return std::nullopt;
    hex.resize(written > 0 ? written - 1 : 0);  // the count includes the terminating NUL
    for (char& c : hex) c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    return hex;
}

std::optional<std::string> friendly_name(const PKCS12_SAFEBAG* bag) {
    // OpenSSL converts the BMPString to UTF-8; it takes the bag as non-const but does not change it.
    char* name = PKCS12_get_friendlyname(const_cast<PKCS12_SAFEBAG*>(bag));
    if (!name) return std::nullopt;
    std::string out(name);
    OPENSSL_free(name);
    return out;
}

// Every safe in order. Plain safes list their bags; an encrypted safe only says how it is encrypted
// (opening it would take the pass phrase). False when the file holds more than the bundle cap.
bool read_safes(const PKCS12* p12, std::vector<KxSafeFacts>& out) {
    kx::Pkcs7StackPtr safes(PKCS12_unpack_authsafes(p12));
    if (!safes) return true;  // integrity by public key, or damaged: no safes to tell
    if (static_cast<std::size_t>(sk_PKCS7_num(safes.get())) > KX_MAX_BUNDLE_ENTRIES) return false;
    std::size_t entries = 0;  // safe bags, counted as the reader counts them
    for (int i = 0; i < sk_PKCS7_num(safes.get()); ++i) {
        PKCS7* p7 = sk_PKCS7_value(safes.get(), i);
        KxSafeFacts safe;
        if (PKCS7_type_is_encrypted(p7)) {
            const X509_ALGOR* alg =
                p7->d.encrypted && p7->d.encrypted->enc_data ? p7->d.encrypted->enc_data->algorithm : nullptr;
            safe.encryption = kx::pbe_facts(alg);
        } else if (PKCS7_type_is_data(p7)) {
            kx::SafeBagStackPtr bags(PKCS12_unpack_p7data(p7));
            if (bags) {
                entries += static_cast<std::size_t>(sk_PKCS12_SAFEBAG_num(bags.get()));
                if (entries > KX_MAX_BUNDLE_ENTRIES) return false;
                safe.bags.emplace();
                for (int j = 0; j < sk_PKCS12_SAFEBAG_num(bags.get()); ++j)
                    safe.bags->push_back(kx::bag_facts(sk_PKCS12_SAFEBAG_value(bags.get(), j)));
            }
        }  // a safe encrypted to a public key: neither a pass phrase encryption nor bags to list
        out.push_back(std::move(safe));
    }
    return true;
}

std::optional<KxProtection> p12_facts(const unsigned char* der, std::size_t len) {
    const unsigned char* p = der;
    kx::Pkcs12Ptr p12(d2i_PKCS12(nullptr, &p, static_cast<long>(len)));
    if (!p12) return std::nullopt;
    KxProtection out;
    if (PKCS12_mac_present(p12.get())) {
        const ASN1_OCTET_STRING* mac = nullptr;
        const X509_ALGOR* alg = nullptr;
        const ASN1_INTEGER* iter = nullptr;
        PKCS12_get0_mac(&mac, &alg, nullptr, &iter, p12.get());
        const ASN1_OBJECT* obj = nullptr;
        if (alg) X509_ALGOR_get0(&obj, nullptr, nullptr, alg);
        out.mac = KxMac{obj ? kx::algorithm_name(obj) : std::string(), kx::iteration_count(iter, 1)};
    }
    if (!read_safes(p12.get(), out.safes)) return KxProtection{};
    return out;
}

std::optional<KxProtection> p8_facts(const unsigned char* der, std::size_t len) {
    const unsigned char* p = der;
    kx::X509SigPtr sig(d2i_X509_SIG(nullptr, &p, static_cast<long>(len)));
    if (!sig || p != der + len) return std::nullopt;
    const X509_ALGOR* alg = nullptr;
    X509_SIG_get0(sig.get(), &alg, nullptr);
    KxProtection out;
    out.key = kx::pbe_facts(alg);
    return out;
}

// "Proc-Type: 4,ENCRYPTED" with "DEK-Info: <cipher>,<iv>": OpenSSL's own encryption of traditional keys,
// one MD5 round over pass phrase and salt (EVP_BytesToKey).
std::optional<KxProtection> traditional_facts(const std::string& header) {
    if (header.empty()) return std::nullopt;
    std::string copy = header;  // OpenSSL marks the end of the cipher name in place while it looks it up
    EVP_CIPHER_INFO info;
    ERR_set_mark();
    const bool ok = PEM_get_EVP_CIPHER_INFO(copy.data(), &info) == 1 && info.cipher;
    ERR_pop_to_mark();
    if (!ok) return std::nullopt;
    const char* ln = OBJ_nid2ln(EVP_CIPHER_get_nid(info.cipher));
    KxProtection out;
    out.key = KxPbe{"pem", ln ? ln : "", "md5", 1};
    for (char& c : out.key->cipher) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
}

bool ends_with(const std::string& s, const char* tail) {
    const std::size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// The first PEM block of a protected kind decides; blocks of other kinds (certificates beside an
// encrypted key) are passed over, at most the bundle cap of them.
KxProtection pem_facts(const std::vector<unsigned char>& bytes) {
    std::vector<std::string> labels;
    std::vector<std::size_t> starts;
    kx::scan_pem(bytes.data(), bytes.size(), labels, starts);
    for (std::size_t i = 0; i < labels.size() && i < KX_MAX_BUNDLE_ENTRIES; ++i) {
        const std::string& label = labels[i];
        const bool p12 = label == "PKCS12";
        const bool p8 = label == "ENCRYPTED PRIVATE KEY";
        const bool traditional = !p8 && ends_with(label, " PRIVATE KEY");
        if (!p12 && !p8 && !traditional) continue;
        kx::PemBlock block;
        if (!kx::decode_pem_block(bytes.data() + starts[i], bytes.size() - starts[i], block)) continue;
        std::optional<KxProtection> facts;
        if (p12) facts = p12_facts(block.data.data(), block.data.size());
        if (p8) facts = p8_facts(block.data.data(), block.data.size());
        if (traditional) facts = traditional_facts(block.header);
        OPENSSL_cleanse(block.data.data(), block.data.size());  // a traditional key may be in the clear
        if (facts) return *facts;
    }
    return {};
}

}  // namespace

KxBagFacts kx::bag_facts(const PKCS12_SAFEBAG* bag) {
    KxBagFacts out;
    switch (PKCS12_SAFEBAG_get_nid(bag)) {
    case NID_keyBag: out.kind = KxBagKind::Key; break;
    case NID_pkcs8ShroudedKeyBag: {
        out.kind = KxBagKind::Key;
        const X509_SIG* sig = PKCS12_SAFEBAG_get0_pkcs8(bag);
        const X509_ALGOR* alg = nullptr;
        if (sig) X509_SIG_get0(sig, &alg, nullptr);
        out.encryption = kx::pbe_facts(alg);
        break;
    }
    case NID_certBag: out.kind = KxBagKind::Cert; break;
    case NID_crlBag: out.kind = KxBagKind::Crl; break;
    default: out.kind = KxBagKind::Other; break;
    }
    out.friendly_name = friendly_name(bag);
    out.local_key_id = local_key_id(bag);
    return out;
}

KxProtection KX_read_protection(const std::vector<unsigned char>& bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<long>::max())) return {};
    KxProtection out;
    ERR_set_mark();
    try {
        std::optional<KxProtection> facts;
        if (bytes[0] == 0x30) {  // a DER SEQUENCE: PKCS#12 or an encrypted PKCS#8 key
            facts = p12_facts(bytes.data(), bytes.size());
            if (!facts) facts = p8_facts(bytes.data(), bytes.size());
        }
        out = facts ? std::move(*facts) : pem_facts(bytes);
    } catch (const std::bad_alloc&) {
        out = {};  // no facts rather than a guess
    }
    ERR_pop_to_mark();
    return out;
}
