// Names compared as X.509 compares them, through OpenSSL's canonical form of a name.
#include "crypto/kx_internal.h"

KxName::KxName(X509_NAME* owned) : name(owned) {
    int ok = 0;
    // The hash is taken over the canonical form, so names that compare equal hash alike.
    const unsigned long h = X509_NAME_hash_ex(name, nullptr, nullptr, &ok);
    hash = ok ? static_cast<std::size_t>(h) : 0;
}

namespace kx {

NameMatch name_match_of(const X509_NAME* name) {
    NameMatch match;
    if (!name) return match;
    ERR_set_mark();
    X509_NAME* copy = X509_NAME_dup(name);
    ERR_pop_to_mark();
    if (copy) match.name = std::make_shared<const KxName>(copy);
    return match;
}

}  // namespace kx

int DN_cmp(const NameMatch& a, const NameMatch& b) {
    if (!a.name || !b.name) return 1;
    if (a.name == b.name) return 0;
    ERR_set_mark();
    const int r = X509_NAME_cmp(a.name->name, b.name->name);
    ERR_pop_to_mark();
    return r == 0 ? 0 : 1;
}

std::size_t DN_hash(const NameMatch& name) { return name.name ? name.name->hash : 0; }
