// Fuzz target: the input's bytes read as a Java key store, then its entries made bags. The seeds are
// the stores of tests/data/keystores; the provider answers with their pass phrases. A mutated store
// fails its digest and stops there, so for inputs whose last byte is odd the digest is first made
// right for "storepass1": those reach the parts behind it (certificates, key protection, the
// serialised secret keys' skipping and key decryption).
#include "crypto/jks_format_internal.h"
#include "crypto/jks_store.h"
#include "crypto/openssl_includes.h"

#include <cstdlib>
#include <set>
#include <vector>

namespace {

const char kStorePass[] = "storepass1";
const char kKeyPass[] = "keypass22";

void fix_digest(std::vector<unsigned char>& bytes) {
    kx::jks::Layout layout;
    if (kx::jks::walk(bytes.data(), bytes.size(), layout) != kx::jks::Walk::Ok) return;
    std::vector<unsigned char> input;
    for (const char* c = kStorePass; *c; ++c) input.insert(input.end(), {0, static_cast<unsigned char>(*c)});
    const char whitener[] = "Mighty Aphrodite";
    input.insert(input.end(), whitener, whitener + sizeof whitener - 1);
    input.insert(input.end(), bytes.begin(), bytes.begin() + static_cast<long>(layout.digest_offset));
    SHA1(input.data(), input.size(), bytes.data() + layout.digest_offset);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> bytes(data, data + size);
    if (size > 0 && (data[size - 1] & 1)) fix_digest(bytes);
    // One answer to each question, then none: wrong-password retries are not this target's business.
    bool store_asked = false, key_asked = false;
    PassProvider provider = [&](const PassRequest& r) -> std::optional<SecretString> {
        bool& asked = r.entry.empty() ? store_asked : key_asked;
        if (asked) return std::nullopt;
        asked = true;
        return SecretString(r.entry.empty() ? kStorePass : kKeyPass);
    };
    JksReadResult result = KX_read_java_keystore(bytes, provider, "input");
    // What must hold after any read: a failure keeps no entry; a read store has a key in each key entry
    // and one certificate in each trusted one, and each key and each distinct certificate becomes a bag.
    if (!result.ok() && !result.entries.empty()) std::abort();
    std::size_t expected = 0;
    std::set<std::vector<unsigned char>> certs;
    for (const JksEntry& e : result.entries) {
        if ((e.kind == JksEntryKind::PrivateKey) != (e.key != nullptr)) std::abort();
        if (e.kind == JksEntryKind::TrustedCert && e.certs.size() != 1) std::abort();
        for (const auto& cert : e.certs) certs.insert(cert->der);
        expected += e.key ? 1 : 0;
    }
    expected += certs.size();
    P12 bags;
    if (JKS_append_bags(&bags, result) != expected) std::abort();
    return 0;
}
