// A Java key store's entries as bags of the layer's container, and the store read as an input file;
// see jks_store.h.
#include "crypto/input_internal.h"
#include "crypto/jks_store.h"
#include "crypto/kx_internal.h"

#include <string_view>
#include <unordered_map>

namespace {

class Appender {
public:
    explicit Appender(P12* container) : tail_(&container->first) {
        while (*tail_) tail_ = &(*tail_)->next;  // once: a store of a thousand entries appends in one pass
    }

    void add(int type, BagContent content, const std::optional<std::u16string>& name) {
        auto bag = std::make_unique<P12Bag>();
        bag->type = type;
        bag->content = std::move(content);
        bag->friendly_name = name;
        tail_bag_ = bag.get();
        *tail_ = std::move(bag);
        tail_ = &(*tail_)->next;
        ++count_;
    }

    // A store often holds one certificate twice: a CA as a trusted entry and again in a key's chain.
    // It becomes one bag (named by whichever entry named it), as it is one certificate.
    void add_cert(std::unique_ptr<Cert> cert, const std::optional<std::u16string>& name) {
        const std::string_view der(reinterpret_cast<const char*>(cert->der.data()), cert->der.size());
        if (auto seen = certs_.find(der); seen != certs_.end()) {
            if (!seen->second->friendly_name) seen->second->friendly_name = name;
            return;
        }
        const Cert* kept = cert.get();
        add(BAG_CERT, std::move(cert), name);
        // The record keeps its bytes where they are for as long as the bag holds it.
        certs_.emplace(std::string_view(reinterpret_cast<const char*>(kept->der.data()), kept->der.size()), tail_bag_);
    }

    std::size_t count() const { return count_; }

private:
    std::unique_ptr<P12Bag>* tail_;
    P12Bag* tail_bag_ = nullptr;  // the bag appended last
    std::size_t count_ = 0;
    std::unordered_map<std::string_view, P12Bag*> certs_;
};

}  // namespace

std::size_t JKS_append_bags(P12* container, JksReadResult& result) {
    if (!container) return 0;
    Appender out(container);
    for (JksEntry& entry : result.entries) {
        const std::optional<std::u16string> alias = kx::utf8_to_u16(entry.alias);
        // The alias names the key and its own certificate, as an importer shows them; the issuers above
        // keep names of their own (their subjects'), as when Java itself exports such an entry.
        if (entry.key) out.add(BAG_KEY, kx::make_key(std::move(entry.key)), alias);
        bool first = true;
        for (std::unique_ptr<Cert>& cert : entry.certs) {
            if (cert) out.add_cert(std::move(cert), first ? alias : std::nullopt);
            first = false;
        }
    }
    result.entries.clear();
    return out.count();
}

std::unique_ptr<P12> JKS_read_file(KxInput& in, std::vector<JksSkipped>* skipped) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return nullptr;
    if (!KX_is_java_keystore(file->bytes)) return kx::refuse(in);
    JksReadResult read = KX_read_java_keystore(file->bytes, in.state().source, in.path());
    if (!read.ok()) {
        in.refuse(std::move(read.error));
        return nullptr;
    }
    auto bags = P12_new();
    JKS_append_bags(bags.get(), read);
    if (skipped) *skipped = std::move(read.skipped);
    in.accept();
    return bags;
}
