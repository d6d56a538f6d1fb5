// Loading the trust store: each file read once (bounded in size), each certificate once (bounded in
// count), only its names parsed. Whatever cannot be read is skipped with a reason and loading goes on.
#include "crypto/bundle_limit_internal.h"
#include "crypto/der_walk_internal.h"
#include "crypto/file_write_internal.h"
#include "crypto/input_internal.h"
#include "crypto/pem_block_internal.h"
#include "crypto/trust_store_internal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <string_view>

namespace {

using Impl = KxTrustStore::Impl;
using FileName = std::shared_ptr<const std::string>;

std::string block_reason(int block, const std::string& why) {
    return block > 0 ? "block " + std::to_string(block) + ": " + why : why;
}

bool is_cert_label(const std::string& label) {
    return label == PEM_STRING_X509 || label == PEM_STRING_X509_OLD || label == PEM_STRING_X509_TRUSTED;
}
bool is_p7_label(const std::string& label) { return label == PEM_STRING_PKCS7 || label == "CERTIFICATE CHAIN"; }

// The hash of the certificate's subject as X.509 compares names, read without decoding the rest of it
// (its key above all), so that loading hundreds of roots decodes hundreds of names and nothing more.
// False when the bytes do not have a certificate's outline.
bool subject_hash(const kx::Tlv& cert, std::size_t& hash) {
    kx::Tlv tbs, item;
    const unsigned char* p = cert.content;
    if (!cert.is(V_ASN1_SEQUENCE, true) || !kx::read_tlv(p, cert.end(), tbs) || !tbs.is(V_ASN1_SEQUENCE, true))
        return false;
    p = tbs.content;
    if (!kx::read_tlv(p, tbs.end(), item)) return false;
    const bool version = item.cls == V_ASN1_CONTEXT_SPECIFIC && item.tag == 0;
    if (version && !kx::read_tlv(p, tbs.end(), item)) return false;  // the serial number
    for (int i = 0; i < 4; ++i)                                      // signature, issuer, validity, subject
        if (!kx::read_tlv(p, tbs.end(), item)) return false;
    if (!item.is(V_ASN1_SEQUENCE, true)) return false;
    const unsigned char* name_der = item.start;
    kx::X509NamePtr name(d2i_X509_NAME(nullptr, &name_der, item.end() - item.start));
    int ok = 0;
    const unsigned long h = name ? X509_NAME_hash_ex(name.get(), nullptr, nullptr, &ok) : 0;
    hash = static_cast<std::size_t>(h);
    return ok == 1;
}

// Adds one certificate (the first element of `data`: a trusted certificate's settings that follow it
// are not part of it). False, with a reason, when it is no certificate.
bool add_cert(Impl& store, const unsigned char* data, std::size_t len, const FileName& file, int block) {
    const unsigned char* p = data;
    kx::Tlv whole;
    if (!kx::read_tlv(p, data + len, whole)) {
        store.skip(*file, block_reason(block, "damaged certificate"));
        return false;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data), static_cast<std::size_t>(p - data));
    const std::size_t hash = std::hash<std::string_view>{}(bytes);
    auto [from, to] = store.by_der.equal_range(hash);
    for (auto it = from; it != to; ++it) {
        const std::vector<unsigned char>& der = store.entries[it->second].der;
        if (std::string_view(reinterpret_cast<const char*>(der.data()), der.size()) == bytes)
            return true;  // reached twice: counted once
    }
    std::size_t subject = 0;
    if (!subject_hash(whole, subject)) {
        store.skip(*file, block_reason(block, "damaged certificate"));
        return false;
    }
    if (store.entries.size() >= KX_MAX_BUNDLE_ENTRIES) {
        store.skip(*file, block_reason(block, "the store holds " + std::to_string(KX_MAX_BUNDLE_ENTRIES) +
                                                  " certificates already"));
        return false;
    }
    const std::size_t index = store.entries.size();
    store.entries.push_back({std::vector<unsigned char>(data, p), file, nullptr, false});
    store.by_subject.emplace(subject, index);
    store.by_der.emplace(hash, index);
    return true;
}

// The certificates of a PKCS#7 bundle (its CRLs are of no use here).
bool add_p7(Impl& store, const unsigned char* data, std::size_t len, const FileName& file, int block) {
    if (kx::p7_entry_count(data, len) > KX_MAX_BUNDLE_ENTRIES) {
        store.skip(*file, block_reason(block, "more than " + std::to_string(KX_MAX_BUNDLE_ENTRIES) + " entries"));
        return false;
    }
    const unsigned char* p = data;
    kx::Pkcs7Ptr p7(d2i_PKCS7(nullptr, &p, static_cast<long>(len)));
    STACK_OF(X509)* certs = nullptr;
    if (p7 && PKCS7_type_is_signed(p7.get()) && p7->d.sign) certs = p7->d.sign->cert;
    if (!p7 || sk_X509_num(certs) <= 0) {
        store.skip(*file, block_reason(block, p7 ? "a PKCS#7 bundle without certificates" : "damaged PKCS#7 bundle"));
        return false;
    }
    bool any = false;
    for (int i = 0; i < sk_X509_num(certs); ++i) {
        unsigned char* der = nullptr;
        const int n = i2d_X509(sk_X509_value(certs, i), &der);
        if (n > 0) any = add_cert(store, der, static_cast<std::size_t>(n), file, block) || any;
        OPENSSL_free(der);
    }
    return any;
}

bool add_pem(Impl& store, const std::vector<unsigned char>& bytes, const std::vector<std::string>& labels,
             const std::vector<std::size_t>& starts, const FileName& file) {
    const auto wanted = std::count_if(labels.begin(), labels.end(),
                                      [](const std::string& l) { return is_cert_label(l) || is_p7_label(l); });
    if (static_cast<std::size_t>(wanted) > KX_MAX_BUNDLE_ENTRIES) {
        store.skip(*file, "more than " + std::to_string(KX_MAX_BUNDLE_ENTRIES) + " entries");
        return false;
    }
    bool any = false;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const bool cert = is_cert_label(labels[i]);
        if (!cert && !is_p7_label(labels[i])) continue;  // keys, CRLs ...: not the store's business
        const int number = static_cast<int>(i + 1);
        kx::PemBlock block;
        if (!kx::decode_pem_block(bytes.data() + starts[i], bytes.size() - starts[i], block)) {
            store.skip(*file, block_reason(number, "damaged PEM block"));
            continue;
        }
        any = (cert ? add_cert(store, block.data.data(), block.data.size(), file, number)
                    : add_p7(store, block.data.data(), block.data.size(), file, number)) ||
              any;
    }
    return any;
}

// Reads a file whole, refusing what is not a regular file or is too large; a FIFO does not block.
bool read_bounded(Impl& store, const std::string& path, bool quiet_if_missing, std::vector<unsigned char>& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (!(quiet_if_missing && errno == ENOENT)) store.skip(path, "cannot be read: " + kx::system_reason(errno));
        return false;
    }
    struct stat st {};
    std::string refusal;
    if (::fstat(fd, &st) != 0)
        refusal = "cannot be read: " + kx::system_reason(errno);
    else if (!S_ISREG(st.st_mode))
        refusal = "not a regular file";
    else if (static_cast<std::uint64_t>(st.st_size) > KX_MAX_INPUT_BYTES)
        refusal = "larger than " + std::to_string(KX_MAX_INPUT_BYTES) + " bytes";
    if (refusal.empty()) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) refusal = "cannot be read: " + kx::system_reason(errno);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);  // a file that shrank while it was read is taken as it was found
    }
    ::close(fd);
    if (refusal.empty()) return true;
    store.skip(path, std::move(refusal));
    return false;
}

void load_file(Impl& store, const std::string& path, bool quiet_if_missing) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !store.files_read.emplace(st.st_dev, st.st_ino).second) return;
    std::vector<unsigned char> bytes;
    if (!read_bounded(store, path, quiet_if_missing, bytes)) return;
    const FileName file = std::make_shared<const std::string>(path);
    std::vector<std::string> labels;
    std::vector<std::size_t> starts;
    kx::scan_pem(bytes.data(), bytes.size(), labels, starts);
    if (!labels.empty()) {
        if (!add_pem(store, bytes, labels, starts, file) &&
            std::none_of(labels.begin(), labels.end(),
                         [](const std::string& l) { return is_cert_label(l) || is_p7_label(l); }))
            store.skip(path, "holds no certificate");
        return;
    }
    const unsigned shape = kx::sniff_der(bytes.data(), bytes.size());
    if (bytes.empty() || !(shape & (kx::kDerCert | kx::kDerP7))) {
        store.skip(path, "holds no certificate");
        return;
    }
    // A PKCS#7 ContentInfo begins with its content type, a certificate with its to-be-signed part.
    const unsigned char* p = bytes.data();
    kx::Tlv whole, first;
    const bool p7 = kx::read_tlv(p, bytes.data() + bytes.size(), whole) && whole.len > 0 && [&] {
        const unsigned char* q = whole.content;
        return kx::read_tlv(q, whole.end(), first) && first.is(V_ASN1_OBJECT, false);
    }();
    ERR_set_mark();
    if (p7)
        add_p7(store, bytes.data(), bytes.size(), file, 0);
    else
        add_cert(store, bytes.data(), bytes.size(), file, 0);
    ERR_pop_to_mark();
}

void load_directory(Impl& store, const std::string& path, bool quiet_if_missing) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) {
        if (!(quiet_if_missing && errno == ENOENT)) store.skip(path, "cannot be read: " + kx::system_reason(errno));
        return;
    }
    std::vector<std::string> names;
    bool too_many = false;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        if (names.size() >= KX_MAX_BUNDLE_ENTRIES) {
            too_many = true;
            break;
        }
        names.emplace_back(e->d_name);
    }
    ::closedir(dir);
    if (too_many) store.skip(path, "more than " + std::to_string(KX_MAX_BUNDLE_ENTRIES) + " files; the rest not read");
    // Files by their own names before OpenSSL's hash links ("1a2b3c4d.0") to them, so that the name a
    // certificate is reported from is the telling one.
    auto hash_link = [](const std::string& name) {
        return name.size() >= 10 && name[8] == '.' &&
               std::all_of(name.begin(), name.begin() + 8,
                           [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }) &&
               std::all_of(name.begin() + 9, name.end(),
                           [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        const bool la = hash_link(a), lb = hash_link(b);
        return la != lb ? lb : a < b;
    });
    const std::string prefix = path.ends_with('/') ? path : path + "/";
    for (const std::string& name : names) {
        struct stat st {};
        const std::string file = prefix + name;
        if (::stat(file.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;  // sub-folders are not searched
        load_file(store, file, false);
    }
}

template <class Load>
void guarded(Impl& store, const std::string& path, Load load) {
    ERR_set_mark();
    try {
        load();
    } catch (const std::bad_alloc&) {
        store.skip(path, "out of memory");
    }
    ERR_pop_to_mark();
}

}  // namespace

void KX_load_hashed(Impl& store, unsigned long hash) {
    if (store.hashed_dirs.empty() || !store.hashes_searched.insert(hash).second) return;
    for (const std::string& dir : store.hashed_dirs) {
        // The links of one hash are numbered from 0 without a gap, as OpenSSL's rehash makes them.
        for (int n = 0; n < 100; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "/%08lx.%d", hash, n);
            const std::string path = dir + name;
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0) break;
            guarded(store, path, [&] { load_file(store, path, false); });
        }
    }
}

KxTrustStore::KxTrustStore() : impl_(std::make_unique<Impl>()) {}
KxTrustStore::~KxTrustStore() = default;
KxTrustStore::KxTrustStore(KxTrustStore&&) noexcept = default;
KxTrustStore& KxTrustStore::operator=(KxTrustStore&&) noexcept = default;

void KxTrustStore::AddFile(const std::string& path) {
    guarded(*impl_, path, [&] { load_file(*impl_, path, false); });
}

void KxTrustStore::AddDirectory(const std::string& path) {
    guarded(*impl_, path, [&] { load_directory(*impl_, path, false); });
}

// As OpenSSL's own default lookup: the variables replace the compiled-in places; the folder setting
// may name several folders, separated by ':', each searched by hash links only when a name is asked.
void KxTrustStore::AddSystemDefault() {
    const char* file = std::getenv(X509_get_default_cert_file_env());
    const std::string bundle = file ? file : X509_get_default_cert_file();
    guarded(*impl_, bundle, [&] { load_file(*impl_, bundle, true); });
    const char* dirs = std::getenv(X509_get_default_cert_dir_env());
    const std::string list = dirs ? dirs : X509_get_default_cert_dir();
    std::size_t from = 0;
    while (from <= list.size()) {
        std::size_t to = list.find(':', from);
        if (to == std::string::npos) to = list.size();
        const std::string dir = list.substr(from, to - from);
        struct stat st {};
        if (!dir.empty() && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) impl_->hashed_dirs.push_back(dir);
        from = to + 1;
    }
}

std::size_t KxTrustStore::Size() const { return impl_->entries.size(); }
const std::vector<KxStoreSkip>& KxTrustStore::Skipped() const { return impl_->skipped; }
