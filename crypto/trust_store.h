// A store of certificates that are not inputs but may supply a chain's missing issuers: PEM bundles,
// DER certificates, PKCS#7 files, folders of certificate files, and the defaults OpenSSL names.
// Loading reads each certificate's names only; a certificate is decoded whole once its subject is asked for.
#pragma once

#include "crypto/kx.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A file of the store that gave nothing (or not everything), and why: "not a regular file", "holds no
// certificate", "block 3: damaged certificate" ...
struct KxStoreSkip {
    std::string file;
    std::string reason;
};

struct KxStoreIssuer {
    std::vector<unsigned char> der;
    std::string subject;                      // DN text, as the log prints names
    std::shared_ptr<const std::string> file;  // the store file it came from
};

// The answer to "who issued this certificate": the store's choice, or none together with where the
// certificate says its issuer can be fetched (its caIssuers URL; empty when it names none).
struct KxIssuerLookup {
    std::optional<KxStoreIssuer> issuer;
    std::string ca_issuers_url;
};

class KxTrustStore {
public:
    KxTrustStore();
    ~KxTrustStore();
    KxTrustStore(KxTrustStore&&) noexcept;
    KxTrustStore& operator=(KxTrustStore&&) noexcept;

    // A PEM bundle (certificate and PKCS#7 blocks), a DER certificate or a DER PKCS#7 file.
    void AddFile(const std::string& path);
    // Every certificate file of the folder (not its sub-folders), OpenSSL's hash links included.
    void AddDirectory(const std::string& path);
    // The bundle file and the folders OpenSSL names as its defaults, or those SSL_CERT_FILE and
    // SSL_CERT_DIR name instead. Defaults that do not exist are passed over without a word. The folders
    // are searched as OpenSSL searches them: by hash links ("<subject hash>.N"), when a name is asked.
    void AddSystemDefault();

    // Certificates held (each counted once, however many files or links reach it).
    std::size_t Size() const;
    const std::vector<KxStoreSkip>& Skipped() const;

    // The issuer of the certificate `der`: a certificate of the store whose subject equals its issuer
    // as X.509 compares names, whose subject key identifier equals its authority key identifier where
    // both are present, and whose key verifies its signature. Of several, one valid now comes first,
    // then the latest notAfter; the order of the store's files never decides.
    KxIssuerLookup IssuerOf(const std::vector<unsigned char>& der) const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
