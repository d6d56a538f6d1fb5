// The library-wide cipher choices that later writes use.
#include "crypto/pass_internal.h"

#include <atomic>

namespace {
std::atomic<int> g_pem{KX_PEM_3DES};
std::atomic<int> g_p12{KX_P12_3DES_3KEY};
std::atomic<int> g_p5{KX_P5_MD5_DES};
std::atomic<int> g_iterations{0};  // 0: each cipher's default
}  // namespace

void KX_set_pem_cry_algo(int id) { g_pem = id; }
void KX_set_p12_kb_cry_algo(int id) { g_p12 = id; }
void KX_set_p5_cry_algo(int id) { g_p5 = id; }
void KX_set_pbe_iterations(int count) {
    g_iterations = count > 0 && static_cast<std::uint64_t>(count) <= KX_MAX_PBE_ITERATIONS ? count : 0;
}

namespace kx {
int pem_cipher_choice() { return g_pem; }
int p12_key_cipher_choice() { return g_p12; }
int p5_cipher_choice() { return g_p5; }
int pbe_iterations(int choice) {
    int set = g_iterations;
    if (set > 0) return set;
    return choice == KX_AES256 ? KX_AES256_ITERATIONS : KX_LEGACY_ITERATIONS;
}
}  // namespace kx
