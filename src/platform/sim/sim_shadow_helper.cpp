// The shadow-copy components of the simulated PC: the helper program
// "RxThunk.exe" with its named pipe "\\.\pipe\ZUV11shadowpipe" (one
// instance, message mode: "/s ROOT" makes a shadow copy and answers its
// path, "/d" deletes the newest one it made, "/q" ends it), and the helper
// libraries "Vshadow32.dll" (Windows Vista and later) and "VshadowXP.dll"
// (Windows XP). Like the service behind them they need an NTFS volume, and
// a 32-bit library cannot make shadow copies on a 64-bit Windows. The
// machine file can make the helper silent, talkative or busy.
#include <algorithm>
#include <cstring>

#include "platform/sim/sim_snapshot.h"
#include "platform/sim/sim_object.h"
#include "platform/text.h"
#include "platform/winapi.h"

namespace sim {

using platform::Handle;
using Kind = SimSystem::Object::Kind;

namespace {

constexpr const wchar_t* kPipeName = L"\\\\.\\pipe\\ZUV11shadowpipe";
constexpr uint32_t ERROR_MOD_NOT_FOUND = 126;
constexpr int kHelperOwner = -1;

std::wstring LastComponent(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool SimSystem::IsShadowHelper(const std::wstring& path) {
  size_t slash = config_.programPath.rfind(L'\\');
  std::wstring folder = slash == std::wstring::npos ? L"" : config_.programPath.substr(0, slash);
  return config_.shadowHelper != ShadowHelper::None && text::EqualsIgnoreCase(path, folder + L"\\RxThunk.exe");
}

void SimSystem::StartShadowHelper(StartedProgram* p, size_t index) {
  // A second copy cannot make the pipe the first one holds, and ends.
  if (config_.shadowHelper == ShadowHelper::NoStart || helper_.running) {
    p->exitCode = 1;
    return;
  }
  p->running = true;
  helper_ = PipeHelper{};
  helper_.running = true;
  helper_.process = index;
}

void SimSystem::StopShadowHelper() {
  if (!helper_.running) return;
  // Its shadow copies go with it, as a requester's copies do.
  for (int n : helper_.snapshots) DropSnapshot(n);
  helper_.running = false;
  helper_.snapshots.clear();
  started_[helper_.process].running = false;
  started_[helper_.process].exitCode = 0;
}

Handle SimSystem::OpenPipe(const std::wstring& path, uint32_t access) {
  auto failed = [&](uint32_t code) {
    lastError_ = code;
    return platform::kInvalidHandle;
  };
  if (!text::EqualsIgnoreCase(path, kPipeName) || !helper_.running) return failed(win::ERROR_FILE_NOT_FOUND);
  if (helper_.connected || config_.shadowHelper == ShadowHelper::Busy) return failed(win::ERROR_PIPE_BUSY);
  auto o = std::make_shared<Object>(Kind::Pipe);
  o->access = access;
  helper_.connected = true;
  helper_.replies.clear();
  helper_.readOffset = 0;
  return Add(o);
}

bool SimSystem::WaitNamedPipe(const std::wstring& name, uint32_t milliseconds) {
  if (!text::EqualsIgnoreCase(name, kPipeName) || !helper_.running) return Fail(win::ERROR_FILE_NOT_FOUND);
  if (!helper_.connected && config_.shadowHelper != ShadowHelper::Busy) {
    lastError_ = 0;
    return true;
  }
  if (milliseconds == win::INFINITE) throw Hang{"waiting without end for a pipe that stays busy"};
  clock_.Sleep(milliseconds == win::NMPWAIT_USE_DEFAULT_WAIT ? 50 : milliseconds);
  return Fail(win::ERROR_SEM_TIMEOUT);
}

bool SimSystem::SetNamedPipeHandleState(Handle pipe, uint32_t mode) {
  auto o = Get(pipe);
  if (!o || o->kind != Kind::Pipe) return Fail(win::ERROR_INVALID_HANDLE);
  if (mode & ~win::PIPE_READMODE_MESSAGE) return Fail(win::ERROR_INVALID_PARAMETER);
  lastError_ = 0;
  return true;
}

bool SimSystem::PeekNamedPipe(Handle pipe, uint32_t* bytesAvailable, uint32_t* messageBytesLeft) {
  auto o = Get(pipe);
  if (!o || o->kind != Kind::Pipe) return Fail(win::ERROR_INVALID_HANDLE);
  if (helper_.replies.empty() && !helper_.running) return Fail(win::ERROR_BROKEN_PIPE);
  uint64_t total = 0;
  for (const auto& m : helper_.replies) total += m.size();
  total -= helper_.readOffset;
  *bytesAvailable = uint32_t(std::min<uint64_t>(total, 0xFFFFFFFFu));
  *messageBytesLeft = helper_.replies.empty() ? 0 : uint32_t(helper_.replies.front().size() - helper_.readOffset);
  lastError_ = 0;
  return true;
}

bool SimSystem::PipeRead(Object& o, void* buffer, uint32_t bytes, uint32_t* done) {
  if (helper_.replies.empty()) {
    if (!helper_.running) return Fail(win::ERROR_BROKEN_PIPE);
    throw Hang{"reading a pipe that is never written to"};
  }
  const std::vector<uint8_t>& m = helper_.replies.front();
  size_t left = m.size() - helper_.readOffset;
  size_t n = std::min<size_t>(left, bytes);
  if (n) std::memcpy(buffer, m.data() + helper_.readOffset, n);
  *done = uint32_t(n);
  helper_.readOffset += n;
  if (helper_.readOffset < m.size()) return Fail(win::ERROR_MORE_DATA);
  helper_.replies.pop_front();
  helper_.readOffset = 0;
  lastError_ = 0;
  return true;
}

bool SimSystem::PipeWrite(Object& o, const void* buffer, uint32_t bytes) {
  if (!helper_.running) return Fail(win::ERROR_NO_DATA);
  std::wstring message = text::DecodeUtf16LE(static_cast<const uint8_t*>(buffer), bytes & ~1u);
  auto reply = [&](const std::wstring& text) { helper_.replies.push_back(text::EncodeUtf16LE(text)); };
  ShadowHelper mode = config_.shadowHelper;
  if (mode == ShadowHelper::Silent) return true;
  if (message == L"/q") {
    StopShadowHelper();
  } else if (message == L"/d") {
    if (!helper_.snapshots.empty()) {
      DropSnapshot(helper_.snapshots.back());
      helper_.snapshots.pop_back();
    }
    reply(L"OK");
  } else if (message.rfind(L"/s ", 0) == 0) {
    if (mode == ShadowHelper::Garbage) {
      reply(L"Error 0x8004230F: the shadow copy provider had an unexpected error");
    } else if (mode == ShadowHelper::Long) {
      reply(SimSnapshot::DeviceName(1) + std::wstring(1 << 19, L'x'));
    } else {
      int number = 0;
      std::wstring root = message.substr(3);
      if (MakeSnapshot(root, kHelperOwner, &number) != 0) {
        reply(L"Error: no shadow copy of " + root);
      } else {
        helper_.snapshots.push_back(number);
        reply(SimSnapshot::DeviceName(number));
      }
    }
  } else {
    reply(L"?");
  }
  return true;
}

void SimSystem::PipeClosed(Object&) {
  helper_.connected = false;
  helper_.replies.clear();
  helper_.readOffset = 0;
}

Handle SimSystem::LoadShadowLibrary(const std::wstring& name) {
  for (const std::wstring& present : config_.shadowLibraries) {
    if (!text::EqualsIgnoreCase(LastComponent(name), LastComponent(present))) continue;
    auto o = std::make_shared<Object>(Kind::Library);
    o->library = LastComponent(present);
    return Add(o);
  }
  lastError_ = ERROR_MOD_NOT_FOUND;
  return platform::kNullHandle;
}

bool SimSystem::ShadowCopy(Handle library, const std::wstring& root, std::wstring* shadowPath) {
  auto o = Get(library);
  if (!o || o->kind != Kind::Library) return Fail(win::ERROR_INVALID_HANDLE);
  // Each library speaks to the service of its own Windows version, and a
  // 32-bit process cannot reach it on a 64-bit Windows.
  bool forXp = text::EqualsIgnoreCase(o->library, L"VshadowXP.dll");
  bool versionFits = forXp ? config_.versionMajor == 5 : config_.versionMajor >= 6;
  if (!versionFits || config_.wow64) return Fail(win::ERROR_NOT_SUPPORTED);
  int number = 0;
  if (uint32_t err = MakeSnapshot(root, int(library & 0x7FFFFFFF), &number)) return Fail(err);
  o->snapshots.push_back(number);
  *shadowPath = SimSnapshot::DeviceName(number);
  lastError_ = 0;
  return true;
}

bool SimSystem::DeleteShadowCopy(Handle library) {
  auto o = Get(library);
  if (!o || o->kind != Kind::Library) return Fail(win::ERROR_INVALID_HANDLE);
  if (!o->snapshots.empty()) {
    DropSnapshot(o->snapshots.back());
    o->snapshots.pop_back();
  }
  lastError_ = 0;
  return true;
}

void SimSystem::FreeShadowLibrary(Handle library) {
  auto o = Get(library);
  if (o && o->kind == Kind::Library) objects_.erase(library);
}

bool SimSystem::IsSnapshotRoot(const std::wstring& root) {
  std::wstring rest;
  return SimSnapshot::NumberOf(root, &rest) != 0 || text::StartsWithIgnoreCase(root, L"\\\\?\\GLOBALROOT");
}

}  // namespace sim
