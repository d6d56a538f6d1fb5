#include "doc/VortlaneDoc.h"

#include "crypto/kx_pkcs7.h"
#include "doc/chain_depth.h"

#include <new>
#include <utility>

IMPLEMENT_DYNCREATE(CVortlaneDoc, CDocument)

CVortlaneDoc::CVortlaneDoc() : m_pBags(P12_new()) {}

CVortlaneDoc::~CVortlaneDoc() { P12_free(std::move(m_pBags)); }

BOOL CVortlaneDoc::OnNewDocument() {
    // The output form and the ciphers are the dialog's choices and outlive a reset; the encoding does not.
    P12_free(std::move(m_pBags));
    m_pBags = P12_new();
    m_pLastRead = nullptr;
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
    try {
        return TryReaders(path);
    } catch (const std::bad_alloc&) {
        KX_record_out_of_memory();
        return FALSE;
    }
}

BOOL CVortlaneDoc::TryReaders(const char* path) {
    if (!path || !m_pBags) return FALSE;
    m_lastBlocks.clear();
    // The input is read into a container of its own; its bags learn their file, then go after the last
    // bag there now.
    P12 read;
    if (!ReadInput(path, &read)) return FALSE;
    auto file = std::make_shared<const std::string>(path);
    P12Bag* last = nullptr;
    for (P12Bag* bag = read.first.get(); bag; bag = bag->next.get()) {
        bag->origin.file = file;
        last = bag;
    }
    std::unique_ptr<P12Bag>* end = m_pLastRead && m_pBags->first ? &m_pLastRead->next : &m_pBags->first;
    while (*end) end = &(*end)->next;
    *end = std::move(read.first);
    if (last) m_pLastRead = last;
    return TRUE;
}

bool CVortlaneDoc::ReadInput(const char* path, P12* bags) {
    KX_InputScope scope(path);
    // A PEM file of several blocks gives every block it can read, in file order, like a bundle.
    if (PEM_count_blocks(path) > 1) return MoveBundle(bags, PEM_read_blocks(path, &m_lastBlocks));

    // Otherwise the readers are tried in a fixed order and the first that takes the file decides. The
    // scope reads the file once for all of them.
    if (AddCert(bags, PEM_read_cert(path)) || AddCrl(bags, PEM_read_crl(path)) || AddCert(bags, PEM_read_req(path)) ||
        AddKey(bags, PEM_read_rsaprv(path)) || AddKey(bags, PEM_read_dsaprv(path)) ||
        AddKey(bags, PEM_read_ecprv(path)) || AddKey(bags, PEM_read_p8(path)) || AddKey(bags, PEM_read_p8enc(path)) ||
        AddKey(bags, P8_read_file(path)) || AddKey(bags, P8enc_read_file(path)) ||
        MoveBundle(bags, PEM_read_p7(path)) || MoveBundle(bags, P7s_read_file(path)) ||
        MoveBundle(bags, P12_read_file(path)))
        return true;

    std::optional<std::vector<unsigned char>> der = ASN1_read_der(path);
    if (!der) return false;
    // The traditional RSA and EC keys come last, so nothing read before is read differently now. A CRL
    // takes the bytes over (they may be a big file's); a reader that refuses leaves them as they were.
    if (AddCert(bags, ASN1_read_cert(*der)) || AddCrl(bags, ASN1_read_crl(std::move(*der))) ||
        AddCert(bags, ASN1_read_req(*der)) || AddKey(bags, ASN1_read_dsaprv(*der)) ||
        AddKey(bags, ASN1_read_rsaprv(*der)) || AddKey(bags, ASN1_read_ecprv(*der)))
        return true;
    KX_identify_refusal(*der);
    return false;
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
