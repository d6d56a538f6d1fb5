// Java key stores that keytool made (tests/data/keystores/make-keystores.sh), read with every kind of
// pass-phrase answer and after damage: each case gives its one outcome, and a store read gives its key
// (matching its certificate) and its trusted certificate as named bags.
#include <gtest/gtest.h>

#include "crypto/jks_store.h"
#include "tests/support/fixtures.h"

namespace {

enum class Change { None, FlipDigest, Truncate, NotAStore };

struct Case {
    const char* name;
    const char* store;
    std::vector<std::string> store_answers;  // to the store's pass-phrase requests, in order; then none
    std::vector<std::string> key_answers;    // to the requests for "web"'s own password
    Change change;
    KxReadFailure expected;
    std::size_t key_requests;
};

const Case kCases[] = {
    {"jks read", "store.jks", {"storepass1"}, {"keypass22"}, Change::None, KxReadFailure::None, 1},
    {"jks wrong store pass",
     "store.jks",
     {"storepass2", "keypass22"},
     {},
     Change::None,
     KxReadFailure::WrongPassPhrase,
     0},
    {"jks no store pass", "store.jks", {}, {}, Change::None, KxReadFailure::NoPassPhrase, 0},
    {"jks key pass wrong then right",
     "store.jks",
     {"storepass1"},
     {"x", "keypass22"},
     Change::None,
     KxReadFailure::None,
     2},
    {"jks key pass wrong",
     "store.jks",
     {"storepass1"},
     {"storepass1"},
     Change::None,
     KxReadFailure::WrongPassPhrase,
     2},
    {"jks key pass none", "store.jks", {"storepass1"}, {}, Change::None, KxReadFailure::NoPassPhrase, 1},
    {"jks digest flipped", "store.jks", {"storepass1"}, {}, Change::FlipDigest, KxReadFailure::WrongPassPhrase, 0},
    {"jks truncated", "store.jks", {"storepass1"}, {}, Change::Truncate, KxReadFailure::Damaged, 0},
    {"jceks read, secret key skipped",
     "store.jceks",
     {"storepass1"},
     {"keypass22"},
     Change::None,
     KxReadFailure::None,
     1},
    {"jceks wrong store pass", "store.jceks", {"keypass22"}, {}, Change::None, KxReadFailure::WrongPassPhrase, 0},
    {"jceks key pass wrong", "store.jceks", {"storepass1"}, {"wrong"}, Change::None, KxReadFailure::WrongPassPhrase, 2},
    {"jceks digest flipped", "store.jceks", {"storepass1"}, {}, Change::FlipDigest, KxReadFailure::WrongPassPhrase, 0},
    {"jceks truncated", "store.jceks", {"storepass1"}, {}, Change::Truncate, KxReadFailure::Damaged, 0},
    {"not a key store", "make-keystores.sh", {"storepass1"}, {}, Change::NotAStore, KxReadFailure::NotRecognised, 0},
};

const Cert* cert_of(const P12Bag* bag) { return bag ? bag->cert() : nullptr; }

TEST(JavaKeyStore, EachCaseGivesItsOutcome) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        qfix::Bytes bytes =
            qfix::read_bytes(std::filesystem::path(QUILLON_SOURCE_DIR) / "tests/data/keystores" / c.store);
        ASSERT_GT(bytes.size(), 100u);
        if (c.change == Change::FlipDigest) bytes[bytes.size() - 7] ^= 0x01;
        if (c.change == Change::Truncate) bytes.resize(bytes.size() - 25);  // the digest and a little more
        EXPECT_EQ(KX_is_java_keystore(bytes), c.change != Change::NotAStore);

        std::size_t store_asked = 0;
        std::vector<PassRequest> key_requests;
        PassProvider provider = [&](const PassRequest& r) -> std::optional<SecretString> {
            const std::vector<std::string>& answers = r.entry.empty() ? c.store_answers : c.key_answers;
            const std::size_t n = r.entry.empty() ? store_asked++ : key_requests.size();
            if (!r.entry.empty()) key_requests.push_back(r);
            if (n >= answers.size()) return std::nullopt;
            return SecretString(answers[n]);
        };
        JksReadResult result = KX_read_java_keystore(bytes, provider, "in.store");

        EXPECT_EQ(result.error.kind, c.expected);
        if (c.expected == KxReadFailure::Damaged) {
            EXPECT_EQ(result.error.detail, "Java key store");
        }
        // Structural damage and a file of another kind are told before any pass phrase is asked for.
        EXPECT_EQ(store_asked == 0, c.change == Change::Truncate || c.change == Change::NotAStore);
        ASSERT_EQ(key_requests.size(), c.key_requests);
        for (std::size_t i = 0; i < key_requests.size(); ++i) {
            EXPECT_EQ(key_requests[i].entry, "web");
            EXPECT_EQ(key_requests[i].path, "in.store");
            EXPECT_EQ(key_requests[i].retry, i > 0);
        }
        if (!result.ok()) {
            EXPECT_TRUE(result.entries.empty());
            continue;
        }
        const bool jceks = std::string(c.store) == "store.jceks";
        ASSERT_EQ(result.skipped.size(), jceks ? 1u : 0u);
        if (jceks) {
            EXPECT_EQ(result.skipped[0].alias + ": " + result.skipped[0].reason, "aes: secret-key entry skipped");
        }
        ASSERT_EQ(result.entries.size(), 2u);

        P12 bags;
        // The trusted CA is also the key's issuer: one certificate, one bag, named by the trusted entry.
        EXPECT_EQ(JKS_append_bags(&bags, result), 3u);
        const P12Bag* key = P12_find_bag(&bags, BAG_KEY, MARK_NONE);
        ASSERT_TRUE(key && key->next);
        EXPECT_EQ(key->friendly_name, u"web");
        const Cert* leaf = cert_of(key->next.get());
        const Cert* issuer = nullptr;
        for (const P12Bag* b = bags.first.get(); b; b = b->next.get())
            if (b->friendly_name == u"ca") issuer = cert_of(b);
        ASSERT_TRUE(leaf && issuer);
        EXPECT_EQ(key->next->friendly_name, u"web");
        EXPECT_EQ(LN_cmp(key->key()->number, leaf->pubkey.number), 0);
        EXPECT_EQ(leaf->issuer, issuer->subject);
    }
}

}  // namespace
