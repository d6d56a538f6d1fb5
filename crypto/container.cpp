// The bag container: appending, finding, moving and releasing bags, and key-number comparison.
#include "crypto/kx_internal.h"
#include "crypto/p7_records_internal.h"

namespace {

// The one way a list of bags is released: one bag at a time, so that a long list never recurses deeply.
void release(std::unique_ptr<P12Bag>& link) {
    std::unique_ptr<P12Bag> rest = std::move(link);
    while (rest) {
        std::unique_ptr<P12Bag> after = std::move(rest->next);
        rest.reset();
        rest = std::move(after);
    }
}

}  // namespace

P12Bag::~P12Bag() { release(next); }

Cert* P12Bag::cert() const {
    auto* p = std::get_if<std::unique_ptr<Cert>>(&content);
    return p ? p->get() : nullptr;
}
CRL* P12Bag::crl() const {
    auto* p = std::get_if<std::unique_ptr<CRL>>(&content);
    return p ? p->get() : nullptr;
}
Key* P12Bag::key() const {
    auto* p = std::get_if<std::unique_ptr<Key>>(&content);
    return p ? p->get() : nullptr;
}

P12::~P12() { release(first); }

std::unique_ptr<P12Bag>& P12_append_bags(std::unique_ptr<P12Bag>& link, std::unique_ptr<P12Bag> bags) {
    std::unique_ptr<P12Bag>* end = &link;
    while (*end) end = &(*end)->next;
    *end = std::move(bags);
    while (*end) end = &(*end)->next;
    return *end;
}

namespace {

int append(P12* container, int type, BagContent content, const char16_t* friendly_name, unsigned char mark) {
    if (!container) return 0;
    auto bag = std::make_unique<P12Bag>();
    bag->type = type;
    bag->mark = mark;
    if (friendly_name) bag->friendly_name = std::u16string(friendly_name);
    bag->content = std::move(content);
    P12_append_bags(container->first, std::move(bag));
    return 1;
}

}  // namespace

std::unique_ptr<P12> P12_new() { return std::make_unique<P12>(); }
void P12_free(std::unique_ptr<P12> container) { container.reset(); }

int P12_add_cert(P12* container, std::unique_ptr<Cert> cert, const char16_t* friendly_name, unsigned char mark) {
    if (!cert) return 0;
    return append(container, BAG_CERT, std::move(cert), friendly_name, mark);
}
int P12_add_crl(P12* container, std::unique_ptr<CRL> crl, const char16_t* friendly_name, unsigned char mark) {
    if (!crl) return 0;
    return append(container, BAG_CRL, std::move(crl), friendly_name, mark);
}
int P12_add_key(P12* container, std::unique_ptr<Key> key, const char16_t* friendly_name, unsigned char mark) {
    if (!key) return 0;
    return append(container, BAG_KEY, std::move(key), friendly_name, mark);
}

P12Bag* P12_find_bag(const P12* container, int type, unsigned char mark) {
    if (!container) return nullptr;
    for (P12Bag* bag = container->first.get(); bag; bag = bag->next.get())
        if (bag->type == type && bag->mark == mark) return bag;
    return nullptr;
}

void P12Bag_free(std::unique_ptr<P12Bag> bag) { bag.reset(); }

int P12_mov_p12bags(P12* container, P12* source) {
    if (!container || !source) return 0;
    if (container == source) return 1;
    P12_append_bags(container->first, std::move(source->first));
    return 1;
}

int LN_cmp(const KeyNumber& a, const KeyNumber& b) {
    EVP_PKEY* ka = kx::pkey_of(a);
    EVP_PKEY* kb = kx::pkey_of(b);
    if (!ka || !kb) return 1;
    if (ka == kb) return 0;
    return EVP_PKEY_eq(ka, kb) == 1 ? 0 : 1;
}
