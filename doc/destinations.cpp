// The destination table. Each row says what to write for a target and what its importer opens, with
// the public sources it rests on. Iteration counts: what the target derives in reasonable time, said
// per row. PKCS#8 and PEM keys are not read by the platforms' certificate stores but by software on
// them (OpenSSL builds, Java libraries); a row's key-file choices are what that software reads.
#include "doc/destinations.h"

#include "crypto/kx.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace {

using List = std::vector<std::string>;

List Join(std::initializer_list<List> lists) {
    List out;
    for (const List& l : lists) out.insert(out.end(), l.begin(), l.end());
    return out;
}

const List kAes = {"pbes2/aes-128-cbc", "pbes2/aes-192-cbc", "pbes2/aes-256-cbc"};
const List kPemAes = {"pem/aes-128-cbc", "pem/aes-192-cbc", "pem/aes-256-cbc"};
const std::string k3des = "pkcs12-pbe/des-ede3-cbc";
const std::string kRc2x40 = "pkcs12-pbe/rc2-40-cbc";
const std::string kRc2x128 = "pkcs12-pbe/rc2-cbc";
const List kSha2 = {"sha256", "sha384", "sha512"};

// Legacy PKCS#12 PBEs a platform store of the 3DES era opens.
const List kLegacyP12 = {k3des, kRc2x40, kRc2x128};

std::vector<Destination> MakeTable() {
    std::vector<Destination> rows;

    // A default OpenSSL 3, current Python cryptography (over OpenSSL) and the browsers (NSS). 600,000
    // iterations of PBKDF2-HMAC-SHA256 follow current password-storage guidance; these importers
    // derive natively, about a third of a second each.
    rows.push_back({"modern",
                    "OpenSSL 3, Python cryptography, browsers",
                    "OpenSSL 3 pkcs12 defaults (AES-256-CBC, PBKDF2, SHA-256 MAC; RC2/DES in its legacy provider); "
                    "OWASP PBKDF2-HMAC-SHA256 count; NSS refusals checked with pk12util",
                    KX_AES256,
                    KX_AES256,
                    "sha256",
                    KX_AES256_ITERATIONS,
                    KX_AES256_ITERATIONS,
                    KX_AES256,
                    KX_AES256,
                    {Join({kAes, {k3des, "pbes2/des-ede3-cbc"}}),
                     Join({kAes, {k3des, "pbes2/des-ede3-cbc"}}),
                     Join({kAes, kPemAes, {k3des, "pbes2/des-ede3-cbc", "pem/des-ede3-cbc"}}),
                     Join({{"sha1", "sha224"}, kSha2}),
                     Join({{"sha1", "sha224"}, kSha2}),
                     0,
                     false,
                     "OpenSSL 3 default",
                     {{"RC2", "OpenSSL 3 default: RC2 needs the legacy provider"},
                      {"single DES", "OpenSSL 3 default: single DES needs the legacy provider"},
                      {"RC4", "OpenSSL 3 default: RC4 needs the legacy provider"},
                      {"2-key 3DES", "Browsers (NSS): 2-key 3DES"},
                      {"scrypt", "Browsers (NSS): scrypt"},
                      {"CRL bags", "Browsers (NSS): CRL bags"}}}});

    // Windows' own AES256-SHA256 export writes 2000 iterations; 100,000 is far above that and keeps
    // even the file's three derivations together within the 600,000 iterations that .NET's PKCS#12
    // loader allows by default (KB5025823), through which many Windows services load certificates.
    rows.push_back({"windows",
                    "Windows 10 1709+, Server 2019+",
                    "Microsoft docs: PFX export offers AES256-SHA256 and TripleDES-SHA1, AES256 import from Windows 10 "
                    "1709 / Server 2019 (\"cannot import AES256-SHA256 encrypted PFX\" on older ones); .NET KB5025823 "
                    "iteration limit; ansible.windows #582, acme.sh #6805",
                    KX_AES256,
                    KX_AES256,
                    "sha256",
                    100'000,
                    100'000,
                    KX_AES256,
                    KX_AES256,
                    {Join({kAes, {k3des}}),
                     Join({kAes, kLegacyP12}),
                     Join({kAes, kPemAes, {k3des, "pem/des-ede3-cbc"}}),
                     Join({{"sha1"}, kSha2}),
                     Join({{"sha1"}, kSha2}),
                     0,
                     true,
                     "Windows 10 1709+",
                     {}}});

    // 2000: what these systems' own TripleDES-SHA1 export writes.
    rows.push_back({"windows-legacy",
                    "Windows 7, 8.1, Server 2012 R2/2016",
                    "Microsoft docs: AES256-SHA256 PFX cannot be imported before Windows 10 1709 / Server 2019; "
                    "ansible.windows #582, community.windows #555, acme.sh #6805, KeyStore Explorer #318 and #335, "
                    "CertificateDsc #153",
                    KX_P12_3DES_3KEY,
                    KX_P12_3DES_3KEY,
                    "sha1",
                    2000,
                    2000,
                    KX_AES256,
                    KX_AES256,
                    {{k3des},
                     {k3des, kRc2x40},
                     Join({kAes, kPemAes, {k3des, "pem/des-ede3-cbc"}}),
                     {"sha1", "sha256"},
                     {"sha1"},
                     0,
                     true,
                     "Windows before 10 1709",
                     {}}});

    // The platform stores of the 3DES era: 3DES with a SHA-1 MAC, 2048 iterations (the count OpenSSL's
    // -legacy export writes, which the reports each row cites confirm imports; phones derive in
    // software). Their AES and SHA-256 refusals are the same; only the row's names differ.
    const auto legacyStore = [](std::string name, std::string covers, std::string source, std::string who) {
        return Destination{std::move(name),
                           std::move(covers),
                           std::move(source),
                           KX_P12_3DES_3KEY,
                           KX_P12_3DES_3KEY,
                           "sha1",
                           KX_LEGACY_ITERATIONS,
                           KX_LEGACY_ITERATIONS,
                           KX_AES256,
                           KX_AES256,
                           {kLegacyP12,
                            kLegacyP12,
                            Join({kAes, kPemAes, {k3des, "pem/des-ede3-cbc"}}),
                            {"sha1", "sha256"},
                            {"sha1"},
                            0,
                            true,
                            std::move(who),
                            {}}};
    };
    rows.push_back(
        legacyStore("macos", "macOS 12-14 keychain",
                    "XCA #360 and #474, ruby/openssl #654, pyca/cryptography #7293 and #7458, rust-security-framework "
                    "#216, SketchCrapp #98: SHA-256 MAC and AES refused, 3DES with a SHA-1 MAC imports",
                    "macOS 12–14"));
    rows.push_back(legacyStore("ios", "iOS, iPadOS",
                               "openssl/openssl #19495 and #19871 (SecPKCS12Import refuses AES-256 files), "
                               "SMIME-OpenSSL-CA #1, setup-ipsec-vpn #1580: 3DES with a SHA-1 MAC imports",
                               "iOS"));
    rows.push_back(
        legacyStore("android", "Android 11-13",
                    "strongswan-docs #5, clip_share_server #48 and #58, XCA #360 and #389, ultimate-ca-manager #331: "
                    "PBES2/AES refused (\"incorrect password\"), 3DES with a SHA-1 MAC imports",
                    "Android 11–13"));

    // 10,000: keytool's own count since these versions; the JDK refuses more than 5,000,000.
    rows.push_back({"java",
                    "Java 11.0.12+, 17+",
                    "OpenJDK JDK-8153005 and JDK-8267880 (AES-256 and HmacPBESHA256 by default, 10000 iterations), "
                    "PKCS12KeyStore MAX_ITERATION_COUNT (go-pkcs12 #81), KeyStore Explorer #173 and #302",
                    KX_AES256,
                    KX_AES256,
                    "sha256",
                    10'000,
                    10'000,
                    KX_AES256,
                    KX_AES256,
                    {Join({kAes, kLegacyP12}),
                     Join({kAes, kLegacyP12}),
                     Join({kAes, kPemAes, {k3des, "pbes1/des-cbc"}}),
                     Join({{"sha1", "sha224"}, kSha2}),
                     Join({{"sha1", "sha224"}, kSha2}),
                     5'000'000,
                     true,
                     "Java 11.0.12+",
                     {}}});
    // The same importer, for a store of trusted certificates: Java trusts a PKCS#12 certificate only
    // when its bag carries Java's own trust attribute (checked with keytool -list).
    Destination javaTrust = rows.back();
    javaTrust.name = "java-truststore";
    javaTrust.covers = "Java 11.0.12+, 17+ trust store (no key)";
    javaTrust.trustStore = true;
    rows.push_back(std::move(javaTrust));

    // 50,000 for the key and certificates, 100,000 for the MAC: Java 8's own keytool counts. Java 8
    // reads no PBES2, so its PKCS#8 is PBES1; a PEM key is read by libraries of its time, as 3DES.
    Destination java8{"java-legacy",
                      "Java 8 before 8u301",
                      "KeyStore Explorer #173 and #302, bc-java #941, elasticsearch #79777 (no PBES2 in OpenJDK 8), "
                      "OpenJDK PKCS12KeyStore defaults before JDK-8153005",
                      KX_P12_3DES_3KEY,
                      KX_P12_3DES_3KEY,
                      "sha1",
                      100'000,
                      50'000,
                      KX_P5_MD5_DES,
                      KX_PEM_3DES,
                      {kLegacyP12,
                       kLegacyP12,
                       {k3des, kRc2x40, "pbes1/des-cbc", "pem/des-ede3-cbc"},
                       {"sha1"},
                       {"sha1"},
                       0,
                       true,
                       "Java 8 before 8u301",
                       {}}};
    rows.push_back(std::move(java8));

    // 600,000: what NSS's own pk12util export writes (AES-256 key, AES-128 certificates, SHA-256 MAC,
    // 600,000 iterations each in NSS 3.87). It refuses CRL bags and 2-key 3DES (both checked with
    // pk12util).
    rows.push_back({"nss",
                    "Firefox, Thunderbird, Chromium on Linux",
                    "NSS 3.87 pk12util: its own export (PBES2 AES, SHA-256 MAC, 600000 iterations); imports checked: "
                    "CRL bag and 2-key 3DES refused, AES-256/SHA-256, 3DES and RC2-40 taken",
                    KX_AES256,
                    KX_AES256,
                    "sha256",
                    KX_AES256_ITERATIONS,
                    KX_AES256_ITERATIONS,
                    KX_AES256,
                    KX_AES256,
                    {Join({kAes, kLegacyP12, {"pbes1/des-cbc"}}),
                     Join({kAes, kLegacyP12, {"pbes1/des-cbc"}}),
                     Join({kAes, kPemAes, {k3des, "pem/des-ede3-cbc"}}),
                     Join({{"sha1"}, kSha2}),
                     Join({{"sha1"}, kSha2}),
                     0,
                     false,
                     "NSS",
                     {}}});
    return rows;
}

const char* CipherLabel(int cipher) {
    switch (cipher) {
    case KX_AES256: return "AES-256";
    case KX_P12_3DES_3KEY:
    case KX_PEM_3DES: return "3DES";
    case KX_P12_3DES_2KEY: return "2-key 3DES";
    case KX_P12_RC2_128: return "RC2-128";
    case KX_P12_RC2_40:
    case KX_P5_SHA1_RC2_40: return "RC2-40";
    case KX_P5_MD5_DES:
    case KX_PEM_DES: return "DES";
    case KX_CIPHER_NONE: return "none";
    default: return "?";
    }
}

std::string Pad(std::string s, std::size_t width) {
    // Widths count characters; the en dashes in `covers` are avoided for that reason.
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

}  // namespace

const std::vector<Destination>& Destinations() {
    static const std::vector<Destination> table = MakeTable();
    return table;
}

const Destination* FindDestination(const std::string& name) {
    const auto same = [&](const std::string& row) {
        return row.size() == name.size() && std::equal(row.begin(), row.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               });
    };
    for (const Destination& d : Destinations())
        if (same(d.name)) return &d;
    return nullptr;
}

std::string DestinationNames() {
    std::string out;
    for (const Destination& d : Destinations()) out += (out.empty() ? "" : " | ") + d.name;
    return out;
}

std::string DestinationHelpTable() {
    std::vector<std::vector<std::string>> cells = {{"target", "covers", "key/certificates/MAC", "iterations (MAC)"}};
    for (const Destination& d : Destinations()) {
        const std::string mac = d.macDigest == "sha256" ? "SHA-256" : d.macDigest == "sha1" ? "SHA-1" : d.macDigest;
        std::string iterations = std::to_string(d.pbeIterations);
        if (d.macIterations != d.pbeIterations) iterations += " (" + std::to_string(d.macIterations) + ")";
        cells.push_back({d.name, d.covers,
                         std::string(CipherLabel(d.keyCipher)) + "/" + CipherLabel(d.certCipher) + "/" + mac,
                         iterations});
    }
    std::vector<std::size_t> widths(4, 0);
    for (const auto& row : cells)
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    std::string out;
    for (const auto& row : cells) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) line += i + 1 < row.size() ? Pad(row[i], widths[i] + 2) : row[i];
        out += line + "\n";
    }
    return out;
}
