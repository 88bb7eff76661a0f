// The four wipe methods, their passes, and the random data they write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace erase {

enum WipeMethodIndex { WipeZero = 0, WipeRandom = 1, WipeRandomRandomZero = 2, WipeDoD = 3 };
inline constexpr int kWipeMethodCount = 4;

// The method chosen on the method page; -1 while none is checked.
extern int WipeMethod;

enum class PassKind { Zeros, Ones, Random, Verify };
struct WipePass {
  PassKind kind;
  std::wstring status;  // the current-operation text while the pass runs
};

std::vector<WipePass> PassesOf(int method);
// The progress bar's range for a region of that length with blocks of n sectors.
int64_t ProgressRangeOf(int method, uint64_t lengthSectors, uint32_t n);
std::wstring MethodName(int method);  // T("IDS_algoname" + (method + 1))

// The generator: state = state * 214013 + 2531011 (mod 2^32), result bits
// 16..30 of the new state. Seeded once per deletion with the time.
void SeedRandom(uint32_t seed);
uint32_t RandomState();
void SetRandomState(uint32_t state);
uint16_t NextRandom15();
// A random block: 16384 successive results as little-endian 16-bit words
// over all 32768 bytes, whatever part of it is written.
inline constexpr uint32_t kBlockBufferBytes = 32768;
void FillRandomBlock(uint8_t* buffer);
// The same without vector instructions (what builds without SSE2 use).
void FillRandomBlockLanes(uint8_t* buffer);

}  // namespace erase
