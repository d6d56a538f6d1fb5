// Output writing: the one file that Convert asks for, in the chosen form and encoding, and its log line.
#include "doc/VortlaneDoc.h"

#include "doc/chain_depth.h"
#include "doc/log_line.h"

#include <new>

namespace {

// A writer did not write: say why, from its outcome.
void AppendWriteFailure(CString* log, const CString& fileName, const KxWriteOutcome& outcome) {
    switch (outcome.failure) {
    case KxWriteFailure::NoPassPhrase: log->append("Output Failed ... no pass phrase\r\n"); break;
    case KxWriteFailure::UnsupportedKey: log->append("Output Failed ... unsupported key type\r\n"); break;
    case KxWriteFailure::CipherUnavailable: log->append("Output Failed ... cipher unavailable\r\n"); break;
    case KxWriteFailure::OutOfMemory: log->append("Output Failed ... not enough memory\r\n"); break;
    default: {
        const std::string& why = outcome.detail;
        log->append("Output Failed ... cannot write " + fileName + (why.empty() ? "" : " (" + why + ")") + "\r\n");
        break;
    }
    }
}

// The bag at `depth` holding a certificate (wantRequest false) or a request (true), or null.
const P12Bag* FindCertAtDepth(const P12* bags, int depth, bool wantRequest) {
    const P12Bag* bag = FindBagAtDepth(bags, BAG_CERT, depth);
    if (!bag || !bag->cert()) return nullptr;
    return bag->cert()->issuer.has_value() != wantRequest ? bag : nullptr;
}

}  // namespace

int CVortlaneDoc::WriteOutput(const CString& fileName, int depth, CString* log) {
    // The window's choices pass through the library-wide selection, and come back from it as settings.
    KxWriteSettings settings;
    settings.form = m_nOutputForm;
    settings.der = m_bDerOutput != 0;
    switch (m_nOutputForm) {
    case FORM_PRIVATE_KEY:
        KX_set_pem_cry_algo(m_nPemCipher);
        settings.key_cipher = KX_get_pem_cry_algo();
        break;
    case FORM_PKCS12:
        KX_set_p12_kb_cry_algo(m_nP12Cipher);
        settings.key_cipher = KX_get_p12_kb_cry_algo();
        break;
    case FORM_PKCS8:
        if (m_nP8Cipher != KX_CIPHER_NONE) {
            KX_set_p5_cry_algo(m_nP8Cipher);
            settings.key_cipher = KX_get_p5_cry_algo();
        }
        break;
    default: break;
    }
    settings.path = fileName;
    settings.pass = m_passSource;
    return Write(settings, depth, log).written ? 1 : 0;
}

KxWriteOutcome CVortlaneDoc::Write(const KxWriteSettings& settings, int depth, CString* log) {
    CString scratch;
    if (!log) log = &scratch;
    try {
        return WriteForm(settings, depth, log);
    } catch (const std::bad_alloc&) {
        log->append("Output Failed ... not enough memory\r\n");
        return {false, KxWriteFailure::OutOfMemory, {}};
    }
}

KxWriteOutcome CVortlaneDoc::WriteForm(const KxWriteSettings& settings, int depth, CString* log) {
    const P12* bags = m_pBags.get();
    const CString& fileName = settings.path;
    const bool der = settings.der;
    // Nothing of the form to write: no writer ran.
    const KxWriteOutcome nothing;
    KxWriteOutcome outcome;

    switch (settings.form) {
    case FORM_CERTIFICATE: {
        const P12Bag* bag = FindCertAtDepth(bags, depth, false);
        if (!bag) {
            log->append("Output Failed ... cannot find Certificate\r\n");
            return nothing;
        }
        const Cert* cert = bag->cert();
        outcome = der ? ASN1_write_der(cert->der, settings) : PEM_write_cert(cert, settings);
        if (!outcome.written) break;
        AppendLogLine(log, "Output Certificate file: %d\r\n ", depth);
        log->append(cert->subject + "\r\n");
        return outcome;
    }
    case FORM_CRL: {
        const P12Bag* bag = FindBagAtDepth(bags, BAG_CRL, depth);
        const CRL* crl = bag ? bag->crl() : nullptr;
        if (!crl) {
            log->append("Output Failed ... cannot find CRL\r\n");
            return nothing;
        }
        outcome = der ? ASN1_write_der(crl->der, settings) : PEM_write_crl(crl, settings);
        if (!outcome.written) break;
        log->append("Output CRL file:\r\n " + crl->issuer + "\r\n");
        return outcome;
    }
    case FORM_PRIVATE_KEY: {
        // Always traditional PEM, whatever the encoding choice says.
        const P12Bag* bag = FindBagAtDepth(bags, BAG_KEY, m_nDepth);
        const Key* key = bag ? bag->key() : nullptr;
        if (!key) {
            log->append("Output Failed ... cannot find Private Key\r\n");
            return nothing;
        }
        switch (key->type) {
        case KEY_RSA_PRV: outcome = PEM_write_rsaprv(key, settings); break;
        case KEY_DSA_PRV: outcome = PEM_write_dsaprv(key, settings); break;
        case KEY_EC_PRV: outcome = PEM_write_ecprv(key, settings); break;
        default: outcome.failure = KxWriteFailure::UnsupportedKey; break;
        }
        if (!outcome.written) break;
        log->append("Output Private Key file:\r\n");
        return outcome;
    }
    case FORM_PKCS12: {
        // A Java trust store holds the chain's certificates and no key.
        const bool trustStore = settings.java_trusted_certificates;
        P12Bag* keyBag = trustStore ? nullptr : FindBagAtDepth(bags, BAG_KEY, m_nDepth);
        const P12Bag* certBag = FindBagAtDepth(bags, BAG_CERT, m_nDepth);
        if (!certBag || (!trustStore && !keyBag)) {
            log->append("Output Failed ... cannot find PKCS#12\r\n");
            return nothing;
        }
        // The key goes out under its certificate's name, so that importers show the pair as one entry.
        if (keyBag) keyBag->friendly_name = certBag->friendly_name;
        outcome = P12_write_file(bags, settings);
        if (!outcome.written) break;
        log->append("Output PKCS#12 file:\r\n");
        return outcome;
    }
    case FORM_PKCS7: {
        if (bags) outcome = der ? P7s_write_file(bags, settings) : PEM_write_p7(bags, settings);
        if (!outcome.written) break;
        log->append("Output PKCS#7 file:\r\n");
        return outcome;
    }
    case FORM_PKCS8: {
        const P12Bag* bag = FindBagAtDepth(bags, BAG_KEY, m_nDepth);
        const Key* key = bag ? bag->key() : nullptr;
        if (!key) {
            log->append("Output Failed ... cannot find PKCS#8\r\n");
            return nothing;
        }
        const bool encrypt = settings.key_cipher != KX_CIPHER_NONE;
        if (encrypt)
            outcome = der ? P8enc_write_file(key, settings) : PEM_write_p8enc(key, settings);
        else
            outcome = der ? P8_write_file(key, settings) : PEM_write_p8(key, settings);
        if (!outcome.written) break;
        log->append(encrypt ? "Output encrypted PKCS#8 file:\r\n" : "Output PKCS#8 file:\r\n");
        return outcome;
    }
    case FORM_CERTREQ: {
        const P12Bag* bag = FindCertAtDepth(bags, depth, true);
        if (!bag) {
            log->append("Output Failed ... cannot find Certificate Request\r\n");
            return nothing;
        }
        const Cert* req = bag->cert();
        outcome = der ? ASN1_write_der(req->der, settings) : PEM_write_req(req, settings);
        if (!outcome.written) break;
        AppendLogLine(log, "Output Certificate Request file: %d\r\n ", depth);
        log->append(req->subject + "\r\n");
        return outcome;
    }
    default: return nothing;
    }
    AppendWriteFailure(log, fileName, outcome);
    return outcome;
}
