// Chain building compared with a plain, quadratic reading of the same rules on many random containers:
// the indexed top search must give exactly the same log, marks, list order and depth.
#include "chain_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace chain_test;

namespace {

void Line(std::string& log, const std::string& text) { log += text + "\r\n"; }

// The rules spelled out step by step on the linked list itself, scanning wherever they say "scan".
void ReferenceBuildChain(P12* c, int& depth, std::string& log) {
    if (!c->first) return;
    log.clear();
    for (P12Bag* b = c->first.get(); b; b = b->next.get()) {
        b->mark = MARK_NONE;
        Line(log, "++Check One PKCS#12Bag, type=" + std::to_string(b->type));
    }
    depth = 0;
    int counter = 0;
    std::string top;
    bool haveTop = false;
    for (P12Bag* cur = c->first.get(); cur;) {
        if (cur->type != BAG_CERT) {
            cur = cur->next.get();
            continue;
        }
        ++counter;
        const Cert* cc = cur->cert();
        if (!cc->issuer) {
            cur = cur->next.get();
            continue;
        }
        std::unique_ptr<P12Bag>* link = &cur->next;
        while (*link &&
               !((*link)->type == BAG_CERT && (*link)->cert()->issuer && (*link)->cert()->subject == *cc->issuer))
            link = &(*link)->next;
        if (!*link) break;
        std::unique_ptr<P12Bag> found = std::move(*link);
        *link = std::move(found->next);
        found->next = std::move(cur->next);
        found->mark = 0;
        depth = 1;
        top = found->cert()->subject;
        haveTop = true;
        cur->next = std::move(found);
        cur = cur->next.get();
    }
    if (counter && depth == 0) {
        P12Bag* first = P12_find_bag(c, BAG_CERT, MARK_NONE);
        first->mark = 0;
        depth = 1;
        top = first->cert()->subject;
        haveTop = true;
    }
    std::string names[9];
    if (haveTop) {
        Line(log, "TOP - " + top + " --" + std::to_string(depth - 1));
        names[1] = top;
    }
    while (haveTop && depth <= 7) {
        const int d = depth;
        int level = d;
        for (P12Bag* b = c->first.get(); b; b = b->next.get()) {
            if (b->type == BAG_CERT && b->cert()->issuer && *b->cert()->issuer == names[d] && level == d &&
                b->cert()->subject != *b->cert()->issuer) {
                b->mark = static_cast<unsigned char>(d);
                names[d + 1] = b->cert()->subject;
                ++level;
                Line(log, "UCERT - " + names[d + 1] + " --" + std::to_string(d));
            } else if (b->type == BAG_CRL && b->crl()->issuer == names[d]) {
                b->mark = static_cast<unsigned char>(d);
                Line(log, "CRL -- " + std::to_string(d));
            }
        }
        if (level == d) break;
        depth = d + 1;
    }
    for (P12Bag* b = c->first.get(); b; b = b->next.get())
        if (b->type == BAG_CERT && b->mark == 0 && b->cert()->subject != top) b->mark = MARK_NONE;
    if (counter) {
        --depth;
    } else {
        if (P12Bag* crl = P12_find_bag(c, BAG_CRL, MARK_NONE)) crl->mark = 0;
        if (P12Bag* key = P12_find_bag(c, BAG_KEY, MARK_NONE)) key->mark = 0;
    }
    if (P12Bag* cert = P12_find_bag(c, BAG_CERT, static_cast<unsigned char>(depth))) {
        for (P12Bag* b = c->first.get(); b; b = b->next.get()) {
            if (b->type == BAG_KEY && LN_cmp(b->key()->number, cert->cert()->pubkey.number) == 0) {
                b->mark = static_cast<unsigned char>(depth);
                Line(log, "Private Key -- " + std::to_string(depth));
                break;
            }
        }
    }
    for (std::unique_ptr<P12Bag>* link = &c->first; *link;) {
        if ((*link)->mark != MARK_NONE) {
            link = &(*link)->next;
            continue;
        }
        Line(log, "--Clean One PKCS#12Bag, type=" + std::to_string((*link)->type));
        std::unique_ptr<P12Bag> gone = std::move(*link);
        *link = std::move(gone->next);
        P12Bag_free(std::move(gone));
    }
}

// Fills both documents with the same random bags: few names, so that chains, siblings, copies and
// cycles all turn up.
void FillRandom(std::mt19937& rng, CVortlaneDoc& a, CVortlaneDoc& b) {
    const int names = 2 + static_cast<int>(rng() % 8);
    auto name = [&] { return "CN=n" + std::to_string(rng() % names); };
    const int count = static_cast<int>(rng() % 16);
    for (int i = 0; i < count; ++i) {
        const unsigned kind = rng() % 10;
        if (kind < 6) {
            const std::string subject = name(), issuer = rng() % 5 == 0 ? subject : name();
            P12_add_cert(a.m_pBags.get(), MakeCert(subject, issuer), nullptr, MARK_NONE);
            P12_add_cert(b.m_pBags.get(), MakeCert(subject, issuer), nullptr, MARK_NONE);
        } else if (kind < 7) {
            const std::string subject = name();
            P12_add_cert(a.m_pBags.get(), MakeRequest(subject), nullptr, MARK_NONE);
            P12_add_cert(b.m_pBags.get(), MakeRequest(subject), nullptr, MARK_NONE);
        } else if (kind < 9) {
            const std::string issuer = name();
            P12_add_crl(a.m_pBags.get(), MakeCrl(issuer), nullptr, MARK_NONE);
            P12_add_crl(b.m_pBags.get(), MakeCrl(issuer), nullptr, MARK_NONE);
        } else {
            for (CVortlaneDoc* doc : {&a, &b}) {
                auto key = std::make_unique<Key>();
                key->type = KEY_RSA_PRV;
                P12_add_key(doc->m_pBags.get(), std::move(key), nullptr, MARK_NONE);
            }
        }
    }
}

TEST(ChainBuildingAgainstReference, RandomContainersGiveIdenticalResults) {
    std::mt19937 rng(20261207);
    for (int round = 0; round < 3000; ++round) {
        CVortlaneDoc doc, reference;
        FillRandom(rng, doc, reference);
        // A second run after more bags arrive starts from the order the first one left.
        for (int run = 0; run < 2; ++run) {
            if (run == 1) FillRandom(rng, doc, reference);
            CString log = "unchanged", expectedLog = "unchanged";
            int expectedDepth = reference.m_nDepth;
            doc.BuildChain(&log);
            ReferenceBuildChain(reference.m_pBags.get(), expectedDepth, expectedLog);
            ASSERT_EQ(log, expectedLog) << "round " << round << " run " << run;
            ASSERT_EQ(doc.m_nDepth, expectedDepth) << "round " << round;
            ASSERT_EQ(Contents(doc), Contents(reference)) << "round " << round;
            for (const Placed& p : Contents(doc)) ASSERT_LE(p.mark, 7);
        }
    }
}

// The record of an arrangement against what it left: one fate per bag it was given, in that order; the
// placed ones are exactly the bags left, at their marks; each dropped one has a reason and was cleaned
// once; and the log made from the record is the one BuildChain writes.
TEST(ChainBuildingAgainstReference, EveryBagGetsExactlyOneFate) {
    std::mt19937 rng(20261210);
    for (int round = 0; round < 500; ++round) {
        CVortlaneDoc doc, twin;
        FillRandom(rng, doc, twin);
        std::vector<const P12Bag*> given;
        for (const P12Bag* bag = doc.m_pBags->first.get(); bag; bag = bag->next.get()) given.push_back(bag);
        const ChainRecord record = doc.ArrangeChain();
        ASSERT_EQ(record.given.size(), given.size()) << "round " << round;
        std::set<const P12Bag*> placed;
        std::multiset<std::size_t> cleaned(record.cleaned.begin(), record.cleaned.end());
        for (std::size_t i = 0; i < given.size(); ++i) {
            const BagFate& fate = record.given[i];
            ASSERT_EQ(fate.bag, given[i]) << "round " << round;
            ASSERT_EQ(fate.reason.has_value(), !fate.placed()) << "round " << round;
            ASSERT_EQ(cleaned.count(i), fate.placed() ? 0u : 1u) << "round " << round;
            if (fate.placed()) placed.insert(fate.bag);
        }
        std::size_t left = 0;
        for (const P12Bag* bag = doc.m_pBags->first.get(); bag; bag = bag->next.get(), ++left) {
            ASSERT_TRUE(placed.count(bag)) << "round " << round;
            const auto at = std::find(given.begin(), given.end(), bag) - given.begin();
            EXPECT_EQ(record.given[at].depth, bag->mark) << "round " << round;
        }
        EXPECT_EQ(left, placed.size()) << "round " << round;
        EXPECT_EQ(record.depth, doc.m_nDepth);
        CString fromRecord, built;
        WriteChainLog(record, &fromRecord);
        twin.BuildChain(&built);
        EXPECT_EQ(fromRecord, built) << "round " << round;
    }
}

}  // namespace
