// Fuzz target: the input's bytes as one file, read as a dropped file is read, then every output form
// written in DER and PEM.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ClearScratchDir();
    const std::string path = fuzz::WriteScratchFile("input", data, size);
    CVortlaneDoc doc;
    doc.m_passSource = fuzz::SeedPassSource();
    CString log;
    OpenInput(doc, path, &log);
    fuzz::ConvertEveryForm(doc, static_cast<unsigned>(size), {"input"});
    return 0;
}
