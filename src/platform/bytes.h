// Little-endian byte helpers for on-disk and request layouts.
//
// Two styles, one per format: named-offset readers (Get32(p + 0x1C)) for
// sectors read off a disk, and byte-array wrapper fields (LE32, LE64) for
// the request structures that travel through DeviceIoControl. The wrappers
// have alignment 1, so a struct made of them has exactly the size of the
// layout it names; every such struct checks its size with static_assert.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace bytes {

inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t Get64(const uint8_t* p) { return uint64_t(Get32(p)) | (uint64_t(Get32(p + 4)) << 32); }

inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void Put64(uint8_t* p, uint64_t v) {
  Put32(p, uint32_t(v));
  Put32(p + 4, uint32_t(v >> 32));
}

template <size_t N, typename T>
struct LE {
  uint8_t b[N];
  T get() const {
    T v = 0;
    for (size_t i = 0; i < N; ++i) v |= T(b[i]) << (8 * i);
    return v;
  }
  void set(T v) {
    for (size_t i = 0; i < N; ++i) b[i] = uint8_t(uint64_t(v) >> (8 * i));
  }
  operator T() const { return get(); }
  LE& operator=(T v) {
    set(v);
    return *this;
  }
};
using LE16 = LE<2, uint16_t>;
using LE32 = LE<4, uint32_t>;
using LE64 = LE<8, uint64_t>;
static_assert(sizeof(LE64) == 8 && alignof(LE64) == 1);

// A GUID as it lies in memory and on disk (mixed-endian fields, 16 bytes).
struct Guid {
  uint8_t b[16];
  bool operator==(const Guid& o) const { return std::memcmp(b, o.b, 16) == 0; }
  bool IsZero() const {
    for (uint8_t x : b)
      if (x) return false;
    return true;
  }
};
static_assert(sizeof(Guid) == 16);

}  // namespace bytes
