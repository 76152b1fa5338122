#include "cli/cmd_msg_sha256.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {
alignas(16) constexpr std::array<std::uint32_t, 64> K = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

#if defined(__x86_64__)
__attribute__((target("sha,sse4.1"))) void CompressWithShaInstructions(std::uint32_t *state,
                                                                       const unsigned char *data) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  __m128i tmp = _mm_loadu_si128(reinterpret_cast<const __m128i *>(state));
  __m128i state1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(state + 4));
  tmp = _mm_shuffle_epi32(tmp, 0xB1);               // CDAB
  state1 = _mm_shuffle_epi32(state1, 0x1B);         // EFGH
  __m128i state0 = _mm_alignr_epi8(tmp, state1, 8); // ABEF
  state1 = _mm_blend_epi16(state1, tmp, 0xF0);      // CDGH
  const __m128i abefSave = state0, cdghSave = state1;

  __m128i w[4];
  for (int i = 0; i < 16; ++i) {
    __m128i &current = w[i % 4];
    if (i < 4) {
      current = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(data + 16 * i)), byteSwap);
    } else {
      // W[i..i+3] from the four groups before it.
      const __m128i &previous = w[(i + 3) % 4];
      __m128i next = _mm_sha256msg1_epu32(current, w[(i + 1) % 4]);
      next = _mm_add_epi32(next, _mm_alignr_epi8(previous, w[(i + 2) % 4], 4));
      current = _mm_sha256msg2_epu32(next, previous);
    }
    __m128i message =
        _mm_add_epi32(current, _mm_load_si128(reinterpret_cast<const __m128i *>(K.data() + 4 * i)));
    state1 = _mm_sha256rnds2_epu32(state1, state0, message);
    message = _mm_shuffle_epi32(message, 0x0E);
    state0 = _mm_sha256rnds2_epu32(state0, state1, message);
  }
  state0 = _mm_add_epi32(state0, abefSave);
  state1 = _mm_add_epi32(state1, cdghSave);

  tmp = _mm_shuffle_epi32(state0, 0x1B);       // FEBA
  state1 = _mm_shuffle_epi32(state1, 0xB1);    // DCHG
  state0 = _mm_blend_epi16(tmp, state1, 0xF0); // DCBA
  state1 = _mm_alignr_epi8(state1, tmp, 8);    // HGFE
  _mm_storeu_si128(reinterpret_cast<__m128i *>(state), state0);
  _mm_storeu_si128(reinterpret_cast<__m128i *>(state + 4), state1);
}
#endif

inline std::uint32_t Rotr(std::uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

class Sha256 {
public:
  void Update(const unsigned char *data, size_t size) {
    FLength += size;
    while (size > 0) {
      const size_t take = std::min(size, 64 - FFill);
      std::copy(data, data + take, FBlock.begin() + FFill);
      FFill += take;
      data += take;
      size -= take;
      if (FFill == 64) {
        Compress(FBlock.data());
        FFill = 0;
      }
    }
  }

  std::string HexDigest() {
    const std::uint64_t bits = FLength * 8;
    const unsigned char pad = 0x80, zero = 0;
    Update(&pad, 1);
    while (FFill != 56)
      Update(&zero, 1);
    unsigned char length[8];
    for (int i = 0; i < 8; ++i)
      length[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    Update(length, 8);
    std::string hex;
    char buf[9];
    for (std::uint32_t h : FState) {
      std::snprintf(buf, sizeof buf, "%08x", h);
      hex += buf;
    }
    return hex;
  }

private:
  void Compress(const unsigned char *p) {
#if defined(__x86_64__)
    // The processor's SHA instructions hash an 18 MB attachment several
    // times faster than the portable rounds below.
    static const bool hasShaInstructions = __builtin_cpu_supports("sha") && __builtin_cpu_supports("sse4.1");
    if (hasShaInstructions) {
      CompressWithShaInstructions(FState.data(), p);
      return;
    }
#endif
    CompressPortable(p);
  }

  void CompressPortable(const unsigned char *p) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
      w[i] = std::uint32_t(p[4 * i]) << 24 | std::uint32_t(p[4 * i + 1]) << 16 |
             std::uint32_t(p[4 * i + 2]) << 8 | p[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
      const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    auto [a, b, c, d, e, f, g, h] = FState;
    for (int i = 0; i < 64; ++i) {
      const std::uint32_t t1 =
          h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + K[i] + w[i];
      const std::uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    const std::uint32_t add[8] = {a, b, c, d, e, f, g, h};
    for (int i = 0; i < 8; ++i)
      FState[i] += add[i];
  }

  std::array<std::uint32_t, 8> FState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::array<unsigned char, 64> FBlock{};
  size_t FFill = 0;
  std::uint64_t FLength = 0;
};
} // namespace

namespace mv::cli {
std::string Sha256OfFile(const std::string &diskPath) {
  std::ifstream in(diskPath, std::ios::binary);
  Sha256 sha;
  std::vector<char> buffer(1 << 16);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    sha.Update(reinterpret_cast<const unsigned char *>(buffer.data()), static_cast<size_t>(in.gcount()));
  }
  return sha.HexDigest();
}
} // namespace mv::cli
