#include "tests/cli/sample_set.h"

SampleSet::SampleSet() : chain(qfix::make_chain(3, "Quillon Test", /*rsa_leaf=*/true)) {
    root = dir.file("root.pem");
    intermediate = dir.file("intermediate.pem");
    leaf = dir.file("leaf.pem");
    crl = dir.file("intermediate.crl");
    key = dir.file("leaf-key.pem");
    unrelated = dir.file("unrelated.pem");
    junk = dir.file("notes.txt");

    qfix::write_cert(root, chain.certs[0].get(), qfix::Form::Pem);
    qfix::write_cert(intermediate, chain.certs[1].get(), qfix::Form::Pem);
    qfix::write_cert(leaf, chain.certs[2].get(), qfix::Form::Pem);
    qfix::CrlPtr list = qfix::make_crl(chain.names[1], chain.keys[1], {7});
    qfix::write_crl(crl, list.get(), qfix::Form::Der);
    qfix::write_p8(key, chain.keys[2].get(), qfix::Form::Pem);
    qfix::Pkey other = qfix::ec_key();
    qfix::write_cert(unrelated, qfix::make_self_signed(qfix::cn("Quillon Test Unrelated"), other).get(),
                     qfix::Form::Pem);
    qfix::write_text(junk, "not a certificate at all\n");
}
