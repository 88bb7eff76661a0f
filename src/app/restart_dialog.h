// CRestart: the dialog that offers a choice between two buttons after a
// message, used to restart or shut down after a task and as the countdown
// before the unattended one-click copy. A message holding "%TIME%" counts
// down from 20 seconds and then accepts by itself.
#pragma once

#include <string>

#include "ui/window.h"

namespace app {

class CRestart : public ui::Page {
 public:
  // Empty texts fall back to "IDS_Restart", "IDS_RestartNow", "IDS_RestartLater".
  CRestart(std::wstring message = L"", std::wstring first = L"", std::wstring second = L"");
  int TemplateId() const override;
  const char* Name() const override { return "CRestart"; }
  void OnInit(ui::Window& w) override;
  void OnCommand(ui::Window& w, int id) override;
  void OnTimer(ui::Window& w, unsigned id) override;
  void OnCancel(ui::Window& w) override;

  bool Accepted() const { return accepted_; }
  static constexpr unsigned kCountdownTimer = 1;

 private:
  void ShowMessage(ui::Window& w);
  std::wstring message_, first_, second_;
  int ticks_ = 0;
  bool counting_ = false;
  bool accepted_ = false;
};

// Runs the dialog; true when the first button was chosen.
bool AskRestart(const std::wstring& message = L"", const std::wstring& first = L"", const std::wstring& second = L"");

}  // namespace app
