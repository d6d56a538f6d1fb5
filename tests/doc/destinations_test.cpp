// Each destination's verdict on the protections users meet most: its own profile, AES under a SHA-1
// MAC, 3DES under a SHA-256 MAC, OpenSSL's -legacy output (RC2-40 certificates), a CRL bag and a
// 2-key 3DES key. An empty cell: the target takes the file.
#include <gtest/gtest.h>

#include "crypto/kx.h"
#include "doc/destinations.h"

namespace {

KxProtection P12(int key, int certs, const char* mac, KxBagKind extra = KxBagKind::Cert) {
    KxProtection p;
    p.mac = KxMac{mac, 2048};
    KxSafeFacts c;
    c.encryption = CipherPbe(certs, 2048);
    KxSafeFacts k;
    k.bags = std::vector<KxBagFacts>{{KxBagKind::Key, CipherPbe(key, 2048), {}, {}}, {extra, {}, {}, {}}};
    p.safes = {c, k};
    return p;
}

TEST(Destinations, EachTargetTakesItsOwnProfileAndRefusesWhatItsImporterCannotOpen) {
    const KxProtection aes_sha1 = P12(KX_AES256, KX_AES256, "sha1");
    const KxProtection des3_sha256 = P12(KX_P12_3DES_3KEY, KX_P12_3DES_3KEY, "sha256");
    const KxProtection legacy = P12(KX_P12_3DES_3KEY, KX_P12_RC2_40, "sha1");
    const KxProtection crl = P12(KX_AES256, KX_AES256, "sha256", KxBagKind::Crl);
    const KxProtection des2 = P12(KX_P12_3DES_2KEY, KX_AES256, "sha256");
    const struct {
        const char* target;
        const char* aes_sha1;
        const char* des3_sha256;
        const char* legacy;
        const char* crl;
        const char* des2;
    } rows[] = {
        {"modern", "", "", "OpenSSL 3 default: RC2 needs the legacy provider", "Browsers (NSS): CRL bags",
         "Browsers (NSS): 2-key 3DES"},
        {"windows", "", "", "", "", "Windows 10 1709+: 2-key 3DES"},
        {"windows-legacy", "Windows before 10 1709: PBES2/AES", "Windows before 10 1709: SHA-256 MAC", "",
         "Windows before 10 1709: SHA-256 MAC", "Windows before 10 1709: SHA-256 MAC"},
        {"macos", "macOS 12–14: PBES2/AES", "macOS 12–14: SHA-256 MAC", "", "macOS 12–14: SHA-256 MAC",
         "macOS 12–14: SHA-256 MAC"},
        {"ios", "iOS: PBES2/AES", "iOS: SHA-256 MAC", "", "iOS: SHA-256 MAC", "iOS: SHA-256 MAC"},
        {"android", "Android 11–13: PBES2/AES", "Android 11–13: SHA-256 MAC", "", "Android 11–13: SHA-256 MAC",
         "Android 11–13: SHA-256 MAC"},
        {"java", "", "", "", "", "Java 11.0.12+: 2-key 3DES"},
        {"java-truststore", "", "", "", "", "Java 11.0.12+: 2-key 3DES"},
        {"java-legacy", "Java 8 before 8u301: PBES2/AES", "Java 8 before 8u301: SHA-256 MAC", "",
         "Java 8 before 8u301: SHA-256 MAC", "Java 8 before 8u301: SHA-256 MAC"},
        {"nss", "", "", "", "NSS: CRL bags", "NSS: 2-key 3DES"},
    };
    ASSERT_EQ(Destinations().size(), std::size(rows));
    EXPECT_EQ(DestinationNames().rfind("modern | windows | ", 0), 0u);
    for (const auto& row : rows) {
        const Destination* d = FindDestination(row.target);
        ASSERT_NE(d, nullptr) << row.target;
        EXPECT_TRUE(JudgeFor(*d, DestinationProtection(*d)).takes)
            << row.target << ": " << JudgeFor(*d, DestinationProtection(*d)).reason;
        KxProtection key_file;
        key_file.key = CipherPbe(d->p8Cipher, d->pbeIterations);
        EXPECT_EQ(JudgeFor(*d, key_file).reason, "") << row.target << " PKCS#8";
        key_file.key = CipherPbe(d->pemCipher, 1, true);
        EXPECT_EQ(JudgeFor(*d, key_file).reason, "") << row.target << " PEM key";
        EXPECT_EQ(JudgeFor(*d, aes_sha1).reason, row.aes_sha1) << row.target;
        EXPECT_EQ(JudgeFor(*d, des3_sha256).reason, row.des3_sha256) << row.target;
        EXPECT_EQ(JudgeFor(*d, legacy).reason, row.legacy) << row.target;
        EXPECT_EQ(JudgeFor(*d, crl).reason, row.crl) << row.target;
        EXPECT_EQ(JudgeFor(*d, des2).reason, row.des2) << row.target;
        EXPECT_NE(DestinationHelpTable().find("\n" + d->name + " "), std::string::npos) << row.target;
    }
}

}  // namespace
