#include "tests/crypto/p7_layer_calls.h"

#include "crypto/kx_pkcs7.h"

std::optional<std::vector<std::vector<unsigned char>>> LayerP7CertDers(const char* path) {
    const std::unique_ptr<PKCS7> p7 = P7s_read_file(path);
    if (!p7) return std::nullopt;
    std::vector<std::vector<unsigned char>> ders;
    for (const std::unique_ptr<Cert>& cert : p7->certs) ders.push_back(cert->der);
    return ders;
}
