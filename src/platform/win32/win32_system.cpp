// The factory, and the clock, cursor and GUID services.
#include "platform/win32/win32_system.h"

#include <cstring>

#include "platform/win32/win32_system_impl.h"

#include <objbase.h>

namespace platform {

std::unique_ptr<System> CreateWin32System() { return std::make_unique<Win32System>(); }

std::time_t Win32System::Now() { return std::time(nullptr); }

std::tm Win32System::LocalTime(std::time_t t) {
  std::tm out{};
  localtime_s(&out, &t);
  return out;
}

uint32_t Win32System::SetThreadExecutionState(uint32_t flags) { return ::SetThreadExecutionState(flags); }

namespace {
HCURSOR CursorOf(Cursor c) {
  switch (c) {
    case Cursor::Wait:
      return ::LoadCursorW(nullptr, IDC_WAIT);
    case Cursor::Hand:
      return ::LoadCursorW(nullptr, IDC_HAND);
    default:
      return ::LoadCursorW(nullptr, IDC_ARROW);
  }
}
}  // namespace

Cursor Win32System::SetCursor(Cursor c) {
  HCURSOR before = ::SetCursor(CursorOf(c));
  if (before == CursorOf(Cursor::Wait)) return Cursor::Wait;
  if (before == CursorOf(Cursor::Hand)) return Cursor::Hand;
  return Cursor::Arrow;
}

void Win32System::CreateGuid(uint8_t out[16]) {
  // A GUID's memory layout is the on-disk layout GPT uses.
  GUID g = {};
  ::CoCreateGuid(&g);
  static_assert(sizeof g == 16);
  std::memcpy(out, &g, 16);
}

}  // namespace platform
