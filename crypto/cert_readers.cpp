// Readers of certificates, CRLs and certificate requests, in PEM (by path) and DER (from bytes).
#include "crypto/block_readers_internal.h"
#include "crypto/cert_scan_internal.h"
#include "crypto/crl_scan_internal.h"
#include "crypto/input_internal.h"
#include "crypto/kx_internal.h"

namespace {

// Each parse goes from the bytes to the record; the DER kept is exactly the bytes the object used.
std::unique_ptr<Cert> parse_req(const unsigned char* data, std::size_t len) {
    const unsigned char* p = data;
    kx::X509ReqPtr r(d2i_X509_REQ(nullptr, &p, static_cast<long>(len)));
    return r ? kx::make_req(r.get(), data, static_cast<std::size_t>(p - data)) : nullptr;
}

// A CRL can be huge: it is checked without OpenSSL's decoded form of its entries, and its DER is
// either copied once (from bytes the caller keeps) or taken over (from bytes the caller gives up).
std::unique_ptr<CRL> crl_of(kx::CrlScan& scan) {
    auto crl = std::make_unique<CRL>();
    crl->issuer = std::move(scan.issuer);
    crl->issuer_match = std::move(scan.issuer_match);
    return crl;
}

std::unique_ptr<CRL> parse_crl(const unsigned char* data, std::size_t len) {
    std::optional<kx::CrlScan> scan = kx::scan_crl(data, len);
    if (!scan) return nullptr;
    std::unique_ptr<CRL> crl = crl_of(*scan);
    crl->der.assign(data, data + scan->length);
    return crl;
}

std::unique_ptr<CRL> take_crl(std::vector<unsigned char>& der) {
    std::optional<kx::CrlScan> scan = kx::scan_crl(der.data(), der.size());
    if (!scan) return nullptr;
    std::unique_ptr<CRL> crl = crl_of(*scan);
    der.resize(scan->length);
    crl->der = std::move(der);
    return crl;
}

// The parsers on bytes that stay the caller's.
std::unique_ptr<Cert> cert_from(const std::vector<unsigned char>& der) {
    return kx::parse_cert(der.data(), der.size());
}
std::unique_ptr<Cert> req_from(const std::vector<unsigned char>& der) { return parse_req(der.data(), der.size()); }
std::unique_ptr<CRL> crl_from(const std::vector<unsigned char>& der) { return parse_crl(der.data(), der.size()); }

// Runs `parse` with OpenSSL's errors dropped.
template <class Parse>
auto parsed(Parse parse) {
    ERR_set_mark();
    auto rec = parse();
    ERR_pop_to_mark();
    return rec;
}

// The record for the input, or null with the refusal recorded in it.
template <class Record>
std::unique_ptr<Record> outcome(KxInput& in, std::unique_ptr<Record> rec) {
    if (!rec) return kx::refuse(in);
    in.accept();
    return rec;
}

template <class Record, class Parse>
std::unique_ptr<Record> read_pem(KxInput& in, std::initializer_list<const char*> labels, Parse parse) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return nullptr;
    kx::PemBlock block;
    if (!kx::find_pem_block(*file, labels, block)) return kx::refuse(in);
    return outcome<Record>(in, parsed([&] { return parse(block.data); }));
}

template <class Record, class Der, class Parse>
std::unique_ptr<Record> read_der(Der& der, unsigned shape, Parse parse) {
    if (!(kx::sniff_der(der.data(), der.size()) & shape)) return nullptr;
    return parsed([&] { return parse(der); });
}

}  // namespace

namespace kx {
std::unique_ptr<Cert> cert_from_der(KxInput& in, const unsigned char* data, std::size_t len) {
    return outcome<Cert>(in, parsed([=] { return kx::parse_cert(data, len); }));
}
std::unique_ptr<Cert> req_from_der(KxInput& in, const unsigned char* data, std::size_t len) {
    return outcome<Cert>(in, parsed([=] { return parse_req(data, len); }));
}
std::unique_ptr<CRL> crl_from_der(KxInput& in, const unsigned char* data, std::size_t len) {
    return outcome<CRL>(in, parsed([=] { return parse_crl(data, len); }));
}
}  // namespace kx

// A trusted certificate block holds the certificate followed by trust settings: only the certificate
// part is taken (the parse stops where it ends).
std::unique_ptr<Cert> PEM_read_cert(KxInput& in) {
    return read_pem<Cert>(in, {PEM_STRING_X509, PEM_STRING_X509_OLD, PEM_STRING_X509_TRUSTED}, cert_from);
}
std::unique_ptr<CRL> PEM_read_crl(KxInput& in) { return read_pem<CRL>(in, {PEM_STRING_X509_CRL}, take_crl); }
std::unique_ptr<Cert> PEM_read_req(KxInput& in) {
    return read_pem<Cert>(in, {PEM_STRING_X509_REQ, PEM_STRING_X509_REQ_OLD}, req_from);
}

std::unique_ptr<Cert> ASN1_read_cert(const std::vector<unsigned char>& der) {
    return read_der<Cert>(der, kx::kDerCert, cert_from);
}
std::unique_ptr<CRL> ASN1_read_crl(const std::vector<unsigned char>& der) {
    return read_der<CRL>(der, kx::kDerCrl, crl_from);
}
std::unique_ptr<CRL> ASN1_read_crl(std::vector<unsigned char>&& der) {
    return read_der<CRL>(der, kx::kDerCrl, take_crl);
}
std::unique_ptr<Cert> ASN1_read_req(const std::vector<unsigned char>& der) {
    return read_der<Cert>(der, kx::kDerReq, req_from);
}
