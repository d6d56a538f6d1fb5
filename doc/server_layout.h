// A server's set of files made from the arranged chain in one go: the certbot layout (nginx, Apache),
// HAProxy's one file, a Kubernetes TLS secret, or a PKCS#12 bundle. Assembled in memory first, then
// written all or nothing.
#pragma once

#include "crypto/file_set.h"
#include "crypto/kx.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class ServerLayout { Certbot, Haproxy, K8s, Pfx };

// "certbot", "haproxy", "k8s", "pfx"; none for any other name.
std::optional<ServerLayout> ServerLayoutNamed(std::string_view name);

// The arranged chain as a server sends it: the leaf (the deepest certificate) first, each certificate
// followed by its issuer; the root apart, since servers do not send it.
struct ServedChain {
    std::vector<const Cert*> sent;  // leaf, then intermediates
    const Cert* root = nullptr;     // the self-signed top, when the chain reaches one
    const Key* key = nullptr;       // the leaf's key
};

struct LayoutRequest {
    ServerLayout layout = ServerLayout::Certbot;
    std::string k8s_name;           // metadata.name; empty: made from the leaf's common name
    bool allow_incomplete = false;  // write a chain whose top is not a self-signed root
    // A key was among the inputs: when none stays at the chain's bottom, arranging dropped it as the key
    // of another certificate, and the refusal says so.
    bool key_among_inputs = false;
    // The key's PEM text when it is to be encrypted (an output pass phrase was given); unset: the key is
    // written as clear PKCS#8. None from it refuses the set.
    std::function<std::optional<SecretString>(const Key&)> protect_key;
    // The bytes of bundle.p12 (key, leaf, intermediates and root). Unset: the pfx layout is refused.
    std::function<std::optional<std::vector<unsigned char>>(const ServedChain&)> make_pfx;
};

struct LayoutFiles {
    std::vector<SetFile> files;
    std::string refusal;  // why nothing is to be written; empty when `files` is the set
};

// The chain as arranged in `container` (bags marked with their depth), or a refusal: no key, a key that
// belongs to no certificate of the chain's bottom, or a chain short of a self-signed root.
ServedChain ServedChainOf(const P12& container, const LayoutRequest& request, std::string& refusal);

LayoutFiles BuildLayout(const P12& container, const LayoutRequest& request);

// A valid Kubernetes object name (lower case, [a-z0-9-.], at most 253 characters, each dot-separated
// part beginning and ending with a letter or digit) made from any text; "tls-secret" when nothing is left.
std::string KubernetesName(std::string_view text);
bool IsKubernetesName(std::string_view name);

// Builds the set and writes it into `folder`; the refusal or the failure is in the outcome's reason.
SetOutcome WriteLayout(const P12& container, const LayoutRequest& request, const std::string& folder);
