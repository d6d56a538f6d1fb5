// Output writing: the one file that Convert asks for, in the chosen form and encoding, and its log line.
#include "doc/VortlaneDoc.h"

#include "doc/chain_depth.h"
#include "doc/log_line.h"

#include <new>

namespace {

// A writer returned 0: say why, from what the crypto layer recorded.
void AppendWriteFailure(CString* log, const CString& fileName) {
    switch (KX_last_write_error()) {
    case KxWriteFailure::NoPassPhrase: log->append("Output Failed ... no pass phrase\r\n"); break;
    case KxWriteFailure::UnsupportedKey: log->append("Output Failed ... unsupported key type\r\n"); break;
    case KxWriteFailure::CipherUnavailable: log->append("Output Failed ... cipher unavailable\r\n"); break;
    case KxWriteFailure::OutOfMemory: log->append("Output Failed ... not enough memory\r\n"); break;
    default: {
        const std::string why = KX_last_write_detail();
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
    CString scratch;
    if (!log) log = &scratch;
    try {
        return WriteForm(fileName, depth, log);
    } catch (const std::bad_alloc&) {
        log->append("Output Failed ... not enough memory\r\n");
        return 0;
    }
}

int CVortlaneDoc::WriteForm(const CString& fileName, int depth, CString* log) {
    const P12* bags = m_pBags.get();
    const char* path = fileName.c_str();
    const bool der = m_bDerOutput != 0;

    switch (m_nOutputForm) {
    case FORM_CERTIFICATE: {
        const P12Bag* bag = FindCertAtDepth(bags, depth, false);
        if (!bag) {
            log->append("Output Failed ... cannot find Certificate\r\n");
            return 0;
        }
        const Cert* cert = bag->cert();
        if (!(der ? ASN1_write_der(cert->der, path) : PEM_write_cert(cert, path))) {
            AppendWriteFailure(log, fileName);
            return 0;
        }
        AppendLogLine(log, "Output Certificate file: %d\r\n ", depth);
        log->append(cert->subject + "\r\n");
        return 1;
    }
    case FORM_CRL: {
        const P12Bag* bag = FindBagAtDepth(bags, BAG_CRL, depth);
        const CRL* crl = bag ? bag->crl() : nullptr;
        if (!crl) {
            log->append("Output Failed ... cannot find CRL\r\n");
            return 0;
        }
        if (!(der ? ASN1_write_der(crl->der, path) : PEM_write_crl(crl, path))) {
            AppendWriteFailure(log, fileName);
            return 0;
        }
        log->append("Output CRL file:\r\n " + crl->issuer + "\r\n");
        return 1;
    }
    case FORM_PRIVATE_KEY: {
        // Always traditional PEM, whatever the encoding choice says.
        const P12Bag* bag = FindBagAtDepth(bags, BAG_KEY, m_nDepth);
        KX_set_pem_cry_algo(m_nPemCipher);
        const Key* key = bag ? bag->key() : nullptr;
        if (!key) {
            log->append("Output Failed ... cannot find Private Key\r\n");
            return 0;
        }
        int written = 0;
        switch (key->type) {
        case KEY_RSA_PRV: written = PEM_write_rsaprv(key, path); break;
        case KEY_DSA_PRV: written = PEM_write_dsaprv(key, path); break;
        case KEY_EC_PRV: written = PEM_write_ecprv(key, path); break;
        default: log->append("Output Failed ... unsupported key type\r\n"); return 0;
        }
        if (!written) {
            AppendWriteFailure(log, fileName);
            return 0;
        }
        log->append("Output Private Key file:\r\n");
        return 1;
    }
    case FORM_PKCS12: {
        KX_set_p12_kb_cry_algo(m_nP12Cipher);
        KX_set_pbe_iterations(m_nPbeIterations);
        P12Bag* keyBag = FindBagAtDepth(bags, BAG_KEY, m_nDepth);
        const P12Bag* certBag = keyBag ? FindBagAtDepth(bags, BAG_CERT, m_nDepth) : nullptr;
        if (!keyBag || !certBag) {
            log->append("Output Failed ... cannot find PKCS#12\r\n");
            return 0;
        }
        // The key goes out under its certificate's name, so that importers show the pair as one entry.
        keyBag->friendly_name = certBag->friendly_name;
        if (!P12_write_file(bags, path)) {
            AppendWriteFailure(log, fileName);
            return 0;
        }
        log->append("Output PKCS#12 file:\r\n");
        return 1;
    }
    case FORM_PKCS7: {
        if (!bags || !(der ? P7s_write_file(bags, path) : PEM_write_p7(bags, path))) {
            AppendWriteFailure(log, fileName);
            return 0;
        }
        log->append("Output PKCS#7 file:\r\n");
        return 1;
    }
    case FORM_PKCS8: {
        const P12Bag* bag = FindBagAtDepth(bags, BAG_KEY, m_nDepth);
        const Key* key = bag ? bag->key() : nullptr;
        if (!key) {
            log->append("Output Failed ... cannot find PKCS#8\r\n");
            return 0;
        }
        const bool encrypt = m_nP8Cipher != KX_CIPHER_NONE;
        int written = 0;
        if (encrypt) {
            KX_set_p5_cry_algo(m_nP8Cipher);
            KX_set_pbe_iterations(m_nPbeIterations);
            written = der ? P8enc_write_file(key, path) : PEM_write_p8enc(key, path);
        } else {
            written = der ? P8_write_file(key, path) : PEM_write_p8(key, path);
        }
        if (!written) {
            AppendWriteFailure(log, fileName);
            return 0;
        }
        log->append(encrypt ? "Output encrypted PKCS#8 file:\r\n" : "Output PKCS#8 file:\r\n");
        return 1;
    }
    case FORM_CERTREQ: {
        const P12Bag* bag = FindCertAtDepth(bags, depth, true);
        if (!bag) {
            log->append("Output Failed ... cannot find Certificate Request\r\n");
            return 0;
        }
        const Cert* req = bag->cert();
        if (!(der ? ASN1_write_der(req->der, path) : PEM_write_req(req, path))) {
            AppendWriteFailure(log, fileName);
            return 0;
        }
        AppendLogLine(log, "Output Certificate Request file: %d\r\n ", depth);
        log->append(req->subject + "\r\n");
        return 1;
    }
    default: return 0;
    }
}
