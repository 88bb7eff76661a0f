// Compiler attributes the code needs in a few places.
#pragma once

// For arithmetic that wraps around on purpose (hashes, checksums, the
// pseudo-random generator); the fuzzing build traps every other unsigned
// wrap-around.
#if defined(__clang__)
#define VEKTREL_WRAPS __attribute__((no_sanitize("unsigned-integer-overflow")))
#else
#define VEKTREL_WRAPS
#endif
