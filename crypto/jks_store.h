// Java's key stores, JKS and JCEKS (versions 1 and 2), read from their bytes: private-key entries with
// their certificate chains and trusted-certificate entries, in store order, and as bags of a container.
#pragma once

#include "crypto/kx.h"
#include "crypto/openssl_ptr.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

enum class JksEntryKind { PrivateKey, TrustedCert };

struct JksEntry {
    std::string alias;  // UTF-8
    JksEntryKind kind = JksEntryKind::TrustedCert;
    kx::PkeyPtr key;                           // a private-key entry's key
    std::vector<std::unique_ptr<Cert>> certs;  // its chain, leaf first; or the one trusted certificate
};

struct JksReadResult {
    // None when the store was read. NotRecognised: no key store at all; Damaged ("Java key store"): a
    // length, count or tag that does not fit, or a part that is not what it must be; WrongPassPhrase:
    // a sound store whose digest the pass phrase does not give, or a key whose own password was not
    // given after wrong ones; NoPassPhrase: none given; TooLarge, TooCostly, UnsupportedAlgorithm.
    KxReadError error;
    std::vector<JksEntry> entries;  // in store order; empty when `error` says why
    std::vector<JksSkipped> skipped;

    bool ok() const { return error.kind == KxReadFailure::None; }
};

// True when the bytes start as a JKS or JCEKS store does.
bool KX_is_java_keystore(const std::vector<unsigned char>& bytes);

// Reads the store. The structure is walked and bounded first; then `pass` is asked for the store's pass
// phrase (purpose OpenInput, `path`), again with `retry` after a wrong one, until the store's digest
// matches or it gives none (at most kx::kMaxPassAttempts times). A private-key entry the store's pass
// phrase does not open asks for the key's own password the same way, the request's `entry` naming its
// alias; a password that opened one key is tried on the next before asking again.
JksReadResult KX_read_java_keystore(const std::vector<unsigned char>& bytes, const PassProvider& pass,
                                    const std::string& path);

// Appends the entries to the container in store order, each alias as its bags' friendly name: a key
// and then its chain's certificates, or the trusted certificate. A certificate the store holds twice
// (a trusted CA that is also in a key's chain) becomes one bag. The entries are taken (moved) from
// `result`. Returns the number of bags appended.
std::size_t JKS_append_bags(P12* container, JksReadResult& result);
