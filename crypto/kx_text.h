// Text forms of records for outputs assembled in memory (a server's set of files): PEM of a
// certificate and of a clear PKCS#8 key, base64, and a certificate's common name.
#pragma once

#include "crypto/kx.h"

#include <optional>
#include <string>
#include <vector>

// "-----BEGIN CERTIFICATE-----" ... of exactly these DER bytes; none when they are no certificate.
std::optional<std::string> CERT_pem_text(const std::vector<unsigned char>& der);
// The key as unencrypted PKCS#8 PEM ("PRIVATE KEY"); none when it cannot be encoded.
std::optional<SecretString> KEY_p8_pem_text(const Key& key);
// Base64 without line breaks. The result wipes itself: it may encode a key.
SecretString KX_base64(const std::string& bytes);
// UTF-8 as UTF-16, as a PKCS#12 friendly name holds it.
std::u16string KX_utf16_of(const std::string& utf8);
// The last common name of the certificate's subject, as UTF-8; empty when it has none.
std::string CERT_common_name(const std::vector<unsigned char>& der);
