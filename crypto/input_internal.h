// Bounded reading of input files and the cheap sniff that lets each reader refuse a file that cannot be
// of its kind without parsing it. A KxInput shares one read and one sniff among many readers.
#pragma once

#include "crypto/kx.h"

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kx {

// What the outer DER structure may be. A bit is set unless the shape rules that kind out for certain,
// so a reader whose bit is clear would fail to parse the bytes anyway.
enum DerShape : unsigned {
    kDerCert = 1u << 0,
    kDerCrl = 1u << 1,
    kDerReq = 1u << 2,
    kDerP8 = 1u << 3,
    kDerP8Enc = 1u << 4,
    kDerP7 = 1u << 5,
    kDerP12 = 1u << 6,
    kDerDsaKey = 1u << 7,
    kDerRsaKey = 1u << 8,  // traditional (PKCS#1) RSA private key
    kDerEcKey = 1u << 9,   // traditional (SEC1) EC private key
    kDerAny = 0x3FFu,
};
unsigned sniff_der(const unsigned char* data, std::size_t len);

struct InputFile {
    std::string path;
    std::vector<unsigned char> bytes;
    std::vector<std::string> pem_labels;  // every "-----BEGIN <label>-----" seen, in file order
    std::vector<std::size_t> pem_starts;  // where each of them begins
    unsigned der_shape = 0;

    bool has_label(std::initializer_list<const char*> labels) const;
    bool may_be(unsigned shape) const { return (der_shape & shape) != 0; }
};

// Every "-----BEGIN <label>-----" in the bytes: its label and where it begins.
void scan_pem(const unsigned char* data, std::size_t len, std::vector<std::string>& labels,
              std::vector<std::size_t>& starts);

// What a KxInput holds.
struct InputState {
    std::string path;
    PassProvider source;
    std::shared_ptr<InputFile> file;  // null when it could not be read, or its bytes were handed over
    KxReadError unreadable;           // why it could not be read
    bool bytes_taken = false;
    KxReadError refusal;
    unsigned long allocation_mark = 0;  // allocation_failures() when the read (or the part) began
    std::optional<SecretString> remembered;
};

// The input's file, read and sniffed; read again when its bytes were handed over. Null when it cannot
// be read; the reason is recorded in the input.
const InputFile* open_input(KxInput& in);

// Records in `in` a reader's plain "not recognised" (or another reason); returns null for the reader
// to return.
std::nullptr_t refuse(KxInput& in, KxReadFailure kind = KxReadFailure::NotRecognised, std::string detail = {});

}  // namespace kx
