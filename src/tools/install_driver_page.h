// CInstallDriver: the driver-loading page. The operator picks a storage
// driver's .inf file; the Windows PE driver loader loads it, so that the
// disks behind its controller appear.
#pragma once

#include <string>

#include "ui/window.h"

namespace tools {

// The loader of Windows PE, and how long a load may take.
inline constexpr const wchar_t* kDriverLoader = L"X:\\windows\\system32\\drvload.exe";
inline constexpr uint32_t kDriverLoadWaitMs = 5 * 60 * 1000;

// A path naming an .inf file (the extension in any case).
bool IsInfPath(const std::wstring& path);

class CInstallDriver : public ui::Page {
 public:
  int TemplateId() const override;
  const char* Name() const override { return "CInstallDriver"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnEditChange(ui::Window& w, int id) override;
  // Not while the loader runs: the page waits for it.
  void OnCancel(ui::Window& w) override;

 private:
  void Install(ui::Window& w);
  bool loading_ = false;
};

// Opens the page (the main window's Driver Installation, Windows PE only).
void RunDriverInstallation();

}  // namespace tools
