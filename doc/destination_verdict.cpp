// What a destination's importer makes of a protection: the verdict on a file already held, and the
// protection a file written for the destination states.
#include "crypto/kx.h"
#include "doc/destinations.h"

#include <algorithm>
#include <cctype>

namespace {

bool Listed(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool StartsWith(const std::string& s, const char* head) { return s.rfind(head, 0) == 0; }

// How users know an encryption's family, as a refusal names it.
std::string FamilyOf(const KxPbe& pbe) {
    if (pbe.scheme == "pbes2" && StartsWith(pbe.cipher, "aes")) return "PBES2/AES";
    if (pbe.cipher == "des-ede3-cbc") return "3DES";
    if (pbe.cipher == "des-ede-cbc") return "2-key 3DES";
    if (StartsWith(pbe.cipher, "rc2")) return "RC2";
    if (pbe.cipher == "des-cbc") return "single DES";
    if (StartsWith(pbe.cipher, "rc4")) return "RC4";
    if (pbe.cipher.empty()) return pbe.scheme.empty() ? "an unreadable encryption" : pbe.scheme;
    return pbe.scheme + "/" + pbe.cipher;
}

std::string DigestLabel(const std::string& digest) {
    if (digest == "sha1") return "SHA-1";
    if (StartsWith(digest, "sha") && digest.find('-') == std::string::npos) return "SHA-" + digest.substr(3);
    return digest;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

class Judge {
public:
    explicit Judge(const Destination& d) : a_(d.accepts) {}

    // False, with the reason kept, at the first thing refused.
    bool Mac(const std::optional<KxMac>& mac) {
        if (!mac) return true;
        if (!Listed(a_.macDigests, mac->digest)) return Refuse(DigestLabel(mac->digest) + " MAC");
        return Count(mac->iterations, "MAC ");
    }

    bool Pbe(const KxPbe& pbe, const std::vector<std::string>& allowed) {
        if (!Listed(allowed, pbe.scheme + "/" + pbe.cipher)) return Refuse(FamilyOf(pbe));
        if (pbe.scheme == "pbes2" && !Listed(a_.kdfDigests, pbe.kdf_digest))
            return Refuse(pbe.kdf_digest == "scrypt" ? "scrypt" : "PBKDF2-HMAC-" + Upper(pbe.kdf_digest));
        return Count(pbe.iterations, "");
    }

    bool Bag(const KxBagFacts& bag) {
        if (bag.kind == KxBagKind::Crl && !a_.crlBags) return Refuse("CRL bags");
        return !bag.encryption || Pbe(*bag.encryption, a_.keyBags);
    }

    Verdict Result() const { return {reason_.empty(), reason_}; }

private:
    bool Count(std::uint64_t n, const std::string& what) {
        if (n == 0) return Refuse(what + "iteration count unreadable");
        if (a_.maxIterations && n > a_.maxIterations)
            return Refuse(what + std::to_string(n) + " iterations (at most " + std::to_string(a_.maxIterations) + ")");
        return true;
    }

    bool Refuse(const std::string& what) {
        for (const auto& [key, reason] : a_.reasons)
            if (key == what) {
                reason_ = reason;
                return false;
            }
        reason_ = a_.who + ": " + what;
        return false;
    }

    const DestinationAccepts& a_;
    std::string reason_;
};

}  // namespace

KxPbe CipherPbe(int cipher, std::uint64_t iterations, bool pem) {
    if (pem) {
        const char* name = cipher == KX_AES256 ? "aes-256-cbc" : cipher == KX_PEM_DES ? "des-cbc" : "des-ede3-cbc";
        return {"pem", name, "md5", 1};
    }
    switch (cipher) {
    case KX_AES256: return {"pbes2", "aes-256-cbc", "sha256", iterations};
    case KX_P12_3DES_3KEY: return {"pkcs12-pbe", "des-ede3-cbc", "sha1", iterations};
    case KX_P12_3DES_2KEY: return {"pkcs12-pbe", "des-ede-cbc", "sha1", iterations};
    case KX_P12_RC2_128: return {"pkcs12-pbe", "rc2-cbc", "sha1", iterations};
    case KX_P12_RC2_40:
    case KX_P5_SHA1_RC2_40: return {"pkcs12-pbe", "rc2-40-cbc", "sha1", iterations};
    case KX_P5_MD5_DES: return {"pbes1", "des-cbc", "md5", iterations};
    default: return {};
    }
}

KxProtection DestinationProtection(const Destination& d) {
    KxProtection out;
    out.mac = KxMac{d.macDigest, static_cast<std::uint64_t>(d.macIterations)};
    const auto iterations = static_cast<std::uint64_t>(d.pbeIterations);
    KxSafeFacts certs;
    if (d.certCipher == KX_CIPHER_NONE)
        certs.bags = std::vector<KxBagFacts>{{KxBagKind::Cert, std::nullopt, std::nullopt, std::nullopt}};
    else
        certs.encryption = CipherPbe(d.certCipher, iterations);
    KxSafeFacts keys;
    keys.bags =
        std::vector<KxBagFacts>{{KxBagKind::Key, CipherPbe(d.keyCipher, iterations), std::nullopt, std::nullopt}};
    out.safes = {certs, keys};
    return out;
}

Verdict JudgeFor(const Destination& d, const KxProtection& p) {
    Judge judge(d);
    if (!judge.Mac(p.mac)) return judge.Result();
    for (const KxSafeFacts& safe : p.safes) {
        if (safe.encryption && !judge.Pbe(*safe.encryption, d.accepts.safes)) return judge.Result();
        if (!safe.bags) continue;
        for (const KxBagFacts& bag : *safe.bags)
            if (!judge.Bag(bag)) return judge.Result();
    }
    if (p.key && !judge.Pbe(*p.key, d.accepts.keyFiles)) return judge.Result();
    return judge.Result();
}
