// The PKCS#12 reader: every safe bag in file order (certificates, CRLs, plain and shrouded keys, and
// bags of other kinds kept as BAG_OTHER), with friendly names. The MAC and every PBE are checked
// before any key derivation; the empty pass phrase is tried before the provider is asked.
#include "crypto/block_readers_internal.h"
#include "crypto/bundle_limit_internal.h"
#include "crypto/input_internal.h"
#include "crypto/kx_internal.h"
#include "crypto/pass_internal.h"
#include "crypto/pbe_check_internal.h"

#include <limits>

namespace {

// Refused: damaged or not PKCS#12; Unsupported: an algorithm or a limit refused it (the reason is recorded).
enum class Outcome { Ok, WrongPass, Refused, Unsupported };

std::optional<std::u16string> friendly_name_of(const PKCS12_SAFEBAG* bag) {
    const ASN1_TYPE* attr = PKCS12_SAFEBAG_get0_attr(bag, NID_friendlyName);
    if (!attr || attr->type != V_ASN1_BMPSTRING) return std::nullopt;
    const ASN1_STRING* s = attr->value.bmpstring;
    const unsigned char* d = ASN1_STRING_get0_data(s);
    int n = ASN1_STRING_length(s);
    std::u16string name;
    for (int i = 0; i + 1 < n; i += 2) name.push_back(static_cast<char16_t>((d[i] << 8) | d[i + 1]));
    return name;
}

// The PKCS#5 v1 schemes. NSS derives their keys inside a PKCS#12 file from the pass phrase as a
// BMPString (UTF-16BE and two zero bytes, as the PKCS#12 schemes do), OpenSSL from its bytes as they are.
bool is_pbes1(const X509_ALGOR* alg) {
    switch (alg ? OBJ_obj2nid(alg->algorithm) : NID_undef) {
    case NID_pbeWithMD2AndDES_CBC:
    case NID_pbeWithMD5AndDES_CBC:
    case NID_pbeWithSHA1AndDES_CBC:
    case NID_pbeWithMD2AndRC2_CBC:
    case NID_pbeWithMD5AndRC2_CBC:
    case NID_pbeWithSHA1AndRC2_CBC: return true;
    default: return false;
    }
}

// `attempt` given the pass phrase in that BMPString form; null when it has none (not UTF-8).
template <class Attempt>
auto with_bmp_pass(const char* pass, int passlen, Attempt attempt) -> decltype(attempt(nullptr, 0)) {
    unsigned char* uni = nullptr;
    int unilen = 0;
    if (!OPENSSL_utf82uni(pass ? pass : "", pass ? passlen : 0, &uni, &unilen)) return nullptr;
    auto result = attempt(reinterpret_cast<const char*>(uni), unilen);
    OPENSSL_clear_free(uni, static_cast<std::size_t>(unilen));
    return result;
}

// The MAC verified with the pass phrase, so the bytes are as written: what then fails to decrypt was
// encrypted under another pass phrase, not damaged.
Outcome needs_another_pass(KxInput& in, const char* what) {
    in.refuse(
        {KxReadFailure::WrongPassPhrase, std::string("MAC verified, but ") + what + " needs another pass phrase"});
    return Outcome::Unsupported;
}

std::string oid_text(const ASN1_OBJECT* obj) {
    char buf[128];
    int n = OBJ_obj2txt(buf, sizeof buf, obj, 1);
    return n > 0 ? std::string(buf) : std::string();
}

class BagCollector {
public:
    // `spent`: the key-derivation work charged before any safe was opened.
    BagCollector(KxInput& in, std::uint64_t spent) : in_(in), spent_(spent) {}

    // Walks the bags of one safe contents; passes are only used for shrouded keys. `charge` says the
    // shrouded keys' work is not yet counted (their safe was encrypted, so nobody saw them before).
    Outcome collect(const STACK_OF(PKCS12_SAFEBAG) * bags, const char* pass, int passlen, bool mac_verified,
                    bool charge) {
        charge_ = charge;
        // Counted before any certificate in them is parsed.
        seen_ += static_cast<std::size_t>(sk_PKCS12_SAFEBAG_num(bags));
        if (seen_ > KX_MAX_BUNDLE_ENTRIES) {
            in_.refuse(kx::too_many_entries());
            return Outcome::Unsupported;
        }
        for (int i = 0; i < sk_PKCS12_SAFEBAG_num(bags); ++i) {
            const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags, i);
            Outcome o = one(bag, pass, passlen, mac_verified);
            if (o != Outcome::Ok) return o;
        }
        return Outcome::Ok;
    }

    std::unique_ptr<P12> take() { return std::move(out_); }

    // Adds key-derivation work done outside the bags (a safe decrypted twice); false past the budget.
    bool charge(std::uint64_t work) { return kx::within_budget(in_, spent_, work); }

private:
    void push(int type, BagContent content, const PKCS12_SAFEBAG* bag) {
        auto b = std::make_unique<P12Bag>();
        b->type = type;
        b->content = std::move(content);
        b->friendly_name = friendly_name_of(bag);
        tail_ = &P12_append_bags(*tail_, std::move(b));
    }

    Outcome one(const PKCS12_SAFEBAG* bag, const char* pass, int passlen, bool mac_verified) {
        switch (PKCS12_SAFEBAG_get_nid(bag)) {
        case NID_certBag:
            if (PKCS12_SAFEBAG_get_bag_nid(bag) == NID_x509Certificate) {
                kx::X509Ptr x(PKCS12_SAFEBAG_get1_cert(bag));
                if (!x) return Outcome::Refused;
                unsigned char* der = nullptr;
                int n = i2d_X509(x.get(), &der);
                if (n <= 0) return Outcome::Refused;
                push(BAG_CERT, kx::make_cert(x.get(), der, static_cast<std::size_t>(n)), bag);
                OPENSSL_free(der);
                return Outcome::Ok;
            }
            break;
        case NID_crlBag:
            if (PKCS12_SAFEBAG_get_bag_nid(bag) == NID_x509Crl) {
                kx::X509CrlPtr c(PKCS12_SAFEBAG_get1_crl(bag));
                if (!c) return Outcome::Refused;
                unsigned char* der = nullptr;
                int n = i2d_X509_CRL(c.get(), &der);
                if (n <= 0) return Outcome::Refused;
                push(BAG_CRL, kx::make_crl(c.get(), der, static_cast<std::size_t>(n)), bag);
                OPENSSL_free(der);
                return Outcome::Ok;
            }
            break;
        case NID_keyBag: {
            const PKCS8_PRIV_KEY_INFO* info = PKCS12_SAFEBAG_get0_p8inf(bag);
            kx::PkeyPtr key(info ? EVP_PKCS82PKEY(info) : nullptr);
            if (!key) return Outcome::Refused;
            push(BAG_KEY, kx::make_key(std::move(key)), bag);
            return Outcome::Ok;
        }
        case NID_pkcs8ShroudedKeyBag: {
            const X509_SIG* sig = PKCS12_SAFEBAG_get0_pkcs8(bag);
            const X509_ALGOR* alg = nullptr;
            if (!sig) return Outcome::Refused;
            X509_SIG_get0(sig, &alg, nullptr);
            std::uint64_t work = 0;
            if (!kx::pbe_usable(in_, alg, &work)) return Outcome::Unsupported;
            if (charge_ && !kx::within_budget(in_, spent_, work)) return Outcome::Unsupported;
            kx::P8InfoPtr info(PKCS8_decrypt_ex(sig, pass, passlen, nullptr, nullptr));
            if (!info && is_pbes1(alg)) {
                if (!kx::within_budget(in_, spent_, work)) return Outcome::Unsupported;
                info.reset(with_bmp_pass(pass, passlen, [&](const char* bmp, int len) {
                    return PKCS8_decrypt_ex(sig, bmp, len, nullptr, nullptr);
                }));
            }
            if (!info) return mac_verified ? needs_another_pass(in_, "the key bag") : Outcome::WrongPass;
            kx::PkeyPtr key(EVP_PKCS82PKEY(info.get()));
            if (!key) return Outcome::Refused;
            push(BAG_KEY, kx::make_key(std::move(key)), bag);
            return Outcome::Ok;
        }
        default: break;
        }
        OtherBag other;
        other.oid = oid_text(PKCS12_SAFEBAG_get0_type(bag));
        push(BAG_OTHER, other, bag);
        return Outcome::Ok;
    }

    KxInput& in_;
    std::size_t seen_ = 0;
    std::uint64_t spent_ = 0;
    bool charge_ = false;
    std::unique_ptr<P12> out_ = std::make_unique<P12>();
    std::unique_ptr<P12Bag>* tail_ = &out_->first;
};

// Charges the key-derivation work that opening the file takes, as far as it shows before anything is
// decrypted: the MAC, every encrypted safe and every shrouded key in a plain safe. Keys inside encrypted
// safes are charged once their safe is open, before their own derivation. Damage is left to the reader.
Outcome charge_visible_work(KxInput& in, const PKCS12* p12, std::uint64_t& spent) {
    std::uint64_t work = 0;
    if (PKCS12_mac_present(p12) && (!kx::p12_mac_usable(in, p12, &work) || !kx::within_budget(in, spent, work)))
        return Outcome::Unsupported;
    STACK_OF(PKCS7)* safes = PKCS12_unpack_authsafes(p12);
    if (!safes) return Outcome::Ok;
    Outcome outcome = Outcome::Ok;
    std::size_t seen = 0;
    for (int i = 0; i < sk_PKCS7_num(safes) && outcome == Outcome::Ok; ++i) {
        PKCS7* p7 = sk_PKCS7_value(safes, i);
        if (PKCS7_type_is_encrypted(p7)) {
            if (p7->d.encrypted && p7->d.encrypted->enc_data &&
                (!kx::pbe_usable(in, p7->d.encrypted->enc_data->algorithm, &work) ||
                 !kx::within_budget(in, spent, work)))
                outcome = Outcome::Unsupported;
            continue;
        }
        if (!PKCS7_type_is_data(p7)) continue;
        STACK_OF(PKCS12_SAFEBAG)* bags = PKCS12_unpack_p7data(p7);
        if (!bags) continue;
        seen += static_cast<std::size_t>(sk_PKCS12_SAFEBAG_num(bags));
        if (seen > KX_MAX_BUNDLE_ENTRIES) {
            in.refuse(kx::too_many_entries());
            outcome = Outcome::Unsupported;
        }
        for (int j = 0; j < sk_PKCS12_SAFEBAG_num(bags) && outcome == Outcome::Ok; ++j) {
            const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags, j);
            if (PKCS12_SAFEBAG_get_nid(bag) != NID_pkcs8ShroudedKeyBag) continue;
            const X509_SIG* sig = PKCS12_SAFEBAG_get0_pkcs8(bag);
            if (!sig) continue;
            const X509_ALGOR* alg = nullptr;
            X509_SIG_get0(sig, &alg, nullptr);
            if (!kx::pbe_usable(in, alg, &work) || !kx::within_budget(in, spent, work)) outcome = Outcome::Unsupported;
        }
        sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
    }
    sk_PKCS7_pop_free(safes, PKCS7_free);
    return outcome;
}

// Reads every safe with the given pass phrase. With a verified MAC a decryption failure means a
// damaged file; without one it most likely means a wrong pass phrase.
Outcome read_contents(KxInput& in, const PKCS12* p12, const char* pass, int passlen, bool mac_verified,
                      std::uint64_t spent, std::unique_ptr<P12>& out) {
    STACK_OF(PKCS7)* safes = PKCS12_unpack_authsafes(p12);
    if (!safes) return Outcome::Refused;
    BagCollector collector(in, spent);
    Outcome outcome = Outcome::Ok;
    std::uint64_t work = 0;
    for (int i = 0; i < sk_PKCS7_num(safes) && outcome == Outcome::Ok; ++i) {
        PKCS7* p7 = sk_PKCS7_value(safes, i);
        STACK_OF(PKCS12_SAFEBAG)* bags = nullptr;
        if (PKCS7_type_is_data(p7)) {
            bags = PKCS12_unpack_p7data(p7);
            if (!bags) outcome = Outcome::Refused;
        } else if (PKCS7_type_is_encrypted(p7)) {
            if (!p7->d.encrypted || !p7->d.encrypted->enc_data) {
                outcome = Outcome::Refused;
            } else if (!kx::pbe_usable(in, p7->d.encrypted->enc_data->algorithm, &work)) {
                outcome = Outcome::Unsupported;
            } else {
                bags = PKCS12_unpack_p7encdata(p7, pass, passlen);
                if (!bags && is_pbes1(p7->d.encrypted->enc_data->algorithm)) {
                    if (!collector.charge(work))
                        outcome = Outcome::Unsupported;
                    else
                        bags = with_bmp_pass(pass, passlen, [&](const char* bmp, int len) {
                            return PKCS12_unpack_p7encdata(p7, bmp, len);
                        });
                }
                if (!bags && outcome == Outcome::Ok)
                    outcome = mac_verified ? needs_another_pass(in, "an encrypted safe") : Outcome::WrongPass;
            }
        }  // safes of other kinds (public-key encrypted) cannot be opened with a pass phrase: skipped
        if (bags) outcome = collector.collect(bags, pass, passlen, mac_verified, PKCS7_type_is_encrypted(p7));
        sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
    }
    sk_PKCS7_pop_free(safes, PKCS7_free);
    if (outcome == Outcome::Ok) out = collector.take();
    return outcome;
}

std::unique_ptr<P12> finish(KxInput& in, Outcome outcome, std::unique_ptr<P12> out) {
    if (outcome == Outcome::Unsupported) return nullptr;
    if (outcome != Outcome::Ok || !out || !out->first) return kx::refuse(in);  // no bag at all: nothing was read
    in.accept();
    return out;
}

// Asks for pass phrases until `open(pass)` stops saying the pass phrase was wrong.
template <class Open>
std::unique_ptr<P12> open_with_provider(KxInput& in, Open open, std::unique_ptr<P12>& out) {
    std::optional<Outcome> last;  // none: the provider gave no pass phrase at all
    bool ok = kx::with_input_pass(in, [&](const SecretString& pass) {
        ERR_set_mark();
        last = open(pass.str().c_str(), static_cast<int>(pass.str().size()));
        ERR_pop_to_mark();
        if (*last == Outcome::WrongPass) return kx::Attempt::Wrong;
        return *last == Outcome::Ok ? kx::Attempt::Ok : kx::Attempt::Failed;
    });
    if (!ok && last == Outcome::Refused) return kx::refuse(in);
    if (!ok) return nullptr;  // cancelled, wrong or unsupported: the reason is recorded
    return finish(in, Outcome::Ok, std::move(out));
}

}  // namespace

// Some tools write a PKCS#12 file inside PEM armour ("PKCS12"); it is read like the DER file.
std::unique_ptr<P12> P12_read_file(KxInput& in) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return nullptr;
    if (file->may_be(kx::kDerP12)) return kx::p12_from_der(in, file->bytes.data(), file->bytes.size());
    kx::PemBlock block;
    if (kx::find_pem_block(*file, {"PKCS12"}, block)) return kx::p12_from_der(in, block.data.data(), block.data.size());
    return kx::refuse(in);
}

std::unique_ptr<P12> kx::p12_from_der(KxInput& in, const unsigned char* data, std::size_t len) {
    if (!(sniff_der(data, len) & kDerP12) || len > static_cast<std::size_t>(std::numeric_limits<long>::max()))
        return kx::refuse(in);
    const unsigned char* p = data;
    ERR_set_mark();
    kx::Pkcs12Ptr p12(d2i_PKCS12(nullptr, &p, static_cast<long>(len)));
    ERR_pop_to_mark();
    if (!p12) return kx::refuse(in);

    std::unique_ptr<P12> out;
    std::uint64_t spent = 0;
    ERR_set_mark();
    const Outcome affordable = charge_visible_work(in, p12.get(), spent);
    ERR_pop_to_mark();
    if (affordable != Outcome::Ok) return nullptr;  // the reason is recorded
    if (PKCS12_mac_present(p12.get())) {
        ERR_set_mark();
        // "No pass phrase" comes in two encodings: absent and empty.
        const char* empty = nullptr;
        bool verified = PKCS12_verify_mac(p12.get(), nullptr, 0) == 1;
        if (!verified && PKCS12_verify_mac(p12.get(), "", 0) == 1) {
            verified = true;
            empty = "";
        }
        Outcome o = verified ? read_contents(in, p12.get(), empty, 0, true, spent, out) : Outcome::WrongPass;
        ERR_pop_to_mark();
        if (verified) return finish(in, o, std::move(out));
        return open_with_provider(
            in,
            [&](const char* pw, int len) {
                if (PKCS12_verify_mac(p12.get(), pw, len) != 1) return Outcome::WrongPass;
                return read_contents(in, p12.get(), pw, len, true, spent, out);
            },
            out);
    }

    // No MAC: open it with the empty pass phrase when nothing is encrypted or that works, else ask.
    ERR_set_mark();
    Outcome first = read_contents(in, p12.get(), "", 0, false, spent, out);
    if (first == Outcome::WrongPass) first = read_contents(in, p12.get(), nullptr, 0, false, spent, out);
    ERR_pop_to_mark();
    if (first != Outcome::WrongPass) return finish(in, first, std::move(out));
    return open_with_provider(
        in, [&](const char* pw, int len) { return read_contents(in, p12.get(), pw, len, false, spent, out); }, out);
}
