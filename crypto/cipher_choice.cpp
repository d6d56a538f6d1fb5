// The library-wide cipher choices: where the window's document keeps them between writes.
#include "crypto/kx.h"

#include <atomic>

namespace {
std::atomic<int> g_pem{KX_PEM_3DES};
std::atomic<int> g_p12{KX_P12_3DES_3KEY};
std::atomic<int> g_p5{KX_P5_MD5_DES};
}  // namespace

void KX_set_pem_cry_algo(int id) { g_pem = id; }
void KX_set_p12_kb_cry_algo(int id) { g_p12 = id; }
void KX_set_p5_cry_algo(int id) { g_p5 = id; }
int KX_get_pem_cry_algo() { return g_pem; }
int KX_get_p12_kb_cry_algo() { return g_p12; }
int KX_get_p5_cry_algo() { return g_p5; }
