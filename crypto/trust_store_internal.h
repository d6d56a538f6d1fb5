// The trust store's contents, shared by its loader (trust_store_load.cpp) and its issuer search
// (trust_store.cpp).
#pragma once

#include "crypto/kx_internal.h"
#include "crypto/trust_store.h"

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct KxTrustStore::Impl {
    struct Entry {
        std::vector<unsigned char> der;
        std::shared_ptr<const std::string> file;
        // The whole certificate, decoded the first time its subject is asked for.
        mutable kx::X509Ptr decoded;
        mutable bool decode_tried = false;
    };
    std::vector<Entry> entries;
    // The hash of the subject's canonical form (X509_NAME_hash_ex) -> entry.
    std::unordered_multimap<std::size_t, std::size_t> by_subject;
    std::unordered_multimap<std::size_t, std::size_t> by_der;  // hash of the encoding -> entry
    std::set<std::pair<dev_t, ino_t>> files_read;              // so that a link to a file read adds nothing
    std::vector<KxStoreSkip> skipped;
    // Folders searched only by OpenSSL's hash links ("<subject hash>.N"), when a name is looked up, as
    // OpenSSL searches its own default folder: the system's holds hundreds of files, nearly all unused.
    std::vector<std::string> hashed_dirs;
    std::set<unsigned long> hashes_searched;

    void skip(const std::string& file, std::string reason) { skipped.push_back({file, std::move(reason)}); }
};

// Reads the certificates the hashed folders hold under the subject hash `hash`, once per hash.
void KX_load_hashed(KxTrustStore::Impl& store, unsigned long hash);
