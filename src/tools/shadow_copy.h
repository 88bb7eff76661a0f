// The shadow-copy client: on an installed Windows a volume's files are read
// through a shadow copy, so that files other programs hold open are read
// too. A 32-bit process on 64-bit Windows asks the helper program
// "RxThunk.exe" through its pipe; otherwise the helper library of the
// Windows version makes the copy. On Windows PE nothing else holds the
// files and the volume is read as it is.
//
// Every exchange is bounded: the helper is started at most once per request
// (and a few times per run), a busy pipe is waited for a few times, an
// answer is waited for a limited time and read only when it is small
// enough, and only an answer that names an existing shadow copy is taken.
// Whatever fails leaves the volume to be read live, with the reason.
#pragma once

#include <deque>
#include <string>

namespace tools {

enum class ShadowProblem {
  None,              // read through a shadow copy
  NotNeeded,         // Windows PE
  NoComponent,       // the helper library is missing or does not load
  HelperNotRunning,  // the helper's pipe did not appear
  PipeBusy,          // the pipe stayed busy
  NoReply,           // no answer in time
  ReplyTooLong,      // an answer larger than any path
  ReplyNotAPath,     // an answer that names no shadow copy
  Refused,           // the helper or the library could not make one
};

struct ShadowAnswer {
  std::wstring path;  // where to read the volume: its shadow copy, or the root as given
  ShadowProblem problem = ShadowProblem::None;
  bool IsShadow() const { return problem == ShadowProblem::None; }
};

// A shadow copy of a volume root ("C:", "C:\", "\\?\Volume{...}\").
ShadowAnswer CreateShadowCopy(const std::wstring& volumeRoot);
// Deletes the shadow copy made last.
void DeleteShadowCopy();
// The shadow copy's path, or the root itself.
std::wstring GetShadowPath(const std::wstring& volumeRoot);
// One request and its answer over the helper's pipe; "" when there is none.
std::wstring SendShadowRequest(const std::wstring& message, ShadowProblem* problem = nullptr);
// Asks the helper to end (the program's exit under WOW64).
void SendShadowQuit();
// Forgets the loaded library and the helper starts (tests).
void ResetShadowClient();

// The shadow copies of one copy job: one per volume, made when the volume
// is first read, and all deleted when the session ends, however it ends.
class ShadowSession {
 public:
  ShadowSession() = default;
  ~ShadowSession() { Release(); }
  ShadowSession(const ShadowSession&) = delete;
  ShadowSession& operator=(const ShadowSession&) = delete;

  const ShadowAnswer& For(const std::wstring& volumeRoot);
  void Release();
  int Made() const { return made_; }

 private:
  std::deque<std::pair<std::wstring, ShadowAnswer>> volumes_;  // answers handed out stay where they are
  int made_ = 0;
};

// "C:", "c:\" -> "C:\"; volume names keep their form with one backslash.
std::wstring NormalVolumeRoot(const std::wstring& root);

}  // namespace tools
