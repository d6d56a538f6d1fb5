// Bounded reading of input files and the cheap sniff that lets each reader refuse a file that cannot be
// of its kind without parsing it. KX_InputScope shares one read and one sniff among many readers.
#pragma once

#include "crypto/kx.h"

#include <initializer_list>
#include <memory>
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

// The file at `path`, from the open scope when it holds that path, else read now (and sniffed).
// Null when it cannot be read; the reason is recorded.
std::shared_ptr<const InputFile> open_input(const char* path);

// The bytes of `path` for ASN1_read_der: handed over from the scope when it holds them.
std::optional<std::vector<unsigned char>> take_input_bytes(const char* path);

bool scope_active();

}  // namespace kx
