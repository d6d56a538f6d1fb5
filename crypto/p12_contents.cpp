// PKCS#12 contents for a check: every safe and bag, each certificate's subject and each key's own
// certificate. Each key derivation the file asks for runs at most once, and none without a pass phrase.
#include "crypto/p12_contents.h"
#include "crypto/bundle_limit_internal.h"
#include "crypto/input_internal.h"
#include "crypto/kx_internal.h"
#include "crypto/openssl_ptr.h"
#include "crypto/pbe_check_internal.h"
#include "crypto/pem_block_internal.h"
#include "crypto/protection_facts_internal.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <new>
#include <system_error>
#include <thread>

namespace {

using SafesPtr = kx::Pkcs7StackPtr;
using BagsPtr = kx::SafeBagStackPtr;

struct CertSeen {
    KxBagPlace place;
    kx::X509Ptr cert;
};
// A key bag; a shrouded one is opened by a job of its own.
struct KeySeen {
    KxBagPlace place;
    const X509_SIG* sig = nullptr;  // shrouded: its encryption and data (owned by the bags kept open)
    kx::PkeyPtr key;                // null: shrouded and not (yet) opened
};

// Runs the jobs side by side, at most one thread per processor, and returns when all are done. Each
// derivation is independent of the others, so a file's MAC, certificate safe and key cost the time of
// the slowest, not of all three. Where no thread can be had, the calling thread runs them all.
void RunAll(std::vector<std::function<void()>>& jobs) {
    std::atomic<std::size_t> next{0};
    auto work = [&](bool worker) {
        for (std::size_t i; (i = next.fetch_add(1)) < jobs.size();) jobs[i]();
        // A failed decryption leaves errors in the queue; the calling thread's are the caller's to drop.
        if (worker) ERR_clear_error();
    };
    std::vector<std::thread> threads;
    const std::size_t wanted = std::min<std::size_t>(jobs.size(), std::max(1u, std::thread::hardware_concurrency()));
    try {
        for (std::size_t t = 1; t < wanted; ++t) threads.emplace_back(work, true);
    } catch (const std::system_error&) {
        // fewer threads: the ones started and this one share the jobs
    }
    work(false);
    for (std::thread& t : threads) t.join();
}

// One opening of a file: the pass phrase (none: nothing is derived) and what it found so far.
class Opener {
public:
    Opener(KxInput& in, const SecretString* pass, KxP12Contents& out) : in_(in), pass_(pass), out_(out) {}

    void Run(const PKCS12* p12) {
        SafesPtr safes(PKCS12_unpack_authsafes(p12));
        if (!safes) return;  // integrity by public key, or damaged: nothing to list
        const auto count =
            std::min<std::size_t>(static_cast<std::size_t>(sk_PKCS7_num(safes.get())), out_.protection.safes.size());
        out_.contents.resize(out_.protection.safes.size());
        opened_.resize(count);
        // The plain safes first: listing them derives nothing.
        for (std::size_t i = 0; i < count; ++i) {
            PKCS7* p7 = sk_PKCS7_value(safes.get(), static_cast<int>(i));
            if (PKCS7_type_is_data(p7)) opened_[i].reset(PKCS12_unpack_p7data(p7));
            if (opened_[i] && Counted(opened_[i].get())) List(opened_[i].get(), i);
        }
        if (!pass_ || !Affordable(p12, safes.get())) return Match();

        // The MAC, every encrypted safe and every key seen so far, side by side.
        std::vector<std::function<void()>> jobs;
        bool macOk = true;
        if (PKCS12_mac_present(p12)) jobs.emplace_back([&] { macOk = VerifyMac(p12); });
        for (std::size_t i = 0; i < count; ++i) {
            PKCS7* p7 = sk_PKCS7_value(safes.get(), static_cast<int>(i));
            if (PKCS7_type_is_encrypted(p7))
                jobs.emplace_back([this, p7, i] { opened_[i].reset(PKCS12_unpack_p7encdata(p7, Pass(), PassLen())); });
        }
        const std::size_t seen = keys_.size();
        AddKeyJobs(jobs, 0);
        RunAll(jobs);
        if (PKCS12_mac_present(p12)) out_.mac = macOk ? KxMacCheck::Verified : KxMacCheck::Wrong;
        if (!macOk) {
            out_.failure = {KxReadFailure::WrongPassPhrase, {}};
            return Match();
        }
        if (macByAbsent_) {
            // Made with the absent pass phrase: the rest was encrypted with it too. Only an empty pass
            // phrase given comes here, and only then is anything derived a second time.
            absent_ = true;
            for (std::size_t i = 0; i < count; ++i) {
                PKCS7* p7 = sk_PKCS7_value(safes.get(), static_cast<int>(i));
                if (PKCS7_type_is_encrypted(p7) && !opened_[i])
                    opened_[i].reset(PKCS12_unpack_p7encdata(p7, Pass(), PassLen()));
            }
            std::vector<std::function<void()>> again;
            AddKeyJobs(again, 0);
            RunAll(again);
        }
        for (std::size_t i = 0; i < count && Fine(); ++i) {
            PKCS7* p7 = sk_PKCS7_value(safes.get(), static_cast<int>(i));
            if (!PKCS7_type_is_encrypted(p7)) continue;
            if (!opened_[i]) {
                Fail("safe " + std::to_string(i + 1));
            } else if (Counted(opened_[i].get())) {
                KxSafeFacts& facts = out_.protection.safes[i];
                facts.bags.emplace();
                for (int j = 0; j < sk_PKCS12_SAFEBAG_num(opened_[i].get()); ++j)
                    facts.bags->push_back(kx::bag_facts(sk_PKCS12_SAFEBAG_value(opened_[i].get(), j)));
                List(opened_[i].get(), i);
            }
        }
        // The keys the encrypted safes held, once their cost is known and allowed.
        jobs.clear();
        for (std::size_t k = seen; k < keys_.size() && Fine(); ++k) {
            std::uint64_t work = 0;
            const X509_ALGOR* alg = nullptr;
            if (keys_[k].sig) X509_SIG_get0(keys_[k].sig, &alg, nullptr);
            if (keys_[k].sig && !(kx::pbe_usable(in_, alg, &work) && kx::within_budget(in_, spent_, work)))
                out_.failure = in_.refusal();
        }
        if (Fine()) AddKeyJobs(jobs, seen);
        RunAll(jobs);
        for (const KeySeen& key : keys_)
            if (key.sig && !key.key && Fine()) Fail("the key bag (safe " + std::to_string(key.place.safe + 1) + ")");
        Match();
    }

private:
    const char* Pass() const { return absent_ ? nullptr : pass_->str().c_str(); }
    int PassLen() const { return absent_ ? 0 : static_cast<int>(pass_->str().size()); }
    bool Fine() const { return out_.failure.kind == KxReadFailure::None; }

    // Every derivation that shows before anything is decrypted is checked and charged first: a file
    // that asks for too much is refused before the first one runs.
    bool Affordable(const PKCS12* p12, const STACK_OF(PKCS7) * safes) {
        std::uint64_t work = 0;
        bool ok =
            !PKCS12_mac_present(p12) || (kx::p12_mac_usable(in_, p12, &work) && kx::within_budget(in_, spent_, work));
        for (int i = 0; ok && i < sk_PKCS7_num(safes); ++i) {
            const PKCS7* p7 = sk_PKCS7_value(safes, i);
            if (PKCS7_type_is_encrypted(p7) && p7->d.encrypted && p7->d.encrypted->enc_data)
                ok = kx::pbe_usable(in_, p7->d.encrypted->enc_data->algorithm, &work) &&
                     kx::within_budget(in_, spent_, work);
        }
        for (std::size_t k = 0; ok && k < keys_.size(); ++k) {
            const X509_ALGOR* alg = nullptr;
            if (!keys_[k].sig) continue;
            X509_SIG_get0(keys_[k].sig, &alg, nullptr);
            ok = kx::pbe_usable(in_, alg, &work) && kx::within_budget(in_, spent_, work);
        }
        if (!ok) out_.failure = in_.refusal();
        return ok;
    }

    bool VerifyMac(const PKCS12* p12) {
        // PKCS12_verify_mac does not change the file; it is declared to take it as non-const.
        auto* p = const_cast<PKCS12*>(p12);
        if (PKCS12_verify_mac(p, Pass(), PassLen()) == 1) return true;
        // "No pass phrase" comes in two encodings: absent and empty.
        macByAbsent_ = pass_->empty() && PKCS12_verify_mac(p, nullptr, 0) == 1;
        return macByAbsent_;
    }

    void AddKeyJobs(std::vector<std::function<void()>>& jobs, std::size_t from) {
        for (std::size_t k = from; k < keys_.size(); ++k) {
            if (!keys_[k].sig || keys_[k].key) continue;
            jobs.emplace_back([this, k] {
                kx::P8InfoPtr info(PKCS8_decrypt_ex(keys_[k].sig, Pass(), PassLen(), nullptr, nullptr));
                keys_[k].key.reset(info ? EVP_PKCS82PKEY(info.get()) : nullptr);
            });
        }
    }

    bool Counted(const STACK_OF(PKCS12_SAFEBAG) * bags) {
        entries_ += static_cast<std::size_t>(sk_PKCS12_SAFEBAG_num(bags));
        if (entries_ <= KX_MAX_BUNDLE_ENTRIES) return true;
        out_.failure = kx::too_many_entries();
        return false;
    }

    void Fail(const std::string& what) {
        // With a verified MAC the pass phrase is right for the file: the part wants one of its own.
        std::string detail;
        if (out_.mac == KxMacCheck::Verified)
            detail = "the MAC verifies with this pass phrase, but " + what + " needs another pass phrase";
        out_.failure = {KxReadFailure::WrongPassPhrase, detail};
    }

    void List(const STACK_OF(PKCS12_SAFEBAG) * bags, std::size_t safe) {
        std::vector<KxBagContent>& contents = out_.contents[safe];
        const int n = sk_PKCS12_SAFEBAG_num(bags);
        contents.resize(static_cast<std::size_t>(n));
        for (int j = 0; j < n; ++j) {
            const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags, j);
            const KxBagPlace place{safe, static_cast<std::size_t>(j)};
            const int nid = PKCS12_SAFEBAG_get_nid(bag);
            if (nid == NID_certBag && PKCS12_SAFEBAG_get_bag_nid(bag) == NID_x509Certificate) {
                kx::X509Ptr x(PKCS12_SAFEBAG_get1_cert(bag));
                if (!x) continue;
                contents[place.bag].subject = kx::dn_text(X509_get_subject_name(x.get()));
                certs_.push_back({place, std::move(x)});
            } else if (nid == NID_keyBag) {
                const PKCS8_PRIV_KEY_INFO* info = PKCS12_SAFEBAG_get0_p8inf(bag);
                keys_.push_back({place, nullptr, kx::PkeyPtr(info ? EVP_PKCS82PKEY(info) : nullptr)});
            } else if (nid == NID_pkcs8ShroudedKeyBag) {
                keys_.push_back({place, PKCS12_SAFEBAG_get0_pkcs8(bag), nullptr});
            }
        }
    }

    // Each key's certificate: by public key when the key was opened, else by local key id.
    void Match() {
        for (const KeySeen& key : keys_) {
            KxBagContent& content = out_.contents[key.place.safe][key.place.bag];
            for (const CertSeen& cert : certs_) {
                if (key.key) {
                    const EVP_PKEY* pub = X509_get0_pubkey(cert.cert.get());
                    if (!pub || EVP_PKEY_eq(key.key.get(), pub) != 1) continue;
                    content.matched_by = "public key";
                } else {
                    const std::optional<std::string>& id = Facts(key.place).local_key_id;
                    if (!id || Facts(cert.place).local_key_id != id) continue;
                    content.matched_by = "local key id";
                }
                content.certificate = cert.place;
                break;
            }
        }
    }

    const KxBagFacts& Facts(const KxBagPlace& place) const {
        return (*out_.protection.safes[place.safe].bags)[place.bag];
    }

    KxInput& in_;
    const SecretString* pass_;
    KxP12Contents& out_;
    bool macByAbsent_ = false;  // set by the MAC's job: it verified with the absent pass phrase only
    bool absent_ = false;       // from then on the absent pass phrase is used
    std::uint64_t spent_ = 0;
    std::size_t entries_ = 0;
    std::vector<BagsPtr> opened_;  // each safe's bags, plain or opened; the keys' encryptions point into them
    std::vector<CertSeen> certs_;
    std::vector<KeySeen> keys_;
};

void Contents(KxInput& in, const SecretString* pass, KxP12Contents& out) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return;
    kx::PemBlock block;
    const std::vector<unsigned char>* der = nullptr;
    if (file->may_be(kx::kDerP12))
        der = &file->bytes;
    else if (kx::find_pem_block(*file, {"PKCS12"}, block))
        der = &block.data;
    if (!der || der->size() > static_cast<std::size_t>(std::numeric_limits<long>::max())) return;
    const unsigned char* p = der->data();
    kx::Pkcs12Ptr p12(d2i_PKCS12(nullptr, &p, static_cast<long>(der->size())));
    if (!p12) return;
    out.protection = KX_read_protection(*der);
    // The facts stop at the bundle cap; a file past it is not listed.
    if (out.protection.empty()) {
        out.failure = kx::too_many_entries();
        return;
    }
    out.parsed = true;
    Opener(in, pass, out).Run(p12.get());
}

}  // namespace

KxP12Contents KX_p12_contents(KxInput& in, const SecretString* pass) {
    KxP12Contents out;
    ERR_set_mark();
    try {
        Contents(in, pass, out);
    } catch (const std::bad_alloc&) {
        out = KxP12Contents{};
        out.failure = {KxReadFailure::OutOfMemory, {}};
    }
    ERR_pop_to_mark();
    return out;
}
