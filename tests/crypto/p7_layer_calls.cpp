#include "tests/crypto/p7_layer_calls.h"

#include "crypto/kx_pkcs7.h"

std::optional<LayerP7> LayerP7Read(const char* path) {
    KxInput in(path);
    const std::unique_ptr<PKCS7> p7 = P7s_read_file(in);
    if (!p7) return std::nullopt;
    LayerP7 read;
    for (const std::unique_ptr<Cert>& cert : p7->certs) read.certs.push_back(cert->der);
    read.crls = p7->crls.size();
    return read;
}
