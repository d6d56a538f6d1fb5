// The converter document: the bag container with everything read so far, the output settings,
// and the operations over them (reading an input, arranging the chain, writing the output).
#pragma once

#include "crypto/kx.h"
#include "doc/chain_record.h"
#include "doc/input_readers.h"
#include "framework/afx_core.h"

#include <memory>
#include <string>
#include <vector>

// Output form indexes, in the order of the form list.
enum OutputForm : int {
    FORM_CERTIFICATE = 0,
    FORM_CRL = 1,
    FORM_PRIVATE_KEY = 2,
    FORM_PKCS12 = 3,
    FORM_PKCS7 = 4,
    FORM_PKCS8 = 5,
    FORM_CERTREQ = 6,
};

class CVortlaneDoc : public CDocument {
    DECLARE_DYNCREATE(CVortlaneDoc)

public:
    CVortlaneDoc();
    ~CVortlaneDoc() override;

    BOOL OnNewDocument() override;
    // Reads the file as Read does; TRUE when a reader took it.
    BOOL OnOpenDocument(const char* path) override;
    // Reads the file with the document's pass-phrase source; when a reader took it, its bags (each
    // knowing its file) go at the end of the container and the result's `bags` is left empty. A refused
    // file leaves the container as it was.
    ReadResult Read(const char* path);

    int HasCertificate();
    int HasRequest();
    int HasCrl();
    int HasPrivateKey();

    // Arranges the container into one chain and rewrites `log` with what it found.
    void BuildChain(CString* log);
    // The same arrangement, returning what it decided for each bag; BuildChain's log is made from it.
    ChainRecord ArrangeChain();
    // Writes the selected output form with the window's choices (m_nOutputForm, m_bDerOutput, the cipher
    // of the form through the library-wide selection, m_passSource); appends the outcome to `log`.
    // Nonzero when a file was written.
    virtual int WriteOutput(const CString& fileName, int depth, CString* log);
    // Writes `settings.form` as the settings say, the certificate, CRL or request from `depth` and keys
    // from m_nDepth; appends the outcome to `log`. Not written with failure None: nothing of that form
    // was found.
    KxWriteOutcome Write(const KxWriteSettings& settings, int depth, CString* log);

private:
    // The unguarded write; the public one turns an allocation that failed into a refusal.
    KxWriteOutcome WriteForm(const KxWriteSettings& settings, int depth, CString* log);

public:
    std::unique_ptr<P12> m_pBags;
    int m_bDerOutput = 1;
    int m_nOutputForm = FORM_CERTIFICATE;
    int m_nDepth = 0;
    int m_nP12Cipher = KX_P12_3DES_3KEY;
    int m_nPemCipher = KX_PEM_3DES;
    int m_nP8Cipher = KX_P5_MD5_DES;
    // Where the pass phrases come from for opening encrypted inputs and protecting outputs (the window's
    // prompt, the command line's sources, a test's script); empty: none is ever given.
    PassProvider m_passSource;

private:
    // Where the next input's bags are appended: the link after the bags the inputs added since the list
    // last changed otherwise, so that reading thousands of inputs one after another does not walk the
    // whole list each time. Null when the list may have changed otherwise (arranged, emptied): the
    // append starts from the first bag.
    std::unique_ptr<P12Bag>* m_pAppendLink = nullptr;
};
