#include "ui/window.h"

#include <cstdio>
#include <cstdlib>

#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace ui {

namespace {
Host* g_host = nullptr;
}

void Page::OnCancel(Window& w) { w.Close(win::IDCANCEL); }

void Host::Diagnostic(const std::wstring& line) {
  std::fputs((text::ToUtf8(line) + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void Host::Wait(uint32_t milliseconds) { platform::Sys().Sleep(milliseconds); }

Host& CurrentHost() {
  if (!g_host) {
    std::fputs("vektrel: no user-interface host\n", stderr);
    std::abort();
  }
  return *g_host;
}

void SetHost(Host* host) { g_host = host; }

int MessageBox(const std::wstring& text, unsigned flags) {
  if (Window* w = CurrentHost().Top()) return w->MessageBox(text, flags);
  return CurrentHost().MessageBox(text, flags);
}

unsigned BoxFlags(unsigned flags) {
  constexpr unsigned kButtons = 0xF, kIcons = 0xF0, kYesNoCancel = 0x3;
  unsigned buttons = flags & kButtons;
  if (buttons == win::MB_YESNO || buttons == kYesNoCancel) flags = (flags & ~kIcons) | win::MB_ICONQUESTION;
  return flags;
}

void PumpMessages() {
  if (Window* w = CurrentHost().Top()) w->PumpMessages();
}

void Wait(uint32_t milliseconds) {
  if (g_host) g_host->Wait(milliseconds);
  else platform::Sys().Sleep(milliseconds);
}

}  // namespace ui
