// The example used across the document's file tests: root, intermediate and user certificates, a CRL
// of the intermediate, the user's RSA key and an unrelated self-signed certificate, as files.
#pragma once

#include "tests/support/fixtures.h"

#include "doc/VortlaneDoc.h"
#include "doc/input_route.h"

#include <filesystem>
#include <string>

namespace doc_test {

struct ExampleFiles {
    qfix::Chain chain = qfix::make_chain(3, "Level", /*rsa_leaf=*/true);  // root 0, intermediate 1, user 2
    qfix::CrlPtr crl = qfix::make_crl(chain.names[1], chain.keys[1], {7, 9});
    qfix::Pkey otherKey = qfix::ec_key();
    qfix::CertPtr other = qfix::make_self_signed(qfix::cn("Unrelated"), otherKey);

    std::filesystem::path root, inter, user, crlFile, userKey, otherFile;

    explicit ExampleFiles(const qfix::TempDir& dir) {
        root = dir.file("root.pem");
        inter = dir.file("inter.pem");
        user = dir.file("user.pem");
        crlFile = dir.file("inter.crl");
        userKey = dir.file("user.key");
        otherFile = dir.file("other.cer");
        qfix::write_cert(root, chain.certs[0].get(), qfix::Form::Pem);
        qfix::write_cert(inter, chain.certs[1].get(), qfix::Form::Der);
        qfix::write_cert(user, chain.certs[2].get(), qfix::Form::Pem);
        qfix::write_crl(crlFile, crl.get(), qfix::Form::Der);
        qfix::write_traditional_key(userKey, chain.keys[2].get());
        qfix::write_cert(otherFile, other.get(), qfix::Form::Der);
    }
};

inline const std::string kRootDn = "O=Quillon Tests, CN=Level 0";
inline const std::string kInterDn = "O=Quillon Tests, CN=Level 1";
inline const std::string kUserDn = "O=Quillon Tests, CN=Level 2";

// Takes one file through the input route: on success the chain is rebuilt and the log replaced.
inline bool Arrive(CVortlaneDoc& doc, const std::filesystem::path& path, CString* log) {
    return OpenInput(doc, path.string(), log).accepted;
}

}  // namespace doc_test
