// --explain: each object's fate and the chain's checks, read from the JSON document, over small
// arrangements; the human report names every input.
#include "tests/cli/cli_process.h"

#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>

namespace fs = std::filesystem;

namespace {

// The inputs of one row, written into a fresh directory in the order they are added.
struct Inputs {
    qfix::TempDir dir;
    std::vector<std::string> paths;

    void cert(const qfix::CertPtr& cert) {
        add(".pem", [&](const fs::path& p) { qfix::write_cert(p, cert.get(), qfix::Form::Pem); });
    }
    void key(const qfix::Pkey& key) {
        add(".key", [&](const fs::path& p) { qfix::write_p8(p, key.get(), qfix::Form::Pem); });
    }
    void crl(const qfix::Name& issuer, const qfix::Pkey& key) {
        add(".crl", [&](const fs::path& p) { qfix::write_crl(p, qfix::make_crl(issuer, key).get(), qfix::Form::Der); });
    }
    void req(const qfix::Name& subject, const qfix::Pkey& key) {
        add(".req",
            [&](const fs::path& p) { qfix::write_req(p, qfix::make_req(subject, key).get(), qfix::Form::Pem); });
    }
    void chain(const qfix::Chain& chain) {
        for (const qfix::CertPtr& c : chain.certs) cert(c);
    }

private:
    void add(const char* extension, const std::function<void(const fs::path&)>& write) {
        const fs::path path = dir.file("in" + std::to_string(paths.size()) + extension);
        write(path);
        paths.push_back(path.string());
    }
};

struct ExplainRow {
    const char* name;
    std::function<void(Inputs&)> make;
    std::vector<std::string> fates;     // per input: the depth placed at, or the reason code
    std::vector<std::string> warnings;  // "code@depth", in report order
    bool complete = true;
    bool oneByOne = false;
};

void PrintTo(const ExplainRow& row, std::ostream* os) { *os << row.name; }

// Every match of `pattern` in the JSON document, as `format` spells it.
std::vector<std::string> Matches(const std::string& json, const char* pattern,
                                 const std::function<std::string(const std::smatch&)>& format) {
    std::vector<std::string> found;
    const std::regex re(pattern);
    for (std::sregex_iterator it(json.begin(), json.end(), re), end; it != end; ++it) found.push_back(format(*it));
    return found;
}

qfix::CertOptions Ca(bool ca = true, int days = 365) { return {1, ca, days}; }

const std::vector<ExplainRow> kRows = {
    {"Siblings",
     [](Inputs& in) {
         qfix::Chain c = qfix::make_chain(3, "Sib");
         in.chain(c);
         in.cert(qfix::make_cert(qfix::cn("Sib leaf B"), qfix::ec_key(), c.names[1], c.keys[1]));
         in.req(qfix::cn("Sib request"), qfix::ec_key());
     },
     {"0", "1", "2", "sibling", "request-not-top"},
     {}},
    {"MissingAndDroppedIssuers",
     [](Inputs& in) {
         qfix::Chain c = qfix::make_chain(3, "Main");
         qfix::Chain other = qfix::make_chain(2, "Other");
         in.chain(c);
         in.cert(qfix::make_cert(qfix::cn("Stray"), qfix::ec_key(), qfix::cn("Nobody"), qfix::ec_key()));
         in.chain(other);
         in.key(other.keys[1]);
     },
     {"0", "1", "2", "issuer-absent", "self-signed-not-top", "issuer-dropped", "certificate-dropped"},
     {}},
    {"TenDeepWithCrls",
     [](Inputs& in) {
         qfix::Chain c = qfix::make_chain(10, "Deep");
         in.chain(c);
         in.crl(c.names[7], c.keys[7]);
         in.crl(c.names[1], c.keys[1]);
         in.crl(qfix::cn("Nobody"), qfix::ec_key());
     },
     {"0", "1", "2", "3", "4", "5", "6", "7", "too-deep", "too-deep", "too-deep", "2", "issuer-not-on-chain"},
     {}},
    {"KeysOfTheChain",
     [](Inputs& in) {
         qfix::Chain c = qfix::make_chain(3, "Keyed");
         in.chain(c);
         in.key(c.keys[1]);
         in.key(c.keys[2]);
         in.key(c.keys[2]);
         in.key(qfix::ec_key());
     },
     {"0", "1", "2", "matches-other-depth", "2", "another-key-placed", "no-matching-certificate"},
     {}},
    {"SameNamedCaWithAnotherKey",
     [](Inputs& in) {
         qfix::Chain c = qfix::make_chain(3, "Twin");
         in.cert(c.certs[0]);
         in.cert(qfix::make_cert(c.names[1], qfix::ec_key(), c.names[0], c.keys[0], Ca()));
         in.cert(c.certs[1]);
         in.cert(c.certs[2]);
     },
     {"0", "1", "sibling", "2"},
     {"signature-invalid@2"}},
    {"ExpiredLeafUnderAnIssuerThatIsNoCa",
     [](Inputs& in) {
         qfix::Pkey rootKey = qfix::ec_key(), midKey = qfix::ec_key();
         in.cert(qfix::make_self_signed(qfix::cn("Lax root"), rootKey));
         in.cert(qfix::make_cert(qfix::cn("Lax mid"), midKey, qfix::cn("Lax root"), rootKey, Ca(false)));
         in.cert(qfix::make_cert(qfix::cn("Lax leaf"), qfix::ec_key(), qfix::cn("Lax mid"), midKey, Ca(false, -1)));
     },
     {"0", "1", "2"},
     {"expired@2", "issuer-not-ca@2"}},
    {"NoSelfSignedTop",
     [](Inputs& in) {
         qfix::Chain c = qfix::make_chain(3, "Headless");
         in.cert(c.certs[1]);
         in.cert(c.certs[2]);
     },
     {"0", "1"},
     {},
     false},
    {"OneByOneCleansEarly",
     [](Inputs& in) {
         qfix::Chain c = qfix::make_chain(3, "Early");
         in.key(c.keys[2]);
         in.chain(c);
         in.cert(qfix::make_cert(qfix::cn("Early stray"), qfix::ec_key(), qfix::cn("Nobody"), qfix::ec_key()));
     },
     {"cleaned-early", "0", "1", "2", "issuer-absent"},
     {},
     true,
     true},
};

class CliExplainTest : public ::testing::TestWithParam<ExplainRow> {};

TEST_P(CliExplainTest, GivesEachObjectsFateAndTheChecks) {
    const ExplainRow& row = GetParam();
    Inputs in;
    row.make(in);
    std::vector<std::string> args = {"-n", "--explain=json"};
    if (row.oneByOne) args.push_back("--one-by-one");
    args.insert(args.end(), in.paths.begin(), in.paths.end());
    CliResult r = RunCli(args);
    ASSERT_EQ(r.status, 0) << r.err;

    const std::size_t json = r.out.find("{\"objects\"");
    ASSERT_NE(json, std::string::npos) << r.out;
    const std::string doc = r.out.substr(json);
    // An object's fate: the depth it was placed at, or why it was dropped. A warning: code@depth.
    const auto fates = Matches(doc, R"re("depth": (\d+), "reason": null|"reason": "([a-z-]+)")re",
                               [](const std::smatch& m) { return m[1].str() + m[2].str(); });
    EXPECT_EQ(fates, row.fates) << doc;
    EXPECT_EQ(Matches(doc, R"re("depth": (\d+), "code": "([a-z-]+)")re",
                      [](const std::smatch& m) { return m[2].str() + "@" + m[1].str(); }),
              row.warnings)
        << doc;
    EXPECT_NE(doc.find(std::string("\"complete\": ") + (row.complete ? "true" : "false")), std::string::npos) << doc;

    // Each object the last arrangement dropped is one "--Clean" line of its log.
    std::size_t cleaned = 0;
    for (std::size_t at = r.out.find("--Clean"); at < json; at = r.out.find("--Clean", at + 1)) ++cleaned;
    EXPECT_EQ(cleaned, static_cast<std::size_t>(std::count_if(fates.begin(), fates.end(), [](const std::string& f) {
                  return !std::isdigit(static_cast<unsigned char>(f[0])) && f != "cleaned-early";
              })));
}

INSTANTIATE_TEST_SUITE_P(Arrangements, CliExplainTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<ExplainRow>& info) { return std::string(info.param.name); });

TEST(CliExplain, HumanReportNamesEveryInputAndQuietLeavesOnlyTheJson) {
    Inputs in;
    qfix::Chain c = qfix::make_chain(3, "Human");
    in.chain(c);
    in.key(c.keys[2]);
    std::vector<std::string> args = {"-n", "--explain"};
    args.insert(args.end(), in.paths.begin(), in.paths.end());
    CliResult r = RunCli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& path : in.paths) EXPECT_NE(r.out.find("  " + path + ": "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Chain: depth 2, complete"), std::string::npos) << r.out;

    args = {"-n", "-q", "--explain=json"};
    args.insert(args.end(), in.paths.begin(), in.paths.end());
    r = RunCli(args);
    EXPECT_EQ(r.out.rfind("{\"objects\": [", 0), 0u) << r.out;
}

}  // namespace
