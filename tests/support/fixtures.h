// Test fixtures made on the spot with OpenSSL's own API (never through Quillon's crypto layer): keys,
// certificates, requests, CRLs, every input file kind, a temporary directory and a scripted pass-phrase
// provider. Shared by the test suites, the hostile-input tables, the fuzz seeds and the benchmarks.
#pragma once

// Only OpenSSL's type names and object ids: a test that calls OpenSSL includes crypto/openssl_includes.h
// itself (and may then not include crypto/kx_pkcs7.h, whose record shares the name PKCS7).
#include <openssl/obj_mac.h>
#include <openssl/types.h>
// The one type these declarations use that only OpenSSL's x509.h names (which brings PKCS7 along).
typedef struct X509_req_st X509_REQ;

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "crypto/kx.h"

namespace qfix {

using Bytes = std::vector<unsigned char>;

// Shared owners of OpenSSL objects (copying shares the object).
using Pkey = std::shared_ptr<EVP_PKEY>;
using CertPtr = std::shared_ptr<X509>;
using CrlPtr = std::shared_ptr<X509_CRL>;
using ReqPtr = std::shared_ptr<X509_REQ>;

// ---- Keys ---------------------------------------------------------------------------------------
// RSA-2048: one key per slot, generated once per process (generation is slow).
Pkey rsa_key(int slot = 0);
Pkey new_rsa_key(int bits);  // a fresh RSA key of any size (use small sizes where speed matters)
Pkey ec_key();               // a fresh P-256 key
Pkey dsa_key();              // a fresh DSA key over 1024-bit parameters made once per process
Pkey ed25519_key();          // a fresh Ed25519 key

// ---- Names, certificates, requests, CRLs ---------------------------------------------------------
// A name as (short field name, UTF-8 value) pairs in encoding order, e.g. {{"C","JP"},{"CN","日本語"}}.
// A field spelled "CN/printable" is encoded as a PrintableString instead of the default string type.
using Name = std::vector<std::pair<std::string, std::string>>;
Name cn(const std::string& common_name);  // {{"CN", common_name}}

struct CertOptions {
    long serial = 1;
    bool ca = false;
    int days = 365;                 // notAfter, from now
    int from_days = 0;              // notBefore, from now (negative: in the past)
    bool authority_key_id = false;  // the issuer key's identifier, as "keyid" makes it
    std::string ca_issuers;         // a caIssuers URI in an authority information access extension
};
// A certificate for `subject_key` named `subject`, issued by `issuer` and signed with `issuer_key`.
CertPtr make_cert(const Name& subject, const Pkey& subject_key, const Name& issuer, const Pkey& issuer_key,
                  CertOptions options = {});
CertPtr make_self_signed(const Name& subject, const Pkey& key, CertOptions options = {});
ReqPtr make_req(const Name& subject, const Pkey& key);
CrlPtr make_crl(const Name& issuer, const Pkey& issuer_key, const std::vector<long>& revoked_serials = {});

// A chain of `length` certificates, root first (certs[0] self-signed, certs[i] issued by certs[i-1]),
// with EC keys unless `rsa_leaf` asks for rsa_key(0) on the last one. Subjects are "<prefix> <i>".
struct Chain {
    std::vector<Pkey> keys;
    std::vector<CertPtr> certs;
    std::vector<Name> names;
};
Chain make_chain(int length, const std::string& prefix = "Level", bool rsa_leaf = false);

// ---- Encodings -------------------------------------------------------------------------------------
Bytes der_of(X509* cert);
Bytes der_of(X509_CRL* crl);
Bytes der_of(X509_REQ* req);
Bytes pem_of(X509* cert);
Bytes pem_of(X509_CRL* crl);
Bytes pem_of(X509_REQ* req);
Bytes public_der(EVP_PKEY* key);  // SubjectPublicKeyInfo DER, for comparing keys

// The subject line `openssl x509 -noout -subject -nameopt utf8,sep_comma_plus_space,esc_2253,esc_ctrl,
// -esc_msb` prints for this certificate, after "subject=" (runs the openssl command).
std::string openssl_cli_subject(const std::filesystem::path& cert_pem_file);

// ---- Files of every input kind ----------------------------------------------------------------------
enum class Form { Pem, Der };

void write_bytes(const std::filesystem::path& path, const Bytes& bytes);
void write_text(const std::filesystem::path& path, const std::string& text);
Bytes read_bytes(const std::filesystem::path& path);

void write_cert(const std::filesystem::path& path, X509* cert, Form form);
void write_crl(const std::filesystem::path& path, X509_CRL* crl, Form form);
void write_req(const std::filesystem::path& path, X509_REQ* req, Form form);
// A certs-only PKCS#7 (SignedData) holding the certificates and CRLs in the given order.
void write_p7(const std::filesystem::path& path, const std::vector<CertPtr>& certs, const std::vector<CrlPtr>& crls,
              Form form);
// Unencrypted PKCS#8 ("PRIVATE KEY" in PEM).
void write_p8(const std::filesystem::path& path, EVP_PKEY* key, Form form);
// Encrypted PKCS#8 with a PKCS#5 v1 / PKCS#12 PBE (`pbe_nid`, e.g. NID_pbeWithMD5AndDES_CBC) or, when
// `pbe_nid` is -1, PBES2 with `cipher` (e.g. "AES-256-CBC").
void write_p8_encrypted(const std::filesystem::path& path, EVP_PKEY* key, const std::string& pass, Form form,
                        int pbe_nid, const char* cipher = nullptr, int iterations = 2048);
// Traditional PEM key ("RSA/DSA/EC PRIVATE KEY"), encrypted with `cipher` (e.g. "DES-EDE3-CBC")
// when it is given.
void write_traditional_key(const std::filesystem::path& path, EVP_PKEY* key, const char* cipher = nullptr,
                           const std::string& pass = {});
// Traditional DER DSA key (the six-integer SEQUENCE).
void write_dsa_der(const std::filesystem::path& path, EVP_PKEY* dsa);

struct P12Options {
    std::string pass = "secret";
    std::string name;                                       // friendly name of key and certificate (empty: none)
    int key_pbe = NID_pbe_WithSHA1And3_Key_TripleDES_CBC;   // -1 leaves the key bag unencrypted
    int cert_pbe = NID_pbe_WithSHA1And3_Key_TripleDES_CBC;  // -1 leaves the certificates unencrypted
    int iterations = 2048;
    int mac_iterations = 2048;
    bool mac = true;
};
// PKCS#12 of key + cert + extra certificates (any may be null/empty) made with PKCS12_create.
Bytes make_p12(EVP_PKEY* key, X509* cert, const std::vector<CertPtr>& extra, const P12Options& options = {});
void write_p12(const std::filesystem::path& path, EVP_PKEY* key, X509* cert, const std::vector<CertPtr>& extra,
               const P12Options& options = {});

// ---- Crafted files with absurd work factors (made without running any key derivation) ----------------
// Encrypted PKCS#8 asking for `iterations`: with a PKCS#5 v1 / PKCS#12 PBE `pbe_nid`, or PBES2
// (PBKDF2, AES-256-CBC) when pbe_nid is -1.
Bytes p8_encrypted_with_iterations(int pbe_nid, long iterations);
enum class HugeP12Part { Mac, ShroudedKey, EncryptedSafe };
// A PKCS#12 (MAC over the empty pass phrase unless the MAC is the crafted part) whose `part` asks for
// `iterations`.
Bytes p12_with_huge_iterations(HugeP12Part part, long iterations);

// ---- Helpers for tests --------------------------------------------------------------------------------

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// A scripted pass-phrase source: it answers from a queue (nullopt = the user cancels; an empty queue answers
// nullopt) and records every request. The innermost one alive is the source of the inputs made by
// input_of; a document or a write uses it once given source().
class ScriptedPassProvider {
public:
    explicit ScriptedPassProvider(std::deque<std::optional<std::string>> answers = {});
    ~ScriptedPassProvider();
    ScriptedPassProvider(const ScriptedPassProvider&) = delete;
    ScriptedPassProvider& operator=(const ScriptedPassProvider&) = delete;

    void push(std::optional<std::string> answer) { script_->answers.push_back(std::move(answer)); }
    // The same script, for a write's settings or a document's source; it gives none once this is gone.
    PassProvider source() const;
    const std::vector<PassRequest>& requests() const { return script_->requests; }

private:
    struct Script {
        std::deque<std::optional<std::string>> answers;
        std::vector<PassRequest> requests;
    };
    std::shared_ptr<Script> script_;
    ScriptedPassProvider* outer_ = nullptr;  // the one alive before it, for input_of
};

// The input at `path` for a reader, with the innermost ScriptedPassProvider alive as its source (none
// when there is none).
KxInput input_of(const std::filesystem::path& path);
// Calls a reader on a fresh input_of(path).
template <class Reader>
auto read_path(Reader reader, const std::filesystem::path& path) {
    KxInput in = input_of(path);
    return reader(in);
}

// Runs a shell command, returning its standard output and exit status.
struct CommandResult {
    int status = -1;
    std::string out;
};
CommandResult run_command(const std::string& command);

}  // namespace qfix
