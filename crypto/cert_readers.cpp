// Readers of certificates, CRLs and certificate requests, in PEM (by path) and DER (from bytes).
#include "crypto/block_readers_internal.h"
#include "crypto/errors_internal.h"
#include "crypto/kx_internal.h"

namespace {

// Each parse goes from the bytes to the record; the DER kept is exactly the bytes the object used.
std::unique_ptr<Cert> parse_cert(const unsigned char* data, std::size_t len) {
    const unsigned char* p = data;
    kx::X509Ptr x(d2i_X509(nullptr, &p, static_cast<long>(len)));
    return x ? kx::make_cert(x.get(), data, static_cast<std::size_t>(p - data)) : nullptr;
}

std::unique_ptr<Cert> parse_req(const unsigned char* data, std::size_t len) {
    const unsigned char* p = data;
    kx::X509ReqPtr r(d2i_X509_REQ(nullptr, &p, static_cast<long>(len)));
    return r ? kx::make_req(r.get(), data, static_cast<std::size_t>(p - data)) : nullptr;
}

std::unique_ptr<CRL> parse_crl(const unsigned char* data, std::size_t len) {
    const unsigned char* p = data;
    kx::X509CrlPtr c(d2i_X509_CRL(nullptr, &p, static_cast<long>(len)));
    if (!c) return nullptr;
    // A CRL can be huge: its parsed form is released before the copy of its DER is made.
    auto crl = std::make_unique<CRL>();
    crl->issuer = kx::dn_text(X509_CRL_get_issuer(c.get()));
    crl->issuer_match = kx::name_match_of(X509_CRL_get_issuer(c.get()));
    c.reset();
    crl->der.assign(data, p);
    return crl;
}

template <class Record, class Parse>
std::unique_ptr<Record> parsed(const unsigned char* data, std::size_t len, Parse parse) {
    ERR_set_mark();
    std::unique_ptr<Record> rec = parse(data, len);
    ERR_pop_to_mark();
    if (rec)
        kx::read_succeeded();
    else
        kx::fail_read(KxReadFailure::NotRecognised);
    return rec;
}

template <class Record, class Parse>
std::unique_ptr<Record> read_pem(const char* path, std::initializer_list<const char*> labels, Parse parse) {
    auto in = kx::open_input(path);
    if (!in) return nullptr;
    kx::PemBlock block;
    if (kx::find_pem_block(*in, labels, block)) return parsed<Record>(block.data.data(), block.data.size(), parse);
    kx::fail_read(KxReadFailure::NotRecognised);
    return nullptr;
}

template <class Record, class Parse>
std::unique_ptr<Record> read_der(const std::vector<unsigned char>& der, unsigned shape, Parse parse) {
    std::unique_ptr<Record> rec;
    if (kx::sniff_der(der.data(), der.size()) & shape) {
        ERR_set_mark();
        rec = parse(der.data(), der.size());
        ERR_pop_to_mark();
    }
    if (rec)
        kx::read_succeeded();
    else
        kx::fail_read(KxReadFailure::NotRecognised);
    return rec;
}

}  // namespace

namespace kx {
std::unique_ptr<Cert> cert_from_der(const unsigned char* data, std::size_t len) {
    return parsed<Cert>(data, len, parse_cert);
}
std::unique_ptr<Cert> req_from_der(const unsigned char* data, std::size_t len) {
    return parsed<Cert>(data, len, parse_req);
}
std::unique_ptr<CRL> crl_from_der(const unsigned char* data, std::size_t len) {
    return parsed<CRL>(data, len, parse_crl);
}
}  // namespace kx

// A trusted certificate block holds the certificate followed by trust settings: only the certificate
// part is taken (the parse stops where it ends).
std::unique_ptr<Cert> PEM_read_cert(const char* path) {
    return read_pem<Cert>(path, {PEM_STRING_X509, PEM_STRING_X509_OLD, PEM_STRING_X509_TRUSTED}, parse_cert);
}
std::unique_ptr<CRL> PEM_read_crl(const char* path) { return read_pem<CRL>(path, {PEM_STRING_X509_CRL}, parse_crl); }
std::unique_ptr<Cert> PEM_read_req(const char* path) {
    return read_pem<Cert>(path, {PEM_STRING_X509_REQ, PEM_STRING_X509_REQ_OLD}, parse_req);
}

std::unique_ptr<Cert> ASN1_read_cert(const std::vector<unsigned char>& der) {
    return read_der<Cert>(der, kx::kDerCert, parse_cert);
}
std::unique_ptr<CRL> ASN1_read_crl(const std::vector<unsigned char>& der) {
    return read_der<CRL>(der, kx::kDerCrl, parse_crl);
}
std::unique_ptr<Cert> ASN1_read_req(const std::vector<unsigned char>& der) {
    return read_der<Cert>(der, kx::kDerReq, parse_req);
}
