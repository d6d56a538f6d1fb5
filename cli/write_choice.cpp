#include "cli/write_choice.h"

#include "crypto/kx_text.h"
#include "doc/VortlaneDoc.h"
#include "doc/output_forms.h"

namespace {

// What the file to be written states in the clear, as a destination's verdict reads it.
KxProtection WrittenProtection(const Destination& target, const KxWriteSettings& write) {
    if (write.form == FORM_PKCS12) {
        Destination as = target;
        as.keyCipher = write.key_cipher;
        as.certCipher = write.cert_cipher.value_or(target.certCipher);
        as.macDigest = write.mac_digest;
        as.pbeIterations = write.iterations;
        as.macIterations = write.mac_iterations;
        return DestinationProtection(as);
    }
    KxProtection protection;
    if (write.key_cipher != KX_CIPHER_NONE)
        protection.key =
            CipherPbe(write.key_cipher, static_cast<std::uint64_t>(write.iterations), write.form == FORM_PRIVATE_KEY);
    return protection;
}

}  // namespace

const Destination* ProfileOf(const CliSettings& settings) {
    const OutputFormRule* rule = OutputFormRuleAt(settings.form);
    if (!rule || rule->cipherUse == CipherUse::None) return nullptr;
    if (settings.target) return FindDestination(*settings.target);
    // -c alone keeps what it always wrote: the cipher's own MAC, certificate safe and count.
    return settings.cipher ? nullptr : &Destinations().front();
}

int DestinationCipher(const Destination& destination, int form) {
    switch (form) {
    case FORM_PRIVATE_KEY: return destination.pemCipher;
    case FORM_PKCS12: return destination.keyCipher;
    case FORM_PKCS8: return destination.p8Cipher;
    default: return KX_CIPHER_NONE;
    }
}

KxWriteSettings ChooseWriteSettings(const ConversionSession& session, const CliSettings& settings,
                                    std::ostream& diagnostics) {
    KxWriteSettings write = session.WriteSettings(settings.der, settings.cipher, settings.iterations);
    if (settings.name && write.form == FORM_PKCS12) write.friendly_name = KX_utf16_of(*settings.name);
    const Destination* target = ProfileOf(settings);
    if (!target) return write;

    // The target's profile, then what -c and --iter change of it.
    write.key_cipher = settings.cipher ? *settings.cipher : DestinationCipher(*target, write.form);
    write.iterations = settings.iterations ? settings.iterations : target->pbeIterations;
    if (write.form == FORM_PKCS12) {
        write.cert_cipher = target->certCipher;
        write.mac_digest = target->macDigest;
        write.mac_iterations = settings.iterations ? settings.iterations : target->macIterations;
        write.java_trusted_certificates = target->trustStore;
    }
    if (settings.cipher || settings.iterations) {
        const Verdict verdict = JudgeFor(*target, WrittenProtection(*target, write));
        if (!verdict.takes)
            diagnostics << "quillon-cli: warning: -c/--iter leave what --for " << target->name
                        << " takes: " << verdict.reason << "\n";
    }
    return write;
}
