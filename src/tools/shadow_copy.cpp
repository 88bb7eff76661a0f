#include "tools/shadow_copy.h"

#include "app/app_state.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace tools {

namespace {

constexpr const wchar_t* kPipeName = L"\\\\.\\pipe\\ZUV11shadowpipe";
constexpr const wchar_t* kShadowDevice = L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy";
constexpr int kOpenAttempts = 4;
constexpr int kMaxBusyWaits = 3;
constexpr uint32_t kBusyWaitMs = 20000;
constexpr uint32_t kHelperStartMs = 5000;
constexpr int kMaxHelperStartsPerRun = 3;
constexpr uint32_t kPollMs = 100;
constexpr uint32_t kMakeReplyMs = 120000;  // making a shadow copy can take a while
constexpr uint32_t kOtherReplyMs = 10000;
constexpr uint32_t kMaxReplyBytes = 0x20000;

int gHelperStarts = 0;
bool gLibraryTried = false;
platform::Handle gLibrary = platform::kNullHandle;

enum class Component { None, Pipe, Library };

Component Choose() {
  auto& sys = platform::Sys();
  if (app::IsWinPE) return Component::None;
  if (sys.IsWow64Process()) return Component::Pipe;
  return Component::Library;
}

platform::Handle Library() {
  if (gLibraryTried) return gLibrary;
  gLibraryTried = true;
  auto& sys = platform::Sys();
  platform::OsVersion v = sys.GetVersion();
  uint32_t number = v.platformId == win::VER_PLATFORM_WIN32_NT ? v.major + 1 : v.major;
  gLibrary = sys.LoadShadowLibrary(number > 6 ? L"Vshadow32.dll" : L"VshadowXP.dll");
  return gLibrary;
}

// An answer is taken only when it names a shadow-copy device that exists.
bool IsShadowPath(std::wstring* path) {
  while (!path->empty() && (path->back() == L'\0' || path->back() == L'\\')) path->pop_back();
  std::wstring prefix = kShadowDevice;
  if (path->size() <= prefix.size() || path->size() > prefix.size() + 6 ||
      !text::StartsWithIgnoreCase(*path, prefix))
    return false;
  for (size_t i = prefix.size(); i < path->size(); ++i)
    if ((*path)[i] < L'0' || (*path)[i] > L'9') return false;
  uint32_t a = platform::Sys().GetFileAttributes(*path + L"\\");
  return a != win::INVALID_FILE_ATTRIBUTES && (a & win::FILE_ATTRIBUTE_DIRECTORY);
}

platform::Handle OpenPipe(ShadowProblem* problem, bool* startedHelper) {
  auto& sys = platform::Sys();
  int busyWaits = 0;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    platform::Handle pipe =
        sys.CreateFile(kPipeName, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0);
    if (platform::IsValid(pipe)) return pipe;
    if (sys.GetLastError() == win::ERROR_PIPE_BUSY) {
      // A wait that runs out still earns one more try, up to the bound.
      *problem = ShadowProblem::PipeBusy;
      if (busyWaits++ >= kMaxBusyWaits) break;
      sys.WaitNamedPipe(kPipeName, kBusyWaitMs);
      continue;
    }
    // No pipe: the helper is not running. Started once per request, and a
    // few times per run, so that a helper that never comes costs little.
    *problem = ShadowProblem::HelperNotRunning;
    if (*startedHelper || gHelperStarts >= kMaxHelperStartsPerRun) break;
    *startedHelper = true;
    ++gHelperStarts;
    if (sys.ShellExecute(L"open", app::AppDirectory + L"\\RxThunk.exe", L"", L"", win::SW_SHOW) <= 32) break;
    sys.Sleep(kHelperStartMs);
  }
  return platform::kNullHandle;
}

// Waits for the answer without ever blocking on an empty pipe; reads it
// when it has come and is no larger than an answer can be.
bool ReadReply(platform::Handle pipe, uint32_t waitMs, std::wstring* reply, ShadowProblem* problem) {
  auto& sys = platform::Sys();
  uint32_t available = 0, left = 0;
  for (uint32_t waited = 0;; waited += kPollMs) {
    if (!sys.PeekNamedPipe(pipe, &available, &left)) {
      *problem = ShadowProblem::NoReply;  // the helper went away
      return false;
    }
    if (left > 0 || available > 0) break;
    if (waited >= waitMs) {
      *problem = ShadowProblem::NoReply;
      return false;
    }
    sys.Sleep(kPollMs);
  }
  if (left > kMaxReplyBytes || (left == 0 && available > kMaxReplyBytes)) {
    *problem = ShadowProblem::ReplyTooLong;
    return false;
  }
  std::vector<uint8_t> buffer(kMaxReplyBytes);
  uint32_t got = 0, done = 0;
  while (true) {
    bool ok = sys.ReadFile(pipe, buffer.data() + got, kMaxReplyBytes - got, &done);
    got += done;
    if (ok) break;
    if (sys.GetLastError() != win::ERROR_MORE_DATA || got >= kMaxReplyBytes) {
      *problem = got >= kMaxReplyBytes ? ShadowProblem::ReplyTooLong : ShadowProblem::NoReply;
      return false;
    }
  }
  *reply = text::DecodeUtf16LE(buffer.data(), got & ~1u);
  return true;
}

}  // namespace

std::wstring NormalVolumeRoot(const std::wstring& root) {
  std::wstring r = root;
  if (r.size() >= 2 && r[1] == L':') return std::wstring(1, text::UpperAscii(r[0])) + L":\\";
  while (!r.empty() && r.back() == L'\\') r.pop_back();
  return r + L"\\";
}

std::wstring SendShadowRequest(const std::wstring& message, ShadowProblem* problemOut) {
  auto& sys = platform::Sys();
  ShadowProblem scratch = ShadowProblem::None;
  ShadowProblem* problem = problemOut ? problemOut : &scratch;
  *problem = ShadowProblem::None;
  // The helper takes a moment between two requests.
  sys.Sleep(1000);
  bool startedHelper = false;
  platform::Handle pipe = OpenPipe(problem, &startedHelper);
  if (!platform::IsValid(pipe)) return L"";
  *problem = ShadowProblem::None;
  std::vector<uint8_t> bytes = text::EncodeUtf16LE(message);
  uint32_t written = 0;
  std::wstring reply;
  if (!sys.SetNamedPipeHandleState(pipe, win::PIPE_READMODE_MESSAGE) ||
      !sys.WriteFile(pipe, bytes.data(), uint32_t(bytes.size()), &written) || written != bytes.size()) {
    *problem = ShadowProblem::HelperNotRunning;
  } else {
    bool making = message.rfind(L"/s ", 0) == 0;
    ReadReply(pipe, making ? kMakeReplyMs : kOtherReplyMs, &reply, problem);
  }
  sys.CloseHandle(pipe);
  return *problem == ShadowProblem::None ? reply : L"";
}

ShadowAnswer CreateShadowCopy(const std::wstring& volumeRoot) {
  ShadowAnswer answer;
  answer.path = volumeRoot;
  std::wstring root = NormalVolumeRoot(volumeRoot);
  std::wstring made;
  switch (Choose()) {
    case Component::None:
      answer.problem = ShadowProblem::NotNeeded;
      return answer;
    case Component::Pipe:
      made = SendShadowRequest(L"/s " + root, &answer.problem);
      if (answer.problem != ShadowProblem::None) return answer;
      break;
    case Component::Library: {
      platform::Handle library = Library();
      if (!library) {
        answer.problem = ShadowProblem::NoComponent;
        return answer;
      }
      if (!platform::Sys().ShadowCopy(library, root, &made) || made.empty()) {
        answer.problem = ShadowProblem::Refused;
        return answer;
      }
      break;
    }
  }
  if (made.empty()) {
    answer.problem = ShadowProblem::Refused;
    return answer;
  }
  if (made.size() > 32767 || !IsShadowPath(&made)) {
    answer.problem = ShadowProblem::ReplyNotAPath;
    return answer;
  }
  answer.path = made;
  return answer;
}

void DeleteShadowCopy() {
  switch (Choose()) {
    case Component::None:
      return;
    case Component::Pipe:
      SendShadowRequest(L"/d");
      return;
    case Component::Library:
      if (gLibrary) platform::Sys().DeleteShadowCopy(gLibrary);
      return;
  }
}

std::wstring GetShadowPath(const std::wstring& volumeRoot) { return CreateShadowCopy(volumeRoot).path; }

void SendShadowQuit() {
  if (Choose() == Component::Pipe) SendShadowRequest(L"/q");
}

void ResetShadowClient() {
  if (gLibrary && platform::HasSystem()) platform::Sys().FreeShadowLibrary(gLibrary);
  gLibrary = platform::kNullHandle;
  gLibraryTried = false;
  gHelperStarts = 0;
}

const ShadowAnswer& ShadowSession::For(const std::wstring& volumeRoot) {
  std::wstring key = NormalVolumeRoot(volumeRoot);
  for (auto& [k, answer] : volumes_)
    if (text::EqualsIgnoreCase(k, key)) return answer;
  ShadowAnswer answer = CreateShadowCopy(volumeRoot);
  if (answer.IsShadow()) ++made_;
  volumes_.emplace_back(key, answer);
  return volumes_.back().second;
}

void ShadowSession::Release() {
  // Each deletion takes the newest copy: as many as were made.
  for (; made_ > 0; --made_) DeleteShadowCopy();
  volumes_.clear();
}

}  // namespace tools
