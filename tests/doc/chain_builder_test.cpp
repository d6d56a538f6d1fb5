// Chain building over hand-made records: which bag ends where, the log, and what is removed.
#include "chain_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

using namespace chain_test;

namespace {

const std::string kRoot = "CN=Root";
const std::string kInter = "CN=Inter";
const std::string kUser = "CN=User";
const std::string kOther = "CN=Other";

enum Piece { ROOT, INTER, USER };

void AddPiece(CVortlaneDoc& doc, Piece piece) {
    switch (piece) {
    case ROOT: P12_add_cert(doc.m_pBags.get(), MakeCert(kRoot, kRoot), nullptr, MARK_NONE); break;
    case INTER: P12_add_cert(doc.m_pBags.get(), MakeCert(kInter, kRoot), nullptr, MARK_NONE); break;
    case USER: P12_add_cert(doc.m_pBags.get(), MakeCert(kUser, kInter), nullptr, MARK_NONE); break;
    }
}

void AddCert(CVortlaneDoc& doc, const std::string& subject, const std::string& issuer) {
    P12_add_cert(doc.m_pBags.get(), MakeCert(subject, issuer), nullptr, MARK_NONE);
}

// A key with no number: it matches no certificate.
void AddForeignKey(CVortlaneDoc& doc) {
    auto key = std::make_unique<Key>();
    key->type = KEY_RSA_PRV;
    P12_add_key(doc.m_pBags.get(), std::move(key), nullptr, MARK_NONE);
}

std::string Check(int type) { return "++Check One PKCS#12Bag, type=" + std::to_string(type) + "\r\n"; }
std::string Clean(int type) { return "--Clean One PKCS#12Bag, type=" + std::to_string(type) + "\r\n"; }

struct ArrivalCase {
    std::array<Piece, 3> order;
    int root, inter, user;  // expected marks; -1: removed
};

class ArrivalOneFileAtATime : public ::testing::TestWithParam<ArrivalCase> {};

// Each file arriving alone runs the whole chain building, as the input route does.
TEST_P(ArrivalOneFileAtATime, PlacesWhatHasAPlaceWhenItArrives) {
    const ArrivalCase& c = GetParam();
    CVortlaneDoc doc;
    CString log;
    for (Piece piece : c.order) {
        AddPiece(doc, piece);
        doc.BuildChain(&log);
    }
    EXPECT_EQ(MarkOf(doc, kRoot), c.root);
    EXPECT_EQ(MarkOf(doc, kInter), c.inter);
    EXPECT_EQ(MarkOf(doc, kUser), c.user);
    EXPECT_EQ(doc.m_nDepth, std::max({c.root, c.inter, c.user}));
}

INSTANTIATE_TEST_SUITE_P(
    EveryOrder, ArrivalOneFileAtATime,
    ::testing::Values(ArrivalCase{{USER, ROOT, INTER}, -1, 0, 1}, ArrivalCase{{ROOT, USER, INTER}, 0, 1, -1},
                      ArrivalCase{{USER, INTER, ROOT}, 0, 1, 2}, ArrivalCase{{INTER, USER, ROOT}, 0, 1, 2},
                      ArrivalCase{{INTER, ROOT, USER}, 0, 1, 2}, ArrivalCase{{ROOT, INTER, USER}, 0, 1, 2}));

TEST(ChainArrivingTogether, EveryOrderGivesTheSameChain) {
    std::array<Piece, 3> order{ROOT, INTER, USER};
    do {
        CVortlaneDoc doc;
        for (Piece piece : order) AddPiece(doc, piece);
        CString log;
        doc.BuildChain(&log);
        EXPECT_EQ(MarkOf(doc, kRoot), 0);
        EXPECT_EQ(MarkOf(doc, kInter), 1);
        EXPECT_EQ(MarkOf(doc, kUser), 2);
        EXPECT_EQ(doc.m_nDepth, 2);
        EXPECT_NE(log.find("TOP - CN=Root --0\r\n"), std::string::npos) << log;
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(ChainArrivingTogether, WithoutItsRootTakesTheHighestAsTop) {
    for (bool userFirst : {true, false}) {
        CVortlaneDoc doc;
        AddPiece(doc, userFirst ? USER : INTER);
        AddPiece(doc, userFirst ? INTER : USER);
        CString log;
        doc.BuildChain(&log);
        EXPECT_EQ(MarkOf(doc, kInter), 0);
        EXPECT_EQ(MarkOf(doc, kUser), 1);
        EXPECT_EQ(doc.m_nDepth, 1);
    }
}

TEST(ChainBuilding, SixInputsWithoutMatchingKeyLogEveryStep) {
    CVortlaneDoc doc;
    AddPiece(doc, USER);
    AddPiece(doc, INTER);
    AddPiece(doc, ROOT);
    P12_add_crl(doc.m_pBags.get(), MakeCrl(kInter), nullptr, MARK_NONE);
    AddForeignKey(doc);
    AddCert(doc, kOther, kOther);
    CString log = "old text";
    doc.BuildChain(&log);
    EXPECT_EQ(log, Check(11003) + Check(11003) + Check(11003) + Check(11004) + Check(11002) + Check(11003) +
                       "TOP - CN=Root --0\r\n"
                       "UCERT - CN=Inter --1\r\n"
                       "UCERT - CN=User --2\r\n"
                       "CRL -- 2\r\n" +
                       Clean(11002) + Clean(11003));
    // The issuers moved directly after the certificates they signed.
    EXPECT_EQ(
        Contents(doc),
        (std::vector<Placed>{{BAG_CERT, kUser, 2}, {BAG_CERT, kInter, 1}, {BAG_CERT, kRoot, 0}, {BAG_CRL, kInter, 2}}));
}

TEST(ChainBuilding, TopSearchRelinksIssuersAfterTheCertificateTheySigned) {
    CVortlaneDoc doc;
    AddPiece(doc, USER);
    AddCert(doc, kOther, kOther);
    AddPiece(doc, ROOT);
    P12_add_crl(doc.m_pBags.get(), MakeCrl(kRoot), nullptr, MARK_NONE);
    AddPiece(doc, INTER);
    doc.BuildChain(nullptr);
    EXPECT_EQ(
        Contents(doc),
        (std::vector<Placed>{{BAG_CERT, kUser, 2}, {BAG_CERT, kInter, 1}, {BAG_CERT, kRoot, 0}, {BAG_CRL, kRoot, 1}}));
}

TEST(ChainBuilding, LoneBagsStandAtDepthZero) {
    struct Lone {
        const char* what;
        std::unique_ptr<Cert> cert;
    };
    std::vector<Lone> cases;
    cases.push_back({"self-signed", MakeCert(kRoot, kRoot)});
    cases.push_back({"request", MakeRequest(kRoot)});
    cases.push_back({"absent issuer", MakeCert(kRoot, "CN=Absent")});
    for (Lone& c : cases) {
        CVortlaneDoc doc;
        doc.m_nDepth = 5;
        P12_add_cert(doc.m_pBags.get(), std::move(c.cert), nullptr, MARK_NONE);
        CString log;
        doc.BuildChain(&log);
        EXPECT_EQ(log, Check(11003) + "TOP - CN=Root --0\r\n") << c.what;
        EXPECT_EQ(Contents(doc), (std::vector<Placed>{{BAG_CERT, kRoot, 0}})) << c.what;
        EXPECT_EQ(doc.m_nDepth, 0) << c.what;
        EXPECT_TRUE(doc.m_pBags->first->friendly_name.has_value()) << c.what;
    }
}

TEST(ChainBuilding, WithoutCertificatesTheFirstCrlAndFirstKeyStay) {
    CVortlaneDoc doc;
    P12_add_crl(doc.m_pBags.get(), MakeCrl("CN=A"), nullptr, MARK_NONE);
    AddForeignKey(doc);
    P12_add_crl(doc.m_pBags.get(), MakeCrl("CN=B"), nullptr, MARK_NONE);
    AddForeignKey(doc);
    CString log;
    doc.BuildChain(&log);
    EXPECT_EQ(log, Check(11004) + Check(11002) + Check(11004) + Check(11002) + Clean(11004) + Clean(11002));
    EXPECT_EQ(Contents(doc), (std::vector<Placed>{{BAG_CRL, "CN=A", 0}, {BAG_KEY, "key", 0}}));
    EXPECT_EQ(doc.m_nDepth, 0);
    EXPECT_EQ(doc.HasCrl(), 1);
    EXPECT_EQ(doc.HasPrivateKey(), 1);
    EXPECT_EQ(doc.HasCertificate(), 0);
}

TEST(ChainBuilding, LoneCertificateDropsAForeignKey) {
    CVortlaneDoc doc;
    AddCert(doc, kRoot, kRoot);
    AddForeignKey(doc);
    CString log;
    doc.BuildChain(&log);
    EXPECT_EQ(log, Check(11003) + Check(11002) + "TOP - CN=Root --0\r\n" + Clean(11002));
    EXPECT_EQ(doc.HasPrivateKey(), 0);
}

TEST(ChainBuilding, OnlyTheFirstSiblingIsPlaced) {
    CVortlaneDoc doc;
    AddPiece(doc, ROOT);
    AddPiece(doc, INTER);
    AddCert(doc, "CN=First", kInter);
    AddCert(doc, "CN=Second", kInter);
    doc.BuildChain(nullptr);
    EXPECT_EQ(MarkOf(doc, "CN=First"), 2);
    EXPECT_EQ(MarkOf(doc, "CN=Second"), -1);
}

TEST(ChainBuilding, EveryCrlOfAnIssuerIsPlaced) {
    CVortlaneDoc doc;
    AddPiece(doc, ROOT);
    P12_add_crl(doc.m_pBags.get(), MakeCrl(kRoot), nullptr, MARK_NONE);
    AddPiece(doc, INTER);
    P12_add_crl(doc.m_pBags.get(), MakeCrl(kRoot), nullptr, MARK_NONE);
    P12_add_crl(doc.m_pBags.get(), MakeCrl(kInter), nullptr, MARK_NONE);
    CString log;
    doc.BuildChain(&log);
    EXPECT_EQ(log, Check(11003) + Check(11004) + Check(11003) + Check(11004) + Check(11004) +
                       "TOP - CN=Root --0\r\nCRL -- 1\r\nUCERT - CN=Inter --1\r\nCRL -- 1\r\nCRL -- 2\r\n");
    // The intermediate's CRL covers depth 2 even though the intermediate signed nothing present.
    EXPECT_EQ(Contents(doc), (std::vector<Placed>{{BAG_CERT, kRoot, 0},
                                                  {BAG_CRL, kRoot, 1},
                                                  {BAG_CERT, kInter, 1},
                                                  {BAG_CRL, kRoot, 1},
                                                  {BAG_CRL, kInter, 2}}));
    EXPECT_EQ(doc.m_nDepth, 1);
}

TEST(ChainBuilding, FirstCertificateWithAbsentIssuerBecomesTheTop) {
    CVortlaneDoc doc;
    AddCert(doc, kOther, "CN=Absent");
    AddPiece(doc, ROOT);
    AddPiece(doc, INTER);
    AddPiece(doc, USER);
    CString log;
    doc.BuildChain(&log);
    EXPECT_EQ(Contents(doc), (std::vector<Placed>{{BAG_CERT, kOther, 0}}));
    EXPECT_NE(log.find("TOP - CN=Other --0\r\n"), std::string::npos);
}

TEST(ChainBuilding, RequestFirstBecomesTheTopAndCanSign) {
    CVortlaneDoc doc;
    P12_add_cert(doc.m_pBags.get(), MakeRequest("CN=CA"), nullptr, MARK_NONE);
    AddCert(doc, "CN=Leaf", "CN=CA");
    AddCert(doc, kUser, "CN=Absent");
    doc.BuildChain(nullptr);
    EXPECT_EQ(Contents(doc), (std::vector<Placed>{{BAG_CERT, "CN=CA", 0}, {BAG_CERT, "CN=Leaf", 1}}));
    EXPECT_EQ(doc.m_nDepth, 1);
}

TEST(ChainBuilding, SelfSignedCertificatesNeverBecomeChildren) {
    CVortlaneDoc doc;
    AddPiece(doc, ROOT);
    AddCert(doc, kRoot, kRoot);  // a second copy of the root
    CString log;
    doc.BuildChain(&log);
    // The copy found by the climb is the top; the first copy has no place.
    EXPECT_EQ(log, Check(11003) + Check(11003) + "TOP - CN=Root --0\r\n" + Clean(11003));
    EXPECT_EQ(BagCount(doc), 1u);
}

TEST(ChainBuilding, RootPresentTwiceBelowAChainKeepsBothCopies) {
    CVortlaneDoc doc;
    AddPiece(doc, USER);
    AddPiece(doc, INTER);
    AddPiece(doc, ROOT);
    AddPiece(doc, ROOT);
    doc.BuildChain(nullptr);
    EXPECT_EQ(
        Contents(doc),
        (std::vector<Placed>{{BAG_CERT, kUser, 2}, {BAG_CERT, kInter, 1}, {BAG_CERT, kRoot, 0}, {BAG_CERT, kRoot, 0}}));
}

std::string Level(int i) { return "CN=Level " + std::to_string(i); }

// Certificates Level 0 (self-signed) .. Level n-1, each signed by the one before, in the order given.
void AddDeepChain(CVortlaneDoc& doc, int n, bool leafFirst) {
    for (int k = 0; k < n; ++k) {
        const int i = leafFirst ? n - 1 - k : k;
        AddCert(doc, Level(i), Level(i == 0 ? 0 : i - 1));
    }
}

TEST(ChainBuilding, TenDeepChainEndsAtDepthSevenWithTheTopStillOnTop) {
    for (bool leafFirst : {true, false}) {
        CVortlaneDoc doc;
        AddDeepChain(doc, 10, leafFirst);
        P12_add_crl(doc.m_pBags.get(), MakeCrl(Level(7)), nullptr, MARK_NONE);
        P12_add_crl(doc.m_pBags.get(), MakeCrl(Level(6)), nullptr, MARK_NONE);
        CString log;
        doc.BuildChain(&log);
        for (int i = 0; i <= 7; ++i) EXPECT_EQ(MarkOf(doc, Level(i)), i) << i << " leafFirst=" << leafFirst;
        EXPECT_EQ(MarkOf(doc, Level(8)), -1);
        EXPECT_EQ(MarkOf(doc, Level(9)), -1);
        EXPECT_EQ(doc.m_nDepth, 7);
        EXPECT_EQ(P12_find_bag(doc.m_pBags.get(), BAG_CERT, 0)->cert()->subject, Level(0));
        // The CRL of the depth-7 certificate would cover depth 8: it has no place.
        EXPECT_EQ(BagCount(doc), 9u);
        EXPECT_NE(log.find("UCERT - CN=Level 7 --7\r\nCRL -- 7\r\n"), std::string::npos) << log;
        EXPECT_EQ(log.substr(log.size() - 3 * Clean(11003).size()), Clean(11003) + Clean(11003) + Clean(11004));
    }
}

TEST(ChainBuilding, CrossCertifiedPairStopsAtDepthSeven) {
    CVortlaneDoc doc;
    AddCert(doc, "CN=A", "CN=B");
    AddCert(doc, "CN=B", "CN=A");
    CString log;
    doc.BuildChain(&log);
    std::string expected = Check(11003) + Check(11003) + "TOP - CN=B --0\r\n";
    for (int d = 1; d <= 7; ++d)
        expected += std::string("UCERT - CN=") + (d % 2 ? "A" : "B") + " --" + std::to_string(d) + "\r\n";
    EXPECT_EQ(log, expected);
    EXPECT_EQ(doc.m_nDepth, 7);
    for (const Placed& p : Contents(doc)) EXPECT_LE(p.mark, 7);
}

TEST(ChainBuilding, LongSubjectsAreLoggedWhole) {
    const std::string longName = "CN=" + std::string(5000, 'x');
    CVortlaneDoc doc;
    AddCert(doc, longName, longName);
    AddCert(doc, "CN=Leaf " + longName, longName);
    CString log;
    doc.BuildChain(&log);
    EXPECT_EQ(log, Check(11003) + Check(11003) + "TOP - " + longName + " --0\r\n" + "UCERT - CN=Leaf " + longName +
                       " --1\r\n");
}

TEST(ChainBuilding, UnknownBagKindsAreCleaned) {
    CVortlaneDoc doc;
    AddPiece(doc, ROOT);
    auto other = std::make_unique<P12Bag>();
    other->type = BAG_OTHER;
    other->content = OtherBag{"1.2.840.113549.1.12.10.1.5"};
    doc.m_pBags->first->next = std::move(other);
    CString log;
    doc.BuildChain(&log);
    EXPECT_EQ(log, Check(11003) + Check(11005) + "TOP - CN=Root --0\r\n" + Clean(11005));
}

TEST(ChainBuilding, EmptyContainerLeavesTheLogAlone) {
    CVortlaneDoc doc;
    CString log = "earlier text\r\n";
    doc.BuildChain(&log);
    EXPECT_EQ(log, "earlier text\r\n");
}

TEST(ChainBuilding, EarlierMarksPlayNoPart) {
    CVortlaneDoc doc;
    AddPiece(doc, ROOT);
    AddPiece(doc, INTER);
    for (P12Bag* bag = doc.m_pBags->first.get(); bag; bag = bag->next.get()) bag->mark = 3;
    doc.BuildChain(nullptr);
    EXPECT_EQ(MarkOf(doc, kRoot), 0);
    EXPECT_EQ(MarkOf(doc, kInter), 1);
}

}  // namespace
