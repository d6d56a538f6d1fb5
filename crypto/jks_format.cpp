// The walk over a JKS or JCEKS store's structure; see jks_format_internal.h.
#include "crypto/jks_format_internal.h"

#include "crypto/kx_internal.h"

namespace kx::jks {
namespace {

constexpr std::uint32_t kMagicJks = 0xFEEDFEEDu;
constexpr std::uint32_t kMagicJceks = 0xCECECECEu;

// The least an entry can take: tag, an empty alias, the date and one count or length.
constexpr std::size_t kMinEntrySize = 4 + 2 + 8 + 4;
// The least a certificate of a chain can take: its length (and, in version 2, an empty type).
constexpr std::size_t kMinCertSize = 4;

// Java's readUTF: a 16-bit byte count, then "modified UTF-8" (U+0000 as two bytes, characters beyond
// U+FFFF as two encoded surrogates), decoded here to the UTF-16 Java holds.
bool read_utf(Cursor& in, std::u16string& out) {
    std::uint32_t n = 0;
    if (!in.u16(n) || n > in.left()) return false;
    const unsigned char* p = in.here();
    const unsigned char* end = p + n;
    out.clear();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            out.push_back(static_cast<char16_t>(c));
            p += 1;
        } else if ((c & 0xE0) == 0xC0) {
            if (end - p < 2 || (p[1] & 0xC0) != 0x80) return false;
            out.push_back(static_cast<char16_t>(((c & 0x1F) << 6) | (p[1] & 0x3F)));
            p += 2;
        } else if ((c & 0xF0) == 0xE0) {
            if (end - p < 3 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80) return false;
            out.push_back(static_cast<char16_t>(((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F)));
            p += 3;
        } else {
            return false;
        }
    }
    return in.skip(n);
}

bool read_type(Cursor& in, std::string& out) {
    std::u16string type;
    if (!read_utf(in, type)) return false;
    out = u16_to_utf8(type);
    return true;
}

bool read_span(Cursor& in, Span& out) {
    std::uint32_t n = 0;
    if (!in.length(n)) return false;
    out.offset = in.offset();
    out.size = n;
    return in.skip(n);
}

bool read_cert(Cursor& in, std::uint32_t version, RawCert& out) {
    if (version == 2 && !read_type(in, out.type)) return false;
    return read_span(in, out.der);
}

class Walker {
public:
    Walker(Cursor& in, Layout& out) : in_(in), out_(out) {}

    Walk entries() {
        std::uint32_t count = 0;
        if (!in_.length(count)) return Walk::Damaged;
        if (count > in_.left() / kMinEntrySize) return Walk::Damaged;
        if (count > KX_MAX_BUNDLE_ENTRIES) return Walk::TooMany;
        out_.entries.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            RawEntry& e = out_.entries.emplace_back();
            if (Walk w = entry(e); w != Walk::Ok) return w;
        }
        out_.digest_offset = in_.offset();
        return in_.skip(kDigestSize) ? Walk::Ok : Walk::Damaged;
    }

private:
    Walk entry(RawEntry& e) {
        if (!in_.u32(e.tag) || !read_utf(in_, e.alias) || !in_.skip(8)) return Walk::Damaged;  // 8: the date
        switch (e.tag) {
        case kTagPrivateKey: return private_key(e);
        case kTagTrustedCert: return certs(e, 1);
        case kTagSecretKey:
            if (out_.type != StoreType::Jceks) return Walk::Damaged;
            return skip_serialised_object(in_) ? Walk::Ok : Walk::Damaged;
        default: return Walk::Damaged;
        }
    }

    Walk private_key(RawEntry& e) {
        std::uint32_t chain = 0;
        if (!read_span(in_, e.protected_key) || !in_.length(chain)) return Walk::Damaged;
        if (chain > in_.left() / kMinCertSize) return Walk::Damaged;
        return certs(e, chain);
    }

    Walk certs(RawEntry& e, std::uint32_t n) {
        certs_seen_ += n;
        if (certs_seen_ > KX_MAX_BUNDLE_ENTRIES) return Walk::TooMany;
        e.certs.resize(n);
        for (RawCert& c : e.certs)
            if (!read_cert(in_, out_.version, c)) return Walk::Damaged;
        return Walk::Ok;
    }

    Cursor& in_;
    Layout& out_;
    std::size_t certs_seen_ = 0;
};

}  // namespace

bool has_magic(const unsigned char* data, std::size_t len) {
    Cursor in(data, len);
    std::uint32_t magic = 0;
    return in.u32(magic) && (magic == kMagicJks || magic == kMagicJceks);
}

Walk walk(const unsigned char* data, std::size_t len, Layout& out) {
    out = Layout{};
    Cursor in(data, len);
    std::uint32_t magic = 0;
    if (!has_magic(data, len) || !in.u32(magic)) return Walk::NotKeyStore;
    out.type = magic == kMagicJks ? StoreType::Jks : StoreType::Jceks;
    if (!in.u32(out.version) || (out.version != 1 && out.version != 2)) return Walk::Damaged;
    return Walker(in, out).entries();
}

}  // namespace kx::jks
