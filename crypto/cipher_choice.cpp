// The library-wide cipher choices that later writes use.
#include "crypto/pass_internal.h"

#include <atomic>

namespace {
std::atomic<int> g_pem{KX_PEM_3DES};
std::atomic<int> g_p12{KX_P12_3DES_3KEY};
std::atomic<int> g_p5{KX_P5_MD5_DES};
}  // namespace

void KX_set_pem_cry_algo(int id) { g_pem = id; }
void KX_set_p12_kb_cry_algo(int id) { g_p12 = id; }
void KX_set_p5_cry_algo(int id) { g_p5 = id; }

namespace kx {
int pem_cipher_choice() { return g_pem; }
int p12_key_cipher_choice() { return g_p12; }
int p5_cipher_choice() { return g_p5; }
}  // namespace kx
