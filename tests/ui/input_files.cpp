#include "input_files.h"
#include "crypto/openssl_includes.h"

#include <stdexcept>

void WriteEncryptedPkcs8(const std::string& path, EVP_PKEY* key, const std::string& pass) {
    BIO* out = BIO_new_file(path.c_str(), "wb");
    const bool written =
        out != nullptr && PEM_write_bio_PKCS8PrivateKey(out, key, EVP_aes_256_cbc(), pass.data(),
                                                        static_cast<int>(pass.size()), nullptr, nullptr) == 1;
    BIO_free(out);
    if (!written) throw std::runtime_error("cannot write " + path);
}

InputFiles::InputFiles() : chain(qfix::make_chain(2, "Window Test")) {
    root = dir.file("root.pem").string();
    leaf = dir.file("leaf.pem").string();
    leafKey = dir.file("leaf-key.pem").string();
    crl = dir.file("root.crl.pem").string();
    request = dir.file("request.pem").string();
    garbage = dir.file("notes.pem").string();
    qfix::write_cert(root, chain.certs[0].get(), qfix::Form::Pem);
    qfix::write_cert(leaf, chain.certs[1].get(), qfix::Form::Pem);
    qfix::write_p8(leafKey, chain.keys[1].get(), qfix::Form::Pem);
    qfix::write_crl(crl, qfix::make_crl(chain.names[0], chain.keys[0]).get(), qfix::Form::Pem);
    qfix::write_req(request, qfix::make_req(qfix::cn("Window Request"), qfix::ec_key()).get(), qfix::Form::Pem);
    qfix::write_text(garbage, "shopping list: milk, bread\n");
}
