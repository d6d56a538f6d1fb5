// The cheap look at a file's first DER headers must never turn away a file that OpenSSL's parser
// would accept: checked on every DER kind, as DER and with its outer SEQUENCE in BER indefinite form.
#include <gtest/gtest.h>

#include "crypto/kx.h"
#include "crypto/openssl_includes.h"
#include "tests/crypto/p7_layer_calls.h"
#include "tests/support/fixtures.h"

namespace {

using namespace qfix;

// The same structure with its outer SEQUENCE re-encoded with indefinite length.
Bytes indefinite_outer(const Bytes& der) {
    const unsigned char* p = der.data();
    long len = 0;
    int tag = 0, cls = 0;
    ASN1_get_object(&p, &len, &tag, &cls, static_cast<long>(der.size()));
    Bytes out = {0x30, 0x80};
    out.insert(out.end(), p, p + len);
    out.insert(out.end(), {0x00, 0x00});
    return out;
}

template <class T, T* (*D2i)(T**, const unsigned char**, long), void (*Free)(T*)>
bool openssl_parses(const Bytes& b) {
    const unsigned char* p = b.data();
    T* obj = D2i(nullptr, &p, static_cast<long>(b.size()));
    Free(obj);
    return obj != nullptr;
}

struct Kind {
    const char* label;
    Bytes der;
    std::function<bool(const Bytes&)> openssl;
    std::function<bool(KxInput&)> ours;
};

TEST(DerSniff, NeverRefusesWhatOpenSslParses) {
    TempDir dir;
    Pkey rsa = rsa_key(0), dsa = dsa_key();
    CertPtr cert = make_self_signed(cn("sniff"), rsa);
    auto file_bytes = [&](auto writer) {
        writer(dir.file("tmp"));
        return read_bytes(dir.file("tmp"));
    };
    P12Options o;
    o.pass = "pw";
    const Kind kinds[] = {
        {"cert", der_of(cert.get()), openssl_parses<X509, d2i_X509, X509_free>,
         [](KxInput& in) { return ASN1_read_cert(*ASN1_read_der(in)) != nullptr; }},
        {"crl", der_of(make_crl(cn("sniff"), rsa, {1}).get()), openssl_parses<X509_CRL, d2i_X509_CRL, X509_CRL_free>,
         [](KxInput& in) { return ASN1_read_crl(*ASN1_read_der(in)) != nullptr; }},
        {"req", der_of(make_req(cn("sniff"), rsa).get()), openssl_parses<X509_REQ, d2i_X509_REQ, X509_REQ_free>,
         [](KxInput& in) { return ASN1_read_req(*ASN1_read_der(in)) != nullptr; }},
        {"p8", file_bytes([&](auto f) { write_p8(f, rsa.get(), Form::Der); }),
         openssl_parses<PKCS8_PRIV_KEY_INFO, d2i_PKCS8_PRIV_KEY_INFO, PKCS8_PRIV_KEY_INFO_free>,
         [](KxInput& in) { return P8_read_file(in) != nullptr; }},
        {"p8enc", file_bytes([&](auto f) { write_p8_encrypted(f, rsa.get(), "pw", Form::Der, -1, "AES-128-CBC"); }),
         openssl_parses<X509_SIG, d2i_X509_SIG, X509_SIG_free>,
         [](KxInput& in) { return P8enc_read_file(in) != nullptr; }},
        {"p7", file_bytes([&](auto f) { write_p7(f, {cert}, {}, Form::Der); }),
         openssl_parses<PKCS7, d2i_PKCS7, PKCS7_free>,
         [](KxInput& in) { return LayerP7Read(in.path().c_str()).has_value(); }},
        {"p12", make_p12(rsa.get(), cert.get(), {}, o), openssl_parses<PKCS12, d2i_PKCS12, PKCS12_free>,
         [](KxInput& in) { return P12_read_file(in) != nullptr; }},
        {"dsa", file_bytes([&](auto f) { write_dsa_der(f, dsa.get()); }),
         [](const Bytes& b) {
             const unsigned char* p = b.data();
             EVP_PKEY* k = d2i_PrivateKey(EVP_PKEY_DSA, nullptr, &p, static_cast<long>(b.size()));
             EVP_PKEY_free(k);
             return k != nullptr;
         },
         [](KxInput& in) { return ASN1_read_dsaprv(*ASN1_read_der(in)) != nullptr; }},
    };
    for (const auto& kind : kinds) {
        for (bool ber : {false, true}) {
            SCOPED_TRACE(std::string(kind.label) + (ber ? " (indefinite length)" : ""));
            Bytes bytes = ber ? indefinite_outer(kind.der) : kind.der;
            write_bytes(dir.file("in"), bytes);
            ScriptedPassProvider provider({std::string("pw")});
            bool theirs = kind.openssl(bytes);
            if (!ber) {
                EXPECT_TRUE(theirs);
            }
            {
                KxInput in = input_of(dir.file("in"));
                EXPECT_EQ(kind.ours(in), theirs);
            }
            ScriptedPassProvider again({std::string("pw")});
            KxInput in = input_of(dir.file("in"));
            EXPECT_EQ(kind.ours(in), theirs);
        }
    }
}

// CRLs, certificates and bundles are checked without OpenSSL's decoded form of every entry and key.
// Every byte of a small CRL, certificate and bundle, damaged in turn, must still be read or refused
// exactly as OpenSSL's whole decoding reads or refuses it, into the same records.
TEST(DerSniff, ADamagedByteAnywhereIsRefusedExactlyAsOpenSslRefusesIt) {
    const Chain chain = make_chain(2, "Damage", true);  // an EC root, an RSA leaf
    const Bytes crl = der_of(make_crl(chain.names[0], chain.keys[0], {1, 2, 3, 4, 5, 6}).get());
    TempDir dir;
    write_p7(dir.file("p7.der"), chain.certs, {make_crl(chain.names[0], chain.keys[0], {7, 8})}, Form::Der);
    const Bytes p7 = read_bytes(dir.file("p7.der"));
    const std::string path = dir.file("damaged.p7b").string();

    int refused = 0;
    for (unsigned char flip : {0x01, 0x20, 0x80}) {
        for (std::size_t at = 0; at < crl.size(); ++at) {
            Bytes damaged = crl;
            damaged[at] ^= flip;
            const unsigned char* p = damaged.data();
            std::shared_ptr<X509_CRL> full(d2i_X509_CRL(nullptr, &p, static_cast<long>(damaged.size())), X509_CRL_free);
            const std::unique_ptr<CRL> read = ASN1_read_crl(damaged);
            ASSERT_EQ(read != nullptr, full != nullptr) << "CRL byte " << at << " ^ " << int(flip);
            if (read) {
                EXPECT_EQ(read->der.size(), static_cast<std::size_t>(p - damaged.data()));
            }
            refused += !read;
        }
        const Bytes cert = der_of(chain.certs[1].get());
        for (std::size_t at = 0; at < cert.size(); ++at) {
            Bytes damaged = cert;
            damaged[at] ^= flip;
            const unsigned char* p = damaged.data();
            std::shared_ptr<X509> full(d2i_X509(nullptr, &p, static_cast<long>(damaged.size())), X509_free);
            const std::unique_ptr<Cert> read = ASN1_read_cert(damaged);
            ASSERT_EQ(read != nullptr, full != nullptr) << "certificate byte " << at << " ^ " << int(flip);
            if (read) {
                EXPECT_EQ(read->der, Bytes(damaged.cbegin(), damaged.cbegin() + (p - damaged.data()))) << at;
            }
            refused += !read;
        }
        for (std::size_t at = 0; at < p7.size(); ++at) {
            Bytes damaged = p7;
            damaged[at] ^= flip;
            write_bytes(path, damaged);
            const unsigned char* p = damaged.data();
            std::shared_ptr<PKCS7> full(d2i_PKCS7(nullptr, &p, static_cast<long>(damaged.size())), PKCS7_free);
            const bool signed_data = full && full->d.ptr && PKCS7_type_is_signed(full.get());
            const std::optional<LayerP7> read = LayerP7Read(path.c_str());
            const int certs = signed_data ? sk_X509_num(full->d.sign->cert) : 0;
            const int crls = signed_data ? sk_X509_CRL_num(full->d.sign->crl) : 0;
            ASSERT_EQ(read.has_value(), certs + crls > 0) << "PKCS#7 byte " << at << " ^ " << int(flip);
            refused += !read.has_value();
            if (!read) continue;
            ASSERT_EQ(read->certs.size(), static_cast<std::size_t>(certs));
            for (int i = 0; i < certs; ++i)
                EXPECT_EQ(read->certs[i], der_of(sk_X509_value(full->d.sign->cert, i))) << at;
            EXPECT_EQ(read->crls, static_cast<std::size_t>(crls));
        }
    }
    EXPECT_GT(refused, 1000);  // the table damages structure, not only contents
}

}  // namespace
