// vektrel-mkimage: makes the disk images of the demo machine (and of other
// practice machines) with the simulated PC's own table and boot-sector
// writers, so no outside tool is needed.
//
//   vektrel-mkimage demo DIR
//       the demo machine's images and volume folders in DIR (kept when present),
//       with the marked blank disk of the one-click variant
//   vektrel-mkimage make IMAGE --size SIZE [--mbr SIGNATURE | --gpt] [--part START:LENGTH:TYPE[:FS[:active]]]...
//       one image; LENGTH 0 runs to the end of the disk; TYPE is an MBR type byte in hex
//       (07, 0c, 0f ...) or "basic"/"msr" on a GPT disk; FS one of NTFS, FAT32, FAT, exFAT
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sim/boot_sectors.h"
#include "platform/sim/sim_disk.h"
#include "platform/sim/sim_layout.h"
#include "platform/winapi.h"

namespace fs = std::filesystem;

namespace {

struct PartSpec {
  uint64_t start = 0, length = 0;
  std::string type, fileSystem, label;
  bool active = false;
};

int Fail(const std::string& msg) {
  std::fprintf(stderr, "vektrel-mkimage: %s\n", msg.c_str());
  return 2;
}

bool MakeImage(const std::string& path, uint64_t bytes, bool gpt, uint32_t signature, const std::vector<PartSpec>& parts,
               std::string* error) {
  sim::SimClock clock(true, 0);
  sim::DiskConfig dc;
  dc.image = path;
  dc.sizeBytes = bytes;
  sim::SimDisk disk(dc, &clock);
  if (!disk.Open(error)) return false;
  if (parts.empty() && signature == 0 && !gpt) return true;
  sim::DriverLayout layout;
  layout.style = gpt ? win::PARTITION_STYLE_GPT : win::PARTITION_STYLE_MBR;
  layout.signature = signature;
  for (int i = 0; i < 16; ++i) layout.diskId.b[i] = uint8_t(signature * 31 + i * 17 + 1);
  layout.maxEntries = 128;
  std::vector<sim::BootSectorParams> volumes;
  for (size_t i = 0; i < parts.size(); ++i) {
    PartSpec p = parts[i];
    if (p.length == 0) p.length = disk.Sectors() - (gpt ? 34 : 0) - p.start;
    sim::DriverPartition dp;
    dp.startLba = p.start;
    dp.lengthSectors = p.length;
    if (gpt) {
      dp.gptType = p.type == "msr" ? sim::kGptMicrosoftReserved : p.type == "efi" ? sim::kGptEfiSystem : sim::kGptBasicData;
      for (int k = 0; k < 16; ++k) dp.gptId.b[k] = uint8_t(i * 13 + k * 7 + 3);
      std::string name = p.type == "msr" ? "Microsoft reserved partition" : "Basic data partition";
      dp.gptName.assign(name.begin(), name.end());
    } else {
      dp.mbrType = uint8_t(std::strtoul(p.type.c_str(), nullptr, 16));
      dp.bootIndicator = p.active;
    }
    layout.entries.push_back(dp);
    if (!p.fileSystem.empty()) {
      sim::BootSectorParams b;
      b.fileSystem = p.fileSystem;
      b.startLba = p.start;
      b.lengthSectors = p.length;
      b.serial = 0x5A5A0000u + uint32_t(i);
      b.label = p.label;
      volumes.push_back(b);
    }
  }
  if (!gpt)
    while (layout.entries.size() % 4) layout.entries.push_back(sim::DriverPartition{});
  if (uint32_t err = sim::WriteDriverLayout(disk, layout)) {
    *error = "the partition layout does not fit the disk (error " + std::to_string(err) + ")";
    return false;
  }
  for (auto& b : volumes)
    if (uint32_t err = sim::WriteBootSectors(disk, b)) {
      *error = "cannot format a " + b.fileSystem + " volume of " + std::to_string(b.lengthSectors) +
               " sectors (error " + std::to_string(err) + ")";
      return false;
    }
  return true;
}

void PutFile(const fs::path& path, const std::string& content, uint64_t sparseSize = 0) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << content;
  out.close();
  if (sparseSize) fs::resize_file(path, sparseSize);
}

int Demo(const std::string& dir) {
  fs::create_directories(dir);
  std::string error;
  const uint64_t kSystemBytes = 8ull << 30;
  fs::path system = fs::path(dir) / "system.img", blank = fs::path(dir) / "blank.img";
  if (!fs::exists(system)) {
    // A classic installed layout: a 100 MiB system partition with the boot
    // files, then the Windows partition to the end of the disk.
    std::vector<PartSpec> parts = {{2048, 204800, "07", "NTFS", "System Reserved", true},
                                   {206848, 0, "07", "NTFS", "Windows", false}};
    if (!MakeImage(system.string(), kSystemBytes, false, 0x5EC7A11Eu, parts, &error)) return Fail(error);
    std::printf("made %s (8 GiB, sparse)\n", system.string().c_str());
  }
  if (!fs::exists(blank)) {
    if (!MakeImage(blank.string(), 16ull << 30, false, 0, {}, &error)) return Fail(error);
    std::printf("made %s (16 GiB, sparse, blank)\n", blank.string().c_str());
  }
  // The one-click variant's destination (demo/demo-oneclick.ini): blank but
  // for the mark an operator puts on the disk the unattended copy may take.
  fs::path marked = fs::path(dir) / "oneclick-blank.img";
  if (!fs::exists(marked)) {
    if (!MakeImage(marked.string(), 16ull << 30, false, 0, {}, &error)) return Fail(error);
    std::fstream f(marked, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(16);
    f.write("FELDSPARWICKOTBDISK", 19);
    if (!f) return Fail("cannot mark " + marked.string());
    std::printf("made %s (16 GiB, sparse, blank, marked for One Click Copy)\n", marked.string().c_str());
  }
  fs::path reserved = fs::path(dir) / "system-reserved", windows = fs::path(dir) / "windows";
  if (!fs::exists(reserved)) {
    PutFile(reserved / "bootmgr", std::string("Vektrel demo boot manager\n") + std::string(400000, '\x90'));
    PutFile(reserved / "Boot" / "BCD", std::string("regf demo boot configuration\n"), 28672);
    PutFile(reserved / "Boot" / "BOOTSTAT.DAT", std::string(), 65536);
  }
  if (!fs::exists(windows)) {
    PutFile(windows / "Windows" / "System32" / "Kernel32.dll", std::string("MZ demo kernel library\n"), 786432);
    PutFile(windows / "Windows" / "System32" / "ntoskrnl.exe", std::string("MZ demo kernel\n"), 10485760);
    PutFile(windows / "Windows" / "System32" / "config" / "SYSTEM", std::string("regf\n"), 16777216);
    PutFile(windows / "Windows" / "explorer.exe", std::string("MZ demo shell\n"), 4194304);
    PutFile(windows / "pagefile.sys", std::string(), 536870912);
    PutFile(windows / "Users" / "Public" / "Documents" / "readme.txt", "This disk belongs to the Vektrel demo machine.\n");
    PutFile(windows / "Users" / "Demo" / "Documents" / "Budget 2026.xlsx", std::string("PK demo workbook\n"), 53248);
    PutFile(windows / "Users" / "Demo" / "Documents" / "Letters" / "Letter to the bank.docx",
            std::string("PK demo letter\n"), 24576);
    PutFile(windows / "Users" / "Demo" / "Pictures" / "Holiday" / "Beach.jpg", std::string("\xFF\xD8 demo picture"),
            2621440);
    PutFile(windows / "Users" / "Demo" / "Desktop" / "Notes.txt", "Remember to copy the system disk before Friday.\n");
    PutFile(windows / "Program Files" / "Demo Office" / "office.exe", std::string("MZ demo office\n"), 31457280);
    // What the file copy's folder tree shows: a shortcut it hides, an
    // archive it lists as a file, an empty folder, a network place.
    PutFile(windows / "Users" / "Demo" / "Desktop" / "Budget 2026.LNK", std::string("L demo shortcut"));
    PutFile(windows / "Users" / "Demo" / "Documents" / "Old letters.ZIP", std::string("PK demo archive\n"), 40960);
    PutFile(windows / "Users" / "Demo" / "Music" / "Demo tune.mp3", std::string("ID3 demo tune"), 3145728);
    fs::create_directories(windows / "Users" / "Demo" / "Videos");
    fs::create_directories(windows / "Users" / "Demo" / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Network Shortcuts" /
                           "Public (demo-nas)");
  }
  fs::path nas = fs::path(dir) / "nas";
  if (!fs::exists(nas)) PutFile(nas / "Shared" / "Price list.pdf", std::string("%PDF demo price list\n"), 98304);
  return 0;
}

int Make(int argc, char** argv) {
  if (argc < 3) return Fail("make needs IMAGE");
  std::string image = argv[2];
  uint64_t bytes = 0;
  bool gpt = false;
  uint32_t signature = 0;
  std::vector<PartSpec> parts;
  for (int i = 3; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) {
        Fail(a + " needs a value");
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--size") {
      std::string s = next();
      char* end;
      double v = std::strtod(s.c_str(), &end);
      std::string unit = end;
      uint64_t mul = unit == "TiB" ? 1ull << 40 : unit == "GiB" ? 1ull << 30 : unit == "MiB" ? 1ull << 20
                   : unit == "KiB" ? 1ull << 10 : unit == "s" ? 512 : 1;
      bytes = uint64_t(v * double(mul));
    } else if (a == "--mbr") {
      signature = uint32_t(std::strtoul(next().c_str(), nullptr, 0));
    } else if (a == "--gpt") {
      gpt = true;
    } else if (a == "--part") {
      std::string s = next();
      std::vector<std::string> f;
      size_t pos = 0;
      while (true) {
        size_t c = s.find(':', pos);
        f.push_back(s.substr(pos, c - pos));
        if (c == std::string::npos) break;
        pos = c + 1;
      }
      if (f.size() < 3) return Fail("--part is START:LENGTH:TYPE[:FS[:active]]");
      PartSpec p;
      p.start = std::strtoull(f[0].c_str(), nullptr, 10);
      p.length = std::strtoull(f[1].c_str(), nullptr, 10);
      p.type = f[2];
      if (f.size() > 3) p.fileSystem = f[3];
      p.active = f.size() > 4 && f[4] == "active";
      parts.push_back(p);
    } else {
      return Fail("unknown option " + a);
    }
  }
  if (!bytes) return Fail("--size is required");
  std::string error;
  if (!MakeImage(image, bytes, gpt, signature, parts, &error)) return Fail(error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "demo") return Demo(argv[2]);
  if (argc >= 2 && std::string(argv[1]) == "make") return Make(argc, argv);
  std::fprintf(stderr,
               "usage: vektrel-mkimage demo DIR\n"
               "       vektrel-mkimage make IMAGE --size SIZE [--mbr SIGNATURE | --gpt] "
               "[--part START:LENGTH:TYPE[:FS[:active]]]...\n");
  return 2;
}
