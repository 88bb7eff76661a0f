#include "platform/system.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
System* g_system = nullptr;
}

System& Sys() {
  if (!g_system) {
    // A program that forgets to pick a backend is a programming error, not
    // a run-time condition the engines could handle.
    std::fputs("vektrel: no platform backend selected\n", stderr);
    std::abort();
  }
  return *g_system;
}

void SetSystem(System* system) { g_system = system; }
bool HasSystem() { return g_system != nullptr; }

}  // namespace platform
