// The server layouts: which files, what each holds, in which order.
#include "doc/server_layout.h"

#include "crypto/kx_text.h"
#include "doc/chain_depth.h"
#include "doc/chain_name.h"

#include <initializer_list>
#include <new>
#include <string_view>

namespace {

constexpr std::size_t kMaxKubernetesName = 253;

bool IsLowerAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// The certificates' PEM blocks one after another; none when one of them cannot be encoded.
std::optional<std::string> PemOf(const std::vector<const Cert*>& certs) {
    std::string text;
    for (const Cert* cert : certs) {
        std::optional<std::string> pem = CERT_pem_text(cert->der);
        if (!pem) return std::nullopt;
        text += *pem;
    }
    return text;
}

bool AnyKey(const P12& container) {
    for (const P12Bag* bag = container.first.get(); bag; bag = bag->next.get())
        if (bag->type == BAG_KEY && bag->key()) return true;
    return false;
}

SetFile Plain(std::string name, std::string text) { return {std::move(name), SecretString(std::move(text)), false}; }
SetFile Secret(std::string name, SecretString text) { return {std::move(name), std::move(text), true}; }

// Text holding a key is built in one buffer reserved beforehand, so that no copy of the key is left
// behind unwiped by a reallocation.
SecretString Joined(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (std::string_view part : parts) size += part.size();
    std::string text;
    text.reserve(size);
    for (std::string_view part : parts) text += part;
    return SecretString(std::move(text));
}

SecretString SecretYaml(const std::string& name, const std::string& chain, const SecretString& key, const Cert* root) {
    const SecretString encoded_key = KX_base64(key.str());
    std::optional<std::string> root_pem = root ? CERT_pem_text(root->der) : std::nullopt;
    const std::string ca = root_pem ? "  ca.crt: " + KX_base64(*root_pem).str() + "\n" : std::string();
    return Joined({"apiVersion: v1\nkind: Secret\nmetadata:\n  name: ", name, "\ntype: kubernetes.io/tls\ndata:\n",
                   "  tls.crt: ", KX_base64(chain).str(), "\n  tls.key: ", encoded_key.str(), "\n", ca});
}

LayoutFiles Refused(std::string why) {
    LayoutFiles files;
    files.refusal = std::move(why);
    return files;
}

LayoutFiles Build(const P12& container, const LayoutRequest& request) {
    LayoutFiles out;
    const ServedChain chain = ServedChainOf(container, request, out.refusal);
    if (!out.refusal.empty()) return out;
    if (request.layout == ServerLayout::Pfx) {
        if (!request.make_pfx) return Refused("the pfx layout cannot be written yet");
        std::optional<std::vector<unsigned char>> p12 = request.make_pfx(chain);
        if (!p12) return Refused("the PKCS#12 bundle could not be made");
        out.files.push_back(Secret("bundle.p12", SecretString(std::string(p12->begin(), p12->end()))));
        return out;
    }
    std::optional<SecretString> key =
        request.protect_key ? request.protect_key(*chain.key) : KEY_p8_pem_text(*chain.key);
    if (!key) return Refused("the key could not be encoded");
    const std::vector<const Cert*> intermediates(chain.sent.begin() + 1, chain.sent.end());
    std::optional<std::string> leaf = PemOf({chain.sent.front()});
    std::optional<std::string> between = PemOf(intermediates);
    if (!leaf || !between) return Refused("a certificate could not be encoded");
    switch (request.layout) {
    case ServerLayout::Certbot:
        out.files.push_back(Plain("cert.pem", *leaf));
        out.files.push_back(Plain("chain.pem", *between));
        out.files.push_back(Plain("fullchain.pem", *leaf + *between));
        out.files.push_back(Secret("privkey.pem", std::move(*key)));
        break;
    case ServerLayout::Haproxy:
        out.files.push_back(Secret("haproxy.pem", Joined({*leaf, *between, key->str()})));
        break;
    case ServerLayout::K8s: {
        std::string name = request.k8s_name;
        if (name.empty()) name = KubernetesName(CERT_common_name(chain.sent.front()->der));
        if (!IsKubernetesName(name)) return Refused("\"" + name + "\" is not a valid Kubernetes name");
        out.files.push_back(Secret("tls-secret.yaml", SecretYaml(name, *leaf + *between, *key, chain.root)));
        break;
    }
    case ServerLayout::Pfx: break;
    }
    return out;
}

}  // namespace

std::optional<ServerLayout> ServerLayoutNamed(std::string_view name) {
    if (name == "certbot") return ServerLayout::Certbot;
    if (name == "haproxy") return ServerLayout::Haproxy;
    if (name == "k8s") return ServerLayout::K8s;
    if (name == "pfx") return ServerLayout::Pfx;
    return std::nullopt;
}

ServedChain ServedChainOf(const P12& container, const LayoutRequest& request, std::string& refusal) {
    std::vector<const Cert*> by_depth;
    for (int depth = 0; depth <= kDeepestChainDepth; ++depth) {
        const P12Bag* bag = FindBagAtDepth(&container, BAG_CERT, depth);
        if (!bag || !bag->cert()) break;
        by_depth.push_back(bag->cert());
    }
    if (by_depth.empty() || !by_depth.back()->issuer) {
        refusal = "no certificate for the server: the chain holds none (or only a certificate request)";
        return {};
    }
    const int leaf_depth = static_cast<int>(by_depth.size()) - 1;
    const Cert* leaf = by_depth.back();
    const P12Bag* key_bag = FindBagAtDepth(&container, BAG_KEY, leaf_depth);
    const Key* key = key_bag ? key_bag->key() : nullptr;
    if (!key || LN_cmp(key->number, leaf->pubkey.number) != 0) {
        refusal = request.key_among_inputs || AnyKey(container)
                      ? "the key belongs to no certificate at the chain's bottom (" + leaf->subject + ")"
                      : "no private key: a server needs the key of " + leaf->subject;
        return {};
    }
    const Cert* top = by_depth.front();
    const bool rooted = SubjectOf(*top) == IssuerOf(*top) && CERT_verifies_with(top->der, top->pubkey.number);
    if (!rooted && !request.allow_incomplete) {
        refusal = "the chain does not reach a self-signed root: no input holds " + *top->issuer + ", the issuer of " +
                  top->subject;
        return {};
    }
    ServedChain chain;
    chain.key = key;
    for (int depth = leaf_depth; depth >= (rooted ? 1 : 0); --depth) chain.sent.push_back(by_depth[depth]);
    // A self-signed leaf is its own root: it is sent, and not given again as the root.
    if (chain.sent.empty()) chain.sent.push_back(leaf);
    if (rooted && leaf_depth > 0) chain.root = top;
    return chain;
}

LayoutFiles BuildLayout(const P12& container, const LayoutRequest& request) {
    try {
        return Build(container, request);
    } catch (const std::bad_alloc&) {
        return Refused("out of memory");
    }
}

std::string KubernetesName(std::string_view text) {
    std::string name;
    std::string part;
    auto end_part = [&] {
        while (!part.empty() && !IsLowerAlnum(part.back())) part.pop_back();
        std::size_t lead = 0;
        while (lead < part.size() && !IsLowerAlnum(part[lead])) ++lead;
        part.erase(0, lead);
        if (!part.empty()) name += (name.empty() ? "" : ".") + part;
        part.clear();
    };
    for (char c : text) {
        if (c == '.') {
            end_part();
            continue;
        }
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        // Runs of anything else (spaces, '*', letters beyond ASCII) become one hyphen.
        if (IsLowerAlnum(lower))
            part += lower;
        else if (!part.empty() && part.back() != '-')
            part += '-';
    }
    end_part();
    if (name.size() > kMaxKubernetesName) {
        name.resize(kMaxKubernetesName);
        while (!name.empty() && !IsLowerAlnum(name.back())) name.pop_back();
    }
    return name.empty() ? "tls-secret" : name;
}

bool IsKubernetesName(std::string_view name) {
    if (name.empty() || name.size() > kMaxKubernetesName) return false;
    char previous = '.';
    for (char c : name) {
        const bool ok = IsLowerAlnum(c) || ((c == '-' || c == '.') && previous != '.');
        if (!ok || (c == '.' && previous == '-')) return false;
        previous = c;
    }
    return IsLowerAlnum(name.back());
}

SetOutcome WriteLayout(const P12& container, const LayoutRequest& request, const std::string& folder) {
    LayoutFiles files = BuildLayout(container, request);
    if (!files.refusal.empty()) {
        SetOutcome refused;
        refused.reason = std::move(files.refusal);
        return refused;
    }
    return WriteFileSet(folder, files.files);
}
