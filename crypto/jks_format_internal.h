// The layout of a Java key store (JKS or JCEKS): where each entry's parts lie in the file's bytes, found
// by one walk that checks every length and count against the bytes left before anything is allocated
// for it. Nothing is decrypted or parsed here; the reader (jks_reader.cpp) does that afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kx::jks {

// A big-endian cursor over the file's bytes, as Java's DataInputStream reads them. Every read checks
// the bytes left first; a failed read leaves the cursor where it was.
class Cursor {
public:
    Cursor(const unsigned char* data, std::size_t len) : begin_(data), at_(data), end_(data + len) {}

    std::size_t left() const { return static_cast<std::size_t>(end_ - at_); }
    std::size_t offset() const { return static_cast<std::size_t>(at_ - begin_); }
    const unsigned char* here() const { return at_; }

    bool skip(std::size_t n) {
        if (n > left()) return false;
        at_ += n;
        return true;
    }
    bool u8(std::uint32_t& v) { return be(1, v); }
    bool u16(std::uint32_t& v) { return be(2, v); }
    bool u32(std::uint32_t& v) { return be(4, v); }
    // Java's int: a negative one is no length or count.
    bool length(std::uint32_t& v) { return be(4, v) && v <= 0x7FFFFFFFu; }

private:
    bool be(std::size_t n, std::uint32_t& v) {
        if (n > left()) return false;
        v = 0;
        for (std::size_t i = 0; i < n; ++i) v = (v << 8) | at_[i];
        at_ += n;
        return true;
    }

    const unsigned char* begin_;
    const unsigned char* at_;
    const unsigned char* end_;
};

enum class StoreType { Jks, Jceks };

// Tags of the entries as the stores write them.
constexpr std::uint32_t kTagPrivateKey = 1;
constexpr std::uint32_t kTagTrustedCert = 2;
constexpr std::uint32_t kTagSecretKey = 3;  // JCEKS only

// Bytes of the file, by place: the walk keeps no copies of the bulky parts.
struct Span {
    std::size_t offset = 0;
    std::size_t size = 0;
};

struct RawCert {
    std::string type;  // "X.509"; empty in a version 1 store, which writes no type
    Span der;
};

struct RawEntry {
    std::uint32_t tag = 0;
    std::u16string alias;
    Span protected_key;          // a private-key entry's EncryptedPrivateKeyInfo
    std::vector<RawCert> certs;  // a private-key entry's chain (leaf first), or the trusted certificate
};

struct Layout {
    StoreType type = StoreType::Jks;
    std::uint32_t version = 0;
    std::vector<RawEntry> entries;
    std::size_t digest_offset = 0;  // the keyed SHA-1 digest of all bytes before it
};

constexpr std::size_t kDigestSize = 20;

enum class Walk {
    Ok,
    NotKeyStore,  // no key store's magic number
    Damaged,      // a length, count or tag that does not fit
    TooMany,      // more entries or certificates than KX_MAX_BUNDLE_ENTRIES
};

// True when the bytes start with the magic number of a JKS or JCEKS store.
bool has_magic(const unsigned char* data, std::size_t len);

// Walks the whole store, the digest at its end included (bytes after the digest are ignored, as Java
// ignores them).
Walk walk(const unsigned char* data, std::size_t len, Layout& out);

// Skips one Java-serialised object as ObjectOutputStream writes it (the stream header first), which a
// JCEKS secret-key entry holds with no length in front. False when it is damaged or nests too deeply.
bool skip_serialised_object(Cursor& in);

}  // namespace kx::jks
