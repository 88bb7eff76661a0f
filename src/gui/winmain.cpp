// vektrel.exe: picks the machine (the real one, or a simulated PC named by
// VEKTREL_MACHINE for demonstrations and practice), the language and the
// dialog host, then runs the application object.
#include <memory>
#include <string>

#include "app/app_state.h"
#include "app/language.h"
#include "app/startup.h"
#include "platform/host_info.h"
#include "platform/sim/machine_loader.h"
#include "platform/text.h"
#include "platform/win32/win32_system.h"
#include "ui/control_ids.h"
#include "ui/win32/win32_host.h"

#include "platform/win32/windows_include.h"
#include "ui/win32/small_windows.h"

#include <objbase.h>

namespace {

std::unique_ptr<platform::System> PickSystem(std::string* language) {
  std::string machine = platform::GetEnv("VEKTREL_MACHINE");
  if (machine.empty()) return platform::CreateWin32System();
  std::string error;
  auto sim = sim::LoadMachine(machine, {}, &error);
  if (!sim) {
    std::wstring text = L"The simulated machine cannot be loaded:\n" + text::FromUtf8(error);
    ::MessageBoxW(nullptr, text.c_str(), L"Vektrel", MB_OK | MB_ICONERROR);
    return nullptr;
  }
  *language = sim->Config().language;
  return sim;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Libraries we load later (fmifs.dll) must not come from the current folder.
  ::SetDllDirectoryW(L"");
  std::string language = "English";
  std::unique_ptr<platform::System> system = PickSystem(&language);
  if (!system) return 1;
  std::string forced = platform::GetEnv("VEKTREL_LANG");
  if (!forced.empty()) language = forced;
  app::LanguageName = text::FromUtf8(language);

  ::OleInitialize(nullptr);  // file dialogs and picture decoding
  ui::win32::InitCommonControls();
  ui::win32::CSplashDlg splash;
  splash.Show(instance, IDD_SPLASH, nullptr);

  platform::SetSystem(system.get());
  std::unique_ptr<ui::Host> host = ui::win32::CreateDialogHost();
  ui::SetHost(host.get());
  int code = 0;
  try {
    app::CreateSingleInstanceGuard();
    app::CQobApp().InitInstance();
  } catch (const platform::ProcessExit& e) {
    // The simulated PC ends the process by unwinding to here.
    code = int(e.code);
  }
  splash.Close();
  ui::SetHost(nullptr);
  platform::SetSystem(nullptr);
  ::OleUninitialize();
  return code;
}
