// The Java key store reader: the structure walked and bounded first, then the store's digest checked
// with the pass phrase, then every part parsed, and only then any key decrypted (asking for a key's own
// password where the store's does not open it). See jks_store.h.
#include "crypto/cert_scan_internal.h"
#include "crypto/jks_crypto_internal.h"
#include "crypto/jks_format_internal.h"
#include "crypto/jks_store.h"
#include "crypto/kx_internal.h"
#include "crypto/pass_internal.h"

#include <new>

namespace {

using namespace kx::jks;

const char* const kDamaged = "Java key store";
const char* const kSecretKeySkipped = "secret-key entry skipped";

KxReadError failure(KxReadFailure kind, std::string detail = {}) { return {kind, std::move(detail)}; }

// Asks `pass` until `fits` takes the answer, at most kx::kMaxPassAttempts times. On giving up, `error`
// says why: none given at first, or only wrong ones.
template <class Fits>
std::optional<SecretString> ask_until(const PassProvider& pass, PassRequest request, Fits fits, KxReadError& error) {
    for (int tries = 0; tries < kx::kMaxPassAttempts; ++tries) {
        std::optional<SecretString> answer = pass ? pass(request) : std::nullopt;
        if (!answer) {
            error = failure(request.retry ? KxReadFailure::WrongPassPhrase : KxReadFailure::NoPassPhrase);
            return std::nullopt;
        }
        if (fits(*answer)) return answer;
        request.retry = true;
    }
    error = failure(KxReadFailure::WrongPassPhrase);
    return std::nullopt;
}

struct Reader {
    Reader(const std::vector<unsigned char>& b, const PassProvider& p, const std::string& f)
        : bytes(b), pass(p), path(f) {}

    const std::vector<unsigned char>& bytes;
    const PassProvider& pass;
    const std::string& path;
    Layout layout;
    JksReadResult result;
    std::vector<ProtectedKey> keys;  // one per entry; used by private-key entries only

    void run() {
        if (!walk_structure() || !check_digest() || !parse_parts()) return;
        open_keys();
    }

    bool fail(KxReadFailure kind, std::string detail = {}) {
        result.error = failure(kind, std::move(detail));
        result.entries.clear();
        result.skipped.clear();
        return false;
    }

    bool walk_structure() {
        switch (walk(bytes.data(), bytes.size(), layout)) {
        case Walk::Ok: return true;
        case Walk::NotKeyStore: return fail(KxReadFailure::NotRecognised);
        case Walk::Damaged: return fail(KxReadFailure::Damaged, kDamaged);
        case Walk::TooMany:
            return fail(KxReadFailure::TooLarge,
                        "more than " + std::to_string(KX_MAX_BUNDLE_ENTRIES) + " entries or certificates");
        }
        return false;
    }

    bool check_digest() {
        PassRequest request;
        request.path = path;
        auto fits = [&](const SecretString& p) { return store_digest_matches(bytes.data(), layout.digest_offset, p); };
        store_pass = ask_until(pass, request, fits, result.error);
        if (!store_pass) return fail(result.error.kind);
        return true;
    }

    // Every certificate and every protected key, before any key is decrypted: a damaged part or a key
    // too costly to open refuses the store before anyone is asked for a key's password.
    bool parse_parts() {
        std::uint64_t work = 0;
        keys.resize(layout.entries.size());
        for (std::size_t i = 0; i < layout.entries.size(); ++i) {
            RawEntry& raw = layout.entries[i];
            if (raw.tag == kTagSecretKey) {
                skip(raw, kSecretKeySkipped);
                continue;
            }
            JksEntry entry;
            entry.alias = kx::u16_to_utf8(raw.alias);
            entry.kind = raw.tag == kTagPrivateKey ? JksEntryKind::PrivateKey : JksEntryKind::TrustedCert;
            if (const RawCert* odd = other_type(raw)) {
                skip(raw, "certificate type " + odd->type + " not read");
                continue;
            }
            for (const RawCert& c : raw.certs) {
                entry.certs.push_back(kx::parse_cert(bytes.data() + c.der.offset, c.der.size));
                if (!entry.certs.back()) return fail(KxReadFailure::Damaged, kDamaged);
            }
            if (entry.kind == JksEntryKind::PrivateKey) {
                std::string detail;
                const Span& k = raw.protected_key;
                switch (parse_protected_key(bytes.data() + k.offset, k.size, keys[i], detail)) {
                case KeyOpen::Ok: break;
                case KeyOpen::Unsupported: return fail(KxReadFailure::UnsupportedAlgorithm, detail);
                case KeyOpen::TooCostly: return fail(KxReadFailure::TooCostly);
                default: return fail(KxReadFailure::Damaged, kDamaged);
                }
                work += keys[i].iterations;
                if (work > KX_MAX_PBE_ITERATIONS) return fail(KxReadFailure::TooCostly);
            }
            result.entries.push_back(std::move(entry));
            entry_of.push_back(i);
        }
        return true;
    }

    const RawCert* other_type(const RawEntry& raw) const {
        for (const RawCert& c : raw.certs)
            if (layout.version == 2 && c.type != "X.509") return &c;
        return nullptr;
    }

    void skip(const RawEntry& raw, std::string reason) {
        result.skipped.push_back({kx::u16_to_utf8(raw.alias), std::move(reason)});
    }

    // The store's pass phrase first, then the last password that opened a key, then the provider.
    bool open_keys() {
        for (std::size_t n = 0; n < result.entries.size(); ++n) {
            JksEntry& entry = result.entries[n];
            if (entry.kind != JksEntryKind::PrivateKey) continue;
            const ProtectedKey& key = keys[entry_of[n]];
            KeyOpen outcome = KeyOpen::WrongPassword;
            std::string detail;
            auto fits = [&](const SecretString& p) {
                outcome = open_protected_key(key, p, entry.key, detail);
                return outcome != KeyOpen::WrongPassword;
            };
            if (fits(*store_pass) || (key_pass && fits(*key_pass))) {
                if (!opened(outcome, detail)) return false;
                continue;
            }
            PassRequest request;
            request.path = path;
            request.entry = entry.alias;
            std::optional<SecretString> answer = ask_until(pass, request, fits, result.error);
            if (!answer) return fail(result.error.kind);
            if (!opened(outcome, detail)) return false;
            key_pass = std::move(answer);
        }
        return true;
    }

    // A key the password opened, or why it could not be made a key.
    bool opened(KeyOpen outcome, const std::string& detail) {
        switch (outcome) {
        case KeyOpen::Ok: return true;
        case KeyOpen::Unsupported: return fail(KxReadFailure::UnsupportedAlgorithm, detail);
        case KeyOpen::TooCostly: return fail(KxReadFailure::TooCostly);
        default: return fail(KxReadFailure::Damaged, kDamaged);
        }
    }

    std::optional<SecretString> store_pass;
    std::optional<SecretString> key_pass;
    std::vector<std::size_t> entry_of;  // for each entry of the result, its place in the layout
};

}  // namespace

bool KX_is_java_keystore(const std::vector<unsigned char>& bytes) { return has_magic(bytes.data(), bytes.size()); }

JksReadResult KX_read_java_keystore(const std::vector<unsigned char>& bytes, const PassProvider& pass,
                                    const std::string& path) {
    try {
        Reader reader(bytes, pass, path);
        ERR_set_mark();
        reader.run();
        ERR_pop_to_mark();
        return std::move(reader.result);
    } catch (const std::bad_alloc&) {
        ERR_pop_to_mark();
        JksReadResult out;
        out.error = failure(KxReadFailure::OutOfMemory);
        return out;
    }
}
