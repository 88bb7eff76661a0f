#include "support/sim_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/app_state.h"
#include "app/language.h"
#include "disk/disk_access.h"
#include "platform/system.h"
#include "platform/winapi.h"
#include "ui/window.h"

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "vektrel-test-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back(0);
  char* made = mkdtemp(buf.data());
  path_ = made ? made : tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

SimTest::SimTest() {
  config_.programHost = VEKTREL_BIN_DIR;
  config_.filesRoot = dir_.File("files");
  disk::ResetDiskAccessState();
  app::ResetAppState();
  app::LanguageName = L"English";
  app::LanguageTable.clear();
  ui::SetHost(&host_);
}

SimTest::~SimTest() {
  disk::ResetDiskAccessState();
  platform::SetSystem(nullptr);
  ui::SetHost(nullptr);
}

int SimTest::AddDisk(const std::string& settings, const std::string& imageName) {
  sim::DiskConfig d;
  std::string name = imageName.empty() ? "disk" + std::to_string(config_.disks.size()) + ".img" : imageName;
  std::string error;
  EXPECT_TRUE(sim::ParseDiskOption(dir_.File(name) + (settings.empty() ? "" : "," + settings), &d, &error)) << error;
  // The image exists at once (sparse), so that tools can write it before the machine starts.
  if (d.sizeBytes && !d.missing && !fs::exists(d.image)) {
    std::ofstream(d.image, std::ios::binary).close();
    fs::resize_file(d.image, d.sizeBytes);
  }
  config_.disks.push_back(d);
  return int(config_.disks.size()) - 1;
}

sim::SimSystem& SimTest::Boot() {
  sim::CompleteMachineConfig(&config_, VEKTREL_BIN_DIR);
  std::string error;
  platform::SetSystem(nullptr);
  sim_.reset();  // the machine that ran before shuts down first, as a real one would
  sim_ = sim::SimSystem::Create(config_, &error);
  EXPECT_TRUE(sim_) << error;
  platform::SetSystem(sim_.get());
  return *sim_;
}

uint32_t WriteSimFile(platform::System& sys, const std::wstring& path, const std::string& bytes, uint32_t flags,
                      uint32_t disposition) {
  platform::Handle h = sys.CreateFile(path, win::GENERIC_WRITE, win::FILE_SHARE_READ, disposition, flags);
  if (!platform::IsValid(h)) return sys.GetLastError();
  uint32_t done = 0;
  uint32_t err = sys.WriteFile(h, bytes.data(), uint32_t(bytes.size()), &done) ? 0 : sys.GetLastError();
  sys.CloseHandle(h);
  return err;
}

std::string ReadSimFile(platform::System& sys, const std::wstring& path) {
  platform::Handle h = sys.CreateFile(path, win::GENERIC_READ, win::FILE_SHARE_READ, win::OPEN_EXISTING, 0);
  if (!platform::IsValid(h)) return "error " + std::to_string(sys.GetLastError());
  std::string out(1 << 16, '\0');
  uint32_t done = 0;
  bool ok = sys.ReadFile(h, out.data(), uint32_t(out.size()), &done);
  uint32_t err = sys.GetLastError();
  sys.CloseHandle(h);
  if (!ok) return "error " + std::to_string(err);
  out.resize(done);
  return out;
}

std::vector<uint8_t> ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteHostFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string WriteInstalledMachine(const std::string& path, const std::vector<std::string>& diskOptions) {
  std::ofstream out(path);
  out << "[machine]\nprogram = C:\\Program Files\\Vektrel\\vektrel.exe\nwindows = C:\\Windows\n";
  for (const std::string& option : diskOptions) {
    out << "\n[disk]\n";
    std::stringstream parts(option);
    std::string part;
    for (bool first = true; std::getline(parts, part, ','); first = false) {
      size_t eq = part.find('=');
      if (first) out << "image = " << part << "\n";
      else out << part.substr(0, eq) << " = " << part.substr(eq + 1) << "\n";
    }
  }
  return path;
}

int Shell(const std::string& command, std::string* output) {
  std::string cmd = command + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int status = pclose(p);
  if (output) *output = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveTool(const std::string& name) {
  return Shell("command -v " + name + " || test -x /usr/sbin/" + name + " || test -x /sbin/" + name) == 0;
}

}  // namespace testing_support
