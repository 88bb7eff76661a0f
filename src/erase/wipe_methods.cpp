#include "erase/wipe_methods.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/language.h"
#include "platform/bytes.h"
#include "platform/compiler.h"
#include "platform/text.h"

namespace erase {

int WipeMethod = 0;

namespace {

uint32_t g_state = 0;

constexpr uint32_t kMul = 214013u, kAdd = 2531011u;

// k steps at once: state(n + k) = state(n) * mul + add. Independent lanes,
// each k states apart, keep several multiplications in flight, which a
// single chain of dependent steps cannot: a random block is 16384 steps.
struct Jump {
  uint32_t mul = 1, add = 0;
};
VEKTREL_WRAPS constexpr Jump JumpOf(int steps) {
  Jump j;
  for (int i = 0; i < steps; ++i) {
    j.add = j.add * kMul + kAdd;
    j.mul = j.mul * kMul;
  }
  return j;
}
constexpr Jump kJump8 = JumpOf(8);
static_assert(kBlockBufferBytes % 64 == 0);

}  // namespace

std::vector<WipePass> PassesOf(int method) {
  using app::T;
  auto pass = [](int n) { return L"  Pass " + text::Dec(n); };
  switch (method) {
    case WipeZero: return {{PassKind::Zeros, T(L"IDS_Writing0x00")}};
    case WipeRandom: return {{PassKind::Random, T(L"IDS_Writingrandom")}};
    case WipeRandomRandomZero:
      return {{PassKind::Random, T(L"IDS_Writingrandom") + pass(1)},
              {PassKind::Random, T(L"IDS_Writingrandom") + pass(2)},
              {PassKind::Zeros, T(L"IDS_Writing0x00") + pass(3)}};
    case WipeDoD:
      return {{PassKind::Zeros, T(L"IDS_Writing0x00") + pass(1)},
              {PassKind::Ones, T(L"IDS_Writing0xff") + pass(2)},
              {PassKind::Random, T(L"IDS_Writingrandom") + pass(3)},
              {PassKind::Verify, T(L"IDS_Verifying") + pass(4)}};
    default: return {};
  }
}

int64_t ProgressRangeOf(int method, uint64_t lengthSectors, uint32_t n) {
  uint64_t blocks = n ? lengthSectors / n : 0;
  switch (method) {
    case WipeZero:
    case WipeRandom: return int64_t(blocks);
    // Three passes of 63-sector blocks, whatever the disk's block size.
    case WipeRandomRandomZero: return int64_t(lengthSectors / 21);
    case WipeDoD: return int64_t(4 * blocks);
    default: return 0;
  }
}

std::wstring MethodName(int method) { return app::T(L"IDS_algoname" + text::Dec(method + 1)); }

void SeedRandom(uint32_t seed) { g_state = seed; }
uint32_t RandomState() { return g_state; }
void SetRandomState(uint32_t state) { g_state = state; }

VEKTREL_WRAPS uint16_t NextRandom15() {
  g_state = g_state * kMul + kAdd;
  return uint16_t((g_state >> 16) & 0x7FFF);
}

// Portable: eight lanes, each stepping eight states at a time.
VEKTREL_WRAPS void FillRandomBlockLanes(uint8_t* buffer) {
  uint32_t lane[8];
  uint32_t s = g_state;
  for (uint32_t& l : lane) l = s = s * kMul + kAdd;
  uint32_t last = g_state;
  for (uint32_t at = 0; at < kBlockBufferBytes; at += 16) {
    last = lane[7];
    uint16_t words[8];
    for (int i = 0; i < 8; ++i) {
      words[i] = uint16_t((lane[i] >> 16) & 0x7FFF);
      lane[i] = lane[i] * kJump8.mul + kJump8.add;
    }
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(buffer + at, words, sizeof words);
    } else {
      for (int i = 0; i < 8; ++i) bytes::Put16(buffer + at + 2 * i, words[i]);
    }
  }
  // The state of the last result, as 16384 calls of NextRandom15 leave it.
  g_state = last;
}

#if defined(__SSE2__)
namespace {
// The low 32 bits of four 32-bit products (SSE2 has no such multiply).
inline __m128i Mul32(__m128i a, __m128i b) {
  __m128i even = _mm_mul_epu32(a, b);
  __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
  return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                            _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}
}  // namespace

// Thirty-two lanes in eight vectors: enough independent multiplications to
// keep the unit busy. Results are at most 0x7FFF, so the signed packing to
// 16 bits never saturates; the words land little-endian as on disk.
VEKTREL_WRAPS void FillRandomBlock(uint8_t* buffer) {
  constexpr int kVectors = 8, kLanes = 4 * kVectors;
  constexpr Jump kJump = JumpOf(kLanes);
  alignas(16) uint32_t lanes[kLanes];
  uint32_t s = g_state;
  for (uint32_t& l : lanes) l = s = s * kMul + kAdd;
  __m128i v[kVectors];
  for (int i = 0; i < kVectors; ++i) v[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes + 4 * i));
  const __m128i mul = _mm_set1_epi32(int(kJump.mul)), add = _mm_set1_epi32(int(kJump.add));
  const __m128i mask = _mm_set1_epi32(0x7FFF);
  __m128i last = v[kVectors - 1];
  for (uint32_t at = 0; at < kBlockBufferBytes; at += 2 * kLanes) {
    last = v[kVectors - 1];
#pragma GCC unroll 8
    for (int i = 0; i < kVectors; i += 2) {
      __m128i a = _mm_and_si128(_mm_srli_epi32(v[i], 16), mask);
      __m128i b = _mm_and_si128(_mm_srli_epi32(v[i + 1], 16), mask);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(buffer + at + 8 * i), _mm_packs_epi32(a, b));
    }
#pragma GCC unroll 8
    for (int i = 0; i < kVectors; ++i) v[i] = _mm_add_epi32(Mul32(v[i], mul), add);
  }
  g_state = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(last, _MM_SHUFFLE(3, 3, 3, 3))));
}
#else
void FillRandomBlock(uint8_t* buffer) { FillRandomBlockLanes(buffer); }
#endif

}  // namespace erase
