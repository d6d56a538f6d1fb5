// Distinguished names as one line of text, and friendly names made from a certificate's subject.
#include "crypto/der_header.h"
#include "crypto/input_internal.h"
#include "crypto/kx_internal.h"

namespace kx {

// RFC 2253 escaping and ", " between parts, in the order the name is encoded (C first as usually
// written), UTF-8 left as it is and control characters escaped.
std::string dn_text(const X509_NAME* name) {
    if (!name) return {};
    static constexpr unsigned long kFlags =
        XN_FLAG_SEP_CPLUS_SPC | ASN1_STRFLGS_ESC_2253 | ASN1_STRFLGS_ESC_CTRL | ASN1_STRFLGS_UTF8_CONVERT;
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || X509_NAME_print_ex(bio.get(), name, 0, kFlags) < 0) return {};
    char* data = nullptr;
    long n = BIO_get_mem_data(bio.get(), &data);
    return n > 0 ? std::string(data, static_cast<std::size_t>(n)) : std::string();
}

std::u16string utf8_to_u16(const std::string& s) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp = 0xFFFD;
        int extra = 0;
        if (c < 0x80)
            cp = c;
        else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (i + static_cast<std::size_t>(extra) >= s.size() && extra > 0) {
            out.push_back(0xFFFD);
            break;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        i += static_cast<std::size_t>(extra) + 1;
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char16_t>(cp));
        } else {
            out.push_back(0xFFFD);
        }
    }
    return out;
}

std::string u16_to_utf8(const std::u16string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80)
            out += static_cast<char>(cp);
        else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

namespace {

// The subject Name inside a certificate's or request's DER, found by walking the outer headers.
X509_NAME* subject_of(const std::vector<unsigned char>& der, bool is_request) {
    const unsigned char* p = der.data();
    Tlv whole, info, t;
    if (!read_tlv(p, der.data() + der.size(), whole) || !whole.constructed) return nullptr;  // Certificate / request
    p = whole.content;
    if (!read_tlv(p, whole.end(), info) || !info.constructed) return nullptr;  // TBSCertificate / request info
    const unsigned char* end = info.end();
    p = info.content;
    int to_skip = is_request ? 1 : 5;  // request: version; certificate: serial, signature, issuer, validity
    for (int i = 0; i < to_skip; ++i) {
        if (!read_tlv(p, end, t)) return nullptr;
        if (i == 0 && !is_request && !(t.cls == V_ASN1_CONTEXT_SPECIFIC && t.tag == 0)) to_skip = 4;  // no version
    }
    return d2i_X509_NAME(nullptr, &p, end - p);
}

}  // namespace

}  // namespace kx

std::u16string get_frname_from_dn(const Cert* cert) {
    if (!cert) return {};
    X509_NAME* name = kx::subject_of(cert->der, !cert->issuer.has_value());
    std::string text;
    if (name) {
        int at = -1, last = -1;
        while ((at = X509_NAME_get_index_by_NID(name, NID_commonName, at)) >= 0) last = at;
        if (last >= 0) {
            unsigned char* utf8 = nullptr;
            int n = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, last)));
            if (n > 0) text.assign(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(n));
            OPENSSL_free(utf8);
        }
        X509_NAME_free(name);
    }
    if (text.empty()) text = cert->subject;
    return kx::utf8_to_u16(text);
}
