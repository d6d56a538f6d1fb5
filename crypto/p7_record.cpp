// The layer's PKCS#7 record: made from what the readers found, and moved into the bag container.
#include "crypto/kx_pkcs7.h"
#include "crypto/p7_records_internal.h"

namespace {

std::unique_ptr<PKCS7> as_record(std::unique_ptr<kx::P7Records> found) {
    if (!found) return nullptr;
    auto record = std::make_unique<PKCS7>();
    record->certs = std::move(found->certs);
    record->crls = std::move(found->crls);
    return record;
}

void append_bags(P12* container, std::vector<std::unique_ptr<Cert>>& certs, std::vector<std::unique_ptr<CRL>>& crls) {
    std::unique_ptr<P12Bag>* link = &container->first;
    auto push = [&](int type, BagContent content) {
        auto bag = std::make_unique<P12Bag>();
        bag->type = type;
        bag->content = std::move(content);
        link = &P12_append_bags(*link, std::move(bag));
    };
    for (auto& cert : certs)
        if (cert) push(BAG_CERT, std::move(cert));
    for (auto& crl : crls)
        if (crl) push(BAG_CRL, std::move(crl));
    certs.clear();
    crls.clear();
}

}  // namespace

std::unique_ptr<PKCS7> PEM_read_p7(KxInput& in) { return as_record(kx::read_p7_pem(in)); }
std::unique_ptr<PKCS7> P7s_read_file(KxInput& in) { return as_record(kx::read_p7_der(in)); }

int P12_mov_p12bags(P12* container, PKCS7* source) {
    if (!container || !source) return 0;
    append_bags(container, source->certs, source->crls);
    return 1;
}

void kx::append_records(P12* container, P7Records& records) { append_bags(container, records.certs, records.crls); }

void P7_free(std::unique_ptr<PKCS7> p7) { p7.reset(); }
