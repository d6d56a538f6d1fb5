// The bag container: order of bags, lookups by type and mark, moving bags in, key-number equality,
// friendly names from subjects, and release of very long lists.
#include <gtest/gtest.h>

#include "crypto/kx.h"
#include "crypto/kx_pkcs7.h"
#include "tests/support/fixtures.h"

namespace {

using namespace qfix;

std::unique_ptr<Cert> cert_record(X509* x) { return ASN1_read_cert(der_of(x)); }

TEST(Container, AddsInOrderAndFindsFirstByTypeAndMark) {
    Chain chain = make_chain(3);
    auto c = P12_new();
    ASSERT_TRUE(P12_add_cert(c.get(), cert_record(chain.certs[0].get()), nullptr, MARK_NONE));
    ASSERT_TRUE(P12_add_cert(c.get(), cert_record(chain.certs[1].get()), u"second", 1));
    ASSERT_TRUE(P12_add_cert(c.get(), cert_record(chain.certs[2].get()), nullptr, 1));
    EXPECT_FALSE(P12_add_cert(c.get(), nullptr, nullptr, MARK_NONE));

    P12Bag* found = P12_find_bag(c.get(), BAG_CERT, 1);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->friendly_name, std::u16string(u"second"));
    EXPECT_EQ(found->cert()->subject, "O=Quillon Tests, CN=Level 1");
    EXPECT_EQ(P12_find_bag(c.get(), BAG_CERT, MARK_NONE), c->first.get());
    EXPECT_EQ(P12_find_bag(c.get(), BAG_KEY, MARK_NONE), nullptr);
    EXPECT_EQ(P12_find_bag(c.get(), BAG_CERT, 2), nullptr);
    EXPECT_EQ(c->first->next->next->cert()->subject, "O=Quillon Tests, CN=Level 2");
    EXPECT_EQ(c->first->crl(), nullptr);
    EXPECT_EQ(c->first->key(), nullptr);
}

TEST(Container, MovesPkcs7CertificatesThenCrlsToTheEnd) {
    Chain chain = make_chain(2);
    auto c = P12_new();
    P12_add_cert(c.get(), cert_record(chain.certs[1].get()), nullptr, MARK_NONE);
    auto p7 = std::make_unique<PKCS7>();
    auto crl = make_crl(chain.names[0], chain.keys[0]);
    p7->certs.push_back(cert_record(chain.certs[0].get()));
    p7->crls.push_back(ASN1_read_crl(der_of(crl.get())));
    p7->certs.push_back(cert_record(chain.certs[1].get()));
    ASSERT_TRUE(P12_mov_p12bags(c.get(), p7.get()));
    EXPECT_TRUE(p7->certs.empty());
    EXPECT_TRUE(p7->crls.empty());
    P7_free(std::move(p7));

    std::vector<int> types;
    for (P12Bag* b = c->first.get(); b; b = b->next.get()) types.push_back(b->type);
    EXPECT_EQ(types, (std::vector<int>{BAG_CERT, BAG_CERT, BAG_CERT, BAG_CRL}));
    EXPECT_EQ(c->first->next->cert()->subject, "O=Quillon Tests, CN=Level 0");
}

TEST(Container, MovesAnotherContainerAndLeavesItEmpty) {
    Chain chain = make_chain(2);
    auto a = P12_new();
    auto b = P12_new();
    P12_add_cert(a.get(), cert_record(chain.certs[0].get()), nullptr, MARK_NONE);
    P12_add_cert(b.get(), cert_record(chain.certs[1].get()), u"b", 3);
    ASSERT_TRUE(P12_mov_p12bags(a.get(), b.get()));
    EXPECT_EQ(b->first, nullptr);
    P12_free(std::move(b));
    ASSERT_NE(a->first->next, nullptr);
    EXPECT_EQ(a->first->next->friendly_name, std::u16string(u"b"));
}

TEST(Container, ReleasesAVeryLongListWithoutDeepRecursion) {
    Chain chain = make_chain(1);
    Bytes der = der_of(chain.certs[0].get());
    auto c = P12_new();
    auto record = ASN1_read_cert(der);
    // Build a long chain of bags by hand (cheaper than appending one by one).
    std::unique_ptr<P12Bag>* link = &c->first;
    for (int i = 0; i < 300000; ++i) {
        *link = std::make_unique<P12Bag>();
        (*link)->type = BAG_OTHER;
        link = &(*link)->next;
    }
    P12_free(std::move(c));
    auto bag = std::make_unique<P12Bag>();
    bag->content = std::move(record);
    P12Bag_free(std::move(bag));
}

TEST(KeyNumber, EqualExactlyWhenPublicKeysAreEqual) {
    Pkey k1 = ec_key();
    Pkey k2 = ec_key();
    CertPtr c1 = make_self_signed(cn("one"), k1);
    CertPtr c1b = make_self_signed(cn("one again"), k1);
    CertPtr c2 = make_self_signed(cn("two"), k2);
    auto r1 = cert_record(c1.get());
    auto r1b = cert_record(c1b.get());
    auto r2 = cert_record(c2.get());
    ASSERT_TRUE(r1 && r1b && r2);
    EXPECT_EQ(LN_cmp(r1->pubkey.number, r1b->pubkey.number), 0);
    EXPECT_NE(LN_cmp(r1->pubkey.number, r2->pubkey.number), 0);
    EXPECT_NE(LN_cmp(r1->pubkey.number, KeyNumber{}), 0);
    EXPECT_NE(LN_cmp(KeyNumber{}, KeyNumber{}), 0);

    auto req = make_req(cn("one"), k1);
    auto rr = ASN1_read_req(der_of(req.get()));
    ASSERT_TRUE(rr);
    EXPECT_EQ(LN_cmp(rr->pubkey.number, r1->pubkey.number), 0);
}

TEST(FriendlyName, CommonNameOrWholeSubject) {
    struct Row {
        Name subject;
        std::u16string expected;
    };
    const Row rows[] = {
        {{{"C", "JP"}, {"O", "Example, Inc."}, {"CN", "日本語"}}, u"日本語"},
        {{{"CN", "outer"}, {"O", "X"}, {"CN", "inner"}}, u"inner"},
        {{{"C", "DE"}, {"O", "No Name"}}, u"C=DE, O=No Name"},
        {{{"CN", "😀 emoji"}}, u"😀 emoji"},
    };
    Pkey key = ec_key();
    for (const auto& row : rows) {
        auto cert = cert_record(make_self_signed(row.subject, key).get());
        ASSERT_TRUE(cert);
        EXPECT_EQ(get_frname_from_dn(cert.get()), row.expected);
        auto req = ASN1_read_req(der_of(make_req(row.subject, key).get()));
        ASSERT_TRUE(req);
        EXPECT_EQ(get_frname_from_dn(req.get()), row.expected);
    }
}

}  // namespace
