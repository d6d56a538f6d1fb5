#include "doc/VortlaneDoc.h"

#include "doc/chain_depth.h"

#include <utility>

IMPLEMENT_DYNCREATE(CVortlaneDoc, CDocument)

CVortlaneDoc::CVortlaneDoc() : m_pBags(P12_new()) {}

CVortlaneDoc::~CVortlaneDoc() { P12_free(std::move(m_pBags)); }

BOOL CVortlaneDoc::OnNewDocument() {
    // The output form and the ciphers are the dialog's choices and outlive a reset; the encoding does not.
    P12_free(std::move(m_pBags));
    m_pBags = P12_new();
    m_nDepth = 0;
    m_bDerOutput = 1;
    return TRUE;
}

namespace {

// Each returns true when its reader took the file; the record then sits in the container.
template <typename Record, typename AddFn>
bool Add(P12* bags, std::unique_ptr<Record> record, AddFn add) {
    if (!record) return false;
    add(bags, std::move(record), nullptr, MARK_NONE);
    return true;
}

bool AddCert(P12* bags, std::unique_ptr<Cert> cert) { return Add(bags, std::move(cert), P12_add_cert); }
bool AddCrl(P12* bags, std::unique_ptr<CRL> crl) { return Add(bags, std::move(crl), P12_add_crl); }
bool AddKey(P12* bags, std::unique_ptr<Key> key) { return Add(bags, std::move(key), P12_add_key); }

bool MoveBundle(P12* bags, std::unique_ptr<PKCS7> p7) {
    if (!p7) return false;
    P12_mov_p12bags(bags, p7.get());
    P7_free(std::move(p7));
    return true;
}

bool MoveBundle(P12* bags, std::unique_ptr<P12> p12) {
    if (!p12) return false;
    P12_mov_p12bags(bags, p12.get());
    P12_free(std::move(p12));
    return true;
}

}  // namespace

BOOL CVortlaneDoc::OnOpenDocument(const char* path) {
    if (!path || !m_pBags) return FALSE;
    P12* bags = m_pBags.get();
    // The readers are tried in a fixed order and the first that takes the file decides (a PEM file with
    // a certificate and a key yields the certificate). The scope reads the file once for all of them.
    KX_InputScope scope(path);
    if (AddCert(bags, PEM_read_cert(path)) || AddCrl(bags, PEM_read_crl(path)) ||
        AddCert(bags, PEM_read_req(path)) || AddKey(bags, PEM_read_rsaprv(path)) ||
        AddKey(bags, PEM_read_dsaprv(path)) || AddKey(bags, PEM_read_ecprv(path)) ||
        AddKey(bags, PEM_read_p8(path)) || AddKey(bags, PEM_read_p8enc(path)) ||
        AddKey(bags, P8_read_file(path)) || AddKey(bags, P8enc_read_file(path)) ||
        MoveBundle(bags, PEM_read_p7(path)) || MoveBundle(bags, P7s_read_file(path)) ||
        MoveBundle(bags, P12_read_file(path)))
        return TRUE;

    const std::optional<std::vector<unsigned char>> der = ASN1_read_der(path);
    if (!der) return FALSE;
    if (AddCert(bags, ASN1_read_cert(*der)) || AddCrl(bags, ASN1_read_crl(*der)) ||
        AddCert(bags, ASN1_read_req(*der)) || AddKey(bags, ASN1_read_dsaprv(*der)))
        return TRUE;
    return FALSE;
}

int CVortlaneDoc::HasCertificate() {
    const P12Bag* bag = FindBagAtDepth(m_pBags.get(), BAG_CERT, m_nDepth);
    return bag && bag->cert() && bag->cert()->issuer ? 1 : 0;
}

int CVortlaneDoc::HasRequest() {
    const P12Bag* bag = FindBagAtDepth(m_pBags.get(), BAG_CERT, m_nDepth);
    return bag && bag->cert() && !bag->cert()->issuer ? 1 : 0;
}

int CVortlaneDoc::HasCrl() { return FindBagAtDepth(m_pBags.get(), BAG_CRL, m_nDepth) ? 1 : 0; }

int CVortlaneDoc::HasPrivateKey() { return FindBagAtDepth(m_pBags.get(), BAG_KEY, m_nDepth) ? 1 : 0; }
