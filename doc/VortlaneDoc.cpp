#include "doc/VortlaneDoc.h"

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
    m_pAppendLink = nullptr;
    m_nDepth = 0;
    m_bDerOutput = 1;
    return TRUE;
}

BOOL CVortlaneDoc::OnOpenDocument(const char* path) { return Read(path).accepted() ? TRUE : FALSE; }

ReadResult CVortlaneDoc::Read(const char* path) {
    if (!path || !m_pBags) {
        ReadResult refused;
        refused.refusal = {KxReadFailure::Unreadable, {}};
        return refused;
    }
    ReadResult result = ReadInputFile(path, m_passSource);
    if (!result.accepted()) return result;
    try {
        auto file = std::make_shared<const std::string>(path);
        for (P12Bag* bag = result.bags->first.get(); bag; bag = bag->next.get()) bag->origin.file = file;
    } catch (const std::bad_alloc&) {
        ReadResult refused;
        refused.refusal = {KxReadFailure::OutOfMemory, {}};
        return refused;
    }
    std::unique_ptr<P12Bag>& from = m_pAppendLink && m_pBags->first ? *m_pAppendLink : m_pBags->first;
    m_pAppendLink = &P12_append_bags(from, std::move(result.bags->first));
    result.bags.reset();
    return result;
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
