// The crypto layer: bag container, records, readers and writers of the public-key file formats.
// Everything the converter needs from OpenSSL goes through here; nothing above this layer sees OpenSSL.
// The PKCS#7 record and its readers are in kx_pkcs7.h: OpenSSL's headers name a structure PKCS7 too,
// and files that include them include this header only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// ---- Bag types, marks, key types -------------------------------------------------------------

constexpr int BAG_KEY = 11002;
constexpr int BAG_CERT = 11003;  // certificates and certificate requests alike
constexpr int BAG_CRL = 11004;
// Safe bags of any other kind read from a PKCS#12 file (secret bags, nested safes ...) keep a type of
// their own so that chain building cleans them away.
constexpr int BAG_OTHER = 11005;

constexpr unsigned char MARK_NONE = 0xFF;

constexpr int KEY_RSA_PRV = 532;
constexpr int KEY_DSA_PRV = 538;
constexpr int KEY_EC_PRV = 540;
constexpr int KEY_OTHER_PRV = 541;  // Ed25519, X25519, ... : readable and writable as PKCS#8/PKCS#12 only

// ---- Cipher identifiers ----------------------------------------------------------------------

constexpr int KX_CIPHER_NONE = 0;
constexpr int KX_PEM_DES = 5007;         // DES-CBC, traditional PEM encryption
constexpr int KX_PEM_3DES = 8027;        // DES-EDE3-CBC, traditional PEM encryption
constexpr int KX_P5_MD5_DES = 9063;      // PKCS#5 pbeWithMD5AndDES-CBC
constexpr int KX_P5_SHA1_RC2_40 = 9064;  // PKCS#12 pbeWithSHA1And40BitRC2-CBC
constexpr int KX_P12_3DES_3KEY = 10013;  // pbeWithSHA1And3-KeyTripleDES-CBC
constexpr int KX_P12_3DES_2KEY = 10014;  // pbeWithSHA1And2-KeyTripleDES-CBC
constexpr int KX_P12_RC2_128 = 10015;    // pbeWithSHA1And128BitRC2-CBC
constexpr int KX_P12_RC2_40 = 10016;     // pbeWithSHA1And40BitRC2-CBC
// AES-256-CBC, one identifier for all three choices: PBES2 with PBKDF2-HMAC-SHA256 for PKCS#8 and
// PKCS#12 (there for the key bag, the certificate safe and a SHA-256 MAC alike), "DEK-Info: AES-256-CBC"
// for traditional PEM. The only choice a default OpenSSL 3 and every common importer read.
constexpr int KX_AES256 = 12256;

// Iteration counts of password-based encryption and of the PKCS#12 MAC, unless a write's settings say
// otherwise. The older schemes keep the count they always had so that their files stay as they were.
constexpr int KX_AES256_ITERATIONS = 600'000;
constexpr int KX_LEGACY_ITERATIONS = 2048;

// ---- Records ---------------------------------------------------------------------------------

struct KxPkey;  // opaque: an OpenSSL key, public or private

// A key's "number": its public key. Two numbers compare equal (LN_cmp == 0) exactly when the public
// keys are equal, so a private key matches the certificate of its public key.
struct KeyNumber {
    std::shared_ptr<KxPkey> pkey;  // null: no number (never equal to anything)
};

struct PubKey {
    KeyNumber number;
};

struct KxName;  // opaque: a parsed X.509 name

// A name as X.509 compares names: case folded, runs of white space collapsed, string types unified
// (RFC 5280 section 7.1, OpenSSL's canonical form). The DN text beside it stays what the log prints.
struct NameMatch {
    std::shared_ptr<const KxName> name;  // null in records made by hand: those compare by DN text
};

struct Cert {
    std::optional<std::string> issuer;  // DN text; none for a certificate request
    std::string subject;                // DN text
    PubKey pubkey;
    std::vector<unsigned char> der;  // the certificate's (or request's) own DER encoding
    NameMatch issuer_match;          // beside `issuer` and `subject`, for comparing them
    NameMatch subject_match;
};

struct CRL {
    std::string issuer;  // DN text
    std::vector<unsigned char> der;
    NameMatch issuer_match;
};

struct Key {
    int type = 0;      // KEY_RSA_PRV, KEY_DSA_PRV, KEY_EC_PRV, KEY_OTHER_PRV
    KeyNumber number;  // shares the private key itself
};

// Content of a safe bag of no kind the converter knows; kept only so that it can be reported and cleaned.
struct OtherBag {
    std::string oid;
};

using BagContent =
    std::variant<std::monostate, std::unique_ptr<Cert>, std::unique_ptr<CRL>, std::unique_ptr<Key>, OtherBag>;

// Where a bag's object was read: the input file (set by whoever reads the file into a container) and,
// in a PEM file of several blocks, the block's number counted from 1 in file order; 0 when the object
// was read from the whole file (a bundle's contents share their file's origin).
struct BagOrigin {
    std::shared_ptr<const std::string> file;
    int block = 0;
};

struct P12Bag {
    int type = 0;
    std::unique_ptr<P12Bag> next;
    std::optional<std::u16string> friendly_name;  // UTF-16, owned by the bag
    unsigned char mark = MARK_NONE;
    BagContent content;
    BagOrigin origin;

    P12Bag() = default;
    P12Bag(const P12Bag&) = delete;
    P12Bag& operator=(const P12Bag&) = delete;
    ~P12Bag();  // releases the rest of a chain of bags iteratively, never by deep recursion

    // The record, when the bag holds one of that kind; null otherwise.
    Cert* cert() const;
    CRL* crl() const;
    Key* key() const;
};

// The bag container: a singly linked list reached through `first`, which callers treat like a bag's
// `next` when they relink or unlink bags.
struct P12 {
    std::unique_ptr<P12Bag> first;

    P12() = default;
    P12(const P12&) = delete;
    P12& operator=(const P12&) = delete;
    ~P12();
};

// ---- Container operations --------------------------------------------------------------------

std::unique_ptr<P12> P12_new();
void P12_free(std::unique_ptr<P12> container);

// Append a bag holding the record (the container owns it now), with the given name and mark.
// Return nonzero on success.
int P12_add_cert(P12* container, std::unique_ptr<Cert> cert, const char16_t* friendly_name, unsigned char mark);
int P12_add_crl(P12* container, std::unique_ptr<CRL> crl, const char16_t* friendly_name, unsigned char mark);
int P12_add_key(P12* container, std::unique_ptr<Key> key, const char16_t* friendly_name, unsigned char mark);

// The first bag in list order with that type and mark, or null.
P12Bag* P12_find_bag(const P12* container, int type, unsigned char mark);

// Release an unlinked bag with its content and name.
void P12Bag_free(std::unique_ptr<P12Bag> bag);

// Move every bag of `source` to the end of `container`, in file order. The source is left empty; the
// caller releases it. (The PKCS#7 record's own is in kx_pkcs7.h.)
int P12_mov_p12bags(P12* container, P12* source);

// The one way bags join a list: `bags` (a chain of bags, owned by the list now) go after the last bag
// reached from `link` (a list's `first`, or the `next` of any bag in it). Returns the link after the last
// bag appended, from which the next append need not walk the list again.
std::unique_ptr<P12Bag>& P12_append_bags(std::unique_ptr<P12Bag>& link, std::unique_ptr<P12Bag> bags);

// 0 when the two key numbers are equal.
int LN_cmp(const KeyNumber& a, const KeyNumber& b);

// 0 when two parsed names are equal as X.509 compares them; nonzero when they differ or either is not
// parsed. DN_hash agrees with it (equal names, equal hashes); 0 for a name not parsed.
int DN_cmp(const NameMatch& a, const NameMatch& b);
std::size_t DN_hash(const NameMatch& name);

// A new friendly name made from the certificate's subject (its common name where it has one).
std::u16string get_frname_from_dn(const Cert* cert);

// ---- Cipher selection (library-wide) ---------------------------------------------------------
// The window's document keeps its choices here and reads them back into the settings of its write;
// no writer reads them.

void KX_set_pem_cry_algo(int id);
void KX_set_p12_kb_cry_algo(int id);
void KX_set_p5_cry_algo(int id);
int KX_get_pem_cry_algo();
int KX_get_p12_kb_cry_algo();
int KX_get_p5_cry_algo();

// ---- Pass phrases ----------------------------------------------------------------------------
// No call carries a pass phrase: a read asks the source its input (KxInput) was given, a write the
// source in its settings (KxWriteSettings::pass). For inputs it asks only once a file is known to be of an
// encrypted kind, and again (with `retry` set) after a wrong one, until the source gives none. For
// outputs it asks once for a new pass phrase; the provider confirms it with the user. An empty pass
// phrase for an output counts as none.

// A string that wipes its bytes when it goes away.
class SecretString {
public:
    SecretString() = default;
    explicit SecretString(std::string s) : value_(std::move(s)) {}
    SecretString(const SecretString&) = delete;
    SecretString& operator=(const SecretString&) = delete;
    SecretString(SecretString&& other) noexcept;
    SecretString& operator=(SecretString&& other) noexcept;
    ~SecretString();
    const std::string& str() const { return value_; }
    bool empty() const { return value_.empty(); }
    void wipe();

private:
    std::string value_;
};

enum class PassPurpose { OpenInput, ProtectOutput };
struct PassRequest {
    PassPurpose purpose = PassPurpose::OpenInput;
    std::string path;    // the file being read or written
    bool retry = false;  // the previous pass phrase for this file was wrong
    std::string entry;   // when one entry of the file has a password of its own (a key store's key): its name
};
// What a prompt asks the pass phrase of: the file's path, or "key 'ENTRY' in PATH".
std::string KX_pass_subject(const PassRequest& request);
// Returns the pass phrase, or none to give up (Cancel).
using PassProvider = std::function<std::optional<SecretString>(const PassRequest&)>;
// The writers' provider; an empty function: no pass phrases at all.

// ---- Reading one input ---------------------------------------------------------------------

// Why a read failed, for callers that tell the user (the command line does; the window does not).
enum class KxReadFailure {
    None,
    NotRecognised,  // not a certificate, CRL, request, key, PKCS#7 or PKCS#12 file
    WrongPassPhrase,
    NoPassPhrase,  // the provider gave none (cancelled)
    UnsupportedAlgorithm,
    NotRegularFile,
    TooLarge,
    Unreadable,  // open or read failed
    Empty,       // nothing in it but white space
    Damaged,     // of a kind the readers know, but cut short or broken; detail: which kind
    OtherKind,   // of a kind Quillon does not read; detail: what it is, and what to do with it
    TooCostly,   // opening it would take more key-derivation work than KX_MAX_PBE_ITERATIONS
    OutOfMemory,
};
struct KxReadError {
    KxReadFailure kind = KxReadFailure::None;
    // The algorithm's name for UnsupportedAlgorithm (with what to install when only OpenSSL's missing
    // legacy provider serves it); for WrongPassPhrase, what the pass phrase opened and what it did not;
    // otherwise empty or a hint.
    std::string detail;
};

namespace kx {
struct InputState;
}
struct KxProtection;

// One input file as the readers see it, handed from reader to reader: its bytes, read once with bounds
// (regular files only, at most KX_MAX_INPUT_BYTES, a head that may be input at all) and sniffed once;
// where its pass phrases come from, and the one that opened an encrypted object of it, tried first on
// its others; and the most telling reason a reader found to refuse it.
class KxInput {
public:
    // Reads the file now; a file that cannot be read gives each reader that reason.
    explicit KxInput(const char* path, PassProvider passSource = {});
    ~KxInput();
    KxInput(KxInput&&) noexcept;
    KxInput& operator=(KxInput&&) noexcept;

    const std::string& path() const;
    // Why the readers tried so far refused the file; None after a reader took it.
    const KxReadError& refusal() const;
    // Records why a reader refused the file. A plain "not recognised" never hides a more telling reason
    // an earlier reader found (a wrong pass phrase, a refused size), and after an allocation failed since
    // the read began it is said as what it is: OutOfMemory.
    void refuse(KxReadError why);
    // A reader took the file (or the part being read): no refusal stands.
    void accept();
    // Starts afresh on one part of the file (a block of a PEM file): no refusal, allocations counted from now.
    void restart();

    kx::InputState& state() const;  // the layer's own readers' view

private:
    std::unique_ptr<kx::InputState> state_;
};

// ---- Readers: each returns its record, or null when the file is not of its kind --------------
// Each records why it refused the file in the input it was given.

std::unique_ptr<Cert> PEM_read_cert(KxInput& in);
std::unique_ptr<CRL> PEM_read_crl(KxInput& in);
std::unique_ptr<Cert> PEM_read_req(KxInput& in);
std::unique_ptr<Key> PEM_read_rsaprv(KxInput& in);
std::unique_ptr<Key> PEM_read_dsaprv(KxInput& in);
std::unique_ptr<Key> PEM_read_ecprv(KxInput& in);
std::unique_ptr<Key> PEM_read_p8(KxInput& in);
std::unique_ptr<Key> PEM_read_p8enc(KxInput& in);
std::unique_ptr<Key> P8_read_file(KxInput& in);
std::unique_ptr<Key> P8enc_read_file(KxInput& in);
std::unique_ptr<P12> P12_read_file(KxInput& in);

// An entry of a Java key store that was not read, and why ("secret-key entry skipped"); the rest of
// the store was.
struct JksSkipped {
    std::string alias;  // UTF-8
    std::string reason;
};
// A JKS or JCEKS store: its entries as bags in store order, each alias the friendly name of the key
// and its own certificate. A key whose password is not the store's asks the input's pass-phrase
// source again, naming the entry. `skipped`, when given, receives the entries that were not read.
std::unique_ptr<P12> JKS_read_file(KxInput& in, std::vector<JksSkipped>* skipped);

// The whole file as bytes, handed over (a reader after this reads the file again), or none when it
// cannot be read. Having the bytes says nothing about their kind: a reason recorded before stays.
std::optional<std::vector<unsigned char>> ASN1_read_der(KxInput& in);
// The parsers of bytes record nothing: null says the bytes are not of their kind.
std::unique_ptr<Cert> ASN1_read_cert(const std::vector<unsigned char>& der);
std::unique_ptr<CRL> ASN1_read_crl(const std::vector<unsigned char>& der);
// The same, taking the bytes over for the record when they hold a CRL (no copy of a big file); they
// are left as they were otherwise.
std::unique_ptr<CRL> ASN1_read_crl(std::vector<unsigned char>&& der);
std::unique_ptr<Cert> ASN1_read_req(const std::vector<unsigned char>& der);
std::unique_ptr<Key> ASN1_read_dsaprv(const std::vector<unsigned char>& der);
std::unique_ptr<Key> ASN1_read_rsaprv(const std::vector<unsigned char>& der);  // PKCS#1
std::unique_ptr<Key> ASN1_read_ecprv(const std::vector<unsigned char>& der);   // SEC1

// What a file's bytes show it to be when no reader took it: empty, damaged, or a kind that is not read
// here; none when they say no more than "not recognised".
std::optional<KxReadError> KX_identify_refusal(const std::vector<unsigned char>& bytes);

// What protects the input, when it looks encrypted or PKCS#12 (see kx_protection.h); empty otherwise.
KxProtection KX_input_protection(KxInput& in);

// A PEM file of several blocks: every block it can read, in file order, as bags (a PKCS#7 or PKCS#12
// block gives its contents; each bag's origin holds its block number). The pass phrase that opens one
// encrypted block is tried on the others before the provider is asked again. Null when no block was
// read; then the refusal recorded is the most telling of the blocks'. `blocks`, when given, receives
// what became of each block.
struct KxBlockOutcome {
    int block = 0;        // from 1, in file order
    std::string label;    // as in "-----BEGIN <label>-----"
    int bags = 0;         // bags it gave; 0 when it was not read
    KxReadError failure;  // why not, when it was not read
};
std::unique_ptr<P12> PEM_read_blocks(KxInput& in, std::vector<KxBlockOutcome>* blocks = nullptr);
// How many PEM blocks ("-----BEGIN <label>-----" lines) the file holds; 0 when it cannot be read.
int PEM_count_blocks(KxInput& in);

// Makes OpenSSL's failed allocations count, so that a file refused for want of memory is said to be that
// (OutOfMemory) and not damaged. Call first thing in main, before OpenSSL allocates; false when too late.
bool KX_watch_allocations();
// What each program does first, before it holds a pass phrase or a key: makes itself non-dumpable with a
// core limit of 0, and watches allocations as above. False when any of it could not be done.
bool KX_guard_process();

// Inputs larger than this are refused without being read whole.
constexpr std::uint64_t KX_MAX_INPUT_BYTES = 1ull << 30;
// A PKCS#7 or PKCS#12 input holding more certificates and CRLs (PKCS#12: safe bags) than this is refused
// before they are parsed; real bundles, whole trust stores included, hold a few hundred at most.
constexpr std::size_t KX_MAX_BUNDLE_ENTRIES = 10'000;
// Password-based encryption asking for more iterations than this is refused before any key derivation.
constexpr std::uint64_t KX_MAX_PBE_ITERATIONS = 10'000'000;

// ---- Writers --------------------------------------------------------------------------------
// Each is given what to write and a settings value, and returns whether it wrote and why not.
// Files are written atomically (a temporary file beside the target, then rename); on failure an
// existing file at that path is left exactly as it was. Files holding a private key get mode 0600.
// A target that exists and is not a regular file is refused; a symbolic link is written through (the
// file it points to is replaced, in its own folder). The cipher is checked and the pass phrase
// collected before the target is touched.

enum class KxWriteFailure {
    None,
    NoPassPhrase,       // an encrypted output and the pass phrase source gave none
    CipherUnavailable,  // the chosen cipher, PRF or MAC digest cannot be had: nothing is written
    UnsupportedKey,     // the writer cannot hold this kind of key
    CannotWrite,        // the file could not be created, written or renamed into place
    Encoding,           // the library failed to encode
    OutOfMemory,
};

struct KxWriteSettings {
    // The output form's index (0..6: Certificate, CRL, PrivateKey, PKCS#12, PKCS#7, PKCS#8, CertReq) and
    // DER or PEM: for the caller that picks the writer; the writers themselves ignore both.
    int form = 0;
    bool der = true;
    // The key's cipher: KX_PEM_* or KX_AES256 for traditional PEM, KX_P5_* or KX_AES256 for PKCS#8,
    // KX_P12_* or KX_AES256 for the PKCS#12 key bags. KX_CIPHER_NONE: traditional PEM in clear; an
    // encrypted PKCS#8 or a PKCS#12 refuses it (CipherUnavailable), never writing the key in clear.
    int key_cipher = KX_CIPHER_NONE;
    // The PKCS#12 certificate safe: a KX_P12_* identifier or KX_AES256, KX_CIPHER_NONE for a safe in
    // clear; none: AES-256 under an AES-256 key cipher, pbeWithSHA1And3-KeyTripleDES-CBC otherwise.
    std::optional<int> cert_cipher;
    // The PRF digest of PBES2 (KX_AES256 only: "sha256", "sha1", "sha384", "sha512"); empty: SHA-256.
    std::string prf;
    // The PKCS#12 MAC's digest ("sha1", "sha256" ...); empty: SHA-256 under an AES-256 key cipher,
    // SHA-1 otherwise.
    std::string mac_digest;
    // PBE iterations; 0 (or a count outside 1..KX_MAX_PBE_ITERATIONS, which our own readers would
    // refuse): KX_AES256_ITERATIONS for KX_AES256, KX_LEGACY_ITERATIONS for the others.
    int iterations = 0;
    int mac_iterations = 0;  // the PKCS#12 MAC's, by the same rule; 0: the count the PBEs use
    // The name of each PKCS#12 key and of its certificate; none: each bag's own.
    std::optional<std::u16string> friendly_name;
    // PKCS#12 only: a Java trust store. Certificates only, each with Java's trust attribute and a name
    // of its own (`friendly_name` for the first); keys are left out.
    bool java_trusted_certificates = false;
    std::string path;  // where to write
    int fd = -1;       // >= 0: written down this open descriptor instead; `path` then only names it
    // Asked once for an encrypted output's pass phrase; none, empty or no function: NoPassPhrase.
    PassProvider pass;
};

struct KxWriteOutcome {
    bool written = false;
    KxWriteFailure failure = KxWriteFailure::None;
    // For CannotWrite: why, as the system said it ("no space left on device", "read-only file system")
    // or "not a regular file" for a target that is a device, FIFO, socket or directory. Empty otherwise.
    std::string detail;
};

KxWriteOutcome ASN1_write_der(const std::vector<unsigned char>& der, const KxWriteSettings& settings);
KxWriteOutcome PEM_write_cert(const Cert* cert, const KxWriteSettings& settings);
KxWriteOutcome PEM_write_crl(const CRL* crl, const KxWriteSettings& settings);
KxWriteOutcome PEM_write_req(const Cert* req, const KxWriteSettings& settings);
KxWriteOutcome PEM_write_rsaprv(const Key* key, const KxWriteSettings& settings);  // traditional PEM
KxWriteOutcome PEM_write_dsaprv(const Key* key, const KxWriteSettings& settings);
KxWriteOutcome PEM_write_ecprv(const Key* key, const KxWriteSettings& settings);
KxWriteOutcome P12_write_file(const P12* container, const KxWriteSettings& settings);
KxWriteOutcome P7s_write_file(const P12* container, const KxWriteSettings& settings);  // certs-only SignedData, DER
KxWriteOutcome PEM_write_p7(const P12* container, const KxWriteSettings& settings);
KxWriteOutcome P8_write_file(const Key* key, const KxWriteSettings& settings);  // unencrypted PKCS#8, DER
KxWriteOutcome P8enc_write_file(const Key* key, const KxWriteSettings& settings);
KxWriteOutcome PEM_write_p8(const Key* key, const KxWriteSettings& settings);
KxWriteOutcome PEM_write_p8enc(const Key* key, const KxWriteSettings& settings);

// ---- Facts for explaining a chain (read only; none of them changes an arrangement) ------------

// A key's algorithm as OpenSSL names it ("RSA", "EC", "DSA", "ED25519" ...) and its size in bits;
// empty and 0 when the number holds no key.
struct KxKeyFacts {
    std::string type;
    int bits = 0;
};
KxKeyFacts KEY_facts(const KeyNumber& number);

// What a certificate says of itself, from its DER; `parsed` is false when the DER is no certificate.
struct KxCertFacts {
    bool parsed = false;
    bool expired = false;      // notAfter before the current time
    bool notYetValid = false;  // notBefore after the current time
    std::string notBefore;     // ISO 8601, as the certificate holds it
    std::string notAfter;
    bool ca = false;           // basicConstraints CA:TRUE
    bool keyUsage = false;     // a keyUsage extension is present
    bool keyCertSign = false;  // ... and it allows signing certificates
};
KxCertFacts CERT_facts(const std::vector<unsigned char>& der);

// True when the certificate's signature verifies with `signer` (the public key of the certificate
// above it, or its own); false when it does not or either cannot be used.
bool CERT_verifies_with(const std::vector<unsigned char>& der, const KeyNumber& signer);
