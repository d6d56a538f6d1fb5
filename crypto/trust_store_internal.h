// The trust store's contents, shared by its loader (trust_store_load.cpp) and its issuer search
// (trust_store.cpp).
#pragma once

#include "crypto/kx_internal.h"
#include "crypto/trust_store.h"

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct KxTrustStore::Impl {
    struct Entry {
        std::unique_ptr<Cert> cert;  // names parsed, the key still encoded
        std::shared_ptr<const std::string> file;
        // The whole certificate, decoded the first time its subject is asked for.
        mutable kx::X509Ptr decoded;
        mutable bool decode_tried = false;
    };
    std::vector<Entry> entries;
    std::unordered_multimap<std::size_t, std::size_t> by_subject;  // DN_hash of the subject -> entry
    std::unordered_multimap<std::size_t, std::size_t> by_der;      // hash of the encoding -> entry
    std::unordered_set<std::string> files_read;                    // real paths, so a link adds nothing
    std::vector<KxStoreSkip> skipped;

    void skip(const std::string& file, std::string reason) { skipped.push_back({file, std::move(reason)}); }
};
