#include "app/boot_fix.h"

#include "app/app_state.h"
#include "app/language.h"
#include "disk/disk_access.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace app {

namespace {

// Finds the first marker from C: to V:, reads its drive text; returns the
// marker's path or "".
std::wstring FindMarker() {
  auto& sys = platform::Sys();
  for (wchar_t letter = L'C'; letter <= L'V'; ++letter) {
    std::wstring path = std::wstring(1, letter) + L":\\BOOT\\BootFix";
    platform::Handle h = disk::OpenFileReadWrite(path);
    if (!platform::IsValid(h)) continue;
    uint8_t bytes[4] = {};
    uint32_t got = 0;
    sys.ReadFile(h, bytes, 4, &got);
    sys.CloseHandle(h);
    BootFixTarget = text::DecodeUtf16LE(bytes, got);
    return path;
  }
  return L"";
}

void RunBcdedit(const std::wstring& parameters) {
  auto& sys = platform::Sys();
  sys.ShellExecute(L"open", L"bcdedit.exe", parameters, sys.GetSystemDirectory(), win::SW_SHOW);
}

std::wstring ReplaceAll(std::wstring s, const std::wstring& from, const std::wstring& to) {
  for (size_t at = s.find(from); at != std::wstring::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

}  // namespace

void BootFixAtStartup() {
  std::wstring marker = FindMarker();
  if (marker.empty()) return;
  RunBcdedit(L"/store C:\\boot\\BCD /set {default} device partition=C:");
  ui::MessageBox(T(L"IDS_bootstring2"), win::MB_OK);
  RunBcdedit(L"/store C:\\boot\\BCD /set {default} osdevice partition=C:");
  ui::MessageBox(T(L"IDS_bootstring3"), win::MB_OK);
  platform::Sys().DeleteFile(marker);
  platform::Sys().ExitProcess(0);
}

bool BootFixFromDuplicateTile() {
  std::wstring marker = FindMarker();
  if (marker.empty()) return false;
  RunBcdedit(ReplaceAll(L"/store C:\\boot\\bcd /set {default} device partition=C:", L"C:", BootFixTarget));
  RunBcdedit(ReplaceAll(L"/store C:\\boot\\bcd /set {default} osdevice partition=C:", L"C:", BootFixTarget));
  ui::MessageBox(T(L"IDS_bootstring3"), win::MB_OK);
  platform::Sys().DeleteFile(marker);
  platform::Sys().ExitProcess(0);
  return true;
}

}  // namespace app
