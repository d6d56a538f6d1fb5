#include "tests/support/sample_set.h"

namespace qfix {

SampleFiles::SampleFiles(const TempDir& dir)
    : chain(make_chain(3, "Level", /*rsa_leaf=*/true)),
      crlList(make_crl(chain.names[1], chain.keys[1], {7, 9})),
      unrelatedKey(ec_key()),
      unrelatedCert(make_self_signed(cn("Unrelated"), unrelatedKey)),
      root(dir.file("root.pem")),
      intermediate(dir.file("intermediate.der")),
      leaf(dir.file("leaf.pem")),
      crl(dir.file("intermediate.crl")),
      key(dir.file("leaf-key.pem")),
      unrelated(dir.file("unrelated.cer")),
      junk(dir.file("notes.txt")) {
    write_cert(root, chain.certs[0].get(), Form::Pem);
    write_cert(intermediate, chain.certs[1].get(), Form::Der);
    write_cert(leaf, chain.certs[2].get(), Form::Pem);
    write_crl(crl, crlList.get(), Form::Der);
    write_traditional_key(key, chain.keys[2].get());
    write_cert(unrelated, unrelatedCert.get(), Form::Der);
    write_text(junk, "not a certificate at all\n");
}

}  // namespace qfix
